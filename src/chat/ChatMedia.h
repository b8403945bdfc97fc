#pragma once

#include <QString>
#include <QStringList>

// The addresses and local files of chat pictures and voices.
namespace ChatMedia {

inline const QString kFileScheme = QStringLiteral("file://");

// A media address as a message carries it: "file://" (a local file not yet uploaded) and
// "http" addresses as they are, any other a path on the image host.
[[nodiscard]] QString mediaAddress(const QString& value);
// The file name a "file://" address names, when it is a plain name (no folder, no "..") that
// can only lie in the app's own cache folders; empty for anything else.
[[nodiscard]] QString localFileName(const QString& address);
// A name for a new file in the folders: the current time in whole seconds since 1970, with "-2",
// "-3", ... added while a file of that name (or that name with ".wav") is in one of them (two
// in one second).
[[nodiscard]] QString uniqueFileName(const QStringList& folders);
// Where a file uploaded to `url` is kept on this device: a picture (".jpg", ".png", ".jpeg",
// ".gif") where the picture view looks for it, a voice (".amr") in the AMR cache under the MD5
// of the URL; empty for an address of any other kind.
[[nodiscard]] QString uploadedFileCachePath(const QString& url);

}  // namespace ChatMedia
