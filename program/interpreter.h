#pragma once
// The reference interpreter: a recursive descent over the prefix array, one
// call per node chosen by the node's operation, and the fitness measure.
#include <array>
#include <cstdint>
#include <span>

#include "program/views.h"

namespace vorn {

// What one evaluation reads: the run's node table, and the current point in
// slots of the interpreter's own, so that scoring writes nothing it shares.
struct Interpreter {
    explicit Interpreter(NodeTableView table) : nodes(table) {}
    NodeTableView nodes;
    std::array<double, 2> inputs{};  // Input1, Input2
};

// Evaluates the subtree at `position` and leaves `position` just past it.
[[nodiscard]] double evaluate(const Interpreter& interpreter, std::span<const std::int32_t> gene,
                              std::int32_t& position);

// Evaluators of the terminal rows of the node table.
[[nodiscard]] double variable_eval(const Interpreter& interpreter,
                                   std::span<const std::int32_t> gene, std::int32_t& position);
[[nodiscard]] double constant_eval(const Interpreter& interpreter,
                                   std::span<const std::int32_t> gene, std::int32_t& position);

void set_input1(Interpreter& interpreter, double value);
void set_input2(Interpreter& interpreter, double value);

// The gene's output on the point (u, v).
[[nodiscard]] double evaluate_at(Interpreter& interpreter, std::span<const std::int32_t> gene,
                                 double u, double v);

// Fraction of the 2N points of the data set the gene misclassifies (0 is
// perfect); the measure that drives a run.
[[nodiscard]] double training_fitness(NodeTableView nodes, const DataColumns& data,
                                      std::span<const std::int32_t> gene);
// The same, with errors[r] = the points of row r misclassified (0, 1 or 2).
[[nodiscard]] double training_fitness(NodeTableView nodes, const DataColumns& data,
                                      std::span<const std::int32_t> gene,
                                      std::span<std::uint8_t> errors);

// Number of the 2M points of the data set the gene misclassifies.
[[nodiscard]] double validation_fitness(NodeTableView nodes, const DataColumns& data,
                                        std::span<const std::int32_t> gene);

// The two measures from a hit count over the 2 * rows points of a data set;
// every evaluator goes through these so that all give the same bits.
[[nodiscard]] inline double training_fitness_from_hits(double hits, double rows) {
    const double points = 2.0 * rows;
    return (points - hits) / points;
}
[[nodiscard]] inline double validation_fitness_from_hits(double hits, double rows) {
    return 2.0 * rows - hits;
}

// Decision rules on an output: a positive point is a hit only when the
// output is greater than 0; a negative point is a hit unless the output is
// greater than or equal to 0 (so NaN counts as negative).
[[nodiscard]] inline bool positive_hit(double output) {
    return output > 0;
}
[[nodiscard]] inline bool negative_hit(double output) {
    return !(output >= 0);
}

}  // namespace vorn
