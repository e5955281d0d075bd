#include "problem/csv_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "problem/errors.h"
#include "tests/problem/address_limit.h"
#include "tests/temp_folder.h"

namespace vorn {
namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows rows_of(const CsvTable& table) {
    Rows rows;
    for (std::size_t r = 0; r < table.row_count(); ++r) {
        auto& row = rows.emplace_back();
        for (std::size_t c = 0; c < table.column_count(); ++c) {
            row.emplace_back(table.field(r, c));
        }
    }
    return rows;
}

// The reader's verdict on a text: its rows, or its refusal.
std::string outcome(const CsvTable& table) {
    std::string text;
    for (const auto& row : rows_of(table)) {
        for (const auto& field : row) {
            text += "[" + field + "]";
        }
        text += ";";
    }
    return text;
}

std::string outcome(std::string_view content) {
    try {
        return outcome(parse_csv_text(content, "d.csv"));
    } catch (const DataFileError& error) {
        return error.what();
    }
}

TEST(CsvTable, FieldsQuotesAndLineEnds) {
    const std::string bom = "\xEF\xBB\xBF";
    const struct {
        const char* what;
        std::string text;
        std::string fields;
    } cases[] = {
        {"plain", "x,y,c\n1,2,a\n", "[x][y][c];[1][2][a];"},
        {"no final break", "1,2,a", "[1][2][a];"},
        {"CRLF", "x,y,c\r\n1,2,a\r\n", "[x][y][c];[1][2][a];"},
        {"lone CR", "x,y,c\r1,2,a\r", "[x][y][c];[1][2][a];"},
        {"byte-order mark", bom + "x,y,c\n1,2,a\n", "[x][y][c];[1][2][a];"},
        {"blank lines skipped", "\n x,y,c\r\n \t\n\n1,2,a\n\n", "[x][y][c];[1][2][a];"},
        {"blanks around fields", " 1 ,\t2\t, a b ", "[1][2][a b];"},
        {"empty fields", ",,\n1,,\n", "[][][];[1][][];"},
        {"quoted", "\"1\",\"2\",\"a,b\"", "[1][2][a,b];"},
        {"doubled quotes", "1,2,\"say \"\"hi\"\"\"", "[1][2][say \"hi\"];"},
        {"only a doubled quote", "1,2,\"\"\"\"", "[1][2][\"];"},
        {"empty quoted", "1,\"\",3", "[1][][3];"},
        {"blanks around quotes", "1, \"a\" ,\" b \"", "[1][a][b];"},
        {"long line", std::string(100000, '7') + ",1,x",
         "[" + std::string(100000, '7') + "][1][x];"},
        {"UTF-8 labels", "1,2,\xC3\xA9t\xC3\xA9", "[1][2][\xC3\xA9t\xC3\xA9];"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(outcome(c.text), c.fields);
    }
}

TEST(CsvTable, RefusalsNameTheLineAndColumn) {
    const struct {
        std::string text;
        std::int64_t line;
        std::string message;
    } cases[] = {
        {"", 0, "d.csv: the file is empty."},
        {"\xEF\xBB\xBF", 0, "d.csv: the file is empty."},
        {"\n \t\r\n", 0, "d.csv: the file holds no records, only blank lines."},
        {"x,y,c\n1,2\n", 2, "d.csv, line 2: 2 fields, but line 1 has 3."},
        {"\nx,y,c\n1,2,a,b\n", 3, "d.csv, line 3: 4 fields, but line 2 has 3."},
        {"x,y,c\n1,2,\"a\n\"\n", 2,
         "d.csv, line 2: column 3: a quoted field is not closed on its line (fields cannot "
         "hold line breaks)."},
        {"1,2,\"a\r\nb\"", 1,
         "d.csv, line 1: column 3: a quoted field is not closed on its line (fields cannot "
         "hold line breaks)."},
        {"1,\"2\"x,a", 1,
         "d.csv, line 1: column 2: only blanks may follow the closing quote of a field."},
        {"1,2,a\"b\"", 1,
         "d.csv, line 1: column 3: a quote inside a field that does not start with one (quote "
         "the whole field and double the quotes inside it)."},
        {"1,2,a\n" + std::string("1,\0,a", 5), 2,
         "d.csv, line 2: the line holds a NUL byte; the file is not text."},
        {"1,2,a\n" + std::string(max_csv_line_length + 1, '1'), 2,
         "d.csv, line 2: the line is longer than 1048576 characters."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        try {
            static_cast<void>(parse_csv_text(c.text, "d.csv"));
            ADD_FAILURE() << "accepted";
        } catch (const DataFileError& error) {
            EXPECT_EQ(error.line(), c.line);
            EXPECT_STREQ(error.what(), c.message.c_str());
        }
    }
}

// A byte-order mark, a quoted field or a CRLF split between two reads reads
// as in one piece.
TEST(CsvTable, PiecesOfAnySizeReadAsTheWhole) {
    const std::string text =
        "\xEF\xBB\xBFx,\"y \"\"q\"\"\",c\r\n\r\n1.5, \"2\" ,\"a,b\"\r3,4,z\r\n";
    const std::string whole = outcome(text);
    ASSERT_EQ(whole, "[x][y \"q\"][c];[1.5][2][a,b];[3][4][z];");
    for (std::size_t size = 1; size <= text.size(); ++size) {
        CsvTextReader reader("d.csv");
        for (std::size_t at = 0; at < text.size(); at += size) {
            reader.feed(std::string_view(text).substr(at, size));
        }
        EXPECT_EQ(outcome(reader.finish()), whole) << size;
    }
}

// A row of commas is many empty fields; each must cost about the byte it
// takes in the file, so a table stays near its file's size. Every field of
// a wide table still reads back.
TEST(CsvTable, EmptyFieldsCostAboutTheirByte) {
    if (!testing::address_limit_possible) {
        GTEST_SKIP() << "no address-space limit under AddressSanitizer";
    }
    std::string line(999, ',');
    line += "x\n";
    std::string text;
    for (int row = 0; row < 16 * 1024; ++row) {
        text += line;
    }
    const auto result = testing::run_with_address_limit(2.0 * text.size(), [&] {
        try {
            const CsvTable table = parse_csv_text(text, "commas.csv");
            return std::to_string(table.row_count()) + " " + std::to_string(table.column_count()) +
                   " " + std::string(table.field(7, 999)) + std::string(table.field(9, 998));
        } catch (const std::bad_alloc&) {
            return std::string("out of memory");
        }
    });
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.text, "16384 1000 x");
    const CsvTable wide =
        parse_csv_text("a,,b,c,,,,,,,,,,,,,,,,,,d,,,,,,,,,,,,,,,,,,,,,,,,e\n", "w.csv");
    std::string fields;
    for (std::size_t c = 0; c < wide.column_count(); ++c) {
        fields += std::string(wide.field(0, c)).empty() ? "." : std::string(wide.field(0, c));
    }
    EXPECT_EQ(fields, "a.bc.................d.......................e");
}

TEST(CsvTable, ReadsAFileAndNamesByCsvSuffix) {
    const testing::TempFolder folder;
    const std::string path = folder.write("set.csv", "x,y,c\n1,2,a\n");
    const CsvTable table = read_csv_table(path);
    EXPECT_EQ(table.file_name(), path);
    EXPECT_EQ(table.row_count(), 2U);
    EXPECT_EQ(table.line(1), 2);
    try {
        static_cast<void>(read_csv_table(folder.path / "missing.csv"));
        ADD_FAILURE() << "read";
    } catch (const DataFileError& error) {
        EXPECT_EQ(error.what(), (folder.path / "missing.csv").string() + ": cannot be opened.");
    }
    for (const char* name : {"a.csv", "A.CSV", "dir/b.Csv", ".csv"}) {
        EXPECT_TRUE(is_csv_name(name)) << name;
    }
    for (const char* name : {"a.txt", "csv", "a.csv.txt", "a.csvx", "a_csv", "a.csv/b"}) {
        EXPECT_FALSE(is_csv_name(name)) << name;
    }
}

}  // namespace
}  // namespace vorn
