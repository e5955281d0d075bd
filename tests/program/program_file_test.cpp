// Program files: exact round trips of awkward values, and the refusal of
// every file the reader cannot trust.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include "program/json_text.h"
#include "program/program_file.h"
#include "tests/german_locale.h"

namespace vorn {
namespace {

Program sample(std::vector<ProgramNode> nodes) {
    Program program;
    program.nodes = std::move(nodes);
    program.training_fitness = 0.1;
    program.validation_count = 3;
    return program;
}

TEST(ProgramFile, AwkwardConstantsAndNamesComeBackExactly) {
    const double values[] = {0.1,
                             -0.0,
                             5,
                             1e300,
                             std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::max(),
                             -std::numeric_limits<double>::min(),
                             1.0 / 3};
    for (const double value : values) {
        Program program = sample({{OpCode::divide}, {OpCode::input2}, {OpCode::constant, value}});
        program.input1_name = "Länge \"a\"";
        program.output_name = "z\n";
        program.provenance = {{"seed", 7}, {"fitness", value}};
        program.simplified = value > 1;
        const std::string text = program_file_text(program);
        // Only a simplified program's file has the member.
        EXPECT_EQ(text.find("\"simplified\": true") != std::string::npos, program.simplified);
        const Program back = read_program_text(text);
        EXPECT_EQ(back.simplified, program.simplified);
        ASSERT_EQ(back.nodes.size(), 3u);
        EXPECT_EQ(back.nodes[0].op, OpCode::divide);
        EXPECT_EQ(back.nodes[1].op, OpCode::input2);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(back.nodes[2].value),
                  std::bit_cast<std::uint64_t>(value));
        EXPECT_EQ(back.input1_name, program.input1_name);
        EXPECT_EQ(back.output_name, program.output_name);
        EXPECT_EQ(back.validation_count, 3.0);
        EXPECT_EQ(back.provenance, program.provenance);
    }
}

TEST(ProgramFile, TextDoesNotDependOnTheProcessLocale) {
    const Program program = sample({{OpCode::constant, 0.5}});
    const std::string plain = program_file_text(program);
    const testing::GermanNumbers german_numbers;
    if (!german_numbers.set) {
        GTEST_SKIP() << "no de_DE.UTF-8 locale";
    }
    const std::string german = program_file_text(program);
    const Program back = read_program_text(german);
    EXPECT_EQ(german, plain);
    EXPECT_EQ(back.nodes[0].value, 0.5);
}

TEST(ProgramFile, WriterRefusesWhatCannotBeReadBack) {
    const double bad = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW((void)program_file_text(sample({{OpCode::constant, bad}})), ProgramFileError);
    EXPECT_THROW((void)program_file_text(sample({{OpCode::add}, {OpCode::input1}})),
                 ProgramFileError);
    Program infinite = sample({{OpCode::input1}});
    infinite.training_fitness = std::numeric_limits<double>::infinity();
    EXPECT_THROW((void)program_file_text(infinite), ProgramFileError);
}

TEST(ProgramFile, ReaderRefusesFilesItCannotTrust) {
    const std::string head =
        R"({"format": "vorn-program", "version": 1, "semantics": 1, "inputs": ["x", "y"],
            "output": "z", "training_fitness": 0.5, )";
    const struct {
        std::string text;
        std::string reason;
    } cases[] = {
        {"", "not JSON"},
        {head + R"("gene": ["+", "input1"]})", "ends before"},
        {head + R"("gene": ["input1", "input2"]})", "nodes follow"},
        {head + R"("gene": ["sqrt", "input1"]})", "unknown primitive \"sqrt\" at node 1"},
        {head + R"("gene": [])", "not JSON"},
        {head + R"("gene": []})", "no nodes"},
        {head + R"("gene": ["sin", 1e999]})", "not JSON"},
        {head + R"("gene": ["sin", 18446744073709551615]})", "too large"},
        {head + R"("gene": ["sin", 9007199254740993]})", "not exact"},
        {head + R"("gene": ["sin", null]})", "neither a name nor a number at node 2"},
        {head + R"("gene": "sin"})", "not a list"},
        {head + R"("gene": ["input1"], "provenance": 1})", "provenance"},
        {head + R"("gene": ["input1"], "simplified": 1})", "\"simplified\" is neither"},
        {head + R"("gene": ["input1"], "provenance": {"a": )" + std::string(100000, '[') +
             std::string(100000, ']') + "}}",
         "nested more than 256 deep"},
        {R"({"format": "vorn-program", "version": 2, "semantics": 1})", "newer"},
        {R"({"format": "vorn-program", "version": 0, "semantics": 1})",
         "format version 0 is not a version this program reads"},
        {R"({"format": "vorn-program", "version": -1, "semantics": 1})", "version -1 is not a"},
        // Duplicate keys: which one counts would be anyone's guess.
        {head + R"("gene": ["input1"], "output": "w"})", "the key \"output\" is given twice"},
        {head + R"("gene": ["input1"], "provenance": {"seed": 1, "seed": 2}})",
         "the key \"seed\" is given twice"},
        // Measures a run can make.
        {R"({"format": "vorn-program", "version": 1, "semantics": 1, "inputs": ["x", "y"],
            "output": "z", "gene": ["input1"], "training_fitness": 7})",
         "\"training_fitness\" is not a number from 0 to 1"},
        {head + R"("gene": ["input1"], "validation_count": -1})", "\"validation_count\" is not"},
        {head + R"("gene": ["input1"], "validation_count": 2.5})", "\"validation_count\" is not"},
        {head + R"("gene": ["input1"], "validation_count": 1e300})", "\"validation_count\""},
        // Echoed text is cut.
        {head + R"("gene": [")" + std::string(1 << 20, 's') + R"("]})",
         "unknown primitive \"" + std::string(40, 's') + "...\" at node 1"},
        {head + R"("gene": [")" + std::string(1 << 20, 's'), "last read: '\"sss"},
        {R"({"format": "vorn-program", "version": 1, "semantics": 2})", "rules of version 2"},
        {R"({"format": "other", "version": 1})", "not a program file"},
        {R"([1, 2])", "not a program file"},
        {R"({"format": "vorn-program", "version": "1"})", "\"version\" is not a whole number"},
        {R"({"format": "vorn-program", "version": 1, "semantics": 1, "inputs": ["x"]})",
         "\"inputs\""},
        {R"({"format": "vorn-program", "version": 1, "semantics": 1})", "\"inputs\" is missing"},
    };
    for (const auto& c : cases) {
        try {
            (void)read_program_text(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const ProgramFileError& error) {
            EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos)
                << error.what() << " for " << c.text.substr(0, 300);
            EXPECT_LT(std::string(error.what()).size(), 200U) << c.reason;
        }
    }
}

TEST(JsonText, DoublesStayDoublesAndIntegersStayIntegers) {
    const nlohmann::json value = {{"a", 5.0}, {"b", -0.0}, {"c", 5}, {"d", {1.5, 2}}};
    const std::string text = json_text(value);
    EXPECT_EQ(text, "{\n  \"a\": 5.0,\n  \"b\": -0.0,\n  \"c\": 5,\n  \"d\": [1.5, 2]\n}\n");
    const nlohmann::json back = parse_json_text(text);
    EXPECT_TRUE(back["a"].is_number_float());
    EXPECT_TRUE(std::signbit(back["b"].get<double>()));
    EXPECT_TRUE(back["c"].is_number_integer());
}

}  // namespace
}  // namespace vorn
