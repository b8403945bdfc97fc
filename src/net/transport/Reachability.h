#pragma once

#include "net/transport/ReachabilityStatus.h"
#include "platform/foundation/concurrent_queue.h"
#include "platform/foundation/network_reachability.h"

#include <QString>

#include <netinet/in.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

// Posted on the main queue after every reachability change, with the Reachability as
// its object and no user info.
inline const QString kReachabilityChangedNotification =
    QStringLiteral("kReachabilityChangedNotification");

// Whether the network path to one target (a host name or an address) is usable, and by
// which kind of link: on demand, by reading the current flags, or by notification while
// the notifier runs.
//
// The queries may be called from any thread. While notifying, the instance keeps itself
// alive; the owner must call stopNotifier() to let it go.
class Reachability : public std::enable_shared_from_this<Reachability> {
public:
    using Flags = ns::NetworkReachability::Flags;
    using NetworkReachable = std::function<void(const std::shared_ptr<Reachability>&)>;
    using NetworkUnreachable = std::function<void(const std::shared_ptr<Reachability>&)>;

    // Nothing when the target cannot be made (an empty name, an address of another family).
    [[nodiscard]] static std::shared_ptr<Reachability> reachabilityWithHostname(
        const QString& hostname);
    [[nodiscard]] static std::shared_ptr<Reachability> reachabilityWithHostName(
        const QString& hostname);
    [[nodiscard]] static std::shared_ptr<Reachability> reachabilityWithAddress(
        const sockaddr_in& hostAddress);
    // 0.0.0.0: the default route.
    [[nodiscard]] static std::shared_ptr<Reachability> reachabilityForInternetConnection();
    // 169.254.0.0: the link-local network, that is the local Wi-Fi (or wired) network.
    [[nodiscard]] static std::shared_ptr<Reachability> reachabilityForLocalWiFi();

    // Takes ownership of the target; a WWAN path counts as reachable.
    explicit Reachability(std::shared_ptr<ns::NetworkReachability> ref);
    ~Reachability();

    Reachability(const Reachability&) = delete;
    Reachability& operator=(const Reachability&) = delete;

    // Reports changes from now on: the blocks run on a serial queue of the instance, then
    // kReachabilityChangedNotification is posted on the main queue. NO when the target
    // refuses the callback or the queue (or the instance is not held by a shared pointer,
    // so it could not keep itself alive).
    bool startNotifier();
    void stopNotifier();

    [[nodiscard]] bool isReachableWithFlags(Flags flags) const;
    [[nodiscard]] bool isReachable() const;
    [[nodiscard]] bool isReachableViaWWAN() const;
    [[nodiscard]] bool isReachableViaWiFi() const;
    [[nodiscard]] bool isConnectionRequired() const;
    [[nodiscard]] bool connectionRequired() const;
    [[nodiscard]] bool isConnectionOnDemand() const;
    [[nodiscard]] bool isInterventionRequired() const;
    // 0 not reachable, 1 over WWAN, 2 over Wi-Fi; never ReachabilityStatus::Undetermined.
    [[nodiscard]] ReachabilityStatus currentReachabilityStatus() const;
    // The raw flags; none when they cannot be read.
    [[nodiscard]] Flags reachabilityFlags() const;
    // "Cellular", "WiFi" or "No Connection".
    [[nodiscard]] QString currentReachabilityString() const;
    // Nine flag letters with a space after the second, "-" for each clear bit:
    // W R  c t i C D l d.
    [[nodiscard]] QString currentReachabilityFlags() const;
    [[nodiscard]] QString description() const;

    [[nodiscard]] bool reachableOnWWAN() const { return reachableOnWWAN_; }
    void setReachableOnWWAN(bool reachable) { reachableOnWWAN_ = reachable; }
    [[nodiscard]] const std::shared_ptr<ns::NetworkReachability>& reachabilityRef() const {
        return reachabilityRef_;
    }
    [[nodiscard]] std::shared_ptr<ns::SerialQueue> reachabilitySerialQueue() const;
    [[nodiscard]] NetworkReachable reachableBlock() const;
    void setReachableBlock(NetworkReachable block);
    [[nodiscard]] NetworkUnreachable unreachableBlock() const;
    void setUnreachableBlock(NetworkUnreachable block);
    // The instance itself while the notifier runs, else nothing.
    [[nodiscard]] std::shared_ptr<Reachability> reachabilityObject() const;

private:
    // A change, on the serial queue.
    void reachabilityChanged(Flags flags);

    std::atomic<bool> reachableOnWWAN_{true};
    const std::shared_ptr<ns::NetworkReachability> reachabilityRef_;

    mutable std::mutex mutex_;
    std::shared_ptr<ns::SerialQueue> reachabilitySerialQueue_;
    NetworkReachable reachableBlock_;
    NetworkUnreachable unreachableBlock_;
    std::shared_ptr<Reachability> reachabilityObject_;
};
