#include "platform/foundation/notification_center.h"

#include "platform/foundation/main_queue.h"

#include <algorithm>

namespace ns {

NotificationCenter::Observation::~Observation() {
    if (center_) center_->removeObserver(this);
}

NotificationCenter& NotificationCenter::defaultCenter() {
    static auto* center = new NotificationCenter;  // lives for the whole process
    return *center;
}

void NotificationCenter::addObserver(const std::shared_ptr<const void>& observer,
                                     const QString& name, Handler handler, const void* sender) {
    if (!observer || !handler) return;
    std::lock_guard lock(mutex_);
    registrations_.push_back({observer, observer.get(), name, sender,
                              std::make_shared<Handler>(std::move(handler))});
}

std::shared_ptr<NotificationCenter::Observation> NotificationCenter::addObserver(
    const QString& name, Handler handler, const void* sender) {
    auto observation = std::make_shared<Observation>();
    observation->center_ = this;
    addObserver(observation, name, std::move(handler), sender);
    return observation;
}

void NotificationCenter::removeObserver(const void* observer) {
    std::lock_guard lock(mutex_);
    std::erase_if(registrations_, [&](const Registration& r) { return r.identity == observer; });
}

void NotificationCenter::removeObserver(const void* observer, const QString& name,
                                        const void* sender) {
    std::lock_guard lock(mutex_);
    std::erase_if(registrations_, [&](const Registration& r) {
        return r.identity == observer && (name.isEmpty() || r.name == name) &&
               (!sender || r.sender == sender);
    });
}

void NotificationCenter::post(const Notification& notification) {
    struct Delivery {
        std::shared_ptr<const void> observer;
        std::shared_ptr<Handler> handler;
    };
    std::vector<Delivery> deliveries;
    {
        std::lock_guard lock(mutex_);
        std::erase_if(registrations_, [](const Registration& r) { return r.observer.expired(); });
        for (const auto& r : registrations_) {
            if (!r.name.isEmpty() && r.name != notification.name) continue;
            if (r.sender && r.sender != notification.sender) continue;
            if (auto observer = r.observer.lock()) deliveries.push_back({std::move(observer), r.handler});
        }
    }
    // Handlers run outside the lock: they may post, add or remove observers.
    for (const auto& delivery : deliveries) {
        if (!stillRegistered(delivery.handler)) continue;
        (*delivery.handler)(notification);
    }
}

void NotificationCenter::post(const QString& name, const void* sender, const QVariantMap& userInfo) {
    post(Notification{name, sender, {}, userInfo});
}

void NotificationCenter::postOnMainQueue(Notification notification) {
    MainQueue::post([this, notification = std::move(notification)] { post(notification); });
}

bool NotificationCenter::stillRegistered(const std::shared_ptr<Handler>& handler) const {
    std::lock_guard lock(mutex_);
    return std::any_of(registrations_.begin(), registrations_.end(),
                       [&](const Registration& r) { return r.handler == handler; });
}

std::size_t NotificationCenter::observerCount(const QString& name) const {
    std::lock_guard lock(mutex_);
    return std::count_if(registrations_.begin(), registrations_.end(), [&](const Registration& r) {
        return !r.observer.expired() && (r.name.isEmpty() || r.name == name);
    });
}

}  // namespace ns
