#include "engine/best_on_validation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace vorn {
namespace {

// Observes one report per count, each generation's gene being {g, g, g};
// the buffer is overwritten after each one, as breeding does.
BestOnValidation observed(const std::vector<float>& counts) {
    BestOnValidation best;
    std::vector<std::int32_t> gene(3);
    for (std::size_t g = 0; g < counts.size(); ++g) {
        std::fill(gene.begin(), gene.end(), static_cast<std::int32_t>(g));
        GenerationReport report;
        report.generation = static_cast<std::int32_t>(g);
        report.validation_fitness = counts[g];
        report.best_raw_fitness = 0.5 + static_cast<double>(g);
        report.best_gene = gene;
        best.observe(report);
        std::fill(gene.begin(), gene.end(), -1);
    }
    return best;
}

TEST(BestOnValidation, KeepsTheLowestCountAndTheEarliestOnATie) {
    struct Case {
        std::vector<float> counts;
        std::int32_t generation;  // from 1
    };
    const std::vector<Case> cases = {
        {{40}, 1},                  // a single generation
        {{40, 30, 20}, 3},          // each one better
        {{20, 30, 40}, 1},          // each one worse
        {{30, 20, 20, 25}, 2},      // a tie goes to the earliest
        {{30, 30, 30}, 1},          // all equal
        {{50, 22, 60, 21, 21}, 4},  // better again after a worse one
        {{0, 0}, 1},
    };
    for (const Case& c : cases) {
        const BestOnValidation best = observed(c.counts);
        ASSERT_TRUE(best.best().has_value());
        const ValidatedBest& kept = *best.best();
        const auto g = static_cast<std::size_t>(c.generation - 1);
        EXPECT_EQ(kept.generation, c.generation) << "case starting " << c.counts.front();
        EXPECT_EQ(kept.validation_count, c.counts[g]);
        EXPECT_EQ(kept.training_fitness, 0.5 + static_cast<double>(g));
        EXPECT_EQ(kept.gene, std::vector<std::int32_t>(3, static_cast<std::int32_t>(g)));
    }
}

TEST(BestOnValidation, IsTheFirstMinimumOfAnySequence) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> count(0, 6);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<float> counts(1 + trial % 12);
        for (float& c : counts) {
            c = static_cast<float>(count(random));
        }
        const auto first_min = std::min_element(counts.begin(), counts.end()) - counts.begin();
        EXPECT_EQ(observed(counts).best()->generation, first_min + 1);
    }
}

TEST(BestOnValidation, IsEmptyBeforeAGenerationAndAfterClear) {
    BestOnValidation best = observed({});
    EXPECT_FALSE(best.best());
    best = observed({5});
    best.clear();
    EXPECT_FALSE(best.best());
}

}  // namespace
}  // namespace vorn
