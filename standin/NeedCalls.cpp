#include "standin/NeedCalls.h"

#include "standin/Geography.h"
#include "standin/SamplePeople.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrlQuery>

#include <cstdio>
#include <limits>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace standin {

namespace {

constexpr char kInterface[] = "HousingRequestInfo";
const QString kClass = QStringLiteral("SearchHousingRequest");
constexpr char kPhoneAuth[] = "/users/UserPhoneAuth";

struct SentCode {
    QString phone;
    QString code;
    qint64 time = 0;
};

// What the calls remember between requests: the codes sent and the users whose number was
// checked.
struct NeedState {
    std::mutex mutex;
    std::vector<SentCode> codes;
    std::set<QString> checkedUsers;

    void reset() {
        const std::lock_guard lock(mutex);
        codes.clear();
        checkedUsers.clear();
    }
};

bool isMobile(const QString& phone) {
    static const QRegularExpression pattern(QStringLiteral("^1[0-9]{10}$"));
    return pattern.match(phone).hasMatch();
}

QString text(const QJsonValue& value) {
    return value.isString() ? value.toString() : value.toVariant().toString();
}

QJsonObject refused(const QString& message) {
    return QJsonObject{{"status", -1}, {"msg", message}};
}

// The district a need lies in: the chosen one, or for a need around a point ("lng,lat") the
// district of its city whose middle is nearest.
QString districtOf(const PostedNeed& need) {
    const auto& names = DistrictMap::shared().districtNames;
    if (need.districtId > 0) {
        const auto found = names.find(need.districtId);
        return found == names.end() ? QString() : found->second;
    }
    const QStringList parts = need.location.split(QLatin1Char(','));
    const CityRow* city = Geography::city(need.cityScriptIndex);
    if (parts.size() != 2 || !city) return {};
    const double longitude = parts[0].toDouble(), latitude = parts[1].toDouble();
    QString nearest;
    double best = std::numeric_limits<double>::max();
    for (const DistrictRow& district : city->districts) {
        const auto centre = Geography::districtCentre(district.id);
        if (!centre) continue;
        const double dLat = centre->first - latitude, dLng = centre->second - longitude;
        const double distance = dLat * dLat + dLng * dLng;
        if (distance < best) {
            best = distance;
            nearest = district.name;
        }
    }
    return nearest;
}

QJsonArray agentsOf(const PostedNeed& need, const QByteArray& rootUrl) {
    const QString district = districtOf(need);
    QJsonArray agents;
    if (district.isEmpty()) return agents;
    for (const SampleBroker& broker : SamplePeople::brokersOfCity(need.cityScriptIndex)) {
        if (broker.districtName != district) continue;
        agents.append(QJsonObject{
            {"userId", QString::number(broker.userId)},
            {"name", broker.name},
            {"companyName", broker.company},
            {"creditScore", broker.creditScore},
            {"picUrl", QString::fromUtf8(rootUrl) + QStringLiteral("/img/avatars/brokers/%1.jpg")
                                                        .arg(broker.userId)},
        });
        if (agents.size() == NeedCalls::kMostAgents) break;
    }
    return agents;
}

QJsonValue verifyPhoneCode(NeedState& state, const QJsonArray& arguments) {
    const bool guest = text(arguments.at(4)) == QLatin1String("1");
    const std::lock_guard lock(state.mutex);
    const bool checked = state.checkedUsers.contains(text(arguments.at(3)));
    return QJsonObject{{"status", guest && !checked ? 1 : 0}};
}

QJsonValue postNeed(NeedState& state, Endpoints& endpoints, const QJsonArray& arguments,
                    const QByteArray& rootUrl) {
    const auto need = PostedNeed::fromArguments(arguments);
    if (!need) return refused(QStringLiteral("意向内容不完整，请重新填写"));
    {
        const std::lock_guard lock(state.mutex);
        if (arguments.size() >= 12) {
            const QString code = text(arguments.at(11));
            const SentCode* last = nullptr;
            for (const SentCode& sent : state.codes)
                if (sent.phone == need->mobile) last = &sent;
            if (!last || last->code != code) return refused(QStringLiteral("验证码错误，请重新获取"));
            state.checkedUsers.insert(need->userId);
        }
    }
    const qint64 id = endpoints.postedNeeds().add(*need);
    return QJsonObject{{"postId", QString::number(id)}, {"agents", agentsOf(*need, rootUrl)}};
}

Reply sendCode(NeedState& state, const RecordedRequest& request) {
    const QUrlQuery query(QString::fromUtf8(request.query));
    if (query.queryItemValue(QStringLiteral("method")) != QLatin1String("GetCode"))
        return Endpoints::refusal(QStringLiteral("unknown method"));
    const QString phone = query.queryItemValue(QStringLiteral("phone"), QUrl::FullyDecoded);
    if (!isMobile(phone)) return Endpoints::refusal(QStringLiteral("手机号码格式不正确"));
    QString code;
    {
        const std::lock_guard lock(state.mutex);
        code = NeedCalls::smsCode(phone, qint64(state.codes.size()) + 1);
        state.codes.push_back({phone, code, QDateTime::currentSecsSinceEpoch()});
    }
    // A person running the app reads the code here.
    std::fprintf(stderr, "standin: SMS code %s sent to %s\n", qPrintable(code), qPrintable(phone));
    return Reply::json(QJsonObject{{"status", 0}, {"errDetail", ""}});
}

Reply sentCodes(NeedState& state, const RecordedRequest& request) {
    const QString phone =
        QUrlQuery(QString::fromUtf8(request.query)).queryItemValue(QStringLiteral("phone"));
    QJsonArray codes;
    const std::lock_guard lock(state.mutex);
    for (const SentCode& sent : state.codes) {
        if (!phone.isEmpty() && sent.phone != phone) continue;
        codes.append(QJsonObject{{"phone", sent.phone}, {"code", sent.code}, {"time", sent.time}});
    }
    return Reply::json(QJsonObject{{"codes", codes}});
}

}  // namespace

QString NeedCalls::smsCode(const QString& phone, qint64 n) {
    const QByteArray digest = QCryptographicHash::hash(
        (phone + QLatin1Char('#') + QString::number(n)).toUtf8(), QCryptographicHash::Sha1);
    quint32 value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | quint8(digest[i]);
    return QStringLiteral("%1").arg(value % 1000000, 6, 10, QLatin1Char('0'));
}

void NeedCalls::install(Endpoints& endpoints) {
    auto state = std::make_shared<NeedState>();
    endpoints.classCalls().add(kInterface, kClass, "isVerifyPhoneCode",
                               [state](const QJsonArray& arguments, const QJsonObject&,
                                       const RecordedRequest&, const QByteArray&) {
                                   return verifyPhoneCode(*state, arguments);
                               });
    endpoints.classCalls().add(
        kInterface, kClass, "postHousingRequest",
        [state, &endpoints](const QJsonArray& arguments, const QJsonObject&,
                            const RecordedRequest&, const QByteArray& rootUrl) {
            return postNeed(*state, endpoints, arguments, rootUrl);
        });
    endpoints.addRoute(kPhoneAuth, [state](const RecordedRequest& request, const QByteArray&) {
        return std::optional<Reply>(sendCode(*state, request));
    });
    endpoints.addControl("sms", [state](const RecordedRequest& request) {
        return std::optional<Reply>(sentCodes(*state, request));
    });
    endpoints.onReset([state] { state->reset(); });
}

}  // namespace standin
