// The runner's program files and modes: a saved program scores as its run
// measured it, predicts what the core computes, and streams.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/point_stream.h"
#include "cli/run_cli.h"
#include "engine/program_io.h"
#include "engine/program_score.h"
#include "problem/data_file.h"
#include "problem/number_text.h"
#include "program/interpreter.h"
#include "program/program_export.h"
#include "tests/program/sample_genes.h"
#include "tests/temp_folder.h"

extern char** environ;

namespace vorn {
namespace {

using testing::lines_of;
using testing::TempFolder;

const std::string spirals = std::string(VORN_DATA_DIR) + "/two_spirals.txt";
const std::string clouds = std::string(VORN_DATA_DIR) + "/two_clouds.txt";

struct Result {
    int code;
    std::string out;
    std::string err;
};

Result run(const std::vector<std::string>& args, int input_fd = 0) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = run_cli(args, out, err, CliEnvironment{.input_fd = input_fd});
    return {code, out.str(), err.str()};
}

std::vector<std::string> fields_of(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream stream(line);
    for (std::string field; stream >> field;) {
        fields.push_back(field);
    }
    return fields;
}

// The value after "name=" in a score line.
std::string score_field(const std::string& line, const std::string& name) {
    for (const std::string& field : fields_of(line)) {
        if (field.starts_with(name + "=")) {
            return field.substr(name.size() + 1);
        }
    }
    return "";
}

std::string save(const TempFolder& folder, const std::string& name,
                 std::vector<ProgramNode> nodes) {
    Program program;
    program.nodes = std::move(nodes);
    const auto path = folder.path / name;
    save_program_file(path, program, {});
    return path.string();
}

std::string shortest(double value) {
    std::array<char, 32> text{};
    return std::string(text.data(), std::to_chars(text.data(), text.data() + 32, value).ptr);
}

TEST(ProgramModes, SavedProgramScoresAsItsRunMeasuredIt) {
    const TempFolder folder;
    const std::string saved = (folder.path / "best.json").string();
    const std::string csv = (folder.path / "run.csv").string();
    const std::vector<std::string> args = {spirals, "--validation",  clouds, "--population-size",
                                           "60",    "--generations", "6",    "--num-constants",
                                           "50",    "--seed",        "9",    "--csv",
                                           csv};
    std::vector<std::string> saving = args;
    saving.insert(saving.end(), {"--save-program", saved});
    const Result plain = run(args);
    const Result with_file = run(saving);
    ASSERT_EQ(with_file.code, exit_done) << with_file.err;
    EXPECT_EQ(with_file.out, plain.out);  // the file changes nothing on stdout

    const Program program = load_program_file(saved);
    const auto rows = lines_of(with_file.out);
    const std::string& last_row = rows[rows.size() - 3];  // before "z=" and "seed"
    std::stringstream csv_text;
    csv_text << std::ifstream(csv).rdbuf();
    const auto csv_rows = lines_of(csv_text.str());
    const auto last_csv = csv_rows.back();
    // generation,training_fitness,validation_fitness,...
    const std::string csv_fitness = last_csv.substr(last_csv.find(',') + 1);
    EXPECT_TRUE(csv_fitness.starts_with(general_text(program.training_fitness) + ","));
    ASSERT_TRUE(program.validation_count);
    EXPECT_EQ(fields_of(last_row)[2], general_text(*program.validation_count));

    const Result scored = run({"--score", saved, spirals, clouds});
    ASSERT_EQ(scored.code, exit_done) << scored.err;
    const auto lines = lines_of(scored.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].starts_with(spirals + " rows=97 "));
    EXPECT_EQ(score_field(lines[0], "fraction"), general_text(program.training_fitness));
    EXPECT_EQ(score_field(lines[1], "misclassified"), general_text(*program.validation_count));
    // Bit for bit, not only to 15 digits.
    const ProgramCode code = program_code(program);
    const auto data = read_data_file(spirals);
    std::vector<double> columns[4];
    for (const DataRow& row : data) {
        for (int c = 0; c < 4; ++c) {
            columns[c].push_back(*cell_value(row[c]));
        }
    }
    const double fraction =
        score_program(code, {columns[0], columns[1], columns[2], columns[3]}).fraction();
    EXPECT_EQ(std::bit_cast<std::uint64_t>(fraction),
              std::bit_cast<std::uint64_t>(program.training_fitness));

    const nlohmann::json& origin = program.provenance;
    EXPECT_EQ(origin["seed"], 9);
    EXPECT_EQ(origin["parameters"]["population_size"], "60");
    EXPECT_EQ(origin["parameters"]["use_training_data"], "false");
    EXPECT_EQ(origin["data"][0]["sha256"], sha256_of_file(spirals));
    EXPECT_EQ(origin["data"][1]["role"], "validation");
    EXPECT_EQ(origin["data"][1]["sha256"], sha256_of_file(clouds));
}

