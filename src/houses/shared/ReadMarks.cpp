#include "houses/shared/ReadMarks.h"

#include "location/DocumentFolder.h"
#include "platform/foundation/property_list.h"

#include <QFile>

#include <sys/stat.h>

namespace {

struct Cache {
    quint64 generation = 0;  // bumped by every write made here
    quint64 readGeneration = ~0ull;
    // What identifies one state of the file: a rewrite (atomic writes replace the file)
    // changes the inode, an edit in place the modification time or the size.
    struct stat file {};
    bool exists = false;
    QString path;
    QVariantMap marks;
};

Cache& cache() {
    static Cache shared;
    return shared;
}

const QVariantMap& currentMarks() {
    Cache& c = cache();
    const QString file = ReadMarks::path();
    struct stat now {};
    const bool exists = ::stat(QFile::encodeName(file).constData(), &now) == 0;
    const bool same = exists == c.exists &&
                      (!exists || (now.st_ino == c.file.st_ino && now.st_size == c.file.st_size &&
                                   now.st_mtim.tv_sec == c.file.st_mtim.tv_sec &&
                                   now.st_mtim.tv_nsec == c.file.st_mtim.tv_nsec));
    if (c.readGeneration != c.generation || c.path != file || !same) {
        c.marks =
            exists ? ns::dictionaryWithContentsOfFile(file).value_or(QVariantMap()) : QVariantMap();
        c.readGeneration = c.generation;
        c.path = file;
        c.file = now;
        c.exists = exists;
    }
    return c.marks;
}

}  // namespace

QString ReadMarks::path() {
    return DocumentFolder::filePath(QStringLiteral("hasReadPostId"));
}

void ReadMarks::markRead(const QString& puid) {
    if (puid.isEmpty()) return;
    QVariantMap marks = ns::dictionaryWithContentsOfFile(path()).value_or(QVariantMap());
    marks.insert(puid, QStringLiteral("1"));
    ns::writeToFile(marks, path(), true);
    ++cache().generation;
}

bool ReadMarks::isRead(const QString& puid) {
    return !puid.isEmpty() && currentMarks().contains(puid);
}
