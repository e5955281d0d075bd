#include "program/simplify.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

#include "program/export_text.h"
#include "program/functable.h"

namespace vorn {

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double largest = std::numeric_limits<double>::max();

// Bounds on every value a subtree can take that is not NaN, and whether it
// can be NaN. Rounding to nearest is monotone, so bounds computed with the
// same operations on the bounds hold for the computed values too.
struct Range {
    double lo = -inf;
    double hi = inf;
    bool nan = true;
};

bool is_finite(const Range& r) {
    return std::isfinite(r.lo) && std::isfinite(r.hi);
}

bool same_value(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) ||
           std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

using Kids = std::array<std::int32_t, 4>;
using export_text::arguments_of;

// A primitive on argument values, through the routines every evaluator uses.
double primitive_value(OpCode op, const std::array<double, 4>& v) {
    switch (op) {
        case OpCode::add:
            return v[0] + v[1];
        case OpCode::subtract:
            return v[0] - v[1];
        case OpCode::multiply:
            return v[0] * v[1];
        case OpCode::divide:
            return protected_divide(v[0], v[1]);
        case OpCode::sin:
            return std::sin(v[0]);
        case OpCode::cos:
            return std::cos(v[0]);
        case OpCode::tan:
            return std::tan(v[0]);
        case OpCode::ln:
            return integer_ln(v[0]);
        case OpCode::log10:
            return integer_log10(v[0]);
        case OpCode::iflte:
            return iflte(v[0], v[1], v[2], v[3]);
        case OpCode::input1:
        case OpCode::input2:
        case OpCode::constant:
            break;
    }
    return v[0];
}

Range corners(double a, double b, double c, double d) {
    return {std::min({a, b, c, d}), std::max({a, b, c, d}), false};
}

Range range_of(OpCode op, const Range& a, const Range& b, const Range& c, const Range& d) {
    const bool finite = is_finite(a) && is_finite(b);
    switch (op) {
        case OpCode::add:
            return finite ? Range{a.lo + b.lo, a.hi + b.hi, a.nan || b.nan} : Range{};
        case OpCode::subtract:
            return finite ? Range{a.lo - b.hi, a.hi - b.lo, a.nan || b.nan} : Range{};
        case OpCode::multiply: {
            if (!finite) {
                return {};
            }
            Range r = corners(a.lo * b.lo, a.lo * b.hi, a.hi * b.lo, a.hi * b.hi);
            r.nan = a.nan || b.nan;
            return r;
        }
        case OpCode::divide: {
            // Only a divisor of one sign bounds the quotient; a NaN one gives 1.
            if (!finite || !(b.lo > 0 || b.hi < 0)) {
                return {};
            }
            Range r = corners(a.lo / b.lo, a.lo / b.hi, a.hi / b.lo, a.hi / b.hi);
            if (b.nan) {
                r = {std::min(r.lo, 1.0), std::max(r.hi, 1.0), false};
            }
            r.nan = a.nan;
            return r;
        }
        case OpCode::sin:
        case OpCode::cos:
            return {-1, 1, a.nan || !is_finite(a)};
        case OpCode::tan:
            return {-inf, inf, a.nan || !is_finite(a)};
        case OpCode::ln:  // below ln(2^31) and log10(2^31)
            return {0, 22, false};
        case OpCode::log10:
            return {0, 10, false};
        case OpCode::iflte:
            return {std::min(c.lo, d.lo), std::max(c.hi, d.hi), c.nan || d.nan};
        default:
            return {};
    }
}

struct Node {
    OpCode op = OpCode::constant;
    double value = 0;  // a constant's value
    Kids kids{};
    bool input_free = false;
    double known = 0;  // the value of a subtree without inputs
    std::int64_t size = 1;
    Range range;
};

// Builds the simplified program bottom-up as a graph of unique nodes, so
// that equal subtrees are one node and compare by their index.
class Builder {
public:
    explicit Builder(RuleCounts& counts) : counts_(counts) {}

