#pragma once

#include "platform/foundation/error.h"
#include "platform/foundation/server_trust.h"
#include "platform/foundation/url_credential.h"
#include "platform/foundation/url_response.h"

#include <QString>

#include <memory>
#include <optional>

namespace ns {

// Where a credential applies: a host, port and protocol, a realm, and the way the
// server asks to be answered.
class URLProtectionSpace {
public:
    static inline const QString kAuthenticationMethodDefault =
        QStringLiteral("NSURLAuthenticationMethodDefault");
    static inline const QString kAuthenticationMethodHTTPBasic =
        QStringLiteral("NSURLAuthenticationMethodHTTPBasic");
    static inline const QString kAuthenticationMethodHTTPDigest =
        QStringLiteral("NSURLAuthenticationMethodHTTPDigest");
    static inline const QString kAuthenticationMethodServerTrust =
        QStringLiteral("NSURLAuthenticationMethodServerTrust");
    static inline const QString kAuthenticationMethodClientCertificate =
        QStringLiteral("NSURLAuthenticationMethodClientCertificate");

    URLProtectionSpace(QString host, int port, QString protocol, QString realm,
                       QString authenticationMethod,
                       std::shared_ptr<const ServerTrust> serverTrust = nullptr);

    [[nodiscard]] const QString& host() const { return host_; }
    [[nodiscard]] int port() const { return port_; }
    [[nodiscard]] const QString& protocol() const { return protocol_; }
    [[nodiscard]] const QString& realm() const { return realm_; }
    [[nodiscard]] const QString& authenticationMethod() const { return method_; }
    // Present for the server-trust method only.
    [[nodiscard]] const std::shared_ptr<const ServerTrust>& serverTrust() const { return trust_; }
    [[nodiscard]] bool receivesCredentialSecurely() const;

private:
    QString host_;
    int port_;
    QString protocol_;
    QString realm_;
    QString method_;
    std::shared_ptr<const ServerTrust> trust_;
};

class URLAuthenticationChallenge;

// Who asked: the connection, which takes exactly one answer per challenge. Answers
// count only while the delegate method that received the challenge runs; a
// challenge left unanswered is handled the default way.
class URLAuthenticationChallengeSender {
public:
    virtual ~URLAuthenticationChallengeSender();

    virtual void useCredential(const URLCredential& credential,
                               const URLAuthenticationChallenge& challenge) = 0;
    virtual void continueWithoutCredentialForAuthenticationChallenge(
        const URLAuthenticationChallenge& challenge) = 0;
    virtual void cancelAuthenticationChallenge(const URLAuthenticationChallenge& challenge) = 0;
    virtual void performDefaultHandlingForAuthenticationChallenge(
        const URLAuthenticationChallenge& challenge) = 0;
    virtual void rejectProtectionSpaceAndContinueWithChallenge(
        const URLAuthenticationChallenge& challenge) = 0;
};

// A server's demand for a credential, or a secure connection's question whether to
// trust the server.
class URLAuthenticationChallenge {
public:
    URLAuthenticationChallenge(URLProtectionSpace protectionSpace,
                               std::optional<URLCredential> proposedCredential,
                               int previousFailureCount,
                               std::shared_ptr<const URLResponse> failureResponse,
                               std::optional<Error> error,
                               std::shared_ptr<URLAuthenticationChallengeSender> sender);

    [[nodiscard]] const URLProtectionSpace& protectionSpace() const { return space_; }
    [[nodiscard]] const std::optional<URLCredential>& proposedCredential() const {
        return proposed_;
    }
    // How many earlier answers for the same space the server refused.
    [[nodiscard]] int previousFailureCount() const { return previousFailures_; }
    [[nodiscard]] const std::shared_ptr<const URLResponse>& failureResponse() const {
        return failureResponse_;
    }
    [[nodiscard]] const std::optional<Error>& error() const { return error_; }
    [[nodiscard]] const std::shared_ptr<URLAuthenticationChallengeSender>& sender() const {
        return sender_;
    }

private:
    URLProtectionSpace space_;
    std::optional<URLCredential> proposed_;
    int previousFailures_;
    std::shared_ptr<const URLResponse> failureResponse_;
    std::optional<Error> error_;
    std::shared_ptr<URLAuthenticationChallengeSender> sender_;
};

}  // namespace ns
