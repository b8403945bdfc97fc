#include "platform/foundation/file_manager.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <limits>
#include <optional>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ns {

namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

// Numbers the temporary files of this process. Plain atomics rather than a random generator:
// the last write of the app's settings happens while the process's statics are torn down.
std::atomic<quint64> gTemporaryCounter{0};

// The start of the names of the temporary files written for `target`, to which the writer's
// process id and a counter are added. A hidden name, so that folder walks that skip hidden
// files never see a half-written file.
QString temporaryPrefix(const QFileInfo& target) {
    return target.absolutePath() + QStringLiteral("/.") + target.fileName() +
           QStringLiteral(".tmp-");
}

Error fileError(qint64 code, const QString& path, int errnum, const QString& what) {
    QVariantMap info{{FileManager::kFilePathKey, path}};
    QString description = QStringLiteral("%1 \u201c%2\u201d failed").arg(what, path);
    if (errnum != 0) {
        const QString reason = qt_error_string(errnum);
        description += QStringLiteral(": ") + reason;
        info.insert(Error::kUnderlyingErrorKey, QVariant::fromValue(Error::withDescription(
                                                    Error::kPOSIXErrorDomain, errnum, reason)));
    }
    info.insert(Error::kLocalizedDescriptionKey, description + QLatin1Char('.'));
    return Error(Error::kCocoaErrorDomain, code, info);
}

qint64 readCode(int errnum) {
    switch (errnum) {
        case ENOENT:
        case ENOTDIR:
            return FileManager::kFileReadNoSuchFileError;
        case EACCES:
        case EPERM:
            return FileManager::kFileReadNoPermissionError;
        default:
            return FileManager::kFileReadUnknownError;
    }
}

qint64 writeCode(int errnum) {
    switch (errnum) {
        case ENOENT:
        case ENOTDIR:
            return FileManager::kFileNoSuchFileError;
        case EEXIST:
        case ENOTEMPTY:
        case EISDIR:
            return FileManager::kFileWriteFileExistsError;
        case EACCES:
        case EPERM:
        case EROFS:
            return FileManager::kFileWriteNoPermissionError;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return FileManager::kFileWriteOutOfSpaceError;
        default:
            return FileManager::kFileWriteUnknownError;
    }
}

bool fail(Error* error, qint64 code, const QString& path, int errnum, const QString& what) {
    if (error) *error = fileError(code, path, errnum, what);
    return false;
}

bool lexists(const QString& path) {
    struct stat info {};
    return ::lstat(native(path).constData(), &info) == 0;
}

bool writeAll(int fd, const QByteArray& contents) {
    const char* data = contents.constData();
    qsizetype left = contents.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

QDateTime fromTimespec(const timespec& time) {
    return QDateTime::fromMSecsSinceEpoch(qint64(time.tv_sec) * 1000 + time.tv_nsec / 1000000,
                                          QTimeZone::utc());
}

bool copyTree(const QString& source, const QString& destination, Error* error) {
    struct stat info {};
    if (::lstat(native(source).constData(), &info) != 0) {
        return fail(error, readCode(errno), source, errno, QStringLiteral("Copying"));
    }
    if (S_ISDIR(info.st_mode)) {
        if (::mkdir(native(destination).constData(), (info.st_mode & 07777) | S_IRWXU) != 0) {
            return fail(error, writeCode(errno), destination, errno, QStringLiteral("Copying"));
        }
        const auto names = FileManager::contentsOfDirectoryAtPath(source, error);
        if (!names) return false;
        for (const QString& name : *names) {
            if (!copyTree(source + QLatin1Char('/') + name, destination + QLatin1Char('/') + name,
                          error)) {
                return false;
            }
        }
        return true;
    }
    QFile file(source);
    if (!file.copy(destination)) {
        if (error) {
            *error = fileError(FileManager::kFileWriteUnknownError, destination, 0,
                               QStringLiteral("Copying (%1)").arg(file.errorString()));
        }
        return false;
    }
    return true;
}

}  // namespace

bool FileManager::fileExistsAtPath(const QString& path, bool* isDirectory) {
    struct stat info {};
    const bool exists = ::stat(native(path).constData(), &info) == 0;
    if (isDirectory) *isDirectory = exists && S_ISDIR(info.st_mode);
    return exists;
}

