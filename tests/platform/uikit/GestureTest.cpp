#include "UIKitTest.h"

#include "platform/uikit/button.h"
#include "platform/uikit/long_press_gesture_recognizer.h"
#include "platform/uikit/pan_gesture_recognizer.h"
#include "platform/uikit/pinch_gesture_recognizer.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/tap_gesture_recognizer.h"
#include "platform/uikit/window.h"

namespace {

using ui::GestureRecognizer;
using ui::Point;
using ui::Rect;
using State = ui::GestureRecognizerState;

// A view that records what reaches it.
class Pad : public ui::View {
public:
    using View::View;
    std::vector<std::string> touches;
    void touchesBegan(const ui::TouchSet&, const ui::Event*) override {
        touches.push_back("began");
    }
    void touchesMoved(const ui::TouchSet&, const ui::Event*) override {
        touches.push_back("moved");
    }
    void touchesEnded(const ui::TouchSet&, const ui::Event*) override {
        touches.push_back("ended");
    }
    void touchesCancelled(const ui::TouchSet&, const ui::Event*) override {
        touches.push_back("cancelled");
    }
};

class GestureTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        window = std::make_shared<ui::Window>();
        pad = std::make_shared<Pad>(Rect{0, 0, 320, 480});
        window->addSubview(pad);
    }

    void tap(Point p) {
        window->touchDown(p);
        window->touchUp(p);
    }

    template <class T>
    std::shared_ptr<T> attach(std::vector<State>& states) {
        auto recognizer = std::make_shared<T>(
            this, [&states](GestureRecognizer& r) { states.push_back(r.state()); });
        pad->addGestureRecognizer(recognizer);
        return recognizer;
    }

    std::shared_ptr<ui::Window> window;
    std::shared_ptr<Pad> pad;
};

TEST_F(GestureTest, SingleTapWaitingForDoubleTapFiresOnlyAfterTheDoubleTapTimePasses) {
    std::vector<State> singles, doubles;
    auto single = attach<ui::TapGestureRecognizer>(singles);
    auto twice = attach<ui::TapGestureRecognizer>(doubles);
    twice->setNumberOfTapsRequired(2);
    single->requireGestureRecognizerToFail(twice);

    tap({100, 100});
    EXPECT_TRUE(singles.empty());
    clock().advance(ns::seconds(ui::Window::kMultiTapInterval - 0.01));
    EXPECT_TRUE(singles.empty());
    clock().advance(20ms);
    EXPECT_EQ(singles, (std::vector<State>{State::Recognized}));
    EXPECT_TRUE(doubles.empty());
    EXPECT_EQ(single->state(), State::Possible);  // reset for the next gesture

    clock().advance(1s);
    singles.clear();
    tap({100, 100});
    clock().advance(200ms);
    tap({103, 101});
    EXPECT_EQ(doubles, (std::vector<State>{State::Recognized}));
    clock().advance(1s);
    EXPECT_TRUE(singles.empty());

    // A second tap too far away is a new single tap, not a double.
    doubles.clear();
    tap({100, 100});
    clock().advance(100ms);
    tap({200, 300});
    clock().advance(1s);
    EXPECT_TRUE(doubles.empty());
    EXPECT_EQ(singles.size(), 2u);
}

TEST_F(GestureTest, RecognizedGesturesTakeTheTouchesFromTheView) {
    std::vector<State> states;
    auto pan = attach<ui::PanGestureRecognizer>(states);
    window->touchDown({10, 10});
    window->touchMove({12, 10});
    window->touchMove({40, 10});
    window->touchMove({60, 10});
    window->touchUp({60, 10});
    EXPECT_EQ(pad->touches, (std::vector<std::string>{"began", "moved", "cancelled"}));
    EXPECT_EQ(states, (std::vector<State>{State::Began, State::Changed, State::Ended}));

    pad->touches.clear();
    states.clear();
    pan->setCancelsTouchesInView(false);
    window->touchDown({10, 10});
    window->touchMove({40, 10});
    window->touchUp({40, 10});
    EXPECT_EQ(pad->touches, (std::vector<std::string>{"began", "moved", "ended"}));
}

TEST_F(GestureTest, TapsOnControlsStayWithTheControl) {
    std::vector<State> states;
    attach<ui::TapGestureRecognizer>(states);
    auto button = std::make_shared<ui::Button>(Rect{10, 10, 80, 40});
    pad->addSubview(button);
    int presses = 0;
    button->addTarget(this, ui::kControlEventTouchUpInside,
                      [&](ui::Control&, const ui::Event*) { ++presses; });
    tap({20, 20});
    EXPECT_EQ(presses, 1);
    EXPECT_TRUE(states.empty());
    clock().advance(1s);
    tap({200, 200});
    EXPECT_EQ(states.size(), 1u);
}

