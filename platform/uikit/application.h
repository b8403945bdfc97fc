#pragma once

#include "platform/foundation/error.h"
#include "platform/foundation/timer.h"
#include "platform/uikit/geometry.h"
#include "platform/uikit/view_controller.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QLocalServer;

namespace ui {

class Application;
class Window;

// The notifications of the application's life, posted on the default centre
// right after the delegate heard the same event.
inline const QString kApplicationDidFinishLaunchingNotification =
    QStringLiteral("UIApplicationDidFinishLaunchingNotification");
inline const QString kApplicationWillResignActiveNotification =
    QStringLiteral("UIApplicationWillResignActiveNotification");
inline const QString kApplicationDidEnterBackgroundNotification =
    QStringLiteral("UIApplicationDidEnterBackgroundNotification");
inline const QString kApplicationWillEnterForegroundNotification =
    QStringLiteral("UIApplicationWillEnterForegroundNotification");
inline const QString kApplicationDidBecomeActiveNotification =
    QStringLiteral("UIApplicationDidBecomeActiveNotification");
inline const QString kApplicationWillTerminateNotification =
    QStringLiteral("UIApplicationWillTerminateNotification");
inline const QString kApplicationDidReceiveMemoryWarningNotification =
    QStringLiteral("UIApplicationDidReceiveMemoryWarningNotification");

// Keys of the launch options.
inline const QString kApplicationLaunchOptionsRemoteNotificationKey =
    QStringLiteral("UIApplicationLaunchOptionsRemoteNotificationKey");
inline const QString kApplicationLaunchOptionsURLKey =
    QStringLiteral("UIApplicationLaunchOptionsURLKey");

enum class ApplicationState { Active = 0, Inactive = 1, Background = 2 };

// Remote-notification kinds, as the platform's bits.
enum RemoteNotificationType : unsigned {
    kRemoteNotificationTypeNone = 0,
    kRemoteNotificationTypeBadge = 1u << 0,
    kRemoteNotificationTypeSound = 1u << 1,
    kRemoteNotificationTypeAlert = 1u << 2,
};

using BackgroundTaskIdentifier = unsigned;
inline constexpr BackgroundTaskIdentifier kBackgroundTaskInvalid = 0;

// What the application tells its delegate. Every method is optional.
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;

    virtual bool didFinishLaunchingWithOptions(Application& application,
                                               const QVariantMap& options) {
        (void)application, (void)options;
        return true;
    }
    virtual void applicationWillResignActive(Application&) {}
    virtual void applicationDidEnterBackground(Application&) {}
    virtual void applicationWillEnterForeground(Application&) {}
    virtual void applicationDidBecomeActive(Application&) {}
    virtual void applicationWillTerminate(Application&) {}
    virtual void applicationDidReceiveMemoryWarning(Application&) {}
    virtual void didRegisterForRemoteNotificationsWithDeviceToken(Application&,
                                                                  const QByteArray& token) {
        (void)token;
    }
    virtual void didFailToRegisterForRemoteNotificationsWithError(Application&,
                                                                  const ns::Error& error) {
        (void)error;
    }
    virtual void didReceiveRemoteNotification(Application&, const QVariantMap& payload) {
        (void)payload;
    }
    // A URL of the app's own scheme was opened; true when it was handled.
    virtual bool openURL(Application&, const QUrl& url, const QString& sourceApplication) {
        (void)url, (void)sourceApplication;
        return false;
    }
};

// The one application object: its delegate and its life (launch, resign
// active, background, foreground, become active, terminate), the icon badge,
// opening URLs, remote notifications, background tasks, the status bar and
// the key window.
//
// The host (or a test) drives the life: launch, then the events a phone would
// send. Remote notifications can be injected from the test driver, or from
// the command line into a running app (sendToRunningApplication).
class Application {
public:
    static constexpr double kStatusBarHeight = 20;
    // Seconds the app may keep running in the background for its tasks.
    static constexpr double kBackgroundTimeAllowed = 600;

    [[nodiscard]] static Application& sharedApplication();
    // Forgets the delegate, state and handlers (tests start afresh).
    static void reset();

