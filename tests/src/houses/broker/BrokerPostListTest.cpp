// The broker's post list: pages of ten under the broker's communities, what a row says, and
// pages that fail.
#include "../community/CommunityFixture.h"

#include "ReferenceImage.h"
#include "houses/broker/PromotionCell.h"
#include "houses/broker/PromotionListViewController.h"
#include "houses/detail/QXPostDetailNew.h"
#include "houses/shared/MoreRowCell.h"
#include "platform/uikit/scroll_view.h"
#include "standin/BrokerCalls.h"
#include "standin/DistrictMap.h"

#include <QDateTime>

namespace {

// A reply of the broker calls: the communities and a page of `count` posts in all holding
// the sample's posts `from` to `to`, so that it can stand in for both first replies.
QByteArray brokerReply(int from, int to, qint64 count, int errCode = 0) {
    QJsonArray posts;
    const auto& sample = standin::Posts::postsOf(100, 1);
    for (int i = from; i < to; ++i)
        posts.append(standin::BrokerCalls::listRecord(sample[std::size_t(i)]));
    const QJsonObject reply{
        {"errCode", errCode},
        {"biotopes", QJsonArray{QJsonObject{{"id", qint64(10000000001)}, {"name", "安定门公寓"}}}},
        {"page", QJsonObject{{"count", count}, {"posts", posts}}}};
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

}  // namespace

class BrokerPostListTest : public CommunityFixture {
protected:
    // A broker of the test city with rent posts.
    static qint64 rentBroker() {
        for (const auto& broker : standin::SamplePeople::brokersOfCity(kCity)) {
            if (standin::Posts::ofPoster(broker.userId, 1).size() >= 2) return broker.userId;
        }
        return 0;
    }
    void open(qint64 brokerId, int majorType = 1) {
        list_ = std::make_shared<PromotionListViewController>(majorType, "出租房源", QVariantMap(),
                                                              QString::number(brokerId));
        push(list_);
        waitForPage();
    }
    void waitForPage() {
        ASSERT_TRUE(waitFor([&] {
            return list_->isViewLoaded() && !list_->isLoadingPage() &&
                   !list_->view()->viewWithTag(PromotionListViewController::kLoadingTag);
        }));
    }
    // Shows the last row, which asks for the next page, and waits for it.
    void showLastRow() {
        ui::TableView* table = list_->tableView();
        const int last = table->numberOfRowsInSection(0) - 1;
        table->scrollToRowAtIndexPath({0, last}, ui::TableViewScrollPosition::Bottom, false);
        window_->layoutIfNeeded();
        waitForPage();
    }
    [[nodiscard]] QByteArray lastPostListBody() { return calls("GetPostList").back().body; }

    std::shared_ptr<PromotionListViewController> list_;
};

TEST_F(BrokerPostListTest, TheBrokersPostsUnderTheBrokersCommunities) {
    const qint64 broker = rentBroker();
    ASSERT_GT(broker, qint64(1) << 32);
    open(broker);
    const QByteArray id = QByteArray::number(broker);
    const auto biotopes = calls("GetRelatedBiotope");
    ASSERT_EQ(biotopes.size(), 1u);
    EXPECT_EQ(biotopes[0].body, "cityScriptIndex=100&categoryId=7&feeType=1&ucUserId=" + id +
                                    "&pg=2&pi=1&listType=1&majorCategoryScriptIndex=1");
    EXPECT_EQ(lastPostListBody(), "cityScriptIndex=100&categoryId=7&feeType=1&ucUserId=" + id +
                                      "&pg=2&pi=3&majorCategoryScriptIndex=1&listType=1&page=1"
                                      "&pageSize=10");
    const auto posts = standin::Posts::ofPoster(broker, 1);
    EXPECT_EQ(list_->postCount(), qint64(posts.size()));
    EXPECT_EQ(list_->nowPostListCount(), std::min(10, int(posts.size())));
    EXPECT_EQ(list_->filterView()->titleAtIndex(0), "小区名称");
    // The communities come on their own.
    ASSERT_TRUE(waitFor([&] { return !list_->biotopeList().isEmpty(); }));
    ASSERT_GE(list_->biotopeList().size(), 2);
    EXPECT_EQ(list_->biotopeList().first().toMap().value("name"), "不限");

    // A community narrows the list from its first page; "不限" sends no community.
    const QVariantMap community = list_->biotopeList().at(1).toMap();
    list_->qfViewDidSelectSection(*list_->filterView(), 0, {0, 1}, {});
    waitForPage();
    EXPECT_TRUE(lastPostListBody().contains("&biotopeId=" + community.value("id").toByteArray() +
                                            "&listType=1&page=1&"));
    EXPECT_EQ(list_->filterView()->titleAtIndex(0), community.value("name").toString());
    list_->qfViewDidSelectSection(*list_->filterView(), 0, {0, 0}, {});
    waitForPage();
    EXPECT_FALSE(lastPostListBody().contains("biotopeId"));
    EXPECT_EQ(list_->filterView()->titleAtIndex(0), "不限");

    // A post opens its detail, which fetches the whole post by its puid.
    ASSERT_TRUE(driver_->tap(list_->tableView()->cellForRowAtIndexPath({0, 0})));
    settle();
    auto detail = std::dynamic_pointer_cast<QXPostDetailNew>(navigation_->topViewController());
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->puid(), QString::number(posts.front()->puid));
    ASSERT_TRUE(waitFor([&] { return !detail->post().isEmpty(); }));
    EXPECT_EQ(detail->post().value("puid").toString(), QString::number(posts.front()->puid));
    EXPECT_EQ(events(), QStringList{"agentdetail_bn_houses"});
}

