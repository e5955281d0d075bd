#pragma once
// Figures of a run in the window against the same run in the runner: each
// program in a process of its own, its start-up taken out.

namespace vorn::bench {

void print_window_run_figures();

}  // namespace vorn::bench
