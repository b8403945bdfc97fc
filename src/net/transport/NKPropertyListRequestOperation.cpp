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
    return decoded_.kept() ? decoded_.kept()->propertyList : QVariant();
}

std::optional<ns::PropertyList::Format> NKPropertyListRequestOperation::propertyListFormat() const {
    std::lock_guard guard(lock());
    return decoded_.kept() ? decoded_.kept()->format : std::nullopt;
}

std::optional<ns::Error> NKPropertyListRequestOperation::propertyListError() const {
    std::lock_guard guard(lock());
    return decoded_.kept() ? decoded_.kept()->error : std::nullopt;
}

QVariant NKPropertyListRequestOperation::responsePropertyList() {
    return decoded_
        .get(
            lock(), [this] { return finishedBody(); },
            [](const QByteArray& data) {
                Decoded decoded;
                ns::PropertyList::Format format = ns::PropertyList::Format::Xml;
                ns::Error error;
                decoded.propertyList =
                    ns::PropertyList::propertyListWithData(data, &format, &error);
                if (decoded.propertyList.isValid()) {
                    decoded.format = format;
                } else {
                    decoded.error = error;
                }
                return decoded;
            })
        .propertyList;
}

std::optional<ns::Error> NKPropertyListRequestOperation::error() const {
    if (auto decoding = propertyListError()) return decoding;
    return NKHTTPRequestOperation::error();
}
