#include "platform/foundation/url_credential.h"

namespace ns {

URLCredential URLCredential::withUser(QString user, QString password, Persistence persistence) {
    URLCredential credential;
    credential.user_ = std::move(user);
    credential.password_ = password.isNull() ? QStringLiteral("") : std::move(password);
    credential.persistence_ = persistence;
    return credential;
}

URLCredential URLCredential::forTrust(std::shared_ptr<const ServerTrust> trust) {
    URLCredential credential;
    credential.trust_ = std::move(trust);
    credential.persistence_ = Persistence::ForSession;
    return credential;
}

}  // namespace ns
