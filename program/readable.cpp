#include "program/readable.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

#include "program/export_text.h"
#include "program/program_export.h"

namespace vorn {

namespace {

// What is written before a node's first argument, between its arguments and
// after its last, and how tightly it binds as an operand (3: never in
// parentheses). An infix operator binds by its precedence.
struct Pieces {
    std::string_view open;
    std::string_view between;
    std::string_view close;
    int binding = 3;
    bool infix = false;
};

Pieces infix(std::string_view between, int binding) {
    return {"", between, "", binding, true};
}

Pieces call(std::string_view open) {
    return {open, ", ", ")"};
}

Pieces pieces_of(OpCode op, FormulaStyle style) {
    const bool latex = style == FormulaStyle::latex;
    const bool python = style == FormulaStyle::python;
    switch (op) {
        case OpCode::add:
            return infix(" + ", 1);
        case OpCode::subtract:
            return infix(" - ", 1);
        case OpCode::multiply:
            return infix(latex ? " \\cdot " : " * ", 2);
        case OpCode::divide:
            return latex    ? Pieces{"\\frac{", "}{", "}"}
                   : python ? call("pdivide(")
                            : infix(" / ", 2);
        case OpCode::sin:
            return call(latex ? "\\sin(" : "sin(");
        case OpCode::cos:
            return call(latex ? "\\cos(" : "cos(");
        case OpCode::tan:
            return call(latex ? "\\tan(" : "tan(");
        case OpCode::ln:
            return call(latex ? "\\ln(" : python ? "pln(" : "ln(");
        case OpCode::log10:
            return call(latex ? "\\log_{10}(" : python ? "plog10(" : "log10(");
        case OpCode::iflte:
            return call(latex ? "\\operatorname{IFLTE}(" : python ? "iflte(" : "IFLTE(");
        case OpCode::input1:
        case OpCode::input2:
        case OpCode::constant:
            break;
    }
    return {};
}

std::string constant_text(double value, FormulaOptions options) {
    if (options.style == FormulaStyle::python && options.digits <= 0) {
        return export_text::constant_literal(value);
    }
    std::array<char, 64> buffer{};
    char* const first = buffer.data();
    char* const last = first + buffer.size();
    std::string text(
        first,
        options.digits > 0
            ? std::to_chars(first, last, value, std::chars_format::general, options.digits).ptr
            : std::to_chars(first, last, value).ptr);
    const auto e = text.find('e');
    if (options.style == FormulaStyle::python && text.find_first_of(".e") == std::string::npos) {
        text += ".0";
    } else if (options.style == FormulaStyle::latex && e != std::string::npos) {
        // "2.5e-07" as 2.5 \cdot 10^{-7}
        int exponent = 0;
        std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(),
                        exponent);
        text = text.substr(0, e) + " \\cdot 10^{" + std::to_string(exponent) + "}";
    }
    return text;
}

}  // namespace

