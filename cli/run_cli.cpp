#include "cli/run_cli.h"

#include <fstream>
#include <new>

#include "cli/console_front_end.h"
#include "engine/run_gp.h"
#include "problem/errors.h"
#include "problem/number_text.h"
#include "program/functable.h"

namespace vorn {

CliData load_data(const CliOptions& options) {
    CliData data;
    data.training = cell_texts(read_data_file(options.training_file));
    if (options.validation_file) {
        data.validation = cell_texts(read_data_file(*options.validation_file));
    }
    return data;
}

StartTexts start_texts(const CliOptions& options, const CliData& data) {
    StartTexts texts{options.problem, options.population, StartState{}};
    texts.problem.use_training_data = !options.validation_file.has_value();
    texts.problem.training_cells = data.training;
    texts.problem.validation_cells = data.validation;

    // The labels as the window would show them; one that cannot be computed
    // keeps its layout caption, and the population then names the bad rate.
    auto& pop = texts.population;
    pop.reproduction_rate =
        remainder_label(pop.crossover_rate, pop.mutation_rate, pop.one_point_mutation_rate)
            .value_or(pop.reproduction_rate);
    pop.constant_ratio =
        remainder_label(pop.function_ratio, pop.variable_ratio).value_or(pop.constant_ratio);

    texts.start.training_loaded = true;
    texts.start.validation_loaded = options.validation_file.has_value();
    texts.start.use_training_data = texts.problem.use_training_data;
    texts.start.reproduction_label = pop.reproduction_rate;
    texts.start.constant_label = pop.constant_ratio;
    return texts;
}

std::optional<std::string> constant_range_refusal(const ProblemTexts& texts) {
    const auto low = parse_float32(texts.constant_min);
    const auto high = parse_float32(texts.constant_max);
    if (low && high && !(*low < *high)) {
        return "Please set the range of constants proparly";
    }
    return std::nullopt;
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
        const StartTexts texts = start_texts(options, data);
        if (const auto refusal = constant_range_refusal(texts.problem)) {
            err << *refusal << '\n';
            return exit_refused;
        }
        if (const auto refusal = check_start(texts.start)) {
            err << refusal->message << '\n';
            return exit_refused;
        }

        const std::vector<functable> function_table = build_function_table();
        Tproblem_setting setting(texts.problem, function_table);
        if (setting.fell_back_to_plus()) {
            err << "You must use 1 function at least.\n";
        }
        Tgp_pop pop(texts.population, setting);

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
        run_options.seed = options.seed;
        run_options.evaluator = options.evaluator;
        run_options.threads = options.threads;
        const RunOutcome outcome = run_gp(setting, pop, front_end, run_options);

        if (!outcome.error && front_end.has_formula()) {
            out << options.output_name << '=' << front_end.formula() << '\n';
        }
        out << "seed " << outcome.seed << '\n' << std::flush;
        if (outcome.error) {
            err << *outcome.error << '\n';
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
    } catch (const SettingError& e) {
        err << e.what() << '\n';
    } catch (const std::bad_alloc&) {
        err << "vorn-run: not enough memory for a run of this size\n";
    }
    return exit_refused;
}

}  // namespace vorn
