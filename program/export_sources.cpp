// The C and Python exports: the helpers the program needs, then the
// function as straight-line code with one assignment per operation, so that
// neither compiler meets an expression nested as deep as the program.
#include <array>

#include "program/export_text.h"

namespace vorn::export_text {

namespace {

struct Language {
    std::string_view assignment;             // the start of a line that assigns t<node>
    std::string_view statement_end;          // what ends it
    std::array<std::string_view, 3> trig{};  // the calls for sin, cos and tan
    std::string_view divide = "pdiv";
    std::string_view iflte = "iflte";
    // Whether sin, cos, tan and the logarithms go through _each, which calls
    // the scalar helper point by point: numpy's own differ in the last bits.
    bool each = false;
};

constexpr Language c_language = {"    const double t", ";", {"libm_sin", "libm_cos", "libm_tan"}};
constexpr Language python_language = {"    t", "", {"psin", "pcos", "ptan"}};
constexpr Language numpy_language = {.assignment = "            t",
                                     .statement_end = "",
                                     .trig = {"psin", "pcos", "ptan"},
                                     .divide = "_pdiv",
                                     .iflte = "_iflte",
                                     .each = true};

std::string call(std::string_view function, const std::vector<std::string>& arguments) {
    std::string out(function);
    out += '(';
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        out += (i > 0 ? ", " : "") + arguments[i];
    }
    return out + ')';
}

std::string expression(OpCode op, const std::vector<std::string>& a, const Language& language) {
    const auto unary = [&](std::string_view function) {
        return language.each ? call("_each", {std::string(function), a[0]}) : call(function, a);
    };
    switch (op) {
        case OpCode::add:
            return operand(a[0]) + " + " + operand(a[1]);
        case OpCode::subtract:
            return operand(a[0]) + " - " + operand(a[1]);
        case OpCode::multiply:
            return operand(a[0]) + " * " + operand(a[1]);
        case OpCode::divide:
            return call(language.divide, a);
        case OpCode::sin:
            return unary(language.trig[0]);
        case OpCode::cos:
            return unary(language.trig[1]);
        case OpCode::tan:
            return unary(language.trig[2]);
        case OpCode::ln:
            return unary("pln");
        case OpCode::log10:
            return unary("plog10");
        case OpCode::iflte:
            return call(language.iflte, a);
        case OpCode::input1:
            return "x";
        case OpCode::input2:
            return "y";
        case OpCode::constant:
            break;
    }
    return "";
}

// The assignments from the last node to the first, so that every argument is
// assigned before its operation, and the text of the root's value. The nodes
// must be one complete expression.
std::string body(const Program& program, const Language& language, std::string& result) {
    std::vector<std::string> values;
    std::string out;
    for (std::size_t i = program.nodes.size(); i-- > 0;) {
        const ProgramNode& node = program.nodes[i];
        if (node.op == OpCode::constant) {
            values.push_back(constant_literal(node.value));
            continue;
        }
        std::vector<std::string> arguments(static_cast<std::size_t>(arguments_of(node.op)));
        for (std::string& argument : arguments) {
            argument = std::move(values.back());
            values.pop_back();
        }
        if (arguments.empty()) {
            values.push_back(expression(node.op, arguments, language));
            continue;
        }
        const std::string name = std::to_string(i);
        out += std::string(language.assignment) + name + " = " +
               expression(node.op, arguments, language) + std::string(language.statement_end) +
               "\n";
        values.push_back("t" + name);
    }
    result = values.back();
    return out;
}

std::string comment_block(const std::vector<std::string>& lines, std::string_view mark) {
    std::string out;
    for (const std::string& line : lines) {
        out += line.empty() ? std::string(mark) + "\n" : std::string(mark) + " " + line + "\n";
    }
    return out;
}

struct Logarithm {
    OpCode op;
    std::string_view helper;
    std::string_view library;
};
constexpr std::array<Logarithm, 2> logarithms = {
    {{OpCode::ln, "pln", "log"}, {OpCode::log10, "plog10", "log10"}}};

constexpr std::string_view c_magnitude = R"(static double pmagnitude(double a)
{
    int k;
    if (!(a > -2147483648.0 && a < 2147483648.0)) {
        return 0.0;
    }
    k = (int)a;
    return k < 0 ? -(double)k : (double)k;
}

)";

