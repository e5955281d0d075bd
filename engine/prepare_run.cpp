#include "engine/prepare_run.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "engine/evaluation.h"
#include "engine/holdout.h"
#include "problem/errors.h"
#include "problem/memory_limit.h"
#include "problem/number_text.h"
#include "program/random.h"

namespace vorn {

namespace {

using I = ParamId;

[[noreturn]] void refuse(ParamId id, std::string_view requirement, const std::string& text) {
    throw ParameterError(id, messages::field_refused(parameter(id).caption, requirement, text));
}

std::int32_t read_whole(const ParameterTexts& texts, ParamId id) {
    const Parameter& row = parameter(id);
    const auto value = parse_int(texts[id]);
    if (!value || *value < row.minimum) {
        refuse(id, row.requirement, texts[id]);
    }
    return *value;
}

const std::string& read_name(const ParameterTexts& texts, ParamId id) {
    if (!is_plain_text(texts[id])) {
        refuse(id, parameter(id).requirement, texts[id]);
    }
    return texts[id];
}

// The shortest program the checked functions allow fills the requirement's blank.
std::int32_t read_max_length(const ParameterTexts& texts, std::int32_t shortest) {
    const auto value = parse_int(texts[I::max_length]);
    if (!value || *value < shortest) {
        std::string requirement(parameter(I::max_length).requirement);
        requirement.replace(requirement.find("{0}"), 3, std::to_string(shortest));
        refuse(I::max_length, requirement, texts[I::max_length]);
    }
    return *value;
}

// A real refused for its text says "a number"; one out of range states the range.
float read_real(const ParameterTexts& texts, ParamId id) {
    const Parameter& row = parameter(id);
    const auto value = parse_float32(texts[id]);
    if (!value) {
        refuse(id, "a number", texts[id]);
    }
    const bool over = row.maximum_excluded ? !(*value < row.maximum) : *value > row.maximum;
    if (*value < row.minimum || over) {
        refuse(id, row.requirement, texts[id]);
    }
    return *value;
}

bool read_flag(const ParameterTexts& texts, ParamId id) {
    if (texts[id] != flag_on && texts[id] != flag_off) {
        refuse(id, "true or false", texts[id]);
    }
    return texts[id] == flag_on;
}

std::int32_t read_choice(const ParameterTexts& texts, ParamId id) {
    const auto index = choice_index(parameter(id), texts[id]);
    if (!index) {
        refuse(id, choice_list_text(parameter(id)), texts[id]);
    }
    return static_cast<std::int32_t>(*index);
}

// Refuses, before anything is allocated, a constant count whose tables
// cannot fit in this machine's memory (a node row, its label and the value).
void check_constants_memory(const ParameterTexts& texts, std::int32_t num_constants) {
    const double per_constant = sizeof(functable) + sizeof(double) + 16.0;
    if (static_cast<double>(num_constants) * per_constant > available_memory_bytes()) {
        refuse(I::num_constants, "small enough for the constant table to fit in memory",
               texts[I::num_constants]);
    }
}

// A label that does not read as a number cannot pass as a share.
bool below_zero_or_unreadable(const std::string& label) {
    const auto value = parse_real(label);
    return !value || *value < 0;
}

bool below_zero(const std::string& label) {
    const auto value = parse_real(label);
    return value && *value < 0;
}

// The fixed values the rate groups and the constant range go back to.
std::vector<Restore> operation_rate_restore() {
    return {{I::crossover_rate, "0.70"},
            {I::mutation_rate, "0.20"},
            {I::one_point_mutation_rate, "0.00"},
            {I::reproduction_rate, "0.10"}};
}

std::vector<Restore> node_ratio_restore() {
    return {{I::function_ratio, "0.50"}, {I::variable_ratio, "0.20"}, {I::constant_ratio, "0.30"}};
}

// Deliberately not the defaults -1 and 1.
std::vector<Restore> constant_range_restore() {
    return {{I::constant_min, "-10"}, {I::constant_max, "10"}};
}

// The checks made before any text is parsed, in Start's order.
std::optional<Refusal> check_start(const RunRequest& request) {
    const ParameterTexts& texts = request.plan.texts;
    if (!request.training_loaded) {
        return Refusal{messages::training_not_loaded(), Page::problem_setting, {}};
    }
    if (!request.validation_loaded && texts[I::use_training_data] != flag_on) {
        return Refusal{messages::validation_not_loaded(), Page::problem_setting, {}};
    }
    if (request.check_constant_range) {
        const auto low = parse_float32(texts[I::constant_min]);
        const auto high = parse_float32(texts[I::constant_max]);
        if (low && high && !(*low < *high)) {
            return Refusal{messages::constant_range(), Page::problem_setting,
                           constant_range_restore()};
        }
    }
    if (below_zero_or_unreadable(texts[I::reproduction_rate])) {
        return Refusal{messages::operation_rate_sum(), Page::population, operation_rate_restore()};
    }
    if (below_zero_or_unreadable(texts[I::constant_ratio])) {
        return Refusal{messages::node_ratio_sum(), Page::population, node_ratio_restore()};
    }
    return std::nullopt;
}

// Runs one stage of building the run: a refused text names its field's page,
// a refused grid "Problem Setting", and lack of memory its own message.
template <class Stage>
std::optional<Refusal> refusal_of_stage(Stage stage, Message (*out_of_memory)()) {
    try {
        stage();
    } catch (const ParameterError& error) {
        return Refusal{error.message(), parameter(error.field()).page, {}};
    } catch (const SettingError& error) {
        return Refusal{error.message(), Page::problem_setting, {}};
    } catch (const std::bad_alloc&) {
        return Refusal{out_of_memory(), std::nullopt, {}};
    } catch (const std::length_error&) {
        return Refusal{out_of_memory(), std::nullopt, {}};
    }
    return std::nullopt;
}

}  // namespace

std::string function_list_text(const std::array<bool, num_primitives>& checked) {
    std::string list;
    for (int i = 0; i < num_primitives; ++i) {
        if (checked[i]) {
            list += list.empty() ? "" : ",";
            list += primitive_names[i];
        }
    }
    return list;
}

std::optional<std::array<bool, num_primitives>> parse_function_list(std::string_view text) {
    std::array<bool, num_primitives> checked{};
    if (text.empty()) {
        return checked;
    }
    while (true) {
        const auto comma = text.find(',');
        std::string_view name = text.substr(0, comma);
        while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) {
            name.remove_prefix(1);
        }
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) {
            name.remove_suffix(1);
        }
        const auto* found = std::find(primitive_names.begin(), primitive_names.end(), name);
        if (name.empty() || found == primitive_names.end()) {
            return std::nullopt;
        }
        checked[static_cast<std::size_t>(found - primitive_names.begin())] = true;
        if (comma == std::string_view::npos) {
            return checked;
        }
        text.remove_prefix(comma + 1);
    }
}

