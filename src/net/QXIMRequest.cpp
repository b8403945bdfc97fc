#include "net/QXIMRequest.h"

#include "net/NKHTTPClient+QXClient.h"
#include "net/QXNetContext.h"
#include "net/TransportFailure.h"
#include "net/transport/Json.h"

#include "platform/foundation/main_queue.h"

#include <atomic>
#include <unordered_map>
#include <utility>

namespace {

const QString kGET = QStringLiteral("GET");
const QString kPOST = QStringLiteral("POST");
const QString kSeqId = QStringLiteral("SeqId");
const QString kToken = QStringLiteral("token");

std::atomic<quint64> lastSerial{0};

// The header set each thread other than the main one installed, per request object (by
// serial). Kept with the thread, so that nothing of one thread's calls reaches another's
// and nothing outlives the thread.
thread_local std::unordered_map<quint64, ns::HTTPHeaderFields> stagedHeaders;

int statusCodeOf(const NKHTTPRequestOperation& operation) {
    const auto response = operation.HTTPResponse();
    return response ? response->statusCode() : 200;
}

ns::Error emptyURLError() {
    return ns::Error::withDescription(ns::Error::kURLErrorDomain, ns::Error::kURLErrorBadURL,
                                      QStringLiteral("bad URL"));
}

// A body text for send(): nil for an absent one.
QVariant bodyOf(const QString& parameter) {
    return parameter.isNull() ? QVariant() : QVariant(parameter);
}

QVariantMap pictureFailure(const QString& text) {
    return {{TransportFailure::kError, text}};
}

QXIMRequest::UserInfoSuccessBlock withoutUserInfo(QXIMRequest::SuccessBlock success) {
    if (!success) return nullptr;
    return [success = std::move(success)](const QVariant& object, const QVariant&) {
        success(object);
    };
}

QXIMRequest::UserInfoSuccessBlock withoutUserInfo(QXIMRequest::DataSuccessBlock success) {
    if (!success) return nullptr;
    return [success = std::move(success)](const QVariant& bytes, const QVariant&) {
        success(bytes.toByteArray());
    };
}

QXIMRequest::UserInfoFailureBlock withoutUserInfo(QXIMRequest::FailureBlock failure) {
    if (!failure) return nullptr;
    return [failure = std::move(failure)](const QVariantMap& dictionary, const QVariant&) {
        failure(dictionary);
    };
}

// The operation's failure as the {"msg"} dictionary of the caller's block.
NKHTTPRequestOperation::FailureBlock failureMessage(QXIMRequest::FailureBlock failure) {
    return [failure = std::move(failure)](const std::shared_ptr<NKHTTPRequestOperation>&,
                                          const ns::Error& error) {
        if (failure) failure(TransportFailure::message(error));
    };
}

}  // namespace

struct QXIMRequest::OperationSlot {
    std::mutex mutex;
    std::shared_ptr<NKHTTPRequestOperation> operation;

    void record(const std::shared_ptr<NKHTTPRequestOperation>& recorded) {
        std::lock_guard guard(mutex);
        operation = recorded;
    }
};

// How a call's reply reaches its caller.
struct QXIMRequest::Handling {
    enum class Reply {
        Parsed,           // parsed; status 200, else failure {"statusCode"}
        ParsedAnyStatus,  // parsed, whatever accepted status
        Bytes,            // raw bytes, whatever accepted status
        BytesOf200,       // raw bytes; status 200, else failure {"statusCode"}
    };
    Reply reply = Reply::Parsed;
    // The whole TransportFailure, or {"msg"} alone.
    bool fullFailure = true;
    // Whether each block records its operation as _operation() first.
    bool recordSuccess = true;
    bool recordFailure = true;
    UserInfoSuccessBlock success;
    UserInfoFailureBlock failure;

    // The raw bytes of a 200 reply, of the calls nothing in the app sends.
    [[nodiscard]] static Handling bytesOf200(DataSuccessBlock success, FailureBlock failure) {
        return {.reply = Reply::BytesOf200,
                .recordSuccess = false,
                .success = withoutUserInfo(std::move(success)),
                .failure = withoutUserInfo(std::move(failure))};
    }

