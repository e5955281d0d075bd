#include "ui/radio_group.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vorn {

RadioGroup::RadioGroup(const QString& name, const QStringList& items, QWidget* parent)
    : QWidget(parent), buttons_(new QButtonGroup(this)) {
    setObjectName(name);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        button->setObjectName(name + QStringLiteral("_item%1").arg(i));
        buttons_->addButton(button, i);
        layout->addWidget(button);
    }
    connect(buttons_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            emit item_index_changed(id);
        }
    });
}

int RadioGroup::item_index() const {
    return buttons_->checkedId();
}

void RadioGroup::set_item_index(int index) {
    buttons_->button(index)->setChecked(true);
}

int RadioGroup::count() const {
    return static_cast<int>(buttons_->buttons().size());
}

QString RadioGroup::item_text(int index) const {
    return buttons_->button(index)->text();
}

}  // namespace vorn
