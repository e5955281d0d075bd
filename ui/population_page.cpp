#include "ui/population_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/prepare_run.h"
#include "engine/search_parameters.h"
#include "engine/tgp_pop.h"
#include "ui/parameter_controls.h"
#include "ui/radio_group.h"
#include "ui/widgets.h"

namespace vorn {

namespace {

std::string text_of(const QLineEdit* edit) {
    return edit->text().toStdString();
}

// A label whose caption leaves a gap of blanks after its first word, with an
// edit placed in that gap ("Every [ 5 ] Generations").
class GapLabel final : public QLabel {
public:
    GapLabel(const QString& name, const QString& caption, QWidget* parent)
        : QLabel(caption, parent) {
        setObjectName(name);
        setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }

    void set_gap_widget(QWidget* widget) {
        gap_widget_ = widget;
        widget->setParent(this);
        setMinimumHeight(widget->sizeHint().height());
        place();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        place();
    }

private:
    void place() {
        if (gap_widget_ == nullptr) {
            return;
        }
        const QString caption = text();
        const qsizetype word_end = caption.indexOf(QLatin1Char(' '));
        qsizetype gap_end = word_end;
        while (gap_end >= 0 && gap_end < caption.size() && caption[gap_end] == QLatin1Char(' ')) {
            ++gap_end;
        }
        const QFontMetrics metrics = fontMetrics();
        const int space = metrics.horizontalAdvance(QLatin1Char(' '));
        const int left = contentsRect().left() + metrics.horizontalAdvance(caption.left(word_end));
        const int right = contentsRect().left() + metrics.horizontalAdvance(caption.left(gap_end));
        const int height = gap_widget_->sizeHint().height();
        gap_widget_->setGeometry(left + space, (this->height() - height) / 2,
                                 std::max(right - left - 2 * space, space * 4), height);
    }

