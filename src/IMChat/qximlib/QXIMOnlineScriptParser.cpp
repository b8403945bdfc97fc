#include "IMChat/qximlib/QXIMOnlineScriptParser.h"

#include "net/transport/Json.h"

void QXIMOnlineScriptParser::setKeychain(const QStringList& keychain) {
    const std::lock_guard lock(mutex_);
    keychain_ = keychain;
}

QStringList QXIMOnlineScriptParser::keychain() const {
    const std::lock_guard lock(mutex_);
    return keychain_;
}

void QXIMOnlineScriptParser::setReslutTypes(const QMap<QString, int>& types) {
    const std::lock_guard lock(mutex_);
    resultTypes_ = types;
}

void QXIMOnlineScriptParser::setDelegate(Delegate delegate) {
    const std::lock_guard lock(mutex_);
    delegate_ = std::move(delegate);
}

void QXIMOnlineScriptParser::parseScriptText(const QString& segment) const {
    QStringList keys;
    QMap<QString, int> types;
    Delegate delegate;
    {
        const std::lock_guard lock(mutex_);
        keys = keychain_;
        types = resultTypes_;
        delegate = delegate_;
    }
    if (!delegate) return;
    const qsizetype close = segment.lastIndexOf(QLatin1String(");</script>"));
    QVariantMap unread;  // the last payload that did not decode
    for (const QString& key : keys) {
        const qsizetype open = segment.indexOf(key + QLatin1Char('('));
        if (open < 0 || close < 0) continue;
        const qsizetype payloadStart = open + key.size() + 1;
        if (close < payloadStart) continue;
        const QString payload = segment.mid(payloadStart, close - payloadStart);
        const int type = types.value(key, kTextResult);
        if (type == kJsonResult) {
            std::optional<ns::Error> error;
            const QVariant parsed = json_JSON(QVariant(payload), &error);
            if (error || !parsed.isValid()) {
                unread = {{kKeyKey, key},
                          {kPayloadKey, payload},
                          {ns::Error::kLocalizedDescriptionKey,
                           error ? error->localizedDescription() : QStringLiteral("no value")}};
                continue;
            }
            delegate(parsed, key, std::nullopt);
            return;
        }
        if (type != kTextResult) continue;
        delegate(QVariant(payload), key, std::nullopt);
        return;
    }
    delegate(QVariant(), QString(), ns::Error(kErrorDomain, -1, unread));
}
