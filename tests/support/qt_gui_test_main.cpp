// The main of test programs that draw text: a QGuiApplication on the offscreen
// platform, then every test.

#include <gtest/gtest.h>

#include <QGuiApplication>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    int qtArgc = 3;
    char program[] = "test";
    char platformOption[] = "-platform";
    char platform[] = "offscreen";
    char* qtArgv[] = {program, platformOption, platform, nullptr};
    QGuiApplication application(qtArgc, qtArgv);
    return RUN_ALL_TESTS();
}
