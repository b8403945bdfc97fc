#include "platform/foundation/concurrent_queue.h"
#include "platform/foundation/network_interface.h"
#include "platform/foundation/network_reachability.h"
#include "platform/foundation/network_routes.h"

#include "SandboxTest.h"

#include <QRegularExpression>

#include <netinet/in.h>
#include <sys/un.h>

#include <mutex>
#include <vector>

namespace {

using ns::NetworkInterface;
using ns::NetworkReachability;
using ns::NetworkRoutes;
using Flags = NetworkReachability::Flags;

constexpr Flags kReachable = NetworkReachability::kReachable;
constexpr Flags kDirect = NetworkReachability::kIsDirect;
constexpr Flags kLocal = NetworkReachability::kIsLocalAddress;
constexpr Flags kWWAN = NetworkReachability::kIsWWAN;

// The kernel's tables of a machine with one wired link (eth0) and a default route through
// a gateway on it, over IPv4 and IPv6.
const QByteArray kIPv4Table =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
    "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
    "eth0\t0000000A\t00000000\t0200\t0\t0\t0\t000000FF\t0\t0\t0\n"   // down
    "eth0\t0000000B\t00000000\t0201\t0\t0\t0\t000000FF\t0\t0\t0\n";  // rejects traffic
const QByteArray kIPv6Table =
    "fd000000000000000000000000000000 40 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 00000100 00000001 00000000 00000001     eth0\n"
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "fd000000000000000000000000000001 00000400 00000002 00000000 00000003     eth0\n"
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n";

NetworkInterface link(const QString& name, int index, bool wwan = false) {
    NetworkInterface interface;
    interface.name = name;
    interface.index = index;
    interface.up = true;
    interface.running = true;
    interface.broadcast = !wwan;
    interface.wwan = wwan;
    return interface;
}

NetworkInterface loopback() {
    NetworkInterface interface = link(QStringLiteral("lo"), 1);
    interface.loopback = true;
    interface.broadcast = false;
    interface.addresses = {QHostAddress(QHostAddress::LocalHost)};
    return interface;
}

QHostAddress ip(const char* text) {
    return QHostAddress(QString::fromLatin1(text));
}

NetworkRoutes::Route route(const QString& interface, const char* destination, int prefix,
                           const char* gateway = nullptr) {
    NetworkRoutes::Route route;
    route.interfaceName = interface;
    route.destination = ip(destination);
    route.prefixLength = prefix;
    if (gateway) route.gateway = ip(gateway);
    return route;
}

// The callbacks a target heard, from whatever thread.
class Heard {
public:
    NetworkReachability::Callback callback() {
        return [this](Flags flags) {
            std::lock_guard lock(mutex_);
            flags_.push_back(flags);
        };
    }
    [[nodiscard]] std::vector<Flags> flags() const {
        std::lock_guard lock(mutex_);
        return flags_;
    }
    [[nodiscard]] std::size_t count() const { return flags().size(); }

private:
    mutable std::mutex mutex_;
    std::vector<Flags> flags_;
};

class NetworkReachabilityTest : public SandboxTest {
protected:
    void TearDown() override {
        NetworkReachability::clearSimulatedFlags();
        SandboxTest::TearDown();
    }

    static std::shared_ptr<NetworkReachability> target(quint32 ipv4) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(ipv4);
        return NetworkReachability::withAddress(reinterpret_cast<const sockaddr*>(&address));
    }

    // Waits (in real time, for the target's own queue) until `count` callbacks arrived.
    bool waitFor(const Heard& heard, std::size_t count) {
        return runMainLoopUntil([&] { return heard.count() >= count; });
    }
};

TEST_F(NetworkReachabilityTest, ReadsTheKernelRoutingTables) {
    const QList<NetworkRoutes::Route> ipv4 = NetworkRoutes::parseIPv4Routes(kIPv4Table);
    ASSERT_EQ(ipv4.size(), 2);  // the route that is down and the rejecting one are left out
    EXPECT_EQ(ipv4[0].interfaceName, "eth0");
    EXPECT_EQ(ipv4[0].destination, ip("0.0.0.0"));
    EXPECT_EQ(ipv4[0].prefixLength, 0);
    EXPECT_EQ(ipv4[0].gateway, ip("192.0.2.1"));
    EXPECT_EQ(ipv4[1].destination, ip("192.0.2.0"));
    EXPECT_EQ(ipv4[1].prefixLength, 24);
    EXPECT_TRUE(ipv4[1].gateway.isNull());

    const QList<NetworkRoutes::Route> ipv6 = NetworkRoutes::parseIPv6Routes(kIPv6Table);
    ASSERT_EQ(ipv6.size(), 2);  // the rejecting default route on lo is left out
    EXPECT_EQ(ipv6[0].destination, ip("fd00::"));
    EXPECT_EQ(ipv6[0].prefixLength, 64);
    EXPECT_TRUE(ipv6[0].gateway.isNull());
    EXPECT_EQ(ipv6[1].prefixLength, 0);
    EXPECT_EQ(ipv6[1].gateway, ip("fd00::1"));
    EXPECT_EQ(ipv6[1].metric, 1024);

    EXPECT_TRUE(NetworkRoutes::parseIPv4Routes("garbage\nmore garbage\n").isEmpty());
    EXPECT_TRUE(NetworkRoutes::parseIPv6Routes("").isEmpty());
}

