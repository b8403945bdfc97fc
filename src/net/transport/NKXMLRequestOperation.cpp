#include "net/transport/NKXMLRequestOperation.h"

NKXMLRequestOperation::NKXMLRequestOperation(const ns::URLRequest& request)
    : NKTypedRequestOperation(request) {}

std::shared_ptr<NKXMLRequestOperation> NKXMLRequestOperation::XMLParserRequestOperationWithRequest(
    const ns::URLRequest& request, Success success, Failure failure) {
    return operationWithRequest<Parser>(request, std::move(success), std::move(failure));
}

QStringList NKXMLRequestOperation::defaultContentTypes() {
    return {QStringLiteral("application/xml"), QStringLiteral("text/xml")};
}

QStringList NKXMLRequestOperation::pathExtensions() {
    return {QStringLiteral("xml")};
}

std::pair<QVariant, std::optional<ns::Error>> NKXMLRequestOperation::decodeResponse() {
    return {QVariant::fromValue(responseXMLParser()), std::nullopt};
}

NKXMLRequestOperation::Parser NKXMLRequestOperation::responseXMLParser() {
    std::lock_guard guard(lock());
    if (responseXMLParser_ || !isFinished()) return responseXMLParser_;
    const QByteArray data = responseData();
    if (!data.isEmpty()) responseXMLParser_ = std::make_shared<ns::XMLParser>(data);
    return responseXMLParser_;
}

void NKXMLRequestOperation::cancel() {
    NKHTTPRequestOperation::cancel();
    if (const auto parser = responseXMLParser()) parser->setDelegate({});
}
