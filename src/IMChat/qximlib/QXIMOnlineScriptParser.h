#pragma once

#include "platform/foundation/error.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <mutex>
#include <optional>

// Turns one script segment into its key and result: the first key of the key list whose
// text followed by "(" occurs in the segment, and the payload between that and the last
// ");</script>", parsed as JSON for keys whose result type is 1 and kept as text
// otherwise. Hands over exactly once per segment: the key and result, or (no key
// matched, or its JSON did not parse) the error of domain "未能解析." and code -1. When a
// key matched but its payload did not decode, the error's user info names the key
// (kKeyKey), holds the payload (kPayloadKey) and says why (its localized description).
class QXIMOnlineScriptParser {
public:
    static constexpr int kTextResult = 0;
    static constexpr int kJsonResult = 1;
    static inline const QString kErrorDomain = QStringLiteral("未能解析.");
    static inline const QString kKeyKey = QStringLiteral("key");
    static inline const QString kPayloadKey = QStringLiteral("payload");

    // (result, key, error): a result and key, or an error without either.
    using Delegate = std::function<void(const QVariant& result, const QString& key,
                                        const std::optional<ns::Error>& error)>;

    explicit QXIMOnlineScriptParser(QStringList keychain = {}) : keychain_(std::move(keychain)) {}

    // The settings may change from any thread (the app's plug-in widens them).
    void setKeychain(const QStringList& keychain);
    [[nodiscard]] QStringList keychain() const;
    void setReslutTypes(const QMap<QString, int>& types);
    void setDelegate(Delegate delegate);

    void parseScriptText(const QString& segment) const;

private:
    mutable std::mutex mutex_;
    QStringList keychain_;
    QMap<QString, int> resultTypes_;
    Delegate delegate_;
};
