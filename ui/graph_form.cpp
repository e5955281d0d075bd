#include "ui/graph_form.h"

#include <QChart>
#include <QChartView>
#include <QPushButton>
#include <QScatterSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <vector>

#include "problem/errors.h"
#include "problem/problem_setting.h"
#include "ui/chart_legend.h"
#include "ui/chart_menu.h"
#include "ui/chart_style.h"

namespace vorn {

namespace {

constexpr int marker_size = 9;

QScatterSeries* make_series(const QString& name, const QString& title, const QColor& colour,
                            QScatterSeries::MarkerShape shape) {
    auto* series = new QScatterSeries();
    series->setObjectName(name);
    series->setName(title);
    series->setColor(colour);
    series->setBorderColor(colour.darker(150));
    series->setMarkerShape(shape);
    series->setMarkerSize(marker_size);
    series->setPointLabelsVisible(false);
    return series;
}

// Points of one series gathered before they go to the chart in one step.
struct PendingPoints {
    QList<QPointF> points;
    QStringList labels;
};

double point_value(const DataTable& table, const char* grid, std::size_t row, int column) {
    const auto value = table.value(row, column);
    if (!value) {
        throw cell_error(grid, static_cast<std::int64_t>(row) + 1, column + 1,
                         table.cell_text(row, column));
    }
    return *value;
}

// Adds the point of columns (c, c + 1) of the row when both cells are filled.
void add_pair(const DataTable& table, std::size_t r, int column, const char* grid,
              PendingPoints& into) {
    if (table.cell_empty(r, column) || table.cell_empty(r, column + 1)) {
        return;
    }
    const double x = point_value(table, grid, r, column);
    const double y = point_value(table, grid, r, column + 1);
    into.points.append(QPointF(x, y));
    into.labels.append(QString::fromStdString(table.cell_text(r, column)));
}

// Row by row, the positive-class point into one series and the negative-class
// point into the other.
void add_rows(const DataTable& table, const char* grid, PendingPoints& positive,
              PendingPoints& negative) {
    for (std::size_t r = 0; r < table.row_count(); ++r) {
        add_pair(table, r, 0, grid, positive);
        add_pair(table, r, 2, grid, negative);
    }
}

}  // namespace

TGraphForm::TGraphForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("GraphForm"));
    setWindowTitle(QStringLiteral("Graph"));
    // Only the main window decides when the program ends.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(360, 296);

    Chart4 = make_chart_view(QStringLiteral("Chart4"), this);
    QChart* chart = Chart4->chart();
    bottom_axis_ = add_value_axis(chart, Qt::AlignBottom, QStringLiteral("X"));
    left_axis_ = add_value_axis(chart, Qt::AlignLeft, QStringLiteral("Y"));

    PointSeries1 = make_series(QStringLiteral("PointSeries1"), QStringLiteral("Training Data"),
                               Qt::red, QScatterSeries::MarkerShapeTriangle);
    Series1 = make_series(QStringLiteral("Series1"), QStringLiteral("Validation Data"), Qt::green,
                          QScatterSeries::MarkerShapeRectangle);
    // The chart has no downward triangle of its own; draw one.
    Series1->setLightMarker(downward_triangle(Qt::blue, QColor(0, 128, 0), marker_size + 2));
    Series2 = make_series(QStringLiteral("Series2"), QStringLiteral("Validation Data2"), Qt::yellow,
                          QScatterSeries::MarkerShapeRectangle);
    Series3 = make_series(QStringLiteral("Series3"), QStringLiteral("Training Data2"), Qt::blue,
                          QScatterSeries::MarkerShapeRectangle);
    series_ = {Series1, PointSeries1, Series2, Series3};
    for (QScatterSeries* series : series_) {
        attach_series(chart, series);
    }

    panel_ = new ChartPanel(Chart4, 2, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panel_);

    // The button floats over the chart's lower right corner.
    BitBtn1 = new QPushButton(QStringLiteral("Close (&C)"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->raise();
    connect(BitBtn1, &QPushButton::clicked, this, &QWidget::hide);
    // Room under the axis labels, beside the axis title, for the button.
    chart->setMargins(QMargins(2, 2, 2, BitBtn1->sizeHint().height() - 8));
    attach_chart_menu(Chart4, QStringLiteral("graph"));
    place_close_button();
}

void TGraphForm::draw(const DataTable& training, const DataTable& validation,
                      bool use_training_data) {
    std::array<PendingPoints, num_series> pending;
    const auto commit = [&] {
        std::array<QList<QPointF>, num_series> points;
        for (int i = 0; i < num_series; ++i) {
            points[i] = pending[i].points;
        }
        fit_axes(Chart4->chart(), points);
        for (int i = 0; i < num_series; ++i) {
            series_[i]->replace(pending[i].points);
            labels_[i] = pending[i].labels;
        }
    };
    try {
        add_rows(training, training_grid_caption, pending[0], pending[2]);
        if (use_training_data) {
            add_rows(training, training_grid_caption, pending[1], pending[2]);
        } else {
            add_rows(validation, validation_grid_caption, pending[1], pending[3]);
        }
    } catch (...) {
        commit();
        throw;
    }
    commit();
}

void TGraphForm::show_front() {
    show();
    raise();
    activateWindow();
}

void TGraphForm::clear_series(int index) {
    series_.at(static_cast<std::size_t>(index))->clear();
    labels_.at(static_cast<std::size_t>(index)).clear();
}

void TGraphForm::set_bottom_title(const QString& title) {
    bottom_axis_->setTitleText(title);
}

void TGraphForm::set_left_title(const QString& title) {
    left_axis_->setTitleText(title);
}

ChartLegend* TGraphForm::legend() const {
    return panel_->legend();
}

QScatterSeries* TGraphForm::series(int index) const {
    return series_.at(static_cast<std::size_t>(index));
}

const QStringList& TGraphForm::labels(int index) const {
    return labels_.at(static_cast<std::size_t>(index));
}

void TGraphForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place_close_button();
}

void TGraphForm::place_close_button() {
    const QSize size = BitBtn1->sizeHint().expandedTo(QSize(75, 25));
    const int margin = 8;
    BitBtn1->setGeometry(width() - size.width() - margin, height() - size.height() - margin,
                         size.width(), size.height());
}

}  // namespace vorn
