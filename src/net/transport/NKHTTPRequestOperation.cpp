#include "net/transport/NKHTTPRequestOperation.h"

#include "platform/foundation/main_queue.h"

namespace {

const QString kOctetStream = QStringLiteral("application/octet-stream");

struct StatusCodeSetting {
    std::mutex mutex;
    std::optional<NKHTTPRequestOperation::StatusCodes> codes =
        NKHTTPRequestOperation::statusCodesInRange(200, 100);
};

StatusCodeSetting& statusCodeSetting() {
    static StatusCodeSetting setting;
    return setting;
}

int statusCodeOf(const ns::URLResponse& response) {
    const auto* http = dynamic_cast<const ns::HTTPURLResponse*>(&response);
    return http ? http->statusCode() : 200;
}

}  // namespace

QStringList NKContentTypeSetting::types() const {
    std::lock_guard guard(mutex_);
    return types_;
}

void NKContentTypeSetting::add(const QStringList& types) {
    std::lock_guard guard(mutex_);
    for (const QString& type : types) {
        if (!types_.contains(type)) types_ << type;
    }
}

NKHTTPRequestOperation::NKHTTPRequestOperation(const ns::URLRequest& request)
    : NKURLConnectionOperation(request) {}

QString NKHTTPRequestOperation::className() const {
    return QStringLiteral("NKHTTPRequestOperation");
}

std::shared_ptr<NKURLConnectionOperation> NKHTTPRequestOperation::makeOperation(
    const ns::URLRequest& request) const {
    return std::make_shared<NKHTTPRequestOperation>(request);
}

std::shared_ptr<const ns::HTTPURLResponse> NKHTTPRequestOperation::HTTPResponse() const {
    return std::dynamic_pointer_cast<const ns::HTTPURLResponse>(response());
}

NKHTTPRequestOperation::StatusCodes NKHTTPRequestOperation::statusCodesInRange(int first,
                                                                               int count) {
    StatusCodes codes;
    for (int code = first; code < first + count; ++code) codes.insert(code);
    return codes;
}

QString NKHTTPRequestOperation::describeStatusCodes(const StatusCodes& codes) {
    QStringList runs;
    auto it = codes.begin();
    while (it != codes.end()) {
        const int first = *it;
        int last = first;
        while (++it != codes.end() && *it == last + 1) last = *it;
        runs << (first == last ? QString::number(first)
                               : QStringLiteral("%1-%2").arg(first).arg(last));
    }
    return runs.join(QLatin1Char(','));
}

QString NKHTTPRequestOperation::describeContentTypes(const QStringList& types) {
    QStringList lines;
    for (const QString& type : types) lines << QStringLiteral("    \"%1\"").arg(type);
    return QStringLiteral("{(\n%1\n)}").arg(lines.join(QStringLiteral(",\n")));
}

std::optional<NKHTTPRequestOperation::StatusCodes> NKHTTPRequestOperation::acceptableStatusCodes() {
    auto& setting = statusCodeSetting();
    std::lock_guard guard(setting.mutex);
    return setting.codes;
}

void NKHTTPRequestOperation::addAcceptableStatusCodes(const StatusCodes& codes) {
    auto& setting = statusCodeSetting();
    std::lock_guard guard(setting.mutex);
    // No set means every code is acceptable; adding to it changes nothing.
    if (setting.codes) setting.codes->insert(codes.begin(), codes.end());
}

std::optional<QStringList> NKHTTPRequestOperation::acceptableContentTypes() {
    return std::nullopt;
}

void NKHTTPRequestOperation::addAcceptableContentTypes(const QStringList&) {
    // Any content type is acceptable already.
}

bool NKHTTPRequestOperation::canProcessRequest(const ns::URLRequest&) {
    return true;
}

std::optional<NKHTTPRequestOperation::StatusCodes> NKHTTPRequestOperation::statusCodesOfClass()
    const {
    return acceptableStatusCodes();
}

std::optional<QStringList> NKHTTPRequestOperation::contentTypesOfClass() const {
    return acceptableContentTypes();
}

