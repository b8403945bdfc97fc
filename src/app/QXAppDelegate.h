#pragma once

#include "account/tovikVersionCheck.h"
#include "location/SelectedCityState.h"
#include "platform/foundation/network_interface.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/application.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

namespace ns {
class NetworkReachability;
class URLConnection;
}  // namespace ns
namespace ui {
class Window;
}
class QXIMService;
struct QXIMServiceObserver;
class QXTabBarController;
class QXUserInfo;
class Reachability;
class UserIdGetter;

// The application delegate and the holder of the application-wide state that screens read
// and set: the window, the tab shell, the logged-on user, the anonymous user id, the
// selected city, the network status and the drag-back switch. Launch runs its steps in a
// fixed order (didFinishLaunchingWithOptions); the life-cycle events stop and restart what
// runs in the background. Main thread only.
class QXAppDelegate : public ui::ApplicationDelegate,
                      public ui::AlertViewDelegate,
                      public tovikVersionCheckDelegate,
                      public SelectedCityHost,
                      public std::enable_shared_from_this<QXAppDelegate> {
public:
    // Identity values the launch uses.
    static inline const QString kAnalyticsAppKey = QStringLiteral("7c1e90ab44d2f6e8015b3a9d");
    static inline const QString kTrackingAppId = QStringLiteral("e3a9c07d51b2f48e96d0a1c7b5f23e84");
    // Alert tags of the version check and of the city switch.
    static constexpr int kForcedUpdateTag = 899;
    static constexpr int kOptionalUpdateTag = 898;
    static constexpr int kCitySwitchTag = 7239;
    // Seconds between two offers of the same optional update.
    static constexpr double kOptionalUpdateInterval = 604800;

    // The one delegate, made on first use.
    [[nodiscard]] static QXAppDelegate& sharedAppDelegate();
    [[nodiscard]] static std::shared_ptr<QXAppDelegate> sharedPointer();
    // Forgets the shared delegate (tests start afresh).
    static void resetShared();

    QXAppDelegate();
    ~QXAppDelegate() override;

    // Life.
    bool didFinishLaunchingWithOptions(ui::Application& application,
                                       const QVariantMap& options) override;
    void applicationWillResignActive(ui::Application& application) override;
    void applicationDidEnterBackground(ui::Application& application) override;
    void applicationWillEnterForeground(ui::Application& application) override;
    void applicationDidBecomeActive(ui::Application& application) override;
    void applicationWillTerminate(ui::Application& application) override;

    // Push notifications: a tapped push leads to the screen its "type" names; one that
    // arrives while the app is in use shows a short banner (tag kPushBannerTag) instead.
    static constexpr int kPushBannerTag = 3567;
    static constexpr double kPushBannerSeconds = 1.5;
    void didRegisterForRemoteNotificationsWithDeviceToken(ui::Application& application,
                                                          const QByteArray& token) override;
    void didReceiveRemoteNotification(ui::Application& application,
                                      const QVariantMap& payload) override;
    void didLoadAppByUnRunOnDevice(const QVariantMap& options);
    void doSomethingWithRemoteNotification(const QVariantMap& payload);
    void goToNewsList();
    void goToMessagePage();
    void goToWebPageWithUrl(const QString& url);
    void goToMainPageWith();
    void goToFindHouseNeedListPage();
    void showInfoFromPush(const std::shared_ptr<ui::ViewController>& screen);
    void doSomethingBeforePopToTopVC();
    void statusbarRemove();

    // State.
    [[nodiscard]] const std::shared_ptr<ui::Window>& window() const { return window_; }
    [[nodiscard]] const std::shared_ptr<QXTabBarController>& tabBarController() const {
        return tabBarController_;
    }
    [[nodiscard]] std::shared_ptr<QXUserInfo> userInfo() const;
    [[nodiscard]] QString userId() const;
    // Stores the id and makes it the messaging user's key; the same id again changes nothing.
    void setUserId(const QString& userId);
    [[nodiscard]] int currentCityScript_index() const;
    void setCurrentCityScript_index(int index);
    [[nodiscard]] bool isShouldDragBackGesture() const { return isShouldDragBackGesture_; }
    void setIsShouldDragBackGesture(bool allowed) { isShouldDragBackGesture_ = allowed; }
    [[nodiscard]] bool useWifi() const { return useWifi_; }
    [[nodiscard]] int netType() const override { return netType_; }
    [[nodiscard]] bool connectionReachabil() const override;
    void setConnectionReachabil(bool reachable);
    [[nodiscard]] const QVariant& checkVersionData() const { return checkVersionData_; }
    [[nodiscard]] const QString& newVersionURL() const { return newVersionURL_; }
    [[nodiscard]] bool showAlt() const { return showAlt_; }
    void setShowAlt(bool shown) { showAlt_ = shown; }
    // Whether the city chooser is up: the selected-city state's flag, which the chooser sets.
    [[nodiscard]] bool inCitySelect() const;
    void setInCitySelect(bool inSelect);
    // The selected city and the device's location, as the selected-city state holds them
    // (empty before the launch made it).
    [[nodiscard]] std::shared_ptr<CityData> cityData() const;
    [[nodiscard]] std::shared_ptr<Street> currentStreet() const;
    [[nodiscard]] std::shared_ptr<UserLocation> userLocation() const;
    [[nodiscard]] std::optional<ns::TimePoint> lastLocationTime() const;
    [[nodiscard]] QString strLocation() const;
    [[nodiscard]] QString locationStatuString() const;
    // The need form reads it; nothing sets it (the chooser keeps the picked name itself).
    [[nodiscard]] const QString& selectCityName() const { return selectCityName_; }
    void setSelectCityName(const QString& name) { selectCityName_ = name; }
    [[nodiscard]] const std::shared_ptr<tovikVersionCheck>& qxVersionCheck() const {
        return qxVersionCheck_;
    }
    [[nodiscard]] bool applicationRun() const { return applicationRun_; }
    // The push-notice settings read from user defaults.
    [[nodiscard]] int startTime() const { return startTime_; }
    [[nodiscard]] int endTime() const { return endTime_; }
    [[nodiscard]] bool noticeOn() const { return noticeOn_; }
    [[nodiscard]] int timeInterval() const { return timeInterval_; }

    // Launch steps that others call again.
    void autoLogin();
    // Fetches the need form's filter definitions of the major category for the city and goes
    // on with the next major (1, 3, 5). A city that is not loaded (index below 0) fetches
    // nothing.
    void downLoadSendNeedInfo(int major, int cityIndex) override;
    void loadSendNeedInfo();
    void SetDefaultConfig();
    void readDescribeSettings();
    void showGuideView();
    void sendInstallPing();
    void setTabBarProperties(QXTabBarController& tabs);
    void checkUserIdWithAnimation(bool animated);
    void userChanged();

    // The messaging service, started at launch.
    [[nodiscard]] const std::shared_ptr<QXIMService>& imDelegate() const { return imService_; }

    // The selected city and the device's location state, made at launch.
    [[nodiscard]] const std::shared_ptr<SelectedCityState>& cityState() const { return cityState_; }
    // What the selected-city state asks of the delegate.
    [[nodiscard]] bool hasUserId() const override;
    [[nodiscard]] int selectedTabIndex() const override;
    [[nodiscard]] int screensOnSelectedTab() const override;
    void currentCityScriptIndexChanged(int scriptIndex) override;
    // The city chooser as the only screen of a plain stack, presented from the tab shell.
    void presentCitySelection(bool animated) override;

    // Network status.
    void startListenNetWorkStatus();
    void stopListenNetWorkStatus();
    // The default route's flags turned into connectionReachabil.
    void evaluateDefaultRoute(std::optional<std::uint32_t> flags);
    // 2 Wi-Fi, 1 cellular, 0 nothing.
    void updateInterfaceWithReachability(int status);
    void reachabilityChanged(const Reachability& reachability);

    // The version check's reply and the answers to its alerts.
    void newNetWorkForToVikVersonCheck(tovikVersionCheck& checker) override;
    void handleVersionReply(const QVariant& reply);
    void clickedButtonAtIndex(ui::AlertView& alert, int index) override;
    void OpenAppURL();

    // The document-folder path of a file name.
    [[nodiscard]] static QString pathForDocumentWithFilename(const QString& name);
    [[nodiscard]] QString filePath(const QString& name) const;

    // Operations that callers may send and that do nothing here: the city data is loaded
    // by the selected-city state, the chat list is reached through its tab, a received
    // message shows through the chat screens, and floating messages show on views.
    void loadInitCityData() {}
    void gotoIMListVC() {}
    void showReceiveMsg(const QVariantMap& /*message*/, const QVariant& /*talkDetail*/) {}
    void showFloatMessgeZP(const QString& /*message*/) {}
    // The MAC of the interface "en0" (or of the primary interface where there is no "en0")
    // as "XX:XX:XX:XX:XX:XX", or a null text.
    static inline const QString kMacInterface = QStringLiteral("en0");
    [[nodiscard]] static QString macString();
    // The MAC of an interface in that form; a null text (and a console line) for none or
    // for one without a six-byte link-level address.
    [[nodiscard]] static QString macStringOf(const std::optional<ns::NetworkInterface>& interface);
    // The vendor id; this device has none, so "".
    [[nodiscard]] static QString idfvString();
    // The analytics vendor's tracking root.
    [[nodiscard]] static QString trackingRoot();

    // How the process ends after the forced-update alert (the program exits with the code).
    using ProcessExit = std::function<void(int code)>;
    static void setProcessExit(ProcessExit exit);

private:
    void observe(const QString& name, std::function<void(const ns::Notification&)> handler);
    void promptOptionalUpdate(const QVariantMap& reply);

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<QXTabBarController> tabBarController_;
    std::shared_ptr<tovikVersionCheck> qxVersionCheck_;
    std::shared_ptr<SelectedCityState> cityState_;
    std::shared_ptr<UserIdGetter> userIdGetter_;
    std::shared_ptr<ns::NetworkReachability> defaultRoute_;
    std::shared_ptr<Reachability> wifiReach_;
    std::shared_ptr<ns::URLConnection> installPing_;
    std::shared_ptr<QXIMService> imService_;
    // The application's plug-ins of the messaging service stay while they are held.
    std::vector<std::shared_ptr<QXIMServiceObserver>> imPlugins_;
    std::vector<std::shared_ptr<ns::NotificationCenter::Observation>> observations_;
    std::vector<std::shared_ptr<ui::AlertView>> alerts_;
    QVariant checkVersionData_;
    QString newVersionURL_;
    bool isShouldDragBackGesture_ = true;
    bool useWifi_ = false;
    int netType_ = 0;
    bool showAlt_ = false;
    QString selectCityName_;
    bool applicationRun_ = false;
    int startTime_ = 0;
    int endTime_ = 0;
    bool noticeOn_ = false;
    int timeInterval_ = 0;
};
