// The run's best program in the window: the File menu's program items, the
// formula box's copy actions, and scoring a program file on a data file.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>

#include "engine/program_io.h"
#include "program/program_export.h"
#include "tests/german_locale.h"
#include "tests/ui/form_fixture.h"
#include "ui/bit_button.h"
#include "ui/data_files.h"
#include "ui/population_page.h"
#include "ui/program_actions.h"
#include "ui/run_control.h"

namespace vorn::testing {
namespace {

class ProgramActionsTest : public FormTest {
protected:
    ProgramActionsTest() {
        load_training(write_file(QStringLiteral("data.txt"), data_rows(20)));
        population().Edit1->setText(QStringLiteral("20"));
        population().Edit2->setText(QStringLiteral("4"));
        form->run_control().seed = 5;
    }

    void run_once() {
        form->set_active_page(Page::results);
        QTest::mouseClick(results().BitBtn2, Qt::LeftButton);
    }

    [[nodiscard]] std::vector<QAction*> program_items() const {
        return {menu().SaveBestProgram1, menu().ExportProgramC1, menu().ExportProgramPython1};
    }

    [[nodiscard]] QAction* formula_action(const char* name) const {
        return results().Memo1->findChild<QAction*>(QString::fromLatin1(name));
    }
};

TEST_F(ProgramActionsTest, FileMenuHoldsTheProgramItemsAboveExit) {
    QStringList order;
    for (const QAction* action : menu().File1->actions()) {
        order << (action->isSeparator() ? QStringLiteral("-") : action->text());
        EXPECT_TRUE(action->shortcut().isEmpty()) << action->text().toStdString();
    }
    EXPECT_EQ(
        order,
        QStringList(
            {QStringLiteral("Save Best Program\u2026"), QStringLiteral("Export Program as C\u2026"),
             QStringLiteral("Export Program as Python\u2026"),
             QStringLiteral("Score Program on File\u2026"), QStringLiteral("Save Run Record\u2026"),
             QStringLiteral("Export Generation Table\u2026"), QStringLiteral("Open Settings\u2026"),
             QStringLiteral("Save Settings\u2026"), QStringLiteral("Recent Files"),
             QStringLiteral("-"), QStringLiteral("Exit (&X)")}));
    for (QAction* item : program_items()) {
        EXPECT_FALSE(item->isEnabled());
    }
    EXPECT_TRUE(menu().ScoreProgram1->isEnabled());
}

// The program outlives its run, goes with cleared data, and every file
// written from it reads back as the run's last best.
TEST_F(ProgramActionsTest, BestProgramIsKeptSavedAndExportedUntilTheDataIsCleared) {
    run_once();
    const RunControl& run = form->run_control();
    ASSERT_TRUE(run.last_program().has_value());
    ASSERT_EQ(run.history().size(), 4u);
    for (QAction* item : program_items()) {
        EXPECT_TRUE(item->isEnabled());
    }

    const QString saved = folder.filePath(QStringLiteral("best.json"));
    dialogs->files = {saved, folder.filePath(QStringLiteral("best.c")),
                      folder.filePath(QStringLiteral("best.py")), QString()};
    for (QAction* item : program_items()) {
        item->trigger();
    }
    menu().SaveBestProgram1->trigger();  // cancelled: nothing more is written
    EXPECT_TRUE(dialogs->messages.empty()) << dialogs->messages.front();
    const Program back = load_program_file(local_path(saved));
    const Program& best = *run.last_program();
    EXPECT_EQ(program_code(back).gene, program_code(best).gene);
    EXPECT_EQ(back.training_fitness, run.history().back().best_raw_fitness);
    EXPECT_EQ(back.provenance["seed"], 5);
    EXPECT_EQ(back.provenance["data"][0]["role"], "training");
    for (const auto& [suffix, language] :
         {std::pair{".c", ExportLanguage::c}, std::pair{".py", ExportLanguage::python}}) {
        QFile file(folder.filePath(QStringLiteral("best") + QString::fromLatin1(suffix)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll().toStdString(), export_program(best, language));
    }

    QTest::mouseClick(problem().Button1, Qt::LeftButton);
    EXPECT_FALSE(run.last_program().has_value());
    EXPECT_TRUE(run.history().empty());
    for (QAction* item : program_items()) {
        EXPECT_FALSE(item->isEnabled());
    }
}

// The first generation with the lowest validation count, from 1.
std::size_t first_lowest(const std::vector<GenerationRow>& history) {
    std::size_t best = 0;
    for (std::size_t g = 1; g < history.size(); ++g) {
        if (history[g].validation_fitness < history[best].validation_fitness) {
            best = g;
        }
    }
    return best + 1;
}

// Save asks which program: cancelled nothing is saved, else the chosen one
// with its own measures. The label names the best on validation, and goes
// with the run.
TEST_F(ProgramActionsTest, SaveAsksForTheLastOrTheBestOnValidation) {
    EXPECT_EQ(results().LabelBestValidation->text(), QString());
    problem().CheckBox3->setChecked(false);
    // The training rows with their classes swapped: what training favours,
    // validation does not.
    QByteArray swapped;
    for (int i = 0; i < 20; ++i) {
        swapped += QByteArray::number(-i) + ' ' + QByteArray::number(i + 0.25) + ' ' +
                   QByteArray::number(i) + ' ' + QByteArray::number(i * 0.5) + '\n';
    }
    load_validation(write_file(QStringLiteral("valid.txt"), swapped));
    population().Edit2->setText(QStringLiteral("12"));
    run_once();
    const RunControl& run = form->run_control();
    const std::vector<GenerationRow>& history = run.history();
    ASSERT_EQ(history.size(), 12u);
    const std::size_t best = first_lowest(history);
    const GenerationRow& row = history[best - 1];
    // The two programs differ here, so saving the wrong one shows.
    EXPECT_LT(row.validation_fitness, history.back().validation_fitness);
    EXPECT_EQ(results().LabelBestValidation->text(),
              QStringLiteral("Best on validation: generation %1, count %2")
                  .arg(best)
                  .arg(row.validation_fitness));
    ASSERT_TRUE(run.best_validation_program());

    const QString last = folder.filePath(QStringLiteral("last.json"));
    const QString validated = folder.filePath(QStringLiteral("validated.json"));
    dialogs->choices = {std::nullopt, 0, 1};
    dialogs->files = {last, validated};
    for (int i = 0; i < 3; ++i) {
        menu().SaveBestProgram1->trigger();
    }
    EXPECT_TRUE(dialogs->messages.empty()) << dialogs->messages.front();
    ASSERT_EQ(dialogs->choices_asked.size(), 3u);
    EXPECT_TRUE(dialogs->choices_asked[0].contains(
        QStringLiteral("Best on validation (generation %1, ").arg(best)));
    EXPECT_EQ(dialogs->file_titles.size(), 2u);  // none after the cancel

    const Program saved_last = load_program_file(local_path(last));
    const Program saved_validated = load_program_file(local_path(validated));
    EXPECT_EQ(program_code(saved_last).gene, program_code(*run.last_program()).gene);
    EXPECT_EQ(saved_last.validation_count, history.back().validation_fitness);
    EXPECT_EQ(program_code(saved_validated).gene,
              program_code(*run.best_validation_program()).gene);
    EXPECT_EQ(saved_validated.validation_count, row.validation_fitness);
    EXPECT_EQ(saved_validated.training_fitness, row.best_raw_fitness);

    QTest::mouseClick(problem().Button1, Qt::LeftButton);
    EXPECT_FALSE(run.best_validation_program());
    EXPECT_EQ(results().LabelBestValidation->text(), QString());
}

TEST_F(ProgramActionsTest, FormulaBoxMenuCopiesTheShownAndTheExactFormula) {
    QPlainTextEdit* memo = results().Memo1;
    const auto open_menu = [memo] {
        emit memo->customContextMenuRequested(memo->viewport()->rect().center());
    };
    open_menu();
    QMenu* popup = form->findChild<QMenu*>(QStringLiteral("FormulaMenu1"));
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_FALSE(formula_action("CopyExactFormula1")->isEnabled());
    popup->hide();

    run_once();
    open_menu();
    formula_action("CopyFormula1")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), memo->toPlainText());
    formula_action("CopyExactFormula1")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              exact_formula(*form->run_control().last_program()));
    popup->hide();
}

