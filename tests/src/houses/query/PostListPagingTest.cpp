// Pages of the post list: the request body, taking replies in, and the roads to more pages.
#include "../HousesFixture.h"

#include "houses/query/FilterCondition.h"
#include "houses/query/PostListPaging.h"
#include "standin/Posts.h"

#include <QJsonArray>

namespace paths = standin::paths;

namespace {

QVariantMap page(int total, int count) {
    QVariantList posts;
    for (int i = 0; i < count; ++i) posts << QVariantMap{{"puid", QString::number(i)}};
    return {{"total", total}, {"posts", posts}};
}

}  // namespace

TEST(PostListBodyTest, MembersInOrderAndEveryNumberAsText) {
    PostListPaging paging;
    paging.majorId = 3;
    paging.nowPage = 2;
    EXPECT_EQ(paging.body(100),
              "jsonArgs={\"customerId\":\"710\",\"cityScriptIndex\":\"100\",\"categoryId\":\"7\","
              "\"majorCategoryScriptIndex\":\"3\",\"pageIndex\":\"2\",\"pageSize\":\"20\","
              "\"queryFilters\":[],\"andKeywords\":[],"
              "\"sortKeywords\":{\"field\":\"refresh_at\",\"sort\":\"desc\"}}");
    paging.keyword = "   ";
    EXPECT_TRUE(paging.body(100).contains("\"andKeywords\":[]")) << "spaces are no keyword";
}

TEST(PostListPagingRulesTest, FortyFiveTakeThreePagesThenTheMoreRowGoes) {
    PostListPaging paging;
    paging.startFreshPage();
    paging.takeIn(page(45, 20));
    EXPECT_EQ(paging.rowCount(), 21) << "20 posts and the more row";
    EXPECT_TRUE(paging.isMoreRow(20));
    ASSERT_TRUE(paging.startNextPage());
    EXPECT_EQ(paging.nowPage, 1);
    EXPECT_FALSE(paging.isShouldResetArray);
    paging.takeIn(page(45, 20));
    ASSERT_TRUE(paging.startNextPage());
    paging.takeIn(page(45, 5));
    EXPECT_EQ(paging.nowListNum, 45);
    EXPECT_FALSE(paging.isHaveMoreData);
    EXPECT_EQ(paging.rowCount(), 45);
    EXPECT_FALSE(paging.startNextPage()) << "no fourth page";
    EXPECT_EQ(paging.nowPage, 2);
}

TEST(PostListPagingRulesTest, RepliesThatAreNoPage) {
    PostListPaging paging;
    paging.takeIn(page(100, 20));
    ASSERT_TRUE(paging.isHaveMoreData);
    paging.takeIn(page(100, 0));
    EXPECT_FALSE(paging.isHaveMoreData) << "an empty page ends paging below the total";
    EXPECT_EQ(paging.nowListNum, 20);

    PostListPaging third;
    third.takeIn(page(100, 20));
    QVariantMap extra = page(100, 20);
    extra["status"] = 0;
    EXPECT_FALSE(third.takeIn(extra).tookPage) << "a third key: not taken in";
    EXPECT_EQ(third.nowListNum, 20);
    EXPECT_TRUE(third.isHaveMoreData);
    EXPECT_FALSE(third.takeIn(QVariantList{1, 2}).tookPage);
    EXPECT_FALSE(third.takeIn(QVariant()).tookPage);

    PostListPaging noPosts;
    noPosts.takeIn(QVariantMap{{"total", 50}, {"other", 1}});
    EXPECT_EQ(noPosts.nowListNum, 0);
    EXPECT_FALSE(noPosts.isHaveMoreData) << "two entries without posts end paging";
    EXPECT_EQ(noPosts.rowCount(), 0);

    PostListPaging badTotal;
    badTotal.takeIn(QVariantMap{{"total", "many"}, {"posts", page(1, 3)["posts"]}});
    EXPECT_FALSE(badTotal.isHaveMoreData) << "a total that is no number reads as 0";

    PostListPaging reset;
    reset.takeIn(page(100, 20));
    reset.startFreshPage();
    EXPECT_TRUE(reset.takeIn(QVariant()).emptiedFirst);
    EXPECT_EQ(reset.nowListNum, 0) << "a pending reset empties even when no page came";
}

