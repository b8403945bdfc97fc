#include "app/QXAppDelegate.h"

#include "IMChat/qximlib/QXIMService.h"
#include "IMChat/qximlib/QXIMUser.h"
#include "account/QXUCenterViewController.h"
#include "account/QXUserInfo.h"
#include "account/UserLogonData.h"
#include "app/QXAppChatHost.h"
#include "app/QXAppChatScreenOpener.h"
#include "app/QXAppHousesHost.h"
#include "app/QXAppMessagingPlugIns.h"
#include "app/QXAppNeedsHost.h"
#include "app/QXAppState.h"
#include "app/QXNavigationBar.h"
#include "app/QXNewGuidView.h"
#include "app/QXTabBarController.h"
#include "app/QXUtil.h"
#include "app/XXNavigationController.h"
#include "app/categories/UINavigationItem+iOS7Spacing.h"
#include "app/home/QXMainViewController.h"
#include "app/statistics/Statistics.h"
#include "app/statistics/StatisticsEventIds.h"
#include "app/statistics/StatisticsForAnalytics.h"
#include "chat/QXChatListController.h"
#include "chat/VoiceLeftovers.h"
#include "houses/HousesNavigation.h"
#include "location/CityData.h"
#include "location/CityNode.h"
#include "location/HotCitySelect.h"
#include "location/LocationManager.h"
#include "location/UserLocation.h"
#include "map/URLPic.h"
#include "needs/NeedFilterFile.h"
#include "net/EndpointTable.h"
#include "net/QXIMConstantManager.h"
#include "net/QXIMRequest.h"
#include "net/QXNetContext.h"
#include "net/UserIdGetter.h"
#include "net/transport/Reachability.h"
#include "platform/foundation/clock.h"
#include "platform/foundation/dispatch_queue.h"
#include "platform/foundation/network_interface.h"
#include "platform/foundation/network_reachability.h"
#include "platform/foundation/property_list.h"
#include "platform/foundation/sandbox.h"
#include "platform/foundation/timer.h"
#include "platform/foundation/url_connection.h"
#include "platform/foundation/url_request.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/device.h"
#include "platform/uikit/tab_bar_item.h"
#include "platform/uikit/window.h"

#include <QDebug>
#include <QUrl>
#include <QVersionNumber>

#include <netinet/in.h>

#include <cstdlib>

namespace {

const QString kBuildVersion = EndpointTable::versionId();
// The need form's chain keeps a cancel key of its own: the post list loads the same
// interface from the same endpoint, and the shared request object cancels a queued call of
// the same interface and URL. The fragment never goes on the wire.
const QString kNeedFormCancelKey = QStringLiteral("#need-form");

std::shared_ptr<QXAppDelegate>& sharedSlot() {
    static std::shared_ptr<QXAppDelegate> instance;
    return instance;
}

QXAppDelegate::ProcessExit& processExit() {
    static QXAppDelegate::ProcessExit exit = [](int code) { std::exit(code); };
    return exit;
}

ns::UserDefaults& defaults() {
    return ns::UserDefaults::standardUserDefaults();
}

}  // namespace

QXAppDelegate& QXAppDelegate::sharedAppDelegate() {
    return *sharedPointer();
}

std::shared_ptr<QXAppDelegate> QXAppDelegate::sharedPointer() {
    auto& slot = sharedSlot();
    if (!slot) slot = std::make_shared<QXAppDelegate>();
    return slot;
}

void QXAppDelegate::resetShared() {
    sharedSlot().reset();
}

void QXAppDelegate::setProcessExit(ProcessExit exit) {
    processExit() = std::move(exit);
}

QXAppDelegate::QXAppDelegate() = default;

QXAppDelegate::~QXAppDelegate() {
    if (wifiReach_) wifiReach_->stopNotifier();
    stopListenNetWorkStatus();
}

std::shared_ptr<QXUserInfo> QXAppDelegate::userInfo() const {
    return QXAppState::shared()->userInfo();
}

QString QXAppDelegate::userId() const {
    return QXAppState::shared()->userId();
}

void QXAppDelegate::setUserId(const QString& userId) {
    QXAppState::shared()->setUserId(userId);
}

