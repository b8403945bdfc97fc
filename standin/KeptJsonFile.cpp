#include "standin/KeptJsonFile.h"

#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

namespace standin::KeptJsonFile {

std::optional<QJsonObject> read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QJsonObject();
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isObject()) return std::nullopt;
    return document.object();
}

bool write(const QString& path, const QJsonObject& object) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(QJsonDocument(object).toJson());
    return file.commit();
}

}  // namespace standin::KeptJsonFile
