// The modes that use a saved program instead of a run, and their options.
#include <array>
#include <charconv>
#include <string>

#include "cli/runner_options.h"

namespace vorn {

namespace {

void apply_score_format(CliOptions& options, const std::string& value) {
    if (value == "line") {
        options.score_format = ScoreFormat::line;
    } else if (value == "csv") {
        options.score_format = ScoreFormat::csv;
    } else if (value == "json") {
        options.score_format = ScoreFormat::json;
    } else {
        throw UsageError("--score-format takes line, csv or json (it is \"" + value + "\")");
    }
    options.score_format_given = true;
}

void apply_export(CliOptions& options, const std::string& value) {
    if (value == "c") {
        options.export_language = ExportLanguage::c;
    } else if (value == "python") {
        options.export_language = ExportLanguage::python;
    } else if (value == "formula") {
        options.export_language = ExportLanguage::formula;
    } else if (value == "latex") {
        options.export_style = FormulaStyle::latex;
    } else if (value == "sympy") {
        options.export_style = FormulaStyle::python;
    } else {
        throw UsageError("--export takes c, python, formula, latex or sympy (it is \"" + value +
                         "\")");
    }
    options.mode = CliMode::export_program;
}

void apply_digits(CliOptions& options, const std::string& value) {
    int digits = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), digits);
    // 17 digits tell every double apart.
    if (error != std::errc() || end != value.data() + value.size() || digits < 1 || digits > 17) {
        throw UsageError("--digits takes a whole number from 1 to 17 (it is \"" + value + "\")");
    }
    options.digits = digits;
}

// Each mode replaces the run; it takes no run option.
constexpr std::array mode_option_rows = {
    RunnerOption{"score", "PROGRAM",
                 "score the program file on each DATA_FILE that follows: one line per file with "
                 "its rows, the counts of each outcome, the misclassified points and their "
                 "fraction, by the rule fitness uses, then accuracy, balanced accuracy, "
                 "precision, recall, F1 and AUC",
                 [](CliOptions& o, const std::string& v) {
                     o.mode = CliMode::score;
                     o.program_file = v;
                 },
                 OptionUse::mode},
    RunnerOption{"predict", "PROGRAM",
                 "evaluate the program at the points of POINTS_FILE (x y on each line; - for "
                 "standard input) and print x y value class, class +1, 0 or -1",
                 [](CliOptions& o, const std::string& v) {
                     o.mode = CliMode::predict;
                     o.program_file = v;
                 },
                 OptionUse::mode},
    RunnerOption{"export", "LANGUAGE",
                 "print the program file that follows as C, Python or an exact formula (c, "
                 "python or formula), or as a readable formula in LaTeX or as a Python and "
                 "SymPy expression (latex or sympy)",
                 apply_export, OptionUse::mode, "c python formula latex sympy"},
    RunnerOption{
        "simplified", "", "with --export: export the program simplified as --simplify does",
        [](CliOptions& o, const std::string&) { o.export_simplified = true; }, OptionUse::any},
    RunnerOption{"digits", "N",
                 "with --export latex or sympy: round the constants to N significant digits "
                 "(default: the shortest exact form)",
                 apply_digits, OptionUse::any},
    RunnerOption{"simplify", "PROGRAM",
                 "write the program simplified by rewrites that keep the class at every point, "
                 "with its seed, settings and data files, marked as simplified, to "
                 "PROGRAM.simplified.json (PROGRAM's .json replaced) or the --output-file, "
                 "and print its size before and after",
                 [](CliOptions& o, const std::string& v) {
                     o.mode = CliMode::simplify;
                     o.program_file = v;
                 },
                 OptionUse::mode},
    RunnerOption{"output-file", "FILE",
                 "also -o FILE; with --simplify: the file to write (never over PROGRAM)",
                 [](CliOptions& o, const std::string& v) { o.output_file = v; }, OptionUse::any},
    RunnerOption{"score-format", "FORMAT",
                 "with --score: line (the default), csv (a header, then a row per file) or json "
                 "(one object per file and line)",
                 apply_score_format, OptionUse::any, "line csv json"},
};

}  // namespace

std::span<const RunnerOption> mode_options() {
    return mode_option_rows;
}

void check_mode_options(const CliOptions& options) {
    if (options.output_file && options.mode != CliMode::simplify) {
        throw UsageError("--output-file needs --simplify");
    }
    if (options.export_simplified && options.mode != CliMode::export_program) {
        throw UsageError("--simplified needs --export");
    }
    if (options.digits && !options.export_style) {
        throw UsageError("--digits needs --export latex or --export sympy");
    }
}

}  // namespace vorn
