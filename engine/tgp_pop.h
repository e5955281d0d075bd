#pragma once
// The population of one run: its parameters, two generation buffers that take
// turns holding the current generation, and the per-generation history.
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "engine/pareto.h"
#include "problem/messages.h"
#include "program/functable.h"
#include "program/individual.h"
#include "program/random_node.h"

namespace vorn {

class Tproblem_setting;

// The typed values of the "Population" page (and the constant fields of the
// "Problem Setting" page), parsed from their texts once; a field not in use
// (the tournament size of another selection, the elite share without elite
// strategy, the break point when unchecked) is 0.
struct PopulationParameters {
    std::int32_t population_size = 0;    // Edit1
    std::int32_t num_generations = 0;    // Edit2
    std::int32_t selection_method = 0;   // RadioGroup1 item index
    std::int32_t tournament_size = 0;    // Edit3
    float crossover_rate = 0;            // Edit4
    float mutation_rate = 0;             // Edit5
    float one_point_mutation_rate = 0;   // Edit6
    float reproduction_rate = 0;         // Label6
    float elite_fraction = 0;            // CheckBox1, Edit7
    std::int32_t break_every = 0;        // CheckBox2, Edit15
    float constant_max = 0;              // Edit11
    float constant_min = 0;              // Edit10
    std::int32_t num_constants = 0;      // Edit12
    std::int32_t max_length = 0;         // Edit8
    std::int32_t max_initial_depth = 0;  // Edit9
    float function_ratio = 0;            // Edit13
    float variable_ratio = 0;            // Edit14
    float constant_ratio = 0;            // ConstLabel
    std::int32_t parsimony = 0;          // ComboBox1 item index
    float size_penalty = 0;              // Edit19, with penalty parsimony only
    float holdout = 0;                   // Edit20
    // Data rows each program is scored on, one case each, with lexicase
    // selection only.
    std::int32_t num_cases = 0;
    bool size_objective = false;     // ComboBox2: error-and-size
    std::int32_t tune_programs = 0;  // Edit21
};

// Tuned constant codes a run reserves: room for every tuned program of every
// generation, as a code once taken is never taken again (programs kept from
// earlier generations, on the front or as the best on validation, still
// use theirs). Beyond ten million, tuning stops when they run out.
[[nodiscard]] inline std::int32_t tuned_constant_slots(const PopulationParameters& p) {
    const double wanted =
        static_cast<double>(p.tune_programs) * p.max_length * std::max(p.num_generations, 1);
    return static_cast<std::int32_t>(std::min(wanted, 1.0e7));
}

enum SelectionMethod : std::int32_t {
    proportional = 0,
    tournament = 1,
    random_selection = 2,
    lexicase = 3,
    epsilon_lexicase = 4,
};
enum Parsimony : std::int32_t {
    parsimony_none = 0,
    parsimony_lexicographic = 1,
    parsimony_penalty = 2
};
// A data row's error: 0, 1 or 2 of its points misclassified.
inline constexpr std::size_t error_levels = 3;
[[nodiscard]] constexpr std::size_t group_set_words(std::int32_t population_size) {
    return (static_cast<std::size_t>(population_size) + 63) / 64;
}
[[nodiscard]] constexpr bool uses_cases(std::int32_t selection_method) {
    return selection_method == lexicase || selection_method == epsilon_lexicase;
}

// Abandoned trees per individual, and for the whole first generation (at
// least the fixed total, else so many per individual), before creation gives
// up with a RunError: far beyond what usable settings need (the defaults
// abandon a few hundred trees in all), reached within seconds per thousand
// individuals.
inline constexpr std::int64_t creation_attempt_limit = 1'000'000;
inline constexpr std::int64_t creation_total_attempt_limit = 2'000'000;
inline constexpr std::int64_t creation_attempts_per_individual = 2'000;
[[nodiscard]] constexpr std::int64_t creation_budget(std::int32_t population_size) {
    return std::max(creation_total_attempt_limit,
                    creation_attempts_per_individual * population_size);
}
// Redraws of a second parent equal to the first before another position is
// taken directly.
inline constexpr std::int32_t parent_redraw_limit = 1000;
// Node cap of a randomly created tree (also capped by max_length).
inline constexpr std::int32_t creation_node_cap = 70;
// What creation says when it gives up after `attempts`.
[[nodiscard]] Message creation_failure(std::int32_t max_length, std::int64_t attempts);
// Selections (tournament entrants counted one by one) between two calls of
// breeding's keep_going.
inline constexpr std::int64_t draws_per_check = 4096;

class Tgp_pop {
public:
    // Refuses a population that cannot fit in memory (naming "Population
    // Size"), then allocates everything the run needs; nothing is allocated
    // later.
    explicit Tgp_pop(const PopulationParameters& parameters);
    Tgp_pop(const Tgp_pop&) = delete;
    Tgp_pop& operator=(const Tgp_pop&) = delete;

    std::int32_t current_buffer = 0;
    std::int32_t max_length = 0;
    std::int32_t max_initial_depth = 0;
    float function_ratio = 0;
    float variable_ratio = 0;
    float constant_ratio = 0;
    float constant_max = 0;
    float constant_min = 0;
    std::int32_t num_constants = 0;
    std::int32_t break_every = 0;
    std::int32_t num_generations = 0;
    std::int32_t population_size = 0;
    std::int32_t selection_method = 0;
    std::int32_t tournament_size = 0;
    float crossover_rate = 0;
    float mutation_rate = 0;
    float reproduction_rate = 0;
    float one_point_mutation_rate = 0;
    float elite_fraction = 0;
    std::int32_t parsimony = 0;
    float size_penalty = 0;
    std::int32_t num_cases = 0;
    bool size_objective = false;
    std::int32_t tune_programs = 0;
    // With the size objective: the best program of each size seen.
    ParetoArchive front_archive{0};
    std::vector<float> validation_history;
    std::vector<float> training_history;
    std::vector<std::int32_t> mean_length_history;
    // Pointers into the individuals below; sorting permutes these only.
    std::array<std::vector<Individual*>, 2> generation_buffers;

