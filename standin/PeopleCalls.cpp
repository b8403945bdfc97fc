#include "standin/PeopleCalls.h"

#include "standin/Posts.h"
#include "standin/SamplePeople.h"

namespace standin {

namespace {

// The sample's kinds of post, as "premierPrivilege"."postNum" keys them.
constexpr int kKinds[] = {5, 1, 3};

QJsonObject postCounts(qint64 userId) {
    QJsonObject counts;
    for (const int major : kKinds) {
        counts.insert(QString::number(major), int(Posts::ofPoster(userId, major).size()));
    }
    return counts;
}

// A picture of the image host, named as a rendition so that it can be asked at any size.
QString avatarPath(const char* folder, qint64 userId) {
    return QStringLiteral("avatars/%1/%2_120-120_7-0.jpg").arg(QLatin1String(folder)).arg(userId);
}

}  // namespace

std::optional<QJsonObject> PeopleCalls::privilegeOf(qint64 userId) {
    if (const auto broker = SamplePeople::broker(userId)) {
        return QJsonObject{
            {"status", 0},
            {"isZuzeridUser", 1},
            {"phone", broker->phone},
            {"baseInfo",
             QJsonObject{
                 {"userId", QString::number(userId)},
                 {"avatar", avatarPath("brokers", userId)},
                 {"name", broker->name},
                 {"district_name", broker->districtName},
                 {"street_name", broker->shopName},
                 {"agentUserContactNum", int(8 + userId % 53)},
                 {"companyName", broker->company},
                 {"creditScore", broker->creditScore},
                 {"businessCardImage", broker->indexInShop % 3 != 2},
                 {"ICImage", true},
             }},
            {"premierPrivilege", QJsonObject{{"postNum", postCounts(userId)}}},
        };
    }
    if (const auto poster = SamplePeople::poster(userId)) {
        return QJsonObject{
            {"status", 0},
            {"isZuzeridUser", 0},
            {"phone", poster->phone},
            {"baseInfo",
             QJsonObject{
                 {"userId", QString::number(userId)},
                 {"avatar", avatarPath("users", userId)},
                 {"name", poster->name},
                 {"agentUserContactNum", 0},
                 {"companyName", QString()},
                 {"creditScore", 0},
             }},
            {"premierPrivilege", QJsonObject{{"postNum", postCounts(userId)}}},
        };
    }
    return std::nullopt;
}

}  // namespace standin
