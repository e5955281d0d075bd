#pragma once
// Small programs written as prefix tokens for tables of cases: "x", "y",
// numbers and the primitives' printed names ("+ x * y 0.5").
#include <algorithm>
#include <sstream>
#include <string>

#include "program/program_file.h"

namespace vorn::testing {

inline Program prefix_program(const std::string& text) {
    const std::vector<functable> primitives = build_function_table();
    Program program;
    std::istringstream in(text);
    for (std::string token; in >> token;) {
        const auto row = std::ranges::find(primitives, token, &functable::name);
        program.nodes.push_back(token == "x"   ? ProgramNode{OpCode::input1}
                                : token == "y" ? ProgramNode{OpCode::input2}
                                : row != primitives.end()
                                    ? ProgramNode{row->op}
                                    : ProgramNode{OpCode::constant, std::stod(token)});
    }
    return program;
}

}  // namespace vorn::testing
