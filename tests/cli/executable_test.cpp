// The real vorn-run, started as a process with its output piped.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/temp_folder.h"

extern char** environ;

namespace vorn {
namespace {

struct Process {
    int code = -1;
    std::string out;
    std::string err;
};

// Runs `vorn-run arguments` through the shell; stderr goes to a file so that
// it is piped too.
Process run_executable(const std::string& arguments) {
    const auto err_path =
        std::filesystem::temp_directory_path() /
        ("vorn-run-stderr-" +
         std::to_string(std::filesystem::file_time_type::clock::now().time_since_epoch().count()));
    const std::string command =
        std::string("'") + VORN_RUN_PATH + "' " + arguments + " 2>'" + err_path.string() + "'";
    Process result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        result.out.append(buffer, n);
    }
    const int status = pclose(pipe);
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::stringstream err;
    err << std::ifstream(err_path).rdbuf();
    result.err = err.str();
    std::filesystem::remove(err_path);
    return result;
}

TEST(VornRunExecutable, SeededRunsPrintIdenticalOutput) {
    const std::string arguments = std::string("'") + VORN_DATA_DIR +
                                  "/two_spirals.txt' --population-size 200 --generations 5 "
                                  "--seed 1";
    const Process first = run_executable(arguments);
    const Process second = run_executable(arguments);
    ASSERT_EQ(first.code, 0) << first.err;
    EXPECT_EQ(first.err, "");  // piped: no progress bar
    EXPECT_EQ(first.out, second.out);
    EXPECT_NE(first.out.find("\nz="), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("\nseed 1\nbest validation: generation "), std::string::npos)
        << first.out;
}

TEST(VornRunExecutable, ExitCodes) {
    EXPECT_EQ(run_executable("--help").code, 0);
    const Process usage = run_executable("--population");
    EXPECT_EQ(usage.code, 2);
    EXPECT_NE(usage.err.find("unknown option --population"), std::string::npos);
    EXPECT_EQ(run_executable("/nonexistent/data.txt").code, 1);
}

namespace fs = std::filesystem;

std::string read_file(const fs::path& path) {
    std::stringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}

using testing::lines_of;
using testing::TempFolder;

// vorn-run started with posix_spawn: default dispositions for the signals
// it handles (a background child of a non-interactive shell would start with
// SIGINT ignored), stdout on a pipe read here, stderr to a file.
class Child {
public:
    // `stdout_file`: stdout goes there instead of the pipe. `ignored`: started
    // with that signal ignored, as nohup does.
    Child(const std::vector<std::string>& args, const fs::path& err_path,
          const std::optional<std::string>& stdout_file = std::nullopt, int ignored = 0) {
        int pipe_fds[2] = {-1, -1};
        if (!stdout_file && pipe(pipe_fds) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (stdout_file) {
            posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdout_file->c_str(),
                                             O_WRONLY, 0);
        } else {
            posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
            posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
            posix_spawn_file_actions_addclose(&actions, pipe_fds[1]);
        }
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_path.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
            if (signal != ignored) {
                sigaddset(&defaults, signal);
            }
        }
        sigset_t no_mask;
        sigemptyset(&no_mask);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setsigmask(&attributes, &no_mask);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

        // An ignored disposition is inherited across exec, so it is set here
        // for the moment of the spawn only.
        struct sigaction old_action {};
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        if (ignored != 0) {
            sigaction(ignored, &ignore, &old_action);
        }
        std::vector<std::string> argv_texts = {VORN_RUN_PATH};
        argv_texts.insert(argv_texts.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& text : argv_texts) {
            argv.push_back(text.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, VORN_RUN_PATH, &actions, &attributes, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        if (ignored != 0) {
            sigaction(ignored, &old_action, nullptr);
        }
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        if (!stdout_file) {
            close(pipe_fds[1]);
            out_fd_ = pipe_fds[0];
        }
    }
    ~Child() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            wait();
        }
        close_stdout();
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    [[nodiscard]] bool started() const { return pid_ > 0; }
    [[nodiscard]] int stdout_fd() const { return out_fd_; }

