#include "ui/image/ImageLoader.h"

// For the picture's type as a notification value.
#include "net/transport/NKImageRequestOperation.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/url_connection.h"
#include "platform/uikit/application.h"
#include "platform/uikit/image_view.h"

#include <QVariant>

ImageLoader& ImageLoader::sharedLoader() {
    static const std::shared_ptr<ImageLoader> shared = [] {
        auto loader = std::shared_ptr<ImageLoader>(new ImageLoader());
        loader->observeMemoryWarnings();
        return loader;
    }();
    return *shared;
}

ImageLoader::ImageLoader() : cache_(QStringLiteral("ImageLoader")) {
    cache_.setTotalCostLimit(kCacheCostLimit);
}

void ImageLoader::observeMemoryWarnings() {
    const std::weak_ptr<ImageLoader> weak = weak_from_this();
    memoryWarning_ = ns::NotificationCenter::defaultCenter().addObserver(
        ui::kApplicationDidReceiveMemoryWarningNotification, [weak](const ns::Notification&) {
            if (auto self = weak.lock()) self->cache_.removeAllObjects();
        });
}

void ImageLoader::announce(const QString& url, const std::shared_ptr<ui::Image>& image) {
    ns::NotificationCenter::defaultCenter().post(
        kImageDownloadDoneNotification, nullptr,
        {{kImageKey, QVariant::fromValue(image)}, {kURLKey, url}});
}

void ImageLoader::store(const QString& url, const std::shared_ptr<ui::Image>& image) {
    cache_.setObject(url, image, image->decodedBytes());
}

std::shared_ptr<ui::Image> ImageLoader::cachedImage(const QString& url) {
    return cache_.objectForKey(url);
}

std::size_t ImageLoader::waitingCount(const QString& url) const {
    const auto found = activeDownloads_.find(url);
    return found == activeDownloads_.end() ? 0 : found->second.size();
}

void ImageLoader::setImageWithURL(const QString& url, const std::shared_ptr<ui::ImageView>& view,
                                  Failed failed) {
    if (auto image = cache_.objectForKey(url)) {
        if (view) view->setImage(image);
        announce(url, image);
        return;
    }
    auto [entry, first] = activeDownloads_.try_emplace(url);
    entry->second.push_back({view, std::move(failed)});
    if (!first) return;
    ImageDownoader::create()->getImageFromURL(url, ImageDownoader::kPlainImage, shared_from_this());
}

void ImageLoader::receivedImage(const std::shared_ptr<ui::Image>& image, ImageDownoader& sender) {
    const auto found = activeDownloads_.find(sender.origURL());
    std::vector<Waiting> waiting;
    if (found != activeDownloads_.end()) {
        waiting = std::move(found->second);
        activeDownloads_.erase(found);
    }
    if (!image) {
        // The waiting views hear of the failure, so that they can offer to try again.
        for (const auto& caller : waiting) {
            if (caller.failed) caller.failed();
        }
        return;
    }
    store(sender.origURL(), image);
    if (waiting.empty()) return;
    for (const auto& caller : waiting) {
        if (auto view = caller.view.lock()) view->setImage(image);
    }
    announce(sender.origURL(), image);
}

std::shared_ptr<ui::Image> ImageLoader::imageWithURL(const QString& url) {
    if (auto image = cache_.objectForKey(url)) return image;
    const QUrl target(url);
    if (!target.isValid() || target.isEmpty()) return nullptr;
    const auto result = ns::URLConnection::sendSynchronousRequest(ns::URLRequest(target));
    if (result.error) return nullptr;
    auto image = ui::Image::imageWithData(result.data);
    if (image) store(url, image);
    return image;
}
