#include "standin/ServiceCalls.h"

#include "standin/Promotions.h"

#include "standin/ChatBroker.h"
#include "standin/FormFields.h"
#include "standin/Geography.h"
#include "standin/Posts.h"
#include "standin/SamplePeople.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace standin {

namespace {

constexpr char kNewsPages[] = "/news/";
constexpr int kNewsPageSize = 10;

const QStringList kNewsTitles{
    QStringLiteral("租房旺季来临，如何挑到称心的整租房"),
    QStringLiteral("合租须知：签约前要看清的五件事"),
    QStringLiteral("二手房交易流程全解析"),
    QStringLiteral("公积金贷款额度新规解读"),
    QStringLiteral("地铁沿线小区租金走势一览"),
    QStringLiteral("首次购房者最关心的十个问题"),
    QStringLiteral("押一付三还是月付？租金支付方式对比"),
    QStringLiteral("老小区改造后房价会涨吗"),
    QStringLiteral("看房时容易忽略的细节"),
    QStringLiteral("毕业生租房避坑指南"),
    QStringLiteral("学区房购买前的注意事项"),
    QStringLiteral("房屋租赁合同范本与要点"),
};

const QStringList kBannerTitles{
    QStringLiteral("春季租房节 好房等你来"), QStringLiteral("整租一居室 月付无压力"),
    QStringLiteral("合租精选 拎包入住"),     QStringLiteral("二手好房 业主诚心出售"),
    QStringLiteral("经纪人在线 随时答疑"),   QStringLiteral("发布找房意向 经纪人主动找你"),
};

qint64 now() {
    return QDateTime::currentSecsSinceEpoch();
}

QString rootText(const QByteArray& rootUrl) {
    return QString::fromLatin1(rootUrl);
}

QString image(const QByteArray& rootUrl, const char* sample) {
    return rootText(rootUrl) + paths::kImageHost + '/' + sample;
}

// The image host's picture of a broker or of a user, as a path below the host.
QString avatarPath(const char* kind, const QString& userId) {
    return QStringLiteral("avatars/%1/%2.jpg").arg(QLatin1String(kind), userId);
}

QString avatar(const QByteArray& rootUrl, const char* kind, const QString& userId) {
    return rootText(rootUrl) + paths::kImageHost + '/' + avatarPath(kind, userId);
}

// What the stand-in remembers between calls.
struct ServiceState {
    std::mutex mutex;
    // The anonymous user of each device id ("imei"): user id and anonymous login id.
    std::map<QByteArray, std::pair<QString, qint64>> anonymousUsers;
    qint64 lastAnonymous = 0;
};

// Brokers are the users whose id does not end in "0"; those are personal users.
bool isBroker(const QString& userId) {
    return !userId.endsWith('0');
}

// Users whose id ends in an odd digit are online.
bool isOnline(const QString& userId) {
    return !userId.isEmpty() && userId.back().isDigit() && userId.back().digitValue() % 2 == 1;
}

Reply userRegister(ServiceState& state, const RecordedRequest& request) {
    const QByteArray device = request.header("imei");
    const std::lock_guard lock(state.mutex);
    if (!device.isEmpty()) {
        const auto known = state.anonymousUsers.find(device);
        if (known != state.anonymousUsers.end()) {
            return Reply::json(QJsonObject{{"userid", known->second.first},
                                           {"anonymousLoginId", known->second.second}});
        }
    }
    const qint64 loginId = ++state.lastAnonymous;
    const QString userId = QString::fromLatin1(
        QCryptographicHash::hash("standin-anonymous-" + QByteArray::number(loginId) + device,
                                 QCryptographicHash::Md5)
            .toHex()
            .toUpper());
    if (!device.isEmpty()) state.anonymousUsers[device] = {userId, loginId};
    return Reply::json(QJsonObject{{"userid", userId}, {"anonymousLoginId", loginId}});
}

QJsonObject newsItem(int index, const QByteArray& rootUrl) {
    const int id = index + 1;
    return QJsonObject{
        {"id", id},
        {"title", kNewsTitles.at(index)},
        {"url", QStringLiteral("%1%2%3.html").arg(rootText(rootUrl), kNewsPages).arg(id)},
        {"img", image(rootUrl, index % 2 == 0 ? "test/blue.jpg" : "test/red.png")},
        {"source", QStringLiteral("房产资讯")},
        {"time", now() - qint64(index) * 3600},
    };
}

// Pages count from 1; page 0 (the home screen's check) is the first page too.
Reply news(const RecordedRequest& request, const QByteArray& rootUrl) {
    const FormFields fields(request.body);
    const qint64 page = std::max<qint64>(fields.number("pageIndex", 1), 1);
    QJsonArray items;
    for (qint64 i = (page - 1) * kNewsPageSize;
         i < std::min<qint64>(page * kNewsPageSize, kNewsTitles.size()); ++i) {
        items.append(newsItem(int(i), rootUrl));
    }
    return Reply::json(QJsonObject{
        {"status", 0}, {"pageIndex", page}, {"total", kNewsTitles.size()}, {"data", items}});
}

std::optional<Reply> newsPage(const RecordedRequest& request) {
    const QByteArray name = request.path.mid(qsizetype(sizeof kNewsPages) - 1);
    bool ok = false;
    const int id = name.left(name.indexOf('.')).toInt(&ok);
    if (!ok || id < 1 || id > kNewsTitles.size()) return Endpoints::refusal("no such news", 404);
    const QString title = kNewsTitles.at(id - 1).toHtmlEscaped();
    return Reply::text(QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
                                      "<title>%1</title></head><body><h1>%1</h1>"
                                      "<p>房产资讯第 %2 篇。</p></body></html>")
                           .arg(title)
                           .arg(id)
                           .toUtf8(),
                       "text/html; charset=utf-8");
}