TEST_F(GestureTest, LongPressBeginsAfterTheDurationAndFollowsTheFinger) {
    std::vector<State> states;
    auto press = attach<ui::LongPressGestureRecognizer>(states);
    window->touchDown({50, 50});
    clock().advance(490ms);
    EXPECT_TRUE(states.empty());
    clock().advance(10ms);
    EXPECT_EQ(states, (std::vector<State>{State::Began}));
    window->touchMove({80, 90});  // free to move once begun
    window->touchUp({80, 90});
    EXPECT_EQ(states, (std::vector<State>{State::Began, State::Changed, State::Ended}));
    EXPECT_EQ(press->locationInView(pad.get()), (Point{80, 90}));

    states.clear();
    window->touchDown({50, 50});
    window->touchMove({50, 65});  // moved too far before the time
    clock().advance(1s);
    window->touchUp({50, 65});
    EXPECT_TRUE(states.empty());

    window->touchDown({50, 50});
    clock().advance(200ms);
    window->touchUp({50, 50});  // lifted too soon
    clock().advance(1s);
    EXPECT_TRUE(states.empty());
}

TEST_F(GestureTest, PanReportsTranslationVelocityAndResets) {
    std::vector<State> states;
    std::vector<Point> translations;
    auto pan = std::make_shared<ui::PanGestureRecognizer>();
    pan->addTarget(this, [&](GestureRecognizer& r) {
        auto& p = static_cast<ui::PanGestureRecognizer&>(r);
        states.push_back(p.state());
        translations.push_back(p.translationInView(pad.get()));
    });
    pad->addGestureRecognizer(pan);
    window->touchDown({100, 100});
    clock().advance(50ms);
    window->touchMove({105, 100});
    EXPECT_TRUE(states.empty());  // under the 10-point threshold
    clock().advance(50ms);
    window->touchMove({120, 100});
    clock().advance(50ms);
    window->touchMove({140, 110});
    EXPECT_EQ(translations, (std::vector<Point>{{20, 0}, {40, 10}}));
    const Point velocity = pan->velocityInView(pad.get());
    EXPECT_NEAR(velocity.x, 350, 1e-6);  // 35 points over the last 0.1 s
    EXPECT_NEAR(velocity.y, 100, 1e-6);

    pan->setTranslation({0, 0}, pad.get());
    clock().advance(50ms);
    window->touchMove({150, 110});
    EXPECT_EQ(translations.back(), (Point{10, 0}));
    window->touchUp({150, 110});
    EXPECT_EQ(states.back(), State::Ended);
    EXPECT_EQ(pan->state(), State::Possible);

    // Too many fingers: no pan.
    states.clear();
    pan->setMaximumNumberOfTouches(1);
    window->touchDown({10, 10}, 0);
    window->touchDown({20, 20}, 1);
    window->touchMove({60, 60}, 0);
    window->touchUp({60, 60}, 0);
    window->touchUp({20, 20}, 1);
    EXPECT_TRUE(states.empty());
}

TEST_F(GestureTest, PinchScalesByTheChangeOfSpread) {
    std::vector<State> states;
    auto pinch = attach<ui::PinchGestureRecognizer>(states);
    pad->setMultipleTouchEnabled(true);
    window->sendTouches(
        {{0, ui::TouchPhase::Began, {100, 200}}, {1, ui::TouchPhase::Began, {200, 200}}});
    window->sendTouches(
        {{0, ui::TouchPhase::Moved, {75, 200}}, {1, ui::TouchPhase::Moved, {225, 200}}});
    window->sendTouches(
        {{0, ui::TouchPhase::Moved, {50, 200}}, {1, ui::TouchPhase::Moved, {250, 200}}});
    EXPECT_EQ(states, (std::vector<State>{State::Began, State::Changed}));
    EXPECT_DOUBLE_EQ(pinch->scale(), 2);
    window->sendTouches(
        {{0, ui::TouchPhase::Ended, {50, 200}}, {1, ui::TouchPhase::Ended, {250, 200}}});
    EXPECT_EQ(states.back(), State::Ended);
}

