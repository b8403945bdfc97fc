#include "ui/image/IKImageManager.h"

#include "platform/foundation/main_queue.h"
#include "platform/foundation/operation.h"

#include <algorithm>
#include <utility>

namespace {

// Runs `work` on the main thread: at once when already there. A worker never waits for
// the main thread, so that a cancel on the main thread can never wait for a worker that
// waits for it.
void onMainThread(std::function<void()> work) {
    if (ns::MainQueue::isMainThread()) {
        work();
    } else {
        ns::MainQueue::post(std::move(work));
    }
}

ns::Error fileDoesNotExist() {
    return ns::Error(ns::Error::kURLErrorDomain, ns::Error::kURLErrorFileDoesNotExist);
}

std::uint32_t downloaderOptions(std::uint32_t options, bool refreshingCachedImage) {
    constexpr std::pair<std::uint32_t, std::uint32_t> kMapping[] = {
        {IKImageLowPriority, IKImageDownloaderLowPriority},
        {IKImageProgressiveDownload, IKImageDownloaderProgressiveDownload},
        {IKImageRefreshCached, IKImageDownloaderUseNSURLCache},
        {IKImageContinueInBackground, IKImageDownloaderContinueInBackground},
        {IKImageHandleCookies, IKImageDownloaderHandleCookies},
        {IKImageAllowInvalidSSLCertificates, IKImageDownloaderAllowInvalidSSLCertificates},
        {IKImageHighPriority, IKImageDownloaderHighPriority},
    };
    std::uint32_t result = 0;
    for (const auto& [load, download] : kMapping) {
        if (options & load) result |= download;
    }
    if (refreshingCachedImage) {
        result &= ~std::uint32_t(IKImageDownloaderProgressiveDownload);
        result |= IKImageDownloaderIgnoreCachedResponse;
    }
    return result;
}

}  // namespace

void IKImageCombinedOperation::cancel() {
    std::function<void()> block;
    std::shared_ptr<ns::Operation> cacheOperation;
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        block = std::exchange(cancelBlock_, nullptr);
        cacheOperation = std::exchange(cacheOperation_, nullptr);
    }
    if (cacheOperation) cacheOperation->cancel();
    if (block) block();
}

bool IKImageCombinedOperation::isCancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

void IKImageCombinedOperation::setCancelBlock(std::function<void()> block) {
    {
        std::lock_guard lock(mutex_);
        if (!cancelled_) {
            cancelBlock_ = std::move(block);
            return;
        }
    }
    if (block) block();
}

void IKImageCombinedOperation::setCacheOperation(std::shared_ptr<ns::Operation> operation) {
    std::lock_guard lock(mutex_);
    if (cancelled_) {
        if (operation) operation->cancel();
        return;
    }
    cacheOperation_ = std::move(operation);
}

bool IKImageManagerDelegate::imageManagerShouldDownloadImageForURL(IKImageManager&, const QUrl&) {
    return true;
}

std::shared_ptr<ui::Image> IKImageManagerDelegate::imageManagerTransformDownloadedImage(
    IKImageManager&, const std::shared_ptr<ui::Image>& image, const QUrl&) {
    return image;
}

IKImageManager& IKImageManager::sharedManager() {
    static const std::shared_ptr<IKImageManager> shared =
        create(IKImageCache::sharedImageCache().shared_from_this(),
               IKImageDownloader::sharedDownloader().shared_from_this());
    return *shared;
}

std::shared_ptr<IKImageManager> IKImageManager::create(
    std::shared_ptr<IKImageCache> cache, std::shared_ptr<IKImageDownloader> downloader) {
    return std::shared_ptr<IKImageManager>(
        new IKImageManager(std::move(cache), std::move(downloader)));
}

IKImageManager::IKImageManager(std::shared_ptr<IKImageCache> cache,
                               std::shared_ptr<IKImageDownloader> downloader)
    : imageCache_(std::move(cache)), imageDownloader_(std::move(downloader)) {}

void IKImageManager::setDelegate(std::weak_ptr<IKImageManagerDelegate> delegate) {
    std::lock_guard lock(settingsMutex_);
    delegate_ = std::move(delegate);
}

void IKImageManager::setCacheKeyFilter(CacheKeyFilter filter) {
    std::lock_guard lock(settingsMutex_);
    cacheKeyFilter_ = std::move(filter);
}

QString IKImageManager::cacheKeyForURL(const QUrl& url) const {
    CacheKeyFilter filter;
    {
        std::lock_guard lock(settingsMutex_);
        filter = cacheKeyFilter_;
    }
    return filter ? filter(url) : url.toString(QUrl::FullyEncoded);
}