int QXAppDelegate::currentCityScript_index() const {
    return QXAppState::shared()->currentCityScript_index();
}

void QXAppDelegate::setCurrentCityScript_index(int index) {
    QXAppState::shared()->setCurrentCityScript_index(index);
}

bool QXAppDelegate::connectionReachabil() const {
    return QXAppState::shared()->connectionReachabil();
}

void QXAppDelegate::setConnectionReachabil(bool reachable) {
    QXAppState::shared()->setConnectionReachabil(reachable);
}

bool QXAppDelegate::inCitySelect() const {
    return cityState_ && cityState_->inCitySelect();
}

void QXAppDelegate::setInCitySelect(bool inSelect) {
    if (cityState_) cityState_->setInCitySelect(inSelect);
}

std::shared_ptr<CityData> QXAppDelegate::cityData() const {
    return cityState_ ? cityState_->cityData() : nullptr;
}

std::shared_ptr<Street> QXAppDelegate::currentStreet() const {
    return cityState_ ? cityState_->currentStreet() : nullptr;
}

std::shared_ptr<UserLocation> QXAppDelegate::userLocation() const {
    return cityState_ ? cityState_->userLocation() : nullptr;
}

std::optional<ns::TimePoint> QXAppDelegate::lastLocationTime() const {
    return cityState_ ? cityState_->lastLocationTime() : std::nullopt;
}

QString QXAppDelegate::strLocation() const {
    return cityState_ ? cityState_->strLocation() : QString();
}

QString QXAppDelegate::locationStatuString() const {
    return cityState_ ? cityState_->locationStatuString() : QString();
}

void QXAppDelegate::observe(const QString& name,
                            std::function<void(const ns::Notification&)> handler) {
    observations_.push_back(
        ns::NotificationCenter::defaultCenter().addObserver(name, std::move(handler)));
}

