// Runs from the window: the button states of a run, pause, resume and abort,
// the keyboard roles, the break point, Exit and close during a run, and the
// texts a run refuses without ending the program.
#include <QAbstractEventDispatcher>
#include <QAction>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QLabel>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScatterSeries>
#include <QTimer>
#include <QValueAxis>
#include <functional>
#include <stdexcept>

#include "engine/run_gp.h"
#include "problem/errors.h"
#include "problem/number_text.h"
#include "problem/problem_setting.h"
#include "tests/ui/form_fixture.h"
#include "ui/bit_button.h"
#include "ui/check_list_box.h"
#include "ui/data_grid.h"
#include "ui/grid_model.h"
#include "ui/run_control.h"

namespace vorn::testing {
namespace {

constexpr const char* abort_question = "VORN: Are you sure you want to abort this GP run?";

QValueAxis* axis_of(QChartView* view, Qt::Orientation orientation) {
    return qobject_cast<QValueAxis*>(view->chart()->axes(orientation).constFirst());
}

// What one generation showed, kept past the report's lifetime.
struct Shown {
    std::int32_t generation;
    float validation;
    double raw;
    std::int32_t mean_length;
    std::int32_t best_length;
    std::size_t curve_points;
    QString progress;
    int bar;
    QString pause_caption;
};

// 20 individuals, 5 generations, a fixed seed, on 20 rows of separable data.
class RunControlTest : public FormTest {
protected:
    RunControlTest() {
        load_training(write_file(QStringLiteral("data.txt"), data_rows(20)));
        population().Edit1->setText(QStringLiteral("20"));
        population().Edit2->setText(QStringLiteral("5"));
        run().seed = 11;
        // A run left waiting must fail its test, not hang the suite.
        QTimer::singleShot(20000, form.get(), [this] {
            ADD_FAILURE() << "the run did not end";
            run().request_abort();
        });
    }

    RunControl& run() const { return form->run_control(); }

    void start() {
        form->set_active_page(Page::results);
        QTest::mouseClick(results().BitBtn2, Qt::LeftButton);
    }

    // Called after each generation's displays; records what they showed.
    void on_generation(std::function<void(const GenerationReport&)> action = {}) {
        run().generation_hook = [this, action](const GenerationReport& report) {
            shown.push_back({report.generation, report.validation_fitness, report.best_raw_fitness,
                             report.mean_length, report.best_length, report.validation_curve.size(),
                             results().Label31->text(), results().ProgressBar1->value(),
                             results().BitBtn1->text()});
            if (action) {
                action(report);
            }
        };
    }

    // Runs `action` once the event queue has been waited on for `ms`.
    void later(int ms, std::function<void()> action) {
        QTimer::singleShot(ms, form.get(), std::move(action));
    }

    void press(BitBtn* button) { QTest::mouseClick(button, Qt::LeftButton); }

    void expect_idle() const {
        EXPECT_FALSE(run().running());
        EXPECT_EQ(results().BitBtn2->kind(), ButtonKind::ok);
        EXPECT_EQ(results().BitBtn2->text(), "Start");
        EXPECT_TRUE(results().BitBtn2->isEnabled());
        EXPECT_FALSE(results().BitBtn1->isEnabled());
        EXPECT_TRUE(menu().StartGPrun1->isVisible());
        EXPECT_EQ(results().ProgressBar1->value(), 0);
        EXPECT_EQ(results().Label31->text(), "Not running");
    }

    [[nodiscard]] std::int32_t generations_done() const {
        return run().last_outcome() ? run().last_outcome()->generations_done : -1;
    }
    [[nodiscard]] bool aborted() const {
        return run().last_outcome() && run().last_outcome()->aborted;
    }

