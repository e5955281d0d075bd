#include "ui/chart_style.h"

#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QLegend>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QValueAxis>
#include <QXYSeries>
#include <algorithm>
#include <limits>

namespace vorn {

QFont axis_title_font() {
    QFont font(QStringLiteral("Serif"));
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(12);
    return font;
}

QChartView* make_chart_view(const QString& name, QWidget* parent) {
    auto* chart = new QChart();
    chart->setObjectName(name);
    chart->setTitle(QString());
    chart->legend()->hide();
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundRoundness(0);
    QLinearGradient wall(0, 0, 0, 1);
    wall.setCoordinateMode(QGradient::ObjectBoundingMode);
    wall.setColorAt(0.0, Qt::white);
    wall.setColorAt(1.0, QColor(200, 200, 200));
    chart->setPlotAreaBackgroundBrush(wall);
    chart->setPlotAreaBackgroundVisible(true);
    chart->setAnimationOptions(QChart::GridAxisAnimations);

    auto* view = new QChartView(chart, parent);
    view->setObjectName(name);
    view->setRenderHint(QPainter::Antialiasing);
    view->setRubberBand(QChartView::RectangleRubberBand);
    view->setMinimumSize(120, 90);
    return view;
}

QValueAxis* add_value_axis(QChart* chart, Qt::Alignment alignment, const QString& title) {
    auto* axis = new QValueAxis(chart);
    axis->setTitleText(title);
    axis->setTitleFont(axis_title_font());
    QFont labels = axis->labelsFont();
    labels.setPixelSize(10);
    axis->setLabelsFont(labels);
    // Qt Charts formats localized numbers only from "%.<n><type>", so every
    // axis states its precision ("%.6g" reads as "%g").
    axis->setLabelFormat(QStringLiteral("%.6g"));
    chart->addAxis(axis, alignment);
    return axis;
}

void attach_series(QChart* chart, QXYSeries* series) {
    chart->addSeries(series);
    for (QAbstractAxis* axis : chart->axes()) {
        series->attachAxis(axis);
    }
}

void fit_axes(QChart* chart, std::span<const QList<QPointF>> point_lists) {
    double x_min = std::numeric_limits<double>::infinity();
    double x_max = -x_min;
    double y_min = x_min;
    double y_max = -x_min;
    for (const QList<QPointF>& points : point_lists) {
        for (const QPointF& p : points) {
            x_min = std::min(x_min, p.x());
            x_max = std::max(x_max, p.x());
            y_min = std::min(y_min, p.y());
            y_max = std::max(y_max, p.y());
        }
    }
    if (x_min > x_max) {
        return;
    }
    // A single value still needs a range to draw into.
    const auto widen = [](double& low, double& high) {
        if (low == high) {
            const double pad = low == 0 ? 1.0 : std::abs(low) * 0.1;
            low -= pad;
            high += pad;
        }
    };
    widen(x_min, x_max);
    widen(y_min, y_max);
    for (QAbstractAxis* abstract : chart->axes()) {
        auto* axis = qobject_cast<QValueAxis*>(abstract);
        if (axis == nullptr) {
            continue;
        }
        if (axis->orientation() == Qt::Horizontal) {
            axis->setRange(x_min, x_max);
        } else {
            axis->setRange(y_min, y_max);
        }
        axis->applyNiceNumbers();
    }
}

QImage downward_triangle(const QColor& fill, const QColor& edge, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.moveTo(0.5, 0.5);
    path.lineTo(size - 0.5, 0.5);
    path.lineTo(size / 2.0, size - 0.5);
    path.closeSubpath();
    painter.setPen(QPen(edge, 1.0));
    painter.setBrush(fill);
    painter.drawPath(path);
    return image;
}

}  // namespace vorn
