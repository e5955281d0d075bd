// The hash of what a run saw: the text of every cell it read.
#include <string>
#include <string_view>

#include "engine/program_io.h"
#include "engine/run_record.h"
#include "problem/data_table.h"

namespace vorn {

std::string cells_sha256(GridCells cells) {
    std::string text;
    const auto add_grid = [&](std::string_view name, const DataTable* table) {
        const std::size_t rows = table != nullptr ? table->row_count() : 0;
        text += std::string(name) + " " + std::to_string(rows) + "\n";
        for (std::size_t r = 0; r < rows; ++r) {
            for (int c = 0; c < DataTable::column_count; ++c) {
                text += c == 0 ? "" : "\t";
                text += table->cell_text(r, c);
            }
            text += '\n';
        }
    };
    add_grid("training", cells.training);
    add_grid("validation", cells.validation);
    return sha256_hex(text);
}

}  // namespace vorn
