#include <algorithm>
#include <bit>
#include <cstring>

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
    if (size_objective && selection_method == proportional) {
        return select_by_rank(2);
    }
    if (size_objective && selection_method == tournament) {
        return select_by_rank(tournament_size);
    }
    switch (selection_method) {
        case proportional:
            return select_proportional();
        case tournament:
            return select_tournament();
        case random_selection:
            return select_random();
        case lexicase:
        case epsilon_lexicase:
            return select_lexicase();
        default:
            return 0;
    }
}

void Tgp_pop::prepare_selection() {
    if (uses_cases(selection_method)) {
        prepare_lexicase();
        return;
    }
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
    if (parsimony == parsimony_lexicographic) {
        for (std::int32_t k = 0; k < tournament_size; ++k) {
            if (compare_fitness_then_length(generation[tournament_draws_[k]],
                                            generation[tournament_draws_[w]]) < 0) {
                w = k;
            }
        }
        return tournament_draws_[w];
    }
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

std::int32_t Tgp_pop::select_by_rank(std::int32_t entrants) {
    draws_ += entrants;
    std::int32_t best = population_size;
    for (std::int32_t k = 0; k < entrants; ++k) {
        best = std::min(best, random_below(population_size));
    }
    return best;
}

int compare_fitness_then_length(const Individual* a, const Individual* b) {
    if (a->normalized_fitness != b->normalized_fitness) {
        return a->normalized_fitness > b->normalized_fitness ? -1 : 1;
    }
    if (a->length != b->length) {
        return a->length < b->length ? -1 : 1;
    }
    return 0;
}

// Groups of programs with the same errors on every row, numbered by their
// first position; each group's positions in ranked order.
void Tgp_pop::group_programs(std::size_t n, std::size_t cases) {
    // Sorted by their errors (equal ones by position), equal rows side by
    // side; the buffers were allocated with the population.
    const auto row = [&](std::int32_t i) {
        return ranked_errors_.data() + static_cast<std::size_t>(i) * cases;
    };
    group_members_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        group_members_[i] = static_cast<std::int32_t>(i);
    }
    std::sort(group_members_.begin(), group_members_.end(), [&](std::int32_t a, std::int32_t b) {
        const int order = std::memcmp(row(a), row(b), cases);
        return order != 0 ? order < 0 : a < b;
    });
    group_first_.clear();
    group_start_.clear();
    for (std::size_t k = 0; k < n; ++k) {
        if (k == 0 || std::memcmp(row(group_members_[k - 1]), row(group_members_[k]), cases) != 0) {
            group_first_.push_back(group_members_[k]);
            group_start_.push_back(k);
        }
    }
    group_start_.push_back(n);
    // Bit g of level v of case c: group g's error on c is at most v.
    const std::size_t groups = group_first_.size();
    const std::size_t words = (groups + 63) / 64;
    level_sets_.assign(cases * error_levels * words, 0);
    for (std::size_t g = 0; g < groups; ++g) {
        const std::uint8_t* errors = row(group_first_[g]);
        const std::uint64_t bit = std::uint64_t{1} << (g % 64);
        for (std::size_t c = 0; c < cases; ++c) {
            for (std::size_t v = errors[c]; v < error_levels; ++v) {
                level_sets_[(c * error_levels + v) * words + g / 64] |= bit;
            }
        }
    }
}

// The errors in ranked order, and each case's epsilon: the median absolute
// deviation of its errors over the generation (0 for plain lexicase).
void Tgp_pop::prepare_lexicase() {
    const auto generation = current();
    const auto cases = static_cast<std::size_t>(num_cases);
    for (std::size_t i = 0; i < generation.size(); ++i) {
        const auto row = case_errors(generation[i]);
        std::copy(row.begin(), row.end(),
                  ranked_errors_.begin() + static_cast<std::ptrdiff_t>(i * cases));
    }
    group_programs(generation.size(), cases);
    std::fill(case_epsilon_.begin(), case_epsilon_.end(), 0);
    if (selection_method != epsilon_lexicase) {
        return;
    }
    const std::size_t n = generation.size();
    // Errors are 0, 1 or 2: medians come from counts.
    const auto median_of_counts = [n](const std::array<std::size_t, 3>& counts) {
        std::size_t seen = 0;
        for (std::uint8_t v = 0; v < 3; ++v) {
            seen += counts[v];
            if (2 * seen > n) {
                return v;
            }
        }
        return std::uint8_t{2};
    };
    for (std::size_t c = 0; c < cases; ++c) {
        std::array<std::size_t, 3> counts{};
        for (std::size_t i = 0; i < n; ++i) {
            ++counts[ranked_errors_[i * cases + c]];
        }
        const std::uint8_t median = median_of_counts(counts);
        std::array<std::size_t, 3> deviations{};
        for (std::uint8_t v = 0; v < 3; ++v) {
            deviations[static_cast<std::size_t>(v > median ? v - median : median - v)] += counts[v];
        }
        case_epsilon_[c] = median_of_counts(deviations);
    }
}

