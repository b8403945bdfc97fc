// The post list screen against the stand-in's sample posts: pages, the quick-filter bar,
// the conditions its choices send, the detail hand-off, failures and the filter screen.
#include "PostListScreenFixture.h"

#include "CallsOnTheirWay.h"
#include "ReferenceImage.h"

#include <algorithm>
#include <optional>
#include <set>
#include "houses/detail/QXPostDetailNew.h"
#include "houses/photos/ImageOperController.h"
#include "houses/photos/ImagePickerView.h"
#include "houses/photos/ImageScrollPageController.h"
#include "map/QXMapView.h"
#include "net/QXIMRequest.h"
#include "net/transport/NKHTTPClient.h"
#include "platform/foundation/operation_queue.h"
#include "platform/mapkit/map_view.h"
#include "platform/mapkit/tile_loader.h"
#include "platform/uikit/keyboard.h"
#include "ui/image/IKImageManager.h"
#include "ui/image/ImageLoader.h"
#include "ui/image/ImageView.h"

namespace paths = standin::paths;

namespace {

// The row's picture of `url`, as the cache keeps it for the row's picture view: 62 x 46 points
// at scale 2.
std::shared_ptr<ui::Image> cachedThumbnail(const QString& url) {
    return ImageViewNetKit::nk_sharedImageCache().cachedImageForRequest(ns::URLRequest(QUrl(url)),
                                                                        QSize(124, 92));
}

// Map tiles that come at once, blank.
class BlankTiles final : public map::TileLoader {
public:
    void loadTile(const QUrl&, Completion completion) override {
        QImage blank(256, 256, QImage::Format_RGB32);
        blank.fill(Qt::white);
        completion(ui::Image::imageWithQImage(blank, 1));
    }
    void cancelTile(const QUrl&) override {}
};

}  // namespace

class PostListScreenTest : public PostListScreenFixture {};

TEST_F(PostListScreenTest, TheFirstPageAndTheBarOfTheRentList) {
    open();
    EXPECT_EQ(list_->paging().nowListNum, 20);
    EXPECT_EQ(list_->listTbl()->numberOfRowsInSection(0), 21) << "the more row";
    EXPECT_EQ(list_->quickFilterArray(),
              (QStringList{"district_id", "price", "huxing_shi", "more"}));
    QuickFilterView* bar = list_->quickFilterView();
    EXPECT_EQ(bar->titleAtIndex(0), "区域不限");
    EXPECT_EQ(bar->titleAtIndex(1), "租金不限");
    EXPECT_EQ(bar->titleAtIndex(3), "更多");
    EXPECT_EQ(bar->button(3)->frame().size.width, 53);
    EXPECT_DOUBLE_EQ(bar->button(0)->frame().size.width, (320.0 - 53) / 3);
    const auto sent = calls("SearchPostsByJson2");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(argsOf(sent.front())["cityScriptIndex"].toString(), "100");
    EXPECT_TRUE(argsOf(sent.front())["queryFilters"].toArray().isEmpty());
}

TEST_F(PostListScreenTest, TypesTabsAndCityChanges) {
    open(2);
    EXPECT_EQ(list_->majorId(), 1) << "an unknown type is the rent tab";
    EXPECT_EQ(argsOf(calls("SearchPostsByJson2").back())["majorCategoryScriptIndex"].toString(),
              "1");
    std::size_t before = calls("GetMajorCategoryFilter").size();
    list_->typeChanged(1);
    EXPECT_EQ(calls("GetMajorCategoryFilter").size(), before)
        << "the selected tab again does nothing";
    EXPECT_TRUE(events().isEmpty()) << "opening and the selected tab again count no tab";

    // A city change while another screen is above the list waits for the next appearance.
    navigation_->pushViewController(std::make_shared<ui::ViewController>(), false);
    settle();
    ns::NotificationCenter::defaultCenter().post(QStringLiteral("CityChanged"));
    drainMainLoop();
    EXPECT_EQ(calls("GetMajorCategoryFilter").size(), before);
    const std::size_t pages = searches();
    navigation_->popViewControllerAnimated(false);
    ASSERT_TRUE(waitFor([&] { return searches() > pages && list_->paging().nowListNum > 0; }));
    EXPECT_EQ(calls("GetMajorCategoryFilter").size(), before + 1) << "rebuilt with new definitions";
    EXPECT_EQ(events(), QStringList{"tab_rent"}) << "the rebuild selects the tab afresh";

    before = searches();
    list_->typeChanged(5);
    ASSERT_TRUE(waitFor([&] { return searches() > before && list_->paging().nowListNum > 0; }));
    EXPECT_EQ(argsOf(calls("SearchPostsByJson2").back())["majorCategoryScriptIndex"].toString(),
              "5");
    EXPECT_EQ(list_->quickFilterView()->titleAtIndex(1), "售价不限");
    list_->typeChanged(3);
    EXPECT_EQ(events(), (QStringList{"tab_rent", "tab_sold", "tab_sharerent"}));

    // A change of user while the list shows rebuilds it at once, from page 0 of the same type.
    ASSERT_TRUE(waitFor([&] { return list_->paging().nowListNum > 0; }));
    ASSERT_TRUE(list_->paging().startNextPage());
    before = searches();
    ns::NotificationCenter::defaultCenter().post(QStringLiteral("kUserChangedNotification"));
    EXPECT_EQ(list_->paging().nowListNum, 0);
    ASSERT_TRUE(waitFor([&] { return searches() > before && list_->paging().nowListNum > 0; }));
    const QJsonObject args = argsOf(calls("SearchPostsByJson2").back());
    EXPECT_EQ(args["pageIndex"].toString(), "0");
    EXPECT_EQ(args["majorCategoryScriptIndex"].toString(), "3");
    EXPECT_EQ(events().last(), "tab_sharerent");
}

