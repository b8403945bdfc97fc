#pragma once

#include "platform/foundation/error.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace ns {

// Files and folders, as the platform's file manager offers them. Every method may be called
// from any thread. Failures come back as errors of Error::kCocoaErrorDomain with the codes
// below, the failing path under kFilePathKey and the system's error as the underlying error.
class FileManager {
public:
    static inline const QString kFilePathKey = QStringLiteral("NSFilePath");

    static constexpr qint64 kFileNoSuchFileError = 4;
    static constexpr qint64 kFileReadUnknownError = 256;
    static constexpr qint64 kFileReadNoPermissionError = 257;
    static constexpr qint64 kFileReadNoSuchFileError = 260;
    static constexpr qint64 kFileWriteUnknownError = 512;
    static constexpr qint64 kFileWriteNoPermissionError = 513;
    static constexpr qint64 kFileWriteFileExistsError = 516;
    static constexpr qint64 kFileWriteOutOfSpaceError = 640;

    struct Attributes {
        bool isDirectory = false;
        qint64 size = 0;           // bytes of content
        qint64 allocatedSize = 0;  // bytes taken on the disk
        QDateTime modificationDate;
        int posixPermissions = 0;
    };

    // Whether something is at `path` (links followed); `isDirectory` tells whether it is a folder.
    [[nodiscard]] static bool fileExistsAtPath(const QString& path, bool* isDirectory = nullptr);

    // An existing folder counts as created only when intermediates were asked for, as on the
    // platform.
    static bool createDirectoryAtPath(const QString& path, bool withIntermediateDirectories,
                                      Error* error = nullptr);
    // Removes a file, a link or a whole folder.
    static bool removeItemAtPath(const QString& path, Error* error = nullptr);
    // Moving or copying onto an existing item fails. Folders are copied whole.
    static bool moveItemAtPath(const QString& source, const QString& destination,
                               Error* error = nullptr);
    static bool copyItemAtPath(const QString& source, const QString& destination,
                               Error* error = nullptr);

    // The names in a folder, hidden ones included, sorted by name.
    [[nodiscard]] static std::optional<QStringList> contentsOfDirectoryAtPath(
        const QString& path, Error* error = nullptr);
    // The paths below a folder relative to it, at any depth, folders included, sorted. Skipping
    // hidden files also skips everything inside hidden folders (and the temporary files of
    // atomic writes).
    [[nodiscard]] static QStringList subpathsOfDirectoryAtPath(const QString& path,
                                                               bool skipsHiddenFiles = false);

    [[nodiscard]] static std::optional<Attributes> attributesOfItemAtPath(const QString& path,
                                                                          Error* error = nullptr);
    static bool setModificationDate(const QDateTime& date, const QString& path,
                                    Error* error = nullptr);

    // The bytes of the file at `path`, nothing when it cannot be read.
    [[nodiscard]] static std::optional<QByteArray> contentsAtPath(const QString& path,
                                                                  Error* error = nullptr);
    // Writes `contents` to `path` atomically: a temporary file in the same folder is written,
    // flushed to the disk and renamed over the target, so the target holds either its old or
    // its whole new contents whatever happens meanwhile. `posixPermissions` applies to the new
    // file from its creation on; without it the process's usual file mode applies.
    static bool createFileAtPath(const QString& path, const QByteArray& contents,
                                 std::optional<int> posixPermissions = std::nullopt,
                                 Error* error = nullptr);
    // Removes the temporary files that writers of `path` killed in the middle of a write
    // left behind (those of processes that are gone); for stores to call when they open.
    static void removeAbandonedTemporaryFiles(const QString& path);
    // The same for every file kept in `folder` (not below it): for stores of many files.
    static void removeAbandonedTemporaryFilesInFolder(const QString& folder);
    // Renames a file that cannot be read out of the way, kept beside it for inspection as
    // "<name>.unreadable" (or "-2", "-3", ... when taken); the new path, or nothing.
    static std::optional<QString> moveAsideUnreadableFile(const QString& path);
};

}  // namespace ns