    std::int32_t build(std::span<const ProgramNode> nodes) {
        // Right to left, so that a function's first argument is on top.
        std::vector<std::int32_t> stack;
        for (auto node = nodes.rbegin(); node != nodes.rend(); ++node) {
            const auto n = static_cast<std::size_t>(arguments_of(node->op));
            if (n == 0) {
                stack.push_back(terminal(*node));
                continue;
            }
            if (stack.size() < n) {
                throw ProgramFileError("the program ends before its last argument");
            }
            Kids kids{};
            for (std::size_t k = 0; k < n; ++k) {
                kids[k] = stack.back();
                stack.pop_back();
            }
            stack.push_back(make(node->op, kids));
        }
        if (stack.size() != 1) {
            throw ProgramFileError("the program is not one complete expression");
        }
        return stack.back();
    }

    // The rules that keep only the class, where the value is the output.
    std::int32_t for_class(std::int32_t id, int depth) {
        for (;;) {
            const Node n = nodes_[static_cast<std::size_t>(id)];
            const auto [a, b, c, d] = n.kids;
            const Range& r = n.range;
            const bool zeros = !r.nan && r.lo == 0 && r.hi == 0;
            if (arguments_of(n.op) > 0 && (r.hi < 0 || (!r.nan && r.lo > 0) || zeros)) {
                // Every value is of one class (NaN goes with < 0).
                return applied(SimplifyRule::output_decided, constant(r.hi < 0   ? -1.0
                                                                      : r.lo > 0 ? 1.0
                                                                                 : 0.0));
            }
            if (n.op == OpCode::multiply && scales_up(range(b))) {
                id = applied(SimplifyRule::output_scale, a);
            } else if (n.op == OpCode::multiply && scales_up(range(a))) {
                id = applied(SimplifyRule::output_scale, b);
            } else if (n.op == OpCode::divide && !range(b).nan && range(b).lo > 0 &&
                       range(b).hi <= 1) {
                id = applied(SimplifyRule::output_scale, a);
            } else if (n.op == OpCode::iflte && depth < max_branch_depth) {
                const std::int32_t c_class = for_class(c, depth + 1);
                const std::int32_t d_class = for_class(d, depth + 1);
                if (c_class == c && d_class == d) {
                    return id;
                }
                id = make(OpCode::iflte, {a, b, c_class, d_class});
            } else {
                return id;
            }
        }
    }

    void write(std::int32_t root, std::vector<ProgramNode>& out) const {
        std::vector<std::int32_t> todo{root};
        while (!todo.empty()) {
            const Node& n = nodes_[static_cast<std::size_t>(todo.back())];
            todo.pop_back();
            out.push_back({n.op, n.op == OpCode::constant ? n.value : 0});
            for (int k = arguments_of(n.op) - 1; k >= 0; --k) {
                todo.push_back(n.kids[static_cast<std::size_t>(k)]);
            }
        }
    }

private:
    // IFLTE branches nested deeper than this under the root keep their
    // values, so that no program can exhaust the call stack.
    static constexpr int max_branch_depth = 1000;

    static bool scales_up(const Range& r) { return !r.nan && r.lo >= 1 && r.hi <= largest; }

    const Range& range(std::int32_t id) const { return nodes_[static_cast<std::size_t>(id)].range; }
    const Node& at(std::int32_t id) const { return nodes_[static_cast<std::size_t>(id)]; }

    bool is_constant(std::int32_t id, double value) const {
        const Node& n = at(id);
        return n.op == OpCode::constant &&
               std::bit_cast<std::uint64_t>(n.value) == std::bit_cast<std::uint64_t>(value);
    }
    bool is_zero(std::int32_t id) const { return is_constant(id, 0.0) || is_constant(id, -0.0); }

