#pragma once
// The runner's side of a run: table lines on stdout, an optional CSV copy, and
// a progress bar on stderr when a person is watching. A failed write, or a
// stop signal, ends the run at the end of its generation.
#include <chrono>
#include <csignal>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/best_on_validation.h"
#include "engine/run_gp.h"
#include "problem/messages.h"

namespace vorn {

struct ConsoleStyle {
    bool table = true;          // header and one line per generation on `out`
    bool progress_bar = false;  // only when stderr is a terminal
};

class FileWriter;

// What ends a run early: the run's abort flag is set when a signal has been
// noted or a write failed.
struct StopSources {
    std::uint8_t* abort_request = nullptr;                    // Tproblem_setting::abort_request
    std::uint8_t* pause_request = nullptr;                    // Tproblem_setting::pause_request
    const volatile std::sig_atomic_t* stop_signal = nullptr;  // set by a signal handler
};

class ConsoleFrontEnd : public RunFrontEnd {
public:
    // `csv` may be null; the streams and the writer must outlive the front end.
    ConsoleFrontEnd(std::ostream& out, std::ostream& err, FileWriter* csv, ConsoleStyle style,
                    StopSources stop = {});

    void run_started() override;
    void progress(std::int32_t g, std::int32_t num_generations) override;
    void generation_done(const GenerationReport& report) override;
    void best_formula(const std::string& formula) override;
    void pump_events() override;
    // Nothing can resume a console run, so a break point (from a settings
    // file) does not pause it; the first one says so on stderr.
    void wait_while_paused() override;
    void run_ended(const RunOutcome& outcome) override;

    [[nodiscard]] bool has_formula() const { return has_formula_; }
    // The formula of the last generation's best program.
    [[nodiscard]] const std::string& formula() const { return formula_; }
    // The best program of the last generation done, and its two measures.
    [[nodiscard]] const std::vector<std::int32_t>& best_gene() const { return best_gene_; }
    [[nodiscard]] double best_training_fitness() const { return best_training_fitness_; }
    [[nodiscard]] float best_validation_fitness() const { return best_validation_fitness_; }
    // Among the generations done, the best program on validation.
    [[nodiscard]] const std::optional<ValidatedBest>& best_on_validation() const {
        return best_on_validation_.best();
    }
    // Every generation done, in order.
    [[nodiscard]] const std::vector<GenerationRow>& history() const { return history_; }
    // Whether a table line could not be written to `out`.
    [[nodiscard]] bool out_failed() const { return out_failed_; }
    // Why the CSV could not be written, once it could not.
    [[nodiscard]] const std::optional<Message>& csv_error() const { return csv_error_; }

private:
    void draw_progress_bar();
    void clear_progress_bar();
    void write_csv(const std::string& line);
    void check_out();

    std::ostream& out_;
    std::ostream& err_;
    FileWriter* csv_;
    ConsoleStyle style_;
    StopSources stop_;
    bool out_failed_ = false;
    bool break_point_told_ = false;
    std::optional<Message> csv_error_;
    bool has_formula_ = false;
    std::string formula_;
    std::vector<std::int32_t> best_gene_;
    double best_training_fitness_ = 0;
    float best_validation_fitness_ = 0;
    BestOnValidation best_on_validation_;
    std::vector<GenerationRow> history_;
    std::int32_t bar_generation_ = 0;
    std::int32_t bar_generations_ = 0;  // 0: no bar to show
    std::size_t bar_width_ = 0;         // characters of the progress line on screen
    std::chrono::steady_clock::time_point started_;
};

// One progress line: "generation 3 / 50 [###-------] 1.2 s".
[[nodiscard]] std::string progress_line(std::int32_t g, std::int32_t num_generations,
                                        double elapsed_seconds);
// "runs 3 / 8 [###-------] 1.2 s": `done` of `total` things.
[[nodiscard]] std::string progress_line(std::string_view what, std::int64_t done,
                                        std::int64_t total, double elapsed_seconds);

}  // namespace vorn
