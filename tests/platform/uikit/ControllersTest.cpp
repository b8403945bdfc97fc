#include "UIKitTest.h"

#include "platform/foundation/file_manager.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/sandbox.h"
#include "platform/uikit/application.h"
#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/button.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_bar.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/tab_bar.h"
#include "platform/uikit/tab_bar_controller.h"
#include "platform/uikit/tab_bar_item.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/view_controller_transitioning.h"
#include "platform/uikit/window.h"
#include "platform/uikit/window_overlays.h"

#include <QStringList>

namespace {

using ui::NavigationController;
using ui::Rect;
using ui::TabBarController;
using ui::ViewController;

// A screen that writes each appearance call into a shared log.
class LoggingScreen : public ViewController {
public:
    LoggingScreen(QString name, QStringList& log) : name_(std::move(name)), log_(log) {}

    void viewDidLoad() override { log_ << name_ + ".load"; }
    void viewWillAppear(bool) override { log_ << name_ + ".willAppear"; }
    void viewDidAppear(bool) override { log_ << name_ + ".didAppear"; }
    void viewWillDisappear(bool) override { log_ << name_ + ".willDisappear"; }
    void viewDidDisappear(bool) override { log_ << name_ + ".didDisappear"; }
    [[nodiscard]] bool hidesBottomBarWhenPushed() const override {
        ++asked;
        return ViewController::hidesBottomBarWhenPushed();
    }

    mutable int asked = 0;

private:
    QString name_;
    QStringList& log_;
};

class ControllersTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        ui::Application::reset();
        window_ = std::make_shared<ui::Window>();
        window_->makeKeyAndVisible();
    }
    void TearDown() override {
        window_.reset();
        ui::Application::reset();
        UIKitTest::TearDown();
    }

    std::shared_ptr<LoggingScreen> screen(const QString& name) {
        auto screen = std::make_shared<LoggingScreen>(name, log_);
        screen->setTitle(name);
        return screen;
    }
    // The log since the last call, one entry after another.
    std::string takeLog() { return std::exchange(log_, {}).join(' ').toStdString(); }

    std::shared_ptr<ui::Window> window_;
    QStringList log_;
};

TEST_F(ControllersTest, NavigationStackCallsEachAppearanceMethodOnceInPlatformOrder) {
    auto a = screen("A"), b = screen("B"), c = screen("C");
    auto navigation = NavigationController::withRootViewController(a);
    window_->setRootViewController(navigation);
    EXPECT_EQ(takeLog(), "A.load A.willAppear A.didAppear");

    navigation->pushViewController(b, true);
    EXPECT_EQ(takeLog(), "B.load A.willDisappear B.willAppear");
    clock().advance(300ms);
    EXPECT_EQ(takeLog(), "") << "the slide is still under way";
    clock().advance(60ms);
    EXPECT_EQ(takeLog(), "A.didDisappear B.didAppear");
    EXPECT_EQ(b->view()->window(), window_.get());
    EXPECT_EQ(a->view()->window(), nullptr);

    // A push while the last one still moves finishes that one first.
    navigation->pushViewController(c, true);
    navigation->popToViewController(a, true);
    clock().advance(1s);
    EXPECT_EQ(takeLog(),
              "C.load B.willDisappear C.willAppear B.didDisappear C.didAppear C.willDisappear "
              "A.willAppear C.didDisappear A.didAppear");
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
    EXPECT_EQ(navigation->topViewController(), a);
    EXPECT_EQ(b->parentViewController(), nullptr);
    EXPECT_EQ(c->view()->superview(), nullptr);
    EXPECT_EQ(navigation->navigationBar()->items().size(), 1u);
}

TEST_F(ControllersTest, PushingAScreenTwiceOrPoppingTheRootChangesNothing) {
    auto a = screen("A"), b = screen("B");
    auto navigation = NavigationController::withRootViewController(a);
    window_->setRootViewController(navigation);
    navigation->pushViewController(b, false);
    navigation->pushViewController(b, false);
    navigation->pushViewController(a, false);
    EXPECT_EQ(navigation->viewControllers().size(), 2u);
    EXPECT_EQ(navigation->popViewControllerAnimated(false), b);
    EXPECT_EQ(navigation->popViewControllerAnimated(false), nullptr);
    EXPECT_TRUE(navigation->popToRootViewControllerAnimated(false).empty());
    EXPECT_EQ(navigation->topViewController(), a);
}

