#include "cli/console_front_end.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "cli/generation_table.h"
#include "engine/generation_csv.h"
#include "problem/file_writer.h"
#include "problem/number_text.h"

namespace vorn {

namespace {

constexpr int bar_cells = 30;

std::string bar_line(std::string_view what, std::int64_t shown, std::int64_t done,
                     std::int64_t total, double elapsed_seconds) {
    const std::int64_t whole = std::max<std::int64_t>(total, 1);
    const auto filled =
        static_cast<int>(std::clamp<std::int64_t>((done * bar_cells) / whole, 0, bar_cells));
    return std::string(what) + " " + std::to_string(shown) + " / " + std::to_string(total) + " [" +
           std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(bar_cells - filled), '-') + "] " +
           fixed_text(elapsed_seconds, 1) + " s";
}

}  // namespace

std::string progress_line(std::string_view what, std::int64_t done, std::int64_t total,
                          double elapsed_seconds) {
    return bar_line(what, done, done, total, elapsed_seconds);
}

std::string progress_line(std::int32_t g, std::int32_t num_generations, double elapsed_seconds) {
    // The bar shows the generations done; the count, the one under way.
    return bar_line("generation", std::int64_t{g} + 1, g, num_generations, elapsed_seconds);
}

ConsoleFrontEnd::ConsoleFrontEnd(std::ostream& out, std::ostream& err, FileWriter* csv,
                                 ConsoleStyle style, StopSources stop)
    : out_(out),
      err_(err),
      csv_(csv),
      style_(style),
      stop_(stop),
      started_(std::chrono::steady_clock::now()) {}

void ConsoleFrontEnd::run_started() {
    started_ = std::chrono::steady_clock::now();
    if (style_.table) {
        out_ << table_header() << '\n';
    }
    write_csv(csv_header());
}

// Each CSV line is written whole at once, so a run ended at any point leaves
// only whole lines.
void ConsoleFrontEnd::write_csv(const std::string& line) {
    if (csv_ == nullptr) {
        return;
    }
    try {
        csv_->write(line + '\n');
    } catch (const FileWriteError& error) {
        csv_error_ = error.message();
        csv_ = nullptr;
    }
}

void ConsoleFrontEnd::check_out() {
    if (!out_) {
        out_failed_ = true;
    }
}

void ConsoleFrontEnd::pump_events() {
    const bool signalled = stop_.stop_signal != nullptr && *stop_.stop_signal != 0;
    if (stop_.abort_request != nullptr && (signalled || out_failed_ || csv_error_)) {
        *stop_.abort_request = 1;
    }
}

void ConsoleFrontEnd::wait_while_paused() {
    pump_events();
    if (stop_.pause_request != nullptr) {
        *stop_.pause_request = 0;
    }
    if (!break_point_told_) {
        break_point_told_ = true;
        clear_progress_bar();
        err_ << "The runner does not stop at break points; the run goes on.\n";
    }
}

void ConsoleFrontEnd::progress(std::int32_t g, std::int32_t num_generations) {
    bar_generation_ = g;
    bar_generations_ = num_generations;
    draw_progress_bar();
}

void ConsoleFrontEnd::draw_progress_bar() {
    if (!style_.progress_bar || bar_generations_ == 0) {
        return;
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started_;
    const std::string line = progress_line(bar_generation_, bar_generations_, elapsed.count());
    // Blanks over what is left of a longer previous line.
    err_ << '\r' << line
         << std::string(bar_width_ > line.size() ? bar_width_ - line.size() : 0, ' ') << std::flush;
    bar_width_ = std::max(bar_width_, line.size());
}

void ConsoleFrontEnd::generation_done(const GenerationReport& report) {
    // A copy: the population's genes change as the next generation is bred.
    best_gene_.assign(report.best_gene.begin(), report.best_gene.end());
    best_training_fitness_ = report.best_raw_fitness;
    best_validation_fitness_ = report.validation_fitness;
    best_on_validation_.observe(report);
    history_.push_back(generation_row(report));
    if (style_.table) {
        // Both streams may share one terminal: the bar steps aside for the
        // line and comes back below it at once, so it never looks blank.
        clear_progress_bar();
        if (!out_failed_) {
            out_ << table_row(report) << '\n' << std::flush;
            check_out();
        }
        draw_progress_bar();
    }
    write_csv(csv_row(generation_row(report)));
}

void ConsoleFrontEnd::best_formula(const std::string& formula) {
    formula_ = formula;
    has_formula_ = true;
}

void ConsoleFrontEnd::run_ended(const RunOutcome& /*outcome*/) {
    clear_progress_bar();
    bar_generations_ = 0;
}

void ConsoleFrontEnd::clear_progress_bar() {
    if (bar_width_ > 0) {
        err_ << '\r' << std::string(bar_width_, ' ') << '\r' << std::flush;
        bar_width_ = 0;
    }
}

}  // namespace vorn
