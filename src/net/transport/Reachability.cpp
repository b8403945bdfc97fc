#include "net/transport/Reachability.h"

#include "platform/foundation/notification_center.h"

#include <arpa/inet.h>

namespace {

using NetworkReachability = ns::NetworkReachability;
using Flags = Reachability::Flags;

const QString kQueueLabel = QStringLiteral("com.housing.app.reachability");

constexpr quint32 kLinkLocalNetwork = 0xA9FE0000;  // 169.254.0.0

std::shared_ptr<Reachability> wrap(std::shared_ptr<NetworkReachability> ref) {
    if (!ref) return nullptr;
    return std::make_shared<Reachability>(std::move(ref));
}

sockaddr_in ipv4Address(quint32 hostOrder) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(hostOrder);
    return address;
}

bool has(Flags flags, Flags bits) {
    return (flags & bits) == bits;
}

}  // namespace

std::shared_ptr<Reachability> Reachability::reachabilityWithHostname(const QString& hostname) {
    return wrap(NetworkReachability::withName(hostname));
}

std::shared_ptr<Reachability> Reachability::reachabilityWithHostName(const QString& hostname) {
    return reachabilityWithHostname(hostname);
}

std::shared_ptr<Reachability> Reachability::reachabilityWithAddress(
    const sockaddr_in& hostAddress) {
    return wrap(NetworkReachability::withAddress(reinterpret_cast<const sockaddr*>(&hostAddress)));
}

std::shared_ptr<Reachability> Reachability::reachabilityForInternetConnection() {
    return reachabilityWithAddress(ipv4Address(0));
}

std::shared_ptr<Reachability> Reachability::reachabilityForLocalWiFi() {
    return reachabilityWithAddress(ipv4Address(kLinkLocalNetwork));
}

Reachability::Reachability(std::shared_ptr<ns::NetworkReachability> ref)
    : reachabilityRef_(std::move(ref)) {}

Reachability::~Reachability() {
    stopNotifier();
}

bool Reachability::startNotifier() {
    const std::shared_ptr<Reachability> self = weak_from_this().lock();
    if (!self || !reachabilityRef_) return false;
    const auto queue = std::make_shared<ns::SerialQueue>(kQueueLabel);
    {
        std::lock_guard lock(mutex_);
        reachabilityObject_ = self;
        reachabilitySerialQueue_ = queue;
    }
    const bool callbackSet = reachabilityRef_->setCallback([weak = weak_from_this()](Flags flags) {
        if (const auto reachability = weak.lock()) reachability->reachabilityChanged(flags);
    });
    if (callbackSet && reachabilityRef_->setDispatchQueue(queue)) return true;

    if (callbackSet) reachabilityRef_->setCallback(nullptr);
    std::lock_guard lock(mutex_);
    reachabilitySerialQueue_.reset();
    reachabilityObject_.reset();  // `self` keeps the instance until the return
    return false;
}

void Reachability::stopNotifier() {
    if (reachabilityRef_) {
        reachabilityRef_->setCallback(nullptr);
        reachabilityRef_->setDispatchQueue(nullptr);
    }
    std::shared_ptr<ns::SerialQueue> queue;
    std::shared_ptr<Reachability> object;
    {
        std::lock_guard lock(mutex_);
        queue = std::move(reachabilitySerialQueue_);
        object = std::move(reachabilityObject_);
    }
    // Letting go of `object` may end the instance: nothing below touches it.
}

void Reachability::reachabilityChanged(Flags flags) {
    const std::shared_ptr<Reachability> self = shared_from_this();
    NetworkReachable block;
    {
        std::lock_guard lock(mutex_);
        block = isReachableWithFlags(flags) ? reachableBlock_ : unreachableBlock_;
    }
    if (block) block(self);
    ns::NotificationCenter::defaultCenter().postOnMainQueue(
        ns::Notification{kReachabilityChangedNotification, this, self, {}});
}

bool Reachability::isReachableWithFlags(Flags flags) const {
    if (!(flags & NetworkReachability::kReachable)) return false;
    if (has(flags,
            NetworkReachability::kConnectionRequired | NetworkReachability::kTransientConnection)) {
        return false;
    }
    if ((flags & NetworkReachability::kIsWWAN) && !reachableOnWWAN_) return false;
    return true;
}

