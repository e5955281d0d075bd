#pragma once
// "Open Settings…" and "Save Settings…": the window's parameter texts and
// data files to and from a settings file.
#include <QObject>
#include <QString>

#include "ui/handler_guard.h"

namespace vorn {

class Dialogs;
class TForm1;
struct MainMenu;

class SettingsActions final : public QObject {
    Q_OBJECT
public:
    SettingsActions(TForm1& form, const MainMenu& menu, Dialogs& dialogs,
                    const HandlerGuard& guard);

    // Reads the file, loads its data files, then fills the controls as typing
    // would. A refused settings file changes nothing; a refused data file
    // stops the opening there, with its message.
    void open_settings(const QString& path);
    void save_settings(const QString& path);
    // The settings file opened or saved last; empty before either.
    [[nodiscard]] const QString& opened() const { return opened_; }

    void OpenSettings1Click();
    void SaveSettings1Click();

private:
    TForm1& form_;
    Dialogs& dialogs_;
    QString opened_;  // the settings file opened last: what saving proposes
};

}  // namespace vorn
