#include "net/transport/Reachability.h"

#include "platform/foundation/main_queue.h"
#include "platform/foundation/notification_center.h"

#include "SandboxTest.h"

#include <QRegularExpression>

#include <arpa/inet.h>

#include <atomic>
#include <mutex>
#include <vector>

namespace {

using ns::NetworkReachability;
using Flags = NetworkReachability::Flags;

constexpr Flags kTransient = NetworkReachability::kTransientConnection;
constexpr Flags kReachable = NetworkReachability::kReachable;
constexpr Flags kRequired = NetworkReachability::kConnectionRequired;
constexpr Flags kOnTraffic = NetworkReachability::kConnectionOnTraffic;
constexpr Flags kIntervention = NetworkReachability::kInterventionRequired;
constexpr Flags kOnDemand = NetworkReachability::kConnectionOnDemand;
constexpr Flags kLocal = NetworkReachability::kIsLocalAddress;
constexpr Flags kDirect = NetworkReachability::kIsDirect;
constexpr Flags kWWAN = NetworkReachability::kIsWWAN;

class ReachabilityTest : public SandboxTest {
protected:
    void TearDown() override {
        NetworkReachability::clearSimulatedFlags();
        SandboxTest::TearDown();
    }

    // Sets the device's state and answers the status a local Wi-Fi instance reports.
    ReachabilityStatus statusWith(Flags flags) {
        NetworkReachability::setSimulatedFlags(flags);
        return wifi_->currentReachabilityStatus();
    }

