#include "program/batch_eval.h"

#include <algorithm>
#include <cmath>

#include "program/interpreter.h"

namespace vorn {

namespace {

// Tight element loops; `out` never aliases an input (result_buffer sees to
// that), so the compiler may vectorize them.
template <class F>
void unary_loop(F f, const double* __restrict a, double* __restrict out, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = f(a[i]);
    }
}

template <class F>
void binary_loop(F f, const double* __restrict a, const double* __restrict b,
                 double* __restrict out, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = f(a[i], b[i]);
    }
}

template <class F>
void binary_loop_scalar_a(F f, double a, const double* __restrict b, double* __restrict out,
                          std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = f(a, b[i]);
    }
}

template <class F>
void binary_loop_scalar_b(F f, const double* __restrict a, double b, double* __restrict out,
                          std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = f(a[i], b);
    }
}

void iflte_loop(const double* __restrict a, const double* __restrict b, const double* __restrict c,
                const double* __restrict d, double* __restrict out, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = iflte(a[i], b[i], c[i], d[i]);
    }
}

// The same protected division as the interpreter, written so that the
// division itself never sees the guarded divisor and the loop can vectorize.
inline double divide(double a, double b) {
    const bool guarded = b == 0 || b != b;
    const double q = a / (guarded ? 1.0 : b);
    return guarded ? 1.0 : q;
}

}  // namespace

BatchEvaluator::BatchEvaluator(NodeTableView nodes, const DataColumns& training,
                               const DataColumns& validation, std::int32_t max_length)
    : training_(join(training)), validation_(join(validation)) {
    nodes_.reserve(nodes.node_table.size());
    for (const functable& row : nodes.node_table) {
        nodes_.push_back({row.op, row.arity_less_one,
                          row.op == OpCode::constant ? nodes.constant_table[row.index] : 0});
    }
    // Room for the operand stacks of ordinary programs; a deeper one makes
    // it grow (see reserve_depth), so a huge "Maximum Length" costs nothing
    // until a program needs it.
    reserve_depth(first_depth(max_length));
}

double BatchEvaluator::initial_bytes(std::size_t nodes, std::size_t training_rows,
                                     std::size_t validation_rows, std::int32_t max_length) {
    const auto slots = static_cast<double>(first_depth(max_length)) + 1;
    // Each row is two points of two coordinates.
    return static_cast<double>(nodes) * sizeof(Node) +
           static_cast<double>(training_rows + validation_rows) * 4 * sizeof(double) +
           slots * sizeof(Operand) + (broadcast_buffers + 2 * slots) * block_size * sizeof(double);
}

void BatchEvaluator::reserve_depth(std::int32_t depth) {
    const auto slots = static_cast<std::size_t>(depth) + 1;
    const std::size_t columns = broadcast_buffers + 2 * slots;
    width_ = std::clamp<std::size_t>(buffer_budget / columns, 1, block_size);
    if (slots > stack_.size()) {
        stack_.resize(slots);
    }
    if (columns * width_ > buffers_.size()) {
        buffers_.resize(columns * width_);
    }
}

void BatchEvaluator::reserve_for(std::span<const std::int32_t> gene) {
    // The operand stack of a right-to-left walk: a terminal pushes one
    // operand, a function of k arguments replaces k by one.
    std::int32_t depth = 0;
    std::int32_t deepest = 0;
    for (auto p = static_cast<std::int32_t>(gene.size()) - 1; p >= 0; --p) {
        depth -= nodes_[gene[p]].arity_less_one;
        deepest = std::max(deepest, depth);
    }
    reserve_depth(deepest);
}

std::int32_t BatchEvaluator::result_buffer(std::int32_t slot, const Operand* args,
                                           int count) const {
    // Arguments at higher slots use their own slots' buffers; only the
    // argument at this slot can hold one of this slot's two buffers.
    const std::int32_t first = broadcast_buffers + 2 * slot;
    for (int k = 0; k < count; ++k) {
        if (args[k].buffer == first) {
            return first + 1;
        }
    }
    return first;
}

BatchEvaluator::Operand BatchEvaluator::terminal_step(const Node& node, const double* xs,
                                                      const double* ys) {
    switch (node.op) {
        case OpCode::input1:
            return {xs, 0, -1};
        case OpCode::input2:
            return {ys, 0, -1};
        default:
            return {nullptr, node.value, -1};
    }
}

