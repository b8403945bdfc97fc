#pragma once

// The readers under test take file paths: each input becomes a file of this process's own, in
// memory where the system offers a memory-backed folder.

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>
#include <cstdint>
#include <cstdlib>

inline QString scratchPath(const char* name) {
    const QString folder = QFileInfo::exists("/dev/shm") ? "/dev/shm" : QDir::tempPath();
    return QStringLiteral("%1/housing-fuzz-%2-%3").arg(folder).arg(getpid()).arg(name);
}

inline void writeScratch(const QString& path, const uint8_t* data, size_t size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
}
