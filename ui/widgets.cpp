#include "ui/widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

namespace vorn {

QLabel* make_label(const QString& name, const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

namespace {

// Without a layout of its own, the holder takes no notice of its label's
// size: only the label's first size counts.
class LabelHolder final : public QWidget {
public:
    LabelHolder(QLabel* label, QWidget* parent) : QWidget(parent), label_(label) {
        label_->setParent(this);
        hint_ = label_->sizeHint();
        setMinimumSize(hint_);
        setFixedHeight(hint_.height());
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
    [[nodiscard]] QSize sizeHint() const override { return hint_; }

protected:
    void resizeEvent(QResizeEvent* /*event*/) override { label_->setGeometry(rect()); }

private:
    QLabel* label_;
    QSize hint_;
};

}  // namespace

QLabel* make_steady_label(const QString& name, const QString& caption, QWidget* parent) {
    QLabel* label = make_label(name, caption, nullptr);
    new LabelHolder(label, parent);
    return label;
}

QLineEdit* make_edit(const QString& name, const QString& text, QWidget* parent) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0")) * 9 + 16);
    return edit;
}

QPushButton* make_button(const QString& name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QCheckBox* make_check_box(const QString& name, const QString& caption, bool checked,
                          QWidget* parent) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}

QGroupBox* make_group(const QString& name, const QString& caption, QWidget* parent) {
    auto* group = new QGroupBox(caption, parent);
    group->setObjectName(name);
    return group;
}

void set_dependent_field(QLineEdit* edit, bool enabled) {
    const QPalette standard = QApplication::palette(edit);
    const QColor colour =
        standard.color(QPalette::Active, enabled ? QPalette::Base : QPalette::Button);
    QPalette palette = edit->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, colour);
    }
    edit->setPalette(palette);
    edit->setEnabled(enabled);
}

QFont window_font() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    return font;
}

}  // namespace vorn
