#include "ui/run_control.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <algorithm>
#include <exception>
#include <new>

#include "engine/fitness_pool.h"
#include "engine/program_io.h"
#include "engine/tgp_pop.h"
#include "engine/version.h"
#include "problem/number_text.h"
#include "problem/problem_setting.h"
#include "program/infix.h"
#include "ui/bit_button.h"
#include "ui/dialogs.h"
#include "ui/results_page.h"
#include "ui/run_window.h"

namespace vorn {

namespace {

void set_button(BitBtn* button, ButtonKind kind, const QString& caption) {
    button->set_kind(kind);
    button->setText(caption);
}

}  // namespace

RunControl::RunControl(ResultsPage& page, RunWindow& window, Dialogs& dialogs)
    : page_(page), window_(window), dialogs_(dialogs), charts_(page_), shown_(page_, charts_) {}

RunControl::~RunControl() = default;

bool RunControl::pause_requested() const {
    return run_.setting && run_.setting->pause_request != 0;
}

// ---------------------------------------------------------------------------
// Commands

void RunControl::start(PreparedRun run, RunResult start) {
    forget_last_run();
    run_ = std::move(run);
    window_.set_active_page(Page::results);
    RunOptions options;
    options.seed = run_.plan.seed;
    result_ = std::move(start);
    result_.num_generations = run_.pop->num_generations;
    // As run_gp settles it for the evaluation.
    result_.threads =
        scoring_threads(options.threads, static_cast<std::size_t>(run_.pop->population_size));
    pump_error_.reset();
    const auto started = std::chrono::steady_clock::now();
    try {
        last_outcome_ = run_gp(*run_.setting, *run_.pop, *this, options);
        if (pump_error_ && !last_outcome_->error) {
            last_outcome_->error = pump_error_;
        }
    } catch (const std::exception& error) {
        // Only the window's own calls at the run's end can still throw.
        release_run();
        show_idle();
        animate_after_paint();
        dialogs_.message(messages::internal_run_error(error.what()));
        return;
    }
    result_.wall_seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    release_run();
    if (close_after_run_) {
        close_after_run_ = false;
        window_.close_window();
    }
}

void RunControl::ask_abort() {
    if (!running()) {
        return;
    }
    if (dialogs_.question(QString::fromLatin1(application_title), messages::abort_question())) {
        request_abort();
    }
}

void RunControl::request_abort() {
    if (run_.setting) {
        run_.setting->abort_request = 1;
    }
}

void RunControl::toggle_pause() {
    if (!run_.setting) {
        return;
    }
    run_.setting->pause_request ^= 1;
    if (run_.setting->pause_request != 0) {
        set_button(page_.BitBtn1, ButtonKind::ok, QStringLiteral("Resume"));
        page_.BitBtn2->setEnabled(true);
    } else {
        set_button(page_.BitBtn1, ButtonKind::no, QStringLiteral("Stop"));
        page_.BitBtn2->setEnabled(false);
    }
}

void RunControl::close_after_run() {
    close_after_run_ = true;
    request_abort();
}

BitBtn* RunControl::button_of_kind(ButtonKind kind) const {
    for (BitBtn* button : {page_.BitBtn2, page_.BitBtn1}) {
        if (button->kind() == kind && button->isEnabled()) {
            return button;
        }
    }
    return nullptr;
}

void RunControl::forget_last_run() {
    history_.clear();
    best_on_validation_.clear();
    best_validation_program_.reset();
    page_.LabelBestValidation->clear();
    shown_.clear();
    front_points_.clear();
    if (last_program_) {
        last_program_.reset();
        if (program_changed) {
            program_changed();
        }
    }
    if (record_changed) {
        record_changed();
    }
}

void RunControl::release_run() {
    run_.pop.reset();
    run_.setting.reset();
    if (record_changed) {
        record_changed();
    }
}

std::optional<RunRecord> RunControl::run_record() const {
    if (running() || !last_program_) {
        return std::nullopt;
    }
    RunResult result = result_;
    result.seed = last_seed_;
    result.generations = history_;
    result.last_program = last_program_;
    if (const auto& best = best_on_validation(); best && best_validation_program_) {
        result.best_validation = RecordedBest{best->generation, best->validation_count,
                                              best->training_fitness, *best_validation_program_};
    }
    for (const ShownFrontMember& shown : shown_.front()) {
        result.front.push_back({shown.member.training_fitness, shown.member.nodes,
                                with_provenance(shown.member.program, run_.plan, last_seed_)});
    }
    return run_record_of(run_.plan, std::move(result));
}

// The animated zoom comes back only once the final redraw has been painted:
// switched on at once, the axes would replay their last moves with their
// labels piled up.
void RunControl::animate_after_paint() {
    QMetaObject::invokeMethod(
        &page_, [this] { charts_.set_animated(true); }, Qt::QueuedConnection);
}

void RunControl::show_idle() {
    page_.BitBtn2->setEnabled(true);
    page_.BitBtn1->setEnabled(false);
    set_button(page_.BitBtn2, ButtonKind::ok, QStringLiteral("Start"));
    window_.show_start_command(true);
    page_.ProgressBar1->setValue(0);
    page_.Label31->setText(QStringLiteral("Not running"));
}

// ---------------------------------------------------------------------------
// The run's front end

void RunControl::run_started() {
    page_.BitBtn1->setEnabled(true);
    page_.BitBtn2->setEnabled(false);
    window_.show_start_command(false);
    set_button(page_.BitBtn2, ButtonKind::abort, QStringLiteral("Abort"));
    charts_.set_animated(false);
}

void RunControl::set_up(const Tproblem_setting& setting, const Tgp_pop& pop, std::uint32_t seed) {
    last_seed_ = seed;
    page_.LabelSeed->setText(QStringLiteral("Seed %1").arg(seed));
    charts_.clear_histories(pop.num_generations);
    undrawn_.reset();
    formula_.clear();
    run_start_ = std::chrono::steady_clock::now();
    last_redraw_ = {};
    unshown_progress_.reset();
    last_progress_ = {};
    population_size_ = pop.population_size;
    page_.LabelSpeed->clear();
    // Equal ends would make Qt show its busy indicator.
    page_.ProgressBar1->setRange(0, std::max(pop.num_generations - 1, 1));
    charts_.plot_data_points(setting);
    shown_.start_run(
        pop.size_objective,
        data_box(setting.valid_x1, setting.valid_y1, setting.valid_x2, setting.valid_y2),
        data_box(setting.train_x1, setting.train_y1, setting.train_x2, setting.train_y2));
    front_points_.clear();
    window_.repaint_window();
}

// The bar and the count repaint at once when they change: every generation
// of a fast run would cost more than the generation.
void RunControl::progress(std::int32_t g, std::int32_t num_generations) {
    unshown_progress_ = {g, num_generations};
    show_progress(g == 0 || g + 1 >= num_generations);
}

void RunControl::show_progress(bool now) {
    const auto time = std::chrono::steady_clock::now();
    if (!unshown_progress_ || (!now && time - last_progress_ < frame)) {
        return;
    }
    const auto [g, num_generations] = *unshown_progress_;
    page_.ProgressBar1->setValue(g);
    page_.Label31->setText(QStringLiteral("%1 / %2").arg(g + 1).arg(num_generations));
    unshown_progress_.reset();
    last_progress_ = time;
}

bool RunControl::wants_training_curve() {
    return page_.CheckBox7->isChecked();
}

void RunControl::generation_done(const GenerationReport& report) {
    charts_.plot_generation(report);
    keep_best_program(report);
    undrawn_ = report;
    undrawn_->best_gene = {};  // the population's; bred over by the next generation
    if (generation_hook) {
        generation_hook(report);
    }
}

void RunControl::keep_best_program(const GenerationReport& report) {
    history_.push_back(generation_row(report));
    const bool had_program = last_program_.has_value();
    last_program_ =
        run_program(run_, report.best_gene, report.best_raw_fitness, report.validation_fitness);
    keep_best_on_validation(report);
    if (!had_program && program_changed) {
        program_changed();
    }
}

void RunControl::keep_best_on_validation(const GenerationReport& report) {
    best_on_validation_.observe(report);
    const ValidatedBest& best = *best_on_validation_.best();
    if (best.generation != report.generation + 1) {
        return;  // an earlier generation's program is still the best
    }
    // Made from the report, as last_program() is, so the two agree when
    // this generation is both.
    best_validation_program_ = last_program_;
    page_.LabelBestValidation->setText(
        QStringLiteral("Best on validation: generation %1, count %2")
            .arg(best.generation)
            .arg(QString::fromStdString(general_text(best.validation_count))));
}

void RunControl::best_formula(const std::string& formula) {
    formula_ = QString::fromStdString(run_.parameters.output_name + '=' + formula);
    redraw(undrawn_ && undrawn_->generation + 1 >= undrawn_->num_generations);
}

void RunControl::redraw(bool now) {
    const auto time = std::chrono::steady_clock::now();
    if (!undrawn_ || (!now && time - last_redraw_ < frame)) {
        return;
    }
    page_.Label32->setText(QString::fromStdString(general_text(undrawn_->validation_fitness)));
    charts_.flush_histories();
    take_front();
    // A front program clicked keeps its region and formula until let go.
    if (!shown_.selected()) {
        charts_.draw_curves(*undrawn_);
    }
    if (!formula_.isEmpty() && last_program_) {
        shown_.show_best(formula_, *last_program_);
    }
    show_speed(false);
    undrawn_.reset();
    window_.repaint_window();
    last_redraw_ = time;
}

// The run's thread is the window's, and the archive changes only between
// the callbacks, so it is read here; what the chart keeps is a copy.
void RunControl::take_front() {
    if (!run_.pop || !run_.pop->size_objective) {
        return;
    }
    std::vector<FrontPoint> points = run_.pop->front_archive.front();
    const auto same = [](const FrontPoint& a, const FrontPoint& b) {
        return a.training_fitness == b.training_fitness && a.gene == b.gene;
    };
    if (std::equal(points.begin(), points.end(), front_points_.begin(), front_points_.end(),
                   same)) {
        return;
    }
    std::vector<ShownFrontMember> front;
    for (const FrontPoint& point : points) {
        front.push_back({{point.training_fitness, point.length,
                          run_program(run_, point.gene, point.training_fitness, std::nullopt)},
                         QString::fromStdString(run_.parameters.output_name + '=' +
                                                infix_text(run_.setting->node_table, point.gene))});
    }
    front_points_ = std::move(points);
    shown_.set_front(std::move(front));
}

// "12.5 generations/s, 12 500 programs/s, 4.0 s" during a run; "50
// generations in 4.0 s" after it.
void RunControl::show_speed(bool ended) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - run_start_).count();
    const auto done = static_cast<double>(history_.size());
    if (ended) {
        page_.LabelSpeed->setText(
            QStringLiteral("%1 generations in %2 s").arg(history_.size()).arg(seconds, 0, 'f', 1));
        return;
    }
    const double rate = seconds > 0 ? done / seconds : 0;
    page_.LabelSpeed->setText(QStringLiteral("%1 generations/s, %2 programs/s, %3 s")
                                  .arg(rate, 0, 'f', 1)
                                  .arg(QLocale::c().toString(rate * population_size_, 'f', 0))
                                  .arg(seconds, 0, 'f', 1));
}

