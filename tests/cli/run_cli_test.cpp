#include "cli/run_cli.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/console_front_end.h"
#include "cli/fd_stream.h"
#include "cli/generation_table.h"
#include "engine/generation_csv.h"
#include "problem/messages.h"
#include "program/functable.h"
#include "tests/cli/cli_run.h"
#include "tests/problem/address_limit.h"
#include "tests/temp_folder.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

const std::string spirals = std::string(VORN_DATA_DIR) + "/two_spirals.txt";
const std::string clouds = std::string(VORN_DATA_DIR) + "/two_clouds.txt";

using testing::lines_of;
using testing::TempFolder;

using Result = testing::CliResult;

Result run(const std::vector<std::string>& args, bool err_is_terminal = false) {
    return testing::run_runner(args, CliEnvironment{.err_is_terminal = err_is_terminal});
}

// A run small enough for a unit test.
std::vector<std::string> small_run(const std::string& file, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {file, "--population-size", "40", "--generations",
                                     "4",  "--num-constants",   "50", "--seed",
                                     "7"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

TEST(RunCli, RefusalsAndTheirExitCodes) {
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{spirals, "--frobnicate"}, exit_usage, "unknown option --frobnicate"},
        {{spirals, "--selection", "best"}, exit_usage, "--selection must be"},
        {{spirals, "--functions", "+,sqrt"}, exit_usage, "unknown function \"sqrt\""},
        {{spirals, "--functions", ""}, exit_usage, "at least one"},
        {{}, exit_usage, "no training file given"},
        {{spirals, "--population-size", "many"}, exit_refused, "\"Population Size\""},
        {{spirals, "--population-size", "1"}, exit_refused, "\"Population Size\""},
        {{spirals, "--generations", "2.5"}, exit_refused, "\"Generation\""},
        {{spirals, "--selection", "tournament", "--tournament-size", "0"},
         exit_refused,
         "\"Tournament Size\""},
        {{spirals, "--elite", "150"}, exit_refused, "\"Elite Strategy\""},
        {{spirals, "--num-constants", "0"}, exit_refused, "\"Number of constant\""},
        {{spirals, "--constant-range", "one:2"}, exit_refused, "\"Range\""},
        {{spirals, "--constant-range", "1:1"},
         exit_refused,
         "Please set the range of constants proparly"},
        {{spirals, "--crossover", "0.70", "--mutation", "0.20", "--one-point-mutation", "0.20"},
         exit_refused,
         "The sum of operation rate must be 1.0"},
        {{spirals, "--function-ratio", "0.9", "--variable-ratio", "0.2"},
         exit_refused,
         "The sum of initial node ratio must be 1.0"},
        // A rate that is not a number leaves the label alone; the field is named.
        {{spirals, "--mutation", "0,2"}, exit_refused, "\"Mutation\""},
        {{spirals + ".missing"}, exit_refused, "two_spirals.txt.missing"},
        {{spirals, "--validation", clouds + ".missing"}, exit_refused, "two_clouds.txt.missing"},
    };
    for (const auto& c : cases) {
        const Result result = run(c.args);
        std::string shown;
        for (const auto& arg : c.args) {
            shown += arg + " ";
        }
        EXPECT_EQ(result.code, c.code) << shown;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << shown << "\n" << result.err;
        // A refused run prints nothing on stdout, so scripts see no half table.
        EXPECT_EQ(result.out, "") << shown;
    }
}

