// Exports against the interpreter: programs from the engine and grown ones
// are written as C, Python and a formula, run at points full of protected and
// overflowing cases, and must give the interpreter's bits (two NaNs count as
// equal), the Python module from floats and from numpy arrays. All programs
// go into one C file and one Python process.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

#include "engine/tgp_pop.h"
#include "program/interpreter.h"
#include "program/program_export.h"
#include "program/random.h"
#include "program/simplify.h"
#include "tests/program/sample_genes.h"
#include "tests/temp_folder.h"

namespace vorn {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double huge = std::numeric_limits<double>::max();

// clang-format off
const std::vector<double> specials = {
    0.0, -0.0, 1.0, -1.0, 0.5, 0.1, -2.5,                                     // zeros, plain
    1e300, -1e300, huge, -huge, 1e22, 3e9, 1e-300, -1e-300, 5e-324,           // huge and tiny
    2147483647.0, 2147483647.9, 2147483648.0, -2147483648.0, -2147483647.5,  // 32-bit edges
    1.5707963267948966, -1.5707963267948966, 3.141592653589793};              // poles of tan
// clang-format on

std::string hex(double value) {
    char text[17];
    const auto bits = std::bit_cast<std::uint64_t>(value);
    return {text, std::to_chars(text, text + 17, bits, 16).ptr};
}

bool same_value(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || hex(a) == hex(b);
}

double from_hex(std::string_view text) {
    std::uint64_t bits = 0;
    std::from_chars(text.data(), text.data() + text.size(), bits, 16);
    return std::bit_cast<double>(bits);
}

double pick_special(std::mt19937& rng) {
    return specials[std::uniform_int_distribution<std::size_t>(0, specials.size() - 1)(rng)];
}

// Each special and each non-finite value paired with a random one, then
// plain values mixed with specials.
std::vector<std::pair<double, double>> awkward_points(std::mt19937& rng) {
    std::vector<double> values = specials;
    values.insert(values.end(), {inf, -inf, nan});
    std::uniform_real_distribution<double> plain(-10, 10);
    std::vector<std::pair<double, double>> points;
    for (double v : values) {
        points.emplace_back(v, pick_special(rng));
        points.emplace_back(pick_special(rng), v);
    }
    points.emplace_back(nan, -inf);
    while (points.size() < 120) {
        points.emplace_back(plain(rng), points.size() % 2 ? plain(rng) : pick_special(rng));
    }
    return points;
}

ProgramNode random_terminal(std::mt19937& rng) {
    const int k = std::uniform_int_distribution<int>(0, 3)(rng);
    return k == 0   ? ProgramNode{OpCode::input1}
           : k == 1 ? ProgramNode{OpCode::input2}
                    : ProgramNode{OpCode::constant, pick_special(rng)};
}

// Operations cycling through all ten, each nesting the next in a random
// argument and taking terminals for the others.
Program deep_chain(std::mt19937& rng, int depth) {
    const std::vector<functable> primitives = build_function_table();
    Program program;
    std::vector<std::vector<ProgramNode>> tails;
    for (int level = 0; level < depth; ++level) {
        const functable& f = primitives[static_cast<std::size_t>(level % num_primitives)];
        const int nested = std::uniform_int_distribution<int>(0, f.arity_less_one)(rng);
        program.nodes.push_back({f.op});
        tails.emplace_back();
        for (int k = 0; k <= f.arity_less_one; ++k) {
            if (k != nested) {
                (k < nested ? program.nodes : tails.back()).push_back(random_terminal(rng));
            }
        }
    }
    program.nodes.push_back(random_terminal(rng));
    for (auto tail = tails.rbegin(); tail != tails.rend(); ++tail) {
        program.nodes.insert(program.nodes.end(), tail->begin(), tail->end());
    }
    return program;
}

// A first generation of all ten primitives and one bred from it, and grown
// genes, over tables of small, large and huge constants; the grown ones also
// with awkward constants put in, and those simplified; and one chain 1100
// operations deep.
std::vector<Program> sample_programs(std::mt19937& rng) {
    std::vector<Program> programs;
    for (const auto& [low, high, count] : {std::array<std::string, 3>{"-1", "1", "10"},
                                           {"-3e9", "3e9", "4"},
                                           {"-1e38", "1e38", "3"}}) {
        testing::SettingFixture f;
        f.texts.checked.fill(true);
        f.texts.constant_min = low;
        f.texts.constant_max = high;
        f.texts.num_constants = count;
        f.training = {testing::row("1", "2", "3", "4")};
        Tproblem_setting setting = f.make();
        testing::PopulationTexts texts;
        texts.population_size = "16";
        texts.constant_min = low;
        texts.constant_max = high;
        texts.num_constants = count;
        Tgp_pop pop(testing::population_parameters(texts, setting));
        seed_random(static_cast<std::uint32_t>(rng()));
        pop.create_initial_population(setting);
        for (int g = 0; g < 2; ++g) {
            for (Individual* individual : pop.current()) {
                programs.push_back(
                    program_of_gene(setting.node_table_view(), individual->program()));
                individual->normalized_fitness = 1.0 / pop.population_size;
            }
            pop.breed(g, setting);
            pop.current_buffer = 1 - pop.current_buffer;
        }
        for (int i = 0; i < 12; ++i) {
            programs.push_back(
                program_of_gene(setting.node_table_view(), testing::grow_gene(rng, setting, 150)));
            programs.push_back(programs.back());
            for (ProgramNode& node : programs.back().nodes) {
                node.value = node.op == OpCode::constant ? pick_special(rng) : 0;
            }
            programs.push_back(simplify(programs.back()));
        }
    }
    programs.push_back(deep_chain(rng, 1100));
    return programs;
}

std::string read_text(const std::filesystem::path& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// One C file holds every export, each with its helpers renamed, and prints
// the bits of each program at each point of points.txt.
std::string c_main(std::span<const std::string> functions) {
    std::string out;
    for (std::size_t i = 0; i < functions.size(); ++i) {
        const std::string tag = "p" + std::to_string(i);
        std::string undo;
        for (const char* h : {"pdiv", "pmagnitude", "pln", "plog10", "iflte", "libm_sin",
                              "libm_cos", "libm_tan", "libm_log", "libm_log10"}) {
            out += "#define " + std::string(h) + " " + tag + "_" + h + "\n";
            undo += "#undef " + std::string(h) + "\n";
        }
        out += "#include \"" + tag + ".c\"\n" + undo;
    }
    out +=
        "#include <stdio.h>\n#include <string.h>\nstatic double (*const f[])(double, double) = {";
    for (const std::string& function : functions) {
        out += function + ",";
    }
    return out + R"(};
int main(void)
{
    static unsigned long long p[1000][2];
    size_t n = 0, i, k;
    FILE* in = fopen("points.txt", "r");
    while (n < 1000 && fscanf(in, "%llx %llx", &p[n][0], &p[n][1]) == 2) ++n;
    for (i = 0; i < sizeof f / sizeof f[0]; ++i) {
        for (k = 0; k < n; ++k) {
            double x, y, r;
            unsigned long long b;
            memcpy(&x, p[k], 8);
            memcpy(&y, p[k] + 1, 8);
            r = f[i](x, y);
            memcpy(&b, &r, 8);
            printf("%016llx\n", b);
        }
    }
    return 0;
}
)";
}

// Prints each module's bits from floats, then from numpy arrays of all the
// points, and, where the formula is shallow enough for Python's parser, the
// formula's evaluated with the module's helpers. Floats must not import
// numpy, and a float broadcast against an array gives the float form's bits.
constexpr std::string_view python_main = R"(import importlib.util, struct, sys
def real(h): return struct.unpack('<d', struct.pack('<Q', int(h, 16)))[0]
def bits(v): return '%016x' % struct.unpack('<Q', struct.pack('<d', v))[0]
def same(a, b): return bits(a) == bits(b) or (a != a and b != b)
points = [[real(h) for h in line.split()] for line in open('points.txt')]
helpers = dict(pdiv='pdiv', pln='pln', plog10='plog10', iflte='iflte', sin='psin', cos='pcos',
               tan='ptan')
results = []
for i, line in enumerate(open('programs.txt')):
    name, _, formula = line.rstrip('\n').partition(' ')
    found = importlib.util.spec_from_file_location('p%d' % i, 'p%d.py' % i)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    code = compile(formula, 'formula', 'eval') if formula else None
    env = {k: getattr(module, v, None) for k, v in helpers.items()}
    f = getattr(module, name)
    values = [f(x, y) for x, y in points]
    assert all(type(v) is float for v in values), name
    formulas = []
    for env['x'], env['y'] in points:
        formulas.append(bits(eval(code, env)) if code else '')
    results.append((f, values, formulas))
assert 'numpy' not in sys.modules
import numpy as np
xs, ys = (np.array(c).reshape(-1, 2) for c in zip(*points))
for f, values, formulas in results:
    array = f(xs, ys)
    assert array.shape == xs.shape and array.dtype == np.float64, f.__name__
    for v, a, e in zip(values, array.ravel(), formulas):
        print(bits(v), bits(a), e)
    y = points[0][1]
    assert all(same(a, f(x, y)) for x, a in zip(xs.ravel(), f(xs, y).ravel())), f.__name__
)";

