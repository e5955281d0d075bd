// The live handlers of the parameter pages and the checks made on leaving one.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QValueAxis>
#include <functional>

#include "engine/search_parameters.h"
#include "engine/tgp_pop.h"
#include "problem/problem_setting.h"
#include "tests/ui/form_fixture.h"
#include "ui/check_list_box.h"
#include "ui/graph_form.h"
#include "ui/radio_group.h"

namespace vorn::testing {
namespace {

using RemainderLabels = FormTest;

TEST_F(RemainderLabels, FollowTheRatesAsTheyAreTyped) {
    struct Case {
        QLineEdit* PopulationPage::*edit;
        const char* text;
        QLabel* PopulationPage::*label;
        const char* shown;
    };
    const Case cases[] = {
        {&PopulationPage::Edit4, "0.65", &PopulationPage::Label6, "0.1500"},
        {&PopulationPage::Edit6, "0.20", &PopulationPage::Label6, "-0.1000"},
        {&PopulationPage::Edit4, "0.666", &PopulationPage::Label6, "0.1300"},
        {&PopulationPage::Edit13, "0.90", &PopulationPage::ConstLabel, "-0.1000"},
        {&PopulationPage::Edit14, "0.123", &PopulationPage::ConstLabel, "0.3800"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        form.reset();
        auto scripted = std::make_unique<ScriptedDialogs>();
        dialogs = scripted.get();
        form = std::make_unique<TForm1>(std::move(scripted));
        type_into(population().*c.edit, c.text);
        EXPECT_EQ((population().*c.label)->text().toStdString(), c.shown);
        EXPECT_TRUE(dialogs->messages.empty());
    }
}

// Half-typed or empty rates are not numbers yet: the label keeps its text
// and nobody is interrupted.
TEST_F(RemainderLabels, KeepTheirTextWhileARateIsNotANumber) {
    type_into(population().Edit4, "0.65");
    for (const char* partial : {"", "-", ".", "-.", "abc"}) {
        type_into(population().Edit4, partial);
        EXPECT_EQ(population().Label6->text(), "0.1500") << partial;
    }
    population().Edit5->setText(QStringLiteral("0.2x"));
    EXPECT_EQ(population().Label6->text(), "0.1500");
    type_into(population().Edit13, "");
    EXPECT_EQ(population().ConstLabel->text(), "0.3");
    EXPECT_TRUE(dialogs->messages.empty());
}

using PageLeaving = FormTest;

// Each way of leaving "Population" runs the same check.
const std::vector<std::pair<const char*, std::function<void(FormTest&, TForm1&)>>> leave_ways = {
    {"tab click",
     [](FormTest&, TForm1& form) {
         QTabBar* bar = form.page_control()->tabBar();
         QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(results_page).center());
     }},
    {"Panels > Results", [](FormTest&, TForm1& form) { form.menu().Results1->trigger(); }},
    {"Panels > Problem", [](FormTest&, TForm1& form) { form.menu().Problem1->trigger(); }},
};

TEST_F(PageLeaving, NegativeReproductionRestoresTheRatesAndStays) {
    for (const auto& [way, leave] : leave_ways) {
        SCOPED_TRACE(way);
        dialogs->messages.clear();
        click_tab(population_page);
        type_into(population().Edit6, "0.20");
        ASSERT_EQ(population().Label6->text(), "-0.1000");
        leave(*this, *form);
        EXPECT_EQ(current_page(), population_page);
        EXPECT_EQ(population().Edit4->text(), "0.70");
        EXPECT_EQ(population().Edit5->text(), "0.20");
        EXPECT_EQ(population().Edit6->text(), "0.00");
        EXPECT_EQ(population().Label6->text(), "0.10");
        EXPECT_EQ(dialogs->messages,
                  std::vector<std::string>{"The sum of operation rate must be 1.0"});
    }
}

TEST_F(PageLeaving, BothNegativeRemaindersGiveBothMessagesInOrder) {
    click_tab(population_page);
    type_into(population().Edit4, "0.90");
    type_into(population().Edit13, "0.90");
    click_tab(problem_page);
    EXPECT_EQ(current_page(), population_page);
    EXPECT_EQ(dialogs->messages,
              (std::vector<std::string>{"The sum of operation rate must be 1.0",
                                        "The sum of initial node ratio must be 1.0"}));
    EXPECT_EQ(population().Edit13->text(), "0.50");
    EXPECT_EQ(population().Edit14->text(), "0.20");
    EXPECT_EQ(population().ConstLabel->text(), "0.30");
    // Fixed now, so the next try leaves.
    click_tab(results_page);
    EXPECT_EQ(current_page(), results_page);
    EXPECT_EQ(dialogs->messages.size(), 2U);
}

TEST_F(PageLeaving, ZeroRemainderAndOddButBalancedRatesPass) {
    click_tab(population_page);
    type_into(population().Edit4, "1.5");
    type_into(population().Edit5, "-0.5");
    EXPECT_EQ(population().Label6->text(), "0.0000");
    click_tab(results_page);
    EXPECT_EQ(current_page(), results_page);
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(PageLeaving, ConstantRangeMustRise) {
    struct Case {
        const char* low;
        const char* high;
        bool refused;
    };
    const Case cases[] = {{"-1", "-1", true},
                          {"1", "-1", true},
                          {"0.5", "0.50", true},
                          {"-1", "1", false},
                          {"-3", "-2", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.low) + " to " + c.high);
        dialogs->messages.clear();
        click_tab(problem_page);
        type_into(problem().Edit10, c.low);
        type_into(problem().Edit11, c.high);
        click_tab(population_page);
        if (c.refused) {
            EXPECT_EQ(current_page(), problem_page);
            EXPECT_EQ(dialogs->messages,
                      std::vector<std::string>{"Please set the range of constants proparly"});
            EXPECT_EQ(problem().Edit10->text(), "-10");
            EXPECT_EQ(problem().Edit11->text(), "10");
        } else {
            EXPECT_EQ(current_page(), population_page);
            EXPECT_TRUE(dialogs->messages.empty());
        }
    }
}

// An error escaping a handler is shown and the window carries on.
TEST_F(PageLeaving, RangeThatIsNoNumberIsReportedAndThePageStillChanges) {
    type_into(problem().Edit10, "abc");
    menu().GPrun2->trigger();
    ASSERT_EQ(dialogs->messages.size(), 1U);
    EXPECT_NE(dialogs->messages[0].find("\"abc\""), std::string::npos) << dialogs->messages[0];
    EXPECT_EQ(current_page(), population_page);
}

// Minimising hides every page; that is no leaving.
TEST_F(PageLeaving, MinimisingTheWindowChecksNothing) {
    click_tab(population_page);
    type_into(population().Edit6, "0.20");
    form->showMinimized();
    form->showNormal();
    form->hide();
    form->show();
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_EQ(population().Edit6->text(), "0.20");
}

using DependentFields = FormTest;

TEST_F(DependentFields, FollowTheirSwitches) {
    const QColor face = QApplication::palette().color(QPalette::Button);
    const QColor window = QApplication::palette().color(QPalette::Base);
    const auto expect_state = [&](QLineEdit* edit, bool enabled) {
        EXPECT_EQ(edit->isEnabled(), enabled) << edit->objectName().toStdString();
        EXPECT_EQ(edit->palette().color(QPalette::Base), enabled ? window : face);
    };
    click_tab(population_page);
    RadioGroup* method = population().RadioGroup1;
    for (const int item : {1, 2, 1, 0}) {
        auto* button =
            method->findChild<QRadioButton*>(QStringLiteral("RadioGroup1_item%1").arg(item));
        // On the indicator: only the indicator and the caption take clicks.
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
        ASSERT_EQ(method->item_index(), item);
        expect_state(population().Edit3, item == 1);
    }
    const auto click = [](QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    };
    click(population().CheckBox1);
    expect_state(population().Edit7, false);
    population().CheckBox1->setChecked(true);  // a change by the program counts too
    expect_state(population().Edit7, true);
    click(population().CheckBox2);
    expect_state(population().Edit15, true);
    click(population().CheckBox2);
    expect_state(population().Edit15, false);
}

// The preset sets the search options' controls, and "written" sets them
// back to their defaults.
TEST_F(DependentFields, ThePresetSetsTheSearchControls) {
    click_tab(population_page);
    QComboBox* preset = population().findChild<QComboBox*>(QStringLiteral("ComboBox3"));
    ASSERT_NE(preset, nullptr);
    for (const int item : {1, 0}) {
        preset->setCurrentIndex(item);
        emit preset->activated(item);
        ParameterTexts texts;
        population().read_texts(texts);
        for (const PresetText& set : modern_search) {
            EXPECT_EQ(texts[set.id], item == 1 ? set.text : parameter(set.id).default_text)
                << parameter(set.id).caption;
        }
    }
}

using VariableNames = FormTest;

TEST_F(VariableNames, ReachColumnLabelsAndAxisTitles) {
    type_into(problem().Edit16, "t");
    type_into(problem().Edit17, "speed");
    EXPECT_EQ(problem().Label20->text(), "t");
    EXPECT_EQ(problem().Label17->text(), "t");
    EXPECT_EQ(form->graph_form()->bottom_axis()->titleText(), "t");
    EXPECT_EQ(results().chart1_bottom_axis->titleText(), "t");
    EXPECT_EQ(problem().Label26->text(), "speed");
    EXPECT_EQ(problem().Label23->text(), "speed");
    EXPECT_EQ(form->graph_form()->left_axis()->titleText(), "speed");
    EXPECT_EQ(results().chart1_left_axis->titleText(), "speed");
    // The output name goes nowhere until a run reads it.
    type_into(problem().Edit18, "class");
    EXPECT_EQ(problem().Label30->text(), "Output");
}

TEST_F(VariableNames, AndTheTextsForARun) {
    type_into(problem().Edit16, "u");
    type_into(population().Edit1, "200");
    problem().CheckListBox1->item(4)->setCheckState(Qt::Checked);
    const ParameterTexts texts = form->parameter_texts();
    EXPECT_EQ(texts[ParamId::input1_name], "u");
    EXPECT_EQ(texts[ParamId::functions], "+,-,*,/,sin");
    EXPECT_EQ(form->grid_cells().training->row_count(), 100U);
    EXPECT_EQ(texts[ParamId::population_size], "200");
    EXPECT_EQ(texts[ParamId::reproduction_rate], "0.1");
    EXPECT_EQ(texts[ParamId::constant_ratio], "0.3");
}

// Every parameter has one control, named as the table says, showing the
// table's default; a text written into it reads back unchanged.
TEST_F(FormTest, EveryParameterHasOneControlWithTheTablesDefault) {
    const ParameterTexts defaults;
    const ParameterTexts shown = form->parameter_texts();
    for (const Parameter& row : parameter_table()) {
        const QString name = QString::fromLatin1(row.control.data(), row.control.size());
        EXPECT_EQ(form->findChildren<QWidget*>(name).size(), 1) << row.control;
        EXPECT_EQ(shown[row.id], defaults[row.id]) << row.control;
    }
    const std::vector<std::pair<ParamId, std::string>> written = {
        {ParamId::population_size, "77"},     {ParamId::selection_method, "random"},
        {ParamId::elite_strategy, "false"},   {ParamId::functions, "sin,IFLTE"},
        {ParamId::reproduction_rate, "0.25"}, {ParamId::use_training_data, "false"},
        {ParamId::constant_max, "3.5"},       {ParamId::output_name, "class"}};
    for (const auto& [id, text] : written) {
        form->apply_restore({{id, text}});
        EXPECT_EQ(form->parameter_texts()[id], text) << parameter(id).control;
    }
}

}  // namespace
}  // namespace vorn::testing
