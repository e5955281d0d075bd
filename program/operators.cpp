#include "program/operators.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "program/errors.h"
#include "program/gene.h"
#include "program/random.h"

namespace vorn {

namespace {

// The operators index the child's buffer up to max_length and trust their
// parents to fit it; a caller that breaks this gets an exception, never a
// write past a buffer or an endless redraw.
void check_buffers(const Individual& child, std::int32_t max_length,
                   std::initializer_list<const Individual*> parents) {
    if (max_length < 1 || child.gene.size() < static_cast<std::size_t>(max_length)) {
        throw std::logic_error("child buffer shorter than the maximum length");
    }
    for (const Individual* parent : parents) {
        if (parent->length < 1 || parent->length > max_length ||
            parent->gene.size() < static_cast<std::size_t>(parent->length)) {
            throw std::logic_error("parent longer than the maximum length or empty");
        }
    }
}

void zero_fill_tail(Individual& child) {
    std::fill(child.gene.begin() + child.length, child.gene.end(), 0);
}

// child = a, then b, then c.
void join(Individual& child, std::span<const std::int32_t> a, std::span<const std::int32_t> b,
          std::span<const std::int32_t> c) {
    auto out = std::copy(a.begin(), a.end(), child.gene.begin());
    out = std::copy(b.begin(), b.end(), out);
    std::copy(c.begin(), c.end(), out);
    child.length = static_cast<std::int32_t>(a.size() + b.size() + c.size());
    zero_fill_tail(child);
}

std::int32_t size_of(SubtreeSpan subtree) {
    return subtree.end - subtree.start + 1;
}

}  // namespace

SubtreeSpan choose_subtree(std::span<const functable> node_table,
                           std::span<const std::int32_t> gene) {
    // A gene that ends in a terminal has at least one start whose subtree
    // ends inside it (the last node), so the redraw below always finishes.
    if (gene.empty() || node_table[gene.back()].arity_less_one != -1) {
        throw std::logic_error("choose_subtree needs a gene that ends in a terminal");
    }
    const auto length = static_cast<std::int32_t>(gene.size());
    for (;;) {
        const std::int32_t start = random_below(length);
        const std::int32_t end = subtree_end(node_table, gene, start);
        if (end >= 0) {
            return {start, end};
        }
    }
}

void crossover(Individual& child, const Individual& parent1, const Individual& parent2,
               std::int32_t max_length, std::span<const functable> node_table) {
    check_buffers(child, max_length, {&parent1, &parent2});
    const auto gene1 = parent1.program();
    const auto gene2 = parent2.program();
    SubtreeSpan cut{};
    SubtreeSpan graft{};
    // Both choices are redrawn when the child would not fit; a terminal in
    // both parents always fits, so this ends.
    do {
        cut = choose_subtree(node_table, gene1);
        graft = choose_subtree(node_table, gene2);
    } while (parent1.length - size_of(cut) + size_of(graft) > max_length);
    join(child, gene1.first(static_cast<std::size_t>(cut.start)),
         gene2.subspan(static_cast<std::size_t>(graft.start), size_of(graft)),
         gene1.subspan(static_cast<std::size_t>(cut.end) + 1));
}

void mutate(Individual& child, const Individual& parent, std::int32_t max_length,
            std::int32_t node_limit, std::span<const functable> node_table,
            const NodeChooser& chooser, std::span<std::int32_t> scratch) {
    check_buffers(child, max_length, {&parent});
    if (node_limit < 1 || scratch.size() < static_cast<std::size_t>(node_limit)) {
        throw std::logic_error("mutation scratch shorter than the node limit");
    }
    const auto gene = parent.program();
    const SubtreeSpan cut = choose_subtree(node_table, gene);
    const std::int32_t rest = parent.length - size_of(cut);

    std::int32_t n = 0;
    std::int32_t balance = 0;
    std::int64_t restarts = 0;
    do {
        if (rest + n >= max_length || n >= node_limit) {
            if (++restarts >= mutation_restart_limit) {
                throw RunError("Mutation could not grow a new subtree within \"Maximum Length\" " +
                               std::to_string(max_length) + " after " +
                               std::to_string(mutation_restart_limit) +
                               " attempts; lower the \"Function\" ratio or raise \"Maximum "
                               "Length\".");
            }
            n = 0;
            balance = 0;
        }
        const std::int32_t code = random_node(chooser, mutation_node);
        scratch[n] = code;
        balance += node_table[code].arity_less_one;
        ++n;
    } while (balance != -1);

    join(child, gene.first(static_cast<std::size_t>(cut.start)),
         std::span<const std::int32_t>(scratch.first(static_cast<std::size_t>(n))),
         gene.subspan(static_cast<std::size_t>(cut.end) + 1));
}

void one_point_crossover(Individual& child, const Individual& parent1, const Individual& parent2,
                         std::int32_t max_length, std::span<const functable> node_table) {
    if (&parent1 == &parent2) {
        throw std::logic_error("one_point_crossover needs two different parents");
    }
    check_buffers(child, max_length, {&parent1, &parent2});
    const auto gene1 = parent1.program();
    const auto gene2 = parent2.program();
    const auto balance = [&](std::span<const std::int32_t> gene, std::int32_t last) {
        std::int32_t sum = 0;
        for (std::int32_t k = 0; k <= last; ++k) {
            sum += node_table[gene[k]].arity_less_one;
        }
        return sum;
    };
    // The last positions of both parents always qualify, so this ends.
    std::int32_t j = 0;
    std::int32_t i = 0;
    for (;;) {
        j = random_below(parent1.length);
        i = random_below(parent2.length);
        if (balance(gene1, j) == balance(gene2, i) && j + parent2.length - i <= max_length) {
            break;
        }
    }
    join(child, gene1.first(static_cast<std::size_t>(j) + 1),
         gene2.subspan(static_cast<std::size_t>(i) + 1), {});
}

void copy_individual(Individual& child, const Individual& parent, std::int32_t max_length) {
    check_buffers(child, max_length, {&parent});
    child.raw_fitness = parent.raw_fitness;
    child.adjusted_fitness = parent.adjusted_fitness;
    child.normalized_fitness = parent.normalized_fitness;
    join(child, parent.program(), {}, {});
}

}  // namespace vorn
