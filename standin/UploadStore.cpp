#include "standin/UploadStore.h"

#include "standin/KeptJsonFile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

namespace standin {

namespace {

// 128 bits of the hash: no two files a sandbox will ever hold share them.
constexpr int kNameHexDigits = 32;

}  // namespace

UploadStore::UploadStore(QString folder, qint64 maximumBytes)
    : folder_(std::move(folder)), maximumBytes_(maximumBytes) {
    KeptJsonFile::removeLeftoversIn(
        folder_, QStringLiteral("[0-9a-f]{%1}\\.[A-Za-z0-9]+").arg(kNameHexDigits));
}

QString UploadStore::nameOf(const QByteArray& content, const QString& extension) {
    const QByteArray hash = QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex();
    return QString::fromLatin1(hash.left(kNameHexDigits)) + QLatin1Char('.') + extension;
}

std::optional<QString> UploadStore::store(const QByteArray& content, const QString& extension) {
    if (!fits(content.size())) return std::nullopt;
    const QString name = nameOf(content, extension);
    const QString path = QDir(folder_).filePath(name);
    std::lock_guard lock(mutex_);
    if (QFileInfo::exists(path)) {
        // The same bytes again: uploaded now, as far as the bound's order goes.
        QFile file(path);
        if (file.open(QIODevice::ReadWrite))
            file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
    } else {
        // Written whole or not at all: a reader never gets part of a file under its name.
        QDir().mkpath(folder_);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
            !file.commit()) {
            return std::nullopt;
        }
    }
    trimKeeping(name);
    return name;
}

void UploadStore::trimKeeping(const QString& kept) {
    const QFileInfoList files = QDir(folder_).entryInfoList(QDir::Files | QDir::Hidden);
    std::vector<std::tuple<QDateTime, QString, qint64>> byAge;
    qint64 total = 0;
    for (const QFileInfo& file : files) {
        total += file.size();
        if (file.fileName() != kept)
            byAge.emplace_back(file.lastModified(), file.fileName(), file.size());
    }
    // By time, then by name: a burst of uploads falls within one step of the file system's
    // clock, and the order the folder lists its files in is none to rely on.
    std::sort(byAge.begin(), byAge.end());
    for (const auto& [modified, name, size] : byAge) {
        if (total <= maximumBytes_) break;
        if (QFile::remove(QDir(folder_).filePath(name))) total -= size;
    }
}

}  // namespace standin
