#include "program/gene.h"

namespace vorn {

std::int32_t subtree_end(std::span<const functable> node_table, std::span<const std::int32_t> gene,
                         std::int32_t start) {
    std::int32_t sum = 0;
    const auto length = static_cast<std::int32_t>(gene.size());
    for (std::int32_t e = start; e < length; ++e) {
        sum += node_table[gene[e]].arity_less_one;
        if (sum == -1) {
            return e;
        }
    }
    return -1;
}

bool is_well_formed(std::span<const functable> node_table, std::span<const std::int32_t> gene) {
    if (gene.empty()) {
        return false;
    }
    for (std::int32_t code : gene) {
        if (code < 0 || static_cast<std::size_t>(code) >= node_table.size()) {
            return false;
        }
    }
    return subtree_end(node_table, gene, 0) == static_cast<std::int32_t>(gene.size()) - 1;
}

}  // namespace vorn
