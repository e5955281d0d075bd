// Files users really feed the reader: other programs' exports, binaries,
// special-value words and very large files.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "problem/data_file.h"
#include "problem/errors.h"
#include "problem/number_text.h"

namespace vorn {
namespace {

TEST(DataInput, ForeignFilesAreRefusedNamingLineAndProblem) {
    const std::string ok = "1 2 3 4\n";
    const struct {
        const char* what;
        std::string text;
        std::int64_t line;
        std::string problem;
    } cases[] = {
        {"binary",
         std::string("\x7F"
                     "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0",
                     20),
         1, "\"?ELF????????????\?\?>?\" is not a number."},
        {"comma separators", ok + "1,2,3,4\n", 2, "\"1,2,3,4\" is not a number."},
        {"comma and blank", ok + "1, 2, 3, 4\n", 2, "\"1,\" is not a number."},
        {"semicolons", "1;2;3;4\n", 1, "\"1;2;3;4\" is not a number."},
        {"header after a blank line", "\nx y class z\n" + ok, 2, "\"x\" is not a number."},
        {"record split over two lines", ok + ok + "1 2 3\n4\n", 3, "expected 4 numbers, found 3."},
        {"NaN", ok + "NaN 2 3 4\n", 2, "\"NaN\" is not a number."},
        {"negative nan", "-nan 2 3 4\n", 1, "\"-nan\" is not a number."},
        {"Infinity", "1 2 3 Infinity\n", 1, "\"Infinity\" is not a number."},
        {"spreadsheet infinity", "1 2 3 1.#INF\n", 1, "\"1.#INF\" is not a number."},
        {"hex float", "0x1p3 2 3 4\n", 1, "\"0x1p3\" is not a number."},
        {"below the float range", "-1e39 2 3 4\n", 1,
         "value \"-1e39\" is outside the 32-bit float range."},
        {"just above the largest float", "3.41e38 2 3 4\n", 1,
         "value \"3.41e38\" is outside the 32-bit float range."},
        {"exponent too long for any number", "1e99999999999999999999 2 3 4\n", 1,
         "value \"1e99999999999999999999\" is outside the 32-bit float range."},
        {"UTF-16 text",
         std::string("\xFF\xFE"
                     "1\0 \0"
                     "2\0",
                     8),
         1, "\"??1?\" is not a number."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            static_cast<void>(parse_data_text(c.text, "in.txt"));
            ADD_FAILURE() << "accepted";
        } catch (const DataFileError& error) {
            EXPECT_EQ(error.line(), c.line);
            EXPECT_EQ(error.what(), "in.txt, line " + std::to_string(c.line) + ": " + c.problem);
        }
    }
}

TEST(DataInput, ExportsWithMarkAndCrlfAreAccepted) {
    const std::string text = "\xEF\xBB\xBF 1.5\t-2 3e-2 4 \r\n\r\n5 6 7 8\r\n";
    const std::vector<DataRow> rows = parse_data_text(text, "in.txt");
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0], (DataRow{1.5F, -2.0F, 0.03F, 4.0F}));
    EXPECT_EQ(cell_texts(rows)[0], (CellRow{"1.5", "-2", "0.03", "4"}));
}

// The grid shows a million rows; loading them (read and cell texts) is timed
// by the benchmarks, here it only has to work.
TEST(DataInput, AMillionRowsLoad) {
    constexpr int count = 1'000'000;
    std::string text;
    text.reserve(static_cast<std::size_t>(count) * 32);
    for (int i = 0; i < count; ++i) {
        text += std::to_string(i % 1000) + ".25\t-" + std::to_string(i % 7) + "\t1e-3\t" +
                std::to_string(i) + "\r\n";
    }
    const std::vector<DataRow> rows = parse_data_text(text, "big.txt");
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(count));
    const std::vector<CellRow> cells = cell_texts(rows);
    ASSERT_EQ(cells.size(), rows.size());
    // "-0" is shown as "0".
    EXPECT_EQ(cells.back(), (CellRow{"999.25", "0", "0.001", "999999"}));
    EXPECT_EQ(cells[123456], (CellRow{"456.25", "-4", "0.001", "123456"}));
}

}  // namespace
}  // namespace vorn
