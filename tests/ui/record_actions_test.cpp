// Run records from the window: the record describes the run as it started,
// whatever is edited afterwards, and the runner repeats it.
#include <QAbstractItemModel>
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <algorithm>

#include "engine/program_io.h"
#include "engine/run_record.h"
#include "engine/version.h"
#include "tests/ui/form_fixture.h"
#include "ui/bit_button.h"
#include "ui/data_files.h"
#include "ui/data_grid.h"
#include "ui/grid_model.h"
#include "ui/population_page.h"
#include "ui/run_control.h"

namespace vorn::testing {
namespace {

class RecordActionsTest : public FormTest {
protected:
    void run_once() {
        form->set_active_page(Page::results);
        QTest::mouseClick(results().BitBtn2, Qt::LeftButton);
    }

    RunRecord save_and_read(const QString& name) {
        const QString file = folder.filePath(name);
        dialogs->files = {file};
        menu().SaveRunRecord1->trigger();
        EXPECT_TRUE(dialogs->messages.empty()) << dialogs->messages.front();
        return read_record_file(local_path(file));
    }

    [[nodiscard]] int rerun_exit_code(const QString& name) const {
        QProcess runner;
        runner.start(QStringLiteral(VORN_RUN_PATH),
                     {QStringLiteral("--rerun"), folder.filePath(name)});
        EXPECT_TRUE(runner.waitForFinished(60000));
        return runner.exitCode();
    }
};

bool same_rows(const std::vector<GenerationRow>& a, const std::vector<GenerationRow>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.generation == y.generation && x.validation_fitness == y.validation_fitness &&
               x.best_raw_fitness == y.best_raw_fitness && x.mean_length == y.mean_length &&
               x.best_length == y.best_length;
    });
}

// Texts edited after the run do not reach its record; a validation grid the
// run did not read is not in it; a typed-in cell is recorded as such, so the
// runner will not repeat that run from its files; the item waits for a run's
// end.
TEST_F(RecordActionsTest, RecordDescribesTheRunAsItStarted) {
    const QString training = write_file(QStringLiteral("train.txt"), data_rows(20));
    load_training(training);
    form->load_validation_file(write_file(QStringLiteral("unused.txt"), data_rows(5)));
    population().Edit1->setText(QStringLiteral("20"));
    population().Edit2->setText(QStringLiteral("4"));
    population().EditSeed->setText(QStringLiteral("7"));
    EXPECT_FALSE(menu().SaveRunRecord1->isEnabled());
    std::vector<bool> enabled_while_running;
    form->run_control().generation_hook = [&](const GenerationReport&) {
        enabled_while_running.push_back(menu().SaveRunRecord1->isEnabled());
    };
    const ParameterTexts started = form->parameter_texts();
    run_once();
    EXPECT_EQ(enabled_while_running, std::vector<bool>(4, false));
    ASSERT_TRUE(menu().SaveRunRecord1->isEnabled());
    population().Edit1->setText(QStringLiteral("30"));

    const RunControl& run = form->run_control();
    const RunRecord first = save_and_read(QStringLiteral("first.json"));
    EXPECT_EQ(first.plan.seed, 7u);
    for (const Parameter& row : parameter_table()) {
        if (!row.settings_key.empty()) {
            EXPECT_EQ(first.plan.texts[row.id], started[row.id]) << row.settings_key;
        }
    }
    ASSERT_EQ(first.data.size(), 1u);
    EXPECT_EQ(first.data[0].role, "training");
    EXPECT_EQ(first.data[0].sha256, sha256_of_file(local_path(training)));
    EXPECT_TRUE(same_rows(first.generations, run.history()));
    EXPECT_FALSE(first.grid_edited);
    EXPECT_EQ(rerun_exit_code(QStringLiteral("first.json")), 0);

    dialogs->files = {training};  // never over the data
    menu().SaveRunRecord1->trigger();
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(sha256_of_file(local_path(training)), first.data[0].sha256);
    dialogs->messages.clear();

    QAbstractItemModel* cells = problem().StringGrid1->model();
    cells->setData(cells->index(3, 1), QStringLiteral("2.5"), Qt::EditRole);
    run_once();
    const RunRecord edited = save_and_read(QStringLiteral("edited.json"));
    EXPECT_TRUE(edited.grid_edited);
    EXPECT_NE(edited.cells_sha256, first.cells_sha256);
    EXPECT_EQ(edited.plan.texts[ParamId::population_size], "30");
    EXPECT_NE(rerun_exit_code(QStringLiteral("edited.json")), 0);
}

