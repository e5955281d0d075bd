#include "engine/parameters.h"

namespace vorn {

namespace {

// Names reach the console and the formula box as they are.
constexpr std::string_view name_requirement = "a name without control characters, in UTF-8";

using K = ParamKind;
using F = OptionForm;
using P = Page;
using I = ParamId;

// Rows in ParamId order.
constexpr std::array<Parameter, num_parameters> table = {{
    {.id = I::use_training_data,
     .control = "CheckBox3",
     .caption = "use training data ",
     .default_text = "true",
     .kind = K::flag,
     .page = P::problem_setting,
     .field = "use_training_data",
     .settings_key = "use_training_data",
     .option = "validation",
     .option_value = "FILE",
     .option_group = "Data",
     .option_form = F::file_clears,
     .description = "validate on the training data rather than on a file of its own",
     .option_help = "validate on FILE instead of the training data",
     .option_shows_default = false},
    {.id = I::population_size,
     .control = "Edit1",
     .caption = "Population Size",
     .default_text = "1000",
     .kind = K::whole_number,
     .page = P::population,
     .field = "population_size",
     .settings_key = "population_size",
     .minimum = 2,
     .requirement = "a whole number of at least 2",
     .option = "population-size",
     .option_value = "N",
     .option_group = "Population",
     .option_form = F::plain,
     .description = "individuals per generation"},
    {.id = I::num_generations,
     .control = "Edit2",
     .caption = "Generation",
     .default_text = "50",
     .kind = K::whole_number,
     .page = P::population,
     .field = "num_generations",
     .settings_key = "generations",
     .minimum = 1,
     .requirement = "a whole number of at least 1",
     .option = "generations",
     .option_value = "N",
     .option_group = "Population",
     .option_form = F::plain,
     .description = "generations of the run"},
    {.id = I::selection_method,
     .control = "RadioGroup1",
     .caption = "Selection Method",
     .default_text = "proportional",
     .kind = K::choice,
     .page = P::population,
     .field = "selection_method",
     .settings_key = "selection",
     .option = "selection",
     .option_value = "METHOD",
     .option_group = "Population",
     .option_form = F::plain,
     .description = "how parents are chosen: proportional, tournament or random",
     .option_help = "proportional, tournament or random"},
    {.id = I::tournament_size,
     .control = "Edit3",
     .caption = "Tournament Size",
     .default_text = "6",
     .kind = K::whole_number,
     .page = P::population,
     .field = "tournament_size",
     .settings_key = "tournament_size",
     .minimum = 1,
     .requirement = "a whole number from 1 to the larger of the \"Population Size\" and 1000",
     .option = "tournament-size",
     .option_value = "N",
     .option_group = "Population",
     .option_form = F::plain,
     .description = "draws per tournament, with tournament selection only"},
    {.id = I::elite_percent,
     .control = "Edit7",
     .caption = "Elite Strategy",
     .default_text = "10",
     .kind = K::real,
     .page = P::population,
     .field = "elite_fraction",
     .settings_key = "elite_percent",
     .minimum = 0,
     .maximum = 100,
     .requirement = "a percentage from 0 to 100",
     .option = "elite",
     .option_value = "PERCENT",
     .option_group = "Population",
     .option_form = F::sets_with_flag,
     .partner = I::elite_strategy,
     .description = "share of each generation kept unchanged"},
    {.id = I::elite_strategy,
     .control = "CheckBox1",
     .caption = "Elite Strategy",
     .default_text = "true",
     .kind = K::flag,
     .page = P::population,
     .field = "elite_fraction",
     .settings_key = "elite",
     .option = "no-elite",
     .option_group = "Population",
     .option_form = F::switch_off,
     .description = "copy the best of each generation unchanged into the next",
     .option_help = "no elite strategy",
     .option_shows_default = false},
    {.id = I::crossover_rate,
     .control = "Edit4",
     .caption = "Crossover",
     .default_text = "0.70",
     .kind = K::real,
     .page = P::population,
     .field = "crossover_rate",
     .settings_key = "crossover",
     .requirement = "a number",
     .option = "crossover",
     .option_value = "RATE",
     .option_group = "Population",
     .option_form = F::plain,
     .description = "crossover rate"},
    {.id = I::mutation_rate,
     .control = "Edit5",
     .caption = "Mutation",
     .default_text = "0.20",
     .kind = K::real,
     .page = P::population,
     .field = "mutation_rate",
     .settings_key = "mutation",
     .requirement = "a number",
     .option = "mutation",
     .option_value = "RATE",
     .option_group = "Population",
     .option_form = F::plain,
     .description = "mutation rate"},
    {.id = I::one_point_mutation_rate,
     .control = "Edit6",
     .caption = "One-point Mutation",
     .default_text = "0.00",
     .kind = K::real,
     .page = P::population,
     .field = "one_point_mutation_rate",
     .settings_key = "one_point_mutation",
     .requirement = "a number",
     .option = "one-point-mutation",
     .option_value = "RATE",
     .option_group = "Population",
     .option_form = F::plain,
     .description = "one-point mutation rate; reproduction takes what the three rates leave of 1"},
    {.id = I::reproduction_rate,
     .control = "Label6",
     .caption = "Reproduction",
     .default_text = "0.1",
     .kind = K::remainder,
     .page = P::population,
     .field = "reproduction_rate",
     .requirement = "a number",
     .description = "what crossover and the two mutations leave of 1"},
    {.id = I::function_ratio,
     .control = "Edit13",
     .caption = "Function",
     .default_text = "0.50",
     .kind = K::real,
     .page = P::population,
     .field = "function_ratio",
     .settings_key = "function_ratio",
     .maximum = 1,
     .maximum_excluded = true,
     .requirement = "a number below 1",
     .option = "function-ratio",
     .option_value = "RATIO",
     .option_group = "Population",
     .option_form = F::plain,
     .description = "initial share of function nodes"},
    {.id = I::variable_ratio,
     .control = "Edit14",
     .caption = "Variable",
     .default_text = "0.20",
     .kind = K::real,
     .page = P::population,
     .field = "variable_ratio",
     .settings_key = "variable_ratio",
     .requirement = "a number",
     .option = "variable-ratio",
     .option_value = "RATIO",
     .option_group = "Population",
     .option_form = F::plain,
     .description = "initial share of variable nodes; constants take what is left of 1"},
    {.id = I::constant_ratio,
     .control = "ConstLabel",
     .caption = "Constant",
     .default_text = "0.3",
     .kind = K::remainder,
     .page = P::population,
     .field = "constant_ratio",
     .requirement = "a number",
     .description = "initial share of constant nodes: what the two ratios leave of 1"},
    {.id = I::max_length,
     .control = "Edit8",
     .caption = "Maximum Length",
     .default_text = "100",
     .kind = K::whole_number,
     .page = P::population,
     .field = "max_length",
     .settings_key = "max_length",
     .requirement = "a whole number of at least {0} with the checked functions",
     .option = "max-length",
     .option_value = "N",
     .option_group = "Population",
     .option_form = F::plain,
     .description = "maximum gene length in nodes"},
    {.id = I::max_initial_depth,
     .control = "Edit9",
     .caption = "Maximum Initial Depth",
     .default_text = "5",
     .kind = K::whole_number,
     .page = P::population,
     .field = "max_initial_depth",
     .settings_key = "max_initial_depth",
     .minimum = 0,
     .requirement = "a whole number of at least 0",
     .option = "max-initial-depth",
     .option_value = "N",
     .option_group = "Population",
     .option_form = F::plain,
     .description = "depth limit of the first programs"},
    {.id = I::break_point,
     .control = "CheckBox2",
     .caption = "Break Point",
     .default_text = "false",
     .kind = K::flag,
     .page = P::population,
     .field = "break_every",
     .settings_key = "break_point",
     .description = "pause the run every few generations"},
    {.id = I::break_every,
     .control = "Edit15",
     .caption = "Break Point",
     .default_text = "5",
     .kind = K::whole_number,
     .page = P::population,
     .field = "break_every",
     .settings_key = "break_every",
     .requirement = "a whole number",
     .description = "generations between two pauses (0: never; -5 pauses as 5 does)"},
    {.id = I::functions,
     .control = "CheckListBox1",
     .caption = "Functions",
     .default_text = "+,-,*,/",
     .kind = K::function_list,
     .page = P::problem_setting,
     .field = "node_table",
     .settings_key = "functions",
     .option = "functions",
     .option_value = "LIST",
     .option_group = "Problem",
     .option_form = F::plain,
     .description = "functions a program may use, comma-separated, from "
                    "+ - * / sin cos tan ln log10 IFLTE"},
    {.id = I::constant_min,
     .control = "Edit10",
     .caption = "Range",
     .default_text = "-1",
     .kind = K::real,
     .page = P::problem_setting,
     .field = "constant_min",
     .settings_key = "constant_min",
     .requirement = "a number",
     .option = "constant-range",
     .option_value = "MIN:MAX",
     .option_group = "Problem",
     .option_form = F::pair_low,
     .partner = I::constant_max,
     .description = "range of the constants"},
    {.id = I::constant_max,
     .control = "Edit11",
     .caption = "Range",
     .default_text = "1",
     .kind = K::real,
     .page = P::problem_setting,
     .field = "constant_max",
     .settings_key = "constant_max",
     .requirement = "a number",
     .description = "upper end of the range of the constants"},
    {.id = I::num_constants,
     .control = "Edit12",
     .caption = "Number of constant",
     .default_text = "1000",
     .kind = K::whole_number,
     .page = P::problem_setting,
     .field = "num_constants",
     .settings_key = "num_constants",
     .minimum = 1,
     .requirement = "a whole number of at least 1",
     .option = "num-constants",
     .option_value = "N",
     .option_group = "Problem",
     .option_form = F::plain,
     .description = "number of constants"},
    {.id = I::input1_name,
     .control = "Edit16",
     .caption = "Input1",
     .default_text = "x",
     .kind = K::name,
     .page = P::problem_setting,
     .field = "input1_name",
     .settings_key = "input1",
     .requirement = name_requirement,
     .option = "input1",
     .option_value = "NAME",
     .option_group = "Problem",
     .option_form = F::plain,
     .description = "name of the first input"},
    {.id = I::input2_name,
     .control = "Edit17",
     .caption = "Input2",
     .default_text = "y",
     .kind = K::name,
     .page = P::problem_setting,
     .field = "input2_name",
     .settings_key = "input2",
     .requirement = name_requirement,
     .option = "input2",
     .option_value = "NAME",
     .option_group = "Problem",
     .option_form = F::plain,
     .description = "name of the second input"},
    {.id = I::output_name,
     .control = "Edit18",
     .caption = "Output",
     .default_text = "z",
     .kind = K::name,
     .page = P::problem_setting,
     .field = "output_name",
     .settings_key = "output",
     .requirement = name_requirement,
     .option = "output",
     .option_value = "NAME",
     .option_group = "Problem",
     .option_form = F::plain,
     .description = "name written before the best formula"},
}};

constexpr bool rows_in_id_order() {
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (static_cast<std::size_t>(table[i].id) != i) {
            return false;
        }
    }
    return true;
}
static_assert(rows_in_id_order());

}  // namespace