Reply banners(const RecordedRequest& request, const QByteArray& rootUrl) {
    const FormFields fields(request.body);
    QJsonArray top;
    for (int i = 0; i < kBannerTitles.size(); ++i) {
        top.append(QJsonObject{
            {"title", kBannerTitles.at(i)},
            {"img_url",
             image(rootUrl, QStringLiteral("banners/%1.jpg").arg(i + 1).toLatin1().constData())},
            {"jump_url",
             QStringLiteral("%1%2%3.html").arg(rootText(rootUrl), kNewsPages).arg(i + 1)},
        });
    }
    return Reply::json(QJsonObject{
        {"status", 0},
        {"data", QJsonObject{{"cityId", fields.number("cityId")}, {"top", top}}},
    });
}

// The counts of a user's posts by kind, as "premierPrivilege"."postNum" gives them.
QJsonObject postCounts(qint64 userId) {
    QJsonObject counts;
    for (const int kind : {5, 1, 3}) {
        counts[QString::number(kind)] = qint64(Posts::ofPoster(userId, kind).size());
    }
    return counts;
}

// A street of the broker's district, so that the page names a place.
QString streetOf(const SampleBroker& broker) {
    const CityRow* city = Geography::city(broker.cityIndex);
    if (!city) return {};
    for (const DistrictRow& district : city->districts) {
        if (district.name != broker.districtName || district.streets.empty()) continue;
        return district.streets[std::size_t(broker.userId % qint64(district.streets.size()))].name;
    }
    return {};
}

QJsonObject privilegeOf(const SampleBroker& broker, Promotions& promotions) {
    const int index = broker.indexInShop;
    return QJsonObject{
        {"status", 0},
        {"isZuzeridUser", 1},
        {"phone", broker.phone},
        {"baseInfo",
         QJsonObject{
             {"userId", QString::number(broker.userId)},
             {"avatar", QStringLiteral("avatars/brokers/%1.jpg").arg(broker.userId)},
             {"name", broker.name},
             {"district_name", broker.districtName},
             {"street_name", streetOf(broker)},
             {"agentUserContactNum", broker.contacts},
             {"companyName", broker.company},
             {"creditScore", broker.creditScore},
             {"businessCardImage", index % 3 != 2},
             {"ICImage", index % 4 != 3},
         }},
        {"premierPrivilege",
         QJsonObject{{"postNum", postCounts(broker.userId)},
                     {"stat", QJsonObject{{"premier", promotions.premier(broker.userId)}}}}},
    };
}

QJsonObject privilegeOf(const SamplePoster& poster) {
    return QJsonObject{
        {"status", 0},
        {"isZuzeridUser", 0},
        {"phone", poster.phone},
        {"baseInfo",
         QJsonObject{
             {"userId", QString::number(poster.userId)},
             {"avatar", QString()},
             {"name", poster.name},
             {"agentUserContactNum", 0},
             {"businessCardImage", false},
             {"ICImage", false},
         }},
        {"premierPrivilege", QJsonObject{{"postNum", postCounts(poster.userId)}}},
    };
}

