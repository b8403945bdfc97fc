#include "platform/foundation/network_reachability.h"

#include "platform/foundation/network_routes.h"

#include <QHostInfo>
#include <QtDebug>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <vector>

namespace ns {

using Flags = NetworkReachability::Flags;

// The process-wide side of reachability: the targets bound to a queue, the simulated
// state, and the watch on the kernel's routing notifications.
class ReachabilityMonitor {
public:
    static ReachabilityMonitor& shared() {
        static auto* monitor = new ReachabilityMonitor;  // lives for the whole process
        return *monitor;
    }

    void bind(const std::shared_ptr<NetworkReachability>& target) {
        std::lock_guard lock(mutex_);
        forget(target.get());
        targets_.push_back({target.get(), target});
        if (!watching_) {
            watching_ = true;
            startWatching();
        }
    }

    void unbind(const NetworkReachability* target) {
        std::lock_guard lock(mutex_);
        forget(target);
    }

    [[nodiscard]] std::vector<std::shared_ptr<NetworkReachability>> bound() const {
        std::vector<std::weak_ptr<NetworkReachability>> weak;
        {
            std::lock_guard lock(mutex_);
            for (const Binding& binding : targets_) weak.push_back(binding.target);
        }
        // Made strong outside the mutex: whichever of these references turns out to be a
        // target's last runs its destructor, which unbinds it under the mutex.
        std::vector<std::shared_ptr<NetworkReachability>> targets;
        for (const auto& target : weak) {
            if (auto strong = target.lock()) targets.push_back(std::move(strong));
        }
        return targets;
    }

    [[nodiscard]] std::optional<Flags> simulated() const {
        std::lock_guard lock(mutex_);
        return simulated_;
    }
    void setSimulated(std::optional<Flags> flags) {
        std::lock_guard lock(mutex_);
        simulated_ = flags;
    }

    // Held while a target computes, compares and posts its flags, so that reports of
    // different causes (a routing change, the simulated switch, a finished resolution)
    // reach a queue in the order of the states they saw.
    std::mutex reportMutex;

private:
    struct Binding {
        const NetworkReachability* identity;
        std::weak_ptr<NetworkReachability> target;
    };

    // Drops the binding of `target` and those of targets that have gone away.
    void forget(const NetworkReachability* target) {
        std::erase_if(targets_, [&](const Binding& binding) {
            return binding.identity == target || binding.target.expired();
        });
    }

    void networkChanged() {
        for (const auto& target : bound()) {
            if (target->address_) {
                target->report(false);
            } else {
                // A name's addresses may differ on the new network.
                target->startResolving();
            }
        }
    }

    void startWatching() {
        const int socket = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
        sockaddr_nl address{};
        address.nl_family = AF_NETLINK;
        address.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR |
                            RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
        if (socket < 0 ||
            ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            // Queries still answer from the current state; only changes go unheard.
            qWarning() << "Reachability: cannot watch routing changes, errno" << errno;
            if (socket >= 0) ::close(socket);
            return;
        }
        // The watch lasts as long as the process, like the system service it stands for.
        std::thread([this, socket] {
            char buffer[8192];
            for (;;) {
                const ssize_t received = ::recv(socket, buffer, sizeof buffer, 0);
                if (received < 0 && errno == EINTR) continue;
                // ENOBUFS means notifications were lost: the state is re-read all the same.
                if (received < 0 && errno != ENOBUFS) {
                    qWarning() << "Reachability: routing notifications ended, errno" << errno;
                    ::close(socket);
                    return;
                }
                networkChanged();
            }
        }).detach();
    }

