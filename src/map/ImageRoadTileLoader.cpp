#include "map/ImageRoadTileLoader.h"

#include "ui/image/IKImageManager.h"

#include <algorithm>

struct ImageRoadTileLoader::Load {
    // Weak: the manager keeps a running operation, and the operation keeps this load.
    std::weak_ptr<IKImageCombinedOperation> operation;
    // Set by a cancel, so that an answer already on its way is dropped.
    bool cancelled = false;
};

ImageRoadTileLoader::ImageRoadTileLoader() = default;

ImageRoadTileLoader::ImageRoadTileLoader(std::shared_ptr<IKImageManager> manager)
    : manager_(std::move(manager)) {}

ImageRoadTileLoader::~ImageRoadTileLoader() {
    *alive_ = false;
    for (const auto& [url, loads] : loads_) {
        for (const auto& load : loads) {
            load->cancelled = true;
            if (auto operation = load->operation.lock()) operation->cancel();
        }
    }
}

std::shared_ptr<ImageRoadTileLoader> ImageRoadTileLoader::shared() {
    static const auto loader = std::make_shared<ImageRoadTileLoader>();
    return loader;
}

IKImageManager& ImageRoadTileLoader::manager() const {
    return manager_ ? *manager_ : IKImageManager::sharedManager();
}

void ImageRoadTileLoader::loadTile(const QUrl& url, Completion completion) {
    auto load = std::make_shared<Load>();
    loads_[url].push_back(load);
    std::weak_ptr<bool> alive = alive_;
    // The map decides when a failed tile is asked for again, not the manager's cool-down.
    load->operation = manager().downloadImageWithURL(
        url, IKImageRetryFailed, {},
        [this, alive, url, load, completion = std::move(completion)](
            const IKImageManager::Image& image, const std::optional<ns::Error>&, IKImageCacheType,
            bool finished, const QUrl&) {
            if (!finished || !alive.lock() || load->cancelled) return;
            finish(url, load);
            completion(image);
        });
}

void ImageRoadTileLoader::cancelTile(const QUrl& url) {
    const auto found = loads_.find(url);
    if (found == loads_.end()) return;
    const auto loads = std::move(found->second);
    loads_.erase(found);
    for (const auto& load : loads) {
        load->cancelled = true;
        if (auto operation = load->operation.lock()) operation->cancel();
    }
}

void ImageRoadTileLoader::finish(const QUrl& url, const std::shared_ptr<Load>& load) {
    const auto found = loads_.find(url);
    if (found == loads_.end()) return;
    std::erase(found->second, load);
    if (found->second.empty()) loads_.erase(found);
}
