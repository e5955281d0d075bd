#pragma once
// What the runner's options name: the run they ask for, the files the
// command reads, and the files it writes, checked before anything runs.
#include <filesystem>
#include <string_view>
#include <vector>

#include "cli/cli_options.h"
#include "engine/run_plan.h"

namespace vorn {

// What the options ask to run: the texts with the remainder labels as the
// window shows them, the seed, the data files as given and the CSV choice.
[[nodiscard]] RunPlan run_plan(const CliOptions& options);

// Every file the command reads (data, settings, records, programs, points):
// no file it writes may replace one of them.
[[nodiscard]] std::vector<std::filesystem::path> input_files(const CliOptions& options);

// Throws UsageError when an option that takes a file or folder (its value
// named FILE, DIR, PROGRAM or RECORD) is given an empty text.
void refuse_empty_path(std::string_view option, std::string_view value_name,
                       std::string_view value);

// Throws FileWriteError, with the reason the write would give, when the
// folder of --save-program, --record or --write-settings is missing or not
// writable: found before the run rather than after it.
void refuse_unwritable_outputs(const CliOptions& options);

// Makes an output folder (--record-dir, --save-front) and checks that it
// takes files, so a folder that does not fails before the run rather than
// after it; throws FileWriteError otherwise.
void make_output_folder(const std::string& folder);

// Throws UsageError when two outputs name one file, as the file system
// resolves their paths: one of them would be lost.
void refuse_shared_outputs(const CliOptions& options);

}  // namespace vorn
