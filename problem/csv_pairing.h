#pragma once
// Labelled CSV data: an x, a y and a label column of a CsvTable, paired into
// the rows of a data file (a positive and a negative point each), so the
// grids and runs take it as if a 4-column file had been loaded.
#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "problem/csv_table.h"
#include "problem/data_table.h"

namespace vorn {

// Which columns (0-based) hold x, y and the label, and the label of the
// positive class; every other label is negative.
struct CsvChoice {
    std::size_t x_column = 0;
    std::size_t y_column = 1;
    std::size_t label_column = 2;
    std::string positive_label;
    friend bool operator==(const CsvChoice&, const CsvChoice&) = default;
};

// The first row is a header when its x or its y field is not a number.
[[nodiscard]] bool csv_has_header(const CsvTable& table, std::size_t x_column,
                                  std::size_t y_column);

// The first two numeric columns, the last other column as the label, and the
// first data row's label as the positive one.
[[nodiscard]] CsvChoice default_csv_choice(const CsvTable& table);

// The header's names (the first row's fields) when the default choice finds
// a header, otherwise none.
[[nodiscard]] std::vector<std::string> csv_column_names(const CsvTable& table);

// The header's names of the choice's x and y columns, which runs name their
// inputs after; empty texts when the table has no header.
[[nodiscard]] std::array<std::string, 2> csv_input_names(const CsvTable& table,
                                                         const CsvChoice& choice);

// The choice's columns as --columns takes them: by header name when the
// table has a header whose names survive the trip (no comma, no blanks at
// their ends, each naming only its own column), by 1-based number otherwise.
[[nodiscard]] std::string csv_columns_text(const CsvTable& table, const CsvChoice& choice);

// --columns X,Y,LABEL split into its three texts (blanks around each
// trimmed); none unless there are exactly three and none is empty.
[[nodiscard]] std::optional<std::array<std::string, 3>> split_csv_columns(std::string_view text);

// A column named by a header name or, when the text is only digits, by its
// 1-based number; throws DataFileError when there is no such column.
[[nodiscard]] std::size_t csv_column(const CsvTable& table, std::string_view text);

// The choice that --columns and --positive make: without `columns` the
// default columns, without `positive` the first data row's label. Throws
// DataFileError for a missing column, std::invalid_argument when `columns`
// is not three texts (split_csv_columns).
[[nodiscard]] CsvChoice csv_choice_from_option(const CsvTable& table,
                                               std::optional<std::string_view> columns,
                                               const std::optional<std::string>& positive);

// The labels of the choice's label column, each once, in order of their
// first data row; at most `limit` of them.
[[nodiscard]] std::vector<std::string> csv_labels(const CsvTable& table, const CsvChoice& choice,
                                                  std::size_t limit);

struct PairingCounts {
    std::size_t positives = 0;
    std::size_t negatives = 0;
    [[nodiscard]] std::size_t rows() const { return std::max(positives, negatives); }
    friend bool operator==(const PairingCounts&, const PairingCounts&) = default;
};

// Row i pairs the i-th positive point with the i-th negative one, the smaller
// class cycled: every point is used and both classes weigh equally.
struct PairedData {
    std::vector<DataRow> rows;
    PairingCounts counts;
};

// The pairing of the chosen columns, each x and y read as a 32-bit float as
// the data file's reader reads it. Throws DataFileError when the columns are
// not three different ones, there is no data row, an x or y is not a number
// (naming its line and column) or a class has no point.
[[nodiscard]] PairedData pair_csv(const CsvTable& table, const CsvChoice& choice);

// The same checks and counts, without building the rows.
[[nodiscard]] PairingCounts csv_pairing_counts(const CsvTable& table, const CsvChoice& choice);

// "120 positive, 37 negative → 120 rows, negatives cycled".
[[nodiscard]] std::string pairing_summary(const PairingCounts& counts);

// The points of two columns, every data row's x and y as parse_real reads
// them (no float rounding); the first row is skipped when it is a header.
// Throws DataFileError as pair_csv does, and for a file of one column or one
// column named for both.
[[nodiscard]] std::vector<std::array<double, 2>> read_csv_points(const CsvTable& table,
                                                                 std::size_t x_column,
                                                                 std::size_t y_column);

}  // namespace vorn
