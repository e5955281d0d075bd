#pragma once
// How a run scores its programs: the batch evaluator spread over a pool of
// threads, or the reference interpreter on the calling thread. Both give
// the same bits, so the choice never changes what a run does.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "engine/fitness_pool.h"
#include "engine/grid_scan.h"
#include "program/batch_eval.h"
#include "program/individual.h"
#include "program/views.h"

namespace vorn {

class Tproblem_setting;

enum class EvaluatorKind { batch, reference };

// What scoring with `threads` batch evaluators adds to a run: each one's
// copies of the data, and the stack of every thread but the caller's.
[[nodiscard]] double evaluation_memory_bytes(const Tproblem_setting& setting,
                                             std::int32_t max_length, unsigned threads);

class Evaluation {
public:
    // `threads` counts the calling thread; 0 means every usable CPU, and
    // there are never more (see scoring_threads). The reference
    // interpreter always runs on the calling thread alone.
    // The setting must outlive the evaluation, which only reads it.
    Evaluation(const Tproblem_setting& setting, std::int32_t max_length, EvaluatorKind kind,
               unsigned threads = 0);

    [[nodiscard]] EvaluatorKind kind() const { return kind_; }
    [[nodiscard]] unsigned threads() const { return pool_ ? pool_->threads() : 1; }

    // raw_fitness of every individual.
    void score(std::span<Individual* const> generation);
    // The same, and each individual's errors on the training rows into the
    // span `errors_of` gives it.
    using CaseErrorsOf = std::function<std::span<std::uint8_t>(const Individual*)>;
    void score(std::span<Individual* const> generation, const CaseErrorsOf& errors_of);
    [[nodiscard]] double training_fitness(std::span<const std::int32_t> gene);
    [[nodiscard]] double validation_fitness(std::span<const std::int32_t> gene);
    // Constant tuning: a tuned code's new value for every evaluator (the
    // setting holds it already), and the gene's outputs at the training
    // points (positive points first, then negative ones).
    void set_constant(std::int32_t code, double value);
    void training_outputs(std::span<const std::int32_t> gene, std::span<double> out);

    // Grid points of the box where the gene's output is > 0 (x outer, y inner).
    [[nodiscard]] std::vector<PlanePoint> positive_region(std::span<const std::int32_t> gene,
                                                          const Box& box);

private:
    NodeTableView nodes_;
    DataColumns training_;
    DataColumns validation_;
    EvaluatorKind kind_;
    std::unique_ptr<FitnessPool> pool_;
    std::vector<BatchEvaluator> evaluators_;  // one per thread
    std::vector<double> grid_x_;
    std::vector<double> grid_y_;
    std::vector<double> grid_out_;
};

}  // namespace vorn
