// What the result charts make of a run's reports and data, fed directly.
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QLineSeries>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QValueAxis>

#include "engine/run_gp.h"
#include "problem/problem_setting.h"
#include "tests/ui/form_fixture.h"
#include "ui/result_charts.h"

namespace vorn::testing {
namespace {

QValueAxis* axis_of(QChartView* view, Qt::Orientation orientation) {
    return qobject_cast<QValueAxis*>(view->chart()->axes(orientation).constFirst());
}

GenerationReport report_of(std::int32_t g, float validation,
                           std::vector<PlanePoint> validation_curve = {},
                           std::vector<PlanePoint> training_curve = {}) {
    GenerationReport report;
    report.generation = g;
    report.num_generations = 10;
    report.validation_fitness = validation;
    report.best_raw_fitness = 0.25;
    report.mean_length = 12;
    report.best_length = 7;
    report.validation_curve = std::move(validation_curve);
    report.training_curve = std::move(training_curve);
    return report;
}

// n rows: the positive point (i, i), the negative one (-i, -i).
std::vector<CellRow> diagonal_rows(int n) {
    std::vector<CellRow> rows;
    for (int i = 0; i < n; ++i) {
        const std::string p = std::to_string(i);
        const std::string m = std::to_string(-i);
        rows.push_back({p, p, m, m});
    }
    return rows;
}

class ResultChartsTest : public FormTest {
protected:
    ResultChartsTest() : charts(form->results()) { charts.clear_histories(10); }

    [[nodiscard]] Tproblem_setting setting_of(const std::vector<CellRow>& rows) const {
        const DataTable table = DataTable::from_texts(rows);
        return Tproblem_setting(ProblemParameters{}, GridCells{&table, nullptr},
                                form->function_table);
    }

    ResultCharts charts;
};

// The 44-for-40 case: the first validation fitness sets the maximum to 1.1
// times itself; auto zoom pulls it down to 10 times the fitness, never up.
// Qt Charts leaves an axis without numbers when its chart localizes them and
// the format is not "%.<n><type>"; every axis of every chart must show them.
TEST_F(ResultChartsTest, EveryAxisHasAFormatItsChartCanShow) {
    // The graph window is a child of the main window.
    const QList<QChartView*> views = form->findChildren<QChartView*>();
    ASSERT_GE(views.size(), 4);
    const QRegularExpression localized(QStringLiteral("^%\\.[0-9]+[fegEG]$"));
    const QRegularExpression plain(QStringLiteral("^%(\\.[0-9]+)?[dfegEG]$"));
    for (const QChartView* view : views) {
        for (const QAbstractAxis* axis : view->chart()->axes()) {
            const auto* values = qobject_cast<const QValueAxis*>(axis);
            ASSERT_NE(values, nullptr);
            const bool localizes = view->chart()->localizeNumbers();
            EXPECT_TRUE((localizes ? localized : plain).match(values->labelFormat()).hasMatch())
                << view->objectName().toStdString() << " " << values->labelFormat().toStdString();
        }
    }
}

TEST_F(ResultChartsTest, FitnessMaximumFollowsTheFirstGenerationAndAutoZoomOnlyLowers) {
    QValueAxis* fitness = axis_of(results().Chart2, Qt::Vertical);
    charts.plot_generation(report_of(0, 40));
    EXPECT_DOUBLE_EQ(fitness->max(), 44);
    charts.plot_generation(report_of(1, 3));
    EXPECT_DOUBLE_EQ(fitness->max(), 44);

    results().CheckBox5->setChecked(true);
    const struct {
        float validation;
        double maximum;
    } steps[] = {{5, 44}, {3, 30}, {3.5f, 30}, {2, 20}, {40, 20}};
    std::int32_t g = 2;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.validation);
        charts.plot_generation(report_of(g++, step.validation));
        EXPECT_DOUBLE_EQ(fitness->max(), step.maximum);
    }
    EXPECT_EQ(results().Series3->count(), 0);  // drawn at the next redraw
    charts.flush_histories();
    EXPECT_EQ(results().Series3->count(), 7);
    EXPECT_EQ(axis_of(results().Chart2, Qt::Horizontal)->max(), 9);

    // A new run starts over.
    charts.clear_histories(3);
    charts.flush_histories();
    EXPECT_EQ(results().Series3->count(), 0);
    EXPECT_EQ(results().Series4->count(), 0);
    charts.plot_generation(report_of(0, 10));
    EXPECT_DOUBLE_EQ(fitness->max(), 11);
}

TEST_F(ResultChartsTest, CurvesFollowTrainingDataAndFixedRange) {
    const std::vector<CellRow> rows = diagonal_rows(11);
    charts.plot_data_points(setting_of(rows));
    QValueAxis* x_axis = axis_of(results().Chart1, Qt::Horizontal);
    EXPECT_LE(x_axis->min(), -10);
    EXPECT_GE(x_axis->max(), 10);
    EXPECT_EQ(results().Series6->count(), 0);

    // Unchecked "Training data" keeps the last training curve.
    results().CheckBox7->setChecked(true);
    charts.draw_curves(report_of(0, 1, {{1, 1}, {2, 2}}, {{3, 3}}));
    EXPECT_EQ(results().Series2->count(), 2);
    EXPECT_EQ(results().Series7->count(), 1);
    results().CheckBox7->setChecked(false);
    charts.draw_curves(report_of(1, 1, {{1, 1}}));
    EXPECT_EQ(results().Series2->count(), 1);
    EXPECT_EQ(results().Series7->count(), 1);

    // "Fixed range" keeps the axes; unchecked they take in every point.
    const double fixed_max = x_axis->max();
    charts.draw_curves(report_of(2, 1, {{500, 0}}));
    EXPECT_EQ(x_axis->max(), fixed_max);
    results().CheckBox4->setChecked(false);
    charts.draw_curves(report_of(3, 1, {{500, 0}}));
    EXPECT_GE(x_axis->max(), 500);

    // Training points only when "Training data" is checked at set-up.
    results().CheckBox7->setChecked(true);
    charts.plot_data_points(setting_of(rows));
    EXPECT_EQ(results().Series6->count(), 11);
    EXPECT_EQ(results().Series9->count(), 11);
    EXPECT_EQ(results().Series2->count(), 0);
    EXPECT_EQ(results().Series7->count(), 0);
}

// Large sets are thinned for the display only, and the axes still span all of it.
TEST_F(ResultChartsTest, LargeDataPlotsThinned) {
    const std::vector<CellRow> rows = diagonal_rows(60000);
    const Tproblem_setting setting = setting_of(rows);
    form->set_active_page(Page::results);
    charts.plot_data_points(setting);
    form->repaint();
    EXPECT_LE(results().Series1->count(), max_plotted_points);
    EXPECT_GE(results().Series1->count(), max_plotted_points / 2);
    EXPECT_GE(axis_of(results().Chart1, Qt::Horizontal)->max(), 59999);
    EXPECT_LE(axis_of(results().Chart1, Qt::Vertical)->min(), -59999);
}

}  // namespace
}  // namespace vorn::testing
