// Files dropped on the window and the "Recent Files" submenu: which drops
// load what, the list kept over any sequence of opens, and a file that has
// gone from the disk.
#include <QAction>
#include <QCheckBox>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QUrl>
#include <random>

#include "tests/ui/form_fixture.h"
#include "ui/bit_button.h"
#include "ui/data_grid.h"
#include "ui/grid_model.h"
#include "ui/recent_files.h"
#include "ui/run_control.h"
#include "ui/settings_actions.h"

namespace vorn::testing {
namespace {

const QByteArray csv_text = "x,y,class\n1,2,pos\n3,4,neg\n5,6,neg\n";
const QByteArray settings_text =
    "format = vorn-settings 1\ncrossover = 0.5\nuse_training_data = false\n";

class DropRecentTest : public FormTest {
protected:
    // A drag entering `target` and, when it is taken, the drop; the events the
    // drop queued run before this returns. True when the drop was taken.
    static bool drop(QWidget* target, const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint point(5, 5);
        QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent dropped(point, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &dropped);
        QCoreApplication::processEvents();
        return dropped.isAccepted();
    }

    [[nodiscard]] QWidget* training_grid() const { return problem().StringGrid1->viewport(); }
    [[nodiscard]] QWidget* validation_grid() const { return problem().StringGrid2->viewport(); }
    [[nodiscard]] const QStringList& recent() const { return form->recent_files().files(); }

    [[nodiscard]] QStringList recent_items() const {
        QStringList files;
        for (const QAction* item : menu().RecentFiles1->actions()) {
            files << item->data().toString();
        }
        return files;
    }

