#include "net/transport/NKNetworkActivityIndicatorManager.h"

#include "net/transport/NKURLConnectionOperation.h"

#include "platform/foundation/main_queue.h"
#include "platform/uikit/application.h"

namespace {

bool operationHasURL(const ns::Notification& notification) {
    const auto operation = notification.objectAs<std::shared_ptr<NKURLConnectionOperation>>();
    return operation && !operation->request().url().isEmpty();
}

}  // namespace

NKNetworkActivityIndicatorManager& NKNetworkActivityIndicatorManager::sharedManager() {
    static auto* manager = new NKNetworkActivityIndicatorManager;  // kept for the process
    return *manager;
}

NKNetworkActivityIndicatorManager::NKNetworkActivityIndicatorManager() {
    auto& center = ns::NotificationCenter::defaultCenter();
    startObservation_ = center.addObserver(NKURLConnectionOperation::kOperationDidStartNotification,
                                           [this](const ns::Notification& notification) {
                                               networkingOperationDidStart(notification);
                                           });
    finishObservation_ =
        center.addObserver(NKURLConnectionOperation::kOperationDidFinishNotification,
                           [this](const ns::Notification& notification) {
                               networkingOperationDidFinish(notification);
                           });
}

NKNetworkActivityIndicatorManager::~NKNetworkActivityIndicatorManager() {
    startObservation_.reset();
    finishObservation_.reset();
    if (activityIndicatorVisibilityTimer_) activityIndicatorVisibilityTimer_->invalidate();
}

bool NKNetworkActivityIndicatorManager::isEnabled() const {
    std::lock_guard guard(mutex_);
    return enabled_;
}

void NKNetworkActivityIndicatorManager::setEnabled(bool enabled) {
    std::lock_guard guard(mutex_);
    enabled_ = enabled;
}

int NKNetworkActivityIndicatorManager::activityCount() const {
    std::lock_guard guard(mutex_);
    return activityCount_;
}

void NKNetworkActivityIndicatorManager::setActivityCount(int count) {
    {
        std::lock_guard guard(mutex_);
        activityCount_ = count;
    }
    updateLater();
}

void NKNetworkActivityIndicatorManager::incrementActivityCount() {
    {
        std::lock_guard guard(mutex_);
        ++activityCount_;
    }
    updateLater();
}

void NKNetworkActivityIndicatorManager::decrementActivityCount() {
    {
        std::lock_guard guard(mutex_);
        activityCount_ = std::max(activityCount_ - 1, 0);
    }
    updateLater();
}

void NKNetworkActivityIndicatorManager::networkingOperationDidStart(
    const ns::Notification& notification) {
    if (operationHasURL(notification)) incrementActivityCount();
}

void NKNetworkActivityIndicatorManager::networkingOperationDidFinish(
    const ns::Notification& notification) {
    if (operationHasURL(notification)) decrementActivityCount();
}

void NKNetworkActivityIndicatorManager::updateLater() {
    ns::MainQueue::post([this, alive = std::weak_ptr<Alive>(alive_)] {
        if (alive.lock()) updateNetworkActivityIndicatorVisibilityDelayed();
    });
}

void NKNetworkActivityIndicatorManager::updateNetworkActivityIndicatorVisibilityDelayed() {
    if (!isEnabled()) return;
    if (isNetworkActivityIndicatorVisible()) {
        ns::MainQueue::post([this, alive = std::weak_ptr<Alive>(alive_)] {
            if (alive.lock()) updateNetworkActivityIndicatorVisibility();
        });
        return;
    }
    if (activityIndicatorVisibilityTimer_) activityIndicatorVisibilityTimer_->invalidate();
    activityIndicatorVisibilityTimer_ =
        ns::Timer::scheduledTimer(ns::seconds(kInvisibilityDelay), false,
                                  [this, alive = std::weak_ptr<Alive>(alive_)](ns::Timer&) {
                                      if (alive.lock()) updateNetworkActivityIndicatorVisibility();
                                  });
}

void NKNetworkActivityIndicatorManager::updateNetworkActivityIndicatorVisibility() {
    ui::Application::sharedApplication().setNetworkActivityIndicatorVisible(
        isNetworkActivityIndicatorVisible());
}
