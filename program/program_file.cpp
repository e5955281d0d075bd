#include "program/program_file.h"

#include <cmath>
#include <limits>

#include "program/gene.h"
#include "program/interpreter.h"
#include "program/json_text.h"

namespace vorn {

namespace {

using Json = nlohmann::json;

// Variable slots in a file; no primitive has these names.
constexpr std::string_view input1_token = "input1";
constexpr std::string_view input2_token = "input2";

// The primitive with the printed name, as its row of the function table.
std::optional<int> primitive_of(std::string_view name) {
    for (int i = 0; i < num_primitives; ++i) {
        if (primitive_names[i] == name) {
            return i;
        }
    }
    return std::nullopt;
}

std::string node_place(std::size_t index) {
    return " at node " + std::to_string(index + 1);
}

Json node_json(const ProgramNode& node) {
    switch (node.op) {
        case OpCode::input1:
            return std::string(input1_token);
        case OpCode::input2:
            return std::string(input2_token);
        case OpCode::constant:
            if (!std::isfinite(node.value)) {
                throw ProgramFileError("a constant is not a finite number");
            }
            return node.value;
        default:
            break;
    }
    static const std::vector<functable> primitives = build_function_table();
    for (const functable& row : primitives) {
        if (row.op == node.op) {
            return row.name;
        }
    }
    throw ProgramFileError("a node has no primitive");
}

ProgramNode node_of(const Json& value, std::size_t index) {
    if (value.is_number_float()) {
        return {OpCode::constant, value.get<double>()};
    }
    if (value.is_number_integer()) {
        // Whole constants written by hand must still be exact doubles.
        const auto whole = value.get<std::int64_t>();
        constexpr std::int64_t exact = std::int64_t{1} << 53;
        if (whole > exact || whole < -exact) {
            throw ProgramFileError("the constant " + std::to_string(whole) +
                                   " is not exact as a double" + node_place(index));
        }
        return {OpCode::constant, static_cast<double>(whole)};
    }
    if (!value.is_string()) {
        throw ProgramFileError("a node is neither a name nor a number" + node_place(index));
    }
    const auto& name = value.get_ref<const std::string&>();
    if (name == input1_token) {
        return {OpCode::input1, 0};
    }
    if (name == input2_token) {
        return {OpCode::input2, 0};
    }
    static const std::vector<functable> primitives = build_function_table();
    if (const auto row = primitive_of(name)) {
        return {primitives[static_cast<std::size_t>(*row)].op, 0};
    }
    throw ProgramFileError("unknown primitive " + quoted_token(name) + node_place(index));
}

const Json& member(const Json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end()) {
        throw ProgramFileError(std::string("\"") + key + "\" is missing");
    }
    return *found;
}

std::int64_t whole_member(const Json& object, const char* key) {
    const Json& value = member(object, key);
    if (!value.is_number_integer()) {
        throw ProgramFileError(std::string("\"") + key + "\" is not a whole number");
    }
    return value.get<std::int64_t>();
}

std::string text_member(const Json& object, const char* key) {
    const Json& value = member(object, key);
    if (!value.is_string()) {
        throw ProgramFileError(std::string("\"") + key + "\" is not a text");
    }
    return value.get<std::string>();
}

double real_member(const Json& object, const char* key) {
    const Json& value = member(object, key);
    if (!value.is_number()) {
        throw ProgramFileError(std::string("\"") + key + "\" is not a number");
    }
    return value.get<double>();
}

double measure_member(const Json& object, const char* key, bool (*fits)(double),
                      std::string_view range) {
    const double value = real_member(object, key);
    if (!fits(value)) {
        throw ProgramFileError(std::string("\"") + key + "\" is not " + std::string(range));
    }
    return value;
}

// Arities add up to one complete expression, and nothing follows it.
void check_expression(std::span<const ProgramNode> nodes) {
    if (nodes.empty()) {
        throw ProgramFileError("the program has no nodes");
    }
    Program program;
    program.nodes.assign(nodes.begin(), nodes.end());
    const ProgramCode code = program_code(program);
    const auto end = subtree_end(code.node_table, code.gene, 0);
    if (end < 0) {
        throw ProgramFileError("the program ends before its last primitive has all its arguments");
    }
    if (static_cast<std::size_t>(end) + 1 != nodes.size()) {
        throw ProgramFileError("nodes follow the complete program" +
                               node_place(static_cast<std::size_t>(end) + 1));
    }
}

}  // namespace

std::optional<std::string> version_problem(std::int64_t version, std::int64_t newest) {
    if (version < 1) {
        return "format version " + std::to_string(version) + " is not a version this program reads";
    }
    if (version > newest) {
        return "format version " + std::to_string(version) + " is newer than this program reads";
    }
    return std::nullopt;
}

