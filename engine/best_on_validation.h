#pragma once
// The run's best program on validation: among each generation's best, the
// one with the lowest validation count, the earliest on a tie. Both front
// ends keep it the same way.
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/run_gp.h"

namespace vorn {

struct ValidatedBest {
    std::int32_t generation = 0;  // from 1
    float validation_count = 0;
    double training_fitness = 0;
    std::vector<std::int32_t> gene;  // a copy: the population's genes are bred over
};

class BestOnValidation {
public:
    void observe(const GenerationReport& report);
    void clear() { best_.reset(); }
    // Nothing before the first generation is observed.
    [[nodiscard]] const std::optional<ValidatedBest>& best() const { return best_; }

private:
    std::optional<ValidatedBest> best_;
};

}  // namespace vorn
