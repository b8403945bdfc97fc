#include "../AppShellFixture.h"

#include "app/QXTabBarController.h"
#include "app/QXUtil.h"
#include "app/WebHelp.h"
#include "app/XXNavigationController.h"
#include "app/home/QXMainViewController.h"
#include "houses/list/QXPostList.h"
#include "houses/search/SearchListViewController.h"
#include "houses/search/SearchViewController.h"
#include "map/QXMapViewController.h"
#include "needs/QXCustomMultiSelectView.h"
#include "needs/QXNeedHistoryListController.h"
#include "needs/QXPublishHouseInfoViewController.h"
#include "platform/foundation/network_reachability.h"
#include "platform/foundation/property_list.h"
#include "platform/foundation/timer.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "ui/image/IKImageDownloader.h"
#include "ui/image/IKImageManager.h"
#include "ui/widgets/IconMenuView.h"

#include "ReferenceImage.h"

#include <QColor>
#include <QFile>
#include <QImage>

namespace {

QVariantMap banner(const QString& jump, const QString& title = QStringLiteral("横幅")) {
    return {{"img_url", "http://127.0.0.1:9/none.jpg"}, {"jump_url", jump}, {"title", title}};
}

QVariantMap bannerReply(const QVariantList& top) {
    return {{"status", 0}, {"data", QVariantMap{{"top", top}}}};
}

class QXMainViewControllerTest : public AppShellFixture {
protected:
    void SetUp() override {
        AppShellFixture::SetUp();
        // The network is there from the launch on, whatever an earlier test in this process
        // left of the device's reachability watch: the launch's activation makes exactly one
        // subscription check.
        ns::NetworkReachability::setSimulatedFlags(ns::NetworkReachability::kReachable);
        launchAfterGuide();
        // The launch's banners are in before a test hands the screen banners of its own.
        ASSERT_TRUE(runMainLoopUntil([&] { return home().dataArray().size() == 5; }));
    }
    void TearDown() override {
        AppShellFixture::TearDown();
        ns::NetworkReachability::clearSimulatedFlags();
    }

