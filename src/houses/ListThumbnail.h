#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace ui {
class Image;
class ImageView;
}  // namespace ui

// The thumbnail of a list row, from the image host: asked for without cookies and on a
// shared connection, `loading` shown meanwhile, the picture faded in over 0.5 s when it
// arrives (at once, without the fade, from the memory cache) and `failed` when it cannot be
// had. A row that moved on to another post by then (`stillShowing` answers no) is left as
// it is.
class ListThumbnail {
public:
    static constexpr double kTimeout = 30;
    static constexpr double kFadeSeconds = 0.5;

    static void load(ui::ImageView& view, const QString& url, std::shared_ptr<ui::Image> loading,
                     std::shared_ptr<ui::Image> failed, std::function<bool()> stillShowing);
};
