#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/tgp_pop.h"
#include "problem/errors.h"
#include "program/gene.h"
#include "program/random.h"
#include "tests/program/sample_genes.h"

namespace vorn {
namespace {

using Gene = std::vector<std::int32_t>;
using testing::Checks;
using testing::function_subsets;
using testing::grow_gene;
using testing::population_parameters;
using testing::PopulationTexts;
using testing::setting_for;
using testing::subset_name;

// Depth of every node of a well-formed gene, worked out with a stack of open
// argument places rather than by recursion.
std::vector<std::int32_t> node_depths(std::span<const functable> table, const Gene& gene) {
    std::vector<std::int32_t> depths;
    std::vector<std::pair<std::int32_t, std::int32_t>> open;  // child depth, places left
    for (std::int32_t code : gene) {
        const std::int32_t depth = open.empty() ? 0 : open.back().first;
        depths.push_back(depth);
        if (!open.empty() && --open.back().second == 0) {
            open.pop_back();
        }
        if (table[code].arity_less_one >= 0) {
            open.emplace_back(depth + 1, table[code].arity_less_one + 1);
        }
    }
    return depths;
}

// Every node's depth as slot_depth finds it from the nodes before it, and
// the tree depth as the deepest of them.
TEST(TreeDepth, AgreesWithAStackWalkOnRandomGenes) {
    for (const Checks& checked : function_subsets()) {
        const auto setting = setting_for(checked);
        const std::span<const functable> table = setting.node_table;
        std::mt19937 rng(17);
        for (int k = 0; k < 100; ++k) {
            const Gene gene = grow_gene(rng, setting, 60);
            const auto depths = node_depths(table, gene);
            std::int32_t position = 0;
            ASSERT_EQ(tree_depth(0, gene, position, table),
                      *std::max_element(depths.begin(), depths.end()));
            ASSERT_EQ(position, static_cast<std::int32_t>(gene.size()) - 1);
            for (std::int32_t target = 1; target < static_cast<std::int32_t>(gene.size());
                 ++target) {
                // Only the filled nodes before the slot may matter: a function
                // from the slot on would change the depth if it were read.
                Gene prefix(gene.begin(), gene.begin() + target);
                prefix.resize(gene.size(), 0);
                position = 0;
                ASSERT_EQ(slot_depth(0, prefix, position, target, table), depths[target])
                    << subset_name(checked) << "target " << target;
            }
        }
    }
}

struct RunTexts {
    Checks checked{true, true, true, true};
    std::string constants = "5";
    PopulationTexts texts;
};

// Creates a population of the given texts with the given seed, its gene
// buffers first filled with garbage so that the zero-fill shows.
class Created {
public:
    Created(const RunTexts& run, std::uint32_t seed)
        : setting(setting_for(run.checked, run.constants)),
          pop(population_parameters(run.texts, setting)) {
        for (Individual* individual : pop.current()) {
            std::fill(individual->gene.begin(), individual->gene.end(), 0x5A5A);
        }
        seed_random(seed);
        pop.create_initial_population(setting);
    }
    [[nodiscard]] std::vector<Gene> genes() const {
        std::vector<Gene> result;
        for (const Individual* individual : pop.current()) {
            const auto program = individual->program();
            result.emplace_back(program.begin(), program.end());
        }
        return result;
    }

