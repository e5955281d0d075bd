#include "problem/data_table.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "problem/number_text.h"

namespace vorn {

namespace {

constexpr float empty_cell = std::numeric_limits<float>::quiet_NaN();

[[nodiscard]] std::size_t key_of(std::size_t row, int column) {
    return row * DataTable::column_count + static_cast<std::size_t>(column);
}

}  // namespace

DataTable::DataTable(std::size_t row_count)
    : values_(row_count, DataRow{empty_cell, empty_cell, empty_cell, empty_cell}) {}

DataTable::DataTable(std::vector<DataRow> rows) : values_(std::move(rows)) {}

DataTable DataTable::from_texts(std::span<const CellRow> rows) {
    DataTable table(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < column_count; ++c) {
            table.set_cell_text(r, c, rows[r][static_cast<std::size_t>(c)]);
        }
    }
    return table;
}

float DataTable::stored(std::size_t row, int column) const {
    if (column < 0 || column >= column_count) {
        throw std::out_of_range("DataTable: no such column");
    }
    return values_.at(row)[static_cast<std::size_t>(column)];
}

const std::string* DataTable::edited_text(std::size_t row, int column) const {
    if (edited_.empty()) {
        return nullptr;
    }
    const auto found = edited_.find(key_of(row, column));
    return found == edited_.end() ? nullptr : &found->second;
}

std::string DataTable::cell_text(std::size_t row, int column) const {
    const float value = stored(row, column);
    if (const std::string* text = edited_text(row, column)) {
        return *text;
    }
    return std::isnan(value) ? std::string() : vorn::cell_text(value);
}

bool DataTable::cell_empty(std::size_t row, int column) const {
    const float value = stored(row, column);
    const std::string* text = edited_text(row, column);
    return text != nullptr ? text->empty() : std::isnan(value);
}

CellRow DataTable::row_texts(std::size_t row) const {
    CellRow texts;
    for (int c = 0; c < column_count; ++c) {
        texts[static_cast<std::size_t>(c)] = cell_text(row, c);
    }
    return texts;
}

std::optional<double> DataTable::value(std::size_t row, int column) const {
    const float value = stored(row, column);
    if (const std::string* text = edited_text(row, column)) {
        return parse_real(*text);
    }
    return std::isnan(value) ? std::nullopt : cell_value(value);
}

void DataTable::set_cell_text(std::size_t row, int column, std::string text) {
    float& value = values_.at(row).at(static_cast<std::size_t>(column));
    const std::size_t key = key_of(row, column);
    // An emptied cell is the same as a cleared one, and a loaded cell given
    // back its own text stays a loaded value: neither keeps a text.
    if (text.empty()) {
        value = empty_cell;
        edited_.erase(key);
    } else if (!std::isnan(value) && text == vorn::cell_text(value)) {
        edited_.erase(key);
    } else {
        edited_.insert_or_assign(key, std::move(text));
    }
}

void DataTable::clear_cells() {
    for (DataRow& row : values_) {
        row.fill(empty_cell);
    }
    edited_.clear();
}

bool operator==(const DataTable& a, const DataTable& b) {
    if (a.values_.size() != b.values_.size() || a.edited_ != b.edited_) {
        return false;
    }
    // By bits, so that two empty cells are equal.
    for (std::size_t r = 0; r < a.values_.size(); ++r) {
        for (std::size_t c = 0; c < a.values_[r].size(); ++c) {
            if (std::bit_cast<std::uint32_t>(a.values_[r][c]) !=
                std::bit_cast<std::uint32_t>(b.values_[r][c])) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace vorn
