#pragma once
// The runner's command line. Every panel parameter is an option named after
// its caption; values stay text and go into the same records the window fills,
// so the core converts and checks them exactly as it does for the window.
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>

#include "engine/evaluation.h"
#include "engine/tgp_pop.h"
#include "problem/problem_setting.h"

namespace vorn {

enum ExitCode : int { exit_done = 0, exit_refused = 1, exit_usage = 2 };

// A command line that cannot be understood (exit 2), as opposed to a value
// the core refuses (exit 1).
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CliOptions {
    std::string training_file;
    std::optional<std::string> validation_file;
    // The grid spans stay empty here; the runner points them at the cell
    // texts of the files it reads.
    ProblemTexts problem;
    PopulationTexts population;
    std::string output_name = "z";  // Edit18
    std::optional<std::uint32_t> seed;
    EvaluatorKind evaluator = EvaluatorKind::batch;
    unsigned threads = 0;  // 0 = every core
    std::optional<std::string> csv_file;
    bool quiet = false;
    bool help = false;
};

// `args` holds the arguments without the program name. Throws UsageError.
[[nodiscard]] CliOptions parse_cli(std::span<const std::string> args);

// The --help text, defaults included.
[[nodiscard]] std::string help_text();

// "+,-,*,/" for the four arithmetic functions.
[[nodiscard]] std::string function_list_text(const ProblemTexts& texts);

}  // namespace vorn