TEST_F(BrokerPostListTest, TwentyFivePostsComeInPagesOfTenTenAndFive) {
    server().setFault(
        {.prefix = standin::paths::kDataShare, .body = brokerReply(0, 10, 25), .times = 2});
    open(8000000101);
    EXPECT_EQ(list_->tableView()->numberOfRowsInSection(0), 11) << "ten and the load-more row";
    server().setFault(
        {.prefix = standin::paths::kDataShare, .body = brokerReply(10, 20, 25), .times = 1});
    showLastRow();
    EXPECT_TRUE(lastPostListBody().endsWith("&page=2&pageSize=10"));
    EXPECT_EQ(list_->tableView()->numberOfRowsInSection(0), 21);
    server().setFault(
        {.prefix = standin::paths::kDataShare, .body = brokerReply(20, 25, 25), .times = 1});
    showLastRow();
    EXPECT_TRUE(lastPostListBody().endsWith("&page=3&pageSize=10"));
    EXPECT_EQ(list_->tableView()->numberOfRowsInSection(0), 25) << "no load-more row at the end";
    EXPECT_EQ(calls("GetPostList").size(), 3u) << "each page asked for once";
}

TEST_F(BrokerPostListTest, FailedAndEmptyPagesLetGoOfTheOverlayAndThePull) {
    // Each step's replies stand for every call until the next step, so that a call the list
    // before is still making takes nothing meant for this one.
    const auto replyAlways = [&](const QByteArray& body) {
        server().setFault({.prefix = standin::paths::kDataShare, .body = body});
    };
    const auto failAlways = [&] {
        server().setFault({.prefix = standin::paths::kDataShare, .status = 500});
    };
    // No posts at all.
    replyAlways(brokerReply(0, 0, 0));
    open(8000000101);
    EXPECT_EQ(noticeOf(*list_), "暂时没有数据!");
    EXPECT_EQ(list_->tableView()->numberOfRowsInSection(0), 0);

    // A refusal ends the overlay with the notice, as a failed request does.
    replyAlways(brokerReply(0, 0, 0, -1));
    open(8000000101);
    EXPECT_EQ(noticeOf(*list_), "网络异常，请稍后再试");

    // A page that comes back empty although the count promised more ends the list.
    replyAlways(brokerReply(0, 10, 25));
    open(8000000101);
    list_->updatePostList({{"count", 25}, {"posts", QVariantList()}});
    EXPECT_EQ(list_->tableView()->numberOfRowsInSection(0), 10);

    // A pull that fails lets the header go, so that it can be pulled again.
    failAlways();
    list_->refresh();
    EXPECT_TRUE(list_->refreshView()->isLoading());
    waitForPage();
    EXPECT_FALSE(list_->refreshView()->isLoading());

    // A next page that fails leaves the posts in view and says so in its row.
    replyAlways(brokerReply(0, 10, 25));
    open(8000000101);
    failAlways();
    showLastRow();
    EXPECT_TRUE(noticeOf(*list_).isEmpty());
    EXPECT_EQ(list_->nowPostListCount(), 10);
    ui::TableViewCell* more = list_->tableView()->cellForRowAtIndexPath({0, 10});
    ASSERT_NE(more, nullptr);
    EXPECT_EQ(driver_->textOf(more->viewWithTag(MoreRowCell::kLabelTag)), "网络异常，请稍后再试");
}

