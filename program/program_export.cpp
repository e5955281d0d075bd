#include "program/program_export.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "program/export_text.h"

namespace vorn {

namespace {

// Names a function may not take: keywords of C (up to C23, and GNU's) and of
// Python, what the exports themselves define or call at file scope, and the
// C math functions, which gcc knows as built-ins and warns about when a
// function of another type takes their name.
constexpr auto reserved_names = std::to_array<std::string_view>(
    {// C
     "alignas", "alignof", "asm", "auto", "bool", "break", "case", "char", "const", "constexpr",
     "continue", "default", "do", "double", "else", "enum", "extern", "false", "float", "for",
     "goto", "if", "inline", "int", "long", "nullptr", "register", "restrict", "return", "short",
     "signed", "sizeof", "static", "static_assert", "struct", "switch", "thread_local", "true",
     "typedef", "typeof", "typeof_unqual", "union", "unsigned", "void", "volatile", "while",
     // Python
     "False", "None", "True", "and", "as", "assert", "async", "await", "class", "def", "del",
     "elif", "except", "finally", "from", "global", "import", "in", "is", "lambda", "nonlocal",
     "not", "or", "pass", "raise", "try", "with", "yield",
     // the exports' own names
     "iflte", "isinstance", "libm_cos", "libm_log", "libm_log10", "libm_sin", "libm_tan", "main",
     "math", "pcos", "pdiv", "pln", "plog10", "pmagnitude", "psin", "ptan",
     // C math functions
     "abs", "acos", "acosh", "asin", "asinh", "atan", "atan2", "atanh", "cbrt", "ceil", "copysign",
     "cos", "cosh", "erf", "erfc", "exp", "exp2", "expm1", "fabs", "fdim", "floor", "fma", "fmax",
     "fmin", "fmod", "frexp", "hypot", "ilogb", "isfinite", "isinf", "isnan", "j0", "j1", "jn",
     "ldexp", "lgamma", "llrint", "llround", "log", "log10", "log1p", "log2", "logb", "lrint",
     "lround", "modf", "nan", "nearbyint", "nextafter", "nexttoward", "pow", "remainder", "remquo",
     "rint", "round", "scalbln", "scalbn", "signbit", "sin", "sinh", "sqrt", "tan", "tanh",
     "tgamma", "trunc", "y0", "y1", "yn"});

bool is_name_byte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

std::string hex_escape(std::string_view prefix, std::uint32_t value, int digits) {
    constexpr std::string_view hex = "0123456789abcdef";
    std::string out(prefix);
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
        out += hex[(value >> shift) & 0xF];
    }
    return out;
}

// Length and code point of the well-formed UTF-8 sequence starting the text;
// length 0 when there is none.
std::pair<std::size_t, char32_t> utf8_sequence(std::string_view s) {
    const auto lead = static_cast<unsigned char>(s[0]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || s.size() < length) {
        return {0, 0};
    }
    char32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(s[i]);
        if ((next & 0xC0) != 0x80) {
            return {0, 0};
        }
        code = (code << 6) | (next & 0x3F);
    }
    constexpr std::array<char32_t, 5> smallest = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return {0, 0};
    }
    return {length, code};
}

// Characters an editor or compiler may take as a line break or as a change of
// text direction; they are written escaped.
bool is_hidden_character(char32_t c) {
    return c < 0xA0 || (c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) ||
           (c >= 0x2060 && c <= 0x206F) || c == 0x061C || c == 0xFEFF;
}

std::string terminal_text(const ProgramNode& node) {
    switch (node.op) {
        case OpCode::input1:
            return "x";
        case OpCode::input2:
            return "y";
        default:
            return export_text::constant_literal(node.value);
    }
}

// What the formula writes before a node's first argument and between its
// arguments.
std::pair<std::string_view, std::string_view> formula_pieces(OpCode op) {
    switch (op) {
        case OpCode::add:
            return {"(", " + "};
        case OpCode::subtract:
            return {"(", " - "};
        case OpCode::multiply:
            return {"(", " * "};
        case OpCode::divide:
            return {"pdiv(", ", "};
        case OpCode::sin:
            return {"sin(", ""};
        case OpCode::cos:
            return {"cos(", ""};
        case OpCode::tan:
            return {"tan(", ""};
        case OpCode::ln:
            return {"pln(", ""};
        case OpCode::log10:
            return {"plog10(", ""};
        case OpCode::iflte:
            return {"iflte(", ", "};
        default:
            return {"", ""};
    }
}

std::string formula_export(const Program& program) {
    const std::string name = exported_function_name(program.output_name);
    std::string out;
    for (const std::string& line : export_text::heading_lines(program, name)) {
        out += line.empty() ? "#\n" : "# " + line + "\n";
    }
    out += name + "(x, y) = " + exact_formula(program) + "\n";
    return out;
}

}  // namespace

std::string exported_function_name(std::string_view output_name) {
    std::string name;
    for (char c : output_name) {
        name += is_name_byte(c) ? c : '_';
    }
    const bool reserved = std::ranges::find(reserved_names, name) != reserved_names.end();
    // C keeps names that start with an underscore for itself.
    if (name.empty() || reserved || name[0] == '_' || (name[0] >= '0' && name[0] <= '9')) {
        name = "vorn_" + name;
    }
    return name;
}

