// Readable formulas: a table of forms, and random programs whose plain and
// Python forms, run by python3 with the Python export's helpers, give the
// interpreter's bits (and SymPy, where it is installed, reads the Python form
// as a function of x and y).
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <tuple>

#include "program/interpreter.h"
#include "program/program_export.h"
#include "program/readable.h"
#include "program/simplify.h"
#include "tests/program/prefix_program.h"
#include "tests/program/sample_genes.h"
#include "tests/temp_folder.h"

namespace vorn {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

TEST(Readable, FormsOfEachStyle) {
    struct Case {
        std::string program;
        int digits;
        std::string plain;
        std::string latex;
        std::string python;
    };
    const std::vector<Case> cases = {
        {"- - x y - x y", 0, "x - y - (x - y)", "x - y - \\left(x - y\\right)", "x - y - (x - y)"},
        {"* + x y - x 2", 0, "(x + y) * (x - 2)",
         "\\left(x + y\\right) \\cdot \\left(x - 2\\right)", "(x + y) * (x - 2.0)"},
        {"+ x * y 0.5", 0, "x + y * 0.5", "x + y \\cdot 0.5", "x + y * 0.5"},
        {"/ x / y 3", 0, "x / (y / 3)", "\\frac{x}{\\frac{y}{3}}", "pdivide(x, pdivide(y, 3.0))"},
        {"* / x y 3", 0, "x / y * 3", "\\frac{x}{y} \\cdot 3", "pdivide(x, y) * 3.0"},
        {"* x / y 3", 0, "x * (y / 3)", "x \\cdot \\frac{y}{3}", "x * pdivide(y, 3.0)"},
        {"- x * -2.5 y", 0, "x - (-2.5) * y", "x - \\left(-2.5\\right) \\cdot y", "x - (-2.5) * y"},
        {"- + x -2.5 -0", 0, "x - 2.5 + 0", "x - 2.5 + 0", "x - 2.5 + 0.0"},
        {"+ -0 sin x", 0, "-0 + sin(x)", "-0 + \\sin(x)", "-0.0 + sin(x)"},
        {"IFLTE x y ln x log10 1e-07", 0, "IFLTE(x, y, ln(x), log10(1e-07))",
         "\\operatorname{IFLTE}(x, y, \\ln(x), \\log_{10}(1 \\cdot 10^{-7}))",
         "iflte(x, y, pln(x), plog10(1e-07))"},
        {"+ x * 0.33673684210526317 1e300", 3, "x + 0.337 * 1e+300",
         "x + 0.337 \\cdot 1 \\cdot 10^{300}", "x + 0.337 * 1e+300"},
        {"cos tan 5", 2, "cos(tan(5))", "\\cos(\\tan(5))", "cos(tan(5.0))"},
    };
    for (const Case& c : cases) {
        const Program program = testing::prefix_program(c.program);
        EXPECT_EQ(readable_formula(program, {FormulaStyle::plain, c.digits}), c.plain);
        EXPECT_EQ(readable_formula(program, {FormulaStyle::latex, c.digits}), c.latex);
        EXPECT_EQ(readable_formula(program, {FormulaStyle::python, c.digits}), c.python);
    }
}

TEST(Readable, ExportsStateTheRulesOfWhatTheyUseAndEndInTheFormula) {
    Program program = testing::prefix_program("/ x ln y");
    program.output_name = "z-1";
    for (const auto& [style, mark, last] :
         {std::tuple{FormulaStyle::latex, '%', "z\\_1(x, y) = \\frac{x}{\\ln(y)}"},
          std::tuple{FormulaStyle::python, '#', "z_1 = pdivide(x, pln(y))"},
          std::tuple{FormulaStyle::plain, '#', "z_1(x, y) = x / ln(y)"}}) {
        const auto lines = testing::lines_of(readable_export(program, {style, 0}));
        ASSERT_GT(lines.size(), 5u);
        EXPECT_EQ(lines.back(), last);
        for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
            EXPECT_EQ(lines[i][0], mark) << lines[i];
        }
        const std::string text = readable_export(program, {style, 0});
        EXPECT_NE(text.find("= 1 when b is 0 or NaN"), std::string::npos);
        EXPECT_NE(text.find("|trunc(a)|"), std::string::npos);
        EXPECT_EQ(text.find("IFLTE"), std::string::npos);
    }
}

std::string hex(double v) {
    char text[17];
    return {text, std::to_chars(text, text + 17, std::bit_cast<std::uint64_t>(v), 16).ptr};
}

double from_hex(std::string_view text) {
    std::uint64_t bits = 0;
    std::from_chars(text.data(), text.data() + text.size(), bits, 16);
    return std::bit_cast<double>(bits);
}

bool same_value(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || hex(a) == hex(b);
}

