#pragma once
// A small problem setting and population for engine tests.
#include <memory>
#include <vector>

#include "engine/tgp_pop.h"
#include "problem/problem_setting.h"
#include "tests/program/test_setting.h"

namespace vorn::testing {

struct EngineFixture {
    SettingFixture problem;
    PopulationTexts population;
    std::unique_ptr<Tproblem_setting> setting;
    std::unique_ptr<Tgp_pop> pop;

    EngineFixture() {
        // A small circle-like problem: positives near the origin, negatives outside.
        for (int i = 0; i < 12; ++i) {
            const double a = i * 0.5;
            problem.training.push_back(row(std::to_string(0.3 * a / 6),
                                           std::to_string(-0.2 + a / 30), std::to_string(2 + a / 3),
                                           std::to_string(-2 + a / 2)));
        }
        population.population_size = "20";
        population.num_generations = "5";
    }

    void build() {
        setting = std::make_unique<Tproblem_setting>(problem.make());
        const PopulationParameters parameters = population_parameters(population, *setting);
        pop = std::make_unique<Tgp_pop>(parameters);
        if (parameters.tune_programs > 0) {
            setting->reserve_tuned_constants(tuned_constant_slots(parameters));
        }
    }
};

}  // namespace vorn::testing
