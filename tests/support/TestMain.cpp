// Test entry point: a headless Qt application (the main queue) around GoogleTest.
#include <QGuiApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Tests never need a display; the offscreen platform also makes font
    // rendering the same on every machine.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
