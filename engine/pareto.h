#pragma once
// Accuracy against size: NSGA-II's ranking of a generation by non-dominated
// fronts on (training fitness, length) and crowding within each front, and
// the run's archive of the best program of each size, whose non-dominated
// members are the run's Pareto front.
#include <cstdint>
#include <span>
#include <vector>

#include "program/individual.h"

namespace vorn {

// Sorts the generation best first: the first front, then the second, ...
// (of programs with equal figures only the first counts for a front, the
// others for the fronts after it, so copies cannot fill the first); within
// a front the larger crowding distance first (the two ends of a
// front have an infinite one), then the lower training fitness, then the
// shorter. Equal keys keep their order, so the ranking is reproducible. At
// position 0 stands a program of the lowest training fitness.
void rank_by_front(std::span<Individual*> generation);

// Whether a is at least as good as b in both objectives and better in one.
[[nodiscard]] bool dominates(double fitness_a, std::int32_t length_a, double fitness_b,
                             std::int32_t length_b);

struct FrontPoint {
    double training_fitness = 0;
    std::int32_t length = 0;
    std::vector<std::int32_t> gene;
};

class ParetoArchive {
public:
    explicit ParetoArchive(std::int32_t max_length);

    // Keeps, for each length, the first program of the lowest training
    // fitness seen.
    void add(std::span<Individual* const> generation);

    // The kept programs no other kept one dominates, shortest first.
    [[nodiscard]] std::vector<FrontPoint> front() const;

private:
    std::vector<FrontPoint> by_length_;  // index: length; length 0 means empty
};

}  // namespace vorn