TEST_F(PostListScreenTest, OtherEntriesChooseTheTypeOrLetTheListGo) {
    // A type chosen before the list shows is the one it loads, as no tab selection.
    list_ = std::make_shared<QXPostList>(7, 1, QString());
    list_->selectedType(5);
    auto root = std::make_shared<ui::ViewController>();
    navigation_->setViewControllers({root, list_}, false);
    ASSERT_TRUE(waitFor([&] { return list_->paging().nowListNum > 0; }));
    EXPECT_EQ(calls("GetMajorCategoryFilter").size(), 1u);
    EXPECT_EQ(argsOf(calls("SearchPostsByJson2").back())["majorCategoryScriptIndex"].toString(),
              "5");
    EXPECT_TRUE(events().isEmpty());

    // Afterwards it is a tab selection; a type without a tab changes nothing.
    std::size_t before = searches();
    list_->selectedType(3);
    waitForPage(before);
    EXPECT_EQ(argsOf(calls("SearchPostsByJson2").back())["majorCategoryScriptIndex"].toString(),
              "3");
    EXPECT_EQ(events(), QStringList{"tab_sharerent"});
    before = calls("GetMajorCategoryFilter").size();
    list_->selectedType(7);
    drainMainLoop();
    EXPECT_EQ(calls("GetMajorCategoryFilter").size(), before);

    // Definitions of another type bring its bar and first page.
    before = searches();
    list_->getFilterDataFromNetworkWithSelection(1);
    waitForPage(before);
    EXPECT_EQ(calls("GetMajorCategoryFilter").back().header("majorCategoryScriptIndex"), "1");
    EXPECT_EQ(list_->quickFilterView()->titleAtIndex(1), "租金不限");
    EXPECT_EQ(events().size(), 1);

    // Logged on or registered from a screen above, the list stays; from the list, it goes.
    navigation_->pushViewController(std::make_shared<ui::ViewController>(), false);
    list_->registerSuccess();
    list_->logonSuccess();
    settle();
    EXPECT_EQ(navigation_->viewControllers().size(), 3u);
    navigation_->popViewControllerAnimated(false);
    list_->registerSuccess();
    settle();
    EXPECT_EQ(navigation_->viewControllers(),
              std::vector<std::shared_ptr<ui::ViewController>>{root});
}

TEST_F(PostListScreenTest, ThreeFiltersGiveThreeButtonsAndFiveGiveTheMoreButton) {
    // Filters f0, f1, ... of one kind each: "normal", then "text", then "range".
    const auto definitions = [](int count) {
        const char* kinds[] = {"normal", "text", "range"};
        QByteArray items;
        for (int i = 0; i < count; ++i) {
            items += (i ? "," : "") + QStringLiteral(
                                          "{\"f\":\"f%1\",\"n\":\"n%1\",\"t\":\"%2\",\"v\":\"-1\","
                                          "\"vs\":[{\"n\":\"不限\",\"v\":\"-1\"},"
                                          "{\"n\":\"一\",\"v\":\"1\"}]}")
                                          .arg(i)
                                          .arg(QString::fromLatin1(kinds[i % 3]))
                                          .toUtf8();
        }
        return "{\"v\":\"7\",\"fs\":[" + items + "]}";
    };
    server().setFault({.prefix = paths::kDataShare, .body = definitions(3), .times = 1});
    open();
    EXPECT_EQ(list_->quickFilterArray(), (QStringList{"f0", "f1", "f2"}));
    EXPECT_EQ(list_->quickFilterView()->titleAtIndex(2), "n2不限");
    EXPECT_DOUBLE_EQ(list_->quickFilterView()->button(2)->frame().size.width, 320.0 / 3);
    EXPECT_EQ(list_->quickFilterView()->dropDown(2)->isHidden(), true) << "a drop-down, no 更多";

    // A choice of a text filter never becomes a condition; normal and range ones do.
    for (int button : {0, 1, 2}) {
        const std::size_t before = searches();
        choose(button, 1);
        waitForPage(before);
        EXPECT_EQ(list_->quickFilterView()->titleAtIndex(button), "一");
    }
    const auto conditions = lastConditions();
    EXPECT_EQ(conditions.count("f0"), 1u);
    EXPECT_EQ(conditions.count("f1"), 0u) << "text";
    EXPECT_EQ(conditions.count("f2"), 1u);

    server().setFault({.prefix = paths::kDataShare, .body = definitions(5), .times = 1});
    list_->typeChanged(3);
    ASSERT_TRUE(waitFor([&] { return list_->quickFilterArray().size() == 4; }));
    EXPECT_EQ(list_->quickFilterArray(), (QStringList{"f0", "f1", "f2", "more"}));
    EXPECT_EQ(list_->quickFilterView()->titleAtIndex(3), "更多");
    EXPECT_EQ(list_->quickFilterView()->dropDown(3), nullptr);
}

