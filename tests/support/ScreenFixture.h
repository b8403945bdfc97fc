#pragma once

#include "StandinFixture.h"

#include "platform/uikit/alert_test_driver.h"
#include "platform/uikit/interactive_host.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/tab_bar_controller.h"
#include "platform/uikit/tab_bar_item.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/view_controller.h"
#include "platform/uikit/window.h"

#include <QString>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// How the screens of a fixture settle: whether what other threads posted to the main loop
// (replies, the messaging service's news) is handled first, and how long settle() lets pass
// on the clock.
struct Settling {
    bool handlePostedFirst = false;
    double seconds = 0.5;
};

// A phone window for the screens a test opens, over the fixture `Base` (the stand-in, or a
// fixture made from it): a navigation stack, a driver that acts as a user would and one that
// answers alerts. The stack is shown by showStack() or showInTabShell().
template <class Base = StandinFixture>
class ScreenFixture : public Base {
protected:
    explicit ScreenFixture(Settling settling = {}) : settling_(settling) {}

    void SetUp() override {
        Base::SetUp();
        window_ = std::make_shared<ui::Window>();
        window_->makeKeyAndVisible();
        driver_ = std::make_unique<ui::TestDriver>(window_);
        alerts_ = std::make_unique<ui::AlertTestDriver>(*driver_);
    }

    void TearDown() override {
        closeScreens();
        Base::TearDown();
    }
    // Lets the window and every screen in it go. A fixture that releases services in its
    // TearDown calls it first; a second call does nothing.
    void closeScreens() {
        host_.reset();
        alerts_.reset();
        driver_.reset();
        if (window_) window_->setRootViewController(nullptr);
        window_.reset();
        navigation_.reset();
        tabs_.reset();
    }

    // The stack as the window's root.
    void showStack() { window_->setRootViewController(navigation_); }
    // The stack as the selected tab of a tab shell, titled `title`, after the tabs `before`.
    void showInTabShell(const QString& title,
                        std::vector<std::shared_ptr<ui::ViewController>> before = {}) {
        navigation_->tabBarItem()->setTitle(title);
        before.push_back(navigation_);
        tabs_ = std::make_shared<ui::TabBarController>();
        tabs_->setViewControllers(before);
        tabs_->setSelectedIndex(int(before.size()) - 1);
        window_->setRootViewController(tabs_);
    }

    // Lets `seconds` pass on the clock (after handling what was posted, if the fixture's
    // screens settle so), then lays the window out.
    void settle(double seconds) {
        if (settling_.handlePostedFirst) this->drainMainLoop();
        driver_->wait(seconds);
        window_->layoutIfNeeded();
    }
    void settle() { settle(settling_.seconds); }
    // Waits for `done` while replies come from the stand-in: the clock stands still
    // meanwhile, so that a slow answer on a busy machine is never taken for a request that
    // timed out; then settles.
    bool waitFor(const std::function<bool()>& done) {
        const bool reached = this->runMainLoopUntil([&] {
            this->drainMainLoop();
            return done();
        });
        settle();
        return reached;
    }
    // Lets the clock run in steps of `step` seconds until `done` (pictures that load, a
    // stream that answers); whether it came.
    bool settleUntil(const std::function<bool()>& done, double step = 0.05) {
        return this->runMainLoopUntil([&] {
            settle(step);
            return done();
        });
    }

    // What the window costs at rest, as a desktop window showing it would: the frames its
    // host asks for and the actions the clock runs (timer firings, delayed calls) while
    // `seconds` pass, after the window had `settling` seconds to settle. The clock moves a
    // screen refresh at a time, what other threads posted handled at each.
    struct Rest {
        int frames = 0;
        std::uint64_t actions = 0;
    };
    Rest rest(double seconds = 10, double settling = 2) {
        if (!host_) {
            host_ = std::make_unique<ui::InteractiveHost>(window_);
            host_->show();
        }
        const auto pass = [&](double span) {
            for (double passed = 0; passed < span; passed += kRefresh) {
                this->clock().advance(ns::seconds(kRefresh));
                this->drainMainLoop();
            }
        };
        pass(settling);
        const int frames = host_->framesAsked();
        const std::uint64_t actions = this->clock().actionsRun();
        pass(seconds);
        return {host_->framesAsked() - frames, this->clock().actionsRun() - actions};
    }
    // Whether the window, once settled, draws nothing and runs no timer for ten seconds, and
    // goes on so. A reply from another thread (a picture on a busy machine) may still land in
    // any span while the clock runs ahead of it in real time, and then draws once: before the
    // first quiet span of 10 s any may draw, and after it one more at most; a second draw after
    // quiet fails, and the last three spans of at least five must be quiet, so that a window
    // that draws or ticks by itself every 30 s or more often is seen doing it again.
    ::testing::AssertionResult restsIdle() {
        constexpr int kSpans = 5;
        constexpr int kMostSpans = 8;
        std::vector<Rest> spans;
        bool quietSeen = false;
        int noisyAfterQuiet = 0;
        int quietRun = 0;
        for (int span = 0; span < kMostSpans; ++span) {
            spans.push_back(rest(10, span == 0 ? 2 : 0));
            const bool quiet = spans.back().frames == 0 && spans.back().actions == 0;
            quietRun = quiet ? quietRun + 1 : 0;
            if (quiet) quietSeen = true;
            if (!quiet && quietSeen && ++noisyAfterQuiet > 1) break;
            if (span + 1 >= kSpans && quietRun >= 3) return ::testing::AssertionSuccess();
        }
        auto failure = ::testing::AssertionFailure();
        failure << "frames/clock actions of each span of 10 s at rest, which should end quiet "
                   "and stay so:";
        for (const Rest& span : spans) failure << " " << span.frames << "/" << span.actions;
        return failure;
    }

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<ui::NavigationController> navigation_ =
        std::make_shared<ui::NavigationController>();
    std::shared_ptr<ui::TabBarController> tabs_;
    std::unique_ptr<ui::TestDriver> driver_;
    std::unique_ptr<ui::AlertTestDriver> alerts_;

private:
    static constexpr double kRefresh = 1.0 / 60;
    Settling settling_;
    std::unique_ptr<ui::InteractiveHost> host_;
};
