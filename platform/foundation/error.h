#pragma once

#include <QString>
#include <QVariantMap>

namespace ns {

// A failure as a value: a domain, a code and a user-info dictionary, as the
// platform reports errors. Absent errors are std::optional<Error> without a value.
class Error {
public:
    // User-info keys, named as the platform names them.
    static inline const QString kLocalizedDescriptionKey = QStringLiteral("NSLocalizedDescription");
    static inline const QString kLocalizedRecoverySuggestionKey =
        QStringLiteral("NSLocalizedRecoverySuggestion");
    static inline const QString kLocalizedFailureReasonKey = QStringLiteral("NSLocalizedFailureReason");
    static inline const QString kFailingURLKey = QStringLiteral("NSErrorFailingURLKey");
    static inline const QString kFailingURLStringKey = QStringLiteral("NSErrorFailingURLStringKey");
    static inline const QString kUnderlyingErrorKey = QStringLiteral("NSUnderlyingError");

    // Domains used across the app.
    static inline const QString kURLErrorDomain = QStringLiteral("NSURLErrorDomain");
    static inline const QString kCocoaErrorDomain = QStringLiteral("NSCocoaErrorDomain");
    static inline const QString kPOSIXErrorDomain = QStringLiteral("NSPOSIXErrorDomain");

    // URL loading codes.
    static constexpr qint64 kURLErrorUnknown = -1;
    static constexpr qint64 kURLErrorCancelled = -999;
    static constexpr qint64 kURLErrorBadURL = -1000;
    static constexpr qint64 kURLErrorTimedOut = -1001;
    static constexpr qint64 kURLErrorUnsupportedURL = -1002;
    static constexpr qint64 kURLErrorCannotFindHost = -1003;
    static constexpr qint64 kURLErrorCannotConnectToHost = -1004;
    static constexpr qint64 kURLErrorNetworkConnectionLost = -1005;
    static constexpr qint64 kURLErrorHTTPTooManyRedirects = -1007;
    static constexpr qint64 kURLErrorResourceUnavailable = -1008;
    static constexpr qint64 kURLErrorBadServerResponse = -1011;
    static constexpr qint64 kURLErrorUserCancelledAuthentication = -1012;
    static constexpr qint64 kURLErrorCannotDecodeContentData = -1016;
    static constexpr qint64 kURLErrorNotConnectedToInternet = -1009;
    static constexpr qint64 kURLErrorRequestBodyStreamExhausted = -1021;
    static constexpr qint64 kURLErrorFileDoesNotExist = -1100;
    static constexpr qint64 kURLErrorDataLengthExceedsMaximum = -1103;
    static constexpr qint64 kURLErrorSecureConnectionFailed = -1200;
    static constexpr qint64 kURLErrorServerCertificateUntrusted = -1202;

    Error() = default;
    Error(QString domain, qint64 code, QVariantMap userInfo = {});
    // An error whose user info holds just a description.
    static Error withDescription(QString domain, qint64 code, const QString& description);

    [[nodiscard]] const QString& domain() const { return domain_; }
    [[nodiscard]] qint64 code() const { return code_; }
    [[nodiscard]] const QVariantMap& userInfo() const { return userInfo_; }

    // The user info's description, or one made from domain and code.
    [[nodiscard]] QString localizedDescription() const;
    [[nodiscard]] QString localizedRecoverySuggestion() const;
    [[nodiscard]] QString localizedFailureReason() const;
    [[nodiscard]] QString failingURL() const;

    // The platform's full text form, which callers search for "Code=-999":
    // Error Domain=<domain> Code=<code> "<description>" UserInfo={<key>=<value>, ...}
    [[nodiscard]] QString description() const;

    friend bool operator==(const Error& a, const Error& b) {
        return a.domain_ == b.domain_ && a.code_ == b.code_ && a.userInfo_ == b.userInfo_;
    }

private:
    QString domain_;
    qint64 code_ = 0;
    QVariantMap userInfo_;
};

}  // namespace ns
