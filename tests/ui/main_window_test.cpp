// Defaults and initial states of the window as it opens.
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QScatterSeries>
#include <QValueAxis>

#include <functional>
#include <new>
#include <stdexcept>

#include "problem/errors.h"
#include "tests/ui/form_fixture.h"
#include "ui/bit_button.h"
#include "ui/chart_legend.h"
#include "ui/check_list_box.h"
#include "ui/data_grid.h"
#include "ui/radio_group.h"
#include "ui/widgets.h"

namespace vorn::testing {
namespace {

using WindowDefaults = FormTest;

// Every parameter control, the chart check boxes and the run buttons say
// what they do; a parameter's tooltip also gives its values and default.
TEST_F(WindowDefaults, ControlsExplainThemselves) {
    for (const Parameter& row : parameter_table()) {
        const auto* control = form->findChild<QWidget*>(
            QString::fromLatin1(row.control.data(), static_cast<qsizetype>(row.control.size())));
        ASSERT_NE(control, nullptr) << row.control;
        EXPECT_EQ(control->toolTip().toStdString(), parameter_tooltip(row.id)) << row.control;
        if (row.kind != ParamKind::remainder) {
            EXPECT_TRUE(control->toolTip().contains(QStringLiteral("\nDefault: ")));
        }
    }
    for (const char* name :
         {"CheckBox4", "CheckBox5", "CheckBox6", "CheckBox7", "BitBtn1", "BitBtn2"}) {
        EXPECT_FALSE(form->findChild<QWidget*>(QLatin1String(name))->toolTip().isEmpty()) << name;
    }
}

TEST_F(WindowDefaults, WindowAndPages) {
    EXPECT_EQ(form->objectName(), "Form1");
    EXPECT_EQ(form->windowTitle(), "VORN for Quenta Problem ver.1.1");
    EXPECT_EQ(form->size(), QSize(627, 484));
    QTabWidget* pages = form->page_control();
    EXPECT_EQ(pages->objectName(), "PageControl1");
    ASSERT_EQ(pages->count(), 3);
    const char* names[] = {"TabSheet1", "TabSheet3", "TabSheet4"};
    const char* captions[] = {"Problem Setting", "Population", "Results"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(pages->widget(i)->objectName(), names[i]);
        EXPECT_EQ(pages->tabText(i), captions[i]);
    }
    EXPECT_EQ(current_page(), problem_page);
    EXPECT_FALSE(form->training_loaded);
    EXPECT_FALSE(form->validation_loaded);
    EXPECT_EQ(form->function_table.size(), 10U);
}

// Every text-bearing control, found by its object name on its page.
TEST_F(WindowDefaults, EveryCaptionAndDefaultText) {
    struct Expected {
        const char* name;
        const char* text;
    };
    const Expected expected[] = {
        {"GroupBox6", "Training Data"},
        {"Label20", "X"},
        {"Label26", "Y"},
        {"BitBtn3", "Load"},
        {"Button1", "Clear"},
        {"GroupBox7", "Validation Data"},
        {"CheckBox3", "use training data "},
        {"Label17", "X "},
        {"Label23", "Y"},
        {"BitBtn4", "Load"},
        {"Button3", "Clear"},
        {"FunctionsGrouoBox", "Functions"},
        {"GroupBox3", "Constants"},
        {"Label13", "Range"},
        {"Edit10", "-1"},
        {"Label12", "-"},
        {"Edit11", "1"},
        {"Label19", "Number of constant"},
        {"Edit12", "1000"},
        {"GroupBox8", "Variable"},
        {"Label25", "Name of variable"},
        {"Label33", "Input1"},
        {"Edit16", "x"},
        {"Label34", "Input2"},
        {"Edit17", "y"},
        {"Label30", "Output"},
        {"Edit18", "z"},
        {"Button2", "Draw Graph"},
        {"Label1", "Population Size"},
        {"Edit1", "1000"},
        {"Label2", "Generation"},
        {"Edit2", "50"},
        {"GroupBox5", "Selection Method"},
        {"Label4", "Tournament Size"},
        {"Edit3", "6"},
        {"CheckBox1", "Elite Strategy"},
        {"Edit7", "10"},
        {"Label10", "%"},
        {"GroupBox1", "Rate of GP Operations"},
        {"Label7", "Crossover"},
        {"Edit4", "0.70"},
        {"Label9", "Mutation"},
        {"Edit5", "0.20"},
        {"Label8", "One-point Mutation"},
        {"Edit6", "0.00"},
        {"Label3", "Reproduction"},
        {"Label6", "0.1"},
        {"GroupBox4", "Initial Ratio of the Nodes"},
        {"Label15", "Function"},
        {"Edit13", "0.50"},
        {"Label16", "Variable"},
        {"Edit14", "0.20"},
        {"Label14", "Constant"},
        {"ConstLabel", "0.3"},
        {"GroupBox2", "Restrictions on Genes"},
        {"Label5", "Maximum Length"},
        {"Edit8", "100"},
        {"Label11", "Maximum Initial Depth"},
        {"Edit9", "5"},
        {"CheckBox2", "Break Point"},
        {"Edit15", "5"},
        {"Label22", "Every            Generations"},
        {"GroupBox9", "Search"},
        {"Label40", "Search"},
        {"Button4", "Options\u2026"},
        {"Label38", "Objectives"},
        {"Label35", "Parsimony"},
        {"Label36", "Size Penalty"},
        {"Edit19", "0.001"},
        {"Label37", "Hold-out"},
        {"Edit20", "0"},
        {"Label39", "Constant Tuning"},
        {"Edit21", "0"},
        {"CheckBox6", "Training fitness"},
        {"CheckBox5", "Auto zoom"},
        {"CheckBox7", "Training data"},
        {"CheckBox4", "Fixed range"},
        {"Panel2", "Best individual"},
        {"Label28", "Best Individual"},
        {"Label32", "Label32"},
        {"Label27", ""},
        {"Label31", "Not running"},
        {"BitBtn2", "Start"},
        {"BitBtn1", "Stop"},
    };
    QWidget* pages = form->page_control();
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.name);
        QWidget* control = pages->findChild<QWidget*>(e.name);
        ASSERT_NE(control, nullptr);
        QString text;
        if (auto* label = qobject_cast<QLabel*>(control)) {
            text = label->text();
        } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            text = edit->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            text = button->text();
        } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
            text = group->title();
        } else {
            FAIL() << "no text on this kind of control";
        }
        EXPECT_EQ(text.toStdString(), e.text);
    }
}