bool QXAppDelegate::didFinishLaunchingWithOptions(ui::Application& application,
                                                  const QVariantMap& options) {
    QXNetContext::install(QXAppState::shared());
    UINavigationItemSpacing::install();

    defaults().setDouble(0, QStringLiteral("LastGetSubscribeRefreshStatusFromServerTime"));
    defaults().synchronize();
    isShouldDragBackGesture_ = true;
    QXUtil::mobStartWithAppKey(kAnalyticsAppKey);
    StatisticsForAnalytics::event(StatisticsEventIds::at(StatisticsEventIds::kStart));
    startListenNetWorkStatus();
    qxVersionCheck_ = std::make_shared<tovikVersionCheck>();
    userInfo()->readFromUserDefault();

    const QString storedUserId = defaults().stringForKey(QStringLiteral("userId"));
    setUserId(storedUserId.isEmpty() ? EndpointTable::fallbackUserId() : storedUserId);
    // Logged off, the login id read back is the installation's anonymous id, which the
    // user-id fetch of an earlier launch stored: the messaging user is the same one at every
    // launch, not only on the one that fetched it.
    const qint64 loginID = userInfo()->loginID();
    QXIMUser::shared().setUserId(QXIMUser::isSignedInId(loginID) ? loginID : userInfo()->userId());

    QXIMConstantManager& constants = QXIMConstantManager::share();
    constants.setQximagency(EndpointTable::agency());
    constants.setQximclientAgent(EndpointTable::clientAgent());
    constants.setQximcustomId(EndpointTable::customerId());
    constants.setQximmodel(EndpointTable::model());
    constants.setQximversionId(EndpointTable::versionId());
    constants.setQximclientTest(QStringLiteral("false"));
    constants.setQximwebimServer(EndpointTable::webIMPost());
    constants.setQximwebimgetServer(EndpointTable::webIMGet());
    constants.setQximnewServerURL(EndpointTable::dataShareEndpoint());
    constants.setQximIMweb6ServerUrl(EndpointTable::backend());
    constants.setQximserverDomain(EndpointTable::imageHost());
    constants.setQximdataVersion(EndpointTable::dataVersion());
    imService_ = QXIMService::shared();
    imPlugins_ = QXAppMessagingPlugIns::install(*imService_);

    cityState_ = std::make_shared<SelectedCityState>(
        std::static_pointer_cast<SelectedCityHost>(shared_from_this()));
    cityState_->startConfirmLocation();
    cityState_->observe();
    cityState_->loadCitiesData();
    HousesHost::install(std::make_shared<QXAppHousesHost>(cityState_));
    NeedsHost::install(std::make_shared<QXAppNeedsHost>(cityState_));
    ChatScreenOpener::install(std::make_shared<QXAppChatScreenOpener>());
    ChatHost::install(std::make_shared<QXAppChatHost>(weak_from_this()));
    URLPic::setUsesWifi([weak = weak_from_this()] {
        const auto self = weak.lock();
        return self && self->useWifi();
    });
    loadSendNeedInfo();
    // Recordings of earlier runs that no stored message points at.
    VoiceLeftovers::clearAtLaunch();
    if (!defaults().objectForKey(QStringLiteral("xiaoxiPushNotice")).isValid()) {
        defaults().setBool(true, QStringLiteral("xiaoxiPushNotice"));
    }

    window_ = std::make_shared<ui::Window>();
    application.addWindow(window_);
    if (defaults().stringForKey(QStringLiteral("lastVersion")) != kBuildVersion) {
        defaults().setBool(false, QStringLiteral("newVersionWithSendInfo"));
    }
    tabBarController_ = std::make_shared<QXTabBarController>();
    setTabBarProperties(*tabBarController_);
    window_->setRootViewController(tabBarController_);
    window_->makeKeyAndVisible();

    autoLogin();
    checkUserIdWithAnimation(true);
    wifiReach_ = Reachability::reachabilityForLocalWiFi();
    if (wifiReach_) {
        wifiReach_->startNotifier();
        updateInterfaceWithReachability(int(wifiReach_->currentReachabilityStatus()));
    }
    qxVersionCheck_->CheckVersionWithDelegate(
        std::static_pointer_cast<tovikVersionCheckDelegate>(shared_from_this()), 1);
    SetDefaultConfig();
    readDescribeSettings();
    observe(kReachabilityChangedNotification, [this](const ns::Notification& notification) {
        if (auto reachability = notification.objectAs<std::shared_ptr<Reachability>>()) {
            reachabilityChanged(*reachability);
        }
    });
    observe(kUserChangedNotification, [this](const ns::Notification&) { userChanged(); });
    applicationRun_ = true;
    downLoadSendNeedInfo(1, currentCityScript_index());
    application.registerForRemoteNotificationTypes(ui::kRemoteNotificationTypeBadge |
                                                   ui::kRemoteNotificationTypeSound |
                                                   ui::kRemoteNotificationTypeAlert);
    showGuideView();
    sendInstallPing();
    didLoadAppByUnRunOnDevice(options);
    return true;
}

void QXAppDelegate::setTabBarProperties(QXTabBarController& tabs) {
    auto home = std::make_shared<QXMainViewController>();
    auto chats = std::make_shared<QXChatListController>();
    auto record = HousesNavigation::favourites();
    auto center = std::make_shared<QXUCenterViewController>(userInfo());
    const std::pair<std::shared_ptr<ui::ViewController>, QString> tabRoots[] = {
        {home, QStringLiteral("首页")},
        {chats, QStringLiteral("沟通")},
        {record, QStringLiteral("看房记")},
        {center, QStringLiteral("个人中心")},
    };
    std::vector<std::shared_ptr<ui::ViewController>> stacks;
    for (const auto& [root, title] : tabRoots) {
        auto stack = QXNavigationBar::XXNavigationControllerWithQXBar(root);
        stack->tabBarItem()->setTitle(title);
        stacks.push_back(std::move(stack));
    }
    tabs.setViewControllers(std::move(stacks));
}

void QXAppDelegate::autoLogin() {
    const auto user = userInfo();
    if (!user->logonSuccess()) return;
    const qint64 loginID = user->loginID();
    UserLogonData::startHttpRequestWithLoginID(
        QString::number(loginID), *user, {}, [user, loginID](const QString&) {
            // The server no longer knows this logon: the user must not be shown as logged on
            // with a dead session, whatever becomes of the logout request.
            UserLogonData::autoLogoutRequestWithSuccess(loginID, {}, {});
            user->removeMemoryLogonInfo();
            defaults().setBool(false, QStringLiteral("lastLogonState"));
            QXUserInfo::removeFileLogonInfo();
            QXUtil::showAlertViewWithAlertString(QStringLiteral("您的登陆已失效，请重新登录！"));
        });
}

