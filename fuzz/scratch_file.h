#pragma once

// The readers under test take file paths: each input becomes a file of this process's own, in
// memory where the system offers a memory-backed folder. libFuzzer ends without running
// destructors, so each run first removes the files and folders of fuzzers that are gone.
// Readers of the app's stores work in a sandbox folder of the process's own (ScratchSandbox).

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/foundation/sandbox.h"

#include <unistd.h>
#include <cstdint>
#include <cstdlib>

class ScratchFile {
public:
    explicit ScratchFile(const char* name)
        : path_(QStringLiteral("%1/housing-fuzz-%2-%3").arg(folder()).arg(getpid()).arg(name)),
          utf8_(path_.toUtf8()) {
        removeFilesOfEndedFuzzers();
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    [[nodiscard]] const QString& path() const { return path_; }
    [[nodiscard]] const char* utf8() const { return utf8_.constData(); }

    void write(const uint8_t* data, size_t size) const {
        QFile file(path_);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }

    // An empty folder of this process's own, removed with its files.
    static QString makeOwnFolder(const char* name) {
        removeFilesOfEndedFuzzers();
        const QString path =
            QStringLiteral("%1/housing-fuzz-%2-%3").arg(folder()).arg(getpid()).arg(name);
        QDir(path).removeRecursively();
        QDir().mkpath(path);
        return path;
    }

    // Removes this process's files and folders, for a run that ends by returning (libFuzzer's
    // runs end without it, and the next run's removeFilesOfEndedFuzzers cleans after them).
    static void removeOwnFiles() {
        const QDir dir(folder());
        for (const QFileInfo& entry : dir.entryInfoList(
                 {QStringLiteral("housing-fuzz-%1-*").arg(getpid())}, QDir::Files | QDir::Dirs)) {
            remove(entry);
        }
    }

private:
    static void remove(const QFileInfo& entry) {
        if (entry.isDir()) {
            QDir(entry.filePath()).removeRecursively();
        } else {
            QFile::remove(entry.filePath());
        }
    }

    static QString folder() {
        return QFileInfo::exists("/dev/shm") ? QStringLiteral("/dev/shm") : QDir::tempPath();
    }
    static void removeFilesOfEndedFuzzers() {
        const QDir dir(folder());
        for (const QFileInfo& entry :
             dir.entryInfoList({QStringLiteral("housing-fuzz-*")}, QDir::Files | QDir::Dirs)) {
            const QString owner = entry.fileName().section('-', 2, 2);
            if (QFileInfo::exists(QStringLiteral("/proc/%1").arg(owner))) continue;
            remove(entry);
        }
    }

    QString path_;
    QByteArray utf8_;
};

// Makes a folder of this process's own the app's sandbox (Documents/, Library/, tmp/), for
// harnesses whose readers find their files there. Call once, from LLVMFuzzerInitialize.
class ScratchSandbox {
public:
    static QString start(const char* name) {
        const QString root = ScratchFile::makeOwnFolder(name);
        ns::Sandbox::setRoot(root);
        return root;
    }
};
