// Test entry point: a headless Qt application (the main queue) around GoogleTest.
#include "ProcessEndChild.h"
#include "ReferenceImage.h"
#include "SandboxTest.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Tests never need a display; the offscreen platform also makes font
    // rendering the same on every machine.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Whatever the tests and the programs they start put in the temporary folder lands in
    // one folder of this process, removed when it ends, passed or failed: a sandbox that a
    // late write made again, the folders of a stand-in that had to be killed, Qt's runtime
    // folder. Only the pictures of failed screenshot comparisons stay, as files.
    const QString outer = QDir::tempPath();
    QTemporaryDir temporary(outer + QStringLiteral("/housing-tests-XXXXXX"));
    // What reads or writes the app's sandbox outside a sandbox fixture (and the programs the
    // tests start without naming one) does so in this folder too, never in the user's own data;
    // without a temporary folder, in a place where every write fails.
    if (qEnvironmentVariableIsEmpty("HOUSING_SANDBOX")) {
        qputenv("HOUSING_SANDBOX",
                temporary.isValid()
                    ? QFile::encodeName(temporary.path() + QStringLiteral("/sandbox"))
                    : QByteArray(SandboxTest::kNoSandbox));
    }
    if (temporary.isValid()) {
        setKeptOutputFolder(outer);
        qputenv("TMPDIR", QFile::encodeName(temporary.path()));
        // Qt's runtime folder, private as Qt wants it, for this process and those it starts,
        // when no desktop session names one (Qt would otherwise warn of it in every process).
        const QString runtime = temporary.path() + QStringLiteral("/runtime");
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && QDir().mkdir(runtime) &&
            QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    }
    ::testing::InitGoogleTest(&argc, argv);
    const int status = [&] {
        // A child that stands for a process without an application object (a tool, a
        // benchmark) runs its case without one: its end comes only at exit, among the statics.
        if (qEnvironmentVariableIsSet(kWithoutApplicationObject)) return RUN_ALL_TESTS();
        QGuiApplication app(argc, argv);
        return RUN_ALL_TESTS();
    }();
    // A worker may still be finishing a write into the folder while it is removed; what it
    // wrote is removed by the next try.
    for (int attempt = 0; attempt < 5 && temporary.isValid() && !temporary.remove(); ++attempt) {
        QThread::msleep(20);
    }
    return status;
}
