#pragma once
// Exact simplification: rewrites of a program that keep the class of its
// value at every point (> 0; < 0 or NaN; 0 or -0), most of them its bits.
#include <array>
#include <cstdint>
#include <string_view>

#include "program/program_file.h"

namespace vorn {

// What a rule keeps of the value it rewrites.
enum class Exactness : std::uint8_t {
    bits,       // the same bits (any NaN for a NaN)
    zero_sign,  // the same bits, but a zero may change its sign; no primitive
                // and no class tells 0 from -0, so this holds anywhere in a program
    class_only  // only the class; applied where the value is the output's
                // class alone: at the root and in IFLTE branches under it
};

enum class SimplifyRule : std::uint8_t {
    fold_constant,
    fold_non_finite,
    add_minus_zero,
    add_zero,
    subtract_zero,
    subtract_minus_zero,
    multiply_one,
    divide_one,
    divide_by_zero,
    log_of_small,
    double_negation,
    add_negation,
    iflte_decided,
    iflte_same_branches,
    iflte_same_operands,
    iflte_nested,
    output_scale,
    output_decided,
};

struct SimplifyRuleRow {
    SimplifyRule rule;
    Exactness exactness;
    std::string_view text;
};

// Every rule, in the order of SimplifyRule; X, Y are any subtrees, c, d
// constants, neg(Y) is 0 - Y, -0 - Y, -1 * Y or Y * -1.
inline constexpr std::array<SimplifyRuleRow, 18> simplify_rules = {{
    {SimplifyRule::fold_constant, Exactness::bits,
     "a subtree of constants whose value is finite -> that constant"},
    {SimplifyRule::fold_non_finite, Exactness::bits,
     "a subtree of constants worth inf or NaN -> its smallest part with the same value"},
    {SimplifyRule::add_minus_zero, Exactness::bits, "X + -0, -0 + X -> X"},
    {SimplifyRule::add_zero, Exactness::zero_sign, "X + 0, 0 + X -> X"},
    {SimplifyRule::subtract_zero, Exactness::bits, "X - 0 -> X"},
    {SimplifyRule::subtract_minus_zero, Exactness::zero_sign, "X - -0 -> X"},
    {SimplifyRule::multiply_one, Exactness::bits, "X * 1, 1 * X -> X"},
    {SimplifyRule::divide_one, Exactness::bits, "X / 1 -> X"},
    {SimplifyRule::divide_by_zero, Exactness::bits, "X / Y -> 1 where Y is always 0 or NaN"},
    {SimplifyRule::log_of_small, Exactness::bits, "ln X, log10 X -> 0 where |X| < 2 or X is NaN"},
    {SimplifyRule::double_negation, Exactness::zero_sign, "neg(neg(X)) -> X"},
    {SimplifyRule::add_negation, Exactness::zero_sign,
     "X - neg(Y) -> X + Y; X + neg(Y), neg(Y) + X -> X - Y"},
    {SimplifyRule::iflte_decided, Exactness::bits,
     "IFLTE(a, b, c, d) -> c or d where the ranges of a and b decide a > b"},
    {SimplifyRule::iflte_same_branches, Exactness::bits, "IFLTE(a, b, c, c) -> c"},
    {SimplifyRule::iflte_same_operands, Exactness::bits, "IFLTE(a, a, c, d) -> c"},
    {SimplifyRule::iflte_nested, Exactness::bits,
     "IFLTE(a, b, IFLTE(a, b, c, e), d) -> IFLTE(a, b, c, d), and so for d"},
    {SimplifyRule::output_scale, Exactness::class_only,
     "X * Y, Y * X -> X where 1 <= Y <= max; X / Y -> X where 0 < Y <= 1"},
    {SimplifyRule::output_decided, Exactness::class_only,
     "X -> 1, -1 or 0 where the range of X decides its class"},
}};

// How often each rule was applied, indexed by SimplifyRule.
using RuleCounts = std::array<std::int64_t, simplify_rules.size()>;

// The program rewritten until no rule applies and marked simplified; names,
// measures and provenance are kept. Throws ProgramFileError for a program that
// is not one complete expression.
[[nodiscard]] Program simplify(const Program& program, RuleCounts* counts = nullptr);

}  // namespace vorn
