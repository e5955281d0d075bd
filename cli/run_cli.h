#pragma once
// The whole runner behind main(): options, data, the road to a run, the run
// and its output, with the exit code as result.
#include <csignal>
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "engine/prepare_run.h"
#include "problem/csv_pairing.h"
#include "problem/data_file.h"

namespace vorn {

// The columns and positive label a CSV file was read with, as --columns
// (by header name where the file has a header) and --positive give them.
struct CsvUsed {
    std::string columns;
    std::string positive;
    // The header's names of the x and y columns; empty without a header.
    std::string x_name;
    std::string y_name;
};

// The grids as the window's loaders fill them: the files' values.
struct CliData {
    DataTable training;
    DataTable validation;
    // The choice of the first CSV file, training or else validation; the
    // other file is read with it, so both are read by the same columns and
    // label, and the run records it.
    std::optional<CsvUsed> csv;
    // "FILE: 120 positive, 37 negative → 120 rows, negatives cycled" for each
    // .csv file, for stderr.
    std::vector<std::string> pairings;
};

// Reads the training file and the validation file, if any, each a data file
// or, by its name, a labelled CSV file paired by --columns and --positive;
// throws DataFileError.
[[nodiscard]] CliData load_data(const CliOptions& options);
// One data file as a grid holds it: a .csv file paired by --columns and
// --positive, its counts line added to `pairings` and the choice it was read
// with to `used`. Throws DataFileError.
[[nodiscard]] DataTable load_data_file(const std::string& file, const CliOptions& options,
                                       std::vector<std::string>& pairings,
                                       std::optional<CsvUsed>* used = nullptr,
                                       std::optional<PairingCounts>* counts = nullptr);

// What the window's Start would hand over: the texts with the remainder
// labels as the window shows them, and the grids, which point into `data`.
[[nodiscard]] RunRequest run_request(const CliOptions& options, const CliData& data);

// The message of a refusal as the runner prints it: lack of memory for the
// run as a whole, whichever part could not fit.
[[nodiscard]] Message runner_refusal(const Refusal& refusal);

// What the runner learns from its process.
struct CliEnvironment {
    bool err_is_terminal = false;  // turns the progress bar on
    // The number of a signal that asks the run to stop, 0 while none; null:
    // nothing stops the run from outside.
    const volatile std::sig_atomic_t* stop_signal = nullptr;
    // Where --predict reads the points of "-".
    int input_fd = 0;
};

// `args` without the program name. Every write to `out` is checked: a failed
// one ends with a message and exit_refused, a closed pipe (an FdOutputStream
// that saw EPIPE) quietly with exit_broken_pipe.
[[nodiscard]] int run_cli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
                          const CliEnvironment& environment);
[[nodiscard]] int run_cli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
                          bool err_is_terminal = false);

}  // namespace vorn
