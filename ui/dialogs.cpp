#include "ui/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <vector>

#include "ui/csv_dialog.h"

namespace vorn {

void QtDialogs::message(const Message& message) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(application_title),
                    QString::fromStdString(message.text), QMessageBox::Ok, parent_);
    box.exec();
}

bool QtDialogs::question(const QString& title, const Message& question) {
    QMessageBox box(QMessageBox::NoIcon, title, QString::fromStdString(question.text),
                    QMessageBox::Yes | QMessageBox::No, parent_);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtDialogs::open_file(const QString& proposed) {
    if (OpenDialog1 == nullptr) {
        // No title of its own, and any file may hold data: all files come first.
        OpenDialog1 = new QFileDialog(parent_);
        OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
        OpenDialog1->setNameFilters(
            {QStringLiteral("All files (*)"), QStringLiteral("Labelled CSV data (*.csv *.CSV)")});
        OpenDialog1->setFileMode(QFileDialog::ExistingFile);
        OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    }
    if (!proposed.isEmpty()) {
        OpenDialog1->selectFile(proposed);
    }
    if (OpenDialog1->exec() != QDialog::Accepted || OpenDialog1->selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return OpenDialog1->selectedFiles().constFirst();
}

std::optional<QString> QtDialogs::choose_open_file(const QString& title, const QString& filter) {
    const QString file = QFileDialog::getOpenFileName(parent_, title, QString(), filter);
    return file.isEmpty() ? std::nullopt : std::optional<QString>(file);
}

std::optional<QString> QtDialogs::choose_save_file(const QString& title, const QString& filter,
                                                   const QString& proposed) {
    const QString file = QFileDialog::getSaveFileName(parent_, title, proposed, filter);
    return file.isEmpty() ? std::nullopt : std::optional<QString>(file);
}

std::optional<CsvChoice> QtDialogs::csv_columns(const CsvTable& table, const CsvChoice& proposed) {
    CsvDialog dialog(table, proposed, parent_);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.choice();
}

std::optional<int> QtDialogs::choose(const QString& title, const QString& text,
                                     const QStringList& options) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Cancel, parent_);
    std::vector<QAbstractButton*> buttons;
    for (const QString& option : options) {
        buttons.push_back(box.addButton(option, QMessageBox::AcceptRole));
    }
    if (!buttons.empty()) {
        box.setDefaultButton(static_cast<QPushButton*>(buttons.front()));
    }
    box.exec();
    const auto chosen = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    if (chosen == buttons.end()) {
        return std::nullopt;
    }
    return static_cast<int>(chosen - buttons.begin());
}

}  // namespace vorn
