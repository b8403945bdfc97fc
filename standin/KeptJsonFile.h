#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

namespace standin {

// A JSON object the stand-in keeps in a file across its runs (a demo's sandbox), written whole
// or not at all, so that a stand-in stopped while writing leaves the object before.
namespace KeptJsonFile {

// The object in the file: empty when there is no file yet; nothing when the file holds no
// JSON object.
[[nodiscard]] std::optional<QJsonObject> read(const QString& path);
// Replaces the file by the object; false when it could not be written.
bool write(const QString& path, const QJsonObject& object);

}  // namespace KeptJsonFile

}  // namespace standin
