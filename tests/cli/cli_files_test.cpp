// The files a command names: every file it reads is an input no output may
// replace, two outputs never share a file, and an empty name is no file;
// each is refused before anything runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "tests/cli/cli_run.h"
#include "tests/temp_folder.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

const std::string clouds = std::string(VORN_DATA_DIR) + "/two_clouds.txt";
const std::vector<std::string> outputs = {"--csv", "--save-program", "--record",
                                          "--write-settings"};

std::vector<std::string> small_run(std::vector<std::string> extra) {
    std::vector<std::string> args = {
        clouds, "--population-size", "30", "--generations", "3", "--seed", "7"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

TEST(CliFiles, TheSettingsFileReadIsNoOutput) {
    testing::TempFolder folder;
    const std::string text = "format = vorn-settings 1\ngenerations = 3\n";
    const std::string settings = folder.write("run.vornsettings", text);
    for (const std::string& output : outputs) {
        SCOPED_TRACE(output);
        const auto result =
            testing::run_runner(small_run({"--settings", settings, output, settings}));
        EXPECT_EQ(result.code, exit_refused) << result.err;
        EXPECT_NE(result.err.find("the same file as the input"), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(testing::read_text(settings), text);
    }
    // Nor is a record of --runs, refused before the first run.
    const std::string in_dir = folder.write("seed-8.json", text);
    const auto runs = testing::run_runner(small_run(
        {"--settings", in_dir, "--runs", "3", "--record-dir", folder.path.string(), "--quiet"}));
    EXPECT_EQ(runs.code, exit_refused);
    EXPECT_EQ(runs.out, "");
    EXPECT_EQ(testing::read_text(in_dir), text);
}

// An output whose folder is missing, or no folder, fails before the run
// rather than after it, and leaves nothing behind.
TEST(CliFiles, AnOutputsFolderIsCheckedBeforeTheRun) {
    testing::TempFolder folder;
    const std::string plain = folder.write("plain.txt", "");
    const std::string csv = (folder.path / "rows.csv").string();
    for (const std::string output : {"--save-program", "--record", "--write-settings"}) {
        for (const std::string& target :
             {(folder.path / "none/x.json").string(), plain + "/x.json"}) {
            SCOPED_TRACE(output + " " + target);
            const auto result = testing::run_runner(small_run({output, target, "--csv", csv}));
            EXPECT_EQ(result.code, exit_refused);
            EXPECT_EQ(result.out, "");
            EXPECT_TRUE(result.err.starts_with(target + ": cannot be written (")) << result.err;
        }
    }
    EXPECT_EQ(folder.names(), std::vector<std::string>{"plain.txt"});
}

TEST(CliFiles, TwoOutputsOfOneFileAreRefusedBeforeTheRun) {
    testing::TempFolder folder;
    const std::string file = (folder.path / "out.json").string();
    fs::create_directories(folder.path / "sub");
    // A symbolic link in an output's place is replaced, not written through,
    // so only spellings of one path clash.
    const std::vector<std::string> spellings = {file, (folder.path / "sub/../out.json").string(),
                                                (folder.path / "sub/.//../out.json").string()};
    for (std::size_t a = 0; a < outputs.size(); ++a) {
        for (std::size_t b = a + 1; b < outputs.size(); ++b) {
            for (const std::string& other : spellings) {
                SCOPED_TRACE(outputs[a] + " " + outputs[b] + " " + other);
                const auto error =
                    testing::usage_error(small_run({outputs[a], file, outputs[b], other}));
                EXPECT_EQ(error, outputs[a] + " and " + outputs[b] + " name the same file");
            }
        }
    }
    EXPECT_FALSE(fs::exists(file));
}

TEST(CliFiles, AnEmptyFileNameIsRefusedAtOnce) {
    testing::TempFolder folder;
    const fs::path was = fs::current_path();
    fs::current_path(folder.path);
    for (const std::string option : {"--csv", "--save-program", "--record", "--write-settings",
                                     "--settings", "--validation", "--training", "--record-dir"}) {
        SCOPED_TRACE(option);
        const auto result = testing::run_runner(small_run({option, ""}));
        EXPECT_EQ(result.code, exit_usage);
        EXPECT_NE(result.err.find(option + std::string(" needs a ")), std::string::npos)
            << result.err;
    }
    for (const std::vector<std::string>& args : {std::vector<std::string>{""},
                                                 {"--score", "", clouds},
                                                 {"--predict", "p.json", ""},
                                                 {"--rerun", ""},
                                                 {"--summarize", ""},
                                                 {"--export", "c", ""},
                                                 {"--simplify", ""}}) {
        SCOPED_TRACE(args.size());
        EXPECT_EQ(testing::run_runner(args).code, exit_usage);
    }
    EXPECT_TRUE(folder.names().empty());
    fs::current_path(was);
}

}  // namespace
}  // namespace vorn
