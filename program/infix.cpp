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
    switch (node.arity_less_one) {
        case 0:
            out += ' ' + node.name + "  (";
            append_argument();
            out += ") ";
            break;
        case 1:
            out += " (";
            append_argument();
            out += ' ' + node.name + ' ';
            append_argument();
            out += ") ";
            break;
        case 3:
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
        default:
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
