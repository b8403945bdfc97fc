#include "ShopMapFixture.h"

#include "map/BasicAnnotion.h"
#include "map/MapArtwork.h"
#include "map/QXMapDetailCell.h"
#include "map/QXMapDetailViewController.h"
#include "map/ShopMapRequest.h"
#include "ui/widgets/PRRefreshFooterView.h"

#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/screen.h"

#include "standin/FaultRule.h"
#include "ui/widgets/LoadingOverlay.h"

using namespace std::chrono_literals;

namespace {

// Shops of the stand-in in 上海 by their brokers: 3, 12, none.
constexpr const char* kThreeBrokers = "10000";
constexpr const char* kTwelveBrokers = "10001";
constexpr const char* kNoBrokers = "10002";

std::shared_ptr<BasicAnnotion> panelShop(const QString& id, const QString& phone = "021-1") {
    return BasicAnnotion::fromShop({{"id", id},
                                    {"latlng", "31.23,121.47"},
                                    {"companyName", "安家房产(黄浦区店)"},
                                    {"postAddress", "黄浦区1号"},
                                    {"isExcellentShop", "1"},
                                    {"officePhone", phone}});
}

class ShopPanelTest : public ShopMapFixture {
protected:
    void SetUp() override {
        ShopMapFixture::SetUp();
        host_ = std::make_shared<TitledScreen>("host");
        // As the map screen: the screen starts below the navigation bar.
        host_->setEdgesForExtendedLayout(ui::kRectEdgeNone);
        navigation_->setViewControllers({host_}, false);
        panel_ = QXMapDetailViewController::initIsSuperViewWith(nullptr, context());
        panel_->detailViewWillOpenBlock = [this] { heard << "willOpen"; };
        panel_->detailViewDidOpenBlock = [this] { heard << "didOpen"; };
        panel_->detailViewWillOpenFinnallyBlock = [this] { heard << "willFull"; };
        panel_->detailViewDidOpenFinnallyBlock = [this] { heard << "didFull"; };
        panel_->detailViewWillCloseBlock = [this] { heard << "willClose"; };
        panel_->detailViewDidCloseBlock = [this] { heard << "didClose"; };
        panel_->block = [this](bool chat, const QVariantMap& broker) {
            actions << QString(chat ? "chat " : "page ") + broker["userId"].toString();
        };
        host_->view()->addSubview(panel_->view());
    }

    // Opens the panel for a shop and waits for its first page to be shown.
    void openWithBrokers(const QString& id) {
        panel_->setAnnoBasic(panelShop(id));
        panel_->openDetailView();
        clock().advance(400ms);
        ASSERT_TRUE(waitUntil(
            [&] { return panel_->view()->viewWithTag(LoadingOverlay::kTag) == nullptr; }));
    }

    // From the end of the list, a finger drags it on up and lets go, pulling for more.
    void pullUp() {
        ui::TableView* list = panel_->listTable();
        list->setContentOffset(
            {0, std::max(0.0, list->contentSize().height - list->bounds().height())});
        clock().advance(1s);
        const ui::Rect shown =
            list->convertRectToView(list->bounds(), nullptr).intersection(window_->bounds());
        driver_->drag({160, shown.maxY() - 8}, {160, shown.minY() + 8});
        // Let go, the list springs back: a pull past the footer's height loads more.
        clock().advance(100ms);
    }

    [[nodiscard]] double screenHeight() const {
        return ui::Screen::mainScreen().bounds().size.height;
    }

