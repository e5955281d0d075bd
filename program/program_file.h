#pragma once
// A program apart from the run that made it: its nodes in prefix order with
// the exact values of its constants, its names, and what the run recorded of
// it. Written and read as a UTF-8 JSON file.
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "program/functable.h"
#include "program/views.h"

namespace vorn {

inline constexpr std::string_view program_format_name = "vorn-program";
inline constexpr std::int64_t program_format_version = 1;
// Bumped whenever a primitive's arithmetic or the decision rule changes, so
// an old file is never silently read under new rules.
inline constexpr std::int64_t primitive_semantics_version = 1;

// What a run can record of a program: its training fitness is a share of
// the points, its validation count a whole number of points (two for each
// of at most INT32_MAX rows).
inline constexpr std::string_view fitness_range = "a number from 0 to 1";
inline constexpr std::string_view count_range = "a whole number from 0 to 4294967294";
[[nodiscard]] inline bool is_fitness(double value) {
    return value >= 0 && value <= 1;
}
[[nodiscard]] inline bool is_point_count(double value) {
    return value >= 0 && value <= 2.0 * std::numeric_limits<std::int32_t>::max() &&
           std::floor(value) == value;
}

// Why a file of format version `version` cannot be read by a reader of
// versions 1 to `newest`, or nothing when it can.
[[nodiscard]] std::optional<std::string> version_problem(std::int64_t version, std::int64_t newest);

struct ProgramNode {
    OpCode op = OpCode::constant;
    double value = 0;  // a constant's exact value; 0 for every other node
};

struct Program {
    std::vector<ProgramNode> nodes;  // prefix order, one complete expression
    std::string input1_name = "x";
    std::string input2_name = "y";
    std::string output_name = "z";
    double training_fitness = 0;             // the run's last recorded value
    std::optional<double> validation_count;  // none when the run had no validation data
    // Where the program came from; built by the engine, kept as it is here.
    nlohmann::json provenance = nlohmann::json::object();
    // Rewritten by simplify; written as "simplified": true, and only then.
    bool simplified = false;
};

// The reason a program file is refused, in plain words ("unknown primitive
// \"sqrt\" at node 4"); front ends put it into the catalogue's message.
class ProgramFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The program of a gene over a run's node table (names and fitness left at
// their defaults for the caller to fill).
[[nodiscard]] Program program_of_gene(NodeTableView nodes, std::span<const std::int32_t> gene);

// A node table and gene that evaluate the program with the interpreter or the
// batch evaluator: the ten primitives, the two variables, then one row per
// constant node.
struct ProgramCode {
    std::vector<functable> node_table;
    std::vector<double> constant_table;
    std::vector<std::int32_t> gene;
    [[nodiscard]] NodeTableView view() const { return {node_table, constant_table}; }
};
[[nodiscard]] ProgramCode program_code(const Program& program);

// The file's text. Throws ProgramFileError for a non-finite constant or
// fitness, or a program that is not one complete expression.
[[nodiscard]] std::string program_file_text(const Program& program);

// The file's JSON value (which other files embed), checked as for the text.
[[nodiscard]] nlohmann::json program_json(const Program& program);
// A program from its JSON value, refused as read_program_text refuses.
[[nodiscard]] Program program_of_json(const nlohmann::json& value);

// Reads a file's text; throws ProgramFileError for malformed JSON, another
// format, a newer format or semantics version, an unknown primitive, an
// arity mismatch, a non-finite constant or a missing field.
[[nodiscard]] Program read_program_text(std::string_view text);

}  // namespace vorn