// C linkage when compiled as C++, so a C++ program links the same function.
constexpr std::string_view c_open = "#ifdef __cplusplus\nextern \"C\" {\n#endif\n\n";
constexpr std::string_view c_close = "\n#ifdef __cplusplus\n}\n#endif\n";

constexpr std::string_view python_magnitude = R"(def pmagnitude(a):
    if not math.fabs(a) < 2147483648.0:
        return 0.0
    return math.fabs(math.trunc(a))


)";

// The array forms of the helpers, named with an underscore, which no
// exported function's name starts with.
std::string numpy_helpers(const UsedOps& used, bool each) {
    std::string out;
    if (uses(used, OpCode::divide)) {
        out +=
            "def _pdiv(a, b):\n    import numpy as np\n"
            "    return np.where((b == 0.0) | (b != b), 1.0, np.divide(a, b))\n\n\n";
    }
    if (uses(used, OpCode::iflte)) {
        out +=
            "def _iflte(a, b, c, d):\n    import numpy as np\n    return np.where(a > b, d, "
            "c)\n\n\n";
    }
    if (each) {
        out +=
            "def _each(f, a):\n    import numpy as np\n"
            "    return np.asarray(np.frompyfunc(f, 1, 1)(a), dtype=np.float64)\n\n\n";
    }
    return out;
}

// Arrays take the numpy form; anything else is read as a float, as before
// arrays were taken. numpy is looked up, not imported, so that a caller
// without it still runs.
constexpr std::string_view numpy_dispatch = R"(    np = _modules.get("numpy")
    if np is not None and (isinstance(x, np.ndarray) or isinstance(y, np.ndarray)):
        x, y = np.broadcast_arrays(np.asarray(x, dtype=np.float64), np.asarray(y, dtype=np.float64))
)";

}  // namespace

std::string c_source(const Program& program, std::string_view function_name) {
    const UsedOps used = used_ops(program);
    const std::string name(function_name);
    std::vector<std::string> lines = heading_lines(program, name);
    lines.insert(lines.end(),
                 {"", "Compiled for x86-64 without -ffast-math, as by",
                  "  cc -std=c99 -O2 -ffp-contract=off -c FILE.c      (link with -lm)",
                  "it gives the same bits as VORN's interpreter on the same C math library;",
                  "-march=native or -ffast-math builds may differ in the last bits.",
                  "A C++ program may compile it as well: its functions have C linkage."});
    std::string out = "/*\n" + comment_block(lines, " *") + " */\n\n" + std::string(c_open);

    // Declared here rather than by <math.h>, whose macros could meet the
    // function's name; called through volatile pointers, so the compiler
    // cannot fold a call on a constant with a rounding of its own.
    struct Library {
        OpCode op;
        std::string_view name;
    };
    constexpr std::array<Library, 5> library = {{{OpCode::sin, "sin"},
                                                 {OpCode::cos, "cos"},
                                                 {OpCode::tan, "tan"},
                                                 {OpCode::ln, "log"},
                                                 {OpCode::log10, "log10"}}};
    std::string pointers;
    for (const Library& f : library) {
        if (uses(used, f.op)) {
            const std::string n(f.name);
            out += "double " + n + "(double);\n";
            pointers += "static double (*volatile libm_" + n + ")(double) = " + n + ";\n";
        }
    }
    if (!pointers.empty()) {
        out += "\n" + pointers + "\n";
    }
    if (uses(used, OpCode::divide)) {
        out +=
            "static double pdiv(double a, double b)\n{\n"
            "    return (b == 0.0 || b != b) ? 1.0 : a / b;\n}\n\n";
    }
    if (uses(used, OpCode::ln) || uses(used, OpCode::log10)) {
        out += c_magnitude;
    }
    for (const Logarithm& f : logarithms) {
        if (uses(used, f.op)) {
            out += "static double " + std::string(f.helper) +
                   "(double a)\n{\n    const double m = pmagnitude(a);\n"
                   "    return m == 0.0 ? 0.0 : libm_" +
                   std::string(f.library) + "(m);\n}\n\n";
        }
    }
    if (uses(used, OpCode::iflte)) {
        out +=
            "static double iflte(double a, double b, double c, double d)\n{\n"
            "    return a > b ? d : c;\n}\n\n";
    }
    std::string result;
    const std::string assignments = body(program, c_language, result);
    const std::string signature = "double " + name + "(double x, double y)";
    return out + signature + ";\n\n" + signature + "\n{\n    (void)x;\n    (void)y;\n" +
           assignments + "    return " + result + ";\n}\n" + std::string(c_close);
}

