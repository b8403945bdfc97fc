// The stand-in's sample posts: the same sample every run, filtered by the conditions the app
// sends, paged and sorted; the filter definitions by version.
#include "StandinClient.h"
#include "StandinFixture.h"

#include "standin/Geography.h"
#include "standin/Posts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <httplib.h>

#include <cmath>

namespace paths = standin::paths;

class PostsTest : public StandinFixture {
protected:
    // One page of posts of Beijing's rent list with the given conditions (JSON objects).
    QJsonObject search(const QStringList& conditions, int page = 0, const QString& keyword = {}) {
        QJsonArray filters;
        for (const QString& c : conditions)
            filters.append(QJsonDocument::fromJson(c.toUtf8()).object());
        QJsonArray keywords;
        if (!keyword.isEmpty())
            keywords.append(QJsonObject{{"name", "title"}, {"operator", "="}, {"value", keyword}});
        const QJsonObject args{{"cityScriptIndex", "100"},
                               {"majorCategoryScriptIndex", "1"},
                               {"pageIndex", QString::number(page)},
                               {"pageSize", "20"},
                               {"queryFilters", filters},
                               {"andKeywords", keywords}};
        const QByteArray body =
            "jsonArgs=" + QUrl::toPercentEncoding(QString::fromUtf8(
                              QJsonDocument(args).toJson(QJsonDocument::Compact)));
        httplib::Client http = standinClient(server().port());
        const auto result = http.Post(paths::kDataShare, {{"interface", "SearchPostsByJson2"}},
                                      body.toStdString(), "application/x-www-form-urlencoded");
        return result ? QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object()
                      : QJsonObject();
    }
};

TEST_F(PostsTest, EveryPageIsTheSameSampleNewestFirst) {
    const QJsonObject first = search({});
    EXPECT_EQ(first["total"].toInt(), standin::Posts::kPostsPerKind);
    EXPECT_EQ(first.size(), 2) << "exactly total and posts";
    EXPECT_EQ(search({})["posts"], first["posts"]);
    const QJsonArray posts = first["posts"].toArray();
    ASSERT_EQ(posts.size(), 20);
    for (qsizetype i = 1; i < posts.size(); ++i) {
        EXPECT_GE(posts[i - 1].toObject()["refresh_at"].toInteger(),
                  posts[i].toObject()["refresh_at"].toInteger());
    }
    EXPECT_TRUE(search({}, 16)["posts"].toArray().isEmpty()) << "past the end";
    // Its first post would be number 2^32 + 4, which 32 bits would take for number 4.
    const QJsonObject far = search({}, 214748365);
    EXPECT_TRUE(far["posts"].toArray().isEmpty()) << "far past the end";
    EXPECT_EQ(far["total"].toInt(), first["total"].toInt());
}

TEST_F(PostsTest, RangesRoomsDistrictsAndKeywords) {
    for (const QJsonValue& post :
         search({R"({"name":"price","operator":"=","value":"_1500"})"})["posts"].toArray()) {
        EXPECT_LT(post.toObject()["price"].toObject()["v"].toDouble(), 1500);
    }
    for (const QJsonValue& post : search({R"({"name":"area","value":"50_70"})",
                                          R"({"name":"huxing_shi","value":"5"})"})["posts"]
                                      .toArray()) {
        const double area = post.toObject()["area"].toObject()["v"].toDouble();
        EXPECT_GE(area, 50);
        EXPECT_LT(area, 70);
        EXPECT_GE(post.toObject()["huxing_shi"].toInt(), 5);
    }
    const QJsonObject chaoyang = search({R"({"name":"district_id","value":"110105"})"});
    EXPECT_GT(chaoyang["total"].toInt(), 0);
    for (const QJsonValue& post : chaoyang["posts"].toArray()) {
        EXPECT_EQ(post.toObject()["district_name"].toString(), "朝阳区");
    }
    const QString word =
        search({})["posts"].toArray().first().toObject()["title"].toString().split(' ').first();
    const QJsonObject found = search({}, 0, word);
    EXPECT_GT(found["total"].toInt(), 0);
    for (const QJsonValue& post : found["posts"].toArray()) {
        EXPECT_TRUE(post.toObject()["title"].toString().contains(word));
    }
    EXPECT_EQ(search({}, 0, "\"&+%")["total"].toInt(), 0);
}

TEST_F(PostsTest, TheRadiusFilterKeepsPostsNearThePoint) {
    const auto centre = standin::Geography::districtCentre(110105);
    ASSERT_TRUE(centre);
    const QString condition = QStringLiteral(R"({"name":"latlng","value":"%1,%2,3000"})")
                                  .arg(centre->first, 0, 'f', 5)
                                  .arg(centre->second, 0, 'f', 5);
    const QJsonObject near = search({condition});
    EXPECT_GT(near["total"].toInt(), 0);
    EXPECT_LT(near["total"].toInt(), standin::Posts::kPostsPerKind);
    for (const QJsonValue& post : near["posts"].toArray()) {
        const QStringList at = post.toObject()["latlng"].toString().split(',');
        const double dLat = (at[0].toDouble() - centre->first) * 111000;
        const double dLng =
            (at[1].toDouble() - centre->second) * 111000 * std::cos(centre->first * M_PI / 180);
        EXPECT_LE(std::hypot(dLat, dLng), 3100);
    }
    EXPECT_EQ(search({R"({"name":"latlng","value":"garbage"})"})["total"].toInt(), 0);
}