template <class F>
BatchEvaluator::Operand BatchEvaluator::unary_step(F f, std::int32_t slot, std::size_t n) {
    const Operand& a = stack_[slot];
    if (a.data == nullptr) {
        return {nullptr, f(a.scalar), -1};
    }
    const std::int32_t target = result_buffer(slot, &a, 1);
    double* out = buffer(target);
    unary_loop(f, a.data, out, n);
    return {out, 0, target};
}

template <class F>
BatchEvaluator::Operand BatchEvaluator::binary_step(F f, std::int32_t slot, std::size_t n) {
    const Operand& a = stack_[slot + 1];
    const Operand& b = stack_[slot];
    if (a.data == nullptr && b.data == nullptr) {
        return {nullptr, f(a.scalar, b.scalar), -1};
    }
    const std::int32_t target = result_buffer(slot, &stack_[slot], 2);
    double* out = buffer(target);
    if (a.data == nullptr) {
        binary_loop_scalar_a(f, a.scalar, b.data, out, n);
    } else if (b.data == nullptr) {
        binary_loop_scalar_b(f, a.data, b.scalar, out, n);
    } else {
        binary_loop(f, a.data, b.data, out, n);
    }
    return {out, 0, target};
}

BatchEvaluator::Operand BatchEvaluator::iflte_step(std::int32_t slot, std::size_t n) {
    // args[3] is a, args[0] is d.
    const Operand* args = &stack_[slot];
    if (std::all_of(args, args + 4, [](const Operand& arg) { return arg.data == nullptr; })) {
        return {nullptr, iflte(args[3].scalar, args[2].scalar, args[1].scalar, args[0].scalar), -1};
    }
    // Scalar arguments are broadcast so that one loop serves every mix.
    const double* v[4];
    for (int k = 0; k < 4; ++k) {
        const Operand& arg = args[3 - k];
        if (arg.data == nullptr) {
            double* column = buffer(k);
            std::fill(column, column + n, arg.scalar);
            v[k] = column;
        } else {
            v[k] = arg.data;
        }
    }
    const std::int32_t target = result_buffer(slot, args, 4);
    double* out = buffer(target);
    iflte_loop(v[0], v[1], v[2], v[3], out, n);
    return {out, 0, target};
}

__attribute__((target_clones("avx2", "default"))) BatchEvaluator::Operand
BatchEvaluator::evaluate_block(std::span<const std::int32_t> gene, const double* xs,
                               const double* ys, std::size_t n) {
    std::int32_t sp = 0;
    for (auto p = static_cast<std::int32_t>(gene.size()) - 1; p >= 0; --p) {
        const Node& node = nodes_[gene[p]];
        // A terminal pushes one operand; a function's result takes the
        // place of its arguments.
        const std::int32_t slot = sp - 1 - node.arity_less_one;
        Operand result{};
        switch (node.op) {
            case OpCode::input1:
            case OpCode::input2:
            case OpCode::constant:
                result = terminal_step(node, xs, ys);
                break;
            case OpCode::add:
                result = binary_step([](double a, double b) { return a + b; }, slot, n);
                break;
            case OpCode::subtract:
                result = binary_step([](double a, double b) { return a - b; }, slot, n);
                break;
            case OpCode::multiply:
                result = binary_step([](double a, double b) { return a * b; }, slot, n);
                break;
            case OpCode::divide:
                result = binary_step([](double a, double b) { return divide(a, b); }, slot, n);
                break;
            case OpCode::sin:
                result = unary_step([](double a) { return std::sin(a); }, slot, n);
                break;
            case OpCode::cos:
                result = unary_step([](double a) { return std::cos(a); }, slot, n);
                break;
            case OpCode::tan:
                result = unary_step([](double a) { return std::tan(a); }, slot, n);
                break;
            case OpCode::ln:
                result = unary_step([](double a) { return integer_ln(a); }, slot, n);
                break;
            case OpCode::log10:
                result = unary_step([](double a) { return integer_log10(a); }, slot, n);
                break;
            case OpCode::iflte:
                result = iflte_step(slot, n);
                break;
        }
        stack_[slot] = result;
        sp = slot + 1;
    }
    return stack_[0];
}

