// The simplifier against the evaluators: each rule on a small program at the
// edge values, and random programs of every function set at edge and plain
// points, must keep the class everywhere and, as each rule claims, the bits.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>

#include "program/batch_eval.h"
#include "program/interpreter.h"
#include "program/simplify.h"
#include "tests/program/prefix_program.h"
#include "tests/program/sample_genes.h"

namespace vorn {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double huge = std::numeric_limits<double>::max();

const std::vector<double> edges = {
    0.0, -0.0,   1.0,     -1.0,   0.5,  1.5,   -1.99, 2.0, inf,           -inf,
    nan, 5e-324, -5e-324, 1e-310, huge, -huge, 1e300, 3e9, -2147483648.0, 1.5707963267948966};

int class_of(double v) {
    return v > 0 ? 1 : v >= 0 ? 0 : -1;
}

bool same_value(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) ||
           std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

Program parse(const std::string& text) {
    return testing::prefix_program(text);
}

bool same_nodes(const Program& a, const Program& b) {
    return std::ranges::equal(a.nodes, b.nodes, [](const ProgramNode& p, const ProgramNode& q) {
        return p.op == q.op &&
               std::bit_cast<std::uint64_t>(p.value) == std::bit_cast<std::uint64_t>(q.value);
    });
}

using R = SimplifyRule;

TEST(Simplify, EachRuleKeepsWhatItClaimsAtTheEdgeValues) {
    struct Case {
        std::optional<R> rule;  // none: nothing may change
        std::string program;
        std::string simplified;
    };
    const std::vector<Case> cases = {
        {R::fold_constant, "sin * x - 2 0.5", "sin * x 1.5"},
        {R::fold_constant, "- y IFLTE 1 2 3 4", "- y 3"},
        {R::fold_non_finite, "+ x + * 1e300 1e300 5", "+ x * 1e300 1e300"},
        {R::fold_non_finite, "* x + sin * 1e300 1e300 2", "* x sin * 1e300 1e300"},
        {R::add_minus_zero, "+ sin x -0", "sin x"},
        {R::add_minus_zero, "+ -0 y", "y"},
        {R::add_zero, "+ sin x 0", "sin x"},
        {R::add_zero, "cos + 0 y", "cos y"},
        {R::subtract_zero, "- x 0", "x"},
        {R::subtract_minus_zero, "tan - x -0", "tan x"},
        {R::multiply_one, "* x 1", "x"},
        {R::multiply_one, "+ y * 1 x", "+ y x"},
        {R::divide_one, "/ x 1", "x"},
        {R::divide_by_zero, "+ y / x -0", "+ y 1"},
        {R::divide_by_zero, "/ x * 0 sin y", "1"},
        {R::log_of_small, "+ x ln sin y", "x"},
        {R::log_of_small, "* y log10 * 0.5 cos x", "* y 0"},
        {R::double_negation, "- 0 - 0 x", "x"},
        {R::double_negation, "sin - -0 - -0 x", "sin x"},
        {R::double_negation, "* -1 * x -1", "x"},
        {R::double_negation, "cos - 0 * -1 y", "cos y"},
        {R::add_negation, "- x - 0 y", "+ x y"},
        {R::add_negation, "+ x - -0 y", "- x y"},
        {R::add_negation, "+ * -1 y x", "- x y"},
        {R::iflte_decided, "IFLTE sin x 2 x y", "x"},
        {R::iflte_decided, "IFLTE ln x -1 x y", "y"},
        {R::iflte_decided, "sin IFLTE cos x 1 x y", "sin x"},
        {R::iflte_same_branches, "IFLTE x y sin x sin x", "sin x"},
        {R::iflte_same_operands, "IFLTE + x y + x y x y", "x"},
        {R::iflte_nested, "IFLTE x y IFLTE x y x 2 y", "IFLTE x y x y"},
        {R::iflte_nested, "sin IFLTE x y 1 IFLTE x y 2 3", "sin IFLTE x y 1 3"},
        {R::output_scale, "* x 2", "x"},
        {R::output_scale, "/ y 0.5", "y"},
        {R::output_scale, "* x + 1 ln y", "x"},
        {R::output_scale, "IFLTE x y * x 3 / y 0.25", "IFLTE x y x y"},
        {R::output_decided, "+ ln x 0.5", "1"},
        {R::output_decided, "IFLTE x y - sin x 2 * y 2", "IFLTE x y -1 y"},
        {R::output_decided, "* 0 cos ln y", "0"},
        {R::divide_by_zero, "/ x sin * 1e300 1e300", "1"},
        // Rewrites that look harmless but are not.
        {std::nullopt, "* x 0", "* x 0"},
        {std::nullopt, "- x x", "- x x"},
        {std::nullopt, "/ x x", "/ x x"},
        {std::nullopt, "* x 0.5", "* x 0.5"},
        {std::nullopt, "/ x 2", "/ x 2"},
        {std::nullopt, "+ 1 * x 2", "+ 1 * x 2"},
        {std::nullopt, "* x * y 1e308", "* x * y 1e308"},
        {std::nullopt, "ln * 2 sin x", "ln * 2 sin x"},
        {std::nullopt, "IFLTE cos x 0.99 x y", "IFLTE cos x 0.99 x y"},
        {std::nullopt, "* x - cos y 1", "* x - cos y 1"},
        {std::nullopt, "* 0 cos y", "* 0 cos y"},
    };
    std::array<bool, simplify_rules.size()> tested{};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        const Program original = parse(c.program);
        RuleCounts counts{};
        const Program simplified = simplify(original, &counts);
        EXPECT_TRUE(same_nodes(simplified, parse(c.simplified)));
        Exactness weakest = Exactness::bits;
        for (const SimplifyRuleRow& row : simplify_rules) {
            if (counts[static_cast<std::size_t>(row.rule)] > 0) {
                weakest = std::max(weakest, row.exactness);
            }
        }
        if (c.rule) {
            EXPECT_GT(counts[static_cast<std::size_t>(*c.rule)], 0);
            tested[static_cast<std::size_t>(*c.rule)] = true;
        } else {
            EXPECT_EQ(counts, RuleCounts{});
        }
        const ProgramCode before = program_code(original);
        const ProgramCode after = program_code(simplified);
        Interpreter in_before(before.view());
        Interpreter in_after(after.view());
        for (double x : edges) {
            for (double y : edges) {
                const double a = evaluate_at(in_before, before.gene, x, y);
                const double b = evaluate_at(in_after, after.gene, x, y);
                ASSERT_EQ(class_of(a), class_of(b)) << x << ", " << y;
                if (weakest == Exactness::bits) {
                    ASSERT_TRUE(same_value(a, b)) << x << ", " << y << ": " << a << " " << b;
                } else if (weakest == Exactness::zero_sign) {
                    ASSERT_TRUE(same_value(a, b) || (a == 0 && b == 0)) << x << ", " << y;
                }
            }
        }
    }
    for (const SimplifyRuleRow& row : simplify_rules) {
        EXPECT_TRUE(tested[static_cast<std::size_t>(row.rule)]) << row.text;
        EXPECT_EQ(&row - simplify_rules.data(), static_cast<std::ptrdiff_t>(row.rule));
    }
}

