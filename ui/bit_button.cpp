#include "ui/bit_button.h"

#include <QStyle>

namespace vorn {

BitBtn::BitBtn(const QString& name, ButtonKind kind, QWidget* parent) : QPushButton(parent) {
    setObjectName(name);
    set_kind(kind);
}

void BitBtn::set_kind(ButtonKind kind) {
    kind_ = kind;
    QStyle::StandardPixmap icon = QStyle::SP_DialogOkButton;
    QString caption;
    switch (kind) {
        case ButtonKind::ok:
            icon = QStyle::SP_DialogOkButton;
            caption = QStringLiteral("OK");
            break;
        case ButtonKind::no:
            icon = QStyle::SP_DialogNoButton;
            caption = QStringLiteral("&No");
            break;
        case ButtonKind::abort:
            icon = QStyle::SP_BrowserStop;
            caption = QStringLiteral("Abort");
            break;
        case ButtonKind::cancel:
            icon = QStyle::SP_DialogCancelButton;
            caption = QStringLiteral("Cancel");
            break;
    }
    // Drawn as the default button: Enter presses it (see TForm1::keyPressEvent).
    setDefault(kind == ButtonKind::ok);
    setIcon(style()->standardIcon(icon, nullptr, this));
    setText(caption);
}

}  // namespace vorn
