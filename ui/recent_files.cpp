#include "ui/recent_files.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/menus.h"
#include "ui/settings_actions.h"

namespace vorn {

namespace {

const QString settings_key = QStringLiteral("recent_files");

QString absolute(const QString& file) {
    return QFileInfo(file).absoluteFilePath();
}

}  // namespace

QStringList with_recent(QStringList files, const QString& file, int limit) {
    files.removeAll(file);
    files.prepend(file);
    while (files.size() > limit) {
        files.removeLast();
    }
    return files;
}

bool is_settings_name(const QString& file) {
    return file.endsWith(QStringLiteral(".vornsettings"), Qt::CaseInsensitive);
}

RecentFiles::RecentFiles(TForm1& form, const MainMenu& menu, Dialogs& dialogs,
                         const HandlerGuard& guard)
    : QObject(&form), form_(form), dialogs_(dialogs), guard_(guard), menu_(menu.RecentFiles1) {
    // Read once: the stored list may have been edited by hand or by another
    // version, so it is cleaned the way adding keeps it.
    const QStringList stored = QSettings().value(settings_key).toStringList();
    for (auto file = stored.crbegin(); file != stored.crend(); ++file) {
        if (!file->isEmpty()) {
            files_ = with_recent(files_, absolute(*file));
        }
    }
    fill_menu();
}

void RecentFiles::add(const QString& file) {
    files_ = with_recent(files_, absolute(file));
    changed();
}

void RecentFiles::remove(const QString& file) {
    files_.removeAll(file);
    changed();
}

void RecentFiles::open(QString file) {
    if (!QFileInfo::exists(file)) {
        remove(file);
        dialogs_.message(messages::recent_file_missing(QFile::encodeName(file).toStdString()));
        return;
    }
    if (is_settings_name(file)) {
        form_.settings_actions().open_settings(file);
    } else if (!form_.load_training_file(file)) {
        return;
    }
    add(file);
}

void RecentFiles::changed() {
    QSettings().setValue(settings_key, files_);
    fill_menu();
}

// Remakes the submenu. The old items go later, not now: the one being
// triggered may be what changed the list.
void RecentFiles::fill_menu() {
    for (QAction* old : menu_->actions()) {
        menu_->removeAction(old);
        old->deleteLater();
    }
    for (qsizetype i = 0; i < files_.size(); ++i) {
        const QString& file = files_[i];
        QString shown = QDir::toNativeSeparators(file);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* item = menu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
        item->setData(file);
        connect(item, &QAction::triggered, this, [this, file] { guard_([&] { open(file); }); });
    }
    menu_->setEnabled(!files_.isEmpty());
}

}  // namespace vorn
