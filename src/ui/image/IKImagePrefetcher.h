#pragma once

#include "ui/image/IKImageManager.h"

#include <QUrl>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class IKImagePrefetcher;

// Optional reports of a prefetcher.
class IKImagePrefetcherDelegate {
public:
    virtual ~IKImagePrefetcherDelegate() = default;
    virtual void imagePrefetcherDidPrefetchURL(IKImagePrefetcher&, const QUrl&,
                                               std::uint32_t /*finishedCount*/,
                                               std::uint32_t /*totalCount*/) {}
    virtual void imagePrefetcherDidFinish(IKImagePrefetcher&, std::uint32_t /*totalCount*/,
                                          std::uint32_t /*skippedCount*/) {}
};

// Loads a list of picture URLs into the image cache ahead of use, a few at a time,
// through an image manager of its own over the given cache and downloader. Used from the
// main thread.
class IKImagePrefetcher : public std::enable_shared_from_this<IKImagePrefetcher> {
public:
    using ProgressBlock =
        std::function<void(std::uint32_t finishedCount, std::uint32_t totalCount)>;
    using CompletionBlock =
        std::function<void(std::uint32_t finishedCount, std::uint32_t skippedCount)>;

    static constexpr int kDefaultMaxConcurrentDownloads = 3;

    // Over the shared cache and the shared downloader.
    [[nodiscard]] static IKImagePrefetcher& sharedImagePrefetcher();
    // Sets the downloader's width to kDefaultMaxConcurrentDownloads.
    [[nodiscard]] static std::shared_ptr<IKImagePrefetcher> create(
        std::shared_ptr<IKImageCache> cache, std::shared_ptr<IKImageDownloader> downloader);

    void prefetchURLs(std::vector<QUrl> urls, ProgressBlock progress = {},
                      CompletionBlock completed = {});
    // Forgets the list and cancels its loads.
    void cancelPrefetching();

    [[nodiscard]] std::uint32_t options() const { return options_; }
    void setOptions(std::uint32_t options) { options_ = options; }
    [[nodiscard]] int maxConcurrentDownloads() const;
    void setMaxConcurrentDownloads(int count);
    void setDelegate(std::weak_ptr<IKImagePrefetcherDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    [[nodiscard]] std::uint32_t requestedCount() const { return requestedCount_; }
    [[nodiscard]] std::uint32_t finishedCount() const { return finishedCount_; }
    [[nodiscard]] std::uint32_t skippedCount() const { return skippedCount_; }
    [[nodiscard]] IKImageManager& manager() const { return *manager_; }

private:
    explicit IKImagePrefetcher(std::shared_ptr<IKImageManager> manager);
    void startPrefetchingAtIndex(std::uint32_t index);
    void loaded(std::uint32_t index, std::uint64_t generation, bool gotImage);
    void reportStatus();

    const std::shared_ptr<IKImageManager> manager_;
    std::uint32_t options_ = IKImageLowPriority;
    std::weak_ptr<IKImagePrefetcherDelegate> delegate_;
    std::vector<QUrl> prefetchURLs_;
    std::uint32_t requestedCount_ = 0;
    std::uint32_t skippedCount_ = 0;
    std::uint32_t finishedCount_ = 0;
    double startedTime_ = 0;
    // Counts lists, so that a load of an earlier list counts for nothing.
    std::uint64_t generation_ = 0;
    ProgressBlock progressBlock_;
    CompletionBlock completionBlock_;
};