    [[nodiscard]] XXNavigationController& homeStack() {
        return static_cast<XXNavigationController&>(
            *app().tabBarController()->viewControllers().at(0));
    }
    [[nodiscard]] QXMainViewController& home() {
        return static_cast<QXMainViewController&>(*homeStack().viewControllers().front());
    }
    [[nodiscard]] WebHelp* webPage() {
        return dynamic_cast<WebHelp*>(homeStack().topViewController().get());
    }
    void comeBack() {
        ui::Application::sharedApplication().moveToBackground();
        ui::Application::sharedApplication().returnToForeground();
    }
    void logOn() {
        app().userInfo()->setLoginID(9000000001);
        app().userInfo()->setLogonSuccess(true);
    }
    void backToHome() {
        ASSERT_TRUE(runMainLoopUntil([&] {
            driver().wait(0.1);
            return !homeStack().isTransitioning();
        }));
        homeStack().popToRootViewControllerAnimated(false);
        ASSERT_EQ(homeStack().viewControllers().size(), 1u);
    }
    [[nodiscard]] std::vector<standin::RecordedRequest> subscriptionChecks() {
        std::vector<standin::RecordedRequest> found;
        for (auto& request : server().requests(standin::paths::kPush)) {
            if (request.body.startsWith("act=5")) found.push_back(std::move(request));
        }
        return found;
    }
};

TEST_F(QXMainViewControllerTest, TheHomeTabOpensOnTheBannersOfTheServerAtMostFive) {
    ASSERT_TRUE(runMainLoopUntil([&] { return home().dataArray().size() == 5; }));
    EXPECT_EQ(home().mainCycleView()->totalPages(), 5);
    EXPECT_EQ(defaults().arrayForKey(kBannerDataNoImageKey), home().dataArray());
    ASSERT_FALSE(calls("CommonOperateList").empty());
    // The chosen city (宁波, script index 601) asks by its database id.
    EXPECT_EQ(calls("CommonOperateList").front().body,
              R"(cityId=3302&pageType=1&categoryId=""&majorCategoryId="")");
    EXPECT_EQ(home().tile(QXMainViewController::kHouseNews)->frame(),
              ui::Rect(213.2, 120, 106.6, 72.5));
}

TEST_F(QXMainViewControllerTest, TheBannerStepsOnlyWhileTheHomeScreenIsSeen) {
    QXCycleScrollView& carousel = *home().mainCycleView();
    const auto held = [&] {
        return carousel.animationTimer()->fireDate() == ns::Timer::distantFuture();
    };
    // Shown, it steps every four seconds.
    const int first = carousel.currentPageIndex();
    driver().wait(4.5);
    EXPECT_NE(carousel.currentPageIndex(), first);

    // Under another screen, and with the app in the background, its timer is held back.
    homeStack().pushViewController(plainScreen(QStringLiteral("其他")), false);
    driver().wait(1);
    EXPECT_TRUE(held()) << "hidden under another screen";
    const int hidden = carousel.currentPageIndex();
    driver().wait(20);
    EXPECT_EQ(carousel.currentPageIndex(), hidden);
    homeStack().popViewControllerAnimated(false);
    driver().wait(1);
    EXPECT_FALSE(held());
    ui::Application::sharedApplication().moveToBackground();
    EXPECT_TRUE(held()) << "in the background";
    const int away = carousel.currentPageIndex();
    driver().wait(20);
    EXPECT_EQ(carousel.currentPageIndex(), away);

    // Back in the foreground it steps again, a whole interval later.
    ui::Application::sharedApplication().returnToForeground();
    driver().wait(3.5);
    EXPECT_EQ(carousel.currentPageIndex(), away);
    driver().wait(1);
    EXPECT_NE(carousel.currentPageIndex(), away);
}

TEST_F(QXMainViewControllerTest, BannerRepliesKeepTheFirstFiveAndIgnoreWrongShapes) {
    QVariantList eight;
    for (int i = 0; i < 8; ++i) eight.append(banner(QString::number(i)));
    home().saveBannerDataToUserDefaults(0, *ui::Image::imageNamed(QStringLiteral("红点.png")));
    home().didFinishedBannerDataConnection(bannerReply(eight));
    ASSERT_EQ(home().dataArray().size(), 5);
    EXPECT_EQ(home().dataArray().last().toMap().value("jump_url"), "4");
    EXPECT_TRUE(defaults().dataForKey("BannerDataImage_0").isEmpty())
        << "new items drop the pictures of the old ones";

    const QVariantList kept = home().dataArray();
    home().didFinishedBannerDataConnection(QVariantMap{{"data", QVariantList{}}});
    home().didFinishedBannerDataConnection(QVariantMap{{"data", QVariantMap{{"top", "x"}}}});
    home().didFinishedBannerDataConnection(QVariant());
    EXPECT_EQ(home().dataArray(), kept);
    EXPECT_EQ(defaults().arrayForKey(kBannerDataNoImageKey), kept);
}

TEST_F(QXMainViewControllerTest, BannerLinksOpenTheirScreens) {
    home().didFinishedBannerDataConnection(
        bannerReply({banner("http://x", "网页"), banner("https://secure/page", "安全"),
                     banner("3a"), banner("7"), banner("-1"), banner("")}));
    home().loadBannerDetailView(0);
    ASSERT_NE(webPage(), nullptr);
    EXPECT_EQ(webPage()->titleString(), "网页");
    EXPECT_EQ(webPage()->url(), "http://x");
    backToHome();
    home().loadBannerDetailView(1);
    ASSERT_NE(webPage(), nullptr) << "a secure link is a web page, not the shop map";
    EXPECT_EQ(webPage()->url(), "https://secure/page");
    backToHome();
    home().loadBannerDetailView(2);
    // A number with a tail counts by its leading digits.
    const auto list = std::dynamic_pointer_cast<QXPostList>(homeStack().topViewController());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->majorId(), 3);
    for (int index : {3, 4}) {
        backToHome();
        home().loadBannerDetailView(index);
        const auto map =
            std::dynamic_pointer_cast<QXMapViewController>(homeStack().topViewController());
        ASSERT_NE(map, nullptr);
        EXPECT_EQ(map->title(), "中介门店");
    }
    backToHome();
    for (int index : {5, 6, -1}) home().loadBannerDetailView(index);
    EXPECT_EQ(homeStack().viewControllers().size(), 1u);
}

