// The run's front on the Results page: shown only with the size objective,
// the run's own front, a clicked point's program shown and saved; and the
// formula box's Simplified toggle.
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <chrono>

#include "engine/pareto.h"
#include "engine/program_io.h"
#include "program/interpreter.h"
#include "program/readable.h"
#include "program/simplify.h"
#include "tests/ui/form_fixture.h"
#include "ui/bit_button.h"
#include "ui/data_files.h"
#include "ui/run_control.h"

namespace vorn::testing {
namespace {

class FrontChartTest : public FormTest {
protected:
    FrontChartTest() {
        load_training(QStringLiteral(VORN_DATA_DIR "/circle.txt"));
        population().Edit1->setText(QStringLiteral("60"));
        population().Edit2->setText(QStringLiteral("12"));
        form->run_control().seed = 3;
    }

    void run_once(bool size_objective) {
        QComboBox* objectives = population().ComboBox2;
        objectives->setCurrentIndex(
            objectives->findText(QString::fromLatin1(size_objective ? "error-and-size" : "error")));
        form->set_active_page(Page::results);
        QTest::mouseClick(results().BitBtn2, Qt::LeftButton);
        ASSERT_TRUE(dialogs->messages.empty()) << dialogs->messages.front();
    }

    // Where a value of the front chart lies on its view, once laid out.
    [[nodiscard]] QPoint on_view(QPointF value) const {
        QChartView* view = results().Chart4;
        EXPECT_TRUE(QTest::qWaitFor([view] { return view->chart()->plotArea().width() > 0; }));
        const QPointF at = view->chart()->mapToPosition(value, results().Series11);
        return view->mapFromScene(view->chart()->mapToScene(at));
    }

    void click(QPoint at) const {
        QTest::mouseClick(results().Chart4->viewport(), Qt::LeftButton, {}, at);
    }

