#include "houses/community/XiaoquRequests.h"

#include "net/BodyJson.h"
#include "net/QXNetContext.h"

namespace {

const QString kClassPrefix = QStringLiteral("class=");

QString classBody(const QString& json) {
    return kClassPrefix + BodyJson::formValue(json);
}

// [city key, {"pinyin": community key}], the constructor arguments of the community's
// classes.
QString communityArguments(const QString& cityKey, const QString& pinyin) {
    return BodyJson::array(
        {BodyJson::string(cityKey), BodyJson::object({{"pinyin", BodyJson::string(pinyin)}})});
}

}  // namespace

RequestHeaderSet XiaoquRequests::headers(const QString& interface, bool withTimeStamp) {
    RequestHeaderSet headers = RequestHeaderSet::clientIdentity();
    headers.set(QStringLiteral("interface"), interface);
    if (withTimeStamp)
        headers.set(QStringLiteral("ClientTimeStamp"), QXNetContext::shared()->timeStamp());
    headers.set(QStringLiteral("Accept-Encoding"), QStringLiteral("gzip"));
    return headers;
}

QString XiaoquRequests::withBlanksAfterCommas(const QString& json) {
    QString spaced;
    spaced.reserve(json.size() + json.size() / 8);
    bool inString = false;
    bool escaped = false;
    for (const QChar c : json) {
        spaced += c;
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == u'\\') {
                escaped = true;
            } else if (c == u'"') {
                inString = false;
            }
        } else if (c == u'"') {
            inString = true;
        } else if (c == u',') {
            spaced += u' ';
        }
    }
    return spaced;
}

QString XiaoquRequests::baseBody(const QString& cityKey, const QString& pinyin, double now) {
    const double end = now - kWindowEndBeforeNow;
    const double start = end - kWindowSpan;
    const QString arguments = communityArguments(cityKey, pinyin);
    const QString json = BodyJson::object({
        {"XiaoquModel", BodyJson::object({{"getXiaoquBaseInfoByCityPinyin",
                                           BodyJson::array({BodyJson::string(cityKey),
                                                            BodyJson::string(pinyin)})}})},
        {"XiaoquDetailPageModel",
         BodyJson::object({{"getXiaoquPeitao", BodyJson::string(QStringLiteral("NULL"))},
                           {"_classArgs", arguments}})},
        {"XiaoquPriceModel",
         BodyJson::object({{"getXiaoquPrice",
                            BodyJson::array({BodyJson::string(QString::asprintf("%.0lf", start)),
                                             BodyJson::string(QString::asprintf("%.0lf", end))})},
                           {"_classArgs", arguments}})},
    });
    return classBody(withBlanksAfterCommas(json));
}

QString XiaoquRequests::photoBody(const QString& cityKey, const QString& pinyin,
                                  const QString& communityId) {
    const QString json = BodyJson::object({
        {"XiaoquPhotoModel",
         BodyJson::object(
             {{"getXiaoquPhotoInfoByXiaoquId", BodyJson::array({BodyJson::string(communityId)})},
              {"_classArgs", communityArguments(cityKey, pinyin)}})},
    });
    return classBody(withBlanksAfterCommas(json));
}

QString XiaoquRequests::housePageBody(const QString& method, int page, int pageSize,
                                      const QString& domain, const QString& pinyin,
                                      const QString& filterText) {
    // {"XiaoquDetailPageModelForMobile":{"<method>":[page,size],
    //  "_classArgs":["<domain>", {"pinyin":"<key>"<filters>}]}}: one blank, before the object.
    const QString community =
        QStringLiteral("{\"pinyin\":") + BodyJson::string(pinyin) + filterText + u'}';
    const QString json = BodyJson::object({
        {"XiaoquDetailPageModelForMobile",
         BodyJson::object(
             {{method, BodyJson::array({BodyJson::number(page), BodyJson::number(pageSize)})},
              {"_classArgs",
               u'[' + BodyJson::string(domain) + QStringLiteral(", ") + community + u']'}})},
    });
    return classBody(json);
}

QString XiaoquRequests::housingVarsBody(const QString& domain, int majorId) {
    // {"HousingVars":{"getUrlPriceRange":["<domain>","<major>"],
    //  "_property":["HUXING_SHI_SEARCH", "AREA_TYPE_IN_URL"]}}
    const QString json = BodyJson::object({
        {"HousingVars",
         BodyJson::object(
             {{"getUrlPriceRange", BodyJson::array({BodyJson::string(domain),
                                                    BodyJson::string(QString::number(majorId))})},
              {"_property", u'[' + BodyJson::string(QStringLiteral("HUXING_SHI_SEARCH")) +
                                QStringLiteral(", ") +
                                BodyJson::string(QStringLiteral("AREA_TYPE_IN_URL")) + u']'}})},
    });
    return classBody(json);
}

QString XiaoquRequests::relatedBody(int cityCode, int majorId, const QString& postKey, int agent,
                                    int count) {
    const QString json = BodyJson::object({
        {"HousingRecommendForMobile",
         BodyJson::object({{"_classArgs", BodyJson::array({BodyJson::object({
                                              {"city_code", BodyJson::number(cityCode)},
                                              {"major_index", BodyJson::number(majorId)},
                                              {"puid", BodyJson::string(postKey)},
                                              {"agent", BodyJson::number(agent)},
                                          })})},
                           {"getRelatedHouseList", BodyJson::array({BodyJson::number(count)})}})},
    });
    return classBody(json);
}

bool XiaoquRequests::succeeded(const QVariant& reply) {
    const Tolerant read(reply);
    return read["success"].intValue() == 1 &&
           read["data"].value().typeId() == QMetaType::QVariantMap;
}

Tolerant XiaoquRequests::result(const QVariant& reply, const QString& className,
                                const QString& method) {
    return Tolerant(reply)["data"][className][method];
}