    QWidget* gap_widget_ = nullptr;
};

void build_selection_group(PopulationPage& page) {
    page.GroupBox5 =
        make_group(QStringLiteral("GroupBox5"), QStringLiteral("Selection Method"), &page);
    QGroupBox* group = page.GroupBox5;
    page.RadioGroup1 = new RadioGroup(
        QStringLiteral("RadioGroup1"),
        {QStringLiteral("Proportional"), QStringLiteral("Tournament"), QStringLiteral("Random"),
         QStringLiteral("Lexicase"), QStringLiteral("\u03b5-Lexicase")},
        group);
    write_parameter_text(*page.RadioGroup1->parentWidget(), ParamId::selection_method,
                         std::string(parameter(ParamId::selection_method).default_text));
    page.Label4 = make_caption_label(QStringLiteral("Label4"), ParamId::tournament_size, group);
    page.Edit3 = make_parameter_edit(ParamId::tournament_size, group);
    set_dependent_field(page.Edit3, false);
    page.CheckBox1 = make_parameter_check_box(ParamId::elite_strategy, group);
    page.Edit7 = make_parameter_edit(ParamId::elite_percent, group);
    set_dependent_field(page.Edit7, true);
    page.Label10 = make_label(QStringLiteral("Label10"), QStringLiteral("%"), group);

    auto* layout = new QGridLayout(group);
    layout->addWidget(page.RadioGroup1, 0, 0, 1, 3);
    layout->addWidget(page.Label4, 1, 0);
    layout->addWidget(page.Edit3, 1, 1);
    layout->addWidget(page.CheckBox1, 2, 0);
    layout->addWidget(page.Edit7, 2, 1);
    layout->addWidget(page.Label10, 2, 2);
    layout->setColumnStretch(3, 1);
}

// Rows of caption and field in a group, the field column right of the captions.
QGridLayout* field_rows(QGroupBox* group,
                        std::initializer_list<std::pair<QLabel*, QWidget*>> rows) {
    auto* layout = new QGridLayout(group);
    int r = 0;
    for (const auto& [caption, field] : rows) {
        layout->addWidget(caption, r, 0);
        layout->addWidget(field, r, 1);
        ++r;
    }
    layout->setColumnStretch(0, 1);
    return layout;
}

void build_rates_group(PopulationPage& page) {
    page.GroupBox1 =
        make_group(QStringLiteral("GroupBox1"), QStringLiteral("Rate of GP Operations"), &page);
    QGroupBox* group = page.GroupBox1;
    page.Label7 = make_caption_label(QStringLiteral("Label7"), ParamId::crossover_rate, group);
    page.Edit4 = make_parameter_edit(ParamId::crossover_rate, group);
    page.Label9 = make_caption_label(QStringLiteral("Label9"), ParamId::mutation_rate, group);
    page.Edit5 = make_parameter_edit(ParamId::mutation_rate, group);
    page.Label8 =
        make_caption_label(QStringLiteral("Label8"), ParamId::one_point_mutation_rate, group);
    page.Edit6 = make_parameter_edit(ParamId::one_point_mutation_rate, group);
    page.Label3 = make_caption_label(QStringLiteral("Label3"), ParamId::reproduction_rate, group);
    page.Label6 = make_remainder_label(ParamId::reproduction_rate, group);
    field_rows(group, {{page.Label7, page.Edit4},
                       {page.Label9, page.Edit5},
                       {page.Label8, page.Edit6},
                       {page.Label3, page.Label6}});
}

void build_ratios_group(PopulationPage& page) {
    page.GroupBox4 = make_group(QStringLiteral("GroupBox4"),
                                QStringLiteral("Initial Ratio of the Nodes"), &page);
    QGroupBox* group = page.GroupBox4;
    page.Label15 = make_caption_label(QStringLiteral("Label15"), ParamId::function_ratio, group);
    page.Edit13 = make_parameter_edit(ParamId::function_ratio, group);
    page.Label16 = make_caption_label(QStringLiteral("Label16"), ParamId::variable_ratio, group);
    page.Edit14 = make_parameter_edit(ParamId::variable_ratio, group);
    page.Label14 = make_caption_label(QStringLiteral("Label14"), ParamId::constant_ratio, group);
    page.ConstLabel = make_remainder_label(ParamId::constant_ratio, group);
    // Ratios are plain numbers; an input method would only get in the way.
    for (QLineEdit* edit : {page.Edit13, page.Edit14}) {
        edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    }
    field_rows(group, {{page.Label15, page.Edit13},
                       {page.Label16, page.Edit14},
                       {page.Label14, page.ConstLabel}});
}

void build_limits_group(PopulationPage& page) {
    page.GroupBox2 =
        make_group(QStringLiteral("GroupBox2"), QStringLiteral("Restrictions on Genes"), &page);
    QGroupBox* group = page.GroupBox2;
    page.Label5 = make_caption_label(QStringLiteral("Label5"), ParamId::max_length, group);
    page.Edit8 = make_parameter_edit(ParamId::max_length, group);
    page.Label11 = make_caption_label(QStringLiteral("Label11"), ParamId::max_initial_depth, group);
    page.Edit9 = make_parameter_edit(ParamId::max_initial_depth, group);
    field_rows(group, {{page.Label5, page.Edit8}, {page.Label11, page.Edit9}});
}

// Options beyond the workbench's first method; their defaults leave it as it was.
// The preset stands on the page; the options themselves wait in a dialog of
// their own, so the page keeps room for what it had.
void build_search_group(PopulationPage& page) {
    page.SearchDialog = new QDialog(&page);
    page.SearchDialog->setObjectName(QStringLiteral("SearchDialog"));
    page.SearchDialog->setWindowTitle(QStringLiteral("Search Options"));
    page.GroupBox9 =
        make_group(QStringLiteral("GroupBox9"), QStringLiteral("Search"), page.SearchDialog);
    QGroupBox* group = page.GroupBox9;
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, page.SearchDialog);
    QObject::connect(close, &QDialogButtonBox::rejected, page.SearchDialog, &QDialog::hide);
    auto* dialog_layout = new QVBoxLayout(page.SearchDialog);
    dialog_layout->addWidget(group);
    dialog_layout->addWidget(close);

