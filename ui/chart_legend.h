#pragma once
// A chart legend laid out as a small grid above the chart. The chart's own
// legend keeps to one row and shortens the titles when they do not fit, which
// at the workbench's default size is always.
#include <QWidget>
#include <QtGlobal>

QT_BEGIN_NAMESPACE
class QAbstractSeries;
class QChart;
class QChartView;
QT_END_NAMESPACE

namespace vorn {

class ChartLegend final : public QWidget {
    Q_OBJECT
public:
    // One entry per series the chart holds now, in chart order, except the
    // series left out of the legend.
    ChartLegend(QChart* chart, int columns, QWidget* parent);

    [[nodiscard]] QStringList titles() const;

    // Marks a series to be left out; call before the legend is made.
    static void leave_out(QAbstractSeries* series);
};

// A chart view with its legend above it; the chart's series are in place.
class ChartPanel final : public QWidget {
    Q_OBJECT
public:
    ChartPanel(QChartView* view, int legend_columns, QWidget* parent);
    [[nodiscard]] QChartView* view() const { return view_; }
    [[nodiscard]] ChartLegend* legend() const { return legend_; }

private:
    QChartView* view_;
    ChartLegend* legend_;
};

}  // namespace vorn
