#pragma once

#include "HangWait.h"

#include <climits>
#include <condition_variable>
#include <mutex>

// Lets a test hold other threads (a server handler, a queue's block) at a point until it
// lets them pass: open(n) lets n passes through, openForGood() every pass from then on.
class Gate {
public:
    void open(int times = 1) {
        std::lock_guard lock(mutex_);
        permits_ = permits_ > INT_MAX - times ? INT_MAX : permits_ + times;
        changed_.notify_all();
    }
    void openForGood() { open(INT_MAX); }

    // False when the gate stayed shut for kHangWait of real time (a broken test).
    bool pass() {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, kHangWait, [&] { return permits_ > 0; })) return false;
        if (permits_ != INT_MAX) --permits_;
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int permits_ = 0;
};