TEST_F(ControllersTest, ScreensBelowOpaqueBarsStartUnderTheBarAndBackButtonPops) {
    auto a = screen("A"), b = screen("B");
    auto navigation = NavigationController::withRootViewController(a);
    window_->setRootViewController(navigation);
    navigation->navigationBar()->setTranslucent(false);
    b->setEdgesForExtendedLayout(ui::kRectEdgeNone);
    navigation->pushViewController(b, false);
    navigation->view()->layoutIfNeeded();
    // The bar sits below the 20-point status bar; the screen starts below the bar.
    EXPECT_EQ(navigation->navigationBar()->frame(), Rect(0, 20, 320, 44));
    EXPECT_EQ(b->view()->frame(), Rect(0, 64, 320, 416));
    EXPECT_EQ(navigation->navigationBar()->titleLabel()->text(), "B");

    ui::TestDriver driver(window_);
    ui::Button* back = navigation->navigationBar()->backButton();
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->currentTitle().endsWith("A"));
    EXPECT_TRUE(driver.tap(back));
    clock().advance(1s);
    EXPECT_EQ(navigation->topViewController(), a);

    // A screen's own left item takes the back button's place.
    auto c = screen("C");
    bool tapped = false;
    c->navigationItem().setLeftBarButtonItem(ui::BarButtonItem::itemWithTitle(
        "关闭", ui::BarButtonItemStyle::Plain, [&](ui::BarButtonItem&) { tapped = true; }));
    navigation->pushViewController(c, false);
    navigation->view()->layoutIfNeeded();
    EXPECT_EQ(navigation->navigationBar()->backButton(), nullptr);
    EXPECT_TRUE(driver.tapText("关闭"));
    EXPECT_TRUE(tapped);
}

TEST_F(ControllersTest, ATapReachesABarItemTheBarHasNotLaidOutYet) {
    auto a = screen("A");
    auto navigation = NavigationController::withRootViewController(a);
    window_->setRootViewController(navigation);
    navigation->view()->layoutIfNeeded();
    // The bar puts the new item's view into the window only when it next lays out.
    auto button = std::make_shared<ui::Button>(Rect(0, 0, 40, 30));
    int tapped = 0;
    button->addTarget(nullptr, ui::kControlEventTouchUpInside,
                      [&](ui::Control&, const ui::Event*) { ++tapped; });
    a->navigationItem().setRightBarButtonItem(ui::BarButtonItem::itemWithCustomView(button));
    ui::TestDriver driver(window_);
    EXPECT_TRUE(driver.tap(button.get()));
    EXPECT_EQ(tapped, 1);

    // A title view wider than the room between the items is centred on that room, reaching
    // over both items alike.
    a->navigationItem().setLeftBarButtonItem(
        ui::BarButtonItem::itemWithCustomView(std::make_shared<ui::View>(Rect(0, 0, 48, 32))));
    auto title = std::make_shared<ui::View>(Rect(0, 0, 210, 34));
    a->navigationItem().setTitleView(title);
    navigation->view()->layoutIfNeeded();
    const double left = ui::BarButtonItem::kEdgeMargin + 48 + ui::BarButtonItem::kSpacing;
    const double right = 320 - ui::BarButtonItem::kEdgeMargin - 40 - ui::BarButtonItem::kSpacing;
    EXPECT_DOUBLE_EQ(title->frame().origin.x, left + (right - left - 210) / 2);
    EXPECT_TRUE(driver.tap(button.get()));
    EXPECT_EQ(tapped, 2);
}