    [[nodiscard]] std::span<Individual* const> current() const {
        return generation_buffers[current_buffer];
    }
    [[nodiscard]] std::span<Individual* const> next() const {
        return generation_buffers[1 - current_buffer];
    }

    // Random creation: fills every individual of the current buffer.
    // `keep_going` is called now and then while trees are grown, so a front
    // end can stay responsive; when it returns false creation stops early
    // (the run is being aborted and no generation will be evaluated).
    void create_initial_population(const Tproblem_setting& setting,
                                   const std::function<bool()>& keep_going = {});

    // Breeds the sorted current generation into the other buffer. As in
    // creation, `keep_going` is called now and then; when it returns false
    // breeding stops early and breed returns false (the next generation is
    // then incomplete and must not be used).
    bool breed(std::int32_t generation, const Tproblem_setting& setting,
               const std::function<bool()>& keep_going = {});
    // Builds what selection needs from the ranked current generation: the
    // running sums of normalized fitness for proportional selection.
    void prepare_selection();
    [[nodiscard]] std::int32_t select_parent();
    [[nodiscard]] std::int32_t select_proportional();
    [[nodiscard]] std::int32_t select_tournament();
    [[nodiscard]] std::int32_t select_random();
    // Lexicase: the data rows in a random order, each keeping the candidates
    // with the fewest errors on it (epsilon-lexicase: within the row's median
    // absolute deviation of errors); a random one of those left.
    [[nodiscard]] std::int32_t select_lexicase();
    // With the size objective: the best ranked of `entrants` random
    // positions (NSGA-II's crowded comparison, the ranking being by front
    // and crowding).
    [[nodiscard]] std::int32_t select_by_rank(std::int32_t entrants);

    // Where the evaluation writes an individual's errors on each data row
    // (0, 1 or 2 points of the row misclassified), with lexicase only.
    [[nodiscard]] std::span<std::uint8_t> case_errors(const Individual* individual);

    void record_statistics(std::int32_t g, float validation, float training,
                           std::int32_t mean_length);

    [[nodiscard]] NodeChooser node_chooser(const Tproblem_setting& setting) const;

private:
    [[nodiscard]] std::int32_t select_second_parent(std::int32_t p1);
    void prepare_lexicase();
    void group_programs(std::size_t n, std::size_t cases);

    std::array<std::vector<Individual>, 2> individuals_;
    std::array<std::vector<std::int32_t>, 2> gene_store_;
    std::vector<std::int32_t> work_;              // creation's working array
    std::vector<std::int32_t> tournament_draws_;  // one tournament's entrants
    std::vector<std::int32_t> mutation_scratch_;  // mutation's new subtree
    std::vector<double> cumulative_fitness_;      // running sums for the roulette wheel
    // Lexicase: errors by individual slot, then copied in ranked order; the
    // epsilon of each case; the case order and the candidates of a selection.
    std::vector<std::uint8_t> slot_errors_;
    std::vector<std::uint8_t> ranked_errors_;
    std::vector<std::uint8_t> case_epsilon_;
    std::vector<std::int32_t> case_order_;
    std::vector<std::int32_t> candidates_;   // groups still in a selection
    std::vector<std::int32_t> group_first_;  // each group's first position
    std::vector<std::size_t> group_start_;   // where each group's positions begin
    std::vector<std::int32_t> group_members_;
    std::vector<std::uint64_t> level_sets_;     // per case and error level, a set of groups
    std::vector<std::uint64_t> candidate_set_;  // the groups still in a selection
    std::int64_t draws_ = 0;                    // since breeding last called keep_going
};

// The memory a population of these parameters takes, in bytes.
[[nodiscard]] double population_memory_bytes(const PopulationParameters& parameters);
// Refuses, naming "Population Size", a population that does not fit in the
// memory this process may use beside `other_bytes` that the run also needs.
void check_population_memory(const PopulationParameters& parameters, double other_bytes = 0);

// Whether a ranks before b when their fitness is equal and a is shorter:
// the order of lexicographic parsimony (-1, 0, +1 as compare_fitness).
[[nodiscard]] int compare_fitness_then_length(const Individual* a, const Individual* b);

// Number of elite copies: population size times the elite share, truncated,
// in double precision (29 % of 100 is 28; 10 % of 1000 is 100).
[[nodiscard]] std::int32_t elite_count(std::int32_t population_size, float elite_fraction);

// The shortest program the checked functions allow: a root and its arguments.
[[nodiscard]] std::int32_t shortest_program(const Tproblem_setting& setting);

// Tree depth of the subtree at `position`, its root counted as `depth`;
// `position` is left on the subtree's last node.
[[nodiscard]] std::int32_t tree_depth(std::int32_t depth, std::span<const std::int32_t> codes,
                                      std::int32_t& position,
                                      std::span<const functable> node_table);

// Depth of the slot `target` of a partial gene whose nodes before it are
// filled; the walk starts at `position` with `depth`.
[[nodiscard]] std::int32_t slot_depth(std::int32_t depth, std::span<const std::int32_t> codes,
                                      std::int32_t& position, std::int32_t target,
                                      std::span<const functable> node_table);

}  // namespace vorn
