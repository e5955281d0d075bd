// The menu tree, the shortcut rule, Start's checks, Exit, the About box and
// the end of the program.
#include <QCheckBox>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include "tests/ui/form_fixture.h"
#include "ui/about_box.h"
#include "ui/bit_button.h"
#include "ui/data_grid.h"
#include "ui/graph_form.h"

namespace vorn::testing {
namespace {

using Menus = FormTest;

TEST_F(Menus, TreeCaptionsShortcutsAndStates) {
    QMenuBar* bar = form->menuBar();
    EXPECT_EQ(bar->objectName(), "MainMenu1");
    QStringList top;
    for (QAction* action : bar->actions()) {
        top.append(action->text());
    }
    EXPECT_EQ(top, QStringList({"File (&F)", "Edit (&E)", "GP Run (&R)", "Help (&H)"}));
    EXPECT_FALSE(menu().Edit->menuAction()->isVisible());
    EXPECT_EQ(menu().Panels1->title(), "Panels");
    EXPECT_TRUE(menu().GPRun1->actions().contains(menu().Panels1->menuAction()));

    struct Item {
        QAction* action;
        const char* name;
        const char* caption;
        const char* shortcut;
        bool visible;
        bool enabled;
    };
    const Item items[] = {
        {menu().Exit1, "Exit1", "Exit (&X)", "", true, true},
        {menu().CutT1, "CutT1", "Cut (T)", "Ctrl+X", false, false},
        {menu().CopyC1, "CopyC1", "Copy (&C)", "Ctrl+C", false, false},
        {menu().Problem1, "Problem1", "Problem", "", true, true},
        {menu().GPrun2, "GPrun2", "GP run", "", true, true},
        {menu().Results1, "Results1", "Results", "", true, true},
        {menu().LoadTrainingData2, "LoadTrainingData2", "Load training data (&T)", "Ctrl+T", true,
         true},
        {menu().Load1, "Load1", "Load validation data (&V)", "Ctrl+V", true, false},
        {menu().StartGPrun1, "StartGPrun1", "Start GP run", "Ctrl+S", true, true},
        {menu().About1, "About1", "About VORN (&A)", "", true, true},
    };
    for (const Item& item : items) {
        SCOPED_TRACE(item.name);
        EXPECT_EQ(item.action->objectName(), item.name);
        EXPECT_EQ(item.action->text(), item.caption);
        EXPECT_EQ(item.action->shortcut().toString(QKeySequence::PortableText), item.shortcut);
        EXPECT_EQ(item.action->isVisible(), item.visible);
        EXPECT_EQ(item.action->isEnabled(), item.enabled);
    }
}

TEST_F(Menus, CtrlTLoadsTrainingDataFromAnEditWithoutTouchingIt) {
    const QString path = write_file(QStringLiteral("data.txt"), data_rows(3));
    dialogs->files.push_back(path);
    QLineEdit* edit = problem().Edit12;
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_T, Qt::ControlModifier);
    EXPECT_TRUE(form->training_loaded);
    EXPECT_EQ(problem().StringGrid1->row_count(), 3);
    EXPECT_EQ(edit->text(), "1000");
}

// Ctrl+C, Ctrl+X and Ctrl+V belong to the menu: the edits and grids never act on them.
TEST_F(Menus, ClipboardKeysNeverReachTheEditsOrGrids) {
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    click_tab(population_page);
    QLineEdit* edit = population().Edit1;
    edit->setFocus();
    edit->selectAll();
    for (const Qt::Key key : {Qt::Key_V, Qt::Key_X, Qt::Key_C}) {
        QTest::keyClick(edit, key, Qt::ControlModifier);
        EXPECT_EQ(edit->text(), "1000") << key;
    }
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "pasted");
    // With "use training data " checked the validation item is disabled: the
    // key does nothing at all.
    EXPECT_TRUE(dialogs->proposals.empty());

    StringGrid* grid = problem().StringGrid1;
    click_tab(problem_page);
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(grid->model()->index(0, 0).data().toString().isEmpty());
    EXPECT_EQ(grid->viewport()->findChild<QLineEdit*>(), nullptr);
}

TEST_F(Menus, CtrlVOpensTheValidationLoaderOnceEnabled) {
    problem().CheckBox3->setChecked(false);
    dialogs->files.push_back(write_file(QStringLiteral("valid.txt"), data_rows(6)));
    QLineEdit* edit = problem().Edit16;
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(form->validation_loaded);
    EXPECT_EQ(problem().StringGrid2->row_count(), 6);
    EXPECT_EQ(edit->text(), "x");
}

