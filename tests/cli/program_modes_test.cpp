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
#include <string_view>
#include <vector>

#include "cli/run_cli.h"
#include "engine/program_io.h"
#include "problem/messages.h"
#include "problem/number_text.h"
#include "program/interpreter.h"
#include "program/program_export.h"
#include "program/readable.h"
#include "program/simplify.h"
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
// scored on the validation data it misclassifies the printed count. A
// hold-out saves that program without being asked.
TEST(ProgramModes, SavedBestOnValidationHasThePrintedCount) {
    const TempFolder folder;
    const std::string saved = (folder.path / "best.json").string();
    const std::vector<std::string> common = {spirals, "--population-size", "60", "--generations",
                                             "8",     "--num-constants",   "50", "--seed",
                                             "5",     "--save-program",    saved};
    for (const bool holdout : {false, true}) {
        std::vector<std::string> args = common;
        const std::vector<std::string> more =
            holdout ? std::vector<std::string>{"--holdout", "0.3"}
                    : std::vector<std::string>{"--validation", clouds, "--save-which",
                                               "best-validation"};
        args.insert(args.end(), more.begin(), more.end());
        const Result result = run(args);
        ASSERT_EQ(result.code, exit_done) << result.err;
        const auto lines = lines_of(result.out);
        // best validation: generation G, count C, training F
        const auto figures = fields_of(lines[lines.size() - 2]);
        ASSERT_EQ(figures.size(), 8U);
        const std::string count = figures[5].substr(0, figures[5].size() - 1);

        const Program program = load_program_file(saved);
        ASSERT_TRUE(program.validation_count);
        EXPECT_EQ(general_text(*program.validation_count), count) << holdout;
        std::array<char, 32> training{};
        const auto end = std::to_chars(training.data(), training.data() + training.size(),
                                       program.training_fitness, std::chars_format::fixed, 6)
                             .ptr;
        EXPECT_EQ(std::string(training.data(), end), figures[7]) << holdout;
        if (!holdout) {
            const Result scored = run({"--score", saved, clouds});
            ASSERT_EQ(scored.code, exit_done) << scored.err;
            EXPECT_EQ(fields_of(scored.out)[7], "misclassified=" + count);
        }
    }
}

std::size_t front_lines(const std::vector<std::string>& lines) {
    return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [](const auto& l) {
        return l.starts_with("front ") && !l.starts_with("front choice");
    }));
}

// With the size objective the run prints its front, saves one program file
// per point, shorter ones less fit, and its record repeats with the front.
TEST(ProgramModes, TheFrontIsPrintedSavedAndRecorded) {
    const TempFolder folder;
    const std::string dir = (folder.path / "front").string();
    const std::string record = (folder.path / "r.json").string();
    const Result result = run({spirals, "--population-size", "60", "--generations", "6", "--seed",
                               "2", "--objectives", "error-and-size", "--selection", "lexicase",
                               "--save-front", dir, "--record", record, "--tune-constants", "3"});
    ASSERT_EQ(result.code, exit_done) << result.err;
    std::vector<std::string> front;
    for (const std::string& line : lines_of(result.out)) {
        if (line.starts_with("front ")) {
            front.push_back(line);
        }
    }
    ASSERT_FALSE(front.empty());
    double fitness = 2;
    std::size_t nodes = 0;
    for (std::size_t i = 0; i < front.size(); ++i) {
        const Program program =
            load_program_file(folder.path / "front" / ("front-" + std::to_string(i + 1) + ".json"));
        EXPECT_LT(program.training_fitness, fitness);
        // Its constants are the ones it was found with, tuned or not.
        const Result scored =
            run({"--score",
                 (folder.path / "front" / ("front-" + std::to_string(i + 1) + ".json")).string(),
                 spirals});
        EXPECT_EQ(fields_of(scored.out)[8], "fraction=" + general_text(program.training_fitness));
        EXPECT_GT(program.nodes.size(), nodes);
        fitness = program.training_fitness;
        nodes = program.nodes.size();
        EXPECT_NE(front[i].find(", nodes " + std::to_string(nodes) + ", z="), std::string::npos)
            << front[i];
    }
    EXPECT_FALSE(std::filesystem::exists(folder.path / "front" /
                                         ("front-" + std::to_string(front.size() + 1) + ".json")));
    const Result rerun = run({"--rerun", record});
    EXPECT_EQ(rerun.code, exit_done) << rerun.err;
    const Result refused = run({spirals, "--save-front", dir});
    EXPECT_EQ(refused.code, exit_refused) << refused.err;

    // With a hold-out the saved program is the front's choice on it.
    const std::string chosen = (folder.path / "chosen.json").string();
    const Result modern = run({spirals, "--population-size", "60", "--generations", "6", "--seed",
                               "2", "--search", "modern", "--save-program", chosen});
    ASSERT_EQ(modern.code, exit_done) << modern.err;
    const auto lines = lines_of(modern.out);
    const auto choice = fields_of(lines.back());  // front choice: front N, held-out count C
    ASSERT_EQ(choice.size(), 7U) << lines.back();
    const std::size_t index = std::stoul(choice[3].substr(0, choice[3].size() - 1));
    const Program program = load_program_file(chosen);
    ASSERT_TRUE(program.validation_count);
    EXPECT_EQ(general_text(*program.validation_count), choice[6]);
    const std::string point = lines[lines.size() - 1 - (front_lines(lines) - index + 1)];
    EXPECT_NE(point.find(", nodes " + std::to_string(program.nodes.size()) + ", "),
              std::string::npos)
        << point;
}

