#pragma once
// Constant tuning: after ranking, the best programs of a generation get
// constants of their own, which a few rounds of coordinate steps move while
// the logistic loss of the program's value over the training points falls
// and its hits do not. Tuned values leave the constant table's grid; they
// live in codes after the table's own (Tproblem_setting::reserve_tuned_constants).
#include <cstdint>
#include <span>

#include "program/individual.h"

namespace vorn {

class Evaluation;
class Tproblem_setting;

inline constexpr int tuning_rounds = 3;

// The loss a tuning step must lower: the sum over the training points of
// log(1 + exp(-s v)), s = +1 for a positive point and -1 for a negative
// one, v the program's output (a NaN output counts as 0); and the hits.
struct TuningLoss {
    double loss = 0;
    std::int64_t hits = 0;
};
[[nodiscard]] TuningLoss tuning_loss(std::span<const double> outputs, std::size_t rows);

// Tunes the first `programs` individuals of the ranked generation that have
// constants, as long as tuned codes remain (each is given out once).
// Returns n: the individuals changed
// are among the first n, whose fitness is then out of date.
std::int32_t tune_constants(Tproblem_setting& setting, Evaluation& evaluation,
                            std::span<Individual* const> generation, std::int32_t programs);

}  // namespace vorn
