#pragma once
// The one table of a run's parameters: every field of the two panels and the
// "Problem Setting" page, listed once with its caption, default text, kind,
// range, the record field it fills, its page, its runner option and settings
// key, and a one-line description. The window's pages, the runner's options
// and help, and the Start checks all read it.
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "problem/errors.h"

namespace vorn {

enum class Page { problem_setting, population, results };

enum class ParamKind {
    whole_number,
    real,
    choice,         // one of `choices`; the text is the choice's name
    flag,           // "true" or "false"
    name,           // any text
    function_list,  // printed names separated by commas, in check-list order
    remainder,      // a label the window computes: what the rates leave of 1
};

// In the order the runner's help lists their options.
enum class ParamId : std::uint8_t {
    use_training_data,
    population_size,
    num_generations,
    selection_method,
    tournament_size,
    elite_percent,
    elite_strategy,
    crossover_rate,
    mutation_rate,
    one_point_mutation_rate,
    reproduction_rate,
    function_ratio,
    variable_ratio,
    constant_ratio,
    max_length,
    max_initial_depth,
    break_point,
    break_every,
    functions,
    constant_min,
    constant_max,
    num_constants,
    input1_name,
    input2_name,
    output_name,
    parsimony,
    size_penalty,
    holdout,
    objectives,
    tune_constants,
};
inline constexpr std::size_t num_parameters = 30;

// How a runner option maps onto the table, where it is more than "--name VALUE
// sets this text".
enum class OptionForm {
    none,            // window only
    plain,           // --name VALUE sets the text
    file_clears,     // --validation FILE: a file of its own, and the flag false
    switch_off,      // --no-elite: the flag false, no value
    sets_with_flag,  // --elite PERCENT: the text, and `partner` (a flag) true
    pair_low,        // --constant-range MIN:MAX: this text and `partner`'s
};

struct Parameter {
    ParamId id;
    std::string_view control = {};  // object name in the window
    std::string_view caption = {};  // as refusals name it
    std::string_view default_text = {};
    ParamKind kind;
    Page page;
    std::string_view field = {};  // the run record field it fills
    std::string_view settings_key = {};
    // Accepted range of whole numbers and reals; the requirement names it in a
    // refusal. Ranges that depend on other fields are checked where they are
    // known ("Tournament Size", "Maximum Length").
    double minimum = -std::numeric_limits<double>::infinity();
    double maximum = std::numeric_limits<double>::infinity();
    bool maximum_excluded = false;
    std::string_view requirement = {};
    // The runner's spelling without "--", its value placeholder and its help
    // group; the option's help when it differs from the description.
    std::string_view option = {};
    std::string_view option_value = {};
    std::string_view option_group = {};
    OptionForm option_form = OptionForm::none;
    std::optional<ParamId> partner = {};
    std::span<const std::string_view> choices = {};  // of a choice, in the window's order
    std::string_view description = {};
    std::string_view option_help = {};
    bool option_shows_default = true;
};

[[nodiscard]] std::span<const Parameter> parameter_table();
[[nodiscard]] const Parameter& parameter(ParamId id);

// What a control's tooltip says of its parameter: what it does, the values
// it takes and its default, one sentence per line.
[[nodiscard]] std::string parameter_tooltip(ParamId id);

// "Tournament Size" goes up to the larger of this and the population size.
inline constexpr std::int32_t max_tournament_floor = 1000;

// Names of the selection methods, in RadioGroup1's item order. The two
// lexicase methods come after the three the workbench started with.
inline constexpr std::array<std::string_view, 5> selection_names = {
    "proportional", "tournament", "random", "lexicase", "epsilon-lexicase"};
// How program size weighs in selection, in the "Parsimony" box's order.
inline constexpr std::array<std::string_view, 3> parsimony_names = {"none", "lexicographic",
                                                                    "penalty"};
// What a run minimizes, in the "Objectives" box's order.
inline constexpr std::array<std::string_view, 2> objectives_names = {"error", "error-and-size"};
// "a, b or c": the names a choice takes, for help texts and refusals.
[[nodiscard]] std::string choice_list_text(const Parameter& row);
// The position of `text` among the row's choices; nothing when it is none.
[[nodiscard]] std::optional<std::size_t> choice_index(const Parameter& row, std::string_view text);
inline constexpr std::string_view flag_on = "true";
inline constexpr std::string_view flag_off = "false";

// The texts of every parameter, indexed by ParamId: what the window's
// controls hold, what the runner's options set.
class ParameterTexts {
public:
    // Every text at its default.
    ParameterTexts();

    [[nodiscard]] const std::string& operator[](ParamId id) const {
        return texts_[static_cast<std::size_t>(id)];
    }
    [[nodiscard]] std::string& operator[](ParamId id) {
        return texts_[static_cast<std::size_t>(id)];
    }

    [[nodiscard]] bool flag(ParamId id) const { return (*this)[id] == flag_on; }
    void set_flag(ParamId id, bool on) { (*this)[id] = on ? flag_on : flag_off; }

private:
    std::array<std::string, num_parameters> texts_;
};

// A parameter text that cannot be used; the message names the field by its
// caption, and the table tells the page it lives on.
class ParameterError : public SettingError {
public:
    ParameterError(ParamId field, Message message)
        : SettingError(std::move(message)), field_(field) {}
    [[nodiscard]] ParamId field() const { return field_; }

private:
    ParamId field_;
};

}  // namespace vorn