    // Reads stdout until it holds `lines` whole lines (or EOF); false after a
    // minute without them.
    bool read_lines(std::size_t lines) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (std::count(out.begin(), out.end(), '\n') < static_cast<std::ptrdiff_t>(lines)) {
            if (std::chrono::steady_clock::now() > deadline || !read_some()) {
                return false;
            }
        }
        return true;
    }
    void read_to_end() {
        while (read_some()) {
        }
    }
    void close_stdout() {
        if (out_fd_ >= 0) {
            close(out_fd_);
            out_fd_ = -1;
        }
    }
    void signal(int number) const { kill(pid_, number); }
    // Whether the child waits in a write to its stdout: the pipe is full.
    [[nodiscard]] bool blocked_writing_stdout() const {
        std::ifstream syscall("/proc/" + std::to_string(pid_) + "/syscall");
        std::string call;
        std::string fd;
        syscall >> call >> fd;
        return call == std::to_string(SYS_write) && fd == "0x1";
    }
    // Whether the child has a handler for `number` (SigCgt in /proc).
    [[nodiscard]] bool catches(int number) const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("SigCgt:")) {
                return ((std::stoull(line.substr(7), nullptr, 16) >> (number - 1)) & 1U) != 0;
            }
        }
        return false;
    }
    // The wait status.
    int wait() {
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return status;
    }

    std::string out;

private:
    bool read_some() {
        if (out_fd_ < 0) {
            return false;
        }
        pollfd ready{out_fd_, POLLIN, 0};
        if (poll(&ready, 1, 60'000) <= 0) {
            return false;
        }
        char buffer[4096];
        const ssize_t n = read(out_fd_, buffer, sizeof buffer);
        if (n <= 0) {
            return false;
        }
        out.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int out_fd_ = -1;
};

// The rows file a stopped run with --csv run.csv left, empty if none.
fs::path partial_file(const TempFolder& folder) {
    for (const std::string& name : folder.names()) {
        if (name.starts_with("run.csv.partial-")) {
            return folder.path / name;
        }
    }
    return {};
}

// A run it cannot finish within the test: a generation takes well under a
// millisecond, and a million of them are asked for.
std::vector<std::string> endless_run(const std::string& csv) {
    return {std::string(VORN_DATA_DIR) + "/two_spirals.txt",
            "--population-size",
            "50",
            "--generations",
            "1000000",
            "--seed",
            "3",
            "--threads",
            "1",
            "--csv",
            csv};
}

TEST(VornRunExecutable, StopSignalEndsTheRunAfterItsGenerationKeepingThePartialRows) {
    struct Case {
        int signal;
        int status;
        const char* name;
    };
    for (const Case& c : {Case{SIGINT, 130, "SIGINT"}, Case{SIGTERM, 143, "SIGTERM"},
                          Case{SIGHUP, 129, "SIGHUP"}}) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const fs::path csv = folder.path / "run.csv";
        std::ofstream(csv) << "old\n";
        Child child(endless_run(csv.string()), folder.path / "err");
        ASSERT_TRUE(child.started());
        ASSERT_TRUE(child.read_lines(2)) << child.out;  // the header and the first row
        child.signal(c.signal);
        child.read_to_end();
        const int status = child.wait();
        ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), c.status);

        // The best program so far, the seed and the best on validation so
        // far, after the rows so far.
        const auto table = lines_of(child.out);
        ASSERT_GE(table.size(), 6U) << child.out;
        EXPECT_TRUE(table[table.size() - 4].starts_with("z=")) << child.out;
        EXPECT_EQ(table[table.size() - 3], "seed 3");
        EXPECT_TRUE(table.back().starts_with("best validation z=")) << child.out;
        const std::size_t rows = table.size() - 5;
        EXPECT_LT(rows, 1000000U);
        EXPECT_NE(read_file(folder.path / "err").find("stopped by " + std::string(c.name)),
                  std::string::npos)
            << read_file(folder.path / "err");

        // FILE untouched; the partial file holds whole lines, one per table row.
        EXPECT_EQ(read_file(csv), "old\n");
        const std::string partial = read_file(partial_file(folder));
        ASSERT_TRUE(partial.ends_with("\n"));
        const auto csv_lines = lines_of(partial);
        ASSERT_EQ(csv_lines.size(), rows + 1);
        EXPECT_EQ(csv_lines[0],
                  "generation,training_fitness,validation_fitness,mean_length,best_length");
        EXPECT_EQ(csv_lines.back().substr(0, csv_lines.back().find(',')), std::to_string(rows));
        for (const std::string& line : csv_lines) {
            EXPECT_EQ(std::count(line.begin(), line.end(), ','), 4) << line;
        }
    }
}

