#include "cli/run_front.h"

#include <string>

#include "cli/cli_files.h"
#include "cli/cli_options.h"
#include "engine/program_io.h"
#include "problem/errors.h"
#include "problem/file_writer.h"
#include "problem/number_text.h"
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
        out << "front " << ++n << ": training fitness " << fixed_text(point.training_fitness, 6)
            << ", nodes " << point.length << ", " << run.parameters.output_name << '='
            << infix_text(run.setting->node_table, point.gene) << '\n';
    }
    if (const auto choice = front_choice(run)) {
        out << "front choice: front " << choice->index + 1 << ", held-out count "
            << general_text(choice->validation_count) << '\n';
    }
}

void check_front_folder(const CliOptions& options, const PreparedRun& run) {
    if (!options.save_front) {
        return;
    }
    if (!run.pop->size_objective) {
        throw UsageError("--save-front needs --objectives error-and-size");
    }
    make_output_folder(*options.save_front);
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
