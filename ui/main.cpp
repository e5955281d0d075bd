// vorn: the workbench window.
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include "ui/bit_button.h"
#include "ui/main_window.h"
#include "ui/results_page.h"
#include "ui/settings_actions.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VORN"));
    QApplication::setApplicationVersion(QStringLiteral("1.1"));
    QApplication::setFont(vorn::window_font());

    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Genetic-programming workbench for two-class points in the plane."));
    options.addHelpOption();
    options.addVersionOption();
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
    options.process(app);

    vorn::TForm1 form;
    if (options.isSet(settings)) {
        const QString path = options.value(settings);
        form.run_guarded([&] { form.settings_actions().open_settings(path); });
    }
    if (options.isSet(training)) {
        const QString path = options.value(training);
        form.run_guarded([&] { form.load_training_file(path); });
    }
    form.show();
    if (options.isSet(start)) {
        QTimer::singleShot(0, &form, [&form] { form.results().BitBtn2->click(); });
    }
    return QApplication::exec();
}
