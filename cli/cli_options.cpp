#include "cli/cli_options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <span>
#include <string_view>
#include <system_error>
#include <vector>

#include "engine/prepare_run.h"
#include "problem/csv_pairing.h"
#include "program/functable.h"

namespace vorn {

namespace {

// The options of the runner alone, after the parameters' in --help.
struct RunnerOption {
    std::string_view name;        // without the leading "--"
    std::string_view value = {};  // placeholder; empty for a switch
    std::string_view help;
    void (*apply)(CliOptions& options, const std::string& value);
};

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
    switch (row.option_form) {
        case OptionForm::none:
            break;
        case OptionForm::plain:
            if (row.kind == ParamKind::function_list) {
                texts[row.id] = checked_function_list(value);
            } else if (row.kind == ParamKind::choice &&
                       std::find(selection_names.begin(), selection_names.end(), value) ==
                           selection_names.end()) {
                throw UsageError("--" + std::string(row.option) +
                                 " must be proportional, tournament or random (it is \"" + value +
                                 "\")");
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

constexpr std::array runner_options = {
    RunnerOption{"seed", "N", "seed of the random generator (default: the clock in whole seconds)",
                 apply_seed},
    RunnerOption{"evaluator", "KIND",
                 "batch (fast, the default) or reference (the plain interpreter); both give the "
                 "same results",
                 apply_evaluator},
    RunnerOption{"threads", "N",
                 "threads that score programs with the batch evaluator (default: 0, every core); "
                 "the results do not depend on it",
                 apply_threads},
    RunnerOption{"csv", "FILE",
                 "also write the generation table to FILE as CSV (never over an input file)",
                 [](CliOptions& o, const std::string& v) { o.csv_file = v; }},
    RunnerOption{"quiet",
                 {},
                 "no table and no progress bar: only the best formula and the seed",
                 [](CliOptions& o, const std::string&) { o.quiet = true; }},
    RunnerOption{"help",
                 {},
                 "show this text and exit",
                 [](CliOptions& o, const std::string&) { o.help = true; }},
};

// The spelling is checked here, the names and numbers against the file once
// it is read.
void apply_columns(CliOptions& options, const std::string& value) {
    if (!split_csv_columns(value)) {
        throw UsageError(
            "--columns takes three comma-separated columns X,Y,LABEL, each a header name or a "
            "1-based number (it is \"" +
            value + "\")");
    }
    options.columns = value;
}

// The runner's options about the data files, listed after --validation.
constexpr std::array data_options = {
    RunnerOption{"columns", "X,Y,LABEL",
                 "for .csv files: the x, y and label columns, each a header name or a 1-based "
                 "number (default: the first two numeric columns and the last column)",
                 apply_columns},
    RunnerOption{"positive", "VALUE",
                 "for .csv files: the label of the positive class; every other label is "
                 "negative (default: the label of the first data row)",
                 [](CliOptions& o, const std::string& v) { o.positive = v; }},
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
    for (const std::span<const RunnerOption> options :
         {std::span<const RunnerOption>(data_options),
          std::span<const RunnerOption>(runner_options)}) {
        for (const RunnerOption& option : options) {
            if (option.name == name) {
                return Found{nullptr, &option};
            }
        }
    }
    return std::nullopt;
}

constexpr std::size_t help_indent = 30;
constexpr std::size_t help_width = 79;

// One option's entry: the option on the left, its words wrapped into the
// column beside it.
std::string help_entry(std::string_view name, std::string_view value, std::string_view help,
                       const std::optional<std::string>& shown_default) {
    std::string line = "  --" + std::string(name);
    if (!value.empty()) {
        line += " " + std::string(value);
    }
    std::vector<std::string> words;
    while (!help.empty()) {
        const auto blank = help.find(' ');
        words.emplace_back(help.substr(0, blank));
        help.remove_prefix(blank == std::string_view::npos ? help.size() : blank + 1);
    }
    // The default stays on one line.
    if (shown_default) {
        words.push_back("(default: " + *shown_default + ")");
    }
    std::string entry;
    if (line.size() + 2 > help_indent) {
        entry += line + "\n";
        line.clear();
    }
    line.resize(help_indent, ' ');
    bool line_has_words = false;
    for (const auto& word : words) {
        if (line_has_words && line.size() + 1 + word.size() > help_width) {
            entry += line + "\n";
            line.assign(help_indent, ' ');
            line_has_words = false;
        }
        line += line_has_words ? " " : "";
        line += word;
        line_has_words = true;
    }
    return entry + line + "\n";
}

std::optional<std::string> shown_default(const Parameter& row) {
    if (!row.option_shows_default) {
        return std::nullopt;
    }
    std::string text(row.default_text);
    if (row.option_form == OptionForm::pair_low) {
        text += ":" + std::string(parameter(*row.partner).default_text);
    }
    return text;
}

std::string group_heading(std::string_view group) {
    return "\n" + std::string(group) + ":\n";
}

}  // namespace

CliOptions parse_cli(std::span<const std::string> args) {
    CliOptions options;
    bool training_seen = false;
    bool options_ended = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options_ended || arg.size() < 2 || !arg.starts_with("-")) {
            if (training_seen) {
                throw UsageError("one training file only (\"" + options.training_file +
                                 "\" and \"" + arg + "\")");
            }
            options.training_file = arg;
            training_seen = true;
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
        if (found->parameter != nullptr) {
            apply_parameter(*found->parameter, options, value);
        } else {
            found->runner->apply(options, value);
        }
    }
    if (!training_seen && !options.help) {
        throw UsageError("no training file given");
    }
    if ((options.columns || options.positive) && !options.help &&
        !is_csv_name(options.training_file) &&
        !(options.validation_file && is_csv_name(*options.validation_file))) {
        throw UsageError(std::string(options.columns ? "--columns" : "--positive") +
                         " applies to .csv files only (a training or validation file whose "
                         "name ends in .csv)");
    }
    return options;
}

std::string help_text() {
    std::string text =
        "Usage: vorn-run TRAINING_FILE [OPTION]...\n"
        "\n"
        "Evolves a program that tells apart the two classes of points in TRAINING_FILE\n"
        "(one row per line: x1 y1 of a positive point, x2 y2 of a negative point; or a\n"
        "labelled .csv file, see --columns), starting from the workbench's defaults.\n"
        "Prints one line per generation, then the best program as OUTPUT=formula and\n"
        "the seed used. Numbers take \".\" as the decimal point.\n";
    std::string_view group;
    const auto end_group = [&] {
        if (group == "Data") {
            for (const RunnerOption& option : data_options) {
                text += help_entry(option.name, option.value, option.help, std::nullopt);
            }
        }
    };
    for (const Parameter& row : parameter_table()) {
        if (row.option_form == OptionForm::none) {
            continue;
        }
        if (row.option_group != group) {
            end_group();
            group = row.option_group;
            text += group_heading(group);
        }
        text += help_entry(row.option, row.option_value,
                           row.option_help.empty() ? row.description : row.option_help,
                           shown_default(row));
    }
    end_group();
    text += group_heading("Run");
    for (const RunnerOption& option : runner_options) {
        text += help_entry(option.name, option.value, option.help, std::nullopt);
    }
    text +=
        "\n"
        "Long options also take their value as --option=VALUE. On a terminal a progress\n"
        "bar is shown on stderr. Stdout holds only the table and the result, the same\n"
        "for the same data, options and seed.\n"
        "\n"
        "A TRAINING_FILE or --validation FILE whose name ends in .csv is read as a table\n"
        "with a label column: row i of the data pairs the i-th positive with the i-th\n"
        "negative point, the smaller class cycled; a line on stderr gives the counts.\n"
        "\n"
        "With --csv the rows go to FILE.partial as they come; only a run that completes\n"
        "renames it to FILE. SIGINT, SIGTERM or SIGHUP ends the run after its current\n"
        "generation and prints the best program so far; a second one ends it at once.\n"
        "\n"
        "Exit status: 0 done, 1 data or settings refused or an output not written\n"
        "(message on stderr), 2 bad usage, 128 + the signal's number when a signal\n"
        "stopped the run (130 SIGINT, 143 SIGTERM, 129 SIGHUP), 141 when stdout was\n"
        "closed.\n";
    return text;
}

}  // namespace vorn
