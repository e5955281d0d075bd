#pragma once
// Figures of --predict: a million points through the runner, in a process of
// its own, against its time and memory targets.

namespace vorn::bench {

void print_predict_figures();

}  // namespace vorn::bench