bool NKHTTPRequestOperation::acceptHeaderNamesAny(const ns::URLRequest& request,
                                                  const QStringList& types) {
    const QString accept = request.valueForHTTPHeaderField(QStringLiteral("Accept"));
    for (const QString& piece : accept.split(QLatin1Char(','))) {
        const QString type = piece.section(QLatin1Char(';'), 0, 0).trimmed();
        if (!type.isEmpty() && types.contains(type)) return true;
    }
    return false;
}

bool NKHTTPRequestOperation::hasAcceptableStatusCode() const {
    const auto response = this->response();
    if (!response) return false;
    const auto codes = statusCodesOfClass();
    return !codes || codes->contains(statusCodeOf(*response));
}

bool NKHTTPRequestOperation::hasAcceptableContentType() const {
    const auto response = this->response();
    if (!response) return false;
    const auto types = contentTypesOfClass();
    const QString type = response->mimeType().isEmpty() ? kOctetStream : response->mimeType();
    return !types || types->contains(type);
}

std::optional<ns::Error> NKHTTPRequestOperation::error() const {
    std::lock_guard guard(lock());
    const auto response = this->response();
    if (!HTTPError_ && response) {
        const bool statusAcceptable = hasAcceptableStatusCode();
        if (!statusAcceptable || !hasAcceptableContentType()) {
            const ns::URLRequest request = this->request();
            QVariantMap userInfo;
            if (const auto text = responseString())
                userInfo.insert(ns::Error::kLocalizedRecoverySuggestionKey, *text);
            userInfo.insert(ns::Error::kFailingURLKey, request.url());
            userInfo.insert(kFailingURLRequestErrorKey, QVariant::fromValue(request));
            userInfo.insert(kFailingURLResponseErrorKey, QVariant::fromValue(response));
            if (!statusAcceptable) {
                userInfo.insert(
                    ns::Error::kLocalizedDescriptionKey,
                    QStringLiteral("Expected status code in (%1), got %2")
                        .arg(describeStatusCodes(statusCodesOfClass().value_or(StatusCodes())))
                        .arg(statusCodeOf(*response)));
                HTTPError_ = ns::Error(kErrorDomain, kUnacceptableStatusCodeError, userInfo);
            } else if (!responseData().isEmpty()) {
                const QString mimeType = response->mimeType().isEmpty() ? QStringLiteral("(null)")
                                                                        : response->mimeType();
                userInfo.insert(
                    ns::Error::kLocalizedDescriptionKey,
                    QStringLiteral("Expected content type %1, got %2")
                        .arg(describeContentTypes(contentTypesOfClass().value_or(QStringList())),
                             mimeType));
                HTTPError_ = ns::Error(kErrorDomain, kUnacceptableContentTypeError, userInfo);
            }
        }
    }
    if (HTTPError_) return HTTPError_;
    return NKURLConnectionOperation::error();
}

NKStringEncoding NKHTTPRequestOperation::responseStringEncoding() const {
    // No lock around the test below, a decode of the whole body: responseString() asks
    // without the lock.
    const auto http = HTTPResponse();
    const QByteArray data = responseData();
    if (http && http->textEncodingName().isEmpty() && !data.isNull()) {
        const QString contentType =
            http->allHeaderFields().value(QStringLiteral("Content-Type")).trimmed();
        const QString mediaType = contentType.section(QLatin1Char('/'), 0, 0);
        if (contentType.contains(QLatin1Char('/')) && mediaType == QLatin1String("text")) {
            // Text without a charset is Latin-1 by the old rule, but servers send
            // UTF-8 (Chinese error texts above all): valid UTF-8 is read as such.
            const NKStringEncoding utf8 = NKStringEncoding::utf8();
            return utf8.decode(data) ? utf8 : NKStringEncoding::isoLatin1();
        }
    }
    return NKURLConnectionOperation::responseStringEncoding();
}