TEST_F(NetworkReachabilityTest, FlagsOfAWiredLinkWithADefaultRoute) {
    QList<NetworkRoutes::Route> routes = NetworkRoutes::parseIPv4Routes(kIPv4Table);
    routes.append(NetworkRoutes::parseIPv6Routes(kIPv6Table));
    NetworkInterface eth0 = link("eth0", 4);
    eth0.addresses = {ip("192.0.2.10"), ip("fd00::2")};
    const NetworkRoutes state({loopback(), eth0}, routes);

    // The default route, the link-local network, and addresses near and far.
    EXPECT_EQ(state.flagsFor(ip("0.0.0.0")), kReachable);
    EXPECT_EQ(state.flagsFor(ip("::")), kReachable);
    EXPECT_EQ(state.flagsFor(ip("169.254.0.0")), kReachable | kDirect);
    EXPECT_EQ(state.flagsFor(ip("192.0.2.77")), kReachable | kDirect);
    EXPECT_EQ(state.flagsFor(ip("198.51.100.1")), kReachable);
    EXPECT_EQ(state.flagsFor(ip("fd00::99")), kReachable | kDirect);
    EXPECT_EQ(state.flagsFor(ip("2001:db8::1")), kReachable);
    EXPECT_EQ(state.flagsFor(ip("::ffff:192.0.2.77")), kReachable | kDirect);
    // The device itself.
    EXPECT_EQ(state.flagsFor(ip("127.0.0.1")), kReachable | kLocal | kDirect);
    EXPECT_EQ(state.flagsFor(ip("::1")), kReachable | kLocal | kDirect);
    EXPECT_EQ(state.flagsFor(ip("192.0.2.10")), kReachable | kLocal | kDirect);
    EXPECT_EQ(state.flagsFor(QHostAddress()), 0U);
}

TEST_F(NetworkReachabilityTest, AMobileLinkIsWWANAndNoLocalNetwork) {
    const NetworkRoutes state({loopback(), link("wwan0", 5, true)},
                              {route("wwan0", "0.0.0.0", 0), route("wwan0", "10.64.0.0", 16)});
    EXPECT_EQ(state.flagsFor(ip("0.0.0.0")), kReachable | kWWAN);
    EXPECT_EQ(state.flagsFor(ip("10.64.3.3")), kReachable | kDirect | kWWAN);
    EXPECT_EQ(state.flagsFor(ip("169.254.0.0")), 0U);
}

TEST_F(NetworkReachabilityTest, TheBestRouteWins) {
    NetworkInterface wlan = link("wlan0", 3);
    NetworkInterface down = link("eth0", 2);
    down.running = false;  // no carrier
    NetworkRoutes::Route wlanDefault = route("wlan0", "0.0.0.0", 0, "192.168.1.1");
    wlanDefault.metric = 600;
    NetworkRoutes::Route wwanDefault = route("wwan0", "0.0.0.0", 0);
    wwanDefault.metric = 700;
    const NetworkRoutes state({down, wlan, link("wwan0", 5, true)},
                              {route("eth0", "0.0.0.0", 0, "10.0.0.1"), wwanDefault, wlanDefault,
                               route("wwan0", "203.0.113.0", 24)});
    // The route on the link without carrier does not count; the lower metric wins.
    EXPECT_EQ(state.flagsFor(ip("0.0.0.0")), kReachable);
    EXPECT_EQ(state.flagsFor(ip("198.51.100.1")), kReachable);
    // The longer prefix wins over the lower metric.
    EXPECT_EQ(state.flagsFor(ip("203.0.113.9")), kReachable | kDirect | kWWAN);

    const NetworkRoutes nothing({loopback()}, {});
    EXPECT_EQ(nothing.flagsFor(ip("0.0.0.0")), 0U);
    EXPECT_EQ(nothing.flagsFor(ip("169.254.0.0")), 0U);
    EXPECT_EQ(nothing.flagsFor(ip("198.51.100.1")), 0U);
}

TEST_F(NetworkReachabilityTest, ClassifiesMobileLinks) {
    constexpr int kEthernet = 1;
    EXPECT_TRUE(NetworkInterface::isWWANLink("DEVTYPE=wwan\nINTERFACE=wwan0\n", kEthernet));
    EXPECT_TRUE(NetworkInterface::isWWANLink("INTERFACE=ppp0\n", 512));
    EXPECT_TRUE(NetworkInterface::isWWANLink("INTERFACE=rmnet0\n", 519));
    EXPECT_FALSE(NetworkInterface::isWWANLink("DEVTYPE=wlan\nINTERFACE=wlan0\n", kEthernet));
    EXPECT_FALSE(NetworkInterface::isWWANLink("INTERFACE=eth0\n", kEthernet));
}

