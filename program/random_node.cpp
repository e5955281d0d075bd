#include "program/random_node.h"

#include "program/random.h"

namespace vorn {

std::int32_t random_node(const NodeChooser& chooser, int kind) {
    const auto r = static_cast<float>(random_unit());
    // The ratios are floats, but their sum and the terminal quotient are
    // taken in double so that the boundaries do not move by a rounding.
    const double function_ratio = chooser.function_ratio;
    const double variable_ratio = chooser.variable_ratio;
    bool function = false;
    bool variable = false;
    if (kind == function_node) {
        function = true;
    } else if (kind == terminal_node) {
        // With no share left for terminals there is no proportion to keep;
        // a variable always exists.
        variable = function_ratio >= 1.0 || variable_ratio / (1.0 - function_ratio) > r;
    } else if (r < function_ratio) {
        function = true;
    } else {
        variable = r < function_ratio + variable_ratio;
    }
    if (function) {
        return random_below(chooser.num_functions);
    }
    // A constant count of 0 cannot get past Start; should one arrive, a
    // variable stands in rather than a code outside the node table.
    if (variable || chooser.num_constants < 1) {
        return chooser.num_functions + random_below(chooser.num_variables);
    }
    return chooser.num_functions + chooser.num_variables + random_below(chooser.num_constants);
}

}  // namespace vorn
