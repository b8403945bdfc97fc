#pragma once

#include "platform/foundation/http_header_fields.h"
#include "ui/image/IKImageDownloadQueue.h"
#include "ui/image/IKImageDownloaderOperation.h"

#include <QString>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

// Fetches pictures for the image manager, at most one download per URL at a time: a
// caller asking for a URL already on its way joins that download and hears of its
// progress and result, in the order the callers asked. Each caller gets an operation of
// its own: cancelling it drops that caller alone, and the download stops only when no
// caller is left.
class IKImageDownloader : public std::enable_shared_from_this<IKImageDownloader> {
public:
    using Image = IKImageDownloaderOperation::Image;
    using ProgressBlock = IKImageDownloaderOperation::ProgressBlock;
    using CompletedBlock = IKImageDownloaderOperation::CompletedBlock;
    using HeadersFilter =
        std::function<ns::HTTPHeaderFields(const QUrl& url, const ns::HTTPHeaderFields& headers)>;
    enum class ExecutionOrder : std::int32_t { FIFO = 0, LIFO = 1 };

    static constexpr double kDefaultTimeout = 15.0;
    static constexpr int kDefaultMaxConcurrentDownloads = 2;

    [[nodiscard]] static IKImageDownloader& sharedDownloader();
    [[nodiscard]] static std::shared_ptr<IKImageDownloader> create();
    // Cancels every download still queued or running.
    ~IKImageDownloader();
    IKImageDownloader(const IKImageDownloader&) = delete;
    IKImageDownloader& operator=(const IKImageDownloader&) = delete;

    // A null value removes the field.
    void setValue(const QString& value, const QString& field);
    [[nodiscard]] QString valueForHTTPHeaderField(const QString& field) const;
    void setMaxConcurrentDownloads(int count) {
        downloadQueue_->setMaxConcurrentOperationCount(count);
    }
    [[nodiscard]] int maxConcurrentDownloads() const {
        return downloadQueue_->maxConcurrentOperationCount();
    }
    [[nodiscard]] std::uint32_t currentDownloadCount() const {
        return static_cast<std::uint32_t>(downloadQueue_->operationCount());
    }
    void setSuspended(bool suspended) { downloadQueue_->setSuspended(suspended); }

    // An invalid URL answers (nil, nil, nil, false) at once and gives no operation. The
    // blocks run on a worker thread.
    std::shared_ptr<IKImageOperation> downloadImageWithURL(const QUrl& url, std::uint32_t options,
                                                           ProgressBlock progress,
                                                           CompletedBlock completed);
    // Callers waiting for a URL (0 when none is being fetched).
    [[nodiscard]] std::size_t callerCountForURL(const QUrl& url) const;

    [[nodiscard]] ExecutionOrder executionOrder() const;
    void setExecutionOrder(ExecutionOrder order);
    void setUsername(const QString& username);
    void setPassword(const QString& password);
    void setHeadersFilter(HeadersFilter filter);
    // Seconds without progress before a download fails; 0 means the default 15.
    [[nodiscard]] double downloadTimeout() const;
    void setDownloadTimeout(double seconds);

private:
    struct Caller;
    struct Download;
    class CallerOperation;

    IKImageDownloader();
    [[nodiscard]] ns::URLRequest requestFor(const QUrl& url, std::uint32_t options) const;
    [[nodiscard]] std::shared_ptr<IKImageDownloaderOperation> makeOperation(
        const QUrl& url, const QString& key, std::uint64_t downloadId, std::uint32_t options);
    void removeCaller(const QString& key, const std::shared_ptr<Caller>& caller);
    [[nodiscard]] std::vector<std::shared_ptr<Caller>> callersOf(const QString& key,
                                                                 std::uint64_t downloadId) const;
    [[nodiscard]] std::vector<std::shared_ptr<Caller>> takeCallers(const QString& key,
                                                                   std::uint64_t downloadId);

    const std::shared_ptr<IKImageDownloadQueue> downloadQueue_;
    mutable std::mutex mutex_;
    std::map<QString, Download> downloads_;
    std::uint64_t nextDownloadId_ = 1;
    ns::HTTPHeaderFields HTTPHeaders_;
    HeadersFilter headersFilter_;
    QString username_;
    QString password_;
    double downloadTimeout_ = kDefaultTimeout;
    ExecutionOrder executionOrder_ = ExecutionOrder::FIFO;
};