TEST_F(PostListScreenTest, ChoicesBecomeConditionsAndAnyRemovesThem) {
    open();
    std::size_t before = searches();
    choose(1, 1);  // 1500元以下
    waitForPage(before);
    EXPECT_EQ(lastConditions()["price"], "_1500");
    EXPECT_EQ(list_->quickFilterView()->titleAtIndex(1), "1500元以下");
    for (const QVariant& post : list_->paging().contentArray) {
        EXPECT_LT(post.toMap()["price"].toMap()["v"].toDouble(), 1500);
    }
    before = searches();
    choose(1, 2);
    waitForPage(before);
    EXPECT_EQ(lastConditions()["price"], "1500_3000") << "a new choice replaces the old";
    before = searches();
    choose(1, 0);  // 不限
    waitForPage(before);
    EXPECT_EQ(lastConditions().count("price"), 0u);
    EXPECT_EQ(list_->quickFilterView()->titleAtIndex(1), "租金不限");
}

TEST_F(PostListScreenTest, AStreetSendsDistrictAndStreetAndItsAnyStreetTheDistrictOnly) {
    open();
    const auto city = host_->currentCity();
    int row = 0;
    for (; row < int(city->Districts.size()); ++row) {
        if (city->Districts[std::size_t(row)]->Streets.size() > 2) break;
    }
    ASSERT_LT(row, int(city->Districts.size()));
    const auto district = city->Districts[std::size_t(row)];
    choose(0, row, 0);
    ASSERT_FALSE(list_->quickFilterView()->dropDown(0)->isHidden())
        << "the first column keeps it open";
    std::size_t before = searches();
    choose(0, 2, 1);
    waitForPage(before);
    EXPECT_EQ(lastConditions()["district_id"], QString::number(district->index()));
    EXPECT_EQ(lastConditions()["street_id"], QString::number(district->Streets[2]->index()));
    EXPECT_EQ(list_->quickFilterView()->titleAtIndex(0), district->Streets[2]->name());
    for (const QVariant& post : list_->paging().contentArray) {
        EXPECT_EQ(post.toMap()["street_id"].toLongLong(), district->Streets[2]->index());
    }

    choose(0, row, 0);
    before = searches();
    choose(0, 0, 1);
    waitForPage(before);
    EXPECT_EQ(lastConditions()["district_id"], QString::number(district->index()));
    EXPECT_EQ(lastConditions().count("street_id"), 0u);
    EXPECT_EQ(list_->quickFilterView()->titleAtIndex(0), district->name());
}

TEST_F(PostListScreenTest, APostOpensItsDetailAndReadsAsReadAfterwards) {
    open();
    ui::TableViewCell* cell = list_->listTbl()->cellForRowAtIndexPath({0, 1});
    ASSERT_NE(cell, nullptr);
    const QString puid = list_->paging().contentArray[1].toMap()["puid"].toString();
    ASSERT_TRUE(driver_->tap(cell));
    settle();
    auto detail = std::dynamic_pointer_cast<QXPostDetailNew>(navigation_->topViewController());
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->currentIndex(), 1);
    EXPECT_TRUE(ReadMarks::isRead(puid));
    EXPECT_EQ(events(), QStringList{"house_rentshare_detail"}) << "the rent list's own pairing";
    // A row chosen while the detail covers the list opens nothing and counts nothing.
    list_->didSelectRowAtIndexPath(*list_->listTbl(), {0, 2});
    settle();
    EXPECT_EQ(navigation_->viewControllers().size(), 2u);
    EXPECT_EQ(events().size(), 1);
    navigation_->popViewControllerAnimated(false);
    detail.reset();
    settle();
    auto* row = dynamic_cast<QXPostListCell*>(list_->listTbl()->cellForRowAtIndexPath({0, 1}));
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->content()->value("hasRead").toBool());
    EXPECT_EQ(row->left1Lbl()->textColor(), ui::Color::rgb(153, 153, 153));

    open(5);
    ASSERT_TRUE(driver_->tap(list_->listTbl()->cellForRowAtIndexPath({0, 0})));
    settle();
    EXPECT_EQ(events().back(), "house_rent_detail") << "the sale list's own pairing";
}

