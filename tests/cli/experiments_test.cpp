// Run records and many runs: every run of --runs is the same seed's run
// alone, a fresh record reruns identically and a changed file does not, and
// records of one experiment summarize where mixed ones are refused.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/experiments.h"
#include "cli/run_cli.h"
#include "engine/run_record.h"
#include "tests/cli/cli_run.h"
#include "tests/temp_folder.h"

namespace vorn {
namespace {

using testing::lines_of;
using testing::TempFolder;

const std::string spirals = std::string(VORN_DATA_DIR) + "/two_spirals.txt";
const std::string circle = std::string(VORN_DATA_DIR) + "/circle.txt";

using Result = testing::CliResult;

Result run(const std::vector<std::string>& args) {
    return testing::run_runner(args);
}

std::vector<std::string> short_run(const std::string& training) {
    return {training, "--validation", circle, "--generations", "6", "--population-size", "120"};
}

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

TEST(Experiments, EveryRunOfManyIsTheSameSeedRunAlone) {
    const TempFolder folder;
    const std::string dir = (folder.path / "records").string();
    const Result many =
        run(with(short_run(spirals), {"--runs", "3", "--seed", "41", "--record-dir", dir}));
    ASSERT_EQ(many.code, exit_done) << many.err;
    const auto lines = lines_of(many.out);
    ASSERT_EQ(lines.size(), 1U + 3U + 3U);
    EXPECT_EQ(lines[0], summary_header());
    for (std::uint32_t seed = 41; seed < 44; ++seed) {
        const std::string alone = (folder.path / ("alone-" + std::to_string(seed))).string();
        const Result single = run(with(
            short_run(spirals), {"--seed", std::to_string(seed), "--record", alone, "--quiet"}));
        ASSERT_EQ(single.code, exit_done) << single.err;
        const RunRecord a = read_record_file(alone);
        const RunRecord b = read_record_file(dir + "/seed-" + std::to_string(seed) + ".json");
        EXPECT_EQ(rerun_difference(a, b), std::nullopt) << seed;
        EXPECT_EQ(b.threads, 1U);
        // The line --runs printed is the record's.
        EXPECT_EQ(lines[1 + seed - 41], summary_line(run_summary(b)));
        ASSERT_TRUE(a.last_program && b.last_program);
        EXPECT_EQ(program_json(*a.last_program)["gene"], program_json(*b.last_program)["gene"]);
    }
    // The summary of the records is what --runs printed.
    const Result summary =
        run({"--summarize", dir + "/seed-43.json", dir + "/seed-41.json", dir + "/seed-42.json"});
    ASSERT_EQ(summary.code, exit_done) << summary.err;
    EXPECT_EQ(summary.out, many.out);
}

TEST(Experiments, RerunPassesOnAFreshRecordAndFailsOnAChangedFile) {
    const TempFolder folder;
    std::ifstream source(spirals, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(source), {}};
    const std::string data = folder.write("data.txt", text);
    const std::string record = (folder.path / "run.json").string();
    ASSERT_EQ(run(with(short_run(data), {"--seed", "9", "--record", record, "--quiet"})).code,
              exit_done);

    const Result same = run({"--rerun", record});
    EXPECT_EQ(same.code, exit_done) << same.err;
    EXPECT_EQ(same.out, messages::rerun_matches(record, 6, 9).text + "\n");

    // Another copy of the same bytes elsewhere is the same data.
    const Result moved = run({"--rerun", record, "--training", spirals, "--threads", "1"});
    EXPECT_EQ(moved.code, exit_done) << moved.err;

    // One value changed: the hash tells before any generation is compared.
    std::string changed = text;
    changed[changed.find_first_of("123456789")] = '0';
    ASSERT_EQ(folder.write("data.txt", changed), data);
    const Result differs = run({"--rerun", record});
    EXPECT_EQ(differs.code, exit_refused);
    EXPECT_NE(differs.err.find("did not come out as recorded: different data: the training"),
              std::string::npos)
        << differs.err;

    // A record of a grid typed in by hand has no file to rerun from.
    RunRecord edited = read_record_file(record);
    edited.grid_edited = true;
    write_record_file(record, edited, {});
    const Result refused = run({"--rerun", record});
    EXPECT_EQ(refused.code, exit_refused);
    EXPECT_NE(refused.err.find("cannot be read as a run record"), std::string::npos);
}

TEST(Experiments, RecordsFromSeparateProcessesSummarizeAndMixedOnesAreRefused) {
    const TempFolder folder;
    std::vector<std::string> records;
    for (const char* seed : {"5", "6"}) {
        records.push_back((folder.path / (std::string(seed) + ".json")).string());
        const std::string command = std::string(VORN_RUN_PATH) + " " + spirals +
                                    " --generations 4 --quiet --seed " + seed + " --record " +
                                    records.back() + " >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    const Result summary = run({"--summarize", records[1], records[0]});
    ASSERT_EQ(summary.code, exit_done) << summary.err;
    EXPECT_EQ(lines_of(summary.out).size(), 1U + 2U + 3U);
    EXPECT_EQ(lines_of(summary.out)[1].substr(0, 10), "         5");

    const std::string other = (folder.path / "other.json").string();
    ASSERT_EQ(
        run({spirals, "--generations", "5", "--quiet", "--seed", "5", "--record", other}).code,
        exit_done);
    const Result mixed = run({"--summarize", records[0], other});
    EXPECT_EQ(mixed.code, exit_refused);
    EXPECT_EQ(mixed.err,
              messages::records_mixed(other, records[0], "parameter \"generations\"").text + "\n");
}

// Each seed counts once, a stopped run is marked and kept out of the spread,
// and a record with no generation neither summarizes nor reruns.
TEST(Experiments, SummaryCountsEachFinishedRunOnce) {
    const TempFolder folder;
    const auto record_of_seed = [&](const std::string& seed) {
        const std::string file = (folder.path / (seed + ".json")).string();
        EXPECT_EQ(run({spirals, "--generations", "4", "--population-size", "60", "--quiet",
                       "--seed", seed, "--record", file})
                      .code,
                  exit_done);
        return file;
    };
    const std::string five = record_of_seed("5");
    const std::string six = record_of_seed("6");
    const Result plain = run({"--summarize", five, six});
    ASSERT_EQ(plain.code, exit_done) << plain.err;
    EXPECT_EQ(plain.err, "");
    const std::vector<std::string> plain_lines = lines_of(plain.out);

    RunRecord stopped = read_record_file(six);
    stopped.plan.seed = 7;
    stopped.generations.resize(2);
    const std::string seven = (folder.path / "7.json").string();
    write_record_file(seven, stopped, {});
    std::filesystem::copy_file(five, folder.path / "copy.json");
    const Result mixed =
        run({"--summarize", five, seven, (folder.path / "copy.json").string(), six, five});
    ASSERT_EQ(mixed.code, exit_done) << mixed.err;
    const std::vector<std::string> lines = lines_of(mixed.out);
    ASSERT_EQ(lines.size(), 1U + 3U + 3U);
    EXPECT_EQ(lines[1], plain_lines[1]);
    EXPECT_EQ(lines[2], plain_lines[2]);
    EXPECT_TRUE(lines[3].ends_with("  stopped")) << lines[3];
    EXPECT_EQ(std::vector(lines.begin() + 4, lines.end()),
              std::vector(plain_lines.begin() + 3, plain_lines.end()));
    EXPECT_EQ(mixed.err,
              messages::records_repeated(2).text + "\n" + messages::records_stopped(1).text + "\n");

    RunRecord empty = read_record_file(six);
    empty.generations.clear();
    const std::string nothing = (folder.path / "empty.json").string();
    write_record_file(nothing, empty, {});
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--summarize", five, nothing},
          std::vector<std::string>{"--rerun", nothing}}) {
        const Result refused = run(args);
        EXPECT_EQ(refused.code, exit_refused);
        EXPECT_NE(refused.err.find("it holds no generation"), std::string::npos) << refused.err;
    }
}

// A rerun compares the recorded programs as well as the table.
TEST(Experiments, RerunComparesTheRecordedPrograms) {
    const TempFolder folder;
    const std::string file = (folder.path / "run.json").string();
    ASSERT_EQ(run(with(short_run(spirals), {"--seed", "9", "--record", file, "--quiet"})).code,
              exit_done);
    const RunRecord recorded = read_record_file(file);
    ASSERT_TRUE(recorded.last_program && recorded.best_validation);
    // The same value, another program: p + 0.
    const auto changed = [](Program& program) {
        program.nodes.insert(program.nodes.begin(), ProgramNode{OpCode::add, 0});
        program.nodes.push_back(ProgramNode{OpCode::constant, 0});
    };
    for (int which = 0; which < 2; ++which) {
        RunRecord other = recorded;
        changed(which == 0 ? *other.last_program : other.best_validation->program);
        write_record_file(file, other, {});
        const Result result = run({"--rerun", file});
        EXPECT_EQ(result.code, exit_refused);
        EXPECT_NE(result.err.find(which == 0 ? "the last generation's best program differs"
                                             : "the best program on validation differs"),
                  std::string::npos)
            << result.err;
    }
}

TEST(Experiments, AStopSignalLeavesNoRecordOfAnUnfinishedRun) {
    const TempFolder folder;
    const std::string dir = (folder.path / "records").string();
    volatile std::sig_atomic_t signal = SIGINT;
    std::ostringstream out;
    std::ostringstream err;
    const int code =
        run_cli(with(short_run(spirals), {"--runs", "3", "--seed", "1", "--record-dir", dir}), out,
                err, CliEnvironment{.stop_signal = &signal});
    EXPECT_EQ(code, exit_signal_base + SIGINT);
    EXPECT_EQ(err.str(), messages::runs_stopped("SIGINT", 0, 3).text + "\n");
    EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST(Experiments, UsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {spirals, "--runs", "2", "--csv", "t.csv"},
        {spirals, "--runs", "2", "--save-program", "p.json"},
        {spirals, "--runs", "2", "--record", "r.json"},
        {spirals, "--record-dir", "d"},
        {spirals, "--runs", "0"},
        {spirals, "--runs", "3", "--seed", "4294967294"},
        {"--rerun", "r.json", "--generations", "3"},
        {"--rerun", "r.json", spirals},
        {"--summarize"},
        {"--summarize", "a.json", "--seed", "3"},
        {spirals, "--training", circle},
    };
    for (const auto& args : cases) {
        const Result result = run(args);
        EXPECT_EQ(result.code, exit_usage) << args.back() << ": " << result.err;
    }
}

}  // namespace
}  // namespace vorn
