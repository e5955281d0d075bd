#include "engine/evaluation.h"

#include <pthread.h>

#include "problem/problem_setting.h"
#include "program/interpreter.h"

namespace vorn {

namespace {

constexpr std::size_t max_grid_points = 21 * 21;

// The address space a new thread's stack takes.
double thread_stack_bytes() {
    std::size_t size = 0;
    pthread_attr_t attributes;
    if (pthread_getattr_default_np(&attributes) == 0) {
        pthread_attr_getstacksize(&attributes, &size);
        pthread_attr_destroy(&attributes);
    }
    return size > 0 ? static_cast<double>(size) : 8.0 * 1024 * 1024;
}

}  // namespace

double evaluation_memory_bytes(const Tproblem_setting& setting, std::int32_t max_length,
                               unsigned threads) {
    const double per_evaluator = BatchEvaluator::initial_bytes(
        setting.node_table.size(), static_cast<std::size_t>(setting.num_training_rows),
        static_cast<std::size_t>(setting.num_validation_rows), max_length);
    return threads * per_evaluator + (threads - 1.0) * thread_stack_bytes();
}

Evaluation::Evaluation(const Tproblem_setting& setting, std::int32_t max_length, EvaluatorKind kind,
                       unsigned threads)
    : nodes_(setting.node_table_view()),
      training_(setting.training_columns()),
      validation_(setting.validation_columns()),
      kind_(kind) {
    if (kind_ == EvaluatorKind::batch) {
        pool_ = std::make_unique<FitnessPool>(threads);
        evaluators_.reserve(pool_->threads());
        for (unsigned t = 0; t < pool_->threads(); ++t) {
            evaluators_.emplace_back(nodes_, training_, validation_, max_length);
        }
    }
    grid_x_.reserve(max_grid_points);
    grid_y_.reserve(max_grid_points);
    grid_out_.reserve(max_grid_points);
}

void Evaluation::score(std::span<Individual* const> generation) {
    if (kind_ == EvaluatorKind::reference) {
        for (Individual* individual : generation) {
            individual->raw_fitness =
                vorn::training_fitness(nodes_, training_, individual->program());
        }
        return;
    }
    pool_->for_each_index(generation.size(), [&](std::size_t i, unsigned thread) {
        generation[i]->raw_fitness = evaluators_[thread].training_fitness(generation[i]->program());
    });
}

void Evaluation::score(std::span<Individual* const> generation, const CaseErrorsOf& errors_of) {
    if (kind_ == EvaluatorKind::reference) {
        for (Individual* individual : generation) {
            individual->raw_fitness = vorn::training_fitness(
                nodes_, training_, individual->program(), errors_of(individual));
        }
        return;
    }
    pool_->for_each_index(generation.size(), [&](std::size_t i, unsigned thread) {
        generation[i]->raw_fitness = evaluators_[thread].training_fitness(generation[i]->program(),
                                                                          errors_of(generation[i]));
    });
}

double Evaluation::training_fitness(std::span<const std::int32_t> gene) {
    return kind_ == EvaluatorKind::reference ? vorn::training_fitness(nodes_, training_, gene)
                                             : evaluators_[0].training_fitness(gene);
}

double Evaluation::validation_fitness(std::span<const std::int32_t> gene) {
    return kind_ == EvaluatorKind::reference ? vorn::validation_fitness(nodes_, validation_, gene)
                                             : evaluators_[0].validation_fitness(gene);
}

void Evaluation::set_constant(std::int32_t code, double value) {
    for (BatchEvaluator& evaluator : evaluators_) {
        evaluator.set_constant(code, value);
    }
}

void Evaluation::training_outputs(std::span<const std::int32_t> gene, std::span<double> out) {
    if (kind_ != EvaluatorKind::reference) {
        evaluators_[0].training_outputs(gene, out);
        return;
    }
    Interpreter interpreter(nodes_);
    const std::size_t n = training_.x1.size();
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = evaluate_at(interpreter, gene, training_.x1[i], training_.y1[i]);
        out[n + i] = evaluate_at(interpreter, gene, training_.x2[i], training_.y2[i]);
    }
}

std::vector<PlanePoint> Evaluation::positive_region(std::span<const std::int32_t> gene,
                                                    const Box& box) {
    if (kind_ == EvaluatorKind::reference) {
        return vorn::positive_region(nodes_, gene, box);
    }
    const auto xs = scan_lines(box.x_min, box.x_max);
    const auto ys = scan_lines(box.y_min, box.y_max);
    grid_x_.clear();
    grid_y_.clear();
    for (double x : xs) {
        for (double y : ys) {
            grid_x_.push_back(x);
            grid_y_.push_back(y);
        }
    }
    grid_out_.resize(grid_x_.size());
    evaluators_[0].evaluate(gene, grid_x_, grid_y_, grid_out_);
    std::vector<PlanePoint> points;
    for (std::size_t i = 0; i < grid_out_.size(); ++i) {
        if (grid_out_[i] > 0) {
            points.push_back({grid_x_[i], grid_y_[i]});
        }
    }
    return points;
}

}  // namespace vorn