// Prints, for each program and point, the bits of its plain and its Python
// form. The plain form is read by Python's parser, whose + - * / bind as
// ours do, with / made the protected division and every number a double.
constexpr std::string_view python_main = R"(import ast, importlib.util, struct
def real(h): return struct.unpack('<d', struct.pack('<Q', int(h, 16)))[0]
def bits(v): return '%016x' % struct.unpack('<Q', struct.pack('<d', v))[0]
class Plain(ast.NodeTransformer):
    def visit_BinOp(self, node):
        self.generic_visit(node)
        if isinstance(node.op, ast.Div):
            return ast.Call(ast.Name('pdiv', ast.Load()), [node.left, node.right], [])
        return node
    def visit_UnaryOp(self, node):
        self.generic_visit(node)
        return ast.Constant(-node.operand.value)  # only numbers have a sign
    def visit_Constant(self, node):
        return ast.Constant(float(node.value))
points = [[real(h) for h in line.split()] for line in open('points.txt')]
helpers = dict(pdiv='pdiv', pdivide='pdiv', pln='pln', ln='pln', plog10='plog10',
               log10='plog10', iflte='iflte', IFLTE='iflte', sin='psin', cos='pcos', tan='ptan')
for i, line in enumerate(open('formulas.txt')):
    plain, python = line.rstrip('\n').split('\t')
    found = importlib.util.spec_from_file_location('p%d' % i, 'p%d.py' % i)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    tree = ast.fix_missing_locations(Plain().visit(ast.parse(plain, mode='eval')))
    codes = [compile(tree, 'plain', 'eval'), compile(python, 'python', 'eval')]
    env = {k: getattr(module, v, None) for k, v in helpers.items()}
    for env['x'], env['y'] in points:
        print(*[bits(eval(code, env)) for code in codes])
try:
    import sympy
except ImportError:
    sympy = None
for line in open('formulas.txt') if sympy else []:
    python = line.rstrip('\n').split('\t')[1]
    assert sympy.sympify(python).free_symbols <= set(sympy.symbols('x y')), python
)";

TEST(Readable, PlainAndPythonFormsGiveTheInterpretersBits) {
    std::mt19937 rng(3);
    const std::vector<double> specials = {
        0.0,    -0.0,   1.0, -2.5, 0.1,  1e300,
        -1e300, 5e-324, 3e9, inf,  -inf, std::numeric_limits<double>::quiet_NaN()};
    std::vector<std::pair<double, double>> points;
    for (double x : specials) {
        for (double y : specials) {
            points.emplace_back(x, y);
        }
    }
    std::uniform_real_distribution<double> plain(-10, 10);
    for (int i = 0; i < 60; ++i) {
        points.emplace_back(plain(rng), plain(rng));
    }
    std::vector<Program> programs;
    for (const auto& checked : testing::function_subsets()) {
        const Tproblem_setting setting = testing::setting_for(checked, "20");
        for (int i = 0; i < 8; ++i) {
            Program p =
                program_of_gene(setting.node_table_view(), testing::grow_gene(rng, setting, 90));
            for (ProgramNode& node : p.nodes) {
                if (node.op == OpCode::constant && rng() % 3 == 0) {
                    node.value = specials[rng() % 8];
                }
            }
            programs.push_back(p);
            programs.push_back(simplify(p));
        }
    }
    testing::TempFolder folder;
    std::string formulas;
    for (std::size_t i = 0; i < programs.size(); ++i) {
        const std::string plain = readable_formula(programs[i]);
        ASSERT_EQ(plain.find("  "), std::string::npos) << plain;
        formulas += plain + "\t" + readable_formula(programs[i], {FormulaStyle::python}) + "\n";
        static_cast<void>(folder.write("p" + std::to_string(i) + ".py",
                                       export_program(programs[i], ExportLanguage::python)));
    }
    static_cast<void>(folder.write("formulas.txt", formulas));
    std::string lines;
    for (const auto& [x, y] : points) {
        lines += hex(x) + " " + hex(y) + "\n";
    }
    static_cast<void>(folder.write("points.txt", lines));
    static_cast<void>(folder.write("main.py", std::string(python_main)));
    const std::string command =
        "cd '" + folder.path.string() + "' && python3 main.py >py.txt 2>py.err";
    ASSERT_EQ(std::system(command.c_str()), 0) << testing::read_text(folder.path / "py.err");
    const auto python_lines = testing::lines_of(testing::read_text(folder.path / "py.txt"));
    ASSERT_EQ(python_lines.size(), programs.size() * points.size());
    std::size_t line = 0;
    for (const Program& program : programs) {
        const ProgramCode code = program_code(program);
        Interpreter interpreter(code.view());
        for (const auto& [x, y] : points) {
            const double want = evaluate_at(interpreter, code.gene, x, y);
            const std::string& got = python_lines[line++];
            ASSERT_EQ(got.size(), 33u) << got;
            ASSERT_TRUE(same_value(from_hex(got.substr(0, 16)), want) &&
                        same_value(from_hex(got.substr(17)), want))
                << got << " for " << hex(want) << " at " << x << ", " << y << ":\n"
                << readable_formula(program) << "\n"
                << readable_formula(program, {FormulaStyle::python});
        }
    }
}

}  // namespace
}  // namespace vorn
