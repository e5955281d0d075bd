#include "engine/best_on_validation.h"

namespace vorn {

// A strict comparison keeps the earliest of equal counts.
void BestOnValidation::observe(const GenerationReport& report) {
    if (best_ && !(report.validation_fitness < best_->validation_count)) {
        return;
    }
    best_ =
        ValidatedBest{report.generation + 1, report.validation_fitness, report.best_raw_fitness,
                      std::vector<std::int32_t>(report.best_gene.begin(), report.best_gene.end())};
}

}  // namespace vorn
