#include "ui/image/IKImageDownloaderOperation.h"

#include "platform/foundation/dispatch_queue.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/url_cache.h"
#include "platform/foundation/url_response.h"
#include "ui/image/IKImageCache.h"
#include "ui/image/UIImage+MultiFormat.h"

#include <algorithm>

namespace {

// A server may announce any length; the buffer grows past this as bytes really come.
constexpr std::int32_t kLargestReservation = 16 * 1024 * 1024;

}  // namespace

IKImageDownloaderOperation::IKImageDownloaderOperation(ns::URLRequest request,
                                                       std::uint32_t options,
                                                       ProgressBlock progress,
                                                       CompletedBlock completed,
                                                       CancelBlock cancelled)
    : request_(std::move(request)),
      options_(options),
      progressBlock_(std::move(progress)),
      completedBlock_(std::move(completed)),
      cancelBlock_(std::move(cancelled)) {}

IKImageDownloaderOperation::~IKImageDownloaderOperation() = default;

void IKImageDownloaderOperation::setCredential(std::optional<ns::URLCredential> credential) {
    std::lock_guard lock(mutex_);
    credential_ = std::move(credential);
}

std::int32_t IKImageDownloaderOperation::expectedSize() const {
    std::lock_guard lock(mutex_);
    return expectedSize_;
}

void IKImageDownloaderOperation::start() {
    if (isCancelled()) {
        {
            std::lock_guard lock(mutex_);
            ended_ = true;
        }
        setFinished(true);
        reset();
        return;
    }
    setExecuting(true);
    auto self = std::static_pointer_cast<IKImageDownloaderOperation>(shared_from_this());
    auto connection = ns::URLConnection::create(request_, self, false);
    ProgressBlock progress;
    {
        std::lock_guard lock(mutex_);
        if (ended_) return;  // cancelled meanwhile
        connection_ = connection;
        progress = progressBlock_;
    }
    if (!connection) {
        complete(nullptr, {},
                 ns::Error::withDescription(ns::Error::kURLErrorDomain, 0,
                                            QStringLiteral("Connection can't be initialized")));
        done();
        return;
    }
    if (progress) progress(0, -1);
    postNotification(kStartNotification, true);
    connection->start();
}

void IKImageDownloaderOperation::cancel() {
    ns::Operation::cancel();
    std::shared_ptr<ns::URLConnection> connection;
    CancelBlock cancelled;
    {
        std::lock_guard lock(mutex_);
        if (ended_) return;
        cancelled = cancelBlock_;
        connection = connection_;
        if (connection) ended_ = true;
    }
    if (cancelled) cancelled();
    if (!connection) {
        // Not started: the queue starts it, and it ends at once as cancelled.
        std::lock_guard lock(mutex_);
        cancelBlock_ = nullptr;
        completedBlock_ = nullptr;
        progressBlock_ = nullptr;
        return;
    }
    // Waits for a delegate call in progress; none follows.
    connection->cancel();
    postNotification(kStopNotification, true);
    if (isExecuting()) setExecuting(false);
    if (!isFinished()) setFinished(true);
    reset();
}

void IKImageDownloaderOperation::done() {
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
    }
    if (isExecuting()) setExecuting(false);
    setFinished(true);
    reset();
}

void IKImageDownloaderOperation::reset() {
    std::lock_guard lock(mutex_);
    progressBlock_ = nullptr;
    completedBlock_ = nullptr;
    cancelBlock_ = nullptr;
    connection_.reset();
    imageData_.clear();
}

void IKImageDownloaderOperation::postNotification(const QString& name, bool withOperation) {
    ns::Notification notification{name, this, {}, {}};
    if (withOperation) {
        notification.object =
            std::static_pointer_cast<IKImageDownloaderOperation>(shared_from_this());
    }
    ns::NotificationCenter::defaultCenter().post(notification);
}

void IKImageDownloaderOperation::complete(const Image& image, const QByteArray& data,
                                          const std::optional<ns::Error>& error) {
    CompletedBlock completed;
    {
        std::lock_guard lock(mutex_);
        completed = std::move(completedBlock_);
        completedBlock_ = nullptr;
    }
    if (completed) completed(image, data, error, true);
}

void IKImageDownloaderOperation::didReceiveResponse(
    ns::URLConnection& connection, const std::shared_ptr<const ns::URLResponse>& response) {
    const auto http = std::dynamic_pointer_cast<const ns::HTTPURLResponse>(response);
    if (http && http->statusCode() >= 400) {
        connection.cancel();
        postNotification(kStopNotification, false);
        complete(nullptr, {}, ns::Error(ns::Error::kURLErrorDomain, http->statusCode()));
        done();
        return;
    }
    const qint64 length = response ? response->expectedContentLength() : 0;
    const auto expected = static_cast<std::int32_t>(std::clamp<qint64>(length, 0, INT32_MAX));
    ProgressBlock progress;
    {
        std::lock_guard lock(mutex_);
        expectedSize_ = expected;
        imageData_ = QByteArray();
        imageData_.reserve(std::min(expected, kLargestReservation));
        progress = progressBlock_;
    }
    if (progress) progress(0, expected);
}