void QXAppDelegate::checkUserIdWithAnimation(bool animated) {
    const QString stored = defaults().stringForKey(QStringLiteral("userId"));
    if (stored.isEmpty() || stored == EndpointTable::fallbackUserId()) {
        ui::Application::sharedApplication().setApplicationIconBadgeNumber(0);
        userIdGetter_ = std::make_shared<UserIdGetter>();
        userIdGetter_->queryUserId();
    }
    if (cityState_) cityState_->checkCityWithAnimation(animated);
}

bool QXAppDelegate::hasUserId() const {
    const QString id = defaults().stringForKey(QStringLiteral("userId"));
    return !id.isEmpty() && id != EndpointTable::fallbackUserId();
}

int QXAppDelegate::selectedTabIndex() const {
    return tabBarController_ ? int(tabBarController_->selectedIndex()) : -1;
}

int QXAppDelegate::screensOnSelectedTab() const {
    if (!tabBarController_) return 0;
    const auto* stack =
        dynamic_cast<ui::NavigationController*>(tabBarController_->selectedViewController().get());
    return stack ? int(stack->viewControllers().size()) : 0;
}

void QXAppDelegate::currentCityScriptIndexChanged(int scriptIndex) {
    setCurrentCityScript_index(scriptIndex);
    // The city's database id goes with its script index (the banners ask by it).
    const auto cities = cityState_ ? cityState_->cityData() : nullptr;
    const auto city = cities ? cities->cityWithScriptIndex(scriptIndex) : nullptr;
    QXAppState::shared()->setCurrentCityId(city ? city->nodeId() : 0);
}

void QXAppDelegate::presentCitySelection(bool animated) {
    if (!tabBarController_ || !cityState_) return;
    auto chooser = std::make_shared<HotCitySelect>(cityState_);
    if (const auto cities = cityState_->cityData()) chooser->setCurrentCity(cities->currentCity());
    chooser->setBFirstPage(true);
    auto stack = QXNavigationBar::NavigationControllerWithQXBar(chooser);
    stack->navigationBar()->setBarStyle(ui::BarStyle::Black);
    tabBarController_->presentViewController(stack, animated);
}

void QXAppDelegate::loadSendNeedInfo() {
    for (const QString& name : {QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("5")}) {
        const auto form = ns::dictionaryWithContentsOfFile(
            ns::Bundle::pathForResource(name, QStringLiteral("plist")));
        if (form) ns::writeToFile(*form, pathForDocumentWithFilename(name), true);
    }
}

void QXAppDelegate::downLoadSendNeedInfo(int major, int cityIndex) {
    // No city yet: the chain runs once a city is set, never for the index -1.
    if (cityIndex < 0) return;
    QXIMRequest::shared().addValuesFormDic(NeedFilterFile::downloadHeaders(major, cityIndex));
    // A delegate that has gone (a finished run) takes the chain no further.
    auto goOn = [weak = weak_from_this(), major, cityIndex] {
        const auto self = weak.lock();
        if (self && major >= 1 && major <= 4) self->downLoadSendNeedInfo(major + 2, cityIndex);
    };
    QXIMRequest::shared().goOnRequestWithUrl(
        EndpointTable::dataShareEndpoint() + kNeedFormCancelKey, NeedFilterFile::kInterface,
        NeedFilterFile::downloadBody(major, cityIndex),
        [major, cityIndex, goOn](const QVariant& reply) {
            // A success without a reply ends the chain.
            if (!reply.isValid()) return;
            // Definitions without house values are not kept (NeedFilterFile::write): the
            // form then asks for them itself.
            NeedFilterFile::write(reply.toMap(), cityIndex, major);
            goOn();
        },
        [goOn](const QVariantMap&) { goOn(); });
}

