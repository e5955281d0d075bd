#include "engine/start_checks.h"

#include "problem/number_text.h"

namespace vorn {

namespace {

// A label that does not read as a number cannot pass as a share.
bool below_zero(const std::string& label) {
    const auto value = parse_real(label);
    return !value || *value < 0;
}

}  // namespace

std::optional<StartRefusal> check_start(const StartState& state) {
    if (!state.training_loaded) {
        return StartRefusal{"You must load data set for training before GP run.",
                            Page::problem_setting, StartReset::none};
    }
    if (!state.validation_loaded && !state.use_training_data) {
        return StartRefusal{"You must load data set for validation before GP run.",
                            Page::problem_setting, StartReset::none};
    }
    if (below_zero(state.reproduction_label)) {
        return StartRefusal{"The sum of operation rate must be 1.0", Page::population,
                            StartReset::operation_rates};
    }
    if (below_zero(state.constant_label)) {
        return StartRefusal{"The sum of initial node ratio must be 1.0", Page::population,
                            StartReset::node_ratios};
    }
    return std::nullopt;
}

std::optional<std::string> remainder_label(std::string_view a, std::string_view b,
                                           std::string_view c) {
    const auto ra = parse_float32(a);
    const auto rb = parse_float32(b);
    const auto rc = parse_float32(c);
    if (!ra || !rb || !rc) {
        return std::nullopt;
    }
    const long double remainder = 1.0L - static_cast<long double>(*ra) -
                                  static_cast<long double>(*rb) - static_cast<long double>(*rc);
    return remainder_text(remainder);
}

}  // namespace vorn
