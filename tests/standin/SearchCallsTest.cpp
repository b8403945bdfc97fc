// The stand-in's keyword search over its sample posts: suggestions with the counts the
// results they open show, counts per kind, the search of every kind at once and the category
// catalog.
#include "StandinClient.h"
#include "StandinFixture.h"

#include "standin/Posts.h"
#include "standin/SearchCalls.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <httplib.h>

namespace paths = standin::paths;

class SearchCallsTest : public StandinFixture {
protected:
    QJsonValue call(const char* interface, const QJsonObject& args, const std::string& query = {}) {
        const QByteArray body =
            "jsonArgs=" + QUrl::toPercentEncoding(QString::fromUtf8(
                              QJsonDocument(args).toJson(QJsonDocument::Compact)));
        httplib::Client http = standinClient(server().port());
        const httplib::Headers headers{{"interface", interface}, {"cityScriptIndex", "100"}};
        const auto result = query.empty()
                                ? http.Post(paths::kDataShare, headers, body.toStdString(),
                                            "application/x-www-form-urlencoded")
                                : http.Get(std::string(paths::kDataShare) + "?" + query, headers);
        if (!result) return {};
        const QJsonDocument reply =
            QJsonDocument::fromJson(QByteArray::fromStdString(result->body));
        return reply.isArray() ? QJsonValue(reply.array()) : QJsonValue(reply.object());
    }
    // How many posts of one kind a title search finds.
    int found(const QString& keyword, int kind) {
        const QJsonObject args{
            {"cityScriptIndex", "100"},
            {"majorCategoryScriptIndex", QString::number(kind)},
            {"pageIndex", "0"},
            {"pageSize", "20"},
            {"andKeywords", QJsonArray{QJsonObject{{"name", "title"}, {"value", keyword}}}}};
        return call("SearchPostsByJson2", args).toObject()["total"].toInt();
    }
    static std::string keywords(const QString& keyword) {
        return "keywords=" + QUrl::toPercentEncoding(keyword).toStdString() + "&searchAll=1";
    }
};

TEST_F(SearchCallsTest, SuggestionsHoldTheTextAndCountWhatTheirResultsShow) {
    const QJsonArray rows = call("ajaxSuggestion", {{"cityScriptIndex", "100"},
                                                    {"keyword", "地铁"},
                                                    {"categoryId", "7"},
                                                    {"majorCategoryScriptIndex", "1"}})
                                .toArray();
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_LE(rows.size(), standin::SearchCalls::kMaxSuggestions);
    int before = 1 << 30;
    for (const QJsonValue& row : rows) {
        const QString text = row.toObject()["text"].toString();
        const int count = row.toObject()["count"].toInt();
        EXPECT_TRUE(text.contains("地铁")) << text.toStdString();
        EXPECT_EQ(count, found(text, 1)) << text.toStdString();
        EXPECT_LE(count, before) << "most first";
        before = count;
    }
    // A suggestion of one kind counts that kind's posts, though a kind before it has some.
    for (const int kind : {3, 5}) {
        const QJsonArray ofKind =
            call("ajaxSuggestion", {{"cityScriptIndex", "100"},
                                    {"keyword", "近地铁"},
                                    {"majorCategoryScriptIndex", QString::number(kind)}})
                .toArray();
        ASSERT_FALSE(ofKind.isEmpty()) << kind;
        for (const QJsonValue& row : ofKind) {
            const QString text = row.toObject()["text"].toString();
            ASSERT_NE(found(text, kind), found(text, 1)) << text.toStdString();
            EXPECT_EQ(row.toObject()["count"].toInt(), found(text, kind)) << text.toStdString();
        }
    }
    // Without a kind a suggestion counts what the results it opens show: the posts of the
    // first kind that has some (rent before share before sale), not those of every kind.
    const QJsonArray nearUnderground =
        call("ajaxSuggestion", {{"cityScriptIndex", "100"}, {"keyword", "近地铁"}}).toArray();
    ASSERT_EQ(nearUnderground.size(), 1);
    ASSERT_GT(found("近地铁", 3) + found("近地铁", 5), 0);
    EXPECT_EQ(nearUnderground[0].toObject()["count"].toInt(), found("近地铁", 1));
    const QJsonArray shares =
        call("ajaxSuggestion", {{"cityScriptIndex", "100"}, {"keyword", "合租主卧"}}).toArray();
    ASSERT_FALSE(shares.isEmpty());
    for (const QJsonValue& row : shares) {
        const QString text = row.toObject()["text"].toString();
        ASSERT_EQ(found(text, 1), 0) << text.toStdString();
        EXPECT_EQ(row.toObject()["count"].toInt(), found(text, 3)) << text.toStdString();
    }
    // A text nothing holds and an empty one suggest nothing.
    EXPECT_TRUE(call("ajaxSuggestion", {{"cityScriptIndex", "100"}, {"keyword", "火星"}})
                    .toArray()
                    .isEmpty());
    EXPECT_TRUE(call("ajaxSuggestion", {{"cityScriptIndex", "100"}, {"keyword", "  "}})
                    .toArray()
                    .isEmpty());
}

