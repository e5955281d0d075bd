#include "bench/data_bench.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "problem/data_file.h"
#include "problem/data_table.h"
#include "problem/errors.h"
#include "problem/number_text.h"

namespace vorn::bench {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::string_view read_table_mode = "--read-table";
constexpr std::string_view measure_mode = "--measure";
constexpr int million = 1'000'000;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A million rows of six-digit values, as a grid saved to a file would hold.
fs::path write_million_rows(const fs::path& folder) {
    const fs::path path = folder / "million.txt";
    std::ofstream file(path, std::ios::binary);
    std::mt19937 random(5);
    std::uniform_real_distribution<float> value(-10.0F, 10.0F);
    for (int i = 0; i < million; ++i) {
        file << cell_text(value(random)) << ' ' << cell_text(value(random)) << ' '
             << cell_text(value(random)) << ' ' << cell_text(value(random)) << '\n';
    }
    return path;
}

fs::path write_one_line(const fs::path& folder) {
    const fs::path path = folder / "one_line.txt";
    std::ofstream file(path, std::ios::binary);
    const std::string piece(100'000, '1');
    for (int i = 0; i < 100; ++i) {
        file << piece;
    }
    file << '\n';
    return path;
}

pid_t spawn(const std::vector<std::string>& args, const posix_spawn_file_actions_t* actions) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], actions, nullptr, argv.data(), environ) != 0) {
        throw std::runtime_error("cannot start " + args[0]);
    }
    return pid;
}

// The measuring middle process: runs `command` and prints its figures last.
// A child's peak memory starts from its parent's peak (exec records the
// parent's figure when the child was made by vfork), so the parent that
// measures must be this small fresh process, not the benchmark.
int measure_child(std::span<char* const> command) {
    const auto start = Clock::now();
    const pid_t pid = spawn({command.begin(), command.end()}, nullptr);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    std::printf("\nmeasured %.4f %ld %d\n", seconds_since(start), usage.ru_maxrss,
                WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return 0;
}

std::string last_line(std::string_view text) {
    while (text.ends_with('\n')) {
        text.remove_suffix(1);
    }
    const std::size_t start = text.rfind('\n');
    return std::string(start == std::string_view::npos ? text : text.substr(start + 1));
}

}  // namespace

ChildRun run_child(const std::vector<std::string>& command) {
    std::array<int, 2> pipe_fds{};
    if (::pipe2(pipe_fds.data(), O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDERR_FILENO);
    std::vector<std::string> args = {fs::read_symlink("/proc/self/exe").string(),
                                     std::string(measure_mode)};
    args.insert(args.end(), command.begin(), command.end());
    const pid_t pid = spawn(args, &actions);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe_fds[1]);
    ChildRun run;
    std::array<char, 4096> buffer{};
    ssize_t got = 0;
    while ((got = ::read(pipe_fds[0], buffer.data(), buffer.size())) > 0) {
        run.output.append(buffer.data(), static_cast<std::size_t>(got));
    }
    ::close(pipe_fds[0]);
    ::waitpid(pid, nullptr, 0);
    // The middle process's line comes last, after all the command printed.
    const std::size_t cut = run.output.rfind("\nmeasured ");
    long peak_kib = 0;
    if (cut == std::string::npos || std::sscanf(run.output.c_str() + cut + 1, "measured %lf %ld %d",
                                                &run.seconds, &peak_kib, &run.status) != 3) {
        throw std::runtime_error("no figures from " + command[0] + ": " + run.output);
    }
    run.peak_mib = static_cast<double>(peak_kib) / 1024.0;
    run.output.resize(cut);
    return run;
}

