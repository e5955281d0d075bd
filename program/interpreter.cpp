#include "program/interpreter.h"

namespace vorn {

double evaluate(const Interpreter& interpreter, std::span<const std::int32_t> gene,
                std::int32_t& position) {
    switch (interpreter.nodes.node_table[gene[position]].op) {
        case OpCode::input1:
            ++position;
            return interpreter.inputs[0];
        case OpCode::input2:
            ++position;
            return interpreter.inputs[1];
        case OpCode::constant:
            return constant_eval(interpreter, gene, position);
        case OpCode::add:
            return eval_add(interpreter, gene, position);
        case OpCode::subtract:
            return eval_subtract(interpreter, gene, position);
        case OpCode::multiply:
            return eval_multiply(interpreter, gene, position);
        case OpCode::divide:
            return eval_divide(interpreter, gene, position);
        case OpCode::sin:
            return eval_sin(interpreter, gene, position);
        case OpCode::cos:
            return eval_cos(interpreter, gene, position);
        case OpCode::tan:
            return eval_tan(interpreter, gene, position);
        case OpCode::ln:
            return eval_ln(interpreter, gene, position);
        case OpCode::log10:
            return eval_log10(interpreter, gene, position);
        case OpCode::iflte:
            return eval_iflte(interpreter, gene, position);
    }
    return 0;  // not reached: every operation is handled above
}

double variable_eval(const Interpreter& interpreter, std::span<const std::int32_t> gene,
                     std::int32_t& position) {
    const std::int32_t code = gene[position++];
    return interpreter.inputs[interpreter.nodes.node_table[code].index];
}

double constant_eval(const Interpreter& interpreter, std::span<const std::int32_t> gene,
                     std::int32_t& position) {
    const std::int32_t code = gene[position++];
    return interpreter.nodes.constant_table[interpreter.nodes.node_table[code].index];
}

void set_input1(Interpreter& interpreter, double value) {
    interpreter.inputs[0] = value;
}

void set_input2(Interpreter& interpreter, double value) {
    interpreter.inputs[1] = value;
}

double evaluate_at(Interpreter& interpreter, std::span<const std::int32_t> gene, double u,
                   double v) {
    set_input1(interpreter, u);
    set_input2(interpreter, v);
    std::int32_t position = 0;
    return evaluate(interpreter, gene, position);
}

namespace {

// Hits over the 2n points of one data set: positive points first, then
// negative points, counted in a double.
double count_hits(NodeTableView nodes, const DataColumns& data,
                  std::span<const std::int32_t> gene) {
    Interpreter interpreter(nodes);
    const std::size_t n = data.x1.size();
    double hits = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (positive_hit(evaluate_at(interpreter, gene, data.x1[i], data.y1[i]))) {
            hits = hits + 1;
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (negative_hit(evaluate_at(interpreter, gene, data.x2[i], data.y2[i]))) {
            hits = hits + 1;
        }
    }
    return hits;
}

}  // namespace

double training_fitness(NodeTableView nodes, const DataColumns& data,
                        std::span<const std::int32_t> gene) {
    const double hits = count_hits(nodes, data, gene);
    return training_fitness_from_hits(hits, static_cast<double>(data.x1.size()));
}

double training_fitness(NodeTableView nodes, const DataColumns& data,
                        std::span<const std::int32_t> gene, std::span<std::uint8_t> errors) {
    Interpreter interpreter(nodes);
    const std::size_t n = data.x1.size();
    double hits = 0;
    for (std::size_t i = 0; i < n; ++i) {
        errors[i] = 0;
        if (positive_hit(evaluate_at(interpreter, gene, data.x1[i], data.y1[i]))) {
            hits = hits + 1;
        } else {
            ++errors[i];
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (negative_hit(evaluate_at(interpreter, gene, data.x2[i], data.y2[i]))) {
            hits = hits + 1;
        } else {
            ++errors[i];
        }
    }
    return training_fitness_from_hits(hits, static_cast<double>(n));
}

double validation_fitness(NodeTableView nodes, const DataColumns& data,
                          std::span<const std::int32_t> gene) {
    const double hits = count_hits(nodes, data, gene);
    return validation_fitness_from_hits(hits, static_cast<double>(data.x1.size()));
}

}  // namespace vorn