bool FileManager::createDirectoryAtPath(const QString& path, bool withIntermediateDirectories,
                                        Error* error) {
    const QString what = QStringLiteral("Creating the folder");
    bool isDirectory = false;
    if (fileExistsAtPath(path, &isDirectory)) {
        if (isDirectory && withIntermediateDirectories) return true;
        return fail(error, kFileWriteFileExistsError, path, EEXIST, what);
    }
    if (!withIntermediateDirectories) {
        if (::mkdir(native(path).constData(), 0777) == 0) return true;
        return fail(error, writeCode(errno), path, errno, what);
    }
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    qsizetype next = clean.indexOf(QLatin1Char('/'), 1);
    for (;;) {
        const QString prefix = next < 0 ? clean : clean.left(next);
        if (::mkdir(native(prefix).constData(), 0777) != 0 && errno != EEXIST) {
            return fail(error, writeCode(errno), prefix, errno, what);
        }
        if (next < 0) break;
        next = clean.indexOf(QLatin1Char('/'), next + 1);
    }
    if (fileExistsAtPath(path, &isDirectory) && isDirectory) return true;
    return fail(error, kFileWriteFileExistsError, path, EEXIST, what);
}

bool FileManager::removeItemAtPath(const QString& path, Error* error) {
    const QString what = QStringLiteral("Removing");
    struct stat info {};
    if (::lstat(native(path).constData(), &info) != 0) {
        return fail(error, kFileNoSuchFileError, path, errno, what);
    }
    if (S_ISDIR(info.st_mode)) {
        if (QDir(path).removeRecursively()) return true;
        return fail(error, kFileWriteNoPermissionError, path, 0, what);
    }
    if (::unlink(native(path).constData()) == 0) return true;
    return fail(error, writeCode(errno), path, errno, what);
}

bool FileManager::moveItemAtPath(const QString& source, const QString& destination, Error* error) {
    const QString what = QStringLiteral("Moving");
    if (!lexists(source)) return fail(error, kFileReadNoSuchFileError, source, ENOENT, what);
    if (lexists(destination))
        return fail(error, kFileWriteFileExistsError, destination, EEXIST, what);
    if (::rename(native(source).constData(), native(destination).constData()) == 0) return true;
    if (errno != EXDEV) return fail(error, writeCode(errno), destination, errno, what);
    // Another file system: copy, then remove the original.
    if (!copyTree(source, destination, error)) {
        removeItemAtPath(destination);
        return false;
    }
    return removeItemAtPath(source, error);
}

bool FileManager::copyItemAtPath(const QString& source, const QString& destination, Error* error) {
    const QString what = QStringLiteral("Copying");
    if (!lexists(source)) return fail(error, kFileReadNoSuchFileError, source, ENOENT, what);
    if (lexists(destination))
        return fail(error, kFileWriteFileExistsError, destination, EEXIST, what);
    return copyTree(source, destination, error);
}

std::optional<QStringList> FileManager::contentsOfDirectoryAtPath(const QString& path,
                                                                  Error* error) {
    const QString what = QStringLiteral("Listing");
    struct stat info {};
    if (::stat(native(path).constData(), &info) != 0) {
        fail(error, readCode(errno), path, errno, what);
        return std::nullopt;
    }
    if (!S_ISDIR(info.st_mode)) {
        fail(error, kFileReadUnknownError, path, ENOTDIR, what);
        return std::nullopt;
    }
    QStringList names = QDir(path).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    std::sort(names.begin(), names.end());
    return names;
}

QStringList FileManager::subpathsOfDirectoryAtPath(const QString& path, bool skipsHiddenFiles) {
    QDir::Filters filters = QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot;
    if (!skipsHiddenFiles) filters |= QDir::Hidden;
    const QDir root(path);
    QStringList paths;
    QDirIterator it(path, filters, QDirIterator::Subdirectories);
    while (it.hasNext()) paths.append(root.relativeFilePath(it.next()));
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::optional<FileManager::Attributes> FileManager::attributesOfItemAtPath(const QString& path,
                                                                           Error* error) {
    struct stat info {};
    if (::stat(native(path).constData(), &info) != 0) {
        fail(error, readCode(errno), path, errno, QStringLiteral("Reading the attributes of"));
        return std::nullopt;
    }
    Attributes attributes;
    attributes.isDirectory = S_ISDIR(info.st_mode);
    attributes.size = qint64(info.st_size);
    attributes.allocatedSize = qint64(info.st_blocks) * 512;
    attributes.modificationDate = fromTimespec(info.st_mtim);
    attributes.posixPermissions = int(info.st_mode & 07777);
    return attributes;
}

bool FileManager::setModificationDate(const QDateTime& date, const QString& path, Error* error) {
    const QString what = QStringLiteral("Setting the modification date of");
    if (!date.isValid()) return fail(error, kFileWriteUnknownError, path, EINVAL, what);
    const qint64 msecs = date.toMSecsSinceEpoch();
    const qint64 seconds = msecs >= 0 ? msecs / 1000 : -((-msecs + 999) / 1000);
    timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(seconds);
    times[1].tv_nsec = long((msecs - seconds * 1000) * 1000000);
    if (::utimensat(AT_FDCWD, native(path).constData(), times, 0) == 0) return true;
    return fail(error, writeCode(errno), path, errno, what);
}

std::optional<QByteArray> FileManager::contentsAtPath(const QString& path, Error* error) {
    const QString what = QStringLiteral("Reading");
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        fail(error, readCode(errno), path, errno, what);
        return std::nullopt;
    }
    QByteArray contents;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0) contents.reserve(qsizetype(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            const int errnum = errno;
            ::close(fd);
            fail(error, readCode(errnum), path, errnum, what);
            return std::nullopt;
        }
        contents.append(buffer, qsizetype(got));
    }
    ::close(fd);
    return contents;
}

