#include "ShopMapFixture.h"

#include "map/BasicAnnotion.h"
#include "map/MapArtwork.h"
#include "map/QXMapAnnotationView.h"
#include "map/QXMapDetailCell.h"
#include "map/QXMapDetailViewController.h"
#include "map/QXMapViewController.h"
#include "map/URLPic.h"
#include "net/transport/Json.h"

#include "ReferenceImage.h"

#include "platform/uikit/button.h"
#include "platform/uikit/image.h"

#include "standin/FaultRule.h"

using namespace std::chrono_literals;

namespace {

class ShopMapScreenTest : public ShopMapFixture {
protected:
    // Pushes the screen and lets its first centring settle.
    void open() {
        screen_ = std::make_shared<QXMapViewController>(context());
        navigation_->setViewControllers({screen_}, false);
        screen_->view()->layoutIfNeeded();
    }

    [[nodiscard]] std::vector<const BasicAnnotion*> pins() const {
        std::vector<const BasicAnnotion*> shops;
        for (const auto& annotation : screen_->mapView()->annotations()) {
            if (auto* shop = dynamic_cast<const BasicAnnotion*>(annotation.get())) {
                shops.push_back(shop);
            }
        }
        return shops;
    }

    // At least `count` pins and no query under way.
    [[nodiscard]] bool settledWithPins(std::size_t count) const {
        return pins().size() >= count &&
               !screen_->view()->viewWithTag(QXMapViewController::kLoadingTag);
    }

    // Renders until every tile on screen has come (cold tiles are drawn by the stand-in
    // first, which takes a while on a busy machine).
    bool waitForTiles() {
        const bool loaded = runMainLoopUntil(
            [&] {
                (void)driver_->screenshot();
                return !screen_->mapView()->isLoadingTiles() &&
                       screen_->mapView()->cachedTileCount() > 0;
            },
            60s);
        settle();
        return loaded;
    }

