#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace ui {
class Image;
class ImageView;
}  // namespace ui

// Thumbnails of list rows, loaded by URL into an image view with a memory cache. A view
// has at most one load: a new one supersedes the one before, whose answer is then not
// shown; a view that has gone away hears nothing.
class PostThumbnail {
public:
    using Done = std::function<void(std::shared_ptr<ui::Image> image)>;  // null on failure

    // Shows `placeholder` until the picture comes. A cached picture comes before the call
    // returns.
    static void load(ui::ImageView& view, const QString& url,
                     const std::shared_ptr<ui::Image>& placeholder, Done done);
    // Forgets the view's load, so a late answer is not shown.
    static void cancel(ui::ImageView& view);
    [[nodiscard]] static std::shared_ptr<ui::Image> cachedImage(const QString& url);
    // Puts a picture into the memory cache, as a finished download does.
    static void storeImage(const QString& url, const std::shared_ptr<ui::Image>& image);
    static void clearCache();
};