void RunControl::pump_events() {
    pump(false);
}

// The wait blocks on the event queue so a paused run costs no CPU; once an
// abort is requested nothing more needs waiting for.
void RunControl::wait_while_paused() {
    redraw(true);  // the generation it stopped at
    show_progress(true);
    if (run_.setting && run_.setting->abort_request != 0) {
        pump_events();
        return;
    }
    pump(true);
}

// An error that escapes an event handled here must not unwind through the
// core: it ends the run at its next boundary and is shown when it has ended.
void RunControl::pump(bool wait_for_events) {
    try {
        QCoreApplication::processEvents(wait_for_events
                                            ? QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents
                                            : QEventLoop::AllEvents);
        return;
    } catch (const std::bad_alloc&) {
        pump_error_ = messages::memory_run();
    } catch (const std::exception& error) {
        pump_error_ = messages::internal_run_error(error.what());
    } catch (...) {
        pump_error_ = messages::internal_run_error("unknown exception");
    }
    request_abort();
}

void RunControl::aborted_while_paused() {
    set_button(page_.BitBtn1, ButtonKind::no, QStringLiteral("Pause"));
}

void RunControl::run_ended(const RunOutcome& outcome) {
    redraw(true);
    charts_.flush_histories();
    if (!history_.empty()) {
        show_speed(true);
    }
    QApplication::beep();
    show_idle();
    animate_after_paint();
    // Stop pressed in the last generation: no wait follows, so the button
    // must not carry "Resume" into the next run.
    if (page_.BitBtn1->kind() == ButtonKind::ok) {
        set_button(page_.BitBtn1, ButtonKind::no, QStringLiteral("Stop"));
    }
    if (outcome.error) {
        dialogs_.message(*outcome.error);
    } else if (pump_error_) {
        dialogs_.message(*pump_error_);
    }
}

}  // namespace vorn