    [[nodiscard]] NKHTTPRequestOperation::SuccessBlock successBlock(
        std::shared_ptr<OperationSlot> slot) const {
        return [slot, handling = *this](const std::shared_ptr<NKHTTPRequestOperation>& operation,
                                        const QVariant& body) {
            if (handling.recordSuccess) slot->record(operation);
            const QVariant userInfo = QXClient::userInfo(*operation);
            const int status = statusCodeOf(*operation);
            const bool statusTested =
                handling.reply == Reply::Parsed || handling.reply == Reply::BytesOf200;
            if (statusTested && status != 200) {
                if (handling.failure) handling.failure(TransportFailure::status(status), userInfo);
            } else if (handling.success) {
                const bool parsed =
                    handling.reply == Reply::Parsed || handling.reply == Reply::ParsedAnyStatus;
                handling.success(parsed ? json_JSON(body) : body, userInfo);
            }
            QXClient::setUserInfo(*operation, QVariant());
        };
    }

    [[nodiscard]] NKHTTPRequestOperation::FailureBlock failureBlock(
        std::shared_ptr<OperationSlot> slot) const {
        return [slot, handling = *this](const std::shared_ptr<NKHTTPRequestOperation>& operation,
                                        const ns::Error& error) {
            if (handling.recordFailure) slot->record(operation);
            const QVariant userInfo = QXClient::userInfo(*operation);
            if (handling.failure) {
                handling.failure(handling.fullFailure
                                     ? TransportFailure::fromError(*operation, error)
                                     : TransportFailure::message(error),
                                 userInfo);
            }
            QXClient::setUserInfo(*operation, QVariant());
        };
    }
};

QXIMRequest& QXIMRequest::shared() {
    // Lives as long as the process: its operations may still report while it exits.
    static QXIMRequest* const instance = new QXIMRequest();
    return *instance;
}

QXIMRequest::QXIMRequest()
    : serial_(++lastSerial),
      httpClient_(QXClient::initForQXProject()),
      lastOperation_(std::make_shared<OperationSlot>()) {
    const auto context = QXNetContext::shared();
    httpClient_->setDefaultHeader(QStringLiteral("ClientTimeStamp"), context->timeStamp());
    httpClient_->setDefaultHeader(QStringLiteral("userId"), context->imUserKey());
}

QXIMRequest::~QXIMRequest() {
    stagedHeaders.erase(serial_);
}

// Headers.

ns::HTTPHeaderFields QXIMRequest::currentHeaders() const {
    if (!ns::MainQueue::isMainThread()) {
        const auto staged = stagedHeaders.find(serial_);
        if (staged != stagedHeaders.end()) return staged->second;
    }
    return httpClient_->defaultHeaders();
}

void QXIMRequest::setCurrentHeaders(const ns::HTTPHeaderFields& headers) {
    if (ns::MainQueue::isMainThread()) {
        httpClient_->setDefaultHeaders(headers);
    } else {
        stagedHeaders[serial_] = headers;
    }
}

void QXIMRequest::editHeaders(const std::function<void(ns::HTTPHeaderFields& headers)>& edit) {
    ns::HTTPHeaderFields headers = currentHeaders();
    edit(headers);
    setCurrentHeaders(headers);
}

void QXIMRequest::addValuesFormDic(const RequestHeaderSet& headers) {
    const RequestHeaderSet installed = headers.withMessagingToken();
    ns::HTTPHeaderFields fields;
    for (const auto& [name, value] : installed.pairs()) {
        // The users server's "Token" and the messaging "token" are two headers, both sent.
        if (fields.contains(name) && !fields.names().contains(name)) {
            fields.appendField(name, value);
        } else {
            fields.setValue(name, value);
        }
    }
    setCurrentHeaders(fields);
}

void QXIMRequest::clearHeaderOfHttp() {
    setCurrentHeaders({});
}

void QXIMRequest::removeValuesInHead(const RequestHeaderSet& headers) {
    editHeaders([&](ns::HTTPHeaderFields& fields) {
        for (const QString& name : headers.names()) fields.remove(name);
    });
}

