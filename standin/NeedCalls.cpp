#include "standin/NeedCalls.h"

#include "standin/JsonText.h"

#include "standin/NeedReplies.h"
#include "standin/SamplePeople.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrlQuery>

#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

namespace standin {

namespace {

constexpr char kNeedInterface[] = "HousingRequestInfo";
const QString kNeedClass = QStringLiteral("SearchHousingRequest");
constexpr char kPhoneAuth[] = "/users/UserPhoneAuth";

struct SentCode {
    QString phone;
    QString code;
    qint64 time = 0;
};

// What the calls remember between requests: the codes sent. The users whose number was
// checked are those of the needs published with a checked number (PostedNeeds), kept with
// them.
struct NeedState {
    std::mutex mutex;
    std::vector<SentCode> codes;

    void reset() {
        const std::lock_guard lock(mutex);
        codes.clear();
    }
};

bool isMobile(const QString& phone) {
    static const QRegularExpression pattern(QStringLiteral("^1[0-9]{10}$"));
    return pattern.match(phone).hasMatch();
}

QJsonObject refused(const QString& message) {
    return QJsonObject{{"status", -1}, {"msg", message}};
}

// The brokers told of a need: those who answer it (NeedReplies), with their pictures.
QJsonArray agentsOf(const PostedNeed& need, const QByteArray& rootUrl) {
    QJsonArray agents;
    for (const SampleBroker& broker : NeedReplies::answeringBrokers(need)) {
        agents.append(QJsonObject{
            {"userId", QString::number(broker.userId)},
            {"name", broker.name},
            {"companyName", broker.company},
            {"creditScore", broker.creditScore},
            {"picUrl", QString::fromUtf8(rootUrl) +
                           QStringLiteral("/img/avatars/brokers/%1.jpg").arg(broker.userId)},
        });
    }
    return agents;
}

QJsonValue verifyPhoneCode(const PostedNeeds& needs, const QJsonArray& arguments) {
    const bool guest = jsonText(arguments.at(4)) == QLatin1String("1");
    const bool checked = needs.hasCheckedNumber(jsonText(arguments.at(3)));
    return QJsonObject{{"status", guest && !checked ? 1 : 0}};
}

QJsonValue postNeed(NeedState& state, Endpoints& endpoints, const QJsonArray& arguments,
                    const QByteArray& rootUrl) {
    const auto need = PostedNeed::fromArguments(arguments);
    if (!need) return refused(QStringLiteral("意向内容不完整，请重新填写"));
    // Only a need whose code is the last one sent to its number is kept with its code.
    if (arguments.size() >= 12) {
        const std::lock_guard lock(state.mutex);
        const SentCode* last = nullptr;
        for (const SentCode& sent : state.codes)
            if (sent.phone == need->mobile) last = &sent;
        if (!last || last->code != need->code)
            return refused(QStringLiteral("验证码错误，请重新获取"));
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

// The needs published, oldest first, with the id each was given: a test or a probe tells by
// them which of its needs an app lists under which id, and who has answered each so far.
Reply postedNeeds(Endpoints& endpoints) {
    QJsonArray needs;
    for (const PostedNeed& need : endpoints.postedNeeds().all()) {
        needs.append(QJsonObject{{"id", QString::number(need.id)},
                                 {"userId", need.userId},
                                 {"sentence", need.sentence},
                                 {"voiceUrl", need.voiceUrl},
                                 {"answeredBy", need.answeredByJson()}});
    }
    return Reply::json(QJsonObject{{"needs", needs}});
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
    endpoints.classCalls().add(kNeedInterface, kNeedClass, "isVerifyPhoneCode",
                               [&endpoints](const QJsonArray& arguments, const QJsonObject&,
                                            const RecordedRequest&, const QByteArray&) {
                                   return verifyPhoneCode(endpoints.postedNeeds(), arguments);
                               });
    endpoints.classCalls().add(
        kNeedInterface, kNeedClass, "postHousingRequest",
        [state, &endpoints](const QJsonArray& arguments, const QJsonObject&, const RecordedRequest&,
                            const QByteArray& rootUrl) {
            return postNeed(*state, endpoints, arguments, rootUrl);
        });
    endpoints.addRoute(kPhoneAuth, [state](const RecordedRequest& request, const QByteArray&) {
        return std::optional<Reply>(sendCode(*state, request));
    });
    endpoints.addControl("sms", [state](const RecordedRequest& request) {
        return std::optional<Reply>(sentCodes(*state, request));
    });
    endpoints.addControl("needs", [&endpoints](const RecordedRequest&) {
        return std::optional<Reply>(postedNeeds(endpoints));
    });
    endpoints.onReset([state] { state->reset(); });
}

}  // namespace standin
