#include "engine/constant_tuning.h"

#include <cmath>
#include <vector>

#include "engine/evaluation.h"
#include "problem/problem_setting.h"
#include "program/interpreter.h"

namespace vorn {

namespace {

// log(1 + exp(t)) without overflow.
double softplus(double t) {
    return t > 0 ? t + std::log1p(std::exp(-t)) : std::log1p(std::exp(t));
}

class Tuner {
public:
    Tuner(Tproblem_setting& setting, Evaluation& evaluation)
        : setting_(setting),
          evaluation_(evaluation),
          rows_(static_cast<std::size_t>(setting.num_training_rows)),
          outputs_(2 * rows_) {}

    TuningLoss measure(std::span<const std::int32_t> gene) {
        evaluation_.training_outputs(gene, outputs_);
        return tuning_loss(outputs_, rows_);
    }

    void set(std::int32_t code, double value) {
        setting_.set_constant(code, value);
        evaluation_.set_constant(code, value);
    }

    [[nodiscard]] double value(std::int32_t code) const {
        return setting_.constant_table[static_cast<std::size_t>(
            setting_.node_table[static_cast<std::size_t>(code)].index)];
    }

    // Coordinate steps: each constant in turn tries one step up and one
    // down, the step halving every round; a step stays only when it lowers
    // the loss and keeps the hits.
    void tune(Individual& individual, std::span<const std::size_t> positions) {
        const auto gene = individual.program();
        TuningLoss best = measure(gene);
        for (int round = 0; round < tuning_rounds; ++round) {
            for (const std::size_t p : positions) {
                const std::int32_t code = gene[p];
                const double was = value(code);
                const double step = (was != 0 ? std::fabs(was) : 1.0) * std::ldexp(1.0, -round - 1);
                for (const double tried : {was + step, was - step}) {
                    set(code, tried);
                    const TuningLoss now = measure(gene);
                    if (now.loss < best.loss && now.hits >= best.hits) {
                        best = now;
                        break;
                    }
                    set(code, was);
                }
            }
        }
    }

private:
    Tproblem_setting& setting_;
    Evaluation& evaluation_;
    std::size_t rows_;
    std::vector<double> outputs_;
};

}  // namespace

TuningLoss tuning_loss(std::span<const double> outputs, std::size_t rows) {
    TuningLoss result;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const bool positive = i < rows;
        const double v = outputs[i];
        result.loss += softplus(v != v ? 0.0 : (positive ? -v : v));
        result.hits += (positive ? positive_hit(v) : negative_hit(v)) ? 1 : 0;
    }
    return result;
}

std::int32_t tune_constants(Tproblem_setting& setting, Evaluation& evaluation,
                            std::span<Individual* const> generation, std::int32_t programs) {
    const std::int32_t first = setting.first_tuned_code();
    const auto slots = static_cast<std::int32_t>(setting.node_table.size()) - first;
    if (slots <= 0 || programs <= 0) {
        return 0;
    }
    Tuner tuner(setting, evaluation);
    const auto count = std::min<std::size_t>(static_cast<std::size_t>(programs), generation.size());
    std::int32_t changed = 0;
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < count; ++i) {
        Individual& individual = *generation[i];
        positions.clear();
        for (std::size_t p = 0; p < individual.program().size(); ++p) {
            if (setting.node_table[static_cast<std::size_t>(individual.gene[p])].op ==
                OpCode::constant) {
                positions.push_back(p);
            }
        }
        if (positions.empty()) {
            continue;
        }
        if (slots - setting.tuned_codes_taken < static_cast<std::int32_t>(positions.size())) {
            break;
        }
        // Codes of its own, so that programs sharing a constant keep theirs.
        for (const std::size_t p : positions) {
            const std::int32_t code = first + setting.tuned_codes_taken++;
            tuner.set(code, tuner.value(individual.gene[p]));
            individual.gene[p] = code;
        }
        tuner.tune(individual, positions);
        changed = static_cast<std::int32_t>(i) + 1;
    }
    return changed;
}

}  // namespace vorn
