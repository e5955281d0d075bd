#pragma once
// The program's random generator: one 64-bit state (a low and a high word)
// with two linear congruential steps. Every run's reproducibility rests on
// these exact sequences.
#include <cstdint>

namespace vorn {

struct RandomState {
    std::uint64_t value = 0;
};

// The generator state of the calling thread; runs draw from one thread only.
[[nodiscard]] RandomState& random_state();

// Low word = low word * 22695477 + 1; returns bits 16..30 of it (0..32767).
std::int32_t rand15();
// State = state * 1486058704437 + 1 (mod 2^64); returns the high word
// without its top bit (0..2147483647).
std::int32_t rand31();
// Low word = seed, high word = 0, then one discarded rand15 step.
void seed_random(std::uint32_t seed);

// rand15 * (1/32767) in extended precision: 0 and 1 both possible.
long double random_unit();
// rand31 modulo n; 0 without a draw when n is 0.
std::int32_t random_below(std::int32_t n);

// The clock in whole seconds, as a seed.
[[nodiscard]] std::uint32_t clock_seed();

}  // namespace vorn
