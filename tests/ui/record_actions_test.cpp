// Run records from the window: the record describes the run as it started,
// whatever is edited afterwards.
#include <QAbstractItemModel>
#include <QAction>
#include <algorithm>

#include "engine/program_io.h"
#include "engine/run_record.h"
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
};

bool same_rows(const std::vector<GenerationRow>& a, const std::vector<GenerationRow>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.generation == y.generation && x.validation_fitness == y.validation_fitness &&
               x.best_raw_fitness == y.best_raw_fitness && x.mean_length == y.mean_length &&
               x.best_length == y.best_length;
    });
}

// Texts edited after the run do not reach its record; a typed-in cell is
// recorded as such and changes the cells' hash; the item waits for a run's end.
TEST_F(RecordActionsTest, RecordDescribesTheRunAsItStarted) {
    const QString training = write_file(QStringLiteral("train.txt"), data_rows(20));
    load_training(training);
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
    EXPECT_EQ(first.seed, 7u);
    for (const Parameter& row : parameter_table()) {
        if (!row.settings_key.empty()) {
            EXPECT_EQ(first.texts[row.id], started[row.id]) << row.settings_key;
        }
    }
    ASSERT_EQ(first.data.size(), 1u);
    EXPECT_EQ(first.data[0].role, "training");
    EXPECT_EQ(first.data[0].sha256, sha256_of_file(local_path(training)));
    EXPECT_TRUE(same_rows(first.generations, run.history()));
    EXPECT_FALSE(first.grid_edited);

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
    EXPECT_EQ(edited.texts[ParamId::population_size], "30");
}

}  // namespace
}  // namespace vorn::testing
