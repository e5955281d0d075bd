#include "ui/settings_actions.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>

#include "engine/settings_file.h"
#include "ui/data_files.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/menus.h"
#include "ui/parameter_controls.h"
#include "ui/population_page.h"
#include "ui/recent_files.h"

namespace vorn {

namespace {

const QString settings_filter = QStringLiteral("Settings files (*.vornsettings);;All files (*)");

QString from_local(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

}  // namespace

SettingsActions::SettingsActions(TForm1& form, const MainMenu& menu, Dialogs& dialogs,
                                 const HandlerGuard& guard)
    : QObject(&form), form_(form), dialogs_(dialogs) {
    connect_guarded(guard, menu.OpenSettings1, &QAction::triggered, this,
                    &SettingsActions::OpenSettings1Click);
    connect_guarded(guard, menu.SaveSettings1, &QAction::triggered, this,
                    &SettingsActions::SaveSettings1Click);
}

void SettingsActions::open_settings(const QString& path) {
    const Settings settings = read_settings_file(local_path(path));
    const RunPlan& plan = settings.plan;
    opened_ = path;
    const auto named = [](const auto& path) {
        return path ? std::optional<QString>(from_local(*path)) : std::nullopt;
    };
    form_.load_grid_files(named(plan.training), named(plan.validation),
                          {plan.columns, plan.positive});
    // A key the file leaves out takes its default, and no seed means the
    // clock's, as the runner reads the same file.
    form_.population().EditSeed->setText(plan.seed ? QString::number(*plan.seed) : QString());
    for (const Parameter& row : parameter_table()) {
        if (!row.settings_key.empty()) {
            write_parameter_text(form_, row.id, plan.texts[row.id]);
        }
    }
}

void SettingsActions::save_settings(const QString& path) {
    Settings settings;
    settings.plan = form_.run_plan();
    settings.given.fill(true);
    // The columns of every CSV file loaded, the unused validation file's too,
    // so that opening the settings can load it again without asking.
    const CsvOptions csv = run_csv_options(form_.training_csv(), form_.validation_csv());
    settings.plan.columns = csv.columns;
    settings.plan.positive = csv.positive;
    const std::vector<std::filesystem::path> inputs = plan_inputs(settings.plan);
    // Data paths are written relative to the settings file's folder, so
    // they are made absolute first.
    settings.plan = with_absolute_paths(std::move(settings.plan));
    write_settings_file(local_path(path), settings, inputs);
    opened_ = path;
}

void SettingsActions::OpenSettings1Click() {
    if (const auto file =
            dialogs_.choose_open_file(QStringLiteral("Open Settings"), settings_filter)) {
        open_settings(*file);
        form_.recent_files().add(*file);
    }
}

void SettingsActions::SaveSettings1Click() {
    const QString proposed = opened_.isEmpty() ? QStringLiteral("run.vornsettings") : opened_;
    if (const auto file =
            dialogs_.choose_save_file(QStringLiteral("Save Settings"), settings_filter, proposed)) {
        save_settings(*file);
    }
}

}  // namespace vorn
