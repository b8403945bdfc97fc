#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

// Readers of the servers' reply shapes. Replies are parsed JSON trees of any kind: every
// reader answers nil, an empty value or nothing when a link is missing or of another kind,
// never throws, and never takes a missing status for a good one.
class ReplyEnvelope {
public:
    // Class calls: {"data": {<class>: {<method>: result}}}. The method's result; nil when
    // missing.
    [[nodiscard]] static QVariant classResult(const QVariant& reply, const QString& className,
                                              const QString& method);

    // Backend calls: {"params": {"errorno": number, "data": ...}}.
    [[nodiscard]] static std::optional<qint64> backendErrorNo(const QVariant& reply);
    [[nodiscard]] static QVariant backendData(const QVariant& reply);

    // Users endpoint: {"status": number, "errDetail": text}.
    [[nodiscard]] static std::optional<qint64> usersStatus(const QVariant& reply);
    [[nodiscard]] static QString usersErrDetail(const QVariant& reply);

    // Response headers of a successful login (null texts for those not sent).
    struct LoginHeaders {
        QString token;
        QString sessionId;
        QString loginId;
        QString wapSessionId;
        QString loginName;
    };
    // Reads them from the response's header fields; header names match without regard to
    // case, as HTTP has it.
    [[nodiscard]] static LoginHeaders loginHeaders(const QVariantMap& headerFields);

    // Uploads: {"status": number, ...}; a negative status means the server refused the file.
    [[nodiscard]] static std::optional<qint64> uploadStatus(const QVariant& reply);
    [[nodiscard]] static bool uploadRejected(const QVariant& reply);

    // Data-share post list: {"posts": [...], "total": number}.
    [[nodiscard]] static QVariantList posts(const QVariant& reply);
    [[nodiscard]] static std::optional<qint64> total(const QVariant& reply);
};
