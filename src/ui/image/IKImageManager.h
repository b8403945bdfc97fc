#pragma once

#include "platform/foundation/clock.h"
#include "platform/foundation/error.h"
#include "ui/image/IKImageCache.h"
#include "ui/image/IKImageDownloader.h"
#include "ui/image/IKImageOperation.h"

#include <QString>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace ns {
class Operation;
}

// Options of one load, as bits.
enum IKImageOptions : std::uint32_t {
    IKImageRetryFailed = 1,
    IKImageLowPriority = 2,
    IKImageCacheMemoryOnly = 4,
    IKImageProgressiveDownload = 8,
    IKImageRefreshCached = 16,
    IKImageContinueInBackground = 32,
    IKImageHandleCookies = 64,
    IKImageAllowInvalidSSLCertificates = 128,
    IKImageHighPriority = 256,
    IKImageDelayPlaceholder = 512,  // read by the view extensions only
};

// One load as its caller sees it: the cache query and then, on a miss, the download.
class IKImageCombinedOperation final : public IKImageOperation {
public:
    void cancel() override;
    [[nodiscard]] bool isCancelled() const;
    // Run at once (and not kept) when the load is already cancelled.
    void setCancelBlock(std::function<void()> block);
    void setCacheOperation(std::shared_ptr<ns::Operation> operation);

private:
    mutable std::mutex mutex_;
    bool cancelled_ = false;
    std::function<void()> cancelBlock_;
    std::shared_ptr<ns::Operation> cacheOperation_;
};

class IKImageManager;

// Optional hooks of an image manager.
class IKImageManagerDelegate {
public:
    virtual ~IKImageManagerDelegate() = default;
    // Whether a picture missing from the cache may be downloaded; yes by default.
    virtual bool imageManagerShouldDownloadImageForURL(IKImageManager& manager, const QUrl& url);
    // The image to cache and deliver instead of a downloaded one; by default that one.
    virtual std::shared_ptr<ui::Image> imageManagerTransformDownloadedImage(
        IKImageManager& manager, const std::shared_ptr<ui::Image>& image, const QUrl& url);
};

// The one way the app loads a picture for a URL: the image cache first, the downloader
// on a miss; what was downloaded is stored. A URL whose download failed is not tried
// again for a while (kFailedURLCoolDown on the one clock), unless the caller asks to
// retry it; a failure that says nothing of the picture (offline, time-out, cancel) does
// not count. Completion blocks run on the main thread.
class IKImageManager : public std::enable_shared_from_this<IKImageManager> {
public:
    using Image = std::shared_ptr<ui::Image>;
    using ProgressBlock = IKImageDownloader::ProgressBlock;
    using CompletedWithFinishedBlock =
        std::function<void(const Image& image, const std::optional<ns::Error>& error,
                           IKImageCacheType cacheType, bool finished, const QUrl& imageURL)>;
    // The older form's block: the same without the URL.
    using CompletedBlock =
        std::function<void(const Image& image, const std::optional<ns::Error>& error,
                           IKImageCacheType cacheType, bool finished)>;
    using CacheKeyFilter = std::function<QString(const QUrl& url)>;
    using ExistsCompletion = IKImageCache::ExistsCompletion;

    static constexpr ns::Duration kFailedURLCoolDown = std::chrono::seconds(60);

    // The shared cache and the shared downloader.
    [[nodiscard]] static IKImageManager& sharedManager();
    [[nodiscard]] static std::shared_ptr<IKImageManager> create(
        std::shared_ptr<IKImageCache> cache, std::shared_ptr<IKImageDownloader> downloader);
    IKImageManager(const IKImageManager&) = delete;
    IKImageManager& operator=(const IKImageManager&) = delete;

    [[nodiscard]] IKImageCache& imageCache() const { return *imageCache_; }
    [[nodiscard]] IKImageDownloader& imageDownloader() const { return *imageDownloader_; }
    void setDelegate(std::weak_ptr<IKImageManagerDelegate> delegate);
    void setCacheKeyFilter(CacheKeyFilter filter);
    [[nodiscard]] QString cacheKeyForURL(const QUrl& url) const;

    // An invalid URL, or one that failed lately (without IKImageRetryFailed), answers
    // with the error NSURLErrorDomain -1100 and loads nothing.
    std::shared_ptr<IKImageCombinedOperation> downloadImageWithURL(
        const QUrl& url, std::uint32_t options, ProgressBlock progress,
        CompletedWithFinishedBlock completed);
    // A text is made into a URL first; an empty one counts as no URL.
    std::shared_ptr<IKImageCombinedOperation> downloadImageWithURL(
        const QString& url, std::uint32_t options, ProgressBlock progress,
        CompletedWithFinishedBlock completed);
    std::shared_ptr<IKImageCombinedOperation> downloadWithURL(const QUrl& url,
                                                              std::uint32_t options,
                                                              ProgressBlock progress,
                                                              CompletedBlock completed);

    void saveImageToCache(const Image& image, const QUrl& url);
    [[nodiscard]] bool cachedImageExistsForURL(const QUrl& url);
    [[nodiscard]] bool diskImageExistsForURL(const QUrl& url);
    void cachedImageExistsForURL(const QUrl& url, ExistsCompletion completion);
    void diskImageExistsForURL(const QUrl& url, ExistsCompletion completion);

    void cancelAll();
    [[nodiscard]] bool isRunning() const;
    // Whether a load of the URL would now answer -1100 without trying.
    [[nodiscard]] bool isFailedURL(const QUrl& url) const;

private:
    IKImageManager(std::shared_ptr<IKImageCache> cache,
                   std::shared_ptr<IKImageDownloader> downloader);
    void answerFromCache(const std::shared_ptr<IKImageCombinedOperation>& operation,
                         const QUrl& url, const QString& key, std::uint32_t options,
                         const ProgressBlock& progress, const CompletedWithFinishedBlock& completed,
                         const Image& cachedImage, IKImageCacheType cacheType);
    void answerFromDownload(const std::shared_ptr<IKImageCombinedOperation>& operation,
                            const QUrl& url, const QString& key, std::uint32_t options,
                            const CompletedWithFinishedBlock& completed, bool hadCachedImage,
                            const Image& image, const QByteArray& data,
                            const std::optional<ns::Error>& error, bool finished);
    void removeRunning(const std::shared_ptr<IKImageCombinedOperation>& operation);
    void noteFailure(const QUrl& url, const ns::Error& error);
    void forgetFailure(const QUrl& url);

    const std::shared_ptr<IKImageCache> imageCache_;
    const std::shared_ptr<IKImageDownloader> imageDownloader_;
    mutable std::mutex settingsMutex_;
    std::weak_ptr<IKImageManagerDelegate> delegate_;
    CacheKeyFilter cacheKeyFilter_;
    mutable std::mutex failedMutex_;
    std::map<QString, ns::TimePoint> failedURLs_;
    mutable std::mutex runningMutex_;
    std::vector<std::shared_ptr<IKImageCombinedOperation>> runningOperations_;
};