TEST(ProgramModes, RefusalsAndTheirExitCodes) {
    const TempFolder folder;
    const std::string program = save(folder, "p.json", {{OpCode::input1}});
    const std::string missing = (folder.path / "missing.txt").string();
    const std::string points = folder.write("points.txt", "1 2\n3 4\n5 x\n7 8\n");
    struct Case {
        std::vector<std::string> args;
        int code;
        std::size_t out_lines;
        std::string message;
    };
    const std::vector<Case> cases = {
        // The other files are still scored.
        {{"--score", program, spirals, missing, clouds}, exit_refused, 2, "missing.txt"},
        {{"--score", missing, spirals}, exit_refused, 0, "cannot be read as a program"},
        {{"--predict", program, missing}, exit_refused, 0, "missing.txt: cannot be opened"},
        // The lines before a bad one are answered.
        {{"--predict", program, points}, exit_refused, 2, "points.txt, line 3: \"x\" is not"},
        {{"--predict", spirals, points}, exit_refused, 0, "cannot be read as a program"},
        {{"--export", "c", folder.path.string()}, exit_refused, 0, "Is a directory"},
        {{"--export", "c", program, "--seed", "1"}, exit_usage, 0, "cannot be combined"},
        {{spirals, "--save-program", spirals}, exit_refused, 0, "same file as the input"},
    };
    for (const Case& c : cases) {
        const Result result = run(c.args);
        EXPECT_EQ(result.code, c.code) << c.args.back();
        EXPECT_EQ(lines_of(result.out).size(), c.out_lines) << c.args.back() << "\n" << result.out;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
}

// Every line of a --predict output against the interpreter on the program's code.
void expect_predictions(const std::string& output, const ProgramCode& code,
                        const std::vector<std::pair<double, double>>& points) {
    const auto lines = lines_of(output);
    ASSERT_EQ(lines.size(), points.size());
    Interpreter interpreter(code.view());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto [x, y] = points[i];
        const auto f = fields_of(lines[i]);
        ASSERT_EQ(f.size(), 4u) << lines[i];
        EXPECT_EQ(std::bit_cast<std::uint64_t>(*parse_real(f[0])), std::bit_cast<std::uint64_t>(x));
        EXPECT_EQ(std::bit_cast<std::uint64_t>(*parse_real(f[1])), std::bit_cast<std::uint64_t>(y));
        const double value = evaluate_at(interpreter, code.gene, x, y);
        if (std::isnan(value)) {
            EXPECT_EQ(f[2], "nan");
        } else if (std::isinf(value)) {
            EXPECT_EQ(f[2], value > 0 ? "inf" : "-inf");
        } else {
            ASSERT_TRUE(parse_real(f[2])) << lines[i];
            EXPECT_EQ(std::bit_cast<std::uint64_t>(*parse_real(f[2])),
                      std::bit_cast<std::uint64_t>(value))
                << lines[i];
        }
        EXPECT_EQ(f[3], value > 0 ? "+1" : (value == 0 ? "0" : "-1")) << lines[i];
    }
}

TEST(ProgramModes, PredictGivesTheInterpretersBitsAtTrickyPoints) {
    const TempFolder folder;
    const double max = std::numeric_limits<double>::max();
    const double tiny = std::numeric_limits<double>::denorm_min();
    std::vector<std::pair<double, double>> points = {{0, 0},
                                                     {-0.0, 5},
                                                     {1, 0},
                                                     {1e-300, 1e300},
                                                     {1e300, 1e-300},
                                                     {-1e300, 1e-300},
                                                     {tiny, 1},
                                                     {max, -max},
                                                     {0.1, 0.2},
                                                     {-2.5, 3.75},
                                                     {123456789.123456789, -1e-7},
                                                     {3, 3}};
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> spread(-6, 6);
    for (int i = 0; i < 40; ++i) {
        points.emplace_back(spread(rng), spread(rng));
    }
    std::string text = "\n  ";
    for (const auto& [x, y] : points) {
        text += shortest(x) + " \t" + shortest(y) + "\r\n\n";
    }
    const std::string points_file = folder.write("points.txt", text);

    using O = OpCode;
    std::vector<std::vector<ProgramNode>> programs = {
        {{O::divide}, {O::input1}, {O::input2}},
        // x * 1e308 - x * 1e308: NaN where the products overflow
        {{O::subtract},
         {O::multiply},
         {O::input1},
         {O::constant, 1e308},
         {O::multiply},
         {O::input1},
         {O::constant, 1e308}},
        {{O::iflte}, {O::input1}, {O::input2}, {O::tan}, {O::input1}, {O::ln}, {O::input2}},
    };
    // And random programs over all ten functions.
    testing::Checks all{};
    all.fill(true);
    const Tproblem_setting setting = testing::setting_for(all, "23");
    for (int i = 0; i < 12; ++i) {
        programs.push_back(
            program_of_gene(setting.node_table_view(), testing::grow_gene(rng, setting, 50)).nodes);
    }
    for (std::size_t p = 0; p < programs.size(); ++p) {
        const std::string file = save(folder, "p.json", programs[p]);
        const Result result = run({"--predict", file, points_file});
        ASSERT_EQ(result.code, exit_done) << result.err;
        SCOPED_TRACE("program " + std::to_string(p));
        expect_predictions(result.out, program_code(load_program_file(file)), points);
    }
}

