#pragma once
// A main window with scripted dialogs and a recorded exit, shown offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/population_page.h"
#include "ui/problem_page.h"
#include "ui/results_page.h"

namespace vorn::testing {

class ScriptedDialogs final : public Dialogs {
public:
    void message(const Message& message) override {
        messages.push_back(message.text);
        shown.push_back(message);
    }
    bool question(const QString& title, const Message& question) override {
        questions.push_back(title.toStdString() + ": " + question.text);
        shown.push_back(question);
        const bool answer = !answers.empty() && answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return answer;
    }
    std::optional<QString> open_file(const QString& proposed) override {
        proposals.push_back(proposed);
        return next_file();
    }
    std::optional<QString> choose_open_file(const QString& title, const QString&) override {
        file_titles.push_back(title);
        return next_file();
    }
    std::optional<QString> choose_save_file(const QString& title, const QString&,
                                            const QString&) override {
        file_titles.push_back(title);
        return next_file();
    }
    std::optional<int> choose(const QString& title, const QString& text,
                              const QStringList& options) override {
        choices_asked.push_back(title + QStringLiteral(": ") + text + QStringLiteral(" [") +
                                options.join(QStringLiteral(" | ")) + QStringLiteral("]"));
        if (choices.empty()) {
            return 0;
        }
        const std::optional<int> choice = choices.front();
        choices.pop_front();
        return choice;
    }
    std::optional<QString> next_file() {
        if (files.empty() || files.front().isEmpty()) {
            if (!files.empty()) {
                files.pop_front();
            }
            return std::nullopt;
        }
        const QString file = files.front();
        files.pop_front();
        return file;
    }
    std::optional<CsvChoice> csv_columns(const CsvTable& table,
                                         const CsvChoice& proposed) override {
        csv_files.push_back(table.file_name());
        csv_proposals.push_back(proposed);
        if (csv_answers.empty()) {
            return proposed;
        }
        std::optional<CsvChoice> answer = std::move(csv_answers.front());
        csv_answers.pop_front();
        return answer;
    }

    std::vector<std::string> messages;
    std::vector<Message> shown;  // every message and question, with its id
    std::vector<std::string> questions;
    std::vector<QString> proposals;
    std::vector<QString> file_titles;  // of the titled file dialogs, in order
    std::deque<bool> answers;
    std::deque<QString> files;           // an empty name: the user cancels
    std::vector<std::string> csv_files;  // the CSV files asked about
    std::vector<CsvChoice> csv_proposals;
    // The answers to the CSV dialog; none: the user cancels. With no answer
    // left the proposal is taken.
    std::deque<std::optional<CsvChoice>> csv_answers;
    std::vector<QString> choices_asked;
    std::deque<std::optional<int>> choices;  // none left: the first option
};

class FormTest : public ::testing::Test {
protected:
    FormTest() {
        // Stored settings (the recent files) start empty in every test.
        QSettings().clear();
        auto scripted = std::make_unique<ScriptedDialogs>();
        dialogs = scripted.get();
        form = std::make_unique<TForm1>(std::move(scripted));
        form->set_exit_routine([this](int status) { exit_statuses.push_back(status); });
        form->show();
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    const ProblemPage& problem() const { return form->problem(); }
    const PopulationPage& population() const { return form->population(); }
    const ResultsPage& results() const { return form->results(); }
    const MainMenu& menu() const { return form->menu(); }

    // Replaces the text the way a user does: select all, then type.
    static void type_into(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        if (text.isEmpty()) {
            QTest::keyClick(edit, Qt::Key_Delete);
        } else {
            QTest::keyClicks(edit, text);
        }
    }

    void click_tab(int index) const {
        QTabBar* bar = form->page_control()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }

    [[nodiscard]] int current_page() const { return form->page_control()->currentIndex(); }

    // A file in the test's own temporary folder.
    QString write_file(const QString& name, const QByteArray& content) const {
        const QString path = folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        return path;
    }

    // n records, row i holding i, i/2, -i, i + 0.25.
    static QByteArray data_rows(int n, const char* separator = "\t", bool final_break = true) {
        QByteArray text;
        for (int i = 0; i < n; ++i) {
            const QList<QByteArray> values = {QByteArray::number(i), QByteArray::number(i * 0.5),
                                              QByteArray::number(-i), QByteArray::number(i + 0.25)};
            text += values.join(separator);
            if (i + 1 < n || final_break) {
                text += '\n';
            }
        }
        return text;
    }

    void load_training(const QString& path) {
        dialogs->files.push_back(path);
        QTest::mouseClick(problem().BitBtn3, Qt::LeftButton);
    }

    void load_validation(const QString& path) {
        dialogs->files.push_back(path);
        QTest::mouseClick(problem().BitBtn4, Qt::LeftButton);
    }

    QTemporaryDir folder;
    ScriptedDialogs* dialogs = nullptr;
    std::unique_ptr<TForm1> form;
    std::vector<int> exit_statuses;
};

enum PageIndex { problem_page = 0, population_page = 1, results_page = 2 };

}  // namespace vorn::testing
