#pragma once
// Program files on disk, and what a run writes into them about itself: the
// seed, the parameter texts and the data files with the SHA-256 of their
// contents.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "engine/parameters.h"
#include "engine/run_plan.h"
#include "program/program_file.h"
#include "program/views.h"

namespace vorn {

// Lower-case hex SHA-256 of the bytes, or of a file's contents; the file
// version throws DataFileError when the file cannot be read.
[[nodiscard]] std::string sha256_hex(std::string_view bytes);
[[nodiscard]] std::string sha256_of_file(const std::filesystem::path& path);

// {"program": version_text(), "seed": S, "parameters": {settings key: text, ...},
//  "data": [{"role": ..., "file": name, "sha256": hex}, ...]} of a run of
// `plan` with `seed`, with the CSV choice when the plan has one. A file that can no longer be read
// gets no "sha256".
[[nodiscard]] nlohmann::json provenance_block(const RunPlan& plan, std::uint32_t seed);

// The program of a run's gene with the run's names and recorded measures.
[[nodiscard]] Program program_of_run(NodeTableView nodes, std::span<const std::int32_t> gene,
                                     const std::string& input1_name, const std::string& input2_name,
                                     const std::string& output_name, double training_fitness,
                                     std::optional<double> validation_count);

struct PreparedRun;

// A program of the run with the names it was prepared with, whatever the
// controls say now; the validation count is kept only when the run read
// validation data.
[[nodiscard]] Program run_program(const PreparedRun& run, std::span<const std::int32_t> gene,
                                  double training_fitness, std::optional<double> validation_count);
// The CSV columns and positive label the program's run read its data with,
// from its provenance; none for a run on data files.
struct ProgramCsvChoice {
    std::optional<std::string> columns;  // "X,Y,LABEL", as --columns takes them
    std::optional<std::string> positive;
};
[[nodiscard]] ProgramCsvChoice program_csv_choice(const Program& program);

// The program with the provenance of a run of `plan` with `seed`.
[[nodiscard]] Program with_provenance(Program program, const RunPlan& plan, std::uint32_t seed);

// A JSON file refused before it is parsed; what() is the reason.
class JsonFileRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The whole of a JSON file, refused as early as its bytes allow: by its size
// before anything is read, and at the first NUL byte, which no JSON text
// holds (so /dev/zero, which has no size, costs one chunk). Throws
// JsonFileRefused: the errno's text, "larger than 256 MiB", or the NUL.
[[nodiscard]] std::string read_json_file(const std::filesystem::path& path, std::size_t max_bytes);

// Reads a program file; throws MessageError (program_file_refused, naming
// the file) when it cannot be read or is refused.
[[nodiscard]] Program load_program_file(const std::filesystem::path& path);

// Writes the program file through the one file writer (never over one of
// `inputs`); throws FileWriteError, or MessageError when the program cannot
// be written.
void save_program_file(const std::filesystem::path& path, const Program& program,
                       std::span<const std::filesystem::path> inputs);

}  // namespace vorn