// The sample's brokers and posters as they are; any other user as the messaging server's
// packets name him (ChatBroker), so that a broker's page tells what his chat tells.
Reply privilege(const RecordedRequest& request, Promotions& promotions) {
    const FormFields fields(request.body);
    const QString userId = fields.text("ucUserId");
    if (const auto broker = SamplePeople::broker(userId.toLongLong()))
        return Reply::json(privilegeOf(*broker, promotions));
    if (const auto poster = SamplePeople::poster(userId.toLongLong()))
        return Reply::json(privilegeOf(*poster));
    const int n = int(qHash(userId) % 3);
    const QJsonObject person = ChatBroker::profile(userId.toLongLong());
    return Reply::json(QJsonObject{
        {"status", 0},
        {"isZuzeridUser", isBroker(userId) ? 1 : 0},
        {"phone", person.value("phone")},
        {"baseInfo",
         QJsonObject{
             {"userId", userId},
             {"avatar", isBroker(userId) ? avatarPath("brokers", userId) : QString()},
             {"name", person.value("name")},
             {"district_name", person.value("districtName")},
             {"street_name", person.value("streetName")},
             {"agentUserContactNum", 12 + n * 7},
             {"companyName", person.value("companyName")},
             {"creditScore", person.value("creditScore")},
             {"businessCardImage", n != 2},
             {"ICImage", true},
         }},
        {"premierPrivilege",
         QJsonObject{{"postNum", QJsonObject{{"5", 3 + n}, {"1", 6 - n}, {"3", n * 2}}}}},
    });
}

// "GetUserStatuss" on the backend: jsonArgs={"userids":"1,2","mobiletype":"710"}.
std::optional<Reply> userStatus(const RecordedRequest& request) {
    if (request.header("interface") != "GetUserStatuss") return std::nullopt;
    const FormFields fields(request.body);
    const QJsonObject arguments = QJsonDocument::fromJson(fields.value("jsonArgs")).object();
    const QString ids = arguments.value("userids").toString();
    QJsonObject data;
    for (const QString& id : ids.split(',', Qt::SkipEmptyParts)) {
        data.insert(id.trimmed(), QJsonObject{{"status", isOnline(id.trimmed())}});
    }
    return Reply::json(QJsonObject{{"params", QJsonObject{{"errorno", 0}, {"data", data}}}});
}

// GET /users/GetUserInfo/<login id>?session_id=S: the profile of a logged-on user.
std::optional<Reply> profile(const RecordedRequest& request, const QByteArray& rootUrl) {
    const QString session = QUrlQuery(QString::fromLatin1(request.query))
                                .queryItemValue("session_id", QUrl::FullyDecoded);
    bool ok = false;
    const qint64 loginId =
        request.path.mid(qsizetype(std::strlen("/users/GetUserInfo/"))).toLongLong(&ok);
    if (!ok) return Endpoints::refusal(QStringLiteral("no such user"), 404);
    if (session.isEmpty()) return Endpoints::refusal(QStringLiteral("未登录"));
    return Reply::json(QJsonObject{
        {"status", 0},
        {"errDetail", ""},
        {"data",
         QJsonObject{
             {"loginId", loginId},
             {"userName", QStringLiteral("user%1").arg(loginId)},
             {"nickName", QStringLiteral("找房用户%1").arg(loginId % 10000)},
             {"mobile", QStringLiteral("1380013%1").arg(loginId % 10000, 4, 10, QChar('0'))},
             {"avatar", avatar(rootUrl, "users", QString::number(loginId))},
             {"sessionId", session},
         }},
    });
}

}  // namespace

void ServiceCalls::install(Endpoints& endpoints) {
    const auto state = std::make_shared<ServiceState>();
    endpoints.addInterface("userRegister",
                           [state](const RecordedRequest& request, const QByteArray&) {
                               return userRegister(*state, request);
                           });
    endpoints.addInterface("CommonConsultList", news);
    endpoints.addInterface("CommonOperateList", banners);
    const auto promotions = std::make_shared<Promotions>();
    endpoints.addInterface("GetUserPrivilegeByUserId",
                           [promotions](const RecordedRequest& request, const QByteArray&) {
                               return privilege(request, *promotions);
                           });
    Promotions::install(endpoints, promotions);
    endpoints.addRoute(paths::kBackend, [](const RecordedRequest& request, const QByteArray&) {
        return userStatus(request);
    });
    endpoints.addRoute("/users/GetUserInfo/", profile);
    endpoints.addRoute(kNewsPages, [](const RecordedRequest& request, const QByteArray&) {
        return newsPage(request);
    });
}

}  // namespace standin
