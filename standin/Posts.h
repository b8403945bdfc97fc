#pragma once

#include "standin/Endpoints.h"

#include <QJsonObject>
#include <QString>

#include <vector>

namespace standin {

// One sample post: the record the servers send, and the values the queries match.
struct SamplePost {
    QJsonObject record;
    qint64 puid = 0;
    int cityIndex = 0;
    int major = 0;
    qint64 districtId = 0;
    qint64 streetId = 0;
    double price = 0;  // in the kind's price unit
    int area = 0;
    int rooms = 0;
    int shareMode = 0;  // the room a share lets: 1 主卧, 2 次卧, 3 隔断间 (0 for other kinds)
    int fitment = 0;    // 1 fine, 2 simple, 3 bare
    bool hasImage = false;
    double lat = 0, lng = 0;
    qint64 refreshAt = 0;
    QString title;
    qint64 communityId = 0;  // standin/Communities.h
    qint64 posterId = 0;     // a broker or a personal user (standin/SamplePeople.h)
};

// Housing posts: "SearchPostsByJson2" pages through a deterministic sample of rent, share
// and sale posts of any city of the city database (320 of each kind, in the city's real
// districts and streets), filtered by the query conditions and keywords and sorted by
// refresh time. Each post lies in a community of its street and is posted by a broker of
// its city or by a personal user, and its thumbnail is one of its own photos.
// "GetMajorCategoryFilter" gives each kind's filter definitions by version ({} when the
// client's version is current). The image host also serves stock house pictures
// "/img/house/<n>.jpg", drawn on demand.
class Posts {
public:
    static constexpr int kPostsPerKind = 320;
    // A post's record id: this plus its puid, above 32 bits.
    static constexpr qint64 kFirstPostId = 5'000'000'000LL;
    static constexpr char kFilterVersion[] = "2";
    static constexpr int kThumbnailCount = 24;  // stock pictures
    // The kinds of post: 1 rent, 3 shared rent, 5 sale.
    static constexpr int kKinds[] = {1, 3, 5};

    static void install(Endpoints& endpoints);

    // The posts of one kind (major 1 rent, 3 share, 5 sale) in a city, newest refresh first;
    // empty for a city the database does not have.
    [[nodiscard]] static const std::vector<SamplePost>& postsOf(int cityIndex, int major);
    // The post with this puid; nullptr when there is none (of no kind of kKinds too).
    [[nodiscard]] static const SamplePost* byPuid(qint64 puid);
    // The posts of one kind that lie in a community, or that a user posted, newest first.
    [[nodiscard]] static std::vector<const SamplePost*> ofCommunity(qint64 communityId, int major);
    [[nodiscard]] static std::vector<const SamplePost*> ofPoster(qint64 userId, int major);
    // The post's price as the app's lists and detail write it from its value and unit: an
    // amount in 元 above 10000 in 万 with one decimal, rounded as "%.1f" rounds (12600元/月
    // reads 1.3万元/月), any other as it stands ("3500元/月", "186.5万元"). The texts the
    // servers write themselves (a broker's card, a recommended house) say the same.
    [[nodiscard]] static QString priceText(const QJsonObject& record);
    // Whether the post meets one query condition of "SearchPostsByJson2" (name and value as
    // the list sends them); a condition the sample has no field for narrows nothing.
    [[nodiscard]] static bool meets(const SamplePost& post, const QString& name,
                                    const QString& value);
};

}  // namespace standin
