#include <algorithm>
#include "engine/tgp_pop.h"

#include "problem/problem_setting.h"
#include "program/operators.h"
#include "program/random.h"

namespace vorn {

std::int32_t elite_count(std::int32_t population_size, float elite_fraction) {
    return static_cast<std::int32_t>(static_cast<double>(population_size) *
                                     static_cast<double>(elite_fraction));
}

bool Tgp_pop::breed(std::int32_t /*generation*/, const Tproblem_setting& setting,
                    const std::function<bool()>& keep_going) {
    const auto current_generation = current();
    const auto next_generation = next();
    const auto& node_table = setting.node_table;
    const NodeChooser chooser = node_chooser(setting);

    // The rate sums are formed in double precision from the single-precision
    // rates, never rounded back.
    const std::int32_t elite = elite_count(population_size, elite_fraction);
    const double crossover_limit = crossover_rate;
    const double mutation_limit = crossover_limit + static_cast<double>(mutation_rate);
    const double one_point_limit = mutation_limit + static_cast<double>(one_point_mutation_rate);

    prepare_selection();
    const std::int32_t elite_end = std::min(elite, population_size);
    for (std::int32_t i = 0; i < elite_end; ++i) {
        copy_individual(*next_generation[i], *current_generation[i], max_length);
    }
    draws_ = 0;
    for (std::int32_t i = elite_end; i < population_size; ++i) {
        // A large population or tournament makes a long generation: let the
        // front end answer Stop and Abort meanwhile.
        if (draws_ >= draws_per_check) {
            draws_ = 0;
            if (keep_going && !keep_going()) {
                return false;
            }
        }
        Individual& child = *next_generation[i];
        const auto r = static_cast<float>(random_unit());
        const std::int32_t p1 = select_parent();
        if (r < crossover_limit) {
            const std::int32_t p2 = select_second_parent(p1);
            crossover(child, *current_generation[p1], *current_generation[p2], max_length,
                      node_table);
        } else if (r < mutation_limit) {
            mutate(child, *current_generation[p1], max_length, mutation_node_limit, node_table,
                   chooser, mutation_scratch_);
        } else if (r < one_point_limit) {
            const std::int32_t p2 = select_second_parent(p1);
            one_point_crossover(child, *current_generation[p1], *current_generation[p2], max_length,
                                node_table);
        } else {
            copy_individual(child, *current_generation[p1], max_length);
        }
    }
    return true;
}

std::int32_t Tgp_pop::select_second_parent(std::int32_t p1) {
    for (std::int32_t attempt = 0; attempt < parent_redraw_limit; ++attempt) {
        const std::int32_t p2 = select_parent();
        if (p2 != p1) {
            return p2;
        }
    }
    // Selection keeps returning the same individual (a huge tournament, say):
    // take another position uniformly instead of drawing forever.
    std::int32_t p2 = random_below(population_size - 1);
    if (p2 >= p1) {
        ++p2;
    }
    return p2;
}

std::int32_t Tgp_pop::select_parent() {
    switch (selection_method) {
        case proportional:
            return select_proportional();
        case tournament:
            return select_tournament();
        case random_selection:
            return select_random();
        default:
            return 0;
    }
}

void Tgp_pop::prepare_selection() {
    if (selection_method != proportional) {
        return;
    }
    // Summed in the order of the wheel's linear walk, so the sums are the
    // very values that walk would compare with r.
    const auto generation = current();
    double sum = 0;
    for (std::int32_t i = 0; i < population_size; ++i) {
        sum += generation[i]->normalized_fitness;
        cumulative_fitness_[i] = sum;
    }
}

std::int32_t Tgp_pop::select_proportional() {
    ++draws_;
    const auto r = static_cast<float>(random_unit());
    // Sums of non-negative values never decrease, so the first sum above r
    // is found by binary search: the index the linear walk would return.
    const auto found = std::upper_bound(cumulative_fitness_.begin(), cumulative_fitness_.end(),
                                        static_cast<double>(r));
    if (found == cumulative_fitness_.end()) {
        return 0;
    }
    return static_cast<std::int32_t>(found - cumulative_fitness_.begin());
}

std::int32_t Tgp_pop::select_tournament() {
    draws_ += tournament_size;
    const auto generation = current();
    for (std::int32_t k = 0; k < tournament_size; ++k) {
        tournament_draws_[k] = random_below(population_size);
    }
    std::int32_t w = 0;
    for (std::int32_t k = 0; k < tournament_size; ++k) {
        if (generation[tournament_draws_[k]]->normalized_fitness >
            generation[tournament_draws_[w]]->normalized_fitness) {
            w = k;
        }
    }
    return tournament_draws_[w];
}

std::int32_t Tgp_pop::select_random() {
    ++draws_;
    return random_below(population_size);
}

}  // namespace vorn
