#pragma once
// The window's dialogs behind one small interface, so tests script the
// answers and read every message without a modal loop.
#include <QString>
#include <QStringList>
#include <optional>

#include "problem/csv_pairing.h"
#include "problem/messages.h"

class QFileDialog;
class QWidget;

namespace vorn {

inline constexpr const char* application_title = "VORN";

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A message box with an OK button and the application's title, showing a
    // message of the catalogue.
    virtual void message(const Message& message) = 0;
    // A Yes/No question without icon; true for Yes.
    virtual bool question(const QString& title, const Message& question) = 0;
    // The file-open dialog proposing `proposed`; nothing when cancelled.
    virtual std::optional<QString> open_file(const QString& proposed) = 0;
    // A titled file dialog for one kind of file (`filter` as "Programs
    // (*.json)"); nothing when cancelled. Saving asks before overwriting.
    virtual std::optional<QString> choose_open_file(const QString& title,
                                                    const QString& filter) = 0;
    virtual std::optional<QString> choose_save_file(const QString& title, const QString& filter,
                                                    const QString& proposed) = 0;
    // The columns of a labelled CSV file and its positive label, starting
    // from `proposed`; nothing when cancelled.
    virtual std::optional<CsvChoice> csv_columns(const CsvTable& table,
                                                 const CsvChoice& proposed) = 0;
    // One of `options` by its index; nothing when cancelled.
    virtual std::optional<int> choose(const QString& title, const QString& text,
                                      const QStringList& options) = 0;
};

// The real, modal dialogs. One file dialog, OpenDialog1, serves every load,
// so it keeps its folder history between loads.
class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent) : parent_(parent) {}
    void message(const Message& message) override;
    bool question(const QString& title, const Message& question) override;
    std::optional<QString> open_file(const QString& proposed) override;
    std::optional<QString> choose_open_file(const QString& title, const QString& filter) override;
    std::optional<QString> choose_save_file(const QString& title, const QString& filter,
                                            const QString& proposed) override;
    std::optional<CsvChoice> csv_columns(const CsvTable& table, const CsvChoice& proposed) override;
    std::optional<int> choose(const QString& title, const QString& text,
                              const QStringList& options) override;

private:
    QWidget* parent_;
    QFileDialog* OpenDialog1 = nullptr;  // made on first use, owned by parent_
};

}  // namespace vorn
