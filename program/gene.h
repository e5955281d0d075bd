#pragma once
// Walking the flat prefix array: where a subtree ends, and whether a gene is
// one complete expression.
#include <cstdint>
#include <span>

#include "program/functable.h"

namespace vorn {

// Index of the last node of the subtree that starts at `start`: the first
// position where the running sum of arity_less_one reaches -1. Returns -1
// when the gene ends first.
[[nodiscard]] std::int32_t subtree_end(std::span<const functable> node_table,
                                       std::span<const std::int32_t> gene, std::int32_t start);

// Every code is a row of the table, and the whole gene is exactly one
// complete expression.
[[nodiscard]] bool is_well_formed(std::span<const functable> node_table,
                                  std::span<const std::int32_t> gene);

}  // namespace vorn