std::string exact_formula(const Program& program) {
    export_text::check_exportable(program);
    // The nodes in prefix order with a stack of the operations still open, so
    // that no depth of nesting can exhaust the call stack.
    struct Open {
        OpCode op;
        int arguments_left;
    };
    std::vector<Open> open;
    std::string out;
    for (const ProgramNode& node : program.nodes) {
        const int arguments = export_text::arguments_of(node.op);
        if (arguments > 0) {
            out += formula_pieces(node.op).first;
            open.push_back({node.op, arguments});
            continue;
        }
        const std::string text = terminal_text(node);
        out += !open.empty() && export_text::is_infix(open.back().op) ? export_text::operand(text)
                                                                      : text;
        while (!open.empty()) {
            if (--open.back().arguments_left > 0) {
                out += formula_pieces(open.back().op).second;
                break;
            }
            out += ')';
            open.pop_back();
        }
    }
    return out;
}

std::string export_program(const Program& program, ExportLanguage language) {
    export_text::check_exportable(program);
    const std::string name = exported_function_name(program.output_name);
    switch (language) {
        case ExportLanguage::c:
            return export_text::c_source(program, name);
        case ExportLanguage::python:
            return export_text::python_source(program, name);
        case ExportLanguage::formula:
            break;
    }
    return formula_export(program);
}

namespace export_text {

int arguments_of(OpCode op) {
    switch (op) {
        case OpCode::input1:
        case OpCode::input2:
        case OpCode::constant:
            return 0;
        case OpCode::sin:
        case OpCode::cos:
        case OpCode::tan:
        case OpCode::ln:
        case OpCode::log10:
            return 1;
        case OpCode::iflte:
            return 4;
        case OpCode::add:
        case OpCode::subtract:
        case OpCode::multiply:
        case OpCode::divide:
            break;
    }
    return 2;
}

void check_exportable(const Program& program) {
    std::int64_t open = 1;
    for (std::size_t i = 0; i < program.nodes.size(); ++i) {
        const ProgramNode& node = program.nodes[i];
        if (open == 0) {
            throw ProgramFileError("the program is complete before node " + std::to_string(i));
        }
        if (node.op == OpCode::constant && !std::isfinite(node.value)) {
            throw ProgramFileError("the constant at node " + std::to_string(i) +
                                   " is not a finite number");
        }
        open += arguments_of(node.op) - 1;
    }
    if (open != 0) {
        throw ProgramFileError("the program ends before its last argument");
    }
}

std::string constant_literal(double value) {
    std::array<char, 32> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    std::string text(buffer.data(), end);
    if (text.find_first_of(".e") == std::string::npos) {
        text += ".0";
    }
    return text;
}

std::string operand(std::string text) {
    return text[0] == '-' ? "(" + text + ")" : text;
}

bool is_infix(OpCode op) {
    return op == OpCode::add || op == OpCode::subtract || op == OpCode::multiply;
}

std::string quoted_name(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const char before = i > 0 ? text[i - 1] : '\0';
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            const auto [length, code] = utf8_sequence(text.substr(i));
            if (length == 0) {
                out += hex_escape("\\x", byte, 2);
                ++i;
            } else {
                out += is_hidden_character(code) ? hex_escape("\\u", code, 4)
                                                 : std::string(text.substr(i, length));
                i += length;
            }
            continue;
        }
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (byte < 0x20 || byte == 0x7F) {
            out += hex_escape("\\x", byte, 2);
        } else if ((c == '/' && before == '*') || (c == '*' && before == '/') ||
                   (c == '?' && before == '?')) {
            // Neither "*/" nor "/*" may appear, nor a trigraph.
            out += '\\';
            out += c;
        } else {
            out += c;
        }
        ++i;
    }
    return out + "\"";
}

UsedOps used_ops(const Program& program) {
    UsedOps used(static_cast<std::size_t>(OpCode::iflte) + 1, false);
    for (const ProgramNode& node : program.nodes) {
        used[static_cast<std::size_t>(node.op)] = true;
    }
    return used;
}

std::vector<std::string> heading_lines(const Program& program, std::string_view function_name) {
    const std::string name(function_name);
    std::vector<std::string> lines = {
        name + "(x, y): a program exported by VORN.",
        "  x is the input " + quoted_name(program.input1_name) + ", y is the input " +
            quoted_name(program.input2_name) + ", the value is the output " +
            quoted_name(program.output_name) + ".",
        "  A value > 0 means the positive class; a value < 0 or NaN, the negative class;",
        "  0 and -0 are wrong for either class.",
        "",
        "Arithmetic is IEEE 754 double, rounded to nearest; every argument is evaluated."};
    const UsedOps used = used_ops(program);
    const std::string magnitude = "m = |trunc(a)| when |a| < 2^31, else 0 (also for NaN, inf)";
    if (uses(used, OpCode::divide)) {
        lines.push_back("  pdiv(a, b)        = 1 when b is 0 or NaN, else a / b");
    }
    if (uses(used, OpCode::ln)) {
        lines.push_back("  pln(a)            = 0 when m = 0, else ln(m);");
        lines.push_back("                      " + magnitude);
    }
    if (uses(used, OpCode::log10)) {
        lines.push_back("  plog10(a)         = 0 when m = 0, else log10(m);");
        lines.push_back("                      " + magnitude);
    }
    if (uses(used, OpCode::iflte)) {
        lines.push_back("  iflte(a, b, c, d) = d when a > b, else c (so c when a or b is NaN)");
    }
    if (uses(used, OpCode::sin) || uses(used, OpCode::cos) || uses(used, OpCode::tan)) {
        lines.push_back("  sin, cos, tan     = the C library's; NaN when a is infinite or NaN");
    }
    return lines;
}

}  // namespace export_text

}  // namespace vorn
