#pragma once
// The whole runner behind main(): options, data, Start's checks, the run and
// its output, with the exit code as result.
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "engine/start_checks.h"
#include "engine/tgp_pop.h"
#include "problem/data_file.h"
#include "problem/problem_setting.h"

namespace vorn {

// The grids as the window's loaders fill them: the cell texts of the files.
struct CliData {
    std::vector<CellRow> training;
    std::vector<CellRow> validation;
};

// Reads the training file and the validation file, if any; throws
// DataFileError.
[[nodiscard]] CliData load_data(const CliOptions& options);

// What Start reads: both records with their grids and remainder labels, and
// the state its checks look at. The problem texts point into `data`.
struct StartTexts {
    ProblemTexts problem;
    PopulationTexts population;
    StartState start;
};
[[nodiscard]] StartTexts start_texts(const CliOptions& options, const CliData& data);

// The panel's refusal of a constant range whose lower end is not below the
// upper one; nothing when the range is fine or an end is not a number (the
// problem setting names that field).
[[nodiscard]] std::optional<std::string> constant_range_refusal(const ProblemTexts& texts);

// `args` without the program name. `err_is_terminal` turns the progress bar on.
[[nodiscard]] int run_cli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
                          bool err_is_terminal = false);

}  // namespace vorn
