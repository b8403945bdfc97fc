#include "UIKitTest.h"

#include "platform/uikit/display_link.h"
#include "platform/uikit/image.h"
#include "platform/uikit/transaction.h"
#include "platform/uikit/view.h"
#include "platform/uikit/window.h"

#include <numbers>

namespace {

using ui::Point;
using ui::Rect;
using ui::View;

class AnimationTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        window = std::make_shared<ui::Window>();
        view = std::make_shared<View>(Rect{0, 0, 100, 100});
        window->addSubview(view);
    }
    std::shared_ptr<ui::Window> window;
    std::shared_ptr<View> view;
};

TEST_F(AnimationTest, CompletionComesOnceWhenTheDurationHasPassed) {
    int completions = 0;
    bool finished = false;
    View::animateWithDuration(
        0.3,
        [&] {
            view->setFrame({100, 200, 50, 50});
        },
        [&](bool done) {
            ++completions;
            finished = done;
        });
    // The model takes the end value at once; the presentation moves there over time.
    EXPECT_EQ(view->frame(), (Rect{100, 200, 50, 50}));
    EXPECT_EQ(view->layer()->presentation().frame(), (Rect{0, 0, 100, 100}));
    clock().advance(150ms);
    const Rect halfway = view->layer()->presentation().frame();
    EXPECT_GT(halfway.origin.x, 0);
    EXPECT_LT(halfway.origin.x, 100);
    clock().advance(140ms);
    EXPECT_EQ(completions, 0);
    clock().advance(10ms);
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(finished);
    EXPECT_EQ(view->frame(), (Rect{100, 200, 50, 50}));
    EXPECT_EQ(view->layer()->presentation().frame(), (Rect{100, 200, 50, 50}));
    EXPECT_FALSE(view->layer()->hasAnimations());
    clock().advance(10s);
    EXPECT_EQ(completions, 1);
}

TEST_F(AnimationTest, DelaysCurvesAndInterruptions) {
    std::vector<bool> results;
    View::animateWithDuration(
        0.2, 0.5, ui::kViewAnimationOptionCurveEaseIn, [&] { view->setAlpha(0); },
        [&](bool done) { results.push_back(done); });
    clock().advance(400ms);
    EXPECT_DOUBLE_EQ(view->layer()->presentation().opacity, 1);  // still waiting out the delay
    clock().advance(200ms);
    // Ease-in: halfway through the time is well under halfway through the change.
    EXPECT_GT(view->layer()->presentation().opacity, 0.6);

    // A new animation of the same property takes over; the old one did not finish.
    View::animateWithDuration(
        0.27, [&] { view->setAlpha(1); }, [&](bool done) { results.push_back(done); });
    clock().advance(1ms);
    EXPECT_EQ(results, (std::vector<bool>{false}));
    clock().advance(300ms);
    EXPECT_EQ(results, (std::vector<bool>{false, true}));
    EXPECT_DOUBLE_EQ(view->layer()->presentation().opacity, 1);
}

TEST_F(AnimationTest, AnimatingViewsIgnoreTouchesUnlessAllowed) {
    View::animateWithDuration(0.3, [&] { view->setCenter({60, 60}); });
    EXPECT_EQ(window->hitTest({50, 50}, nullptr), window.get());
    clock().advance(300ms);
    EXPECT_EQ(window->hitTest({50, 50}, nullptr), view.get());
    View::animateWithDuration(0.3, 0, ui::kViewAnimationOptionAllowUserInteraction, [&] {
        view->setCenter({70, 70});
    });
    EXPECT_EQ(window->hitTest({50, 50}, nullptr), view.get());
}

TEST_F(AnimationTest, BlocksWithoutChangesStillCompleteAfterTheirDuration) {
    int completions = 0;
    View::animateWithDuration(
        0.25, [] {}, [&](bool done) { completions += done ? 1 : 100; });
    clock().advance(240ms);
    EXPECT_EQ(completions, 0);
    clock().advance(10ms);
    EXPECT_EQ(completions, 1);

    // Animations switched off: changes are immediate.
    View::setAnimationsEnabled(false);
    View::animateWithDuration(1, [&] { view->setAlpha(0.5); });
    View::setAnimationsEnabled(true);
    EXPECT_FALSE(view->layer()->hasAnimations());
}