TEST_F(SearchCallsTest, CountsPerKindAndTheSearchOfEveryKind) {
    const QJsonArray categories = call("GetWebSearchCount", {}, keywords("近地铁")).toArray();
    ASSERT_EQ(categories.size(), 1);
    const QJsonObject housing = categories[0].toObject();
    EXPECT_EQ(housing["CategoryID"].toInt(), 7);
    const QJsonArray majors = housing["MajorCountList"].toArray();
    ASSERT_EQ(majors.size(), 3);
    int sum = 0;
    for (const QJsonValue& major : majors) {
        const int kind = major.toObject()["MajorCategoryScriptIndex"].toInt();
        EXPECT_EQ(major.toObject()["Size"].toInt(), found("近地铁", kind));
        sum += major.toObject()["Size"].toInt();
    }
    EXPECT_EQ(housing["Size"].toInt(), sum);
    // A search naming no kind finds every kind's posts, newest first.
    EXPECT_EQ(found("近地铁", -1000), sum);
    const QJsonObject page = call("SearchPostsByJson2", {{"cityScriptIndex", "100"},
                                                         {"majorCategoryScriptIndex", "-1000"},
                                                         {"pageIndex", "0"},
                                                         {"pageSize", "20"}})
                                 .toObject();
    const QJsonArray posts = page["posts"].toArray();
    ASSERT_EQ(posts.size(), 20);
    for (qsizetype i = 1; i < posts.size(); ++i)
        EXPECT_GE(posts[i - 1].toObject()["refresh_at"].toInteger(),
                  posts[i].toObject()["refresh_at"].toInteger());
    EXPECT_EQ(posts[0].toObject()["CategoryId"].toInt(), 7);
    // Kinds without posts are left out; nothing at all is an empty list.
    const QJsonArray shared = call("GetWebSearchCount", {}, keywords("合租")).toArray();
    ASSERT_EQ(shared.size(), 1);
    ASSERT_EQ(shared[0].toObject()["MajorCountList"].toArray().size(), 1);
    EXPECT_EQ(shared[0].toObject()["MajorCountList"][0].toObject()["MajorCategoryName"], "合租房");
    EXPECT_TRUE(call("GetWebSearchCount", {}, keywords("火星")).toArray().isEmpty());
}

TEST_F(SearchCallsTest, TheCatalogListsMastersWithTheirKinds) {
    const QJsonArray catalog = call("GetLastCategories", {}, "x=1").toArray();
    ASSERT_GE(catalog.size(), 2);
    const QJsonObject housing = catalog[0].toObject();
    EXPECT_EQ(housing["cid"].toInt(), 7);
    QList<int> kinds;
    for (const QJsonValue& major : housing["ms"].toArray())
        kinds << major.toObject()["msi"].toInt();
    EXPECT_TRUE(kinds.contains(1) && kinds.contains(3) && kinds.contains(5));
}
