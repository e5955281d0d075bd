#pragma once
// One member of the population: a program and its three fitness values.
#include <cstdint>
#include <span>

namespace vorn {

struct Individual {
    // The individual's own buffer of max_length codes (held by the
    // population's gene store); positions from `length` on carry no meaning.
    std::span<std::int32_t> gene;
    std::int32_t length = 0;
    double raw_fitness = 0;
    double adjusted_fitness = 0;
    double normalized_fitness = 0;

    [[nodiscard]] std::span<const std::int32_t> program() const {
        return gene.first(static_cast<std::size_t>(length));
    }
};

}  // namespace vorn
