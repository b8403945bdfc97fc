#include "ui/image/IKImagePrefetcher.h"

#include "platform/foundation/clock.h"
#include "platform/foundation/main_queue.h"

IKImagePrefetcher& IKImagePrefetcher::sharedImagePrefetcher() {
    static const std::shared_ptr<IKImagePrefetcher> shared =
        create(IKImageCache::sharedImageCache().shared_from_this(),
               IKImageDownloader::sharedDownloader().shared_from_this());
    return *shared;
}

std::shared_ptr<IKImagePrefetcher> IKImagePrefetcher::create(
    std::shared_ptr<IKImageCache> cache, std::shared_ptr<IKImageDownloader> downloader) {
    auto prefetcher = std::shared_ptr<IKImagePrefetcher>(
        new IKImagePrefetcher(IKImageManager::create(std::move(cache), std::move(downloader))));
    prefetcher->setMaxConcurrentDownloads(kDefaultMaxConcurrentDownloads);
    return prefetcher;
}

IKImagePrefetcher::IKImagePrefetcher(std::shared_ptr<IKImageManager> manager)
    : manager_(std::move(manager)) {}

int IKImagePrefetcher::maxConcurrentDownloads() const {
    return manager_->imageDownloader().maxConcurrentDownloads();
}

void IKImagePrefetcher::setMaxConcurrentDownloads(int count) {
    manager_->imageDownloader().setMaxConcurrentDownloads(count);
}

void IKImagePrefetcher::cancelPrefetching() {
    prefetchURLs_.clear();
    requestedCount_ = 0;
    skippedCount_ = 0;
    finishedCount_ = 0;
    ++generation_;
    manager_->cancelAll();
}

void IKImagePrefetcher::prefetchURLs(std::vector<QUrl> urls, ProgressBlock progress,
                                     CompletionBlock completed) {
    cancelPrefetching();
    startedTime_ = ns::Clock::shared().timeIntervalSinceReferenceDate();
    prefetchURLs_ = std::move(urls);
    progressBlock_ = std::move(progress);
    completionBlock_ = std::move(completed);
    // Nothing to load: the list is done now, or a waiting caller would wait for ever.
    if (prefetchURLs_.empty()) {
        reportStatus();
        if (auto done = std::exchange(completionBlock_, nullptr)) done(0, 0);
        return;
    }
    for (std::uint32_t index = 0;
         int(index) < maxConcurrentDownloads() && requestedCount_ < prefetchURLs_.size(); ++index) {
        startPrefetchingAtIndex(index);
    }
}

void IKImagePrefetcher::startPrefetchingAtIndex(std::uint32_t index) {
    if (index >= prefetchURLs_.size()) return;
    ++requestedCount_;
    const std::weak_ptr<IKImagePrefetcher> weak = weak_from_this();
    const std::uint64_t generation = generation_;
    manager_->downloadImageWithURL(
        prefetchURLs_[index], options_, {},
        [weak, index, generation](const std::shared_ptr<ui::Image>& image,
                                  const std::optional<ns::Error>&, IKImageCacheType, bool finished,
                                  const QUrl&) {
            auto self = weak.lock();
            if (self && finished) self->loaded(index, generation, image != nullptr);
        });
}

void IKImagePrefetcher::loaded(std::uint32_t index, std::uint64_t generation, bool gotImage) {
    if (generation != generation_) return;
    ++finishedCount_;
    const auto total = std::uint32_t(prefetchURLs_.size());
    if (progressBlock_) progressBlock_(finishedCount_, total);
    if (!gotImage) ++skippedCount_;
    if (auto delegate = delegate_.lock()) {
        delegate->imagePrefetcherDidPrefetchURL(*this, prefetchURLs_[index], finishedCount_, total);
    }
    if (total > requestedCount_) {
        const std::weak_ptr<IKImagePrefetcher> weak = weak_from_this();
        ns::MainQueue::post([weak, generation] {
            auto self = weak.lock();
            if (self && self->generation_ == generation) {
                self->startPrefetchingAtIndex(self->requestedCount_);
            }
        });
    } else if (finishedCount_ == requestedCount_) {
        reportStatus();
        if (auto completed = std::exchange(completionBlock_, nullptr)) {
            completed(finishedCount_, skippedCount_);
        }
    }
}

void IKImagePrefetcher::reportStatus() {
    const auto total = std::uint32_t(prefetchURLs_.size());
    if (auto delegate = delegate_.lock()) {
        delegate->imagePrefetcherDidFinish(*this, total - skippedCount_, skippedCount_);
    }
}
