#include "engine/run_record.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <numeric>
#include <system_error>

#include "engine/program_io.h"
#include "engine/settings_file.h"
#include "engine/version.h"
#include "problem/data_table.h"
#include "problem/file_writer.h"
#include "problem/messages.h"
#include "program/json_text.h"

namespace vorn {

namespace {

using Json = nlohmann::json;

// A year of generations of a large run fits many times over.
constexpr std::size_t max_record_bytes = std::size_t{1} << 30;

// The reason a record is refused, in words; read_record_file names the file.
class Refused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string in_quotes(std::string_view key) {
    return "\"" + echoed_text(key) + "\"";
}

// Shortest text that reads back as the same double.
std::string full_text(double value) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return {buffer.data(), result.ptr};
}

const Json& member(const Json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end()) {
        throw Refused(in_quotes(key) + " is missing");
    }
    return *found;
}

std::string text_member(const Json& object, const char* key) {
    const Json& value = member(object, key);
    if (!value.is_string()) {
        throw Refused(in_quotes(key) + " is not a text");
    }
    return value.get<std::string>();
}

double real_member(const Json& object, const char* key) {
    const Json& value = member(object, key);
    if (!value.is_number()) {
        throw Refused(in_quotes(key) + " is not a number");
    }
    return value.get<double>();
}

// A figure a run records, refused outside what a run can make.
double figure_member(const Json& object, const char* key, bool (*fits)(double),
                     std::string_view range) {
    const double value = real_member(object, key);
    if (!fits(value)) {
        throw Refused(in_quotes(key) + " is not " + std::string(range));
    }
    return value;
}

std::int64_t whole_member(const Json& object, const char* key, std::int64_t low,
                          std::int64_t high) {
    const Json& value = member(object, key);
    if (!value.is_number_integer() || value.get<std::int64_t>() < low ||
        value.get<std::int64_t>() > high) {
        throw Refused(in_quotes(key) + " is not a whole number from " + std::to_string(low) +
                      " to " + std::to_string(high));
    }
    return value.get<std::int64_t>();
}

bool flag_member(const Json& object, const char* key) {
    const Json& value = member(object, key);
    if (!value.is_boolean()) {
        throw Refused(in_quotes(key) + " is not true or false");
    }
    return value.get<bool>();
}

constexpr std::int64_t int32_max = std::numeric_limits<std::int32_t>::max();

Json row_json(const GenerationRow& row) {
    return {{"generation", row.generation + 1},
            {"training_fitness", row.best_raw_fitness},
            {"validation_count", static_cast<double>(row.validation_fitness)},
            {"mean_length", row.mean_length},
            {"best_length", row.best_length}};
}

GenerationRow row_of(const Json& value) {
    if (!value.is_object()) {
        throw Refused("a generation is not an object");
    }
    GenerationRow row;
    row.generation = static_cast<std::int32_t>(whole_member(value, "generation", 1, int32_max)) - 1;
    row.best_raw_fitness = figure_member(value, "training_fitness", is_fitness, fitness_range);
    row.validation_fitness =
        static_cast<float>(figure_member(value, "validation_count", is_point_count, count_range));
    row.mean_length = static_cast<std::int32_t>(whole_member(value, "mean_length", 0, int32_max));
    row.best_length = static_cast<std::int32_t>(whole_member(value, "best_length", 0, int32_max));
    return row;
}

Program program_member(const Json& value) {
    try {
        return program_of_json(value);
    } catch (const ProgramFileError& e) {
        throw Refused(std::string("its program: ") + e.what());
    }
}

