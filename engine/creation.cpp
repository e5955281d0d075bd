#include <algorithm>
#include <string>
#include <vector>

#include "engine/tgp_pop.h"
#include "problem/errors.h"
#include "problem/problem_setting.h"
#include "program/random_node.h"

namespace vorn {

namespace {
// Unwinds creation when the front end asks it to stop.
struct CreationStopped {};
}  // namespace

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

namespace {

// The depth of the next open argument place of a partial prefix tree, kept
// up to date node by node. It answers what slot_depth(0, work, 0, count)
// answers, without walking the tree again for every node.
class SlotDepths {
public:
    explicit SlotDepths(std::size_t capacity) { frames_.reserve(capacity); }
    void clear() { frames_.clear(); }
    // Depth of the next node; the tree has a root and is not complete.
    [[nodiscard]] std::int32_t next() const { return frames_.back().depth; }
    void place(std::int32_t depth, std::int32_t arguments) {
        if (!frames_.empty() && --frames_.back().open == 0) {
            frames_.pop_back();
        }
        if (arguments > 0) {
            frames_.push_back({depth + 1, arguments});
        }
    }

private:
    struct Frame {
        std::int32_t depth;  // of the arguments of an open function
        std::int32_t open;   // argument places still to fill
    };
    std::vector<Frame> frames_;
};

// Attempts between two calls of the caller's keep_going.
constexpr std::int64_t attempts_per_check = 4096;

}  // namespace

Message creation_failure(std::int32_t max_length, std::int64_t attempts) {
    // Above the node cap a longer "Maximum Length" cannot help.
    return max_length < creation_node_cap
               ? messages::creation_failed(max_length, attempts)
               : messages::creation_failed_at_cap(creation_node_cap, attempts);
}

void Tgp_pop::create_initial_population(const Tproblem_setting& setting,
                                        const std::function<bool()>& keep_going) {
    const std::span<const functable> node_table = setting.node_table;
    const NodeChooser chooser = node_chooser(setting);
    const std::span<std::int32_t> work = work_;
    // Trees are abandoned at 70 nodes as always, and also where they would
    // outgrow the gene buffers.
    const std::int32_t cap =
        std::min({creation_node_cap, max_length, static_cast<std::int32_t>(work.size())});
    SlotDepths slots(static_cast<std::size_t>(cap) + 1);
    std::int64_t total_attempts = 0;
    const std::int64_t budget = creation_budget(population_size);

    for (Individual* individual : current()) {
        std::int32_t count = 0;
        std::int32_t open = 0;
        std::int64_t abandoned = 0;
        const auto start_again = [&] {
            ++total_attempts;
            if (++abandoned >= creation_attempt_limit || total_attempts >= budget) {
                throw RunError(creation_failure(max_length, total_attempts));
            }
            if (keep_going && total_attempts % attempts_per_check == 0 && !keep_going()) {
                throw CreationStopped{};
            }
            count = 0;
            open = 0;
            slots.clear();
        };
        try {
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
                std::int32_t depth = 0;
                if (count == 0) {
                    kind = function_node;
                } else {
                    depth = slots.next();
                    if (depth == max_initial_depth) {
                        kind = terminal_node;
                    }
                }
                work[count] = random_node(chooser, kind);
                const std::int32_t arity = node_table[work[count]].arity_less_one;
                open += arity;
                slots.place(depth, arity + 1);
                ++count;
            }
        } catch (const CreationStopped&) {
            return;
        }
        std::copy_n(work.begin(), count, individual->gene.begin());
        std::fill(individual->gene.begin() + count, individual->gene.end(), 0);
        individual->length = count;
    }
}

}  // namespace vorn
