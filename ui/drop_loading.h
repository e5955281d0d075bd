#pragma once
// Files dropped on the window. On the training grid, or on the validation
// grid while it is enabled, a data file loads as that grid's "Load" does;
// a settings file opens as "Open Settings…" does wherever it is dropped, and
// anywhere else nothing else is taken. During a run no drop is taken.
#include <QObject>
#include <QString>
#include <optional>

#include "ui/handler_guard.h"

class QDropEvent;

namespace vorn {

class TForm1;

class DropLoading final : public QObject {
    Q_OBJECT
public:
    DropLoading(TForm1& form, const HandlerGuard& guard);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Target { training, validation, window };

    [[nodiscard]] Target target_of(const QObject* watched) const;
    // The one local file of a drop `target` takes, if it takes it.
    [[nodiscard]] std::optional<QString> taken_file(Target target, const QDropEvent& drop) const;
    void open(Target target, const QString& file);

    TForm1& form_;
    HandlerGuard guard_;
};

}  // namespace vorn