TEST(PostListPagingRulesTest, AFailedNextPageIsAskedForAgainNotSkipped) {
    PostListPaging paging;
    paging.takeIn(page(100, 20));
    ASSERT_TRUE(paging.startNextPage());
    paging.pageFailed(1);
    EXPECT_EQ(paging.nowPage, 0);
    EXPECT_FALSE(paging.loadingNext);
    ASSERT_TRUE(paging.startNextPage());
    EXPECT_EQ(paging.nowPage, 1) << "the same page again";

    paging.startFreshPage();
    paging.pageFailed(0);
    EXPECT_EQ(paging.nowPage, 0);
}

class PostListRequestTest : public HousesFixture {
protected:
    // Sends the request and waits for its outcome.
    std::optional<QVariant> send(const PostListPaging& paging, QVariantMap* failure = nullptr) {
        std::optional<QVariant> reply;
        bool failed = false;
        paging.request(
            100, [&reply](const QVariant& r) { reply = r; },
            [&](const QVariantMap& f) {
                failed = true;
                if (failure) *failure = f;
            });
        runMainLoopUntil([&] { return reply.has_value() || failed; });
        return reply;
    }
};

TEST_F(PostListRequestTest, ConditionsAndKeywordsReachTheServerIntact) {
    PostListPaging paging;
    const QString keyword = QStringLiteral("望京 \"A&B\" 100%+1");
    paging.keyword = keyword;
    paging.filterConditionDic["district_id"] = FilterCondition::make("district_id", "110105");
    paging.filterConditionDic["xiaoqu"] = FilterCondition::make("xiaoqu", "a&b+c%d\"e\\");
    ASSERT_TRUE(send(paging));
    const auto sent = calls("SearchPostsByJson2");
    ASSERT_EQ(sent.size(), 1u);
    const QJsonObject args = argsOf(sent.front());
    EXPECT_EQ(args["andKeywords"].toArray().at(0).toObject()["value"].toString(), keyword);
    EXPECT_EQ(args["andKeywords"].toArray().at(0).toObject()["name"].toString(), "title");
    const QJsonArray filters = args["queryFilters"].toArray();
    ASSERT_EQ(filters.size(), 2);
    EXPECT_EQ(filters.at(1).toObject()["value"].toString(), "a&b+c%d\"e\\");
    EXPECT_EQ(filters.at(1).toObject()["operator"].toString(), "=");
    EXPECT_EQ(sent.front().header("contentformat"), "json2");
    EXPECT_TRUE(sent.front().header("cityScriptIndex").isEmpty()) << "no city header";
}

TEST_F(PostListRequestTest, TheSamplePagesThroughByRefreshTime) {
    PostListPaging paging;
    paging.startFreshPage();
    auto reply = send(paging);
    ASSERT_TRUE(reply);
    paging.takeIn(*reply);
    EXPECT_EQ(paging.totalListNum, standin::Posts::kPostsPerKind);
    EXPECT_EQ(paging.nowListNum, 20);
    while (paging.startNextPage()) {
        reply = send(paging);
        ASSERT_TRUE(reply);
        paging.takeIn(*reply);
    }
    EXPECT_EQ(paging.nowListNum, standin::Posts::kPostsPerKind);
    for (qsizetype i = 1; i < paging.contentArray.size(); ++i) {
        EXPECT_GE(paging.contentArray[i - 1].toMap()["refresh_at"].toLongLong(),
                  paging.contentArray[i].toMap()["refresh_at"].toLongLong());
    }
}

TEST_F(PostListRequestTest, FailuresAndCancellationsAreToldApart) {
    server().setFault({.prefix = paths::kDataShare, .status = 500, .times = 1});
    PostListPaging paging;
    QVariantMap failure;
    EXPECT_FALSE(send(paging, &failure));
    EXPECT_FALSE(PostListPaging::isCancellation(failure));

    // A second request replaces the first: the first ends as a cancellation.
    server().setFault({.prefix = paths::kDataShare, .hold = true});
    std::optional<QVariantMap> first;
    std::optional<QVariant> second;
    paging.request(
        100, [](const QVariant&) {}, [&first](const QVariantMap& f) { first = f; });
    paging.request(
        100, [&second](const QVariant& r) { second = r; }, [](const QVariantMap&) {});
    server().clearFaultsAndReleaseHeld();
    ASSERT_TRUE(runMainLoopUntil([&] { return first.has_value() && second.has_value(); }));
    EXPECT_TRUE(PostListPaging::isCancellation(*first));
}
