#include "cli/program_modes.h"
#include "cli/run_front.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "cli/point_stream.h"
#include "cli/run_cli.h"
#include "cli/stop_signals.h"
#include "engine/program_io.h"
#include "engine/program_score.h"
#include "problem/csv_pairing.h"
#include "problem/csv_table.h"
#include "problem/data_file.h"
#include "problem/errors.h"
#include "problem/number_text.h"
#include "problem/problem_setting.h"
#include "program/batch_eval.h"
#include "program/simplify.h"

namespace vorn {

namespace {

constexpr std::string_view standard_input = "standard input";

// Closes the file it holds.
class InputFile {
public:
    explicit InputFile(const std::string& name) : fd_(::open(name.c_str(), O_RDONLY | O_CLOEXEC)) {
        struct stat status {};
        if (fd_ >= 0 && (::fstat(fd_, &status) != 0 || S_ISDIR(status.st_mode))) {
            ::close(fd_);
            fd_ = -1;
        }
        if (fd_ < 0) {
            throw DataFileError(name, 0, "cannot be opened.");
        }
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile() { ::close(fd_); }
    [[nodiscard]] int get() const { return fd_; }

private:
    int fd_;
};

[[nodiscard]] bool stopped(const volatile std::sig_atomic_t* stop) {
    return stop != nullptr && *stop != 0;
}

// The message and the exit status of a mode that a stop signal ended.
int stopped_mode(std::ostream& out, std::ostream& err, std::string_view what,
                 const std::string& done, int signal) {
    out.flush();
    err << messages::mode_stopped(what, signal_name(signal), done).text << '\n';
    return exit_signal_base + signal;
}

// The CSV choice a program was made with, from its provenance, where the
// command line gives none: a file is then read as the run read its data.
CliOptions with_program_csv(CliOptions options, const Program& program) {
    const ProgramCsvChoice made_with = program_csv_choice(program);
    if (!options.columns) {
        options.columns = made_with.columns;
        // --predict reads the points of the x and y columns only.
        if (options.columns && options.mode == CliMode::predict) {
            options.columns = options.columns->substr(0, options.columns->rfind(','));
        }
    }
    if (!options.positive && options.mode == CliMode::score) {
        options.positive = made_with.positive;
    }
    return options;
}

// The points of two columns of a CSV file: --columns X,Y, or the first two
// numeric columns.
PredictionEnd predict_csv(const CliOptions& options, const ProgramCode& code, std::ostream& out,
                          const volatile std::sig_atomic_t* stop) {
    const CsvTable table = read_csv_table(options.points_file);
    CsvChoice choice = default_csv_choice(table);
    if (options.columns) {
        const auto comma = options.columns->find(',');
        choice.x_column = csv_column(table, options.columns->substr(0, comma));
        choice.y_column = csv_column(table, options.columns->substr(comma + 1));
    }
    const auto points = read_csv_points(table, choice.x_column, choice.y_column);
    BatchEvaluator evaluator(code.view(), DataColumns{}, DataColumns{},
                             static_cast<std::int32_t>(code.gene.size()));
    std::vector<double> xs;
    std::vector<double> ys;
    std::vector<double> values;
    std::string text;
    PredictionEnd end;
    for (std::size_t start = 0; start < points.size() && out; start += BatchEvaluator::block_size) {
        if (stopped(stop)) {
            end.stopped = true;
            break;
        }
        const std::size_t n = std::min(BatchEvaluator::block_size, points.size() - start);
        xs.resize(n);
        ys.resize(n);
        values.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            xs[i] = points[start + i][0];
            ys[i] = points[start + i][1];
        }
        evaluator.evaluate(code.gene, xs, ys, values);
        text.clear();
        for (std::size_t i = 0; i < n; ++i) {
            append_prediction(text, xs[i], ys[i], values[i]);
        }
        out << text;
        end.points += n;
    }
    return end;
}

}  // namespace

void save_run_program(const CliOptions& options, const PreparedRun& run,
                      const ConsoleFrontEnd& front_end, std::uint32_t seed,
                      std::span<const std::filesystem::path> inputs) {
    const auto& best = front_end.best_on_validation();
    // A hold-out exists to choose the program: it picks on the held-out rows
    // unless --save-which says otherwise.
    const SaveWhich which = options.save_which.value_or(
        run.parameters.population.holdout > 0 ? SaveWhich::best_validation : SaveWhich::last);
    // With the size objective the hold-out chooses among the front.
    if (const auto choice = front_choice(run); choice && !options.save_which) {
        const FrontPoint point = run.pop->front_archive.front()[choice->index];
        save_program_file(*options.save_program,
                          with_provenance(run_program(run, point.gene, point.training_fitness,
                                                      choice->validation_count),
                                          run.plan, seed),
                          inputs);
        return;
    }
    const Program program =
        which == SaveWhich::best_validation && best
            ? run_program(run, best->gene, best->training_fitness, best->validation_count)
            : run_program(run, front_end.best_gene(), front_end.best_training_fitness(),
                          front_end.best_validation_fitness());
    save_program_file(*options.save_program, with_provenance(program, run.plan, seed), inputs);
}

int score_mode(const CliOptions& options, std::ostream& out, std::ostream& err,
               const volatile std::sig_atomic_t* stop) {
    const Program program = load_program_file(options.program_file);
    const ProgramCode code = program_code(program);
    const CliOptions scoring = with_program_csv(options, program);
    if (options.score_format == ScoreFormat::csv) {
        out << score_csv_header() << '\n';
    }
    int status = exit_done;
    std::size_t scored = 0;
    for (const std::string& file : options.score_files) {
        if (stopped(stop)) {
            return stopped_mode(out, err, "Scoring",
                                std::to_string(scored) + " of " +
                                    std::to_string(options.score_files.size()) + " files",
                                *stop);
        }
        ++scored;
        try {
            std::vector<std::string> pairings;
            std::optional<PairingCounts> points;
            const DataTable table = load_data_file(file, scoring, pairings, nullptr, &points);
            const ScoreCounts counts = score_table(code, table, points);
            switch (options.score_format) {
                case ScoreFormat::line:
                    out << score_line(file, counts) << '\n';
                    break;
                case ScoreFormat::csv:
                    out << score_csv_row(file, counts) << '\n';
                    break;
                case ScoreFormat::json:
                    out << score_json(file, counts) << '\n';
                    break;
            }
        } catch (const MessageError& error) {
            // The lines so far first, so both streams on one terminal keep their order.
            out.flush();
            err << error.message().text << '\n';
            status = exit_refused;
        }
        if (!out) {
            break;
        }
    }
    return status;
}

int predict_mode(const CliOptions& options, std::ostream& out, std::ostream& err, int input_fd,
                 const volatile std::sig_atomic_t* stop) {
    const Program program = load_program_file(options.program_file);
    const ProgramCode code = program_code(program);
    PredictionEnd end;
    if (is_csv_name(options.points_file)) {
        end = predict_csv(with_program_csv(options, program), code, out, stop);
    } else if (options.points_file == "-") {
        end = predict_stream(input_fd, std::string(standard_input), code, out, stop);
    } else {
        const InputFile points(options.points_file);
        end = predict_stream(points.get(), options.points_file, code, out, stop);
    }
    if (!end.stopped) {
        return exit_done;
    }
    return stopped_mode(out, err, "Prediction",
                        std::to_string(end.points) + (end.points == 1 ? " point" : " points"),
                        *stop);
}

int export_mode(const CliOptions& options, std::ostream& out) {
    Program program = load_program_file(options.program_file);
    if (options.export_simplified) {
        program = simplify(program);
    }
    out << (options.export_style
                ? readable_export(program, {*options.export_style, options.digits.value_or(0)})
                : export_program(program, options.export_language));
    return exit_done;
}

int simplify_mode(const CliOptions& options, std::ostream& out) {
    const Program program = load_program_file(options.program_file);
    const Program simplified = simplify(program);
    std::filesystem::path file = options.program_file;
    if (options.output_file) {
        file = *options.output_file;
    } else {
        file.replace_extension(file.extension() == ".json"
                                   ? ".simplified.json"
                                   : file.extension().string() + ".simplified.json");
    }
    const std::filesystem::path inputs[] = {options.program_file};
    save_program_file(file, simplified, inputs);
    out << program.nodes.size() << " -> " << simplified.nodes.size() << " nodes, written to "
        << file.string() << '\n';
    return exit_done;
}

}  // namespace vorn
