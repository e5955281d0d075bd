#include "ui/data_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "engine/parameters.h"
#include "problem/csv_pairing.h"
#include "problem/data_file.h"
#include "problem/file_writer.h"
#include "ui/dialogs.h"

namespace vorn {

std::filesystem::path local_path(const QString& name) {
    return {QFile::encodeName(name).toStdString()};
}

std::optional<DataTable> read_grid_file(const QString& path, Dialogs& dialogs,
                                        const CsvOptions& given, std::optional<CsvRead>* used,
                                        std::optional<PairingCounts>* counts) {
    const std::filesystem::path file = local_path(path);
    if (!is_csv_name(file)) {
        DataTable table(read_data_file(file));
        if (used) {
            used->reset();
        }
        if (counts) {
            counts->reset();
        }
        return table;
    }
    const CsvTable table = read_csv_table(file);
    std::optional<CsvChoice> choice;
    const bool columns_fit = !given.columns || split_csv_columns(*given.columns);
    if ((given.columns || given.positive) && columns_fit) {
        choice = csv_choice_from_option(table, given.columns, given.positive);
    } else {
        choice = dialogs.csv_columns(table, default_csv_choice(table));
    }
    if (!choice) {
        return std::nullopt;
    }
    PairedData pairs = pair_csv(table, *choice);
    if (used) {
        *used = CsvRead{*choice,
                        {csv_columns_text(table, *choice), choice->positive_label},
                        csv_input_names(table, *choice)};
    }
    if (counts) {
        *counts = pairs.counts;
    }
    return DataTable(std::move(pairs.rows));
}

CsvOptions validation_csv_options(const CsvOptions& given, const std::optional<CsvRead>& training) {
    if (given.columns || given.positive || !training) {
        return given;
    }
    return training->options;
}

CsvOptions run_csv_options(const std::optional<CsvRead>& training,
                           const std::optional<CsvRead>& validation) {
    const std::optional<CsvRead>& read = training ? training : validation;
    return read ? read->options : CsvOptions{};
}

void set_plan_csv(RunPlan& plan, const std::optional<CsvRead>& training,
                  const std::optional<CsvRead>& validation) {
    const std::optional<CsvRead>& read = training ? training : validation;
    if (!read) {
        return;
    }
    plan.columns = read->options.columns;
    plan.positive = read->options.positive;
    std::string& x = plan.texts[ParamId::input1_name];
    std::string& y = plan.texts[ParamId::input2_name];
    const auto& [x_name, y_name] = read->input_names;
    if (x == parameter(ParamId::input1_name).default_text &&
        y == parameter(ParamId::input2_name).default_text && !x_name.empty() && !y_name.empty()) {
        x = x_name;
        y = y_name;
    }
}

QString installed_data_folder() {
    return QDir(QCoreApplication::applicationDirPath())
        .absoluteFilePath(QStringLiteral(VORN_INSTALLED_DATA));
}

// One line naming the file of the last training load, through the core's
// file writer: a symlink of that name is replaced, not followed, and the
// loaded file itself is never the record. Where no folder takes it, only the
// record is lost.
QString write_record_file(const QString& path, const QString& record_name,
                          const QString& installed_data) {
    const QFileInfo chosen(path);
    const QString folder = chosen.absolutePath();
    const QString installed = QFileInfo(installed_data).canonicalFilePath();
    QString target = QDir(folder).filePath(record_name);
    if ((!installed.isEmpty() && QFileInfo(folder).canonicalFilePath() == installed) ||
        !QFileInfo(folder).isWritable()) {
        const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        if (config.isEmpty() || !QDir().mkpath(config)) {
            return {};
        }
        target = QDir(config).filePath(record_name);
    }
    const std::filesystem::path inputs[] = {local_path(path)};
    try {
        write_file(local_path(target),
                   ("[Training Data] " + QFile::encodeName(chosen.absoluteFilePath()) + "\n")
                       .toStdString(),
                   inputs);
    } catch (const FileWriteError&) {
        return {};  // the load goes on without its record
    }
    return target;
}

std::vector<DataFileRef> data_file_refs(const QString& training, const QString& validation) {
    std::vector<DataFileRef> files;
    if (!training.isEmpty()) {
        files.push_back({"training", local_path(training)});
    }
    if (!validation.isEmpty()) {
        files.push_back({"validation", local_path(validation)});
    }
    return files;
}

}  // namespace vorn