TEST_F(AnimationTest, BeginCommitFormReportsItsIdentifierWhenItStops) {
    QString stopped;
    bool finished = false;
    View::beginAnimations(QStringLiteral("labelHide"));
    view->setAlpha(0);
    View::setAnimationDuration(2);  // settings made after the change still count
    View::setAnimationCurve(ui::ViewAnimationCurve::Linear);
    View::setAnimationDidStopHandler([&](const QString& id, bool done) {
        stopped = id;
        finished = done;
    });
    View::commitAnimations();
    clock().advance(1s);
    EXPECT_NEAR(view->layer()->presentation().opacity, 0.5, 1e-9);
    EXPECT_TRUE(stopped.isEmpty());
    clock().advance(1s);
    EXPECT_EQ(stopped, QStringLiteral("labelHide"));
    EXPECT_TRUE(finished);
}

TEST_F(AnimationTest, BasicLayerAnimationsRepeatStartLateAndCanBePaused) {
    ui::Layer* layer = view->layer();
    auto spin = ui::BasicAnimation::animationWithKeyPath(QStringLiteral("transform.rotation.z"));
    spin->setFromValue(0.0);
    spin->setToValue(2 * std::numbers::pi);
    spin->setDuration(1);
    spin->setCumulative(true);
    spin->setRepeatCount(100000);
    const int running = ui::Layer::runningAnimationCount();
    layer->addAnimation(spin, QStringLiteral("rotationAnimation"));
    EXPECT_EQ(ui::Layer::runningAnimationCount(), running + 1);
    clock().advance(250ms);
    EXPECT_NEAR(std::get<double>(layer->presentationValue(QStringLiteral("transform.rotation.z"))),
                std::numbers::pi / 2, 1e-9);
    EXPECT_TRUE(layer->model().transform.isIdentity());  // the model is untouched

    // Paused by the layer's speed, resumed where it stopped; paused, it moves nothing that a
    // host would draw.
    const double paused = layer->convertTime(ui::mediaTime());
    layer->setSpeed(0);
    layer->setTimeOffset(paused);
    EXPECT_EQ(ui::Layer::runningAnimationCount(), running);
    clock().advance(5s);
    EXPECT_NEAR(std::get<double>(layer->presentationValue(QStringLiteral("transform.rotation.z"))),
                std::numbers::pi / 2, 1e-9);
    layer->setSpeed(1);
    layer->setTimeOffset(0);
    layer->setBeginTime(0);
    layer->setBeginTime(layer->convertTime(ui::mediaTime()) - paused);
    EXPECT_EQ(ui::Layer::runningAnimationCount(), running + 1);
    clock().advance(250ms);
    EXPECT_NEAR(std::get<double>(layer->presentationValue(QStringLiteral("transform.rotation.z"))),
                std::numbers::pi, 1e-9);
    layer->removeAllAnimations();
    EXPECT_EQ(ui::Layer::runningAnimationCount(), running);

    // A position animation that starts later and fills forwards.
    int stops = 0;
    auto move = ui::BasicAnimation::animationWithKeyPath(QStringLiteral("position"));
    move->setToValue(Point{50, 480});
    move->setDuration(0.5);
    move->setBeginTime(layer->localTime() + 1);  // in the layer's own (shifted) time
    move->setFillMode(ui::FillMode::Forwards);
    move->setRemovedOnCompletion(false);
    move->setDidStop([&](bool finished) { stops += finished ? 1 : 100; });
    layer->addAnimation(move, QStringLiteral("drop"));
    clock().advance(900ms);
    EXPECT_EQ(layer->presentation().position, (Point{50, 50}));
    clock().advance(700ms);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(layer->presentation().position, (Point{50, 480}));
    EXPECT_EQ(layer->animationKeys(), (QStringList{QStringLiteral("drop")}));
    layer->removeAnimationForKey(QStringLiteral("drop"));
    clock().advance(1ms);
    EXPECT_EQ(stops, 1);  // already told once
    EXPECT_EQ(layer->presentation().position, (Point{50, 50}));

    // Opacity that autoreverses for ever.
    auto blink = ui::BasicAnimation::animationWithKeyPath(QStringLiteral("opacity"));
    blink->setFromValue(1.0);
    blink->setToValue(0.0);
    blink->setDuration(0.3);
    blink->setAutoreverses(true);
    blink->setRepeatCount(2147483648.0);
    layer->addAnimation(blink, QStringLiteral("blink"));
    clock().advance(450ms);
    EXPECT_NEAR(layer->presentation().opacity, 0.5, 1e-9);
}

