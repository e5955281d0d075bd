#include "cli/run_front.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <string>
#include <system_error>

#include "cli/cli_options.h"
#include "engine/program_io.h"
#include "problem/errors.h"
#include "problem/file_writer.h"
#include "program/infix.h"
#include "program/interpreter.h"

namespace vorn {

std::vector<FrontMember> run_front(const PreparedRun& run, std::uint32_t seed) {
    std::vector<FrontMember> front;
    for (const FrontPoint& point : run.pop->front_archive.front()) {
        front.push_back(
            {point.training_fitness, point.length,
             with_provenance(run_program(run, point.gene, point.training_fitness, std::nullopt),
                             run.plan, seed)});
    }
    return front;
}

std::optional<FrontChoice> front_choice(const PreparedRun& run) {
    if (!run.pop->size_objective || !(run.parameters.population.holdout > 0)) {
        return std::nullopt;
    }
    std::optional<FrontChoice> choice;
    const auto front = run.pop->front_archive.front();
    for (std::size_t i = 0; i < front.size(); ++i) {
        const double count = validation_fitness(run.setting->node_table_view(),
                                                run.setting->validation_columns(), front[i].gene);
        if (!choice || count < choice->validation_count) {
            choice = FrontChoice{i, count};
        }
    }
    return choice;
}

void print_front(std::ostream& out, const PreparedRun& run) {
    std::size_t n = 0;
    for (const FrontPoint& point : run.pop->front_archive.front()) {
        std::array<char, 32> fitness{};
        const auto end = std::to_chars(fitness.data(), fitness.data() + fitness.size(),
                                       point.training_fitness, std::chars_format::fixed, 6)
                             .ptr;
        out << "front " << ++n << ": training fitness " << std::string(fitness.data(), end)
            << ", nodes " << point.length << ", " << run.parameters.output_name << '='
            << infix_text(run.setting->node_table, point.gene) << '\n';
    }
    if (const auto choice = front_choice(run)) {
        out << "front choice: front " << choice->index + 1 << ", held-out count "
            << choice->validation_count << '\n';
    }
}

void check_front_folder(const CliOptions& options, const PreparedRun& run) {
    if (!options.save_front) {
        return;
    }
    if (!run.pop->size_objective) {
        throw UsageError("--save-front needs --objectives error-and-size");
    }
    std::error_code error;
    std::filesystem::create_directories(*options.save_front, error);
    // A folder that takes no file fails here rather than after the run.
    if (!error && ::access(options.save_front->c_str(), W_OK | X_OK) != 0) {
        error = std::error_code(errno, std::generic_category());
    }
    if (error) {
        throw FileWriteError(messages::file_not_written(*options.save_front, error.message()));
    }
}

void save_front(const std::filesystem::path& folder, std::span<const FrontMember> front,
                std::span<const std::filesystem::path> inputs) {
    std::size_t n = 0;
    for (const FrontMember& point : front) {
        const std::filesystem::path path = folder / ("front-" + std::to_string(++n) + ".json");
        refuse_input_target(path, inputs);
        save_program_file(path, point.program, inputs);
    }
}

}  // namespace vorn