ProblemParameters parse_problem_parameters(const ParameterTexts& texts) {
    ProblemParameters p;
    const auto checked = parse_function_list(texts[I::functions]);
    if (!checked) {
        refuse(I::functions, "a list of the functions' names", texts[I::functions]);
    }
    p.checked = *checked;
    p.num_constants = read_whole(texts, I::num_constants);
    check_constants_memory(texts, p.num_constants);
    p.constant_min = read_real(texts, I::constant_min);
    p.constant_max = read_real(texts, I::constant_max);
    p.input1_name = read_name(texts, I::input1_name);
    p.input2_name = read_name(texts, I::input2_name);
    p.use_training_data = read_flag(texts, I::use_training_data);
    return p;
}

namespace {

void read_search_parameters(const ParameterTexts& texts, const ProblemParameters& problem,
                            const Tproblem_setting& setting, PopulationParameters& p) {
    p.parsimony = read_choice(texts, I::parsimony);
    p.size_objective = read_choice(texts, I::objectives) == 1;
    p.tune_programs = read_whole(texts, I::tune_constants);
    if (p.parsimony == parsimony_penalty) {
        p.size_penalty = read_real(texts, I::size_penalty);
    }
    p.holdout = read_real(texts, I::holdout);
    std::int32_t held = 0;
    if (p.holdout > 0) {
        if (!problem.use_training_data) {
            refuse(I::holdout, "0 when validating on a file of its own", texts[I::holdout]);
        }
        held = held_out_count(setting.num_training_rows, p.holdout);
        if (held < 1 || held >= setting.num_training_rows) {
            refuse(I::holdout, "a share that holds out at least one row and keeps one",
                   texts[I::holdout]);
        }
    }
    p.num_cases = uses_cases(p.selection_method) ? setting.num_training_rows - held : 0;
}

}  // namespace