TEST(ProgramModes, PredictReadsStandardInputToItsEnd) {
    const TempFolder folder;
    const std::string file = save(folder, "p.json", {{OpCode::input2}});
    // More than one block of points and one read of the pipe, no last line break.
    std::vector<std::pair<double, double>> points;
    std::string text;
    for (int i = 0; i < 9000; ++i) {
        points.emplace_back(i, i * 0.5 - 2000);
        text += shortest(i) + " " + shortest(i * 0.5 - 2000) + (i + 1 < 9000 ? "\n" : "");
    }
    const std::string path = folder.write("points.txt", text);
    const int fd = ::open(path.c_str(), O_RDONLY);
    const Result result = run({"--predict", file, "-"}, fd);
    ::close(fd);
    ASSERT_EQ(result.code, exit_done) << result.err;
    expect_predictions(result.out, program_code(load_program_file(file)), points);
}

// The real runner on a pipe: each line is answered before the next is sent.
TEST(ProgramModes, PredictAnswersEachLineAsItArrives) {
    const TempFolder folder;
    const std::string file = save(folder, "p.json", {{OpCode::input1}});
    std::array<int, 2> to_child{};
    std::array<int, 2> from_child{};
    ASSERT_EQ(::pipe2(to_child.data(), O_CLOEXEC), 0);
    ASSERT_EQ(::pipe2(from_child.data(), O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, to_child[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, from_child[1], STDOUT_FILENO);
    std::vector<std::string> args = {VORN_RUN_PATH, "--predict", file, "-"};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(to_child[0]);
    ::close(from_child[1]);
    for (const std::string line : {"1.5 2\n", "-3 4\n"}) {
        ASSERT_EQ(::write(to_child[1], line.data(), line.size()),
                  static_cast<ssize_t>(line.size()));
        std::string answer;
        while (!answer.ends_with('\n')) {
            // Generous: only there so a runner that waits for the end fails
            // here instead of hanging the suite.
            pollfd ready{from_child[0], POLLIN, 0};
            ASSERT_EQ(::poll(&ready, 1, 30'000), 1) << "no answer to " << line;
            std::array<char, 256> buffer{};
            const ssize_t got = ::read(from_child[0], buffer.data(), buffer.size());
            ASSERT_GT(got, 0);
            answer.append(buffer.data(), static_cast<std::size_t>(got));
        }
        EXPECT_EQ(answer, line.substr(0, line.size() - 1) + " " + fields_of(line)[0] +
                              (line[0] == '-' ? " -1\n" : " +1\n"));
    }
    ::close(to_child[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(from_child[0]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(ProgramModes, PredictEndsQuietlyWhenItsReaderGoesAway) {
    const TempFolder folder;
    const std::string file = save(folder, "p.json", {{OpCode::input1}});
    std::string text;
    for (int i = 0; i < 200'000; ++i) {
        text += "1 2\n";
    }
    const std::string points = folder.write("points.txt", text);
    const std::string command = "bash -c \"trap '' PIPE; '" + std::string(VORN_RUN_PATH) +
                                "' --predict '" + file + "' '" + points +
                                "' | head -n 1 >/dev/null; exit \\${PIPESTATUS[0]}\"";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), exit_broken_pipe);
}

TEST(ProgramModes, ExportPrintsTheCoresText) {
    const TempFolder folder;
    const std::string file =
        save(folder, "p.json", {{OpCode::add}, {OpCode::input1}, {OpCode::constant, 0.1}});
    const Program program = load_program_file(file);
    for (const auto& [name, language] :
         {std::pair{"c", ExportLanguage::c}, std::pair{"python", ExportLanguage::python},
          std::pair{"formula", ExportLanguage::formula}}) {
        const Result result = run({"--export", name, file});
        EXPECT_EQ(result.code, exit_done) << result.err;
        EXPECT_EQ(result.out, export_program(program, language)) << name;
        EXPECT_NE(result.out.find("0.1"), std::string::npos) << name;
    }
}

}  // namespace
}  // namespace vorn
