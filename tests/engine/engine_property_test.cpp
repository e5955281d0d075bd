// Random settings of every kind Start accepts, each run for a few generations:
// the run ends, and every program in both buffers stays a well-formed gene
// within the maximum length, with fitness values in range.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "engine/prepare_run.h"
#include "engine/run_gp.h"
#include "engine/tgp_pop.h"
#include "problem/number_text.h"
#include "program/gene.h"
#include "tests/program/test_setting.h"

namespace vorn {
namespace {

using testing::population_parameters;
using testing::PopulationTexts;
using testing::SettingFixture;

struct Settings {
    std::array<bool, num_primitives> checked{};
    PopulationTexts population;
    int training_rows = 0;
    int validation_rows = 0;  // 0: the training data validates
    std::uint32_t seed = 0;
    std::string text;  // for failure messages
};

// Log-uniform whole number in [low, high], so tiny and large values both come up.
int log_uniform(std::mt19937& random, int low, int high) {
    std::uniform_real_distribution<double> exponent(std::log(low), std::log(high + 1.0));
    return std::clamp(static_cast<int>(std::exp(exponent(random))), low, high);
}

std::string two_decimals(int hundredths) {
    return std::to_string(hundredths / 100) + "." + (hundredths % 100 < 10 ? "0" : "") +
           std::to_string(hundredths % 100);
}

// The shortest program the checked functions allow (the "+" fallback when none).
int shortest_program(const std::array<bool, num_primitives>& checked) {
    const std::vector<functable> table = build_function_table();
    int smallest = 4;
    bool any = false;
    for (int i = 0; i < num_primitives; ++i) {
        if (checked[i]) {
            smallest = std::min(smallest, table[i].arity_less_one + 1);
            any = true;
        }
    }
    return 1 + (any ? smallest : 2);
}

Settings random_settings(std::mt19937& random, int subset) {
    Settings s;
    for (int i = 0; i < num_primitives; ++i) {
        s.checked[i] = ((subset >> i) & 1) != 0;
    }
    auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    PopulationTexts& p = s.population;
    const int population = log_uniform(random, 2, 300);
    p.population_size = std::to_string(population);
    p.num_generations = std::to_string(1 + below(3));
    p.selection_method = below(static_cast<int>(selection_names.size()));
    p.parsimony = parsimony_names[static_cast<std::size_t>(below(3))];
    p.size_penalty = std::array{"0", "0.001", "0.5", "1e30"}[below(4)];
    p.objectives = objectives_names[static_cast<std::size_t>(below(2))];
    p.tune_constants = below(3) == 0 ? std::to_string(1 + below(4)) : "0";
    p.tournament_size = std::to_string(std::min(population, log_uniform(random, 1, 50)));
    p.max_length =
        std::to_string(std::max(shortest_program(s.checked), log_uniform(random, 2, 500)));
    p.max_initial_depth = std::to_string(below(11));
    p.num_constants = std::to_string(log_uniform(random, 1, 10000));
    const int range = below(4);
    p.constant_min = std::array{"-1", "0", "-1000", "-3.4e38"}[range];
    p.constant_max = std::array{"1", "1e-30", "0.5", "3.4e38"}[range];

    // Operation rates in hundredths, every extreme included.
    int crossover = below(101);
    int mutation = below(101 - crossover);
    int one_point = below(101 - crossover - mutation);
    switch (below(6)) {
        case 0:
            crossover = 100, mutation = 0, one_point = 0;
            break;
        case 1:
            crossover = 0, mutation = 100, one_point = 0;
            break;
        case 2:
            crossover = 0, mutation = 0, one_point = 100;
            break;
        case 3:
            crossover = 0, mutation = 0, one_point = 0;
            break;
        default:
            break;
    }
    p.crossover_rate = two_decimals(crossover);
    p.mutation_rate = two_decimals(mutation);
    p.one_point_mutation_rate = two_decimals(one_point);
    p.reproduction_rate =
        *remainder_label(p.crossover_rate, p.mutation_rate, p.one_point_mutation_rate);
    p.elite_strategy = below(4) != 0;
    p.elite_percent = std::array{"0", "100", "10", "50", "99.9", "1"}[below(6)];
    p.break_point = below(4) == 0;
    p.break_every = std::to_string(below(3));

    // Node ratios: the function share up to 0.95, the rest split. At 0.95 the
    // depth is 1: deeper, random creation of high-arity trees needs up to
    // hundreds of thousands of attempts per program (about 0.5 s each, IFLTE
    // alone at depth 4), which belongs in a benchmark, not here.
    const int function = below(4) == 0 ? 95 : below(96);
    if (function == 95) {
        p.max_initial_depth = "1";
    }
    const int variable = below(101 - function);
    p.function_ratio = two_decimals(function);
    p.variable_ratio = two_decimals(variable);
    p.constant_ratio = *remainder_label(p.function_ratio, p.variable_ratio);

    s.training_rows = log_uniform(random, 1, 40);
    s.validation_rows = below(2) == 0 ? 0 : log_uniform(random, 1, 40);
    s.seed = static_cast<std::uint32_t>(random());
    s.text =
        "functions " + std::to_string(subset) + ", population " + p.population_size +
        ", generations " + p.num_generations + ", selection " + std::to_string(p.selection_method) +
        " size " + p.tournament_size + ", parsimony " + p.parsimony + " " + p.size_penalty + ", " +
        p.objectives + ", tune " + p.tune_constants + ", max length " + p.max_length + ", depth " +
        p.max_initial_depth + ", constants " + p.num_constants + " in " + p.constant_min + ".." +
        p.constant_max + ", rates " + p.crossover_rate + "/" + p.mutation_rate + "/" +
        p.one_point_mutation_rate + "/" + p.reproduction_rate + ", elite " +
        (p.elite_strategy ? p.elite_percent : "off") + ", break " +
        (p.break_point ? p.break_every : "off") + ", ratios " + p.function_ratio + "/" +
        p.variable_ratio + "/" + p.constant_ratio + ", rows " + std::to_string(s.training_rows) +
        "/" + std::to_string(s.validation_rows) + ", seed " + std::to_string(s.seed);
    return s;
}

std::vector<CellRow> random_rows(std::mt19937& random, int count) {
    std::normal_distribution<float> value(0.0F, 3.0F);
    std::vector<CellRow> rows;
    for (int i = 0; i < count; ++i) {
        CellRow row;
        for (auto& cell : row) {
            cell = cell_text(value(random));
        }
        rows.push_back(row);
    }
    return rows;
}

// Checks the population at every generation and resumes every pause.
class CheckingFrontEnd : public RunFrontEnd {
public:
    CheckingFrontEnd(Tproblem_setting& setting, Tgp_pop& pop) : setting_(setting), pop_(pop) {}

