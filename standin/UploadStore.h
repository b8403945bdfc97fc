#pragma once

#include <QByteArray>
#include <QString>

#include <mutex>
#include <optional>

namespace standin {

// The files uploaded to the image host, kept in one folder (its "uploads/"). A file is named
// by its content, a hash and the extension, never by a count that a new run starts again: the
// app keeps the address an upload answered in its message and a copy of the file under that
// address, so a name that came back for other bytes would show the new file in the old
// message. The same bytes uploaded again keep their name. Together the files (hidden ones
// too) stay within a bound; past it those stored (or uploaded again) longest ago go first, of
// those stored at one time the one whose name comes first. Safe from any server thread.
class UploadStore {
public:
    // Holds the pictures of a long demo (the app sends JPEGs of some hundred KB, voices of a
    // few KB) while a sandbox stays small.
    static constexpr qint64 kMaximumBytes = 32LL * 1024 * 1024;

    // Removes what a write the process was killed in left in `folder`.
    explicit UploadStore(QString folder, qint64 maximumBytes = kMaximumBytes);

    // Whether a file of `size` bytes can be kept at all: no larger than the bound alone.
    [[nodiscard]] bool fits(qint64 size) const { return size <= maximumBytes_; }
    // Keeps `content` and answers its name in the folder, "<hash>.<extension>", after
    // removing the oldest other files while all of them together pass the bound; nothing when
    // it does not fit or cannot be written.
    [[nodiscard]] std::optional<QString> store(const QByteArray& content, const QString& extension);

    // The name `content` is kept under.
    [[nodiscard]] static QString nameOf(const QByteArray& content, const QString& extension);

private:
    // Removes the files stored longest ago, of one time by name, never `kept`, until the rest
    // fit in the bound.
    void trimKeeping(const QString& kept);

    QString folder_;
    qint64 maximumBytes_;
    std::mutex mutex_;  // one store at a time: a trim counts the files no other store adds to
};

}  // namespace standin
