// One line per run of an experiment, and the spread of a figure over runs.
#include <algorithm>
#include <numeric>

#include "engine/run_record.h"

namespace vorn {

RunSummary run_summary(const RunRecord& record) {
    RunSummary summary;
    summary.seed = record.plan.seed.value_or(0);
    summary.seconds = record.wall_seconds;
    summary.stopped = stopped_early(record);
    if (!record.generations.empty()) {
        const GenerationRow& last = record.generations.back();
        summary.training_fitness = last.best_raw_fitness;
        summary.validation_count = last.validation_fitness;
        summary.best_length = last.best_length;
    }
    if (record.best_validation) {
        summary.best_validation_count = record.best_validation->validation_count;
        summary.best_validation_generation = record.best_validation->generation;
    }
    return summary;
}

Spread spread_of(std::vector<double> values) {
    if (values.empty()) {
        return {};
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median =
        n % 2 == 1 ? values[n / 2] : std::midpoint(values[n / 2 - 1], values[n / 2]);
    return {median, values.front(), values.back()};
}

}  // namespace vorn
