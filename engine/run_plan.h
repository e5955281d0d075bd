#pragma once
// What to run: the parameter texts, the seed, the data files and the CSV
// choice, as one value. Each front end makes one from what its user gave;
// prepare_run, settings files, program files and run records read and write
// it, so an item that belongs to a run is added here and in the front ends
// that let a user set it.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/parameters.h"

namespace vorn {

struct RunPlan {
    ParameterTexts texts;               // every parameter text, remainders included
    std::optional<std::uint32_t> seed;  // none: the clock's when the run starts
    std::optional<std::filesystem::path> training;
    // Read by the run only when the "use training data" flag is off.
    std::optional<std::filesystem::path> validation;
    // For CSV data: the columns "X,Y,LABEL" and the positive label, as the
    // runner's --columns and --positive take them.
    std::optional<std::string> columns;
    std::optional<std::string> positive;
};

// A data file a run read, by its role: "training" or "validation".
struct DataFileRef {
    std::string role;
    std::filesystem::path path;
};

// A data file with the SHA-256 of its bytes; none when it could not be read.
struct RecordedFile {
    std::string role;
    std::filesystem::path path;
    std::optional<std::string> sha256;
};

// Whether a run of the plan reads its validation file: it has one and the
// training data does not serve for validation.
[[nodiscard]] bool reads_validation_file(const RunPlan& plan);
// The plan with its data paths made absolute, as files written elsewhere
// name them.
[[nodiscard]] RunPlan with_absolute_paths(RunPlan plan);

// The data files a run of the plan reads, training first.
[[nodiscard]] std::vector<DataFileRef> plan_files(const RunPlan& plan);
// The files a run of the plan reads: no file the run writes may replace one.
[[nodiscard]] std::vector<std::filesystem::path> plan_inputs(const RunPlan& plan);
// The plan's data files with the SHA-256 of their bytes as they are now.
[[nodiscard]] std::vector<RecordedFile> hashed_files(const RunPlan& plan);

// The plan's lines in a settings file, after the parameters: data paths
// inside `folder` relative to it, and only the items that are set.
[[nodiscard]] std::vector<std::pair<std::string_view, std::string>> plan_settings_lines(
    const RunPlan& plan, const std::filesystem::path& folder);
// Takes one settings line that is not a parameter; false when the key is
// none of the plan's. Throws PlanError with the reason for a bad value.
bool read_plan_settings_line(RunPlan& plan, std::string_view key, std::string_view value,
                             const std::filesystem::path& folder);

// A plan member of a file that cannot be used, with the reason in words.
class PlanError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The members that records and program files share: "seed", "parameters"
// (by settings key), "data" (role, file, SHA-256; paths inside `folder`
// relative to it) and, when set, "columns" and "positive".
[[nodiscard]] nlohmann::json plan_json(const RunPlan& plan, std::span<const RecordedFile> files,
                                       const std::filesystem::path& folder);
// Reads those members back; relative data paths are taken against `folder`.
// The data files go to `files` with their hashes. Throws PlanError.
[[nodiscard]] RunPlan plan_of_json(const nlohmann::json& object,
                                   const std::filesystem::path& folder,
                                   std::vector<RecordedFile>& files);

}  // namespace vorn
