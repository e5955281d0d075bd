#include "engine/tgp_pop.h"

#include <algorithm>
#include <limits>

#include "engine/parameters.h"
#include "problem/memory_limit.h"
#include "problem/problem_setting.h"
#include "program/operators.h"

namespace vorn {

namespace {

// Two error tables of a byte per individual and case, a case order, the
// candidates of one selection and the groups of equal errors.
double lexicase_bytes(const PopulationParameters& p) {
    if (!uses_cases(p.selection_method)) {
        return 0;
    }
    const double cases = p.num_cases;
    return 2.0 * p.population_size * cases + cases * (1 + sizeof(std::int32_t)) +
           static_cast<double>(p.population_size) *
               (3 * sizeof(std::int32_t) + sizeof(std::size_t)) +
           (cases * error_levels + 1) * static_cast<double>(group_set_words(p.population_size)) *
               sizeof(std::uint64_t);
}

}  // namespace

double population_memory_bytes(const PopulationParameters& p) {
    const double individuals = 2.0 * p.population_size;
    return individuals * (sizeof(Individual) + sizeof(Individual*) +
                          static_cast<double>(p.max_length) * sizeof(std::int32_t)) +
           3.0 * p.num_generations * sizeof(float) +
           static_cast<double>(p.tournament_size) * sizeof(std::int32_t) + lexicase_bytes(p);
}

void check_population_memory(const PopulationParameters& p, double other_bytes) {
    const double bytes = population_memory_bytes(p) + other_bytes;
    if (bytes > available_memory_bytes()) {
        throw ParameterError(ParamId::population_size, messages::population_memory(bytes));
    }
}

std::int32_t shortest_program(const Tproblem_setting& setting) {
    std::int32_t smallest_arity = std::numeric_limits<std::int32_t>::max();
    for (std::int32_t code = 0; code < setting.num_functions; ++code) {
        smallest_arity = std::min(smallest_arity, setting.node_table[code].arity_less_one + 1);
    }
    return 1 + smallest_arity;
}

Tgp_pop::Tgp_pop(const PopulationParameters& p)
    : max_length(p.max_length),
      max_initial_depth(p.max_initial_depth),
      function_ratio(p.function_ratio),
      variable_ratio(p.variable_ratio),
      constant_ratio(p.constant_ratio),
      constant_max(p.constant_max),
      constant_min(p.constant_min),
      num_constants(p.num_constants),
      break_every(p.break_every),
      num_generations(p.num_generations),
      population_size(p.population_size),
      selection_method(p.selection_method),
      tournament_size(p.tournament_size),
      crossover_rate(p.crossover_rate),
      mutation_rate(p.mutation_rate),
      reproduction_rate(p.reproduction_rate),
      one_point_mutation_rate(p.one_point_mutation_rate),
      elite_fraction(p.elite_fraction),
      parsimony(p.parsimony),
      size_penalty(p.size_penalty),
      num_cases(p.num_cases),
      size_objective(p.size_objective),
      tune_programs(p.tune_programs),
      front_archive(p.size_objective ? p.max_length : 0) {
    // Refused before anything is allocated.
    check_population_memory(p);

    validation_history.assign(static_cast<std::size_t>(num_generations), 0.0f);
    training_history.assign(static_cast<std::size_t>(num_generations), 0.0f);
    mean_length_history.assign(static_cast<std::size_t>(num_generations), 0);
    const auto size = static_cast<std::size_t>(population_size);
    const auto length = static_cast<std::size_t>(max_length);
    for (int b = 0; b < 2; ++b) {
        individuals_[b].resize(size);
        gene_store_[b].assign(size * length, 0);
        generation_buffers[b].resize(size);
        for (std::size_t i = 0; i < size; ++i) {
            individuals_[b][i].gene = std::span(gene_store_[b]).subspan(i * length, length);
            generation_buffers[b][i] = &individuals_[b][i];
        }
    }
    work_.assign(length, 0);
    tournament_draws_.assign(static_cast<std::size_t>(std::max(tournament_size, 1)), 0);
    mutation_scratch_.assign(static_cast<std::size_t>(mutation_node_limit), 0);
    if (selection_method == proportional) {
        cumulative_fitness_.assign(size, 0.0);
    }
    if (uses_cases(selection_method)) {
        const auto cases = static_cast<std::size_t>(num_cases);
        slot_errors_.assign(size * cases, 0);
        ranked_errors_.assign(size * cases, 0);
        case_epsilon_.assign(cases, 0);
        case_order_.resize(cases);
        for (std::size_t c = 0; c < cases; ++c) {
            case_order_[c] = static_cast<std::int32_t>(c);
        }
        candidates_.reserve(size);
        group_first_.reserve(size);
        group_start_.reserve(size + 1);
        group_members_.reserve(size);
        level_sets_.reserve(cases * error_levels * group_set_words(population_size));
        candidate_set_.assign(group_set_words(population_size), 0);
    }
    current_buffer = 0;
}

std::span<std::uint8_t> Tgp_pop::case_errors(const Individual* individual) {
    // Generation buffer b holds pointers into individuals_[b] only.
    for (const auto& store : individuals_) {
        if (!store.empty() && individual >= store.data() &&
            individual < store.data() + store.size()) {
            const auto slot = static_cast<std::size_t>(individual - store.data());
            const auto cases = static_cast<std::size_t>(num_cases);
            return std::span(slot_errors_).subspan(slot * cases, cases);
        }
    }
    return {};
}

NodeChooser Tgp_pop::node_chooser(const Tproblem_setting& setting) const {
    return NodeChooser{function_ratio, variable_ratio, setting.num_functions, setting.num_variables,
                       setting.num_constants};
}

void Tgp_pop::record_statistics(std::int32_t g, float validation, float training,
                                std::int32_t mean_length) {
    validation_history[g] = validation;
    training_history[g] = training;
    mean_length_history[g] = mean_length;
}

}  // namespace vorn
