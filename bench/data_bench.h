#pragma once
// Figures of the data side: endless and huge inputs refused, and a million
// rows read, run and loaded into the window. Each is measured in a process of
// its own, so that its peak memory is its own.
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace vorn::bench {

// A folder of its own, removed at the end.
class TempFolder {
public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vorn-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a temporary folder");
        }
        path_ = pattern;
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    [[nodiscard]] const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

struct ChildRun {
    double seconds = 0;   // from start to end
    double peak_mib = 0;  // the child's own peak resident memory
    int status = -1;      // exit status, -1 when it did not exit
    std::string output;   // stdout and stderr together
};

// Runs `command` through a small measuring process of the benchmark, so the
// peak memory is the command's own; its stdout and stderr are collected.
[[nodiscard]] ChildRun run_child(const std::vector<std::string>& command);

// The part a child process of the benchmark does, when `args` (without the
// program name) ask for one; its exit status, or nothing.
[[nodiscard]] std::optional<int> run_data_child(std::span<char* const> args);

// Prints the figures and their targets.
void print_data_figures();

}  // namespace vorn::bench
