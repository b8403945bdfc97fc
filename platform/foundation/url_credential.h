#pragma once

#include "platform/foundation/server_trust.h"

#include <QString>

#include <memory>

namespace ns {

// An answer to an authentication challenge: a user name and password, or the
// acceptance of a server's certificates.
class URLCredential {
public:
    enum class Persistence : int { None = 0, ForSession = 1, Permanent = 2, Synchronizable = 3 };

    static URLCredential withUser(QString user, QString password, Persistence persistence);
    static URLCredential forTrust(std::shared_ptr<const ServerTrust> trust);

    [[nodiscard]] const QString& user() const { return user_; }
    [[nodiscard]] const QString& password() const { return password_; }
    [[nodiscard]] bool hasPassword() const { return !password_.isNull(); }
    [[nodiscard]] Persistence persistence() const { return persistence_; }
    // The trust a server-trust credential accepts; nullptr for a password.
    [[nodiscard]] const std::shared_ptr<const ServerTrust>& serverTrust() const { return trust_; }

private:
    URLCredential() = default;

    QString user_;
    QString password_;
    Persistence persistence_ = Persistence::None;
    std::shared_ptr<const ServerTrust> trust_;
};

}  // namespace ns
