#include "problem/data_table.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "problem/number_text.h"

namespace vorn {
namespace {

[[nodiscard]] bool same_value(std::optional<double> a, std::optional<double> b) {
    return a.has_value() == b.has_value() &&
           (!a || std::bit_cast<std::uint64_t>(*a) == std::bit_cast<std::uint64_t>(*b));
}

[[nodiscard]] float random_finite_float(std::mt19937& random) {
    while (true) {
        const auto value = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
        if (std::isfinite(value)) {
            return value;
        }
    }
}

// A loaded value keeps no text; it shows its cell text and gives a run
// exactly the value of that text.
TEST(DataTable, LoadedCellsAreTheirCellTexts) {
    std::mt19937 random(20240601);
    std::vector<DataRow> rows(20000);
    for (DataRow& row : rows) {
        for (float& value : row) {
            value = random_finite_float(random);
        }
    }
    rows.push_back({1234565.0F, -0.0F, 999999.5F, std::numeric_limits<float>::denorm_min()});
    const DataTable table(rows);
    ASSERT_EQ(table.row_count(), rows.size());
    EXPECT_EQ(table.edited_count(), 0U);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < DataTable::column_count; ++c) {
            const float value = rows[r][static_cast<std::size_t>(c)];
            const std::string text = cell_text(value);
            ASSERT_EQ(table.cell_text(r, c), text) << value;
            ASSERT_TRUE(same_value(table.value(r, c), parse_real(text))) << text;
            ASSERT_FALSE(table.cell_empty(r, c));
        }
    }
}

TEST(DataTable, AnEditedCellKeepsItsTextAndIsReadFromIt) {
    const struct {
        const char* what;
        std::string typed;
        std::optional<double> value;
        std::size_t kept;
    } cases[] = {
        {"a number", "7.125", 7.125, 1},
        {"more digits than the grid shows", "0.1234567891", 0.1234567891, 1},
        {"blanks around a number", " 2 ", 2.0, 1},
        {"not a number", "abc", std::nullopt, 1},
        {"its own text again", "0.1", 0.1, 0},
        {"emptied", "", std::nullopt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DataTable table(std::vector<DataRow>{{1.5F, 2.25F, -3.0F, 0.1F}});
        table.set_cell_text(0, 3, c.typed);
        EXPECT_EQ(table.cell_text(0, 3), c.typed);
        EXPECT_TRUE(same_value(table.value(0, 3), c.value));
        EXPECT_EQ(table.cell_empty(0, 3), c.typed.empty());
        EXPECT_EQ(table.edited_count(), c.kept);
        EXPECT_EQ(table.row_texts(0), (CellRow{"1.5", "2.25", "-3", c.typed}));
    }
}

TEST(DataTable, EmptyCellsClearingAndTypedTables) {
    DataTable table(3);
    EXPECT_EQ(table.row_count(), 3U);
    EXPECT_TRUE(table.cell_empty(2, 3));
    EXPECT_EQ(table.cell_text(2, 3), "");
    EXPECT_EQ(table.value(2, 3), std::nullopt);

    table.set_cell_text(1, 0, "-4.5");
    EXPECT_EQ(table.value(1, 0), -4.5);
    EXPECT_EQ(table, DataTable::from_texts(std::vector<CellRow>{{}, {"-4.5", "", "", ""}, {}}));

    DataTable loaded(std::vector<DataRow>{{1, 2, 3, 4}, {5, 6, 7, 8}});
    const DataTable reloaded(std::vector<DataRow>{{1, 2, 3, 4}, {5, 6, 7, 8}});
    EXPECT_EQ(loaded, reloaded);
    loaded.set_cell_text(0, 0, "x");
    EXPECT_FALSE(loaded == reloaded);
    loaded.clear_cells();
    EXPECT_EQ(loaded, DataTable(2));
    EXPECT_EQ(loaded.edited_count(), 0U);

    EXPECT_THROW(static_cast<void>(loaded.cell_text(2, 0)), std::out_of_range);
    EXPECT_THROW(static_cast<void>(loaded.value(0, 4)), std::out_of_range);
    EXPECT_THROW(loaded.set_cell_text(0, -1, "1"), std::out_of_range);
}

}  // namespace
}  // namespace vorn