std::span<const Parameter> parameter_table() {
    return table;
}

const Parameter& parameter(ParamId id) {
    return table[static_cast<std::size_t>(id)];
}

std::string parameter_tooltip(ParamId id) {
    const Parameter& row = parameter(id);
    const auto sentence = [](std::string_view text) {
        std::string line(text);
        if (!line.empty() && line.front() >= 'a' && line.front() <= 'z') {
            line.front() = static_cast<char>(line.front() - 'a' + 'A');
        }
        return line + ".";
    };
    std::string takes;
    switch (row.kind) {
        case ParamKind::flag:
            takes = "on or off";
            break;
        case ParamKind::choice:
            takes = "proportional, tournament or random";
            break;
        case ParamKind::name:
            takes = "any name";
            break;
        case ParamKind::function_list:
            takes = "at least one function";
            break;
        case ParamKind::remainder:
            return sentence(row.description) + "\nComputed; it must not be negative.";
        default: {
            takes = row.requirement;
            // The shortest program depends on the checked functions.
            if (const auto blank = takes.find("{0}"); blank != std::string::npos) {
                takes.replace(blank, 3, "the shortest program's length");
            }
        }
    }
    std::string shown(row.default_text);
    if (row.kind == ParamKind::flag) {
        shown = row.default_text == flag_on ? "on" : "off";
    }
    return sentence(row.description) + "\nTakes " + takes + ".\nDefault: " + shown + ".";
}

ParameterTexts::ParameterTexts() {
    for (const Parameter& row : table) {
        texts_[static_cast<std::size_t>(row.id)] = std::string(row.default_text);
    }
}

}  // namespace vorn