TEST_F(ControllersTest, CustomBarClassAndOverriddenPushAreUsed) {
    class GreenBar : public ui::NavigationBar {};
    class CountingNavigation : public NavigationController {
    public:
        CountingNavigation() : NavigationController([] { return std::make_shared<GreenBar>(); }) {}
        void pushViewController(std::shared_ptr<ViewController> controller,
                                bool animated) override {
            ++pushes;
            NavigationController::pushViewController(std::move(controller), animated);
        }
        std::shared_ptr<ViewController> popViewControllerAnimated(bool animated) override {
            ++pops;
            return NavigationController::popViewControllerAnimated(animated);
        }
        int pushes = 0, pops = 0;
    };
    auto navigation = std::make_shared<CountingNavigation>();
    navigation->setViewControllers({screen("A")});
    window_->setRootViewController(navigation);
    EXPECT_NE(dynamic_cast<GreenBar*>(navigation->navigationBar()), nullptr);
    navigation->pushViewController(screen("B"), false);
    navigation->view()->layoutIfNeeded();
    ui::TestDriver driver(window_);
    EXPECT_TRUE(driver.tap(navigation->navigationBar()->backButton()));
    EXPECT_EQ(navigation->pushes, 1);
    EXPECT_EQ(navigation->pops, 1) << "the back button goes through the overridden pop";
}

TEST_F(ControllersTest, HidesBottomBarWhenPushedHidesTheTabBarWhileOnTheStack) {
    auto home = screen("Home"), detail = screen("Detail"), deeper = screen("Deeper");
    auto other = screen("Other");
    detail->setHidesBottomBarWhenPushed(true);
    auto first = NavigationController::withRootViewController(home);
    auto second = NavigationController::withRootViewController(other);
    auto tabs = std::make_shared<TabBarController>();
    tabs->setViewControllers({first, second});
    window_->setRootViewController(tabs);
    ui::TabBar* bar = tabs->tabBar();
    EXPECT_FALSE(bar->isHidden());

    first->pushViewController(detail, true);
    EXPECT_TRUE(bar->isHidden());
    EXPECT_GT(detail->asked, 0) << "the pushed screen is asked";
    clock().advance(1s);
    // A screen above it keeps the bar hidden until the hiding screen is popped.
    first->pushViewController(deeper, false);
    EXPECT_TRUE(bar->isHidden());
    first->popViewControllerAnimated(false);
    EXPECT_TRUE(bar->isHidden());
    home->asked = 0;
    first->popViewControllerAnimated(true);
    EXPECT_FALSE(bar->isHidden());
    EXPECT_GT(home->asked, 0) << "the screen popped back to is asked too";
    clock().advance(1s);

    // A stack that is not selected leaves the bar alone.
    second->pushViewController(screen("Hidden"), false);
    auto hiding = screen("Hiding");
    hiding->setHidesBottomBarWhenPushed(true);
    second->pushViewController(hiding, false);
    EXPECT_FALSE(bar->isHidden());
    tabs->setSelectedIndex(1);
    EXPECT_TRUE(bar->isHidden());
    tabs->setSelectedIndex(0);
    EXPECT_FALSE(bar->isHidden());
}

TEST_F(ControllersTest, TabBarTapsAskTheDelegateAndReselectingPopsToRoot) {
    struct Delegate : ui::TabBarControllerDelegate {
        bool shouldSelectViewController(TabBarController&, ViewController& controller) override {
            asked.push_back(&controller);
            return allow;
        }
        void didSelectViewController(TabBarController& tabs, ViewController&) override {
            selectedWhenTold.push_back(tabs.selectedIndex());
        }
        std::vector<ViewController*> asked;
        std::vector<std::size_t> selectedWhenTold;
        bool allow = false;
    };
    auto first = NavigationController::withRootViewController(screen("Home"));
    auto second = NavigationController::withRootViewController(screen("Chats"));
    first->tabBarItem()->setTitle("首页");
    second->tabBarItem()->setTitle("沟通");
    auto tabs = std::make_shared<TabBarController>();
    auto delegate = std::make_shared<Delegate>();
    tabs->setDelegate(delegate);
    tabs->setViewControllers({first, second});
    window_->setRootViewController(tabs);
    takeLog();
    ui::TestDriver driver(window_);

    EXPECT_TRUE(driver.tapText("沟通"));
    EXPECT_EQ(tabs->selectedIndex(), 0u) << "the delegate refused";
    delegate->allow = true;
    EXPECT_TRUE(driver.tapText("沟通"));
    EXPECT_EQ(tabs->selectedIndex(), 1u);
    EXPECT_EQ(delegate->selectedWhenTold, std::vector<std::size_t>{1});
    EXPECT_EQ(takeLog(),
              "Home.willDisappear Chats.load Chats.willAppear Home.didDisappear Chats.didAppear");

    second->pushViewController(screen("Talk"), false);
    EXPECT_TRUE(driver.tapText("沟通"));
    clock().advance(1s);
    EXPECT_EQ(second->viewControllers().size(), 1u) << "a second tap pops to the root";

    // Selecting by program asks no one, and an index out of range is ignored.
    delegate->asked.clear();
    tabs->setSelectedIndex(0);
    tabs->setSelectedIndex(7);
    EXPECT_EQ(tabs->selectedIndex(), 0u);
    EXPECT_TRUE(delegate->asked.empty());

    second->tabBarItem()->setBadgeValue("3");
    EXPECT_EQ(tabs->tabBar()->items()[1]->badgeValue(), "3");
}