// Scoring shows the same line as the runner; a file that is no program is
// refused with its own message and nothing else.
TEST_F(ProgramActionsTest, ScoreShowsTheFiguresOrTheRefusal) {
    run_once();
    const QString program = folder.filePath(QStringLiteral("best.json"));
    const QString data = folder.filePath(QStringLiteral("data.txt"));
    dialogs->files = {program, program, data, data};
    menu().SaveBestProgram1->trigger();
    menu().ScoreProgram1->trigger();
    menu().ScoreProgram1->trigger();
    ASSERT_EQ(dialogs->shown.size(), 2u);
    EXPECT_EQ(dialogs->shown[0].id, MessageId::program_scored);
    EXPECT_NE(dialogs->messages[0].find(" rows=20 TP="), std::string::npos) << dialogs->messages[0];
    EXPECT_EQ(dialogs->shown[1].id, MessageId::program_file_refused);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

// Under a comma-decimal locale, the window's program file and C export are
// the runner's, byte for byte, for the same data, settings and seed.
TEST_F(ProgramActionsTest, WindowFilesEqualTheRunnersUnderAGermanLocale) {
    const GermanNumbers german_numbers;
    if (!german_numbers.set) {
        GTEST_SKIP() << "no de_DE.UTF-8 locale";
    }
    const QString data = write_file(QStringLiteral("clouds.txt"), data_rows(30));
    load_training(data);
    population().Edit4->setText(QStringLiteral("0.5"));
    run_once();
    dialogs->files = {folder.filePath(QStringLiteral("window.json")),
                      folder.filePath(QStringLiteral("window.c"))};
    menu().SaveBestProgram1->trigger();
    menu().ExportProgramC1->trigger();

    const QString runner = QStringLiteral(VORN_RUN_PATH);
    const QString saved = folder.filePath(QStringLiteral("runner.json"));
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
    process.setProcessEnvironment(environment);
    process.start(runner, {data, QStringLiteral("--seed"), QStringLiteral("5"),
                           QStringLiteral("--population-size"), QStringLiteral("20"),
                           QStringLiteral("--generations"), QStringLiteral("4"),
                           QStringLiteral("--crossover"), QStringLiteral("0.5"),
                           QStringLiteral("--quiet"), QStringLiteral("--save-program"), saved});
    ASSERT_TRUE(process.waitForFinished(60000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(contents(folder.filePath(QStringLiteral("window.json"))), contents(saved));
    process.start(runner, {QStringLiteral("--export"), QStringLiteral("c"), saved});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(contents(folder.filePath(QStringLiteral("window.c"))),
              process.readAllStandardOutput());
}

}  // namespace
}  // namespace vorn::testing