TEST_F(PostListScreenTest, TheListAndTheScreensOpenedFromItDrawNothingAtRest) {
    // No thumbnails and no trusted-house banner: nothing is still to come once loaded.
    host_->wifi = false;
    ns::UserDefaults::standardUserDefaults().setObject(QStringLiteral("1"),
                                                       QStringLiteral("fangXinFangFlag"));
    // No call is on its way, nor a picture of the shared image manager (the broker's avatar on
    // the pager's info page, asked for once the broker's data came), and what the replies of
    // those that ended started has been sent. A picture's load times out on the clock, which a
    // rest moves far ahead of the real time it takes on a busy machine.
    const auto quiet = [] {
        return pathsOfCallsOnTheirWay().isEmpty() && !IKImageManager::sharedManager().isRunning();
    };
    const auto callsAnswered = [this, &quiet] {
        if (!quiet()) return false;
        drainMainLoop();
        return quiet();
    };
    open();
    ASSERT_GT(list_->paging().nowListNum, 0);
    EXPECT_TRUE(restsIdle()) << "the list shown";
    navigation_->pushViewController(std::make_shared<ui::ViewController>(), false);
    EXPECT_TRUE(restsIdle()) << "the list beneath another screen";
    navigation_->popViewControllerAnimated(false);

    ASSERT_TRUE(driver_->tap(list_->listTbl()->cellForRowAtIndexPath({0, 0})));
    auto detail = std::dynamic_pointer_cast<QXPostDetailNew>(navigation_->topViewController());
    ASSERT_NE(detail, nullptr);
    auto* strip = dynamic_cast<ImagePickerView*>(
        detail->pageContent()->viewWithTag(QXPostDetailNew::kPhotoStripTag));
    const auto photosCame = [&strip] {
        return std::ranges::none_of(strip->imageViewArray(),
                                    [](const auto& photo) { return photo->isLoading(); });
    };
    std::set<map::MapView*> tilesAtOnce;
    ASSERT_TRUE(waitFor([&] {
        strip = dynamic_cast<ImagePickerView*>(
            detail->pageContent()->viewWithTag(QXPostDetailNew::kPhotoStripTag));
        // The location map asks for tiles as it is drawn, which a desktop does when it can:
        // once its first tiles are in, the others come at once, so that none comes late.
        map::MapView* map = detail->mapView() ? detail->mapView()->mapView() : nullptr;
        if (map && !tilesAtOnce.contains(map)) {
            if (map->isLoadingTiles() || map->cachedTileCount() == 0) return false;
            map->setTileLoader(std::make_shared<BlankTiles>());
            tilesAtOnce.insert(map);
        }
        return detail->isGetDetailFinish() && strip && photosCame();
    }));
    // The detail's calls (the broker's privileges) may still be on their way: their time-out
    // runs on the clock, which a rest moves far ahead of the real time a reply takes.
    ASSERT_TRUE(waitFor(callsAnswered));
    EXPECT_TRUE(restsIdle()) << "the detail over the list";

    // The photo pager over the detail, its photos in: its pages around the one shown are made
    // once its view has loaded, and each photo is in once the pager's loader has fetched and
    // decoded it (the loader's fetches are no calls of the request queue).
    ASSERT_FALSE(strip->imageViewArray().empty());
    driver_->tapAt(strip->convertPointToView({40, strip->bounds().size.height / 2}, nullptr));
    std::shared_ptr<ImageScrollPageController> pager;
    ASSERT_TRUE(waitFor([&] {
        auto* stack =
            dynamic_cast<ui::NavigationController*>(navigation_->presentedViewController().get());
        pager =
            stack ? std::dynamic_pointer_cast<ImageScrollPageController>(stack->topViewController())
                  : nullptr;
        if (!pager || !pager->isViewLoaded() || !pager->pageAt(pager->page())) return false;
        for (int slot = 0; slot < pager->numberOfSlots(); ++slot) {
            const auto page = pager->pageAt(slot);
            if (!page) continue;
            if (ImageLoader::sharedLoader().waitingCount(page->imageName()) > 0) return false;
            if (page->isViewLoaded() && !page->imageView()->image()) return false;
        }
        return true;
    }));
    ASSERT_TRUE(waitFor(callsAnswered));
    EXPECT_TRUE(restsIdle()) << "the photo pager over the detail";
}

TEST_F(PostListScreenTest, APullWhileRefreshingAsksForNothingMore) {
    open();
    ASSERT_TRUE(list_->paging().startNextPage());
    std::size_t before = searches();
    list_->refreshViewDidCallBack();
    list_->refreshViewDidCallBack();
    EXPECT_TRUE(list_->refreshView()->isLoading());
    ASSERT_TRUE(waitFor([&] { return searches() > before && !list_->refreshView()->isLoading(); }));
    EXPECT_EQ(searches(), before + 1);
    EXPECT_EQ(list_->paging().nowListNum, 20) << "the fresh page replaced the rows";
    EXPECT_EQ(argsOf(calls("SearchPostsByJson2").back())["pageIndex"].toString(), "0");

    server().setFault({.prefix = paths::kDataShare, .status = 500, .times = 1});
    before = searches();
    list_->refreshViewDidCallBack();
    ASSERT_TRUE(waitFor([&] { return errorShown(); }));
    EXPECT_FALSE(list_->refreshView()->isLoading()) << "a failed refresh can be pulled again";
}

