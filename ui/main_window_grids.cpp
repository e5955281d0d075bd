// The grids' files: loading one into a grid, with the record of the last
// training load, and clearing a grid.
#include "problem/data_table.h"
#include "ui/data_files.h"
#include "ui/data_grid.h"
#include "ui/graph_form.h"
#include "ui/grid_model.h"
#include "ui/main_window.h"
#include "ui/problem_page.h"
#include "ui/run_control.h"

namespace vorn {

// A refused file, or a CSV file whose columns were not chosen, changes
// nothing: it is read in full before anything is written, the record file
// included.
bool TForm1::load_training_file(const QString& path, const CsvOptions& csv) {
    return load_grid_file(path, csv, true);
}

bool TForm1::load_validation_file(const QString& path, const CsvOptions& csv) {
    return load_grid_file(path, csv, false);
}

bool TForm1::load_grid_file(const QString& path, const CsvOptions& csv, bool training) {
    std::optional<GridFile> file =
        read_grid(path, training ? csv : validation_csv_options(csv, training_csv_));
    if (file) {
        show_grid_file(std::move(*file), training);
    }
    return file.has_value();
}

// Both files are read before either grid changes, so that a refused one
// leaves both grids as they were.
void TForm1::load_grid_files(const std::optional<QString>& training,
                             const std::optional<QString>& validation, const CsvOptions& csv) {
    std::optional<GridFile> training_file = training ? read_grid(*training, csv) : std::nullopt;
    const std::optional<CsvRead>& training_choice =
        training_file ? training_file->csv : training_csv_;
    std::optional<GridFile> validation_file =
        validation ? read_grid(*validation, validation_csv_options(csv, training_choice))
                   : std::nullopt;
    if (training_file) {
        show_grid_file(std::move(*training_file), true);
    }
    if (validation_file) {
        show_grid_file(std::move(*validation_file), false);
    }
}

std::optional<TForm1::GridFile> TForm1::read_grid(const QString& path, const CsvOptions& csv) {
    open_dialog_file_ = path;
    std::optional<CsvRead> choice;
    std::optional<DataTable> table = read_grid_file(path, *dialogs_, csv, &choice);
    if (!table) {
        return std::nullopt;
    }
    return GridFile{path, std::move(*table), choice};
}

void TForm1::show_grid_file(GridFile file, bool training) {
    if (training) {
        write_record_file(file.path, QString::fromLatin1(record_file_name));
    }
    (training ? problem_->StringGrid1 : problem_->StringGrid2)
        ->cells()
        ->set_table(std::move(file.table));
    (training ? training_loaded : validation_loaded) = true;
    (training ? training_file_ : validation_file_) = file.path;
    (training ? training_csv_ : validation_csv_) = file.csv;
}

void TForm1::Button1Click() {
    clear_grid(true);
}

void TForm1::Button3Click() {
    clear_grid(false);
}

void TForm1::clear_grid(bool training) {
    (training ? problem_->StringGrid1 : problem_->StringGrid2)->cells()->clear_cells();
    GraphForm->clear_series(training ? 0 : 1);
    (training ? training_file_ : validation_file_).clear();
    (training ? training_csv_ : validation_csv_).reset();
    run_control_->forget_last_run();
}

}  // namespace vorn