TEST(RunCli, PrintsTableFormulaAndSeed) {
    const Result result = run(small_run(clouds, {"--output", "class"}));
    ASSERT_EQ(result.code, exit_done) << result.err;
    EXPECT_EQ(result.err, "");  // not a terminal: no progress bar
    const auto lines = lines_of(result.out);
    ASSERT_EQ(lines.size(), 1U + 4U + 4U);
    EXPECT_EQ(lines[0], table_header());
    for (int g = 1; g <= 4; ++g) {
        // Fixed columns: every row as wide as the header, generation first.
        EXPECT_EQ(lines[g].size(), lines[0].size()) << lines[g];
        EXPECT_EQ(std::stoi(lines[g]), g);
    }
    EXPECT_TRUE(lines[5].starts_with("class=")) << lines[5];
    EXPECT_GT(lines[5].size(), 6U);
    EXPECT_EQ(lines[6], "seed 7");
    EXPECT_TRUE(lines[8].starts_with("best validation class=")) << lines[8];
}

std::vector<std::string> blank_separated(const std::string& line) {
    std::istringstream words(line);
    std::vector<std::string> fields;
    for (std::string word; words >> word;) {
        fields.push_back(word);
    }
    return fields;
}

// The two lines come after the seed line, so the output without them is the
// output as it always was; --quiet prints neither. The generation named is
// the first whose row shows the lowest validation count, with its figures.
TEST(RunCli, BestOnValidationFollowsTheSeedLine) {
    struct Case {
        std::vector<std::string> args;
        std::string output;
    };
    const std::vector<Case> cases = {
        {small_run(clouds), "z"},
        {small_run(spirals, {"--validation", clouds, "--generations", "9"}), "z"},
        {small_run(spirals, {"--output", "class", "--population-size", "60"}), "class"},
    };
    for (const auto& [args, output] : cases) {
        const Result shown = run(args);
        ASSERT_EQ(shown.code, exit_done) << shown.err;
        const auto lines = lines_of(shown.out);
        ASSERT_GE(lines.size(), 6U);
        const std::size_t rows = lines.size() - 5;
        EXPECT_TRUE(lines[rows + 1].starts_with(output + "=")) << lines[rows + 1];
        EXPECT_EQ(lines[rows + 2], "seed 7");
        EXPECT_TRUE(lines[rows + 4].starts_with("best validation " + output + "= "))
            << lines[rows + 4];

        std::size_t best = 1;
        for (std::size_t g = 2; g <= rows; ++g) {
            if (std::stod(blank_separated(lines[g])[2]) <
                std::stod(blank_separated(lines[best])[2])) {
                best = g;
            }
        }
        const auto row = blank_separated(lines[best]);
        EXPECT_EQ(lines[rows + 3], "best validation: generation " + row[0] + ", count " + row[2] +
                                       ", training " + row[1]);

        auto quiet_args = args;
        quiet_args.emplace_back("--quiet");
        const Result quiet = run(quiet_args);
        EXPECT_EQ(quiet.out, lines[rows + 1] + "\n" + lines[rows + 2] + "\n");
    }
}

TEST(RunCli, SameSeedSameOutputDifferentSeedDifferentRun) {
    const Result first = run(small_run(spirals));
    const Result second = run(small_run(spirals));
    ASSERT_EQ(first.code, exit_done) << first.err;
    EXPECT_EQ(first.out, second.out);
    auto other_args = small_run(spirals);
    other_args.back() = "8";
    EXPECT_NE(run(other_args).out, first.out);
}

TEST(RunCli, QuietPrintsOnlyTheResult) {
    // Rates of 1.5 and -0.5 leave a remainder of 0, which passes.
    const Result result =
        run(small_run(clouds, {"--quiet", "--crossover", "1.5", "--mutation", "-0.5"}), true);
    ASSERT_EQ(result.code, exit_done) << result.err;
    const auto lines = lines_of(result.out);
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_TRUE(lines[0].starts_with("z="));
    EXPECT_EQ(lines[1], "seed 7");
    EXPECT_EQ(result.err, "");  // no progress bar either
}