void BatchEvaluator::evaluate(std::span<const std::int32_t> gene, std::span<const double> xs,
                              std::span<const double> ys, std::span<double> out) {
    reserve_for(gene);
    for (std::size_t start = 0; start < out.size(); start += width_) {
        const std::size_t n = std::min(width_, out.size() - start);
        const Operand r = evaluate_block(gene, xs.data() + start, ys.data() + start, n);
        if (r.data == nullptr) {
            std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(start), n, r.scalar);
        } else {
            std::copy_n(r.data, n, out.begin() + static_cast<std::ptrdiff_t>(start));
        }
    }
}

BatchEvaluator::DataSet BatchEvaluator::join(const DataColumns& columns) {
    DataSet data;
    data.rows = columns.x1.size();
    data.xs.reserve(2 * data.rows);
    data.ys.reserve(2 * data.rows);
    data.xs.insert(data.xs.end(), columns.x1.begin(), columns.x1.end());
    data.xs.insert(data.xs.end(), columns.x2.begin(), columns.x2.end());
    data.ys.insert(data.ys.end(), columns.y1.begin(), columns.y1.end());
    data.ys.insert(data.ys.end(), columns.y2.begin(), columns.y2.end());
    return data;
}

std::int64_t BatchEvaluator::count_hits(std::span<const std::int32_t> gene,
                                        const DataColumns& data) {
    return count_hits(gene, join(data));
}

std::int64_t BatchEvaluator::count_hits(std::span<const std::int32_t> gene, const DataSet& data) {
    reserve_for(gene);
    std::int64_t hits = 0;
    const std::size_t points = data.xs.size();
    for (std::size_t start = 0; start < points; start += width_) {
        const std::size_t n = std::min(width_, points - start);
        const Operand r = evaluate_block(gene, data.xs.data() + start, data.ys.data() + start, n);
        // Points before `rows` are positive, the rest negative.
        const std::size_t positives = start >= data.rows ? 0 : std::min(n, data.rows - start);
        if (r.data == nullptr) {
            hits += positive_hit(r.scalar) ? static_cast<std::int64_t>(positives) : 0;
            hits += negative_hit(r.scalar) ? static_cast<std::int64_t>(n - positives) : 0;
            continue;
        }
        for (std::size_t i = 0; i < positives; ++i) {
            hits += positive_hit(r.data[i]) ? 1 : 0;
        }
        for (std::size_t i = positives; i < n; ++i) {
            hits += negative_hit(r.data[i]) ? 1 : 0;
        }
    }
    return hits;
}

double BatchEvaluator::training_fitness(std::span<const std::int32_t> gene) {
    const auto hits = static_cast<double>(count_hits(gene, training_));
    return training_fitness_from_hits(hits, static_cast<double>(training_.rows));
}

double BatchEvaluator::training_fitness(std::span<const std::int32_t> gene,
                                        std::span<std::uint8_t> errors) {
    reserve_for(gene);
    const DataSet& data = training_;
    std::fill(errors.begin(), errors.end(), std::uint8_t{0});
    std::int64_t misses = 0;
    const std::size_t points = data.xs.size();
    for (std::size_t start = 0; start < points; start += width_) {
        const std::size_t n = std::min(width_, points - start);
        const Operand r = evaluate_block(gene, data.xs.data() + start, data.ys.data() + start, n);
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t point = start + i;
            const double output = r.data == nullptr ? r.scalar : r.data[i];
            const bool positive = point < data.rows;
            if (!(positive ? positive_hit(output) : negative_hit(output))) {
                ++errors[positive ? point : point - data.rows];
                ++misses;
            }
        }
    }
    const auto hits = static_cast<double>(static_cast<std::int64_t>(points) - misses);
    return training_fitness_from_hits(hits, static_cast<double>(data.rows));
}

double BatchEvaluator::validation_fitness(std::span<const std::int32_t> gene) {
    const auto hits = static_cast<double>(count_hits(gene, validation_));
    return validation_fitness_from_hits(hits, static_cast<double>(validation_.rows));
}

}  // namespace vorn
