#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "program/functable.h"

namespace vorn {
namespace {

constexpr double nan_value = std::numeric_limits<double>::quiet_NaN();
constexpr double inf_value = std::numeric_limits<double>::infinity();

TEST(Primitives, TableRowsInCheckListOrder) {
    const auto table = build_function_table();
    ASSERT_EQ(table.size(), 10u);
    const int arities[] = {1, 1, 1, 1, 0, 0, 0, 0, 0, 3};
    const OpCode ops[] = {OpCode::add,   OpCode::subtract, OpCode::multiply, OpCode::divide,
                          OpCode::sin,   OpCode::cos,      OpCode::tan,      OpCode::ln,
                          OpCode::log10, OpCode::iflte};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(table[i].name, primitive_names[i]);
        EXPECT_EQ(table[i].arity_less_one, arities[i]) << table[i].name;
        EXPECT_EQ(table[i].op, ops[i]) << table[i].name;
        EXPECT_NE(table[i].eval, nullptr);
    }
    EXPECT_EQ(primitive_item_texts[1], "- ");
    EXPECT_EQ(primitive_item_texts[7], "ln (abs)");
}

TEST(Primitives, ProtectedDivision) {
    EXPECT_EQ(protected_divide(5, 0), 1);
    EXPECT_EQ(protected_divide(0, 0), 1);
    EXPECT_EQ(protected_divide(-3, -0.0), 1);
    EXPECT_EQ(protected_divide(7, nan_value), 1);
    EXPECT_EQ(protected_divide(1, 1e-30), 1 / 1e-30);
    EXPECT_EQ(protected_divide(6, 3), 2);
    EXPECT_TRUE(std::isnan(protected_divide(nan_value, 2)));
}

TEST(Primitives, LogarithmsOfTheIntegerMagnitude) {
    struct Case {
        double argument;
        double ln;
        double log10;
    };
    const Case cases[] = {
        {1, 0, 0},
        {1.5, 0, 0},
        {-1.9, 0, 0},
        {0.3, 0, 0},
        {0.99, 0, 0},
        {-0.5, 0, 0},
        {0, 0, 0},
        {2.7, std::log(2.0), std::log10(2.0)},
        {10.7, std::log(10.0), 1},
        {100, std::log(100.0), 2},
        {-100.99, std::log(100.0), 2},
        {-20.9, std::log(20.0), std::log10(20.0)},
        {2147483647.9, std::log(2147483647.0), std::log10(2147483647.0)},
        // Magnitudes that do not fit a signed 32-bit integer, and non-numbers.
        {2147483648.0, 0, 0},
        {-2147483648.5, 0, 0},
        {1e300, 0, 0},
        {inf_value, 0, 0},
        {-inf_value, 0, 0},
        {nan_value, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(integer_ln(c.argument), c.ln) << c.argument;
        EXPECT_EQ(integer_log10(c.argument), c.log10) << c.argument;
    }
}

TEST(Primitives, IflteChoosesByComparison) {
    EXPECT_EQ(iflte(1, 1, 10, 20), 10);
    EXPECT_EQ(iflte(2, 1, 10, 20), 20);
    EXPECT_EQ(iflte(0, 1, 10, 20), 10);
    EXPECT_EQ(iflte(nan_value, 1, 10, 20), 10);
    EXPECT_EQ(iflte(1, nan_value, 10, 20), 10);
}

}  // namespace
}  // namespace vorn
