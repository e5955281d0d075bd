// Constant tuning over random generations of every function set: a tuned
// program's loss never rises and its hits never fall, every other program
// keeps its outputs bit for bit, and both evaluators tune alike.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/constant_tuning.h"
#include "engine/evaluation.h"
#include "engine/run_gp.h"
#include "tests/engine/engine_fixture.h"

namespace vorn {
namespace {

using testing::EngineFixture;

std::vector<double> outputs_of(Evaluation& evaluation, const Individual& individual,
                               std::size_t points) {
    std::vector<double> out(points);
    evaluation.training_outputs(individual.program(), out);
    return out;
}

bool same_bits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

TEST(ConstantTuning, LossNeverRisesHitsNeverFallOthersKeepTheirBits) {
    for (int subset = 1; subset < (1 << num_primitives); subset += 37) {
        std::vector<std::vector<std::vector<double>>> tuned_outputs;
        for (const EvaluatorKind kind : {EvaluatorKind::reference, EvaluatorKind::batch}) {
            EngineFixture f;
            for (int i = 0; i < num_primitives; ++i) {
                f.problem.texts.checked[i] = ((subset >> i) & 1) != 0;
            }
            f.population.population_size = "40";
            f.build();
            f.setting->reserve_tuned_constants(400);
            initialize_run(*f.setting, *f.pop, static_cast<std::uint32_t>(subset));
            Evaluation evaluation(*f.setting, f.pop->max_length, kind, 2);
            auto& generation = f.pop->generation_buffers[0];
            (void)assign_fitness(evaluation, generation);
            rank_generation(*f.pop, generation);

            const std::size_t points = 2 * static_cast<std::size_t>(f.setting->num_training_rows);
            std::vector<std::vector<double>> before;
            for (const Individual* individual : generation) {
                before.push_back(outputs_of(evaluation, *individual, points));
            }
            const std::int32_t changed = tune_constants(*f.setting, evaluation, generation, 8);
            ASSERT_LE(changed, 8);
            tuned_outputs.emplace_back();
            for (std::size_t i = 0; i < generation.size(); ++i) {
                const auto after = outputs_of(evaluation, *generation[i], points);
                const std::size_t rows = points / 2;
                if (static_cast<std::int32_t>(i) < changed) {
                    const TuningLoss was = tuning_loss(before[i], rows);
                    const TuningLoss is = tuning_loss(after, rows);
                    EXPECT_LE(is.loss, was.loss) << subset << " program " << i;
                    EXPECT_GE(is.hits, was.hits) << subset << " program " << i;
                    tuned_outputs.back().push_back(after);
                } else {
                    EXPECT_TRUE(same_bits(after, before[i])) << subset << " program " << i;
                }
            }
        }
        ASSERT_EQ(tuned_outputs[0].size(), tuned_outputs[1].size()) << subset;
        for (std::size_t i = 0; i < tuned_outputs[0].size(); ++i) {
            EXPECT_TRUE(same_bits(tuned_outputs[0][i], tuned_outputs[1][i])) << subset << " " << i;
        }
    }
}

}  // namespace
}  // namespace vorn
