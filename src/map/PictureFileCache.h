#pragma once

#include <QString>

#include <cstdint>
#include <memory>

namespace ui {
class Image;
}

// Decoded pictures of files on this device (the picture cache's downloads, the user's own
// photos), kept in memory so that a bubble or a row shown again does not read and decode its
// file again. A file that was rewritten, replaced or removed since it was read is read anew (or
// gives nothing); the least recently shown pictures go once the kept pixels pass the budget.
// The version looked at is the named file's (not a "@2x" sibling). Used on the main thread only.
class PictureFileCache {
public:
    static constexpr std::int64_t kBudgetBytes = 32 * 1024 * 1024;

    // The picture of the file at `path`, as ui::Image::imageWithContentsOfFile reads it.
    [[nodiscard]] static std::shared_ptr<ui::Image> pictureAt(const QString& path);
    // Bytes of pixels kept now.
    [[nodiscard]] static std::int64_t keptBytes();
    static void clear();
};
