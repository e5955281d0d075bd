#pragma once
// What the "Results" page's charts show of a run: the data points and the
// best program's positive region on the plane, the fitness and the lengths
// of each generation.
#include <QList>
#include <QPointF>
#include <QtGlobal>
#include <array>
#include <cstdint>

namespace vorn {

class ResultsPage;
class Tproblem_setting;
struct GenerationReport;

// Most points one data series of the plane draws; larger data sets are
// thinned evenly for the display (the run always uses every row), since a
// scatter series slows down quadratically beyond some 20 000 points.
inline constexpr qsizetype max_plotted_points = 5000;

class ResultCharts {
public:
    explicit ResultCharts(const ResultsPage& page) : page_(page) {}

    // The charts animate their axes only between runs: during a run the
    // window answers once per generation, and a half-played animation stays
    // on screen until the next.
    void set_animated(bool animated);
    // Empties the fitness and length histories, undoes their zoom and sizes
    // their generation axes for a run of `num_generations`.
    void clear_histories(std::int32_t num_generations);
    // The data points of both classes on the plane; the axes fit them.
    void plot_data_points(const Tproblem_setting& setting);
    // One point per history series, kept until flush_histories(); the
    // fitness axis maximum.
    void plot_generation(const GenerationReport& report);
    // Hands the kept points to the history series: at each redraw, so
    // generations between two redraws are drawn together.
    void flush_histories();
    // The positive region of the best program over the data boxes.
    void draw_curves(const GenerationReport& report);

private:
    const ResultsPage& page_;
    double longest_ = 0;  // largest length plotted this run
    // Every generation's points of Series3, Series5, Series4, FastLineSeries1.
    std::array<QList<QPointF>, 4> histories_;
};

}  // namespace vorn
