#pragma once
// Run records, many runs at once, and repeating or summarizing recorded runs.
#include <cstdint>
#include <ostream>
#include <span>
#include <string>

#include "cli/cli_options.h"
#include "cli/console_front_end.h"
#include "cli/run_cli.h"
#include "engine/prepare_run.h"
#include "engine/run_record.h"

namespace vorn {

// The record of a run of the runner, its data read from files.
[[nodiscard]] RunRecord runner_record(const CliData& data, const PreparedRun& run,
                                      const ConsoleFrontEnd& front_end, std::uint32_t seed,
                                      double wall_seconds, unsigned threads);

// The lines --runs and --summarize print: a header, one line per run, and
// the median, minimum and maximum of each column but the seed.
[[nodiscard]] std::string summary_header();
[[nodiscard]] std::string summary_line(const RunSummary& run);
[[nodiscard]] std::string spread_lines(std::span<const RunSummary> runs);

// --runs N: the runs of seeds S to S+N-1, one per usable CPU.
[[nodiscard]] int many_runs(const CliOptions& options, std::ostream& out, std::ostream& err,
                            const CliEnvironment& environment);
// --rerun RECORD: exit 0 when the run comes out as recorded.
[[nodiscard]] int rerun_mode(const CliOptions& options, std::ostream& out, std::ostream& err,
                             const CliEnvironment& environment);
// --summarize RECORD...: refuses records of different experiments.
// Each seed counts once; stopped runs are marked and left out of the spread,
// with a note on `err` of how many.
[[nodiscard]] int summarize_mode(const CliOptions& options, std::ostream& out, std::ostream& err);

}  // namespace vorn
