#include "ui/problem_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "problem/problem_setting.h"
#include "program/functable.h"
#include "ui/check_list_box.h"
#include "ui/data_grid.h"
#include "ui/grid_model.h"
#include "ui/parameter_controls.h"
#include "ui/widgets.h"

namespace vorn {

namespace {

QHBoxLayout* button_row(QPushButton* load, QPushButton* clear) {
    auto* row = new QHBoxLayout();
    row->addWidget(load);
    row->addWidget(clear);
    return row;
}

void build_training_group(ProblemPage& page) {
    page.GroupBox6 =
        make_group(QStringLiteral("GroupBox6"), QStringLiteral("Training Data"), &page);
    QGroupBox* group = page.GroupBox6;
    page.Label20 = make_label(QStringLiteral("Label20"), QStringLiteral("X"), group);
    page.Label26 = make_label(QStringLiteral("Label26"), QStringLiteral("Y"), group);
    page.StringGrid1 = new StringGrid(QStringLiteral("StringGrid1"), true, group);
    page.BitBtn3 = make_button(QStringLiteral("BitBtn3"), QStringLiteral("Load"), group);
    page.Button1 = make_button(QStringLiteral("Button1"), QStringLiteral("Clear"), group);

    auto* layout = new QVBoxLayout(group);
    layout->setSpacing(2);
    layout->addWidget(new ColumnLabels(page.StringGrid1, {page.Label20, page.Label26}, group));
    layout->addWidget(page.StringGrid1, 1);
    layout->addLayout(button_row(page.BitBtn3, page.Button1));
}

void build_validation_group(ProblemPage& page) {
    page.GroupBox7 =
        make_group(QStringLiteral("GroupBox7"), QStringLiteral("Validation Data"), &page);
    QGroupBox* group = page.GroupBox7;
    page.CheckBox3 = make_parameter_check_box(ParamId::use_training_data, group);
    page.Label17 = make_label(QStringLiteral("Label17"), QStringLiteral("X "), group);
    page.Label23 = make_label(QStringLiteral("Label23"), QStringLiteral("Y"), group);
    page.StringGrid2 = new StringGrid(QStringLiteral("StringGrid2"), false, group);
    page.BitBtn4 = make_button(QStringLiteral("BitBtn4"), QStringLiteral("Load"), group);
    page.Button3 = make_button(QStringLiteral("Button3"), QStringLiteral("Clear"), group);
    // Validated on the training data by default, so its own controls wait.
    page.Label17->setEnabled(false);
    page.Label23->setEnabled(false);
    page.StringGrid2->setEnabled(false);
    page.BitBtn4->setEnabled(false);

    auto* layout = new QVBoxLayout(group);
    layout->setSpacing(2);
    layout->addWidget(page.CheckBox3);
    layout->addWidget(new ColumnLabels(page.StringGrid2, {page.Label17, page.Label23}, group));
    layout->addWidget(page.StringGrid2, 1);
    layout->addLayout(button_row(page.BitBtn4, page.Button3));
}

void build_functions_group(ProblemPage& page) {
    page.FunctionsGrouoBox =
        make_group(QStringLiteral("FunctionsGrouoBox"), QStringLiteral("Functions"), &page);
    QStringList items;
    for (const std::string_view text : primitive_item_texts) {
        items.append(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    }
    page.CheckListBox1 =
        new CheckListBox(QStringLiteral("CheckListBox1"), items, page.FunctionsGrouoBox);
    auto* layout = new QVBoxLayout(page.FunctionsGrouoBox);
    layout->addWidget(page.CheckListBox1);
}

void build_constants_group(ProblemPage& page) {
    page.GroupBox3 = make_group(QStringLiteral("GroupBox3"), QStringLiteral("Constants"), &page);
    QGroupBox* group = page.GroupBox3;
    page.Label13 = make_caption_label(QStringLiteral("Label13"), ParamId::constant_min, group);
    page.Edit10 = make_parameter_edit(ParamId::constant_min, group);
    page.Label12 = make_label(QStringLiteral("Label12"), QStringLiteral("-"), group);
    page.Edit11 = make_parameter_edit(ParamId::constant_max, group);
    page.Label19 = make_caption_label(QStringLiteral("Label19"), ParamId::num_constants, group);
    page.Edit12 = make_parameter_edit(ParamId::num_constants, group);

    auto* layout = new QGridLayout(group);
    layout->addWidget(page.Label13, 0, 0, 1, 3);
    layout->addWidget(page.Edit10, 1, 0);
    layout->addWidget(page.Label12, 1, 1, Qt::AlignCenter);
    layout->addWidget(page.Edit11, 1, 2);
    layout->addWidget(page.Label19, 2, 0, 1, 2);
    layout->addWidget(page.Edit12, 2, 2);
    layout->setRowStretch(3, 1);
}

void build_variable_group(ProblemPage& page) {
    page.GroupBox8 = make_group(QStringLiteral("GroupBox8"), QStringLiteral("Variable"), &page);
    QGroupBox* group = page.GroupBox8;
    page.Label25 = make_label(QStringLiteral("Label25"), QStringLiteral("Name of variable"), group);
    page.Label33 = make_caption_label(QStringLiteral("Label33"), ParamId::input1_name, group);
    page.Edit16 = make_parameter_edit(ParamId::input1_name, group);
    page.Label34 = make_caption_label(QStringLiteral("Label34"), ParamId::input2_name, group);
    page.Edit17 = make_parameter_edit(ParamId::input2_name, group);
    page.Label30 = make_caption_label(QStringLiteral("Label30"), ParamId::output_name, group);
    page.Edit18 = make_parameter_edit(ParamId::output_name, group);

    auto* layout = new QGridLayout(group);
    layout->addWidget(page.Label25, 0, 0, 1, 2);
    layout->addWidget(page.Label33, 1, 0);
    layout->addWidget(page.Edit16, 1, 1);
    layout->addWidget(page.Label34, 2, 0);
    layout->addWidget(page.Edit17, 2, 1);
    layout->addWidget(page.Label30, 3, 0);
    layout->addWidget(page.Edit18, 3, 1);
    layout->setRowStretch(4, 1);
}

}  // namespace

ProblemPage::ProblemPage(const HandlerGuard& guard, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheet1"));
    build_training_group(*this);
    build_validation_group(*this);
    build_functions_group(*this);
    build_constants_group(*this);
    build_variable_group(*this);
    Button2 = make_button(QStringLiteral("Button2"), QStringLiteral("Draw Graph"), this);

    // The grids take the whole width so their cells show the loaded texts.
    auto* top = new QHBoxLayout();
    top->addWidget(GroupBox6, 1);
    top->addWidget(GroupBox7, 1);

    auto* names = new QVBoxLayout();
    names->addWidget(GroupBox8);
    names->addStretch(1);
    names->addWidget(Button2, 0, Qt::AlignRight);
    auto* bottom = new QHBoxLayout();
    bottom->addWidget(FunctionsGrouoBox);
    bottom->addWidget(GroupBox3);
    bottom->addLayout(names);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(top, 1);
    layout->addLayout(bottom, 0);

    connect_guarded(guard, CheckBox3, &QCheckBox::toggled, this, &ProblemPage::CheckBox3Click);
    set_parameter_tooltips(*this);
}

void ProblemPage::read_texts(ParameterTexts& texts) const {
    read_parameter_texts(*this, texts);
}

GridCells ProblemPage::grid_cells() const {
    return GridCells{&StringGrid1->cells()->table(), &StringGrid2->cells()->table()};
}

// Validating on the training data leaves the page's own validation controls
// nothing to do.
void ProblemPage::CheckBox3Click() {
    const bool own_data = !CheckBox3->isChecked();
    BitBtn4->setEnabled(own_data);
    Label17->setEnabled(own_data);
    Label23->setEnabled(own_data);
    StringGrid2->setEnabled(own_data);
}

}  // namespace vorn