TEST(ProgramExport, CPythonAndFormulaGiveTheInterpretersBits) {
    std::mt19937 rng(20261209);
    const auto points = awkward_points(rng);
    std::vector<Program> programs = sample_programs(rng);
    // Keywords, the exports' own names, and names that would break a comment.
    const std::vector<std::string> odd_names = {"class", "y1", "2nd", "pdiv", "x", "Größe", "*/"};
    testing::TempFolder folder;
    std::vector<std::string> functions;
    std::string lines;
    for (std::size_t i = 0; i < programs.size(); ++i) {
        Program& program = programs[i];
        program.output_name = i < odd_names.size() ? odd_names[i] : "p" + std::to_string(i);
        program.input1_name = "width */ /* \"cm\"\n";
        program.input2_name = "Höhe ?\?/\r\\";
        functions.push_back(exported_function_name(program.output_name));
        const std::string tag = "p" + std::to_string(i);
        static_cast<void>(folder.write(tag + ".c", export_program(program, ExportLanguage::c)));
        static_cast<void>(
            folder.write(tag + ".py", export_program(program, ExportLanguage::python)));
        // Python's parser refuses more than 200 nested parentheses.
        lines += functions.back() +
                 (program.nodes.size() < 200 ? " " + exact_formula(program) : "") + "\n";
    }
    static_cast<void>(folder.write("programs.txt", lines));
    lines.clear();
    for (const auto& [x, y] : points) {
        lines += hex(x) + " " + hex(y) + "\n";
    }
    static_cast<void>(folder.write("points.txt", lines));
    static_cast<void>(folder.write("main.c", c_main(functions)));
    static_cast<void>(folder.write("main.py", std::string(python_main)));
    // The C program is built and run while Python runs.
    const std::string dir = "cd '" + folder.path.string() + "' && ";
    const std::string command =
        dir + "{ cc -std=c99 -O2 -ffp-contract=off -Wall -Wextra -Wpedantic -Werror main.c -lm " +
        "&& ./a.out >c.txt " +
        // Compiled as C++ the function keeps its C name, so C++ links it.
        "&& c++ -std=c++17 -O2 -ffp-contract=off -Wall -Wextra -Werror -x c++ -c p0.c -o p0.o " +
        "&& nm p0.o | grep -q ' T " + functions[0] + "$'; } 2>c.err & " + dir +
        // The first python3 on the path that has numpy.
        "for py in $(which -a python3); do $py -c 'import numpy' 2>/dev/null && break; done; " +
        "$py main.py >py.txt 2>py.err; p=$?; wait $!; test $? -eq 0 -a $p -eq 0";
    ASSERT_EQ(std::system(command.c_str()), 0)
        << read_text(folder.path / "c.err") << read_text(folder.path / "py.err");
    const auto c_lines = testing::lines_of(read_text(folder.path / "c.txt"));
    const auto python_lines = testing::lines_of(read_text(folder.path / "py.txt"));
    ASSERT_EQ(c_lines.size(), programs.size() * points.size());
    ASSERT_EQ(python_lines.size(), c_lines.size());
    int failures = 0;
    std::size_t line = 0;
    for (std::size_t i = 0; i < programs.size() && failures < 5; ++i) {
        const ProgramCode code = program_code(programs[i]);
        Interpreter interpreter(code.view());
        for (const auto& [x, y] : points) {
            const double want = evaluate_at(interpreter, code.gene, x, y);
            const std::string& py = python_lines[line];
            // Python's line: the float form, the numpy form, then the formula.
            const bool ok = same_value(from_hex(c_lines[line]), want) &&
                            same_value(from_hex(py.substr(0, 16)), want) &&
                            same_value(from_hex(py.substr(17, 16)), want) &&
                            (py.size() == 34 || same_value(from_hex(py.substr(34)), want));
            ++line;
            if (!ok && ++failures <= 5) {
                ADD_FAILURE() << "program " << i << " at (" << x << ", " << y << "): interpreter "
                              << hex(want) << ", C " << c_lines[line - 1] << ", Python, formula "
                              << py << "\n"
                              << exact_formula(programs[i]);
            }
        }
    }
}

