#pragma once

// The harnesses whose readers decode pictures or lay out text need a GUI application; this
// one draws nowhere. Call it from LLVMFuzzerInitialize.

#include "fuzz/scratch_file.h"

#include <QFile>
#include <QGuiApplication>

inline void startOffscreenGui(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's runtime folder, private as Qt wants it, among this process's own scratch folders when
    // no desktop session names one: Qt would otherwise make one in the temporary folder and
    // leave it there.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = ScratchFile::makeOwnFolder("runtime");
        if (QFile::setPermissions(runtime,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        }
    }
    // Kept for the whole run: Qt's own exit handlers must not outlive it.
    static auto* application = new QGuiApplication(*argc, *argv);
    (void)application;
}
