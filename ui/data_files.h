#pragma once
// The window's data files: reading one into a grid's table, the record of
// the last training load, and the files a run's program file names.
#include <QString>
#include <filesystem>
#include <vector>

#include "engine/program_io.h"
#include "problem/data_table.h"

namespace vorn {

// A file name as the system's calls take it (the local 8-bit encoding).
[[nodiscard]] std::filesystem::path local_path(const QString& name);

// Reads a whole data file; throws DataFileError and then nothing is read.
[[nodiscard]] DataTable read_table(const QString& path);

// Writes `record_name` in the folder of `path`, naming that file.
void write_record_file(const QString& path, const QString& record_name);

// The loaded files as a program file records them; an empty name is left out.
[[nodiscard]] std::vector<DataFileRef> data_file_refs(const QString& training,
                                                      const QString& validation);

}  // namespace vorn
