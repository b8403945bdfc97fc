#include "standin/NeedReplies.h"

#include "standin/JsonText.h"

#include "standin/ChatBroker.h"
#include "standin/DistrictMap.h"
#include "standin/FormFields.h"
#include "standin/Geography.h"
#include "standin/MessagingServer.h"
#include "standin/PostDetailCalls.h"

#include <QDateTime>
#include <QJsonDocument>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

namespace standin {

namespace {

// "lng,lat" (the order position needs are sent in) as latitude and longitude.
std::optional<std::pair<double, double>> pointOf(const QString& lngLat) {
    const QStringList parts = lngLat.split(u',');
    if (parts.size() != 2) return std::nullopt;
    bool lngOk = false, latOk = false;
    const double lng = parts[0].trimmed().toDouble(&lngOk);
    const double lat = parts[1].trimmed().toDouble(&latOk);
    if (!lngOk || !latOk) return std::nullopt;
    return std::pair{lat, lng};
}

// The district whose outline holds the point, with its city.
NeedPlace placeOfPoint(std::pair<double, double> point, int fallbackCity) {
    NeedPlace place{fallbackCity, 0, point};
    const DistrictMap& map = DistrictMap::shared();
    const GeoPoint geo{point.second, point.first};
    for (const Outline& outline : map.outlines) {
        if (!outline.contains(geo)) continue;
        const auto city = map.cityOfDistrict.find(outline.code);
        if (city == map.cityOfDistrict.end()) continue;
        place.cityIndex = city->second;
        place.districtId = outline.code;
        break;
    }
    return place;
}

// The need's price as a "low_high" condition: a range as it stands, a bare number as the
// upper bound; nothing for "no limit".
std::optional<QString> priceCondition(const QString& price) {
    if (price.isEmpty() || price == QLatin1String("-1")) return std::nullopt;
    if (price.contains(u'_')) return price;
    return QStringLiteral("_") + price;
}

// House-type codes of a whole flat (kinds 1 and 5): 1 to 3 rooms, 4 for four or more; of a
// share (kind 3) the room let, as the list's "share_mode" filter names it; -1 for any
// ("不限").
bool roomsMatch(const SamplePost& post, int major, const QJsonArray& codes) {
    if (codes.isEmpty()) return true;
    return std::any_of(codes.begin(), codes.end(), [&](const QJsonValue& code) {
        const int value = int(jsonText(code).toLongLong());
        if (value < 1) return true;
        if (major == 3)
            return Posts::meets(post, QStringLiteral("share_mode"), QString::number(value));
        return value >= 4 ? post.rooms >= 4 : post.rooms == value;
    });
}

QJsonObject agentRecord(const SampleBroker& broker, int index) {
    return QJsonObject{
        {"userId", QString::number(broker.userId)},
        {"name", broker.name},
        {"companyName", broker.company},
        {"creditScore", broker.creditScore},
        {"picUrl", QStringLiteral("avatars/brokers/%1.jpg").arg(broker.userId)},
        {"distance", 300 + index * 450},
    };
}

QJsonArray agentsNear(const NeedPlace& place) {
    QJsonArray agents;
    int index = 0;
    for (const SampleBroker& broker : NeedReplies::brokersFor(place))
        agents.append(agentRecord(broker, index++));
    return agents;
}

// What the server remembers between calls.
struct ReplyState {
    std::mutex mutex;
    // The root URL the app reached last, for the addresses in the brokers' cards.
    QString root = QStringLiteral("http://127.0.0.1");

    struct Subscription {
        qint64 id = 0;
        QString postId;
    };
    std::map<qint64, std::vector<Subscription>> subscriptions;  // by login id
    qint64 lastSubscription = 0;

