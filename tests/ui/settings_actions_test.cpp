// Settings files from the window: every control and the data files survive
// save and open, opening updates what typing updates, and a refused file
// changes nothing.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QProcess>

#include "engine/prepare_run.h"
#include "engine/settings_file.h"
#include "problem/number_text.h"
#include "tests/ui/form_fixture.h"
#include "ui/bit_button.h"
#include "ui/data_grid.h"
#include "ui/grid_model.h"
#include "ui/parameter_controls.h"
#include "ui/population_page.h"
#include "ui/results_page.h"
#include "ui/run_control.h"
#include "ui/settings_actions.h"

namespace vorn::testing {
namespace {

using SettingsActionsTest = FormTest;

std::string other_text(const Parameter& row) {
    switch (row.kind) {
        case ParamKind::flag:
            return row.default_text == flag_on ? "false" : "true";
        case ParamKind::choice:
            return std::string(row.choices[row.choices.size() - 2]);
        case ParamKind::function_list:
            return "cos,log10";
        default:
            return "1" + std::string(row.default_text);
    }
}

TEST_F(SettingsActionsTest, SaveThenOpenGivesEveryTextAndTheDataBack) {
    load_training(write_file(QStringLiteral("train.txt"), data_rows(3)));
    for (const Parameter& row : parameter_table()) {
        if (!row.settings_key.empty()) {
            write_parameter_text(*form, row.id, other_text(row));
        }
    }
    population().EditSeed->setText(QStringLiteral("4294967295"));
    const ParameterTexts saved = form->parameter_texts();
    const QString file = folder.filePath(QStringLiteral("run.vornsettings"));
    dialogs->files = {file};
    menu().SaveSettings1->trigger();
    ASSERT_TRUE(dialogs->messages.empty()) << dialogs->messages.front();

    TForm1 fresh(std::make_unique<ScriptedDialogs>());
    fresh.settings_actions().open_settings(file);
    for (const Parameter& row : parameter_table()) {
        EXPECT_EQ(fresh.parameter_texts()[row.id], saved[row.id]) << row.settings_key;
    }
    EXPECT_EQ(fresh.training_file(), form->training_file());
    EXPECT_EQ(fresh.population().EditSeed->text(), QStringLiteral("4294967295"));
    EXPECT_EQ(fresh.problem().StringGrid1->cells()->table().row_count(), 3u);
}

TEST_F(SettingsActionsTest, OpeningUpdatesTheRemainderAndRefusedFilesChangeNothing) {
    const QString good = write_file(QStringLiteral("a.vornsettings"),
                                    "format = vorn-settings 1\ncrossover = 0.5\nmutation = 0.25\n");
    const QString bad = write_file(QStringLiteral("b.vornsettings"),
                                   "format = vorn-settings 1\ncrossover = 0.1\nwhat = 1\n");
    dialogs->files = {good, bad};
    menu().OpenSettings1->trigger();
    const ParameterTexts opened = form->parameter_texts();
    EXPECT_EQ(opened[ParamId::crossover_rate], "0.5");
    EXPECT_EQ(
        opened[ParamId::reproduction_rate],
        remainder_label("0.5", "0.25", opened[ParamId::one_point_mutation_rate]).value_or(""));
    menu().OpenSettings1->trigger();
    ASSERT_EQ(dialogs->shown.size(), 1u);
    EXPECT_EQ(dialogs->shown[0].id, MessageId::settings_refused);
    EXPECT_EQ(dialogs->messages[0], bad.toStdString() + ", line 3: unknown key \"what\"");
    EXPECT_EQ(form->parameter_texts()[ParamId::crossover_rate], "0.5");

    // A refused data file: neither grid nor any text changes, even when the
    // other file is good.
    ASSERT_FALSE(write_file(QStringLiteral("good.txt"), data_rows(3)).isEmpty());
    const QString missing = write_file(
        QStringLiteral("c.vornsettings"),
        "format = vorn-settings 1\ncrossover = 0.3\ntraining = good.txt\nvalidation = none.txt\n");
    dialogs->files = {missing};
    menu().OpenSettings1->trigger();
    ASSERT_EQ(dialogs->shown.size(), 2u);
    EXPECT_EQ(dialogs->shown[1].id, MessageId::data_file_refused);
    EXPECT_TRUE(form->training_file().isEmpty());
    EXPECT_FALSE(form->training_loaded);
    EXPECT_EQ(form->parameter_texts()[ParamId::crossover_rate], "0.5");
}

// A file that leaves keys out gives them their defaults and no seed, as the
// runner reads it, whatever the window held before.
TEST_F(SettingsActionsTest, KeysTheFileLeavesOutTakeTheirDefaults) {
    for (const Parameter& row : parameter_table()) {
        if (!row.settings_key.empty()) {
            write_parameter_text(*form, row.id, other_text(row));
        }
    }
    population().EditSeed->setText(QStringLiteral("5"));
    const QString file = write_file(QStringLiteral("few.vornsettings"),
                                    "format = vorn-settings 1\ncrossover = 0.5\n");
    form->settings_actions().open_settings(file);
    const RunPlan runner = read_settings_file(local_path(file)).plan;
    const RunPlan window = form->run_plan();
    for (const Parameter& row : parameter_table()) {
        if (!row.settings_key.empty()) {
            EXPECT_EQ(window.texts[row.id], runner.texts[row.id]) << row.settings_key;
        }
    }
    EXPECT_EQ(window.texts[ParamId::crossover_rate], "0.5");
    EXPECT_EQ(window.seed, std::nullopt);
    EXPECT_TRUE(population().EditSeed->text().isEmpty());
}

// A seed typed in the window is the run's seed and shows on "Results"; a
// seed that is not one is refused at Start on its page.
TEST_F(SettingsActionsTest, TheSeedFieldChoosesTheRunsSeed) {
    load_training(write_file(QStringLiteral("train.txt"), data_rows(10)));
    population().Edit2->setText(QStringLiteral("2"));
    for (const char* refused : {"-1", "4294967296", "1e3", " 7"}) {
        population().EditSeed->setText(QString::fromLatin1(refused));
        QTest::mouseClick(results().BitBtn2, Qt::LeftButton);
        ASSERT_FALSE(dialogs->shown.empty()) << refused;
        EXPECT_EQ(dialogs->shown.back().id, MessageId::field_refused);
        EXPECT_EQ(current_page(), population_page);
    }
    population().EditSeed->setText(QStringLiteral("42"));
    form->set_active_page(Page::results);
    QTest::mouseClick(results().BitBtn2, Qt::LeftButton);
    EXPECT_EQ(form->run_control().last_seed(), 42u);
    EXPECT_EQ(results().LabelSeed->text(), QStringLiteral("Seed 42"));
}

// One seed, one run: the window's generation table is the runner's, row for
// row, for the same data, settings and seed.
TEST_F(SettingsActionsTest, WindowRunEqualsTheRunnerRunForOneSeed) {
    const QString training = QStringLiteral(VORN_DATA_DIR "/two_clouds.txt");
    const QString validation = QStringLiteral(VORN_DATA_DIR "/circle.txt");
    load_training(training);
    problem().CheckBox3->setChecked(false);
    load_validation(validation);
    population().Edit1->setText(QStringLiteral("200"));
    population().Edit2->setText(QStringLiteral("8"));
    population().EditSeed->setText(QStringLiteral("9"));
    form->set_active_page(Page::results);
    QTest::mouseClick(results().BitBtn2, Qt::LeftButton);
    ASSERT_TRUE(dialogs->messages.empty()) << dialogs->messages.front();

    QStringList window_rows;
    for (const GenerationRow& row : form->run_control().history()) {
        window_rows << QString::fromStdString(
            std::to_string(row.generation + 1) + "," + general_text(row.best_raw_fitness) + "," +
            general_text(row.validation_fitness) + "," + std::to_string(row.mean_length) + "," +
            std::to_string(row.best_length));
    }
    const QString csv = folder.filePath(QStringLiteral("runner.csv"));
    QProcess runner;
    runner.start(QStringLiteral(VORN_RUN_PATH),
                 {training, QStringLiteral("--validation"), validation,
                  QStringLiteral("--population-size"), QStringLiteral("200"),
                  QStringLiteral("--generations"), QStringLiteral("8"), QStringLiteral("--seed"),
                  QStringLiteral("9"), QStringLiteral("--quiet"), QStringLiteral("--csv"), csv});
    ASSERT_TRUE(runner.waitForFinished(60000));
    ASSERT_EQ(runner.exitCode(), 0) << runner.readAllStandardError().toStdString();
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList runner_rows = QString::fromUtf8(file.readAll()).trimmed().split(QLatin1Char('\n'));
    runner_rows.removeFirst();  // the header
    EXPECT_EQ(window_rows.size(), 8);
    EXPECT_EQ(window_rows, runner_rows);
}

// A CSV file read with chosen columns: the settings and the run record hold
// them, opening the settings reads the file without asking again, and the
// runner repeats the window's run from either.
TEST_F(SettingsActionsTest, ChosenCsvColumnsTravelWithSettingsAndRecords) {
    QByteArray csv = "class,noise,x,y\n";
    for (int i = 0; i < 40; ++i) {
        const double x = (i % 7) - 3.1;
        const double y = (i % 5) * 0.7 - 1.2;
        csv += QStringLiteral("%1,%2,%3,%4\n")
                   .arg(x * x + y * y < 3 ? "in" : "out")
                   .arg(i)
                   .arg(x)
                   .arg(y)
                   .toUtf8();
    }
    const QString data = write_file(QStringLiteral("points.csv"), csv);
    const CsvChoice chosen{2, 3, 0, "out"};  // the proposal is 2,3,1 with "in"
    dialogs->csv_answers.push_back(chosen);
    load_training(data);
    ASSERT_TRUE(form->training_csv());
    ASSERT_EQ(form->training_csv()->choice, chosen);
    population().Edit1->setText(QStringLiteral("60"));
    population().Edit2->setText(QStringLiteral("4"));
    population().EditSeed->setText(QStringLiteral("5"));
    const QString settings = folder.filePath(QStringLiteral("csv.vornsettings"));
    dialogs->files = {settings};
    menu().SaveSettings1->trigger();
    QFile file(settings);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("columns = x,y,class\n") && text.contains("positive = out\n"))
        << text.toStdString();