TEST_F(PostListScreenTest, ThumbnailsFollowWiFiAndTheStoredChoiceAndTheBannerShowsOnce) {
    const auto thumbnailsShown = [this] {
        auto* cell = dynamic_cast<QXPostListCell*>(list_->listTbl()->cellForRowAtIndexPath({0, 0}));
        return cell && cell->IsShowWifiImage();
    };
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    host_->wifi = false;
    open();
    EXPECT_FALSE(thumbnailsShown()) << "not on Wi-Fi, nothing stored";
    ASSERT_NE(list_->view()->viewWithTag(QXPostList::kBannerTag), nullptr);
    EXPECT_EQ(defaults.objectForKey("fangXinFangFlag").toString(), "1");
    driver_->wait(5.5);
    EXPECT_TRUE(list_->view()->viewWithTag(QXPostList::kBannerTag)->isHidden()) << "gone after 5 s";

    defaults.setBool(false, "IsShowWifiImage");
    list_->listTbl()->reloadData();
    window_->layoutIfNeeded();
    EXPECT_TRUE(thumbnailsShown()) << "stored NO means show them";
    defaults.setBool(true, "IsShowWifiImage");
    list_->listTbl()->reloadData();
    window_->layoutIfNeeded();
    EXPECT_FALSE(thumbnailsShown());

    open(3);
    EXPECT_EQ(list_->view()->viewWithTag(QXPostList::kBannerTag), nullptr)
        << "once per installation";
}

TEST_F(PostListScreenTest, TheDetailPagesOnThroughTheList) {
    open();
    // The "more" row pages on without counting; the detail's next page counts.
    list_->didSelectRowAtIndexPath(*list_->listTbl(), {0, 20});
    ASSERT_TRUE(waitFor([&] { return list_->paging().nowListNum == 40; }));
    EXPECT_TRUE(events().isEmpty());
    std::optional<bool> loaded;
    list_->postDetailNewLoadMoreData([&loaded](bool ok) { loaded = ok; });
    ASSERT_TRUE(waitFor([&] { return loaded.has_value(); }));
    EXPECT_TRUE(*loaded);
    EXPECT_EQ(list_->postDetailNewContentArray().size(), 60);
    EXPECT_EQ(events(), QStringList{"house_bn_next"});

    // With no further page the answer is NO at once and nothing is sent.
    list_->paging().isHaveMoreData = false;
    const std::size_t before = searches();
    loaded.reset();
    list_->postDetailNewLoadMoreData([&loaded](bool ok) { loaded = ok; });
    ASSERT_TRUE(loaded.has_value());
    EXPECT_FALSE(*loaded);
    EXPECT_EQ(searches(), before);
    EXPECT_EQ(events().size(), 1) << "no page, no count";
}

TEST_F(PostListScreenTest, AFailedNextPageIsAskedForAgainFromTheErrorView) {
    open();
    server().setFault({.prefix = paths::kDataShare, .status = 503, .times = 1});
    std::optional<bool> loaded;
    list_->postDetailNewLoadMoreData([&loaded](bool ok) { loaded = ok; });
    ASSERT_TRUE(waitFor([&] { return loaded.has_value(); }));
    EXPECT_FALSE(*loaded);
    EXPECT_TRUE(errorShown());
    EXPECT_EQ(errorText(), "加载失败\n点击屏幕重新加载");
    EXPECT_EQ(list_->paging().nowPage, 0) << "the failed page is not skipped";
    const std::size_t before = searches();
    ASSERT_TRUE(driver_->tap(list_->view()->viewWithTag(QXPostList::kErrorButtonTag)));
    waitForPage(before);
    EXPECT_EQ(argsOf(calls("SearchPostsByJson2").back())["pageIndex"].toString(), "1");
    EXPECT_EQ(list_->paging().nowListNum, 40);
    EXPECT_FALSE(errorShown());
}

TEST_F(PostListScreenTest, AReplacedRequestsEndShowsNoErrorAndLeavesThePullHeaderLoading) {
    open();
    // Both requests are held back. The first is replaced by a pull while it waits: its end
    // is only a cancel, and the pull's own request still speaks for the screen.
    server().setFault({.prefix = paths::kDataShare, .hold = true});
    std::optional<bool> replaced;
    list_->paging().startFreshPage();
    list_->getDataFromNetworkWithFilter([&](bool loaded) { replaced = loaded; });
    list_->refreshViewDidCallBack();
    ASSERT_TRUE(runMainLoopUntil([&] { return replaced.has_value(); }));
    EXPECT_FALSE(*replaced);
    EXPECT_FALSE(errorShown());
    EXPECT_TRUE(list_->refreshView()->isLoading()) << "the pull's request is still on its way";
    server().clearFaultsAndReleaseHeld();
    ASSERT_TRUE(waitFor([&] { return !list_->refreshView()->isLoading(); }));
    EXPECT_EQ(list_->paging().nowListNum, 20);
    EXPECT_FALSE(errorShown());

    // The first request's reply is in before the pull goes out, too late for its cancel: it
    // waits for the main loop and is the replaced request's all the same.
    replaced.reset();
    list_->paging().startFreshPage();
    list_->getDataFromNetworkWithFilter([&](bool loaded) { replaced = loaded; });
    QXIMRequest::shared().httpClient()->operationQueue()->waitUntilAllOperationsAreFinished();
    server().setFault({.prefix = paths::kDataShare, .hold = true});
    list_->refreshViewDidCallBack();
    ASSERT_TRUE(runMainLoopUntil([&] { return replaced.has_value(); }));
    EXPECT_FALSE(*replaced);
    EXPECT_TRUE(list_->refreshView()->isLoading()) << "the late reply stopped the pull's header";
    server().clearFaultsAndReleaseHeld();
    ASSERT_TRUE(waitFor([&] { return !list_->refreshView()->isLoading(); }));
    EXPECT_EQ(list_->paging().nowListNum, 20);
    EXPECT_FALSE(errorShown());
}