void QXIMRequest::addSeq() {
    const QString seqId = QXNetContext::shared()->newSeqId();
    editHeaders([&](ns::HTTPHeaderFields& fields) {
        fields.setValue(kSeqId, seqId.isNull() ? QStringLiteral("") : seqId);
    });
}

void QXIMRequest::removeSeq() {
    editHeaders([](ns::HTTPHeaderFields& fields) {
        if (!fields.value(kSeqId).isEmpty()) fields.remove(kSeqId);
    });
}

ns::HTTPHeaderFields QXIMRequest::headOfHttp() const {
    return currentHeaders();
}

void QXIMRequest::addValue(const QString& value, const QString& key) {
    editHeaders([&](ns::HTTPHeaderFields& fields) { fields.setValue(key, value); });
}

void QXIMRequest::removeParam(const QString& key) {
    editHeaders([&](ns::HTTPHeaderFields& fields) { fields.remove(key); });
}

QString QXIMRequest::getValueFromHeader(const QString& key) const {
    const ns::HTTPHeaderFields fields = currentHeaders();
    return fields.contains(key) ? fields.value(key) : QString();
}

// Sending.

void QXIMRequest::preCancel(const QString& interface, const QString& url, Owner owner) {
    if (interface == kSendMessageInterface) return;
    QXClient::cancelAllHTTPOperationsWithInterface(*httpClient_, interface, url, owner);
}

void QXIMRequest::cancelMatching(const QString& interface, const QString& url, Owner owner) {
    std::lock_guard guard(submitMutex_);
    preCancel(interface, url, owner);
}

QXIMRequest::Owner QXIMRequest::newOwner() {
    static std::atomic<Owner> lastOwner{0};
    return ++lastOwner;
}

void QXIMRequest::send(const QString& interface, const QString& url, const QString& method,
                       const QVariant& body, const QVariant& userInfo, const Handling& handling,
                       UploadProgressBlock uploadProgress, Owner owner) {
    if (url.isEmpty()) {
        if (!interface.isNull()) cancelMatching(interface, url, owner);
        refuse(emptyURLError(), handling, userInfo);
        return;
    }
    const ns::HTTPHeaderFields headers = currentHeaders();
    const QUrl target(url, QUrl::StrictMode);
    const ns::URLRequest request =
        body.typeId() == QMetaType::QByteArray
            ? QXClient::requestWithUrl(url, headers, method, body.toByteArray())
            : QXClient::requestWithUrl(url, headers, method, body.toString());
    auto operation = QXClient::HTTPRequestOperationWithRequest(
        *httpClient_, request, userInfo, handling.successBlock(lastOperation_),
        handling.failureBlock(lastOperation_));
    if (uploadProgress) {
        operation->setUploadProgressBlock([uploadProgress = std::move(uploadProgress), userInfo](
                                              quint64, qint64 total, qint64 expected) {
            uploadProgress(expected > 0 ? static_cast<double>(total) / expected : 0.0, userInfo);
        });
    }
    if (owner != 0) QXClient::setOwner(*operation, owner);
    std::lock_guard guard(submitMutex_);
    if (!interface.isNull()) preCancel(interface, url, owner);
    httpClient_->setBaseURL(target);
    httpClient_->enqueueHTTPRequestOperation(operation);
}

void QXIMRequest::refuse(const ns::Error& error, const Handling& handling, const QVariant& userInfo,
                         std::shared_ptr<ns::DispatchQueue> queue) const {
    if (!handling.failure) return;
    if (!queue) queue = ns::DispatchQueue::main();
    // Later, as every other answer comes: the caller may still be setting up.
    queue->async([failure = handling.failure, error, userInfo] {
        failure(TransportFailure::message(error), userInfo);
    });
}

void QXIMRequest::requestWithUrl(const QString& url, const QString& interface,
                                 const QString& parameter, const QVariant& userInfo,
                                 UserInfoSuccessBlock success, UserInfoFailureBlock failure) {
    const Handling handling{.success = std::move(success), .failure = std::move(failure)};
    // Without a parameter: the plain GET of the URL, after the pre-cancel.
    send(interface, url, parameter.isNull() ? kGET : kPOST, bodyOf(parameter), userInfo, handling);
}

