#pragma once
// The window's data files: reading one into a grid's table, the record of
// the last training load, and the files a run's program file names.
#include <QString>
#include <filesystem>
#include <optional>
#include <vector>

#include "engine/program_io.h"
#include "problem/data_table.h"

namespace vorn {

class Dialogs;

// A file name as the system's calls take it (the local 8-bit encoding).
[[nodiscard]] std::filesystem::path local_path(const QString& name);

// What "Load" reads into a grid: the whole data file, or for a name ending
// in .csv (any case) a labelled table paired by the columns asked through
// `dialogs`; cancelling gives none. Throws DataFileError, and then nothing
// is read.
[[nodiscard]] std::optional<DataTable> read_grid_file(const QString& path, Dialogs& dialogs);

// Writes `record_name` in the folder of `path`, naming that file.
void write_record_file(const QString& path, const QString& record_name);

// The loaded files as a program file records them; an empty name is left out.
[[nodiscard]] std::vector<DataFileRef> data_file_refs(const QString& training,
                                                      const QString& validation);

}  // namespace vorn
