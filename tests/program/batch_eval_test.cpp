#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <random>

#include "engine/tgp_pop.h"
#include "program/batch_eval.h"
#include "program/interpreter.h"
#include "program/random.h"
#include "tests/program/sample_genes.h"

namespace vorn {
namespace {

using testing::function_subsets;
using testing::grow_gene;
using testing::population_parameters;
using testing::PopulationTexts;
using testing::subset_name;

std::string exact_text(double v) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
    return std::string(buffer, end);
}

// Data that provokes every protected and overflowing case: zeros (division
// by zero), huge values (inf, then inf - inf = NaN), tiny values, points
// near pi/2 (tan blows up), magnitudes beyond the 32-bit range of ln/log10.
std::vector<CellRow> awkward_rows(std::mt19937& rng, int count) {
    const double specials[] = {
        0.0, -0.0, 1e300, -1e300, 1e-300, -1e-300, 1.5707963267948966, -1.5707963267948966,
        3e9, -3e9, 1.0,   0.5,    -1.0,   1e154};
    std::uniform_int_distribution<int> pick(0, 2 * static_cast<int>(std::size(specials)) - 1);
    std::uniform_real_distribution<double> plain(-10, 10);
    std::vector<CellRow> rows;
    for (int r = 0; r < count; ++r) {
        CellRow row;
        for (auto& cell : row) {
            const int k = pick(rng);
            cell = exact_text(k < static_cast<int>(std::size(specials)) ? specials[k] : plain(rng));
        }
        rows.push_back(row);
    }
    return rows;
}

bool same_bits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// Genes from the engine's own creation and operators (a few bred
// generations), plus independently grown long ones.
std::vector<std::vector<std::int32_t>> sample_programs(Tproblem_setting& setting,
                                                       std::mt19937& rng) {
    PopulationTexts texts;
    texts.population_size = "120";
    texts.max_length = "100";
    texts.num_constants = std::to_string(setting.num_constants);
    texts.mutation_rate = "0.25";
    texts.one_point_mutation_rate = "0.05";
    Tgp_pop pop(population_parameters(texts, setting));
    seed_random(static_cast<std::uint32_t>(rng()));
    pop.create_initial_population(setting);
    std::vector<std::vector<std::int32_t>> genes;
    for (int g = 0; g < 3; ++g) {
        for (Individual* individual : pop.current()) {
            genes.emplace_back(individual->program().begin(), individual->program().end());
            individual->normalized_fitness = 1.0 / pop.population_size;
        }
        pop.breed(g, setting);
        pop.current_buffer = 1 - pop.current_buffer;
    }
    for (int i = 0; i < 60; ++i) {
        genes.push_back(grow_gene(rng, setting, 100));
    }
    return genes;
}

TEST(BatchEvaluator, SameBitsAsTheInterpreterForEveryPrimitive) {
    std::mt19937 rng(20261208);
    for (const auto& checked : function_subsets()) {
        testing::SettingFixture f;
        f.texts.checked = checked;
        f.texts.constant_min = "-1";
        f.texts.constant_max = "1";
        f.texts.num_constants = "10";         // includes an exact 0
        f.training = awkward_rows(rng, 600);  // several blocks and a partial one
        Tproblem_setting setting = f.make();
        const NodeTableView nodes = setting.node_table_view();
        BatchEvaluator batch(nodes, setting.training_columns(), setting.validation_columns(), 100);
        Interpreter interpreter(nodes);
        const auto genes = sample_programs(setting, rng);
        const std::size_t n = setting.train_x1.size();
        std::vector<double> out(n);
        int mismatches = 0;
        for (const auto& gene : genes) {
            batch.evaluate(gene, setting.train_x1, setting.train_y1, out);
            for (std::size_t i = 0; i < n && mismatches < 5; ++i) {
                const double expected =
                    evaluate_at(interpreter, gene, setting.train_x1[i], setting.train_y1[i]);
                if (!same_bits(out[i], expected)) {
                    ++mismatches;
                    ADD_FAILURE() << subset_name(checked) << "point " << i << ": batch " << out[i]
                                  << ", interpreter " << expected;
                }
            }
            ASSERT_EQ(batch.training_fitness(gene),
                      training_fitness(nodes, setting.training_columns(), gene))
                << subset_name(checked);
            ASSERT_EQ(batch.validation_fitness(gene),
                      validation_fitness(nodes, setting.validation_columns(), gene));
        }
    }
}

TEST(BatchEvaluator, ConstantProgramsAndEmptyInput) {
    testing::SettingFixture f;
    f.texts.constant_min = "0";
    f.texts.constant_max = "1";
    f.texts.num_constants = "2";  // 0 and 0.5
    for (int i = 0; i < 300; ++i) {
        f.training.push_back(testing::row("1", "1", "-1", "-1"));
    }
    const Tproblem_setting setting = f.make();
    BatchEvaluator batch(setting.node_table_view(), setting.training_columns(),
                         setting.validation_columns(), 10);
    const std::vector<std::int32_t> half = {7};
    EXPECT_EQ(batch.training_fitness(half), 0.5);
    const std::vector<std::int32_t> sum_of_constants = {0, 7, 7};
    std::vector<double> out(300);
    batch.evaluate(sum_of_constants, setting.train_x1, setting.train_y1, out);
    for (double v : out) {
        ASSERT_EQ(v, 1.0);
    }
    std::vector<double> none;
    batch.evaluate(half, none, none, none);
    EXPECT_EQ(batch.count_hits(half, DataColumns{}), 0);
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

TEST(BatchEvaluator, DeepProgramsGiveTheInterpretersBits) {
    // "+ + … + x y y … y": the right-to-left walk holds depth + 1 operands at
    // once; beyond the first room, and beyond the depth at which blocks get
    // narrower, then a shallow program again at full width.
    testing::SettingFixture f;
    std::mt19937 rng(3);
    f.training = awkward_rows(rng, 300);
    const Tproblem_setting setting = f.make();
    const NodeTableView nodes = setting.node_table_view();
    BatchEvaluator batch(nodes, setting.training_columns(), setting.validation_columns(), 400);
    Interpreter interpreter(nodes);
    for (const std::size_t depth : {150, 3000, 12000, 2}) {
        std::vector<std::int32_t> gene(depth, 0);
        gene.push_back(4);
        gene.insert(gene.end(), depth, 5);
        std::vector<double> out(setting.train_x1.size());
        batch.evaluate(gene, setting.train_x1, setting.train_y1, out);
        for (std::size_t i = 0; i < out.size(); ++i) {
            ASSERT_TRUE(same_bits(
                out[i], evaluate_at(interpreter, gene, setting.train_x1[i], setting.train_y1[i])))
                << depth << " deep, point " << i;
        }
        EXPECT_EQ(batch.training_fitness(gene),
                  training_fitness(nodes, setting.training_columns(), gene))
            << depth;
    }
}

}  // namespace
}  // namespace vorn