TEST(RunCli, ProgressBarGoesToStderrOnly) {
    const Result plain = run(small_run(clouds));
    const Result watched = run(small_run(clouds), true);
    ASSERT_EQ(watched.code, exit_done);
    EXPECT_EQ(watched.out, plain.out);
    EXPECT_NE(watched.err.find("generation 4 / 4 ["), std::string::npos) << watched.err;
    // The bar is wiped at the end, so a shell prompt starts on a clean line.
    EXPECT_TRUE(watched.err.ends_with("\r")) << watched.err;
}

TEST(RunCli, CsvHoldsTheSameGenerations) {
    TempFolder folder;
    const std::string csv_path = (folder.path / "run.csv").string();
    EXPECT_EQ(folder.write("run.csv", "old\n"), csv_path);
    const Result result = run(small_run(clouds, {"--csv", csv_path}));
    ASSERT_EQ(result.code, exit_done) << result.err;
    // A complete run renames its partial file to FILE.
    EXPECT_EQ(folder.names(), std::vector<std::string>{"run.csv"});
    std::ifstream csv(csv_path);
    std::stringstream content;
    content << csv.rdbuf();
    const auto rows = lines_of(content.str());
    const auto table = lines_of(result.out);
    ASSERT_EQ(rows.size(), 5U);
    EXPECT_EQ(rows[0], "generation,training_fitness,validation_fitness,mean_length,best_length");
    // The table's numbers, the training fitness in full.
    EXPECT_TRUE(rows[4].starts_with("4,")) << rows[4];
    std::istringstream last_line(table[4]);
    std::string generation, training, validation, mean, best;
    last_line >> generation >> training >> validation >> mean >> best;
    const auto fields = rows[4].substr(2);
    const auto comma = fields.find(',');
    EXPECT_NEAR(std::stod(fields.substr(0, comma)), std::stod(training), 5e-7);
    EXPECT_TRUE(fields.substr(comma).ends_with("," + validation + "," + mean + "," + best))
        << rows[4] << " / " << table[4];
}

TEST(RunCli, CsvIsNotTouchedWhenTheRunIsRefused) {
    TempFolder folder;
    const std::string csv_path = folder.write("keep.csv", "old\n");
    const Result result = run(small_run(clouds, {"--csv", csv_path, "--max-length", "2"}));
    EXPECT_EQ(result.code, exit_refused);
    std::ifstream csv(csv_path);
    std::string first;
    std::getline(csv, first);
    EXPECT_EQ(first, "old");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"keep.csv"});

    EXPECT_EQ(run(small_run(clouds, {"--csv", (folder.path / "no/such/dir.csv").string()})).code,
              exit_refused);
}

std::string read_file(const std::string& path) {
    std::stringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}

TEST(RunCli, CsvNamingAnInputIsRefusedByFileIdentity) {
    TempFolder folder;
    const std::string train = folder.write("train.txt", read_file(clouds));
    const std::string valid = folder.write("valid.txt", read_file(clouds));
    fs::create_symlink(train, folder.path / "link.txt");
    fs::create_hard_link(valid, folder.path / "hard.txt");
    fs::create_directories(folder.path / "sub");
    const std::vector<std::pair<std::string, std::string>> refused = {
        {train, train},
        {valid, valid},
        {(folder.path / "link.txt").string(), train},
        {(folder.path / "hard.txt").string(), valid},
        {(folder.path / "sub/../train.txt").string(), train},
    };
    const auto names = folder.names();
    for (const auto& [csv, input] : refused) {
        SCOPED_TRACE(csv);
        const Result result = run(small_run(train, {"--validation", valid, "--csv", csv}));
        EXPECT_EQ(result.code, exit_refused);
        EXPECT_EQ(result.err,
                  csv + ": cannot be written, it is the same file as the input " + input + ".\n");
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(folder.names(), names);
        EXPECT_EQ(read_file(train), read_file(clouds));
        EXPECT_EQ(read_file(valid), read_file(clouds));
    }
    // The rows go to a file of a new name, never into an input named like it.
    const std::string partial_input = folder.write("data.partial", read_file(clouds));
    const Result result = run(small_run(partial_input, {"--csv", (folder.path / "data").string()}));
    EXPECT_EQ(result.code, exit_done) << result.err;
    EXPECT_EQ(read_file(partial_input), read_file(clouds));
}

