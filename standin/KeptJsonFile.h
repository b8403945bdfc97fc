#pragma once

#include <QByteArray>
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
// Replaces the file by `bytes`, whole or not at all; false when it could not be written.
bool writeBytes(const QString& path, const QByteArray& bytes);
// Removes the temporary files that writes of the file left beside it when a kill stopped them
// halfway (the file's name, a dot and six letters or digits). Done as a server starts on the
// file, before it writes there: nothing else writes the file then.
void removeLeftovers(const QString& path);
// The same for every file of `folder` whose name matches `keptName`, a regular expression
// (the files a server keeps there, each written whole or not at all).
void removeLeftoversIn(const QString& folder, const QString& keptName);

}  // namespace KeptJsonFile

}  // namespace standin
