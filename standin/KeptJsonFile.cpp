#include "standin/KeptJsonFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
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
    return writeBytes(path, QJsonDocument(object).toJson());
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(bytes);
    return file.commit();
}

void removeLeftovers(const QString& path) {
    const QFileInfo kept(path);
    removeLeftoversIn(kept.absolutePath(), QRegularExpression::escape(kept.fileName()));
}

void removeLeftoversIn(const QString& folder, const QString& keptName) {
    // The writer's temporary file: the kept file's name and six random letters or digits.
    const QRegularExpression leftover(
        QRegularExpression::anchoredPattern(keptName + QStringLiteral("\\.[A-Za-z0-9]{6}")));
    QDir files(folder);
    // Hidden files too: a kept file whose name begins with a dot leaves hidden leftovers.
    for (const QString& name : files.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (leftover.match(name).hasMatch()) files.remove(name);
    }
}

}  // namespace standin::KeptJsonFile
