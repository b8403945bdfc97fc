#include "AppShellFixture.h"
#include "CallsOnTheirWay.h"
#include "MessagingStandin.h"

#include "account/QXHouseNewsViewController.h"
#include "analytics/StatClick.h"
#include "app/QXNewGuidView.h"
#include "app/QXTabBarController.h"
#include "app/QXUtil.h"
#include "location/UserLocation.h"
#include "net/EndpointTable.h"
#include "net/QXIMRequest.h"
#include "net/RequestHeaderSet.h"
#include "net/transport/NKHTTPRequestOperation.h"
#include "platform/foundation/file_manager.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/operation_queue.h"
#include "platform/foundation/property_list.h"
#include "platform/uikit/alert_test_driver.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/navigation_controller.h"
#include "standin/Endpoints.h"
#include "standin/FormFields.h"
#include "standin/Posts.h"

#include <QUrlQuery>

#include <algorithm>

namespace {

bool documentExists(const QString& name) {
    return ns::FileManager::fileExistsAtPath(QXUtil::pathForDocumentWithFilename(name));
}

QList<qint64> majorsAsked(const std::vector<standin::RecordedRequest>& requests) {
    QList<qint64> majors;
    for (const auto& request : requests) {
        majors << standin::FormFields(request.body).number("majorCategoryScriptIndex", -1);
    }
    return majors;
}

class QXAppDelegateLaunchTest : public AppShellFixture {
protected:
    // Waits for the need form's chain to have asked for all three majors and stored them.
    bool needFormChainDone(int city) {
        return runMainLoopUntil([&] {
            return documentExists(QStringLiteral("%1-5").arg(city)) &&
                   calls("GetMajorCategoryFilter").size() >= 3;
        });
    }
    // Waits until no data-share call of the app is on its way: none queued or running, and
    // none that a reply handled meanwhile sends next. Launch's calls (the home screen's, the
    // version check, the user's registration) may still go out after the chain has ended.
    bool dataShareCallsDone() {
        const auto onTheirWay = [] {
            return std::ranges::any_of(pathsOfCallsOnTheirWay(), [](const QString& path) {
                return path.startsWith(standin::paths::kDataShare);
            });
        };
        return runMainLoopUntil([&] {
            if (onTheirWay()) return false;
            // What the handlers of the replies just come send is queued once they have run.
            drainMainLoop();
            return !onTheirWay();
        });
    }
};

TEST_F(QXAppDelegateLaunchTest, AnEmptyStoreGetsEveryDefaultAndAPresetValueStays) {
    defaults().setObject(QStringLiteral("30"), QStringLiteral("describeInterval"));
    defaults().setDouble(12345, QStringLiteral("LastGetSubscribeRefreshStatusFromServerTime"));
    launch();

    EXPECT_EQ(defaults().objectForKey("describeInterval").toString(), "30");
    EXPECT_EQ(defaults().objectForKey("describeAlertType").toString(), "1_1_1");
    EXPECT_EQ(defaults().integerForKey("startAlert"), 9);
    EXPECT_EQ(defaults().integerForKey("endAlert"), 21);
    EXPECT_TRUE(defaults().boolForKey("describeNotice"));
    EXPECT_TRUE(defaults().boolForKey("sixinPushNotice"));
    EXPECT_TRUE(defaults().boolForKey("xiaoxiPushNotice"));
    ASSERT_TRUE(defaults().objectForKey("huodongNotice").isValid());
    EXPECT_FALSE(defaults().boolForKey("huodongNotice"));
    EXPECT_EQ(defaults().doubleForKey("LastGetSubscribeRefreshStatusFromServerTime"), 0);
    // The settings the delegate reads back for its push notices.
    EXPECT_EQ(app().timeInterval(), 30);
    EXPECT_EQ(app().startTime(), 9);
    EXPECT_EQ(app().endTime(), 21);
    EXPECT_TRUE(app().isShouldDragBackGesture());
}

TEST_F(QXAppDelegateLaunchTest, TheFirstLaunchShowsTheGuideOnceAndANewVersionShowsItAgain) {
    launch();
    EXPECT_EQ(defaults().stringForKey("lastVersion"), "2.3.0");
    EXPECT_EQ(defaults().stringForKey("cityVersion"), "0");
    EXPECT_TRUE(defaults().boolForKey("guideShown"));
    // The new version cleared it; the home screen, having run once, set it again.
    EXPECT_TRUE(defaults().boolForKey("newVersionWithSendInfo"));
    EXPECT_NE(driver().findByClassName("QXNewGuidView"), nullptr);

    launch();
    EXPECT_EQ(driver().findByClassName("QXNewGuidView"), nullptr);

    defaults().setObject(QStringLiteral("2.2.0"), QStringLiteral("lastVersion"));
    defaults().setInteger(7, QStringLiteral("TongZhiNoReadNum"));
    launch();
    EXPECT_NE(driver().findByClassName("QXNewGuidView"), nullptr);
    EXPECT_EQ(defaults().stringForKey("lastVersion"), "2.3.0");
    EXPECT_EQ(defaults().integerForKey("TongZhiNoReadNum"), 0);
}

TEST_F(QXAppDelegateLaunchTest, TheGuidesButtonLeavesTheTabShellBeneath) {
    launch();
    ASSERT_TRUE(driver().tapText(QStringLiteral("开始找房")));
    ASSERT_TRUE(runMainLoopUntil([&] { return !driver().findByClassName("QXNewGuidView"); }));
    EXPECT_NE(driver().findByText(QStringLiteral("找房意向")), nullptr);
}

TEST_F(QXAppDelegateLaunchTest, TheNeedFormCopiesItsResourcesAndFetchesMajorsOneThreeFive) {
    presetCity();
    // A copy left damaged by an earlier run is replaced by the resource at every launch.
    ASSERT_TRUE(ns::writeToFile(QVariantMap{{"v", "stale"}},
                                QXUtil::pathForDocumentWithFilename("3"), true));
    launch();
    EXPECT_EQ(app().currentCityScript_index(), kCity);
    for (const QString name : {"1", "3", "5"}) {
        const auto copied =
            ns::dictionaryWithContentsOfFile(QXUtil::pathForDocumentWithFilename(name));
        ASSERT_TRUE(copied) << name.toStdString();
        EXPECT_FALSE(copied->value("fs").toList().isEmpty());
        EXPECT_NE(copied->value("v"), "stale");
    }
    ASSERT_TRUE(needFormChainDone(kCity));
    const auto asked = calls("GetMajorCategoryFilter");
    EXPECT_EQ(majorsAsked(asked), (QList<qint64>{1, 3, 5}));
    for (const auto& request : asked) {
        EXPECT_EQ(request.header("cityScriptIndex"), QByteArray::number(kCity));
        EXPECT_EQ(request.header("categoryId"), "7");
        EXPECT_EQ(request.header("version"), "0");
    }
    const auto stored = ns::dictionaryWithContentsOfFile(
        QXUtil::pathForDocumentWithFilename(QStringLiteral("%1-3").arg(kCity)));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->value("fs").toList().at(1).toMap().value("f"), "price");
}

