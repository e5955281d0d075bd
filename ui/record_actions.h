#pragma once
// "Save Run Record…": the last run's record to a JSON file, with what the
// window held when the run started; "Export Generation Table…": its
// per-generation table as the runner's --csv writes it.
#include <QObject>
#include <filesystem>
#include <vector>

#include "engine/parameters.h"
#include "engine/run_record.h"
#include "ui/handler_guard.h"

namespace vorn {

class Dialogs;
class TForm1;

// What the window knows of a run's grids at Start, taken then because they
// may be edited once the run has begun: the hash of the cells a run of
// `plan` reads and whether any of them was typed in.
[[nodiscard]] RunResult result_of_start(const TForm1& form, const RunPlan& plan);

class RecordActions final : public QObject {
    Q_OBJECT
public:
    RecordActions(TForm1& form, Dialogs& dialogs, const HandlerGuard& guard);

    void SaveRunRecord1Click();
    void ExportGenerationTable1Click();

private:
    void update_enabled();
    // The files the window reads, which no file it writes may replace.
    [[nodiscard]] std::vector<std::filesystem::path> open_files() const;

    TForm1& form_;
    Dialogs& dialogs_;
};

}  // namespace vorn
