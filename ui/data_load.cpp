#include "ui/data_load.h"

#include <QFile>
#include <filesystem>

#include "problem/csv_pairing.h"
#include "problem/data_file.h"
#include "ui/dialogs.h"

namespace vorn {

std::optional<DataTable> read_grid_file(const QString& path, Dialogs& dialogs) {
    const std::filesystem::path file(QFile::encodeName(path).toStdString());
    if (!is_csv_name(file)) {
        return DataTable(read_data_file(file));
    }
    const CsvTable table = read_csv_table(file);
    const std::optional<CsvChoice> choice = dialogs.csv_columns(table, default_csv_choice(table));
    if (!choice) {
        return std::nullopt;
    }
    return DataTable(pair_csv(table, *choice).rows);
}

}  // namespace vorn
