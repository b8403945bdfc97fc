#include "net/transport/NKPropertyListRequestOperation.h"

NKPropertyListRequestOperation::NKPropertyListRequestOperation(const ns::URLRequest& request)
    : NKTypedRequestOperation(request) {}

std::shared_ptr<NKPropertyListRequestOperation>
NKPropertyListRequestOperation::propertyListRequestOperationWithRequest(
    const ns::URLRequest& request, Success success, Failure failure) {
    return operationWithRequest<QVariant>(request, std::move(success), std::move(failure));
}

QStringList NKPropertyListRequestOperation::defaultContentTypes() {
    return {QStringLiteral("application/x-plist")};
}

QStringList NKPropertyListRequestOperation::pathExtensions() {
    return {QStringLiteral("plist")};
}

std::pair<QVariant, std::optional<ns::Error>> NKPropertyListRequestOperation::decodeResponse() {
    QVariant list = responsePropertyList();
    return {list, propertyListError()};
}

QVariant NKPropertyListRequestOperation::decodedSoFar() const {
    std::lock_guard guard(lock());
    return responsePropertyList_;
}

std::optional<ns::PropertyList::Format> NKPropertyListRequestOperation::propertyListFormat() const {
    std::lock_guard guard(lock());
    return propertyListFormat_;
}

std::optional<ns::Error> NKPropertyListRequestOperation::propertyListError() const {
    std::lock_guard guard(lock());
    return propertyListError_;
}

QVariant NKPropertyListRequestOperation::responsePropertyList() {
    std::lock_guard guard(lock());
    if (decoded_ || !isFinished() || responseData().isEmpty()) return responsePropertyList_;
    decoded_ = true;
    ns::PropertyList::Format format = ns::PropertyList::Format::Xml;
    ns::Error error;
    responsePropertyList_ = ns::PropertyList::propertyListWithData(responseData(), &format, &error);
    if (responsePropertyList_.isValid()) {
        propertyListFormat_ = format;
    } else {
        propertyListError_ = error;
    }
    return responsePropertyList_;
}

std::optional<ns::Error> NKPropertyListRequestOperation::error() const {
    if (auto decoding = propertyListError()) return decoding;
    return NKHTTPRequestOperation::error();
}
