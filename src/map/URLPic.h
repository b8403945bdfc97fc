#pragma once

#include "platform/uikit/image_view.h"

#include <QUrl>

namespace map {
class TileLoader;
}

// An image view that shows the picture at a URL, with a placeholder until it arrives. A
// newer URL replaces an older one still under way.
class URLPic : public ui::ImageView {
public:
    explicit URLPic(const ui::Rect& frame);
    ~URLPic() override;

    void setImageWithURL(const QUrl& url, std::shared_ptr<ui::Image> placeholder);
    [[nodiscard]] const QUrl& url() const { return url_; }

    // The loader all URL pictures share (the platform's URL loading by default).
    static void setLoader(std::shared_ptr<map::TileLoader> loader);

private:
    QUrl url_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
