#include "net/transport/NKJSONRequestOperation.h"

#include "net/transport/Json.h"

NKJSONRequestOperation::NKJSONRequestOperation(const ns::URLRequest& request)
    : NKTypedRequestOperation(request) {}

std::shared_ptr<NKJSONRequestOperation> NKJSONRequestOperation::JSONRequestOperationWithRequest(
    const ns::URLRequest& request, Success success, Failure failure) {
    return operationWithRequest<QVariant>(request, std::move(success), std::move(failure));
}

QStringList NKJSONRequestOperation::defaultContentTypes() {
    return {QStringLiteral("application/json"), QStringLiteral("text/json"),
            QStringLiteral("text/javascript")};
}

QStringList NKJSONRequestOperation::pathExtensions() {
    return {QStringLiteral("json")};
}

std::pair<QVariant, std::optional<ns::Error>> NKJSONRequestOperation::decodeResponse() {
    QVariant JSON = responseJSON();
    return {JSON, JSONError()};
}

ParserOptions NKJSONRequestOperation::JSONReadingOptions() const {
    std::lock_guard guard(lock());
    return JSONReadingOptions_;
}

void NKJSONRequestOperation::setJSONReadingOptions(ParserOptions options) {
    std::lock_guard guard(lock());
    JSONReadingOptions_ = options;
}

std::optional<ns::Error> NKJSONRequestOperation::JSONError() const {
    std::lock_guard guard(lock());
    return JSONError_;
}

QVariant NKJSONRequestOperation::decodedSoFar() const {
    std::lock_guard guard(lock());
    return responseJSON_;
}

QVariant NKJSONRequestOperation::responseJSON() {
    std::lock_guard guard(lock());
    if (decoded_ || JSONError_ || !isFinished() || responseData().isEmpty()) return responseJSON_;
    decoded_ = true;
    const auto text = responseString();
    if (!text) {
        // A body that is not text in its encoding is no JSON either: a failure, not
        // an empty success.
        JSONError_ =
            ns::Error(kErrorDomain, kUnacceptableContentTypeError,
                      {{ns::Error::kLocalizedDescriptionKey,
                        QStringLiteral("Operation responseData failed decoding as a UTF-8 string")},
                       {ns::Error::kLocalizedFailureReasonKey,
                        QStringLiteral("Could not decode string: (null)")}});
        return responseJSON_;
    }
    if (*text == QLatin1String(" ")) {
        JSONError_.reset();
        return responseJSON_;
    }
    const auto bytes = NKStringEncoding::utf8().encode(*text);
    if (!bytes) {
        JSONError_ =
            ns::Error(kErrorDomain, kUnacceptableContentTypeError,
                      {{ns::Error::kLocalizedDescriptionKey,
                        QStringLiteral("Operation responseData failed decoding as a UTF-8 string")},
                       {ns::Error::kLocalizedFailureReasonKey,
                        QStringLiteral("Could not decode string: %1").arg(*text)}});
        return responseJSON_;
    }
    std::optional<ns::Error> error;
    responseJSON_ = json_JSONWithOptions(QVariant(*bytes), JSONReadingOptions_, &error);
    JSONError_ = error;
    return responseJSON_;
}

std::optional<ns::Error> NKJSONRequestOperation::error() const {
    if (auto decoding = JSONError()) return decoding;
    return NKHTTPRequestOperation::error();
}
