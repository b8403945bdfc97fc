#pragma once

#include "platform/foundation/dispatch_queue.h"

#include <QHostAddress>
#include <QList>
#include <QString>

#include <sys/socket.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace ns {

// A reachability target: a socket address or a host name, and whether the network path
// to it is usable now and over which kind of link. The flags are derived from the
// device's interfaces and routing tables: a target is reachable when a route to it runs
// through an interface that is up and running. Every local-network link, wired or
// wireless, counts as "not WWAN"; only modem and PPP links carry the WWAN flag.
//
// With a callback and a dispatch queue set, a change of the flags is reported on that
// queue. Changes are noticed through the kernel's routing notifications (links, addresses
// and routes), watched on a thread of their own from the first binding on.
//
// Host names are resolved in the background, never on the caller's thread: until the
// first resolution finishes a name target reports the empty flag set, then the flags of
// the first of its addresses that has a route (a change its callback hears about).
//
// Tests set the state of every target with setSimulatedFlags().
class NetworkReachability : public std::enable_shared_from_this<NetworkReachability> {
public:
    using Flags = std::uint32_t;
    static constexpr Flags kTransientConnection = 1U << 0;
    static constexpr Flags kReachable = 1U << 1;
    static constexpr Flags kConnectionRequired = 1U << 2;
    static constexpr Flags kConnectionOnTraffic = 1U << 3;
    static constexpr Flags kInterventionRequired = 1U << 4;
    static constexpr Flags kConnectionOnDemand = 1U << 5;
    static constexpr Flags kIsLocalAddress = 1U << 16;
    static constexpr Flags kIsDirect = 1U << 17;
    static constexpr Flags kIsWWAN = 1U << 18;

    using Callback = std::function<void(Flags)>;

    // An IPv4 or IPv6 socket address; nothing for any other family.
    [[nodiscard]] static std::shared_ptr<NetworkReachability> withAddress(const sockaddr* address);
    // A host name (or a numeric address in text); nothing for an empty name.
    [[nodiscard]] static std::shared_ptr<NetworkReachability> withName(const QString& name);

    ~NetworkReachability();

    // The current flags; nothing when the device's network state cannot be read.
    [[nodiscard]] std::optional<Flags> flags() const;

    // Installs (or, with an empty callback, removes) the change callback.
    bool setCallback(Callback callback);
    // Binds the target to a queue on which its callback runs; nullptr unbinds it.
    bool setDispatchQueue(std::shared_ptr<DispatchQueue> queue);

    // Makes every target report `flags` until clearSimulatedFlags(), and calls the
    // callback of every bound target with them, changed or not, so that a test drives
    // each transition itself.
    static void setSimulatedFlags(Flags flags);
    // Back to the device's real state; bound targets whose flags differ hear about it.
    static void clearSimulatedFlags();
    [[nodiscard]] static std::optional<Flags> simulatedFlags();

private:
    friend class ReachabilityMonitor;

    NetworkReachability(std::optional<QHostAddress> address, QString name);

    void startResolving();
    void resolved(const QList<QHostAddress>& addresses);
    // Reports the current flags on the bound queue when they differ from the last ones
    // reported (or always, with `force`).
    void report(bool force);

    const std::optional<QHostAddress> address_;
    const QString name_;

    mutable std::mutex mutex_;
    bool resolving_ = false;
    QList<QHostAddress> resolvedAddresses_;
    Callback callback_;
    std::shared_ptr<DispatchQueue> queue_;
    std::optional<Flags> lastReported_;
};

}  // namespace ns
