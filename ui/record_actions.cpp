#include "ui/record_actions.h"

#include <QAction>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "problem/data_table.h"
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

RunRecord record_of_start(const TForm1& form, const ParameterTexts& texts) {
    RunRecord record;
    record.texts = texts;
    const bool validation_used = !texts.flag(ParamId::use_training_data);
    // A validation grid the run does not read is hashed as an empty one,
    // as the runner does without --validation.
    const DataTable unused;
    GridCells cells = form.grid_cells();
    if (!validation_used) {
        cells.validation = &unused;
    }
    std::vector<std::pair<std::string, std::filesystem::path>> files;
    if (!form.training_file().isEmpty()) {
        files.emplace_back("training", std::filesystem::absolute(local_path(form.training_file())));
    }
    if (validation_used && !form.validation_file().isEmpty()) {
        files.emplace_back("validation",
                           std::filesystem::absolute(local_path(form.validation_file())));
    }
    record.data = recorded_files(files);
    record.cells_sha256 = cells_sha256(cells);
    record.grid_edited = typed_in(*cells.training, form.training_file()) ||
                         (validation_used && typed_in(*cells.validation, form.validation_file()));
    return record;
}

RecordActions::RecordActions(TForm1& form, Dialogs& dialogs, const HandlerGuard& guard)
    : QObject(&form), form_(form), dialogs_(dialogs) {
    connect_guarded(guard, form.menu().SaveRunRecord1, &QAction::triggered, this,
                    &RecordActions::SaveRunRecord1Click);
    form.run_control().record_changed = [this] { update_enabled(); };
    update_enabled();
}

void RecordActions::update_enabled() {
    form_.menu().SaveRunRecord1->setEnabled(form_.run_control().run_record().has_value());
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
    // Never over a file the window reads: its data, the run's data, the
    // settings file opened last.
    std::vector<std::filesystem::path> inputs;
    for (const QString* name :
         {&form_.training_file(), &form_.validation_file(), &form_.settings_actions().opened()}) {
        if (!name->isEmpty()) {
            inputs.push_back(local_path(*name));
        }
    }
    for (const RecordedFile& data : record->data) {
        inputs.push_back(data.path);
    }
    write_record_file(local_path(*file), *record, inputs);
}

}  // namespace vorn