void QXAppDelegate::SetDefaultConfig() {
    const std::pair<QString, QVariant> settings[] = {
        {QStringLiteral("describeInterval"), QStringLiteral("60")},
        {QStringLiteral("describeAlertType"), QStringLiteral("1_1_1")},
        {QStringLiteral("startAlert"), 9},
        {QStringLiteral("endAlert"), 21},
        {QStringLiteral("describeNotice"), true},
        {QStringLiteral("sixinPushNotice"), true},
        {QStringLiteral("xiaoxiPushNotice"), true},
        {QStringLiteral("huodongNotice"), false},
    };
    for (const auto& [key, value] : settings) {
        if (!defaults().objectForKey(key).isValid()) defaults().setObject(value, key);
    }
    defaults().synchronize();
}

void QXAppDelegate::readDescribeSettings() {
    startTime_ = int(defaults().integerForKey(QStringLiteral("startAlert")));
    endTime_ = int(defaults().integerForKey(QStringLiteral("endAlert")));
    noticeOn_ = defaults().boolForKey(QStringLiteral("describeNotice"));
    timeInterval_ = int(defaults().integerForKey(QStringLiteral("describeInterval")));
}

void QXAppDelegate::showGuideView() {
    const QString lastVersion = defaults().stringForKey(QStringLiteral("lastVersion"));
    if (lastVersion.isEmpty()) defaults().setObject(kBuildVersion, QStringLiteral("lastVersion"));
    if (lastVersion != kBuildVersion) {
        defaults().setObject(kBuildVersion, QStringLiteral("lastVersion"));
        defaults().setObject(QStringLiteral("0"), QStringLiteral("cityVersion"));
        defaults().setInteger(0, QStringLiteral("TongZhiNoReadNum"));
        defaults().setBool(false, QStringLiteral("guideShown"));
    }
    if (!defaults().boolForKey(QStringLiteral("guideShown")) && window_) {
        defaults().setBool(true, QStringLiteral("guideShown"));
        window_->addSubview(QXNewGuidView::create(window_->bounds()));
    }
    defaults().synchronize();
}

QString QXAppDelegate::trackingRoot() {
    return EndpointTable::serverRoot() + QStringLiteral("/track");
}

void QXAppDelegate::sendInstallPing() {
    const QString query =
        QStringLiteral("?devicename=%1&mac=%2&idfa=%3&idfv=%4")
            .arg(QString::fromLatin1(QUrl::toPercentEncoding(ui::Device::currentDevice().name())),
                 macString(), QString(), idfvString());
    const QUrl url(trackingRoot() + QStringLiteral("/ping/%1/").arg(kTrackingAppId) + query);
    // Its reply and failures do not matter to anyone: a delegate that ignores them.
    installPing_ = ns::URLConnection::connectionWithRequest(
        ns::URLRequest(url), std::make_shared<ns::URLConnectionDelegate>());
}

QString QXAppDelegate::macString() {
    // The interface is asked for by the name "en0". Linux names its interfaces otherwise
    // (this machine has no "en0"), so without one the device's primary interface stands in.
    std::optional<ns::NetworkInterface> interface = ns::NetworkInterface::named(kMacInterface);
    if (!interface) interface = ns::NetworkInterface::primary();
    return macStringOf(interface);
}

QString QXAppDelegate::macStringOf(const std::optional<ns::NetworkInterface>& interface) {
    if (!interface) {
        qWarning().noquote() << "Error: if_nametoindex error";
        return {};
    }
    // Only a six-byte link-level address is a MAC address.
    if (interface->hardwareAddress.size() != 6) {
        qWarning().noquote() << "Error: sysctl, take 2";
        return {};
    }
    return interface->hardwareAddressText(QStringLiteral(":"));
}

QString QXAppDelegate::idfvString() {
    return QStringLiteral("");
}

QString QXAppDelegate::pathForDocumentWithFilename(const QString& name) {
    return QXUtil::pathForDocumentWithFilename(name);
}

QString QXAppDelegate::filePath(const QString& name) const {
    return pathForDocumentWithFilename(name);
}

void QXAppDelegate::userChanged() {
    ui::Application::sharedApplication().setApplicationIconBadgeNumber(0);
    if (imService_) imService_->userChanged();
    SetDefaultConfig();
    readDescribeSettings();
}