TEST_F(QXAppDelegateLaunchTest, AChainStartedLaterFetchesOnlyTheMajorsFromItsOwnOn) {
    presetCity();
    launch();
    ASSERT_TRUE(needFormChainDone(kCity));
    const auto chainOf = [&](int city) {
        QList<qint64> majors;
        for (const auto& request : calls("GetMajorCategoryFilter")) {
            if (request.header("cityScriptIndex") == QByteArray::number(city)) {
                majors << standin::FormFields(request.body).number("majorCategoryScriptIndex", -1);
            }
        }
        return majors;
    };
    // Nothing of the chain is still queued once the last stored file is there: a further
    // major would have been asked for before it.
    const auto chainIdle = [] {
        for (const auto& queued :
             QXIMRequest::shared().httpClient()->operationQueue()->operations()) {
            const auto operation = std::dynamic_pointer_cast<NKHTTPRequestOperation>(queued);
            if (operation && operation->request().allHTTPHeaderFields().value("interface") ==
                                 "GetMajorCategoryFilter") {
                return false;
            }
        }
        return true;
    };
    app().downLoadSendNeedInfo(3, 100);
    ASSERT_TRUE(runMainLoopUntil([&] { return documentExists("100-5") && chainIdle(); }));
    EXPECT_EQ(chainOf(100), (QList<qint64>{3, 5}));
    EXPECT_FALSE(documentExists("100-1"));

    app().downLoadSendNeedInfo(5, 200);
    ASSERT_TRUE(runMainLoopUntil([&] { return documentExists("200-5") && chainIdle(); }));
    EXPECT_EQ(chainOf(200), (QList<qint64>{5}));
}

