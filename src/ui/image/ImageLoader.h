#pragma once

#include "platform/foundation/cache.h"
#include "ui/image/ImageDownoader.h"

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace ns {
class NotificationCenter;
}
namespace ui {
class ImageView;
}

// The shared loader of the full-screen photo pages: one fetch per URL however many views
// wait for it, the picture set on each of them and announced with "kQXFCImageDownloadDone"
// ({"bgImage": the picture, "url": its URL}). Pictures stay in memory up to kCacheCostLimit bytes
// of pixels, and go when the app is warned of low memory. Everything runs on the main thread.
class ImageLoader : public ImageDownoaderDelegate,
                    public std::enable_shared_from_this<ImageLoader> {
public:
    using Failed = std::function<void()>;

    static inline const QString kImageDownloadDoneNotification =
        QStringLiteral("kQXFCImageDownloadDone");
    static inline const QString kImageKey = QStringLiteral("bgImage");
    static inline const QString kURLKey = QStringLiteral("url");
    static constexpr std::size_t kCacheCostLimit = 48 * 1024 * 1024;

    [[nodiscard]] static ImageLoader& sharedLoader();
    // `failed` runs for this view when the fetch ends without a picture.
    void setImageWithURL(const QString& url, const std::shared_ptr<ui::ImageView>& view,
                         Failed failed = {});
    // Fetches on the calling thread and waits; nothing when it fails.
    [[nodiscard]] std::shared_ptr<ui::Image> imageWithURL(const QString& url);
    void receivedImage(const std::shared_ptr<ui::Image>& image, ImageDownoader& sender) override;

    [[nodiscard]] std::shared_ptr<ui::Image> cachedImage(const QString& url);
    [[nodiscard]] std::size_t waitingCount(const QString& url) const;

private:
    struct Waiting {
        std::weak_ptr<ui::ImageView> view;
        Failed failed;
    };

    ImageLoader();
    void observeMemoryWarnings();
    void store(const QString& url, const std::shared_ptr<ui::Image>& image);
    static void announce(const QString& url, const std::shared_ptr<ui::Image>& image);

    ns::Cache<std::shared_ptr<ui::Image>> cache_;
    std::map<QString, std::vector<Waiting>> activeDownloads_;
    std::shared_ptr<void> memoryWarning_;
};