    page.Label40 = make_label(QStringLiteral("Label40"), QStringLiteral("Search"), &page);
    page.Button4 = new QPushButton(QStringLiteral("Options\u2026"), &page);
    page.Button4->setObjectName(QStringLiteral("Button4"));
    QObject::connect(page.Button4, &QPushButton::clicked, page.SearchDialog, &QDialog::show);
    page.ComboBox3 = new QComboBox(&page);
    page.ComboBox3->setObjectName(QStringLiteral("ComboBox3"));
    for (const std::string_view name : search_preset_names) {
        page.ComboBox3->addItem(
            QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    }
    page.ComboBox3->setToolTip(QStringLiteral(
        "Sets the search options: written, every one at its default (the workbench's first "
        "method); modern, lexicase selection, the size objective, a hold-out of 0.2 that "
        "chooses the program from the front, and constant tuning of 3 programs."));
    page.Label38 = make_caption_label(QStringLiteral("Label38"), ParamId::objectives, group);
    page.ComboBox2 = make_parameter_combo(ParamId::objectives, group);
    page.Label39 = make_caption_label(QStringLiteral("Label39"), ParamId::tune_constants, group);
    page.Edit21 = make_parameter_edit(ParamId::tune_constants, group);
    page.Label35 = make_caption_label(QStringLiteral("Label35"), ParamId::parsimony, group);
    page.ComboBox1 = make_parameter_combo(ParamId::parsimony, group);
    page.Label36 = make_caption_label(QStringLiteral("Label36"), ParamId::size_penalty, group);
    page.Edit19 = make_parameter_edit(ParamId::size_penalty, group);
    set_dependent_field(page.Edit19, false);
    page.Label37 = make_caption_label(QStringLiteral("Label37"), ParamId::holdout, group);
    page.Edit20 = make_parameter_edit(ParamId::holdout, group);
    field_rows(group, {{page.Label38, page.ComboBox2},
                       {page.Label35, page.ComboBox1},
                       {page.Label36, page.Edit19},
                       {page.Label37, page.Edit20},
                       {page.Label39, page.Edit21}});
}

QWidget* build_break_point(PopulationPage& page) {
    page.CheckBox2 = make_parameter_check_box(ParamId::break_point, &page);
    auto* label = new GapLabel(QStringLiteral("Label22"),
                               QStringLiteral("Every            Generations"), &page);
    page.Label22 = label;
    page.Edit15 = make_parameter_edit(ParamId::break_every, label);
    set_dependent_field(page.Edit15, false);
    label->set_gap_widget(page.Edit15);

    auto* row = new QWidget(&page);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page.CheckBox2);
    layout->addWidget(page.Label22);
    layout->addStretch(1);
    return row;
}

}  // namespace

