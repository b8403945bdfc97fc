#include "ui/widgets/TimerAddition.h"

#include "platform/foundation/timer.h"

void pauseTimer(ns::Timer& timer) {
    if (timer.isValid()) timer.setFireDate(ns::Timer::distantFuture());
}

void resumeTimer(ns::Timer& timer) {
    if (timer.isValid()) timer.setFireDate(ns::Clock::shared().now());
}

void resumeTimerAfterTimeInterval(ns::Timer& timer, double seconds) {
    if (!timer.isValid()) return;
    timer.setFireDate(ns::Clock::shared().now() +
                      std::chrono::duration_cast<ns::TimePoint::duration>(ns::seconds(seconds)));
}
