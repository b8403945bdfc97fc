#include "net/ReplyEnvelope.h"

#include "util/categories/Tolerant.h"

namespace {

// A number, or a text that is wholly an integer (some servers quote their numbers).
std::optional<qint64> integerOf(const Tolerant& value) {
    const QVariant& variant = value.value();
    switch (variant.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
            return variant.toLongLong();
        case QMetaType::QString: {
            bool ok = false;
            const qint64 number = variant.toString().trimmed().toLongLong(&ok);
            if (ok) return number;
            return std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

}  // namespace

QVariant ReplyEnvelope::classResult(const QVariant& reply, const QString& className,
                                    const QString& method) {
    return Tolerant(reply)[QStringLiteral("data")][className][method].value();
}

std::optional<qint64> ReplyEnvelope::backendErrorNo(const QVariant& reply) {
    return integerOf(Tolerant(reply)[QStringLiteral("params")][QStringLiteral("errorno")]);
}

QVariant ReplyEnvelope::backendData(const QVariant& reply) {
    return Tolerant(reply)[QStringLiteral("params")][QStringLiteral("data")].value();
}

std::optional<qint64> ReplyEnvelope::usersStatus(const QVariant& reply) {
    return integerOf(Tolerant(reply)[QStringLiteral("status")]);
}

QString ReplyEnvelope::usersErrDetail(const QVariant& reply) {
    const Tolerant detail = Tolerant(reply)[QStringLiteral("errDetail")];
    return detail.value().typeId() == QMetaType::QString ? detail.toString() : QString();
}

ReplyEnvelope::LoginHeaders ReplyEnvelope::loginHeaders(const QVariantMap& headerFields) {
    const auto field = [&](QLatin1String name) {
        for (auto it = headerFields.cbegin(); it != headerFields.cend(); ++it) {
            if (it.key().compare(name, Qt::CaseInsensitive) == 0) return it.value().toString();
        }
        return QString();
    };
    return {field(QLatin1String("Token")), field(QLatin1String("Sessionid")),
            field(QLatin1String("LoginId")), field(QLatin1String("wapSessionId")),
            field(QLatin1String("LoginName"))};
}

std::optional<qint64> ReplyEnvelope::uploadStatus(const QVariant& reply) {
    return integerOf(Tolerant(reply)[QStringLiteral("status")]);
}

bool ReplyEnvelope::uploadRejected(const QVariant& reply) {
    const auto status = uploadStatus(reply);
    return status && *status < 0;
}

QVariantList ReplyEnvelope::posts(const QVariant& reply) {
    const QVariant posts = Tolerant(reply)[QStringLiteral("posts")].value();
    return posts.typeId() == QMetaType::QVariantList ? posts.toList() : QVariantList();
}

std::optional<qint64> ReplyEnvelope::total(const QVariant& reply) {
    return integerOf(Tolerant(reply)[QStringLiteral("total")]);
}
