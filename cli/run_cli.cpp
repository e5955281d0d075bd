#include "cli/run_cli.h"

#include <cerrno>
#include <chrono>
#include <exception>
#include <filesystem>
#include <new>
#include <optional>
#include <system_error>

#include "cli/cli_files.h"
#include "cli/console_front_end.h"
#include "cli/experiments.h"
#include "cli/fd_stream.h"
#include "cli/generation_table.h"
#include "cli/program_modes.h"
#include "cli/run_front.h"
#include "cli/stop_signals.h"
#include "engine/fitness_pool.h"
#include "engine/run_gp.h"
#include "engine/settings_file.h"
#include "engine/version.h"
#include "problem/csv_pairing.h"
#include "problem/errors.h"
#include "problem/file_writer.h"
#include "program/functable.h"
#include "program/infix.h"
#include "program/random.h"

namespace vorn {

DataTable load_data_file(const std::string& file, const CliOptions& options,
                         std::vector<std::string>& pairings, std::optional<CsvUsed>* used,
                         std::optional<PairingCounts>* counts) {
    if (!is_csv_name(file)) {
        return DataTable(read_data_file(file));
    }
    const CsvTable table = read_csv_table(file);
    const auto columns =
        options.columns ? std::optional<std::string_view>(*options.columns) : std::nullopt;
    const CsvChoice choice = csv_choice_from_option(table, columns, options.positive);
    PairedData paired = pair_csv(table, choice);
    const auto [x_name, y_name] = csv_input_names(table, choice);
    CsvUsed chosen{csv_columns_text(table, choice), choice.positive_label, x_name, y_name};
    pairings.push_back(escaped_text(file) + ": " + pairing_summary(paired.counts) + " (columns \"" +
                       escaped_text(chosen.columns) + "\", positive \"" +
                       escaped_text(chosen.positive) + "\")");
    if (used != nullptr) {
        *used = chosen;
    }
    if (counts != nullptr) {
        *counts = paired.counts;
    }
    return DataTable(std::move(paired.rows));
}

CliData load_data(const CliOptions& options) {
    CliData data;
    data.training = load_data_file(options.training_file, options, data.pairings, &data.csv);
    if (options.validation_file) {
        // Read by the training file's columns and label, by name where it
        // has a header, not by its own first row.
        CliOptions validation = options;
        if (data.csv) {
            validation.columns = data.csv->columns;
            validation.positive = data.csv->positive;
        }
        data.validation = load_data_file(*options.validation_file, validation, data.pairings,
                                         data.csv ? nullptr : &data.csv);
    }
    return data;
}

RunRequest run_request(const CliOptions& options, const CliData& data) {
    RunRequest request;
    request.plan = run_plan(options);
    if (data.csv) {
        request.plan.columns = data.csv->columns;
        request.plan.positive = data.csv->positive;
        // The header names the inputs, as --input1 and --input2 would.
        if (!options.input_names_given && !data.csv->x_name.empty() && !data.csv->y_name.empty()) {
            request.plan.texts[ParamId::input1_name] = data.csv->x_name;
            request.plan.texts[ParamId::input2_name] = data.csv->y_name;
        }
    }
    request.cells = GridCells{&data.training, &data.validation};
    request.training_loaded = true;
    request.validation_loaded = options.validation_file.has_value();
    request.check_constant_range = true;
    request.threads = options.threads;
    return request;
}

Message runner_refusal(const Refusal& refusal) {
    const MessageId id = refusal.message.id;
    if (id == MessageId::memory_setting || id == MessageId::memory_population) {
        return messages::memory_run();
    }
    return refusal.message;
}

namespace {

constexpr std::string_view standard_output = "standard output";

// What this run starts from, as a settings file.
void write_effective_settings(const CliOptions& options, const RunPlan& plan) {
    Settings settings;
    settings.plan = with_absolute_paths(plan);
    settings.given.fill(true);
    write_settings_file(*options.write_settings, settings, input_files(options));
}

// After the seed line, so the lines before stay as they were.
void print_best_on_validation(std::ostream& out, const PreparedRun& run,
                              const ConsoleFrontEnd& front_end) {
    const auto& best = front_end.best_on_validation();
    if (!best) {
        return;
    }
    out << best_validation_line(*best) << '\n'
        << "best validation " << run.parameters.output_name << '='
        << infix_text(run.setting->node_table, best->gene) << '\n';
}

int run_options(const CliOptions& given, std::ostream& out, std::ostream& err,
                const CliEnvironment& environment) {
    CliOptions options = given;
    // A settings file written for the run repeats it: a seed from the clock
    // is taken now so that the file can hold it.
    if (options.write_settings && !options.seed) {
        options.seed = clock_seed();
    }
    const CliData data = load_data(options);
    if (!options.quiet) {
        for (const std::string& pairing : data.pairings) {
            err << pairing << '\n';
        }
    }
    const std::vector<functable> function_table = build_function_table();
    PrepareResult prepared = prepare_run(run_request(options, data), function_table);
    for (const Notice& notice : prepared.notices) {
        err << notice.message.text << '\n';
    }
    if (prepared.refusal) {
        err << runner_refusal(*prepared.refusal).text << '\n';
        return exit_refused;
    }
    PreparedRun& run = *prepared.run;

    // Refused before the run rather than after it, and before the CSV file
    // is made, so that a refusal leaves no trace.
    refuse_unwritable_outputs(options);
    check_front_folder(options, run);
    for (const auto& target : {options.save_program, options.record_file}) {
        if (target) {
            refuse_input_target(*target, input_files(options));
        }
    }
    // Made only now, so a refused setting leaves no trace. The rows go to
    // a partial file of the run's own; only a complete run renames it to FILE.
    std::optional<FileWriter> csv;
    if (options.csv_file) {
        csv.emplace(*options.csv_file, input_files(options), Unfinished::kept);
    }
    if (options.write_settings) {
        write_effective_settings(options, run.plan);
    }

    ConsoleFrontEnd front_end(
        out, err, csv ? &*csv : nullptr,
        ConsoleStyle{.table = !options.quiet,
                     .progress_bar = environment.err_is_terminal && !options.quiet},
        StopSources{.abort_request = &run.setting->abort_request,
                    .pause_request = &run.setting->pause_request,
                    .stop_signal = environment.stop_signal});
    RunOptions run_options;
    run_options.seed = run.plan.seed;
    run_options.evaluator = options.evaluator;
    run_options.threads = options.threads;
    const auto started = std::chrono::steady_clock::now();
    const RunOutcome outcome = run_gp(*run.setting, *run.pop, front_end, run_options);
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - started;

    // A stopped run still shows the best program so far.
    const bool has_program = !outcome.error && front_end.has_formula();
    if (has_program) {
        out << run.parameters.output_name << '=' << front_end.formula() << '\n';
    }
    out << "seed " << outcome.seed << '\n';
    if (!outcome.error && !options.quiet) {
        print_best_on_validation(out, run, front_end);
        if (run.pop->size_objective) {
            print_front(out, run);
        }
    }
    out << std::flush;
    if (outcome.error) {
        err << outcome.error->text << '\n';
        return exit_refused;
    }
    // The program file holds the program just printed, a stopped run's too.
    bool save_failed = false;
    if (options.save_program && has_program) {
        try {
            save_run_program(options, run, front_end, outcome.seed, input_files(options));
        } catch (const MessageError& error) {
            err << error.message().text << '\n';
            save_failed = true;
        }
    }
    if (options.save_front && has_program) {
        try {
            save_front(*options.save_front, run_front(run, outcome.seed), input_files(options));
        } catch (const MessageError& error) {
            err << error.message().text << '\n';
            save_failed = true;
        }
    }
    // Only a finished run is recorded: a record is for repeating a run.
    if (options.record_file && !outcome.aborted) {
        try {
            const unsigned threads = scoring_threads(
                options.threads, static_cast<std::size_t>(run.pop->population_size));
            write_record_file(
                *options.record_file,
                runner_record(data, run, front_end, outcome.seed, wall.count(), threads),
                input_files(options));
        } catch (const MessageError& error) {
            err << error.message().text << '\n';
            save_failed = true;
        }
    }
    if (front_end.csv_error()) {
        err << front_end.csv_error()->text << '\n';
        return exit_refused;
    }
    if (front_end.out_failed()) {
        return exit_refused;  // run_cli says why
    }
    if (outcome.aborted) {
        const int signal = environment.stop_signal != nullptr ? *environment.stop_signal : 0;
        err << messages::run_stopped(signal_name(signal), outcome.generations_done,
                                     run.pop->num_generations,
                                     csv ? csv->written_path().string() : std::string())
                   .text
            << '\n';
        return signal != 0 ? exit_signal_base + signal : exit_refused;
    }
    if (csv) {
        csv->commit();
    }
    return save_failed ? exit_refused : exit_done;
}

int run_command(std::span<const std::string> args, std::ostream& out, std::ostream& err,
                const CliEnvironment& environment) {
    CliOptions options;
    try {
        options = parse_cli(args);
        if (options.settings_file && !options.help && !options.version) {
            const Settings settings = read_settings_file(*options.settings_file);
            options = parse_cli(args, &settings);
        }
    } catch (const MessageError& e) {
        err << e.message().text << '\n';
        return exit_refused;
    } catch (const UsageError& e) {
        // The message may echo what was typed.
        err << "vorn-run: " << escaped_text(e.what()) << "\nTry 'vorn-run --help'.\n";
        return exit_usage;
    }
    if (options.help) {
        out << help_text();
        return exit_done;
    }
    if (options.version) {
        out << version_text() << '\n';
        return exit_done;
    }
    try {
        switch (options.mode) {
            case CliMode::run:
                return options.runs ? many_runs(options, out, err, environment)
                                    : run_options(options, out, err, environment);
            case CliMode::rerun:
                return rerun_mode(options, out, err, environment);
            case CliMode::summarize:
                return summarize_mode(options, out, err);
            case CliMode::score:
                return score_mode(options, out, err, environment.stop_signal);
            case CliMode::predict:
                return predict_mode(options, out, err, environment.input_fd,
                                    environment.stop_signal);
            case CliMode::export_program:
                return export_mode(options, out);
            case CliMode::simplify:
                return simplify_mode(options, out);
        }
    } catch (const MessageError& e) {
        // A data file refused, or an output that cannot be written.
        err << e.message().text << '\n';
    } catch (const std::bad_alloc&) {
        err << messages::memory_run().text << '\n';
    } catch (const std::exception& e) {
        // Nothing out of the core ends the runner through std::terminate.
        err << messages::internal_error(e.what()).text << '\n';
    }
    return exit_refused;
}

}  // namespace

int run_cli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
            const CliEnvironment& environment) {
    int code = run_command(args, out, err, environment);
    out.flush();
    if (const int error = stream_error(out); error != 0) {
        // A reader that went away (`| head`) is no failure to report.
        if (error == EPIPE) {
            return exit_broken_pipe;
        }
        err << messages::file_not_written(standard_output,
                                          std::error_code(error, std::generic_category()).message())
                   .text
            << '\n';
        code = exit_refused;
    }
    err.flush();
    return !err && code == exit_done ? exit_refused : code;
}

int run_cli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
            bool err_is_terminal) {
    return run_cli(args, out, err, CliEnvironment{.err_is_terminal = err_is_terminal});
}

}  // namespace vorn
