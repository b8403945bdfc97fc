#pragma once

#include "platform/foundation/error.h"

#include <QString>
#include <QVariantMap>

class NKHTTPRequestOperation;

// The dictionary a failure callback of the shared request object receives. Callers tell
// a cancelled call by "Code=-999" inside "msg".
class TransportFailure {
public:
    static inline const QString kMsg = QStringLiteral("msg");
    static inline const QString kStatusCode = QStringLiteral("statusCode");
    static inline const QString kLocalizedRecoverySuggestion =
        QStringLiteral("localizedRecoverySuggestion");
    // The picture download's own form: {"error": text}.
    static inline const QString kError = QStringLiteral("error");

    // "msg": the error's full description; "statusCode": the HTTP status, when the
    // operation received a response; "localizedRecoverySuggestion": the error's recovery
    // suggestion, when it is not empty.
    [[nodiscard]] static QVariantMap fromError(const NKHTTPRequestOperation& operation,
                                               const ns::Error& error);
    // {"msg": the error's full description}.
    [[nodiscard]] static QVariantMap message(const ns::Error& error);
    // {"statusCode": status}: an accepted reply whose status is not 200.
    [[nodiscard]] static QVariantMap status(int statusCode);
};
