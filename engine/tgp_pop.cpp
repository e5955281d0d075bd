#include "engine/tgp_pop.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "problem/errors.h"
#include "problem/memory_limit.h"
#include "problem/number_text.h"
#include "problem/problem_setting.h"
#include "program/operators.h"

namespace vorn {

namespace {

std::int32_t read_int(const std::string& text, const char* caption, std::int32_t minimum,
                      const char* requirement) {
    const auto value = parse_int(text);
    if (!value || *value < minimum) {
        throw field_error(caption, requirement, text);
    }
    return *value;
}

float read_real(const std::string& text, const char* caption) {
    const auto value = parse_float32(text);
    if (!value) {
        throw field_error(caption, "a number", text);
    }
    return *value;
}

// The shortest program the checked functions allow: a root and its arguments.
std::int32_t shortest_program(const Tproblem_setting& setting) {
    std::int32_t smallest_arity = std::numeric_limits<std::int32_t>::max();
    for (std::int32_t code = 0; code < setting.num_functions; ++code) {
        smallest_arity = std::min(smallest_arity, setting.node_table[code].arity_less_one + 1);
    }
    return 1 + smallest_arity;
}

// Refuses, before anything is allocated, a population that cannot fit in
// this machine's memory.
void check_memory(const Tgp_pop& pop) {
    const double individuals = 2.0 * pop.population_size;
    const double bytes =
        individuals * (sizeof(Individual) + sizeof(Individual*) +
                       static_cast<double>(pop.max_length) * sizeof(std::int32_t)) +
        3.0 * pop.num_generations * sizeof(float) +
        static_cast<double>(pop.tournament_size) * sizeof(std::int32_t);
    if (bytes > physical_memory_bytes()) {
        const double gib = bytes / (1024.0 * 1024.0 * 1024.0);
        throw SettingError("The population needs about " + std::to_string(std::lround(gib)) +
                           " GiB of memory, more than this machine has; lower \"Population "
                           "Size\", \"Maximum Length\" or \"Generation\".");
    }
}

}  // namespace

Tgp_pop::Tgp_pop(const PopulationTexts& texts, const Tproblem_setting& setting) {
    population_size =
        read_int(texts.population_size, "Population Size", 2, "a whole number of at least 2");
    num_generations =
        read_int(texts.num_generations, "Generation", 1, "a whole number of at least 1");
    selection_method = texts.selection_method;
    if (selection_method == tournament) {
        // Larger tournaments only repeat draws: the best would win every one,
        // and a second parent could hardly ever be found.
        const char* requirement = "a whole number from 1 to the \"Population Size\"";
        tournament_size = read_int(texts.tournament_size, "Tournament Size", 1, requirement);
        if (tournament_size > population_size) {
            throw field_error("Tournament Size", requirement, texts.tournament_size);
        }
    }
    crossover_rate = read_real(texts.crossover_rate, "Crossover");
    mutation_rate = read_real(texts.mutation_rate, "Mutation");
    one_point_mutation_rate = read_real(texts.one_point_mutation_rate, "One-point Mutation");
    reproduction_rate = read_real(texts.reproduction_rate, "Reproduction");
    if (texts.elite_strategy) {
        const auto percent = parse_real(texts.elite_percent);
        if (!percent || *percent < 0 || *percent > 100) {
            throw field_error("Elite Strategy", "a percentage from 0 to 100", texts.elite_percent);
        }
        elite_fraction = static_cast<float>(static_cast<long double>(*percent) * 0.01L);
    }
    if (texts.break_point) {
        break_every = read_int(texts.break_every, "Break Point", 0, "a whole number of at least 0");
    }
    constant_max = read_real(texts.constant_max, "Range");
    constant_min = read_real(texts.constant_min, "Range");
    num_constants =
        read_int(texts.num_constants, "Number of constant", 1, "a whole number of at least 1");
    const std::int32_t shortest = shortest_program(setting);
    max_length = read_int(
        texts.max_length, "Maximum Length", shortest,
        ("a whole number of at least " + std::to_string(shortest) + " with the checked functions")
            .c_str());
    max_initial_depth = read_int(texts.max_initial_depth, "Maximum Initial Depth", 0,
                                 "a whole number of at least 0");
    function_ratio = read_real(texts.function_ratio, "Function");
    if (!(function_ratio < 1)) {
        // No terminal could ever be drawn, so no program could be completed.
        throw field_error("Function", "a number below 1", texts.function_ratio);
    }
    variable_ratio = read_real(texts.variable_ratio, "Variable");
    constant_ratio = read_real(texts.constant_ratio, "Constant");

    check_memory(*this);

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
    current_buffer = 0;
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
