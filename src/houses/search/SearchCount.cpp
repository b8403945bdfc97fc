#include "houses/search/SearchCount.h"

#include "net/EndpointTable.h"
#include "net/QXEncode.h"
#include "net/QXNetContext.h"

QString SearchCount::url(const QString& keyword) {
    return QStringLiteral("%1?keywords=%2&searchAll=1")
        .arg(EndpointTable::dataShareEndpoint(), QXEncode::URLEncode(keyword));
}

RequestHeaderSet SearchCount::headers() {
    const auto context = QXNetContext::shared();
    RequestHeaderSet headers = RequestHeaderSet::clientIdentity();
    headers.set(QStringLiteral("contentformat"), QStringLiteral("json"))
        .set(QStringLiteral("cityScriptIndex"), QString::number(context->currentCityScript_index()))
        .set(QStringLiteral("interface"), kInterface)
        .set(QStringLiteral("ClientTimeStamp"), context->timeStamp())
        .set(QStringLiteral("Accept-Encoding"), QStringLiteral("gzip"))
        .set(QStringLiteral("searchAll"), QStringLiteral("1"));
    return headers;
}

std::optional<SearchCount::Choice> SearchCount::usableCategory(const QVariant& reply, int index) {
    if (reply.typeId() != QMetaType::QVariantList) return std::nullopt;
    const QVariant record = reply.toList().value(index);
    if (record.typeId() != QMetaType::QVariantMap) return std::nullopt;
    const QVariant majors = record.toMap().value(QStringLiteral("MajorCountList"));
    if (majors.typeId() != QMetaType::QVariantList || majors.toList().isEmpty())
        return std::nullopt;
    return Choice{record.toMap(), majors.toList().first().toMap()};
}
