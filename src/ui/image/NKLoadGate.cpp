#include "ui/image/NKLoadGate.h"

#include <algorithm>
#include <utility>

NKLoadGate::Pass::~Pass() {
    leave();
}

void NKLoadGate::Pass::leave() {
    std::call_once(left_, [this] {
        if (auto gate = gate_.lock()) gate->release();
    });
}

NKLoadGate::NKLoadGate(int width) : width_(std::max(width, 1)) {}

void NKLoadGate::enter(Start start) {
    {
        std::lock_guard lock(mutex_);
        if (running_ >= width_) {
            waiting_.push_back(std::move(start));
            return;
        }
        ++running_;
    }
    start(std::shared_ptr<Pass>(new Pass(weak_from_this())));
}

void NKLoadGate::release() {
    Start next;
    {
        std::lock_guard lock(mutex_);
        if (waiting_.empty()) {
            --running_;
            return;
        }
        // The place goes straight to the first in line.
        next = std::move(waiting_.front());
        waiting_.pop_front();
    }
    next(std::shared_ptr<Pass>(new Pass(weak_from_this())));
}

int NKLoadGate::running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

std::size_t NKLoadGate::waiting() const {
    std::lock_guard lock(mutex_);
    return waiting_.size();
}
