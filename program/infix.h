#pragma once
// Printing a gene as an infix formula.
#include <cstdint>
#include <span>
#include <string>

#include "program/functable.h"

namespace vorn {

// Text of the subtree at `position`; on return `position` is on the
// subtree's last node (not past it).
[[nodiscard]] std::string infix_text(std::span<const functable> node_table,
                                     std::span<const std::int32_t> gene, std::int32_t& position);

// The whole gene, from its root.
[[nodiscard]] std::string infix_text(std::span<const functable> node_table,
                                     std::span<const std::int32_t> gene);

}  // namespace vorn