// The desktop host draws while any animation runs and lets its link sleep while none does:
// the count of running animations may neither stay above what runs (frames for nothing) nor
// fall below it (a sleep mid-animation). A paused layer's animations move nothing.
TEST_F(AnimationTest, OnlyAnimationsOfLayersThatRunCountAsRunning) {
    const auto fade = [](bool kept) {
        auto animation = ui::BasicAnimation::animationWithKeyPath(QStringLiteral("opacity"));
        animation->setFromValue(1.0);
        animation->setToValue(0.0);
        animation->setDuration(1);
        animation->setRemovedOnCompletion(!kept);
        animation->setFillMode(kept ? ui::FillMode::Forwards : ui::FillMode::Removed);
        return animation;
    };
    const int running = ui::Layer::runningAnimationCount();

    // Added while paused, it counts from the resume on, and only until the next pause.
    auto layer = ui::Layer::layer();
    layer->setSpeed(0);
    layer->addAnimation(fade(false), QStringLiteral("fade"));
    EXPECT_EQ(ui::Layer::runningAnimationCount(), running) << "added to a paused layer";
    layer->setSpeed(1);
    EXPECT_EQ(ui::Layer::runningAnimationCount(), running + 1) << "the layer resumed";
    layer->setSpeed(0);
    EXPECT_EQ(ui::Layer::runningAnimationCount(), running);
    // Taken off while paused, it takes nothing off the count, then or at the resume.
    layer->removeAnimationForKey(QStringLiteral("fade"));
    EXPECT_EQ(ui::Layer::runningAnimationCount(), running);
    layer->setSpeed(1);
    EXPECT_EQ(ui::Layer::runningAnimationCount(), running);

    // One that ended and stays to hold its last value runs no more, paused or resumed.
    layer->addAnimation(fade(true), QStringLiteral("held"));
    clock().advance(1100ms);
    ASSERT_EQ(layer->animationKeys(), QStringList{QStringLiteral("held")});
    EXPECT_EQ(ui::Layer::runningAnimationCount(), running);
    layer->setSpeed(0);
    EXPECT_EQ(ui::Layer::runningAnimationCount(), running);
    layer->setSpeed(1);
    EXPECT_EQ(ui::Layer::runningAnimationCount(), running);

    // A paused layer that goes away leaves the others' animations counted; a running one
    // takes its own off.
    layer->addAnimation(fade(false), QStringLiteral("fade"));
    auto paused = ui::Layer::layer();
    paused->addAnimation(fade(false), QStringLiteral("fade"));
    paused->setSpeed(0);
    ASSERT_EQ(ui::Layer::runningAnimationCount(), running + 1);
    paused.reset();
    EXPECT_EQ(ui::Layer::runningAnimationCount(), running + 1) << "a paused layer went away";
    layer.reset();
    EXPECT_EQ(ui::Layer::runningAnimationCount(), running) << "a running layer went away";
}

TEST_F(AnimationTest, TransitionsMoveTheOldLookAway) {
    window->setBackgroundColor(ui::Color::whiteColor());
    view->setFrame({0, 0, 40, 20});
    view->setBackgroundColor(ui::Color::redColor());
    (void)window->renderImage(1);
    auto transition = ui::Transition::animation();
    transition->setType(ui::Transition::kPush);
    transition->setSubtype(ui::Transition::kFromRight);
    transition->setDuration(1);
    transition->setTimingFunction(ui::MediaTimingFunction::linear());
    view->layer()->addAnimation(transition, QStringLiteral("image"));
    view->setBackgroundColor(ui::Color::blueColor());
    clock().advance(500ms);
    auto halfway = window->renderImage(1);
    // Pushed from the right: the old red half on the left, the new blue on the right.
    EXPECT_EQ(pixelAt(*halfway, 5, 10), QColor(Qt::red));
    EXPECT_EQ(pixelAt(*halfway, 35, 10), QColor(Qt::blue));
    clock().advance(500ms);
    auto done = window->renderImage(1);
    EXPECT_EQ(pixelAt(*done, 5, 10), QColor(Qt::blue));
    EXPECT_FALSE(view->layer()->hasAnimations());

    auto fade = ui::Transition::animation();
    fade->setDuration(0.5);
    fade->setTimingFunction(ui::MediaTimingFunction::linear());
    view->layer()->addAnimation(fade, QStringLiteral("image"));
    view->setBackgroundColor(ui::Color::greenColor());
    clock().advance(250ms);
    const QColor mixed = pixelAt(*window->renderImage(1), 20, 10);
    EXPECT_NEAR(mixed.blue(), 128, 3);
    EXPECT_NEAR(mixed.green(), 128, 3);
}

