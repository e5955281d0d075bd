#pragma once
// Figures of the data side: endless and huge inputs refused, and a million
// rows read, run and loaded into the window. Each is measured in a process of
// its own, so that its peak memory is its own.
#include <optional>
#include <span>

namespace vorn::bench {

// The part a child process of the benchmark does, when `args` (without the
// program name) ask for one; its exit status, or nothing.
[[nodiscard]] std::optional<int> run_data_child(std::span<char* const> args);

// Prints the figures and their targets.
void print_data_figures();

}  // namespace vorn::bench