TEST_F(WindowDefaults, InitialStatesAndColours) {
    EXPECT_TRUE(problem().CheckBox3->isChecked());
    for (QWidget* waiting : std::initializer_list<QWidget*>{
             problem().Label17, problem().Label23, problem().StringGrid2, problem().BitBtn4}) {
        EXPECT_FALSE(waiting->isEnabled()) << waiting->objectName().toStdString();
    }
    EXPECT_TRUE(problem().Button3->isEnabled());
    EXPECT_FALSE(menu().Load1->isEnabled());

    EXPECT_EQ(population().RadioGroup1->item_index(), 0);
    EXPECT_EQ(population().RadioGroup1->item_text(2), "Random");
    const QColor face = QApplication::palette().color(QPalette::Button);
    const QColor window = QApplication::palette().color(QPalette::Base);
    EXPECT_FALSE(population().Edit3->isEnabled());
    EXPECT_EQ(population().Edit3->palette().color(QPalette::Base), face);
    EXPECT_TRUE(population().CheckBox1->isChecked());
    EXPECT_TRUE(population().Edit7->isEnabled());
    EXPECT_EQ(population().Edit7->palette().color(QPalette::Base), window);
    // The break point is shown here, unchecked, its period waiting.
    EXPECT_TRUE(population().CheckBox2->isVisibleTo(&population()));
    EXPECT_FALSE(population().CheckBox2->isChecked());
    EXPECT_TRUE(population().Edit15->isVisibleTo(&population()));
    EXPECT_FALSE(population().Edit15->isEnabled());
    EXPECT_FALSE(population().Edit13->testAttribute(Qt::WA_InputMethodEnabled));

    EXPECT_FALSE(results().CheckBox6->isChecked());
    EXPECT_FALSE(results().CheckBox5->isChecked());
    EXPECT_FALSE(results().CheckBox7->isChecked());
    EXPECT_TRUE(results().CheckBox4->isChecked());
    EXPECT_EQ(results().ProgressBar1->minimum(), 0);
    EXPECT_EQ(results().ProgressBar1->maximum(), 100);
    EXPECT_EQ(results().ProgressBar1->value(), 0);
    EXPECT_EQ(results().BitBtn2->kind(), ButtonKind::ok);
    EXPECT_TRUE(results().BitBtn2->isEnabled());
    EXPECT_EQ(results().BitBtn1->kind(), ButtonKind::no);
    EXPECT_FALSE(results().BitBtn1->isEnabled());
}

