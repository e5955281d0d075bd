#include "ui/menus.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace vorn {

namespace {

QMenu* add_menu(QWidget* parent_menu, const QString& name, const QString& caption) {
    auto* menu = new QMenu(caption, parent_menu);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    if (auto* bar = qobject_cast<QMenuBar*>(parent_menu)) {
        bar->addMenu(menu);
    } else {
        qobject_cast<QMenu*>(parent_menu)->addMenu(menu);
    }
    return menu;
}

QAction* add_item(QMenu* menu, const QString& name, const QString& caption,
                  const QKeySequence& shortcut = {}) {
    auto* action = new QAction(caption, menu);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        // Shown in the menu, but dispatched by MenuShortcuts: as a window
        // shortcut Qt would give it up while the item is hidden.
        action->setShortcutContext(Qt::WidgetShortcut);
    }
    menu->addAction(action);
    return action;
}

QList<QAction*> all_items(const QList<QAction*>& actions) {
    QList<QAction*> items;
    for (QAction* action : actions) {
        if (QMenu* sub = action->menu()) {
            items.append(all_items(sub->actions()));
        } else {
            items.append(action);
        }
    }
    return items;
}

}  // namespace

MainMenu build_main_menu(QMainWindow* window) {
    QMenuBar* bar = window->menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    MainMenu menu;

    menu.File1 = add_menu(bar, QStringLiteral("File1"), QStringLiteral("File (&F)"));
    // No shortcuts: the free Ctrl keys are taken, and menu shortcuts fire
    // even for hidden items.
    menu.SaveBestProgram1 = add_item(menu.File1, QStringLiteral("SaveBestProgram1"),
                                     QStringLiteral("Save Best Program\u2026"));
    menu.ExportProgramC1 = add_item(menu.File1, QStringLiteral("ExportProgramC1"),
                                    QStringLiteral("Export Program as C\u2026"));
    menu.ExportProgramPython1 = add_item(menu.File1, QStringLiteral("ExportProgramPython1"),
                                         QStringLiteral("Export Program as Python\u2026"));
    menu.ScoreProgram1 = add_item(menu.File1, QStringLiteral("ScoreProgram1"),
                                  QStringLiteral("Score Program on File\u2026"));
    menu.SaveRunRecord1 = add_item(menu.File1, QStringLiteral("SaveRunRecord1"),
                                   QStringLiteral("Save Run Record\u2026"));
    menu.ExportGenerationTable1 = add_item(menu.File1, QStringLiteral("ExportGenerationTable1"),
                                           QStringLiteral("Export Generation Table\u2026"));
    menu.OpenSettings1 = add_item(menu.File1, QStringLiteral("OpenSettings1"),
                                  QStringLiteral("Open Settings\u2026"));
    menu.SaveSettings1 = add_item(menu.File1, QStringLiteral("SaveSettings1"),
                                  QStringLiteral("Save Settings\u2026"));
    menu.RecentFiles1 =
        add_menu(menu.File1, QStringLiteral("RecentFiles1"), QStringLiteral("Recent Files"));
    menu.RecentFiles1->setEnabled(false);
    for (QAction* needs_program :
         {menu.SaveBestProgram1, menu.ExportProgramC1, menu.ExportProgramPython1,
          menu.SaveRunRecord1, menu.ExportGenerationTable1}) {
        needs_program->setEnabled(false);
    }
    menu.File1->addSeparator()->setObjectName(QStringLiteral("N1"));
    menu.Exit1 = add_item(menu.File1, QStringLiteral("Exit1"), QStringLiteral("Exit (&X)"));

    menu.Edit = add_menu(bar, QStringLiteral("Edit"), QStringLiteral("Edit (&E)"));
    menu.CutT1 = add_item(menu.Edit, QStringLiteral("CutT1"), QStringLiteral("Cut (T)"),
                          QKeySequence(Qt::CTRL | Qt::Key_X));
    menu.CopyC1 = add_item(menu.Edit, QStringLiteral("CopyC1"), QStringLiteral("Copy (&C)"),
                           QKeySequence(Qt::CTRL | Qt::Key_C));
    menu.CutT1->setVisible(false);
    menu.CopyC1->setVisible(false);
    menu.Edit->menuAction()->setVisible(false);

    menu.GPRun1 = add_menu(bar, QStringLiteral("GPRun1"), QStringLiteral("GP Run (&R)"));
    menu.Panels1 = add_menu(menu.GPRun1, QStringLiteral("Panels1"), QStringLiteral("Panels"));
    menu.Problem1 = add_item(menu.Panels1, QStringLiteral("Problem1"), QStringLiteral("Problem"));
    menu.GPrun2 = add_item(menu.Panels1, QStringLiteral("GPrun2"), QStringLiteral("GP run"));
    menu.Results1 = add_item(menu.Panels1, QStringLiteral("Results1"), QStringLiteral("Results"));
    menu.LoadTrainingData2 =
        add_item(menu.GPRun1, QStringLiteral("LoadTrainingData2"),
                 QStringLiteral("Load training data (&T)"), QKeySequence(Qt::CTRL | Qt::Key_T));
    menu.Load1 =
        add_item(menu.GPRun1, QStringLiteral("Load1"), QStringLiteral("Load validation data (&V)"),
                 QKeySequence(Qt::CTRL | Qt::Key_V));
    menu.Load1->setEnabled(false);
    menu.StartGPrun1 = add_item(menu.GPRun1, QStringLiteral("StartGPrun1"),
                                QStringLiteral("Start GP run"), QKeySequence(Qt::CTRL | Qt::Key_S));

    menu.Help1 = add_menu(bar, QStringLiteral("Help1"), QStringLiteral("Help (&H)"));
    menu.About1 = add_item(menu.Help1, QStringLiteral("About1"), QStringLiteral("About VORN (&A)"));
    return menu;
}

MenuShortcuts::MenuShortcuts(QMainWindow* window) : QObject(window), window_(window) {
    // Application-wide, because the focused control would see the key first.
    qApp->installEventFilter(this);
}

bool MenuShortcuts::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) {
        return false;
    }
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != window_) {
        return false;
    }
    QAction* action = match(*static_cast<QKeyEvent*>(event));
    if (action == nullptr) {
        return false;
    }
    if (type == QEvent::ShortcutOverride) {
        // Claim the key so no other shortcut takes it; it acts on its press.
        event->accept();
        return true;
    }
    action->trigger();
    return true;
}

QAction* MenuShortcuts::match(const QKeyEvent& key) const {
    const Qt::KeyboardModifiers modifiers =
        key.modifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const QKeySequence pressed(QKeyCombination(modifiers, static_cast<Qt::Key>(key.key())));
    for (QAction* action : all_items(window_->menuBar()->actions())) {
        if (!action->shortcut().isEmpty() && action->shortcut() == pressed) {
            return action;
        }
    }
    return nullptr;
}

}  // namespace vorn
