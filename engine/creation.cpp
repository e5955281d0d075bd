#include <algorithm>
#include <string>

#include "engine/tgp_pop.h"
#include "problem/errors.h"
#include "problem/problem_setting.h"
#include "program/random_node.h"

namespace vorn {

std::int32_t tree_depth(std::int32_t depth, std::span<const std::int32_t> codes,
                        std::int32_t& position, std::span<const functable> node_table) {
    std::int32_t result = depth;
    const std::int32_t arguments = node_table[codes[position]].arity_less_one + 1;
    for (std::int32_t k = 0; k < arguments; ++k) {
        ++position;
        result = std::max(result, tree_depth(depth + 1, codes, position, node_table));
    }
    return result;
}

std::int32_t slot_depth(std::int32_t depth, std::span<const std::int32_t> codes,
                        std::int32_t& position, std::int32_t target,
                        std::span<const functable> node_table) {
    if (position == target) {
        return depth;
    }
    if (position > target) {
        return 0;
    }
    std::int32_t result = 0;
    const std::int32_t arguments = node_table[codes[position]].arity_less_one + 1;
    for (std::int32_t k = 0; k < arguments; ++k) {
        if (position <= target) {
            ++position;
            result = std::max(result, slot_depth(depth + 1, codes, position, target, node_table));
        }
    }
    return result;
}

void Tgp_pop::create_initial_population(const Tproblem_setting& setting) {
    const std::span<const functable> node_table = setting.node_table;
    const NodeChooser chooser = node_chooser(setting);
    const std::span<std::int32_t> work = work_;
    // A tree is abandoned at 70 nodes, or sooner where it would outgrow the
    // gene buffers; at the default length the draws are those of 70 alone.
    const std::int32_t cap =
        std::min({creation_node_cap, max_length, static_cast<std::int32_t>(work.size())});

    for (Individual* individual : current()) {
        std::int32_t count = 0;
        std::int32_t open = 0;
        std::int64_t abandoned = 0;
        const auto start_again = [&] {
            if (++abandoned >= creation_attempt_limit) {
                throw RunError(
                    "Random creation could not complete a program within \"Maximum Length\" " +
                    std::to_string(max_length) + " after " +
                    std::to_string(creation_attempt_limit) +
                    " attempts; raise \"Maximum Length\" or lower \"Maximum Initial Depth\" or "
                    "the \"Function\" ratio.");
            }
            count = 0;
            open = 0;
        };
        for (;;) {
            if (open == -1) {
                std::int32_t position = 0;
                if (tree_depth(0, work, position, node_table) > 0 && count > 0) {
                    break;
                }
                start_again();
                continue;
            }
            if (count >= cap) {
                start_again();
                continue;
            }
            int kind = any_node;
            if (count == 0) {
                kind = function_node;
            } else {
                std::int32_t position = 0;
                if (slot_depth(0, work, position, count, node_table) == max_initial_depth) {
                    kind = terminal_node;
                }
            }
            work[count] = random_node(chooser, kind);
            open += node_table[work[count]].arity_less_one;
            ++count;
        }
        std::copy_n(work.begin(), count, individual->gene.begin());
        std::fill(individual->gene.begin() + count, individual->gene.end(), 0);
        individual->length = count;
    }
}

}  // namespace vorn
