#include "cli/run_cli.h"

#include <fstream>
#include <new>

#include "cli/console_front_end.h"
#include "engine/run_gp.h"
#include "problem/errors.h"
#include "program/functable.h"

namespace vorn {

CliData load_data(const CliOptions& options) {
    CliData data;
    data.training = DataTable(read_data_file(options.training_file));
    if (options.validation_file) {
        data.validation = DataTable(read_data_file(*options.validation_file));
    }
    return data;
}

RunRequest run_request(const CliOptions& options, const CliData& data) {
    RunRequest request;
    request.texts = options.texts;
    fill_remainders(request.texts);
    request.cells = GridCells{&data.training, &data.validation};
    request.training_loaded = true;
    request.validation_loaded = options.validation_file.has_value();
    request.check_constant_range = true;
    request.seed = options.seed;
    return request;
}

int run_cli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
            bool err_is_terminal) {
    CliOptions options;
    try {
        options = parse_cli(args);
    } catch (const UsageError& e) {
        err << "vorn-run: " << e.what() << "\nTry 'vorn-run --help'.\n";
        return exit_usage;
    }
    if (options.help) {
        out << help_text();
        return exit_done;
    }

    try {
        const CliData data = load_data(options);
        const std::vector<functable> function_table = build_function_table();
        PrepareResult prepared = prepare_run(run_request(options, data), function_table);
        for (const Notice& notice : prepared.notices) {
            err << notice.message.text << '\n';
        }
        if (prepared.refusal) {
            const MessageId id = prepared.refusal->message.id;
            if (id == MessageId::memory_setting || id == MessageId::memory_population) {
                err << "vorn-run: not enough memory for a run of this size\n";
            } else {
                err << prepared.refusal->message.text << '\n';
            }
            return exit_refused;
        }
        PreparedRun& run = *prepared.run;

        // Opened only now, so a refused setting leaves an old file alone.
        std::ofstream csv;
        if (options.csv_file) {
            csv.open(*options.csv_file, std::ios::binary | std::ios::trunc);
            if (!csv) {
                err << "vorn-run: cannot write " << *options.csv_file << '\n';
                return exit_refused;
            }
        }

        ConsoleFrontEnd front_end(out, err, options.csv_file ? &csv : nullptr,
                                  ConsoleStyle{.table = !options.quiet,
                                               .progress_bar = err_is_terminal && !options.quiet});
        RunOptions run_options;
        run_options.seed = run.seed;
        run_options.evaluator = options.evaluator;
        run_options.threads = options.threads;
        const RunOutcome outcome = run_gp(*run.setting, *run.pop, front_end, run_options);

        if (!outcome.error && front_end.has_formula()) {
            out << run.parameters.output_name << '=' << front_end.formula() << '\n';
        }
        out << "seed " << outcome.seed << '\n' << std::flush;
        if (outcome.error) {
            err << outcome.error->text << '\n';
            return exit_refused;
        }
        if (options.csv_file) {
            csv.close();
            if (!csv) {
                err << "vorn-run: cannot write " << *options.csv_file << '\n';
                return exit_refused;
            }
        }
        return exit_done;
    } catch (const DataFileError& e) {
        err << e.what() << '\n';
    } catch (const std::bad_alloc&) {
        err << "vorn-run: not enough memory for a run of this size\n";
    }
    return exit_refused;
}

}  // namespace vorn
