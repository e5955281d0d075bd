// The modes that use a saved program instead of a run, and their options.
#include <array>
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
    } else {
        throw UsageError("--export takes c, python or formula (it is \"" + value + "\")");
    }
    options.mode = CliMode::export_program;
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
                 "python or formula)",
                 apply_export, OptionUse::mode, "c python formula"},
    RunnerOption{"score-format", "FORMAT",
                 "with --score: line (the default), csv (a header, then a row per file) or json "
                 "(one object per file and line)",
                 apply_score_format, OptionUse::any, "line csv json"},
};

}  // namespace

std::span<const RunnerOption> mode_options() {
    return mode_option_rows;
}

}  // namespace vorn
