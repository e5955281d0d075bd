#include "program/interpreter.h"

#include "problem/problem_setting.h"

namespace vorn {

double evaluate(const Tproblem_setting& setting, std::span<const std::int32_t> gene,
                std::int32_t& position) {
    switch (setting.node_table[gene[position]].op) {
        case OpCode::input1:
            ++position;
            return setting.variable_values[0];
        case OpCode::input2:
            ++position;
            return setting.variable_values[1];
        case OpCode::constant:
            return constant_eval(setting, gene, position);
        case OpCode::add:
            return eval_add(setting, gene, position);
        case OpCode::subtract:
            return eval_subtract(setting, gene, position);
        case OpCode::multiply:
            return eval_multiply(setting, gene, position);
        case OpCode::divide:
            return eval_divide(setting, gene, position);
        case OpCode::sin:
            return eval_sin(setting, gene, position);
        case OpCode::cos:
            return eval_cos(setting, gene, position);
        case OpCode::tan:
            return eval_tan(setting, gene, position);
        case OpCode::ln:
            return eval_ln(setting, gene, position);
        case OpCode::log10:
            return eval_log10(setting, gene, position);
        case OpCode::iflte:
            return eval_iflte(setting, gene, position);
    }
    return 0;  // not reached: every code is handled above
}

double variable_eval(const Tproblem_setting& setting, std::span<const std::int32_t> gene,
                     std::int32_t& position) {
    const std::int32_t code = gene[position++];
    return setting.variable_values[setting.node_table[code].index];
}

double constant_eval(const Tproblem_setting& setting, std::span<const std::int32_t> gene,
                     std::int32_t& position) {
    const std::int32_t code = gene[position++];
    return setting.constant_table[setting.node_table[code].index];
}

void set_input1(Tproblem_setting& setting, double value) {
    setting.variable_values[0] = value;
}

void set_input2(Tproblem_setting& setting, double value) {
    setting.variable_values[1] = value;
}

double evaluate_at(Tproblem_setting& setting, std::span<const std::int32_t> gene, double u,
                   double v) {
    set_input1(setting, u);
    set_input2(setting, v);
    std::int32_t position = 0;
    return evaluate(setting, gene, position);
}

namespace {

// Hits over the 2n points of one data set: positive points first, then
// negative points, counted in a double.
double count_hits(Tproblem_setting& setting, std::span<const std::int32_t> gene, std::int32_t n,
                  const std::vector<double>& x1, const std::vector<double>& y1,
                  const std::vector<double>& x2, const std::vector<double>& y2) {
    double hits = 0;
    for (std::int32_t i = 0; i < n; ++i) {
        if (positive_hit(evaluate_at(setting, gene, x1[i], y1[i]))) {
            hits = hits + 1;
        }
    }
    for (std::int32_t i = 0; i < n; ++i) {
        if (negative_hit(evaluate_at(setting, gene, x2[i], y2[i]))) {
            hits = hits + 1;
        }
    }
    return hits;
}

}  // namespace

double training_fitness(Tproblem_setting& setting, std::span<const std::int32_t> gene) {
    const std::int32_t n = setting.num_training_rows;
    const double hits = count_hits(setting, gene, n, setting.train_x1, setting.train_y1,
                                   setting.train_x2, setting.train_y2);
    return training_fitness_from_hits(hits, n);
}

double validation_fitness(Tproblem_setting& setting, std::span<const std::int32_t> gene) {
    const std::int32_t m = setting.num_validation_rows;
    const double hits = count_hits(setting, gene, m, setting.valid_x1, setting.valid_y1,
                                   setting.valid_x2, setting.valid_y2);
    return validation_fitness_from_hits(hits, m);
}

}  // namespace vorn
