#pragma once
// The runner's command line. Every panel parameter with a runner spelling in
// the parameter table is an option; values stay text and go into the same
// texts the window's pages hand over, so the core converts and checks them
// exactly as it does for the window.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/evaluation.h"
#include "engine/parameters.h"
#include "engine/settings_file.h"
#include "program/program_export.h"
#include "program/readable.h"

namespace vorn {

// A run stopped by a signal exits with exit_signal_base + the signal's number
// (130 SIGINT, 143 SIGTERM, 129 SIGHUP); a closed stdout ends it with 141, as
// SIGPIPE would.
enum ExitCode : int {
    exit_done = 0,
    exit_refused = 1,
    exit_usage = 2,
    exit_signal_base = 128,
    exit_broken_pipe = 141,
};

// A command line that cannot be understood (exit 2), as opposed to a value
// the core refuses (exit 1).
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the command does: a run, or one of the modes that use a saved program.
enum class CliMode { run, score, predict, export_program, simplify, rerun, summarize };

// How --score prints its figures.
enum class ScoreFormat { line, csv, json };

// Which of a run's programs --save-program writes.
enum class SaveWhich { last, best_validation };

struct CliOptions {
    CliMode mode = CliMode::run;
    std::string training_file;
    std::optional<std::string> validation_file;
    // For .csv files, training and validation alike: --columns X,Y,LABEL and
    // --positive VALUE, as given.
    std::optional<std::string> columns;
    std::optional<std::string> positive;
    ParameterTexts texts;  // every panel text, starting from the defaults
    // --input1 or --input2 given, or named by the settings file: a CSV
    // file's header names then do not name the inputs.
    bool input_names_given = false;
    std::optional<std::uint32_t> seed;
    EvaluatorKind evaluator = EvaluatorKind::batch;
    unsigned threads = 0;  // 0 = every core
    std::optional<std::string> csv_file;
    bool quiet = false;
    bool help = false;
    bool version = false;
    std::optional<std::string> save_program;   // the run's best program goes there
    std::optional<std::string> save_front;     // a folder for the run's Pareto front
    std::optional<std::string> search_preset;  // --search: written or modern
    // The parameters an option of the command line set, which a preset
    // leaves as they are.
    std::array<bool, num_parameters> parameter_given{};
    std::optional<std::string> settings_file;   // read before the options apply
    std::optional<std::string> write_settings;  // the effective settings go there
    std::optional<SaveWhich> save_which;        // unset: the last generation's best
    bool training_given = false;                // --training rather than an operand
    std::optional<std::string> record_file;     // --record: the run's record goes there
    std::optional<std::uint32_t> runs;          // --runs N
    std::optional<std::string> record_dir;      // --record-dir: one record per run
    std::string rerun_file;                     // --rerun: the record to repeat
    std::vector<std::string> record_files;      // --summarize: the records
    std::string program_file;                   // the program a mode reads
    std::vector<std::string> score_files;       // --score: the data files
    std::string points_file;                    // --predict: "-" is standard input
    ExportLanguage export_language = ExportLanguage::formula;
    std::optional<FormulaStyle> export_style;  // --export latex or sympy
    std::optional<int> digits;                 // --digits: of the constants of those
    bool export_simplified = false;            // --simplified
    std::optional<std::string> output_file;    // --output-file (-o): what --simplify writes
    ScoreFormat score_format = ScoreFormat::line;
    bool score_format_given = false;
};

// `args` holds the arguments without the program name. Throws UsageError.
// With `base` (a settings file's), its texts, data files and seed come first
// and every option given overrides them, wherever it stands.
[[nodiscard]] CliOptions parse_cli(std::span<const std::string> args,
                                   const Settings* base = nullptr);

// The --help text, defaults included.
[[nodiscard]] std::string help_text();

}  // namespace vorn
