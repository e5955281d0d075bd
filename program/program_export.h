#pragma once
// A program as source another tool can run: a C99 file, a Python module, or
// a one-line formula with exact constants. Each computes the same value, bit
// for bit, as the interpreter.
#include <string>
#include <string_view>

#include "program/program_file.h"

namespace vorn {

enum class ExportLanguage { c, python, formula };

// The function's name made from the output name: characters outside
// [A-Za-z0-9_] become "_"; an empty name, one that starts with a digit, and
// a C or Python keyword get the prefix "vorn_".
[[nodiscard]] std::string exported_function_name(std::string_view output_name);

// The one-line infix formula with exact constants and the protected
// operations as calls: pdiv(a, b), pln(a), plog10(a), iflte(a, b, c, d).
[[nodiscard]] std::string exact_formula(const Program& program);

// The whole export, ending in a newline.
[[nodiscard]] std::string export_program(const Program& program, ExportLanguage language);

}  // namespace vorn
