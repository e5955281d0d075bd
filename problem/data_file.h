#pragma once
// The data file: one record per line, four whitespace-separated numbers
// (x1 y1 x2 y2), each read as a 32-bit float. A file is accepted or refused
// as a whole.
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "problem/data_table.h"

namespace vorn {

// Reads a data file; throws DataFileError naming the file, the line and the
// problem when the file cannot be opened or any line is not a record.
[[nodiscard]] std::vector<DataRow> read_data_file(const std::filesystem::path& path);

// The same rules on text already in memory; `file_name` names it in errors.
[[nodiscard]] std::vector<DataRow> parse_data_text(std::string_view content,
                                                   const std::string& file_name);

// The grid's cell texts for loaded rows (cell_text of each value).
[[nodiscard]] std::vector<CellRow> cell_texts(std::span<const DataRow> rows);

}  // namespace vorn