TEST_F(QXMainViewControllerTest, TheMagnifierOpensTheKeywordSearchWhichTheResultsReplace) {
    ui::View* magnifier = driver().findByAccessibilityLabel(QStringLiteral("搜索"));
    ASSERT_NE(magnifier, nullptr);
    ASSERT_TRUE(driver().tap(magnifier));
    ASSERT_TRUE(runMainLoopUntil([&] {
        driver().wait(0.1);
        return !homeStack().isTransitioning();
    }));
    auto entry = std::dynamic_pointer_cast<SearchViewController>(homeStack().topViewController());
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->mainTField()->isFirstResponder());
    const std::size_t pictures = homeStack().screenShotList().size();
    ASSERT_TRUE(driver().type(QStringLiteral("近地铁")));
    ASSERT_TRUE(driver().pressReturn());
    ASSERT_TRUE(runMainLoopUntil([&] {
        driver().wait(0.1);
        return !homeStack().isTransitioning();
    }));
    auto results =
        std::dynamic_pointer_cast<SearchListViewController>(homeStack().topViewController());
    ASSERT_NE(results, nullptr);
    EXPECT_EQ(results->keyword(), "近地铁");
    EXPECT_EQ(homeStack().screenShotList().size(), pictures)
        << "no picture of the search entry to drag back to";
}

TEST_F(QXMainViewControllerTest, WithoutBannersTheCarouselIsEmptyAndATapDoesNothing) {
    home().didFinishedBannerDataConnection(bannerReply({}));
    EXPECT_EQ(home().numberOfPages(), 0);
    home().didClickPage(*home().mainCycleView(), 0);
    EXPECT_EQ(homeStack().viewControllers().size(), 1u) << "nothing opens";
}

TEST_F(QXMainViewControllerTest, TheNewsRedPointShowsUntilTheNewsAreOpened) {
    ui::Button* news = home().tile(QXMainViewController::kHouseNews);
    ASSERT_EQ(home().redImageIcon()->superview(), news) << "no news seen yet";
    EXPECT_EQ(home().redImageIcon()->frame(), ui::Rect(59, 10, 12, 12));
    home().onClickTag(QXMainViewController::kHouseNews);
    EXPECT_EQ(home().redImageIcon()->superview(), nullptr);
    backToHome();

    const QVariantMap reply{{"data", QVariantList{QVariantMap{{"url", "http://n/1.html"}}}}};
    home().loadRedPoint(reply);
    EXPECT_EQ(home().redImageIcon()->superview(), news);
    EXPECT_EQ(defaults().stringForKey(kNewsUrlKey), "http://n/1.html");
    home().onClickTag(QXMainViewController::kHouseNews);
    home().loadRedPoint(reply);
    EXPECT_EQ(home().redImageIcon()->superview(), nullptr) << "the same news again is no news";
}

TEST_F(QXMainViewControllerTest, TheFirstRunFetchesTermsVersionZeroAndKeepsOnlyNewerOnes) {
    ASSERT_TRUE(runMainLoopUntil([&] { return home().versionIndex() == 3; }));
    const auto terms = calls("HousingRequestInfo");
    ASSERT_FALSE(terms.empty());
    EXPECT_TRUE(terms.front().body.contains("\"getNevoruAppConfig\":[0]"))
        << terms.front().body.data();
    EXPECT_EQ(defaults().integerForKey("termsVersion"), 3);
    const auto rent = home().loadLocalTermsData(1);
    ASSERT_TRUE(rent);
    EXPECT_EQ(rent->size(), 4);
    EXPECT_FALSE(home().loadLocalTermsData(9)) << "a kind without terms";

    const QVariantMap same{
        {"data", QVariantMap{{"SearchHousingRequest",
                              QVariantMap{{"getNevoruAppConfig", QVariantMap{{"version", 3}}}}}}}};
    home().parseData(same);
    const QVariantMap older{
        {"data", QVariantMap{{"SearchHousingRequest",
                              QVariantMap{{"getNevoruAppConfig", QVariantMap{{"version", 2}}}}}}}};
    home().parseData(older);
    home().parseData(QVariantMap{{"data", QVariantMap{}}});
    EXPECT_EQ(home().versionIndex(), 3);
    EXPECT_FALSE(QFile::exists(QXMainViewController::termsFileName(2)));
    EXPECT_EQ(home().loadLocalTermsData(1)->size(), 4) << "the terms file stays whole";
}