TEST(ProgramModes, RefusalsAndTheirExitCodes) {
    const TempFolder folder;
    const std::string program = program_file(folder, R"(["input1"])");
    const std::string missing = (folder.path / "missing.txt").string();
    const std::string points = folder.write("points.txt", "1 2\n3 4\n5 x\n7 8\n");
    const std::string one_column = folder.write("one.csv", "x\n1\n2\n");
    const std::string two_columns = folder.write("two.csv", "x,y\n1,2\n");
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
        // One column is never both x and y.
        {{"--predict", program, one_column},
         exit_refused,
         0,
         "one.csv: the file has 1 column; it needs one for x and one for y."},
        {{"--predict", program, two_columns, "--columns", "y,y"},
         exit_refused,
         0,
         "two.csv: the x and y columns must differ."},
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

// The real runner's --predict - with both ends on pipes: `in` to write the
// points to, `out` to read the answers from. Default dispositions for the
// stop signals (the test may have started with them ignored); SIGPIPE is
// ignored, so the runner sees EPIPE rather than dying of it.
class PredictProcess {
public:
    explicit PredictProcess(const std::string& program) {
        std::array<int, 2> in{};
        std::array<int, 2> out{};
        if (::pipe2(in.data(), O_CLOEXEC) != 0 || ::pipe2(out.data(), O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            sigaddset(&defaults, signal);
        }
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
        std::vector<std::string> args = {VORN_RUN_PATH, "--predict", program, "-"};
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        const auto old_pipe = std::signal(SIGPIPE, SIG_IGN);
        if (posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        std::signal(SIGPIPE, old_pipe);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        in_ = in[1];
        out_ = out[0];
    }
    PredictProcess(const PredictProcess&) = delete;
    PredictProcess& operator=(const PredictProcess&) = delete;
    ~PredictProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            (void)wait();
        }
        close_in();
        close_out();
    }

    [[nodiscard]] bool started() const { return pid_ > 0; }
    bool send(std::string_view text) const {
        return ::write(in_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }
    // What comes until `done` says it is enough, or the output ends; the
    // poll's limit is only so that a runner that never answers fails the test.
    template <typename Done>
    std::string read_until(Done done) const {
        std::string text;
        while (!done(text)) {
            pollfd ready{out_, POLLIN, 0};
            std::array<char, 256> buffer{};
            if (::poll(&ready, 1, 30'000) != 1) {
                break;
            }
            const ssize_t got = ::read(out_, buffer.data(), buffer.size());
            if (got <= 0) {
                break;
            }
            text.append(buffer.data(), static_cast<std::size_t>(got));
        }
        return text;
    }
    void signal(int number) const { ::kill(pid_, number); }
    void close_in() { close_fd(in_); }
    void close_out() { close_fd(out_); }
    // The wait status.
    int wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

private:
    static void close_fd(int& fd) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }

    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
};

// Each line is answered before the next is sent, and a reader that goes
// away ends the runner quietly.
TEST(ProgramModes, PredictAnswersEachLineAsItArrives) {
    const TempFolder folder;
    PredictProcess runner(program_file(folder, R"(["input1"])"));
    ASSERT_TRUE(runner.started());
    for (const std::string line : {"1.5 2\n", "-3 4\n"}) {
        ASSERT_TRUE(runner.send(line));
        const std::string answer =
            runner.read_until([](const std::string& text) { return text.ends_with('\n'); });
        const std::string x = fields_of(line)[0];
        EXPECT_EQ(answer,
                  line.substr(0, line.size() - 1) + " " + x + (x[0] == '-' ? " -1\n" : " +1\n"));
    }
    runner.close_out();
    (void)runner.send("5 6\n");
    runner.close_in();
    const int status = runner.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == exit_broken_pipe) << status;
}

// A stop signal ends --score and --predict as it ends a run: whole lines so
// far, a message, and 128 + the signal; one that comes while --predict waits
// for input ends the wait.
TEST(ProgramModes, AStopSignalEndsScoringAndPrediction) {
    const TempFolder folder;
    const std::string program = program_file(folder, R"(["input1"])");
    const std::string points = folder.write("points.txt", "1 2\n3 4\n");
    const std::string csv = folder.write("points.csv", "x,y\n1,2\n3,4\n");
    struct Case {
        std::vector<std::string> args;
        int signal;
        Message message;
    };
    const Case cases[] = {
        {{"--score", program, spirals, clouds},
         SIGTERM,
         messages::mode_stopped("Scoring", "SIGTERM", "0 of 2 files")},
        {{"--predict", program, points},
         SIGINT,
         messages::mode_stopped("Prediction", "SIGINT", "0 points")},
        {{"--predict", program, csv},
         SIGHUP,
         messages::mode_stopped("Prediction", "SIGHUP", "0 points")},
    };
    for (const Case& c : cases) {
        volatile std::sig_atomic_t signal = c.signal;  // as if it came during the load
        const Result result = testing::run_runner(c.args, CliEnvironment{.stop_signal = &signal});
        EXPECT_EQ(result.code, exit_signal_base + c.signal) << c.args.back();
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, c.message.text + "\n");
    }

    PredictProcess runner(program);
    ASSERT_TRUE(runner.started());
    // The first answer shows the handlers in place; the half line is never answered.
    ASSERT_TRUE(runner.send("1.5 2\n-3"));
    const auto whole_line = [](const std::string& text) { return text.ends_with('\n'); };
    EXPECT_EQ(runner.read_until(whole_line), "1.5 2 1.5 +1\n");
    runner.signal(SIGINT);
    EXPECT_EQ(runner.read_until([](const std::string&) { return false; }), "");
    runner.close_in();  // a runner that ignored the signal ends here, with 0
    const int status = runner.wait();
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), exit_signal_base + SIGINT);
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

