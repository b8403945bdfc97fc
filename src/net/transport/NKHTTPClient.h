#pragma once

#include "net/transport/NKHTTPRequestOperation.h"
#include "net/transport/NKMultipartFormData.h"
#include "net/transport/NKStringEncoding.h"
#include "net/transport/ReachabilityStatus.h"

#include "platform/foundation/http_header_fields.h"
#include "platform/foundation/keyed_archiver.h"
#include "platform/foundation/network_reachability.h"
#include "platform/foundation/operation_queue.h"
#include "platform/foundation/url_credential.h"
#include "platform/foundation/url_request.h"

#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// How request parameters go into a body.
enum class NKParameterEncoding : int { FormURL = 0, JSON = 1, PropertyList = 2 };

// An HTTP request operation class the client may pick for a request.
struct NKHTTPOperationClass {
    QString name;
    std::function<bool(const ns::URLRequest& request)> canProcessRequest;
    std::function<std::shared_ptr<NKHTTPRequestOperation>(const ns::URLRequest& request)> make;

    template <class T>
    [[nodiscard]] static NKHTTPOperationClass of(QString name) {
        static_assert(std::is_base_of_v<NKHTTPRequestOperation, T>);
        return {std::move(name), &T::canProcessRequest,
                [](const ns::URLRequest& request) { return std::make_shared<T>(request); }};
    }
};

// The client of the transport layer: it turns a method, a path and parameters into a
// request against its base URL with its default headers, wraps requests into HTTP
// request operations and runs them on its own operation queue. It cancels queued
// operations by method and path, runs batches with one completion, and reports the
// reachability of its base host.
//
// Its configuration (base URL, headers, encodings) may be changed and read from any
// thread: each request is built from one consistent snapshot of it.
class NKHTTPClient {
public:
    using SuccessBlock = NKHTTPRequestOperation::SuccessBlock;
    using FailureBlock = NKHTTPRequestOperation::FailureBlock;
    using ReachabilityStatusBlock = std::function<void(ReachabilityStatus status)>;
    using MultipartFormBlock = std::function<void(NKMultipartFormData& formData)>;
    using Operations = std::vector<std::shared_ptr<NKHTTPRequestOperation>>;
    using BatchProgressBlock = std::function<void(std::size_t numberOfFinishedOperations,
                                                  std::size_t totalNumberOfOperations)>;
    using BatchCompletionBlock = std::function<void(const Operations& operations)>;

    // Posted on the main queue, no object, user info {kReachabilityStatusItem: status}.
    static inline const QString kClientReachabilityChangeNotification =
        QStringLiteral("com.housing.netkit.networking.reachability.change");
    static inline const QString kReachabilityStatusItem =
        QStringLiteral("NetKitReachabilityNotificationStatusItem");

    // Marks the constructor that sets nothing up: no base URL, no default headers,
    // no reachability monitoring; for initialisers of the app's own.
    struct Plain {};

    [[nodiscard]] static std::shared_ptr<NKHTTPClient> clientWithBaseURL(const QUrl& url);
    // A base URL with a path gains a trailing "/", so that paths resolve below it.
    // Sets UTF-8, form parameters, "Accept-Language" and "User-Agent", and starts
    // watching the base host.
    explicit NKHTTPClient(const QUrl& url);
    explicit NKHTTPClient(Plain);
    ~NKHTTPClient();
    NKHTTPClient(const NKHTTPClient&) = delete;
    NKHTTPClient& operator=(const NKHTTPClient&) = delete;

    [[nodiscard]] QString description() const;
    // A new client with the same base URL, encodings, operation classes, headers and
    // status block, and a queue and reachability of its own.
    [[nodiscard]] std::shared_ptr<NKHTTPClient> copy() const;
    // Archives the base URL, the string encoding (by its charset name), the parameter
    // encoding, the operation class names and the default headers.
    void encodeWithCoder(ns::KeyedArchiver& coder) const;
    // A client made for the archived base URL, whose encodings, class names and headers
    // then become the archived ones; nothing for bytes that are no archive.
    [[nodiscard]] static std::shared_ptr<NKHTTPClient> initWithCoder(
        const ns::KeyedUnarchiver& coder);

    [[nodiscard]] QUrl baseURL() const;
    void setBaseURL(const QUrl& url);
    [[nodiscard]] NKStringEncoding stringEncoding() const;
    void setStringEncoding(const NKStringEncoding& encoding);
    [[nodiscard]] NKParameterEncoding parameterEncoding() const;
    void setParameterEncoding(NKParameterEncoding encoding);
    [[nodiscard]] bool allowsInvalidSSLCertificate() const;
    void setAllowsInvalidSSLCertificate(bool allows);
    [[nodiscard]] NKSSLPinningMode defaultSSLPinningMode() const;
    void setDefaultSSLPinningMode(NKSSLPinningMode mode);
    [[nodiscard]] std::optional<ns::URLCredential> defaultCredential() const;
    void setDefaultCredential(std::optional<ns::URLCredential> credential);

