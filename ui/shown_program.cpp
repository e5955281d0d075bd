#include "ui/shown_program.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>

#include "engine/run_gp.h"
#include "program/readable.h"
#include "program/simplify.h"
#include "ui/result_charts.h"
#include "ui/results_page.h"

namespace vorn {

namespace {

// Significant digits of the simplified formula's constants: the written
// formula rounds its own to three decimals.
constexpr int simplified_digits = 4;
// How far from a point's centre a click still picks it, and how far the
// mouse may move between press and release for a click rather than a zoom.
constexpr double pick_radius = 8;
constexpr int click_slack = 3;

bool same_nodes(const Program& a, const Program& b) {
    return std::equal(a.nodes.begin(), a.nodes.end(), b.nodes.begin(), b.nodes.end(),
                      [](const ProgramNode& x, const ProgramNode& y) {
                          return x.op == y.op &&
                                 std::memcmp(&x.value, &y.value, sizeof x.value) == 0;
                      });
}

QPointF front_point(const FrontMember& member) {
    return {static_cast<double>(member.nodes), member.training_fitness};
}

// "z = formula", the inputs named x and y as readable formulas name them.
QString simplified_text(const Program& simplified) {
    QString text = QString::fromStdString(
        simplified.output_name + " = " +
        readable_formula(simplified, {FormulaStyle::plain, simplified_digits}));
    if (simplified.input1_name != "x" || simplified.input2_name != "y") {
        text += QStringLiteral("\nx = %1, y = %2")
                    .arg(QString::fromStdString(simplified.input1_name),
                         QString::fromStdString(simplified.input2_name));
    }
    return text;
}

QValueAxis* axis_of(const QChartView* view, Qt::Orientation orientation) {
    return qobject_cast<QValueAxis*>(view->chart()->axes(orientation).constFirst());
}

}  // namespace

ShownProgram::ShownProgram(ResultsPage& page, ResultCharts& charts) : page_(page), charts_(charts) {
    connect(page_.CheckBoxSimplified, &QCheckBox::toggled, this, [this] { show_formula(); });
    page_.Chart4->viewport()->installEventFilter(this);
}

const FrontMember* ShownProgram::selected_member() const {
    return selected_ ? &front_[*selected_].member : nullptr;
}

void ShownProgram::start_run(bool size_objective, const Box& validation, const Box& training) {
    clear();
    validation_box_ = validation;
    training_box_ = training;
    page_.PanelFront->setVisible(size_objective);
}

void ShownProgram::clear() {
    selected_.reset();
    best_.reset();
    best_formula_.clear();
    front_.clear();
    page_.LabelNodes->clear();
    page_.Panel2->setTitle(QStringLiteral("Best individual"));
    draw_front();
    page_.PanelFront->setVisible(false);
}

void ShownProgram::show_best(const QString& formula, const Program& program) {
    best_formula_ = formula;
    best_ = program;
    if (!selected_) {
        show_formula();
    }
}

void ShownProgram::set_front(std::vector<ShownFrontMember> front) {
    std::optional<std::size_t> kept;
    if (selected_) {
        const Program& shown = front_[*selected_].member.program;
        const auto same = std::find_if(front.begin(), front.end(), [&](const auto& candidate) {
            return same_nodes(candidate.member.program, shown);
        });
        if (same != front.end()) {
            kept = static_cast<std::size_t>(same - front.begin());
        }
    }
    const bool lost = selected_ && !kept;
    front_ = std::move(front);
    selected_ = kept;
    if (lost) {
        page_.Panel2->setTitle(QStringLiteral("Best individual"));
        show_formula();
    }
    draw_front();
}

void ShownProgram::select(std::optional<std::size_t> index) {
    if (index && *index >= front_.size()) {
        index.reset();
    }
    if (index == selected_) {
        return;
    }
    selected_ = index;
    if (selected_) {
        const FrontMember& member = front_[*selected_].member;
        // Short, so the title never widens the panel at the plane's expense.
        page_.Panel2->setTitle(
            QStringLiteral("Front %1 of %2").arg(*selected_ + 1).arg(front_.size()));
        draw_region(member.program);
    } else {
        page_.Panel2->setTitle(QStringLiteral("Best individual"));
        if (best_) {
            draw_region(*best_);
        }
    }
    show_formula();
    draw_selected_point();
}

void ShownProgram::show_formula() {
    const Program* program =
        selected_ ? &front_[*selected_].member.program : (best_ ? &*best_ : nullptr);
    const QString& written = selected_ ? front_[*selected_].formula : best_formula_;
    if (program == nullptr || !page_.CheckBoxSimplified->isChecked()) {
        page_.LabelNodes->clear();
        if (!written.isEmpty()) {
            page_.Memo1->setPlainText(written);
        }
        return;
    }
    try {
        const Program simplified = simplify(*program);
        page_.Memo1->setPlainText(simplified_text(simplified));
        page_.LabelNodes->setText(QStringLiteral("%1 \u2192 %2 nodes")
                                      .arg(program->nodes.size())
                                      .arg(simplified.nodes.size()));
    } catch (const std::exception& error) {
        // A run's programs are complete expressions; should one not be, the
        // written formula still shows.
        page_.Memo1->setPlainText(written);
        page_.LabelNodes->setText(QString::fromStdString(error.what()));
    }
}

void ShownProgram::draw_region(const Program& program) {
    const ProgramCode code = program_code(program);
    GenerationReport report;
    report.validation_curve = positive_region(code.view(), code.gene, validation_box_);
    if (page_.CheckBox7->isChecked()) {
        report.training_curve = positive_region(code.view(), code.gene, training_box_);
    }
    charts_.draw_curves(report);
}

// Nodes from 0; the fitness axis spans the front's, so that a front of
// close fitnesses still shows its steps.
void ShownProgram::draw_front() {
    QList<QPointF> points;
    double most_nodes = 0;
    double best = std::numeric_limits<double>::infinity();
    double worst = 0;
    for (const ShownFrontMember& shown : front_) {
        points.append(front_point(shown.member));
        most_nodes = std::max(most_nodes, points.back().x());
        best = std::min(best, points.back().y());
        worst = std::max(worst, points.back().y());
    }
    page_.Series11->replace(points);
    page_.Series12->replace(points);
    draw_selected_point();
    if (points.isEmpty()) {
        return;
    }
    page_.Chart4->chart()->zoomReset();
    QValueAxis* nodes = axis_of(page_.Chart4, Qt::Horizontal);
    nodes->setRange(0, most_nodes + 1);
    nodes->applyNiceNumbers();
    const double margin = std::max((worst - best) * 0.1, 0.01);
    QValueAxis* fitness = axis_of(page_.Chart4, Qt::Vertical);
    fitness->setRange(std::max(best - margin, 0.0), worst + margin);
    fitness->applyNiceNumbers();
}

void ShownProgram::draw_selected_point() {
    if (selected_) {
        page_.Series13->replace({front_point(front_[*selected_].member)});
    } else {
        page_.Series13->clear();
    }
}

std::optional<std::size_t> ShownProgram::point_at(QPoint position) const {
    QChart* chart = page_.Chart4->chart();
    const QPointF at = chart->mapFromScene(page_.Chart4->mapToScene(position));
    std::optional<std::size_t> nearest;
    double nearest_distance = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < front_.size(); ++i) {
        const QPointF centre = chart->mapToPosition(front_point(front_[i].member), page_.Series11);
        const double distance = std::hypot(centre.x() - at.x(), centre.y() - at.y());
        if (distance <= pick_radius && distance < nearest_distance) {
            nearest = i;
            nearest_distance = distance;
        }
    }
    return nearest;
}

bool ShownProgram::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease) {
        return QObject::eventFilter(watched, event);
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton || front_.empty()) {
        return false;
    }
    const QPoint position = mouse->position().toPoint();
    if (event->type() == QEvent::MouseButtonPress) {
        pressed_at_ = position;
    } else if ((position - pressed_at_).manhattanLength() <= click_slack) {
        select(point_at(position));
    }
    return false;  // the view still zooms on a drag
}

}  // namespace vorn
