#include "platform/foundation/error.h"

#include <QStringList>

namespace ns {

Error::Error(QString domain, qint64 code, QVariantMap userInfo)
    : domain_(std::move(domain)), code_(code), userInfo_(std::move(userInfo)) {}

Error Error::withDescription(QString domain, qint64 code, const QString& description) {
    return Error(std::move(domain), code, {{kLocalizedDescriptionKey, description}});
}

QString Error::localizedDescription() const {
    const QString described = userInfo_.value(kLocalizedDescriptionKey).toString();
    if (!described.isEmpty()) return described;
    return QStringLiteral("The operation couldn\u2019t be completed. (%1 error %2.)").arg(domain_).arg(code_);
}

QString Error::localizedRecoverySuggestion() const {
    return userInfo_.value(kLocalizedRecoverySuggestionKey).toString();
}

QString Error::localizedFailureReason() const {
    return userInfo_.value(kLocalizedFailureReasonKey).toString();
}

QString Error::failingURL() const {
    const QVariant url = userInfo_.value(kFailingURLKey);
    if (url.isValid()) return url.toString();
    return userInfo_.value(kFailingURLStringKey).toString();
}

QString Error::description() const {
    QStringList entries;
    for (auto it = userInfo_.cbegin(); it != userInfo_.cend(); ++it) {
        entries << it.key() + QLatin1Char('=') + it.value().toString();
    }
    return QStringLiteral("Error Domain=%1 Code=%2 \"%3\" UserInfo={%4}")
        .arg(domain_)
        .arg(code_)
        .arg(localizedDescription(), entries.join(QStringLiteral(", ")));
}

}  // namespace ns
