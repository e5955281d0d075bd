#pragma once
// The runner's own options, apart from the parameters: what the parser
// applies and what --help lists.
#include <span>
#include <string>
#include <string_view>

#include "cli/cli_options.h"

namespace vorn {

// What an option belongs to: a run's options and a mode do not mix.
enum class OptionUse { run, mode, any };

struct RunnerOption {
    std::string_view name;        // without the leading "--"
    std::string_view value = {};  // placeholder; empty for a switch
    std::string_view help;
    void (*apply)(CliOptions& options, const std::string& value);
    OptionUse use = OptionUse::run;
    // The words the value may be, blank-separated; empty when it is free.
    std::string_view choices = {};
};

// About the data files; listed in --help with the data parameters.
[[nodiscard]] std::span<const RunnerOption> data_options();
// --columns and --positive need a .csv file to apply to, and --columns names
// two columns for --predict, three otherwise; throws UsageError.
void check_csv_options(const CliOptions& options);
// Listed in --help after the parameters.
[[nodiscard]] std::span<const RunnerOption> runner_options();
// The modes that use a saved program instead of a run.
[[nodiscard]] std::span<const RunnerOption> mode_options();
// --output-file needs --simplify, --simplified needs --export, --digits
// needs --export latex or sympy; throws UsageError.
void check_mode_options(const CliOptions& options);
// Run records and many runs: --record, --runs, --record-dir, and the modes
// --rerun and --summarize.
[[nodiscard]] std::span<const RunnerOption> experiment_options();
// What --runs, --record-dir and --rerun need of the other options; throws
// UsageError. `given` holds the options of a run given, without "--".
void check_experiment_options(const CliOptions& options, std::span<const std::string> given);

}  // namespace vorn