RunRecord record_of(const Json& file, const std::filesystem::path& folder) {
    if (!file.is_object() || !file.contains("format") || file["format"] != record_format) {
        throw Refused("not a run record");
    }
    const std::int64_t version = whole_member(file, "version", -int32_max, int32_max);
    if (const auto problem = version_problem(version, record_version)) {
        throw Refused(*problem);
    }
    RunRecord record;
    record.program_version = text_member(file, "program");
    try {
        record.plan = plan_of_json(file, folder, record.data);
    } catch (const PlanError& e) {
        throw Refused(e.what());
    }
    record.cells_sha256 = text_member(file, "cells_sha256");
    record.grid_edited = flag_member(file, "grid_edited");
    record.num_generations =
        static_cast<std::int32_t>(whole_member(file, "num_generations", 0, int32_max));
    const Json& generations = member(file, "generations");
    if (!generations.is_array()) {
        throw Refused("\"generations\" is not a list");
    }
    for (const Json& row : generations) {
        record.generations.push_back(row_of(row));
    }
    if (const Json& last = member(file, "last_program"); !last.is_null()) {
        record.last_program = program_member(last);
    }
    if (const Json& best = member(file, "best_validation"); !best.is_null()) {
        if (!best.is_object()) {
            throw Refused("\"best_validation\" is not an object");
        }
        record.best_validation =
            RecordedBest{static_cast<std::int32_t>(whole_member(best, "generation", 1, int32_max)),
                         figure_member(best, "validation_count", is_point_count, count_range),
                         figure_member(best, "training_fitness", is_fitness, fitness_range),
                         program_member(member(best, "program"))};
    }
    if (const auto front = file.find("front"); front != file.end()) {
        if (!front->is_array()) {
            throw Refused("\"front\" is not a list");
        }
        for (const Json& point : *front) {
            record.front.push_back(
                {figure_member(point, "training_fitness", is_fitness, fitness_range),
                 static_cast<std::int32_t>(whole_member(point, "nodes", 1, int32_max)),
                 program_member(member(point, "program"))});
        }
    }
    record.wall_seconds = figure_member(
        file, "wall_seconds", [](double s) { return s >= 0; }, "a number of at least 0");
    record.threads = static_cast<unsigned>(whole_member(file, "threads", 0, int32_max));
    record.compiler = text_member(file, "compiler");
    record.libc = text_member(file, "libc");
    return record;
}

Json record_json(const RunRecord& record, const std::filesystem::path& folder) {
    Json generations = Json::array();
    for (const GenerationRow& row : record.generations) {
        generations.push_back(row_json(row));
    }
    Json best;
    if (record.best_validation) {
        best = {{"generation", record.best_validation->generation},
                {"validation_count", record.best_validation->validation_count},
                {"training_fitness", record.best_validation->training_fitness},
                {"program", program_json(record.best_validation->program)}};
    }
    Json object = plan_json(record.plan, record.data, folder);
    // A record names its CSV choice even when there is none.
    for (const char* key : {"columns", "positive"}) {
        if (!object.contains(key)) {
            object[key] = nullptr;
        }
    }
    object.update({
        {"format", record_format},
        {"version", record_version},
        {"program", record.program_version},
        {"cells_sha256", record.cells_sha256},
        {"grid_edited", record.grid_edited},
        {"num_generations", record.num_generations},
        {"generations", std::move(generations)},
        {"last_program", record.last_program ? program_json(*record.last_program) : Json()},
        {"best_validation", std::move(best)},
        {"wall_seconds", record.wall_seconds},
        {"threads", record.threads},
        {"compiler", record.compiler},
        {"libc", record.libc},
    });
    // Only runs with the size objective have a front, and only they say so.
    if (!record.front.empty()) {
        Json front = Json::array();
        for (const FrontMember& point : record.front) {
            front.push_back({{"training_fitness", point.training_fitness},
                             {"nodes", point.nodes},
                             {"program", program_json(point.program)}});
        }
        object["front"] = std::move(front);
    }
    return object;
}

