#pragma once

// The harnesses whose readers decode pictures or lay out text need a GUI application; this
// one draws nowhere. Call it from LLVMFuzzerInitialize.

#include <QGuiApplication>

inline void startOffscreenGui(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Kept for the whole run: Qt's own exit handlers must not outlive it.
    static auto* application = new QGuiApplication(*argc, *argv);
    (void)application;
}