// A cell still being edited when Ctrl+S starts the run is part of the run.
TEST_F(RecordActionsTest, ACellBeingEditedIsReadByTheRunStartedWithCtrlS) {
    load_training(write_file(QStringLiteral("train.txt"), data_rows(20)));
    population().Edit1->setText(QStringLiteral("20"));
    population().Edit2->setText(QStringLiteral("2"));
    StringGrid* grid = problem().StringGrid1;
    const QModelIndex cell = grid->model()->index(3, 1);
    grid->setCurrentIndex(cell);
    grid->edit(cell);
    const QPointer<QLineEdit> editor = grid->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("2.5"));
    QTest::keyClick(editor, Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(menu().SaveRunRecord1->isEnabled());
    EXPECT_EQ(grid->model()->data(cell).toString(), QStringLiteral("2.5"));
    EXPECT_TRUE(editor.isNull() || !editor->isVisible());
    EXPECT_TRUE(save_and_read(QStringLiteral("typed.json")).grid_edited);
}

// With validation data of its own, the record names both files, keeps the
// best on validation, and the runner repeats it from the record alone.
TEST_F(RecordActionsTest, RunnerRepeatsTheWindowsRecord) {
    load_training(QStringLiteral(VORN_DATA_DIR "/two_clouds.txt"));
    problem().CheckBox3->setChecked(false);
    load_validation(QStringLiteral(VORN_DATA_DIR "/circle.txt"));
    population().Edit1->setText(QStringLiteral("100"));
    population().Edit2->setText(QStringLiteral("5"));
    population().EditSeed->setText(QStringLiteral("11"));
    run_once();
    const RunRecord record = save_and_read(QStringLiteral("run.json"));
    const RunControl& run = form->run_control();
    ASSERT_EQ(record.data.size(), 2u);
    EXPECT_EQ(record.data[1].role, "validation");
    EXPECT_EQ(record.num_generations, 5);
    EXPECT_EQ(record.program_version, version_text());
    ASSERT_TRUE(record.last_program && record.best_validation);
    EXPECT_EQ(program_code(*record.last_program).gene, program_code(*run.last_program()).gene);
    EXPECT_EQ(record.best_validation->generation, run.best_on_validation()->generation);
    EXPECT_EQ(rerun_exit_code(QStringLiteral("run.json")), 0);

    // The exported table is, byte for byte, the runner's --csv for the seed.
    dialogs->files = {folder.filePath(QStringLiteral("window.csv"))};
    menu().ExportGenerationTable1->trigger();
    QProcess runner;
    runner.start(QStringLiteral(VORN_RUN_PATH),
                 {QStringLiteral(VORN_DATA_DIR "/two_clouds.txt"), QStringLiteral("--validation"),
                  QStringLiteral(VORN_DATA_DIR "/circle.txt"), QStringLiteral("--population-size"),
                  QStringLiteral("100"), QStringLiteral("--generations"), QStringLiteral("5"),
                  QStringLiteral("--seed"), QStringLiteral("11"), QStringLiteral("--quiet"),
                  QStringLiteral("--csv"), folder.filePath(QStringLiteral("runner.csv"))});
    ASSERT_TRUE(runner.waitForFinished(60000));
    ASSERT_EQ(runner.exitCode(), 0);
    QFile window_csv(folder.filePath(QStringLiteral("window.csv")));
    QFile runner_csv(folder.filePath(QStringLiteral("runner.csv")));
    ASSERT_TRUE(window_csv.open(QIODevice::ReadOnly) && runner_csv.open(QIODevice::ReadOnly));
    const QByteArray bytes = window_csv.readAll();
    EXPECT_EQ(bytes.count('\n'), 6);
    EXPECT_EQ(bytes, runner_csv.readAll());
}

}  // namespace
}  // namespace vorn::testing
