#include "cli/experiments.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <limits>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

#include "cli/cli_files.h"
#include "cli/program_modes.h"
#include "cli/run_front.h"
#include "cli/stop_signals.h"
#include "engine/fitness_pool.h"
#include "engine/program_io.h"
#include "engine/run_gp.h"
#include "engine/version.h"
#include "problem/errors.h"
#include "problem/file_writer.h"
#include "problem/number_text.h"
#include "program/functable.h"
#include "program/random.h"

namespace vorn {

namespace {

using Clock = std::chrono::steady_clock;

// One run, prepared from the texts and run with no table and no bar.
struct QuietRun {
    std::optional<Message> refusal;
    RunOutcome outcome;
    std::optional<RunRecord> record;  // when the run ended without an error
};

QuietRun quiet_run(const CliOptions& options, const CliData& data,
                   std::span<const functable> functions, std::uint32_t seed, unsigned threads,
                   const volatile std::sig_atomic_t* stop_signal) {
    QuietRun result;
    RunRequest request = run_request(options, data);
    request.plan.seed = seed;
    request.threads = threads;
    PrepareResult prepared = prepare_run(request, functions);
    if (prepared.refusal) {
        result.refusal = runner_refusal(*prepared.refusal);
        return result;
    }
    PreparedRun& run = *prepared.run;
    std::ostringstream unused;
    ConsoleFrontEnd front_end(unused, unused, nullptr, ConsoleStyle{.table = false},
                              StopSources{.abort_request = &run.setting->abort_request,
                                          .pause_request = &run.setting->pause_request,
                                          .stop_signal = stop_signal});
    RunOptions run_options;
    run_options.seed = seed;
    run_options.evaluator = options.evaluator;
    run_options.threads = threads;
    const auto started = Clock::now();
    result.outcome = run_gp(*run.setting, *run.pop, front_end, run_options);
    const std::chrono::duration<double> wall = Clock::now() - started;
    if (!result.outcome.error) {
        result.record = runner_record(
            data, run, front_end, seed, wall.count(),
            scoring_threads(threads, static_cast<std::size_t>(run.pop->population_size)));
    }
    return result;
}

// The state the runs of --runs share, behind one lock.
class RunsBoard {
public:
    RunsBoard(std::size_t runs, std::ostream& out, std::ostream& err, bool lines, bool bar)
        : summaries_(runs), out_(out), err_(err), lines_(lines), bar_(bar) {}

