#include "platform/uikit/application.h"

#include "platform/foundation/clock.h"
#include "platform/foundation/file_manager.h"
#include "platform/foundation/main_queue.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/sandbox.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/window.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>

#include <limits>

namespace ui {

namespace {

double uptimeSeconds() {
    return ns::toSeconds(ns::Clock::shared().uptime());
}

bool openedByDefault(const QUrl& url) {
    static const QStringList schemes = {QStringLiteral("tel"), QStringLiteral("sms"),
                                        QStringLiteral("mailto"), QStringLiteral("http"),
                                        QStringLiteral("https")};
    return url.isValid() && schemes.contains(url.scheme().toLower());
}

// What the phone shows when asked to call a number: the number, with the choice to call it
// or not. There is no line to call on, so either button only closes the sheet; the URL
// opened is logged and kept all the same.
void showCallSheet(const QUrl& url) {
    QString number = url.toString(QUrl::RemoveScheme | QUrl::PrettyDecoded);
    while (number.startsWith(u'/')) number.remove(0, 1);
    auto sheet =
        std::make_shared<AlertView>(number, QString(), std::weak_ptr<AlertViewDelegate>(),
                                    QStringLiteral("取消"), QStringList{QStringLiteral("呼叫")});
    sheet->show();
}

// Where a push sent while no app runs on the sandbox waits for the next launch.
QString storedPushPath() {
    return ns::Sandbox::library() + QStringLiteral("/PendingRemoteNotification.json");
}

// The push stored for this launch, taken off the disk; nothing when there is none or it
// is no JSON object.
std::optional<QVariantMap> takeStoredPush() {
    const QString path = storedPushPath();
    const std::optional<QByteArray> bytes = ns::FileManager::contentsAtPath(path);
    if (!bytes) return std::nullopt;
    ns::FileManager::removeItemAtPath(path);
    const QJsonDocument document = QJsonDocument::fromJson(*bytes);
    if (!document.isObject()) {
        qWarning().noquote() << "ignored the stored push: not a JSON object";
        return std::nullopt;
    }
    return document.object().toVariantMap();
}

}  // namespace

Application::Application() = default;
Application::~Application() = default;

Application& Application::sharedApplication() {
    // Never destroyed: it lives as long as the process, past the Qt application.
    static auto* application = new Application;
    return *application;
}

void Application::reset() {
    Application& app = sharedApplication();
    app.stopListeningForInjectedNotifications();
    app.expiry_.cancel();
    app.delegate_.reset();
    app.state_ = ApplicationState::Inactive;
    app.launched_ = false;
    app.terminated_ = false;
    app.badge_ = 0;
    app.statusBarHidden_ = false;
    app.statusBarStyle_ = StatusBarStyle::Default;
    app.networkActivity_ = false;
    app.ignoringEvents_ = 0;
    app.openURLHandler_ = {};
    app.openedURLs_.clear();
    app.remoteTypes_ = 0;
    app.pendingLaunchOptions_.clear();
    app.windows_.clear();
    app.tasks_.clear();
    app.backgroundSince_.reset();
    ++app.generation_;
}

void Application::post(const QString& name) {
    ns::NotificationCenter::defaultCenter().post(name, this);
}

bool Application::launch(const QVariantMap& options) {
    if (launched_) return false;
    launched_ = true;
    state_ = ApplicationState::Inactive;
    // Pushes sent from the command line reach the app from now on.
    listenForInjectedNotifications();
    QVariantMap all;
    if (const auto stored = takeStoredPush()) {
        all.insert(kApplicationLaunchOptionsRemoteNotificationKey, *stored);
    }
    all.insert(pendingLaunchOptions_);
    pendingLaunchOptions_.clear();
    for (auto it = options.begin(); it != options.end(); ++it) all.insert(it.key(), it.value());
    const auto delegate = delegate_;
    const bool result = delegate ? delegate->didFinishLaunchingWithOptions(*this, all) : true;
    ns::NotificationCenter::defaultCenter().post(kApplicationDidFinishLaunchingNotification, this,
                                                 all);
    becomeActive();
    return result;
}

void Application::resignActive() {
    if (!launched_ || terminated_ || state_ != ApplicationState::Active) return;
    state_ = ApplicationState::Inactive;
    if (const auto delegate = delegate_) delegate->applicationWillResignActive(*this);
    post(kApplicationWillResignActiveNotification);
}

void Application::enterBackground() {
    if (!launched_ || terminated_ || state_ != ApplicationState::Inactive) return;
    state_ = ApplicationState::Background;
    backgroundSince_ = uptimeSeconds();
    const auto generation = generation_;
    expiry_ = ns::DelayedCall::schedule(ns::seconds(kBackgroundTimeAllowed), [this, generation] {
        if (generation == generation_) expireBackgroundTasks();
    });
    if (const auto delegate = delegate_) delegate->applicationDidEnterBackground(*this);
    post(kApplicationDidEnterBackgroundNotification);
}

void Application::enterForeground() {
    if (!launched_ || terminated_ || state_ != ApplicationState::Background) return;
    state_ = ApplicationState::Inactive;
    backgroundSince_.reset();
    expiry_.cancel();
    if (const auto delegate = delegate_) delegate->applicationWillEnterForeground(*this);
    post(kApplicationWillEnterForegroundNotification);
}

void Application::becomeActive() {
    if (!launched_ || terminated_ || state_ != ApplicationState::Inactive) return;
    state_ = ApplicationState::Active;
    if (const auto delegate = delegate_) delegate->applicationDidBecomeActive(*this);
    post(kApplicationDidBecomeActiveNotification);
}

void Application::terminate() {
    if (!launched_ || terminated_) return;
    terminated_ = true;
    expiry_.cancel();
    // A push for an app that has ended waits for the next launch; the channel's socket goes.
    stopListeningForInjectedNotifications();
    if (const auto delegate = delegate_) delegate->applicationWillTerminate(*this);
    post(kApplicationWillTerminateNotification);
}

void Application::moveToBackground() {
    resignActive();
    enterBackground();
}

void Application::returnToForeground() {
    enterForeground();
    becomeActive();
}

void Application::receiveMemoryWarning() {
    if (const auto delegate = delegate_) delegate->applicationDidReceiveMemoryWarning(*this);
    post(kApplicationDidReceiveMemoryWarningNotification);
}

Window* Application::keyWindow() const {
    return Window::keyWindow();
}

std::vector<Window*> Application::windows() const {
    std::vector<Window*> all;
    for (const auto& weak : windows_) {
        if (auto window = weak.lock()) all.push_back(window.get());
    }
    if (Window* key = Window::keyWindow();
        key && std::find(all.begin(), all.end(), key) == all.end())
        all.push_back(key);
    return all;
}

void Application::addWindow(const std::shared_ptr<Window>& window) {
    std::erase_if(windows_, [](const auto& weak) { return weak.expired(); });
    for (const auto& weak : windows_) {
        if (weak.lock() == window) return;
    }
    windows_.push_back(window);
}

void Application::setApplicationIconBadgeNumber(int number) {
    badge_ = number;
}

Rect Application::statusBarFrame() const {
    if (statusBarHidden_) return {};
    return {0, 0, 320, kStatusBarHeight};
}

void Application::setStatusBarHidden(bool hidden, bool) {
    statusBarHidden_ = hidden;
}

void Application::setStatusBarStyle(StatusBarStyle style, bool) {
    statusBarStyle_ = style;
}

bool Application::openURL(const QUrl& url) {
    qInfo().noquote() << "open URL" << url.toString();
    openedURLs_.push_back(url);
    if (openURLHandler_) return openURLHandler_(url);
    if (!openedByDefault(url)) return false;
    if (url.scheme().compare(QLatin1String("tel"), Qt::CaseInsensitive) == 0) showCallSheet(url);
    return true;
}

bool Application::canOpenURL(const QUrl& url) const {
    return openedByDefault(url);
}

bool Application::handleIncomingURL(const QUrl& url, const QString& sourceApplication) {
    const auto delegate = delegate_;
    return delegate && delegate->openURL(*this, url, sourceApplication);
}

QByteArray Application::deviceToken() {
    return QCryptographicHash::hash(
        ("push:" + ns::Bundle::bundleIdentifier() + ':' + ns::Sandbox::root()).toUtf8(),
        QCryptographicHash::Sha256);
}

void Application::registerForRemoteNotificationTypes(unsigned types) {
    remoteTypes_ = types;
    const auto generation = generation_;
    ns::MainQueue::post([this, generation] {
        if (generation != generation_ || remoteTypes_ == 0) return;
        if (const auto delegate = delegate_)
            delegate->didRegisterForRemoteNotificationsWithDeviceToken(*this, deviceToken());
    });
}

void Application::unregisterForRemoteNotifications() {
    remoteTypes_ = 0;
}

void Application::receiveRemoteNotification(const QVariantMap& payload) {
    if (!launched_ || terminated_) {
        pendingLaunchOptions_.insert(kApplicationLaunchOptionsRemoteNotificationKey, payload);
        return;
    }
    // A payload reaching an app in the background is the user opening it: the
    // app comes to the foreground, hears the payload, then becomes active.
    const bool wasInBackground = state_ == ApplicationState::Background;
    if (wasInBackground) enterForeground();
    if (const auto delegate = delegate_) delegate->didReceiveRemoteNotification(*this, payload);
    if (wasInBackground) becomeActive();
}

QString Application::injectionChannelName() {
    const QByteArray hash =
        QCryptographicHash::hash(ns::Sandbox::root().toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("housing-push-") + QString::fromLatin1(hash.left(16));
}

bool Application::listenForInjectedNotifications() {
    if (injectionServer_) return true;
    auto server = std::make_unique<QLocalServer>();
    const QString name = injectionChannelName();
    QLocalServer::removeServer(name);
    if (!server->listen(name)) return false;
    QLocalServer* raw = server.get();
    QObject::connect(raw, &QLocalServer::newConnection, raw, [this, raw] {
        while (QLocalSocket* socket = raw->nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QLocalSocket::readyRead, socket,
                             [socket, buffer] { buffer->append(socket->readAll()); });
            QObject::connect(socket, &QLocalSocket::disconnected, socket, [this, socket, buffer] {
                buffer->append(socket->readAll());
                socket->deleteLater();
                const QJsonDocument document = QJsonDocument::fromJson(*buffer);
                if (!document.isObject()) {
                    qWarning().noquote() << "ignored injected notification: not a JSON object";
                    return;
                }
                receiveRemoteNotification(document.object().toVariantMap());
            });
        }
    });
    injectionServer_ = std::move(server);
    return true;
}

void Application::stopListeningForInjectedNotifications() {
    injectionServer_.reset();
}

bool Application::sendToRunningApplication(const QByteArray& jsonPayload, int timeoutMs) {
    if (!QJsonDocument::fromJson(jsonPayload).isObject()) return false;
    QLocalSocket socket;
    socket.connectToServer(injectionChannelName());
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(jsonPayload);
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
    return true;
}

std::optional<int> Application::handleCommandLine(const QStringList& arguments) {
    const qsizetype at = arguments.indexOf(QStringLiteral("--push"));
    if (at < 0) return std::nullopt;
    const QByteArray json = arguments.value(at + 1).toUtf8();
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject()) {
        qWarning().noquote() << "--push needs a JSON object";
        return 1;
    }
    if (sendToRunningApplication(json)) return 0;
    // No app runs on this sandbox: the push waits on the disk for the next launch.
    if (!ns::FileManager::createFileAtPath(storedPushPath(), json)) {
        qWarning().noquote() << "cannot store the push in" << storedPushPath();
        return 1;
    }
    qInfo().noquote() << "no app runs on this sandbox: the push waits for its next launch";
    return 0;
}

BackgroundTaskIdentifier Application::beginBackgroundTaskWithExpirationHandler(
    std::function<void()> handler) {
    const BackgroundTaskIdentifier identifier = nextTask_++;
    tasks_[identifier] = std::move(handler);
    return identifier;
}

void Application::endBackgroundTask(BackgroundTaskIdentifier identifier) {
    tasks_.erase(identifier);
}

double Application::backgroundTimeRemaining() const {
    if (!backgroundSince_) return std::numeric_limits<double>::max();
    return std::max(0.0, kBackgroundTimeAllowed - (uptimeSeconds() - *backgroundSince_));
}

void Application::expireBackgroundTasks() {
    // Handlers end their own tasks; each runs once.
    auto expiring = tasks_;
    for (auto& [identifier, handler] : expiring) {
        if (tasks_.contains(identifier) && handler) handler();
    }
}

}  // namespace ui
