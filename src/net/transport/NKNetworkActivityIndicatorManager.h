#pragma once

#include "platform/foundation/notification_center.h"
#include "platform/foundation/timer.h"

#include <memory>
#include <mutex>

// Counts the running network operations from their start and finish notifications and,
// while enabled, shows the application's network activity indicator whenever the count is above 0.
// The indicator goes off 0.17 s after the count dropped to 0, so that it does not flicker
// between back-to-back requests.
class NKNetworkActivityIndicatorManager {
public:
    static constexpr double kInvisibilityDelay = 0.17;

    // The one manager of the app, made on first use.
    static NKNetworkActivityIndicatorManager& sharedManager();

    // A manager that observes the notifications while it lives.
    NKNetworkActivityIndicatorManager();
    ~NKNetworkActivityIndicatorManager();
    NKNetworkActivityIndicatorManager(const NKNetworkActivityIndicatorManager&) = delete;
    NKNetworkActivityIndicatorManager& operator=(const NKNetworkActivityIndicatorManager&) = delete;

    // Off by default: the count moves, the indicator does not.
    [[nodiscard]] bool isEnabled() const;
    void setEnabled(bool enabled);

    [[nodiscard]] int activityCount() const;
    void setActivityCount(int count);
    void incrementActivityCount();
    // Never below 0.
    void decrementActivityCount();
    [[nodiscard]] bool isNetworkActivityIndicatorVisible() const { return activityCount() > 0; }

    // The observer calls, for operations whose request has a URL.
    void networkingOperationDidStart(const ns::Notification& notification);
    void networkingOperationDidFinish(const ns::Notification& notification);

private:
    void updateLater();
    void updateNetworkActivityIndicatorVisibilityDelayed();
    void updateNetworkActivityIndicatorVisibility();

    // Lives as long as the manager; callbacks that outlive it find it gone.
    struct Alive {};
    std::shared_ptr<Alive> alive_ = std::make_shared<Alive>();

    mutable std::mutex mutex_;
    bool enabled_ = false;
    int activityCount_ = 0;
    std::shared_ptr<ns::Timer> activityIndicatorVisibilityTimer_;
    std::shared_ptr<ns::NotificationCenter::Observation> startObservation_;
    std::shared_ptr<ns::NotificationCenter::Observation> finishObservation_;
};
