// The runner's program files and modes: a saved program scores as its run
// measured it, predicts what the core computes, and streams.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <csignal>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/run_cli.h"
#include "engine/program_io.h"
#include "problem/number_text.h"
#include "program/interpreter.h"
#include "program/program_export.h"
#include "tests/cli/cli_run.h"
#include "tests/program/sample_genes.h"
#include "tests/temp_folder.h"

extern char** environ;

namespace vorn {
namespace {

using testing::lines_of;
using testing::TempFolder;

const std::string spirals = std::string(VORN_DATA_DIR) + "/two_spirals.txt";
const std::string clouds = std::string(VORN_DATA_DIR) + "/two_clouds.txt";

using Result = testing::CliResult;

Result run(const std::vector<std::string>& args, int input_fd = 0) {
    return testing::run_runner(args, CliEnvironment{.input_fd = input_fd});
}

std::vector<std::string> fields_of(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream stream(line);
    for (std::string field; stream >> field;) {
        fields.push_back(field);
    }
    return fields;
}

// A program file as a person might write one, with the gene's JSON text.
std::string program_file(const TempFolder& folder, const std::string& gene,
                         const std::string& name = "p.json") {
    return folder.write(name, R"({"format": "vorn-program", "version": 1, "semantics": 1,
        "inputs": ["x", "y"], "output": "z", "training_fitness": 0, "validation_count": null,
        "provenance": {}, "gene": )" +
                                  gene + "}");
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
    const std::string& last_row = rows[rows.size() - 5];  // before "z=", "seed" and two more
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
    // ... misclassified=M fraction=F
    EXPECT_EQ(fields_of(lines[0])[8], "fraction=" + general_text(program.training_fitness));
    EXPECT_EQ(fields_of(lines[1])[7], "misclassified=" + general_text(*program.validation_count));
    const nlohmann::json& origin = program.provenance;
    EXPECT_EQ(origin["seed"], 9);
    EXPECT_EQ(origin["parameters"]["population_size"], "60");
    EXPECT_EQ(origin["parameters"]["use_training_data"], "false");
    EXPECT_EQ(origin["data"][0]["sha256"], sha256_of_file(spirals));
    EXPECT_EQ(origin["data"][1]["role"], "validation");
    EXPECT_EQ(origin["data"][1]["sha256"], sha256_of_file(clouds));
}

// The program saved as best on validation is the one the run printed:
// scored on the validation data it misclassifies the printed count.
TEST(ProgramModes, SavedBestOnValidationHasThePrintedCount) {
    const TempFolder folder;
    const std::string saved = (folder.path / "best.json").string();
    const Result result = run({spirals, "--validation", clouds, "--population-size", "60",
                               "--generations", "8", "--num-constants", "50", "--seed", "5",
                               "--save-program", saved, "--save-which", "best-validation"});
    ASSERT_EQ(result.code, exit_done) << result.err;
    const auto lines = lines_of(result.out);
    // best validation: generation G, count C, training F
    const auto figures = fields_of(lines[lines.size() - 2]);
    ASSERT_EQ(figures.size(), 8U);
    const std::string count = figures[5].substr(0, figures[5].size() - 1);

    const Program program = load_program_file(saved);
    ASSERT_TRUE(program.validation_count);
    EXPECT_EQ(general_text(*program.validation_count), count);
    std::array<char, 32> training{};
    const auto end = std::to_chars(training.data(), training.data() + training.size(),
                                   program.training_fitness, std::chars_format::fixed, 6)
                         .ptr;
    EXPECT_EQ(std::string(training.data(), end), figures[7]);
    const Result scored = run({"--score", saved, clouds});
    ASSERT_EQ(scored.code, exit_done) << scored.err;
    EXPECT_EQ(fields_of(scored.out)[7], "misclassified=" + count);
}

TEST(ProgramModes, RefusalsAndTheirExitCodes) {
    const TempFolder folder;
    const std::string program = program_file(folder, R"(["input1"])");
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
    const double xs[] = {0, -0.0, 1, 1e-300, 1e300, -1e300, tiny, max, 0.1, -2.5, 123456789.123, 3};
    const double ys[] = {0, 5, 0, 1e300, 1e-300, 1e-300, 1, -max, 0.2, 3.75, -1e-7, 3};
    std::vector<std::pair<double, double>> points;
    for (std::size_t i = 0; i < std::size(xs); ++i) {
        points.emplace_back(xs[i], ys[i]);
    }
    // More than a block of points, and more than one read of the input.
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> spread(-6, 6);
    for (int i = 0; i < 5000; ++i) {
        points.emplace_back(spread(rng), spread(rng));
    }
    std::string text = "\n  ";
    for (const auto& [x, y] : points) {
        text += shortest(x) + " \t" + shortest(y) + "\r\n\n";
    }
    text.resize(text.size() - 3);  // no line break after the last point
    const std::string points_file = folder.write("points.txt", text);

    std::vector<std::string> files = {
        program_file(folder, R"(["/", "input1", "input2"])", "a.json"),
        // NaN where the products overflow
        program_file(folder, R"(["-", "*", "input1", 1e308, "*", "input1", 1e308])", "b.json"),
        program_file(folder, R"(["IFLTE", "input1", "input2", "tan", "input1", "ln", "input2"])",
                     "c.json")};
    // And random programs over all ten functions.
    testing::Checks all{};
    all.fill(true);
    const Tproblem_setting setting = testing::setting_for(all, "23");
    for (int i = 0; i < 9; ++i) {
        files.push_back((folder.path / ("r" + std::to_string(i) + ".json")).string());
        const auto gene = testing::grow_gene(rng, setting, 50);
        save_program_file(files.back(), program_of_gene(setting.node_table_view(), gene), {});
    }
    for (std::size_t p = 0; p < files.size(); ++p) {
        const std::string& file = files[p];
        // Every other program reads the points from standard input.
        const int fd = ::open(points_file.c_str(), O_RDONLY | O_CLOEXEC);
        const Result result = run({"--predict", file, p % 2 == 0 ? points_file : "-"}, fd);
        ::close(fd);
        ASSERT_EQ(result.code, exit_done) << result.err;
        SCOPED_TRACE("program " + std::to_string(p));
        expect_predictions(result.out, program_code(load_program_file(file)), points);
    }
}

// The real runner on pipes: each line is answered before the next is sent,
// and a reader that goes away ends it quietly.
TEST(ProgramModes, PredictAnswersEachLineAsItArrives) {
    const TempFolder folder;
    const std::string file = program_file(folder, R"(["input1"])");
    std::array<int, 2> in{};
    std::array<int, 2> out{};
    ASSERT_EQ(::pipe2(in.data(), O_CLOEXEC), 0);
    ASSERT_EQ(::pipe2(out.data(), O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::vector<std::string> args = {VORN_RUN_PATH, "--predict", file, "-"};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    // Ignored, so the runner sees EPIPE rather than dying of the signal.
    const auto old_pipe = std::signal(SIGPIPE, SIG_IGN);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    for (const std::string line : {"1.5 2\n", "-3 4\n"}) {
        ASSERT_EQ(::write(in[1], line.data(), line.size()), static_cast<ssize_t>(line.size()));
        std::string answer;
        while (!answer.ends_with('\n')) {
            // Only so that a runner waiting for the end fails instead of hanging.
            pollfd ready{out[0], POLLIN, 0};
            ASSERT_EQ(::poll(&ready, 1, 30'000), 1) << "no answer to " << line;
            std::array<char, 256> buffer{};
            const ssize_t got = ::read(out[0], buffer.data(), buffer.size());
            ASSERT_GT(got, 0);
            answer.append(buffer.data(), static_cast<std::size_t>(got));
        }
        const std::string x = fields_of(line)[0];
        EXPECT_EQ(answer,
                  line.substr(0, line.size() - 1) + " " + x + (x[0] == '-' ? " -1\n" : " +1\n"));
    }
    ::close(out[0]);
    (void)::write(in[1], "5 6\n", 4);
    ::close(in[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::signal(SIGPIPE, old_pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == exit_broken_pipe) << status;
}

TEST(ProgramModes, ExportPrintsTheCoresText) {
    const TempFolder folder;
    const std::string file = program_file(folder, R"(["+", "input1", 0.1])");
    const Program program = load_program_file(file);
    for (const auto& [name, language] :
         {std::pair{"c", ExportLanguage::c}, std::pair{"python", ExportLanguage::python},
          std::pair{"formula", ExportLanguage::formula}}) {
        const Result result = run({"--export", name, file});
        EXPECT_EQ(result.code, exit_done) << result.err;
        EXPECT_EQ(result.out, export_program(program, language)) << name;
    }
}

}  // namespace
}  // namespace vorn
