#include "engine/holdout.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "problem/problem_setting.h"

namespace vorn {

namespace {

// SplitMix64: small, well mixed, and the same on every platform, unlike the
// standard library's distributions.
class SplitMix {
public:
    explicit SplitMix(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30U)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27U)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31U);
    }
    // Uniform in [0, n) by rejection, without modulo bias.
    std::uint64_t below(std::uint64_t n) {
        const std::uint64_t limit = UINT64_MAX - UINT64_MAX % n;
        std::uint64_t r = next();
        while (r >= limit) {
            r = next();
        }
        return r % n;
    }

private:
    std::uint64_t state_;
};

void split(std::vector<double>& train, std::vector<double>& valid,
           std::span<const std::int32_t> held) {
    std::vector<double> kept;
    valid.clear();
    kept.reserve(train.size() - held.size());
    std::size_t h = 0;
    for (std::size_t r = 0; r < train.size(); ++r) {
        if (h < held.size() && static_cast<std::size_t>(held[h]) == r) {
            valid.push_back(train[r]);
            ++h;
        } else {
            kept.push_back(train[r]);
        }
    }
    train = std::move(kept);
}

}  // namespace

std::int32_t held_out_count(std::int32_t rows, float fraction) {
    return static_cast<std::int32_t>(
        std::floor(static_cast<double>(fraction) * static_cast<double>(rows) + 0.5));
}

std::vector<std::int32_t> held_out_rows(std::int32_t rows, std::int32_t held, std::uint32_t seed) {
    std::vector<std::int32_t> order(static_cast<std::size_t>(rows));
    std::iota(order.begin(), order.end(), 0);
    // A stream apart from the run's: a fixed odd tag in the high word.
    SplitMix random((std::uint64_t{0x686f6c64U} << 32U) | seed);
    const auto n = static_cast<std::size_t>(rows);
    const auto k = static_cast<std::size_t>(std::clamp(held, 0, rows));
    for (std::size_t i = 0; i < k; ++i) {
        std::swap(order[i], order[i + random.below(n - i)]);
    }
    order.resize(k);
    std::sort(order.begin(), order.end());
    return order;
}

void hold_out(Tproblem_setting& setting, std::span<const std::int32_t> held) {
    split(setting.train_x1, setting.valid_x1, held);
    split(setting.train_y1, setting.valid_y1, held);
    split(setting.train_x2, setting.valid_x2, held);
    split(setting.train_y2, setting.valid_y2, held);
    setting.num_training_rows = static_cast<std::int32_t>(setting.train_x1.size());
    setting.num_validation_rows = static_cast<std::int32_t>(setting.valid_x1.size());
}

}  // namespace vorn
