#pragma once
// Builds problem settings for tests from a few cell rows and the page's texts.
#include <array>
#include <string>
#include <vector>

#include "engine/prepare_run.h"
#include "problem/problem_setting.h"
#include "program/functable.h"

namespace vorn::testing {

// The "Problem Setting" page's texts, one field per control.
struct ProblemTexts {
    std::array<bool, num_primitives> checked{true, true, true, true};
    std::string constant_min = "-1";
    std::string constant_max = "1";
    std::string num_constants = "1000";
    std::string input1_name = "x";
    std::string input2_name = "y";
    bool use_training_data = true;

    void fill(ParameterTexts& texts) const {
        texts[ParamId::functions] = function_list_text(checked);
        texts[ParamId::constant_min] = constant_min;
        texts[ParamId::constant_max] = constant_max;
        texts[ParamId::num_constants] = num_constants;
        texts[ParamId::input1_name] = input1_name;
        texts[ParamId::input2_name] = input2_name;
        texts.set_flag(ParamId::use_training_data, use_training_data);
    }
};

struct SettingFixture {
    std::vector<functable> function_table = build_function_table();
    std::vector<CellRow> training;
    std::vector<CellRow> validation;
    ProblemTexts texts;

    // Parses the texts as Start does; throws SettingError on the first refusal.
    [[nodiscard]] Tproblem_setting make() {
        ParameterTexts all;
        texts.fill(all);
        const DataTable training_table = DataTable::from_texts(training);
        const DataTable validation_table = DataTable::from_texts(validation);
        return Tproblem_setting(parse_problem_parameters(all),
                                GridCells{&training_table, &validation_table}, function_table);
    }
};

// The "Population" page's texts (and the constant fields), one field per
// control; the selection is RadioGroup1's item index.
struct PopulationTexts {
    std::string population_size = "1000";
    std::string num_generations = "50";
    int selection_method = 0;
    std::string tournament_size = "6";
    std::string crossover_rate = "0.70";
    std::string mutation_rate = "0.20";
    std::string one_point_mutation_rate = "0.00";
    std::string reproduction_rate = "0.1";
    bool elite_strategy = true;
    std::string elite_percent = "10";
    bool break_point = false;
    std::string break_every = "5";
    std::string constant_max = "1";
    std::string constant_min = "-1";
    std::string num_constants = "1000";
    std::string max_length = "100";
    std::string max_initial_depth = "5";
    std::string function_ratio = "0.50";
    std::string variable_ratio = "0.20";
    std::string constant_ratio = "0.3";
    std::string parsimony = "none";
    std::string size_penalty = "0.001";
    std::string objectives = "error";
    std::string tune_constants = "0";
};

// Parses the texts as Start does (SettingError on the first refusal). An item
// index past the three methods passes through, so tests can reach the
// selection's fallback.
inline PopulationParameters population_parameters(const PopulationTexts& t,
                                                  const Tproblem_setting& setting) {
    ParameterTexts all;
    const auto method = static_cast<std::size_t>(t.selection_method);
    all[ParamId::population_size] = t.population_size;
    all[ParamId::num_generations] = t.num_generations;
    all[ParamId::selection_method] =
        method < selection_names.size() ? selection_names[method] : selection_names[0];
    all[ParamId::tournament_size] = t.tournament_size;
    all[ParamId::crossover_rate] = t.crossover_rate;
    all[ParamId::mutation_rate] = t.mutation_rate;
    all[ParamId::one_point_mutation_rate] = t.one_point_mutation_rate;
    all[ParamId::reproduction_rate] = t.reproduction_rate;
    all.set_flag(ParamId::elite_strategy, t.elite_strategy);
    all[ParamId::elite_percent] = t.elite_percent;
    all.set_flag(ParamId::break_point, t.break_point);
    all[ParamId::break_every] = t.break_every;
    all[ParamId::constant_max] = t.constant_max;
    all[ParamId::constant_min] = t.constant_min;
    all[ParamId::num_constants] = t.num_constants;
    all[ParamId::max_length] = t.max_length;
    all[ParamId::max_initial_depth] = t.max_initial_depth;
    all[ParamId::function_ratio] = t.function_ratio;
    all[ParamId::variable_ratio] = t.variable_ratio;
    all[ParamId::constant_ratio] = t.constant_ratio;
    all[ParamId::parsimony] = t.parsimony;
    all[ParamId::size_penalty] = t.size_penalty;
    all[ParamId::objectives] = t.objectives;
    all[ParamId::tune_constants] = t.tune_constants;
    PopulationParameters p =
        parse_population_parameters(all, parse_problem_parameters(all), setting);
    if (method >= selection_names.size()) {
        p.selection_method = t.selection_method;
    }
    return p;
}

inline CellRow row(const std::string& x1, const std::string& y1, const std::string& x2,
                   const std::string& y2) {
    return CellRow{x1, y1, x2, y2};
}

}  // namespace vorn::testing
