#include "map/URLPic.h"

#include "map/ImageRoadTileLoader.h"

namespace {

std::shared_ptr<map::TileLoader>& sharedLoader() {
    static std::shared_ptr<map::TileLoader> loader = ImageRoadTileLoader::shared();
    return loader;
}

}  // namespace

URLPic::URLPic(const ui::Rect& frame) : ui::ImageView(frame) {
    setContentMode(ui::ContentMode::ScaleAspectFill);
    setClipsToBounds(true);
}

// Loads are never cancelled here: other pictures may wait for the same URL. A picture that
// arrives for a URL this view no longer shows is dropped.
URLPic::~URLPic() {
    *alive_ = false;
}

void URLPic::setImageWithURL(const QUrl& url, std::shared_ptr<ui::Image> placeholder) {
    url_ = url;
    setImage(std::move(placeholder));
    if (!url.isValid() || url.isEmpty()) return;
    std::weak_ptr<bool> alive = alive_;
    sharedLoader()->loadTile(url, [this, alive, url](std::shared_ptr<ui::Image> image) {
        if (!alive.lock() || url != url_ || !image) return;
        setImage(std::move(image));
    });
}

void URLPic::setLoader(std::shared_ptr<map::TileLoader> loader) {
    if (loader) sharedLoader() = std::move(loader);
}