Program program_of_gene(NodeTableView nodes, std::span<const std::int32_t> gene) {
    Program program;
    program.nodes.reserve(gene.size());
    for (const std::int32_t code : gene) {
        const functable& row = nodes.node_table[static_cast<std::size_t>(code)];
        ProgramNode node{row.op, 0};
        if (row.op == OpCode::constant) {
            node.value = nodes.constant_table[static_cast<std::size_t>(row.index)];
        }
        program.nodes.push_back(node);
    }
    return program;
}

ProgramCode program_code(const Program& program) {
    ProgramCode code;
    code.node_table = build_function_table();
    code.node_table.push_back(functable{-1, program.input1_name, variable_eval, 0, OpCode::input1});
    code.node_table.push_back(functable{-1, program.input2_name, variable_eval, 1, OpCode::input2});
    const auto first_constant = static_cast<std::int32_t>(code.node_table.size());
    code.gene.reserve(program.nodes.size());
    for (const ProgramNode& node : program.nodes) {
        switch (node.op) {
            case OpCode::input1:
                code.gene.push_back(num_primitives);
                break;
            case OpCode::input2:
                code.gene.push_back(num_primitives + 1);
                break;
            case OpCode::constant: {
                const auto index = static_cast<std::int32_t>(code.constant_table.size());
                code.constant_table.push_back(node.value);
                code.node_table.push_back(
                    functable{-1, "", constant_eval, index, OpCode::constant});
                code.gene.push_back(first_constant + index);
                break;
            }
            default:
                code.gene.push_back(static_cast<std::int32_t>(node.op) -
                                    static_cast<std::int32_t>(OpCode::add));
                break;
        }
    }
    return code;
}

Json program_json(const Program& program) {
    check_expression(program.nodes);
    Json gene = Json::array();
    for (const ProgramNode& node : program.nodes) {
        gene.push_back(node_json(node));
    }
    if (!std::isfinite(program.training_fitness) ||
        (program.validation_count && !std::isfinite(*program.validation_count))) {
        throw ProgramFileError("a recorded measure is not a finite number");
    }
    Json file = {
        {"format", program_format_name},
        {"version", program_format_version},
        {"semantics", primitive_semantics_version},
        {"inputs", {program.input1_name, program.input2_name}},
        {"output", program.output_name},
        {"gene", std::move(gene)},
        {"training_fitness", program.training_fitness},
        {"validation_count", program.validation_count ? Json(*program.validation_count) : Json()},
        {"provenance", program.provenance},
    };
    if (program.simplified) {
        file["simplified"] = true;
    }
    return file;
}

std::string program_file_text(const Program& program) {
    try {
        return json_text(program_json(program));
    } catch (const JsonTextError& error) {
        throw ProgramFileError(error.what());
    }
}

Program read_program_text(std::string_view text) {
    Json file;
    try {
        file = parse_json_text(text);
    } catch (const JsonTextError& error) {
        throw ProgramFileError(std::string("not JSON: ") + error.what());
    }
    return program_of_json(file);
}

Program program_of_json(const Json& file) {
    if (!file.is_object() || !file.contains("format") || file["format"] != program_format_name) {
        throw ProgramFileError("not a program file");
    }
    const std::int64_t version = whole_member(file, "version");
    if (const auto problem = version_problem(version, program_format_version)) {
        throw ProgramFileError(*problem);
    }
    const std::int64_t semantics = whole_member(file, "semantics");
    if (semantics != primitive_semantics_version) {
        throw ProgramFileError("its primitives follow rules of version " +
                               std::to_string(semantics) + ", this program knows version " +
                               std::to_string(primitive_semantics_version));
    }
    Program program;
    const Json& inputs = member(file, "inputs");
    if (!inputs.is_array() || inputs.size() != 2 || !inputs[0].is_string() ||
        !inputs[1].is_string()) {
        throw ProgramFileError("\"inputs\" is not a pair of names");
    }
    program.input1_name = inputs[0].get<std::string>();
    program.input2_name = inputs[1].get<std::string>();
    program.output_name = text_member(file, "output");
    const Json& gene = member(file, "gene");
    if (!gene.is_array()) {
        throw ProgramFileError("\"gene\" is not a list of nodes");
    }
    if (gene.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw ProgramFileError("the program has too many nodes");
    }
    program.nodes.reserve(gene.size());
    for (std::size_t i = 0; i < gene.size(); ++i) {
        program.nodes.push_back(node_of(gene[i], i));
    }
    check_expression(program.nodes);
    program.training_fitness = measure_member(file, "training_fitness", is_fitness, fitness_range);
    if (const auto found = file.find("validation_count");
        found != file.end() && !found->is_null()) {
        program.validation_count =
            measure_member(file, "validation_count", is_point_count, count_range);
    }
    if (const auto found = file.find("provenance"); found != file.end()) {
        if (!found->is_object()) {
            throw ProgramFileError("\"provenance\" is not an object");
        }
        program.provenance = *found;
    }
    if (const auto found = file.find("simplified"); found != file.end()) {
        if (!found->is_boolean()) {
            throw ProgramFileError("\"simplified\" is neither true nor false");
        }
        program.simplified = found->get<bool>();
    }
    return program;
}

}  // namespace vorn
