#pragma once
// The main window: the three pages in their page control, the menu, the data
// loaders, the checks made on leaving a page, and Start.
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "engine/prepare_run.h"
#include "engine/program_io.h"
#include "program/functable.h"
#include "ui/data_files.h"
#include "ui/dialogs.h"
#include "ui/handler_guard.h"
#include "ui/menus.h"
#include "ui/run_window.h"
#include "ui/widgets.h"

class QTabWidget;

namespace vorn {

class PopulationPage;
class ProgramActions;
class RecentFiles;
class SettingsActions;
class ProblemPage;
class ResultsPage;
class RunControl;
class TAboutBox;
class TGraphForm;

inline constexpr const char* record_file_name = "vorn_reg.cnf";

class TForm1 final : public QMainWindow, private RunWindow {
    Q_OBJECT
public:
    static constexpr int default_width = 627;
    static constexpr int default_height = 484;

    // Without `dialogs` the window uses the real, modal ones.
    explicit TForm1(std::unique_ptr<Dialogs> dialogs = nullptr);
    ~TForm1() override;

    // How the program ends (Exit1Click); tests replace it.
    void set_exit_routine(std::function<void(int)> routine) { exit_routine_ = std::move(routine); }

    // Runs a handler; an error escaping it is shown in a message box, so no
    // handler can end the program.
    void run_guarded(const std::function<void()>& handler);

    // Loads a training file exactly as if it had been chosen in OpenDialog1;
    // false when the columns of a CSV file were not chosen.
    bool load_training_file(const QString& path, const CsvOptions& csv = {});
    bool load_validation_file(const QString& path, const CsvOptions& csv = {});
    // Loads either or both; a refused file leaves both grids as they were.
    void load_grid_files(const std::optional<QString>& training,
                         const std::optional<QString>& validation, const CsvOptions& csv);

    // The texts and the grids a run is built from.
    [[nodiscard]] ParameterTexts parameter_texts() const;
    // What a run started now would run: the texts, the seed (none when the
    // field is empty or not a seed), the loaded files and the CSV choice of
    // the files the run reads.
    [[nodiscard]] RunPlan run_plan() const;
    [[nodiscard]] GridCells grid_cells() const;
    // Puts fixed texts back into their controls.
    void apply_restore(const std::vector<Restore>& restore);

    void set_active_page(Page page) override;
    [[nodiscard]] Page active_page() const;

    [[nodiscard]] const ProblemPage& problem() const { return *problem_; }
    [[nodiscard]] const PopulationPage& population() const { return *population_; }
    [[nodiscard]] const ResultsPage& results() const { return *results_; }
    [[nodiscard]] const MainMenu& menu() const { return menu_; }
    [[nodiscard]] QTabWidget* page_control() const { return PageControl1; }
    [[nodiscard]] TGraphForm* graph_form() const { return GraphForm; }
    [[nodiscard]] TAboutBox* about_box() const { return AboutBox; }
    [[nodiscard]] const QString& open_dialog_file() const { return open_dialog_file_; }
    [[nodiscard]] RunControl& run_control() const { return *run_control_; }
    [[nodiscard]] SettingsActions& settings_actions() const { return *settings_actions_; }
    [[nodiscard]] RecentFiles& recent_files() const { return *recent_files_; }
    // The files the grids were loaded from; empty once cleared.
    [[nodiscard]] const QString& training_file() const { return training_file_; }
    [[nodiscard]] const QString& validation_file() const { return validation_file_; }
    // The columns a CSV file in a grid was read with; none for other files.
    [[nodiscard]] const std::optional<CsvRead>& training_csv() const { return training_csv_; }
    [[nodiscard]] const std::optional<CsvRead>& validation_csv() const { return validation_csv_; }

    std::vector<functable> function_table;
    bool validation_loaded = false;
    bool training_loaded = false;

    // Handlers, named after the control and its event.
    void FormCreate();
    void Edit16Change();
    void Edit17Change();
    void TabSheet1Hide();
    void TabSheet3Hide();
    void BitBtn3Click();
    void BitBtn4Click();
    void Button1Click();
    void Button3Click();
    void Button2Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void Problem1Click();
    void GPrun2Click();
    void Results1Click();
    void Exit1Click();
    void About1Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void show_start_command(bool shown) override;
    void repaint_window() override;
    void close_window() override;

    [[nodiscard]] HandlerGuard guard();
    void connect_handlers();
    void update_validation_menu();
    void page_changed(int index);
    void return_to_page(QWidget* page);
    bool load_grid_file(const QString& path, const CsvOptions& csv, bool training);
    // A data file read for a grid, not yet shown in it.
    struct GridFile {
        QString path;
        DataTable table;
        std::optional<CsvRead> csv;
    };
    [[nodiscard]] std::optional<GridFile> read_grid(const QString& path, const CsvOptions& csv);
    void show_grid_file(GridFile file, bool training);
    void clear_grid(bool training);

    std::unique_ptr<Dialogs> dialogs_;
    std::function<void(int)> exit_routine_;
    QTabWidget* PageControl1 = nullptr;
    ProblemPage* problem_ = nullptr;
    PopulationPage* population_ = nullptr;
    ResultsPage* results_ = nullptr;
    MainMenu menu_;
    std::unique_ptr<RunControl> run_control_;
    TAboutBox* AboutBox = nullptr;
    TGraphForm* GraphForm = nullptr;
    ProgramActions* program_actions_ = nullptr;
    SettingsActions* settings_actions_ = nullptr;
    RecentFiles* recent_files_ = nullptr;
    QString training_file_;  // what the grids were loaded from; empty once cleared
    QString validation_file_;
    std::optional<CsvRead> training_csv_;
    std::optional<CsvRead> validation_csv_;
    QString open_dialog_file_;  // what OpenDialog1 proposes: the file chosen last
    QWidget* shown_page_ = nullptr;
    bool returning_to_page_ = false;
};

}  // namespace vorn