    void open_recent(const QString& file) const {
        for (QAction* item : menu().RecentFiles1->actions()) {
            if (item->data().toString() == file) {
                item->trigger();
                QCoreApplication::processEvents();
                return;
            }
        }
        ADD_FAILURE() << "not in Recent Files: " << file.toStdString();
    }
};

TEST_F(DropRecentTest, DropsLoadOnlyWhereAndWhenTheyMay) {
    enum class Where { training, validation, window };
    enum class Effect { nothing, training, validation, settings, refused };
    struct Case {
        const char* what;
        Where where;
        QStringList files;  // names in the test folder; "http:" marks a remote one
        bool validation_enabled;
        bool during_run;
        Effect effect;
    };
    const Case cases[] = {
        {"data on the training grid", Where::training, {"d.txt"}, false, false, Effect::training},
        {"CSV on the training grid", Where::training, {"d.csv"}, false, false, Effect::training},
        {"bad data on the training grid",
         Where::training,
         {"bad.txt"},
         false,
         false,
         Effect::refused},
        {"data on the enabled validation grid",
         Where::validation,
         {"d.txt"},
         true,
         false,
         Effect::validation},
        {"data on the disabled validation grid",
         Where::validation,
         {"d.txt"},
         false,
         false,
         Effect::nothing},
        {"settings on the window",
         Where::window,
         {"s.vornsettings"},
         false,
         false,
         Effect::settings},
        {"settings on a grid", Where::training, {"s.vornsettings"}, false, false, Effect::settings},
        {"data on the window", Where::window, {"d.txt"}, false, false, Effect::nothing},
        {"two files", Where::training, {"d.txt", "d.csv"}, false, false, Effect::nothing},
        {"a remote file", Where::training, {"http:"}, false, false, Effect::nothing},
        {"data during a run", Where::training, {"d.txt"}, false, true, Effect::nothing},
        {"settings during a run", Where::window, {"s.vornsettings"}, false, true, Effect::nothing},
    };
    write_file(QStringLiteral("d.txt"), data_rows(5));
    write_file(QStringLiteral("d.csv"), csv_text);
    write_file(QStringLiteral("bad.txt"), "1 2 3\n");
    write_file(QStringLiteral("s.vornsettings"), settings_text);
    const QString running_data = write_file(QStringLiteral("run.txt"), data_rows(20));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QSettings().remove(QStringLiteral("recent_files"));
        auto scripted = std::make_unique<ScriptedDialogs>();
        ScriptedDialogs& shown = *scripted;
        TForm1 fresh(std::move(scripted));
        fresh.problem().CheckBox3->setChecked(!c.validation_enabled);
        QWidget* target = c.where == Where::window     ? static_cast<QWidget*>(&fresh)
                          : c.where == Where::training ? fresh.problem().StringGrid1->viewport()
                                                       : fresh.problem().StringGrid2->viewport();
        QList<QUrl> urls;
        for (const QString& name : c.files) {
            urls << (name == "http:" ? QUrl(QStringLiteral("http://example.org/d.txt"))
                                     : QUrl::fromLocalFile(folder.filePath(name)));
        }
        std::optional<bool> taken;
        if (c.during_run) {
            ASSERT_TRUE(fresh.load_training_file(running_data));
            fresh.population().Edit1->setText(QStringLiteral("20"));
            fresh.population().Edit2->setText(QStringLiteral("2"));
            fresh.run_control().seed = 3;
            fresh.run_control().generation_hook = [&](const GenerationReport&) {
                if (!taken) {
                    taken = drop(target, urls);
                }
            };
            fresh.results().BitBtn2->click();
        } else {
            taken = drop(target, urls);
        }
        ASSERT_TRUE(taken.has_value());
        EXPECT_EQ(*taken, c.effect != Effect::nothing);
        const QString file = urls.size() == 1 ? urls.front().toLocalFile() : QString();
        EXPECT_EQ(fresh.training_file(), c.effect == Effect::training ? file
                                         : c.during_run               ? running_data
                                                                      : QString());
        EXPECT_EQ(fresh.validation_file(), c.effect == Effect::validation ? file : QString());
        EXPECT_EQ(fresh.parameter_texts()[ParamId::crossover_rate] == "0.5",
                  c.effect == Effect::settings);
        // The checks and the CSV dialog are Load's own.
        EXPECT_EQ(shown.csv_files.size(),
                  c.effect != Effect::nothing && file.endsWith(".csv") ? 1U : 0U);
        ASSERT_EQ(shown.shown.size(), c.effect == Effect::refused ? 1U : 0U);
        if (c.effect == Effect::refused) {
            EXPECT_EQ(shown.shown[0].id, MessageId::data_file_refused);
        }
        const bool opened = c.effect != Effect::nothing && c.effect != Effect::refused;
        EXPECT_EQ(fresh.recent_files().files(), opened ? QStringList{file} : QStringList{});
    }
    EXPECT_TRUE(QFile::exists(folder.filePath(QString::fromLatin1(record_file_name))));
}

// Every road that opens a file keeps the list most recent first, without
// repeats, at most 8 long, stored, and shown in the submenu.
TEST_F(DropRecentTest, RecentFilesFollowAnySequenceOfOpens) {
    EXPECT_FALSE(menu().RecentFiles1->isEnabled());
    QStringList files;
    for (int i = 0; i < 12; ++i) {
        files << (i % 3 == 0 ? write_file(QStringLiteral("s%1.vornsettings").arg(i), settings_text)
                             : write_file(QStringLiteral("d%1.txt").arg(i), data_rows(i + 1)));
    }
    form->problem().CheckBox3->setChecked(false);
    std::mt19937 random(20261209);
    QStringList expected;
    for (int step = 0; step < 150; ++step) {
        const QString& file = files[static_cast<qsizetype>(random() % 12U)];
        const bool settings = is_settings_name(file);
        const unsigned road = random() % 4;
        SCOPED_TRACE(
            QStringLiteral("step %1, road %2, %3").arg(step).arg(road).arg(file).toStdString());
        if (road == 0 && expected.contains(file)) {
            open_recent(file);
        } else if (road == 1) {
            EXPECT_TRUE(drop(settings || random() % 2 ? training_grid() : validation_grid(),
                             {QUrl::fromLocalFile(file)}));
        } else if (settings) {
            dialogs->files.push_back(file);
            menu().OpenSettings1->trigger();
        } else {
            road == 2 ? load_training(file) : load_validation(file);
        }
        expected.removeAll(file);
        expected.prepend(file);
        if (expected.size() > recent_files_limit) {
            expected.removeLast();
        }
        ASSERT_EQ(recent(), expected);
    }
    ASSERT_TRUE(dialogs->messages.empty()) << dialogs->messages.front();
    QCoreApplication::processEvents();
    EXPECT_EQ(recent_items(), expected);
    EXPECT_TRUE(menu().RecentFiles1->isEnabled());
    EXPECT_EQ(QSettings().value(QStringLiteral("recent_files")).toStringList(), expected);
    TForm1 later(std::make_unique<ScriptedDialogs>());
    EXPECT_EQ(later.recent_files().files(), expected);
}

TEST_F(DropRecentTest, RecentItemsOpenByKindAndAMissingFileLeavesTheList) {
    const QString data = write_file(QStringLiteral("d.txt"), data_rows(4));
    const QString csv = write_file(QStringLiteral("d.csv"), csv_text);
    const QString settings = write_file(QStringLiteral("s.vornsettings"), settings_text);
    const QString gone = write_file(QStringLiteral("gone.txt"), data_rows(2));
    for (const QString& file : {gone, settings, csv, data}) {
        form->recent_files().add(file);
    }
    // A data file opens as training data, even one loaded for validation.
    open_recent(data);
    EXPECT_EQ(form->training_file(), data);
    // A CSV file asks for its columns again; a cancelled choice changes nothing.
    dialogs->csv_answers = {std::nullopt};
    open_recent(csv);
    EXPECT_EQ(dialogs->csv_files.size(), 1U);
    EXPECT_EQ(form->training_file(), data);
    EXPECT_EQ(recent(), QStringList({data, csv, settings, gone}));
    open_recent(settings);
    EXPECT_EQ(form->parameter_texts()[ParamId::crossover_rate], "0.5");
    EXPECT_EQ(recent(), QStringList({settings, data, csv, gone}));
    ASSERT_TRUE(dialogs->messages.empty()) << dialogs->messages.front();

    ASSERT_TRUE(QFile::remove(gone));
    open_recent(gone);
    ASSERT_EQ(dialogs->shown.size(), 1U);
    EXPECT_EQ(dialogs->shown[0].id, MessageId::recent_file_missing);
    EXPECT_EQ(dialogs->messages[0],
              messages::recent_file_missing(QFile::encodeName(gone).toStdString()).text);
    EXPECT_EQ(dialogs->messages[0],
              "\"" + gone.toStdString() + "\" no longer exists and was removed from Recent Files.");
    EXPECT_EQ(recent(), QStringList({settings, data, csv}));
    EXPECT_EQ(recent_items(), recent());
}

}  // namespace
}  // namespace vorn::testing
