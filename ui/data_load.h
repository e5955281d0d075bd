#pragma once
// What "Load" reads into a grid: a data file, or a labelled CSV file paired
// by the columns the user chooses.
#include <QString>
#include <optional>

#include "problem/data_table.h"

namespace vorn {

class Dialogs;

// The file's table; for a name ending in .csv (any case) the columns are
// asked through `dialogs`, and cancelling gives none. Throws DataFileError.
[[nodiscard]] std::optional<DataTable> read_grid_file(const QString& path, Dialogs& dialogs);

}  // namespace vorn