// --simplify writes the core's simplified program with the original's
// provenance; --export --simplified and the readable exports print the core's text.
TEST(ProgramModes, SimplifyAndTheExportsOfTheSimplifiedProgram) {
    const TempFolder folder;
    const std::string file = folder.write("p.json", R"({"format": "vorn-program", "version": 1,
        "semantics": 1, "inputs": ["x", "y"], "output": "z", "training_fitness": 0.25,
        "validation_count": null, "provenance": {"seed": 5},
        "gene": ["+", "*", "input1", 1, "-", 0, "-", 0, "/", "input2", 0.25]})");
    const Program program = load_program_file(file);
    const Program simplified = simplify(program);
    ASSERT_EQ(simplified.nodes.size(), 5u);
    const std::string written = (folder.path / "p.simplified.json").string();
    Result result = run({"--simplify", file});
    EXPECT_EQ(result.code, exit_done) << result.err;
    EXPECT_EQ(result.out, "11 -> 5 nodes, written to " + written + "\n");
    const Program back = load_program_file(written);
    EXPECT_TRUE(back.simplified);
    EXPECT_EQ(back.provenance, program.provenance);
    EXPECT_EQ(back.training_fitness, 0.25);
    EXPECT_EQ(testing::read_text(written), program_file_text(simplified));
    const std::string other = (folder.path / "q.json").string();
    EXPECT_EQ(run({"--simplify", file, "-o", other}).code, exit_done);
    EXPECT_EQ(testing::read_text(other), program_file_text(simplified));
    result = run({"--simplify", file, "-o", file});
    EXPECT_EQ(result.code, exit_refused);
    EXPECT_NE(result.err.find("same file as the input"), std::string::npos) << result.err;

    EXPECT_EQ(run({"--export", "c", "--simplified", file}).out,
              export_program(simplified, ExportLanguage::c));
    EXPECT_EQ(run({"--export", "latex", file}).out,
              readable_export(program, {FormulaStyle::latex, 0}));
    EXPECT_EQ(run({"--export", "sympy", "--simplified", "--digits", "3", file}).out,
              readable_export(simplified, {FormulaStyle::python, 3}));
}

}  // namespace
}  // namespace vorn
