#pragma once
// Run records: what a run started from (settings, seed, data and the SHA-256
// of its files and cell texts), what it gave generation by generation, its
// two programs, and what ran it. Written as one JSON file; read back to
// repeat the run and check it, or to summarize many runs.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/parameters.h"
#include "engine/run_gp.h"
#include "engine/run_plan.h"
#include "problem/errors.h"
#include "problem/problem_setting.h"
#include "program/program_file.h"

namespace vorn {

inline constexpr std::string_view record_format = "vorn-run-record";
inline constexpr std::int64_t record_version = 1;

// The best program on validation, with where the run found it.
struct RecordedBest {
    std::int32_t generation = 0;  // from 1
    double validation_count = 0;
    double training_fitness = 0;
    Program program;
};

// A program of the run's Pareto front of training fitness and size.
struct FrontMember {
    double training_fitness = 0;
    std::int32_t nodes = 0;
    Program program;
};

struct RunRecord {
    std::string program_version;  // version_text() of the build that ran it
    RunPlan plan;                 // its seed always set: the one the run used
    // The data files the run read, as the plan names them, with their hashes.
    std::vector<RecordedFile> data;
    std::string cells_sha256;                // cells_sha256() of the grids the run read
    bool grid_edited = false;                // a cell was typed in rather than loaded
    std::int32_t num_generations = 0;        // planned
    std::vector<GenerationRow> generations;  // done, in order
    std::optional<Program> last_program;     // the last generation's best
    std::optional<RecordedBest> best_validation;
    std::vector<FrontMember> front;  // shortest first; empty without the size objective
    double wall_seconds = 0;
    unsigned threads = 0;
    std::string compiler;
    std::string libc;
};

// What a run gave, as its front end collected it.
struct RunResult {
    std::uint32_t seed = 0;            // the seed it ran with
    std::int32_t num_generations = 0;  // planned
    std::vector<GenerationRow> generations;
    std::optional<Program> last_program;
    std::optional<RecordedBest> best_validation;
    std::vector<FrontMember> front;
    std::string cells_sha256;  // cells_sha256() of the grids the run read
    bool grid_edited = false;
    double wall_seconds = 0;
    unsigned threads = 0;
};

// The record of a run of `plan`: its data files made absolute and hashed
// now, its programs with the run's provenance, and the build and platform
// that ran it.
[[nodiscard]] RunRecord run_record_of(const RunPlan& plan, RunResult result);

// SHA-256 over the text of every cell the run reads, the training grid's
// rows and then the validation grid's: what the run saw, whatever the files.
[[nodiscard]] std::string cells_sha256(GridCells cells);

// A record that cannot be read; the message names the file.
class RecordError : public MessageError {
public:
    using MessageError::MessageError;
};

// The record's text; data paths inside `folder` are written relative to it.
// Throws JsonTextError or ProgramFileError for a figure JSON cannot hold.
[[nodiscard]] std::string record_text(const RunRecord& record, const std::filesystem::path& folder);
// Through the one file writer, never over one of `inputs`; throws
// FileWriteError or RecordError.
void write_record_file(const std::filesystem::path& path, const RunRecord& record,
                       std::span<const std::filesystem::path> inputs);

// Relative data paths are taken against `folder`. Throws RecordError.
[[nodiscard]] RunRecord parse_record_text(std::string_view text, const std::string& file_name,
                                          const std::filesystem::path& folder);
[[nodiscard]] RunRecord read_record_file(const std::filesystem::path& path);

// The first way a repeated run differs from its record, in words
// ("generation 7: training fitness 0.3125, recorded 0.3130"): the data
// files' hashes, the cells' hash, then the table row by row (of a run
// stopped early, the rows it has). Wall time, threads and the build are not
// compared.
[[nodiscard]] std::optional<std::string> rerun_difference(const RunRecord& recorded,
                                                          const RunRecord& repeated);
// Whether two records were made by the same compiler and C library.
[[nodiscard]] bool same_platform(const RunRecord& a, const RunRecord& b);

// The first way two records are not runs of one experiment: a parameter
// text, the CSV choice, or a data file's hash (the seed may differ).
[[nodiscard]] std::optional<std::string> experiment_difference(const RunRecord& a,
                                                               const RunRecord& b);

// One run as a summary line shows it.
struct RunSummary {
    std::uint32_t seed = 0;
    double training_fitness = 0;  // last generation
    double validation_count = 0;  // last generation
    double best_validation_count = 0;
    std::int32_t best_validation_generation = 0;  // 0: no generation done
    std::int32_t best_length = 0;                 // last generation
    double seconds = 0;
    bool stopped = false;  // before its last planned generation
};
[[nodiscard]] RunSummary run_summary(const RunRecord& record);
// Fewer generations done than planned.
[[nodiscard]] bool stopped_early(const RunRecord& record);

// Median (the mean of the middle two for an even count), minimum and maximum.
struct Spread {
    double median = 0;
    double minimum = 0;
    double maximum = 0;
};
[[nodiscard]] Spread spread_of(std::vector<double> values);

}  // namespace vorn
