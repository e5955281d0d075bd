// The "Graph" window: its series from the grids, its axis titles and legend.
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QPushButton>
#include <QScatterSeries>
#include <QValueAxis>

#include "tests/ui/form_fixture.h"
#include "ui/chart_legend.h"
#include "ui/data_grid.h"
#include "ui/graph_form.h"
#include "ui/grid_model.h"

namespace vorn::testing {
namespace {

using Graph = FormTest;

std::array<int, 4> counts(const TGraphForm* graph) {
    std::array<int, 4> n{};
    for (int i = 0; i < 4; ++i) {
        n[static_cast<std::size_t>(i)] = static_cast<int>(graph->series(i)->count());
    }
    return n;
}

TEST_F(Graph, StartsHiddenWithItsSeriesTitlesAndAxes) {
    TGraphForm* graph = form->graph_form();
    EXPECT_EQ(graph->objectName(), "GraphForm");
    EXPECT_EQ(graph->windowTitle(), "Graph");
    EXPECT_FALSE(graph->isVisible());
    EXPECT_EQ(graph->size(), QSize(360, 296));
    EXPECT_EQ(graph->legend()->titles(), QStringList({"Validation Data", "Training Data",
                                                      "Validation Data2", "Training Data2"}));
    EXPECT_EQ(graph->series(1)->color(), QColor(Qt::red));
    EXPECT_EQ(graph->series(1)->markerShape(), QScatterSeries::MarkerShapeTriangle);
    EXPECT_EQ(graph->series(2)->color(), QColor(Qt::yellow));
    EXPECT_EQ(graph->series(3)->color(), QColor(Qt::blue));
    EXPECT_FALSE(graph->series(0)->lightMarker().isNull());
    EXPECT_EQ(graph->bottom_axis()->titleText(), "X");
    EXPECT_EQ(graph->left_axis()->titleText(), "Y");
    EXPECT_EQ(graph->chart_view()->rubberBand(), QChartView::RectangleRubberBand);
}

TEST_F(Graph, TrainingDataTwiceWhenUsedForValidationAndDrawingTwiceDoesNotDouble) {
    load_training(write_file(QStringLiteral("train.txt"), data_rows(25)));
    TGraphForm* graph = form->graph_form();
    for (int press = 0; press < 2; ++press) {
        QTest::mouseClick(problem().Button2, Qt::LeftButton);
        EXPECT_EQ(counts(graph), (std::array<int, 4>{25, 25, 50, 0})) << press;
    }
    EXPECT_TRUE(graph->isVisible());
    EXPECT_EQ(graph->series(0)->at(3), QPointF(3, 1.5));
    EXPECT_EQ(graph->labels(2).at(3), "-3");
    // The axes take in the points.
    EXPECT_LE(graph->bottom_axis()->min(), -24);
    EXPECT_GE(graph->bottom_axis()->max(), 24);
}

TEST_F(Graph, SeparateValidationDataGoesToItsOwnSeries) {
    load_training(write_file(QStringLiteral("train.txt"), data_rows(25)));
    problem().CheckBox3->setChecked(false);
    load_validation(write_file(QStringLiteral("valid.txt"), data_rows(8)));
    QTest::mouseClick(problem().Button2, Qt::LeftButton);
    EXPECT_EQ(counts(form->graph_form()), (std::array<int, 4>{25, 8, 25, 8}));
}

TEST_F(Graph, EmptyCellsSkipTheirPointOnlyAndAClearedGridDrawsNothing) {
    load_training(write_file(QStringLiteral("train.txt"), data_rows(4)));
    CellGridModel* cells = problem().StringGrid1->cells();
    cells->set_cell(2, 1, "");  // row 1 loses its negative-class point
    cells->set_cell(1, 3, "");  // row 3 loses its positive-class point
    QTest::mouseClick(problem().Button2, Qt::LeftButton);
    EXPECT_EQ(counts(form->graph_form()), (std::array<int, 4>{3, 3, 6, 0}));
    QTest::mouseClick(problem().Button1, Qt::LeftButton);
    QTest::mouseClick(problem().Button2, Qt::LeftButton);
    EXPECT_EQ(counts(form->graph_form()), (std::array<int, 4>{0, 0, 0, 0}));
}

// The first cell that is no number stops the drawing; the points before it stay.
TEST_F(Graph, CellThatIsNoNumberStopsTheDrawing) {
    load_training(write_file(QStringLiteral("train.txt"), data_rows(5)));
    problem().StringGrid1->cells()->set_cell(3, 2, "abc");
    QTest::mouseClick(problem().Button2, Qt::LeftButton);
    ASSERT_EQ(dialogs->messages.size(), 1U);
    EXPECT_EQ(dialogs->messages[0], "Training Data, row 3, column 4: \"abc\" is not a number.");
    EXPECT_FALSE(form->graph_form()->isVisible());
    EXPECT_EQ(counts(form->graph_form()), (std::array<int, 4>{3, 0, 2, 0}));
}

TEST_F(Graph, CloseButtonHidesAndKeepsThePoints) {
    load_training(write_file(QStringLiteral("train.txt"), data_rows(5)));
    QTest::mouseClick(problem().Button2, Qt::LeftButton);
    TGraphForm* graph = form->graph_form();
    auto* close = graph->findChild<QPushButton*>(QStringLiteral("BitBtn1"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), "Close (&C)");
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_FALSE(graph->isVisible());
    EXPECT_EQ(graph->series(0)->count(), 5);
}

}  // namespace
}  // namespace vorn::testing
