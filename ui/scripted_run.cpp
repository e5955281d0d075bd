#include "ui/scripted_run.h"

#include <QApplication>
#include <QPixmap>

#include "problem/file_writer.h"
#include "ui/bit_button.h"
#include "ui/chart_menu.h"
#include "ui/data_files.h"
#include "ui/main_window.h"
#include "ui/results_page.h"
#include "ui/run_control.h"

namespace vorn {

void ConsoleDialogs::message(const Message& message) {
    err_ << message.text << '\n' << std::flush;
    said_ = true;
}

bool ConsoleDialogs::question(const QString& /*title*/, const Message& question) {
    err_ << question.text << " (answered No)\n" << std::flush;
    return false;
}

std::optional<QString> ConsoleDialogs::open_file(const QString& /*proposed*/) {
    return std::nullopt;
}

std::optional<QString> ConsoleDialogs::choose_open_file(const QString& /*title*/,
                                                        const QString& /*filter*/) {
    return std::nullopt;
}

std::optional<QString> ConsoleDialogs::choose_save_file(const QString& /*title*/,
                                                        const QString& /*filter*/,
                                                        const QString& /*proposed*/) {
    return std::nullopt;
}

std::optional<CsvChoice> ConsoleDialogs::csv_columns(const CsvTable& /*table*/,
                                                     const CsvChoice& proposed) {
    return proposed;
}

std::optional<int> ConsoleDialogs::choose(const QString& /*title*/, const QString& /*text*/,
                                          const QStringList& /*options*/) {
    return std::nullopt;
}

namespace {

// The window as PNG, after the pending redraws.
bool save_window_image(TForm1& form, const QString& path, std::ostream& err) {
    QApplication::processEvents();
    const QByteArray bytes = png_bytes(form.window()->grab().toImage());
    try {
        write_file(local_path(path), std::string_view(bytes.constData(), bytes.size()), {});
    } catch (const MessageError& error) {
        err << error.message().text << '\n';
        return false;
    }
    return true;
}

}  // namespace

int scripted_run(TForm1& form, const ConsoleDialogs& dialogs, const std::optional<QString>& grab,
                 std::ostream& err) {
    if (dialogs.said_something()) {
        return 1;  // a file given at start was refused
    }
    // Start returns once the run is over: it runs on this thread.
    form.results().BitBtn2->click();
    const auto& outcome = form.run_control().last_outcome();
    if (dialogs.said_something() || !outcome || outcome->error) {
        return 1;
    }
    if (outcome->aborted) {
        err << "vorn: the run was aborted after " << outcome->generations_done << " generations\n";
        return 1;
    }
    return grab && !save_window_image(form, *grab, err) ? 1 : 0;
}

int scripted_grab(TForm1& form, const ConsoleDialogs& dialogs, const QString& grab,
                  std::ostream& err) {
    if (dialogs.said_something()) {
        return 1;
    }
    return save_window_image(form, grab, err) ? 0 : 1;
}

}  // namespace vorn