TEST_F(QXMainViewControllerTest, BecomingActiveTwiceWithinAnHourChecksSubscriptionsOnce) {
    app().setConnectionReachabil(true);
    // The launch made the first check and kept its time.
    ASSERT_TRUE(runMainLoopUntil([&] {
        return subscriptionChecks().size() == 1 &&
               defaults().doubleForKey(kSubscribeRefreshTimeKey) > 0;
    }));
    comeBack();
    // A forced check goes out after any the activation would have sent.
    home().getSubscribeRefreshStatusFromServerWithFlag(true);
    ASSERT_TRUE(runMainLoopUntil([&] { return subscriptionChecks().size() >= 2; }));
    EXPECT_EQ(subscriptionChecks().size(), 2u);

    clock().advance(std::chrono::seconds(3600));
    logOn();
    comeBack();
    ASSERT_TRUE(runMainLoopUntil([&] { return subscriptionChecks().size() == 3; }));
    EXPECT_EQ(subscriptionChecks().back().body, "act=5&loginId=9000000001");
}

TEST_F(QXMainViewControllerTest, AFailedSubscriptionCheckIsRetriedAtTheNextActivation) {
    app().setConnectionReachabil(true);
    ASSERT_TRUE(runMainLoopUntil([&] {
        return subscriptionChecks().size() == 1 &&
               defaults().doubleForKey(kSubscribeRefreshTimeKey) > 0;
    }));
    const double kept = defaults().doubleForKey(kSubscribeRefreshTimeKey);
    clock().advance(std::chrono::seconds(3600));
    server().setFault({.prefix = standin::paths::kPush, .status = 500, .times = 1});
    comeBack();
    ASSERT_TRUE(runMainLoopUntil([&] { return subscriptionChecks().size() == 2; }));
    EXPECT_EQ(defaults().doubleForKey(kSubscribeRefreshTimeKey), kept);

    comeBack();
    ASSERT_TRUE(runMainLoopUntil([&] { return subscriptionChecks().size() == 3; }))
        << "the failure did not count as a check";
    ASSERT_TRUE(
        runMainLoopUntil([&] { return defaults().doubleForKey(kSubscribeRefreshTimeKey) > kept; }));
}

TEST_F(QXMainViewControllerTest, ThePublishMenuOpensTheNeedFormOfTheChosenKindWithItsTerms) {
    ASSERT_TRUE(runMainLoopUntil([&] { return home().versionIndex() == 3; }));
    home().onClickPublish();
    ASSERT_NE(home().publishMenu(), nullptr);
    const auto& buttons = home().publishMenu()->buttons();
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_TRUE(homeStack().isNavigationBarHidden());
    home().publishMenu()->buttonTapped(*buttons.front());
    std::shared_ptr<QXPublishHouseInfoViewController> form;
    ASSERT_TRUE(runMainLoopUntil([&] {
        driver().wait(0.1);
        form = std::dynamic_pointer_cast<QXPublishHouseInfoViewController>(
            homeStack().topViewController());
        return form != nullptr;
    }));
    EXPECT_EQ(form->qxInfoModel().publishInfoRentOrBuyString, "5");
    EXPECT_EQ(form->title(), QStringLiteral("填写买房意向"));
    ASSERT_NE(form->selectedTerm(), nullptr);
    EXPECT_EQ(form->selectedTerm()->items().size(), 4);
    // The city's sale definitions name the house-type buttons.
    ASSERT_TRUE(runMainLoopUntil([&] { return form->buttonTitlesArray().size() == 4; }));
    EXPECT_EQ(form->buttonTitlesArray().last(), QStringLiteral("四室以上"));
}

