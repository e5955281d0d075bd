#pragma once
// The window's data files: reading one into a grid's table, the record of
// the last training load, and the files a run's program file names.
#include <QString>
#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/program_io.h"
#include "problem/csv_pairing.h"
#include "problem/data_table.h"

namespace vorn {

class Dialogs;

// A file name as the system's calls take it (the local 8-bit encoding).
[[nodiscard]] std::filesystem::path local_path(const QString& name);

// CSV columns and positive label as settings files and records hold them
// (and the runner's --columns and --positive take them).
struct CsvOptions {
    std::optional<std::string> columns;  // "X,Y,LABEL"
    std::optional<std::string> positive;
};

// The choice a CSV file in a grid was read with: its columns and label, the
// same as --columns (by header name where the file has a header) and
// --positive give them, and the header's names of x and y (empty without).
struct CsvRead {
    CsvChoice choice;
    CsvOptions options;
    std::array<std::string, 2> input_names;
};

// What "Load" reads into a grid: the whole data file, or for a name ending
// in .csv (any case) a labelled table paired by the columns of `given` or,
// when it names none that fit, by those asked through `dialogs`; cancelling
// gives none. `used` receives the CSV choice and `counts` the pairing's
// counts (none for other files). Throws
// DataFileError, and then nothing is read.
[[nodiscard]] std::optional<DataTable> read_grid_file(
    const QString& path, Dialogs& dialogs, const CsvOptions& given = {},
    std::optional<CsvRead>* used = nullptr, std::optional<PairingCounts>* counts = nullptr);

// What a validation file is read with: `given` when it names columns or a
// label, else the training file's choice, as the runner reads both files by
// one choice, matched by header name.
[[nodiscard]] CsvOptions validation_csv_options(const CsvOptions& given,
                                                const std::optional<CsvRead>& training);

// The one choice of columns that settings files and records write for a
// run's CSV files, as the runner takes one --columns for all: the training
// file's, or else the validation file's. None when neither file is CSV.
[[nodiscard]] CsvOptions run_csv_options(const std::optional<CsvRead>& training,
                                         const std::optional<CsvRead>& validation);

// The plan's CSV choice (run_csv_options) and, when the plan's input names
// are both at their defaults, the inputs named after that file's header, as
// the runner names them unless told otherwise.
void set_plan_csv(RunPlan& plan, const std::optional<CsvRead>& training,
                  const std::optional<CsvRead>& validation);

// The folder of the data installed with the program, beside its binary.
[[nodiscard]] QString installed_data_folder();

// Writes `record_name` in the folder of `path`, naming that file; in the
// user's configuration folder instead when the data's folder is
// `installed_data` or cannot be written, so an installation is never
// written into. Returns the file written, or an empty text when none was.
QString write_record_file(const QString& path, const QString& record_name,
                          const QString& installed_data = installed_data_folder());

// The loaded files as a program file records them; an empty name is left out.
[[nodiscard]] std::vector<DataFileRef> data_file_refs(const QString& training,
                                                      const QString& validation);

}  // namespace vorn