    std::shared_ptr<QXMapViewController> screen_;
};

TEST_F(ShopMapScreenTest, OpeningAsksForTheShopsAroundTheUserAndPinsThem) {
    open();
    ASSERT_TRUE(waitUntil([&] { return !pins().empty(); }));
    const QStringList calls = sentCalls();
    ASSERT_EQ(calls.size(), 1) << "the first query goes at once";
    EXPECT_EQ(
        calls[0],
        R"({"SearchHousingCustomer":{"getHousingCustomerByLatlng":[{"cityId":"3101","latlng":"31.230000,121.470000"}]}})");
    const auto request = server().requests(standin::paths::kDataShare).front();
    EXPECT_EQ(namesAmong(request, {"customerId", "clientAgent", "model", "userId", "versionId",
                                   "contentformat", "agency", "interface", "Accept-Encoding",
                                   "cityScriptIndex", "SeqId", "ClientTimeStamp"}),
              QStringList({"customerId", "clientAgent", "model", "userId", "versionId",
                           "contentformat", "agency", "interface", "Accept-Encoding"}));
    EXPECT_EQ(request.header("userId"), "U-test");
    EXPECT_EQ(screen_->view()->viewWithTag(QXMapViewController::kLoadingTag), nullptr);

    // The centring settles and asks again around the map's centre.
    clock().advance(500ms);
    ASSERT_TRUE(waitUntil([&] { return sentCalls().size() == 2; }));
    EXPECT_TRUE(sentCalls()[1].contains(R"("latlng":"31.2)"));
    EXPECT_NEAR(screen_->mapCentre().latitude, 31.23, 1e-6);
}

TEST_F(ShopMapScreenTest, TheMapPausesItsOwnStacksDragBackAndLeavesTheAppWideSwitchToThePanel) {
    auto below = std::make_shared<TitledScreen>("home");
    navigation_->setViewControllers({below}, false);
    screen_ = std::make_shared<QXMapViewController>(context());
    navigation_->pushViewController(screen_, false);
    EXPECT_FALSE(dragBackStack_->canDragBack()) << "the map takes horizontal drags";
    EXPECT_TRUE(dragBack.empty());

    // Closing the shop panel allows drag-back app-wide again; the stack's pause holds.
    screen_->detailMapCtr()->openDetailView();
    clock().advance(500ms);
    screen_->detailMapCtr()->closeDetailView();
    clock().advance(500ms);
    EXPECT_EQ(dragBack, (std::vector<bool>{false, true}));
    EXPECT_FALSE(dragBackStack_->canDragBack());

    navigation_->popViewControllerAnimated(false);
    EXPECT_TRUE(dragBackStack_->canDragBack()) << "on again once the map went";
    EXPECT_EQ(dragBack.size(), 2u);
}

TEST_F(ShopMapScreenTest, ACityWithoutShopsGetsTheNoticeAndNoPins) {
    cityId = 5001;
    open();
    ASSERT_TRUE(waitUntil([&] { return shows("当前城市不支持找门店功能。"); }));
    EXPECT_TRUE(pins().empty());
}

TEST_F(ShopMapScreenTest, RepliesPinOnlyShopsWithAPlace) {
    open();
    ASSERT_TRUE(waitUntil([&] { return !pins().empty(); }));
    const QVariantMap reply{
        {"data",
         QVariantMap{{"SearchHousingCustomer",
                      QVariantMap{{"getHousingCustomerByLatlng",
                                   QVariantMap{{"errCode", 0},
                                               {"data", QVariantList{
                                                            QVariantMap{{"latlng", "31.2"}},
                                                            QVariantMap{{"latlng", "31.2,121.4"},
                                                                        {"id", "7"}},
                                                        }}}}}}}}};
    screen_->addAnnotationItems(reply);
    ASSERT_EQ(pins().size(), 1u);
    EXPECT_EQ(pins()[0]->idString, "7");
}

TEST_F(ShopMapScreenTest, NoNetworkOrNoPlaceSendsNothing) {
    reachable = false;
    open();
    EXPECT_TRUE(shows("网络连接失败!"));
    reachable = true;
    screen_->didAnnotationInfos("0.5,121.47");
    screen_->didAnnotationInfos("31.2,-0.5");
    strLocation.clear();
    screen_->didAnnotationInfos({});
    settle();
    EXPECT_TRUE(sentCalls().isEmpty());
    EXPECT_EQ(screen_->view()->viewWithTag(QXMapViewController::kLoadingTag), nullptr);
}

TEST_F(ShopMapScreenTest, ANewerQueryReplacesAnOlderOneSilently) {
    open();
    ASSERT_TRUE(waitUntil([&] { return !pins().empty(); }));
    // The older query is at the server when the newer one goes, and its answer comes last.
    server().setFault({.prefix = standin::paths::kDataShare, .hold = true, .times = 1});
    const qsizetype asked = sentCalls().size();
    screen_->didAnnotationInfos("31.240000,121.480000");
    ASSERT_TRUE(waitUntil([&] { return sentCalls().size() > asked; }));
    screen_->didAnnotationInfos("39.910000,116.400000");
    cityId = 1101;
    const auto inBeijing = [&] { return !pins().empty() && pins()[0]->coordinate().latitude > 39; };
    ASSERT_TRUE(waitUntil(inBeijing)) << "北京's shops";
    ASSERT_TRUE(letHeldRepliesArrive());
    settle();
    EXPECT_TRUE(inBeijing()) << "the older answer replaced nothing";
    EXPECT_FALSE(shows("网络连接失败!"));

    server().setFault({.prefix = standin::paths::kDataShare, .status = 500, .times = 1});
    screen_->didAnnotationInfos("39.910000,116.400000");
    ASSERT_TRUE(waitUntil([&] { return shows("网络连接失败!"); }));
    EXPECT_FALSE(pins().empty()) << "the pins stay";
}

TEST_F(ShopMapScreenTest, TheMapFollowsTheUserInEveryDirection) {
    open();
    map::MapView* mapView = screen_->mapView();
    clock().advance(1s);
    mapView->updateUserLocation({31.23, 121.47}, 10);
    clock().advance(1s);
    EXPECT_NEAR(mapView->centerCoordinate().latitude, 31.23, 1e-6);
    mapView->setCenterCoordinate({31.5, 121.9}, false);
    // South and west: followed too.
    mapView->updateUserLocation({31.20, 121.44}, 10);
    clock().advance(1s);
    EXPECT_NEAR(mapView->centerCoordinate().latitude, 31.20, 1e-6);
    EXPECT_NEAR(mapView->centerCoordinate().longitude, 121.44, 1e-6);
    // Along the longitude alone: followed as well.
    mapView->setCenterCoordinate({31.5, 121.9}, false);
    mapView->updateUserLocation({31.20, 121.60}, 10);
    clock().advance(1s);
    EXPECT_NEAR(mapView->centerCoordinate().latitude, 31.20, 1e-6);
    EXPECT_NEAR(mapView->centerCoordinate().longitude, 121.60, 1e-6);
    // Within 0.01 degree: stays.
    mapView->setCenterCoordinate({31.5, 121.9}, false);
    mapView->updateUserLocation({31.195, 121.595}, 10);
    clock().advance(1s);
    EXPECT_NEAR(mapView->centerCoordinate().latitude, 31.5, 1e-6);
}

TEST_F(ShopMapScreenTest, APinOpensThePanelWithACloseUpUntilTheStripIsTapped) {
    open();
    ASSERT_TRUE(waitUntil([&] { return pins().size() >= 2; }));
    clock().advance(500ms);
    ASSERT_TRUE(waitUntil([&] { return settledWithPins(2); }));
    const std::size_t all = pins().size();
    const auto first = screen_->mapView()->annotations()[0];
    const auto second = screen_->mapView()->annotations()[1];
    screen_->mapView()->selectAnnotation(first, false);
    EXPECT_TRUE(screen_->isTest());
    EXPECT_TRUE(events.contains("agentshop_pin"));
    EXPECT_EQ(screen_->detailMapCtr()->mapControlState(), QXMapDetailViewController::Open);
    EXPECT_EQ(screen_->mapView()->annotations().size(), 1u) << "only the chosen shop";
    EXPECT_EQ(screen_->annosArray().size(), all);
    auto* pin =
        dynamic_cast<QXMapAnnotationView*>(screen_->mapView()->viewForAnnotation(first.get()));
    ASSERT_NE(pin, nullptr);
    EXPECT_EQ(pin->image(), QXMapAnnotationView::selectedImage(pin->isExcellentShop()));
    clock().advance(500ms);
    EXPECT_FALSE(screen_->mapView()->isScrollEnabled());
    EXPECT_FALSE(screen_->mapSelectThumbnailsButton()->isHidden());
    EXPECT_NEAR(screen_->mapView()->centerCoordinate().latitude,
                dynamic_cast<const BasicAnnotion&>(*first).lat - 0.007, 1e-6);

    // Another selection meanwhile is ignored.
    screen_->mapView()->addAnnotation(second);
    screen_->mapView()->selectAnnotation(second, false);
    EXPECT_EQ(screen_->detailMapCtr()->annoBasic().get(), first.get());
    screen_->mapView()->removeAnnotation(second.get());

    ASSERT_TRUE(driver_->tap(screen_->mapSelectThumbnailsButton()));
    clock().advance(500ms);
    EXPECT_FALSE(screen_->isTest());
    EXPECT_EQ(screen_->detailMapCtr()->mapControlState(), QXMapDetailViewController::Closed);
    EXPECT_EQ(pins().size(), all) << "every pin is back";
    EXPECT_TRUE(screen_->mapView()->isScrollEnabled());
}

TEST_F(ShopMapScreenTest, ChatsGoToOtherBrokersWithTheirWholeIds) {
    open();
    const QVariantMap broker{
        {"userId", "8000001234"},  {"name", "王\"伟\""},    {"phone", "139"},
        {"image", "test/red.png"}, {"CompanyName", "安家"}, {"district_name", "黄浦区"},
        {"postId", "80000012347"}, {"major_category", 1},   {"city", "上海市"}};
    screen_->brokerAction(true, broker);
    clock().advance(1s);
    ASSERT_EQ(chats.size(), 1u);
    const QVariantMap& talk = chats[0];
    EXPECT_EQ(talk["t_id"], "8000001234-42");
    EXPECT_EQ(events, QStringList{"agentshop_agentshopdetail_chat"});
    EXPECT_EQ(talk["u_id"], "42");
    EXPECT_EQ(talk["r_id"], "80000012347_1_1009_0");
    const QVariantMap other = json_JSON(talk["o_user"]).toMap();
    EXPECT_EQ(other["name"], "王\"伟\"") << "quotes in a name stay inside valid JSON";
    EXPECT_EQ(other["id"], "8000001234");
    EXPECT_EQ(other["creditScore"], "-1") << "absent";
    EXPECT_EQ(json_JSON(talk["p_post"]).toMap()["id"], "80000012347_1_1009_0");
    EXPECT_EQ(clearedTalks, QStringList{"8000001234-42"});
    EXPECT_EQ(navigation_->topViewController()->title(), "王\"伟\"");

    navigation_->setViewControllers({screen_}, false);
    ownUserId = 8000001234;
    screen_->brokerAction(true, broker);
    EXPECT_EQ(alertText(), "|不能和自己对话!");
    alerts_->pressButtonAtIndex(0);
    clock().advance(1s);
    QVariantMap nobody = broker;
    nobody["userId"] = "0";
    screen_->brokerAction(true, nobody);
    EXPECT_EQ(alertText(), "|对方暂时不能接受你的消息哦，试试短信或者打电话吧~");
    alerts_->pressButtonAtIndex(0);
    clock().advance(1s);
    EXPECT_EQ(chats.size(), 1u);

    // The broker's page, once for two quick taps.
    screen_->brokerAction(false, broker);
    screen_->brokerAction(false, broker);
    clock().advance(1s);
    EXPECT_EQ(brokerPages, QStringList{"8000001234 80000012347_1_1009_0"});
}

TEST_F(ShopMapScreenTest, ReferenceShopMapOfShanghaiAndItsPanel) {
    open();
    clock().advance(500ms);
    ASSERT_TRUE(waitUntil([&] { return settledWithPins(3); }));
    ASSERT_TRUE(waitForTiles());
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot()->pixels(), "src/map/reference",
                                      "shop_map_shanghai.png"));