// "training fitness 0.3125, recorded 0.313": the first field of two rows
// that differs, compared by value (a NaN nowhere in a table).
std::optional<std::string> row_difference(const GenerationRow& recorded,
                                          const GenerationRow& repeated) {
    const auto field = [](std::string_view name, double was, double is) {
        return std::string(name) + " " + full_text(is) + ", recorded " + full_text(was);
    };
    if (recorded.best_raw_fitness != repeated.best_raw_fitness) {
        return field("training fitness", recorded.best_raw_fitness, repeated.best_raw_fitness);
    }
    if (recorded.validation_fitness != repeated.validation_fitness) {
        return field("validation count", recorded.validation_fitness, repeated.validation_fitness);
    }
    if (recorded.mean_length != repeated.mean_length) {
        return field("mean length", recorded.mean_length, repeated.mean_length);
    }
    if (recorded.best_length != repeated.best_length) {
        return field("best length", recorded.best_length, repeated.best_length);
    }
    return std::nullopt;
}

bool same_nodes(const Program& a, const Program& b) {
    return std::equal(a.nodes.begin(), a.nodes.end(), b.nodes.begin(), b.nodes.end(),
                      [](const ProgramNode& x, const ProgramNode& y) {
                          return x.op == y.op && x.value == y.value;
                      });
}

std::optional<std::string> program_difference(std::string_view which, const Program* recorded,
                                              const Program* repeated) {
    if ((recorded != nullptr) != (repeated != nullptr)) {
        return std::string(which) + (recorded ? " is missing" : " was not recorded");
    }
    if (recorded != nullptr && !same_nodes(*recorded, *repeated)) {
        return std::string(which) + " differs from the recorded one";
    }
    return std::nullopt;
}

std::optional<std::string> data_difference(const RunRecord& a, const RunRecord& b) {
    if (a.data.size() != b.data.size()) {
        return "the data files: " + std::to_string(b.data.size()) + ", recorded " +
               std::to_string(a.data.size());
    }
    for (std::size_t i = 0; i < a.data.size(); ++i) {
        if (a.data[i].role != b.data[i].role || a.data[i].sha256 != b.data[i].sha256) {
            return "the " + a.data[i].role + " file's SHA-256";
        }
    }
    if (a.cells_sha256 != b.cells_sha256) {
        return std::string("the SHA-256 of the cell texts");
    }
    return std::nullopt;
}

}  // namespace

bool stopped_early(const RunRecord& record) {
    return record.generations.size() <
           static_cast<std::size_t>(std::max(record.num_generations, 0));
}

RunRecord run_record_of(const RunPlan& plan, RunResult result) {
    RunRecord record;
    record.program_version = version_text();
    record.plan = with_absolute_paths(plan);
    record.plan.seed = result.seed;
    record.data = hashed_files(record.plan);
    record.cells_sha256 = std::move(result.cells_sha256);
    record.grid_edited = result.grid_edited;
    record.num_generations = result.num_generations;
    record.generations = std::move(result.generations);
    record.last_program = std::move(result.last_program);
    record.best_validation = std::move(result.best_validation);
    record.front = std::move(result.front);
    const nlohmann::json provenance = provenance_block(plan, result.seed);
    for (FrontMember& point : record.front) {
        point.program.provenance = provenance;
    }
    for (Program* program : {record.last_program ? &*record.last_program : nullptr,
                             record.best_validation ? &record.best_validation->program : nullptr}) {
        if (program != nullptr) {
            program->provenance = provenance;
        }
    }
    record.wall_seconds = result.wall_seconds;
    record.threads = result.threads;
    record.compiler = compiler_version();
    record.libc = libc_version();
    return record;
}

std::string record_text(const RunRecord& record, const std::filesystem::path& folder) {
    return json_text(record_json(record, folder));
}

void write_record_file(const std::filesystem::path& path, const RunRecord& record,
                       std::span<const std::filesystem::path> inputs) {
    std::string text;
    try {
        text = record_text(record, std::filesystem::absolute(path).parent_path());
    } catch (const std::runtime_error& e) {
        // A non-finite figure or a program that cannot be written.
        throw RecordError(messages::file_not_written(path.string(), e.what()));
    }
    write_file(path, text, inputs);
}

