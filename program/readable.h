#pragma once
// A program as a formula to read or to hand to another tool: the fewest
// parentheses that keep its order of operations, single blanks, and
// constants in their shortest exact form or rounded to a number of digits.
// The formula written next to a run's results is infix_text, not this.
#include <string>

#include "program/program_file.h"

namespace vorn {

// How the formula is written; every form names the inputs x and y.
//   plain: a + b, a - b, a * b, a / b, sin(a), cos(a), tan(a), ln(a),
//          log10(a), IFLTE(a, b, c, d); / is the protected division (1 where
//          b is 0 or NaN), ln and log10 take |trunc(a)| as the exports do.
//   latex: a + b, a - b, a \cdot b, \frac{a}{b}, \sin(a), \ln(a),
//          \log_{10}(a), \operatorname{IFLTE}(a, b, c, d), 2.5 \cdot 10^{-7}.
//   python: a Python and SymPy expression: a + b, a - b, a * b,
//          pdivide(a, b), sin(a), cos(a), tan(a), pln(a), plog10(a),
//          iflte(a, b, c, d) and float literals ("5.0", "-0.0"). SymPy reads
//          the protected ones as undefined functions (its own pdiv is another
//          thing); Python runs it with the Python export's helpers (pdiv,
//          pln, plog10, iflte, psin, pcos, ptan).
enum class FormulaStyle { plain, latex, python };

struct FormulaOptions {
    FormulaStyle style = FormulaStyle::plain;
    int digits = 0;  // significant digits of the constants; 0: shortest exact
};

// + and - bind less than * and /; an operand of the same binding is put in
// parentheses only on the right, where leaving them out would change the
// order of the rounding operations. A negative constant after + or - is
// written as its magnitude after - or + (the same operation, bit for bit),
// after * or / in parentheses. Throws ProgramFileError as exact_formula does.
[[nodiscard]] std::string readable_formula(const Program& program, FormulaOptions options = {});

// The formula as a file, ending in a newline: comment lines ("% " for LaTeX,
// "# " otherwise) that map x and y to the input names and state the decision
// rule and the protected operations, then "NAME(x, y) = formula" (Python:
// "NAME = formula"), NAME as the exports make it.
[[nodiscard]] std::string readable_export(const Program& program, FormulaOptions options);

}  // namespace vorn
