#include "cli/cli_files.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "engine/prepare_run.h"
#include "problem/file_writer.h"
#include "problem/messages.h"

namespace vorn {

namespace fs = std::filesystem;

RunPlan run_plan(const CliOptions& options) {
    RunPlan plan;
    plan.texts = options.texts;
    fill_remainders(plan.texts);
    plan.seed = options.seed;
    if (!options.training_file.empty()) {
        plan.training = options.training_file;
    }
    if (options.validation_file) {
        plan.validation = *options.validation_file;
    }
    plan.columns = options.columns;
    plan.positive = options.positive;
    return plan;
}

std::vector<std::filesystem::path> input_files(const CliOptions& options) {
    std::vector<std::filesystem::path> inputs = plan_inputs(run_plan(options));
    for (const auto& file : {options.settings_file, std::optional<std::string>(options.rerun_file),
                             std::optional<std::string>(options.program_file),
                             std::optional<std::string>(options.points_file)}) {
        if (file && !file->empty() && *file != "-") {
            inputs.emplace_back(*file);
        }
    }
    inputs.insert(inputs.end(), options.record_files.begin(), options.record_files.end());
    inputs.insert(inputs.end(), options.score_files.begin(), options.score_files.end());
    return inputs;
}

// An empty file name would otherwise be found wrong only after a run, or
// become a hidden file named by its suffix alone.
void refuse_empty_path(std::string_view option, std::string_view value_name,
                       std::string_view value) {
    constexpr std::array<std::string_view, 4> path_values = {"FILE", "DIR", "PROGRAM", "RECORD"};
    if (value.empty() &&
        std::find(path_values.begin(), path_values.end(), value_name) != path_values.end()) {
        throw UsageError(std::string(option) + " needs a " +
                         (value_name == "DIR" ? "folder" : "file") + " name, not an empty text");
    }
}

void refuse_unwritable_outputs(const CliOptions& options) {
    for (const auto* output :
         {&options.save_program, &options.record_file, &options.write_settings}) {
        if (!*output) {
            continue;
        }
        std::error_code error;
        const fs::path folder = fs::absolute(**output, error).parent_path();
        int reason = 0;
        if (error || !fs::is_directory(folder, error)) {
            reason = error ? error.value() : (fs::exists(folder, error) ? ENOTDIR : ENOENT);
        } else if (::access(folder.c_str(), W_OK | X_OK) != 0) {
            reason = errno;
        }
        if (reason != 0) {
            throw FileWriteError(messages::file_not_written(
                **output, std::error_code(reason, std::generic_category()).message()));
        }
    }
}

void make_output_folder(const std::string& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (!error && ::access(folder.c_str(), W_OK | X_OK) != 0) {
        error = std::error_code(errno, std::generic_category());
    }
    if (error) {
        throw FileWriteError(messages::file_not_written(folder, error.message()));
    }
}

void refuse_shared_outputs(const CliOptions& options) {
    const std::array<std::pair<std::string_view, const std::optional<std::string>*>, 4> outputs = {
        {{"--csv", &options.csv_file},
         {"--save-program", &options.save_program},
         {"--record", &options.record_file},
         {"--write-settings", &options.write_settings}}};
    const auto resolved = [](const std::string& path) {
        std::error_code error;
        const auto canonical = std::filesystem::weakly_canonical(path, error);
        return error ? std::filesystem::path(path).lexically_normal() : canonical;
    };
    for (std::size_t a = 0; a < outputs.size(); ++a) {
        for (std::size_t b = a + 1; b < outputs.size(); ++b) {
            const auto& first = *outputs[a].second;
            const auto& second = *outputs[b].second;
            if (first && second && resolved(*first) == resolved(*second)) {
                throw UsageError(std::string(outputs[a].first) + " and " +
                                 std::string(outputs[b].first) + " name the same file");
            }
        }
    }
}

}  // namespace vorn
