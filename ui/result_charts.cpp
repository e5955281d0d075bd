#include "ui/result_charts.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <array>
#include <cmath>

#include "engine/run_gp.h"
#include "problem/problem_setting.h"
#include "ui/chart_style.h"
#include "ui/results_page.h"

namespace vorn {

namespace {

QValueAxis* axis_of(const QChartView* view, Qt::Orientation orientation) {
    return qobject_cast<QValueAxis*>(view->chart()->axes(orientation).constFirst());
}

// Ticks from 0 at the smallest step of 1, 2 or 5 × 10^k that needs at most
// `ticks` steps up to `maximum`, so the labels stay round whatever the maximum.
void set_round_ticks(QValueAxis* axis, double maximum, double smallest_step, int ticks) {
    const double wanted = maximum / ticks;
    const double decade = std::pow(10.0, std::floor(std::log10(wanted)));
    double step = 10 * decade;
    for (const double factor : {5.0, 2.0, 1.0}) {
        if (factor * decade >= wanted) {
            step = factor * decade;
        }
    }
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(std::max(step, smallest_step));
    axis->setRange(0, maximum);
}

// Whole generations, 0 to the last.
void size_generation_axis(QValueAxis* axis, std::int32_t num_generations) {
    set_round_ticks(axis, std::max(num_generations - 1, 1), 1, 10);
}

QList<QPointF> to_points(const std::vector<PlanePoint>& plane) {
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(plane.size()));
    for (const PlanePoint& p : plane) {
        points.append(QPointF(p.x, p.y));
    }
    return points;
}

QList<QPointF> pair_points(std::span<const double> x, std::span<const double> y,
                           std::int32_t rows) {
    QList<QPointF> points;
    points.reserve(rows);
    for (std::size_t i = 0; i < static_cast<std::size_t>(rows); ++i) {
        points.append(QPointF(x[i], y[i]));
    }
    return points;
}

// Every stride-th point, evenly over the whole set.
QList<QPointF> thinned(const QList<QPointF>& points) {
    if (points.size() <= max_plotted_points) {
        return points;
    }
    const qsizetype stride = (points.size() + max_plotted_points - 1) / max_plotted_points;
    QList<QPointF> kept;
    kept.reserve(points.size() / stride + 1);
    for (qsizetype i = 0; i < points.size(); i += stride) {
        kept.append(points[i]);
    }
    return kept;
}

// A zero or negative maximum would leave the axis without a range.
void set_fitness_max(QValueAxis* axis, double maximum) {
    if (maximum > 0) {
        set_round_ticks(axis, maximum, 1e-9, 6);
    }
}

}  // namespace

void ResultCharts::set_animated(bool animated) {
    for (const QChartView* view : {page_.Chart1, page_.Chart2, page_.Chart3, page_.Chart4}) {
        view->chart()->setAnimationOptions(animated ? QChart::GridAxisAnimations
                                                    : QChart::NoAnimation);
    }
}

void ResultCharts::clear_histories(std::int32_t num_generations) {
    for (QLineSeries* series :
         {page_.Series3, page_.Series5, page_.Series4, page_.FastLineSeries1}) {
        series->clear();
    }
    for (const QChartView* view : {page_.Chart2, page_.Chart3}) {
        view->chart()->zoomReset();
        size_generation_axis(axis_of(view, Qt::Horizontal), num_generations);
    }
    set_fitness_max(axis_of(page_.Chart2, Qt::Vertical), 1);
    axis_of(page_.Chart3, Qt::Vertical)->setRange(0, 10);
    longest_ = 0;
    for (QList<QPointF>& points : histories_) {
        points.clear();
    }
}

void ResultCharts::plot_data_points(const Tproblem_setting& setting) {
    const std::int32_t valid = setting.num_validation_rows;
    std::array<QList<QPointF>, 4> points{
        pair_points(setting.valid_x1, setting.valid_y1, valid),
        pair_points(setting.valid_x2, setting.valid_y2, valid),
    };
    if (page_.CheckBox7->isChecked()) {
        const std::int32_t train = setting.num_training_rows;
        points[2] = pair_points(setting.train_x1, setting.train_y1, train);
        points[3] = pair_points(setting.train_x2, setting.train_y2, train);
    }
    QChart* chart = page_.Chart1->chart();
    chart->zoomReset();
    fit_axes(chart, points);
    page_.Series1->replace(thinned(points[0]));
    page_.Series8->replace(thinned(points[1]));
    page_.Series6->replace(thinned(points[2]));
    page_.Series9->replace(thinned(points[3]));
    page_.Series2->clear();
    page_.Series7->clear();
    page_.Series10->clear();
}

void ResultCharts::plot_generation(const GenerationReport& report) {
    page_.Series5->setVisible(page_.CheckBox6->isChecked());
    const double validation = report.validation_fitness;
    QValueAxis* fitness = axis_of(page_.Chart2, Qt::Vertical);
    if (report.generation == 0) {
        set_fitness_max(fitness, validation * 1.1);
    }
    // Auto zoom only ever lowers the maximum.
    if (page_.CheckBox5->isChecked() && validation * 10 <= fitness->max()) {
        set_fitness_max(fitness, validation * 10);
    }
    const double g = report.generation;
    histories_[0].append(QPointF(g, validation));
    histories_[1].append(QPointF(g, report.best_raw_fitness));
    histories_[2].append(QPointF(g, report.best_length));
    histories_[3].append(QPointF(g, report.mean_length));

    longest_ = std::max({longest_, static_cast<double>(report.best_length),
                         static_cast<double>(report.mean_length)});
    QValueAxis* lengths = axis_of(page_.Chart3, Qt::Vertical);
    if (longest_ > lengths->max()) {
        lengths->setRange(0, longest_ * 1.1);
        lengths->applyNiceNumbers();
    }
}

void ResultCharts::flush_histories() {
    const std::array<QLineSeries*, 4> series{page_.Series3, page_.Series5, page_.Series4,
                                             page_.FastLineSeries1};
    for (std::size_t i = 0; i < series.size(); ++i) {
        if (series[i]->count() != histories_[i].size()) {
            series[i]->replace(histories_[i]);
        }
    }
}

void ResultCharts::draw_curves(const GenerationReport& report) {
    page_.Series2->replace(to_points(report.validation_curve));
    // Unchecked, the last training curve stays as it is.
    if (page_.CheckBox7->isChecked()) {
        page_.Series7->replace(to_points(report.training_curve));
    }
    if (page_.CheckBox4->isChecked()) {
        return;  // fixed range: the axes keep what they show, zoom included
    }
    std::array<QList<QPointF>, 7> points;
    const std::array<QScatterSeries*, 7> series{page_.Series1, page_.Series2, page_.Series6,
                                                page_.Series7, page_.Series8, page_.Series9,
                                                page_.Series10};
    for (std::size_t i = 0; i < series.size(); ++i) {
        points[i] = series[i]->points();
    }
    fit_axes(page_.Chart1->chart(), points);
}

}  // namespace vorn