TEST_F(PostListScreenTest, AnEmptyResultAndFailedDefinitionsSayWhatHappened) {
    server().setFault({.prefix = paths::kDataShare, .status = 500, .times = 1});
    open();
    EXPECT_TRUE(errorShown());
    EXPECT_EQ(errorText(), "加载失败\n点击屏幕重新加载");
    EXPECT_FALSE(list_->isQuickFiter());
    EXPECT_EQ(searches(), 0u) << "no page without definitions";
    EXPECT_EQ(labelsOf("ReceivedServerDataError"), QStringList{"tovikFilters2"});
    ASSERT_TRUE(driver_->tap(list_->view()->viewWithTag(QXPostList::kErrorButtonTag)));
    ASSERT_TRUE(waitFor([&] { return list_->paging().nowListNum > 0; }));
    EXPECT_TRUE(list_->isQuickFiter());
    EXPECT_EQ(labelsOf("ReceivedServerDataError").size(), 1)
        << "definitions that came count no error";

    list_->paging().keyword = QStringLiteral("没有这样的房子");
    list_->paging().startFreshPage();
    const std::size_t before = searches();
    list_->getDataFromNetwork();
    // The pending reset empties the rows only when the reply comes.
    ASSERT_TRUE(
        waitFor([&] { return searches() > before && list_->paging().contentArray.isEmpty(); }));
    EXPECT_TRUE(errorShown());
    EXPECT_EQ(errorText(), "没有相关筛选信息，请重新筛选吧");
    EXPECT_EQ(list_->view()->viewWithTag(QXPostList::kErrorTag)->frame(), list_->listTbl()->frame())
        << "below the bar that came after the first error";
}

TEST_F(PostListScreenTest, TheFilterScreenHandsBackConditionsOrUndoesEverything) {
    open();
    addCommunityField();
    auto screen = openFilterScreen();
    ASSERT_NE(screen, nullptr);
    const FilterItem area = list_->filter()->getFilterWithKey("area");
    area->insert("v", "50_70");
    list_->filter()->getFilterWithKey("image_count")->insert("v", "1");
    screen->backMethod();
    settle();
    EXPECT_EQ(list_->filter()->getFilterWithKey("area")->value("v"), "-1")
        << "back undoes the edits";

    screen = openFilterScreen();
    ASSERT_NE(screen, nullptr);
    list_->filter()->getFilterWithKey("area")->insert("v", "50_70");
    screen->typeChanged(true);
    list_->filter()->getFilterWithKey("xiaoqu")->insert("v", "望京");
    const std::size_t before = searches();
    ASSERT_TRUE(driver_->tap(screen->finishBtn())) << "the bar's button confirms";
    waitForPage(before);
    EXPECT_EQ(navigation_->topViewController(), list_);
    const auto conditions = lastConditions();
    EXPECT_EQ(conditions.at("area"), "50_70");
    EXPECT_EQ(conditions.at("image_count"), "1");
    EXPECT_EQ(conditions.count("xiaoqu"), 0u) << "text filters never become conditions";
    EXPECT_EQ(conditions.count("district_id"), 0u);
}

// A list whose second button chooses among tags: the tag rows that the filter screen's tag row
// holds come back to the bar, whose first drop-down then shows them.
TEST_F(PostListScreenTest, TheFilterScreenHandsItsTagRowsBackToTheBar) {
    open(5);
    QVariantList items;
    for (const FilterItem& item : *list_->filter()->GetData()) items.append(*item);
    items[1] = QVariantMap{{"f", "base_tag"}, {"n", "类别"},      {"t", "normal"},
                           {"v", "-1"},       {"leftIndex", "2"}, {"rightIndex", "1"}};
    list_->filter()->adopt(items);
    std::size_t before = searches();
    list_->getQuickFilterArray();
    waitForPage(before);
    ASSERT_EQ(list_->quickFilterArray().value(1), "base_tag");

    auto screen = openFilterScreen();
    ASSERT_NE(screen, nullptr);
    before = searches();
    ASSERT_TRUE(driver_->tap(screen->finishBtn()));
    waitForPage(before);
    EXPECT_EQ(list_->filter()->getFilterWithKey("district_id")->value("firstSectionRow"), 2);
    EXPECT_EQ(list_->quickFilterView()->defaultSelectRowDic()[0].value(0), "2");
}