bool IKImageManager::isFailedURL(const QUrl& url) const {
    std::lock_guard lock(failedMutex_);
    const auto found = failedURLs_.find(url.toString(QUrl::FullyEncoded));
    return found != failedURLs_.end() &&
           ns::Clock::shared().now() - found->second < kFailedURLCoolDown;
}

void IKImageManager::noteFailure(const QUrl& url, const ns::Error& error) {
    // These say nothing of the picture itself: it may well load on the next try.
    if (error.code() == ns::Error::kURLErrorNotConnectedToInternet ||
        error.code() == ns::Error::kURLErrorCancelled ||
        error.code() == ns::Error::kURLErrorTimedOut) {
        return;
    }
    std::lock_guard lock(failedMutex_);
    failedURLs_[url.toString(QUrl::FullyEncoded)] = ns::Clock::shared().now();
}

void IKImageManager::forgetFailure(const QUrl& url) {
    std::lock_guard lock(failedMutex_);
    failedURLs_.erase(url.toString(QUrl::FullyEncoded));
}

std::shared_ptr<IKImageCombinedOperation> IKImageManager::downloadImageWithURL(
    const QString& url, std::uint32_t options, ProgressBlock progress,
    CompletedWithFinishedBlock completed) {
    return downloadImageWithURL(url.isEmpty() ? QUrl() : QUrl(url), options, std::move(progress),
                                std::move(completed));
}

std::shared_ptr<IKImageCombinedOperation> IKImageManager::downloadWithURL(
    const QUrl& url, std::uint32_t options, ProgressBlock progress, CompletedBlock completed) {
    CompletedWithFinishedBlock forward;
    if (completed) {
        forward = [completed = std::move(completed)](
                      const Image& image, const std::optional<ns::Error>& error,
                      IKImageCacheType cacheType, bool finished,
                      const QUrl&) { completed(image, error, cacheType, finished); };
    }
    return downloadImageWithURL(url, options, std::move(progress), std::move(forward));
}

std::shared_ptr<IKImageCombinedOperation> IKImageManager::downloadImageWithURL(
    const QUrl& url, std::uint32_t options, ProgressBlock progress,
    CompletedWithFinishedBlock completed) {
    auto operation = std::make_shared<IKImageCombinedOperation>();
    const bool valid = url.isValid() && !url.isEmpty();
    if (!valid || (!(options & IKImageRetryFailed) && isFailedURL(url))) {
        if (completed) {
            const QUrl answered = valid ? url : QUrl();
            onMainThread([completed, answered] {
                completed(nullptr, fileDoesNotExist(), IKImageCacheType::None, true, answered);
            });
        }
        return operation;
    }
    {
        std::lock_guard lock(runningMutex_);
        runningOperations_.push_back(operation);
    }
    const QString key = cacheKeyForURL(url);
    const std::weak_ptr<IKImageManager> weak = weak_from_this();
    // A cancel during the cache lookup ends the load here: the lookup then answers nothing.
    operation->setCancelBlock([weak, weakOperation = std::weak_ptr(operation)] {
        auto self = weak.lock();
        if (auto cancelled = weakOperation.lock(); self && cancelled)
            self->removeRunning(cancelled);
    });
    auto token = imageCache_->queryDiskCacheForKey(
        key, [weak, operation, url, key, options, progress, completed](const Image& image,
                                                                       IKImageCacheType cacheType) {
            if (auto self = weak.lock()) {
                self->answerFromCache(operation, url, key, options, progress, completed, image,
                                      cacheType);
            }
        });
    operation->setCacheOperation(std::move(token));
    return operation;
}

void IKImageManager::answerFromCache(const std::shared_ptr<IKImageCombinedOperation>& operation,
                                     const QUrl& url, const QString& key, std::uint32_t options,
                                     const ProgressBlock& progress,
                                     const CompletedWithFinishedBlock& completed,
                                     const Image& cachedImage, IKImageCacheType cacheType) {
    if (operation->isCancelled()) {
        removeRunning(operation);
        return;
    }
    const bool refresh = options & IKImageRefreshCached;
    std::shared_ptr<IKImageManagerDelegate> delegate;
    {
        std::lock_guard lock(settingsMutex_);
        delegate = delegate_.lock();
    }
    if ((!cachedImage || refresh) &&
        (!delegate || delegate->imageManagerShouldDownloadImageForURL(*this, url))) {
        if (cachedImage && completed) {
            onMainThread([completed, cachedImage, cacheType, url] {
                completed(cachedImage, std::nullopt, cacheType, true, url);
            });
        }
        const std::weak_ptr<IKImageManager> weak = weak_from_this();
        const bool hadCachedImage = cachedImage != nullptr;
        auto download = imageDownloader_->downloadImageWithURL(
            url, downloaderOptions(options, hadCachedImage && refresh), progress,
            [weak, operation, url, key, options, completed, hadCachedImage](
                const Image& image, const QByteArray& data, const std::optional<ns::Error>& error,
                bool finished) {
                if (auto self = weak.lock()) {
                    self->answerFromDownload(operation, url, key, options, completed,
                                             hadCachedImage, image, data, error, finished);
                }
            });
        operation->setCancelBlock([weak, download, operation] {
            if (download) download->cancel();
            if (auto self = weak.lock()) self->removeRunning(operation);
        });
        return;
    }
    const Image delivered = cachedImage;
    const IKImageCacheType type = cachedImage ? cacheType : IKImageCacheType::None;
    removeRunning(operation);
    if (completed) {
        onMainThread([operation, completed, delivered, type, url] {
            if (!operation->isCancelled()) completed(delivered, std::nullopt, type, true, url);
        });
    }
}

