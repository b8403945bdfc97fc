#include "houses/PosterTalk.h"

#include "houses/HousesHost.h"
#include "net/BodyJson.h"
#include "util/categories/Tolerant.h"

#include <QStringList>

namespace {

// The members of an object, with the spacing the talk records have always had: no blank
// after the first comma, one after each later one.
QString objectText(const BodyJson::Members& members) {
    QStringList parts;
    for (const auto& [name, value] : members) parts << BodyJson::string(name) + u':' + value;
    if (parts.isEmpty()) return QStringLiteral("{}");
    QString text = u'{' + parts.takeFirst();
    if (!parts.isEmpty()) text += u',' + parts.join(QStringLiteral(", "));
    return text + u'}';
}

}  // namespace

QVariantMap PosterTalk::talkInfo(qint64 ownUserId) const {
    const QString own = QString::number(ownUserId);
    QVariantMap talk;
    talk[QStringLiteral("u_id")] = own;
    talk[QStringLiteral("t_id")] = posterId + u'-' + own;
    talk[QStringLiteral("o_user")] = objectText({
        {QStringLiteral("id"), BodyJson::string(posterId)},
        {QStringLiteral("name"), BodyJson::string(name)},
        {QStringLiteral("phone"), BodyJson::string(phone)},
        {QStringLiteral("creditScore"), BodyJson::string(QString::number(creditScore))},
        {QStringLiteral("picUrl"), BodyJson::string(picUrl)},
        {QStringLiteral("streetName"), BodyJson::string(streetName)},
        {QStringLiteral("companyName"), BodyJson::string(companyName)},
        {QStringLiteral("districtName"), BodyJson::string(districtName)},
    });
    talk[QStringLiteral("p_post")] =
        BodyJson::object({{QStringLiteral("id"), BodyJson::string(postReference)},
                          {QStringLiteral("title"), BodyJson::string(QStringLiteral(" "))}});
    talk[QStringLiteral("r_id")] = postReference;
    return talk;
}

QString PosterTalk::talkPostId(const QVariantMap& post) {
    const Tolerant record{QVariant(post)};
    const qint64 id = record[QStringLiteral("id")].longLongValue();
    const qint64 postId = id > 0 ? id : record[QStringLiteral("puid")].longLongValue();
    const int cityIndex = HousesHost::shared()
                              ->cityIndexWithName(record[QStringLiteral("city")].toString())
                              .value_or(0);
    return QStringLiteral("%1_%2_1009_%3")
        .arg(postId)
        .arg(record[QStringLiteral("major_category")].intValue())
        .arg(cityIndex);
}