    void generation_done(const GenerationReport& report) override {
        check_buffer(pop_.current());
        if (report.generation > 0) {
            check_buffer(pop_.next());  // the generation before, bred or created
        }
        const auto validation_max = 2.0F * static_cast<float>(setting_.num_validation_rows);
        EXPECT_GE(report.validation_fitness, 0.0F);
        EXPECT_LE(report.validation_fitness, validation_max);
        EXPECT_GE(report.best_raw_fitness, 0.0);
        EXPECT_LE(report.best_raw_fitness, 1.0);
        EXPECT_GE(report.mean_length, 1);
        EXPECT_LE(report.mean_length, pop_.max_length);
        double sum = 0;
        for (const Individual* individual : pop_.current()) {
            EXPECT_GE(individual->raw_fitness, 0.0);
            EXPECT_LE(individual->raw_fitness, 1.0);
            EXPECT_GE(individual->normalized_fitness, 0.0);
            EXPECT_LE(individual->normalized_fitness, 1.0);
            EXPECT_LE(individual->normalized_fitness, pop_.current()[0]->normalized_fitness);
            sum += individual->normalized_fitness;
        }
        EXPECT_NEAR(sum, 1.0, 1e-9);
        ++generations;
    }
    void wait_while_paused() override { setting_.pause_request = 0; }
    void run_ended(const RunOutcome& outcome) override {
        if (outcome.generations_done > 0) {
            check_buffer(pop_.current());
        }
    }

    int generations = 0;

private:
    void check_buffer(std::span<Individual* const> buffer) {
        ASSERT_EQ(buffer.size(), static_cast<std::size_t>(pop_.population_size));
        for (const Individual* individual : buffer) {
            ASSERT_GE(individual->length, 1);
            ASSERT_LE(individual->length, pop_.max_length);
            ASSERT_EQ(individual->gene.size(), static_cast<std::size_t>(pop_.max_length));
            ASSERT_TRUE(is_well_formed(setting_.node_table, individual->program()));
            const auto rest =
                individual->gene.subspan(static_cast<std::size_t>(individual->length));
            ASSERT_TRUE(
                std::all_of(rest.begin(), rest.end(), [](std::int32_t c) { return c == 0; }));
        }
    }

    Tproblem_setting& setting_;
    Tgp_pop& pop_;
};

TEST(EngineProperty, RandomSettingsRunWellFormedToTheEnd) {
    std::mt19937 random(20240611);
    int errors = 0;
    // One case per subset of the ten functions, the empty one ("+" fallback) included.
    for (int subset = 0; subset < (1 << num_primitives); ++subset) {
        const Settings s = random_settings(random, subset);
        SCOPED_TRACE(s.text);
        SettingFixture fixture;
        fixture.texts.checked = s.checked;
        fixture.texts.constant_min = s.population.constant_min;
        fixture.texts.constant_max = s.population.constant_max;
        fixture.texts.num_constants = s.population.num_constants;
        fixture.training = random_rows(random, s.training_rows);
        fixture.validation = random_rows(random, std::max(s.validation_rows, 1));
        fixture.texts.use_training_data = s.validation_rows == 0;
        Tproblem_setting setting = fixture.make();
        const PopulationParameters parameters = population_parameters(s.population, setting);
        Tgp_pop pop(parameters);
        if (parameters.tune_programs > 0) {
            setting.reserve_tuned_constants(tuned_constant_slots(parameters));
        }
        CheckingFrontEnd front(setting, pop);
        RunOptions options;
        options.seed = s.seed;
        const RunOutcome outcome = run_gp(setting, pop, front, options);
        if (outcome.error) {
            ++errors;
            ADD_FAILURE() << "run error: " << outcome.error->text;
            continue;
        }
        EXPECT_FALSE(outcome.aborted);
        EXPECT_EQ(outcome.generations_done, pop.num_generations);
        EXPECT_EQ(front.generations, pop.num_generations);
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
    }
    EXPECT_EQ(errors, 0);
}

}  // namespace
}  // namespace vorn