TEST_F(WindowDefaults, GridsStartWithHundredEmptyRowsAndTabOnlyInTheTrainingGrid) {
    for (StringGrid* grid : {problem().StringGrid1, problem().StringGrid2}) {
        EXPECT_EQ(grid->row_count(), 100);
        EXPECT_EQ(grid->model()->columnCount(), 4);
        EXPECT_TRUE(grid->model()->index(99, 3).data().toString().isEmpty());
        EXPECT_FALSE(grid->horizontalHeader()->isVisible());
        EXPECT_FALSE(grid->verticalHeader()->isVisible());
    }
    StringGrid* grid = problem().StringGrid1;
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(0, 1));
    EXPECT_TRUE(grid->hasFocus());
    EXPECT_FALSE(problem().StringGrid2->tabKeyNavigation());
}

// Two columns filled column by column: "+" to "sin" down the first.
TEST_F(WindowDefaults, CheckListShowsTenItemsInTwoColumnsFirstFourChecked) {
    CheckListBox* list = problem().CheckListBox1;
    ASSERT_EQ(list->count(), 10);
    const char* items[] = {"+",   "- ",  "*",        "/",           "sin",
                           "cos", "tan", "ln (abs)", "log10 (abs)", "IFLTE"};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(list->item(i)->text(), items[i]);
        EXPECT_EQ(list->checked(i), i < 4) << i;
    }
    const auto rect = [list](int i) { return list->visualItemRect(list->item(i)); };
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(rect(row).left(), rect(0).left()) << row;
        EXPECT_EQ(rect(row + 5).left(), rect(5).left()) << row;
        EXPECT_EQ(rect(row + 5).top(), rect(row).top()) << row;
        EXPECT_TRUE(list->viewport()->rect().contains(rect(row + 5))) << row;
    }
    EXPECT_GT(rect(5).left(), rect(0).right() - 1);
}

TEST_F(WindowDefaults, ResultChartsHoldTheirSeriesInOrder) {
    const auto titles = [](QChartView* view) {
        QStringList names;
        for (QAbstractSeries* series : view->chart()->series()) {
            names.append(series->name());
        }
        return names;
    };
    EXPECT_EQ(titles(results().Chart1),
              QStringList({"Validation data", "Validation curve", "Training data", "Training curve",
                           "Validation data2", "Training data2", "Validation class-1"}));
    // The two curves are regions, not data: the legend leaves them out.
    const auto* legend = results().Chart1->parentWidget()->findChild<ChartLegend*>();
    ASSERT_NE(legend, nullptr);
    EXPECT_EQ(legend->titles(), QStringList({"Validation data", "Training data", "Validation data2",
                                             "Training data2", "Validation class-1"}));
    EXPECT_EQ(titles(results().Chart2), QStringList({"Validation", "Training"}));
    EXPECT_EQ(titles(results().Chart3), QStringList({"Best indv.", "Average"}));
    EXPECT_EQ(results().Series3->color(), QColor(Qt::blue));
    EXPECT_EQ(results().Series5->color(), QColor(Qt::red));
    EXPECT_EQ(results().Series4->color(), QColor(Qt::red));
    EXPECT_EQ(results().FastLineSeries1->color(), QColor(0, 128, 64));
    EXPECT_EQ(results().chart1_bottom_axis->titleText(), "X");
    EXPECT_EQ(results().chart1_left_axis->titleText(), "Y");
}

// An error escaping a handler becomes a message, and lack of memory has the
// one out-of-memory text.
TEST_F(WindowDefaults, HandlerErrorsBecomeMessages) {
    struct Case {
        std::function<void()> handler;
        std::string message;
    };
    const Case cases[] = {
        {[] { throw SettingError(messages::no_function()); }, messages::no_function().text},
        {[] { throw std::bad_alloc(); }, messages::memory_run().text},
        {[] { throw std::logic_error("odd"); }, "odd"},
        {[] { throw 1; }, messages::unexpected_error().text},
    };
    for (const Case& c : cases) {
        dialogs->messages.clear();
        form->run_guarded(c.handler);
        EXPECT_EQ(dialogs->messages, std::vector<std::string>{c.message});
    }
}

}  // namespace
}  // namespace vorn::testing
