#include "map/PictureFileCache.h"

#include "platform/foundation/cache.h"
#include "platform/uikit/image.h"

#include <QFile>

#include <sys/stat.h>

#include <optional>

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

struct Kept {
    FileVersion version;
    std::shared_ptr<ui::Image> picture;
};

// The least recently shown pictures go first once the kept pixels pass the budget.
ns::Cache<std::optional<Kept>>& store() {
    static ns::Cache<std::optional<Kept>> kept(QStringLiteral("PictureFileCache"));
    static const bool limited = [] {
        kept.setTotalCostLimit(std::size_t(PictureFileCache::kBudgetBytes));
        return true;
    }();
    (void)limited;
    return kept;
}

}  // namespace

std::shared_ptr<ui::Image> PictureFileCache::pictureAt(const QString& path) {
    auto& kept = store();
    FileVersion version;
    const bool exists = versionOf(path, version);
    if (const auto found = kept.objectForKey(path)) {
        if (exists && found->version == version) return found->picture;
        kept.removeObjectForKey(path);
    }
    if (!exists) return nullptr;
    auto picture = ui::Image::imageWithContentsOfFile(path);
    if (!picture) return nullptr;
    // A picture larger than the whole budget is shown but not kept.
    kept.setObject(path, Kept{version, picture}, picture->decodedBytes());
    return picture;
}

std::int64_t PictureFileCache::keptBytes() {
    return std::int64_t(store().totalCost());
}

void PictureFileCache::clear() {
    store().removeAllObjects();
}
