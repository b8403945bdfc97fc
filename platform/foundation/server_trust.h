#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

namespace ns {

// The certificates a server presented for a secure connection, and the judgement
// whether to trust them: checked against the system's root certificates and, under
// the SSL policy, against the host name; under the basic X.509 policy (no host
// name) against the roots alone.
class ServerTrust {
public:
    // Numbered as the platform numbers its results.
    enum class Result : int {
        Invalid = 0,
        Proceed = 1,
        Deny = 3,
        Unspecified = 4,  // trusted by the system's roots, with no explicit setting
        RecoverableTrustFailure = 5,
        FatalTrustFailure = 6,
        OtherError = 7,
    };

    // `certificates` in DER form, the server's own first. An empty `hostName`
    // chooses the basic X.509 policy.
    ServerTrust(QList<QByteArray> certificates, QString hostName);

    [[nodiscard]] qsizetype certificateCount() const { return certificates_.size(); }
    // The DER bytes of a certificate; empty outside the range.
    [[nodiscard]] QByteArray certificateAtIndex(qsizetype index) const;
    [[nodiscard]] const QString& hostName() const { return hostName_; }

    [[nodiscard]] Result evaluate() const;
    // Proceed or Unspecified.
    [[nodiscard]] static bool isTrusted(Result result);
    // The DER form of the first certificate's public key, empty when it has none
    // that can be read. Keys compare equal as bytes.
    [[nodiscard]] QByteArray copyPublicKey() const;

private:
    QList<QByteArray> certificates_;
    QString hostName_;
};

}  // namespace ns