    // Y when the node is neg(Y).
    std::optional<std::int32_t> negated(std::int32_t id) const {
        const Node& n = at(id);
        if (n.op == OpCode::subtract && is_zero(n.kids[0])) {
            return n.kids[1];
        }
        if (n.op == OpCode::multiply && is_constant(n.kids[0], -1.0)) {
            return n.kids[1];
        }
        if (n.op == OpCode::multiply && is_constant(n.kids[1], -1.0)) {
            return n.kids[0];
        }
        return std::nullopt;
    }

    std::int32_t applied(SimplifyRule rule, std::int32_t result) {
        ++counts_[static_cast<std::size_t>(rule)];
        return result;
    }

    std::int32_t intern(const Node& node) {
        const auto key = std::make_tuple(static_cast<int>(node.op),
                                         std::bit_cast<std::uint64_t>(node.value), node.kids);
        const auto [found, added] =
            index_.try_emplace(key, static_cast<std::int32_t>(nodes_.size()));
        if (added) {
            nodes_.push_back(node);
        }
        return found->second;
    }

    std::int32_t constant(double value) {
        Node n;
        n.value = value;
        n.input_free = true;
        n.known = value;
        n.range = {value, value, false};
        return intern(n);
    }

    std::int32_t terminal(const ProgramNode& node) {
        if (node.op == OpCode::constant) {
            if (!std::isfinite(node.value)) {
                throw ProgramFileError("a constant is not a finite number");
            }
            return constant(node.value);
        }
        Node n;
        n.op = node.op;
        return intern(n);
    }

    std::int32_t make(OpCode op, const Kids& kids) {
        const int count = arguments_of(op);
        std::array<double, 4> known{};
        bool input_free = true;
        std::int64_t size = 1;
        for (int k = 0; k < count; ++k) {
            const Node& kid = at(kids[static_cast<std::size_t>(k)]);
            input_free = input_free && kid.input_free;
            known[static_cast<std::size_t>(k)] = kid.known;
            size += kid.size;
        }
        const double value = input_free ? primitive_value(op, known) : 0;
        if (input_free && std::isfinite(value)) {
            return applied(SimplifyRule::fold_constant, constant(value));
        }
        if (const auto rewritten = rewrite(op, kids)) {
            return *rewritten;
        }
        if (input_free) {
            // inf or NaN cannot be a constant, but a part may have the value.
            std::optional<std::int32_t> part;
            for (int k = 0; k < count; ++k) {
                const std::int32_t kid = kids[static_cast<std::size_t>(k)];
                if (same_value(at(kid).known, value) && (!part || at(kid).size < at(*part).size)) {
                    part = kid;
                }
            }
            if (part) {
                return applied(SimplifyRule::fold_non_finite, *part);
            }
        }
        Node n;
        n.op = op;
        n.kids = kids;
        n.input_free = input_free;
        n.known = value;
        n.size = size;
        if (input_free) {
            // An empty range for NaN: every comparison with it is false.
            n.range = std::isnan(value) ? Range{inf, -inf, true} : Range{value, value, false};
        } else {
            const auto r = [&](int k) {
                return k < count ? range(kids[static_cast<std::size_t>(k)]) : Range{};
            };
            n.range = range_of(op, r(0), r(1), r(2), r(3));
        }
        return intern(n);
    }

