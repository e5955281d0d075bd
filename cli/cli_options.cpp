#include "cli/cli_options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <string_view>
#include <system_error>
#include <vector>

namespace vorn {

namespace {

constexpr std::array<std::string_view, 3> selection_names = {"proportional", "tournament",
                                                             "random"};

struct OptionEntry {
    std::string_view group;       // heading in --help
    std::string_view name;        // without the leading "--"
    std::string_view value = {};  // placeholder; empty for a switch
    std::string_view help;
    std::string PopulationTexts::*population_field = nullptr;
    std::string ProblemTexts::*problem_field = nullptr;
    void (*apply)(CliOptions& options, const std::string& value) = nullptr;
    std::string (*default_text)(const CliOptions& defaults) = nullptr;
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

void apply_functions(CliOptions& options, const std::string& value) {
    std::array<bool, num_primitives> checked{};
    std::string_view rest = value;
    while (true) {
        const auto comma = rest.find(',');
        const std::string_view name = trim_blanks(rest.substr(0, comma));
        if (name.empty()) {
            throw UsageError("--functions needs a comma-separated list of at least one of: " +
                             name_list());
        }
        const auto* found = std::find(primitive_names.begin(), primitive_names.end(), name);
        if (found == primitive_names.end()) {
            throw UsageError("unknown function \"" + std::string(name) +
                             "\" in --functions; the functions are: " + name_list());
        }
        checked[static_cast<std::size_t>(found - primitive_names.begin())] = true;
        if (comma == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(comma + 1);
    }
    options.problem.checked = checked;
}

void apply_selection(CliOptions& options, const std::string& value) {
    const auto* found = std::find(selection_names.begin(), selection_names.end(), value);
    if (found == selection_names.end()) {
        throw UsageError("--selection must be proportional, tournament or random (it is \"" +
                         value + "\")");
    }
    options.population.selection_method = static_cast<int>(found - selection_names.begin());
}

// Both ends stay text: the core names the "Range" field when one is not a
// number.
void apply_constant_range(CliOptions& options, const std::string& value) {
    const auto colon = value.find(':');
    if (colon == std::string::npos) {
        throw UsageError("--constant-range takes MIN:MAX (it is \"" + value + "\")");
    }
    const std::string low = value.substr(0, colon);
    const std::string high = value.substr(colon + 1);
    options.problem.constant_min = low;
    options.problem.constant_max = high;
    options.population.constant_min = low;
    options.population.constant_max = high;
}

void apply_num_constants(CliOptions& options, const std::string& value) {
    options.problem.num_constants = value;
    options.population.num_constants = value;
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

// An option either sets one text field of a record or has its own apply.
constexpr std::array option_table = {
    OptionEntry{.group = "Data",
                .name = "validation",
                .value = "FILE",
                .help = "validate on FILE instead of the training data",
                .apply = [](CliOptions& o, const std::string& v) { o.validation_file = v; }},
    OptionEntry{.group = "Population",
                .name = "population-size",
                .value = "N",
                .help = "individuals per generation",
                .population_field = &PopulationTexts::population_size},
    OptionEntry{.group = "Population",
                .name = "generations",
                .value = "N",
                .help = "generations of the run",
                .population_field = &PopulationTexts::num_generations},
    OptionEntry{.group = "Population",
                .name = "selection",
                .value = "METHOD",
                .help = "proportional, tournament or random",
                .apply = apply_selection,
                .default_text =
                    [](const CliOptions& d) {
                        return std::string(selection_names[d.population.selection_method]);
                    }},
    OptionEntry{.group = "Population",
                .name = "tournament-size",
                .value = "N",
                .help = "draws per tournament, with tournament selection only",
                .population_field = &PopulationTexts::tournament_size},
    OptionEntry{.group = "Population",
                .name = "elite",
                .value = "PERCENT",
                .help = "share of each generation kept unchanged",
                .apply =
                    [](CliOptions& o, const std::string& v) {
                        o.population.elite_strategy = true;
                        o.population.elite_percent = v;
                    },
                .default_text = [](const CliOptions& d) { return d.population.elite_percent; }},
    OptionEntry{
        .group = "Population",
        .name = "no-elite",
        .help = "no elite strategy",
        .apply = [](CliOptions& o, const std::string&) { o.population.elite_strategy = false; }},
    OptionEntry{.group = "Population",
                .name = "crossover",
                .value = "RATE",
                .help = "crossover rate",
                .population_field = &PopulationTexts::crossover_rate},
    OptionEntry{.group = "Population",
                .name = "mutation",
                .value = "RATE",
                .help = "mutation rate",
                .population_field = &PopulationTexts::mutation_rate},
    OptionEntry{.group = "Population",
                .name = "one-point-mutation",
                .value = "RATE",
                .help = "one-point mutation rate; reproduction takes what the three rates "
                        "leave of 1",
                .population_field = &PopulationTexts::one_point_mutation_rate},
    OptionEntry{.group = "Population",
                .name = "function-ratio",
                .value = "RATIO",
                .help = "initial share of function nodes",
                .population_field = &PopulationTexts::function_ratio},
    OptionEntry{.group = "Population",
                .name = "variable-ratio",
                .value = "RATIO",
                .help = "initial share of variable nodes; constants take what is left of 1",
                .population_field = &PopulationTexts::variable_ratio},
    OptionEntry{.group = "Population",
                .name = "max-length",
                .value = "N",
                .help = "maximum gene length in nodes",
                .population_field = &PopulationTexts::max_length},
    OptionEntry{.group = "Population",
                .name = "max-initial-depth",
                .value = "N",
                .help = "depth limit of the first programs",
                .population_field = &PopulationTexts::max_initial_depth},
    OptionEntry{.group = "Problem",
                .name = "functions",
                .value = "LIST",
                .help = "functions a program may use, comma-separated, from "
                        "+ - * / sin cos tan ln log10 IFLTE",
                .apply = apply_functions,
                .default_text = [](const CliOptions& d) { return function_list_text(d.problem); }},
    OptionEntry{.group = "Problem",
                .name = "constant-range",
                .value = "MIN:MAX",
                .help = "range of the constants",
                .apply = apply_constant_range,
                .default_text =
                    [](const CliOptions& d) {
                        return d.problem.constant_min + ":" + d.problem.constant_max;
                    }},
    OptionEntry{.group = "Problem",
                .name = "num-constants",
                .value = "N",
                .help = "number of constants",
                .apply = apply_num_constants,
                .default_text = [](const CliOptions& d) { return d.problem.num_constants; }},
    OptionEntry{.group = "Problem",
                .name = "input1",
                .value = "NAME",
                .help = "name of the first input",
                .problem_field = &ProblemTexts::input1_name},
    OptionEntry{.group = "Problem",
                .name = "input2",
                .value = "NAME",
                .help = "name of the second input",
                .problem_field = &ProblemTexts::input2_name},
    OptionEntry{.group = "Problem",
                .name = "output",
                .value = "NAME",
                .help = "name written before the best formula",
                .apply = [](CliOptions& o, const std::string& v) { o.output_name = v; },
                .default_text = [](const CliOptions& d) { return d.output_name; }},
    OptionEntry{.group = "Run",
                .name = "seed",
                .value = "N",
                .help = "seed of the random generator (default: the clock in whole seconds)",
                .apply = apply_seed},
    OptionEntry{.group = "Run",
                .name = "evaluator",
                .value = "KIND",
                .help = "batch (fast, the default) or reference (the plain interpreter); both "
                        "give the same results",
                .apply = apply_evaluator},
    OptionEntry{.group = "Run",
                .name = "threads",
                .value = "N",
                .help = "threads that score programs with the batch evaluator (default: 0, "
                        "every core); the results do not depend on it",
                .apply = apply_threads},
    OptionEntry{.group = "Run",
                .name = "csv",
                .value = "FILE",
                .help = "also write the generation table to FILE as CSV",
                .apply = [](CliOptions& o, const std::string& v) { o.csv_file = v; }},
    OptionEntry{.group = "Run",
                .name = "quiet",
                .help = "no table and no progress bar: only the best formula and the seed",
                .apply = [](CliOptions& o, const std::string&) { o.quiet = true; }},
    OptionEntry{.group = "Run",
                .name = "help",
                .help = "show this text and exit",
                .apply = [](CliOptions& o, const std::string&) { o.help = true; }},
};

const OptionEntry* find_option(std::string_view name) {
    for (const auto& entry : option_table) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

void apply(const OptionEntry& entry, CliOptions& options, const std::string& value) {
    if (entry.population_field != nullptr) {
        options.population.*entry.population_field = value;
    } else if (entry.problem_field != nullptr) {
        options.problem.*entry.problem_field = value;
    } else {
        entry.apply(options, value);
    }
}

std::optional<std::string> default_text(const OptionEntry& entry, const CliOptions& defaults) {
    if (entry.population_field != nullptr) {
        return defaults.population.*entry.population_field;
    }
    if (entry.problem_field != nullptr) {
        return defaults.problem.*entry.problem_field;
    }
    if (entry.default_text != nullptr) {
        return entry.default_text(defaults);
    }
    return std::nullopt;
}

constexpr std::size_t help_indent = 30;
constexpr std::size_t help_width = 79;

// One option's entry: the option on the left, its words wrapped into the
// column beside it.
std::string help_entry(const std::string& left, const std::vector<std::string>& words) {
    std::string entry;
    std::string line = left;
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

}  // namespace

std::string function_list_text(const ProblemTexts& texts) {
    std::string list;
    for (int i = 0; i < num_primitives; ++i) {
        if (texts.checked[i]) {
            list += list.empty() ? "" : ",";
            list += primitive_names[i];
        }
    }
    return list;
}

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
        const OptionEntry* entry = find_option(name);
        if (entry == nullptr) {
            throw UsageError("unknown option --" + name);
        }
        std::string value;
        if (entry->value.empty()) {
            if (equals != std::string::npos) {
                throw UsageError("--" + name + " takes no value");
            }
        } else if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            throw UsageError("--" + name + " needs a value (" + std::string(entry->value) + ")");
        }
        apply(*entry, options, value);
    }
    if (!training_seen && !options.help) {
        throw UsageError("no training file given");
    }
    return options;
}

std::string help_text() {
    const CliOptions defaults;
    std::string text =
        "Usage: vorn-run TRAINING_FILE [OPTION]...\n"
        "\n"
        "Evolves a program that tells apart the two classes of points in TRAINING_FILE\n"
        "(one row per line: x1 y1 of a positive point, x2 y2 of a negative point),\n"
        "starting from the workbench's defaults. Prints one line per generation, then\n"
        "the best program as OUTPUT=formula and the seed used. Numbers take \".\" as the\n"
        "decimal point.\n";
    std::string_view group;
    for (const auto& entry : option_table) {
        if (entry.group != group) {
            group = entry.group;
            text += "\n";
            text += group;
            text += ":\n";
        }
        std::string left = "  --" + std::string(entry.name);
        if (!entry.value.empty()) {
            left += " " + std::string(entry.value);
        }
        std::vector<std::string> words;
        std::string_view rest = entry.help;
        while (!rest.empty()) {
            const auto blank = rest.find(' ');
            words.emplace_back(rest.substr(0, blank));
            rest.remove_prefix(blank == std::string_view::npos ? rest.size() : blank + 1);
        }
        // The default stays on one line.
        if (const auto shown = default_text(entry, defaults)) {
            words.push_back("(default: " + *shown + ")");
        }
        text += help_entry(left, words);
    }
    text +=
        "\n"
        "Long options also take their value as --option=VALUE. On a terminal a progress\n"
        "bar is shown on stderr. Stdout holds only the table and the result, the same\n"
        "for the same data, options and seed.\n"
        "\n"
        "Exit status: 0 done, 1 data or settings refused (message on stderr),\n"
        "2 bad usage.\n";
    return text;
}

}  // namespace vorn