void QXAppDelegate::applicationWillResignActive(ui::Application& application) {
    if (imService_) {
        imService_->cancelRecConnect();
        imService_->setNoKeepOnline(true);
    }
    application.setApplicationIconBadgeNumber(0);
    Statistics::getInstance().applicationWillTerminate();
    defaults().synchronize();
}

void QXAppDelegate::applicationDidEnterBackground(ui::Application& application) {
    applicationRun_ = false;
    if (!ui::Device::currentDevice().isMultitaskingSupported()) return;
    // Nothing runs in the task; its expiry handler ends that very task (not one begun on a
    // later trip to the background, which would leave this one running for good).
    auto task = std::make_shared<ui::BackgroundTaskIdentifier>(ui::kBackgroundTaskInvalid);
    *task = application.beginBackgroundTaskWithExpirationHandler([task, &application] {
        application.endBackgroundTask(*task);
        *task = ui::kBackgroundTaskInvalid;
    });
}

void QXAppDelegate::applicationWillEnterForeground(ui::Application&) {
    autoLogin();
    ns::NotificationCenter::defaultCenter().post(QStringLiteral("NOTIFICATION_ENTER_BACKGROUND"),
                                                 this);
}

void QXAppDelegate::applicationDidBecomeActive(ui::Application& application) {
    application.setApplicationIconBadgeNumber(0);
    // Listens again for the current user (the stream was closed on resigning active).
    if (imService_) imService_->userChanged();
    ns::NotificationCenter::defaultCenter().post(QStringLiteral("refreshIcon"));
    QXUtil::afterTenMinStartLocates();
    if (cityState_ && cityState_->userLocation()) {
        cityState_->userLocation()->setState(UserLocationLocating);
        LocationManager::locationManager()->startUpdates();
    }
}

void QXAppDelegate::applicationWillTerminate(ui::Application& application) {
    application.setApplicationIconBadgeNumber(0);
    stopListenNetWorkStatus();
    StatisticsForAnalytics::event(StatisticsEventIds::at(StatisticsEventIds::kExit));
    // The process ends: the messaging service stores nothing more once the message store
    // may close.
    QXIMService::forceRelease();
}

void QXAppDelegate::startListenNetWorkStatus() {
    sockaddr_in zero{};
    zero.sin_family = AF_INET;
    defaultRoute_ = ns::NetworkReachability::withAddress(reinterpret_cast<const sockaddr*>(&zero));
    if (!defaultRoute_) return;
    evaluateDefaultRoute(defaultRoute_->flags());
    defaultRoute_->setCallback([weak = weak_from_this()](ns::NetworkReachability::Flags flags) {
        if (const auto self = weak.lock()) self->evaluateDefaultRoute(flags);
    });
    defaultRoute_->setDispatchQueue(ns::DispatchQueue::main());
}

void QXAppDelegate::stopListenNetWorkStatus() {
    if (!defaultRoute_) return;
    defaultRoute_->setCallback({});
    defaultRoute_->setDispatchQueue(nullptr);
    defaultRoute_.reset();
}

void QXAppDelegate::evaluateDefaultRoute(std::optional<std::uint32_t> flags) {
    // Unreadable flags leave the state as it was.
    if (!flags) return;
    using Flags = ns::NetworkReachability;
    if (!(*flags & Flags::kReachable)) {
        setConnectionReachabil(false);
    } else if (*flags & Flags::kIsWWAN) {
        setConnectionReachabil(true);
    } else {
        setConnectionReachabil(!(*flags & Flags::kConnectionRequired));
    }
}

void QXAppDelegate::updateInterfaceWithReachability(int status) {
    switch (status) {
        case 2:
            useWifi_ = true;
            netType_ = 1;
            break;
        case 1:
            useWifi_ = false;
            if (connectionReachabil()) netType_ = 3;
            break;
        default:
            useWifi_ = false;
            netType_ = connectionReachabil() ? 2 : 0;
            break;
    }
}

void QXAppDelegate::reachabilityChanged(const Reachability& reachability) {
    updateInterfaceWithReachability(int(reachability.currentReachabilityStatus()));
}

void QXAppDelegate::newNetWorkForToVikVersonCheck(tovikVersionCheck& checker) {
    handleVersionReply(checker.data());
}

