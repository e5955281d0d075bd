#pragma once
// The pieces the three exports share: the checks, the literals, the quoted
// names and the heading that states what the function means.
#include <string>
#include <string_view>
#include <vector>

#include "program/program_file.h"

namespace vorn::export_text {

// Arguments a node takes; 0 for the variables and constants.
[[nodiscard]] int arguments_of(OpCode op);

// Throws ProgramFileError unless the nodes are one complete expression whose
// constants are finite.
void check_exportable(const Program& program);

// A constant as a floating literal that C, Python and the formula all read as
// the same double: "5.0", "0.1", "1e+300", "-0.5", "-0.0".
[[nodiscard]] std::string constant_literal(double value);

// A value as an operand of + - or *: a negative literal in parentheses.
[[nodiscard]] std::string operand(std::string text);
[[nodiscard]] bool is_infix(OpCode op);

// The text in double quotes, escaped so that it can neither end a comment
// nor break its line in C or Python.
[[nodiscard]] std::string quoted_name(std::string_view text);

// Whether the program holds a node of each operation, indexed by OpCode.
using UsedOps = std::vector<bool>;
[[nodiscard]] UsedOps used_ops(const Program& program);
[[nodiscard]] inline bool uses(const UsedOps& used, OpCode op) {
    return used[static_cast<std::size_t>(op)];
}

// What the function's value means: its inputs and output, the decision rule
// and the arithmetic of each primitive the program uses, as comment lines
// without their comment marks.
[[nodiscard]] std::vector<std::string> heading_lines(const Program& program,
                                                     std::string_view function_name);

[[nodiscard]] std::string c_source(const Program& program, std::string_view function_name);
[[nodiscard]] std::string python_source(const Program& program, std::string_view function_name);

}  // namespace vorn::export_text
