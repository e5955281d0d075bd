#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "engine/run_gp.h"
#include "program/gene.h"
#include "program/generic_sort.h"
#include "program/random.h"
#include "tests/engine/engine_fixture.h"

namespace vorn {
namespace {

using testing::EngineFixture;

// Fills the current generation with distinct three-node genes "+ x c_i" and
// gives them decreasing normalized fitness, best first.
void fill_ranked_generation(Tgp_pop& pop) {
    const auto generation = pop.current();
    for (std::int32_t i = 0; i < pop.population_size; ++i) {
        Individual& individual = *generation[i];
        individual.gene[0] = 0;
        individual.gene[1] = 4;
        individual.gene[2] = 6 + i;
        individual.length = 3;
        individual.raw_fitness = 0.01 * i;
        individual.adjusted_fitness = 1 / (1 + individual.raw_fitness);
    }
    double sum = 0;
    for (const Individual* individual : generation) {
        sum += individual->adjusted_fitness;
    }
    for (Individual* individual : generation) {
        individual->normalized_fitness = individual->adjusted_fitness / sum;
    }
}

TEST(Breeding, EliteCopiesTheBestWithTheirFitness) {
    EngineFixture f;
    f.population.elite_percent = "29";
    f.population.population_size = "100";
    f.build();
    fill_ranked_generation(*f.pop);
    seed_random(11);
    f.pop->breed(0, *f.setting);
    const auto current = f.pop->current();
    const auto next = f.pop->next();
    for (int i = 0; i < 28; ++i) {
        ASSERT_EQ(next[i]->length, 3);
        EXPECT_EQ(next[i]->gene[2], current[i]->gene[2]);
        EXPECT_EQ(next[i]->raw_fitness, current[i]->raw_fitness);
        EXPECT_EQ(next[i]->normalized_fitness, current[i]->normalized_fitness);
    }
    for (const Individual* child : next) {
        EXPECT_TRUE(is_well_formed(f.setting->node_table, child->program()));
    }
}

TEST(Breeding, WholeEliteBreedsNothingAndDrawsNothing) {
    EngineFixture f;
    f.population.elite_percent = "100";
    f.build();
    fill_ranked_generation(*f.pop);
    seed_random(5);
    const auto before = random_state().value;
    f.pop->breed(0, *f.setting);
    EXPECT_EQ(random_state().value, before);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(f.pop->next()[i]->gene[2], f.pop->current()[i]->gene[2]);
    }
}

TEST(Breeding, ReproductionDrawsRThenTheParent) {
    EngineFixture f;
    f.population.elite_strategy = false;
    f.population.crossover_rate = "0";
    f.population.mutation_rate = "0";
    f.population.selection_method = random_selection;
    f.build();
    fill_ranked_generation(*f.pop);
    seed_random(21);
    std::vector<std::int32_t> expected_parents;
    for (int i = 0; i < 20; ++i) {
        (void)rand15();  // r
        expected_parents.push_back(random_below(20));
    }
    seed_random(21);
    f.pop->breed(0, *f.setting);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(f.pop->next()[i]->gene[2], 6 + expected_parents[i]) << i;
    }
}

TEST(Selection, TournamentOfOneIsRandomSelection) {
    EngineFixture f;
    f.population.selection_method = tournament;
    f.population.tournament_size = "1";
    f.build();
    fill_ranked_generation(*f.pop);
    seed_random(3);
    std::vector<std::int32_t> tournament_picks;
    for (int i = 0; i < 50; ++i) {
        tournament_picks.push_back(f.pop->select_tournament());
    }
    seed_random(3);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(f.pop->select_random(), tournament_picks[i]);
    }
}

TEST(Selection, TournamentTiesGoToTheEarliestDraw) {
    EngineFixture f;
    f.population.selection_method = tournament;
    f.population.tournament_size = "4";
    f.build();
    fill_ranked_generation(*f.pop);
    for (Individual* individual : f.pop->current()) {
        individual->normalized_fitness = 0.05;
    }
    seed_random(8);
    const std::int32_t first_draw = random_below(20);
    seed_random(8);
    EXPECT_EQ(f.pop->select_tournament(), first_draw);

    // A tournament as large as the population mostly returns the best (it
    // is drawn with probability 1 - (19/20)^20, about 0.64).
    f.population.tournament_size = "20";
    f.build();
    fill_ranked_generation(*f.pop);
    int best = 0;
    for (int i = 0; i < 400; ++i) {
        best += f.pop->select_tournament() == 0 ? 1 : 0;
    }
    EXPECT_GT(best, 200);
}

TEST(Selection, ProportionalEdgeCases) {
    EngineFixture f;
    f.population.population_size = "4";
    f.build();
    fill_ranked_generation(*f.pop);
    for (Individual* individual : f.pop->current()) {
        individual->normalized_fitness = 0.25;
    }
    f.pop->prepare_selection();
    seed_random(33429);  // the first rand15 is 32767, so r = 1: no sum exceeds it
    EXPECT_EQ(f.pop->select_proportional(), 0);
    seed_random(4256);  // r = 0: the first individual
    EXPECT_EQ(f.pop->select_proportional(), 0);

    // Equal fitness selects uniformly.
    seed_random(2);
    std::map<std::int32_t, int> counts;
    for (int i = 0; i < 8000; ++i) {
        ++counts[f.pop->select_proportional()];
    }
    ASSERT_EQ(counts.size(), 4u);
    for (const auto& [index, count] : counts) {
        EXPECT_NEAR(count, 2000, 200) << index;
    }
}