    [[nodiscard]] const RunControl& run() const { return form->run_control(); }
};

// The runner, with the same seed and settings, prints the same front.
TEST_F(FrontChartTest, ChartShowsTheRunsFrontOnlyWithTheSizeObjective) {
    run_once(false);
    EXPECT_TRUE(results().PanelFront->isHidden());
    EXPECT_TRUE(run().front().empty());

    // Drawn during the run too: each generation sees the front of the one before.
    RunControl& control = form->run_control();
    control.frame = std::chrono::milliseconds(0);
    std::vector<qsizetype> drawn;
    control.generation_hook = [&](const GenerationReport&) {
        drawn.push_back(results().Series11->count());
    };
    run_once(true);
    control.generation_hook = {};
    ASSERT_EQ(drawn.size(), 12u);
    EXPECT_EQ(drawn.front(), 0);
    EXPECT_GT(*std::min_element(drawn.begin() + 1, drawn.end()), 0);
    EXPECT_FALSE(results().PanelFront->isHidden());
    const auto& front = run().front();
    ASSERT_GE(front.size(), 2u);
    const QList<QPointF> points = results().Series11->points();
    ASSERT_EQ(points.size(), static_cast<qsizetype>(front.size()));
    EXPECT_EQ(results().Series12->points(), points);
    for (std::size_t i = 0; i < front.size(); ++i) {
        const FrontMember& member = front[i].member;
        EXPECT_EQ(points[static_cast<qsizetype>(i)],
                  QPointF(member.nodes, member.training_fitness));
        EXPECT_EQ(member.program.nodes.size(), static_cast<std::size_t>(member.nodes));
        for (const auto& other : front) {
            EXPECT_FALSE(dominates(other.member.training_fitness, other.member.nodes,
                                   member.training_fitness, member.nodes));
        }
    }

    QProcess runner;
    runner.start(QStringLiteral(VORN_RUN_PATH),
                 {QStringLiteral(VORN_DATA_DIR "/circle.txt"), QStringLiteral("--population-size"),
                  QStringLiteral("60"), QStringLiteral("--generations"), QStringLiteral("12"),
                  QStringLiteral("--seed"), QStringLiteral("3"), QStringLiteral("--objectives"),
                  QStringLiteral("error-and-size")});
    ASSERT_TRUE(runner.waitForFinished(60000));
    QStringList printed;
    for (const QString& line : QString::fromUtf8(runner.readAllStandardOutput()).split('\n')) {
        if (line.startsWith(QStringLiteral("front "))) {
            printed.append(line.section(QStringLiteral(", "), 2));
        }
    }
    QStringList shown;
    for (const ShownFrontMember& member : front) {
        shown.append(member.formula);
    }
    EXPECT_EQ(printed, shown);
    // The run's record keeps the front, as the runner's does.
    ASSERT_TRUE(control.run_record());
    EXPECT_EQ(control.run_record()->front.size(), front.size());

    run_once(false);
    EXPECT_TRUE(results().PanelFront->isHidden());
}

// A click on a point shows that program and its region until a click beside
// the points or a new run; Save Best Program offers it first and writes it.
TEST_F(FrontChartTest, ClickedPointIsShownSimplifiedAndSaved) {
    run_once(true);
    const QString best_formula = results().Memo1->toPlainText();
    const QList<QPointF> best_region = results().Series2->points();
    ASSERT_GE(run().front().size(), 2u);
    const ShownFrontMember& shortest = run().front().front();
    ASSERT_NE(shortest.formula, best_formula);

    click(on_view(results().Series11->points().front()));
    ASSERT_EQ(run().selected_front(), std::optional<std::size_t>(0));
    EXPECT_EQ(results().Memo1->toPlainText(), shortest.formula);
    EXPECT_EQ(results().Series13->count(), 1);
    EXPECT_TRUE(results().Panel2->title().startsWith(QStringLiteral("Front 1 of ")));
    const ProgramCode code = program_code(shortest.member.program);
    Interpreter interpreter(code.view());
    for (const QPointF& p : results().Series2->points()) {
        EXPECT_TRUE(positive_hit(evaluate_at(interpreter, code.gene, p.x(), p.y())));
    }

    results().CheckBoxSimplified->setChecked(true);
    const Program simplified = simplify(shortest.member.program);
    EXPECT_EQ(results().Memo1->toPlainText().toStdString(),
              "z = " + readable_formula(simplified, {FormulaStyle::plain, 4}));
    EXPECT_EQ(results().LabelNodes->text(), QStringLiteral("%1 \u2192 %2 nodes")
                                                .arg(shortest.member.nodes)
                                                .arg(simplified.nodes.size()));
    results().CheckBoxSimplified->setChecked(false);
    EXPECT_EQ(results().Memo1->toPlainText(), shortest.formula);

    const QString saved = folder.filePath(QStringLiteral("front.json"));
    dialogs->files = {saved};
    menu().SaveBestProgram1->trigger();
    ASSERT_EQ(dialogs->choices_asked.size(), 1u);
    EXPECT_TRUE(dialogs->choices_asked[0].contains(
        QStringLiteral("[Front program 1 (%1 nodes, ").arg(shortest.member.nodes)));
    const Program file = load_program_file(local_path(saved));
    EXPECT_EQ(program_code(file).gene, code.gene);
    EXPECT_EQ(program_code(file).constant_table, code.constant_table);
    EXPECT_EQ(file.provenance.at("seed"), 3);

    // A click, unlike a drag, leaves the chart's zoom alone.
    const QRectF plot = results().Chart4->chart()->plotArea();
    const QAbstractAxis* nodes_axis = results().Chart4->chart()->axes(Qt::Horizontal).constFirst();
    const double nodes_max = qobject_cast<const QValueAxis*>(nodes_axis)->max();
    click(results().Chart4->mapFromScene(
        results().Chart4->chart()->mapToScene(plot.topRight() + QPointF(-4, 4))));
    EXPECT_FALSE(run().selected_front());
    EXPECT_EQ(results().Memo1->toPlainText(), best_formula);
    EXPECT_EQ(results().Series2->points(), best_region);
    EXPECT_EQ(results().Panel2->title(), QStringLiteral("Best individual"));
    EXPECT_EQ(qobject_cast<const QValueAxis*>(nodes_axis)->max(), nodes_max);

    click(on_view(results().Series11->points().back()));
    EXPECT_EQ(run().selected_front(), run().front().size() - 1);
    run_once(true);
    EXPECT_FALSE(run().selected_front());
    EXPECT_EQ(results().Series13->count(), 0);
}

TEST_F(FrontChartTest, SimplifiedShowsTheBestSimplifiedAndBack) {
    run_once(false);
    const QString written = results().Memo1->toPlainText();
    const Program& best = *run().last_program();
    results().CheckBoxSimplified->setChecked(true);
    EXPECT_EQ(results().Memo1->toPlainText().toStdString(),
              "z = " + readable_formula(simplify(best), {FormulaStyle::plain, 4}));
    EXPECT_TRUE(results().LabelNodes->text().startsWith(
        QStringLiteral("%1 \u2192 ").arg(best.nodes.size())));
    results().CheckBoxSimplified->setChecked(false);
    EXPECT_EQ(results().Memo1->toPlainText(), written);
    EXPECT_EQ(results().LabelNodes->text(), QString());
}

}  // namespace
}  // namespace vorn::testing
