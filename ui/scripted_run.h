#pragma once
// `vorn ... --start --quit-after-run [--grab FILE]`: one run with nobody at
// the window, for scripts that time runs or take screenshots; `--grab FILE`
// alone saves the window as it opens. Every message
// goes to stderr instead of a modal box, so nothing waits for a click.
#include <QString>
#include <optional>
#include <ostream>

#include "ui/dialogs.h"

namespace vorn {

class TForm1;

// Messages to a stream; questions answered No, file dialogs cancelled, a
// CSV file's columns as proposed. Remembers whether anything was said.
class ConsoleDialogs final : public Dialogs {
public:
    explicit ConsoleDialogs(std::ostream& err) : err_(err) {}
    void message(const Message& message) override;
    bool question(const QString& title, const Message& question) override;
    std::optional<QString> open_file(const QString& proposed) override;
    std::optional<QString> choose_open_file(const QString& title, const QString& filter) override;
    std::optional<QString> choose_save_file(const QString& title, const QString& filter,
                                            const QString& proposed) override;
    std::optional<CsvChoice> csv_columns(const CsvTable& table, const CsvChoice& proposed) override;
    std::optional<int> choose(const QString& title, const QString& text,
                              const QStringList& options) override;

    [[nodiscard]] bool said_something() const { return said_; }

private:
    std::ostream& err_;
    bool said_ = false;
};

// Presses Start and waits for the run to end; then saves the window as PNG
// to `grab` if asked. 0 after a completed run; 1 when anything was refused,
// failed or aborted (already said on `err`).
[[nodiscard]] int scripted_run(TForm1& form, const ConsoleDialogs& dialogs,
                               const std::optional<QString>& grab, std::ostream& err);

// `vorn ... --grab FILE` without --start: saves the window as it opens, with
// the files given at start loaded. 0 when saved; 1 when a file given at start
// was refused or the image could not be written.
[[nodiscard]] int scripted_grab(TForm1& form, const ConsoleDialogs& dialogs, const QString& grab,
                                std::ostream& err);

}  // namespace vorn