TEST(Selection, SecondParentIsFoundEvenWhenSelectionIsStuck) {
    // A selection method that always returns position 0 could never give a
    // second parent by drawing again.
    EngineFixture f;
    f.population.population_size = "2";
    f.population.elite_strategy = false;
    f.population.selection_method = 9;  // past every method: the fallback
    f.population.crossover_rate = "0.5";
    f.population.mutation_rate = "0";
    f.population.one_point_mutation_rate = "0.5";
    f.build();
    fill_ranked_generation(*f.pop);
    seed_random(4);
    f.pop->breed(0, *f.setting);
    for (const Individual* child : f.pop->next()) {
        EXPECT_TRUE(is_well_formed(f.setting->node_table, child->program()));
    }
}

TEST(Fitness, AssignSortAndMeanLength) {
    EngineFixture f;
    f.build();
    fill_ranked_generation(*f.pop);
    auto& generation = f.pop->generation_buffers[0];
    // x + c: classifies by the constant's sign shift; every length is 3.
    Evaluation evaluation(*f.setting, f.pop->max_length, EvaluatorKind::reference);
    (void)assign_fitness(evaluation, generation);
    double sum = 0;
    for (const Individual* individual : generation) {
        EXPECT_GE(individual->raw_fitness, 0);
        EXPECT_LE(individual->raw_fitness, 1);
        EXPECT_EQ(individual->adjusted_fitness, 1 / (1 + individual->raw_fitness));
        sum += individual->normalized_fitness;
    }
    EXPECT_NEAR(sum, 1, 1e-12);
    generic_sort(std::span<Individual*>(generation), compare_fitness);
    for (std::size_t i = 1; i < generation.size(); ++i) {
        EXPECT_GE(generation[i - 1]->normalized_fitness, generation[i]->normalized_fitness);
    }
    EXPECT_EQ(mean_length(generation), 3.0);
    generation[0]->length = 4;
    EXPECT_EQ(mean_length(generation), 61.0 / 20);
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

TEST(Selection, ProportionalMatchesTheLinearWalkOfTheWheel) {
    EngineFixture f;
    f.population.population_size = "300";
    f.build();
    fill_ranked_generation(*f.pop);
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> weight(0, 1);
    double total = 0;
    for (Individual* individual : f.pop->current()) {
        individual->normalized_fitness = weight(rng);
        total += individual->normalized_fitness;
    }
    for (Individual* individual : f.pop->current()) {
        individual->normalized_fitness /= total;
    }
    f.pop->prepare_selection();
    seed_random(17);
    std::vector<std::int32_t> picks;
    for (int i = 0; i < 5000; ++i) {
        picks.push_back(f.pop->select_proportional());
    }
    seed_random(17);
    for (int i = 0; i < 5000; ++i) {
        const auto r = static_cast<float>(random_unit());
        std::int32_t expected = 0;
        double sum = 0;
        for (std::int32_t k = 0; k < 300; ++k) {
            sum += f.pop->current()[k]->normalized_fitness;
            if (sum > r) {
                expected = k;
                break;
            }
        }
        ASSERT_EQ(picks[i], expected) << i;
    }
}

// Lexicase only picks a program no other beats: none has errors as low on
// every data row and lower on one. With lexicographic parsimony, none ties
// it on every row and is shorter either.
TEST(Selection, LexicasePicksOnlyProgramsNoOtherBeats) {
    for (const char* parsimony : {"none", "lexicographic"}) {
        EngineFixture f;
        f.population.population_size = "60";
        f.population.selection_method = lexicase;
        f.population.parsimony = parsimony;
        f.build();
        initialize_run(*f.setting, *f.pop, 11);
        Evaluation evaluation(*f.setting, f.pop->max_length, EvaluatorKind::reference);
        (void)assign_fitness(evaluation, f.pop->generation_buffers[0], fitness_options(*f.pop));
        rank_generation(*f.pop, f.pop->generation_buffers[0]);
        f.pop->prepare_selection();
        const bool by_length = std::string(parsimony) == "lexicographic";
        const auto beats = [&](const Individual* b, const Individual* a) {
            const auto eb = f.pop->case_errors(b);
            const auto ea = f.pop->case_errors(a);
            bool lower = false;
            for (std::size_t c = 0; c < ea.size(); ++c) {
                if (eb[c] > ea[c]) {
                    return false;
                }
                lower = lower || eb[c] < ea[c];
            }
            return lower || (by_length && b->length < a->length);
        };
        for (int draw = 0; draw < 300; ++draw) {
            const Individual* a = f.pop->current()[f.pop->select_lexicase()];
            for (const Individual* b : f.pop->current()) {
                ASSERT_FALSE(beats(b, a)) << parsimony << " draw " << draw;
            }
        }
    }
}

}  // namespace
}  // namespace vorn