void NKHTTPRequestOperation::pause() {
    const auto stream = outputStream();
    quint64 offset = 0;
    if (const auto fileOffset = stream->fileCurrentOffset()) {
        offset = *fileOffset;
    } else if (const auto written = stream->dataWrittenToMemory()) {
        offset = static_cast<quint64>(written->size());
    }
    ns::URLRequest resumed = request();
    if (const auto http = HTTPResponse()) {
        const auto& fields = http->allHeaderFields();
        if (fields.contains(QStringLiteral("ETag"))) {
            resumed.setValue(fields.value(QStringLiteral("ETag")), QStringLiteral("If-Range"));
        }
    }
    resumed.setValue(QStringLiteral("bytes=%1-").arg(offset), QStringLiteral("Range"));
    setRequest(resumed);
    NKURLConnectionOperation::pause();
}

std::shared_ptr<ns::DispatchQueue> NKHTTPRequestOperation::successCallbackQueue() const {
    std::lock_guard guard(lock());
    return successCallbackQueue_;
}

void NKHTTPRequestOperation::setSuccessCallbackQueue(std::shared_ptr<ns::DispatchQueue> queue) {
    std::lock_guard guard(lock());
    successCallbackQueue_ = std::move(queue);
}

std::shared_ptr<ns::DispatchQueue> NKHTTPRequestOperation::failureCallbackQueue() const {
    std::lock_guard guard(lock());
    return failureCallbackQueue_;
}

void NKHTTPRequestOperation::setFailureCallbackQueue(std::shared_ptr<ns::DispatchQueue> queue) {
    std::lock_guard guard(lock());
    failureCallbackQueue_ = std::move(queue);
}

std::shared_ptr<ns::DispatchQueue> NKHTTPRequestOperation::successQueueOrMain() const {
    auto queue = successCallbackQueue();
    return queue ? queue : ns::DispatchQueue::main();
}

std::shared_ptr<ns::DispatchQueue> NKHTTPRequestOperation::failureQueueOrMain() const {
    auto queue = failureCallbackQueue();
    return queue ? queue : ns::DispatchQueue::main();
}

void NKHTTPRequestOperation::setCompletionBlockWithSuccess(SuccessBlock success,
                                                           FailureBlock failure) {
    setCompletionBlock(
        [weak = weakAs<NKHTTPRequestOperation>(), success = std::move(success),
         failure = std::move(failure)] {
            const auto operation = weak.lock();
            if (!operation) return;
            if (operation->error()) {
                if (!failure) return;
                operation->failureQueueOrMain()->async([operation, failure] {
                    failure(operation, operation->error().value_or(ns::Error()));
                });
            } else if (success) {
                operation->successQueueOrMain()->async([operation, success] {
                    success(operation, QVariant(operation->responseData()));
                });
            }
        },
        // The block only hands the outcome on to the callback queues: run it where the
        // operation finishes instead of paying a worker-thread hop per request.
        CompletionThread::Finishing);
}

void NKHTTPRequestOperation::setDecodingCompletionBlock(
    SuccessBlock success, FailureBlock failure, std::shared_ptr<ns::DispatchQueue> processingQueue,
    Decoder decode) {
    setCompletionBlock(
        [weak = weakAs<NKHTTPRequestOperation>(), success = std::move(success),
         failure = std::move(failure), queue = std::move(processingQueue),
         decode = std::move(decode)] {
            const auto operation = weak.lock();
            if (!operation) return;
            const auto fail = [operation, failure](const ns::Error& error) {
                if (!failure) return;
                operation->failureQueueOrMain()->async(
                    [operation, failure, error] { failure(operation, error); });
            };
            if (const auto error = operation->error()) {
                fail(*error);
                return;
            }
            if (!success && !failure) return;
            queue->async([operation, success, fail, decode] {
                auto [result, error] = decode(*operation);
                if (error) {
                    fail(*error);
                } else if (success) {
                    operation->successQueueOrMain()->async(
                        [operation, success, result = std::move(result)] {
                            success(operation, result);
                        });
                }
            });
        },
        // The block only hands the outcome on to the callback queues: run it where the
        // operation finishes instead of paying a worker-thread hop per request.
        CompletionThread::Finishing);
}
