// Entry point of the window-layer tests: a QApplication on the offscreen platform.
#include "test_support.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    lyrimo::test::IsolateEnvironment();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
