#include "platform/foundation/url_request.h"

namespace ns {

URLRequest::URLRequest(QUrl url, CachePolicy cachePolicy, double timeoutInterval)
    : url_(std::move(url)), cachePolicy_(cachePolicy), timeoutInterval_(timeoutInterval) {}

void URLRequest::setHTTPBody(const QByteArray& body) {
    body_ = body;
    bodyStream_.reset();
}

void URLRequest::setHTTPBodyStream(std::shared_ptr<InputStream> stream) {
    bodyStream_ = std::move(stream);
    body_.clear();
}

}  // namespace ns
