#include <cmath>

#include "program/functable.h"
#include "program/interpreter.h"

namespace vorn {

double protected_divide(double a, double b) {
    // A NaN divisor is treated like zero.
    if (b == 0 || std::isnan(b)) {
        return 1;
    }
    return a / b;
}

namespace {

// Magnitude of the argument truncated to a signed 32-bit integer, or 0 when
// the truncated value does not fit (NaN and infinities included).
double integer_magnitude(double a) {
    if (!(std::fabs(a) < 2147483648.0)) {
        return 0;
    }
    const auto k = static_cast<std::int64_t>(a);
    return static_cast<double>(k < 0 ? -k : k);
}

}  // namespace

double integer_ln(double a) {
    const double m = integer_magnitude(a);
    return m == 0 ? 0 : std::log(m);
}

double integer_log10(double a) {
    const double m = integer_magnitude(a);
    return m == 0 ? 0 : std::log10(m);
}

namespace {
using Gene = std::span<const std::int32_t>;
}  // namespace

// Every argument is evaluated left to right, also those whose value is not
// used, so that the position ends past the whole subtree.
double eval_add(const Interpreter& in, Gene g, std::int32_t& p) {
    ++p;
    const double a = evaluate(in, g, p);
    const double b = evaluate(in, g, p);
    return a + b;
}

double eval_subtract(const Interpreter& in, Gene g, std::int32_t& p) {
    ++p;
    const double a = evaluate(in, g, p);
    const double b = evaluate(in, g, p);
    return a - b;
}

double eval_multiply(const Interpreter& in, Gene g, std::int32_t& p) {
    ++p;
    const double a = evaluate(in, g, p);
    const double b = evaluate(in, g, p);
    return a * b;
}

double eval_divide(const Interpreter& in, Gene g, std::int32_t& p) {
    ++p;
    const double a = evaluate(in, g, p);
    const double b = evaluate(in, g, p);
    return protected_divide(a, b);
}

double eval_sin(const Interpreter& in, Gene g, std::int32_t& p) {
    ++p;
    return std::sin(evaluate(in, g, p));
}

double eval_cos(const Interpreter& in, Gene g, std::int32_t& p) {
    ++p;
    return std::cos(evaluate(in, g, p));
}

double eval_tan(const Interpreter& in, Gene g, std::int32_t& p) {
    ++p;
    return std::tan(evaluate(in, g, p));
}

double eval_ln(const Interpreter& in, Gene g, std::int32_t& p) {
    ++p;
    return integer_ln(evaluate(in, g, p));
}

double eval_log10(const Interpreter& in, Gene g, std::int32_t& p) {
    ++p;
    return integer_log10(evaluate(in, g, p));
}

double eval_iflte(const Interpreter& in, Gene g, std::int32_t& p) {
    ++p;
    const double a = evaluate(in, g, p);
    const double b = evaluate(in, g, p);
    const double c = evaluate(in, g, p);
    const double d = evaluate(in, g, p);
    return iflte(a, b, c, d);
}

std::vector<functable> build_function_table() {
    struct Row {
        std::int32_t arity_less_one;
        EvalRoutine eval;
        OpCode op;
    };
    constexpr std::array<Row, num_primitives> rows = {{{1, eval_add, OpCode::add},
                                                       {1, eval_subtract, OpCode::subtract},
                                                       {1, eval_multiply, OpCode::multiply},
                                                       {1, eval_divide, OpCode::divide},
                                                       {0, eval_sin, OpCode::sin},
                                                       {0, eval_cos, OpCode::cos},
                                                       {0, eval_tan, OpCode::tan},
                                                       {0, eval_ln, OpCode::ln},
                                                       {0, eval_log10, OpCode::log10},
                                                       {3, eval_iflte, OpCode::iflte}}};
    std::vector<functable> table(num_primitives);
    for (int i = 0; i < num_primitives; ++i) {
        table[i].arity_less_one = rows[i].arity_less_one;
        table[i].name = std::string(primitive_names[i]);
        table[i].eval = rows[i].eval;
        table[i].index = i;
        table[i].op = rows[i].op;
    }
    return table;
}

}  // namespace vorn
