#pragma once

#include "platform/foundation/error.h"
#include "platform/foundation/operation.h"
#include "platform/foundation/url_connection.h"
#include "platform/foundation/url_request.h"
#include "platform/uikit/image.h"
#include "ui/image/IKImageOperation.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

// Options of one download, as bits.
enum IKImageDownloaderOptions : std::uint32_t {
    IKImageDownloaderLowPriority = 1,
    IKImageDownloaderProgressiveDownload = 2,
    IKImageDownloaderUseNSURLCache = 4,
    IKImageDownloaderIgnoreCachedResponse = 8,
    IKImageDownloaderContinueInBackground = 16,
    IKImageDownloaderHandleCookies = 32,
    IKImageDownloaderAllowInvalidSSLCertificates = 64,
    IKImageDownloaderHighPriority = 128,
};

// One picture download: the request runs through the platform's URL loading (which
// verifies the server's certificate like every other request of the app), the bytes are
// decoded off the network thread into an image scaled by its URL's "@2x" rule, and the
// blocks hear of progress and the end. It holds its place in the download queue from
// start until the bytes are in.
class IKImageDownloaderOperation final : public ns::Operation,
                                         public IKImageOperation,
                                         public ns::URLConnectionDelegate {
public:
    using Image = std::shared_ptr<ui::Image>;
    // Received and expected byte counts; expected is -1 before the response and 0 when
    // the server gave no length.
    using ProgressBlock = std::function<void(std::int32_t received, std::int32_t expected)>;
    // finished is false only for a partial picture of progressive loading and for the
    // answer to a nil URL.
    using CompletedBlock =
        std::function<void(const Image& image, const QByteArray& data,
                           const std::optional<ns::Error>& error, bool finished)>;
    using CancelBlock = std::function<void()>;

    static inline const QString kErrorDomain = QStringLiteral("IKImageErrorDomain");
    static inline const QString kStartNotification =
        QStringLiteral("IKImageDownloadStartNotification");
    static inline const QString kStopNotification =
        QStringLiteral("IKImageDownloadStopNotification");

    IKImageDownloaderOperation(ns::URLRequest request, std::uint32_t options,
                               ProgressBlock progress, CompletedBlock completed,
                               CancelBlock cancelled);
    ~IKImageDownloaderOperation() override;

    [[nodiscard]] const ns::URLRequest& request() const { return request_; }
    [[nodiscard]] std::uint32_t options() const { return options_; }
    [[nodiscard]] bool shouldUseCredentialStorage() const { return shouldUseCredentialStorage_; }
    void setShouldUseCredentialStorage(bool use) { shouldUseCredentialStorage_ = use; }
    void setCredential(std::optional<ns::URLCredential> credential);
    [[nodiscard]] std::int32_t expectedSize() const;

    void start() override;
    void cancel() override;
    [[nodiscard]] bool isConcurrent() const override { return true; }
    [[nodiscard]] bool shouldContinueWhenAppEntersBackground() const {
        return options_ & IKImageDownloaderContinueInBackground;
    }

    // URL loading delegate, on the network thread.
    void didReceiveResponse(ns::URLConnection& connection,
                            const std::shared_ptr<const ns::URLResponse>& response) override;
    void didReceiveData(ns::URLConnection& connection, const QByteArray& data) override;
    std::optional<ns::CachedURLResponse> willCacheResponse(
        ns::URLConnection& connection, const ns::CachedURLResponse& proposed) override;
    void didFinishLoading(ns::URLConnection& connection) override;
    void didFailWithError(ns::URLConnection& connection, const ns::Error& error) override;
    void didReceiveAuthenticationChallenge(
        ns::URLConnection& connection, const ns::URLAuthenticationChallenge& challenge) override;
    bool connectionShouldUseCredentialStorage(ns::URLConnection& connection) override;

private:
    // Ends the operation: finished, not executing, blocks and connection dropped.
    void done();
    void reset();
    void postNotification(const QString& name, bool withOperation);
    void complete(const Image& image, const QByteArray& data,
                  const std::optional<ns::Error>& error);
    // With progressive loading, the picture as far as its bytes have come, not finished.
    void deliverPartialImage(const QByteArray& soFar, const CompletedBlock& completed);

    const ns::URLRequest request_;
    const std::uint32_t options_;
    bool shouldUseCredentialStorage_ = true;

    mutable std::mutex mutex_;
    ProgressBlock progressBlock_;
    CompletedBlock completedBlock_;
    CancelBlock cancelBlock_;
    std::optional<ns::URLCredential> credential_;
    std::shared_ptr<ns::URLConnection> connection_;
    QByteArray imageData_;
    std::int32_t expectedSize_ = 0;
    bool responseFromCached_ = true;
    bool ended_ = false;
};
