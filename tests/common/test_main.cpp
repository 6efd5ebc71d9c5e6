// Entry point of every test executable: a QApplication on Qt's offscreen
// platform, so widgets, fonts and images work with no display.
#include <gtest/gtest.h>
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Each test process keeps its settings (window places and the like) in a
    // folder of its own: tests run side by side, and none may see another's
    // settings or touch the user's.
    QTemporaryDir Settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, Settings.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