// stdout on a file descriptor, as main() sets it up.
struct FdResult {
    int code;
    std::string err;
};

FdResult run_to_fd(const std::vector<std::string>& args, int fd) {
    FdOutputStream out(fd);
    std::ostringstream err;
    const int code = run_cli(args, out, err);
    return {code, err.str()};
}

TEST(RunCli, FailedWritesToStdoutAreReported) {
    const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    for (const auto& args :
         {small_run(clouds), small_run(clouds, {"--quiet"}), std::vector<std::string>{"--help"}}) {
        const FdResult result = run_to_fd(args, full);
        EXPECT_EQ(result.code, exit_refused) << args.back();
        EXPECT_EQ(result.err, "standard output: cannot be written (No space left on device).\n");
    }
    close(full);

    // A reader that went away: 141 and not a word (the runner ignores SIGPIPE).
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction saved {};
    sigaction(SIGPIPE, &ignore, &saved);
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    close(pipe_fds[0]);
    const FdResult closed = run_to_fd(small_run(clouds), pipe_fds[1]);
    close(pipe_fds[1]);
    sigaction(SIGPIPE, &saved, nullptr);
    EXPECT_EQ(closed.code, exit_broken_pipe);
    EXPECT_EQ(closed.err, "");
}

TEST(RunCli, FailedCsvWriteEndsTheRunWithStatus1) {
    const Result result = run(small_run(clouds, {"--csv", "/dev/full", "--generations", "1000"}));
    EXPECT_EQ(result.code, exit_refused);
    EXPECT_EQ(result.err, "/dev/full: cannot be written (No space left on device).\n");
    // The run ended at once rather than after its thousand generations.
    EXPECT_LT(lines_of(result.out).size(), 10U) << result.out;
}

TEST(RunCli, StopSignalEndsTheRunLeavingThePartialCsv) {
    TempFolder folder;
    const std::string csv_path = folder.write("run.csv", "old\n");
    std::ostringstream out;
    std::ostringstream err;
    volatile std::sig_atomic_t signal = SIGTERM;  // as if it came during the load
    const int code = run_cli(small_run(clouds, {"--csv", csv_path, "--generations", "1000"}), out,
                             err, CliEnvironment{.stop_signal = &signal});
    EXPECT_EQ(code, 143);
    const auto lines = lines_of(out.str());
    ASSERT_FALSE(lines.empty());
    ASSERT_GE(lines.size(), 3U);
    EXPECT_LT(lines.size(), 12U);
    EXPECT_EQ(lines[lines.size() - 3], "seed 7");
    EXPECT_TRUE(err.str().starts_with("The run was stopped by SIGTERM after ")) << err.str();
    const std::string named = "; its rows are in " + csv_path + ".partial-";
    const auto at = err.str().find(named);
    ASSERT_NE(at, std::string::npos) << err.str();
    EXPECT_TRUE(err.str().ends_with(".\n")) << err.str();
    const std::string rows_file = err.str().substr(at + 18, err.str().size() - at - 18 - 2);
    EXPECT_EQ(read_file(csv_path), "old\n");
    EXPECT_TRUE(read_file(rows_file).starts_with("generation,"));
}

