#pragma once
// A data grid's cells. Loaded values are held as 32-bit floats and their cell
// texts made on demand; only a cell edited since keeps a text, which then
// stands for the value.
#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace vorn {

using DataRow = std::array<float, 4>;
using CellRow = std::array<std::string, 4>;

class DataTable {
public:
    static constexpr int column_count = 4;

    DataTable() = default;
    // `row_count` rows of empty cells.
    explicit DataTable(std::size_t row_count);
    // Loaded rows; each cell shows the cell_text of its value.
    explicit DataTable(std::vector<DataRow> rows);
    // Every cell holding the given text, as if typed in.
    [[nodiscard]] static DataTable from_texts(std::span<const CellRow> rows);

    [[nodiscard]] std::size_t row_count() const { return values_.size(); }
    [[nodiscard]] bool empty() const { return values_.empty(); }

    // Rows and columns count from 0; a cell outside the table throws
    // std::out_of_range.
    [[nodiscard]] std::string cell_text(std::size_t row, int column) const;
    [[nodiscard]] bool cell_empty(std::size_t row, int column) const;
    [[nodiscard]] CellRow row_texts(std::size_t row) const;
    // What a run reads: the value of the cell's text, exactly as parse_real
    // gives it; none when the text is not a number (an empty cell included).
    [[nodiscard]] std::optional<double> value(std::size_t row, int column) const;

    void set_cell_text(std::size_t row, int column, std::string text);
    // Every cell empty; the row count stays.
    void clear_cells();

    // How many cells keep a text of their own.
    [[nodiscard]] std::size_t edited_count() const { return edited_.size(); }

    // Same rows, values and kept texts.
    friend bool operator==(const DataTable& a, const DataTable& b);

private:
    [[nodiscard]] float stored(std::size_t row, int column) const;
    [[nodiscard]] const std::string* edited_text(std::size_t row, int column) const;

    std::vector<DataRow> values_;                          // NaN: an empty cell
    std::unordered_map<std::size_t, std::string> edited_;  // by row * column_count + column
};

}  // namespace vorn