void QXIMRequest::requestWithUrl(const QString& url, const QString& interface,
                                 const QString& parameter, SuccessBlock success,
                                 FailureBlock failure) {
    requestWithUrl(url, interface, parameter, QVariant(), withoutUserInfo(std::move(success)),
                   withoutUserInfo(std::move(failure)));
}

void QXIMRequest::requestWithUrl(const QString& url, const QString& interface,
                                 const QString& parameter, Owner owner, SuccessBlock success,
                                 FailureBlock failure) {
    const Handling handling{.success = withoutUserInfo(std::move(success)),
                            .failure = withoutUserInfo(std::move(failure))};
    send(interface, url, parameter.isNull() ? kGET : kPOST, bodyOf(parameter), QVariant(), handling,
         nullptr, owner);
}

void QXIMRequest::requestWithUrlSuccessData(const QString& url, const QString& interface,
                                            const QString& parameter, SuccessBlock success,
                                            FailureBlock failure) {
    requestWithUrl(url, interface, parameter, std::move(success), std::move(failure));
}

void QXIMRequest::requestWithUrlWithMethod(const QString& url, const QString& interface,
                                           const QString& parameter, const QString& method,
                                           SuccessBlock success, FailureBlock failure) {
    Handling handling{.success = withoutUserInfo(std::move(success)),
                      .failure = withoutUserInfo(std::move(failure))};
    if (url.isEmpty()) {
        refuse(emptyURLError(), handling, QVariant());
        return;
    }
    const QString chosen = method.isEmpty() ? kGET : method;
    if (chosen == kGET) {
        // The bare URL: the parameter is not sent.
        send(interface, url, kGET, QVariant(), QVariant(), handling);
    } else if (chosen == kPOST) {
        handling.recordFailure = false;
        send(interface, url, kPOST, bodyOf(parameter), QVariant(), handling);
    } else {
        cancelMatching(interface, url);
        refuse(ns::Error::withDescription(ns::Error::kURLErrorDomain,
                                          ns::Error::kURLErrorUnsupportedURL,
                                          QStringLiteral("unsupported method %1").arg(chosen)),
               handling, QVariant());
    }
}

void QXIMRequest::requestWithUrl(const QString& url, const QVariant& userInfo,
                                 UserInfoSuccessBlock success, UserInfoFailureBlock failure) {
    const Handling handling{.success = std::move(success), .failure = std::move(failure)};
    send(QString(), url, kGET, QVariant(), userInfo, handling);
}

void QXIMRequest::requestWithUrl(const QString& url, SuccessBlock success, FailureBlock failure) {
    requestWithUrl(url, QVariant(), withoutUserInfo(std::move(success)),
                   withoutUserInfo(std::move(failure)));
}

void QXIMRequest::requestWithUrlSuccessWithData(const QString& url, DataSuccessBlock success,
                                                FailureBlock failure) {
    const Handling handling{.reply = Handling::Reply::Bytes,
                            .fullFailure = false,
                            .success = withoutUserInfo(std::move(success)),
                            .failure = withoutUserInfo(std::move(failure))};
    send(QStringLiteral(""), url, kGET, QVariant(), QVariant(), handling);
}

void QXIMRequest::requestWithUrlWithDataParameter(const QString& url, const QString& interface,
                                                  const QByteArray& parameter,
                                                  const QVariant& userInfo,
                                                  UserInfoSuccessBlock success,
                                                  UserInfoFailureBlock failure) {
    const Handling handling{.reply = Handling::Reply::ParsedAnyStatus,
                            .fullFailure = false,
                            .success = std::move(success),
                            .failure = std::move(failure)};
    send(interface, url, kPOST, parameter, userInfo, handling);
}

