#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "program/gene.h"
#include "program/generic_sort.h"
#include "program/infix.h"
#include "program/random.h"
#include "tests/program/test_setting.h"

namespace vorn {
namespace {

int compare_ints(int a, int b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

TEST(GenericSort, SmallAndDegenerateInputs) {
    std::vector<int> none;
    generic_sort(std::span<int>(none), compare_ints);
    std::vector<int> one = {5};
    generic_sort(std::span<int>(one), compare_ints);
    EXPECT_EQ(one, std::vector<int>{5});
    std::vector<int> two = {9, 2};
    generic_sort(std::span<int>(two), compare_ints);
    EXPECT_EQ(two, (std::vector<int>{2, 9}));
    std::vector<int> three = {3, 1, 2};
    generic_sort(std::span<int>(three), compare_ints);
    EXPECT_EQ(three, (std::vector<int>{1, 2, 3}));
}

TEST(GenericSort, EqualKeysArePermuted) {
    struct Item {
        double key;
        int id;
    };
    std::vector<Item> items;
    for (int i = 0; i < 9; ++i) {
        items.push_back({0.25, i});
    }
    generic_sort(std::span<Item>(items), [](const Item& a, const Item& b) {
        return a.key > b.key ? -1 : (a.key < b.key ? 1 : 0);
    });
    std::vector<int> ids;
    for (const auto& item : items) {
        ids.push_back(item.id);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(GenericSort, RandomInputsEndSortedAndDeterministic) {
    seed_random(5);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<int> values(static_cast<std::size_t>(random_below(60)));
        for (int& v : values) {
            v = random_below(20);
        }
        auto first = values;
        auto second = values;
        generic_sort(std::span<int>(first), compare_ints);
        generic_sort(std::span<int>(second), compare_ints);
        auto expected = values;
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(first, expected);
        ASSERT_EQ(first, second);
    }
}

class InfixTest : public ::testing::Test {
protected:
    InfixTest() {
        f.texts.checked = {true, true, true, true, true, false, false, false, false, true};
        // Codes: 0 + 1 - 2 * 3 / 4 sin 5 IFLTE 6 x 7 y; constants 0, 0.25, 0.5, 0.75.
        f.texts.constant_min = "0";
        f.texts.constant_max = "1";
        f.texts.num_constants = "4";
        f.training = {testing::row("1", "2", "3", "4")};
    }
    std::string print(const std::vector<std::int32_t>& gene) {
        const auto setting = f.make();
        return infix_text(setting.node_table, gene);
    }
    testing::SettingFixture f;
};

TEST_F(InfixTest, BlanksAndBracketsOfEachArity) {
    EXPECT_EQ(print({0, 6, 7}), " ( x  +  y ) ");
    EXPECT_EQ(print({4, 6}), " sin  ( x ) ");
    EXPECT_EQ(print({5, 6, 7, 6, 7}), " IFLTE  ( x ,  y ,  x ,  y )");
    // Nested: the inner bracket keeps its own blanks.
    EXPECT_EQ(print({2, 1, 6, 9, 7}), " ( ( x  -  0.250 )  *  y ) ");
}

TEST_F(InfixTest, PositionEndsOnTheLastNodeOfTheSubtree) {
    const auto setting = f.make();
    const std::vector<std::int32_t> single = {7};
    std::int32_t position = 0;
    EXPECT_EQ(infix_text(setting.node_table, single, position), " y ");
    EXPECT_EQ(position, 0);
    const std::vector<std::int32_t> gene = {0, 4, 6, 8, 7};
    position = 1;
    EXPECT_EQ(infix_text(setting.node_table, gene, position), " sin  ( x ) ");
    EXPECT_EQ(position, 2);
    position = 0;
    (void)infix_text(setting.node_table, gene, position);
    EXPECT_EQ(position, 3);
}

TEST_F(InfixTest, SubtreeEndAndWellFormedness) {
    const auto setting = f.make();
    const auto& table = setting.node_table;
    const std::vector<std::int32_t> gene = {0, 4, 6, 5, 6, 7, 8, 9};
    EXPECT_EQ(subtree_end(table, gene, 0), 7);
    EXPECT_EQ(subtree_end(table, gene, 1), 2);
    EXPECT_EQ(subtree_end(table, gene, 3), 7);
    EXPECT_EQ(subtree_end(table, gene, 6), 6);
    EXPECT_TRUE(is_well_formed(table, gene));
    const std::vector<std::int32_t> partial = {0, 4, 6};
    EXPECT_EQ(subtree_end(table, partial, 0), -1);
    EXPECT_FALSE(is_well_formed(table, partial));
    const std::vector<std::int32_t> trailing = {6, 7};
    EXPECT_FALSE(is_well_formed(table, trailing));
    const std::vector<std::int32_t> out_of_table = {0, 6, 99};
    EXPECT_FALSE(is_well_formed(table, out_of_table));
}

}  // namespace
}  // namespace vorn