PopulationParameters parse_population_parameters(const ParameterTexts& texts,
                                                 const ProblemParameters& problem,
                                                 const Tproblem_setting& setting) {
    PopulationParameters p;
    p.population_size = read_whole(texts, I::population_size);
    p.num_generations = read_whole(texts, I::num_generations);
    p.selection_method = read_choice(texts, I::selection_method);
    if (p.selection_method == tournament) {
        // Entrants are drawn with replacement, so a tournament may outnumber
        // the population; far beyond it, it only repeats draws.
        p.tournament_size = read_whole(texts, I::tournament_size);
        if (p.tournament_size > std::max(p.population_size, max_tournament_floor)) {
            refuse(I::tournament_size, parameter(I::tournament_size).requirement,
                   texts[I::tournament_size]);
        }
    }
    p.crossover_rate = read_real(texts, I::crossover_rate);
    p.mutation_rate = read_real(texts, I::mutation_rate);
    p.one_point_mutation_rate = read_real(texts, I::one_point_mutation_rate);
    p.reproduction_rate = read_real(texts, I::reproduction_rate);
    if (read_flag(texts, I::elite_strategy)) {
        const auto percent = parse_real(texts[I::elite_percent]);
        const Parameter& row = parameter(I::elite_percent);
        if (!percent || *percent < row.minimum || *percent > row.maximum) {
            refuse(I::elite_percent, row.requirement, texts[I::elite_percent]);
        }
        p.elite_fraction = static_cast<float>(static_cast<long double>(*percent) * 0.01L);
    }
    if (read_flag(texts, I::break_point)) {
        p.break_every = read_whole(texts, I::break_every);
    }
    p.constant_max = problem.constant_max;
    p.constant_min = problem.constant_min;
    p.num_constants = problem.num_constants;
    p.max_length = read_max_length(texts, shortest_program(setting));
    p.max_initial_depth = read_whole(texts, I::max_initial_depth);
    p.function_ratio = read_real(texts, I::function_ratio);
    p.variable_ratio = read_real(texts, I::variable_ratio);
    p.constant_ratio = read_real(texts, I::constant_ratio);
    read_search_parameters(texts, problem, setting, p);
    return p;
}

PrepareResult prepare_run(const RunRequest& request, std::span<const functable> function_table) {
    PrepareResult result;
    if (auto refusal = check_start(request)) {
        result.refusal = std::move(refusal);
        return result;
    }
    PreparedRun run;
    run.plan = request.plan;
    const ParameterTexts& texts = run.plan.texts;
    result.refusal = refusal_of_stage(
        [&] {
            run.parameters.problem = parse_problem_parameters(texts);
            run.parameters.output_name = read_name(texts, I::output_name);
            run.setting = std::make_unique<Tproblem_setting>(run.parameters.problem, request.cells,
                                                             function_table);
        },
        messages::memory_setting);
    if (result.refusal) {
        return result;
    }
    if (run.setting->fell_back_to_plus()) {
        result.notices.push_back(Notice{messages::no_function(),
                                        Page::problem_setting,
                                        {{I::functions, std::string(primitive_names[0])}}});
    }
    result.refusal = refusal_of_stage(
        [&] {
            PopulationParameters& population = run.parameters.population;
            population = parse_population_parameters(texts, run.parameters.problem, *run.setting);
            if (population.holdout > 0) {
                // The rows held out follow from the seed, so it is settled here.
                if (!run.plan.seed) {
                    run.plan.seed = clock_seed();
                }
                hold_out(*run.setting, held_out_rows(run.setting->num_training_rows,
                                                     held_out_count(run.setting->num_training_rows,
                                                                    population.holdout),
                                                     *run.plan.seed));
            }
            if (population.tune_programs > 0) {
                run.setting->reserve_tuned_constants(tuned_constant_slots(population));
            }
            // The evaluators' copies of the data count too, one per thread.
            const unsigned threads = scoring_threads(
                request.threads, static_cast<std::size_t>(population.population_size));
            const double runs = std::max(request.concurrent_runs, 1U);
            check_population_memory(
                population,
                runs * evaluation_memory_bytes(*run.setting, population.max_length, threads) +
                    (runs - 1) * population_memory_bytes(population));
            run.pop = std::make_unique<Tgp_pop>(population);
        },
        messages::memory_population);
    if (result.refusal) {
        return result;
    }
    result.run = std::move(run);
    return result;
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

void fill_remainders(ParameterTexts& texts) {
    if (auto label = remainder_label(texts[I::crossover_rate], texts[I::mutation_rate],
                                     texts[I::one_point_mutation_rate])) {
        texts[I::reproduction_rate] = std::move(*label);
    }
    if (auto label = remainder_label(texts[I::function_ratio], texts[I::variable_ratio])) {
        texts[I::constant_ratio] = std::move(*label);
    }
}

std::vector<Refusal> population_page_refusals(const ParameterTexts& texts) {
    std::vector<Refusal> refusals;
    if (below_zero(texts[I::reproduction_rate])) {
        refusals.push_back(
            Refusal{messages::operation_rate_sum(), Page::population, operation_rate_restore()});
    }
    if (below_zero(texts[I::constant_ratio])) {
        refusals.push_back(
            Refusal{messages::node_ratio_sum(), Page::population, node_ratio_restore()});
    }
    return refusals;
}

std::optional<Refusal> problem_page_refusal(const ParameterTexts& texts) {
    const auto end = [&texts](ParamId id) {
        const auto value = parse_real(texts[id]);
        if (!value) {
            refuse(id, "a number", texts[id]);
        }
        return *value;
    };
    const double low = end(I::constant_min);
    const double high = end(I::constant_max);
    if (!(low < high)) {
        return Refusal{messages::constant_range(), Page::problem_setting, constant_range_restore()};
    }
    return std::nullopt;
}

}  // namespace vorn
