#include "cli/cli_options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <span>
#include <string_view>
#include <system_error>
#include <vector>

#include "cli/cli_files.h"
#include "cli/runner_options.h"
#include "engine/prepare_run.h"
#include "engine/search_parameters.h"
#include "problem/csv_pairing.h"
#include "program/functable.h"

namespace vorn {

namespace {

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

std::string name_list() {
    std::string names;
    for (std::string_view name : primitive_names) {
        names += names.empty() ? "" : " ";
        names += name;
    }
    return names;
}

// The list is bad usage, not a panel text: no function at all would only fall
// back to "+" silently.
std::string checked_function_list(const std::string& value) {
    std::string_view rest = value;
    while (true) {
        const auto comma = rest.find(',');
        const std::string_view name = trim_blanks(rest.substr(0, comma));
        if (name.empty()) {
            throw UsageError("--functions needs a comma-separated list of at least one of: " +
                             name_list());
        }
        if (std::find(primitive_names.begin(), primitive_names.end(), name) ==
            primitive_names.end()) {
            throw UsageError("unknown function \"" + std::string(name) +
                             "\" in --functions; the functions are: " + name_list());
        }
        if (comma == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(comma + 1);
    }
    return function_list_text(*parse_function_list(value));
}

void apply_parameter(const Parameter& row, CliOptions& options, const std::string& value) {
    ParameterTexts& texts = options.texts;
    options.parameter_given[static_cast<std::size_t>(row.id)] = true;
    if (row.partner) {
        options.parameter_given[static_cast<std::size_t>(*row.partner)] = true;
    }
    if (row.id == ParamId::input1_name || row.id == ParamId::input2_name) {
        options.input_names_given = true;
    }
    switch (row.option_form) {
        case OptionForm::none:
            break;
        case OptionForm::plain:
            if (row.kind == ParamKind::function_list) {
                texts[row.id] = checked_function_list(value);
            } else if (row.kind == ParamKind::choice && !choice_index(row, value)) {
                throw UsageError("--" + std::string(row.option) + " must be " +
                                 choice_list_text(row) + " (it is \"" + value + "\")");
            } else {
                texts[row.id] = value;
            }
            break;
        case OptionForm::file_clears:
            options.validation_file = value;
            texts.set_flag(row.id, false);
            break;
        case OptionForm::switch_off:
            texts.set_flag(row.id, false);
            break;
        case OptionForm::sets_with_flag:
            texts[row.id] = value;
            texts.set_flag(*row.partner, true);
            break;
        case OptionForm::pair_low: {
            // Both ends stay text: the core names the field when one is not a number.
            const auto colon = value.find(':');
            if (colon == std::string::npos) {
                throw UsageError("--" + std::string(row.option) + " takes " +
                                 std::string(row.option_value) + " (it is \"" + value + "\")");
            }
            texts[row.id] = value.substr(0, colon);
            texts[*row.partner] = value.substr(colon + 1);
            break;
        }
    }
}

// The seed is no panel value, so a bad one is bad usage.
void apply_seed(CliOptions& options, const std::string& value) {
    std::uint64_t seed = 0;
    const char* end = value.data() + value.size();
    const auto [ptr, ec] = std::from_chars(value.data(), end, seed);
    if (value.empty() || ec != std::errc() || ptr != end ||
        seed > std::numeric_limits<std::uint32_t>::max()) {
        throw UsageError("--seed takes a whole number from 0 to 4294967295 (it is \"" + value +
                         "\")");
    }
    options.seed = static_cast<std::uint32_t>(seed);
}

void apply_evaluator(CliOptions& options, const std::string& value) {
    if (value == "batch") {
        options.evaluator = EvaluatorKind::batch;
    } else if (value == "reference") {
        options.evaluator = EvaluatorKind::reference;
    } else {
        throw UsageError("--evaluator takes batch or reference (it is \"" + value + "\")");
    }
}

void apply_threads(CliOptions& options, const std::string& value) {
    unsigned threads = 0;
    const char* end = value.data() + value.size();
    const auto [ptr, ec] = std::from_chars(value.data(), end, threads);
    if (value.empty() || ec != std::errc() || ptr != end || threads > 1024) {
        throw UsageError("--threads takes a whole number from 0 to 1024 (it is \"" + value + "\")");
    }
    options.threads = threads;
}

void apply_search_preset(CliOptions& options, const std::string& value) {
    if (std::find(search_preset_names.begin(), search_preset_names.end(), value) ==
        search_preset_names.end()) {
        throw UsageError("--search takes written or modern (it is \"" + value + "\")");
    }
    options.search_preset = value;
}

void apply_save_which(CliOptions& options, const std::string& value) {
    if (value == "last") {
        options.save_which = SaveWhich::last;
    } else if (value == "best-validation") {
        options.save_which = SaveWhich::best_validation;
    } else {
        throw UsageError("--save-which takes last or best-validation (it is \"" + value + "\")");
    }
}

constexpr std::array runner_option_rows = {
    RunnerOption{"seed", "N", "seed of the random generator (default: the clock in whole seconds)",
                 apply_seed},
    RunnerOption{"evaluator", "KIND",
                 "batch (fast, the default) or reference (the plain interpreter); both give the "
                 "same results",
                 apply_evaluator, OptionUse::run, "batch reference"},
    RunnerOption{"threads", "N",
                 "threads that score programs with the batch evaluator (default: 0, every core); "
                 "the results do not depend on it",
                 apply_threads},
    RunnerOption{"csv", "FILE",
                 "also write the generation table to FILE as CSV (never over an input file)",
                 [](CliOptions& o, const std::string& v) { o.csv_file = v; }},
    RunnerOption{"save-program", "FILE",
                 "also write the best program of the last generation, with the seed, the "
                 "settings and the data files it came from, to FILE (never over an input file)",
                 [](CliOptions& o, const std::string& v) { o.save_program = v; }},
    RunnerOption{"settings", "FILE",
                 "start from the settings, data files and seed of a settings file; the other "
                 "options and a TRAINING_FILE given override it",
                 [](CliOptions& o, const std::string& v) {
                     if (o.settings_file) {
                         throw UsageError("--settings may be given once");
                     }
                     o.settings_file = v;
                 }},
    RunnerOption{"write-settings", "FILE",
                 "write the run's effective settings to FILE as a settings file, then run",
                 [](CliOptions& o, const std::string& v) { o.write_settings = v; }},
    RunnerOption{"search", "PRESET",
                 "written (the workbench's first method: every search option at its "
                 "default) or modern (lexicase selection, the size objective, a hold-out of "
                 "0.2 that chooses the program from the front, and constant tuning of 3 "
                 "programs); options given beside it win",
                 apply_search_preset, OptionUse::run, "written modern"},
    RunnerOption{"save-front", "DIR",
                 "with --objectives error-and-size, also write each program of the run's "
                 "front to DIR/front-N.json (N from 1, the shortest first; the folder is made "
                 "if need be)",
                 [](CliOptions& o, const std::string& v) { o.save_front = v; }},
    RunnerOption{"save-which", "WHICH",
                 "which program --save-program writes: last (the best of the last generation, "
                 "the default without --holdout) or best-validation (the one printed as best "
                 "validation, the default with --holdout)",
                 apply_save_which, OptionUse::run, "last best-validation"},
    RunnerOption{"quiet",
                 {},
                 "no table and no progress bar: only the best formula and the seed",
                 [](CliOptions& o, const std::string&) { o.quiet = true; }},
    RunnerOption{"help",
                 {},
                 "show this text and exit",
                 [](CliOptions& o, const std::string&) { o.help = true; },
                 OptionUse::any},
    RunnerOption{"version",
                 {},
                 "show the version and exit",
                 [](CliOptions& o, const std::string&) { o.version = true; },
                 OptionUse::any},
};

// One option of either kind, found by its spelling.
struct Found {
    const Parameter* parameter = nullptr;
    const RunnerOption* runner = nullptr;
    [[nodiscard]] std::string_view value_name() const {
        return parameter != nullptr ? parameter->option_value : runner->value;
    }
};

std::optional<Found> find_option(std::string_view name) {
    for (const Parameter& row : parameter_table()) {
        if (row.option_form != OptionForm::none && row.option == name) {
            return Found{&row, nullptr};
        }
    }
    for (const auto options :
         {data_options(), runner_options(), experiment_options(), mode_options()}) {
        for (const RunnerOption& option : options) {
            if (option.name == name) {
                return Found{nullptr, &option};
            }
        }
    }
    return std::nullopt;
}

[[nodiscard]] OptionUse use_of(const Found& found) {
    return found.parameter != nullptr ? OptionUse::run : found.runner->use;
}

// The operands of the command, by its mode.
void take_operands(CliOptions& options, std::string_view mode, std::vector<std::string> operands,
                   const Settings* base) {
    const auto needs = [&](std::string_view what) {
        return UsageError("--" + std::string(mode) + " needs " + std::string(what));
    };
    switch (options.mode) {
        case CliMode::run:
            if (options.training_given) {
                if (!operands.empty()) {
                    throw UsageError("one training file only (--training and \"" + operands[0] +
                                     "\")");
                }
                break;
            }
            if (operands.empty() && base != nullptr && base->plan.training) {
                operands.push_back(base->plan.training->string());
            }
            if (operands.empty() && options.settings_file && base == nullptr) {
                break;  // the settings file may name it
            }
            if (operands.empty()) {
                throw UsageError("no training file given");
            }
            if (operands.size() > 1) {
                throw UsageError("one training file only (\"" + operands[0] + "\" and \"" +
                                 operands[1] + "\")");
            }
            options.training_file = operands[0];
            break;
        case CliMode::score:
            if (operands.empty()) {
                throw needs("at least one data file after the program");
            }
            options.score_files = std::move(operands);
            break;
        case CliMode::predict:
            if (operands.size() != 1) {
                throw needs("one file of points after the program (- for standard input)");
            }
            options.points_file = operands[0];
            break;
        case CliMode::export_program:
            if (operands.size() != 1) {
                throw needs("one program file");
            }
            options.program_file = operands[0];
            break;
        case CliMode::simplify:
            if (!operands.empty()) {
                throw UsageError("--simplify takes no operand (\"" + operands[0] +
                                 "\"); -o FILE names the file it writes");
            }
            break;
        case CliMode::rerun:
            if (!operands.empty()) {
                throw UsageError("--rerun takes no operand (\"" + operands[0] +
                                 "\"); --training gives another training file");
            }
            break;
        case CliMode::summarize:
            if (operands.empty()) {
                throw needs("at least one record");
            }
            options.record_files = std::move(operands);
            break;
    }
}

}  // namespace

std::span<const RunnerOption> runner_options() {
    return runner_option_rows;
}

CliOptions parse_cli(std::span<const std::string> args, const Settings* base) {
    CliOptions options;
    if (base != nullptr) {
        const RunPlan& plan = base->plan;
        options.texts = plan.texts;
        options.seed = plan.seed;
        options.columns = plan.columns;
        options.positive = plan.positive;
        options.input_names_given = base->given[static_cast<std::size_t>(ParamId::input1_name)] ||
                                    base->given[static_cast<std::size_t>(ParamId::input2_name)];
        if (plan.validation && !plan.texts.flag(ParamId::use_training_data)) {
            options.validation_file = plan.validation->string();
        }
    }
    std::vector<std::string> operands;
    std::string mode;                      // the mode option given, without "--"
    std::vector<std::string> run_options;  // the run options given
    bool options_ended = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        // -o is the one short spelling of a long option.
        const std::string arg = args[i] == "-o" && !options_ended ? "--output-file" : args[i];
        if (options_ended || arg.size() < 2 || !arg.starts_with("-")) {
            operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options_ended = true;
            continue;
        }
        if (arg == "-h") {
            options.help = true;
            continue;
        }
        if (!arg.starts_with("--")) {
            throw UsageError("unknown option " + arg);
        }
        const auto equals = arg.find('=');
        const std::string name = arg.substr(2, equals == std::string::npos ? equals : equals - 2);
        const auto found = find_option(name);
        if (!found) {
            throw UsageError("unknown option --" + name);
        }
        std::string value;
        if (found->value_name().empty()) {
            if (equals != std::string::npos) {
                throw UsageError("--" + name + " takes no value");
            }
        } else if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            throw UsageError("--" + name + " needs a value (" + std::string(found->value_name()) +
                             ")");
        }
        refuse_empty_path("--" + name, found->value_name(), value);
        if (use_of(*found) == OptionUse::mode) {
            if (!mode.empty() && mode != name) {
                throw UsageError("--" + mode + " and --" + name + " cannot be combined");
            }
            mode = name;
        } else if (use_of(*found) == OptionUse::run) {
            run_options.push_back(name);
        }
        if (name == "training") {
            run_options.push_back(name);
        }
        if (found->parameter != nullptr) {
            apply_parameter(*found->parameter, options, value);
        } else {
            found->runner->apply(options, value);
        }
    }
    if (options.help || options.version) {
        return options;
    }
    if (options.search_preset) {
        for (const PresetText& preset : search_preset(*options.search_preset)) {
            if (!options.parameter_given[static_cast<std::size_t>(preset.id)]) {
                options.texts[preset.id] = preset.text;
            }
        }
    }
    if (options.mode == CliMode::rerun) {
        check_experiment_options(options, run_options);
    } else if (!mode.empty() && !run_options.empty()) {
        throw UsageError("--" + mode + " cannot be combined with --" + run_options.front() +
                         ", an option of a run");
    }
    refuse_shared_outputs(options);
    for (const std::string& operand : operands) {
        if (operand.empty()) {
            throw UsageError("an empty text is no file name");
        }
    }
    if (options.save_which && !options.save_program) {
        throw UsageError("--save-which needs --save-program");
    }
    if (options.score_format_given && options.mode != CliMode::score) {
        throw UsageError("--score-format needs --score");
    }
    check_mode_options(options);
    take_operands(options, mode, std::move(operands), base);
    check_csv_options(options);
    if (options.mode == CliMode::run) {
        check_experiment_options(options, run_options);
    }
    return options;
}

}  // namespace vorn
