#include "program/infix.h"

namespace vorn {

namespace {

void append_infix(std::span<const functable> node_table, std::span<const std::int32_t> gene,
                  std::int32_t& position, std::string& out) {
    const functable& node = node_table[gene[position]];
    const auto append_argument = [&] {
        ++position;
        append_infix(node_table, gene, position, out);
    };
    // Every piece carries its own blanks, so blanks come doubled between
    // neighbouring pieces.
    switch (node.op) {
        case OpCode::sin:
        case OpCode::cos:
        case OpCode::tan:
        case OpCode::ln:
        case OpCode::log10:
            out += ' ' + node.name + "  (";
            append_argument();
            out += ") ";
            break;
        case OpCode::add:
        case OpCode::subtract:
        case OpCode::multiply:
        case OpCode::divide:
            out += " (";
            append_argument();
            out += ' ' + node.name + ' ';
            append_argument();
            out += ") ";
            break;
        case OpCode::iflte:
            out += ' ' + node.name + "  (";
            append_argument();
            out += ", ";
            append_argument();
            out += ", ";
            append_argument();
            out += ", ";
            append_argument();
            out += ")";
            break;
        case OpCode::input1:
        case OpCode::input2:
        case OpCode::constant:
            out += ' ' + node.name + ' ';
            break;
    }
}

}  // namespace

std::string infix_text(std::span<const functable> node_table, std::span<const std::int32_t> gene,
                       std::int32_t& position) {
    std::string out;
    append_infix(node_table, gene, position, out);
    return out;
}

std::string infix_text(std::span<const functable> node_table, std::span<const std::int32_t> gene) {
    std::int32_t position = 0;
    return infix_text(node_table, gene, position);
}

}  // namespace vorn
