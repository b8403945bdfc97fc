#pragma once

#include "net/transport/NKURLConnectionOperation.h"

#include <QMetaType>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <utility>

// The request and the response as they travel in an error's user info.
Q_DECLARE_METATYPE(ns::URLRequest)
Q_DECLARE_METATYPE(std::shared_ptr<const ns::URLResponse>)

// A URL connection operation for HTTP: it judges the finished exchange by its status
// code and content type, makes an error of its own for an unacceptable answer, and
// hands the outcome to a success or a failure block on a callback queue (the main
// queue unless another is set). A paused download resumes with a "Range" request for
// the bytes still missing.
class NKHTTPRequestOperation : public NKURLConnectionOperation {
public:
    static inline const QString kErrorDomain = QStringLiteral("NetKitErrorDomain");
    static inline const QString kFailingURLRequestErrorKey =
        QStringLiteral("NetKitOperationFailingURLRequestErrorKey");
    static inline const QString kFailingURLResponseErrorKey =
        QStringLiteral("NetKitOperationFailingURLResponseErrorKey");
    static constexpr qint64 kUnacceptableStatusCodeError = -1011;
    static constexpr qint64 kUnacceptableContentTypeError = -1016;

    using StatusCodes = std::set<int>;
    // The response object is the body bytes for this class and the decoded body for
    // the typed subclasses.
    using SuccessBlock = std::function<void(
        const std::shared_ptr<NKHTTPRequestOperation>& operation, const QVariant& responseObject)>;
    using FailureBlock = std::function<void(
        const std::shared_ptr<NKHTTPRequestOperation>& operation, const ns::Error& error)>;

    explicit NKHTTPRequestOperation(const ns::URLRequest& request);

    // The response when it is an HTTP one.
    [[nodiscard]] std::shared_ptr<const ns::HTTPURLResponse> HTTPResponse() const;

    // The error this class made for an unacceptable status or content type, else the
    // connection's failure or cancellation. Worked out once a response exists.
    [[nodiscard]] std::optional<ns::Error> error() const override;
    // A non-HTTP response counts as status 200, one without a type as
    // "application/octet-stream".
    [[nodiscard]] bool hasAcceptableStatusCode() const;
    [[nodiscard]] bool hasAcceptableContentType() const;

    // Installs the completion: failure(operation, error) when there is an error, else
    // success(operation, response object), each dispatched to its callback queue.
    // Either block may be empty; then nothing is dispatched for that outcome.
    virtual void setCompletionBlockWithSuccess(SuccessBlock success, FailureBlock failure);

    // Empty means the main queue. Read when the completion runs.
    [[nodiscard]] std::shared_ptr<ns::DispatchQueue> successCallbackQueue() const;
    void setSuccessCallbackQueue(std::shared_ptr<ns::DispatchQueue> queue);
    [[nodiscard]] std::shared_ptr<ns::DispatchQueue> failureCallbackQueue() const;
    void setFailureCallbackQueue(std::shared_ptr<ns::DispatchQueue> queue);

    // A text/* body without a charset reads as UTF-8 when it is valid UTF-8, else as
    // ISO Latin-1; everything else as the base class reads it.
    [[nodiscard]] NKStringEncoding responseStringEncoding() const override;

    // Before pausing, the request asks for the bytes from what was received so far on
    // ("Range", and "If-Range" with the response's "ETag").
    void pause() override;

    // Class settings: the status codes 200-299 and any content type (nothing).
    [[nodiscard]] static std::optional<StatusCodes> acceptableStatusCodes();
    static void addAcceptableStatusCodes(const StatusCodes& codes);
    [[nodiscard]] static std::optional<QStringList> acceptableContentTypes();
    static void addAcceptableContentTypes(const QStringList& types);
    // Always true for this class.
    [[nodiscard]] static bool canProcessRequest(const ns::URLRequest& request);

    [[nodiscard]] static StatusCodes statusCodesInRange(int first, int count);
    // Runs of consecutive codes as "first-last", single codes alone, joined by ",".
    [[nodiscard]] static QString describeStatusCodes(const StatusCodes& codes);
    // The content types as the platform writes a set.
    [[nodiscard]] static QString describeContentTypes(const QStringList& types);

protected:
    // Decodes the finished body: the result and the decoding error, if any.
    using Decoder = std::function<std::pair<QVariant, std::optional<ns::Error>>(
        NKHTTPRequestOperation& operation)>;
    // The completion of the typed subclasses: failure at once when the exchange failed;
    // else `decode` runs on `processingQueue` (never on the network thread or the main
    // queue) and its result goes to success, or its error to failure.
    void setDecodingCompletionBlock(SuccessBlock success, FailureBlock failure,
                                    std::shared_ptr<ns::DispatchQueue> processingQueue,
                                    Decoder decode);

    // The settings of the operation's own class.
    [[nodiscard]] virtual std::optional<StatusCodes> statusCodesOfClass() const;
    [[nodiscard]] virtual std::optional<QStringList> contentTypesOfClass() const;

    [[nodiscard]] std::shared_ptr<ns::DispatchQueue> successQueueOrMain() const;
    [[nodiscard]] std::shared_ptr<ns::DispatchQueue> failureQueueOrMain() const;

    // Whether the request's "Accept" header names one of `types`.
    [[nodiscard]] static bool acceptHeaderNamesAny(const ns::URLRequest& request,
                                                   const QStringList& types);

    [[nodiscard]] std::shared_ptr<NKURLConnectionOperation> makeOperation(
        const ns::URLRequest& request) const override;
    [[nodiscard]] QString className() const override;

private:
    mutable std::optional<ns::Error> HTTPError_;
    std::shared_ptr<ns::DispatchQueue> successCallbackQueue_;
    std::shared_ptr<ns::DispatchQueue> failureCallbackQueue_;
};

// A class-wide list of acceptable content types that callers may widen, for the
// typed operation classes.
class NKContentTypeSetting {
public:
    explicit NKContentTypeSetting(QStringList types) : types_(std::move(types)) {}

    [[nodiscard]] QStringList types() const;
    void add(const QStringList& types);

private:
    mutable std::mutex mutex_;
    QStringList types_;
};