    std::shared_ptr<TitledScreen> host_;
    std::shared_ptr<QXMapDetailViewController> panel_;
    QStringList heard;
    QStringList actions;
};

TEST_F(ShopPanelTest, OpensOverTheLowerPartAndListsTheShopsBrokers) {
    EXPECT_EQ(panel_->view()->frame(), panel_->closeFrame());
    openWithBrokers(kThreeBrokers);
    EXPECT_EQ(panel_->mapControlState(), QXMapDetailViewController::Open);
    EXPECT_EQ(panel_->view()->frame(), ui::Rect(0, 120, 320, screenHeight() - 64));
    EXPECT_EQ(heard, QStringList({"willOpen", "didOpen"}));
    EXPECT_EQ(sentCalls(),
              QStringList{R"({"SearchHousingCustomer":{"getCustomerBrokerList":["10000","1"]}})"});
    ASSERT_NE(panel_->listTable(), nullptr);
    EXPECT_EQ(panel_->listDataArray().size(), 3);
    EXPECT_EQ(panel_->hasInfoNumLabel()->text(), "共3人");
    EXPECT_EQ(QXMapDetailViewController::pageNumber(), 2);
    EXPECT_EQ(dragBack, std::vector<bool>{false});
    // The rows show their brokers.
    panel_->view()->layoutIfNeeded();
    auto* cell = driver_->find<QXMapDetailCell>();
    ASSERT_NE(cell, nullptr);
    EXPECT_FALSE(cell->nameLabel()->text().isEmpty());
    EXPECT_TRUE(cell->numContectLabel()->text().endsWith("个人联系过"));
}

TEST_F(ShopPanelTest, AShopWithoutBrokersShowsTheEmptyTextUntilTheNextShop) {
    openWithBrokers(kNoBrokers);
    EXPECT_EQ(panel_->listTable(), nullptr);
    ASSERT_NE(panel_->noInfoLbl(), nullptr);
    EXPECT_FALSE(panel_->noInfoLbl()->isHidden());
    EXPECT_EQ(panel_->noInfoLbl()->text(), "该门店没有经纪人信息");
    EXPECT_EQ(panel_->noInfoLbl()->frame().origin.y, 190);
    EXPECT_EQ(panel_->hasInfoNumLabel()->text(), "共0人");
    EXPECT_EQ(panel_->footView(), nullptr);
    panel_->removeNoView();
    EXPECT_EQ(panel_->noInfoLbl()->superview(), nullptr) << "the empty text is taken off";

    panel_->closeDetailView();
    clock().advance(400ms);
    openWithBrokers(kNoBrokers);
    EXPECT_EQ(panel_->noInfoLbl()->superview(), panel_->view().get())
        << "and comes back with the next";
    panel_->closeDetailView();
    clock().advance(400ms);
    openWithBrokers(kThreeBrokers);
    ASSERT_NE(panel_->listTable(), nullptr);
    EXPECT_FALSE(panel_->listTable()->isHidden());
    EXPECT_TRUE(panel_->noInfoLbl()->isHidden());
    EXPECT_EQ(panel_->hasInfoNumLabel()->text(), "共3人");
}

TEST_F(ShopPanelTest, FurtherPagesComeByPullingUpUntilThereAreNoMore) {
    openWithBrokers(kTwelveBrokers);
    EXPECT_EQ(panel_->listDataArray().size(), 10);
    ASSERT_NE(panel_->footView(), nullptr);
    panel_->footView()->beginRefreshing();
    clock().advance(1s);
    EXPECT_EQ(sentCalls().size(), 1) << "the footer waits two seconds";
    clock().advance(1100ms);
    ASSERT_TRUE(waitUntil([&] { return panel_->listDataArray().size() == 12; }));
    EXPECT_EQ(sentCalls().back(),
              R"({"SearchHousingCustomer":{"getCustomerBrokerList":["10001","2"]}})");
    EXPECT_EQ(QXMapDetailViewController::pageNumber(), 3);
    clock().advance(1s);
    EXPECT_FALSE(panel_->footView()->isRefreshing());

    // A pull past the last page: the notice, and the footer says there is no more, its
    // spinner gone; the rows stay and the page has grown all the same.
    PRRefreshFooterView* footer = panel_->footView();
    pullUp();
    ASSERT_TRUE(footer->isRefreshing());
    clock().advance(2s);
    ASSERT_TRUE(waitUntil([&] { return shows("没有更多经纪人"); }));
    EXPECT_EQ(panel_->listDataArray().size(), 12);
    EXPECT_EQ(QXMapDetailViewController::pageNumber(), 4);
    clock().advance(300ms);
    EXPECT_EQ(footer->statusLabel()->text(), "没有更多数据");
    EXPECT_FALSE(footer->activityView()->isAnimating());
    // Pulled again, it loads nothing and shows no spinner.
    const auto sent = sentCalls().size();
    pullUp();
    EXPECT_FALSE(footer->isRefreshing());
    clock().advance(3s);
    settle();
    EXPECT_EQ(sentCalls().size(), sent);
    EXPECT_EQ(footer->statusLabel()->text(), "没有更多数据");

    // Another shop's brokers: its further pages may come.
    panel_->closeDetailView();
    clock().advance(400ms);
    openWithBrokers(kThreeBrokers);
    EXPECT_EQ(panel_->footView()->statusLabel()->text(), "上拉可以加载更多数据");
    pullUp();
    EXPECT_TRUE(panel_->footView()->isRefreshing());
}

TEST_F(ShopPanelTest, FailuresShowButACancelledPageDoesNot) {
    openWithBrokers(kTwelveBrokers);
    // A slow page replaced by a new call (the pre-cancel) before it answers.
    server().setFault({.prefix = standin::paths::kDataShare, .hold = true});
    panel_->loadTableViewData();
    panel_->loadTableViewData();
    server().clearFaultsAndReleaseHeld();
    ASSERT_TRUE(waitUntil([&] { return panel_->listDataArray().size() == 12; }));
    EXPECT_FALSE(shows("网络连接失败!")) << "a cancelled page is no network failure";

    server().setFault({.prefix = standin::paths::kDataShare, .status = 500});
    panel_->loadTableViewData();
    ASSERT_TRUE(waitUntil([&] { return shows("网络连接失败!"); }));
    EXPECT_EQ(panel_->listDataArray().size(), 12) << "the rows stay";

    reachable = false;
    const auto sent = sentCalls().size();
    clock().advance(5s);
    panel_->loadTableViewData();
    EXPECT_TRUE(shows("网络连接失败!"));
    settle();
    EXPECT_EQ(sentCalls().size(), sent) << "nothing is sent without a network";
}

TEST_F(ShopPanelTest, HeaderTapsGoFullScreenAndClose) {
    reachable = false;  // the moves alone
    panel_->setAnnoBasic(panelShop(kThreeBrokers));
    panel_->openDetailView();
    clock().advance(4s);  // the no-network notice goes too
    heard.clear();
    ASSERT_TRUE(driver_->tap(panel_->headerView()->subviews()[2].get()));
    clock().advance(400ms);
    EXPECT_EQ(panel_->mapControlState(), QXMapDetailViewController::FullScreen);
    EXPECT_EQ(panel_->view()->frame(), ui::Rect(0, 0, 320, screenHeight()));
    EXPECT_EQ(panel_->upOrDownImage()->image(), MapArtwork::imageNamed("向下_1.png"));
    ASSERT_TRUE(driver_->tap(panel_->headerView()->subviews()[2].get()));
    clock().advance(400ms);
    EXPECT_EQ(panel_->mapControlState(), QXMapDetailViewController::Closed);
    EXPECT_EQ(panel_->view()->frame(), panel_->closeFrame());
    EXPECT_EQ(heard, QStringList({"willFull", "didFull", "willClose", "didClose"}));
    EXPECT_EQ(dragBack.back(), true);
}

TEST_F(ShopPanelTest, DragsEndFullScreenWhenTheyEndAboveTheirStart) {
    reachable = false;
    panel_->setAnnoBasic(panelShop(kThreeBrokers));
    panel_->openDetailView();
    clock().advance(4s);
    // Drags of the header, in its own points.
    const auto drag = [&](double fromY, double toY) {
        ui::View* header = panel_->headerView();
        driver_->drag(header->convertPointToView({100, fromY}, nullptr),
                      header->convertPointToView({100, toY}, nullptr), 0.3, 10);
    };
    // Up from the open position: full screen.
    drag(35, -25);
    clock().advance(400ms);
    EXPECT_EQ(panel_->mapControlState(), QXMapDetailViewController::FullScreen);
    // At full screen further up: the top stays at 0, the unclamped end is above the start.
    drag(60, 20);
    EXPECT_EQ(panel_->view()->frame().origin.y, 0);
    clock().advance(400ms);
    EXPECT_EQ(panel_->mapControlState(), QXMapDetailViewController::FullScreen);
    // A drag that ends where it began closes.
    ui::View* header = panel_->headerView();
    const ui::Point start = header->convertPointToView({100, 35}, nullptr);
    const ui::Point away = header->convertPointToView({100, 95}, nullptr);
    window_->touchDown(start);
    for (int step = 1; step <= 10; ++step) {
        window_->touchMove({start.x, start.y + (away.y - start.y) * step / 10});
        clock().advance(20ms);
    }
    for (int step = 9; step >= 0; --step) {
        window_->touchMove({start.x, start.y + (away.y - start.y) * step / 10});
        clock().advance(20ms);
    }
    window_->touchUp(start);
    clock().advance(400ms);
    EXPECT_EQ(panel_->mapControlState(), QXMapDetailViewController::Closed);
}

TEST_F(ShopPanelTest, ClosingWhileItOpensLoadsNothing) {
    panel_->setAnnoBasic(panelShop(kThreeBrokers));
    panel_->openDetailView();
    clock().advance(100ms);
    panel_->closeDetailView();
    clock().advance(1s);
    settle();
    EXPECT_EQ(heard, QStringList({"willOpen", "willClose", "didClose"}));
    EXPECT_TRUE(sentCalls().isEmpty());
}

TEST_F(ShopPanelTest, TheCallButtonShowsOnlyForShopsWithAPhone) {
    reachable = false;
    panel_->setAnnoBasic(panelShop(kThreeBrokers, ""));
    panel_->openDetailView();
    clock().advance(400ms);
    EXPECT_TRUE(panel_->callButton()->isHidden());
    EXPECT_FALSE(panel_->excellentImg()->isHidden()) << "a gold shop";
    panel_->closeDetailView();
    clock().advance(400ms);
    panel_->setAnnoBasic(panelShop(kThreeBrokers, "021-61010000"));
    panel_->openDetailView();
    clock().advance(400ms);
    EXPECT_FALSE(panel_->callButton()->isHidden());
}

TEST_F(ShopPanelTest, RowsAndTheirChatButtonsHandTheBrokerOn) {
    openWithBrokers(kThreeBrokers);
    panel_->view()->layoutIfNeeded();
    auto* cell = driver_->find<QXMapDetailCell>();
    ASSERT_NE(cell, nullptr);
    ASSERT_TRUE(driver_->tap(cell->connectBt()));
    ASSERT_TRUE(driver_->tap(cell->nameLabel()));
    ASSERT_EQ(actions.size(), 2);
    EXPECT_TRUE(actions[0].startsWith("chat 8"));
    EXPECT_TRUE(actions[1].startsWith("page 8"));
    EXPECT_GT(actions[0].mid(5).toLongLong(), qint64(1) << 32);
}

TEST_F(ShopPanelTest, PullingTheListDownAtItsTopNeitherBouncesNorMoves) {
    openWithBrokers(kTwelveBrokers);
    ui::TableView* list = panel_->listTable();
    list->setContentOffset({0, -20});
    EXPECT_EQ(list->contentOffset(), ui::Point(0, 0));
    list->setContentOffset({0, 5});
    clock().advance(400ms);
    EXPECT_EQ(panel_->mapControlState(), QXMapDetailViewController::FullScreen)
        << "scrolling the list from the open position opens it fully";
}

}  // namespace