TEST_F(PostListScreenTest, TheFilterScreenLoadingOnTheListsModelLeavesTheListItsBar) {
    // The list's definitions are still on their way when the filter screen asks again on the
    // same model: the screen's request replaces the list's, and the list hears its outcome.
    server().setFault({.prefix = paths::kDataShare, .hold = true, .times = 1});
    list_ = std::make_shared<QXPostList>(7, 1, QString());
    navigation_->setViewControllers({list_}, false);
    ASSERT_TRUE(runMainLoopUntil([&] { return !calls("GetMajorCategoryFilter").empty(); }));
    ASSERT_EQ(list_->filter()->getCount(), 0);
    navigation_->pushViewController(std::make_shared<FilterMainViewControl>(list_->filter()),
                                    false);
    ASSERT_TRUE(waitFor([&] { return list_->paging().nowListNum > 0 || errorShown(); }));
    EXPECT_FALSE(errorShown()) << errorText().toStdString();
    EXPECT_TRUE(list_->isQuickFiter());
    EXPECT_EQ(list_->quickFilterArray(),
              (QStringList{"district_id", "price", "huxing_shi", "more"}));
    EXPECT_EQ(calls("GetMajorCategoryFilter").size(), 2u);
    EXPECT_TRUE(labelsOf("ReceivedServerDataError").isEmpty());
}

TEST_F(PostListScreenTest, FilterScreenRowsAndTheDistrictChooser) {
    EXPECT_EQ(FilterMainViewControl::labelText("户型"), "户     型");
    EXPECT_EQ(FilterMainViewControl::labelText("区"), "区");
    EXPECT_EQ(FilterMainViewControl::labelText("小区名"), "小区名");
    open();
    auto screen = std::make_shared<FilterMainViewControl>(list_->filter());
    navigation_->pushViewController(screen, false);
    settle();
    const FilterItem district = list_->filter()->getFilterWithKey("district_id");
    EXPECT_EQ(screen->valueTextOf(*district), "不限");
    EXPECT_EQ(
        screen->valueTextOf(
            {{"f", "x"}, {"v", 3}, {"vs", QVariantList{QVariantMap{{"n", "三"}, {"v", "3"}}}}}),
        "三")
        << "a number matches its text";

    const auto city = host_->currentCity();
    std::shared_ptr<District> single, several;
    int severalRow = 0;
    for (int i = 1; i < int(city->Districts.size()); ++i) {
        const auto& each = city->Districts[std::size_t(i)];
        if (each->Streets.size() > 2 && !several) {
            several = each;
            severalRow = i;
        }
    }
    ASSERT_TRUE(several);
    auto chooser = std::make_shared<DistrictSelect1>(district);
    chooser->setCurrentStreet(host_->currentStreet());
    chooser->setTopController(screen);
    navigation_->pushViewController(chooser, false);
    settle();
    chooser->didSelectRowAtIndexPath(*chooser->tableView(), {0, severalRow});
    settle();
    auto streets = std::dynamic_pointer_cast<StreetSelect1>(navigation_->topViewController());
    ASSERT_NE(streets, nullptr);
    EXPECT_EQ(streets->title(), several->name());
    EXPECT_EQ(district->value("firstSectionRow"), severalRow);
    streets->didSelectRowAtIndexPath(*streets->tableView(), {0, 1});
    settle();
    EXPECT_EQ(district->value("secondSectionRow"), 1);
    EXPECT_EQ(screen->valueTextOf(*district), several->name() + "-" + several->Streets[1]->name());
    screen->getFilterDicByFilterData();
    EXPECT_TRUE(screen->filterDic().contains("street_id"));

    auto again = std::make_shared<DistrictSelect1>(district);
    again->setCurrentStreet(screen->currentStreet());
    again->setTopController(screen);
    navigation_->pushViewController(again, false);
    settle();
    again->didSelectRowAtIndexPath(*again->tableView(), {0, 0});
    settle();
    EXPECT_EQ(screen->valueTextOf(*district), "不限");
    EXPECT_EQ(district->value("secondSectionRow"), 0);
}

TEST_F(PostListScreenTest, AKeywordFieldMakesRoomForTheKeyboard) {
    open();
    addCommunityField();
    auto screen = std::make_shared<FilterMainViewControl>(list_->filter());
    navigation_->pushViewController(screen, false);
    settle();
    auto* field = driver_->find<ui::TextField>();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->tag(), FilterMainViewControl::kKeywordFieldTag);
    const ui::Rect resting = screen->tableView()->frame();
    EXPECT_EQ(resting.origin.y, 0) << "the rows start right under the bar";
    ASSERT_TRUE(driver_->tap(field));
    settle();
    ASSERT_EQ(window_->firstResponder(), field) << "the field stays in the shorter table";
    EXPECT_EQ(screen->tableView()->frame(), ui::Rect(11, 20, 299, 179));
    ASSERT_TRUE(driver_->type(QStringLiteral(" 望京 ")));
    EXPECT_EQ(list_->filter()->getFilterWithKey("xiaoqu")->value("v"), "望京") << "trimmed";

    // The input method makes the keyboard taller and shorter again while the keyword is typed.
    struct HeightBack {
        ~HeightBack() { ui::Keyboard::shared().setHeight(ui::Keyboard::kHeight); }
    } heightBack;
    ui::Keyboard::shared().setHeight(252);
    settle();
    EXPECT_EQ(screen->tableView()->frame(), ui::Rect(11, 20, 299, 144)) << "a taller keyboard";
    ui::TableView* table = screen->tableView();
    const ui::Rect last = table->rectForRowAtIndexPath({0, table->numberOfRowsInSection(0) - 1});
    EXPECT_DOUBLE_EQ(table->contentOffset().y + 144, last.origin.y + last.size.height)
        << "the last row at the bottom";
    ASSERT_EQ(window_->firstResponder(), field);
    ui::Keyboard::shared().setHeight(216);
    settle();
    EXPECT_EQ(screen->tableView()->frame(), ui::Rect(11, 20, 299, 179));
    ASSERT_EQ(window_->firstResponder(), field) << "the field is still typed in";

    EXPECT_TRUE(screen->textFieldShouldReturn(*field));
    settle();
    EXPECT_EQ(screen->tableView()->frame(), resting) << "back where it lay, no band above it";
    ui::Keyboard::shared().setHeight(252);
    settle();
    EXPECT_EQ(screen->tableView()->frame(), resting) << "no keyboard, no change";
}