TEST_F(GestureTest, APinchOnAPageOfAPagingScrollViewZoomsWithoutTurningThePage) {
    auto pager = std::make_shared<ui::ScrollView>(Rect{0, 0, 320, 480});
    pager->setContentSize({640, 480});
    pager->setPagingEnabled(true);
    window->addSubview(pager);
    auto page = std::make_shared<ui::View>(Rect{0, 0, 320, 480});
    pager->addSubview(page);
    std::vector<State> pinches;
    std::vector<State> drags;
    double scale = 1;
    auto pinch = std::make_shared<ui::PinchGestureRecognizer>(this, [&](GestureRecognizer& r) {
        pinches.push_back(r.state());
        scale = static_cast<ui::PinchGestureRecognizer&>(r).scale();
    });
    auto drag = std::make_shared<ui::PanGestureRecognizer>(
        this, [&](GestureRecognizer& r) { drags.push_back(r.state()); });
    drag->setMaximumNumberOfTouches(1);
    page->addGestureRecognizer(pinch);
    page->addGestureRecognizer(drag);

    // The fingers spread while their middle drifts right, further than a drag needs.
    window->sendTouches(
        {{0, ui::TouchPhase::Began, {120, 240}}, {1, ui::TouchPhase::Began, {200, 240}}});
    for (int step = 1; step <= 4; ++step) {
        window->sendTouches({{0, ui::TouchPhase::Moved, {120 - 2.0 * step, 240}},
                             {1, ui::TouchPhase::Moved, {200 + 12.0 * step, 240}}});
    }
    window->sendTouches(
        {{0, ui::TouchPhase::Ended, {112, 240}}, {1, ui::TouchPhase::Ended, {248, 240}}});
    EXPECT_EQ(pinches.front(), State::Began);
    EXPECT_EQ(pinches.back(), State::Ended);
    EXPECT_GT(scale, 1.4);
    EXPECT_TRUE(drags.empty()) << "a one-finger drag never begins under two fingers";
    EXPECT_EQ(pager->contentOffset(), Point(0, 0)) << "the page did not turn";
}

class Delegate : public ui::GestureRecognizerDelegate {
public:
    bool begin = true;
    bool receive = true;
    bool together = false;
    bool gestureRecognizerShouldBegin(GestureRecognizer&) override { return begin; }
    bool gestureRecognizerShouldReceiveTouch(GestureRecognizer&, ui::Touch& touch) override {
        return receive && touch.locationInView(nullptr).x < 160;
    }
    bool gestureRecognizerShouldRecognizeSimultaneously(GestureRecognizer&,
                                                        GestureRecognizer&) override {
        return together;
    }
};

TEST_F(GestureTest, DelegatesDecideWhatBeginsWhatIsSeenAndWhatRunsTogether) {
    auto delegate = std::make_shared<Delegate>();
    std::vector<State> taps, presses;
    auto tapper = attach<ui::TapGestureRecognizer>(taps);
    tapper->setDelegate(delegate);

    tap({200, 10});  // the delegate keeps touches on the right away from it
    EXPECT_TRUE(taps.empty());
    EXPECT_EQ(pad->touches, (std::vector<std::string>{"began", "ended"}));
    clock().advance(1s);
    delegate->begin = false;
    tap({10, 10});
    EXPECT_TRUE(taps.empty());
    clock().advance(1s);
    delegate->begin = true;
    tap({10, 10});
    EXPECT_EQ(taps.size(), 1u);

    // Two continuous gestures on one touch: the first to begin excludes the other...
    std::vector<State> pans;
    auto pan = attach<ui::PanGestureRecognizer>(pans);
    auto press = attach<ui::LongPressGestureRecognizer>(presses);
    clock().advance(1s);
    window->touchDown({10, 10});
    clock().advance(600ms);
    window->touchMove({60, 10});
    window->touchUp({60, 10});
    EXPECT_EQ(presses.front(), State::Began);
    EXPECT_TRUE(pans.empty());

    // ...unless a delegate lets them run together.
    press->setDelegate(delegate);
    delegate->together = true;
    presses.clear();
    clock().advance(1s);
    window->touchDown({10, 10});
    clock().advance(600ms);
    window->touchMove({60, 10});
    window->touchUp({60, 10});
    EXPECT_FALSE(presses.empty());
    EXPECT_FALSE(pans.empty());
}

TEST_F(GestureTest, RecognizersComeAndGoAtRunTime) {
    std::vector<State> states;
    auto pan = attach<ui::PanGestureRecognizer>(states);
    window->touchDown({10, 10});
    window->touchMove({40, 10});
    EXPECT_EQ(states, (std::vector<State>{State::Began}));
    pad->removeGestureRecognizer(pan.get());
    EXPECT_EQ(states.back(), State::Cancelled);
    EXPECT_EQ(pan->view(), nullptr);
    window->touchMove({60, 10});
    window->touchUp({60, 10});
    EXPECT_EQ(states.size(), 2u);
    EXPECT_TRUE(pad->gestureRecognizers().empty());

    pad->addGestureRecognizer(pan);
    states.clear();
    window->touchDown({10, 10});
    window->touchMove({40, 10});
    pan->setEnabled(false);
    EXPECT_EQ(states, (std::vector<State>{State::Began, State::Cancelled}));
    window->touchUp({40, 10});
    pan->setEnabled(true);
    window->touchDown({10, 10});
    window->touchMove({40, 10});
    window->touchUp({40, 10});
    EXPECT_EQ(states.back(), State::Ended);
}

}  // namespace