std::string python_source(const Program& program, std::string_view function_name) {
    const UsedOps used = used_ops(program);
    const std::string name(function_name);
    std::vector<std::string> lines = heading_lines(program, name);
    lines.insert(lines.end(),
                 {"", "Python's floats are IEEE 754 doubles and its math module calls the C",
                  "math library, so this gives the same bits as VORN's interpreter on the",
                  "same library; the helpers give NaN where the math module would raise.", "",
                  "Given numpy arrays (of shapes that broadcast together) it gives an array",
                  "of doubles with the same bits at every point: numpy does the arithmetic",
                  "and the protected cases, while sin, cos, tan and the logarithms call the",
                  "math module point by point, as numpy's own differ in the last bits.",
                  "Floats alone never import numpy.", "",
                  "The interpreter's bits are those of a build with -ffp-contract=off and",
                  "without -ffast-math; -march=native or -ffast-math builds may differ."});
    std::string out =
        comment_block(lines, "#") + "import math\nfrom sys import modules as _modules\n\n\n";
    if (uses(used, OpCode::divide)) {
        out +=
            "def pdiv(a, b):\n    if b == 0.0 or b != b:\n        return 1.0\n"
            "    return a / b\n\n\n";
    }
    if (uses(used, OpCode::ln) || uses(used, OpCode::log10)) {
        out += python_magnitude;
    }
    for (const Logarithm& f : logarithms) {
        if (uses(used, f.op)) {
            out += "def " + std::string(f.helper) +
                   "(a):\n    m = pmagnitude(a)\n    return 0.0 if m == 0.0 else math." +
                   std::string(f.library) + "(m)\n\n\n";
        }
    }
    if (uses(used, OpCode::iflte)) {
        out += "def iflte(a, b, c, d):\n    return d if a > b else c\n\n\n";
    }
    const std::array<std::pair<OpCode, std::string_view>, 3> trig = {
        {{OpCode::sin, "sin"}, {OpCode::cos, "cos"}, {OpCode::tan, "tan"}}};
    bool each = uses(used, OpCode::ln) || uses(used, OpCode::log10);
    for (const auto& [op, f] : trig) {
        if (uses(used, op)) {
            const std::string n(f);
            out += "def p" + n + "(a):\n    return math.nan if math.isinf(a) else math." + n +
                   "(a)\n\n\n";
            each = true;
        }
    }
    out += numpy_helpers(used, each);
    std::string result;
    const std::string assignments = body(program, python_language, result);
    std::string array_result;
    const std::string array_assignments = body(program, numpy_language, array_result);
    out += "def " + name + "(x, y):\n" + std::string(numpy_dispatch);
    if (!array_assignments.empty()) {
        out += "        with np.errstate(all=\"ignore\"):\n" + array_assignments;
    }
    return out + "        return np.array(np.broadcast_to(" + array_result +
           ", x.shape), dtype=np.float64)\n    x = float(x)\n    y = float(y)\n" + assignments +
           "    return " + result + "\n";
}

}  // namespace vorn::export_text
