#include "needs/NeedPublishCalls.h"

#include "net/BodyJson.h"
#include "net/ClassCallBody.h"
#include "util/categories/Tolerant.h"

#include <QRegularExpression>

namespace NeedPublishCalls {

namespace {

const QString kInterface = QStringLiteral("HousingRequestInfo");

// A whole number as the servers' formats write it, unquoted; any other text as a JSON string,
// so that an empty id or a code with a leading zero cannot break the body.
QString numberOrString(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^-?(0|[1-9][0-9]{0,17})$"));
    return number.match(text).hasMatch() ? text : BodyJson::string(text);
}

Tolerant answerOf(const QVariant& reply, const QString& method) {
    return Tolerant(reply)[QStringLiteral("data")][kClass][method];
}

}  // namespace

RequestHeaderSet headers() {
    RequestHeaderSet set = RequestHeaderSet::clientIdentity();
    set.set(QStringLiteral("interface"), kInterface)
        .set(QStringLiteral("Accept-Encoding"), QStringLiteral("gzip"));
    return set;
}

QString phoneCheckBody(int cityScriptIndex, int kind, qint64 userId, bool guest) {
    return ClassCallBody()
        .call(kClass, QStringLiteral("isVerifyPhoneCode"),
              {BodyJson::string(QString::number(cityScriptIndex)),
               BodyJson::string(QString::number(kind)), BodyJson::string(QStringLiteral("0")),
               BodyJson::string(QString::number(userId)),
               BodyJson::string(guest ? QStringLiteral("1") : QStringLiteral("0"))})
        .text();
}

std::optional<int> phoneCheckStatus(const QVariant& reply) {
    if (Tolerant(reply).count() == 0) return std::nullopt;
    if (Tolerant(reply)[QStringLiteral("data")].value().typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const Tolerant check = answerOf(reply, QStringLiteral("isVerifyPhoneCode"));
    if (check.toMap().isEmpty()) return std::nullopt;
    return check[QStringLiteral("status")].intValue();
}

QString publishBody(const NeedArguments& need) {
    const QString place =
        need.aroundPosition
            ? BodyJson::object({{QStringLiteral("cityScriptIndex"),
                                 BodyJson::number(need.cityScriptIndex)},
                                {QStringLiteral("streetId"), BodyJson::number(-2)},
                                {QStringLiteral("districtId"), BodyJson::number(-2)}})
            : BodyJson::object({{QStringLiteral("cityScriptIndex"),
                                 BodyJson::number(need.cityScriptIndex)},
                                {QStringLiteral("streetId"), numberOrString(need.streetId)},
                                {QStringLiteral("districtId"), BodyJson::string(need.districtId)}});
    QStringList arguments{BodyJson::string(need.kind),
                          place,
                          BodyJson::string(need.location),
                          need.houseTypes.isEmpty() ? QStringLiteral("[]") : need.houseTypes,
                          BodyJson::string(QString::number(need.userId)),
                          BodyJson::string(need.voiceUrl),
                          BodyJson::string(QString::number(need.voiceSeconds)),
                          BodyJson::string(need.sentence),
                          BodyJson::string(need.price),
                          BodyJson::string(need.priceType)};
    if (!need.mobile.isNull()) arguments << numberOrString(need.mobile) << numberOrString(need.code);
    return ClassCallBody().call(kClass, QStringLiteral("postHousingRequest"), arguments).text();
}

std::optional<PublishResult> publishResult(const QVariant& reply) {
    const Tolerant data = Tolerant(reply)[QStringLiteral("data")];
    if (data.value().typeId() != QMetaType::QVariantMap) return std::nullopt;
    if (data[kClass].value().typeId() != QMetaType::QVariantMap) return std::nullopt;
    const Tolerant answer = answerOf(reply, QStringLiteral("postHousingRequest"));
    PublishResult result;
    const QString message = answer[QStringLiteral("msg")].toString();
    if (!answer.toMap().isEmpty() && answer.toMap().contains(QStringLiteral("status")) &&
        !message.isEmpty()) {
        result.refusal = message;
        return result;
    }
    result.postId = answer[QStringLiteral("postId")].toString();
    if (result.postId.isEmpty()) return std::nullopt;
    result.brokerCount = int(answer[QStringLiteral("agents")].count());
    return result;
}

}  // namespace NeedPublishCalls