TEST_F(BrokerPostListTest, ARowTellsPlaceLayoutAgeAndThePricePerArea) {
    const qint64 now = qint64(ns::Clock::shared().timeIntervalSince1970());
    PostRecord rent{{"type", 1},
                    {"district_name", "A"},
                    {"street_name", "B"},
                    {"huxing_shi", 2},
                    {"huxing_ting", 1},
                    {"area", QVariantMap{{"v", 89}, {"u", "㎡"}}},
                    {"price", "3 500元/月"},
                    {"title", "两居室"},
                    {"post_at", now - 30}};
    EXPECT_EQ(PromotionCell::titleText(rent), "A B 2室1厅 89㎡");
    EXPECT_EQ(PromotionCell::priceText(rent), "3500元/月");
    PromotionCell cell("PromotionCell");
    cell.configure(rent, 1);
    EXPECT_EQ(cell.subTitleLabel2()->text(), "1分钟前");
    EXPECT_TRUE(cell.unitPriceLabel()->text().isEmpty());
    for (const auto& [age, text] : {std::pair{3600, "61分钟前"}, std::pair{3601, "2小时前"}}) {
        rent["post_at"] = now - age;
        cell.configure(rent, 1);
        EXPECT_EQ(cell.subTitleLabel2()->text(), text);
    }
    rent["post_at"] = now - 4 * 86400;
    cell.configure(rent, 1);
    EXPECT_EQ(cell.subTitleLabel2()->text(),
              QDateTime::fromSecsSinceEpoch(now - 4 * 86400).toLocalTime().toString("MM-dd"));

    // Shared rooms show their kind; a post without a layout shows its place alone.
    EXPECT_EQ(PromotionCell::layoutText({{"type", 3},
                                         {"house_type_format", QVariantMap{{"t", "三居合租主卧"}}},
                                         {"area", QVariantMap{{"v", 15}, {"u", "㎡"}}}}),
              "三居合租主卧 15㎡");
    EXPECT_EQ(PromotionCell::layoutText({{"type", 3}, {"area", QVariantMap{{"v", 15}}}}), "");

    // For sale: the price per area with the fractions, whichever of price and area is larger.
    const auto sale = [](const QVariant& price, const QVariant& area) {
        return PromotionCell::unitPriceText(
            {{"price_format", QVariantMap{{"v", price}, {"u", "万"}}},
             {"area", QVariantMap{{"v", area}, {"u", "㎡"}}}});
    };
    EXPECT_EQ(sale(150, 90), "(16667元/㎡)") << "150万 over 90㎡, not 1万";
    EXPECT_EQ(sale(150, 200), "(7500元/㎡)");
    EXPECT_EQ(sale("150.5", 90), "(16722元/㎡)");
    EXPECT_EQ(sale(150, 0), "");
    EXPECT_EQ(sale(0, 90), "");
    EXPECT_EQ(sale(1e300, 1e-300), "") << "beyond 64 bits shows nothing";
    PostRecord house{{"price_format", QVariantMap{{"v", 150}, {"u", "万"}}},
                     {"area", QVariantMap{{"v", 90}, {"u", "㎡"}}},
                     {"post_at", now - 30}};
    cell.configure(house, 5);
    EXPECT_EQ(cell.subTitleLabel2()->text(), "1分钟前 (16667元/㎡)");
}

TEST_F(BrokerPostListTest, ReferenceBrokersPostList) {
    // A broker of a city without shops, whose two offices post all its houses, fills the
    // screen with rent posts.
    qint64 busy = 0;
    for (const auto& [index, city] : standin::DistrictMap::shared().cities) {
        (void)city;
        const auto brokers = standin::SamplePeople::brokersOfCity(index);
        if (!brokers.empty() && brokers.front().shopId % 10000 >= 9000 &&
            standin::Posts::ofPoster(brokers.front().userId, 1).size() >= 6) {
            busy = brokers.front().userId;
            break;
        }
    }
    ASSERT_NE(busy, 0);
    open(busy);
    ASSERT_TRUE(waitFor([&] {
        for (int row = 0; row < list_->nowPostListCount(); ++row) {
            auto* cell =
                dynamic_cast<PromotionCell*>(list_->tableView()->cellForRowAtIndexPath({0, row}));
            if (cell && !cell->shownUrl().isEmpty() &&
                cell->iconView()->image() == ui::Image::imageNamed("信息列表-加载中.png"))
                return false;
        }
        return true;
    }));
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot(2)->pixels(), "src/houses/reference",
                                      "broker_post_list.png"));
}
