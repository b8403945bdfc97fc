#include "map/PictureFileCache.h"

#include "platform/uikit/image.h"

#include <QFile>

#include <sys/stat.h>

#include <list>
#include <unordered_map>

namespace {

// What tells one version of a file from another: a rewrite through a temporary file gets a
// new inode, a rewrite in place a new size or modification time.
struct FileVersion {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileVersion&) const = default;
};

bool versionOf(const QString& path, FileVersion& version) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    version = {info.st_dev, info.st_ino, info.st_size,
               std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
    return true;
}

struct Entry {
    QString path;
    FileVersion version;
    std::shared_ptr<ui::Image> picture;
    std::int64_t bytes = 0;
};

struct Store {
    std::list<Entry> recent;  // most recently shown first
    std::unordered_map<QString, std::list<Entry>::iterator> byPath;
    std::int64_t bytes = 0;

    void drop(std::list<Entry>::iterator entry) {
        bytes -= entry->bytes;
        byPath.erase(entry->path);
        recent.erase(entry);
    }
};

Store& store() {
    static Store kept;
    return kept;
}

}  // namespace

std::shared_ptr<ui::Image> PictureFileCache::pictureAt(const QString& path) {
    Store& kept = store();
    FileVersion version;
    const bool exists = versionOf(path, version);
    const auto found = kept.byPath.find(path);
    if (found != kept.byPath.end()) {
        if (exists && found->second->version == version) {
            kept.recent.splice(kept.recent.begin(), kept.recent, found->second);
            return found->second->picture;
        }
        kept.drop(found->second);
    }
    if (!exists) return nullptr;
    auto picture = ui::Image::imageWithContentsOfFile(path);
    if (!picture) return nullptr;
    const std::int64_t bytes = picture->pixels().sizeInBytes();
    // A picture larger than the whole budget is shown but not kept.
    if (bytes > kBudgetBytes) return picture;
    kept.recent.push_front({path, version, picture, bytes});
    kept.byPath[path] = kept.recent.begin();
    kept.bytes += bytes;
    while (kept.bytes > kBudgetBytes) kept.drop(std::prev(kept.recent.end()));
    return picture;
}

std::int64_t PictureFileCache::keptBytes() {
    return store().bytes;
}

void PictureFileCache::clear() {
    Store& kept = store();
    kept.recent.clear();
    kept.byPath.clear();
    kept.bytes = 0;
}