RunRecord parse_record_text(std::string_view text, const std::string& file_name,
                            const std::filesystem::path& folder) {
    try {
        return record_of(parse_json_text(text), folder);
    } catch (const JsonTextError& e) {
        throw RecordError(
            messages::record_refused(file_name, std::string("not JSON: ") + e.what()));
    } catch (const Refused& e) {
        throw RecordError(messages::record_refused(file_name, e.what()));
    }
}

RunRecord read_record_file(const std::filesystem::path& path) {
    const std::string name = path.string();
    std::string text;
    try {
        text = read_json_file(path, max_record_bytes);
    } catch (const JsonFileRefused& e) {
        throw RecordError(messages::record_refused(name, e.what()));
    }
    std::error_code error;
    return parse_record_text(text, name, std::filesystem::absolute(path, error).parent_path());
}

std::optional<std::string> rerun_difference(const RunRecord& recorded, const RunRecord& repeated) {
    if (auto data = data_difference(recorded, repeated)) {
        return "different data: " + *data;
    }
    const std::size_t common = std::min(recorded.generations.size(), repeated.generations.size());
    for (std::size_t g = 0; g < common; ++g) {
        if (auto field = row_difference(recorded.generations[g], repeated.generations[g])) {
            return "generation " + std::to_string(g + 1) + ": " + *field;
        }
    }
    // A run stopped early is compared as far as it went.
    const bool stopped = stopped_early(recorded);
    if (recorded.generations.size() != repeated.generations.size() &&
        !(stopped && repeated.generations.size() >= recorded.generations.size())) {
        return std::to_string(repeated.generations.size()) + " generations, recorded " +
               std::to_string(recorded.generations.size());
    }
    // Programs of one length and fitness can still differ; those of a run
    // repeated past where the record stopped are not the same programs.
    if (recorded.generations.size() != repeated.generations.size()) {
        return std::nullopt;
    }
    const auto program_of = [](const auto& optional) { return optional ? &*optional : nullptr; };
    if (const auto last = program_difference("the last generation's best program",
                                             program_of(recorded.last_program),
                                             program_of(repeated.last_program))) {
        return last;
    }
    const auto& was = recorded.best_validation;
    const auto& is = repeated.best_validation;
    if (was && is && was->generation != is->generation) {
        return "the best program on validation: generation " + std::to_string(is->generation) +
               ", recorded " + std::to_string(was->generation);
    }
    if (const auto best =
            program_difference("the best program on validation", was ? &was->program : nullptr,
                               is ? &is->program : nullptr)) {
        return best;
    }
    if (recorded.front.size() != repeated.front.size()) {
        return "the front: " + std::to_string(repeated.front.size()) + " programs, recorded " +
               std::to_string(recorded.front.size());
    }
    for (std::size_t i = 0; i < recorded.front.size(); ++i) {
        if (const auto point =
                program_difference("program " + std::to_string(i + 1) + " of the front",
                                   &recorded.front[i].program, &repeated.front[i].program)) {
            return point;
        }
    }
    return std::nullopt;
}

bool same_platform(const RunRecord& a, const RunRecord& b) {
    return a.compiler == b.compiler && a.libc == b.libc;
}

std::optional<std::string> experiment_difference(const RunRecord& a, const RunRecord& b) {
    for (const Parameter& row : parameter_table()) {
        if (!row.settings_key.empty() && a.plan.texts[row.id] != b.plan.texts[row.id]) {
            return "parameter " + in_quotes(row.settings_key);
        }
    }
    if (a.plan.columns != b.plan.columns || a.plan.positive != b.plan.positive) {
        return std::string("the CSV columns or positive label");
    }
    return data_difference(a, b);
}

}  // namespace vorn
