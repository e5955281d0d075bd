#pragma once
// The look shared by every chart of the workbench, and the automatic axis
// range that follows the points of a chart's series.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPointF>
#include <span>

class QWidget;

QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
class QValueAxis;
class QXYSeries;
QT_END_NAMESPACE

namespace vorn {

// Serif face, 12 pixels: the axis titles.
[[nodiscard]] QFont axis_title_font();

// A chart with no title, a white-to-grey back wall and animated zoom, inside
// a view that zooms by dragging a rectangle. The legend is a ChartLegend.
[[nodiscard]] QChartView* make_chart_view(const QString& name, QWidget* parent);

// A value axis titled `title` at `alignment` (Qt::AlignBottom or Qt::AlignLeft).
QValueAxis* add_value_axis(QChart* chart, Qt::Alignment alignment, const QString& title);

// Attaches the series to the chart and to its bottom and left axes.
void attach_series(QChart* chart, QXYSeries* series);

// Sets both axes to the extent of the points, with nice numbers; no points
// keep the range the axes have. Fitting before the points go into the series
// spares the chart a second layout of every point.
void fit_axes(QChart* chart, std::span<const QList<QPointF>> point_lists);

// A downward-pointing triangle for a scatter series' marker image.
[[nodiscard]] QImage downward_triangle(const QColor& fill, const QColor& edge, int size);

}  // namespace vorn
