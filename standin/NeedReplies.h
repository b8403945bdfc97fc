#pragma once

#include "standin/Endpoints.h"
#include "standin/PostedNeeds.h"
#include "standin/Posts.h"
#include "standin/SamplePeople.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <set>
#include <vector>

namespace standin {

class MessagingServer;

// Where a need lies: its city and district (0 when no district is known).
struct NeedPlace {
    int cityIndex = -1;
    qint64 districtId = 0;
    std::optional<std::pair<double, double>> point;  // latitude, longitude of a position need
};

// What a published housing need brings about. The brokers who posted houses that match it
// (kind, district or place, rooms, price) answer it over the messaging stream a moment after
// it is published: each greets the user about the need and sends a post card of each house
// he recommends for it. The calls of the replies screens answer from the same sample (the
// need itself comes through "postHousingRequest", NeedCalls): "getNearbyAgent" lists the
// brokers around a need's place, "getSubscribeHouseList" pages through the recommended
// houses, each offered by the broker who posted it, and "CommonSubscribe" on the push server
// subscribes a login to a need's houses (act 1), cancels a subscription (4) and lists them
// with their new houses (5). So the brokers the app counts as having answered, those its
// answers' sheet lists and those who offer the recommended houses are the same, and each
// of them has a talk holding his cards. A broker's greeting and cards are one answer
// (MessagingServer::write), which a server that keeps its messages in a file keeps until the
// user has it all, so that the brokers answer a need whatever stops came between: started
// again on the kept needs it sends what is left of their answers, and writes anew those of
// the brokers who owe one that the file does not hold (a need kept while an older stand-in
// dropped its answers at a stop). The houses a kept need lists are those of the brokers
// whose answers have reached the user so far.
class NeedReplies {
public:
    // Houses a page of "getSubscribeHouseList".
    static constexpr int kHousePageSize = 5;
    // Brokers who answer one need at most, and houses one of them recommends for it.
    static constexpr int kAnsweringBrokers = 3;
    static constexpr int kHousesPerBroker = 3;
    // Real time before the first broker's answer, and between two brokers' answers.
    static constexpr int kFirstAnswerMs = 1500;
    static constexpr int kAnswerGapMs = 1000;
    // Real time between a broker's greeting and each of his cards.
    static constexpr int kCardGapMs = 300;
    // A position need takes in houses this far from its point.
    static constexpr int kNearbyMetres = 3000;

    static void install(Endpoints& endpoints, MessagingServer& messaging);

    // The place of a need: a district chosen from the lists, or the district whose outline
    // holds the point of a position need ("lng,lat").
    [[nodiscard]] static NeedPlace placeOf(const PostedNeed& need);
    // The brokers around a place: those of its district, else of its city; at most
    // kAnsweringBrokers.
    [[nodiscard]] static std::vector<SampleBroker> brokersFor(const NeedPlace& place);
    // The sample posts that match the need and that brokers posted, newest first.
    [[nodiscard]] static std::vector<const SamplePost*> housesFor(const PostedNeed& need);
    // The houses recommended for a need: those of housesFor whose posters answer it, at most
    // kHousesPerBroker of each, in that order. The first kAnsweringBrokers posters of its
    // houses answer it.
    [[nodiscard]] static std::vector<const SamplePost*> recommendedHouses(const PostedNeed& need);
    // The recommended houses the replies screen lists: those of the brokers who answered the
    // need. While this run holds their answers (PostedNeed::answersQueued) all of them have
    // or will in a moment; a need kept from before a restart lists the houses of those whose
    // answers have begun reaching the user (PostedNeed::answeredBy) alone, so that its houses
    // name the brokers the user's count and sheet of answers name as the others' answers come.
    [[nodiscard]] static std::vector<const SamplePost*> housesListed(const PostedNeed& need);
    // The brokers who answer a need: the posters of its recommended houses, in their order;
    // for a need that no broker's house matches, the brokers around it (brokersFor), who
    // recommend nothing yet.
    [[nodiscard]] static std::vector<SampleBroker> answeringBrokers(const PostedNeed& need);
    // One house of the recommended list as the replies screen reads it, offered by the
    // broker who posted it.
    [[nodiscard]] static QJsonObject houseRecord(const SamplePost& post);
    // The orders (the messaging server's write form) with which the brokers answer a need:
    // each broker's greeting, then a card of each house he recommends, all named as his
    // answer (answerName).
    [[nodiscard]] static QJsonArray answersTo(const PostedNeed& need, const QString& root);
    // The name the messages of a broker's answer to a need share.
    [[nodiscard]] static QString answerName(const PostedNeed& need, qint64 brokerId);
    // The orders of answersTo that a need kept from before a restart is still owed: those of
    // the brokers who have not answered it (answeredBy) and whose answers are not among
    // `held`, the answers the messaging server holds. None for a need of this run, whose
    // answers are all written, or one an older stand-in kept without noting who answered.
    [[nodiscard]] static QJsonArray owedAnswers(const PostedNeed& need,
                                                const std::set<QString>& held, const QString& root);
};

}  // namespace standin