TEST_F(QXAppDelegateLaunchTest, APushThatLaunchesTheAppOpensItsScreenAfterTheGuideIsUp) {
    launch({{ui::kApplicationLaunchOptionsRemoteNotificationKey, QVariantMap{{"type", "8"}}}});
    // The first launch's guide covers the shell, and the news list waits beneath it.
    EXPECT_NE(driver().findByClassName("QXNewGuidView"), nullptr);
    const auto* stack = dynamic_cast<ui::NavigationController*>(
        app().tabBarController()->selectedViewController().get());
    ASSERT_NE(stack, nullptr);
    EXPECT_NE(dynamic_cast<QXHouseNewsViewController*>(stack->topViewController().get()), nullptr);
}

TEST_F(QXAppDelegateLaunchTest, TheFirstLaunchWaitsForACityInsteadOfAskingForMinusOne) {
    launch();
    EXPECT_EQ(app().currentCityScript_index(), -1);
    // The city chooser is up; nothing of the need form went out meanwhile.
    QXIMRequest::shared().addValuesFormDic(RequestHeaderSet::dataShare("ping"));
    QXIMRequest::shared().requestWithUrl(EndpointTable::dataShareEndpoint(), "ping", "", nullptr,
                                         nullptr);
    ASSERT_TRUE(runMainLoopUntil([&] { return calls("ping").size() == 1; }));
    EXPECT_TRUE(calls("GetMajorCategoryFilter").empty());
    EXPECT_FALSE(documentExists("-1-1"));
    EXPECT_NE(app().tabBarController()->presentedViewController(), nullptr);

    // Choosing a city runs the chain for it.
    app().cityState()->updateCityWithIndex(kCity);
    ASSERT_TRUE(needFormChainDone(kCity));
    for (const auto& request : calls("GetMajorCategoryFilter")) {
        EXPECT_EQ(request.header("cityScriptIndex"), QByteArray::number(kCity));
    }
    EXPECT_EQ(defaults().integerForKey("cityId"), kCity + 1);
}

TEST_F(QXAppDelegateLaunchTest, TheDelegateReadsTheChoosersFlagAndTheSelectedCityState) {
    // Before the launch there is no selected-city state: every read answers empty.
    EXPECT_FALSE(app().inCitySelect());
    EXPECT_EQ(app().cityData(), nullptr);
    EXPECT_EQ(app().currentStreet(), nullptr);
    EXPECT_FALSE(app().lastLocationTime());
    app().setInCitySelect(true);
    EXPECT_FALSE(app().inCitySelect());

    launch();
    ASSERT_NE(app().cityData(), nullptr);
    EXPECT_EQ(app().cityData(), app().cityState()->cityData());
    EXPECT_EQ(app().userLocation(), app().cityState()->userLocation());
    // The chooser the first launch presents is what the delegate's flag says.
    ASSERT_TRUE(runMainLoopUntil([&] { return app().inCitySelect(); }));
    EXPECT_EQ(app().currentStreet(), nullptr);
    EXPECT_TRUE(app().selectCityName().isNull());
    EXPECT_EQ(app().filePath("1"), QXUtil::pathForDocumentWithFilename("1"));

    app().cityState()->updateCityWithIndex(kCity);
    ASSERT_TRUE(runMainLoopUntil([&] { return app().currentCityScript_index() == kCity; }));
    EXPECT_NE(app().currentStreet(), nullptr);
    // The delegate's own floating message shows nothing: views show theirs.
    const std::size_t shown = app().window()->subviews().size();
    app().showFloatMessgeZP(QStringLiteral("提示"));
    EXPECT_EQ(app().window()->subviews().size(), shown);
}