TEST(ProgramExport, FunctionNames) {
    const std::pair<std::string, std::string> cases[] = {{"z", "z"},
                                                         {"class_1", "class_1"},
                                                         {"", "vorn_"},
                                                         {"2nd", "vorn_2nd"},
                                                         {"class", "vorn_class"},
                                                         {"while", "vorn_while"},
                                                         {"None", "vorn_None"},
                                                         {"y1", "vorn_y1"},
                                                         {"math", "vorn_math"},
                                                         {"pdiv", "vorn_pdiv"},
                                                         {"_x", "vorn__x"},
                                                         {"a b-c", "a_b_c"},
                                                         {"Größe", "Gr____e"},
                                                         {"*/", "vorn___"}};
    for (const auto& [output, name] : cases) {
        EXPECT_EQ(exported_function_name(output), name) << output;
    }
    // Any bytes give an identifier that a second pass keeps as it is.
    std::mt19937 rng(7);
    for (int i = 0; i < 2000; ++i) {
        std::string output(static_cast<std::size_t>(i % 9), ' ');
        for (char& c : output) {
            c = static_cast<char>(rng() % (i % 2 ? 256 : 128));
        }
        const std::string name = exported_function_name(output);
        ASSERT_TRUE(std::isalpha(static_cast<unsigned char>(name.at(0)))) << name;
        ASSERT_EQ(name.find_first_not_of(
                      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_"),
                  std::string::npos);
        ASSERT_EQ(exported_function_name(name), name);
    }
}

TEST(ProgramExport, RefusesWhatIsNotOneFiniteExpression) {
    const std::vector<std::vector<ProgramNode>> cases = {{},
                                                         {{OpCode::add}, {OpCode::input1}},
                                                         {{OpCode::input1}, {OpCode::input2}},
                                                         {{OpCode::sin}, {OpCode::constant, inf}},
                                                         {{OpCode::constant, nan}}};
    for (const auto& nodes : cases) {
        Program program;
        program.nodes = nodes;
        EXPECT_THROW(static_cast<void>(exact_formula(program)), ProgramFileError);
        for (auto language : {ExportLanguage::c, ExportLanguage::python, ExportLanguage::formula}) {
            EXPECT_THROW(static_cast<void>(export_program(program, language)), ProgramFileError);
        }
    }
}

TEST(ProgramExport, FormulaOfAVeryDeepProgram) {
    constexpr std::size_t depth = 200000;
    Program program;
    program.nodes.assign(depth, ProgramNode{OpCode::cos});
    program.nodes.push_back({OpCode::constant, -0.0});
    program.output_name = "deep";
    std::string expected;
    for (std::size_t i = 0; i < depth; ++i) {
        expected += "cos(";
    }
    expected += "-0.0" + std::string(depth, ')');
    EXPECT_EQ(exact_formula(program), expected);
    EXPECT_TRUE(export_program(program, ExportLanguage::formula)
                    .ends_with("\ndeep(x, y) = " + expected + "\n"));
}

}  // namespace
}  // namespace vorn