    std::vector<Shown> shown;
};

TEST_F(RunControlTest, WholeRunShowsEachGenerationAndEndsIdle) {
    run().frame = std::chrono::milliseconds(0);  // every generation shown
    bool running_state = true;
    on_generation([&](const GenerationReport& report) {
        running_state = running_state && results().BitBtn1->isEnabled() &&
                        !results().BitBtn2->isEnabled() &&
                        results().BitBtn2->kind() == ButtonKind::abort &&
                        results().BitBtn2->text() == "Abort" && !menu().StartGPrun1->isVisible() &&
                        current_page() == results_page && results().ProgressBar1->maximum() == 4;
        // The name the run was prepared with stays, whatever the field says now.
        if (report.generation == 2) {
            problem().Edit18->setText(QStringLiteral("out"));
        }
    });
    const QString prepared_name = problem().Edit18->text();
    ASSERT_NE(prepared_name, QStringLiteral("out"));
    start();

    EXPECT_TRUE(running_state);
    ASSERT_EQ(shown.size(), 5U);
    for (int g = 0; g < 5; ++g) {
        SCOPED_TRACE(g);
        const Shown& s = shown[static_cast<std::size_t>(g)];
        EXPECT_EQ(s.progress, QStringLiteral("%1 / 5").arg(g + 1));
        EXPECT_EQ(s.bar, g);
        EXPECT_EQ(results().Series3->at(g), QPointF(g, s.validation));
        EXPECT_EQ(results().Series5->at(g), QPointF(g, s.raw));
        // "Best indv." carries the best individual's length, "Average" the mean.
        EXPECT_EQ(results().Series4->at(g), QPointF(g, s.best_length));
        EXPECT_EQ(results().FastLineSeries1->at(g), QPointF(g, s.mean_length));
    }
    for (const QLineSeries* series :
         {results().Series3, results().Series5, results().Series4, results().FastLineSeries1}) {
        EXPECT_EQ(series->count(), 5);
    }
    EXPECT_DOUBLE_EQ(axis_of(results().Chart2, Qt::Vertical)->max(),
                     static_cast<double>(shown[0].validation) * 1.1);
    EXPECT_EQ(axis_of(results().Chart2, Qt::Horizontal)->max(), 4);
    EXPECT_EQ(results().Label32->text().toStdString(), general_text(shown.back().validation));
    EXPECT_TRUE(results().Memo1->toPlainText().startsWith(prepared_name + "="));
    ASSERT_TRUE(run().last_program());
    EXPECT_EQ(run().last_program()->output_name, prepared_name.toStdString());
    EXPECT_GT(results().Memo1->toPlainText().size(), 4);

    EXPECT_EQ(results().Series1->count(), 20);
    EXPECT_EQ(results().Series2->count(), static_cast<qsizetype>(shown.back().curve_points));
    EXPECT_TRUE(results().LabelSpeed->text().startsWith(QStringLiteral("5 generations in ")));

    expect_idle();
    EXPECT_EQ(results().BitBtn1->text(), "Stop");
    EXPECT_EQ(generations_done(), 5);
    EXPECT_FALSE(aborted());
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_EQ(current_page(), results_page);

    // The zoom animation stays off until the final redraw has been painted.
    const auto animated = [this] {
        return results().Chart2->chart()->animationOptions() != QChart::NoAnimation;
    };
    EXPECT_FALSE(animated());
    QCoreApplication::processEvents();
    EXPECT_TRUE(animated());
}

// At most one progress display a frame, but always the first and the last
// generation, and never going back.
TEST_F(RunControlTest, ProgressKeepsUpWithoutShowingEveryGeneration) {
    population().Edit2->setText(QStringLiteral("40"));
    on_generation();
    start();
    ASSERT_EQ(shown.size(), 40U);
    EXPECT_EQ(shown.front().progress, QStringLiteral("1 / 40"));
    EXPECT_EQ(shown.back().progress, QStringLiteral("40 / 40"));
    EXPECT_EQ(shown.back().bar, 39);
    for (std::size_t i = 1; i < shown.size(); ++i) {
        EXPECT_LE(shown[i - 1].bar, shown[i].bar);
        EXPECT_LE(shown[i].bar, shown[i].generation);
    }
}

// A paused run waits on the event queue: the dispatcher goes to sleep for
// the next event (aboutToBlock) instead of being asked again and again.
// Resume comes once it has; only a spinning wait sees the fallback, much
// later. What the pause costs in CPU is vorn-bench's to measure.
TEST_F(RunControlTest, PauseWaitsOnTheEventQueueAndResumes) {
    bool paused = false;
    bool blocked_while_paused = false;
    const auto resume = [&] {
        if (!paused) {
            return;
        }
        paused = false;
        EXPECT_EQ(results().Label31->text(), "2 / 5");
        EXPECT_TRUE(run().pause_requested());
        press(results().BitBtn1);
        EXPECT_EQ(results().BitBtn1->kind(), ButtonKind::no);
        EXPECT_EQ(results().BitBtn1->text(), "Stop");
        EXPECT_FALSE(results().BitBtn2->isEnabled());
    };
    const QMetaObject::Connection watch = QObject::connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, [&] {
            if (paused && !blocked_while_paused) {
                blocked_while_paused = true;
                later(0, resume);
            }
        });
    on_generation([&](const GenerationReport& report) {
        // No wait follows the last generation: "Resume" must not outlive the run.
        if (report.generation == 4) {
            press(results().BitBtn1);
        }
        if (report.generation != 1) {
            return;
        }
        press(results().BitBtn1);
        EXPECT_EQ(results().BitBtn1->kind(), ButtonKind::ok);
        EXPECT_EQ(results().BitBtn1->text(), "Resume");
        EXPECT_TRUE(results().BitBtn2->isEnabled());
        paused = true;
        later(10'000, resume);
    });
    start();
    QObject::disconnect(watch);
    EXPECT_EQ(generations_done(), 5);
    EXPECT_FALSE(aborted());
    EXPECT_TRUE(blocked_while_paused);
    EXPECT_EQ(results().BitBtn1->kind(), ButtonKind::no);
    EXPECT_EQ(results().BitBtn1->text(), "Stop");
    expect_idle();
}

// Keys that no control takes press the enabled button of kind ok (Enter) or
// no (Esc) while "Results" shows; kind abort has neither role.
TEST_F(RunControlTest, EnterAndEscPressTheButtonsOfTheirKind) {
    QCheckBox* on_results = results().CheckBox4;
    form->set_active_page(Page::problem_setting);
    QTest::keyClick(problem().CheckBox3, Qt::Key_Return);
    EXPECT_FALSE(run().last_outcome());
    form->set_active_page(Page::results);
    QTest::keyClick(on_results, Qt::Key_Escape);
    EXPECT_FALSE(run().last_outcome());

    on_generation([&](const GenerationReport& report) {
        if (report.generation != 1) {
            return;
        }
        QTest::keyClick(on_results, Qt::Key_Escape);
        EXPECT_EQ(results().BitBtn1->text(), "Resume");
        later(20, [&] {
            // Paused: Esc finds no button, and Abort is not pressed by a key.
            QTest::keyClick(on_results, Qt::Key_Escape);
            EXPECT_TRUE(run().pause_requested());
            EXPECT_TRUE(dialogs->questions.empty());
            QTest::keyClick(on_results, Qt::Key_Enter);
            EXPECT_FALSE(run().pause_requested());
            EXPECT_EQ(results().BitBtn1->text(), "Stop");
        });
    });
    QTest::keyClick(on_results, Qt::Key_Return);  // Start
    EXPECT_EQ(shown.size(), 5U);
    EXPECT_EQ(generations_done(), 5);
    EXPECT_FALSE(aborted());
    expect_idle();
}

TEST_F(RunControlTest, AbortWhilePausedLeavesPauseIntoTheNextRun) {
    dialogs->answers = {false, true};
    on_generation([&](const GenerationReport& report) {
        if (report.generation != 1) {
            return;
        }
        press(results().BitBtn1);
        later(20, [&] {
            press(results().BitBtn2);  // answered No: still paused
            EXPECT_TRUE(run().pause_requested());
            EXPECT_EQ(results().BitBtn1->text(), "Resume");
            press(results().BitBtn2);  // Yes
        });
    });
    start();
    EXPECT_EQ(dialogs->questions, std::vector<std::string>(2, abort_question));
    EXPECT_EQ(shown.size(), 2U);
    EXPECT_EQ(generations_done(), 2);
    EXPECT_TRUE(aborted());
    EXPECT_EQ(results().BitBtn1->kind(), ButtonKind::no);
    EXPECT_EQ(results().BitBtn1->text(), "Pause");
    expect_idle();

    // The next run starts with "Pause"; two presses bring back "Stop".
    shown.clear();
    on_generation([&](const GenerationReport& report) {
        if (report.generation == 0) {
            press(results().BitBtn1);
            press(results().BitBtn1);
        }
    });
    start();
    ASSERT_EQ(shown.size(), 5U);
    EXPECT_EQ(shown[0].pause_caption, "Pause");
    EXPECT_EQ(shown[1].pause_caption, "Stop");
    EXPECT_FALSE(aborted());
    EXPECT_EQ(dialogs->questions.size(), 2U);
}

// The item is hidden during a run, yet its shortcut asks the abort question.
TEST_F(RunControlTest, CtrlSAbortsARunningRunAtTheNextGeneration) {
    dialogs->answers = {true};
    on_generation([&](const GenerationReport& report) {
        if (report.generation == 1) {
            EXPECT_FALSE(menu().StartGPrun1->isVisible());
            QTest::keyClick(results().CheckBox4, Qt::Key_S, Qt::ControlModifier);
        }
    });
    start();
    EXPECT_EQ(dialogs->questions, std::vector<std::string>{abort_question});
    EXPECT_EQ(generations_done(), 2);
    EXPECT_TRUE(aborted());
    EXPECT_EQ(results().BitBtn1->text(), "Stop");
    expect_idle();
}

// With "Break Point" every 2 generations a run of 5 waits before the 3rd and
// the 5th; the buttons keep their running state, and one press resumes. A
// break point of -2 pauses as 2 does.
TEST_F(RunControlTest, BreakPointPausesEveryNGenerations) {
    population().CheckBox2->setChecked(true);
    for (const char* every : {"2", "-2"}) {
        SCOPED_TRACE(every);
        population().Edit15->setText(QString::fromLatin1(every));
        shown.clear();
        std::vector<std::int32_t> paused_after;
        on_generation([&](const GenerationReport& report) {
            // Each wait has at least the timer of the generation before it.
            if (report.generation == 4) {
                return;
            }
            later(30, [&] {
                if (!run().pause_requested()) {
                    return;
                }
                paused_after.push_back(shown.back().generation);
                EXPECT_EQ(results().BitBtn1->text(), "Stop");
                EXPECT_FALSE(results().BitBtn2->isEnabled());
                press(results().BitBtn1);
            });
        });
        start();
        EXPECT_TRUE(dialogs->messages.empty());
        EXPECT_EQ(paused_after, (std::vector<std::int32_t>{1, 3}));
        EXPECT_EQ(generations_done(), 5);
        EXPECT_FALSE(aborted());
        EXPECT_EQ(results().BitBtn1->kind(), ButtonKind::no);
        expect_idle();
    }
}

// Exit's routine returns only in tests; paused in the same generation, the
// run still ends at the next boundary, as an abort while paused. Closing the
// window waits for the run to end, then closes.
TEST_F(RunControlTest, ExitOrCloseDuringARunEndsTheRun) {
    on_generation([&](const GenerationReport& report) {
        if (report.generation == 1) {
            press(results().BitBtn1);
            menu().Exit1->trigger();
        }
    });
    start();
    EXPECT_EQ(exit_statuses, std::vector<int>{0});
    EXPECT_TRUE(dialogs->questions.empty());
    EXPECT_EQ(generations_done(), 2);
    EXPECT_EQ(results().BitBtn1->text(), "Pause");
    expect_idle();

    bool open_during_run = false;
    on_generation([&](const GenerationReport& report) {
        if (report.generation == 1) {
            form->close();
            open_during_run = form->isVisible();
        }
    });
    start();
    EXPECT_TRUE(open_during_run);
    EXPECT_EQ(generations_done(), 2);
    EXPECT_TRUE(aborted());
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(exit_statuses.size(), 1U);
}

TEST_F(RunControlTest, NoFunctionCheckedFallsBackToPlusAndRuns) {
    for (int i = 0; i < 4; ++i) {
        problem().CheckListBox1->set_checked(i, false);
    }
    int page_during_run = -1;
    on_generation([&](const GenerationReport&) { page_during_run = current_page(); });
    start();
    EXPECT_EQ(dialogs->messages, std::vector<std::string>{"You must use 1 function at least."});
    EXPECT_TRUE(problem().CheckListBox1->checked(0));
    EXPECT_EQ(page_during_run, results_page);
    EXPECT_EQ(generations_done(), 5);
    EXPECT_FALSE(results().Memo1->toPlainText().contains(QLatin1Char('*')));
}

// A text the core refuses names its field or cell and shows its page; the
// window stays idle with everything as entered, and the program goes on.
TEST_F(RunControlTest, RefusedTextsKeepTheWindowAndItsData) {
    struct Case {
        const char* what;
        std::function<void()> enter;
        std::string message;
        int page;
        std::function<bool()> kept;
    };
    CellGridModel* cells = problem().StringGrid1->cells();
    const Case cases[] = {
        {"a grid cell", [&] { cells->set_cell(1, 2, "abc"); },
         cell_error(training_grid_caption, 3, 2, "abc").what(), problem_page,
         [&] { return cells->cell(1, 2) == "abc"; }},
        {"a problem field",
         [&] {
             cells->set_cell(1, 2, "1.5");
             problem().Edit12->setText(QStringLiteral("0"));
         },
         field_error("Number of constant", "a whole number of at least 1", "0").what(),
         problem_page, [&] { return problem().Edit12->text() == "0"; }},
        {"a population field",
         [&] {
             problem().Edit12->setText(QStringLiteral("1000"));
             population().Edit1->setText(QString());
         },
         field_error("Population Size", "a whole number of at least 2", "").what(), population_page,
         [&] { return population().Edit1->text().isEmpty(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs->messages.clear();
        c.enter();
        start();
        EXPECT_EQ(dialogs->messages, std::vector<std::string>{c.message});
        EXPECT_EQ(current_page(), c.page);
        EXPECT_TRUE(c.kept());
        EXPECT_FALSE(run().last_outcome());
        expect_idle();
    }
    EXPECT_TRUE(exit_statuses.empty());
    EXPECT_TRUE(form->isVisible());
}

// Creation that cannot complete a program within the length limit ends the
// run like any other, and its message is shown.
TEST_F(RunControlTest, RunErrorEndsTheRunWithItsMessage) {
    population().Edit8->setText(QStringLiteral("3"));
    population().Edit13->setText(QStringLiteral("0.999999"));
    population().Edit14->setText(QStringLiteral("0.00"));
    start();
    ASSERT_EQ(dialogs->messages.size(), 1U);
    EXPECT_TRUE(dialogs->messages[0].starts_with("Random creation could not complete"))
        << dialogs->messages[0];
    ASSERT_TRUE(run().last_outcome());
    EXPECT_TRUE(run().last_outcome()->error);
    EXPECT_EQ(generations_done(), 0);
    expect_idle();
    EXPECT_TRUE(exit_statuses.empty());
}

// An error from the core, or from an event handled while the run pumps,
// ends the run with its message; the window stays usable for the next run.
TEST_F(RunControlTest, InternalErrorsEndTheRunAndTheWindowGoesOn) {
    struct Case {
        const char* what;
        std::function<void()> fault;  // in the second generation's displays
        std::int32_t generations_done;
    };
    const auto boom = [] { throw std::logic_error("boom"); };
    const Case cases[] = {{"inside the run", boom, 1},
                          {"in a handler the pump runs", [this, boom] { later(0, boom); }, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs->messages.clear();
        on_generation([&](const GenerationReport& report) {
            if (report.generation == 1) {
                c.fault();
            }
        });
        start();
        EXPECT_EQ(dialogs->messages,
                  std::vector<std::string>{"Internal error: boom. The run was ended."});
        ASSERT_TRUE(run().last_outcome());
        EXPECT_TRUE(run().last_outcome()->error);
        EXPECT_EQ(generations_done(), c.generations_done);
        expect_idle();

        dialogs->messages.clear();
        on_generation();
        start();
        EXPECT_EQ(generations_done(), 5);
        EXPECT_TRUE(dialogs->messages.empty());
        expect_idle();
    }
    EXPECT_TRUE(exit_statuses.empty());
}

}  // namespace
}  // namespace vorn::testing
