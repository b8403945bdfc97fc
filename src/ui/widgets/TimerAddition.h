#pragma once

namespace ns {
class Timer;
}

// Pausing and resuming a repeating timer by moving its next firing; a paused timer
// stays valid, and an invalidated one ignores all three.
void pauseTimer(ns::Timer& timer);
void resumeTimer(ns::Timer& timer);
void resumeTimerAfterTimeInterval(ns::Timer& timer, double seconds);
