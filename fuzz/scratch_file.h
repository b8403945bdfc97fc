#pragma once

// The readers under test take file paths: each input becomes a file of this process's own, in
// memory where the system offers a memory-backed folder. libFuzzer ends without running
// destructors, so each run first removes the files of fuzzers that are gone.

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

private:
    static QString folder() {
        return QFileInfo::exists("/dev/shm") ? QStringLiteral("/dev/shm") : QDir::tempPath();
    }
    static void removeFilesOfEndedFuzzers() {
        const QDir dir(folder());
        for (const QString& file : dir.entryList({QStringLiteral("housing-fuzz-*")}, QDir::Files)) {
            const QString owner = file.section('-', 2, 2);
            if (!QFileInfo::exists(QStringLiteral("/proc/%1").arg(owner)))
                QFile::remove(dir.filePath(file));
        }
    }

    QString path_;
    QByteArray utf8_;
};
