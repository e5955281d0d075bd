// vorn: the workbench window.
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "engine/version.h"
#include "ui/bit_button.h"
#include "ui/main_window.h"
#include "ui/recent_files.h"
#include "ui/results_page.h"
#include "ui/scripted_run.h"
#include "ui/settings_actions.h"

namespace {

// --version is answered before QApplication exists, so it needs no display.
// The values of --settings and --training are skipped; "--" ends the options.
bool asks_for_version(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--") == 0) {
            return false;
        }
        if (std::strcmp(arg, "--settings") == 0 || std::strcmp(arg, "--training") == 0) {
            ++i;
        } else if (std::strcmp(arg, "--version") == 0 || std::strcmp(arg, "-v") == 0) {
            return true;
        }
    }
    return false;
}

struct StartFiles {
    std::optional<QString> settings;
    std::optional<QString> training;
};

// A FILE operand is what the desktop's "Open with" passes: a settings file by
// its name, any other file as training data; it stands for --settings or
// --training and may not be given with the option it stands for.
std::optional<StartFiles> start_files(const QCommandLineParser& options,
                                      const QCommandLineOption& settings,
                                      const QCommandLineOption& training) {
    StartFiles files;
    if (options.isSet(settings)) {
        files.settings = options.value(settings);
    }
    if (options.isSet(training)) {
        files.training = options.value(training);
    }
    const QStringList operands = options.positionalArguments();
    if (operands.size() > 1) {
        std::fputs("vorn: one FILE only\n", stderr);
        return std::nullopt;
    }
    if (operands.size() == 1) {
        const QString& file = operands.front();
        const bool is_settings =
            file.endsWith(QStringLiteral(".vornsettings"), Qt::CaseInsensitive);
        std::optional<QString>& slot = is_settings ? files.settings : files.training;
        if (slot) {
            std::fprintf(stderr, "vorn: FILE and --%s both given\n",
                         is_settings ? "settings" : "training");
            return std::nullopt;
        }
        slot = file;
    }
    return files;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (asks_for_version(argc, argv)) {
        std::printf("%s\n", std::string(vorn::version_text()).c_str());
        return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? 0 : 1;
    }
    QApplication app(argc, argv);
    // Together they name the user's settings file (the recent files):
    // ~/.config/VORN/VORN.conf on Linux.
    QApplication::setOrganizationName(QStringLiteral("VORN"));
    QApplication::setApplicationName(QStringLiteral("VORN"));
    QApplication::setApplicationVersion(QStringLiteral("1.1"));
    QApplication::setFont(vorn::window_font());

    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Genetic-programming workbench for two-class points in the plane."));
    options.addHelpOption();
    // Answered above; listed here for --help.
    options.addOption(QCommandLineOption({QStringLiteral("v"), QStringLiteral("version")},
                                         QStringLiteral("Print the version and exit.")));
    const QCommandLineOption settings(
        QStringLiteral("settings"),
        QStringLiteral("Start with the settings of FILE (before --training and --start)."),
        QStringLiteral("FILE"));
    options.addOption(settings);
    const QCommandLineOption training(QStringLiteral("training"),
                                      QStringLiteral("Start with FILE loaded as training data."),
                                      QStringLiteral("FILE"));
    options.addOption(training);
    const QCommandLineOption start(QStringLiteral("start"),
                                   QStringLiteral("Press Start once the window is up."));
    options.addOption(start);
    const QCommandLineOption quit_after_run(
        QStringLiteral("quit-after-run"),
        QStringLiteral("With --start: end the program when the run ends, with status 0 after a "
                       "completed run and 1 otherwise; messages go to stderr instead of boxes."));
    options.addOption(quit_after_run);
    const QCommandLineOption grab(
        QStringLiteral("grab"),
        QStringLiteral("Save the window as a PNG image to FILE and end: with --start "
                       "--quit-after-run when the run ends, alone once the window is up."),
        QStringLiteral("FILE"));
    options.addOption(grab);
    options.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("A settings file (.vornsettings) to open as --settings does, or a data "
                       "file to load as --training does."),
        QStringLiteral("[FILE]"));
    options.process(app);
    const std::optional<StartFiles> files = start_files(options, settings, training);
    if (!files) {
        return 1;
    }

    // --grab without --start saves the window as it opens and ends.
    const bool grab_at_open = options.isSet(grab) && !options.isSet(start);
    const bool scripted = options.isSet(quit_after_run) || grab_at_open;
    if ((options.isSet(quit_after_run) && !options.isSet(start)) ||
        (options.isSet(grab) && options.isSet(start) && !options.isSet(quit_after_run))) {
        std::fputs(
            "vorn: --quit-after-run needs --start, and --grab with --start needs "
            "--quit-after-run\n",
            stderr);
        return 1;
    }
    auto console = scripted ? std::make_unique<vorn::ConsoleDialogs>(std::cerr) : nullptr;
    const vorn::ConsoleDialogs* dialogs = console.get();
    vorn::TForm1 form(std::move(console));
    if (files->settings) {
        form.run_guarded([&] {
            form.settings_actions().open_settings(*files->settings);
            form.recent_files().add(*files->settings);
        });
    }
    if (files->training) {
        form.run_guarded([&] {
            if (form.load_training_file(*files->training)) {
                form.recent_files().add(*files->training);
            }
        });
    }
    form.show();
    if (scripted) {
        const std::optional<QString> image =
            options.isSet(grab) ? std::optional<QString>(options.value(grab)) : std::nullopt;
        int status = 1;
        QTimer::singleShot(0, &form, [&] {
            status = grab_at_open ? vorn::scripted_grab(form, *dialogs, *image, std::cerr)
                                  : vorn::scripted_run(form, *dialogs, image, std::cerr);
            QApplication::exit(status);
        });
        QApplication::exec();
        return status;
    }
    if (options.isSet(start)) {
        QTimer::singleShot(0, &form, [&form] { form.results().BitBtn2->click(); });
    }
    return QApplication::exec();
}