TEST_F(QXAppDelegateLaunchTest, AFailedFilterDownloadMovesOnAndKeepsTheEarlierFile) {
    presetCity();
    launch();
    ASSERT_TRUE(needFormChainDone(kCity));
    // The faults below are for the chain's calls alone.
    ASSERT_TRUE(dataShareCallsDone());
    ASSERT_TRUE(ns::writeToFile(QVariantMap{{"v", "old"}},
                                QXUtil::pathForDocumentWithFilename("0-1"), true));
    server().reset();
    // Definitions without house values are no better than a failure: kept, the form would
    // find them and never ask again.
    server().setFaults({{.prefix = "/datashare/", .status = 500, .times = 1},
                        {.prefix = "/datashare/",
                         .body = QByteArray(R"({"v":"2","fs":[{"f":"huxing_shi","vs":"x"}]})"),
                         .times = 1}});
    app().downLoadSendNeedInfo(1, 0);
    ASSERT_TRUE(runMainLoopUntil([&] { return calls("GetMajorCategoryFilter").size() == 3; }));
    ASSERT_TRUE(runMainLoopUntil([&] {
        return ns::dictionaryWithContentsOfFile(QXUtil::pathForDocumentWithFilename("0-5"))
                   .value_or(QVariantMap())
                   .value("v") == standin::Posts::kFilterVersion;
    }));
    EXPECT_EQ(majorsAsked(calls("GetMajorCategoryFilter")), (QList<qint64>{1, 3, 5}));
    EXPECT_EQ(
        ns::dictionaryWithContentsOfFile(QXUtil::pathForDocumentWithFilename("0-1"))->value("v"),
        "old");
    EXPECT_FALSE(documentExists("0-3"));
}

TEST_F(QXAppDelegateLaunchTest, TheChainAndThePostListsFilterLoadDoNotCancelEachOther) {
    presetCity();
    launch();
    ASSERT_TRUE(needFormChainDone(kCity));
    server().reset();
    // The server holds the replies until both loads have asked.
    server().setFault({.prefix = "/datashare/", .hold = true});
    for (const QString name : {"0-1", "0-3", "0-5"}) {
        ns::FileManager::removeItemAtPath(QXUtil::pathForDocumentWithFilename(name));
    }
    app().downLoadSendNeedInfo(1, 0);
    // The post list loads its own filter definitions of the same interface meanwhile.
    int listAnswers = 0;
    QVariantMap listFailure;
    QXIMRequest::shared().requestWithUrl(
        EndpointTable::dataShareEndpoint(), "GetMajorCategoryFilter",
        "cityScriptIndex=0&categoryId=7&majorCategoryScriptIndex=1",
        [&](const QVariant&) { ++listAnswers; },
        [&](const QVariantMap& failure) { listFailure = failure; });
    server().clearFaultsAndReleaseHeld();
    ASSERT_TRUE(runMainLoopUntil([&] { return documentExists("0-5"); }));
    ASSERT_TRUE(runMainLoopUntil([&] { return listAnswers == 1 || !listFailure.isEmpty(); }));
    EXPECT_EQ(listAnswers, 1) << listFailure.value("msg").toString().toStdString();
    EXPECT_TRUE(documentExists("0-1"));
    EXPECT_TRUE(documentExists("0-3"));
}