void IKImageDownloaderOperation::didReceiveData(ns::URLConnection&, const QByteArray& data) {
    ProgressBlock progress;
    CompletedBlock completed;
    QByteArray soFar;
    std::int32_t received = 0;
    std::int32_t expected = 0;
    {
        std::lock_guard lock(mutex_);
        imageData_.append(data);
        received = static_cast<std::int32_t>(std::min<qsizetype>(imageData_.size(), INT32_MAX));
        expected = expectedSize_;
        progress = progressBlock_;
        if ((options_ & IKImageDownloaderProgressiveDownload) && expected > 0 &&
            received < expected) {
            completed = completedBlock_;
            soFar = imageData_;
        }
    }
    if (completed) deliverPartialImage(soFar, completed);
    if (progress) progress(received, expected);
}

void IKImageDownloaderOperation::deliverPartialImage(const QByteArray& soFar,
                                                     const CompletedBlock& completed) {
    // The decoder draws what the bytes so far hold; the rows still missing stay blank.
    auto partial = ui::Image::imageWithData(soFar);
    if (!partial) return;
    partial = IKImageCache::scaledImageForKey(request_.url().toString(QUrl::FullyEncoded), partial);
    completed(partial, {}, std::nullopt, false);
}

std::optional<ns::CachedURLResponse> IKImageDownloaderOperation::willCacheResponse(
    ns::URLConnection&, const ns::CachedURLResponse& proposed) {
    {
        std::lock_guard lock(mutex_);
        responseFromCached_ = false;
    }
    if (request_.cachePolicy() == ns::URLRequest::CachePolicy::ReloadIgnoringLocalCacheData) {
        return std::nullopt;
    }
    return proposed;
}

void IKImageDownloaderOperation::didFinishLoading(ns::URLConnection&) {
    postNotification(kStopNotification, false);
    const bool inURLCache =
        ns::URLCache::sharedURLCache()->cachedResponseForRequest(request_).has_value();
    CompletedBlock completed;
    QByteArray data;
    bool fromCache = false;
    {
        std::lock_guard lock(mutex_);
        if (!inURLCache) responseFromCached_ = false;
        fromCache = responseFromCached_;
        completed = std::move(completedBlock_);
        completedBlock_ = nullptr;
        data = std::move(imageData_);
        imageData_ = QByteArray();
    }
    if (completed) {
        if ((options_ & IKImageDownloaderIgnoreCachedResponse) && fromCache) {
            completed(nullptr, {}, std::nullopt, true);
        } else {
            // Decoding runs off the network thread, so that other downloads keep flowing;
            // the download's place in the queue is free as soon as its bytes are in.
            const QString key = request_.url().toString(QUrl::FullyEncoded);
            auto self = std::static_pointer_cast<IKImageDownloaderOperation>(shared_from_this());
            ns::DispatchQueue::global()->async([self, key, data, completed] {
                if (self->isCancelled()) return;
                const auto image =
                    IKImageCache::scaledImageForKey(key, ImageMultiFormat::ik_imageWithData(data));
                if (!image || (image->size().width == 0 && image->size().height == 0)) {
                    completed(nullptr, {},
                              ns::Error::withDescription(
                                  kErrorDomain, 0, QStringLiteral("Downloaded image has 0 pixels")),
                              true);
                    return;
                }
                completed(image, data, std::nullopt, true);
            });
        }
    }
    done();
}

void IKImageDownloaderOperation::didFailWithError(ns::URLConnection&, const ns::Error& error) {
    postNotification(kStopNotification, false);
    complete(nullptr, {}, error);
    done();
}

void IKImageDownloaderOperation::didReceiveAuthenticationChallenge(
    ns::URLConnection&, const ns::URLAuthenticationChallenge& challenge) {
    // Server trust never comes here: the platform evaluates it the default way, so a
    // picture from a server with a bad certificate fails like any other request.
    std::optional<ns::URLCredential> credential;
    {
        std::lock_guard lock(mutex_);
        credential = credential_;
    }
    if (challenge.previousFailureCount() == 0 && credential) {
        challenge.sender()->useCredential(*credential, challenge);
    } else {
        challenge.sender()->continueWithoutCredentialForAuthenticationChallenge(challenge);
    }
}

bool IKImageDownloaderOperation::connectionShouldUseCredentialStorage(ns::URLConnection&) {
    return shouldUseCredentialStorage_;
}
