// The runner's options about data files: the columns and the positive label
// of a labelled CSV file.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "cli/runner_options.h"
#include "problem/csv_pairing.h"
#include "problem/csv_table.h"

namespace vorn {

namespace {

// The spelling is checked here, the names and numbers against the file once
// it is read.
void apply_columns(CliOptions& options, const std::string& value) {
    if (!split_csv_columns(value) && !split_csv_columns(value + ",label")) {
        throw UsageError(
            "--columns takes comma-separated columns X,Y,LABEL (X,Y for --predict), each a "
            "header name or a 1-based number (it is \"" +
            value + "\")");
    }
    options.columns = value;
}

// The runner's options about the data files, listed after --validation.
constexpr std::array data_option_rows = {
    RunnerOption{"training", "FILE",
                 "the training file, instead of TRAINING_FILE; with --rerun, instead of the "
                 "record's",
                 [](CliOptions& o, const std::string& v) {
                     if (o.training_given) {
                         throw UsageError("--training may be given once");
                     }
                     o.training_file = v;
                     o.training_given = true;
                 },
                 OptionUse::any},
    RunnerOption{"columns", "X,Y,LABEL",
                 "for .csv files: the x, y and label columns, each a header name or a 1-based "
                 "number (default: the first two numeric columns and the last column)",
                 apply_columns, OptionUse::any},
    RunnerOption{"positive", "VALUE",
                 "for .csv files: the label of the positive class; every other label is "
                 "negative (default: the label of the first data row)",
                 [](CliOptions& o, const std::string& v) { o.positive = v; }, OptionUse::any},
};

}  // namespace

// --columns and --positive need a .csv file to apply to, and --columns names
// two columns for --predict, three otherwise.
void check_csv_options(const CliOptions& options) {
    if (!options.columns && !options.positive) {
        return;
    }
    std::vector<std::string> files = options.score_files;
    files.push_back(options.training_file);
    files.push_back(options.points_file);
    if (options.validation_file) {
        files.push_back(*options.validation_file);
    }
    if (std::none_of(files.begin(), files.end(),
                     [](const std::string& file) { return is_csv_name(file); })) {
        throw UsageError(std::string(options.columns ? "--columns" : "--positive") +
                         " applies to .csv files only (a data or points file whose name ends "
                         "in .csv)");
    }
    const bool predicting = options.mode == CliMode::predict;
    if (options.columns && predicting != !split_csv_columns(*options.columns)) {
        throw UsageError(predicting ? "--predict takes --columns X,Y"
                                    : "--columns takes three columns X,Y,LABEL");
    }
    if (predicting && options.positive) {
        throw UsageError("--predict takes no --positive");
    }
}

std::span<const RunnerOption> data_options() {
    return data_option_rows;
}

}  // namespace vorn
