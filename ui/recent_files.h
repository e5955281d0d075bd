#pragma once
// "Recent Files": the data and settings files opened last, most recent
// first, kept in the user's settings and offered again in the File menu.
#include <QObject>
#include <QStringList>

#include "ui/handler_guard.h"

class QMenu;

namespace vorn {

class Dialogs;
class TForm1;
struct MainMenu;

inline constexpr int recent_files_limit = 8;

// `files` with `file` put first, an earlier entry of it dropped, and cut to `limit`.
[[nodiscard]] QStringList with_recent(QStringList files, const QString& file,
                                      int limit = recent_files_limit);

// A settings file by its name (.vornsettings, any case); any other file is data.
[[nodiscard]] bool is_settings_name(const QString& file);

class RecentFiles final : public QObject {
    Q_OBJECT
public:
    RecentFiles(TForm1& form, const MainMenu& menu, Dialogs& dialogs, const HandlerGuard& guard);

    // Puts a file just opened first; a relative name is made absolute.
    void add(const QString& file);
    [[nodiscard]] const QStringList& files() const { return files_; }
    // Opens a listed file: a settings file as settings, any other as training
    // data. A file gone from the disk leaves the list with a message. Taken
    // by value: the name may be one of files(), which this changes.
    void open(QString file);

private:
    void remove(const QString& file);
    void changed();  // stores the list and shows it
    void fill_menu();

    TForm1& form_;
    Dialogs& dialogs_;
    HandlerGuard guard_;
    QMenu* menu_;
    QStringList files_;
};

}  // namespace vorn
