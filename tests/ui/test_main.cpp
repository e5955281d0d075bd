// The window tests need a QApplication; offscreen unless told otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The window keeps its recent files in the user's settings: never the
    // real ones, and one folder per test process, since ctest runs several.
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("VORN tests"));
    QApplication::setApplicationName(QStringLiteral("vorn_ui_tests"));
    const QTemporaryDir settings_folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_folder.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
