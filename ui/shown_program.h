#pragma once
// Which program the formula box and the plane's wash show: the run's best,
// or a program of the run's front clicked on the front chart; and whether
// its formula is shown as the run wrote it or simplified.
#include <QObject>
#include <QPoint>
#include <QString>
#include <cstddef>
#include <optional>
#include <vector>

#include "engine/grid_scan.h"
#include "engine/run_record.h"

class QEvent;

namespace vorn {

class ResultCharts;
class ResultsPage;

// A program of the front with its formula as the run writes the best's.
struct ShownFrontMember {
    FrontMember member;
    QString formula;
};

class ShownProgram final : public QObject {
    Q_OBJECT
public:
    ShownProgram(ResultsPage& page, ResultCharts& charts);

    // A run is set up: the front chart shows for a run with the size
    // objective only, and the best is shown again, over these data boxes.
    void start_run(bool size_objective, const Box& validation, const Box& training);
    // The best program as redrawn, with its written formula; the formula box
    // shows it unless a front program is shown.
    void show_best(const QString& formula, const Program& program);
    // The run's front, shortest first. A shown front program that is no
    // longer on it gives way to the best, whose curves the caller draws.
    void set_front(std::vector<ShownFrontMember> front);
    // Shows front program `index` with its region on the plane, or the best
    // again with none.
    void select(std::optional<std::size_t> index);
    // The run is forgotten: no best, no front, and the front chart hidden.
    void clear();

    [[nodiscard]] const std::vector<ShownFrontMember>& front() const { return front_; }
    [[nodiscard]] std::optional<std::size_t> selected() const { return selected_; }
    // The front program shown in place of the best, if any.
    [[nodiscard]] const FrontMember* selected_member() const;

protected:
    // A click on the front chart: on a point, that program; elsewhere, the best.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void show_formula();
    // The front's points, and the axes fitted to them.
    void draw_front();
    void draw_selected_point();
    // The positive region of the shown program, as the run draws the best's.
    void draw_region(const Program& program);
    // The front point within reach of a click at `position` on the chart's view.
    [[nodiscard]] std::optional<std::size_t> point_at(QPoint position) const;

    ResultsPage& page_;
    ResultCharts& charts_;
    std::vector<ShownFrontMember> front_;
    std::optional<std::size_t> selected_;
    QString best_formula_;
    std::optional<Program> best_;
    Box validation_box_{};
    Box training_box_{};
    QPoint pressed_at_;
};

}  // namespace vorn
