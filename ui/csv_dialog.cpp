#include "ui/csv_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "problem/errors.h"

namespace vorn {

namespace {

// More labels than this are typed rather than picked.
constexpr std::size_t labels_listed = 200;

QString from_text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QComboBox* column_box(const QString& name, const std::vector<std::string>& names,
                      std::size_t columns, std::size_t current, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    for (std::size_t c = 0; c < columns; ++c) {
        const QString number = QStringLiteral("column %1").arg(c + 1);
        box->addItem(names.empty() ? number : from_text(names[c]) + " (" + number + ")");
    }
    box->setCurrentIndex(static_cast<int>(current));
    return box;
}

}  // namespace

CsvDialog::CsvDialog(const CsvTable& table, const CsvChoice& proposed, QWidget* parent)
    : QDialog(parent), table_(table) {
    setObjectName(QStringLiteral("CsvDialog"));
    setWindowTitle(QStringLiteral("Labelled CSV data"));
    const std::vector<std::string> names = csv_column_names(table);
    const std::size_t columns = table.column_count();
    x_box = column_box(QStringLiteral("x_box"), names, columns, proposed.x_column, this);
    y_box = column_box(QStringLiteral("y_box"), names, columns, proposed.y_column, this);
    label_box =
        column_box(QStringLiteral("label_box"), names, columns, proposed.label_column, this);
    positive_box = new QComboBox(this);
    positive_box->setObjectName(QStringLiteral("positive_box"));
    positive_box->setEditable(true);
    positive_box->setInsertPolicy(QComboBox::NoInsert);

    auto* file = new QLabel(QFileInfo(QString::fromStdString(table.file_name())).fileName(), this);
    file->setObjectName(QStringLiteral("file_label"));
    auto* note = new QLabel(
        QStringLiteral("Rows with the positive label are positive points, all other rows "
                       "negative points. Row i of the data pairs the i-th positive point with "
                       "the i-th negative point; the smaller class starts again from its first "
                       "point, so every point is used and both classes weigh equally in the "
                       "fitness."),
        this);
    note->setObjectName(QStringLiteral("pairing_note"));
    note->setWordWrap(true);
    counts_label = new QLabel(this);
    counts_label->setObjectName(QStringLiteral("counts_label"));
    counts_label->setWordWrap(true);
    counts_label->setTextFormat(Qt::PlainText);
    QFont bold = counts_label->font();
    bold.setBold(true);
    counts_label->setFont(bold);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* form = new QFormLayout();
    form->addRow(QStringLiteral("File:"), file);
    form->addRow(QStringLiteral("X column:"), x_box);
    form->addRow(QStringLiteral("Y column:"), y_box);
    form->addRow(QStringLiteral("Label column:"), label_box);
    form->addRow(QStringLiteral("Positive label:"), positive_box);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(counts_label);
    layout->addWidget(buttons);
    setMinimumWidth(420);

    fill_labels(from_text(proposed.positive_label));
    update_counts();
    connect(x_box, &QComboBox::currentIndexChanged, this, &CsvDialog::columns_changed);
    connect(y_box, &QComboBox::currentIndexChanged, this, &CsvDialog::columns_changed);
    connect(label_box, &QComboBox::currentIndexChanged, this, &CsvDialog::label_column_changed);
    connect(positive_box, &QComboBox::currentTextChanged, this, &CsvDialog::update_counts);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

CsvChoice CsvDialog::choice() const {
    CsvChoice choice;
    choice.x_column = static_cast<std::size_t>(std::max(0, x_box->currentIndex()));
    choice.y_column = static_cast<std::size_t>(std::max(0, y_box->currentIndex()));
    choice.label_column = static_cast<std::size_t>(std::max(0, label_box->currentIndex()));
    choice.positive_label = positive_box->currentText().trimmed().toStdString();
    return choice;
}

QString CsvDialog::counts_text() const {
    return counts_label->text();
}

bool CsvDialog::acceptable() const {
    return buttons->button(QDialogButtonBox::Ok)->isEnabled();
}

// The labels of the label column as the choice now stands (the header, if
// any, left out), with `keep` as the text.
void CsvDialog::fill_labels(const QString& keep) {
    const QSignalBlocker blocker(positive_box);
    positive_box->clear();
    for (const std::string& label : csv_labels(table_, choice(), labels_listed)) {
        positive_box->addItem(from_text(label));
    }
    const int index = positive_box->findText(keep);
    if (index >= 0) {
        positive_box->setCurrentIndex(index);
    } else {
        positive_box->setEditText(keep);
    }
}

// A new label column proposes its first label, as the default choice does.
void CsvDialog::label_column_changed() {
    CsvChoice current = choice();
    current.positive_label.clear();
    const auto labels = csv_labels(table_, current, 1);
    fill_labels(labels.empty() ? QString() : from_text(labels.front()));
    update_counts();
}

// Whether the first row is a header depends on x and y.
void CsvDialog::columns_changed() {
    fill_labels(positive_box->currentText());
    update_counts();
}

void CsvDialog::update_counts() {
    bool paired = false;
    try {
        counts_label->setText(from_text(pairing_summary(csv_pairing_counts(table_, choice()))));
        paired = true;
    } catch (const DataFileError& error) {
        // The file is named above: only the line and the problem.
        QString problem = from_text(escaped_text(error.message().args.back()));
        if (error.line() > 0) {
            problem = QStringLiteral("Line %1: ").arg(error.line()) + problem;
        }
        if (!problem.isEmpty()) {
            problem[0] = problem[0].toUpper();
        }
        counts_label->setText(problem);
    }
    QPalette palette = counts_label->palette();
    palette.setColor(QPalette::WindowText,
                     paired ? this->palette().color(QPalette::WindowText) : QColor(180, 0, 0));
    counts_label->setPalette(palette);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(paired);
}

}  // namespace vorn