TEST_F(QXMainViewControllerTest, TheHistoryButtonOpensTheNeedHistory) {
    home().onClickHistroy();
    driver().wait(0.5);
    EXPECT_TRUE(dynamic_cast<QXNeedHistoryListController*>(homeStack().topViewController().get()));
    EXPECT_TRUE(runMainLoopUntil([&] {
        driver().wait(0.05);
        return driver().findByText("暂无找房意向历史，\r\n发送找房意向后将会出现在这里!") !=
               nullptr;
    })) << "no need published yet";
}

TEST_F(QXMainViewControllerTest, BannerPicturesComeFromTheirAddressesAndAreKept) {
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return !defaults().dataForKey(QStringLiteral("BannerDataImage_0")).isEmpty(); }));
    EXPECT_EQ(ui::Image::imageWithData(defaults().dataForKey(QStringLiteral("BannerDataImage_0")))
                  ->size(),
              (ui::Size{640, 240}));
    // A page made again shows the banner's picture, not its kept copy.
    auto page = std::static_pointer_cast<ui::Button>(home().pageAtIndex(0));
    ASSERT_TRUE(runMainLoopUntil([&] { return !IKImageManager::sharedManager().isRunning(); }));
    ASSERT_TRUE(page->backgroundImageForState(ui::kControlStateNormal));
    EXPECT_EQ(page->backgroundImageForState(ui::kControlStateNormal)->size(), (ui::Size{640, 240}));
}

TEST_F(QXMainViewControllerTest, AKeptBannerPictureIsNotWrittenAgainWhenItsPageShowsAgain) {
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return !defaults().dataForKey(QStringLiteral("BannerDataImage_0")).isEmpty(); }));
    ASSERT_TRUE(runMainLoopUntil([&] { return !IKImageManager::sharedManager().isRunning(); }));
    home().saveBannerDataToUserDefaults(0, *ui::Image::imageNamed(QStringLiteral("红点.png")));
    const QByteArray kept = defaults().dataForKey(QStringLiteral("BannerDataImage_0"));
    // The carousel comes round to the page again: it shows the banner's picture, and the
    // kept one stays as it is.
    auto page = std::static_pointer_cast<ui::Button>(home().pageAtIndex(0));
    ASSERT_TRUE(runMainLoopUntil([&] {
        const auto shown = page->backgroundImageForState(ui::kControlStateNormal);
        return shown && shown->size() == ui::Size{640, 240};
    }));
    EXPECT_EQ(defaults().dataForKey(QStringLiteral("BannerDataImage_0")), kept);
}

TEST_F(QXMainViewControllerTest, AMissingBannerPictureKeepsTheKeptOneAndSavesNothing) {
    ASSERT_TRUE(runMainLoopUntil([&] { return !IKImageManager::sharedManager().isRunning(); }));
    QVariantMap missing = banner("1");
    missing["img_url"] = server().url("/img/test/missing.png");
    home().didFinishedBannerDataConnection(bannerReply({missing, banner("2")}));
    const auto kept = ui::Image::imageNamed(QStringLiteral("红点.png"));
    home().saveBannerDataToUserDefaults(0, *kept);
    const QByteArray keptBytes = defaults().dataForKey(QStringLiteral("BannerDataImage_0"));
    auto page = std::static_pointer_cast<ui::Button>(home().pageAtIndex(0));
    ASSERT_TRUE(runMainLoopUntil([&] {
        return !server().requests("/img/test/missing.png").empty() &&
               !IKImageManager::sharedManager().isRunning();
    }));
    EXPECT_EQ(defaults().dataForKey(QStringLiteral("BannerDataImage_0")), keptBytes);
    ASSERT_TRUE(page->backgroundImageForState(ui::kControlStateNormal));
    EXPECT_EQ(page->backgroundImageForState(ui::kControlStateNormal)->size(),
              ui::Image::imageWithData(keptBytes)->size());
}