TEST(RunCli, EchoedTextsShowControlCharactersEscaped) {
    TempFolder folder;
    const std::string evil = "a\x1B[2Jb\nc\\d\xFF";
    const std::string shown = "a\\x1B[2Jb\\x0Ac\\\\d\\xFF";
    const std::vector<std::vector<std::string>> cases = {
        {evil},
        {clouds, "--validation", evil},
        {clouds, "--selection", evil},
        {clouds, "--seed", evil},
        {clouds, "--population-size", evil},
        {clouds, "--functions", "+," + evil},
        {clouds, "--" + evil},
        {clouds, evil},
    };
    for (const auto& args : cases) {
        const Result result = run(args);
        SCOPED_TRACE(result.err);
        EXPECT_NE(result.code, exit_done);
        EXPECT_NE(result.err.find(shown), std::string::npos);
        // One message line (usage errors add the hint line), no raw control bytes.
        for (const char c : result.err) {
            EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int(c);
        }
    }
}

TEST(RunCli, DataReachesTheRunThroughSixDigitCellTexts) {
    TempFolder folder;
    CliOptions options;
    options.training_file = folder.write("train.txt", "0.123456789\t-3.14159265\t1234567\t2e-7\n");
    options.validation_file = folder.write("valid.txt", "1 2 3 4\n5 6 7 8\n");
    options.texts[ParamId::population_size] = "50";
    options.texts[ParamId::use_training_data] = "false";
    const CliData data = load_data(options);
    ASSERT_EQ(data.training.row_count(), 1U);
    EXPECT_EQ(data.training.row_texts(0), (CellRow{"0.123457", "-3.14159", "1.23457E6", "2E-7"}));

    const RunRequest request = run_request(options, data);
    EXPECT_TRUE(request.validation_loaded);
    const auto function_table = build_function_table();
    const PrepareResult prepared = prepare_run(request, function_table);
    ASSERT_TRUE(prepared.run);
    const Tproblem_setting& setting = *prepared.run->setting;
    EXPECT_EQ(setting.train_x1[0], 0.123457);
    EXPECT_EQ(setting.train_y1[0], -3.14159);
    EXPECT_EQ(setting.train_x2[0], 1.23457e6);
    EXPECT_EQ(setting.train_y2[0], 2e-7);
    EXPECT_EQ(setting.num_validation_rows, 2);
    EXPECT_EQ(setting.valid_y2[1], 8.0);
}

TEST(RunCli, RequestCarriesTheWindowsRemainderLabels) {
    CliOptions options;
    options.texts[ParamId::crossover_rate] = "0.666";
    options.texts[ParamId::variable_ratio] = "0.25";
    options.threads = 3;
    const CliData data;
    const RunRequest request = run_request(options, data);
    EXPECT_EQ(request.plan.texts[ParamId::reproduction_rate], "0.1300");
    EXPECT_EQ(request.plan.texts[ParamId::constant_ratio], "0.2500");
    EXPECT_TRUE(request.plan.texts.flag(ParamId::use_training_data));
    EXPECT_TRUE(request.training_loaded);
    EXPECT_FALSE(request.validation_loaded);
    EXPECT_TRUE(request.check_constant_range);
    EXPECT_EQ(request.threads, 3u);  // the memory check counts their copies
}

TEST(GenerationTable, RowsLineUpAndIgnoreTheLocale) {
    GenerationReport report;
    report.generation = 49;
    report.best_raw_fitness = 0.1237113402061856;
    report.validation_fitness = 24;
    report.mean_length = 37;
    report.best_length = 101;
    // A comma-decimal locale must not leak into the output.
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    const std::string row = table_row(report);
    const std::string csv = csv_row(generation_row(report));
    std::setlocale(LC_ALL, saved.c_str());

    EXPECT_EQ(table_header(),
              "generation  training fitness  validation fitness  mean length  best length");
    EXPECT_EQ(row, "        50          0.123711                  24           37          101");
    EXPECT_EQ(csv, "50,0.123711340206186,24,37,101");
}

TEST(ConsoleFrontEnd, ProgressLine) {
    EXPECT_EQ(progress_line(0, 50, 0.04),
              "generation 1 / 50 [------------------------------] 0.0 s");
    EXPECT_EQ(progress_line(25, 50, 12.35),
              "generation 26 / 50 [###############---------------] 12.3 s");
    EXPECT_EQ(progress_line(0, 1, 1), "generation 1 / 1 [------------------------------] 1.0 s");
}