TEST_F(ControllersTest, ModalPresentationCoversTheScreenAndStaysBelowAlerts) {
    auto root = screen("Root"), modal = screen("Modal");
    window_->setRootViewController(root);
    takeLog();
    auto alert = std::make_shared<ui::View>(Rect(0, 0, 100, 100));
    ui::WindowOverlays::add(*window_, alert, ui::WindowOverlays::kAlertLevel);

    bool presented = false;
    root->presentViewController(modal, true, [&] { presented = true; });
    EXPECT_EQ(takeLog(), "Modal.load Root.willDisappear Modal.willAppear");
    EXPECT_EQ(modal->view()->layer()->presentation().frame().origin.y, 480)
        << "covering from the bottom";
    clock().advance(400ms);
    EXPECT_TRUE(presented);
    EXPECT_EQ(takeLog(), "Root.didDisappear Modal.didAppear");
    EXPECT_EQ(modal->presentingViewController(), root);
    EXPECT_EQ(root->view()->window(), nullptr) << "the covered screen leaves the window";
    EXPECT_EQ(window_->subviews().back(), alert);

    // A second presentation on the same presenter is refused.
    root->presentViewController(screen("Other"), false);
    EXPECT_EQ(root->presentedViewController(), modal);

    bool dismissed = false;
    modal->dismissViewControllerAnimated(false, [&] { dismissed = true; });
    EXPECT_TRUE(dismissed);
    EXPECT_EQ(takeLog(), "Modal.willDisappear Root.willAppear Modal.didDisappear Root.didAppear");
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(root->view()->window(), window_.get());
    EXPECT_EQ(modal->view()->window(), nullptr);
}

TEST_F(ControllersTest, ScreensLetGoWhileTheirPresentationOrDismissalMovesAreFreed) {
    // The window closes in the middle of the move (an app that ends, or a test): the
    // animation of the presented view must not keep the screens alive for ever.
    for (const bool dismissing : {false, true}) {
        auto root = screen("Root"), modal = screen("Modal");
        window_->setRootViewController(root);
        root->presentViewController(modal, !dismissing);
        if (dismissing) modal->dismissViewControllerAnimated(true);
        clock().advance(100ms);
        const std::weak_ptr<ViewController> presenter = root, presented = modal;
        root.reset();
        modal.reset();
        window_->setRootViewController(nullptr);
        window_.reset();
        EXPECT_TRUE(presenter.expired()) << "dismissing " << dismissing;
        EXPECT_TRUE(presented.expired()) << "dismissing " << dismissing;
        window_ = std::make_shared<ui::Window>();
        window_->makeKeyAndVisible();
    }
}

TEST_F(ControllersTest, APresenterInItsOwnContextStaysShownUnderThePresentedScreen) {
    auto root = screen("Root"), modal = screen("Modal");
    window_->setRootViewController(root);
    root->setModalPresentationStyle(ui::ModalPresentationStyle::CurrentContext);
    takeLog();
    root->presentViewController(modal, false);
    EXPECT_EQ(takeLog(), "Modal.load Modal.willAppear Modal.didAppear");
    EXPECT_EQ(root->view()->window(), window_.get());
    modal->dismissViewControllerAnimated(false);
    EXPECT_EQ(takeLog(), "Modal.willDisappear Modal.didDisappear");
    EXPECT_EQ(root->view()->window(), window_.get());
}