// Random programs of every function set, with constants that invite the
// rules, keep every point's class; simplifying again changes nothing.
TEST(Simplify, RandomProgramsKeepEveryClass) {
    std::mt19937 rng(25);
    const std::vector<double> inviting = {0.0, -0.0, 1.0,   -1.0,   2.0,
                                          0.5, 1.5,  1e300, -1e300, 5e-324};
    std::vector<double> xs;
    std::vector<double> ys;
    for (double x : edges) {
        for (double y : edges) {
            xs.push_back(x);
            ys.push_back(y);
        }
    }
    std::uniform_real_distribution<double> plain(-10, 10);
    while (xs.size() < 2 * BatchEvaluator::block_size) {
        xs.push_back(plain(rng));
        ys.push_back(plain(rng));
    }
    std::vector<double> before(xs.size());
    std::vector<double> after(xs.size());
    std::int64_t points = 0;
    std::int64_t nodes_before = 0;
    std::int64_t nodes_after = 0;
    for (const auto& checked : testing::function_subsets()) {
        SCOPED_TRACE(testing::subset_name(checked));
        const Tproblem_setting setting = testing::setting_for(checked, "20");
        for (int i = 0; i < 30; ++i) {
            Program program =
                program_of_gene(setting.node_table_view(), testing::grow_gene(rng, setting, 80));
            for (ProgramNode& node : program.nodes) {
                if (node.op == OpCode::constant && rng() % 2 == 0) {
                    node.value = inviting[rng() % inviting.size()];
                }
            }
            const Program simplified = simplify(program);
            ASSERT_TRUE(same_nodes(simplify(simplified), simplified));
            nodes_before += static_cast<std::int64_t>(program.nodes.size());
            nodes_after += static_cast<std::int64_t>(simplified.nodes.size());
            const auto evaluate = [&](const Program& p, std::vector<double>& out) {
                const ProgramCode code = program_code(p);
                BatchEvaluator evaluator(code.view(), {}, {},
                                         static_cast<std::int32_t>(code.gene.size()));
                evaluator.evaluate(code.gene, xs, ys, out);
            };
            evaluate(program, before);
            evaluate(simplified, after);
            for (std::size_t k = 0; k < xs.size(); ++k) {
                ASSERT_EQ(class_of(before[k]), class_of(after[k]))
                    << "at (" << xs[k] << ", " << ys[k] << ") " << before[k] << " " << after[k];
            }
            points += static_cast<std::int64_t>(xs.size());
        }
    }
    EXPECT_GE(points, 100000);
    EXPECT_LT(nodes_after, nodes_before);
}

TEST(Simplify, KeepsWhatIsNotTheGeneAndRefusesBrokenPrograms) {
    Program program = parse("+ x 0");
    program.output_name = "z2";
    program.training_fitness = 0.25;
    program.provenance = {{"seed", 7}};
    const Program simplified = simplify(program);
    EXPECT_EQ(simplified.output_name, "z2");
    EXPECT_EQ(simplified.training_fitness, 0.25);
    EXPECT_EQ(simplified.provenance, program.provenance);
    EXPECT_THROW(static_cast<void>(simplify(parse("+ x"))), ProgramFileError);
    EXPECT_THROW(static_cast<void>(simplify(parse("x y"))), ProgramFileError);
    // As deep as the exports go, without exhausting the stack.
    Program deep;
    deep.nodes.assign(200000, ProgramNode{OpCode::cos});
    deep.nodes.push_back({OpCode::input1});
    EXPECT_EQ(simplify(deep).nodes.size(), deep.nodes.size());
}

}  // namespace
}  // namespace vorn