    void noteRoot(const QByteArray& rootUrl) {
        const std::lock_guard lock(mutex);
        root = QString::fromUtf8(rootUrl);
    }
    QString currentRoot() {
        const std::lock_guard lock(mutex);
        return root;
    }
};

// SearchHousingRequest.getNearbyAgent [kind, place or "", "lng,lat", house types, user,
// price, price type]: the brokers around the place.
QJsonValue nearbyAgents(const QJsonArray& arguments) {
    NeedPlace place;
    if (arguments.at(1).isObject()) {
        const QJsonObject area = arguments.at(1).toObject();
        place.cityIndex = int(jsonText(area.value("cityScriptIndex")).toLongLong());
        place.districtId = jsonText(area.value("districtId")).toLongLong();
    } else if (const auto point = pointOf(jsonText(arguments.at(2)))) {
        place = placeOfPoint(*point, -1);
    }
    return agentsNear(place);
}

// NevoruSubscribe.getSubscribeHouseList [need id, page, subscription id]: a batch of the
// need's houses; a page past the last starts again at the first.
QJsonValue subscribeHouseList(Endpoints& endpoints, const QJsonArray& arguments) {
    const auto need = endpoints.postedNeeds().byId(jsonText(arguments.at(0)).toLongLong());
    if (!need) return QJsonObject{{"page", 1}, {"total", 0}, {"list", QJsonArray()}};
    const std::vector<const SamplePost*> houses = NeedReplies::housesListed(*need);
    const int total = int(houses.size());
    const int pages =
        std::max(1, (total + NeedReplies::kHousePageSize - 1) / NeedReplies::kHousePageSize);
    const int asked = std::max(int(jsonText(arguments.at(1)).toLongLong()), 1);
    const int page = (asked - 1) % pages + 1;
    QJsonArray list;
    for (int i = (page - 1) * NeedReplies::kHousePageSize;
         i < std::min(page * NeedReplies::kHousePageSize, total); ++i) {
        list.append(NeedReplies::houseRecord(*houses[std::size_t(i)]));
    }
    return QJsonObject{{"page", page}, {"total", total}, {"list", list}};
}

// "CommonSubscribe" on the push server: act 1 subscribes the login to a need's houses, 4
// cancels a subscription, 5 lists the login's subscriptions with their new houses.
std::optional<Reply> subscribe(ReplyState& state, const RecordedRequest& request) {
    if (request.header("interface") != "CommonSubscribe") return std::nullopt;
    const FormFields fields(request.body);
    const qint64 loginId = fields.number("loginId");
    const std::lock_guard lock(state.mutex);
    auto& mine = state.subscriptions[loginId];
    switch (fields.number("act")) {
        case 1: {
            const QJsonObject conditions =
                QJsonDocument::fromJson(fields.value("conditions")).object();
            const ReplyState::Subscription added{++state.lastSubscription,
                                                 conditions.value("postId").toString()};
            mine.push_back(added);
            return Reply::json(QJsonObject{{"status", 0},
                                           {"errDetail", ""},
                                           {"data", QJsonObject{{"subscribeId", added.id}}}});
        }
        case 4: {
            const qint64 id = fields.number("subscribeId");
            std::erase_if(mine, [id](const auto& subscription) { return subscription.id == id; });
            return Reply::json(QJsonObject{{"status", 0}, {"errDetail", ""}});
        }
        case 5: {
            QJsonArray list;
            for (const auto& subscription : mine) {
                list.append(QJsonObject{{"id", subscription.id},
                                        {"postId", subscription.postId},
                                        {"newNum", int(subscription.id % 4)}});
            }
            return Reply::json(QJsonObject{{"status", 0}, {"errDetail", ""}, {"data", list}});
        }
        default:
            return Endpoints::refusal(QStringLiteral("unknown act %1").arg(fields.text("act")));
    }
}

}  // namespace

NeedPlace NeedReplies::placeOf(const PostedNeed& need) {
    if (need.districtId > 0) return NeedPlace{need.cityScriptIndex, need.districtId, std::nullopt};
    const auto point = pointOf(need.location);
    if (!point) return NeedPlace{need.cityScriptIndex, 0, std::nullopt};
    NeedPlace place = placeOfPoint(*point, need.cityScriptIndex);
    place.cityIndex = need.cityScriptIndex;
    return place;
}

std::vector<SampleBroker> NeedReplies::brokersFor(const NeedPlace& place) {
    const std::vector<SampleBroker> city = SamplePeople::brokersOfCity(place.cityIndex);
    const auto& names = DistrictMap::shared().districtNames;
    const auto name = names.find(place.districtId);
    std::vector<SampleBroker> chosen;
    if (name != names.end()) {
        for (const SampleBroker& broker : city) {
            if (broker.districtName == name->second) chosen.push_back(broker);
        }
    }
    if (chosen.empty()) chosen = city;
    if (chosen.size() > std::size_t(kAnsweringBrokers)) chosen.resize(kAnsweringBrokers);
    return chosen;
}

std::vector<const SamplePost*> NeedReplies::housesFor(const PostedNeed& need) {
    const int major = int(need.rentOrBuy.toLongLong());
    const NeedPlace place = placeOf(need);
    std::vector<std::pair<QString, QString>> conditions;
    if (need.districtId > 0) {
        conditions.emplace_back(QStringLiteral("district_id"), QString::number(need.districtId));
    } else if (place.point) {
        conditions.emplace_back(QStringLiteral("latlng"), QStringLiteral("%1,%2,%3")
                                                              .arg(place.point->first)
                                                              .arg(place.point->second)
                                                              .arg(kNearbyMetres));
    }
    if (const auto price = priceCondition(need.price))
        conditions.emplace_back(QStringLiteral("price"), *price);
    std::vector<const SamplePost*> houses;
    for (const SamplePost& post : Posts::postsOf(place.cityIndex, major)) {
        const bool meets = std::all_of(conditions.begin(), conditions.end(), [&](const auto& c) {
            return Posts::meets(post, c.first, c.second);
        });
        if (meets && roomsMatch(post, major, need.houseTypes) &&
            SamplePeople::isBroker(post.posterId)) {
            houses.push_back(&post);
        }
    }
    return houses;
}

std::vector<const SamplePost*> NeedReplies::recommendedHouses(const PostedNeed& need) {
    std::map<qint64, int> offered;  // houses by broker
    std::vector<const SamplePost*> houses;
    for (const SamplePost* house : housesFor(need)) {
        const bool answering = offered.contains(house->posterId);
        if (!answering && offered.size() >= std::size_t(kAnsweringBrokers)) continue;
        if (offered[house->posterId]++ < kHousesPerBroker) houses.push_back(house);
    }
    return houses;
}

std::vector<const SamplePost*> NeedReplies::housesListed(const PostedNeed& need) {
    std::vector<const SamplePost*> houses = recommendedHouses(need);
    if (need.answersQueued || !need.answeredByNoted) return houses;
    std::erase_if(houses, [&need](const SamplePost* house) {
        return std::ranges::find(need.answeredBy, house->posterId) == need.answeredBy.end();
    });
    return houses;
}

std::vector<SampleBroker> NeedReplies::answeringBrokers(const PostedNeed& need) {
    std::vector<SampleBroker> brokers;
    for (const SamplePost* house : recommendedHouses(need)) {
        const bool known = std::any_of(brokers.begin(), brokers.end(), [&](const auto& broker) {
            return broker.userId == house->posterId;
        });
        if (!known) brokers.push_back(*SamplePeople::broker(house->posterId));
    }
    // A need no broker has a house for is still answered, by the brokers around it, who
    // will look for one.
    if (brokers.empty()) brokers = brokersFor(placeOf(need));
    return brokers;
}

QJsonObject NeedReplies::houseRecord(const SamplePost& post) {
    const QJsonObject& record = post.record;
    const SampleBroker broker = SamplePeople::broker(post.posterId).value_or(SampleBroker{});
    QJsonArray pictures;
    if (post.hasImage) {
        // The first three of the post's photos as thumbnails: a picture shown larger asks
        // the host for its own size of the same photo.
        for (int n = 1; n <= 3; ++n)
            pictures.append(PostDetailCalls::photoPath(
                post.puid, n, PostDetailCalls::kThumbnailWidth, PostDetailCalls::kThumbnailHeight));
    }
    const QString area = QStringLiteral("%1㎡").arg(post.area);
    return QJsonObject{
        {"puid", record.value("puid")},
        {"userId", broker.userId > 0 ? QString::number(broker.userId) : QString()},
        {"person", broker.name},
        {"phone", broker.phone},
        {"photo", broker.userId > 0 ? QStringLiteral("avatars/brokers/%1.jpg").arg(broker.userId)
                                    : QString()},
        {"companyName", broker.company},
        {"creditScore", broker.creditScore},
        {"houseImages", pictures},
        {"title", post.title},
        {"houseAttribute",
         QStringLiteral("%1 | %2 | %3")
             .arg(record.value("huxing").toString(), area, record.value("fitment").toString())},
        {"price", Posts::priceText(record)},
        {"huxing", record.value("huxing")},
        {"area", area},
        {"district_name", record.value("district_name")},
        {"street_name", record.value("street_name")},
        {"major_category", post.major},
    };
}

QString NeedReplies::answerName(const PostedNeed& need, qint64 brokerId) {
    return QStringLiteral("need %1 from %2").arg(need.id).arg(brokerId);
}

QJsonArray NeedReplies::answersTo(const PostedNeed& need, const QString& root) {
    static const QStringList kHowMany{QStringLiteral("一"), QStringLiteral("两"),
                                      QStringLiteral("三")};
    static_assert(kHousesPerBroker <= 3, "a count kHowMany can say");
    const std::vector<const SamplePost*> houses = recommendedHouses(need);
    // The messages follow each other a second apart, in the order written.
    qint64 time = QDateTime::currentSecsSinceEpoch();
    QJsonArray orders;
    int k = 0;
    for (const SampleBroker& broker : answeringBrokers(need)) {
        std::vector<const SamplePost*> his;
        std::copy_if(houses.begin(), houses.end(), std::back_inserter(his),
                     [&](const SamplePost* house) { return house->posterId == broker.userId; });
        const int delay = kFirstAnswerMs + k++ * kAnswerGapMs;
        // The greeting and the cards are one answer: once the greeting reached the user the
        // cards follow, a stop of the server between them or not.
        const QJsonObject common{{"to", need.userId.toLongLong()},
                                 {"from", broker.userId},
                                 {"postId", QString::number(need.id)},
                                 {"answer", answerName(need, broker.userId)},
                                 {"root", root}};
        QJsonObject greeting = common;
        greeting.insert("kind", "text");
        greeting.insert("text",
                        his.empty()
                            ? QStringLiteral("您好，我是%1的%2，看到您的找房意向了，"
                                             "合适的房源一出来我马上联系您。")
                                  .arg(broker.company, broker.name)
                            : QStringLiteral("您好，我是%1的%2，看到您的找房意向了，"
                                             "给您推荐%3套房源，欢迎随时来看房。")
                                  .arg(broker.company, broker.name, kHowMany[int(his.size()) - 1]));
        greeting.insert("delayMs", delay);
        greeting.insert("updateTime", ++time);
        orders.append(greeting);
        int n = 0;
        for (const SamplePost* house : his) {
            const QJsonObject card = ChatBroker::cardOf(house->record, root);
            QJsonObject offer = common;
            offer.insert("kind", "card");
            // Through a value: a braced list of one array may copy that array instead.
            offer.insert("contents",
                         QJsonArray{QJsonValue(QJsonArray{"url", card, card.value("title")})});
            offer.insert("delayMs", delay + kCardGapMs * ++n);
            offer.insert("updateTime", ++time);
            orders.append(offer);
        }
    }
    return orders;
}

QJsonArray NeedReplies::owedAnswers(const PostedNeed& need, const std::set<QString>& held,
                                    const QString& root) {
    QJsonArray owed;
    if (need.answersQueued || !need.answeredByNoted) return owed;
    for (const QJsonValue order : answersTo(need, root)) {
        if (std::ranges::find(need.answeredBy, order["from"].toInteger()) !=
                need.answeredBy.end() ||
            held.contains(order["answer"].toString())) {
            continue;
        }
        owed.append(order);
    }
    return owed;
}

void NeedReplies::install(Endpoints& endpoints, MessagingServer& messaging) {
    const auto state = std::make_shared<ReplyState>();
    endpoints.postedNeeds().onPosted([state, &messaging](const PostedNeed& need) {
        for (const QJsonValue order : answersTo(need, state->currentRoot()))
            messaging.write(order.toObject());
    });
    // Started again on its files, the server sends the rest of the answers it kept; the
    // brokers who owe a kept need an answer the file does not hold write it now (the needs
    // are read before the messages).
    messaging.setKeptHook([state, &endpoints, &messaging] {
        const std::set<QString> held = messaging.heldAnswers();
        for (const PostedNeed& need : endpoints.postedNeeds().all()) {
            for (const QJsonValue order : owedAnswers(need, held, state->currentRoot()))
                messaging.write(order.toObject());
        }
    });
    // A need's answer counts once it begins to reach the user, as the app counts it, so the
    // need lists the houses of those who answered, whose cards all come. A packet about
    // anything but a need names a post whose id reads as no number, 0, which no need has.
    messaging.setCarriedHook([&endpoints](const QJsonObject& packet) {
        endpoints.postedNeeds().noteAnswered(
            jsonText(packet.value("post").toObject().value("id")).toLongLong(),
            jsonText(packet.value("fromUser").toObject().value("id")).toLongLong());
    });
    ClassCalls& calls = endpoints.classCalls();
    // The brokers' cards name addresses under the root the app reaches, known from its calls
    // before it publishes a need; the calls themselves are answered further on.
    endpoints.addRoute(paths::kDataShare,
                       [state](const RecordedRequest&, const QByteArray& rootUrl) {
                           state->noteRoot(rootUrl);
                           return std::optional<Reply>();
                       });
    calls.add("HousingRequestInfo", "SearchHousingRequest", "getNearbyAgent",
              [](const QJsonArray& arguments, const QJsonObject&, const RecordedRequest&,
                 const QByteArray&) { return nearbyAgents(arguments); });
    calls.add("HousingAppCInfo", "NevoruSubscribe", "getSubscribeHouseList",
              [state, &endpoints](const QJsonArray& arguments, const QJsonObject&,
                                  const RecordedRequest&, const QByteArray& rootUrl) {
                  state->noteRoot(rootUrl);
                  return subscribeHouseList(endpoints, arguments);
              });
    endpoints.addRoute(paths::kPush, [state](const RecordedRequest& request, const QByteArray&) {
        return subscribe(*state, request);
    });
}

}  // namespace standin