TEST_F(PostListScreenTest, AValueListWritesTheChoiceOrNothing) {
    auto item = std::make_shared<QVariantMap>(
        QVariantMap{{"f", "price"},
                    {"n", "租金"},
                    {"v", "_1500"},
                    {"firstSectionRow", 1},
                    {"vs", QVariantList{QVariantMap{{"n", "不限"}, {"v", "-1"}},
                                        QVariantMap{{"n", "低"}, {"v", "_1500"}}}}});
    auto list = std::make_shared<FilterSelectList>(item);
    navigation_->setViewControllers({std::make_shared<ui::ViewController>(), list}, false);
    settle();
    EXPECT_EQ(list->tableView()->numberOfRowsInSection(0), 2);
    list->popFront();
    settle();
    EXPECT_EQ(item->value("v"), "_1500") << "cancel writes nothing";
    navigation_->pushViewController(list, false);
    settle();
    list->didSelectRowAtIndexPath(*list->tableView(), {0, 0});
    EXPECT_EQ(item->value("v"), "-1");
    EXPECT_EQ(item->value("firstSectionRow"), 0);

    auto empty = std::make_shared<FilterSelectList>(std::make_shared<QVariantMap>());
    navigation_->pushViewController(empty, false);
    settle();
    EXPECT_EQ(empty->tableView()->numberOfRowsInSection(0), 0);
}

TEST_F(PostListScreenTest, ReferenceScreens) {
    open();
    ASSERT_TRUE(waitFor([&] {
        for (ui::TableViewCell* cell : list_->listTbl()->visibleCells()) {
            auto* row = dynamic_cast<QXPostListCell*>(cell);
            // Every thumbnail shown is the downloaded picture, not the placeholder. Rows that
            // asked for one picture at once may each hold their own copy of it.
            if (!row || !row->content()) continue;
            const QString url = row->content()->value("image").toString();
            const auto cached = url.isEmpty() ? nullptr : cachedThumbnail(url);
            const auto shown = row->thumbnailView()->image();
            if (!url.isEmpty() && (!cached || !shown || shown->pixels() != cached->pixels())) {
                return false;
            }
        }
        return true;
    }));
    driver_->wait(1);
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot(2)->pixels(), "src/houses/reference",
                                      "rent_list_beijing.png"));
    ASSERT_TRUE(driver_->tap(list_->quickFilterView()->button(1)));
    settle();
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot(2)->pixels(), "src/houses/reference",
                                      "quick_filter_open.png"));
    list_->quickFilterView()->rebackAllQFTbl();
    ASSERT_TRUE(driver_->tap(list_->quickFilterView()->button(3)));
    settle();
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot(2)->pixels(), "src/houses/reference",
                                      "filter_screen.png"));
}

TEST_F(PostListScreenTest, TheFilterStripNamesTheChoicesAboveTheTableOnce) {
    open();
    const ui::Rect table = list_->listTbl()->frame();
    const std::size_t requests = server().requests(standin::paths::kDataShare).size();
    list_->addFilterCommentView({"整租", "两室", "精装修"});
    ui::Label* label = list_->filterCommentLabel();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "整租|两室|精装修");
    EXPECT_EQ(label->superview()->frame(), ui::Rect(0, table.origin.y, 320, 28));
    EXPECT_EQ(list_->listTbl()->frame(),
              ui::Rect(0, table.origin.y + 28, 320, table.size.height - 28));
    list_->addFilterCommentView({"合租"});
    EXPECT_EQ(list_->filterCommentLabel(), label) << "one strip";
    EXPECT_EQ(label->text(), "合租");
    EXPECT_EQ(list_->listTbl()->frame().origin.y, table.origin.y + 28) << "moved once";
    list_->speedSubscribe();
    settle();
    EXPECT_EQ(server().requests(standin::paths::kDataShare).size(), requests)
        << "the strip and the subscription ask nothing";

    // A rebuilt screen (another type) gets a strip of its own over its new table.
    const std::size_t before = searches();
    list_->typeChanged(3);
    waitForPage(before);
    const double top = list_->listTbl()->frame().origin.y;
    list_->addFilterCommentView({"主卧"});
    EXPECT_EQ(list_->filterCommentLabel()->superview()->superview(), list_->view().get());
    EXPECT_EQ(list_->listTbl()->frame().origin.y, top + 28);
}
