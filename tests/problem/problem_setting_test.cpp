#include <gtest/gtest.h>

#include <functional>

#include "problem/errors.h"
#include "problem/problem_setting.h"
#include "tests/program/test_setting.h"

namespace vorn {
namespace {

using testing::row;
using testing::SettingFixture;

class ProblemSettingTest : public ::testing::Test {
protected:
    ProblemSettingTest() { f.training = {row("1", "2", "3", "4"), row("5", "6", "7", "8")}; }
    SettingFixture f;
};

TEST_F(ProblemSettingTest, NodeTableWithAllFunctionsAndDefaultConstants) {
    f.texts.checked.fill(true);
    const auto s = f.make();
    ASSERT_EQ(s.node_table.size(), 1012u);
    EXPECT_EQ(s.num_functions, 10);
    EXPECT_EQ(s.num_variables, 2);
    EXPECT_EQ(s.node_table[9].name, "IFLTE");
    EXPECT_EQ(s.node_table[10].name, "x");
    EXPECT_EQ(s.node_table[10].arity_less_one, -1);
    EXPECT_EQ(s.node_table[10].index, 0);
    EXPECT_EQ(s.node_table[11].name, "y");
    EXPECT_EQ(s.node_table[11].index, 1);
    EXPECT_EQ(s.node_table[12].name, "-1.000");
    EXPECT_EQ(s.node_table[12].index, 0);
    EXPECT_EQ(s.node_table[1011].name, "1.000");
    EXPECT_EQ(s.node_table[1011].index, 999);
    EXPECT_EQ(s.variable_values.size(), 3u);
    EXPECT_EQ(s.pause_request, 0);
    EXPECT_EQ(s.abort_request, 0);
}

TEST_F(ProblemSettingTest, DefaultConstantTableIsEvenlySpaced) {
    const auto s = f.make();
    ASSERT_EQ(s.constant_table.size(), 1000u);
    EXPECT_EQ(s.constant_table[0], -1.0);
    EXPECT_EQ(s.constant_table[500], 0.0);
    EXPECT_NEAR(s.constant_table[1], -0.998, 1e-15);
    EXPECT_NEAR(s.constant_table[999], 0.998, 1e-15);
    EXPECT_EQ(s.constant_min, -1.0f);
    EXPECT_EQ(s.constant_max, 1.0f);
    // Extended-precision arithmetic from the two float bounds.
    const long double step = (1.0L - -1.0L);
    EXPECT_EQ(s.constant_table[1], static_cast<double>(step / 1000 + -1.0L));
}

TEST_F(ProblemSettingTest, CheckListOrderNotCheckingOrder) {
    f.texts.checked = {false, false, true, false, true, false, false, false, false, false};
    const auto s = f.make();
    EXPECT_EQ(s.node_table[0].name, "*");
    EXPECT_EQ(s.node_table[0].arity_less_one, 1);
    EXPECT_EQ(s.node_table[1].name, "sin");
    EXPECT_EQ(s.node_table[1].arity_less_one, 0);
    EXPECT_EQ(s.node_table[2].name, "x");
}

TEST_F(ProblemSettingTest, ConstantRangesAndLabels) {
    f.texts.constant_min = "0";
    f.texts.constant_max = "10";
    f.texts.num_constants = "4";
    auto s = f.make();
    EXPECT_EQ(s.constant_table, (std::vector<double>{0, 2.5, 5, 7.5}));
    EXPECT_EQ(s.node_table[6].name, "0.000");
    EXPECT_EQ(s.node_table[7].name, "2.500");
    EXPECT_EQ(s.node_table[9].name, "7.500");

    f.texts.num_constants = "1";
    s = f.make();
    EXPECT_EQ(s.constant_table, std::vector<double>{0});

    // Reversed and equal ends are taken as they are.
    f.texts.constant_min = "1";
    f.texts.constant_max = "-1";
    f.texts.num_constants = "2";
    s = f.make();
    EXPECT_EQ(s.constant_table, (std::vector<double>{1, 0}));
    f.texts.constant_max = "1";
    s = f.make();
    EXPECT_EQ(s.constant_table, (std::vector<double>{1, 1}));
}

TEST_F(ProblemSettingTest, DataColumnsAndValidationCopy) {
    f.texts.input1_name = "u";
    f.texts.input2_name = "";
    f.validation = {row("9", "9", "9", "9")};
    auto s = f.make();
    EXPECT_EQ(s.node_table[4].name, "u");
    EXPECT_EQ(s.node_table[5].name, "");
    EXPECT_EQ(s.num_training_rows, 2);
    EXPECT_EQ(s.num_validation_rows, 2);
    EXPECT_EQ(s.train_x1, (std::vector<double>{1, 5}));
    EXPECT_EQ(s.train_y1, (std::vector<double>{2, 6}));
    EXPECT_EQ(s.train_x2, (std::vector<double>{3, 7}));
    EXPECT_EQ(s.train_y2, (std::vector<double>{4, 8}));
    EXPECT_EQ(s.valid_x1, s.train_x1);
    EXPECT_EQ(s.valid_y2, s.train_y2);

    f.texts.use_training_data = false;
    s = f.make();
    EXPECT_EQ(s.num_validation_rows, 1);
    EXPECT_EQ(s.valid_x1, std::vector<double>{9});
}

TEST_F(ProblemSettingTest, NoFunctionCheckedFallsBackToPlus) {
    f.texts.checked.fill(false);
    const auto s = f.make();
    EXPECT_TRUE(s.fell_back_to_plus());
    EXPECT_EQ(s.num_functions, 1);
    EXPECT_EQ(s.node_table[0].name, "+");
    EXPECT_EQ(s.node_table[1].name, "x");
}

TEST_F(ProblemSettingTest, RefusedTextsNameTheFieldOrCell) {
    struct Case {
        const char* what;
        std::function<void(SettingFixture&)> change;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"constants not a number", [](auto& g) { g.texts.num_constants = "abc"; },
         "\"Number of constant\" must be a whole number of at least 1 (it is \"abc\")."},
        {"constants empty", [](auto& g) { g.texts.num_constants = ""; },
         "\"Number of constant\" must be a whole number of at least 1 (it is \"\")."},
        {"constants zero", [](auto& g) { g.texts.num_constants = "0"; },
         "\"Number of constant\" must be a whole number of at least 1 (it is \"0\")."},
        {"constants negative", [](auto& g) { g.texts.num_constants = "-5"; },
         "\"Number of constant\" must be a whole number of at least 1 (it is \"-5\")."},
        {"range", [](auto& g) { g.texts.constant_max = "1,5"; },
         "\"Range\" must be a number (it is \"1,5\")."},
        {"empty cell", [](auto& g) { g.training[1][2] = ""; },
         "Training Data, row 2, column 3: \"\" is not a number."},
        {"text cell", [](auto& g) { g.training[0][0] = "x"; },
         "Training Data, row 1, column 1: \"x\" is not a number."},
        {"validation cell",
         [](auto& g) {
             g.texts.use_training_data = false;
             g.validation = {row("1", "2", "3", "nan")};
         },
         "Validation Data, row 1, column 4: \"nan\" is not a number."},
        {"empty training", [](auto& g) { g.training.clear(); },
         "\"Training Data\" must hold at least one row (it is empty)."},
        {"empty validation",
         [](auto& g) {
             g.texts.use_training_data = false;
             g.validation.clear();
         },
         "\"Validation Data\" must hold at least one row (it is empty)."},
    };
    for (const auto& c : cases) {
        SettingFixture g = f;
        c.change(g);
        try {
            (void)g.make();
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const SettingError& e) {
            EXPECT_EQ(e.what(), c.message) << c.what;
        }
    }
}

// A loaded grid reaches the run as the values of its cell texts; a loaded
// cell typed over or emptied is refused as a typed one is.
TEST_F(ProblemSettingTest, LoadedGridsReadAsTheirCellTexts) {
    const std::vector<DataRow> rows = {{0.123456789F, -3.14159265F, 1234565.0F, 2e-7F},
                                       {1, 2, 3, 4}};
    const auto function_table = build_function_table();
    const auto setting_of = [&](const DataTable& table) {
        return Tproblem_setting(ProblemParameters{}, GridCells{&table, nullptr}, function_table);
    };
    const Tproblem_setting s = setting_of(DataTable(rows));
    EXPECT_EQ(s.train_x1[0], 0.123457);
    EXPECT_EQ(s.train_y1[0], -3.14159);
    EXPECT_EQ(s.train_x2[0], 1234570.0);
    EXPECT_EQ(s.train_y2[0], 2e-7);
    EXPECT_EQ(s.valid_y2[1], 4.0);

    const struct {
        const char* what;
        int column;
        std::string typed;
        std::string message;
    } cases[] = {
        {"typed over", 2, "x", "Training Data, row 2, column 3: \"x\" is not a number."},
        {"emptied", 0, "", "Training Data, row 2, column 1: \"\" is not a number."},
    };
    for (const auto& c : cases) {
        DataTable table(rows);
        table.set_cell_text(1, c.column, c.typed);
        try {
            static_cast<void>(setting_of(table));
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const SettingError& e) {
            EXPECT_EQ(e.what(), c.message) << c.what;
        }
    }
}

TEST_F(ProblemSettingTest, ValidationGridIgnoredWhileTrainingDataServes) {
    f.validation = {row("", "junk", "", "")};
    const auto s = f.make();
    EXPECT_EQ(s.num_validation_rows, 2);
}

}  // namespace
}  // namespace vorn
