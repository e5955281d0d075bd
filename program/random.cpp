#include "program/random.h"

#include <ctime>

namespace vorn {

RandomState& random_state() {
    thread_local RandomState state;
    return state;
}

std::int32_t rand15() {
    auto& state = random_state().value;
    const std::uint32_t low = static_cast<std::uint32_t>(state) * 22695477u + 1u;
    state = (state & 0xFFFFFFFF00000000ull) | low;
    return static_cast<std::int32_t>((low >> 16) & 0x7FFFu);
}

std::int32_t rand31() {
    auto& state = random_state().value;
    state = state * 1486058704437ull + 1ull;
    return static_cast<std::int32_t>((state >> 32) & 0x7FFFFFFFu);
}

void seed_random(std::uint32_t seed) {
    random_state().value = seed;
    (void)rand15();
}

long double random_unit() {
    return static_cast<long double>(rand15()) * (1.0L / 32767.0L);
}

std::int32_t random_below(std::int32_t n) {
    if (n == 0) {
        return 0;
    }
    return rand31() % n;
}

std::uint32_t clock_seed() {
    return static_cast<std::uint32_t>(std::time(nullptr));
}

}  // namespace vorn