    [[nodiscard]] std::shared_ptr<ApplicationDelegate> delegate() const { return delegate_; }
    void setDelegate(std::shared_ptr<ApplicationDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    [[nodiscard]] ApplicationState applicationState() const { return state_; }
    [[nodiscard]] bool hasLaunched() const { return launched_; }

    // The life. Each call does nothing unless the app is in the state it leaves
    // (launch: not yet launched; resignActive: active; enterBackground:
    // inactive; enterForeground: background; becomeActive: inactive or
    // launched; terminate: any running state). A launch's options are a push
    // stored on the sandbox by an earlier command line, the payloads received
    // before it, then `options`.
    bool launch(const QVariantMap& options = {});
    void resignActive();
    void enterBackground();
    void enterForeground();
    void becomeActive();
    void terminate();
    // The home button: resign active, then enter the background; coming back:
    // enter the foreground, then become active.
    void moveToBackground();
    void returnToForeground();
    void receiveMemoryWarning();

    [[nodiscard]] Window* keyWindow() const;
    [[nodiscard]] std::vector<Window*> windows() const;
    // Windows made by the app register here so that windows() lists them.
    void addWindow(const std::shared_ptr<Window>& window);

    [[nodiscard]] int applicationIconBadgeNumber() const { return badge_; }
    void setApplicationIconBadgeNumber(int number);

    // The status bar: 20 points high at the top of the screen unless hidden.
    [[nodiscard]] Rect statusBarFrame() const;
    [[nodiscard]] bool isStatusBarHidden() const { return statusBarHidden_; }
    void setStatusBarHidden(bool hidden, bool animated = false);
    [[nodiscard]] StatusBarStyle statusBarStyle() const { return statusBarStyle_; }
    void setStatusBarStyle(StatusBarStyle style, bool animated = false);
    // Where the status bar stands, as the platform numbers it (1 portrait, 2 upside
    // down, 3 and 4 landscape). The phone stays upright; a test may turn it.
    [[nodiscard]] int statusBarOrientation() const { return statusBarOrientation_; }
    void setStatusBarOrientation(int orientation) { statusBarOrientation_ = orientation; }
    [[nodiscard]] bool isNetworkActivityIndicatorVisible() const { return networkActivity_; }
    void setNetworkActivityIndicatorVisible(bool visible) { networkActivity_ = visible; }
    [[nodiscard]] bool isIgnoringInteractionEvents() const { return ignoringEvents_ > 0; }
    void beginIgnoringInteractionEvents() { ++ignoringEvents_; }
    void endIgnoringInteractionEvents() {
        if (ignoringEvents_ > 0) --ignoringEvents_;
    }

    // Opening URLs: every URL is logged and handed to the handler in force,
    // which answers whether it was opened. The default handler opens "tel:",
    // "sms:", "mailto:", "http:" and "https:" URLs: a "tel:" one shows the call
    // sheet over the key window (an alert titled with the number, "取消" and
    // "呼叫", either of which closes it); the others are only recorded.
    using OpenURLHandler = std::function<bool(const QUrl& url)>;
    bool openURL(const QUrl& url);
    [[nodiscard]] bool canOpenURL(const QUrl& url) const;
    void setOpenURLHandler(OpenURLHandler handler) { openURLHandler_ = std::move(handler); }
    // The URLs opened so far, in order.
    [[nodiscard]] const std::vector<QUrl>& openedURLs() const { return openedURLs_; }
    // Another app opens a URL of this app's scheme.
    bool handleIncomingURL(const QUrl& url, const QString& sourceApplication = {});

    // Remote notifications. Registering answers, on the main queue, with a
    // device token of 32 bytes that stays the same for one sandbox.
    void registerForRemoteNotificationTypes(unsigned types);
    void unregisterForRemoteNotifications();
    [[nodiscard]] unsigned enabledRemoteNotificationTypes() const { return remoteTypes_; }
    [[nodiscard]] static QByteArray deviceToken();
    // Delivers a payload as the push service would: to the running app's
    // delegate, or, before launch, as a launch option of the next launch.
    void receiveRemoteNotification(const QVariantMap& payload);
    // The payload waiting for the next launch, if any.
    [[nodiscard]] QVariantMap pendingLaunchOptions() const { return pendingLaunchOptions_; }
    // Listens for payloads sent by sendToRunningApplication (named after the
    // sandbox); launching starts it.
    bool listenForInjectedNotifications();
    void stopListeningForInjectedNotifications();
    // Sends a JSON payload from another process (the command line) to the app
    // running on the same sandbox; false when no app listens.
    static bool sendToRunningApplication(const QByteArray& jsonPayload, int timeoutMs = 2000);
    // The name of the local channel of the current sandbox.
    [[nodiscard]] static QString injectionChannelName();
    // The app program's command line: "--push JSON" sends the payload to the
    // app already running on this sandbox or, with none running, stores it in
    // the sandbox for the next launch (which takes it as its launch option),
    // and answers the exit code (0 sent or stored, 1 not a JSON object or not
    // stored). Without "--push" the answer is none: go on starting.
    [[nodiscard]] std::optional<int> handleCommandLine(const QStringList& arguments);

    // Background tasks: each may run until it ends or its time runs out
    // (600 s after entering the background), when its expiry handler runs.
    BackgroundTaskIdentifier beginBackgroundTaskWithExpirationHandler(
        std::function<void()> handler);
    void endBackgroundTask(BackgroundTaskIdentifier identifier);
    [[nodiscard]] std::size_t backgroundTaskCount() const { return tasks_.size(); }
    [[nodiscard]] double backgroundTimeRemaining() const;

private:
    Application();
    ~Application();
    void post(const QString& name);
    void expireBackgroundTasks();

    std::shared_ptr<ApplicationDelegate> delegate_;
    ApplicationState state_ = ApplicationState::Inactive;
    bool launched_ = false;
    bool terminated_ = false;
    int badge_ = 0;
    bool statusBarHidden_ = false;
    StatusBarStyle statusBarStyle_ = StatusBarStyle::Default;
    int statusBarOrientation_ = 1;
    bool networkActivity_ = false;
    int ignoringEvents_ = 0;
    OpenURLHandler openURLHandler_;
    std::vector<QUrl> openedURLs_;
    unsigned remoteTypes_ = 0;
    QVariantMap pendingLaunchOptions_;
    std::vector<std::weak_ptr<Window>> windows_;
    std::map<BackgroundTaskIdentifier, std::function<void()>> tasks_;
    BackgroundTaskIdentifier nextTask_ = 1;
    std::optional<double> backgroundSince_;
    ns::DelayedCall expiry_;
    std::uint64_t generation_ = 0;
    std::unique_ptr<QLocalServer> injectionServer_;
};

}  // namespace ui