    TForm1 fresh(std::make_unique<ScriptedDialogs>());
    fresh.settings_actions().open_settings(settings);
    ASSERT_TRUE(fresh.training_csv());
    EXPECT_EQ(fresh.training_csv()->choice, chosen);
    const DataTable& reread = fresh.problem().StringGrid1->cells()->table();
    const DataTable& chosen_rows = problem().StringGrid1->cells()->table();
    ASSERT_EQ(reread.row_count(), chosen_rows.row_count());
    for (std::size_t row = 0; row < reread.row_count(); ++row) {
        EXPECT_EQ(reread.row_texts(row), chosen_rows.row_texts(row)) << row;
    }
    EXPECT_EQ(dialogs->csv_files.size(), 1u);  // asked once, at the first load

    form->set_active_page(Page::results);
    QTest::mouseClick(results().BitBtn2, Qt::LeftButton);
    const QString record = folder.filePath(QStringLiteral("run.json"));
    const QString table = folder.filePath(QStringLiteral("window.csv"));
    dialogs->files = {record, table};
    menu().SaveRunRecord1->trigger();
    menu().ExportGenerationTable1->trigger();
    ASSERT_TRUE(dialogs->messages.empty()) << dialogs->messages.front();
    const auto runner_output = [this](const QStringList& args) {
        QProcess runner;
        runner.start(QStringLiteral(VORN_RUN_PATH), args);
        EXPECT_TRUE(runner.waitForFinished(60000));
        EXPECT_EQ(runner.exitCode(), 0) << runner.readAllStandardError().toStdString();
        QFile out(folder.filePath(QStringLiteral("runner.csv")));
        return out.open(QIODevice::ReadOnly) ? out.readAll() : QByteArray();
    };
    runner_output({QStringLiteral("--rerun"), record});
    QFile window_table(table);
    ASSERT_TRUE(window_table.open(QIODevice::ReadOnly));
    EXPECT_EQ(
        runner_output({QStringLiteral("--settings"), settings, QStringLiteral("--quiet"),
                       QStringLiteral("--csv"), folder.filePath(QStringLiteral("runner.csv"))}),
        window_table.readAll());
}

}  // namespace
}  // namespace vorn::testing