void QXAppDelegate::handleVersionReply(const QVariant& reply) {
    checkVersionData_ = reply;
    if (reply.typeId() != QMetaType::QVariantMap) return;
    const QVariantMap data = reply.toMap();
    const int status = data.value(QStringLiteral("Status")).toInt();
    if (data.contains(QStringLiteral("capichaUrl"))) {
        defaults().setObject(data.value(QStringLiteral("capichaUrl")),
                             QStringLiteral("capichaUrl"));
    }
    auto self = std::static_pointer_cast<ui::AlertViewDelegate>(shared_from_this());
    if (status == 2) {
        alerts_.push_back(QXUtil::showAlertViewWithAlertTitle(
            QStringLiteral("升级提示"),
            QStringLiteral("当前版本已停止服务，点击“确定”按钮下载安装新版本"), self,
            QStringLiteral("取消"), QStringLiteral("确定"), kForcedUpdateTag));
        newVersionURL_ = data.value(QStringLiteral("Url")).toString();
        return;
    }
    if (status != 1) return;
    const double now = ns::Clock::shared().timeIntervalSince1970();
    const QString lastKey = QStringLiteral("lastIphoneDate");
    if (!defaults().objectForKey(lastKey).isValid()) {
        defaults().setDouble(now, lastKey);
        promptOptionalUpdate(data);
    }
    if (now - defaults().doubleForKey(lastKey) > kOptionalUpdateInterval) {
        defaults().setDouble(now, lastKey);
        promptOptionalUpdate(data);
    }
}

void QXAppDelegate::promptOptionalUpdate(const QVariantMap& reply) {
    const QString version = reply.value(QStringLiteral("Version")).toString();
    QString message = QStringLiteral("发现TovikNevoru找房最新版本%1").arg(version);
    const QString description = reply.value(QStringLiteral("Description")).toString();
    if (!description.isEmpty()) message += QStringLiteral("\n版本描述:\n%1").arg(description);

    const QString stored = defaults().stringForKey(QStringLiteral("NewVersionStr"));
    const bool storedIsOlder = !stored.isEmpty() && QVersionNumber::fromString(stored) <
                                                        QVersionNumber::fromString(version);
    defaults().setInteger(
        storedIsOlder ? 1 : defaults().integerForKey(QStringLiteral("NewVersionPrompt")) + 1,
        QStringLiteral("NewVersionPrompt"));
    defaults().setObject(version, QStringLiteral("NewVersionStr"));
    defaults().synchronize();

    alerts_.push_back(QXUtil::showAlertViewWithAlertTitle(
        QStringLiteral("升级提示"), message,
        std::static_pointer_cast<ui::AlertViewDelegate>(shared_from_this()), QStringLiteral("忽略"),
        QStringLiteral("立即升级"), kOptionalUpdateTag));
    newVersionURL_ = reply.value(QStringLiteral("Url")).toString();
}

void QXAppDelegate::clickedButtonAtIndex(ui::AlertView& alert, int index) {
    if (alert.tag() == kForcedUpdateTag) {
        if (index == 1) {
            OpenAppURL();
            StatisticsForAnalytics::event(
                StatisticsEventIds::at(StatisticsEventIds::kAgreedToForcedUpdate));
        }
        processExit()(0);
    } else if (alert.tag() == kOptionalUpdateTag) {
        if (index == 1) {
            ns::Timer::scheduledTimer(ns::seconds(0.2), false,
                                      [weak = weak_from_this()](ns::Timer&) {
                                          if (const auto self = weak.lock()) self->OpenAppURL();
                                      });
            StatisticsForAnalytics::event(
                StatisticsEventIds::at(StatisticsEventIds::kAgreedToUpdate));
        } else {
            StatisticsForAnalytics::event(StatisticsEventIds::at(StatisticsEventIds::kDoNotUpdate));
        }
    }
    std::erase_if(alerts_, [&alert](const auto& shown) { return shown.get() == &alert; });
}

void QXAppDelegate::OpenAppURL() {
    if (newVersionURL_.isEmpty()) return;
    ui::Application::sharedApplication().openURL(QUrl(newVersionURL_));
}