Flags Reachability::reachabilityFlags() const {
    if (!reachabilityRef_) return 0;
    return reachabilityRef_->flags().value_or(0);
}

bool Reachability::isReachable() const {
    return isReachableWithFlags(reachabilityFlags());
}

bool Reachability::isReachableViaWWAN() const {
    return has(reachabilityFlags(), NetworkReachability::kReachable | NetworkReachability::kIsWWAN);
}

bool Reachability::isReachableViaWiFi() const {
    const Flags flags = reachabilityFlags();
    return (flags & NetworkReachability::kReachable) && !(flags & NetworkReachability::kIsWWAN);
}

bool Reachability::isConnectionRequired() const {
    return reachabilityFlags() & NetworkReachability::kConnectionRequired;
}

bool Reachability::connectionRequired() const {
    return isConnectionRequired();
}

bool Reachability::isConnectionOnDemand() const {
    const Flags flags = reachabilityFlags();
    return (flags & NetworkReachability::kConnectionRequired) &&
           (flags &
            (NetworkReachability::kConnectionOnTraffic | NetworkReachability::kConnectionOnDemand));
}

bool Reachability::isInterventionRequired() const {
    return has(reachabilityFlags(), NetworkReachability::kConnectionRequired |
                                        NetworkReachability::kInterventionRequired);
}

ReachabilityStatus Reachability::currentReachabilityStatus() const {
    // One reading of the flags answers all three questions.
    const Flags flags = reachabilityFlags();
    if (!isReachableWithFlags(flags)) return ReachabilityStatus::None;
    return (flags & NetworkReachability::kIsWWAN) ? ReachabilityStatus::WWAN
                                                  : ReachabilityStatus::WiFi;
}

QString Reachability::currentReachabilityString() const {
    // The bundle carries no translations of these, so the keys are the texts.
    switch (currentReachabilityStatus()) {
        case ReachabilityStatus::WWAN:
            return QStringLiteral("Cellular");
        case ReachabilityStatus::WiFi:
            return QStringLiteral("WiFi");
        default:
            return QStringLiteral("No Connection");
    }
}

QString Reachability::currentReachabilityFlags() const {
    const Flags flags = reachabilityFlags();
    const auto letter = [flags](Flags bit, char set) {
        return QLatin1Char((flags & bit) ? set : '-');
    };
    return QString() + letter(NetworkReachability::kIsWWAN, 'W') +
           letter(NetworkReachability::kReachable, 'R') + QLatin1Char(' ') +
           letter(NetworkReachability::kConnectionRequired, 'c') +
           letter(NetworkReachability::kTransientConnection, 't') +
           letter(NetworkReachability::kInterventionRequired, 'i') +
           letter(NetworkReachability::kConnectionOnTraffic, 'C') +
           letter(NetworkReachability::kConnectionOnDemand, 'D') +
           letter(NetworkReachability::kIsLocalAddress, 'l') +
           letter(NetworkReachability::kIsDirect, 'd');
}

QString Reachability::description() const {
    return QStringLiteral("<Reachability: 0x%1>").arg(reinterpret_cast<quintptr>(this), 0, 16);
}

std::shared_ptr<ns::SerialQueue> Reachability::reachabilitySerialQueue() const {
    std::lock_guard lock(mutex_);
    return reachabilitySerialQueue_;
}

Reachability::NetworkReachable Reachability::reachableBlock() const {
    std::lock_guard lock(mutex_);
    return reachableBlock_;
}

void Reachability::setReachableBlock(NetworkReachable block) {
    std::lock_guard lock(mutex_);
    reachableBlock_ = std::move(block);
}

Reachability::NetworkUnreachable Reachability::unreachableBlock() const {
    std::lock_guard lock(mutex_);
    return unreachableBlock_;
}

void Reachability::setUnreachableBlock(NetworkUnreachable block) {
    std::lock_guard lock(mutex_);
    unreachableBlock_ = std::move(block);
}

std::shared_ptr<Reachability> Reachability::reachabilityObject() const {
    std::lock_guard lock(mutex_);
    return reachabilityObject_;
}
