#pragma once
// The rows of the parameter table for the search options beyond the
// workbench's first method; every default leaves a run as it was.
#include <array>

#include "engine/parameters.h"

namespace vorn {

inline constexpr std::size_t search_parameter_count = 5;

namespace search_rows {

using K = ParamKind;
using F = OptionForm;
using P = Page;
using I = ParamId;

inline constexpr std::array<Parameter, search_parameter_count> rows = {{
    {.id = I::parsimony,
     .control = "ComboBox1",
     .caption = "Parsimony",
     .default_text = "none",
     .kind = K::choice,
     .page = P::population,
     .field = "parsimony",
     .settings_key = "parsimony",
     .option = "parsimony",
     .option_value = "KIND",
     .option_group = "Search",
     .option_form = F::plain,
     .choices = parsimony_names,
     .description = "how program size weighs in selection: none, lexicographic (the shorter "
                    "wins among equally fit) or penalty (the size penalty per node is added to "
                    "the fitness that selection and ranking use)",
     .option_help = "none, lexicographic (the shorter of equally fit programs wins) or "
                    "penalty (see --size-penalty)"},
    {.id = I::size_penalty,
     .control = "Edit19",
     .caption = "Size Penalty",
     .default_text = "0.001",
     .kind = K::real,
     .page = P::population,
     .field = "size_penalty",
     .settings_key = "size_penalty",
     .minimum = 0,
     .requirement = "a number of at least 0",
     .option = "size-penalty",
     .option_value = "C",
     .option_group = "Search",
     .option_form = F::plain,
     .description = "fitness added per node, with penalty parsimony only (and not with the "
                    "size objective, which weighs size already)"},
    {.id = I::holdout,
     .control = "Edit20",
     .caption = "Hold-out",
     .default_text = "0",
     .kind = K::real,
     .page = P::population,
     .field = "holdout",
     .settings_key = "holdout",
     .minimum = 0,
     .maximum = 1,
     .maximum_excluded = true,
     .requirement = "a fraction from 0 to below 1",
     .option = "holdout",
     .option_value = "FRACTION",
     .option_group = "Search",
     .option_form = F::plain,
     .description = "share of the training rows, chosen by the seed, kept out of fitness to "
                    "validate on, when there is no validation file"},
    {.id = I::objectives,
     .control = "ComboBox2",
     .caption = "Objectives",
     .default_text = "error",
     .kind = K::choice,
     .page = P::population,
     .field = "objectives",
     .settings_key = "objectives",
     .option = "objectives",
     .option_value = "WHAT",
     .option_group = "Search",
     .option_form = F::plain,
     .choices = objectives_names,
     .description = "error, or error-and-size: generations ranked by Pareto fronts of training "
                    "fitness and size with crowding (NSGA-II), proportional and tournament "
                    "selection comparing those ranks, and the run's front kept",
     .option_help = "error, or error-and-size (NSGA-II ranking on training fitness and size; "
                    "the run's Pareto front is printed at the end)"},
    {.id = I::tune_constants,
     .control = "Edit21",
     .caption = "Constant Tuning",
     .default_text = "0",
     .kind = K::whole_number,
     .page = P::population,
     .field = "tune_constants",
     .settings_key = "tune_constants",
     .minimum = 0,
     .requirement = "a whole number of at least 0",
     .option = "tune-constants",
     .option_value = "N",
     .option_group = "Search",
     .option_form = F::plain,
     .description = "best programs of each generation whose constants are tuned (0: none): "
                    "a few coordinate steps that lower the logistic loss of the program's "
                    "value and keep its hits, with values off the constant table"},
}};

}  // namespace search_rows

inline constexpr const auto& search_parameter_rows = search_rows::rows;

// Presets of the search options: "written" is the workbench's first method
// (every option at its default), "modern" what works best together. A
// preset sets these texts; an option given beside it still wins.
inline constexpr std::array<std::string_view, 2> search_preset_names = {"written", "modern"};
struct PresetText {
    ParamId id;
    std::string_view text;
};
inline constexpr std::array<PresetText, 6> modern_search = {{
    {ParamId::selection_method, "lexicase"},
    {ParamId::parsimony, "none"},
    {ParamId::size_penalty, "0.001"},
    {ParamId::holdout, "0.2"},
    {ParamId::objectives, "error-and-size"},
    {ParamId::tune_constants, "3"},
}};
// The texts a preset sets: for "written", those of "modern" at their
// defaults, so that either undoes the other.
[[nodiscard]] inline std::array<PresetText, modern_search.size()> search_preset(
    std::string_view name) {
    std::array<PresetText, modern_search.size()> texts = modern_search;
    if (name != "modern") {
        for (PresetText& t : texts) {
            t.text = parameter(t.id).default_text;
        }
    }
    return texts;
}

}  // namespace vorn
