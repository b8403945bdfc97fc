#pragma once

#include "platform/foundation/timer.h"

#include <functional>
#include <memory>

namespace ui {

// Calls its target once per screen refresh (60 times a second, on the one
// clock) while it runs and is not paused.
class DisplayLink : public std::enable_shared_from_this<DisplayLink> {
public:
    using Target = std::function<void(DisplayLink& link)>;
    static constexpr double kRefreshInterval = 1.0 / 60;

    [[nodiscard]] static std::shared_ptr<DisplayLink> displayLinkWithTarget(Target target);
    ~DisplayLink();

    // Starts the calls (the platform's adding to the run loop).
    void addToRunLoop();
    // Stops for good and lets go of the target.
    void invalidate();
    [[nodiscard]] bool isPaused() const { return paused_; }
    void setPaused(bool paused);
    // Refreshes between calls (1: every refresh).
    [[nodiscard]] int frameInterval() const { return frameInterval_; }
    void setFrameInterval(int interval);
    // Seconds between refreshes, and the media time of the last call.
    [[nodiscard]] double duration() const { return kRefreshInterval; }
    [[nodiscard]] double timestamp() const { return timestamp_; }

private:
    explicit DisplayLink(Target target) : target_(std::move(target)) {}
    void arm();

    Target target_;
    std::shared_ptr<ns::Timer> timer_;
    bool running_ = false;
    bool paused_ = false;
    int frameInterval_ = 1;
    double timestamp_ = 0;
};

}  // namespace ui