TEST_F(QXMainViewControllerTest, APictureOfReplacedBannersIsNotKeptForTheNewOnes) {
    ASSERT_TRUE(runMainLoopUntil([&] { return !IKImageManager::sharedManager().isRunning(); }));
    IKImageDownloader::sharedDownloader().setSuspended(true);
    QVariantMap old = banner("1");
    old["img_url"] = server().url("/img/banners/9.jpg");
    home().didFinishedBannerDataConnection(bannerReply({old}));
    auto oldPage = home().pageAtIndex(0);
    ASSERT_TRUE(runMainLoopUntil([&] {
        return IKImageDownloader::sharedDownloader().callerCountForURL(
                   QUrl(server().url("/img/banners/9.jpg"))) > 0;
    }));
    home().didFinishedBannerDataConnection(bannerReply({banner("2")}));
    IKImageDownloader::sharedDownloader().setSuspended(false);
    ASSERT_TRUE(runMainLoopUntil([&] {
        return !server().requests("/img/banners/9.jpg").empty() &&
               !IKImageManager::sharedManager().isRunning();
    }));
    EXPECT_TRUE(defaults().dataForKey(QStringLiteral("BannerDataImage_0")).isEmpty());
}

TEST_F(QXMainViewControllerTest, TheHomeScreenShowsItsCachedBannerPicture) {
    QImage picture(640, 240, QImage::Format_RGB32);
    picture.fill(QColor(70, 140, 210));
    for (int x = 0; x < 640; x += 80) {
        for (int y = (x / 80 % 2) * 60; y < 240; y += 120) {
            picture.setPixelColor(x + 40, y + 30, Qt::white);
        }
    }
    // Banners whose pictures cannot be reached: the kept picture stays.
    ASSERT_TRUE(runMainLoopUntil([&] { return !IKImageManager::sharedManager().isRunning(); }));
    home().didFinishedBannerDataConnection(
        bannerReply({banner("1"), banner("2"), banner("3"), banner("4"), banner("5")}));
    home().saveBannerDataToUserDefaults(0, *ui::Image::imageWithQImage(picture, 2));
    home().mainCycleView()->reloadData();
    driver().wait(2);
    // The chat tab counts the service account's two unread welcome messages.
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        return app().tabBarController()->iconLabel()->text() == "2";
    }));
    const auto shot = driver().screenshot();
    ASSERT_TRUE(shot);
    EXPECT_TRUE(
        matchesReferenceImage(shot->pixels(), "src/app/home/reference", "home_banners.png"));
}

}  // namespace

TEST_F(QXMainViewControllerTest, TheRebuildHooksLeaveOnlyTheTilesWhichStillWork) {
    ASSERT_EQ(home().redImageIcon()->superview(), home().tile(QXMainViewController::kHouseNews));
    std::vector<ui::Rect> frames;
    for (int tag = 0; tag < 3; ++tag) frames.push_back(home().tile(tag)->frame());
    for (int round = 0; round < 2; ++round) {
        if (round == 0) {
            home().updateOnClassInjection();
        } else {
            home().updateOnResourceInjection("QXMainViewController.nib");
        }
        ASSERT_EQ(home().view()->subviews().size(), 1u) << round;
        EXPECT_EQ(home().view()->subviews().front().get(), home().mainScrollView());
        const auto& tiles = home().mainScrollView()->subviews();
        ASSERT_EQ(tiles.size(), 3u) << "no carousel, no publish area";
        for (int tag = 0; tag < 3; ++tag) {
            EXPECT_EQ(tiles[std::size_t(tag)].get(), home().tile(tag)) << tag;
            EXPECT_EQ(home().tile(tag)->frame(), frames[std::size_t(tag)]) << tag;
        }
        EXPECT_EQ(home().redImageIcon()->superview(), home().tile(QXMainViewController::kHouseNews))
            << "the unseen news keep their point";
    }
    ASSERT_TRUE(driver().tap(home().tile(QXMainViewController::kHouseNews)));
    ASSERT_TRUE(runMainLoopUntil([&] { return homeStack().viewControllers().size() == 2; }));
    EXPECT_EQ(home().redImageIcon()->superview(), nullptr);
}
