#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "problem/messages.h"
#include "program/gene.h"
#include "program/operators.h"
#include "program/random.h"
#include "program/random_node.h"
#include "tests/program/sample_genes.h"

namespace vorn {
namespace {

using Gene = std::vector<std::int32_t>;
using testing::Checks;
using testing::function_subsets;
using testing::grow_gene;
using testing::setting_for;
using testing::subset_name;

// ---------------------------------------------------------------- random_node

TEST(RandomNode, EveryKindDrawsOneUnitThenOneCode) {
    const NodeChooser chooser{0.5f, 0.2f, 4, 2, 1000};
    for (int kind : {0, 1, 2, 3, 7}) {
        for (std::uint32_t seed = 1; seed <= 300; ++seed) {
            seed_random(seed);
            const std::int32_t code = random_node(chooser, kind);
            const auto after = random_state().value;
            seed_random(seed);
            (void)rand15();
            (void)rand31();
            ASSERT_EQ(after, random_state().value) << "kind " << kind << " seed " << seed;
            ASSERT_GE(code, 0);
            ASSERT_LT(code, 1006);
            if (kind == function_node) {
                ASSERT_LT(code, 4);
            }
            if (kind == terminal_node) {
                ASSERT_GE(code, 4);
            }
        }
    }
}

long double exact_unit(std::uint32_t seed) {
    seed_random(seed);
    return random_unit();
}

float first_unit(std::uint32_t seed) {
    return static_cast<float>(exact_unit(seed));
}

std::int32_t first_node(std::uint32_t seed, NodeChooser chooser, int kind) {
    seed_random(seed);
    return random_node(chooser, kind);
}

// Codes with 4 functions and 10 constants: 4 and 5 are the variables.
bool is_variable(std::int32_t code) {
    return code == 4 || code == 5;
}

TEST(RandomNode, BoundariesOfTheRatios) {
    // First unit draws of exactly 1 and exactly 0. r = 1 is not below a sum
    // of 1, so it gives a constant even with no constant share.
    EXPECT_GE(first_node(33429, {0.5f, 0.5f, 4, 2, 10}, any_node), 6);
    EXPECT_GE(first_node(33429, {1.0f, 0.0f, 4, 2, 10}, mutation_node), 6);
    EXPECT_TRUE(is_variable(first_node(4256, {0.0f, 0.3f, 4, 2, 10}, any_node)));
    // No terminal share left, or no constants: a variable stands in.
    EXPECT_TRUE(is_variable(first_node(5, {1.0f, 0.0f, 4, 2, 10}, terminal_node)));
    EXPECT_TRUE(is_variable(first_node(33429, {0.5f, 0.2f, 4, 2, 0}, any_node)));

    // r is rounded to float before the comparisons: a function ratio equal
    // to r's rounding, though above the unrounded draw, is not above r.
    std::uint32_t seed = 1;
    while (!(first_unit(seed) > exact_unit(seed))) {
        ++seed;
    }
    EXPECT_GE(first_node(seed, {first_unit(seed), 0.0f, 4, 2, 10}, any_node), 4);

    // The ratio sum and the terminal quotient are taken in double. These
    // ratios put the boundary a fraction of a float step above r, where a
    // float sum or quotient would round down onto r and give a constant.
    seed = 1;
    while (first_unit(seed) < 0.625f || first_unit(seed) >= 0.75f) {
        ++seed;
    }
    const float r = first_unit(seed);
    const float variable = (r - 0.5f) + std::ldexp(1.0f, -26);
    ASSERT_EQ(0.5f + variable, r);
    EXPECT_TRUE(is_variable(first_node(seed, {0.5f, variable, 4, 2, 10}, any_node)));

    bool found = false;
    for (seed = 1; seed < 1000 && !found; ++seed) {
        const float u = first_unit(seed);
        float v = std::nextafter(std::nextafter(u * 0.75f, 0.0f), 0.0f);
        for (int step = 0; u > 0.3f && step < 8 && !found; ++step, v = std::nextafter(v, 1.0f)) {
            if (double(v) / 0.75 > double(u) && !(v / 0.75f > u)) {
                found = true;
                EXPECT_TRUE(is_variable(first_node(seed, {0.25f, v, 4, 2, 10}, terminal_node)));
            }
        }
    }
    EXPECT_TRUE(found);
}

// ------------------------------------------------------------------ operators

constexpr std::int32_t garbage = 0x5A5A;
constexpr double child_fitness = -7.5;

// An individual with its own buffer of max_length codes; the buffer beyond
// the gene holds garbage so that a missing zero-fill shows.
struct Held {
    Held(std::int32_t max_length, const Gene& gene) : buffer(max_length, garbage) {
        std::copy(gene.begin(), gene.end(), buffer.begin());
        individual.gene = buffer;
        individual.length = static_cast<std::int32_t>(gene.size());
        individual.raw_fitness = 0.25;
        individual.adjusted_fitness = 0.8;
        individual.normalized_fitness = 0.01;
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

    [[nodiscard]] Gene gene() const {
        const auto program = individual.program();
        return {program.begin(), program.end()};
    }

    std::vector<std::int32_t> buffer;
    Individual individual;
};

struct Child : Held {
    explicit Child(std::int32_t max_length) : Held(max_length, {}) {
        individual.raw_fitness = individual.adjusted_fitness = individual.normalized_fitness =
            child_fitness;
    }
};

::testing::AssertionResult sound_child(const Tproblem_setting& setting, const Child& child,
                                       std::int32_t max_length) {
    if (!is_well_formed(setting.node_table, child.individual.program())) {
        return ::testing::AssertionFailure() << "child not well-formed";
    }
    if (child.individual.length > max_length) {
        return ::testing::AssertionFailure() << "child length " << child.individual.length;
    }
    if (!std::all_of(child.buffer.begin() + child.individual.length, child.buffer.end(),
                     [](std::int32_t code) { return code == 0; })) {
        return ::testing::AssertionFailure() << "tail not zero-filled";
    }
    return ::testing::AssertionSuccess();
}

// Whether child = parent[0..s-1] + middle + parent[e+1..] for a subtree s..e of
// the parent and a middle that `accept` takes.
template <class Accept>
bool is_splice(const Tproblem_setting& setting, const Gene& parent, const Gene& child,
               Accept accept) {
    const auto n = static_cast<std::int32_t>(parent.size());
    for (std::int32_t s = 0; s < n; ++s) {
        const std::int32_t e = subtree_end(setting.node_table, parent, s);
        const std::int32_t tail = n - e - 1;
        const std::int32_t middle = static_cast<std::int32_t>(child.size()) - s - tail;
        if (middle < 1 || !std::equal(parent.begin(), parent.begin() + s, child.begin()) ||
            !std::equal(parent.begin() + e + 1, parent.end(), child.end() - tail)) {
            continue;
        }
        if (accept(std::span<const std::int32_t>(child).subspan(s, middle))) {
            return true;
        }
    }
    return false;
}

bool is_subtree_of(const Tproblem_setting& setting, const Gene& gene,
                   std::span<const std::int32_t> part) {
    const auto size = static_cast<std::int32_t>(part.size());
    for (std::int32_t s = 0; s + size <= static_cast<std::int32_t>(gene.size()); ++s) {
        if (subtree_end(setting.node_table, gene, s) == s + size - 1 &&
            std::equal(part.begin(), part.end(), gene.begin() + s)) {
            return true;
        }
    }
    return false;
}

std::int32_t balance(const Tproblem_setting& setting, const Gene& gene, std::int32_t last) {
    std::int32_t sum = 0;
    for (std::int32_t k = 0; k <= last; ++k) {
        sum += setting.node_table[gene[k]].arity_less_one;
    }
    return sum;
}

bool is_one_point_join(const Tproblem_setting& setting, const Gene& first, const Gene& second,
                       const Gene& child) {
    for (std::int32_t j = 0; j < static_cast<std::int32_t>(first.size()); ++j) {
        for (std::int32_t i = 0; i < static_cast<std::int32_t>(second.size()); ++i) {
            if (balance(setting, first, j) != balance(setting, second, i)) {
                continue;
            }
            Gene joined(first.begin(), first.begin() + j + 1);
            joined.insert(joined.end(), second.begin() + i + 1, second.end());
            if (joined == child) {
                return true;
            }
        }
    }
    return false;
}

// Runs `apply(setting, max_length, rng)` over every function subset, a range
// of maximum lengths and many seeds.
template <class Apply>
void for_each_case(Apply apply) {
    for (const Checks& checked : function_subsets()) {
        const auto setting = setting_for(checked);
        for (std::int32_t max_length : {3, 5, 10, 40, 100}) {
            for (std::uint32_t seed = 1; seed <= 40; ++seed) {
                SCOPED_TRACE(subset_name(checked) + "max_length " + std::to_string(max_length) +
                             " seed " + std::to_string(seed));
                seed_random(seed);
                std::mt19937 rng(seed);
                apply(setting, max_length, rng);
                if (::testing::Test::HasFatalFailure()) {
                    return;
                }
            }
        }
    }
}

// Parents must come out exactly as they went in, buffer and fitness alike.
struct Snapshot {
    explicit Snapshot(const Held& held)
        : buffer(held.buffer), raw(held.individual.raw_fitness), length(held.individual.length) {}
    [[nodiscard]] bool same(const Held& held) const {
        return buffer == held.buffer && raw == held.individual.raw_fitness &&
               length == held.individual.length;
    }
    std::vector<std::int32_t> buffer;
    double raw;
    std::int32_t length;
};

void expect_fitness_left(const Child& child) {
    EXPECT_EQ(child.individual.raw_fitness, child_fitness);
    EXPECT_EQ(child.individual.adjusted_fitness, child_fitness);
    EXPECT_EQ(child.individual.normalized_fitness, child_fitness);
}

TEST(Crossover, ChildIsParent1WithASubtreeOfParent2) {
    for_each_case([](const Tproblem_setting& setting, std::int32_t max_length, std::mt19937& rng) {
        const Held p1(max_length, grow_gene(rng, setting, max_length));
        const Held p2(max_length, grow_gene(rng, setting, max_length));
        const Snapshot s1(p1);
        const Snapshot s2(p2);
        Child child(max_length);
        crossover(child.individual, p1.individual, p2.individual, max_length, setting.node_table);
        ASSERT_TRUE(sound_child(setting, child, max_length));
        ASSERT_TRUE(s1.same(p1) && s2.same(p2));
        ASSERT_TRUE(is_splice(setting, p1.gene(), child.gene(), [&](auto middle) {
            return is_subtree_of(setting, p2.gene(), middle);
        }));
        expect_fitness_left(child);
    });
}

TEST(Mutate, ChildIsParentWithANewSubtreeWithinTheNodeLimit) {
    const std::array<std::array<float, 2>, 3> ratios = {
        {{0.5f, 0.2f}, {0.1f, 0.8f}, {0.9f, 0.05f}}};
    std::vector<std::int32_t> scratch(mutation_node_limit, garbage);
    for_each_case([&](const Tproblem_setting& setting, std::int32_t max_length, std::mt19937& rng) {
        const auto& [function, variable] = ratios[rng() % ratios.size()];
        const NodeChooser chooser{function, variable, setting.num_functions, setting.num_variables,
                                  setting.num_constants};
        const Held parent(max_length, grow_gene(rng, setting, max_length));
        const Snapshot before(parent);
        Child child(max_length);
        mutate(child.individual, parent.individual, max_length, mutation_node_limit,
               setting.node_table, chooser, scratch);
        ASSERT_TRUE(sound_child(setting, child, max_length));
        ASSERT_TRUE(before.same(parent));
        ASSERT_TRUE(is_splice(setting, parent.gene(), child.gene(), [&](auto middle) {
            return middle.size() <= std::size_t{mutation_node_limit} &&
                   is_well_formed(setting.node_table, middle);
        }));
        expect_fitness_left(child);
    });
}

TEST(OnePointCrossover, ChildJoinsCutsOfEqualBalance) {
    for_each_case([](const Tproblem_setting& setting, std::int32_t max_length, std::mt19937& rng) {
        const Held p1(max_length, grow_gene(rng, setting, max_length));
        const Held p2(max_length, grow_gene(rng, setting, max_length));
        const Snapshot s1(p1);
        const Snapshot s2(p2);
        Child child(max_length);
        one_point_crossover(child.individual, p1.individual, p2.individual, max_length,
                            setting.node_table);
        ASSERT_TRUE(sound_child(setting, child, max_length));
        ASSERT_TRUE(s1.same(p1) && s2.same(p2));
        ASSERT_TRUE(is_one_point_join(setting, p1.gene(), p2.gene(), child.gene()));
        expect_fitness_left(child);
    });
}

TEST(CopyIndividual, CopiesGeneAndFitnessAndZeroFillsTheRest) {
    const auto setting = setting_for({true, true, true, true});
    // + * x y - y c0 : 7 codes.
    const Held parent(100, {0, 2, 4, 5, 1, 5, 6});
    Child child(100);
    copy_individual(child.individual, parent.individual, 100);
    EXPECT_TRUE(sound_child(setting, child, 100));  // 7..99 zero
    EXPECT_EQ(child.gene(), parent.gene());
    EXPECT_EQ(child.individual.raw_fitness, 0.25);
    EXPECT_EQ(child.individual.adjusted_fitness, 0.8);
    EXPECT_EQ(child.individual.normalized_fitness, 0.01);
    EXPECT_NE(child.individual.gene.data(), parent.individual.gene.data());
}

// Default four functions, five constants: 0 + 1 - 2 * 3 / 4 x 5 y 6.. constants.
TEST(Crossover, EdgeCases) {
    const auto setting = setting_for({true, true, true, true});
    {
        const Held p1(3, {4});
        const Held p2(3, {7});
        Child child(3);
        crossover(child.individual, p1.individual, p2.individual, 3, setting.node_table);
        EXPECT_EQ(child.gene(), Gene{7});
    }
    // Parent1 already at the maximum length: the child never grows.
    std::mt19937 rng(5);
    const std::int32_t max_length = 11;
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        Gene full;
        do {
            full = grow_gene(rng, setting, max_length);
        } while (static_cast<std::int32_t>(full.size()) != max_length);
        const Held p1(max_length, full);
        const Held p2(max_length, grow_gene(rng, setting, max_length));
        Child child(max_length);
        seed_random(seed);
        crossover(child.individual, p1.individual, p2.individual, max_length, setting.node_table);
        ASSERT_LE(child.individual.length, max_length);
        ASSERT_TRUE(is_well_formed(setting.node_table, child.individual.program()));
    }
}

// The subtree of parent1 is drawn before the one of parent2. With seed 1 the
// first two rand31 values are 1410184549 and 672584604 (worked out in
// Python from the generator's definition): positions 4 of 7 and 4 of 5.
TEST(Crossover, ChoosesInParent1First) {
    const auto setting = setting_for({true, true, true, true});
    const Held p1(100, {2, 0, 4, 5, 1, 5, 6});  // * (+ x y) (- y c0)
    const Held p2(100, {3, 4, 0, 5, 7});        // / x (+ y c1)
    Child child(100);
    seed_random(1);
    crossover(child.individual, p1.individual, p2.individual, 100, setting.node_table);
    EXPECT_EQ(child.gene(), (Gene{2, 0, 4, 5, 7}));
}

TEST(Mutate, FullParentAtATerminalAndWholeGeneReplacement) {
    const auto setting = setting_for({true, true, true, true});
    const NodeChooser chooser{0.5f, 0.2f, 4, 2, 5};
    std::vector<std::int32_t> scratch(mutation_node_limit);
    std::mt19937 rng(9);
    const std::int32_t max_length = 41;
    Gene full;
    do {
        full = grow_gene(rng, setting, max_length);
    } while (static_cast<std::int32_t>(full.size()) != max_length);
    const Held full_parent(max_length, full);
    const Held long_parent(100, full);

    int terminal_picks = 0;
    int root_picks = 0;
    for (std::uint32_t seed = 1; seed <= 3000; ++seed) {
        // The subtree is the operator's first draw, so replaying the seed shows it.
        seed_random(seed);
        const SubtreeSpan pick = choose_subtree(setting.node_table, full);
        Child child(max_length);
        seed_random(seed);
        mutate(child.individual, full_parent.individual, max_length, mutation_node_limit,
               setting.node_table, chooser, scratch);
        if (pick.start == pick.end) {
            ++terminal_picks;
            // Any function would overflow, so a single terminal goes in.
            ASSERT_EQ(child.individual.length, max_length);
            Gene expected = full;
            expected[pick.start] = child.gene()[pick.start];
            ASSERT_EQ(child.gene(), expected);
            ASSERT_GE(child.gene()[pick.start], 4);
        }
        if (pick.start == 0) {
            ++root_picks;
            Child whole(100);
            seed_random(seed);
            mutate(whole.individual, long_parent.individual, 100, mutation_node_limit,
                   setting.node_table, chooser, scratch);
            ASSERT_LE(whole.individual.length, mutation_node_limit);
            ASSERT_TRUE(is_well_formed(setting.node_table, whole.individual.program()));
        }
    }
    EXPECT_GT(terminal_picks, 100);
    EXPECT_GT(root_picks, 10);
}

// A table whose every code takes an argument can never finish a subtree; the
// growth gives up with a message instead of running forever.
TEST(Mutate, GrowthThatCannotFinishEndsWithAMessage) {
    std::vector<functable> table(4);
    table[0].arity_less_one = 0;
    table[1].arity_less_one = -1;
    table[2].arity_less_one = -1;
    table[3].arity_less_one = 0;  // the only "constant" takes an argument
    const NodeChooser chooser{1.0f, 0.0f, 1, 2, 1};
    std::vector<std::int32_t> scratch(mutation_node_limit);
    const Held parent(1, {1});
    Child child(1);
    seed_random(3);
    try {
        mutate(child.individual, parent.individual, 1, mutation_node_limit, table, chooser,
               scratch);
        FAIL() << "mutation did not give up";
    } catch (const SubtreeGrowthFailed& failure) {
        EXPECT_EQ(failure.max_length, 1);
        EXPECT_EQ(failure.attempts, mutation_restart_limit);
        // The run driver ends the run with this message.
        const std::string message =
            messages::mutation_failed(failure.max_length, failure.attempts).text;
        EXPECT_NE(message.find("\"Maximum Length\" 1"), std::string::npos) << message;
        EXPECT_NE(message.find("\"Function\" ratio"), std::string::npos) << message;
    }
}

TEST(OnePointCrossover, SameParentTwiceIsRefused) {
    const auto setting = setting_for({true, true, true, true});
    const Held parent(10, {0, 4, 5});
    Child child(10);
    EXPECT_THROW(one_point_crossover(child.individual, parent.individual, parent.individual, 10,
                                     setting.node_table),
                 std::logic_error);
}

// + x y and - y c0 have equal balances only at equal positions, so the
// children are exactly the three joins; the cut at both roots puts parent1's
// root over parent2's arguments.
TEST(OnePointCrossover, RootsOfEqualArityJoinAtTheRoot) {
    const auto setting = setting_for({true, true, true, true});
    const Held p1(10, {0, 4, 5});
    const Held p2(10, {1, 5, 6});
    std::set<Gene> children;
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        Child child(10);
        seed_random(seed);
        one_point_crossover(child.individual, p1.individual, p2.individual, 10, setting.node_table);
        children.insert(child.gene());
    }
    EXPECT_EQ(children, (std::set<Gene>{{0, 5, 6}, {0, 4, 6}, {0, 4, 5}}));
}

// The cut in parent1 is drawn first. Seed 1's first rand31 values (see
// above) give j = 1 of 3 and i = 0 of 4: + x joined to sin's argument.
TEST(OnePointCrossover, CutsParent1First) {
    // + and sin: 0 + 1 sin 2 x 3 y 4.. constants.
    const auto setting = setting_for({true, false, false, false, true});
    const Held p1(10, {0, 2, 3});     // + x y
    const Held p2(10, {1, 0, 2, 3});  // sin (+ x y)
    Child child(10);
    seed_random(1);
    one_point_crossover(child.individual, p1.individual, p2.individual, 10, setting.node_table);
    EXPECT_EQ(child.gene(), (Gene{0, 2, 0, 2, 3}));
}

}  // namespace
}  // namespace vorn
