#pragma once
// A program as source another tool can run: a C99 file, a Python module, or
// a one-line formula with exact constants. Each computes the same value, bit
// for bit, as the interpreter.
#include <string>
#include <string_view>

#include "program/program_file.h"

namespace vorn {

enum class ExportLanguage { c, python, formula };

// The function's name made from the output name: each byte outside
// [A-Za-z0-9_] becomes "_"; a name that is empty, starts with a digit or an
// underscore, is a C or Python keyword, a C math function or a name the
// exports define themselves (pdiv, math, ...) gets the prefix "vorn_".
[[nodiscard]] std::string exported_function_name(std::string_view output_name);

// The one-line infix formula in x and y with exact constants, every + - *
// in parentheses and the other operations as calls: sin(a), cos(a), tan(a),
// pdiv(a, b), pln(a), plog10(a), iflte(a, b, c, d). Throws ProgramFileError
// for a program that is not one complete expression with finite constants.
[[nodiscard]] std::string exact_formula(const Program& program);

// The whole export, ending in a newline: a heading that maps x and y to the
// input names and states the decision rule and each primitive's arithmetic,
// then the function (or "NAME(x, y) = formula"). Throws as exact_formula.
[[nodiscard]] std::string export_program(const Program& program, ExportLanguage language);

}  // namespace vorn
