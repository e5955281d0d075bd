#pragma once
// What the window does with a run's best program: the File menu's program
// items (save, export as C or Python, score on a file) and the formula box's
// context menu with its two copy actions and its font choice; the window's
// chart images are saved through it too.
#include <QFont>
#include <QObject>
#include <QString>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "engine/parameters.h"
#include "engine/program_io.h"
#include "problem/data_table.h"
#include "ui/data_files.h"
#include "ui/handler_guard.h"

class QAction;
class QMenu;
class QPlainTextEdit;
class QPoint;

namespace vorn {

class Dialogs;
class RunControl;
struct MainMenu;

class ProgramActions final : public QObject {
    Q_OBJECT
public:
    // `read_data` reads a data file as the window's loads do, a CSV file by the
    // columns given where they fit (none: cancelled).
    ProgramActions(const MainMenu& menu, QPlainTextEdit* formula_box, RunControl& run,
                   Dialogs& dialogs, const HandlerGuard& guard,
                   std::function<std::optional<DataTable>(const QString&, const CsvOptions&,
                                                          std::optional<PairingCounts>*)>
                       read_data);

    // What the program files of the run about to start record about it.

    // The formula box's context menu, made once and shown without a modal loop.
    [[nodiscard]] QMenu* formula_menu() const { return formula_menu_; }

    // Handlers.
    void SaveBestProgram1Click();
    void ExportProgramC1Click();
    void ExportProgramPython1Click();
    void ScoreProgram1Click();
    void CopyFormula1Click();
    void CopyExactFormula1Click();
    void MonospaceFont1Toggle();

private:
    void update_enabled();
    void show_formula_menu(const QPoint& position);
    [[nodiscard]] Program program_to_save(const Program& best) const;
    void write_export(const QString& title, const QString& filter, const QString& suffix,
                      bool python);

    const MainMenu& menu_;
    QPlainTextEdit* formula_box_;
    RunControl& run_;
    Dialogs& dialogs_;
    std::function<std::optional<DataTable>(const QString&, const CsvOptions&,
                                           std::optional<PairingCounts>*)>
        read_data_;
    QMenu* formula_menu_ = nullptr;
    QAction* copy_ = nullptr;
    QAction* copy_exact_ = nullptr;
    QAction* monospace_ = nullptr;
    QFont plain_font_;  // the formula box's font before the fixed-pitch one
};

}  // namespace vorn
