#pragma once

#include "standin/BrokerShops.h"

#include <QString>

#include <optional>
#include <vector>

namespace standin {

// A broker of the sample: one of the brokers of a broker shop, or of one of the two offices
// that every city without shops has.
struct SampleBroker {
    qint64 userId = 0;
    QString name;
    QString company;      // the brand, "安家房产"
    QString shopName;     // "安家房产徐汇区店"
    QString phone;        // a mobile number
    int creditScore = 0;  // stars out of five
    int contacts = 0;     // the people who got in touch with him, as every call counts them
    int cityIndex = 0;
    QString cityName;
    QString districtName;
    int shopId = 0;
    int indexInShop = 0;
};

// A personal user who posts a house of their own.
struct SamplePoster {
    qint64 userId = 0;
    QString name;
    QString phone;
};

// The sample's people. Everything about a person follows from the user id, so every call
// that names one (a post's poster, a shop's broker list, a broker's page, a chat) tells the
// same story. Broker ids lie above 32 bits; personal users' ids end in 0.
class SamplePeople {
public:
    static constexpr qint64 kFirstBrokerId = 8'000'000'000LL;
    // Personal users' ids: the post's puid after this base, times ten, so that they end in 0.
    static constexpr qint64 kPosterBase = 100'000'000LL;

    [[nodiscard]] static bool isBroker(qint64 userId);
    // The broker with this id; nullopt for any other id.
    [[nodiscard]] static std::optional<SampleBroker> broker(qint64 userId);
    [[nodiscard]] static SampleBroker brokerOfShop(const BrokerShops::Shop& shop, int index);
    // Every broker working in the city: those of its shops, else those of its two offices;
    // empty for a city the database does not have.
    [[nodiscard]] static std::vector<SampleBroker> brokersOfCity(int cityIndex);
    // A broker's mobile number and credit (1 to 5 stars), drawn from his user id: eleven
    // digits after a common prefix, different for every broker of the sample.
    [[nodiscard]] static QString mobileOf(qint64 userId);
    [[nodiscard]] static int creditScoreOf(qint64 userId);
    // The personal user posting the post with this puid.
    [[nodiscard]] static SamplePoster posterOfPost(qint64 puid);
    // A personal user named by id (ids ending in 0); nullopt for a broker's id.
    [[nodiscard]] static std::optional<SamplePoster> poster(qint64 userId);
};

}  // namespace standin