void QXIMRequest::requestWithUrlWithDataParameter(const QString& url, const QString& interface,
                                                  const QByteArray& parameter, SuccessBlock success,
                                                  FailureBlock failure) {
    requestWithUrlWithDataParameter(url, interface, parameter, QVariant(),
                                    withoutUserInfo(std::move(success)),
                                    withoutUserInfo(std::move(failure)));
}

void QXIMRequest::requestWithUrlForImage(const QString& url, DataSuccessBlock success,
                                         FailureBlock failure, ProgressBlock progress) {
    if (url.isEmpty()) {
        if (failure) failure(pictureFailure(QStringLiteral("url为空")));
        return;
    }
    clearHeaderOfHttp();
    ns::URLRequest request = QXClient::requestWithUrl(url, currentHeaders(), kGET, QString());
    // A picture may be larger and slower than a call's reply: a picture loader's bounds.
    request.setMaximumResponseLength(ns::URLRequest::kDefaultMaximumResponseLength);
    request.setDeadlineInterval(ns::URLRequest::kDefaultDeadlineInterval);
    auto operation = std::make_shared<NKHTTPRequestOperation>(request);
    if (progress) operation->setDownloadProgressBlock(std::move(progress));
    const auto failed = [failure] {
        if (failure) failure(pictureFailure(QStringLiteral("http result error")));
    };
    operation->setCompletionBlockWithSuccess(
        [success, failed](const std::shared_ptr<NKHTTPRequestOperation>& done,
                          const QVariant& body) {
            if (statusCodeOf(*done) != 200) {
                failed();
            } else if (success) {
                success(body.toByteArray());
            }
        },
        [failed](const std::shared_ptr<NKHTTPRequestOperation>&, const ns::Error&) { failed(); });
    httpClient_->enqueueHTTPRequestOperation(operation);
}

std::shared_ptr<NKHTTPRequestOperation> QXIMRequest::requsetWithImNetWork(
    const QString& url, std::shared_ptr<ns::DispatchQueue> callbackQueue, DataSuccessBlock success,
    FailureBlock failure) {
    return receiveStream(
        url, std::move(callbackQueue),
        [success = std::move(success)](const QByteArray& piece, qint64) {
            if (success) success(piece);
        },
        std::move(failure));
}

std::shared_ptr<NKHTTPRequestOperation> QXIMRequest::receiveStream(
    const QString& url, std::shared_ptr<ns::DispatchQueue> callbackQueue, StreamPieceBlock piece,
    FailureBlock failure) {
    if (!callbackQueue) callbackQueue = ns::DispatchQueue::main();
    if (url.isEmpty()) {
        refuse(emptyURLError(), Handling{.failure = withoutUserInfo(std::move(failure))},
               QVariant(), callbackQueue);
        return nullptr;
    }
    ns::URLRequest request = QXClient::requestWithUrl(url, currentHeaders(), kGET, QString());
    // The stream's reply never ends: a GET pipelined behind it on its connection would wait
    // for ever (a city update sent just after the stream opened was, until it timed out).
    request.setHTTPShouldUsePipelining(false);
    QXClient::makeStreaming(request);
    auto operation = QXClient::HTTPRequestOperationWithRequest(
        *httpClient_, request,
        // The stream's operation is not recorded as _operation(): it would race the
        // main thread's calls, whose blocks read their own reply there.
        [piece = std::move(piece), counted = std::make_shared<qint64>(0)](
            const std::shared_ptr<NKHTTPRequestOperation>& operation, const QVariant& bytes) {
            // The pieces are handed over one at a time, on the one queue.
            const qint64 handed = operation->chunksHandedOver();
            const qint64 chunks = handed - std::exchange(*counted, handed);
            piece(bytes.toByteArray(), chunks);
        },
        failureMessage(std::move(failure)), true, callbackQueue);
    httpClient_->enqueueHTTPRequestOperation(operation);
    return operation;
}

