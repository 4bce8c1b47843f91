// The main of test programs with windows: every test runs inside a QApplication
// on the offscreen platform, with the web engine's contexts shared as it needs.

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
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
