#pragma once
// The record of one node code and the table of the ten primitives.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

struct Interpreter;

// What a node does. Every evaluator and printer switches on it, so nothing
// depends on which routine a row's `eval` points to.
enum class OpCode : std::uint8_t {
    input1,
    input2,
    constant,
    add,
    subtract,
    multiply,
    divide,
    sin,
    cos,
    tan,
    ln,
    log10,
    iflte
};

// Evaluator of a node: on entry `position` is the node's own index in the
// gene; on return it is just past the node's subtree.
using EvalRoutine = double (*)(const Interpreter& interpreter, std::span<const std::int32_t> gene,
                               std::int32_t& position);

struct functable {
    std::int32_t arity_less_one = 0;  // arguments minus one; -1 for terminals
    std::string name;                 // printed text in formulas
    EvalRoutine eval = nullptr;
    std::int32_t index = 0;  // variable or constant number; a primitive's check-list row
    OpCode op = OpCode::constant;
};

inline constexpr int num_primitives = 10;

// Texts of the check-list items, in check-list order.
inline constexpr std::array<std::string_view, num_primitives> primitive_item_texts = {
    "+", "- ", "*", "/", "sin", "cos", "tan", "ln (abs)", "log10 (abs)", "IFLTE"};

// Printed names of the primitives, in check-list order.
inline constexpr std::array<std::string_view, num_primitives> primitive_names = {
    "+", "-", "*", "/", "sin", "cos", "tan", "ln", "log10", "IFLTE"};

// The ten primitives in check-list order; never changes after it is built.
[[nodiscard]] std::vector<functable> build_function_table();

// The evaluators of the ten primitives; each evaluates all its arguments,
// left to right, through `evaluate`.
[[nodiscard]] double eval_add(const Interpreter& interpreter, std::span<const std::int32_t> gene,
                              std::int32_t& position);
[[nodiscard]] double eval_subtract(const Interpreter& interpreter,
                                   std::span<const std::int32_t> gene, std::int32_t& position);
[[nodiscard]] double eval_multiply(const Interpreter& interpreter,
                                   std::span<const std::int32_t> gene, std::int32_t& position);
[[nodiscard]] double eval_divide(const Interpreter& interpreter, std::span<const std::int32_t> gene,
                                 std::int32_t& position);
[[nodiscard]] double eval_sin(const Interpreter& interpreter, std::span<const std::int32_t> gene,
                              std::int32_t& position);
[[nodiscard]] double eval_cos(const Interpreter& interpreter, std::span<const std::int32_t> gene,
                              std::int32_t& position);
[[nodiscard]] double eval_tan(const Interpreter& interpreter, std::span<const std::int32_t> gene,
                              std::int32_t& position);
[[nodiscard]] double eval_ln(const Interpreter& interpreter, std::span<const std::int32_t> gene,
                             std::int32_t& position);
[[nodiscard]] double eval_log10(const Interpreter& interpreter, std::span<const std::int32_t> gene,
                                std::int32_t& position);
[[nodiscard]] double eval_iflte(const Interpreter& interpreter, std::span<const std::int32_t> gene,
                                std::int32_t& position);

// Primitive arithmetic on argument values, shared by every evaluator so that
// all of them give the same bits.
[[nodiscard]] double protected_divide(double a, double b);
[[nodiscard]] double integer_ln(double a);
[[nodiscard]] double integer_log10(double a);
[[nodiscard]] inline double iflte(double a, double b, double c, double d) {
    return a > b ? d : c;
}

}  // namespace vorn