TEST_F(QXAppDelegateLaunchTest, AFailedAutomaticLogonLogsOutLocallyEvenWhenTheLogoutFails) {
    defaults().setBool(true, "lastLogonState");
    defaults().setInteger(100007, "loginID");
    defaults().setObject("old-session", "sessionID");
    defaults().setObject("old-token", "token");
    defaults().setObject("老用户", "loginName");
    defaults().setInteger(55, "anonymousLoginId");
    // An installation that has its anonymous user id already: nothing else changes the ids.
    defaults().setObject("0123456789ABCDEF0123456789ABCDEF", "userId");
    server().setFault({.prefix = "/users/", .status = 500});
    int detailsArrived = 0;
    const auto observation = ns::NotificationCenter::defaultCenter().addObserver(
        kUserInfoGetSuccessedNotification, [&](const ns::Notification&) { ++detailsArrived; });
    launch();

    ASSERT_TRUE(runMainLoopUntil([&] { return !app().userInfo()->logonSuccess(); }));
    EXPECT_EQ(app().userInfo()->loginID(), 55);
    EXPECT_TRUE(app().userInfo()->sessionID().isEmpty());
    EXPECT_FALSE(defaults().objectForKey("loginID").isValid());
    EXPECT_FALSE(defaults().objectForKey("token").isValid());
    EXPECT_FALSE(defaults().boolForKey("lastLogonState"));
    ui::AlertTestDriver alerts(driver());
    ASSERT_NE(alerts.visibleAlert(), nullptr);
    EXPECT_EQ(alerts.visibleAlert()->message(), QStringLiteral("您的登陆已失效，请重新登录！"));
    ASSERT_TRUE(runMainLoopUntil([&] { return calls("logout").size() == 1; }));
    EXPECT_EQ(standin::FormFields(calls("logout").front().body).number("loginId"), 100007);
    EXPECT_EQ(detailsArrived, 0);
    // The chat talks and listens as the anonymous user again, with no token or name of the
    // logon it had.
    EXPECT_EQ(QXIMUser::shared().userId(), 55);
    EXPECT_FALSE(QXIMUser::shared().token());
    EXPECT_EQ(QXIMUser::shared().userName(), QStringLiteral("游客"));
    MessagingStandin messaging{server()};
    EXPECT_TRUE(runMainLoopUntil(
        [&] { return messaging.openStreams(55) == 1 && messaging.openStreams(100007) == 0; }));
}

TEST_F(QXAppDelegateLaunchTest, AnAcceptedAutomaticLogonKeepsTheUserWithTheNewSession) {
    defaults().setBool(true, "lastLogonState");
    defaults().setInteger(100007, "loginID");
    defaults().setObject("old-session", "sessionID");
    int detailsArrived = 0;
    const auto observation = ns::NotificationCenter::defaultCenter().addObserver(
        kUserInfoGetSuccessedNotification, [&](const ns::Notification&) { ++detailsArrived; });
    launch();
    ASSERT_TRUE(runMainLoopUntil([&] { return app().userInfo()->sessionID() != "old-session"; }));
    EXPECT_EQ(detailsArrived, 1);
    EXPECT_TRUE(app().userInfo()->logonSuccess());
    EXPECT_EQ(app().userInfo()->loginID(), 100007);
    EXPECT_TRUE(app().userInfo()->sessionID().startsWith("auto-session-"));
    EXPECT_TRUE(calls("logout").empty());
}

TEST_F(QXAppDelegateLaunchTest, LaunchRecordsTheStartAndSendsTheVersionCheckAndTheInstallPing) {
    launch();
    const QVariantList records = StatClick::records();
    ASSERT_GE(records.size(), 2);
    EXPECT_EQ(records[0].toMap().value("kind"), "start");
    EXPECT_EQ(records[0].toMap().value("appKey"), QXAppDelegate::kAnalyticsAppKey);
    EXPECT_EQ(records[0].toMap().value("channel"), "appstore");
    EXPECT_EQ(records[1].toMap().value("id"), "start");

    ASSERT_TRUE(runMainLoopUntil(
        [&] { return !calls("CheckVersion").empty() && !server().requests("/track/").empty(); }));
    const standin::FormFields check(calls("CheckVersion").front().body);
    EXPECT_EQ(check.number("upgradeMode"), 1);
    EXPECT_EQ(check.number("screenWidth"), 320);
    const auto ping = server().requests("/track/").front();
    EXPECT_EQ(ping.path, "/track/ping/" + QXAppDelegate::kTrackingAppId.toUtf8() + "/");
    const QUrlQuery query(QString::fromUtf8(ping.query));
    EXPECT_EQ(query.queryItemValue("devicename", QUrl::FullyDecoded), "Housing Phone");
    EXPECT_TRUE(query.hasQueryItem("idfa"));
    EXPECT_TRUE(query.queryItemValue("idfa").isEmpty());
    EXPECT_TRUE(query.queryItemValue("idfv").isEmpty());
}

