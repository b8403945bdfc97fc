#include "platform/foundation/url_authentication_challenge.h"

namespace ns {

URLProtectionSpace::URLProtectionSpace(QString host, int port, QString protocol, QString realm,
                                       QString authenticationMethod,
                                       std::shared_ptr<const ServerTrust> serverTrust)
    : host_(std::move(host)),
      port_(port),
      protocol_(std::move(protocol)),
      realm_(std::move(realm)),
      method_(std::move(authenticationMethod)),
      trust_(std::move(serverTrust)) {}

bool URLProtectionSpace::receivesCredentialSecurely() const {
    return protocol_ == QLatin1String("https") || method_ == kAuthenticationMethodHTTPDigest;
}

URLAuthenticationChallengeSender::~URLAuthenticationChallengeSender() = default;

URLAuthenticationChallenge::URLAuthenticationChallenge(
    URLProtectionSpace protectionSpace, std::optional<URLCredential> proposedCredential,
    int previousFailureCount, std::shared_ptr<const URLResponse> failureResponse,
    std::optional<Error> error, std::shared_ptr<URLAuthenticationChallengeSender> sender)
    : space_(std::move(protectionSpace)),
      proposed_(std::move(proposedCredential)),
      previousFailures_(previousFailureCount),
      failureResponse_(std::move(failureResponse)),
      error_(std::move(error)),
      sender_(std::move(sender)) {}

}  // namespace ns
