#include "platform/foundation/server_trust.h"

#include <QSslCertificate>
#include <QSslError>
#include <QSslKey>

namespace ns {

ServerTrust::ServerTrust(QList<QByteArray> certificates, QString hostName)
    : certificates_(std::move(certificates)), hostName_(std::move(hostName)) {}

QByteArray ServerTrust::certificateAtIndex(qsizetype index) const {
    return certificates_.value(index);
}

ServerTrust::Result ServerTrust::evaluate() const {
    if (certificates_.isEmpty()) return Result::Invalid;
    QList<QSslCertificate> chain;
    for (const auto& der : certificates_) {
        QSslCertificate certificate(der, QSsl::Der);
        if (certificate.isNull()) return Result::FatalTrustFailure;
        chain << certificate;
    }
    // Expired, unknown-root and wrong-host failures are all ones a user could
    // accept; the platform calls them recoverable.
    return QSslCertificate::verify(chain, hostName_).isEmpty() ? Result::Unspecified
                                                               : Result::RecoverableTrustFailure;
}

bool ServerTrust::isTrusted(Result result) {
    return result == Result::Proceed || result == Result::Unspecified;
}

QByteArray ServerTrust::copyPublicKey() const {
    if (certificates_.isEmpty()) return {};
    const QSslCertificate certificate(certificates_.first(), QSsl::Der);
    if (certificate.isNull()) return {};
    const QSslKey key = certificate.publicKey();
    return key.isNull() ? QByteArray() : key.toDer();
}

}  // namespace ns
