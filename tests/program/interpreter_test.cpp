#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <vector>

#include "program/interpreter.h"
#include "tests/program/test_setting.h"

namespace vorn {
namespace {

using testing::row;
using testing::SettingFixture;

// Default check marks: codes 0..3 are + - * /, 4 is x, 5 is y, 6.. constants.
TEST(Interpreter, EvaluatesPrefixGeneAndAdvancesPosition) {
    SettingFixture f;
    f.training = {row("1", "2", "3", "4")};
    const auto setting = f.make();
    Interpreter interpreter(setting.node_table_view());
    const std::vector<std::int32_t> gene = {0, 4, 5};
    set_input1(interpreter, 1);
    set_input2(interpreter, 2);
    std::int32_t position = 0;
    EXPECT_EQ(evaluate(interpreter, gene, position), 3);
    EXPECT_EQ(position, 3);

    // x - y / y with y = 0 gives x - 1 (protected division).
    const std::vector<std::int32_t> gene2 = {1, 4, 3, 5, 5};
    EXPECT_EQ(evaluate_at(interpreter, gene2, 5, 0), 4);
}

TEST(Interpreter, AllArgumentsOfIflteAreConsumed) {
    SettingFixture f;
    f.texts.checked = {true, false, false, false, false, false, false, false, false, true};
    f.training = {row("1", "2", "3", "4")};
    const auto setting = f.make();
    Interpreter interpreter(setting.node_table_view());
    // Codes: 0 "+", 1 "IFLTE", 2 x, 3 y. IFLTE x y (+ x (+ y x)) (+ (+ y y) y) then a tail.
    const std::vector<std::int32_t> gene = {1, 2, 3, 0, 2, 0, 3, 2, 0, 0, 3, 3, 3, 2};
    set_input1(interpreter, 1);
    set_input2(interpreter, 2);
    std::int32_t position = 0;
    EXPECT_EQ(evaluate(interpreter, gene, position), 1 + (2 + 1));
    EXPECT_EQ(position, 13);
    set_input1(interpreter, 3);
    position = 0;
    EXPECT_EQ(evaluate(interpreter, gene, position), (2 + 2) + 2);
    EXPECT_EQ(position, 13);
}

// A row's evaluator and the interpreter's dispatch on the row's operation
// give the same bits and end at the same position, for every primitive and
// terminal, on argument values that reach the protected and overflowing cases.
TEST(Interpreter, RowEvaluatorsAgreeWithTheOperationDispatch) {
    SettingFixture f;
    f.texts.checked.fill(true);
    f.texts.num_constants = "3";
    f.training = {row("1", "2", "3", "4")};
    const auto setting = f.make();
    Interpreter interpreter(setting.node_table_view());
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double half_pi = 1.5707963267948966;
    const double awkward[] = {0.0,  -0.0,    1e300,    -1e300, 1e-300, -1e-300, nan, inf,
                              -inf, half_pi, -half_pi, 3e9,    -3e9,   1.0,     -2.5};
    const std::int32_t x = setting.num_functions;
    const std::int32_t y = x + 1;
    for (std::size_t code = 0; code < setting.node_table.size(); ++code) {
        const functable& node = setting.node_table[code];
        // The node over x, y, x, y, ... as its arguments.
        std::vector<std::int32_t> gene = {static_cast<std::int32_t>(code)};
        for (int k = 0; k <= node.arity_less_one; ++k) {
            gene.push_back(k % 2 == 0 ? x : y);
        }
        const auto end = static_cast<std::int32_t>(gene.size());
        for (const double u : awkward) {
            for (const double v : awkward) {
                set_input1(interpreter, u);
                set_input2(interpreter, v);
                std::int32_t by_row = 0;
                std::int32_t by_op = 0;
                const double row_value = node.eval(interpreter, gene, by_row);
                const double op_value = evaluate(interpreter, gene, by_op);
                ASSERT_EQ(std::bit_cast<std::uint64_t>(row_value),
                          std::bit_cast<std::uint64_t>(op_value))
                    << node.name << " at " << u << ", " << v;
                ASSERT_EQ(by_row, end) << node.name;
                ASSERT_EQ(by_op, end) << node.name;
            }
        }
    }
}

class FitnessTest : public ::testing::Test {
protected:
    // Range 0..1 with 2 constants: code 6 is 0, code 7 is 0.5.
    Tproblem_setting make(std::vector<CellRow> training, std::vector<CellRow> validation = {}) {
        f.texts.constant_min = "0";
        f.texts.constant_max = "1";
        f.texts.num_constants = "2";
        f.training = std::move(training);
        f.validation = std::move(validation);
        f.texts.use_training_data = f.validation.empty();
        return f.make();
    }
    static double training(const Tproblem_setting& s, const std::vector<std::int32_t>& gene) {
        return training_fitness(s.node_table_view(), s.training_columns(), gene);
    }
    static double validation(const Tproblem_setting& s, const std::vector<std::int32_t>& gene) {
        return validation_fitness(s.node_table_view(), s.validation_columns(), gene);
    }
    SettingFixture f;
};

TEST_F(FitnessTest, ConstantGenesFollowTheDecisionTable) {
    auto setting =
        make({row("1", "1", "-1", "-1"), row("2", "0", "-2", "0")},
             {row("1", "1", "-1", "-1"), row("1", "1", "-1", "-1"), row("5", "5", "-5", "-5")});
    const std::vector<std::int32_t> half = {7};
    EXPECT_EQ(training(setting, half), 0.5);
    EXPECT_EQ(validation(setting, half), 3);  // M misses: every negative point
    const std::vector<std::int32_t> zero = {6};
    EXPECT_EQ(training(setting, zero), 1.0);
    EXPECT_EQ(validation(setting, zero), 6);  // 2M: zero is never a hit
    const std::vector<std::int32_t> x = {4};
    EXPECT_EQ(training(setting, x), 0.0);
    EXPECT_EQ(validation(setting, x), 0);
}

TEST_F(FitnessTest, NanOutputCountsAsNegative) {
    auto setting = make({row("1e300", "1", "1e300", "1"), row("1e300", "2", "1e300", "3")});
    // (x * x) - (x * x) overflows to inf - inf = NaN on every point.
    const std::vector<std::int32_t> nan_gene = {1, 2, 4, 4, 2, 4, 4};
    Interpreter interpreter(setting.node_table_view());
    EXPECT_TRUE(std::isnan(evaluate_at(interpreter, nan_gene, 1e300, 1)));
    EXPECT_EQ(training(setting, nan_gene), 0.5);
    EXPECT_EQ(validation(setting, nan_gene), 2);
}

TEST_F(FitnessTest, TrainingDataServesForValidation) {
    auto setting =
        make({row("1", "1", "2", "2"), row("-1", "3", "1", "-3"), row("0.5", "0", "-4", "1")});
    const std::vector<std::int32_t> y = {5};
    // Hits: positive y 1, 3 (not 0); negative y -3 (not 2, 1).
    const double fraction = training(setting, y);
    EXPECT_EQ(fraction, 0.5);
    EXPECT_EQ(validation(setting, y), 2 * 3 * fraction);
}

}  // namespace
}  // namespace vorn