    std::optional<std::int32_t> rewrite(OpCode op, const Kids& kids) {
        const auto [a, b, c, d] = kids;
        using R = SimplifyRule;
        switch (op) {
            case OpCode::add:
                if (is_constant(b, -0.0) || is_constant(a, -0.0)) {
                    return applied(R::add_minus_zero, is_constant(b, -0.0) ? a : b);
                }
                if (is_constant(b, 0.0) || is_constant(a, 0.0)) {
                    return applied(R::add_zero, is_constant(b, 0.0) ? a : b);
                }
                if (const auto y = negated(b)) {
                    return applied(R::add_negation, make(OpCode::subtract, {a, *y}));
                }
                if (const auto y = negated(a)) {
                    return applied(R::add_negation, make(OpCode::subtract, {b, *y}));
                }
                break;
            case OpCode::subtract:
                if (is_constant(b, 0.0)) {
                    return applied(R::subtract_zero, a);
                }
                if (is_constant(b, -0.0)) {
                    return applied(R::subtract_minus_zero, a);
                }
                if (const auto y = negated(b)) {
                    return is_zero(a) ? applied(R::double_negation, *y)
                                      : applied(R::add_negation, make(OpCode::add, {a, *y}));
                }
                break;
            case OpCode::multiply:
                if (is_constant(b, 1.0) || is_constant(a, 1.0)) {
                    return applied(R::multiply_one, is_constant(b, 1.0) ? a : b);
                }
                if (is_constant(a, -1.0) || is_constant(b, -1.0)) {
                    if (const auto y = negated(is_constant(a, -1.0) ? b : a)) {
                        return applied(R::double_negation, *y);
                    }
                }
                break;
            case OpCode::divide:
                if (is_constant(b, 1.0)) {
                    return applied(R::divide_one, a);
                }
                // Zero or NaN (an empty range: NaN only) everywhere.
                if ((range(b).lo == 0 && range(b).hi == 0) || range(b).lo > range(b).hi) {
                    return applied(R::divide_by_zero, constant(1.0));
                }
                break;
            case OpCode::ln:
            case OpCode::log10:
                // |trunc(a)| is 0 or 1 there, and both give +0.
                if (range(a).lo > -2 && range(a).hi < 2) {
                    return applied(R::log_of_small, constant(0.0));
                }
                break;
            case OpCode::iflte:
                return rewrite_iflte(a, b, c, d);
            default:
                break;
        }
        return std::nullopt;
    }

    std::optional<std::int32_t> rewrite_iflte(std::int32_t a, std::int32_t b, std::int32_t c,
                                              std::int32_t d) {
        using R = SimplifyRule;
        // a > b is false when either is NaN, so NaN only matters for d.
        if (range(a).hi <= range(b).lo) {
            return applied(R::iflte_decided, c);
        }
        if (!range(a).nan && !range(b).nan && range(a).lo > range(b).hi) {
            return applied(R::iflte_decided, d);
        }
        if (c == d) {
            return applied(R::iflte_same_branches, c);
        }
        if (a == b) {
            return applied(R::iflte_same_operands, c);
        }
        const auto same_test = [&](std::int32_t id) {
            return at(id).op == OpCode::iflte && at(id).kids[0] == a && at(id).kids[1] == b;
        };
        if (same_test(c)) {
            return applied(R::iflte_nested, make(OpCode::iflte, {a, b, at(c).kids[2], d}));
        }
        if (same_test(d)) {
            return applied(R::iflte_nested, make(OpCode::iflte, {a, b, c, at(d).kids[3]}));
        }
        return std::nullopt;
    }

    std::vector<Node> nodes_;
    std::map<std::tuple<int, std::uint64_t, Kids>, std::int32_t> index_;
    RuleCounts& counts_;
};

}  // namespace

Program simplify(const Program& program, RuleCounts* counts) {
    RuleCounts applied{};
    Program out = program;
    out.simplified = true;
    // Every rule removes nodes, so a pass that keeps the size changed nothing.
    for (;;) {
        Builder builder(applied);
        const std::int32_t root = builder.for_class(builder.build(out.nodes), 0);
        std::vector<ProgramNode> nodes;
        nodes.reserve(out.nodes.size());
        builder.write(root, nodes);
        const bool done = nodes.size() == out.nodes.size();
        out.nodes = std::move(nodes);
        if (done) {
            break;
        }
    }
    if (counts != nullptr) {
        *counts = applied;
    }
    return out;
}

}  // namespace vorn
