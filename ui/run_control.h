#pragma once
// Run control: runs a prepared run on the window's thread and shows it on the
// "Results" page as it goes; the pause and abort requests and the states of
// the two run buttons.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "engine/best_on_validation.h"
#include "engine/pareto.h"
#include "engine/prepare_run.h"
#include "engine/run_gp.h"
#include "engine/run_record.h"
#include "program/program_file.h"
#include "ui/result_charts.h"
#include "ui/shown_program.h"

namespace vorn {

class BitBtn;
class Dialogs;
class ResultsPage;
class RunWindow;
enum class ButtonKind;

class RunControl final : public RunFrontEnd {
public:
    RunControl(ResultsPage& page, RunWindow& window, Dialogs& dialogs);
    RunControl(const RunControl&) = delete;
    RunControl& operator=(const RunControl&) = delete;
    ~RunControl() override;

    // Runs a prepared run; returns when the run is over. `start` holds what
    // the window knew of its grids at Start (the cells' hash, whether one was
    // typed in); the rest of the run's result is filled here.
    void start(PreparedRun run, RunResult start = {});
    // The abort question; Yes ends the run at the next generation boundary.
    void ask_abort();
    // Ends the run at the next generation boundary without asking.
    void request_abort();
    // Stop / Resume.
    void toggle_pause();
    // Aborts the run and closes the window once the run has ended.
    void close_after_run();

    [[nodiscard]] bool running() const { return run_.setting != nullptr; }
    [[nodiscard]] bool pause_requested() const;
    [[nodiscard]] const std::optional<RunOutcome>& last_outcome() const { return last_outcome_; }
    // The best program of the last generation shown, and every generation's
    // figures, kept after the run until the next Start or forget_last_run().
    [[nodiscard]] const std::optional<Program>& last_program() const { return last_program_; }
    [[nodiscard]] const std::vector<GenerationRow>& history() const { return history_; }
    [[nodiscard]] std::uint32_t last_seed() const { return last_seed_; }
    // The front program clicked on the front chart, while it is shown in
    // place of the best; and the last run's front, kept as long as
    // last_program() (empty without the size objective).
    [[nodiscard]] std::optional<std::size_t> selected_front() const { return shown_.selected(); }
    [[nodiscard]] const std::vector<ShownFrontMember>& front() const { return shown_.front(); }
    // Shows front program `index` (from 0, shortest first), or the best with none.
    void select_front(std::optional<std::size_t> index) { shown_.select(index); }
    // What the last run was prepared from, kept as long as last_program().
    [[nodiscard]] const RunPlan& last_plan() const { return run_.plan; }
    // Among the generations shown, the best program on validation, with
    // its generation and count; kept as long as last_program().
    [[nodiscard]] const std::optional<Program>& best_validation_program() const {
        return best_validation_program_;
    }
    [[nodiscard]] const std::optional<ValidatedBest>& best_on_validation() const {
        return best_on_validation_.best();
    }
    // The record of the last run once it has ended with at least one
    // generation shown; none during a run.
    [[nodiscard]] std::optional<RunRecord> run_record() const;
    void forget_last_run();
    // Called whenever last_program() comes or goes.
    std::function<void()> program_changed;
    // Called whenever run_record() may have come or gone.
    std::function<void()> record_changed;
    // The enabled run button of `kind`, if any: the keyboard roles.
    [[nodiscard]] BitBtn* button_of_kind(ButtonKind kind) const;

    // Test hooks: a fixed seed (the clock otherwise), the shortest time
    // between two redraws of the charts and the progress (0: every
    // generation), and a call after each generation's displays are updated.
    std::optional<std::uint32_t> seed;
    std::chrono::milliseconds frame{33};
    std::function<void(const GenerationReport&)> generation_hook;

    void run_started() override;
    void set_up(const Tproblem_setting& setting, const Tgp_pop& pop, std::uint32_t seed) override;
    void progress(std::int32_t g, std::int32_t num_generations) override;
    [[nodiscard]] bool wants_training_curve() override;
    void generation_done(const GenerationReport& report) override;
    void best_formula(const std::string& formula) override;
    void pump_events() override;
    void wait_while_paused() override;
    void aborted_while_paused() override;
    void run_ended(const RunOutcome& outcome) override;

private:
    void show_idle();
    void animate_after_paint();
    void release_run();
    void keep_best_program(const GenerationReport& report);
    void keep_best_on_validation(const GenerationReport& report);
    void pump(bool wait_for_events);
    // Draws the generation waiting to be drawn when the last redraw is a
    // frame old, or at once with `now`; and the speed so far.
    void redraw(bool now);
    void show_speed(bool ended);
    // Hands the run's front to the front chart when it has changed.
    void take_front();
    // Shows the generation under way when the progress shown is a frame old,
    // at the first and last generation, or at once with `now`.
    void show_progress(bool now);

    ResultsPage& page_;
    RunWindow& window_;
    Dialogs& dialogs_;
    ResultCharts charts_;
    ShownProgram shown_;
    // The run under way, or the last one's plan and parameters once its
    // setting and population are released.
    PreparedRun run_;
    std::optional<RunOutcome> last_outcome_;
    std::optional<Program> last_program_;
    BestOnValidation best_on_validation_;
    std::optional<Program> best_validation_program_;
    std::vector<GenerationRow> history_;
    std::uint32_t last_seed_ = 0;
    RunResult result_;  // the last run's start, threads and wall time
    // Redraws come at most about 30 times a second; the generations between
    // two of them are kept and drawn together, the last one always.
    std::optional<GenerationReport> undrawn_;  // without its gene
    QString formula_;                          // the best formula of undrawn_
    std::vector<FrontPoint> front_points_;     // the front last handed to shown_
    std::chrono::steady_clock::time_point run_start_;
    std::chrono::steady_clock::time_point last_redraw_;
    // The generation under way and the count, while not yet shown.
    std::optional<std::pair<std::int32_t, std::int32_t>> unshown_progress_;
    std::chrono::steady_clock::time_point last_progress_;
    std::int32_t population_size_ = 0;
    std::optional<Message> pump_error_;  // what ended the run from inside a pump
    bool close_after_run_ = false;
};

}  // namespace vorn
