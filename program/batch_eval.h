#pragma once
// Evaluation of one program over a block of points at a time: the prefix
// array is walked once per block, right to left, with a stack of column
// buffers, and every primitive is a tight loop over the block. It gives the
// same bits as the reference interpreter: the same double operations on the
// same values, only without the per-node, per-point calls.
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "program/functable.h"
#include "program/views.h"

namespace vorn {

class BatchEvaluator {
public:
    static constexpr std::size_t block_size = 256;

    // Keeps decoded copies of the node table and both data sets, so it reads
    // nothing shared while it scores. Genes may have up to `max_length` nodes.
    BatchEvaluator(NodeTableView nodes, const DataColumns& training, const DataColumns& validation,
                   std::int32_t max_length);

    // What an evaluator holds once made: its copies of the node table and of
    // both data sets, and its first operand buffers.
    [[nodiscard]] static double initial_bytes(std::size_t nodes, std::size_t training_rows,
                                              std::size_t validation_rows, std::int32_t max_length);

    // out[i] = the gene's output at (xs[i], ys[i]).
    void evaluate(std::span<const std::int32_t> gene, std::span<const double> xs,
                  std::span<const double> ys, std::span<double> out);

    // Hits over one data set: positive points (x1, y1) whose output is > 0
    // plus negative points (x2, y2) whose output is not >= 0.
    [[nodiscard]] std::int64_t count_hits(std::span<const std::int32_t> gene,
                                          const DataColumns& data);

    [[nodiscard]] double training_fitness(std::span<const std::int32_t> gene);
    // The same fitness, and errors[r] = the points of training row r that
    // the gene misclassifies (0, 1 or 2).
    [[nodiscard]] double training_fitness(std::span<const std::int32_t> gene,
                                          std::span<std::uint8_t> errors);
    [[nodiscard]] double validation_fitness(std::span<const std::int32_t> gene);

    // A constant code's value, as constant tuning changes it.
    void set_constant(std::int32_t code, double value) {
        nodes_[static_cast<std::size_t>(code)].value = value;
    }
    // The gene's outputs at the training points: the positive points of
    // every row first, then the negative ones.
    void training_outputs(std::span<const std::int32_t> gene, std::span<double> out) {
        evaluate(gene, training_.xs, training_.ys, out);
    }

private:
    // Both points of every row in one pair of columns: the positive points
    // first, then the negative ones, so that small data sets fill whole
    // blocks and the walk over the gene is paid once for both.
    struct DataSet {
        std::vector<double> xs;
        std::vector<double> ys;
        std::size_t rows = 0;
    };
    static DataSet join(const DataColumns& data);
    [[nodiscard]] std::int64_t count_hits(std::span<const std::int32_t> gene, const DataSet& data);

    struct Node {
        OpCode op;
        std::int32_t arity_less_one;
        double value;  // a constant's value
    };
    // A stack entry: a whole column, or one value that stands for every point.
    struct Operand {
        const double* data;
        double scalar;
        std::int32_t buffer;  // the buffer that holds `data`, or -1
    };

    // Evaluates the gene on n <= block_size points; the result operand is
    // valid until the next call.
    Operand evaluate_block(std::span<const std::int32_t> gene, const double* xs, const double* ys,
                           std::size_t n);
    // The steps of that walk. A function's arguments lie on the stack from
    // `slot` up, its first argument on top; its step returns the operand
    // that replaces them. They are always inlined into evaluate_block so
    // that its AVX2 clone covers their loops too.
    [[nodiscard, gnu::always_inline]] static inline Operand terminal_step(const Node& node,
                                                                          const double* xs,
                                                                          const double* ys);
    template <class F>
    [[nodiscard, gnu::always_inline]] inline Operand unary_step(F f, std::int32_t slot,
                                                                std::size_t n);
    template <class F>
    [[nodiscard, gnu::always_inline]] inline Operand binary_step(F f, std::int32_t slot,
                                                                 std::size_t n);
    [[nodiscard, gnu::always_inline]] inline Operand iflte_step(std::int32_t slot, std::size_t n);
    [[nodiscard]] double* buffer(std::int32_t index) {
        return buffers_.data() + static_cast<std::size_t>(index) * width_;
    }
    [[nodiscard]] static std::int32_t first_depth(std::int32_t max_length) {
        return std::min<std::int32_t>(std::max(max_length, 1), initial_depth);
    }
    void reserve_depth(std::int32_t depth);
    // Makes room for the gene's walk; a deep one gets narrower blocks.
    void reserve_for(std::span<const std::int32_t> gene);
    // The buffer for a result at stack slot `slot`, never one its inputs use.
    [[nodiscard]] std::int32_t result_buffer(std::int32_t slot, const Operand* args,
                                             int count) const;

    std::vector<Node> nodes_;
    std::vector<Operand> stack_;
    static constexpr std::int32_t broadcast_buffers = 4;  // IFLTE's scalar arguments
    static constexpr std::int32_t initial_depth = 64;
    // The most the buffers hold at full width; a program deeper than that
    // (thousands of nested arguments) is walked over fewer points at a time,
    // so its scratch grows with its depth by bytes, not kilobytes.
    static constexpr std::size_t buffer_budget = std::size_t{1} << 20;  // doubles
    std::size_t width_ = block_size;  // points per block for the current gene
    std::vector<double> buffers_;     // four for broadcasts, then two per stack slot
    DataSet training_;
    DataSet validation_;
};

}  // namespace vorn
