// The ranking by fronts and the run's front, over random figures with many
// ties: what dominates ranks first, and the front is exactly the
// non-dominated best of each size.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/pareto.h"

namespace vorn {
namespace {

TEST(Pareto, RankingPutsWhatDominatesFirstAndTheFrontIsNonDominated) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 200; ++trial) {
        const int n = 1 + static_cast<int>(random() % 60);
        const int lengths = 1 + static_cast<int>(random() % 12);
        const int levels = 1 + static_cast<int>(random() % 8);
        std::vector<std::int32_t> genes(static_cast<std::size_t>(n) * 16, 0);
        std::vector<Individual> individuals(static_cast<std::size_t>(n));
        std::vector<Individual*> generation;
        for (int i = 0; i < n; ++i) {
            Individual& x = individuals[static_cast<std::size_t>(i)];
            x.gene = std::span(genes).subspan(static_cast<std::size_t>(i) * 16, 16);
            x.length = 1 + static_cast<std::int32_t>(random() % static_cast<unsigned>(lengths));
            x.raw_fitness = static_cast<double>(random() % static_cast<unsigned>(levels)) / levels;
            x.gene[0] = i;  // tells the programs apart in the archive
            generation.push_back(&x);
        }
        ParetoArchive archive(16);
        archive.add(generation);
        rank_by_front(generation);

        const auto lowest = std::min_element(
            individuals.begin(), individuals.end(),
            [](const Individual& a, const Individual& b) { return a.raw_fitness < b.raw_fitness; });
        EXPECT_EQ(generation[0]->raw_fitness, lowest->raw_fitness);
        for (std::size_t a = 0; a < generation.size(); ++a) {
            for (std::size_t b = 0; b < a; ++b) {
                // Nothing ranked later dominates what is ranked earlier.
                ASSERT_FALSE(dominates(generation[a]->raw_fitness, generation[a]->length,
                                       generation[b]->raw_fitness, generation[b]->length))
                    << "trial " << trial;
            }
        }

        const std::vector<FrontPoint> front = archive.front();
        ASSERT_FALSE(front.empty());
        for (std::size_t i = 1; i < front.size(); ++i) {
            EXPECT_LT(front[i - 1].length, front[i].length);
            EXPECT_GT(front[i - 1].training_fitness, front[i].training_fitness);
        }
        for (const Individual& x : individuals) {
            // Each program is on the front or matched or beaten by one there.
            EXPECT_TRUE(std::any_of(front.begin(), front.end(), [&](const FrontPoint& p) {
                return (p.training_fitness == x.raw_fitness && p.length == x.length) ||
                       dominates(p.training_fitness, p.length, x.raw_fitness, x.length);
            }));
        }
        for (const FrontPoint& p : front) {
            const Individual& kept = individuals[static_cast<std::size_t>(p.gene[0])];
            EXPECT_EQ(kept.raw_fitness, p.training_fitness);
            EXPECT_EQ(kept.length, p.length);
            EXPECT_EQ(p.gene.size(), static_cast<std::size_t>(p.length));
        }
    }
}

}  // namespace
}  // namespace vorn
