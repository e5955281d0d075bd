// The runner's options about run records and many runs.
#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <string>

#include "cli/runner_options.h"

namespace vorn {

namespace {

// More runs than this would take days of any machine; it keeps S+N-1 checks
// and per-run vectors small.
constexpr std::uint32_t max_runs = 1000000;

void apply_runs(CliOptions& options, const std::string& value) {
    std::uint32_t runs = 0;
    const char* end = value.data() + value.size();
    const auto [ptr, ec] = std::from_chars(value.data(), end, runs);
    if (value.empty() || ec != std::errc() || ptr != end || runs < 1 || runs > max_runs) {
        throw UsageError("--runs takes a whole number from 1 to " + std::to_string(max_runs) +
                         " (it is \"" + value + "\")");
    }
    options.runs = runs;
}

constexpr std::array experiment_option_rows = {
    RunnerOption{"record", "FILE",
                 "also write a run record to FILE (JSON): the settings, seed and data files with "
                 "their SHA-256, the generation table, both programs and what ran them",
                 [](CliOptions& o, const std::string& v) { o.record_file = v; }},
    RunnerOption{"runs", "N",
                 "run the seeds S to S+N-1 (S from --seed, or the clock), one run per usable "
                 "CPU, and print one line per run and the median, minimum and maximum",
                 apply_runs},
    RunnerOption{"record-dir", "DIR",
                 "with --runs: write the record of each finished run to DIR/seed-S.json",
                 [](CliOptions& o, const std::string& v) { o.record_dir = v; }},
    RunnerOption{"rerun", "RECORD",
                 "repeat the run of a record and check that the data and the table come out "
                 "identical (--training and --validation override its data files)",
                 [](CliOptions& o, const std::string& v) {
                     o.mode = CliMode::rerun;
                     o.rerun_file = v;
                 },
                 OptionUse::mode},
    RunnerOption{"summarize",
                 {},
                 "print the --runs summary of the RECORD files that follow, runs of one "
                 "experiment made anywhere",
                 [](CliOptions& o, const std::string&) { o.mode = CliMode::summarize; },
                 OptionUse::mode},
};

// What a rerun may change: where the data is, and how it is scored.
constexpr std::array<std::string_view, 5> rerun_options = {"validation", "threads", "evaluator",
                                                           "quiet", "training"};

}  // namespace

std::span<const RunnerOption> experiment_options() {
    return experiment_option_rows;
}

void check_experiment_options(const CliOptions& options, std::span<const std::string> given) {
    if (options.mode == CliMode::rerun) {
        for (const std::string& name : given) {
            if (std::find(rerun_options.begin(), rerun_options.end(), name) ==
                rerun_options.end()) {
                throw UsageError(
                    "--rerun takes only --training, --validation, --threads, "
                    "--evaluator and --quiet (not --" +
                    name + ")");
            }
        }
        return;
    }
    if (options.record_dir && !options.runs) {
        throw UsageError("--record-dir needs --runs");
    }
    if (!options.runs) {
        return;
    }
    for (const auto& [given_option, name] :
         {std::pair{options.csv_file.has_value(), "--csv"},
          std::pair{options.save_program.has_value(), "--save-program"},
          std::pair{options.save_front.has_value(), "--save-front"},
          std::pair{options.record_file.has_value(), "--record (use --record-dir)"}}) {
        if (given_option) {
            throw UsageError(std::string("--runs cannot be combined with ") + name);
        }
    }
    if (options.seed &&
        *options.seed > std::numeric_limits<std::uint32_t>::max() - (*options.runs - 1)) {
        throw UsageError("--runs " + std::to_string(*options.runs) + " from seed " +
                         std::to_string(*options.seed) + " goes beyond seed 4294967295");
    }
}

}  // namespace vorn
