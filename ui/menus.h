#pragma once
// The main menu and the rule that its shortcuts reach their items before the
// focused control sees the key, even when the item or its menu is hidden.
#include <QObject>

class QAction;
class QKeyEvent;
class QMainWindow;
class QMenu;
class QWidget;

namespace vorn {

struct MainMenu {
    QMenu* File1 = nullptr;
    QAction* SaveBestProgram1 = nullptr;
    QAction* ExportProgramC1 = nullptr;
    QAction* ExportProgramPython1 = nullptr;
    QAction* ScoreProgram1 = nullptr;
    QAction* SaveRunRecord1 = nullptr;
    QAction* ExportGenerationTable1 = nullptr;
    QAction* OpenSettings1 = nullptr;
    QAction* SaveSettings1 = nullptr;
    QMenu* RecentFiles1 = nullptr;  // filled by RecentFiles
    QAction* Exit1 = nullptr;
    QMenu* Edit = nullptr;  // hidden
    QAction* CutT1 = nullptr;
    QAction* CopyC1 = nullptr;
    QMenu* GPRun1 = nullptr;
    QMenu* Panels1 = nullptr;
    QAction* Problem1 = nullptr;
    QAction* GPrun2 = nullptr;
    QAction* Results1 = nullptr;
    QAction* LoadTrainingData2 = nullptr;
    QAction* Load1 = nullptr;
    QAction* StartGPrun1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* About1 = nullptr;
};

// Builds the menu tree into the window's menu bar (named MainMenu1).
[[nodiscard]] MainMenu build_main_menu(QMainWindow* window);

// Routes the menu's shortcuts for keys pressed anywhere in `window`. Qt drops
// the shortcut of a hidden action and lets line edits claim Ctrl+C, Ctrl+V
// and Ctrl+X, so the keys are matched here, ahead of both. An item that is
// only hidden still runs; an item disabled by the program takes the key and
// does nothing (QAction::trigger ignores explicitly disabled actions).
class MenuShortcuts final : public QObject {
    Q_OBJECT
public:
    explicit MenuShortcuts(QMainWindow* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    [[nodiscard]] QAction* match(const QKeyEvent& key) const;

    QMainWindow* window_;
};

}  // namespace vorn
