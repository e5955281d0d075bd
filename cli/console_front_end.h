#pragma once
// The runner's side of a run: table lines on stdout, an optional CSV copy, and
// a progress bar on stderr when a person is watching.
#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

#include "engine/run_gp.h"

namespace vorn {

struct ConsoleStyle {
    bool table = true;          // header and one line per generation on `out`
    bool progress_bar = false;  // only when stderr is a terminal
};

class ConsoleFrontEnd : public RunFrontEnd {
public:
    // `csv` may be null; the streams must outlive the front end.
    ConsoleFrontEnd(std::ostream& out, std::ostream& err, std::ostream* csv, ConsoleStyle style);

    void run_started() override;
    void progress(std::int32_t g, std::int32_t num_generations) override;
    void generation_done(const GenerationReport& report) override;
    void best_formula(const std::string& formula) override;
    void run_ended(const RunOutcome& outcome) override;

    [[nodiscard]] bool has_formula() const { return has_formula_; }
    // The formula of the last generation's best program.
    [[nodiscard]] const std::string& formula() const { return formula_; }

private:
    void draw_progress_bar();
    void clear_progress_bar();

    std::ostream& out_;
    std::ostream& err_;
    std::ostream* csv_;
    ConsoleStyle style_;
    bool has_formula_ = false;
    std::string formula_;
    std::int32_t bar_generation_ = 0;
    std::int32_t bar_generations_ = 0;  // 0: no bar to show
    std::size_t bar_width_ = 0;         // characters of the progress line on screen
    std::chrono::steady_clock::time_point started_;
};

// One progress line: "generation 3 / 50 [###-------] 1.2 s".
[[nodiscard]] std::string progress_line(std::int32_t g, std::int32_t num_generations,
                                        double elapsed_seconds);

}  // namespace vorn
