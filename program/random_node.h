#pragma once
// Drawing one node code by the initial node ratios.
#include <cstdint>

namespace vorn {

// What random_node needs: the ratios of the "Population" page and the
// counts of the run's node table.
struct NodeChooser {
    float function_ratio = 0.5f;
    float variable_ratio = 0.2f;
    std::int32_t num_functions = 4;
    std::int32_t num_variables = 2;
    std::int32_t num_constants = 1000;
};

// Node kinds: 0 or 3 any node by the ratios, 1 a function, 2 a terminal.
enum NodeKind : int { any_node = 0, function_node = 1, terminal_node = 2, mutation_node = 3 };

// One random_unit draw for every kind, then one random_below for the code.
[[nodiscard]] std::int32_t random_node(const NodeChooser& chooser, int kind);

}  // namespace vorn