TEST_F(AnimationTest, TransitionsStartFromWhatTheScreenShowedBeforeThisTurn) {
    view->setFrame({0, 0, 20, 20});
    view->setBackgroundColor(ui::Color::redColor());
    (void)window->renderImage(1);  // the screen shows red
    clock().advance(1s);
    // The change comes first, the transition after it, in the same turn.
    view->setBackgroundColor(ui::Color::blueColor());
    auto fade = ui::Transition::animation();
    fade->setDuration(1);
    fade->setTimingFunction(ui::MediaTimingFunction::linear());
    view->layer()->addAnimation(fade, QStringLiteral("image"));
    clock().advance(500ms);
    const QColor mixed = pixelAt(*window->renderImage(1), 10, 10);
    EXPECT_NEAR(mixed.red(), 128, 3);
    EXPECT_NEAR(mixed.blue(), 128, 3);
    clock().advance(1s);

    // A frame older than the changes since it no longer tells: the layer's own look counts.
    view->setBackgroundColor(ui::Color::greenColor());
    clock().advance(1s);
    view->layer()->addAnimation(fade, QStringLiteral("image"));
    clock().advance(500ms);
    EXPECT_EQ(pixelAt(*window->renderImage(1), 10, 10), QColor(Qt::green));
}

TEST_F(AnimationTest, MoveInAndRevealComeFromTheSideTheyName) {
    view->setFrame({0, 0, 20, 40});
    view->setBackgroundColor(ui::Color::redColor());
    const auto halfway = [&](const QString& type, const QString& subtype) {
        view->setBackgroundColor(ui::Color::redColor());
        auto transition = ui::Transition::animation();
        transition->setType(type);
        transition->setSubtype(subtype);
        transition->setDuration(1);
        transition->setTimingFunction(ui::MediaTimingFunction::linear());
        view->layer()->addAnimation(transition, QStringLiteral("transition"));
        view->setBackgroundColor(ui::Color::blueColor());
        clock().advance(500ms);
        auto image = window->renderImage(1);
        clock().advance(500ms);
        return std::make_pair(pixelAt(*image, 10, 5), pixelAt(*image, 10, 35));
    };
    // Moving in from the top: the new look covers the upper half, the old one stays below.
    const auto [moveTop, moveBottom] = halfway(ui::Transition::kMoveIn, ui::Transition::kFromTop);
    EXPECT_EQ(moveTop, QColor(Qt::blue));
    EXPECT_EQ(moveBottom, QColor(Qt::red));
    // Revealing from the bottom: the old look slides up, uncovering the new one below.
    const auto [revealTop, revealBottom] =
        halfway(ui::Transition::kReveal, ui::Transition::kFromBottom);
    EXPECT_EQ(revealTop, QColor(Qt::red));
    EXPECT_EQ(revealBottom, QColor(Qt::blue));
}

TEST_F(AnimationTest, StandAloneLayersAnimateImplicitlyWithinTransactions) {
    auto arrow = ui::Layer::layer();
    arrow->setFrame({0, 0, 10, 10});  // not yet in a tree: no animation
    EXPECT_FALSE(arrow->hasAnimations());
    view->layer()->addSublayer(arrow);
    bool completed = false;
    ui::Transaction::begin();
    ui::Transaction::setAnimationDuration(0.18);
    ui::Transaction::setCompletionBlock([&] { completed = true; });
    arrow->setAffineTransform(ui::AffineTransform::makeRotation(std::numbers::pi));
    ui::Transaction::commit();
    EXPECT_TRUE(arrow->hasAnimations());
    clock().advance(180ms);
    EXPECT_TRUE(completed);
    EXPECT_FALSE(arrow->hasAnimations());

    ui::Transaction::begin();
    ui::Transaction::setDisableActions(true);
    arrow->setOpacity(0.5);
    ui::Transaction::commit();
    EXPECT_FALSE(arrow->hasAnimations());
}

TEST_F(AnimationTest, DisplayLinksTickOncePerRefreshWhileRunning) {
    int ticks = 0;
    auto link = ui::DisplayLink::displayLinkWithTarget([&](ui::DisplayLink&) { ++ticks; });
    link->addToRunLoop();
    clock().advance(1s);
    EXPECT_NEAR(ticks, 60, 1);
    link->setPaused(true);
    clock().advance(1s);
    const int paused = ticks;
    EXPECT_NEAR(paused, 60, 1);
    link->setPaused(false);
    link->setFrameInterval(2);
    clock().advance(1s);
    EXPECT_NEAR(ticks - paused, 30, 1);
    link->invalidate();
    clock().advance(1s);
    EXPECT_NEAR(ticks - paused, 30, 1);
    EXPECT_EQ(clock().scheduledCount(), 0u);
}

}  // namespace
