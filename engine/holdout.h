#pragma once
// The hold-out choice: without a validation file, a share of the training
// rows, chosen by the seed, is kept out of fitness and validated on instead.
#include <cstdint>
#include <span>
#include <vector>

namespace vorn {

class Tproblem_setting;

// Rows held out of `rows` for a fraction: the nearest whole number.
[[nodiscard]] std::int32_t held_out_count(std::int32_t rows, float fraction);

// `held` distinct rows of `rows`, in ascending order, drawn by a generator
// of their own seeded with `seed`, so the run's random sequence is the same
// with or without a hold-out.
[[nodiscard]] std::vector<std::int32_t> held_out_rows(std::int32_t rows, std::int32_t held,
                                                      std::uint32_t seed);

// Moves the rows `held` (ascending) of the training data into the validation
// data, which they replace; the other rows stay in their order.
void hold_out(Tproblem_setting& setting, std::span<const std::int32_t> held);

}  // namespace vorn
