#pragma once
// The run's Pareto front of training fitness and size, as the runner prints
// and saves it (with the size objective only).
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <vector>

#include "cli/cli_options.h"
#include "engine/prepare_run.h"
#include "engine/run_record.h"

namespace vorn {

// The front's programs, shortest first, with the run's provenance.
[[nodiscard]] std::vector<FrontMember> run_front(const PreparedRun& run, std::uint32_t seed);

// With the size objective and a hold-out, the program the run chooses: the
// front's program with the lowest count on the held-out rows, the shortest
// of equals; its position in the front and that count.
struct FrontChoice {
    std::size_t index = 0;
    double validation_count = 0;
};
[[nodiscard]] std::optional<FrontChoice> front_choice(const PreparedRun& run);

// One line per program after the other results: "front N: training
// fitness F, nodes S, OUTPUT=formula".
void print_front(std::ostream& out, const PreparedRun& run);

// Makes the --save-front folder and checks it takes files; throws
// FileWriteError otherwise. Refuses (UsageError) a run without the size
// objective.
void check_front_folder(const CliOptions& options, const PreparedRun& run);

// Writes DIR/front-N.json for each program; throws MessageError when one
// cannot be written.
void save_front(const std::filesystem::path& folder, std::span<const FrontMember> front,
                std::span<const std::filesystem::path> inputs);

}  // namespace vorn