// Under an address-space limit a population that cannot fit is refused with
// the field's message, and data that cannot be held ends with the one
// out-of-memory text; the runner is never killed.
TEST(RunCli, MemoryLimitsEndWithAMessage) {
    if (!testing::address_limit_possible) {
        GTEST_SKIP() << "no address-space limit under AddressSanitizer";
    }
    const TempFolder folder;
    std::string rows;
    for (int i = 0; i < 1'000'000; ++i) {
        rows += "0.1 0.2 0.3 0.4\n";
    }
    const std::string big = folder.write("big.txt", rows);
    struct Case {
        std::vector<std::string> args;
        std::string err_start;
    };
    const Case cases[] = {
        {{spirals, "--population-size", "1000000"}, "The population needs about"},
        {{big}, messages::memory_run().text + "\n"},
    };
    for (const Case& c : cases) {
        const auto result = testing::run_with_address_limit(8.0 * 1024 * 1024, [&] {
            const Result r = run(c.args);
            return std::to_string(r.code) + " " + r.err;
        });
        ASSERT_TRUE(result.exited) << c.args[0] << ": signal " << result.status;
        EXPECT_TRUE(result.text.starts_with("1 " + c.err_start)) << result.text;
        if (c.err_start.ends_with('\n')) {
            EXPECT_EQ(result.text, "1 " + c.err_start);
        }
    }
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

// A run's effective settings written with --write-settings give the same run
// from --settings alone; options override the file wherever they stand, and
// a positional file overrides its training path.
TEST(RunCli, SettingsFilesGiveTheSameRunAndOptionsOverrideThem) {
    const TempFolder folder;
    const std::string written = (folder.path / "run.vornsettings").string();
    const Result first =
        run(small_run(spirals, {"--mutation", "0.1", "--write-settings", written}));
    ASSERT_EQ(first.code, 0) << first.err;
    EXPECT_EQ(run({"--settings", written}).out, first.out);
    const Result shorter = run(small_run(spirals, {"--mutation", "0.1", "--generations", "2"}));
    EXPECT_EQ(run({"--generations", "2", "--settings", written}).out, shorter.out);
    EXPECT_EQ(run({"--settings", written, "--generations", "2"}).out, shorter.out);
    EXPECT_EQ(run({clouds, "--settings", written}).out,
              run(small_run(clouds, {"--mutation", "0.1"})).out);

    // A break point cannot pause a console run: the run goes on, the same.
    const std::string breaks = folder.write(
        "breaks.vornsettings", "format = vorn-settings 1\nbreak_point = true\nbreak_every = 1\n");
    const Result broken = run(small_run(spirals, {"--mutation", "0.1", "--settings", breaks}));
    EXPECT_EQ(broken.code, 0) << broken.err;
    EXPECT_EQ(broken.out, first.out);
    EXPECT_NE(broken.err.find("does not stop at break points"), std::string::npos) << broken.err;

    const std::string bad = folder.write("bad.vornsettings", "format = vorn-settings 1\nx = 1\n");
    const struct {
        std::vector<std::string> args;
        int code;
        std::string err;
    } refusals[] = {
        {{"--settings", bad}, 1, bad + ", line 2: unknown key \"x\"\n"},
        {{"--settings", written, "--settings", written}, 2, "--settings may be given once"},
        {{"--settings", written, "--write-settings", written}, 1, "same file as the input"},
        {{"--score", written, "--settings", written, spirals}, 2, "cannot be combined"},
    };
    for (const auto& refusal : refusals) {
        const Result result = run(refusal.args);
        EXPECT_EQ(result.code, refusal.code) << result.err;
        EXPECT_NE(result.err.find(refusal.err), std::string::npos) << result.err;
    }
}

}  // namespace
}  // namespace vorn