PopulationPage::PopulationPage(const HandlerGuard& guard, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheet3"));
    Label1 = make_caption_label(QStringLiteral("Label1"), ParamId::population_size, this);
    Edit1 = make_parameter_edit(ParamId::population_size, this);
    Label2 = make_caption_label(QStringLiteral("Label2"), ParamId::num_generations, this);
    Edit2 = make_parameter_edit(ParamId::num_generations, this);
    build_selection_group(*this);
    build_rates_group(*this);
    build_ratios_group(*this);
    build_limits_group(*this);
    build_search_group(*this);

    auto* sizes = new QGridLayout();
    sizes->addWidget(Label1, 0, 0);
    sizes->addWidget(Edit1, 0, 1);
    sizes->addWidget(Label2, 1, 0);
    sizes->addWidget(Edit2, 1, 1);
    LabelSeed = new QLabel(QStringLiteral("Seed"), this);
    LabelSeed->setObjectName(QStringLiteral("LabelSeed"));
    EditSeed = new QLineEdit(this);
    EditSeed->setObjectName(QStringLiteral("EditSeed"));
    EditSeed->setPlaceholderText(QStringLiteral("clock"));
    LabelSeed->setBuddy(EditSeed);
    sizes->addWidget(LabelSeed, 2, 0);
    sizes->addWidget(EditSeed, 2, 1);
    sizes->setColumnStretch(2, 1);

    auto* left = new QVBoxLayout();
    left->addLayout(sizes);
    left->addWidget(GroupBox5);
    left->addWidget(build_break_point(*this));
    auto* search = new QHBoxLayout();
    search->addWidget(Label40);
    search->addWidget(ComboBox3);
    search->addWidget(Button4);
    search->addStretch(1);
    left->addLayout(search);
    left->addStretch(1);

    auto* right = new QVBoxLayout();
    right->addWidget(GroupBox1);
    right->addWidget(GroupBox4);
    right->addWidget(GroupBox2);
    right->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(12);
    layout->addLayout(left, 1);
    layout->addLayout(right, 1);

    using P = PopulationPage;
    connect_guarded(guard, Edit4, &QLineEdit::textChanged, this, &P::Edit4Change);
    connect_guarded(guard, Edit5, &QLineEdit::textChanged, this, &P::Edit5Change);
    connect_guarded(guard, Edit6, &QLineEdit::textChanged, this, &P::Edit6Change);
    connect_guarded(guard, Edit13, &QLineEdit::textChanged, this, &P::Edit13Change);
    connect_guarded(guard, Edit14, &QLineEdit::textChanged, this, &P::Edit14Change);
    connect_guarded(guard, RadioGroup1, &RadioGroup::item_index_changed, this,
                    &P::RadioGroup1Click);
    connect_guarded(guard, CheckBox1, &QCheckBox::toggled, this, &P::CheckBox1Click);
    connect_guarded(guard, CheckBox2, &QCheckBox::toggled, this, &P::CheckBox2Click);
    connect_guarded(guard, ComboBox1, &QComboBox::currentIndexChanged, this, &P::ComboBox1Change);
    connect_guarded(guard, ComboBox3, &QComboBox::activated, this, &P::ComboBox3Change);
    set_parameter_tooltips(*this);
}

void PopulationPage::read_texts(ParameterTexts& texts) const {
    read_parameter_texts(*this, texts);
}

// While a rate is being retyped its text may not be a number yet; the label
// then keeps what it shows rather than interrupting every keystroke.
void PopulationPage::update_reproduction_label() {
    if (const auto label = remainder_label(text_of(Edit4), text_of(Edit5), text_of(Edit6))) {
        Label6->setText(QString::fromStdString(*label));
    }
}

void PopulationPage::update_constant_label() {
    if (const auto label = remainder_label(text_of(Edit13), text_of(Edit14))) {
        ConstLabel->setText(QString::fromStdString(*label));
    }
}

void PopulationPage::Edit4Change() {
    update_reproduction_label();
}

void PopulationPage::Edit5Change() {
    update_reproduction_label();
}

void PopulationPage::Edit6Change() {
    update_reproduction_label();
}

void PopulationPage::Edit13Change() {
    update_constant_label();
}

void PopulationPage::Edit14Change() {
    update_constant_label();
}

void PopulationPage::RadioGroup1Click() {
    set_dependent_field(Edit3, RadioGroup1->item_index() == tournament);
}

void PopulationPage::CheckBox1Click() {
    set_dependent_field(Edit7, CheckBox1->isChecked());
}

void PopulationPage::CheckBox2Click() {
    set_dependent_field(Edit15, CheckBox2->isChecked());
}

void PopulationPage::ComboBox3Change() {
    const auto index = static_cast<std::size_t>(std::max(ComboBox3->currentIndex(), 0));
    for (const PresetText& preset : search_preset(search_preset_names[index])) {
        write_parameter_text(*this, preset.id, std::string(preset.text));
    }
}

void PopulationPage::ComboBox1Change() {
    set_dependent_field(Edit19, ComboBox1->currentIndex() == parsimony_penalty);
}

}  // namespace vorn