TEST_F(NetworkReachabilityTest, HardwareAddressText) {
    NetworkInterface interface;
    interface.hardwareAddress = QByteArray::fromHex("02fc0000ab01");
    EXPECT_EQ(interface.hardwareAddressText(), "02FC0000AB01");
    EXPECT_EQ(interface.hardwareAddressText(":"), "02:FC:00:00:AB:01");

    const std::optional<NetworkInterface> primary = NetworkInterface::primary();
    if (!primary) GTEST_SKIP() << "this machine has no network hardware";
    EXPECT_FALSE(primary->loopback);
    EXPECT_TRUE(
        QRegularExpression("^[0-9A-F]{12}$").match(primary->hardwareAddressText()).hasMatch());
    EXPECT_NE(primary->hardwareAddressText(), "000000000000");
}

TEST_F(NetworkReachabilityTest, TargetsTheFrameworkRefuses) {
    EXPECT_FALSE(NetworkReachability::withName(""));
    EXPECT_FALSE(NetworkReachability::withName("  "));
    sockaddr_un local{};
    local.sun_family = AF_UNIX;
    EXPECT_FALSE(NetworkReachability::withAddress(reinterpret_cast<const sockaddr*>(&local)));
    EXPECT_FALSE(NetworkReachability::withAddress(nullptr));
}

TEST_F(NetworkReachabilityTest, TheSimulatedStateReachesEveryTargetAndItsCallback) {
    const auto wifi = target(0xA9FE0000);
    const auto internet = target(0);
    const auto queue = std::make_shared<ns::SerialQueue>("test.reachability");
    Heard heard;
    ASSERT_TRUE(wifi->setCallback(heard.callback()));
    ASSERT_TRUE(wifi->setDispatchQueue(queue));

    NetworkReachability::setSimulatedFlags(kReachable | kWWAN);
    EXPECT_EQ(NetworkReachability::simulatedFlags(), kReachable | kWWAN);
    EXPECT_EQ(wifi->flags(), kReachable | kWWAN);
    EXPECT_EQ(internet->flags(), kReachable | kWWAN);  // not bound: answers, hears nothing
    ASSERT_TRUE(waitFor(heard, 1));

    // The same state again is still a transition the test asked for.
    NetworkReachability::setSimulatedFlags(kReachable | kWWAN);
    NetworkReachability::setSimulatedFlags(0);
    ASSERT_TRUE(waitFor(heard, 3));
    EXPECT_EQ(heard.flags(), (std::vector<Flags>{kReachable | kWWAN, kReachable | kWWAN, 0}));

    // Unbound, removed: nothing more arrives.
    ASSERT_TRUE(wifi->setDispatchQueue(nullptr));
    NetworkReachability::setSimulatedFlags(kReachable);
    queue->sync([] {});
    EXPECT_EQ(heard.count(), 3U);
}

TEST_F(NetworkReachabilityTest, ClearingTheSimulationReportsTheRealStateWhenItDiffers) {
    const auto internet = target(0);
    const std::optional<Flags> real = internet->flags();
    ASSERT_TRUE(real) << "the routing tables of this machine cannot be read";
    const auto queue = std::make_shared<ns::SerialQueue>("test.reachability");
    Heard heard;
    internet->setCallback(heard.callback());
    internet->setDispatchQueue(queue);

    NetworkReachability::setSimulatedFlags(*real);
    ASSERT_TRUE(waitFor(heard, 1));
    NetworkReachability::clearSimulatedFlags();  // no difference: no report
    NetworkReachability::setSimulatedFlags(*real ^ kReachable);
    NetworkReachability::clearSimulatedFlags();  // back to the real state: reported
    ASSERT_TRUE(waitFor(heard, 3));
    queue->sync([] {});
    EXPECT_EQ(heard.flags(), (std::vector<Flags>{*real, *real ^ kReachable, *real}));
    EXPECT_EQ(internet->flags(), real);
}

TEST_F(NetworkReachabilityTest, AHostNameResolvesWithoutBlockingTheCaller) {
    const auto numeric = NetworkReachability::withName("127.0.0.1");
    ASSERT_TRUE(numeric);
    EXPECT_EQ(numeric->flags(), kReachable | kLocal | kDirect);  // no lookup needed

    const auto name = NetworkReachability::withName("localhost");
    ASSERT_TRUE(name);
    // Empty until the lookup in the background has finished, then the loopback path.
    ASSERT_TRUE(runMainLoopUntil([&] { return name->flags().value_or(0) != 0; }));
    EXPECT_EQ(name->flags(), kReachable | kLocal | kDirect);
}

}  // namespace
