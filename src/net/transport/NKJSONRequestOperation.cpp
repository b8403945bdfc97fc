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
    return decoded_.kept() ? decoded_.kept()->error : std::nullopt;
}

QVariant NKJSONRequestOperation::decodedSoFar() const {
    std::lock_guard guard(lock());
    return decoded_.kept() ? decoded_.kept()->JSON : QVariant();
}

QVariant NKJSONRequestOperation::responseJSON() {
    return decoded_
        .get(
            lock(),
            [this]() -> std::optional<ParserOptions> {
                if (!finishedBody()) return std::nullopt;
                return JSONReadingOptions_;
            },
            [this](ParserOptions options) { return decode(options); })
        .JSON;
}

NKJSONRequestOperation::Decoded NKJSONRequestOperation::decode(ParserOptions options) const {
    // A body that is not text in its encoding is no JSON either: a failure, not an empty
    // success.
    const auto notText = [](const QString& text) {
        return ns::Error(
            kErrorDomain, kUnacceptableContentTypeError,
            {{ns::Error::kLocalizedDescriptionKey,
              QStringLiteral("Operation responseData failed decoding as a UTF-8 string")},
             {ns::Error::kLocalizedFailureReasonKey,
              QStringLiteral("Could not decode string: %1").arg(text)}});
    };
    const auto text = responseString();
    if (!text) return {{}, notText(QStringLiteral("(null)"))};
    if (*text == QLatin1String(" ")) return {};
    const auto bytes = NKStringEncoding::utf8().encode(*text);
    if (!bytes) return {{}, notText(*text)};
    Decoded decoded;
    decoded.JSON = json_JSONWithOptions(QVariant(*bytes), options, &decoded.error);
    return decoded;
}

std::optional<ns::Error> NKJSONRequestOperation::error() const {
    if (auto decoding = JSONError()) return decoding;
    return NKHTTPRequestOperation::error();
}
