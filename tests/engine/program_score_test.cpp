// A program's score on a data set must be the run's own measure of it.
#include "engine/program_score.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>

#include "problem/data_table.h"
#include "problem/number_text.h"
#include "program/interpreter.h"
#include "program/program_file.h"
#include "tests/problem/address_limit.h"
#include "tests/program/sample_genes.h"

namespace vorn {
namespace {

// Rows of awkward texts: zeros of both signs, exact ties of the inputs, and
// enough rows that the scoring passes cross block boundaries.
std::vector<CellRow> awkward_rows(std::mt19937& rng, std::size_t count) {
    const std::vector<std::string> fixed = {"0", "-0", "1", "-1", "0.5", "1E-30", "-3.25", "2"};
    std::uniform_real_distribution<double> spread(-3, 3);
    std::uniform_int_distribution<std::size_t> pick(0, fixed.size() - 1);
    std::bernoulli_distribution use_fixed(0.3);
    const auto cell = [&] { return use_fixed(rng) ? fixed[pick(rng)] : general_text(spread(rng)); };
    std::vector<CellRow> rows;
    for (std::size_t i = 0; i < count; ++i) {
        rows.push_back(testing::row(cell(), cell(), cell(), cell()));
    }
    return rows;
}

TEST(ProgramScore, EqualsTheRunsMeasuresBitForBitOnRandomPrograms) {
    std::mt19937 rng(5);
    testing::SettingFixture fixture;
    fixture.texts.checked.fill(true);
    fixture.texts.num_constants = "41";
    fixture.training = awkward_rows(rng, 4100);
    const Tproblem_setting setting = fixture.make();
    const DataColumns data = setting.training_columns();
    for (int round = 0; round < 120; ++round) {
        const auto gene = testing::grow_gene(rng, setting, 80);
        const ProgramCode code = program_code(program_of_gene(setting.node_table_view(), gene));
        const ScoreCounts counts = score_program(code, data);

        const double fitness = training_fitness(setting.node_table_view(), data, gene);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(counts.fraction()),
                  std::bit_cast<std::uint64_t>(fitness));
        EXPECT_EQ(static_cast<double>(counts.misclassified()),
                  validation_fitness(setting.node_table_view(), data, gene));
        EXPECT_EQ(counts.rows, 4100);
        EXPECT_EQ(counts.true_positive + counts.false_negative, counts.rows);
        EXPECT_EQ(counts.false_positive + counts.true_negative, counts.rows);
        Interpreter interpreter(setting.node_table_view());
        std::int64_t undecided = 0;
        for (std::size_t i = 0; i < data.x1.size(); ++i) {
            for (const double v : {evaluate_at(interpreter, gene, data.x1[i], data.y1[i]),
                                   evaluate_at(interpreter, gene, data.x2[i], data.y2[i])}) {
                undecided += std::isnan(v) || v == 0 ? 1 : 0;
            }
        }
        EXPECT_EQ(counts.zero_or_nan, undecided);
    }
}

// Programs with one value everywhere, where each outcome is known.
TEST(ProgramScore, ConstantProgramsLandInTheirOutcomes) {
    const std::vector<double> xs = {1, -2, 0};
    const DataColumns data{xs, xs, xs, xs};
    const double huge = 1e308;
    struct Case {
        std::vector<ProgramNode> nodes;
        std::int64_t tp, fn, fp, tn, zero_or_nan;
        std::string fraction;
    };
    using O = OpCode;
    const std::vector<Case> cases = {
        {{{O::constant, 0.0}}, 0, 3, 3, 0, 6, "1"},
        {{{O::constant, -0.0}}, 0, 3, 3, 0, 6, "1"},
        {{{O::constant, 2.5}}, 3, 0, 3, 0, 0, "0.5"},
        {{{O::constant, -1e-300}}, 0, 3, 0, 3, 0, "0.5"},
        // inf - inf: NaN, which is negative and undecided.
        {{{O::subtract},
          {O::multiply},
          {O::constant, huge},
          {O::constant, huge},
          {O::multiply},
          {O::constant, huge},
          {O::constant, huge}},
         0,
         3,
         0,
         3,
         6,
         "0.5"},
    };
    for (const Case& c : cases) {
        Program program;
        program.nodes = c.nodes;
        const ScoreCounts counts = score_program(program_code(program), data);
        const std::string expected =
            "f rows=3 TP=" + std::to_string(c.tp) + " FN=" + std::to_string(c.fn) +
            " FP=" + std::to_string(c.fp) + " TN=" + std::to_string(c.tn) +
            " zero_or_nan=" + std::to_string(c.zero_or_nan) +
            " misclassified=" + std::to_string(c.fn + c.fp) + " fraction=" + c.fraction;
        EXPECT_TRUE(score_line("f", counts).starts_with(expected + " accuracy="))
            << score_line("f", counts);
    }
    // A name cannot break the line.
    EXPECT_TRUE(score_line("a\nb", ScoreCounts{}).starts_with("a\\x0Ab rows=0 "));
}

// The program x: positives at x = 1, 2, 3 and -1, negatives at x = -2 and
// 0.5, paired as a CSV file pairs them (negatives cycled over four rows).
// The counts and measures are of the six points; rows and fraction are the
// run's, over the eight points of the four rows.
TEST(ProgramScore, CycledCopiesAreLeftOutOfTheCountsAndMeasures) {
    DataTable table({DataRow{1, 0, -2, 0}, DataRow{2, 0, 0.5f, 0}, DataRow{3, 0, -2, 0},
                     DataRow{-1, 0, 0.5f, 0}});
    Program program;
    program.nodes = {{OpCode::input1, 0}};
    const ProgramCode code = program_code(program);
    const ScoreCounts counts = score_table(code, table, PairingCounts{4, 2});
    EXPECT_EQ(counts.rows, 4);
    EXPECT_EQ(std::vector<std::int64_t>({counts.true_positive, counts.false_negative,
                                         counts.false_positive, counts.true_negative}),
              std::vector<std::int64_t>({3, 1, 1, 1}));
    // The run's fitness counts both copies of the negative at 0.5.
    EXPECT_EQ(counts.fraction(), score_table(code, table).fraction());
    EXPECT_EQ(counts.fraction(), 3.0 / 8);
    const ScoreMeasures m = score_measures(counts);
    EXPECT_EQ(m.accuracy, 4.0 / 6);
    EXPECT_EQ(m.balanced_accuracy, (3.0 / 4 + 1.0 / 2) / 2);
    EXPECT_EQ(m.precision, 3.0 / 4);
    EXPECT_EQ(m.recall, 3.0 / 4);
    EXPECT_EQ(m.f1, 6.0 / 8);
    // Pairs (positive above negative): 1 beats -2 and 0.5, 2 and 3 beat both,
    // -1 beats -2: 7 of 8.
    EXPECT_EQ(counts.auc, 7.0 / 8);
    EXPECT_NE(score_line("f", counts).find(" accuracy=0.666666666666667 "), std::string::npos);
    // Without points there is nothing to measure.
    const ScoreMeasures none = score_measures(ScoreCounts{});
    EXPECT_FALSE(none.accuracy || none.precision || none.recall || none.f1);
    EXPECT_TRUE(score_line("f", ScoreCounts{}).ends_with(" f1=n/a auc=n/a"));
}

// A program file nested deep costs memory near its own size to read and
// score, not kilobytes for every level of nesting.
TEST(ProgramScore, DeepProgramsAreScoredInLittleMemory) {
    if (!testing::address_limit_possible) {
        GTEST_SKIP() << "no address-space limit under AddressSanitizer";
    }
    constexpr std::size_t depth = 150000;
    Program program;
    program.nodes.assign(depth, {OpCode::add, 0});
    program.nodes.insert(program.nodes.end(), depth + 1, {OpCode::input1, 0});
    const std::string text = program_file_text(program);
    const std::vector<double> points = {0.5, -1, 2};
    DataColumns data;
    data.x1 = data.y1 = data.x2 = data.y2 = points;
    const auto result = testing::run_with_address_limit(96.0 * 1024 * 1024, [&] {
        try {
            const ScoreCounts counts = score_program(program_code(read_program_text(text)), data);
            return std::to_string(counts.true_positive) + " " +
                   std::to_string(counts.true_negative);
        } catch (const std::bad_alloc&) {
            return std::string("out of memory");
        }
    });
    EXPECT_TRUE(result.exited) << "signal " << result.status;
    EXPECT_EQ(result.text, "2 1");  // outputs (depth + 1) * x: 0.5 and 2 are > 0
}

}  // namespace
}  // namespace vorn
