#include "ui/record_actions.h"

#include <QAction>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "engine/generation_csv.h"
#include "problem/data_table.h"
#include "problem/file_writer.h"
#include "ui/data_files.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/menus.h"
#include "ui/run_control.h"
#include "ui/settings_actions.h"

namespace vorn {

namespace {

// A grid counts as typed in when no file filled it or a cell was edited since.
bool typed_in(const DataTable& table, const QString& file) {
    return file.isEmpty() || table.edited_count() > 0;
}

}  // namespace

RunResult result_of_start(const TForm1& form, const RunPlan& plan) {
    RunResult result;
    const bool validation_used = !plan.texts.flag(ParamId::use_training_data);
    // A validation grid the run does not read is hashed as an empty one,
    // as the runner does without --validation.
    const DataTable unused;
    GridCells cells = form.grid_cells();
    if (!validation_used) {
        cells.validation = &unused;
    }
    result.cells_sha256 = cells_sha256(cells);
    result.grid_edited = typed_in(*cells.training, form.training_file()) ||
                         (validation_used && typed_in(*cells.validation, form.validation_file()));
    return result;
}

RecordActions::RecordActions(TForm1& form, Dialogs& dialogs, const HandlerGuard& guard)
    : QObject(&form), form_(form), dialogs_(dialogs) {
    connect_guarded(guard, form.menu().SaveRunRecord1, &QAction::triggered, this,
                    &RecordActions::SaveRunRecord1Click);
    connect_guarded(guard, form.menu().ExportGenerationTable1, &QAction::triggered, this,
                    &RecordActions::ExportGenerationTable1Click);
    form.run_control().record_changed = [this] { update_enabled(); };
    update_enabled();
}

void RecordActions::update_enabled() {
    const bool recorded = form_.run_control().run_record().has_value();
    form_.menu().SaveRunRecord1->setEnabled(recorded);
    form_.menu().ExportGenerationTable1->setEnabled(recorded);
}

void RecordActions::SaveRunRecord1Click() {
    const std::optional<RunRecord> record = form_.run_control().run_record();
    if (!record) {
        return;
    }
    const auto file = dialogs_.choose_save_file(QStringLiteral("Save Run Record"),
                                                QStringLiteral("Run records (*.json)"),
                                                QStringLiteral("run.json"));
    if (!file) {
        return;
    }
    std::vector<std::filesystem::path> inputs = open_files();
    for (const RecordedFile& data : record->data) {
        inputs.push_back(data.path);
    }
    write_record_file(local_path(*file), *record, inputs);
}

void RecordActions::ExportGenerationTable1Click() {
    const std::optional<RunRecord> record = form_.run_control().run_record();
    if (!record) {
        return;
    }
    const auto file = dialogs_.choose_save_file(QStringLiteral("Export Generation Table"),
                                                QStringLiteral("CSV files (*.csv)"),
                                                QStringLiteral("generations.csv"));
    if (file) {
        write_file(local_path(*file), generation_table_csv(record->generations), open_files());
    }
}

// Its data and the settings file opened last.
std::vector<std::filesystem::path> RecordActions::open_files() const {
    std::vector<std::filesystem::path> inputs;
    for (const QString* name :
         {&form_.training_file(), &form_.validation_file(), &form_.settings_actions().opened()}) {
        if (!name->isEmpty()) {
            inputs.push_back(local_path(*name));
        }
    }
    return inputs;
}

}  // namespace vorn