bool FileManager::createFileAtPath(const QString& path, const QByteArray& contents,
                                   std::optional<int> posixPermissions, Error* error) {
    const QString what = QStringLiteral("Writing");
    const QFileInfo target(path);
    const QString prefix = temporaryPrefix(target);
    QString temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = prefix + QString::number(::getpid()) + QLatin1Char('-') +
                    QString::number(++gTemporaryCounter);
        fd = ::open(native(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return fail(error, writeCode(errno), path, errno, what);
    }
    if (fd < 0) return fail(error, kFileWriteUnknownError, path, EEXIST, what);

    const auto abandon = [&](int errnum) {
        if (fd >= 0) ::close(fd);
        ::unlink(native(temporary).constData());
        return fail(error, writeCode(errnum), path, errnum, what);
    };
    if (posixPermissions && ::fchmod(fd, mode_t(*posixPermissions)) != 0) return abandon(errno);
    if (!writeAll(fd, contents)) return abandon(errno);
    // The data must be on the disk before the rename makes it the file: otherwise a power
    // loss could leave the new name with missing contents.
    if (::fsync(fd) != 0) return abandon(errno);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) return abandon(errno);
    if (::rename(native(temporary).constData(), native(path).constData()) != 0) {
        return abandon(errno);
    }
    // Make the rename itself durable.
    const int folder =
        ::open(native(target.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

namespace {

// The writer's process id in the name of a temporary file: the digits between the marker and
// the counter; nothing unless the rest of the name is exactly "<pid>-<counter>".
std::optional<pid_t> writerOfTemporaryFile(const QString& name, qsizetype markerEnd) {
    const QStringView rest = QStringView(name).mid(markerEnd);
    const qsizetype dash = rest.indexOf(QLatin1Char('-'));
    if (dash <= 0) return std::nullopt;
    bool isPid = false;
    bool isCounter = false;
    const qint64 pid = rest.left(dash).toLongLong(&isPid);
    (void)rest.mid(dash + 1).toULongLong(&isCounter);
    if (!isPid || !isCounter || pid <= 0 || pid > std::numeric_limits<pid_t>::max()) {
        return std::nullopt;
    }
    return pid_t(pid);
}

// Removes the file when the process that wrote it is gone: a writer still alive may be
// about to rename it, and the app's own files are never abandoned.
void removeIfAbandoned(const QString& folder, const QString& name, pid_t writer) {
    if (writer == ::getpid()) return;
    if (::kill(writer, 0) == 0 || errno != ESRCH) return;
    ::unlink(native(folder + QLatin1Char('/') + name).constData());
}

}  // namespace

void FileManager::removeAbandonedTemporaryFiles(const QString& path) {
    const QFileInfo target(path);
    const QString namePrefix = QFileInfo(temporaryPrefix(target)).fileName();
    const auto names = contentsOfDirectoryAtPath(target.absolutePath());
    if (!names) return;
    for (const QString& name : *names) {
        if (!name.startsWith(namePrefix)) continue;
        if (const auto writer = writerOfTemporaryFile(name, namePrefix.size())) {
            removeIfAbandoned(target.absolutePath(), name, *writer);
        }
    }
}

void FileManager::removeAbandonedTemporaryFilesInFolder(const QString& folder) {
    const QString marker = QStringLiteral(".tmp-");
    const auto names = contentsOfDirectoryAtPath(folder);
    if (!names) return;
    for (const QString& name : *names) {
        // ".<target's name>.tmp-<pid>-<counter>", the target's name not empty.
        if (!name.startsWith(QLatin1Char('.'))) continue;
        const qsizetype at = name.lastIndexOf(marker);
        if (at <= 1) continue;
        if (const auto writer = writerOfTemporaryFile(name, at + marker.size())) {
            removeIfAbandoned(QFileInfo(folder).absoluteFilePath(), name, *writer);
        }
    }
}

std::optional<QString> FileManager::moveAsideUnreadableFile(const QString& path) {
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const QString aside = path + QStringLiteral(".unreadable") +
                              (attempt == 1 ? QString() : QStringLiteral("-%1").arg(attempt));
        if (fileExistsAtPath(aside)) continue;
        if (::rename(native(path).constData(), native(aside).constData()) != 0) return std::nullopt;
        return aside;
    }
    return std::nullopt;
}

}  // namespace ns
