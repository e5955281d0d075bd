// Labelled CSV files under "Load": the columns asked through the dialogs
// seam, the training file's choice by header name for the run and the
// validation file, cancelling, refusals, and the dialog itself.
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

#include "engine/program_io.h"
#include "problem/data_file.h"
#include "tests/ui/form_fixture.h"
#include "ui/bit_button.h"
#include "ui/csv_dialog.h"
#include "ui/data_files.h"
#include "ui/data_grid.h"
#include "ui/grid_model.h"

namespace vorn::testing {
namespace {

using CsvLoading = FormTest;

// Two positives and four negatives, with the rows of the equivalent data file.
const QByteArray unequal_csv =
    "x,y,class\r\n"
    "0.1,-3.14159265,pos\r\n"
    "1234567,0.0000015,neg\r\n"
    "2.5,1e-3,neg\r\n"
    "\"-7\",8,pos\r\n"
    "0.30000001,4e5,neg\r\n"
    "9,10,neg\r\n";
const QByteArray equivalent_data =
    "0.1 -3.14159265 1234567 0.0000015\n"
    "-7 8 2.5 1e-3\n"
    "0.1 -3.14159265 0.30000001 4e5\n"
    "-7 8 9 10\n";

TEST_F(CsvLoading, ChosenColumnsFillTheGridAsTheEquivalentDataFile) {
    const QString csv = write_file(QStringLiteral("set.CSV"), unequal_csv);
    // The proposal: the first two columns, the last, the first row's label.
    load_training(csv);
    ASSERT_TRUE(dialogs->messages.empty()) << dialogs->messages[0];
    ASSERT_EQ(dialogs->csv_proposals.size(), 1U);
    EXPECT_EQ(dialogs->csv_proposals[0], (CsvChoice{0, 1, 2, "pos"}));
    EXPECT_EQ(dialogs->csv_files[0], QFile::encodeName(csv).toStdString());
    EXPECT_TRUE(form->training_loaded);
    const DataTable expected(parse_data_text(equivalent_data.toStdString(), "d.txt"));
    EXPECT_EQ(problem().StringGrid1->cells()->table(), expected);
    EXPECT_EQ(problem().StringGrid1->cells()->cell(1, 0), "-3.14159");
    EXPECT_EQ(problem().StringGrid1->cells()->cell(2, 0), "1.23457E6");
    EXPECT_EQ(problem().StringGrid1->cells()->cell(0, 3), "-7");
    EXPECT_TRUE(QFileInfo::exists(folder.filePath(QStringLiteral("vorn_reg.cnf"))));
}

// A headered training file's choice goes by name into the run, so the saved
// program carries the names, its inputs take them unless the fields were
// changed, and Score Program reads by them; a validation file is read by it
// without asking, swapped columns matched by name, and one whose header
// lacks a column is refused.
TEST_F(CsvLoading, TheTrainingChoiceTravelsByHeaderName) {
    // The rows of "kind,width,height" with the fields in the order of `order`.
    const auto rows = [](std::array<int, 3> order) {
        QByteArray text;
        for (int i = -1; i < 30; ++i) {
            const std::array<QByteArray, 3> fields =
                i < 0 ? std::array<QByteArray, 3>{"kind", "width", "height"}
                      : std::array<QByteArray, 3>{i % 3 ? "a" : "b", QByteArray::number(i * 0.5),
                                                  QByteArray::number(i % 7)};
            text += fields[order[0]] + ',' + fields[order[1]] + ',' + fields[order[2]] + '\n';
        }
        return text;
    };
    const QString training = write_file(QStringLiteral("train.csv"), rows({0, 1, 2}));
    const QString swapped = write_file(QStringLiteral("swapped.csv"), rows({2, 0, 1}));
    dialogs->csv_answers.emplace_back(CsvChoice{1, 2, 0, "a"});  // not the first row's label
    load_training(training);
    form->problem().CheckBox3->setChecked(false);
    load_validation(swapped);
    ASSERT_TRUE(dialogs->messages.empty()) << dialogs->messages[0];
    EXPECT_EQ(dialogs->csv_proposals.size(), 1U);
    EXPECT_EQ(problem().StringGrid2->cells()->table(), problem().StringGrid1->cells()->table());

    population().Edit1->setText(QStringLiteral("20"));
    population().Edit2->setText(QStringLiteral("3"));
    form->set_active_page(Page::results);
    QTest::mouseClick(results().BitBtn2, Qt::LeftButton);
    const QString saved = folder.filePath(QStringLiteral("best.json"));
    dialogs->files = {saved, saved, training, saved, swapped};
    menu().SaveBestProgram1->trigger();
    const Program program = load_program_file(local_path(saved));
    EXPECT_EQ(program.provenance["columns"], "width,height,kind");
    EXPECT_EQ(program.provenance["positive"], "a");
    EXPECT_EQ(program.input1_name + "," + program.input2_name, "width,height");
    menu().ScoreProgram1->trigger();
    menu().ScoreProgram1->trigger();
    ASSERT_EQ(dialogs->messages.size(), 2U);
    const auto figures = [](const std::string& line) { return line.substr(line.find(" rows=")); };
    EXPECT_EQ(figures(dialogs->messages[1]), figures(dialogs->messages[0]));

    problem().Edit16->setText(QStringLiteral("u"));
    EXPECT_EQ(form->run_plan().texts[ParamId::input1_name], "u");
    EXPECT_EQ(form->run_plan().texts[ParamId::input2_name], "y");

    dialogs->messages.clear();
    dialogs->shown.clear();
    load_validation(write_file(QStringLiteral("narrow.csv"), "kind,width,depth\nb,1,2\na,3,4\n"));
    ASSERT_EQ(dialogs->shown.size(), 1U);
    EXPECT_EQ(dialogs->shown[0].id, MessageId::data_file_refused);
    EXPECT_NE(dialogs->messages[0].find("no column is named \"height\""), std::string::npos)
        << dialogs->messages[0];
    EXPECT_EQ(form->validation_file(), swapped);
    EXPECT_EQ(dialogs->csv_proposals.size(), 1U);
}

TEST_F(CsvLoading, CancelChangesNothing) {
    load_training(write_file(QStringLiteral("plain.txt"), data_rows(5)));
    const DataTable before = problem().StringGrid1->cells()->table();
    QFile record(folder.filePath(QStringLiteral("vorn_reg.cnf")));
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    const QByteArray recorded = record.readAll();
    record.close();
    dialogs->csv_answers.emplace_back(std::nullopt);
    load_training(write_file(QStringLiteral("set.csv"), unequal_csv));
    EXPECT_EQ(dialogs->csv_proposals.size(), 1U);
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_EQ(problem().StringGrid1->cells()->table(), before);
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    EXPECT_EQ(record.readAll(), recorded);

    form->problem().CheckBox3->setChecked(false);
    dialogs->csv_answers.emplace_back(std::nullopt);
    load_validation(folder.filePath(QStringLiteral("set.csv")));
    EXPECT_FALSE(form->validation_loaded);
    EXPECT_EQ(problem().StringGrid2->row_count(), StringGrid::default_row_count);
}

TEST_F(CsvLoading, RefusalsAreShownAsDataFileRefusalsAndChangeNothing) {
    load_training(write_file(QStringLiteral("plain.txt"), data_rows(5)));
    const DataTable before = problem().StringGrid1->cells()->table();
    struct Case {
        const char* what;
        QByteArray content;
        std::optional<CsvChoice> answer;  // none: the dialog is not reached
        std::string message;
    };
    const Case cases[] = {
        {"unclosed quote", "x,y,c\n1,2,\"a\n", std::nullopt,
         ", line 2: column 3: a quoted field is not closed"},
        {"text as y", "x,y,c\n1,2,a\n3,b,c\n", CsvChoice{0, 1, 2, "a"},
         ", line 3: column 2 (\"y\"): \"b\" is not a number."},
        {"one class", "x,y,c\n1,2,a\n3,4,a\n", CsvChoice{0, 1, 2, "a"},
         ": every data row has the positive label \"a\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs->messages.clear();
        dialogs->csv_proposals.clear();
        if (c.answer) {
            dialogs->csv_answers.push_back(c.answer);
        }
        const QString path = write_file(QStringLiteral("bad.csv"), c.content);
        load_training(path);
        EXPECT_EQ(dialogs->csv_proposals.size(), c.answer ? 1U : 0U);
        ASSERT_FALSE(dialogs->shown.empty());
        EXPECT_EQ(dialogs->shown.back().id, MessageId::data_file_refused);
        ASSERT_EQ(dialogs->messages.size(), 1U);
        EXPECT_TRUE(
            dialogs->messages[0].starts_with(QFile::encodeName(path).toStdString() + c.message))
            << dialogs->messages[0];
        EXPECT_EQ(problem().StringGrid1->cells()->table(), before);
    }
}

// The dialog proposes, counts as the choice changes, and refuses to accept a
// choice that cannot be paired.
TEST(CsvDialog, CountsFollowTheChoice) {
    const CsvTable table =
        parse_csv_text("id,u,v,kind\n1,0.5,0.25,in\n2,1,2,out\n3,4,5,out\n4,6,7,other\n", "d.csv");
    CsvDialog dialog(table, default_csv_choice(table), nullptr);
    EXPECT_EQ(dialog.x_box->currentText(), "id (column 1)");
    EXPECT_EQ(dialog.y_box->currentText(), "u (column 2)");
    EXPECT_EQ(dialog.label_box->currentText(), "kind (column 4)");
    EXPECT_EQ(dialog.positive_box->currentText(), "in");
    EXPECT_EQ(dialog.positive_box->count(), 3);
    EXPECT_EQ(dialog.counts_text(), "1 positive, 3 negative \u2192 3 rows, positives cycled");
    EXPECT_TRUE(dialog.acceptable());
    EXPECT_FALSE(dialog.findChild<QLabel*>(QStringLiteral("pairing_note"))->text().isEmpty());

    dialog.x_box->setCurrentIndex(1);
    dialog.y_box->setCurrentIndex(2);
    dialog.positive_box->setCurrentText(QStringLiteral("out"));
    EXPECT_EQ(dialog.choice(), (CsvChoice{1, 2, 3, "out"}));
    EXPECT_EQ(dialog.counts_text(), "2 positive, 2 negative \u2192 2 rows");

    // A label no row has: the reason instead of the counts, and no OK.
    dialog.positive_box->setCurrentText(QStringLiteral("none"));
    EXPECT_FALSE(dialog.acceptable());
    EXPECT_NE(dialog.counts_text().indexOf(QStringLiteral("No data row has the positive label")),
              -1);
    // A new label column proposes its first label.
    dialog.label_box->setCurrentIndex(0);
    EXPECT_EQ(dialog.positive_box->currentText(), "1");
    EXPECT_EQ(dialog.counts_text(), "1 positive, 3 negative \u2192 3 rows, positives cycled");
    dialog.y_box->setCurrentIndex(3);
    EXPECT_EQ(dialog.counts_text(), "Line 2: column 4 (\"kind\"): \"in\" is not a number.");
    EXPECT_FALSE(dialog.acceptable());
    dialog.y_box->setCurrentIndex(0);
    EXPECT_EQ(dialog.counts_text(), "The x, y and label columns must all differ.");
    EXPECT_FALSE(dialog.acceptable());
}

}  // namespace
}  // namespace vorn::testing