TEST_F(QXAppDelegateLaunchTest, WithoutAStoredUserIdTheServersIdReplacesTheFallback) {
    launch();
    EXPECT_EQ(app().userId(), EndpointTable::fallbackUserId());
    ASSERT_TRUE(
        runMainLoopUntil([&] { return app().userId() != EndpointTable::fallbackUserId(); }));
    EXPECT_EQ(defaults().stringForKey("userId"), app().userId());
    EXPECT_EQ(QXIMUser::shared().userKey(), app().userId());
}

TEST_F(QXAppDelegateLaunchTest, TheLifeCycleClearsTheBadgeAndSavesTheStatistics) {
    launch();
    auto& application = ui::Application::sharedApplication();
    Statistics::getInstance().setLogArray({QStringLiteral("1,2014-01-01 00:00:00,x")});
    application.setApplicationIconBadgeNumber(5);
    application.moveToBackground();
    EXPECT_EQ(application.applicationIconBadgeNumber(), 0);
    EXPECT_EQ(ns::arrayWithContentsOfFile(QXUtil::pathForDocumentWithFilename("statistics"))
                  .value_or(QVariantList())
                  .size(),
              1);
    application.terminate();
    EXPECT_EQ(StatClick::records().last().toMap().value("id"), "exit");
    // The messaging service has stopped storing: the message store may close.
    EXPECT_EQ(QXIMService::sharedIfStarted(), nullptr);
}

TEST_F(QXAppDelegateLaunchTest, ComingBackLogsOnAgainTellsTheScreensAndLocatesAgain) {
    defaults().setBool(true, "lastLogonState");
    defaults().setInteger(100007, "loginID");
    presetCity();
    launch();
    ASSERT_TRUE(runMainLoopUntil([&] { return calls("autoLogin").size() == 1; }));
    std::vector<const void*> enteredFrom;
    int refreshes = 0;
    auto& center = ns::NotificationCenter::defaultCenter();
    const auto entered = center.addObserver(
        "NOTIFICATION_ENTER_BACKGROUND",
        [&](const ns::Notification& notification) { enteredFrom.push_back(notification.sender); });
    const auto refreshed =
        center.addObserver("refreshIcon", [&](const ns::Notification&) { ++refreshes; });
    app().userLocation()->setState(UserLocationFailed);

    auto& application = ui::Application::sharedApplication();
    application.moveToBackground();
    EXPECT_TRUE(enteredFrom.empty());
    application.returnToForeground();
    EXPECT_EQ(enteredFrom, std::vector<const void*>{&app()});
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(app().userLocation()->state(), UserLocationLocating);
    ASSERT_TRUE(runMainLoopUntil([&] { return calls("autoLogin").size() == 2; }));
    EXPECT_TRUE(app().userInfo()->logonSuccess());
}

TEST_F(QXAppDelegateLaunchTest, EachTripToTheBackgroundEndsItsOwnTaskWhenTimeRunsOut) {
    launch();
    auto& application = ui::Application::sharedApplication();
    application.moveToBackground();
    EXPECT_EQ(application.backgroundTaskCount(), 1u);
    application.returnToForeground();
    application.moveToBackground();
    EXPECT_EQ(application.backgroundTaskCount(), 2u);
    clock().advance(ns::seconds(ui::Application::kBackgroundTimeAllowed));
    EXPECT_EQ(application.backgroundTaskCount(), 0u);
}

}  // namespace