    std::shared_ptr<Reachability> wifi_ = Reachability::reachabilityForLocalWiFi();
};

TEST_F(ReachabilityTest, StatusOfEveryFlagCombination) {
    ASSERT_TRUE(wifi_);
    EXPECT_EQ(statusWith(0), ReachabilityStatus::None);
    EXPECT_EQ(statusWith(kRequired | kOnDemand), ReachabilityStatus::None);
    EXPECT_EQ(statusWith(kReachable), ReachabilityStatus::WiFi);
    EXPECT_EQ(statusWith(kReachable | kDirect), ReachabilityStatus::WiFi);
    EXPECT_EQ(statusWith(kReachable | kLocal | kDirect), ReachabilityStatus::WiFi);
    EXPECT_EQ(statusWith(kReachable | kWWAN), ReachabilityStatus::WWAN);
    // Either of connection-required and transient alone leaves the path reachable ...
    EXPECT_EQ(statusWith(kReachable | kRequired), ReachabilityStatus::WiFi);
    EXPECT_EQ(statusWith(kReachable | kTransient | kWWAN), ReachabilityStatus::WWAN);
    // ... both together do not.
    EXPECT_EQ(statusWith(kReachable | kRequired | kTransient), ReachabilityStatus::None);
    EXPECT_FALSE(wifi_->isReachable());
    EXPECT_TRUE(wifi_->isReachableViaWiFi());

    // A WWAN path that does not count.
    wifi_->setReachableOnWWAN(false);
    EXPECT_EQ(statusWith(kReachable | kWWAN), ReachabilityStatus::None);
    EXPECT_FALSE(wifi_->isReachable());
    EXPECT_TRUE(wifi_->isReachableViaWWAN());
    EXPECT_FALSE(wifi_->isReachableViaWiFi());
    EXPECT_EQ(statusWith(kReachable), ReachabilityStatus::WiFi);
    EXPECT_EQ(static_cast<int>(ReachabilityStatus::Undetermined), -1);
}

TEST_F(ReachabilityTest, QueriesOfTheConnectionBits) {
    NetworkReachability::setSimulatedFlags(kRequired | kOnTraffic);
    EXPECT_TRUE(wifi_->isConnectionRequired());
    EXPECT_TRUE(wifi_->connectionRequired());
    EXPECT_TRUE(wifi_->isConnectionOnDemand());
    EXPECT_FALSE(wifi_->isInterventionRequired());

    NetworkReachability::setSimulatedFlags(kRequired | kOnDemand | kIntervention);
    EXPECT_TRUE(wifi_->isConnectionOnDemand());
    EXPECT_TRUE(wifi_->isInterventionRequired());

    // Without connection-required neither counts.
    NetworkReachability::setSimulatedFlags(kOnTraffic | kOnDemand | kIntervention);
    EXPECT_FALSE(wifi_->isConnectionRequired());
    EXPECT_FALSE(wifi_->isConnectionOnDemand());
    EXPECT_FALSE(wifi_->isInterventionRequired());
    EXPECT_EQ(wifi_->reachabilityFlags(), kOnTraffic | kOnDemand | kIntervention);
}

TEST_F(ReachabilityTest, FlagsPictureAndTexts) {
    NetworkReachability::setSimulatedFlags(kReachable);
    EXPECT_EQ(wifi_->currentReachabilityFlags(), "-R -------");
    EXPECT_EQ(wifi_->currentReachabilityString(), "WiFi");

    NetworkReachability::setSimulatedFlags(kWWAN | kReachable | kRequired | kTransient |
                                           kIntervention | kOnTraffic | kOnDemand | kLocal |
                                           kDirect);
    EXPECT_EQ(wifi_->currentReachabilityFlags(), "WR ctiCDld");
    EXPECT_EQ(wifi_->currentReachabilityString(), "No Connection");

    NetworkReachability::setSimulatedFlags(kWWAN | kReachable | kLocal);
    EXPECT_EQ(wifi_->currentReachabilityFlags(), "WR -----l-");
    EXPECT_EQ(wifi_->currentReachabilityString(), "Cellular");

    NetworkReachability::setSimulatedFlags(0);
    EXPECT_EQ(wifi_->currentReachabilityFlags(), "-- -------");

    EXPECT_TRUE(
        QRegularExpression("^<Reachability: 0x[0-9a-f]+>$").match(wifi_->description()).hasMatch());
}

TEST_F(ReachabilityTest, TargetsOfTheFactories) {
    EXPECT_FALSE(Reachability::reachabilityWithHostname(""));
    EXPECT_FALSE(Reachability::reachabilityWithHostName(""));
    sockaddr_in wrongFamily{};
    wrongFamily.sin_family = AF_UNIX;
    EXPECT_FALSE(Reachability::reachabilityWithAddress(wrongFamily));
    const auto internet = Reachability::reachabilityForInternetConnection();
    ASSERT_TRUE(internet);
    EXPECT_TRUE(internet->reachableOnWWAN());
    EXPECT_FALSE(internet->reachabilityObject());
    EXPECT_FALSE(internet->reachabilitySerialQueue());

    // A name is looked up in the background; the loopback path is a local address.
    const auto host = Reachability::reachabilityWithHostname("localhost");
    ASSERT_TRUE(host);
    ASSERT_TRUE(runMainLoopUntil([&] { return host->isReachable(); }));
    EXPECT_EQ(host->currentReachabilityStatus(), ReachabilityStatus::WiFi);
    EXPECT_EQ(host->currentReachabilityFlags(), "-R -----ld");
}

// What an observer of the change notification saw, in order with the blocks.
struct Observed {
    std::mutex mutex;
    std::vector<QString> events;
    void add(const QString& event) {
        std::lock_guard lock(mutex);
        events.push_back(event);
    }
    std::vector<QString> all() {
        std::lock_guard lock(mutex);
        return events;
    }
};

TEST_F(ReachabilityTest, ChangesRunTheBlockOnTheSerialQueueThenNotifyOnTheMainQueue) {
    NetworkReachability::setSimulatedFlags(0);
    Observed observed;
    std::atomic<bool> blocksOnSerialQueue{true};
    wifi_->setReachableBlock([&](const std::shared_ptr<Reachability>& r) {
        blocksOnSerialQueue = blocksOnSerialQueue && r->reachabilitySerialQueue()->isCurrent();
        observed.add(QStringLiteral("reachable"));
    });
    wifi_->setUnreachableBlock([&](const std::shared_ptr<Reachability>& r) {
        blocksOnSerialQueue = blocksOnSerialQueue && r->reachabilitySerialQueue()->isCurrent();
        observed.add(QStringLiteral("unreachable"));
    });
    const auto observation = ns::NotificationCenter::defaultCenter().addObserver(
        kReachabilityChangedNotification,
        [&](const ns::Notification& n) {
            EXPECT_TRUE(ns::MainQueue::isMainThread());
            EXPECT_EQ(n.objectAs<std::shared_ptr<Reachability>>(), wifi_);
            EXPECT_TRUE(n.userInfo.isEmpty());
            observed.add(
                QStringLiteral("notified ") +
                QString::number(static_cast<int>(
                    n.objectAs<std::shared_ptr<Reachability>>()->currentReachabilityStatus())));
        },
        wifi_.get());

    ASSERT_TRUE(wifi_->startNotifier());
    EXPECT_EQ(wifi_->reachabilityObject(), wifi_);
    ASSERT_TRUE(wifi_->reachabilitySerialQueue());

    NetworkReachability::setSimulatedFlags(kReachable | kDirect);
    ASSERT_TRUE(runMainLoopUntil([&] { return observed.all().size() == 2; }));
    NetworkReachability::setSimulatedFlags(kReachable | kWWAN);
    ASSERT_TRUE(runMainLoopUntil([&] { return observed.all().size() == 4; }));
    wifi_->setReachableOnWWAN(false);
    NetworkReachability::setSimulatedFlags(kReachable | kWWAN);
    ASSERT_TRUE(runMainLoopUntil([&] { return observed.all().size() == 6; }));
    drainMainLoop();
    EXPECT_EQ(observed.all(), (std::vector<QString>{"reachable", "notified 2", "reachable",
                                                    "notified 1", "unreachable", "notified 0"}));
    EXPECT_TRUE(blocksOnSerialQueue);

    // Stopped: no block, no notification.
    wifi_->stopNotifier();
    EXPECT_FALSE(wifi_->reachabilityObject());
    EXPECT_FALSE(wifi_->reachabilitySerialQueue());
    NetworkReachability::setSimulatedFlags(kReachable);
    drainMainLoop();
    EXPECT_EQ(observed.all().size(), 6U);

    // And it starts again.
    ASSERT_TRUE(wifi_->startNotifier());
    NetworkReachability::setSimulatedFlags(0);
    ASSERT_TRUE(runMainLoopUntil([&] { return observed.all().size() == 8; }));
    wifi_->stopNotifier();
}

TEST_F(ReachabilityTest, ANotifyingInstanceKeepsItselfAliveUntilStopped) {
    std::weak_ptr<Reachability> weak;
    int notified = 0;
    const auto observation = ns::NotificationCenter::defaultCenter().addObserver(
        kReachabilityChangedNotification, [&](const ns::Notification&) { ++notified; });
    {
        auto internet = Reachability::reachabilityForInternetConnection();
        weak = internet;
        ASSERT_TRUE(internet->startNotifier());
    }
    ASSERT_FALSE(weak.expired());
    NetworkReachability::setSimulatedFlags(kReachable);
    ASSERT_TRUE(runMainLoopUntil([&] { return notified == 1; }));

    weak.lock()->stopNotifier();
    drainMainLoop();  // the delivered notification let go of its object
    EXPECT_TRUE(weak.expired());

    // An instance that no shared pointer holds cannot keep itself alive.
    Reachability unowned(NetworkReachability::withName("127.0.0.1"));
    EXPECT_FALSE(unowned.startNotifier());
    EXPECT_FALSE(unowned.reachabilityObject());
}

}  // namespace
