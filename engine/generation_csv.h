#pragma once
// A run's per-generation table as CSV, the same bytes from the runner's --csv
// and the window's "Export Generation Table…": fitness values in full (the
// shortest text that reads back as the same value), never the locale's.
#include <span>
#include <string>

#include "engine/run_gp.h"

namespace vorn {

[[nodiscard]] std::string csv_header();
[[nodiscard]] std::string csv_row(const GenerationRow& row);
// The header and every row, each line ending in "\n".
[[nodiscard]] std::string generation_table_csv(std::span<const GenerationRow> rows);

}  // namespace vorn
