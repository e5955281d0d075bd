#pragma once
// The checks that Start makes before it builds a run, and the remainder rule
// of the two computed labels, shared by the window and the runner.
#include <optional>
#include <string>
#include <string_view>

namespace vorn {

enum class Page { problem_setting, population, results };

// Which group of fields a refusal restores to its fixed values.
enum class StartReset { none, operation_rates, node_ratios };

struct StartRefusal {
    std::string message;
    Page page;
    StartReset reset;
};

struct StartState {
    bool training_loaded = false;
    bool validation_loaded = false;
    bool use_training_data = true;
    std::string reproduction_label = "0.1";  // Label6 as displayed
    std::string constant_label = "0.3";      // ConstLabel as displayed
};

// The first failed check, in Start's order, or nothing when all pass.
[[nodiscard]] std::optional<StartRefusal> check_start(const StartState& state);

// 1 - the rates, each read as a single-precision number, shown with two
// significant digits and four decimals; nothing when a text is not a number.
[[nodiscard]] std::optional<std::string> remainder_label(std::string_view a, std::string_view b,
                                                         std::string_view c = "0");

// Fixed values that the two resets restore.
struct OperationRateDefaults {
    static constexpr const char* crossover = "0.70";
    static constexpr const char* mutation = "0.20";
    static constexpr const char* one_point = "0.00";
    static constexpr const char* reproduction = "0.10";
};
struct NodeRatioDefaults {
    static constexpr const char* function = "0.50";
    static constexpr const char* variable = "0.20";
    static constexpr const char* constant = "0.30";
};

}  // namespace vorn
