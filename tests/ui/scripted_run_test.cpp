// `--start --quit-after-run`: a completed run ends with 0 and its picture; a
// refusal or a failed load ends with 1 and its message on stderr, never in a
// box that waits for a click. --grab alone saves the window as it opens.
#include <gtest/gtest.h>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest/QtTest>
#include <sstream>

#include "problem/messages.h"
#include "ui/main_window.h"
#include "ui/population_page.h"
#include "ui/run_control.h"
#include "ui/scripted_run.h"

namespace vorn::testing {
namespace {

struct Scripted {
    std::ostringstream err;
    ConsoleDialogs* dialogs = nullptr;
    std::unique_ptr<TForm1> form;

    Scripted() {
        auto console = std::make_unique<ConsoleDialogs>(err);
        dialogs = console.get();
        form = std::make_unique<TForm1>(std::move(console));
        form->run_control().seed = 3;
    }
};

TEST(ScriptedRun, EndsWithTheRunsOutcome) {
    const QTemporaryDir folder;
    const QString picture = folder.filePath(QStringLiteral("window.png"));
    {
        Scripted done;
        done.form->load_training_file(QStringLiteral(VORN_DATA_DIR "/circle.txt"));
        done.form->population().Edit2->setText(QStringLiteral("3"));
        EXPECT_EQ(scripted_run(*done.form, *done.dialogs, picture, done.err), 0) << done.err.str();
        EXPECT_EQ(done.form->run_control().history().size(), 3U);
        EXPECT_EQ(QImage(picture).size(), done.form->window()->grab().size());
    }
    {
        Scripted refused;
        refused.form->load_training_file(QStringLiteral(VORN_DATA_DIR "/circle.txt"));
        refused.form->population().Edit2->setText(QStringLiteral("0"));
        EXPECT_EQ(scripted_run(*refused.form, *refused.dialogs, std::nullopt, refused.err), 1);
        EXPECT_NE(refused.err.str().find("\"Generation\""), std::string::npos);
        EXPECT_FALSE(refused.form->run_control().last_outcome());
    }
    {
        Scripted missing;
        missing.form->run_guarded(
            [&] { missing.form->load_training_file(folder.filePath(QStringLiteral("none.txt"))); });
        EXPECT_EQ(scripted_run(*missing.form, *missing.dialogs, std::nullopt, missing.err), 1);
        EXPECT_NE(missing.err.str().find("cannot be opened"), std::string::npos);
    }
}

// --grab without --start: the window as it opens, no run.
TEST(ScriptedRun, GrabAloneSavesTheOpeningWindow) {
    const QTemporaryDir folder;
    Scripted opened;
    opened.form->load_training_file(QStringLiteral(VORN_DATA_DIR "/circle.txt"));
    const QString picture = folder.filePath(QStringLiteral("problem.png"));
    EXPECT_EQ(scripted_grab(*opened.form, *opened.dialogs, picture, opened.err), 0);
    EXPECT_EQ(QImage(picture).size(), opened.form->window()->grab().size());
    EXPECT_FALSE(opened.form->run_control().last_outcome());
    const QString nowhere = folder.filePath(QStringLiteral("no/such/folder/problem.png"));
    EXPECT_EQ(scripted_grab(*opened.form, *opened.dialogs, nowhere, opened.err), 1);
    EXPECT_FALSE(opened.err.str().empty());
}

}  // namespace
}  // namespace vorn::testing