namespace {

std::string first_line(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

void limit_line(const std::string& name, double value, double limit, const char* unit) {
    std::printf("%s: %.2f %s (target <= %.2f %s) %s\n", name.c_str(), value, unit, limit, unit,
                value <= limit ? "met" : "NOT MET");
}

// The child's part: the file into the float table, timed; prints the seconds
// and the row count.
int read_table_child(const char* file) {
    const auto start = Clock::now();
    try {
        const DataTable table(read_data_file(file));
        std::printf("%.3f %zu\n", seconds_since(start), table.row_count());
        return 0;
    } catch (const DataFileError& error) {
        std::printf("%.3f refused: %s\n", seconds_since(start), error.what());
        return 1;
    }
}

}  // namespace

std::optional<int> run_data_child(std::span<char* const> args) {
    if (args.size() == 2 && args[0] == read_table_mode) {
        return read_table_child(args[1]);
    }
    if (args.size() >= 2 && args[0] == measure_mode) {
        return measure_child(args.subspan(1));
    }
    return std::nullopt;
}

void print_data_figures() {
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const TempFolder folder;
    std::printf("\n5. Data files (each in a process of its own; peak memory is the process's)\n");

    const fs::path one_line = write_one_line(folder.path());
    struct Refusal {
        const char* name;
        std::string path;
    };
    const Refusal refusals[] = {{"/dev/zero", "/dev/zero"},
                                {"/dev/urandom", "/dev/urandom"},
                                {"a 10 MB single line", one_line.string()}};
    std::vector<ChildRun> refused;
    for (const Refusal& r : refusals) {
        refused.push_back(run_child({VORN_RUN_PATH, r.path}));
        std::printf("vorn-run %-20s exit %d, %.3f s, %.1f MiB: %s\n", r.name, refused.back().status,
                    refused.back().seconds, refused.back().peak_mib,
                    first_line(refused.back().output).c_str());
    }

    const fs::path rows = write_million_rows(folder.path());
    const ChildRun read = run_child({self, std::string(read_table_mode), rows.string()});
    double read_seconds = 0;
    std::sscanf(last_line(read.output).c_str(), "%lf", &read_seconds);
    std::printf("read a million rows into the float table: %.3f s, %.1f MiB (%s)\n", read_seconds,
                read.peak_mib, last_line(read.output).c_str());

    const std::vector<std::string> run_args = {VORN_RUN_PATH,
                                               rows.string(),
                                               "--threads",
                                               "1",
                                               "--population-size",
                                               "4",
                                               "--generations",
                                               "1",
                                               "--num-constants",
                                               "10",
                                               "--seed",
                                               "3",
                                               "--quiet"};
    const ChildRun whole = run_child(run_args);
    std::printf(
        "vorn-run on them, one thread, population 4, 1 generation: exit %d, %.3f s, "
        "%.1f MiB\n",
        whole.status, whole.seconds, whole.peak_mib);

#ifdef VORN_WINDOW_LOAD_PATH
    const ChildRun window = run_child({VORN_WINDOW_LOAD_PATH, rows.string()});
    double window_seconds = 0;
    std::sscanf(last_line(window.output).c_str(), "%lf", &window_seconds);
    std::printf("the window loads them into its grid: %.3f s, %.1f MiB (%s)\n", window_seconds,
                window.peak_mib, last_line(window.output).c_str());
#endif

    std::printf("\n");
    for (std::size_t i = 0; i < refused.size(); ++i) {
        const std::string name = std::string("refusing ") + refusals[i].name;
        limit_line(name + ", time", refused[i].status == 1 ? refused[i].seconds : 1e9, 1.0, "s");
        limit_line(name + ", peak memory", refused[i].peak_mib, 50.0, "MiB");
    }
    limit_line("reading a million rows, time", read.status == 0 ? read_seconds : 1e9, 1.5, "s");
    limit_line("reading a million rows, peak memory", read.peak_mib, 80.0, "MiB");
    limit_line("one-thread runner run on a million rows, peak memory",
               whole.status == 0 ? whole.peak_mib : 1e9, 160.0, "MiB");
#ifdef VORN_WINDOW_LOAD_PATH
    limit_line("window load of a million rows, time", window.status == 0 ? window_seconds : 1e9,
               3.0, "s");
#else
    std::printf("window load of a million rows: not measured (built without Qt)\n");
#endif
}

}  // namespace vorn::bench