    mutable std::mutex mutex_;
    std::vector<Binding> targets_;
    std::optional<Flags> simulated_;
    bool watching_ = false;
};

std::shared_ptr<NetworkReachability> NetworkReachability::withAddress(const sockaddr* address) {
    if (!address || (address->sa_family != AF_INET && address->sa_family != AF_INET6)) {
        return nullptr;
    }
    QHostAddress host;
    host.setAddress(address);
    return std::shared_ptr<NetworkReachability>(new NetworkReachability(host, {}));
}

std::shared_ptr<NetworkReachability> NetworkReachability::withName(const QString& name) {
    if (name.trimmed().isEmpty()) return nullptr;
    std::shared_ptr<NetworkReachability> target(new NetworkReachability(std::nullopt, name));
    const QHostAddress numeric(name);
    if (!numeric.isNull()) {
        // A numeric name needs no lookup.
        target->resolvedAddresses_ = {numeric};
    } else {
        target->startResolving();
    }
    return target;
}

NetworkReachability::NetworkReachability(std::optional<QHostAddress> address, QString name)
    : address_(std::move(address)), name_(std::move(name)) {}

NetworkReachability::~NetworkReachability() {
    ReachabilityMonitor::shared().unbind(this);
}

std::optional<Flags> NetworkReachability::flags() const {
    if (const auto simulated = ReachabilityMonitor::shared().simulated()) return *simulated;
    const std::optional<NetworkRoutes> routes = NetworkRoutes::current();
    if (!routes) return std::nullopt;
    if (address_) return routes->flagsFor(*address_);

    QList<QHostAddress> addresses;
    {
        std::lock_guard lock(mutex_);
        addresses = resolvedAddresses_;
    }
    for (const QHostAddress& address : addresses) {
        const Flags flags = routes->flagsFor(address);
        if (flags & kReachable) return flags;
    }
    return Flags{0};
}

bool NetworkReachability::setCallback(Callback callback) {
    std::lock_guard lock(mutex_);
    callback_ = std::move(callback);
    return true;
}

bool NetworkReachability::setDispatchQueue(std::shared_ptr<DispatchQueue> queue) {
    auto& monitor = ReachabilityMonitor::shared();
    if (!queue) {
        {
            std::lock_guard lock(mutex_);
            queue_.reset();
            lastReported_.reset();
        }
        monitor.unbind(this);
        return true;
    }
    {
        // Binding reports nothing by itself: the state now is the one later changes
        // are measured against.
        std::lock_guard reporting(monitor.reportMutex);
        const std::optional<Flags> now = flags();
        std::lock_guard lock(mutex_);
        queue_ = std::move(queue);
        lastReported_ = now;
    }
    monitor.bind(shared_from_this());
    return true;
}

void NetworkReachability::report(bool force) {
    std::lock_guard reporting(ReachabilityMonitor::shared().reportMutex);
    const std::optional<Flags> now = flags();
    std::lock_guard lock(mutex_);
    if (!queue_ || (!force && now == lastReported_)) return;
    lastReported_ = now;
    queue_->async([weak = weak_from_this(), flags = now.value_or(0)] {
        const auto self = weak.lock();
        if (!self) return;
        Callback callback;
        {
            std::lock_guard lock(self->mutex_);
            callback = self->callback_;
        }
        // A callback removed after the change was posted is not called.
        if (callback) callback(flags);
    });
}

void NetworkReachability::startResolving() {
    {
        std::lock_guard lock(mutex_);
        if (resolving_) return;
        resolving_ = true;
    }
    DispatchQueue::global()->async([weak = weak_from_this(), name = name_] {
        const QHostInfo info = QHostInfo::fromName(name);
        if (const auto self = weak.lock()) self->resolved(info.addresses());
    });
}

void NetworkReachability::resolved(const QList<QHostAddress>& addresses) {
    {
        std::lock_guard lock(mutex_);
        resolvedAddresses_ = addresses;
        resolving_ = false;
    }
    report(false);
}

void NetworkReachability::setSimulatedFlags(Flags flags) {
    auto& monitor = ReachabilityMonitor::shared();
    monitor.setSimulated(flags);
    for (const auto& target : monitor.bound()) target->report(true);
}

void NetworkReachability::clearSimulatedFlags() {
    auto& monitor = ReachabilityMonitor::shared();
    monitor.setSimulated(std::nullopt);
    for (const auto& target : monitor.bound()) target->report(false);
}

std::optional<Flags> NetworkReachability::simulatedFlags() {
    return ReachabilityMonitor::shared().simulated();
}

}  // namespace ns