std::shared_ptr<NKHTTPRequestOperation> QXIMRequest::requestWithUrlAsItComes(
    const QString& url, const QString& interface, std::shared_ptr<ns::DispatchQueue> queue,
    DataSuccessBlock piece, std::function<void()> end, FailureBlock failure) {
    if (!queue) queue = ns::DispatchQueue::main();
    if (url.isEmpty()) {
        refuse(emptyURLError(), Handling{.failure = withoutUserInfo(std::move(failure))},
               QVariant(), queue);
        return nullptr;
    }
    ns::URLRequest request = QXClient::requestWithUrl(url, currentHeaders(), kGET, QString());
    request.setMaximumResponseLength(0);
    auto operation = QXClient::HTTPRequestOperationWithRequest(
        *httpClient_, request,
        [end = std::move(end)](const std::shared_ptr<NKHTTPRequestOperation>&, const QVariant&) {
            if (end) end();
        },
        failureMessage(std::move(failure)), false, queue);
    QXClient::handPiecesAsTheyCome(operation, queue, std::move(piece));
    std::lock_guard guard(submitMutex_);
    if (!interface.isNull()) preCancel(interface, url);
    httpClient_->setBaseURL(QUrl(url, QUrl::StrictMode));
    httpClient_->enqueueHTTPRequestOperation(operation);
    return operation;
}

void QXIMRequest::requestFindHouseWithUrl(const QString& url, const QString& interface,
                                          const QString& parameter, DataSuccessBlock success,
                                          FailureBlock failure) {
    send(interface, url, kPOST, bodyOf(parameter), QVariant(),
         Handling::bytesOf200(std::move(success), std::move(failure)));
}

void QXIMRequest::requestGetUserPrivilegeWithUrl(const QString& url, const QString& interface,
                                                 const QString& parameter, DataSuccessBlock success,
                                                 FailureBlock failure) {
    requestFindHouseWithUrl(url, interface, parameter, std::move(success), std::move(failure));
}

void QXIMRequest::requestWithUrlForPush(const QString& url, const QString& interface,
                                        const QString& parameter, DataSuccessBlock success,
                                        FailureBlock failure) {
    send(interface, url, parameter.isNull() ? kGET : kPOST, bodyOf(parameter), QVariant(),
         Handling::bytesOf200(std::move(success), std::move(failure)));
}

void QXIMRequest::goOnRequestWithUrl(const QString& url, const QString&, const QString& parameter,
                                     SuccessBlock success, FailureBlock failure) {
    const Handling handling{.success = withoutUserInfo(std::move(success)),
                            .failure = withoutUserInfo(std::move(failure))};
    send(QString(), url, parameter.isNull() ? kGET : kPOST, bodyOf(parameter), QVariant(),
         handling);
}

void QXIMRequest::uploadDataWithURL(const QString& url, const QString&, const QByteArray& data,
                                    const QVariant& userInfo, UploadProgressBlock uploadProgress,
                                    UserInfoSuccessBlock success, UserInfoFailureBlock failure) {
    const Handling handling{.reply = Handling::Reply::ParsedAnyStatus,
                            .fullFailure = false,
                            .success = std::move(success),
                            .failure = std::move(failure)};
    send(QString(), url, kPOST, data, userInfo, handling, std::move(uploadProgress));
}

void QXIMRequest::cancelTovikRequest(const QString& path) {
    httpClient_->cancelAllHTTPOperationsWithMethod(kPOST, path);
}

void QXIMRequest::cancelToVikRequestByInterface(const QString& interface, const QString& url,
                                                Owner owner) {
    std::lock_guard guard(submitMutex_);
    QXClient::cancelAllHTTPOperationsWithInterface(*httpClient_, interface, url, owner);
}

void QXIMRequest::cancelIMNetWork() {
    for (const auto& queued : httpClient_->operationQueue()->operations()) {
        const auto operation = std::dynamic_pointer_cast<NKHTTPRequestOperation>(queued);
        if (operation && QXClient::isForIM(*operation)) {
            operation->cancel();
            return;
        }
    }
}

std::shared_ptr<NKHTTPRequestOperation> QXIMRequest::_operation() const {
    std::lock_guard guard(lastOperation_->mutex);
    return lastOperation_->operation;
}

void QXIMRequest::set_operation(std::shared_ptr<NKHTTPRequestOperation> operation) {
    lastOperation_->record(operation);
}
