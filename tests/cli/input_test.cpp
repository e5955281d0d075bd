// What users type into the panel fields, through the runner's options into the
// same records the window fills: blanks around a value are fine, anything
// else that is not a usable number is refused naming the field.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/run_cli.h"
#include "tests/cli/cli_run.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

const std::string spirals = std::string(VORN_DATA_DIR) + "/two_spirals.txt";

using Result = testing::CliResult;

Result run(const std::vector<std::string>& args) {
    return testing::run_runner(args);
}

TEST(PanelInput, BlanksAroundEveryValueChangeNothing) {
    const std::vector<std::pair<std::string, std::string>> fields = {
        {"--population-size", "30"}, {"--generations", "2"},      {"--tournament-size", "3"},
        {"--crossover", "0.6"},      {"--mutation", "0.3"},       {"--one-point-mutation", "0.05"},
        {"--elite", "10"},           {"--max-length", "60"},      {"--max-initial-depth", "4"},
        {"--function-ratio", "0.4"}, {"--variable-ratio", "0.3"}, {"--constant-range", "-2:2"},
        {"--num-constants", "40"}};
    std::vector<std::string> plain = {spirals,  "--selection", "tournament",
                                      "--seed", "5",           "--quiet"};
    std::vector<std::string> padded = plain;
    for (const auto& [option, value] : fields) {
        plain.insert(plain.end(), {option, value});
        padded.insert(padded.end(),
                      {option, option == "--constant-range" ? " -2 :\t2 " : " \t" + value + "  "});
    }
    const Result expected = run(plain);
    ASSERT_EQ(expected.code, exit_done) << expected.err;
    const Result result = run(padded);
    EXPECT_EQ(result.code, exit_done) << result.err;
    EXPECT_EQ(result.out, expected.out);
}

TEST(PanelInput, UnusableNumbersAreRefusedNamingTheField) {
    struct Field {
        std::vector<std::string> options;  // the value goes last
        const char* caption;
        std::vector<std::string> texts;
    };
    const std::vector<std::string> whole = {"",      "-5",  "1e9",         "2.5", "nan",
                                            "1e400", "0,5", "99999999999", "+-1"};
    const std::vector<std::string> real = {"", "0,5", "nan", "-nan", "inf", "1e400", "0x1p-1", "."};
    std::vector<Field> fields = {
        {{"--population-size"}, "Population Size", whole},
        {{"--generations"}, "Generation", whole},
        {{"--selection", "tournament", "--tournament-size"}, "Tournament Size", whole},
        {{"--max-length"}, "Maximum Length", whole},
        {{"--max-initial-depth"}, "Maximum Initial Depth", whole},
        {{"--num-constants"}, "Number of constant", whole},
        {{"--crossover"}, "Crossover", real},
        {{"--mutation"}, "Mutation", real},
        {{"--one-point-mutation"}, "One-point Mutation", real},
        {{"--function-ratio"}, "Function", real},
        {{"--variable-ratio"}, "Variable", real},
        {{"--elite"}, "Elite Strategy", real},
    };
    // Zero and negative sizes, each against its own lower limit.
    fields.push_back({{"--population-size"}, "Population Size", {"0", "1", "-1"}});
    fields.push_back({{"--generations"}, "Generation", {"0", "-1"}});
    fields.push_back(
        {{"--selection", "tournament", "--tournament-size"}, "Tournament Size", {"0"}});
    fields.push_back({{"--max-length"}, "Maximum Length", {"0", "-1", "2"}});
    fields.push_back({{"--max-initial-depth"}, "Maximum Initial Depth", {"-1"}});
    fields.push_back({{"--num-constants"}, "Number of constant", {"0", "-1"}});
    fields.push_back({{"--elite"}, "Elite Strategy", {"-1", "101"}});
    for (const Field& field : fields) {
        for (const std::string& text : field.texts) {
            std::vector<std::string> args = {spirals, "--quiet"};
            args.insert(args.end(), field.options.begin(), field.options.end());
            args.push_back(text);
            const Result result = run(args);
            const std::string shown = field.options.back() + " \"" + text + "\"";
            EXPECT_EQ(result.code, exit_refused) << shown;
            EXPECT_EQ(result.err.rfind(std::string("\"") + field.caption + "\" must be", 0), 0U)
                << shown << ": " << result.err;
            EXPECT_NE(result.err.find("(it is \"" + text + "\")"), std::string::npos)
                << shown << ": " << result.err;
            EXPECT_EQ(result.out, "") << shown;
        }
    }
    for (const char* range : {"nan:1", "-1:1e400", "0,5:1", "-1:inf", ":1"}) {
        const Result result = run({spirals, "--constant-range", range});
        EXPECT_EQ(result.code, exit_refused) << range;
        EXPECT_EQ(result.err.rfind("\"Range\" must be a number", 0), 0U) << range << result.err;
    }
}

// Inputs that never end or never break their line are refused at line 1,
// as training or validation data.
TEST(PanelInput, EndlessAndOneLineFilesAreRefusedAtTheFirstLine) {
    const fs::path one_line =
        fs::temp_directory_path() / ("vorn-one-line-" + std::to_string(::getpid()) + ".txt");
    {
        std::ofstream file(one_line, std::ios::binary);
        file << std::string(10'000'000, '1') << '\n';
    }
    const struct {
        std::vector<std::string> args;
        std::string refused;
    } cases[] = {
        {{"/dev/zero"}, "/dev/zero"},
        {{one_line.string()}, one_line.string()},
        {{spirals, "--validation", "/dev/zero"}, "/dev/zero"},
    };
    for (const auto& c : cases) {
        const Result result = run(c.args);
        EXPECT_EQ(result.code, exit_refused) << c.refused;
        EXPECT_EQ(result.err, c.refused + ", line 1: the line is longer than 255 characters.\n");
        EXPECT_EQ(result.out, "");
    }
    fs::remove(one_line);
}

// The grid holds a million rows; a tiny run over them works end to end.
TEST(PanelInput, AMillionRowFileRuns) {
    const fs::path path =
        fs::temp_directory_path() / ("vorn-million-" + std::to_string(::getpid()) + ".txt");
    {
        std::ofstream file(path, std::ios::binary);
        for (int i = 0; i < 1'000'000; ++i) {
            const int a = i % 2000 - 1000;
            const int b = (i * 7) % 2000 - 1000;
            file << a << "e-3 " << b << "e-3 " << b << "e-3 " << a << "e-3\n";
        }
    }
    const Result result = run({path.string(), "--population-size", "4", "--generations", "1",
                               "--num-constants", "10", "--seed", "3", "--quiet"});
    fs::remove(path);
    EXPECT_EQ(result.code, exit_done) << result.err;
    EXPECT_NE(result.out.find("seed 3"), std::string::npos) << result.out;
}

}  // namespace
}  // namespace vorn
