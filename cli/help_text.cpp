// The --help text: the parameters from their table, then the runner's own
// options and the modes.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_options.h"
#include "cli/runner_options.h"

namespace vorn {

namespace {

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

std::string help_text() {
    std::string text =
        "Usage: vorn-run TRAINING_FILE [OPTION]...\n"
        "  or:  vorn-run --score PROGRAM DATA_FILE...\n"
        "  or:  vorn-run --predict PROGRAM POINTS_FILE\n"
        "  or:  vorn-run --export c|python|formula|latex|sympy [--simplified] PROGRAM\n"
        "  or:  vorn-run --simplify PROGRAM [-o FILE]\n"
        "\n"
        "Evolves a program that tells apart the two classes of points in TRAINING_FILE\n"
        "(one row per line: x1 y1 of a positive point, x2 y2 of a negative point; or a\n"
        "labelled .csv file, see --columns), starting from the workbench's defaults.\n"
        "Prints one line per generation, then the best program as OUTPUT=formula, the\n"
        "seed used, and the generation's best with the lowest validation count (the\n"
        "earliest of equals) as best validation OUTPUT=formula. Numbers take \".\" as\n"
        "the decimal point.\n";
    std::string_view group;
    // The options about data files close the data group.
    const auto end_group = [&] {
        if (group == "Data") {
            for (const RunnerOption& option : data_options()) {
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
    for (const RunnerOption& option : runner_options()) {
        text += help_entry(option.name, option.value, option.help, std::nullopt);
    }
    text += group_heading("Experiments");
    for (const RunnerOption& option : experiment_options()) {
        text += help_entry(option.name, option.value, option.help, std::nullopt);
    }
    text += group_heading("Using a saved program (instead of a run)");
    for (const RunnerOption& option : mode_options()) {
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
        "With --csv the rows go to a file of the run's own, FILE.partial-PID-XXXXXX, as\n"
        "they come; only a run that completes renames it to FILE, and a stopped run\n"
        "names it. SIGINT, SIGTERM or SIGHUP ends the run after its current generation\n"
        "and prints the best program so far; a second one ends it at once. They end\n"
        "--score before its next file and --predict at its next read of points.\n"
        "With --save-program the program printed as OUTPUT= is written to FILE too, or\n"
        "with --save-which best-validation the one printed as best validation OUTPUT=.\n"
        "\n"
        "A program is positive at a point when its value there is greater than 0. The\n"
        "modes take no run option. A program file or a POINTS_FILE line that cannot be\n"
        "read ends the mode with its message; --score reports a refused DATA_FILE and\n"
        "goes on with the others.\n"
        "\n"
        "Exit status: 0 done, 1 data or settings refused or an output not written\n"
        "(message on stderr), 2 bad usage, 128 + the signal's number when a signal\n"
        "stopped the run (130 SIGINT, 143 SIGTERM, 129 SIGHUP), 141 when stdout was\n"
        "closed.\n";
    return text;
}

}  // namespace vorn