    Tproblem_setting setting;
    Tgp_pop pop;
};

TEST(Creation, GenesAreCompleteWithinTheLimitsOverEverySubset) {
    for (const Checks& checked : function_subsets()) {
        const auto smallest = setting_for(checked);
        std::int32_t fewest_arguments = 4;
        for (std::int32_t code = 0; code < smallest.num_functions; ++code) {
            fewest_arguments =
                std::min(fewest_arguments, smallest.node_table[code].arity_less_one + 1);
        }
        for (std::int32_t max_length : {3, 5, 10, 100}) {
            if (max_length < 1 + fewest_arguments) {
                continue;  // refused at Start
            }
            for (std::int32_t depth : {0, 1, 2, 5, 10}) {
                SCOPED_TRACE(subset_name(checked) + "max_length " + std::to_string(max_length) +
                             " depth " + std::to_string(depth));
                RunTexts run;
                run.checked = checked;
                run.texts.population_size = "40";
                run.texts.max_length = std::to_string(max_length);
                run.texts.max_initial_depth = std::to_string(depth);
                const Created created(run, static_cast<std::uint32_t>(max_length * 7 + depth));
                const auto table = std::span<const functable>(created.setting.node_table);
                for (const Individual* individual : created.pop.current()) {
                    const auto program = individual->program();
                    ASSERT_TRUE(is_well_formed(table, program));
                    ASSERT_GE(individual->length, 2);
                    ASSERT_LE(individual->length, std::min(70, max_length));
                    ASSERT_GE(table[program[0]].arity_less_one, 0) << "root not a function";
                    ASSERT_TRUE(std::all_of(individual->gene.begin() + individual->length,
                                            individual->gene.end(),
                                            [](std::int32_t code) { return code == 0; }));
                    const auto depths = node_depths(table, Gene(program.begin(), program.end()));
                    if (depth >= 1) {
                        ASSERT_LE(*std::max_element(depths.begin(), depths.end()), depth);
                    }
                    if (depth == 1) {
                        // One function applied to terminals.
                        ASSERT_EQ(individual->length, table[program[0]].arity_less_one + 2);
                    }
                }
            }
        }
    }
}

// Expected genes traced from the generator's first values after seed 1,
// worked out once with a few lines of Python that reproduce rand15, rand31
// and the node choice from their definitions. Only "+" and one constant:
// 0 is +, 1 x, 2 y, 3 the constant; ratios 0.50 / 0.20, so a forced
// terminal is a variable below r = 0.4 and a free node is a function below
// 0.5 and a variable below 0.7. The first draws (rand15 -> r) are
// 130 -> 0.004, 8068 -> 0.246, 14853 -> 0.453, 3633 -> 0.111, 5334 -> 0.163,
// 21424 -> 0.654, 9847 -> 0.301, 24482 -> 0.747, 25121 -> 0.767, ...
TEST(Creation, SeededDrawsGiveTheTracedGenes) {
    RunTexts run;
    run.checked = {true};
    run.constants = "1";
    run.texts.population_size = "3";
    run.texts.max_initial_depth = "1";
    // Root; forced terminals: 0.246 a variable (y by rand31), 0.453 the constant.
    EXPECT_EQ(Created(run, 1).genes(), (std::vector<Gene>{{0, 2, 3}, {0, 1, 3}, {0, 3, 3}}));

    run.texts.max_initial_depth = "2";
    // Depth 1 is free: 0.246 gives a second +, whose arguments at depth 2
    // are forced (0.453 the constant, 0.111 y); 0.163 another +, and so on.
    EXPECT_EQ(Created(run, 1).genes(),
              (std::vector<Gene>{{0, 0, 3, 2, 0, 3, 2}, {0, 3, 1}, {0, 1, 3}}));
}

// With only IFLTE and room for 5 codes a program needs four terminals in a
// row after the root, which a Function ratio of 0.99 all but never draws:
// every attempt is abandoned within five nodes until the limit is reached.
TEST(Creation, HopelessSettingEndsWithAMessage) {
    RunTexts run;
    run.checked = {false, false, false, false, false, false, false, false, false, true};
    run.texts.population_size = "2";
    run.texts.max_length = "5";
    run.texts.max_initial_depth = "0";
    run.texts.function_ratio = "0.99";
    run.texts.variable_ratio = "0.005";
    run.texts.constant_ratio = "0.005";
    try {
        const Created created(run, 1);
        FAIL() << "no RunError";
    } catch (const RunError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("\"Maximum Length\" 5"), std::string::npos) << message;
        EXPECT_NE(message.find("\"Maximum Initial Depth\""), std::string::npos) << message;
        EXPECT_NE(message.find("\"Function\" ratio"), std::string::npos) << message;
    }
}

// With IFLTE alone in five codes about one attempt in 120 completes a program
// (four terminals in a row at a Function ratio of 0.7): 20 000 programs need
// some 2.4 million attempts in all, beyond a fixed budget for the whole
// generation, though each needs few.
TEST(Creation, TheGenerationsBudgetGrowsWithThePopulation) {
    RunTexts run;
    run.checked = {false, false, false, false, false, false, false, false, false, true};
    run.texts.population_size = "20000";
    run.texts.max_length = "5";
    run.texts.max_initial_depth = "10";
    run.texts.function_ratio = "0.70";
    run.texts.variable_ratio = "0.20";
    run.texts.constant_ratio = "0.10";
    const Created created(run, 5);
    for (const Gene& gene : created.genes()) {
        ASSERT_EQ(gene.size(), 5u);
    }
}

// A failure names only the settings that can help: at or above the node cap
// of a created program, a longer "Maximum Length" cannot.
TEST(Creation, FailureAdvisesOnlyWhatCanHelp) {
    struct Case {
        std::int32_t max_length;
        MessageId id;
        bool advises_length;
    };
    const Case cases[] = {{5, MessageId::creation_failed, true},
                          {creation_node_cap - 1, MessageId::creation_failed, true},
                          {creation_node_cap, MessageId::creation_failed_at_cap, false},
                          {500, MessageId::creation_failed_at_cap, false}};
    for (const Case& c : cases) {
        const Message message = creation_failure(c.max_length, 2'000'000);
        EXPECT_EQ(message.id, c.id) << message.text;
        EXPECT_EQ(message.text.find("raise \"Maximum Length\"") != std::string::npos,
                  c.advises_length)
            << message.text;
        EXPECT_NE(message.text.find("\"Function\" ratio"), std::string::npos) << message.text;
        EXPECT_NE(message.text.find("2000000 attempts"), std::string::npos) << message.text;
    }
}

}  // namespace
}  // namespace vorn
