#include "ui/parameter_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>

#include "engine/prepare_run.h"
#include "ui/check_list_box.h"
#include "ui/radio_group.h"
#include "ui/widgets.h"

namespace vorn {

namespace {

QString name_of(ParamId id) {
    return QString::fromLatin1(parameter(id).control.data(),
                               static_cast<qsizetype>(parameter(id).control.size()));
}

QString q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string choice_at(const Parameter& row, int index) {
    const auto i = static_cast<std::size_t>(std::max(index, 0));
    return std::string(row.choices[std::min(i, row.choices.size() - 1)]);
}

int index_of_choice(ParamId id, const std::string& text) {
    return static_cast<int>(choice_index(parameter(id), text).value_or(0));
}

// Reads the control as the parameter's text; nothing when it is not here.
std::optional<std::string> text_of(const QWidget& root, const Parameter& row) {
    QWidget* control = root.findChild<QWidget*>(name_of(row.id));
    if (control == nullptr) {
        return std::nullopt;
    }
    if (const auto* edit = qobject_cast<QLineEdit*>(control)) {
        return edit->text().toStdString();
    }
    if (const auto* label = qobject_cast<QLabel*>(control)) {
        return label->text().toStdString();
    }
    if (const auto* box = qobject_cast<QCheckBox*>(control)) {
        return std::string(box->isChecked() ? flag_on : flag_off);
    }
    if (const auto* group = qobject_cast<RadioGroup*>(control)) {
        return choice_at(row, group->item_index());
    }
    if (const auto* box = qobject_cast<QComboBox*>(control)) {
        return choice_at(row, box->currentIndex());
    }
    if (const auto* list = qobject_cast<CheckListBox*>(control)) {
        std::array<bool, num_primitives> checked{};
        for (int i = 0; i < num_primitives; ++i) {
            checked[static_cast<std::size_t>(i)] = list->checked(i);
        }
        return function_list_text(checked);
    }
    return std::nullopt;
}

}  // namespace

void set_parameter_tooltips(QWidget& root) {
    for (const Parameter& row : parameter_table()) {
        if (QWidget* control = root.findChild<QWidget*>(name_of(row.id))) {
            control->setToolTip(q(parameter_tooltip(row.id)));
        }
    }
}

void read_parameter_texts(const QWidget& root, ParameterTexts& texts) {
    for (const Parameter& row : parameter_table()) {
        if (auto text = text_of(root, row)) {
            texts[row.id] = std::move(*text);
        }
    }
}

bool write_parameter_text(QWidget& root, ParamId id, const std::string& text) {
    QWidget* control = root.findChild<QWidget*>(name_of(id));
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(QString::fromStdString(text));
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(QString::fromStdString(text));
    } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
        box->setChecked(text == flag_on);
    } else if (auto* group = qobject_cast<RadioGroup*>(control)) {
        group->set_item_index(index_of_choice(id, text));
    } else if (auto* box = qobject_cast<QComboBox*>(control)) {
        box->setCurrentIndex(index_of_choice(id, text));
    } else if (auto* list = qobject_cast<CheckListBox*>(control)) {
        const auto checked = parse_function_list(text).value_or(std::array<bool, num_primitives>{});
        for (int i = 0; i < num_primitives; ++i) {
            list->set_checked(i, checked[static_cast<std::size_t>(i)]);
        }
    } else {
        return false;
    }
    return true;
}

QLineEdit* make_parameter_edit(ParamId id, QWidget* parent) {
    return make_edit(name_of(id), q(parameter(id).default_text), parent);
}

QCheckBox* make_parameter_check_box(ParamId id, QWidget* parent) {
    const Parameter& row = parameter(id);
    return make_check_box(name_of(id), q(row.caption), row.default_text == flag_on, parent);
}

QComboBox* make_parameter_combo(ParamId id, QWidget* parent) {
    const Parameter& row = parameter(id);
    auto* box = new QComboBox(parent);
    box->setObjectName(name_of(id));
    for (const std::string_view choice : row.choices) {
        box->addItem(q(choice));
    }
    box->setCurrentIndex(index_of_choice(id, std::string(row.default_text)));
    return box;
}

QLabel* make_caption_label(const QString& name, ParamId id, QWidget* parent) {
    return make_label(name, q(parameter(id).caption), parent);
}

QLabel* make_remainder_label(ParamId id, QWidget* parent) {
    return make_label(name_of(id), q(parameter(id).default_text), parent);
}

}  // namespace vorn
