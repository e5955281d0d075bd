#include "problem/csv_pairing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "problem/data_file.h"
#include "problem/errors.h"
#include "problem/number_text.h"

namespace vorn {
namespace {

CsvTable table_of(const std::string& text) {
    return parse_csv_text(text, "d.csv");
}

std::string refusal(const std::function<void()>& action) {
    try {
        action();
    } catch (const DataFileError& error) {
        return error.what();
    }
    return "accepted";
}

TEST(CsvPairing, HeaderAndDefaultColumns) {
    const struct {
        const char* what;
        std::string text;
        CsvChoice choice;
        bool header;
        std::vector<std::string> names;
    } cases[] = {
        {"header", "x,y,class\n1,2,a\n3,4,b\n", {0, 1, 2, "a"}, true, {"x", "y", "class"}},
        {"no header", "1,2,a\n3,4,b\n", {0, 1, 2, "a"}, false, {}},
        {"numeric labels", "x,y,label\n1,2,0\n3,4,1\n", {0, 1, 2, "0"}, true, {"x", "y", "label"}},
        {"numeric labels, no header", "1,2,1\n3,4,0\n", {0, 1, 2, "1"}, false, {}},
        {"label first, then numbers",
         "class,id,u,v\nb,1,0.5,0.25\n",
         {1, 2, 3, "0.25"},
         true,
         {"class", "id", "u", "v"}},
        {"numbers after a text column",
         "name,u,v,kind\np,1,2,in\nq,3,4,out\n",
         {1, 2, 3, "in"},
         true,
         {"name", "u", "v", "kind"}},
        {"header with one numeric name",
         "x,2019,kind\n1,2,in\n",
         {0, 1, 2, "in"},
         true,
         {"x", "2019", "kind"}},
        {"a header that looks like data", "1,2,label\n3,4,a\n", {0, 1, 2, "label"}, false, {}},
        {"the last column is y", "k,x,y\na,1,2\n", {1, 2, 0, "a"}, true, {"k", "x", "y"}},
        {"quoted header and labels",
         "\"x\",\"y\",\" c \"\n1,2,\" yes \"\n",
         {0, 1, 2, "yes"},
         true,
         {"x", "y", "c"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CsvTable table = table_of(c.text);
        const CsvChoice choice = default_csv_choice(table);
        EXPECT_EQ(choice, c.choice);
        EXPECT_EQ(csv_has_header(table, choice.x_column, choice.y_column), c.header);
        EXPECT_EQ(csv_column_names(table), c.names);
    }
    // The header follows the chosen x and y: a first row whose x is text is one.
    const CsvTable table = table_of("1,2,a,b\n3,4,5,6\n");
    EXPECT_FALSE(csv_has_header(table, 0, 1));
    EXPECT_TRUE(csv_has_header(table, 0, 2));
}

TEST(CsvPairing, OptionsNameColumnsByHeaderOrNumber) {
    const CsvTable table = table_of("id,u,v,kind\n1,0.5,0.25,in\n2,1,2,out\n");
    const auto choice = [&](std::optional<std::string_view> columns,
                            const std::optional<std::string>& positive = std::nullopt) {
        return csv_choice_from_option(table, columns, positive);
    };
    EXPECT_EQ(choice(std::nullopt), (CsvChoice{0, 1, 3, "in"}));
    EXPECT_EQ(choice("u,v,kind"), (CsvChoice{1, 2, 3, "in"}));
    EXPECT_EQ(choice(" 2 , 3,4"), (CsvChoice{1, 2, 3, "in"}));
    EXPECT_EQ(choice("v,u,kind", " out\t"), (CsvChoice{2, 1, 3, "out"}));
    EXPECT_EQ(choice(std::nullopt, "out"), (CsvChoice{0, 1, 3, "out"}));
    EXPECT_EQ(refusal([&] { (void)choice("u,w,kind"); }),
              "d.csv: no column is named \"w\" (the first row holds \"id\", \"u\", \"v\", "
              "\"kind\").");
    EXPECT_EQ(refusal([&] { (void)choice("u,v,5"); }),
              "d.csv: no column 5 (the file has 4, numbered from 1).");
    EXPECT_EQ(refusal([&] { (void)choice("0,v,kind"); }),
              "d.csv: no column 0 (the file has 4, numbered from 1).");
    EXPECT_THROW((void)choice("u,v"), std::invalid_argument);

    for (const char* bad : {"", "a", "a,b", "a,b,c,d", "a,,c", ",b,c", "a,b,", " , , "}) {
        EXPECT_FALSE(split_csv_columns(bad)) << bad;
    }
    EXPECT_EQ(split_csv_columns(" x y ,2,\tz"), (std::array<std::string, 3>{"x y", "2", "z"}));
}

TEST(CsvPairing, RefusalsNameTheLineAndColumn) {
    const struct {
        std::string text;
        CsvChoice choice;
        std::string message;
    } cases[] = {
        {"x,y,c\n1,2,a\n1,b,c\n",
         {0, 1, 2, "a"},
         "d.csv, line 3: column 2 (\"y\"): \"b\" is not a number."},
        {"1,2,a\n\n1e39,2,c\n",
         {0, 1, 2, "a"},
         "d.csv, line 3: column 1: value \"1e39\" is outside the 32-bit float range."},
        {"x,y,c\n1,,a\n", {0, 1, 2, "a"}, "d.csv, line 2: column 2 (\"y\"): \"\" is not a number."},
        {"x,y,c\n1,nan,a\n",
         {0, 1, 2, "a"},
         "d.csv, line 2: column 2 (\"y\"): \"nan\" is not a number."},
        {"x,y,c\n", {0, 1, 2, ""}, "d.csv: the file holds a header but no data rows."},
        {"x,y,c\n1,2,a\n3,4,b\n",
         {0, 1, 2, "z"},
         "d.csv: no data row has the positive label \"z\" in column 3 (\"c\")."},
        {"1,2,a\n3,4,a\n",
         {0, 1, 2, "a"},
         "d.csv: every data row has the positive label \"a\" in column 3, so there are no "
         "negative points."},
        {"x,y\n1,2\n",
         {0, 1, 1, "2"},
         "d.csv: the file has 2 columns; it needs one for x, one for y and one for the label."},
        {"x,y,c\n1,2,a\n", {0, 0, 2, "a"}, "d.csv: the x, y and label columns must all differ."},
        {"x,y,c\n1,2,a\n", {0, 1, 3, "a"}, "d.csv: no column 4 (the file has 3)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const CsvTable table = table_of(c.text);
        EXPECT_EQ(refusal([&] { (void)pair_csv(table, c.choice); }), c.message);
        EXPECT_EQ(refusal([&] { (void)csv_pairing_counts(table, c.choice); }), c.message);
    }
}

// Over random class sizes: every point is used, row i pairs the i-th
// positive with the i-th negative, the smaller class cycled.
TEST(CsvPairing, EveryPointIsUsedAndTheSmallerClassCycles) {
    std::mt19937 random(12345);
    for (int trial = 0; trial < 200; ++trial) {
        const int rows = 2 + static_cast<int>(random() % 60);
        std::string text = "label,x,y\n";
        std::vector<DataRow> expected_positive;
        std::vector<DataRow> expected_negative;
        std::vector<std::array<float, 2>> positives;
        std::vector<std::array<float, 2>> negatives;
        for (int i = 0; i < rows; ++i) {
            const bool positive = i == 0 || (i != 1 && random() % 3 == 0);
            const float x = static_cast<float>(i) + 0.5F;
            const float y = -static_cast<float>(i);
            text += std::string(positive ? "yes" : "no") + "," + cell_text(x) + "," + cell_text(y) +
                    "\n";
            (positive ? positives : negatives).push_back({x, y});
        }
        const CsvTable table = table_of(text);
        const CsvChoice choice = default_csv_choice(table);
        ASSERT_EQ(choice, (CsvChoice{1, 2, 0, "yes"}));
        const PairedData paired = pair_csv(table, choice);
        EXPECT_EQ(paired.counts, (PairingCounts{positives.size(), negatives.size()}));
        EXPECT_EQ(csv_pairing_counts(table, choice), paired.counts);
        ASSERT_EQ(paired.rows.size(), std::max(positives.size(), negatives.size()));
        for (std::size_t i = 0; i < paired.rows.size(); ++i) {
            const auto& p = positives[i % positives.size()];
            const auto& n = negatives[i % negatives.size()];
            EXPECT_EQ(paired.rows[i], (DataRow{p[0], p[1], n[0], n[1]})) << i;
        }
    }
}

TEST(CsvPairing, SummaryLine) {
    EXPECT_EQ(pairing_summary({120, 37}),
              "120 positive, 37 negative \xE2\x86\x92 120 rows, negatives cycled");
    EXPECT_EQ(pairing_summary({3, 8}),
              "3 positive, 8 negative \xE2\x86\x92 8 rows, positives cycled");
    EXPECT_EQ(pairing_summary({50, 50}), "50 positive, 50 negative \xE2\x86\x92 50 rows");
    EXPECT_EQ(pairing_summary({1, 1}), "1 positive, 1 negative \xE2\x86\x92 1 row");
}

// The paired rows of a CSV with unequal classes are the rows of the 4-column
// file written out by hand: the same floats, the same cell texts.
TEST(CsvPairing, SameRowsAsTheEquivalentDataFile) {
    const std::string csv =
        "x,y,class\n"
        "0.1,-3.14159265,pos\n"
        "1234567,0.0000015,neg\n"
        "2.5,1e-3,neg\n"
        "\"-7\",8,pos\n"
        "0.30000001,4e5,neg\n"
        "9,10,neg\n";
    const std::string data =
        "0.1 -3.14159265 1234567 0.0000015\n"
        "-7 8 2.5 1e-3\n"
        "0.1 -3.14159265 0.30000001 4e5\n"
        "-7 8 9 10\n";
    const PairedData paired = pair_csv(table_of(csv), {0, 1, 2, "pos"});
    const std::vector<DataRow> rows = parse_data_text(data, "d.txt");
    EXPECT_EQ(paired.rows, rows);
    EXPECT_EQ(cell_texts(paired.rows), cell_texts(rows));
    EXPECT_EQ(pairing_summary(paired.counts),
              "2 positive, 4 negative \xE2\x86\x92 4 rows, positives cycled");
}

TEST(CsvPairing, LabelsAndPointsForOtherUses) {
    const CsvTable table = table_of("u,v,k\n0.1,2,b\n3,1e300,a\n5,6,b\n7,8,c\n");
    EXPECT_EQ(csv_labels(table, {0, 1, 2, ""}, 10), (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_EQ(csv_labels(table, {0, 1, 2, ""}, 2), (std::vector<std::string>{"b", "a"}));
    // Doubles, without rounding to floats: 1e300 is no float.
    const auto points = read_csv_points(table, 0, 1);
    ASSERT_EQ(points.size(), 4U);
    EXPECT_EQ(points[0], (std::array<double, 2>{0.1, 2.0}));
    EXPECT_EQ(points[1], (std::array<double, 2>{3.0, 1e300}));
    const CsvTable headless = table_of("1,2\n3,4\n");
    EXPECT_EQ(read_csv_points(headless, 1, 0).size(), 2U);
    EXPECT_EQ(refusal([&] { (void)read_csv_points(table_of("x,y\n1,2\n3,1e400\n"), 0, 1); }),
              "d.csv, line 3: column 2 (\"y\"): \"1e400\" is not a number.");
}

}  // namespace
}  // namespace vorn
