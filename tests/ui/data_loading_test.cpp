// Loading data files into the grids, the record file, Clear and the
// validation switch.
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QScatterSeries>
#include <QStandardPaths>

#include "tests/ui/form_fixture.h"
#include "ui/data_files.h"
#include "ui/data_grid.h"
#include "ui/graph_form.h"
#include "ui/grid_model.h"

namespace vorn::testing {
namespace {

QString read_all(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("<missing>");
    }
    return QString::fromUtf8(file.readAll());
}

using DataLoading = FormTest;

TEST_F(DataLoading, FileShapesGiveOneRowPerRecord) {
    struct Case {
        const char* what;
        QByteArray content;
        int rows;
    };
    const Case cases[] = {
        {"120 tab-separated lines", data_rows(120), 120},
        {"no final line break", data_rows(7, "\t", false), 7},
        {"blank-separated", "0.5 0.25 -0.5 -0.25\n1 2 3 4\n", 2},
        {"empty lines between", "1\t2\t3\t4\n\n5\t6\t7\t8\n\n", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        load_training(write_file(QStringLiteral("data.txt"), c.content));
        EXPECT_TRUE(dialogs->messages.empty());
        EXPECT_EQ(problem().StringGrid1->row_count(), c.rows);
    }
    EXPECT_EQ(problem().StringGrid1->cells()->cell(0, 0), "1");
    EXPECT_EQ(problem().StringGrid1->cells()->cell(3, 1), "8");
    EXPECT_TRUE(form->training_loaded);
}

TEST_F(DataLoading, CellsShowSixSignificantDigitsAndAShorterFileReplacesAll) {
    load_training(write_file(QStringLiteral("long.txt"), data_rows(120)));
    ASSERT_EQ(problem().StringGrid1->row_count(), 120);
    load_training(write_file(QStringLiteral("short.txt"),
                             "0.1\t-3.14159265\t1234567\t0.0000015\n" + data_rows(9)));
    const CellGridModel* cells = problem().StringGrid1->cells();
    EXPECT_EQ(cells->rowCount(), 10);
    EXPECT_EQ(cells->cell(0, 0), "0.1");
    EXPECT_EQ(cells->cell(1, 0), "-3.14159");
    EXPECT_EQ(cells->cell(2, 0), "1.23457E6");
    EXPECT_EQ(cells->cell(3, 0), "1.5E-6");
    EXPECT_EQ(cells->cell(3, 9), "8.25");
    // What the grid shows is what the view reads.
    EXPECT_EQ(problem().StringGrid1->model()->index(0, 1).data().toString(), "-3.14159");
}

// At the default window size every six-digit cell text fits its column, in
// the font the grid uses, with the margins the cells keep.
TEST_F(DataLoading, SixDigitTextsFitTheirColumnsAtTheDefaultSize) {
    ASSERT_EQ(form->size(), QSize(TForm1::default_width, TForm1::default_height));
    for (const StringGrid* grid : {problem().StringGrid1, problem().StringGrid2}) {
        const QFontMetrics metrics(grid->font());
        EXPECT_GE(grid->font().pixelSize(), 8) << "legible";
        for (const char* text :
             {"-0.301234", "-1.23457E-5", "-888888", StringGrid::widest_cell_text}) {
            for (int column = 0; column < CellGridModel::column_count; ++column) {
                EXPECT_LE(
                    metrics.horizontalAdvance(QString::fromLatin1(text)) + 2 * grid->text_margin(),
                    grid->columnWidth(column))
                    << grid->objectName().toStdString() << " " << text;
            }
        }
    }
}

TEST_F(DataLoading, TrainingLoadRecordsTheFileBesideIt) {
    QDir(folder.path()).mkdir(QStringLiteral("sets"));
    const QString first = write_file(QStringLiteral("sets/first.txt"), data_rows(3));
    const QString second = write_file(QStringLiteral("sets/second.txt"), data_rows(4));
    const QString record = folder.filePath(QStringLiteral("sets/vorn_reg.cnf"));
    // Beside the data, not in the process's current folder.
    const QString current_record = QDir::current().filePath(QStringLiteral("vorn_reg.cnf"));
    const QString current_before = read_all(current_record);
    load_training(first);
    EXPECT_EQ(read_all(record), "[Training Data] " + QFileInfo(first).absoluteFilePath() + "\n");
    load_training(second);
    EXPECT_EQ(read_all(record), "[Training Data] " + QFileInfo(second).absoluteFilePath() + "\n");
    // A validation load leaves the record alone.
    form->problem().CheckBox3->setChecked(false);
    load_validation(first);
    EXPECT_EQ(read_all(record), "[Training Data] " + QFileInfo(second).absoluteFilePath() + "\n");
    EXPECT_EQ(read_all(current_record), current_before);
    EXPECT_TRUE(dialogs->messages.empty());
}

// Data loaded from the installed data folder leaves the installation alone:
// the record goes to the user's configuration folder.
TEST_F(DataLoading, RecordOfInstalledDataGoesToTheConfigurationFolder) {
    QDir(folder.path()).mkdir(QStringLiteral("installed"));
    const QString data = write_file(QStringLiteral("installed/circle.txt"), data_rows(3));
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    const QString written = write_record_file(data, QStringLiteral("vorn_reg.cnf"),
                                              folder.filePath(QStringLiteral("installed")));
    EXPECT_EQ(written, QDir(config).filePath(QStringLiteral("vorn_reg.cnf")));
    EXPECT_EQ(read_all(written), "[Training Data] " + QFileInfo(data).absoluteFilePath() + "\n");
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("installed/vorn_reg.cnf"))));
    QFile::remove(written);
}

