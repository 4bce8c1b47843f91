// The main of test programs that draw text: every test runs inside a
// QGuiApplication on the offscreen platform.

#include <gtest/gtest.h>

#include "report/offscreen_application.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const nevalorum::OffscreenGuiApplication application;
    return RUN_ALL_TESTS();
}