    std::shared_ptr<map::Annotation> withBrokers;
    for (const auto& annotation : screen_->mapView()->annotations()) {
        if (dynamic_cast<const BasicAnnotion&>(*annotation).idString == "10000") {
            withBrokers = annotation;
        }
    }
    ASSERT_NE(withBrokers, nullptr);
    screen_->mapView()->selectAnnotation(withBrokers, false);
    clock().advance(500ms);
    ASSERT_TRUE(waitUntil([&] { return screen_->detailMapCtr()->listDataArray().size() == 3; }));
    ASSERT_TRUE(waitForTiles());
    ASSERT_TRUE(waitUntil([&] {
        for (auto* view : driver_->findAll([](ui::View& v) { return dynamic_cast<URLPic*>(&v); })) {
            if (static_cast<URLPic*>(view)->image() == MapArtwork::imageNamed("默认头像.png")) {
                return false;
            }
        }
        return true;
    }));
    clock().advance(1s);
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot()->pixels(), "src/map/reference",
                                      "shop_panel_open.png"));
}

}  // namespace

TEST_F(ShopMapScreenTest, TheHelpersPushABrokersChatOrPageAndCloseThePanelFromAboveIt) {
    open();
    screen_->pushNextViewController("8000001234", true);
    clock().advance(1s);
    ASSERT_EQ(chats.size(), 1u);
    EXPECT_EQ(chats[0], (QVariantMap{{"u_id", "42"}, {"t_id", "8000001234-42"}}));
    EXPECT_EQ(navigation_->viewControllers().size(), 2u);
    navigation_->setViewControllers({screen_}, false);
    screen_->pushNextViewController("8000001234", false);
    clock().advance(1s);
    EXPECT_EQ(brokerPages, QStringList{"8000001234 "});
    EXPECT_EQ(navigation_->topViewController()->title(), "broker");
    navigation_->setViewControllers({screen_}, false);
    screen_->view()->layoutIfNeeded();

    ASSERT_TRUE(waitUntil([&] { return settledWithPins(1); }));
    screen_->mapView()->selectAnnotation(screen_->mapView()->annotations()[0], false);
    clock().advance(500ms);
    ASSERT_EQ(screen_->detailMapCtr()->mapControlState(), QXMapDetailViewController::Open);
    screen_->mapView()->setFrame({0, 0, 320, 100});
    screen_->addButtonLayer();
    ui::Button* layer = screen_->annoClickUpButton();
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->frame(), ui::Rect(0, 0, 320, 120));
    EXPECT_EQ(layer->superview(), screen_->view().get());
    ASSERT_TRUE(driver_->tap(layer));
    clock().advance(500ms);
    EXPECT_EQ(screen_->detailMapCtr()->mapControlState(), QXMapDetailViewController::Closed);
    EXPECT_EQ(screen_->mapView()->frame(), screen_->view()->bounds());
    EXPECT_EQ(screen_->annoClickUpButton(), nullptr) << "no clear button is left over the map";
}