TEST_F(DataLoading, UnwritableRecordIsSkippedSilently) {
    // A folder in the record's place cannot be opened as a file.
    QDir(folder.path()).mkdir(QStringLiteral("vorn_reg.cnf"));
    load_training(write_file(QStringLiteral("data.txt"), data_rows(5)));
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_EQ(problem().StringGrid1->row_count(), 5);
    EXPECT_TRUE(form->training_loaded);
}

TEST_F(DataLoading, RecordReplacesASymlinkAndNeverTheLoadedFile) {
    // A link planted under the record's name: the load must not write through it.
    const QString target = write_file(QStringLiteral("precious.txt"), "keep me\n");
    ASSERT_TRUE(QFile::link(target, folder.filePath(QStringLiteral("vorn_reg.cnf"))));
    const QString data = write_file(QStringLiteral("data.txt"), data_rows(5));
    load_training(data);
    EXPECT_EQ(read_all(target), "keep me\n");
    const QFileInfo record(folder.filePath(QStringLiteral("vorn_reg.cnf")));
    EXPECT_FALSE(record.isSymLink());
    EXPECT_EQ(read_all(record.filePath()),
              "[Training Data] " + QFileInfo(data).absoluteFilePath() + "\n");

    // Data in a file of the record's name loads, and stays as it was.
    const QString named_like_record = record.filePath();
    QFile::remove(named_like_record);
    write_file(QStringLiteral("vorn_reg.cnf"), data_rows(7));
    load_training(named_like_record);
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_EQ(problem().StringGrid1->row_count(), 7);
    EXPECT_EQ(read_all(named_like_record), QString::fromUtf8(data_rows(7)));
    EXPECT_TRUE(form->training_loaded);
}

TEST_F(DataLoading, MessagesShowControlCharactersInNamesEscaped) {
    const QString bad = write_file(QStringLiteral("bad\n\x1b[2Jname.txt"), "1 2 three 4\n");
    load_training(bad);
    ASSERT_EQ(dialogs->messages.size(), 1U);
    const std::string& shown = dialogs->messages[0];
    EXPECT_NE(shown.find("bad\\x0A\\x1B[2Jname.txt, line 1: "), std::string::npos) << shown;
    EXPECT_EQ(shown.find('\n'), std::string::npos);
    EXPECT_EQ(shown.find('\x1b'), std::string::npos);
}

TEST_F(DataLoading, RefusedFilesChangeNothing) {
    const QString good = write_file(QStringLiteral("good.txt"), data_rows(12));
    load_training(good);
    const QString record = folder.filePath(QStringLiteral("vorn_reg.cnf"));
    const QString recorded = read_all(record);
    struct Case {
        const char* what;
        QByteArray content;
    };
    const Case cases[] = {
        {"header line", "x1 y1 x2 y2\n1 2 3 4\n"},
        {"missing number", "1 2 3 4\n5 6 7\n"},
        {"text token", "1 2 three 4\n"},
        {"empty file", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs->messages.clear();
        load_training(write_file(QStringLiteral("bad.txt"), c.content));
        ASSERT_EQ(dialogs->messages.size(), 1U);
        EXPECT_NE(dialogs->messages[0].find("bad.txt"), std::string::npos) << dialogs->messages[0];
        EXPECT_EQ(problem().StringGrid1->row_count(), 12);
        EXPECT_EQ(problem().StringGrid1->cells()->cell(1, 11), "5.5");
        EXPECT_EQ(read_all(record), recorded);
    }
    // Nothing loaded yet on the validation side, and a refusal keeps it so.
    problem().CheckBox3->setChecked(false);
    dialogs->messages.clear();
    load_validation(folder.filePath(QStringLiteral("no such file.txt")));
    EXPECT_EQ(dialogs->messages.size(), 1U);
    EXPECT_FALSE(form->validation_loaded);
    EXPECT_EQ(problem().StringGrid2->row_count(), 100);
}

TEST_F(DataLoading, CancelChangesNothingAndTheDialogProposesTheLastFile) {
    dialogs->files.push_back(QString());
    QTest::mouseClick(problem().BitBtn3, Qt::LeftButton);
    EXPECT_FALSE(form->training_loaded);
    EXPECT_EQ(problem().StringGrid1->row_count(), 100);
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("vorn_reg.cnf"))));

    const QString path = write_file(QStringLiteral("data.txt"), data_rows(3));
    load_training(path);
    problem().CheckBox3->setChecked(false);
    dialogs->files.push_back(QString());
    QTest::mouseClick(problem().BitBtn4, Qt::LeftButton);
    ASSERT_EQ(dialogs->proposals.size(), 3U);
    EXPECT_TRUE(dialogs->proposals[0].isEmpty());
    EXPECT_EQ(dialogs->proposals[2], path);
    EXPECT_FALSE(form->validation_loaded);
}

