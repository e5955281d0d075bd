#pragma once
// The genetic operators. Each writes one child into an existing individual,
// reads its parents only, keeps the child within max_length codes and sets
// every position of the child's buffer from its length on to 0.
#include <cstdint>
#include <span>

#include "program/functable.h"
#include "program/individual.h"
#include "program/random_node.h"

namespace vorn {

// Node limit of the subtree that mutation grows.
inline constexpr std::int32_t mutation_node_limit = 30;

// Mutation gave up growing a new subtree within the maximum length; the run
// driver ends the run with its message.
struct SubtreeGrowthFailed {
    std::int32_t max_length;
    std::int64_t attempts;
};

// Restarts of mutation's subtree growth before it gives up with SubtreeGrowthFailed;
// far beyond anything a run the settings checks accept comes near.
inline constexpr std::int64_t mutation_restart_limit = 10'000'000;

// parent1 with one of its subtrees replaced by a subtree of parent2.
void crossover(Individual& child, const Individual& parent1, const Individual& parent2,
               std::int32_t max_length, std::span<const functable> node_table);

// parent with one subtree replaced by a new random one of at most
// `node_limit` nodes, grown in `scratch` (at least node_limit codes).
void mutate(Individual& child, const Individual& parent, std::int32_t max_length,
            std::int32_t node_limit, std::span<const functable> node_table,
            const NodeChooser& chooser, std::span<std::int32_t> scratch);

// The front of parent1 up to a cut joined to the back of parent2 after a cut
// with the same open-argument balance. The parents must differ.
void one_point_crossover(Individual& child, const Individual& parent1, const Individual& parent2,
                         std::int32_t max_length, std::span<const functable> node_table);

// An exact copy of parent, fitness values included, in the child's own buffer.
void copy_individual(Individual& child, const Individual& parent, std::int32_t max_length);

// A uniformly chosen subtree of the gene: its first and last position.
struct SubtreeSpan {
    std::int32_t start;
    std::int32_t end;
};
[[nodiscard]] SubtreeSpan choose_subtree(std::span<const functable> node_table,
                                         std::span<const std::int32_t> gene);

}  // namespace vorn