std::int32_t Tgp_pop::select_lexicase() {
    const auto cases = static_cast<std::size_t>(num_cases);
    // Programs with the same errors on every row stand or fall together, so
    // the cases filter groups of them, as bit sets: a case keeps the groups
    // in its set of the lowest error level any candidate reaches (plus
    // epsilon).
    const std::size_t groups = group_first_.size();
    const std::size_t words = (groups + 63) / 64;
    std::fill(candidate_set_.begin(), candidate_set_.begin() + static_cast<std::ptrdiff_t>(words),
              ~std::uint64_t{0});
    if (groups % 64 != 0) {
        candidate_set_[words - 1] = (std::uint64_t{1} << (groups % 64)) - 1;
    }
    std::size_t left = groups;
    draws_ += static_cast<std::int64_t>(words);
    // A partial shuffle: only the cases looked at are drawn.
    for (std::size_t k = 0; k < cases && left > 1; ++k) {
        const auto j =
            k + static_cast<std::size_t>(random_below(static_cast<std::int32_t>(cases - k)));
        std::swap(case_order_[k], case_order_[j]);
        const auto c = static_cast<std::size_t>(case_order_[k]);
        const auto level = [&](std::size_t v) {
            return level_sets_.data() + (c * error_levels + v) * words;
        };
        std::size_t best = 0;
        while (best + 1 < error_levels) {
            const std::uint64_t* set = level(best);
            bool any = false;
            for (std::size_t w = 0; w < words && !any; ++w) {
                any = (candidate_set_[w] & set[w]) != 0;
            }
            if (any) {
                break;
            }
            ++best;
        }
        const std::uint64_t* keep = level(std::min(best + case_epsilon_[c], error_levels - 1));
        left = 0;
        for (std::size_t w = 0; w < words; ++w) {
            candidate_set_[w] &= keep[w];
            left += static_cast<std::size_t>(std::popcount(candidate_set_[w]));
        }
        draws_ += static_cast<std::int64_t>(words);
    }
    candidates_.clear();
    for (std::size_t w = 0; w < words; ++w) {
        for (std::uint64_t bits = candidate_set_[w]; bits != 0; bits &= bits - 1) {
            candidates_.push_back(static_cast<std::int32_t>(w * 64) + std::countr_zero(bits));
        }
    }
    // A random one of the programs left (with lexicographic parsimony, of the
    // shortest of them), each as likely as any other.
    const auto generation = current();
    const auto members = [&](std::int32_t g) {
        const auto at = static_cast<std::size_t>(g);
        return std::span(group_members_)
            .subspan(group_start_[at], group_start_[at + 1] - group_start_[at]);
    };
    std::int32_t shortest = 0;
    if (parsimony == parsimony_lexicographic) {
        shortest = max_length + 1;
        for (const std::int32_t g : candidates_) {
            for (const std::int32_t i : members(g)) {
                shortest = std::min(shortest, generation[i]->length);
            }
        }
    }
    const auto counts = [&](std::int32_t i) {
        return shortest == 0 || generation[i]->length == shortest;
    };
    std::int32_t total = 0;
    for (const std::int32_t g : candidates_) {
        total +=
            static_cast<std::int32_t>(std::count_if(members(g).begin(), members(g).end(), counts));
    }
    std::int32_t r = random_below(total);
    for (const std::int32_t g : candidates_) {
        for (const std::int32_t i : members(g)) {
            if (counts(i) && r-- == 0) {
                return i;
            }
        }
    }
    return 0;
}

}  // namespace vorn