std::string readable_formula(const Program& program, FormulaOptions options) {
    export_text::check_exportable(program);
    const bool latex = options.style == FormulaStyle::latex;
    const std::string_view left = latex ? "\\left(" : "(";
    const std::string_view right = latex ? "\\right)" : ")";
    // The operations still open, in prefix order, so that no depth of
    // nesting can exhaust the call stack.
    struct Open {
        OpCode op;
        Pieces pieces;
        int arguments;
        int done;
        bool parenthesized;
    };
    std::vector<Open> open;
    std::string out;
    bool after_operator = false;
    bool negated = false;  // the constant next is written without its sign
    for (std::size_t i = 0; i < program.nodes.size(); ++i) {
        const ProgramNode& node = program.nodes[i];
        const Pieces pieces = pieces_of(node.op, options.style);
        const int arguments = export_text::arguments_of(node.op);
        bool parenthesized = false;
        if (!open.empty() && open.back().pieces.infix) {
            const int binding = open.back().pieces.binding;
            parenthesized =
                pieces.binding < binding || (pieces.binding == binding && open.back().done == 1);
        }
        if (parenthesized) {
            out += left;
        }
        if (arguments > 0) {
            out += pieces.open;
            open.push_back({node.op, pieces, arguments, 0, parenthesized});
            // An infix operator writes nothing before its first operand.
            after_operator = after_operator && !parenthesized && pieces.open.empty();
            continue;
        }
        std::string text = node.op == OpCode::input1 ? "x"
                           : node.op == OpCode::input2
                               ? "y"
                               : constant_text(negated ? -node.value : node.value, options);
        negated = false;
        if (after_operator && text[0] == '-') {
            text = std::string(left) + text + std::string(right);
        }
        out += text;
        after_operator = false;
        while (!open.empty()) {
            Open& last = open.back();
            if (++last.done < last.arguments) {
                // a + (-c) is a - c and a - (-c) is a + c, bit for bit.
                const ProgramNode& next = program.nodes[i + 1];
                const bool sum = last.op == OpCode::add || last.op == OpCode::subtract;
                negated = sum && next.op == OpCode::constant && std::signbit(next.value);
                const OpCode written = !negated                 ? last.op
                                       : last.op == OpCode::add ? OpCode::subtract
                                                                : OpCode::add;
                out += pieces_of(written, options.style).between;
                after_operator = last.pieces.infix;
                break;
            }
            out += last.pieces.close;
            if (last.parenthesized) {
                out += right;
            }
            open.pop_back();
        }
    }
    return out;
}

std::string readable_export(const Program& program, FormulaOptions options) {
    const std::string formula = readable_formula(program, options);
    const bool latex = options.style == FormulaStyle::latex;
    const bool python = options.style == FormulaStyle::python;
    std::string name = exported_function_name(program.output_name);
    // The heading's lines up to its list of the primitives, which names the
    // exports' helpers; this form's own names follow.
    std::vector<std::string> lines = export_text::heading_lines(program, name);
    lines.resize(4);
    lines.emplace_back();
    lines.emplace_back(options.digits > 0
                           ? "Constants are rounded to " + std::to_string(options.digits) +
                                 " significant digits, so the value may differ."
                           : "Constants are exact; arithmetic is IEEE 754 double.");
    const export_text::UsedOps used = export_text::used_ops(program);
    if (export_text::uses(used, OpCode::divide)) {
        lines.emplace_back(latex    ? "\\frac{a}{b} = 1 when b is 0 or NaN, else a / b"
                           : python ? "pdivide(a, b) = 1 when b is 0 or NaN, else a / b"
                                    : "a / b = 1 when b is 0 or NaN");
    }
    if (export_text::uses(used, OpCode::ln) || export_text::uses(used, OpCode::log10)) {
        lines.emplace_back(std::string(latex    ? "\\ln(a), \\log_{10}(a)"
                                       : python ? "pln(a), plog10(a)"
                                                : "ln(a), log10(a)") +
                           " = 0 when m = 0, else the logarithm of m;");
        lines.emplace_back("  m = |trunc(a)| when |a| < 2^31, else 0 (also for NaN, inf)");
    }
    if (export_text::uses(used, OpCode::iflte)) {
        lines.emplace_back(std::string(latex    ? "\\operatorname{IFLTE}"
                                       : python ? "iflte"
                                                : "IFLTE") +
                           "(a, b, c, d) = d when a > b, else c");
    }
    const std::string_view mark = latex ? "%" : "#";
    std::string out;
    for (const std::string& line : lines) {
        out += std::string(mark) + (line.empty() ? "" : " " + line) + "\n";
    }
    if (latex) {
        for (std::size_t at = name.find('_'); at != std::string::npos;
             at = name.find('_', at + 2)) {
            name.insert(at, "\\");
        }
    }
    return out + name + (python ? " = " : "(x, y) = ") + formula + "\n";
}

}  // namespace vorn
