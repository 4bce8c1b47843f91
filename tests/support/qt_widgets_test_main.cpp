// The main of test programs with windows: every test runs inside a QApplication
// on the offscreen platform, prepared as the desktop program prepares its own.

#include <gtest/gtest.h>

#include <QApplication>

#include "app/gui/program.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    nevalorum::PrepareApplication();
    // The offscreen platform unless the environment names one (a test run under
    // xvfb-run with QT_QPA_PLATFORM=xcb takes screenshots of what a person sees).
    int qtArgc = qEnvironmentVariableIsSet("QT_QPA_PLATFORM") ? 1 : 3;
    char program[] = "test";
    char platformOption[] = "-platform";
    char platform[] = "offscreen";
    char* qtArgv[] = {program, platformOption, platform, nullptr};
    QApplication application(qtArgc, qtArgv);
    return RUN_ALL_TESTS();
}
