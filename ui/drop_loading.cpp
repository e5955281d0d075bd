#include "ui/drop_loading.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>

#include "ui/data_grid.h"
#include "ui/main_window.h"
#include "ui/problem_page.h"
#include "ui/recent_files.h"
#include "ui/run_control.h"
#include "ui/settings_actions.h"

namespace vorn {

DropLoading::DropLoading(TForm1& form, const HandlerGuard& guard)
    : QObject(&form), form_(form), guard_(guard) {
    // A grid's drops reach its viewport. Qt gives a disabled grid no drag
    // events; target_of still treats one as the window around it.
    for (QWidget* watched : {static_cast<QWidget*>(form.problem().StringGrid1->viewport()),
                             static_cast<QWidget*>(form.problem().StringGrid2->viewport()),
                             static_cast<QWidget*>(&form)}) {
        watched->setAcceptDrops(true);
        watched->installEventFilter(this);
    }
}

DropLoading::Target DropLoading::target_of(const QObject* watched) const {
    const ProblemPage& page = form_.problem();
    if (watched == page.StringGrid1->viewport() && page.StringGrid1->isEnabled()) {
        return Target::training;
    }
    if (watched == page.StringGrid2->viewport() && page.StringGrid2->isEnabled()) {
        return Target::validation;
    }
    return Target::window;
}

std::optional<QString> DropLoading::taken_file(Target target, const QDropEvent& drop) const {
    const QMimeData* data = drop.mimeData();
    if (form_.run_control().running() || data == nullptr || data->urls().size() != 1 ||
        !data->urls().front().isLocalFile()) {
        return std::nullopt;
    }
    QString file = data->urls().front().toLocalFile();
    if (target == Target::window && !is_settings_name(file)) {
        return std::nullopt;
    }
    return file;
}

bool DropLoading::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
        return false;
    }
    auto& drop = static_cast<QDropEvent&>(*event);
    const Target target = target_of(watched);
    const std::optional<QString> file = taken_file(target, drop);
    if (!file) {
        drop.ignore();
        return true;
    }
    drop.acceptProposedAction();
    if (type == QEvent::Drop) {
        // Opened once the drop is over: the dialogs a load may show must not
        // keep the program the file came from waiting.
        QTimer::singleShot(0, this,
                           [this, target, file = *file] { guard_([&] { open(target, file); }); });
    }
    return true;
}

void DropLoading::open(Target target, const QString& file) {
    if (form_.run_control().running()) {
        return;
    }
    if (is_settings_name(file)) {
        form_.settings_actions().open_settings(file);
    } else if (!(target == Target::training ? form_.load_training_file(file)
                                            : form_.load_validation_file(file))) {
        return;
    }
    form_.recent_files().add(file);
}

}  // namespace vorn
