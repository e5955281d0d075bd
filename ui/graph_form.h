#pragma once
// The "Graph" window: the data in the two grids as points in the plane.
#include <QStringList>
#include <QWidget>
#include <array>

#include "problem/data_table.h"

class QPushButton;

QT_BEGIN_NAMESPACE
class QChartView;
class QScatterSeries;
class QValueAxis;
QT_END_NAMESPACE

namespace vorn {

class ChartLegend;
class ChartPanel;

class TGraphForm final : public QWidget {
    Q_OBJECT
public:
    static constexpr int num_series = 4;

    // A window of its own, created hidden.
    explicit TGraphForm(QWidget* parent);

    // Fills the four series from the grids' texts: the training rows, then
    // the training rows again or the validation rows. Throws SettingError on
    // the first non-empty cell that is not a number; the points before it stay.
    void draw(const DataTable& training, const DataTable& validation, bool use_training_data);
    // Shows the window, or brings it forward when it is shown.
    void show_front();
    // Removes the points of one series (index 0 or 1).
    void clear_series(int index);

    void set_bottom_title(const QString& title);
    void set_left_title(const QString& title);

    [[nodiscard]] QScatterSeries* series(int index) const;
    // The label of every point: the text of the cell that gave its x.
    [[nodiscard]] const QStringList& labels(int index) const;
    [[nodiscard]] QChartView* chart_view() const { return Chart4; }
    [[nodiscard]] ChartLegend* legend() const;
    [[nodiscard]] QValueAxis* bottom_axis() const { return bottom_axis_; }
    [[nodiscard]] QValueAxis* left_axis() const { return left_axis_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void place_close_button();

    QChartView* Chart4;
    QScatterSeries* PointSeries1;
    QPushButton* BitBtn1;
    QScatterSeries* Series1;
    QScatterSeries* Series2;
    QScatterSeries* Series3;
    QValueAxis* bottom_axis_;
    QValueAxis* left_axis_;
    ChartPanel* panel_ = nullptr;
    std::array<QScatterSeries*, num_series> series_{};
    std::array<QStringList, num_series> labels_;
};

}  // namespace vorn