    // A finished run's line goes out as soon as every run before it is out.
    void finished(std::size_t index, const RunSummary& summary) {
        const std::lock_guard lock(mutex_);
        summaries_[index] = summary;
        ++done_;
        clear_bar();
        while (next_ < summaries_.size() && summaries_[next_]) {
            if (lines_) {
                out_ << summary_line(*summaries_[next_]) << '\n' << std::flush;
            }
            ++next_;
        }
        draw_bar();
    }
    void failed(const Message& message) {
        const std::lock_guard lock(mutex_);
        if (!error_) {
            error_ = message;
        }
    }
    [[nodiscard]] bool has_error() {
        const std::lock_guard lock(mutex_);
        return error_.has_value();
    }
    void draw_bar() {
        if (!bar_) {
            return;
        }
        const std::chrono::duration<double> elapsed = Clock::now() - started_;
        const std::string line =
            progress_line("runs", static_cast<std::int64_t>(done_),
                          static_cast<std::int64_t>(summaries_.size()), elapsed.count());
        err_ << '\r' << line << std::flush;
        bar_width_ = line.size();
    }
    void clear_bar() {
        if (bar_width_ > 0) {
            err_ << '\r' << std::string(bar_width_, ' ') << '\r' << std::flush;
            bar_width_ = 0;
        }
    }
    [[nodiscard]] std::vector<RunSummary> done_runs() const {
        std::vector<RunSummary> runs;
        for (const auto& summary : summaries_) {
            if (summary) {
                runs.push_back(*summary);
            }
        }
        return runs;
    }
    [[nodiscard]] const std::optional<Message>& error() const { return error_; }

private:
    std::mutex mutex_;
    std::vector<std::optional<RunSummary>> summaries_;
    std::size_t next_ = 0;
    std::size_t done_ = 0;
    std::optional<Message> error_;
    std::ostream& out_;
    std::ostream& err_;
    bool lines_;
    bool bar_;
    std::size_t bar_width_ = 0;
    Clock::time_point started_ = Clock::now();
};

}  // namespace

RunRecord runner_record(const CliData& data, const PreparedRun& run,
                        const ConsoleFrontEnd& front_end, std::uint32_t seed, double wall_seconds,
                        unsigned threads) {
    RunResult result;
    result.seed = seed;
    result.num_generations = run.pop->num_generations;
    result.generations = front_end.history();
    if (front_end.has_formula()) {
        result.last_program =
            run_program(run, front_end.best_gene(), front_end.best_training_fitness(),
                        front_end.best_validation_fitness());
    }
    if (const auto& best = front_end.best_on_validation()) {
        result.best_validation = RecordedBest{
            best->generation, best->validation_count, best->training_fitness,
            run_program(run, best->gene, best->training_fitness, best->validation_count)};
    }
    if (run.pop->size_objective) {
        result.front = run_front(run, seed);
    }
    result.cells_sha256 = cells_sha256(GridCells{&data.training, &data.validation});
    result.wall_seconds = wall_seconds;
    result.threads = threads;
    return run_record_of(run.plan, std::move(result));
}

int many_runs(const CliOptions& options, std::ostream& out, std::ostream& err,
              const CliEnvironment& environment) {
    const std::uint32_t count = *options.runs;
    const std::uint32_t first_seed = options.seed ? *options.seed : clock_seed();
    if (first_seed > std::numeric_limits<std::uint32_t>::max() - (count - 1)) {
        err << "vorn-run: --runs " << count << " from seed " << first_seed
            << " goes beyond seed 4294967295\n";
        return exit_usage;
    }
    const CliData data = load_data(options);
    if (!options.quiet) {
        for (const std::string& pairing : data.pairings) {
            err << pairing << '\n';
        }
    }
    const std::vector<functable> functions = build_function_table();
    const unsigned workers = std::min<unsigned>(count, usable_cpus());
    // Checked once for all the runs held at once, before any of them starts.
    RunRequest request = run_request(options, data);
    request.threads = 1;
    request.concurrent_runs = workers;
    const PrepareResult check = prepare_run(request, functions);
    for (const Notice& notice : check.notices) {
        err << notice.message.text << '\n';
    }
    if (check.refusal) {
        err << runner_refusal(*check.refusal).text << '\n';
        return exit_refused;
    }
    if (options.record_dir) {
        try {
            make_output_folder(*options.record_dir);
        } catch (const FileWriteError& error) {
            err << error.message().text << '\n';
            return exit_refused;
        }
    }
    const std::vector<std::filesystem::path> inputs = input_files(options);
    const auto record_path = [&](std::uint32_t seed) {
        return std::filesystem::path(*options.record_dir) /
               ("seed-" + std::to_string(seed) + ".json");
    };
    // Refused before any run rather than after all of them.
    if (options.record_dir) {
        for (std::uint32_t i = 0; i < count; ++i) {
            refuse_input_target(record_path(first_seed + i), inputs);
        }
    }
    if (!options.quiet) {
        out << summary_header() << '\n' << std::flush;
    }
    RunsBoard board(count, out, err, !options.quiet, environment.err_is_terminal && !options.quiet);
    board.draw_bar();
    const auto stopped = [&] {
        return environment.stop_signal != nullptr && *environment.stop_signal != 0;
    };
    std::atomic<std::uint32_t> next{0};
    const auto work = [&] {
        for (std::uint32_t i = next++; i < count && !stopped() && !board.has_error(); i = next++) {
            const std::uint32_t seed = first_seed + i;
            try {
                QuietRun run =
                    quiet_run(options, data, functions, seed, 1, environment.stop_signal);
                if (run.refusal || run.outcome.error) {
                    board.failed(run.refusal ? *run.refusal : *run.outcome.error);
                    return;
                }
                if (run.outcome.aborted) {
                    return;  // unfinished: no line and no record
                }
                if (options.record_dir) {
                    write_record_file(record_path(seed), *run.record, inputs);
                }
                board.finished(i, run_summary(*run.record));
            } catch (const MessageError& error) {
                board.failed(error.message());
            } catch (const std::bad_alloc&) {
                board.failed(messages::memory_run());
            } catch (const std::exception& error) {
                board.failed(messages::internal_error(error.what()));
            }
        }
    };
    {
        std::vector<std::jthread> threads;
        for (unsigned w = 1; w < workers; ++w) {
            threads.emplace_back(work);
        }
        work();
    }
    board.clear_bar();
    const std::vector<RunSummary> done = board.done_runs();
    out << spread_lines(done) << std::flush;
    if (board.error()) {
        err << board.error()->text << '\n';
        return exit_refused;
    }
    if (done.size() < count) {
        const int signal = stopped() ? *environment.stop_signal : 0;
        err << messages::runs_stopped(signal_name(signal), done.size(), count).text << '\n';
        return signal != 0 ? exit_signal_base + signal : exit_refused;
    }
    return exit_done;
}

int rerun_mode(const CliOptions& options, std::ostream& out, std::ostream& err,
               const CliEnvironment& environment) {
    const RunRecord recorded = read_record_file(options.rerun_file);
    if (recorded.grid_edited) {
        throw RecordError(messages::record_refused(
            options.rerun_file, "its grid was edited after loading, so no file holds its data"));
    }
    if (recorded.generations.empty()) {
        throw RecordError(messages::record_refused(
            options.rerun_file, "it holds no generation, so there is nothing to compare"));
    }
    const RunPlan& plan = recorded.plan;
    CliOptions repeat = options;
    repeat.mode = CliMode::run;
    repeat.texts = plan.texts;
    repeat.columns = plan.columns;
    repeat.positive = plan.positive;
    if (!options.training_given) {
        if (!plan.training) {
            throw RecordError(
                messages::record_refused(options.rerun_file, "it names no training file"));
        }
        repeat.training_file = plan.training->string();
    }
    if (!options.validation_file && plan.validation) {
        repeat.validation_file = plan.validation->string();
    }
    const CliData data = load_data(repeat);
    const std::vector<functable> functions = build_function_table();
    const std::uint32_t seed = plan.seed.value_or(0);
    const QuietRun run =
        quiet_run(repeat, data, functions, seed, options.threads, environment.stop_signal);
    if (run.refusal || run.outcome.error) {
        err << (run.refusal ? *run.refusal : *run.outcome.error).text << '\n';
        return exit_refused;
    }
    if (run.outcome.aborted) {
        const int signal = environment.stop_signal != nullptr ? *environment.stop_signal : 0;
        err << messages::run_stopped(signal_name(signal), run.outcome.generations_done,
                                     recorded.num_generations, "")
                   .text
            << '\n';
        return signal != 0 ? exit_signal_base + signal : exit_refused;
    }
    if (const auto difference = rerun_difference(recorded, *run.record)) {
        const std::string platform = same_platform(recorded, *run.record)
                                         ? std::string()
                                         : "recorded with " + recorded.compiler + " and " +
                                               recorded.libc + ", rerun with " +
                                               run.record->compiler + " and " + run.record->libc;
        err << messages::rerun_differs(options.rerun_file, *difference, platform).text << '\n';
        return exit_refused;
    }
    out << messages::rerun_matches(options.rerun_file,
                                   static_cast<std::int64_t>(recorded.generations.size()), seed)
               .text
        << '\n';
    return exit_done;
}

}  // namespace vorn