TEST_F(ControllersTest, CustomTransitionRunsTheAnimatorAndKeepsThePresenterShown) {
    struct Animator : ui::ViewControllerAnimatedTransitioning {
        double transitionDuration(ui::TransitionContext&) override { return 0.5; }
        void animateTransition(const std::shared_ptr<ui::TransitionContext>& context) override {
            auto to = context->viewControllerForKey(ui::TransitionContext::Key::To);
            context->containerView()->addSubview(to->view());
            to->view()->setAlpha(0);
            ui::View::animateWithDuration(
                0.5, [&] { to->view()->setAlpha(1); },
                [context](bool) { context->completeTransition(true); });
        }
        void animationEnded(bool completed) override { ended.push_back(completed); }
        std::vector<bool> ended;
    };
    struct Delegate : ui::ViewControllerTransitioningDelegate {
        std::shared_ptr<ui::ViewControllerAnimatedTransitioning>
        animationControllerForPresentedController(ViewController&, ViewController&,
                                                  ViewController&) override {
            return animator;
        }
        std::shared_ptr<Animator> animator = std::make_shared<Animator>();
    };
    auto root = screen("Root"), sheet = screen("Sheet");
    window_->setRootViewController(root);
    takeLog();
    auto delegate = std::make_shared<Delegate>();
    sheet->setModalPresentationStyle(ui::ModalPresentationStyle::Custom);
    sheet->setTransitioningDelegate(delegate);
    root->presentViewController(sheet, true);
    clock().advance(400ms);
    EXPECT_TRUE(delegate->animator->ended.empty());
    clock().advance(200ms);
    EXPECT_EQ(delegate->animator->ended, std::vector<bool>{true});
    EXPECT_EQ(takeLog(), "Sheet.load Sheet.willAppear Sheet.didAppear");
    EXPECT_EQ(root->view()->window(), window_.get()) << "a custom presentation keeps it";
    sheet->dismissViewControllerAnimated(true);
    clock().advance(1s);
    EXPECT_EQ(sheet->view()->window(), nullptr);
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(ControllersTest, ChildControllersShareTheirParentsAppearance) {
    auto parent = screen("Parent"), child = screen("Child"), loose = screen("Loose");
    parent->addChildViewController(child);
    parent->view()->addSubview(child->view());
    parent->addChildViewController(loose);  // its view is not shown: no calls
    window_->setRootViewController(parent);
    EXPECT_EQ(takeLog(),
              "Parent.load Child.load Parent.willAppear Child.willAppear Parent.didAppear "
              "Child.didAppear");
    EXPECT_EQ(child->parentViewController(), parent);
    child->removeFromParentViewController();
    EXPECT_EQ(parent->childViewControllers().size(), 1u);

    // A memory warning releases the views of screens that are not shown.
    bool unloaded = false;
    struct Unloading : ViewController {
        explicit Unloading(bool& flag) : flag_(flag) {}
        void viewDidUnload() override { flag_ = true; }
        bool& flag_;
    };
    auto hidden = std::make_shared<Unloading>(unloaded);
    hidden->view();
    ui::Application::sharedApplication().receiveMemoryWarning();
    EXPECT_TRUE(unloaded);
    EXPECT_FALSE(hidden->isViewLoaded());
    EXPECT_TRUE(parent->isViewLoaded()) << "a shown screen keeps its view";
}

// The application's life: what the delegate hears and what is posted, in order.
class LifeDelegate : public ui::ApplicationDelegate {
public:
    explicit LifeDelegate(QStringList& log) : log_(log) {}
    bool didFinishLaunchingWithOptions(ui::Application&, const QVariantMap& options) override {
        log_ << "launch" + (options.isEmpty() ? QString() : ":" + options.keys().join(','));
        if (onLaunch) onLaunch(options);
        return true;
    }
    void applicationWillResignActive(ui::Application&) override { log_ << "resign"; }
    void applicationDidEnterBackground(ui::Application&) override { log_ << "background"; }
    void applicationWillEnterForeground(ui::Application&) override { log_ << "foreground"; }
    void applicationDidBecomeActive(ui::Application&) override { log_ << "active"; }
    void applicationWillTerminate(ui::Application&) override { log_ << "terminate"; }
    void didRegisterForRemoteNotificationsWithDeviceToken(ui::Application&,
                                                          const QByteArray& token) override {
        tokens << token;
    }
    void didReceiveRemoteNotification(ui::Application& app, const QVariantMap& payload) override {
        log_ << "push:" + payload.value("type").toString() +
                    (app.applicationState() == ui::ApplicationState::Inactive ? "(inactive)" : "");
    }
    QList<QByteArray> tokens;
    std::function<void(const QVariantMap& options)> onLaunch;

private:
    QStringList& log_;
};

TEST_F(ControllersTest, ApplicationLifeCycleTellsDelegateThenObserversInOrder) {
    auto& app = ui::Application::sharedApplication();
    auto delegate = std::make_shared<LifeDelegate>(log_);
    app.setDelegate(delegate);
    const QStringList names = {ui::kApplicationDidFinishLaunchingNotification,
                               ui::kApplicationWillResignActiveNotification,
                               ui::kApplicationDidEnterBackgroundNotification,
                               ui::kApplicationWillEnterForegroundNotification,
                               ui::kApplicationDidBecomeActiveNotification,
                               ui::kApplicationWillTerminateNotification};
    std::vector<std::shared_ptr<ns::NotificationCenter::Observation>> observations;
    for (const QString& name : names) {
        observations.push_back(ns::NotificationCenter::defaultCenter().addObserver(
            name, [this](const ns::Notification& n) {
                log_ << n.name.mid(13).chopped(12);  // "UIApplication...Notification"
            }));
    }

    app.resignActive();  // not launched yet: nothing
    EXPECT_TRUE(app.launch());
    EXPECT_FALSE(app.launch());
    app.enterForeground();  // not in the background: nothing
    app.moveToBackground();
    app.returnToForeground();
    app.terminate();
    app.becomeActive();
    EXPECT_EQ(takeLog(),
              "launch DidFinishLaunching active DidBecomeActive resign WillResignActive background "
              "DidEnterBackground foreground WillEnterForeground active DidBecomeActive terminate "
              "WillTerminate");
}

TEST_F(ControllersTest, RemoteNotificationsRegisterDeliverAndLaunch) {
    auto& app = ui::Application::sharedApplication();
    auto delegate = std::make_shared<LifeDelegate>(log_);
    app.setDelegate(delegate);

    // A payload before launch is a launch option.
    app.receiveRemoteNotification({{"type", "8"}});
    app.launch();
    EXPECT_EQ(
        takeLog(),
        "launch:" + ui::kApplicationLaunchOptionsRemoteNotificationKey.toStdString() + " active");

    app.registerForRemoteNotificationTypes(ui::kRemoteNotificationTypeBadge |
                                           ui::kRemoteNotificationTypeSound |
                                           ui::kRemoteNotificationTypeAlert);
    EXPECT_TRUE(delegate->tokens.isEmpty()) << "the token comes later, on the main queue";
    drainMainLoop();
    ASSERT_EQ(delegate->tokens.size(), 1);
    EXPECT_EQ(delegate->tokens[0].size(), 32);
    EXPECT_EQ(delegate->tokens[0], ui::Application::deviceToken());

    app.receiveRemoteNotification({{"type", "1"}});
    EXPECT_EQ(takeLog(), "push:1");
    // Opened from the background: foreground, the payload, then active.
    app.moveToBackground();
    takeLog();
    app.receiveRemoteNotification({{"type", "3"}});
    EXPECT_EQ(takeLog(), "foreground push:3(inactive) active");

    // From another process (the command line), through the app's local channel.
    EXPECT_TRUE(ui::Application::sendToRunningApplication(R"({"type":"12"})"));
    EXPECT_TRUE(runMainLoopUntil([&] { return !log_.isEmpty(); }));
    EXPECT_EQ(takeLog(), "push:12");
    EXPECT_FALSE(ui::Application::sendToRunningApplication("not json"));

    // The program's command line does the same.
    EXPECT_EQ(app.handleCommandLine({"housing", "--push", R"({"type":"7"})"}), 0);
    EXPECT_TRUE(runMainLoopUntil([&] { return !log_.isEmpty(); }));
    EXPECT_EQ(takeLog(), "push:7");
    EXPECT_EQ(app.handleCommandLine({"housing", "--push", "["}), 1);
    EXPECT_EQ(app.handleCommandLine({"housing"}), std::nullopt);
}

TEST_F(ControllersTest, APushWithNoAppRunningWaitsOnTheSandboxForTheNextLaunchOnly) {
    auto& app = ui::Application::sharedApplication();
    auto delegate = std::make_shared<LifeDelegate>(log_);
    std::optional<QVariantMap> launchPush;
    delegate->onLaunch = [&](const QVariantMap& options) {
        launchPush.reset();
        if (options.contains(ui::kApplicationLaunchOptionsRemoteNotificationKey)) {
            launchPush = options.value(ui::kApplicationLaunchOptionsRemoteNotificationKey).toMap();
        }
    };
    // The command ends at once with its push stored: it is no launch of its own.
    EXPECT_EQ(app.handleCommandLine({"housing", "--push", R"({"type":"8","id":"n1"})"}), 0);
    EXPECT_FALSE(app.hasLaunched());
    EXPECT_TRUE(app.pendingLaunchOptions().isEmpty());
    // A later one replaces it; a payload that is no object stores nothing.
    EXPECT_EQ(app.handleCommandLine({"housing", "--push", R"({"type":"9"})"}), 0);
    EXPECT_EQ(app.handleCommandLine({"housing", "--push", "[1]"}), 1);

    // The next launch of the sandbox, in another process, takes it as its launch option.
    ui::Application::reset();
    app.setDelegate(delegate);
    app.launch();
    ASSERT_TRUE(launchPush.has_value());
    EXPECT_EQ(launchPush->value("type"), "9");
    // Only that launch.
    app.terminate();
    ui::Application::reset();
    app.setDelegate(delegate);
    app.launch();
    EXPECT_FALSE(launchPush.has_value());

    // A stored file that is no JSON object is dropped, and the launch goes on without it.
    app.terminate();
    ui::Application::reset();
    ASSERT_TRUE(ns::FileManager::createFileAtPath(
        ns::Sandbox::library() + "/PendingRemoteNotification.json", "{\"type\":"));
    app.setDelegate(delegate);
    EXPECT_TRUE(app.launch());
    EXPECT_FALSE(launchPush.has_value());
    EXPECT_FALSE(ns::FileManager::fileExistsAtPath(ns::Sandbox::library() +
                                                   "/PendingRemoteNotification.json"));
}

TEST_F(ControllersTest, BackgroundTasksExpireAfterTheirTime) {
    auto& app = ui::Application::sharedApplication();
    app.launch();
    ui::BackgroundTaskIdentifier task = ui::kBackgroundTaskInvalid;
    int expired = 0;
    task = app.beginBackgroundTaskWithExpirationHandler([&] {
        ++expired;
        app.endBackgroundTask(task);
        task = ui::kBackgroundTaskInvalid;
    });
    EXPECT_NE(task, ui::kBackgroundTaskInvalid);
    app.moveToBackground();
    clock().advance(599s);
    EXPECT_EQ(expired, 0);
    EXPECT_NEAR(app.backgroundTimeRemaining(), 1, 1e-6);
    clock().advance(1s);
    EXPECT_EQ(expired, 1);
    EXPECT_EQ(app.backgroundTaskCount(), 0u);
    clock().advance(600s);
    EXPECT_EQ(expired, 1);
}

TEST_F(ControllersTest, OpenURLIsLoggedAndHandedToTheHandler) {
    auto& app = ui::Application::sharedApplication();
    EXPECT_TRUE(app.openURL(QUrl("tel:4008100")));
    EXPECT_FALSE(app.openURL(QUrl("weird:thing")));
    std::vector<QUrl> handled;
    app.setOpenURLHandler([&](const QUrl& url) {
        handled.push_back(url);
        return false;
    });
    EXPECT_FALSE(app.openURL(QUrl("http://example.org/")));
    EXPECT_EQ(handled.size(), 1u);
    EXPECT_EQ(app.openedURLs().size(), 3u);
    app.setApplicationIconBadgeNumber(5);
    EXPECT_EQ(app.applicationIconBadgeNumber(), 5);
    EXPECT_EQ(app.statusBarFrame(), Rect(0, 0, 320, 20));
}

}  // namespace
