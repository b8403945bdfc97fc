#include "net/NKHTTPClient+QXClient.h"

#include "net/QXIMConstantManager.h"

#include <map>
#include <mutex>
#include <optional>

namespace QXClient {

namespace {

const QString kInterfaceHeader = QStringLiteral("interface");
// Where an operation keeps the caller's user info among its own.
const QString kUserInfoKey = QStringLiteral("QXClientUserInfo");
// Where an operation keeps the owner it was sent for.
const QString kOwnerKey = QStringLiteral("QXClientOwner");

bool putsBodyInURL(const QString& method) {
    return method == QLatin1String("GET") || method == QLatin1String("HEAD") ||
           method == QLatin1String("DELETE");
}

ns::URLRequest bareRequest(const QString& url, const ns::HTTPHeaderFields& headers,
                           const QString& method) {
    ns::URLRequest request;
    request.setURLText(url);
    request.setHTTPMethod(method);
    request.setAllHTTPHeaderFields(headers);
    if (method == QLatin1String("GET") || method == QLatin1String("HEAD")) {
        request.setHTTPShouldUsePipelining(true);
    }
    request.setMaximumResponseLength(kMaximumReplyLength);
    request.setDeadlineInterval(kCallDeadline);
    return request;
}

void addBody(ns::URLRequest& request, const QString& body) {
    if (body.isNull()) return;
    if (putsBodyInURL(request.httpMethod())) {
        request.setURLText(request.urlText() + body);
    } else {
        request.setHTTPBody(body.toUtf8());
    }
}

void addBody(ns::URLRequest& request, const QByteArray& body) {
    if (body.isNull() || putsBodyInURL(request.httpMethod())) return;
    request.setHTTPBody(body);
    request.setDeadlineInterval(kUploadDeadline);
}

// The messaging flags of operations, beside them rather than in them: only set flags
// are kept, and entries of operations that are gone are swept on each change.
struct IMFlags {
    std::mutex mutex;
    std::map<std::weak_ptr<const ns::Operation>, bool, std::owner_less<>> set;
};

IMFlags& imFlags() {
    static IMFlags flags;
    return flags;
}

}  // namespace

std::shared_ptr<NKHTTPClient> initForQXProject() {
    auto client = std::make_shared<NKHTTPClient>(NKHTTPClient::Plain{});
    client->setStringEncoding(NKStringEncoding::utf8());
    client->setParameterEncoding(NKParameterEncoding::FormURL);

    const auto& constants = QXIMConstantManager::share();
    ns::HTTPHeaderFields headers;
    headers.setValue(QStringLiteral("Accept-Encoding"), QStringLiteral("gzip"));
    // A null value (an unset constant) leaves its header out.
    headers.setValue(QStringLiteral("customerId"), constants.qximcustomId());
    headers.setValue(QStringLiteral("clientAgent"), constants.qximclientAgent());
    headers.setValue(QStringLiteral("versionId"), constants.qximversionId());
    headers.setValue(QStringLiteral("model"), constants.qximmodel());
    headers.setValue(QStringLiteral("agency"), constants.qximagency());
    headers.setValue(QStringLiteral("contentformat"), QStringLiteral("json2"));
    client->setDefaultHeaders(headers);

    client->setNetworkReachabilityStatus(ReachabilityStatus::Undetermined);
    client->startMonitoringNetworkReachability();
    return client;
}

std::shared_ptr<NKHTTPClient> clientWithQXBaseURL(const QUrl&) {
    return initForQXProject();
}

ns::URLRequest requestWithUrl(const QString& url, const ns::HTTPHeaderFields& headers,
                              const QString& method, const QString& body) {
    ns::URLRequest request = bareRequest(url, headers, method);
    addBody(request, body);
    return request;
}

ns::URLRequest requestWithUrl(const QString& url, const ns::HTTPHeaderFields& headers,
                              const QString& method, const QByteArray& body) {
    ns::URLRequest request = bareRequest(url, headers, method);
    addBody(request, body);
    return request;
}

void makeStreaming(ns::URLRequest& request) {
    request.setMaximumResponseLength(0);
    request.setDeadlineInterval(0);
}

ns::URLRequest requestWithMethod(const NKHTTPClient& client, const QString& method,
                                 const QString& body) {
    // The client's own factory takes base URL and headers under one lock.
    const ns::URLRequest snapshot = client.requestWithMethod(method, QString());
    return requestWithUrl(snapshot.urlText(), snapshot.allHTTPHeaderFields(), method, body);
}

ns::URLRequest requestWithMethod(const NKHTTPClient& client, const QString& method,
                                 const QByteArray& body) {
    const ns::URLRequest snapshot = client.requestWithMethod(method, QString());
    return requestWithUrl(snapshot.urlText(), snapshot.allHTTPHeaderFields(), method, body);
}

std::shared_ptr<NKHTTPRequestOperation> HTTPRequestOperationWithRequest(
    const NKHTTPClient& client, const ns::URLRequest& request, SuccessBlock success,
    FailureBlock failure, bool forIM, std::shared_ptr<ns::DispatchQueue> callbackQueue) {
    auto operation = client.HTTPRequestOperationWithRequest(request, nullptr, nullptr);
    if (forIM) setIsForIM(*operation, true);
    if (callbackQueue) {
        operation->setSuccessCallbackQueue(callbackQueue);
        operation->setFailureCallbackQueue(callbackQueue);
    }
    if (forIM && success) {
        // Each chunk is handed over on its own, in arrival order, on the callback queue;
        // the normal end then calls success once more with what was collected (nothing).
        handPiecesAsTheyCome(operation, callbackQueue,
                             [weak = std::weak_ptr<NKHTTPRequestOperation>(operation),
                              success](const QByteArray& chunk) {
                                 if (const auto strong = weak.lock())
                                     success(strong, QVariant(chunk));
                             });
    }
    operation->setCompletionBlockWithSuccess(std::move(success), std::move(failure));
    return operation;
}

void handPiecesAsTheyCome(const std::shared_ptr<NKHTTPRequestOperation>& operation,
                          std::shared_ptr<ns::DispatchQueue> queue,
                          std::function<void(const QByteArray& piece)> piece) {
    operation->setChunkHandler(
        std::move(queue),
        [weak = std::weak_ptr<NKHTTPRequestOperation>(operation),
         piece = std::move(piece)](const QByteArray& bytes) {
            const auto strong = weak.lock();
            if (!strong) return;
            // A refused reply is reported once, by the failure at its end.
            if (!strong->hasAcceptableStatusCode() || !strong->hasAcceptableContentType()) return;
            piece(bytes);
        },
        kMostPieceBytesWaiting);
}

std::shared_ptr<NKHTTPRequestOperation> HTTPRequestOperationWithRequest(
    const NKHTTPClient& client, const ns::URLRequest& request, const QVariant& userInfo,
    SuccessBlock success, FailureBlock failure) {
    auto operation = client.HTTPRequestOperationWithRequest(request, nullptr, nullptr);
    setUserInfo(*operation, userInfo);
    operation->setCompletionBlockWithSuccess(std::move(success), std::move(failure));
    return operation;
}

QVariant userInfo(const NKURLConnectionOperation& operation) {
    return operation.userInfo().value(kUserInfoKey);
}

void setUserInfo(NKURLConnectionOperation& operation, const QVariant& userInfo) {
    QVariantMap info = operation.userInfo();
    if (userInfo.isValid()) {
        info.insert(kUserInfoKey, userInfo);
    } else if (!info.remove(kUserInfoKey)) {
        return;  // nothing to clear
    }
    operation.setUserInfo(info);
}

quint64 ownerOf(const NKURLConnectionOperation& operation) {
    return operation.userInfo().value(kOwnerKey).toULongLong();
}

void setOwner(NKURLConnectionOperation& operation, quint64 owner) {
    QVariantMap info = operation.userInfo();
    info.insert(kOwnerKey, owner);
    operation.setUserInfo(info);
}

namespace {

// The client retargeted to `url`, and a request of its default headers of this moment.
void sendWithUrl(NKHTTPClient& client, const QUrl& url, const QString& method, const QString& body,
                 const QVariant& userInfo, SuccessBlock success, FailureBlock failure) {
    client.setBaseURL(url);
    const auto request =
        requestWithUrl(url.toString(QUrl::FullyEncoded), client.defaultHeaders(), method, body);
    client.enqueueHTTPRequestOperation(HTTPRequestOperationWithRequest(
        client, request, userInfo, std::move(success), std::move(failure)));
}

}  // namespace

void getWithUrl(NKHTTPClient& client, const QUrl& url, const QString& body, SuccessBlock success,
                FailureBlock failure) {
    getWithUrl(client, url, body, QVariant(), std::move(success), std::move(failure));
}

void getWithUrl(NKHTTPClient& client, const QUrl& url, const QString& body,
                const QVariant& userInfo, SuccessBlock success, FailureBlock failure) {
    sendWithUrl(client, url, QStringLiteral("GET"), body, userInfo, std::move(success),
                std::move(failure));
}

void postWithUrl(NKHTTPClient& client, const QUrl& url, const QString& body, SuccessBlock success,
                 FailureBlock failure) {
    postWithUrl(client, url, body, QVariant(), std::move(success), std::move(failure));
}

void postWithUrl(NKHTTPClient& client, const QUrl& url, const QString& body,
                 const QVariant& userInfo, SuccessBlock success, FailureBlock failure) {
    sendWithUrl(client, url, QStringLiteral("POST"), body, userInfo, std::move(success),
                std::move(failure));
}

void getWithUrlForIM(NKHTTPClient& client, const QUrl& url, const QString& body,
                     std::shared_ptr<ns::DispatchQueue> callbackQueue, SuccessBlock success,
                     FailureBlock failure) {
    client.setBaseURL(url);
    auto request = requestWithUrl(url.toString(QUrl::FullyEncoded), client.defaultHeaders(),
                                  QStringLiteral("GET"), body);
    makeStreaming(request);
    client.enqueueHTTPRequestOperation(HTTPRequestOperationWithRequest(
        client, request, std::move(success), std::move(failure), true,
        callbackQueue ? std::move(callbackQueue) : ns::DispatchQueue::main()));
}

void postWithUrlDataBody(NKHTTPClient& client, const QUrl& url, const QByteArray& body,
                         const QVariant& userInfo, SuccessBlock success, FailureBlock failure) {
    postWithUrlDataBody(client, url, body, userInfo, nullptr, std::move(success),
                        std::move(failure));
}

void postWithUrlDataBody(NKHTTPClient& client, const QUrl& url, const QByteArray& body,
                         const QVariant& userInfo, ProgressBlock uploadProgress,
                         SuccessBlock success, FailureBlock failure) {
    client.setBaseURL(url);
    const auto request = requestWithUrl(url.toString(QUrl::FullyEncoded), client.defaultHeaders(),
                                        QStringLiteral("POST"), body);
    auto operation = HTTPRequestOperationWithRequest(client, request, userInfo, std::move(success),
                                                     std::move(failure));
    if (uploadProgress) operation->setUploadProgressBlock(std::move(uploadProgress));
    client.enqueueHTTPRequestOperation(operation);
}

void cancelAllHTTPOperationsWithInterface(const NKHTTPClient& client, const QString& interface,
                                          const QString& url, quint64 owner) {
    for (const auto& queued : client.operationQueue()->operations()) {
        const auto operation = std::dynamic_pointer_cast<NKHTTPRequestOperation>(queued);
        if (!operation) continue;
        const ns::URLRequest request = operation->request();
        const ns::HTTPHeaderFields& headers = request.allHTTPHeaderFields();
        if (headers.isEmpty() || !headers.contains(kInterfaceHeader)) continue;
        if (headers.value(kInterfaceHeader) != interface) continue;
        if (owner != 0 && ownerOf(*operation) != owner) continue;
        // The texts as written, compared exactly and case-sensitively.
        if (request.urlText() == url) operation->cancel();
    }
}

ns::HTTPHeaderFields returnDefaultHeaders(const NKHTTPClient& client) {
    return client.defaultHeaders();
}

void clearHeaderWithKey(NKHTTPClient& client, const QString& key) {
    client.setDefaultHeader(key, QString());
}

void clearDefaultHeaders(NKHTTPClient& client) {
    client.setDefaultHeaders({});
}

bool isForIM(const NKURLConnectionOperation& operation) {
    auto& flags = imFlags();
    std::lock_guard guard(flags.mutex);
    return flags.set.contains(operation.weak_from_this());
}

void setIsForIM(NKURLConnectionOperation& operation, bool forIM) {
    auto& flags = imFlags();
    std::lock_guard guard(flags.mutex);
    std::erase_if(flags.set, [](const auto& entry) { return entry.first.expired(); });
    const std::weak_ptr<const ns::Operation> key = operation.weak_from_this();
    if (forIM) {
        flags.set.insert_or_assign(key, true);
    } else {
        flags.set.erase(key);
    }
}

}  // namespace QXClient