TEST(VornRunExecutable, SecondSignalEndsTheProcessAtOnce) {
    TempFolder folder;
    Child child(endless_run((folder.path / "run.csv").string()), folder.path / "err");
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(child.read_lines(2)) << child.out;
    // Reading stops until the pipe is full: the child then waits in a write
    // that the handler's SA_RESTART resumes, so the first signal cannot end
    // the run before the second arrives.
    ASSERT_GT(fcntl(child.stdout_fd(), F_SETPIPE_SZ, 4096), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!child.blocked_writing_stdout()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        usleep(1000);
    }
    ASSERT_TRUE(child.catches(SIGINT));
    child.signal(SIGINT);
    // Two signals sent at once could merge into one pending signal: the
    // second goes once the first has been taken, which resets the handler.
    while (child.catches(SIGINT) && std::chrono::steady_clock::now() < deadline) {
        usleep(1000);
    }
    child.signal(SIGINT);
    child.read_to_end();
    const int status = child.wait();
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGINT);
}

TEST(VornRunExecutable, AnIgnoredHangupStaysIgnored) {
    TempFolder folder;
    Child child(endless_run((folder.path / "run.csv").string()), folder.path / "err", std::nullopt,
                SIGHUP);
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(child.read_lines(2)) << child.out;
    // A noted SIGHUP would come first (pending signals arrive lowest first)
    // and give 129.
    child.signal(SIGHUP);
    child.signal(SIGTERM);
    child.read_to_end();
    const int status = child.wait();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 143);
}

TEST(VornRunExecutable, ClosedStdoutEndsQuietlyWith141) {
    TempFolder folder;
    const fs::path csv = folder.path / "run.csv";
    Child child(endless_run(csv.string()), folder.path / "err");
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(child.read_lines(2)) << child.out;
    child.close_stdout();  // as `| head -2` does
    const int status = child.wait();
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 141);
    EXPECT_EQ(read_file(folder.path / "err"), "");
    EXPECT_FALSE(fs::exists(csv));
    EXPECT_TRUE(fs::exists(partial_file(folder)));
}

TEST(VornRunExecutable, FailedWritesEndWithAMessageAndStatus1) {
    struct Case {
        const char* what;
        std::vector<std::string> extra;
        std::optional<std::string> stdout_file;
        std::string message;
    };
    const std::string spirals = std::string(VORN_DATA_DIR) + "/two_spirals.txt";
    const Case cases[] = {
        {"table to a full device",
         {},
         "/dev/full",
         "standard output: cannot be written (No space left on device).\n"},
        {"quiet result to a full device",
         {"--quiet"},
         "/dev/full",
         "standard output: cannot be written (No space left on device).\n"},
        {"help to a full device",
         {"--help"},
         "/dev/full",
         "standard output: cannot be written (No space left on device).\n"},
        {"CSV to a full device",
         {"--csv", "/dev/full"},
         std::nullopt,
         "/dev/full: cannot be written (No space left on device).\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        std::vector<std::string> args = {
            spirals, "--population-size", "50", "--generations", "3", "--seed", "1"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        Child child(args, folder.path / "err", c.stdout_file);
        ASSERT_TRUE(child.started());
        child.read_to_end();
        const int status = child.wait();
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_EQ(read_file(folder.path / "err"), c.message);
    }
}

}  // namespace
}  // namespace vorn