TEST_F(DataLoading, ClearEmptiesTheCellsKeepsRowsFlagAndOtherSeries) {
    load_training(write_file(QStringLiteral("train.txt"), data_rows(6)));
    problem().CheckBox3->setChecked(false);
    load_validation(write_file(QStringLiteral("valid.txt"), data_rows(4)));
    QTest::mouseClick(problem().Button2, Qt::LeftButton);
    TGraphForm* graph = form->graph_form();

    QTest::mouseClick(problem().Button1, Qt::LeftButton);
    EXPECT_EQ(problem().StringGrid1->row_count(), 6);
    const DataTable& cleared = problem().StringGrid1->cells()->table();
    for (std::size_t r = 0; r < cleared.row_count(); ++r) {
        for (const std::string& text : cleared.row_texts(r)) {
            EXPECT_TRUE(text.empty());
        }
    }
    EXPECT_TRUE(form->training_loaded);
    EXPECT_EQ(graph->series(0)->count(), 0);
    EXPECT_EQ(graph->series(1)->count(), 4);
    EXPECT_EQ(problem().StringGrid2->cells()->cell(0, 3), "3");

    QTest::mouseClick(problem().Button3, Qt::LeftButton);
    EXPECT_EQ(problem().StringGrid2->row_count(), 4);
    EXPECT_TRUE(problem().StringGrid2->cells()->cell(0, 3).empty());
    EXPECT_EQ(graph->series(1)->count(), 0);
    EXPECT_EQ(graph->series(2)->count(), 6);
    EXPECT_TRUE(form->validation_loaded);
}

TEST_F(DataLoading, UseTrainingDataSwitchesTheFiveValidationControls) {
    const auto validation_controls_enabled = [this](bool expected) {
        for (QWidget* control : std::initializer_list<QWidget*>{
                 problem().BitBtn4, problem().Label17, problem().Label23, problem().StringGrid2}) {
            EXPECT_EQ(control->isEnabled(), expected) << control->objectName().toStdString();
        }
        EXPECT_EQ(menu().Load1->isEnabled(), expected);
        EXPECT_TRUE(problem().Button3->isEnabled());
    };
    QCheckBox* box = problem().CheckBox3;
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    ASSERT_FALSE(box->isChecked());
    validation_controls_enabled(true);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    validation_controls_enabled(false);
}

// Loaded cells are floats whose texts the grid makes as it shows them; a cell
// typed into keeps its text, and Start reads that text.
TEST_F(DataLoading, OnlyACellTypedIntoKeepsAText) {
    load_training(write_file(QStringLiteral("data.txt"), "0.1\t-3.14159265\t1234567\t2\n"));
    StringGrid* grid = problem().StringGrid1;
    const DataTable& table = grid->cells()->table();
    EXPECT_EQ(table.edited_count(), 0U);
    EXPECT_EQ(grid->model()->index(0, 2).data().toString(), "1.23457E6");
    click_tab(problem_page);
    // A click on the cell, then keys: the first opens the editor.
    const auto type_into = [&](int column, const QString& text) {
        const QModelIndex index = grid->model()->index(0, column);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
        for (const QChar c : text) {
            QTest::keyClick(form->focusWidget(), c.toLatin1());
        }
        QTest::keyClick(form->focusWidget(), Qt::Key_Return);
        QApplication::processEvents();  // Return commits through a queued call
    };
    type_into(1, QStringLiteral("-3.1415926"));
    EXPECT_EQ(table.edited_count(), 1U);
    EXPECT_EQ(grid->model()->index(0, 1).data().toString(), "-3.1415926");
    EXPECT_EQ(form->grid_cells().training->value(0, 1), -3.1415926);
    EXPECT_EQ(form->grid_cells().training->value(0, 2), 1234570.0);
    type_into(1, QStringLiteral("-3.14159"));
    EXPECT_EQ(table.edited_count(), 0U);
}

// A big file loads without building a widget per cell.
// (vorn-bench times it.)
TEST_F(DataLoading, HundredThousandRowsLoad) {
    const QString path = write_file(QStringLiteral("big.txt"), data_rows(100000));
    load_training(path);
    QApplication::processEvents();
    EXPECT_EQ(problem().StringGrid1->row_count(), 100000);
}

}  // namespace
}  // namespace vorn::testing
