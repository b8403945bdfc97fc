#include "ui/image/IKImageDownloadQueue.h"

#include <algorithm>

std::shared_ptr<IKImageDownloadQueue> IKImageDownloadQueue::create(int width) {
    return std::shared_ptr<IKImageDownloadQueue>(new IKImageDownloadQueue(width));
}

void IKImageDownloadQueue::addOperation(const std::shared_ptr<ns::Operation>& operation,
                                        bool newestFirst) {
    const std::weak_ptr<IKImageDownloadQueue> weak = weak_from_this();
    operation->addObserver([weak](ns::Operation& changed, ns::Operation::Key key) {
        if (key != ns::Operation::Key::Finished || !changed.isFinished()) return;
        if (auto self = weak.lock()) self->finished(&changed);
    });
    {
        std::lock_guard lock(mutex_);
        const auto priority = operation->queuePriority();
        // Before the first of a lower priority; newest first also before its equals.
        const auto place = std::find_if(waiting_.begin(), waiting_.end(), [&](const auto& waiting) {
            return newestFirst ? waiting->queuePriority() <= priority
                               : waiting->queuePriority() < priority;
        });
        waiting_.insert(place, operation);
    }
    startWhatHasRoom();
}

bool IKImageDownloadQueue::hasRoomLocked() const {
    return width_ < 0 || int(running_.size()) < width_;
}

void IKImageDownloadQueue::startWhatHasRoom() {
    for (;;) {
        std::shared_ptr<ns::Operation> next;
        {
            std::lock_guard lock(mutex_);
            if (suspended_ || waiting_.empty() || !hasRoomLocked()) return;
            next = waiting_.front();
            waiting_.pop_front();
            running_.push_back(next);
        }
        next->start();
    }
}

void IKImageDownloadQueue::finished(const ns::Operation* operation) {
    {
        std::lock_guard lock(mutex_);
        std::erase_if(running_, [&](const auto& running) { return running.get() == operation; });
    }
    startWhatHasRoom();
}

int IKImageDownloadQueue::maxConcurrentOperationCount() const {
    std::lock_guard lock(mutex_);
    return width_;
}

void IKImageDownloadQueue::setMaxConcurrentOperationCount(int width) {
    {
        std::lock_guard lock(mutex_);
        width_ = width;
    }
    startWhatHasRoom();
}

void IKImageDownloadQueue::setSuspended(bool suspended) {
    {
        std::lock_guard lock(mutex_);
        suspended_ = suspended;
    }
    startWhatHasRoom();
}

std::size_t IKImageDownloadQueue::operationCount() const {
    std::lock_guard lock(mutex_);
    return waiting_.size() + running_.size();
}

void IKImageDownloadQueue::cancelAllOperations() {
    std::deque<std::shared_ptr<ns::Operation>> waiting;
    std::vector<std::shared_ptr<ns::Operation>> running;
    {
        std::lock_guard lock(mutex_);
        waiting = std::move(waiting_);
        waiting_.clear();
        running = running_;
    }
    for (const auto& operation : waiting) operation->cancel();
    for (const auto& operation : running) operation->cancel();
}
