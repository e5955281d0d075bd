#include "engine/pareto.h"

#include <algorithm>
#include <limits>

namespace vorn {

bool dominates(double fitness_a, std::int32_t length_a, double fitness_b, std::int32_t length_b) {
    return fitness_a <= fitness_b && length_a <= length_b &&
           (fitness_a < fitness_b || length_a < length_b);
}

namespace {

struct Ranked {
    Individual* individual = nullptr;
    std::int32_t front = 0;
    double crowding = 0;
    std::size_t position = 0;  // before ranking, for a stable order
};

// Fronts by repeated peeling: each pass takes the members no remaining one
// dominates. Quadratic per front, which two objectives and a few thousand
// programs afford.
void assign_fronts(std::vector<Ranked>& items) {
    std::vector<std::size_t> remaining(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        remaining[i] = i;
    }
    // Sorted by fitness, then length: a member can be dominated only by one
    // before it, so a pass compares each with the current front only.
    std::stable_sort(remaining.begin(), remaining.end(), [&](std::size_t a, std::size_t b) {
        const Individual& x = *items[a].individual;
        const Individual& y = *items[b].individual;
        if (x.raw_fitness != y.raw_fitness) {
            return x.raw_fitness < y.raw_fitness;
        }
        return x.length < y.length;
    });
    std::int32_t front = 0;
    std::vector<std::size_t> rest;
    while (!remaining.empty()) {
        rest.clear();
        // The front's members in fitness order have strictly falling lengths;
        // the last one is the shortest so far.
        std::int32_t shortest = std::numeric_limits<std::int32_t>::max();
        double shortest_fitness = 0;
        for (const std::size_t i : remaining) {
            const Individual& x = *items[i].individual;
            const bool dominated = shortest != std::numeric_limits<std::int32_t>::max() &&
                                   dominates(shortest_fitness, shortest, x.raw_fitness, x.length);
            if (dominated) {
                rest.push_back(i);
            } else {
                items[i].front = front;
                if (x.length < shortest) {
                    shortest = x.length;
                    shortest_fitness = x.raw_fitness;
                }
            }
        }
        remaining.swap(rest);
        ++front;
    }
}

// Crowding distance within each front: the sum over both objectives of the
// gap between a member's two neighbours, scaled by the front's extent.
void assign_crowding(std::vector<Ranked>& items) {
    std::vector<std::size_t> order(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const Individual& x = *items[a].individual;
        const Individual& y = *items[b].individual;
        if (items[a].front != items[b].front) {
            return items[a].front < items[b].front;
        }
        if (x.raw_fitness != y.raw_fitness) {
            return x.raw_fitness < y.raw_fitness;
        }
        return x.length > y.length;
    });
    const double infinite = std::numeric_limits<double>::infinity();
    std::size_t begin = 0;
    while (begin < order.size()) {
        std::size_t end = begin;
        while (end < order.size() && items[order[end]].front == items[order[begin]].front) {
            ++end;
        }
        // In this order fitness rises and length falls, so one pass serves both.
        const Individual& first = *items[order[begin]].individual;
        const Individual& last = *items[order[end - 1]].individual;
        const double fitness_extent = last.raw_fitness - first.raw_fitness;
        const double length_extent = static_cast<double>(first.length - last.length);
        items[order[begin]].crowding = infinite;
        items[order[end - 1]].crowding = infinite;
        for (std::size_t k = begin + 1; k + 1 < end; ++k) {
            const Individual& before = *items[order[k - 1]].individual;
            const Individual& after = *items[order[k + 1]].individual;
            double distance = 0;
            if (fitness_extent > 0) {
                distance += (after.raw_fitness - before.raw_fitness) / fitness_extent;
            }
            if (length_extent > 0) {
                distance += static_cast<double>(before.length - after.length) / length_extent;
            }
            items[order[k]].crowding = distance;
        }
        begin = end;
    }
}

}  // namespace

void rank_by_front(std::span<Individual*> generation) {
    std::vector<Ranked> items(generation.size());
    for (std::size_t i = 0; i < generation.size(); ++i) {
        items[i].individual = generation[i];
        items[i].position = i;
    }
    assign_fronts(items);
    assign_crowding(items);
    std::stable_sort(items.begin(), items.end(), [](const Ranked& a, const Ranked& b) {
        if (a.front != b.front) {
            return a.front < b.front;
        }
        if (a.crowding != b.crowding) {
            return a.crowding > b.crowding;
        }
        if (a.individual->raw_fitness != b.individual->raw_fitness) {
            return a.individual->raw_fitness < b.individual->raw_fitness;
        }
        return a.individual->length < b.individual->length;
    });
    for (std::size_t i = 0; i < generation.size(); ++i) {
        generation[i] = items[i].individual;
    }
}

ParetoArchive::ParetoArchive(std::int32_t max_length)
    : by_length_(static_cast<std::size_t>(std::max(max_length, 0)) + 1) {}

void ParetoArchive::add(std::span<Individual* const> generation) {
    for (const Individual* individual : generation) {
        FrontPoint& kept = by_length_[static_cast<std::size_t>(individual->length)];
        if (kept.length == 0 || individual->raw_fitness < kept.training_fitness) {
            kept.training_fitness = individual->raw_fitness;
            kept.length = individual->length;
            const auto program = individual->program();
            kept.gene.assign(program.begin(), program.end());
        }
    }
}

std::vector<FrontPoint> ParetoArchive::front() const {
    std::vector<FrontPoint> points;
    for (const FrontPoint& kept : by_length_) {
        // Shorter ones come first, so a kept one is on the front exactly when
        // it is fitter than every shorter one on it.
        if (kept.length > 0 &&
            (points.empty() || kept.training_fitness < points.back().training_fitness)) {
            points.push_back(kept);
        }
    }
    return points;
}

}  // namespace vorn