    // Copied into every request the client builds, in their order.
    [[nodiscard]] ns::HTTPHeaderFields defaultHeaders() const;
    // Replaces them all; empty fields clear them.
    void setDefaultHeaders(const ns::HTTPHeaderFields& headers);
    // The value, or a null text when the field is not set.
    [[nodiscard]] QString defaultValueForHeader(const QString& name) const;
    // A null value removes the field.
    void setDefaultHeader(const QString& name, const QString& value);
    // "Basic " and the Base64 of "username:password".
    void setAuthorizationHeaderWithUsername(const QString& username, const QString& password);
    // "Token token=\"...\"".
    void setAuthorizationHeaderWithToken(const QString& token);
    void clearAuthorizationHeader();

    // Operation classes are tried latest registered first; the plain HTTP request
    // operation is made when none can process a request.
    bool registerHTTPOperationClass(const NKHTTPOperationClass& operationClass);
    void unregisterHTTPOperationClass(const QString& name);
    [[nodiscard]] QStringList registeredHTTPOperationClassNames() const;

    [[nodiscard]] std::shared_ptr<ns::OperationQueue> operationQueue() const;
    void setOperationQueue(std::shared_ptr<ns::OperationQueue> queue);

    [[nodiscard]] ReachabilityStatus networkReachabilityStatus() const;
    void setNetworkReachabilityStatus(ReachabilityStatus status);
    void setReachabilityStatusChangeBlock(ReachabilityStatusBlock block);
    // Watches the base URL's host (nothing without a base URL): every change sets the
    // status, calls the status block and posts kClientReachabilityChangeNotification.
    void startMonitoringNetworkReachability();
    void stopMonitoringNetworkReachability();
    // Reachable without a connection to set up first: Wi-Fi, or WWAN by its flag.
    [[nodiscard]] static ReachabilityStatus reachabilityStatusForFlags(
        ns::NetworkReachability::Flags flags);

    // A request for `path` (resolved against the base URL; an absolute URL stands for
    // itself) with the default headers. Parameters go into the query for GET, HEAD and
    // DELETE, else into the body by the parameter encoding.
    [[nodiscard]] ns::URLRequest requestWithMethod(
        const QString& method, const QString& path,
        const std::optional<QVariantMap>& parameters = std::nullopt) const;
    // A request whose body is a multipart form: the parameters as form parts, then
    // what `block` adds.
    [[nodiscard]] ns::URLRequest multipartFormRequestWithMethod(
        const QString& method, const QString& path, const std::optional<QVariantMap>& parameters,
        const MultipartFormBlock& block) const;

    // A new operation for `request`, not yet queued, with the client's credential,
    // pinning mode and certificate setting.
    [[nodiscard]] std::shared_ptr<NKHTTPRequestOperation> HTTPRequestOperationWithRequest(
        const ns::URLRequest& request, SuccessBlock success, FailureBlock failure) const;
    void enqueueHTTPRequestOperation(const std::shared_ptr<NKHTTPRequestOperation>& operation);
    // Cancels the queued and running HTTP request operations of `method` (any method
    // when null) whose URL path is that of `path`.
    void cancelAllHTTPOperationsWithMethod(const QString& method, const QString& path);

    // Runs the operations; progress comes as each finishes, the completion on the main
    // queue once every one has finished and reported.
    void enqueueBatchOfHTTPRequestOperations(const Operations& operations,
                                             BatchProgressBlock progress,
                                             BatchCompletionBlock completion);
    void enqueueBatchOfHTTPRequestOperationsWithRequests(
        const std::vector<ns::URLRequest>& requests, BatchProgressBlock progress,
        BatchCompletionBlock completion);

    void getPath(const QString& path, const std::optional<QVariantMap>& parameters,
                 SuccessBlock success, FailureBlock failure);
    void postPath(const QString& path, const std::optional<QVariantMap>& parameters,
                  SuccessBlock success, FailureBlock failure);
    void putPath(const QString& path, const std::optional<QVariantMap>& parameters,
                 SuccessBlock success, FailureBlock failure);
    void deletePath(const QString& path, const std::optional<QVariantMap>& parameters,
                    SuccessBlock success, FailureBlock failure);
    void patchPath(const QString& path, const std::optional<QVariantMap>& parameters,
                   SuccessBlock success, FailureBlock failure);

private:
    struct Reachability;

    void send(const QString& method, const QString& path,
              const std::optional<QVariantMap>& parameters, SuccessBlock success,
              FailureBlock failure);

    mutable std::mutex mutex_;
    bool allowsInvalidSSLCertificate_ = false;
    QUrl baseURL_;
    NKStringEncoding stringEncoding_;
    NKParameterEncoding parameterEncoding_ = NKParameterEncoding::FormURL;
    QStringList registeredHTTPOperationClassNames_;
    ns::HTTPHeaderFields defaultHeaders_;
    std::optional<ns::URLCredential> defaultCredential_;
    std::shared_ptr<ns::OperationQueue> operationQueue_;
    NKSSLPinningMode defaultSSLPinningMode_ = NKSSLPinningMode::None;
    // Shared with the monitor's callback, which must not outlive the client's interest.
    std::shared_ptr<Reachability> reachability_;
};