// During a run the item is hidden and Ctrl+S still reaches Start/Abort.
TEST_F(Menus, CtrlSReachesAHiddenItemButNotADisabledOne) {
    menu().StartGPrun1->setVisible(false);
    population().Edit4->setFocus();
    click_tab(population_page);
    QTest::keyClick(population().Edit4, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(dialogs->messages,
              std::vector<std::string>{"You must load data set for training before GP run."});
    EXPECT_EQ(current_page(), problem_page);

    menu().StartGPrun1->setEnabled(false);
    QTest::keyClick(problem().Edit10, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(dialogs->messages.size(), 1U);
}

// Start's checks in their order, each with its message, resets and page.
TEST_F(Menus, StartRefusesWithTheFirstFailedCheck) {
    struct Case {
        const char* what;
        bool training;
        bool own_validation;
        const char* crossover;
        const char* function_ratio;
        const char* message;
        int page;
        const char* reproduction;  // Label6 afterwards
    };
    const Case cases[] = {
        {"no training data", false, false, "0.70", "0.50",
         "You must load data set for training before GP run.", problem_page, "0.1"},
        {"no validation data", true, true, "0.70", "0.50",
         "You must load data set for validation before GP run.", problem_page, "0.1"},
        {"operation rates", true, false, "0.90", "0.90", "The sum of operation rate must be 1.0",
         population_page, "0.10"},
        {"node ratios", true, false, "0.70", "0.90", "The sum of initial node ratio must be 1.0",
         population_page, "0.10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Leaving "Population" runs its own checks; only Start's are wanted here.
        form->set_active_page(Page::results);
        dialogs->messages.clear();
        form->training_loaded = c.training;
        problem().CheckBox3->setChecked(!c.own_validation);
        population().Edit4->setText(QString::fromLatin1(c.crossover));
        population().Edit13->setText(QString::fromLatin1(c.function_ratio));
        QTest::mouseClick(results().BitBtn2, Qt::LeftButton);
        EXPECT_EQ(dialogs->messages, std::vector<std::string>{c.message});
        EXPECT_EQ(current_page(), c.page);
        EXPECT_EQ(population().Label6->text(), c.reproduction);
    }
    EXPECT_EQ(population().Edit13->text(), "0.50");
    EXPECT_EQ(population().ConstLabel->text(), "0.30");
}

TEST_F(Menus, ExitEndsWithStatusZeroThroughTheExitRoutine) {
    menu().Exit1->trigger();
    EXPECT_EQ(exit_statuses, std::vector<int>{0});
}

TEST_F(Menus, AboutBoxShowsOnTopAndOkHidesIt) {
    TAboutBox* about = form->about_box();
    EXPECT_EQ(about->objectName(), "AboutBox");
    EXPECT_EQ(about->windowTitle(), "VORN1.1");
    EXPECT_FALSE(about->isVisible());
    for (int time = 0; time < 2; ++time) {
        menu().About1->trigger();
        EXPECT_TRUE(about->isVisible());
        EXPECT_FALSE(about->isModal());
        EXPECT_TRUE(about->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(about->size(), QSize(298, 213));
        EXPECT_EQ(about->minimumSize(), about->maximumSize());
        auto* ok = about->findChild<QPushButton*>(QStringLiteral("OKButton"));
        ASSERT_NE(ok, nullptr);
        EXPECT_TRUE(ok->isDefault());
        QTest::mouseClick(ok, Qt::LeftButton);
        EXPECT_FALSE(about->isVisible());
        EXPECT_TRUE(form->isVisible());
    }
    EXPECT_EQ(form->about_box(), about);
    const QString texts = about->findChild<QLabel*>(QStringLiteral("Version"))->text() + "|" +
                          about->findChild<QLabel*>(QStringLiteral("Copyright"))->text();
    EXPECT_TRUE(texts.contains("Version 1.1"));
    EXPECT_TRUE(texts.contains("2026"));
    EXPECT_TRUE(texts.contains("VORN developers"));
}

// At either pixel ratio the logo is sharp (drawn at the device's pixels) and
// its title stays inside the frame: the column just inside the right edge is
// white from top to bottom, the frame aside.
TEST(Logo, IsDrawnAtTheDevicesPixelsAndKeepsItsTitleInsideTheFrame) {
    for (const qreal ratio : {1.0, 2.0}) {
        const QImage logo = draw_logo(QSize(225, 81), ratio).toImage();
        ASSERT_EQ(logo.size(), QSize(225, 81) * ratio);
        const int x = logo.width() - static_cast<int>(3 * ratio);
        for (int y = static_cast<int>(2 * ratio); y < logo.height() - 2 * ratio; ++y) {
            ASSERT_EQ(logo.pixelColor(x, y), QColor(Qt::white)) << ratio << " " << y;
        }
    }
}

// The event loop ends when the main window closes, whatever else is open.
TEST_F(Menus, ClosingTheMainWindowEndsTheProgramWithOtherWindowsOpen) {
    load_training(write_file(QStringLiteral("data.txt"), data_rows(3)));
    QTest::mouseClick(problem().Button2, Qt::LeftButton);
    menu().About1->trigger();
    ASSERT_TRUE(form->graph_form()->isVisible());
    ASSERT_TRUE(form->about_box()->isVisible());
    QTimer::singleShot(0, form.get(), [this] { form->close(); });
    // A watchdog that dies with the window, so it cannot end a later test's loop.
    QTimer::singleShot(3000, form.get(), [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QApplication::exec(), 0);
}

}  // namespace
}  // namespace vorn::testing