void IKImageManager::answerFromDownload(const std::shared_ptr<IKImageCombinedOperation>& operation,
                                        const QUrl& url, const QString& key, std::uint32_t options,
                                        const CompletedWithFinishedBlock& completed,
                                        bool hadCachedImage, const Image& image,
                                        const QByteArray& data,
                                        const std::optional<ns::Error>& error, bool finished) {
    // Off the running list before the caller hears the end, so that the caller finds the
    // manager idle when this was its last load.
    if (finished) removeRunning(operation);
    if (operation->isCancelled()) return;
    if (error) {
        // Listed before the caller hears of it, so that a caller asking again is answered
        // by the list.
        noteFailure(url, *error);
        if (completed) {
            onMainThread([operation, completed, error, finished, url] {
                if (!operation->isCancelled()) {
                    completed(nullptr, error, IKImageCacheType::None, finished, url);
                }
            });
        }
    } else if (!((options & IKImageRefreshCached) && hadCachedImage && !image)) {
        Image delivered = image;
        if (image && finished) {
            forgetFailure(url);
            std::shared_ptr<IKImageManagerDelegate> delegate;
            {
                std::lock_guard lock(settingsMutex_);
                delegate = delegate_.lock();
            }
            if (delegate && image->images().empty()) {
                delivered = delegate->imageManagerTransformDownloadedImage(*this, image, url);
            }
            imageCache_->storeImage(delivered, delivered != image, data, key,
                                    !(options & IKImageCacheMemoryOnly));
        }
        if (completed) {
            onMainThread([operation, completed, delivered, finished, url] {
                if (!operation->isCancelled()) {
                    completed(delivered, std::nullopt, IKImageCacheType::None, finished, url);
                }
            });
        }
    }
}

void IKImageManager::removeRunning(const std::shared_ptr<IKImageCombinedOperation>& operation) {
    std::lock_guard lock(runningMutex_);
    std::erase(runningOperations_, operation);
}

void IKImageManager::saveImageToCache(const Image& image, const QUrl& url) {
    if (!image || url.isEmpty()) return;
    imageCache_->storeImage(image, cacheKeyForURL(url), true);
}

bool IKImageManager::cachedImageExistsForURL(const QUrl& url) {
    const QString key = cacheKeyForURL(url);
    return imageCache_->imageFromMemoryCacheForKey(key) != nullptr ||
           imageCache_->diskImageExistsWithKey(key);
}

bool IKImageManager::diskImageExistsForURL(const QUrl& url) {
    return imageCache_->diskImageExistsWithKey(cacheKeyForURL(url));
}

void IKImageManager::cachedImageExistsForURL(const QUrl& url, ExistsCompletion completion) {
    const QString key = cacheKeyForURL(url);
    if (imageCache_->imageFromMemoryCacheForKey(key)) {
        if (completion) ns::MainQueue::post([completion] { completion(true); });
        return;
    }
    imageCache_->diskImageExistsWithKey(key, std::move(completion));
}

void IKImageManager::diskImageExistsForURL(const QUrl& url, ExistsCompletion completion) {
    imageCache_->diskImageExistsWithKey(cacheKeyForURL(url), std::move(completion));
}

void IKImageManager::cancelAll() {
    std::vector<std::shared_ptr<IKImageCombinedOperation>> running;
    {
        std::lock_guard lock(runningMutex_);
        running = std::move(runningOperations_);
        runningOperations_.clear();
    }
    for (const auto& operation : running) operation->cancel();
}

bool IKImageManager::isRunning() const {
    std::lock_guard lock(runningMutex_);
    return !runningOperations_.empty();
}
