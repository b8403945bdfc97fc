#include "BundleTest.h"
#include "ImageSamples.h"

#include "platform/foundation/sandbox.h"
#include "platform/uikit/display_link.h"
#include "platform/uikit/image_source.h"
#include "platform/uikit/window.h"
#include "ui/image/AnimatedGIFImage.h"
#include "ui/image/AnimatedImageView.h"

#include <QFile>

namespace {

class AnimatedGIFTest : public BundleTest {
protected:
    std::shared_ptr<AnimatedGIFImage> gif(const std::vector<int>& delays, int loopCount = 0,
                                          double scale = 1) {
        return std::dynamic_pointer_cast<AnimatedGIFImage>(
            AnimatedGIFImage::imageWithData(samples::gif(delays, loopCount), scale));
    }
    // A view in a window, so that it plays.
    std::shared_ptr<AnimatedImageView> viewInWindow() {
        window = std::make_shared<ui::Window>(ui::Rect{0, 0, 320, 480});
        auto view = std::make_shared<AnimatedImageView>(ui::Rect{0, 0, 40, 40});
        window->addSubview(view);
        return view;
    }
    // Runs the display link for `seconds` of the clock.
    void play(double seconds) { clock().advance(ns::seconds(seconds)); }
    // Takes the view out of the window, and puts it back once a turn has passed.
    void outOfTheWindowAndBack(const std::shared_ptr<AnimatedImageView>& view) {
        view->removeFromSuperview();
        drainMainLoop();
        window->addSubview(view);
    }

    std::shared_ptr<ui::Window> window;
};

TEST_F(AnimatedGIFTest, OnlyGifsOfSeveralFramesAnimate) {
    EXPECT_TRUE(gif({10, 10}));
    EXPECT_FALSE(gif({10}));  // one frame: a still image
    const auto still = AnimatedGIFImage::imageWithData(samples::gif({10}));
    ASSERT_TRUE(still);
    EXPECT_EQ(still->size(), (ui::Size{4, 4}));
    const auto png =
        AnimatedGIFImage::imageWithData(samples::encoded(samples::solid(3, 3, Qt::red), "png"));
    ASSERT_TRUE(png);
    EXPECT_EQ(std::dynamic_pointer_cast<AnimatedGIFImage>(png), nullptr);
    EXPECT_EQ(AnimatedGIFImage::imageWithData("not a picture"), nullptr);
    EXPECT_EQ(AnimatedGIFImage::imageWithData(QByteArray()), nullptr);
}

TEST_F(AnimatedGIFTest, DelaysBelowTwoHundredthsPlayAsATenth) {
    const auto image = gif({0, 1, 2, 7});
    ASSERT_TRUE(image);
    EXPECT_EQ(image->frameDurations(), (std::vector<double>{0.1, 0.1, 0.02, 0.07}));
    EXPECT_DOUBLE_EQ(image->totalDuration(), 0.29);
    EXPECT_DOUBLE_EQ(image->duration(), 0.29);
    // Frames without any delay count 0, and so play 0.1 s too.
    EXPECT_EQ(gif({-1, -1})->frameDurations(), (std::vector<double>{0.1, 0.1}));
}

TEST_F(AnimatedGIFTest, ALongGifKeepsAWindowOfTenFramesAhead) {
    const auto image = gif(std::vector<int>(30, 10));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->frameCount(), 30u);
    auto frames = image->frameSlots();
    for (std::size_t i = 0; i < 30; ++i) EXPECT_EQ(frames[i] != nullptr, i < 10) << i;

    EXPECT_TRUE(image->getFrameWithIndex(5));
    ASSERT_TRUE(runMainLoopUntil([&] {
        const auto now = image->frameSlots();
        return std::all_of(now.begin() + 6, now.begin() + 16, [](const auto& s) { return s; });
    }));
    frames = image->frameSlots();
    EXPECT_TRUE(frames[0]);   // frame 0 stays
    EXPECT_FALSE(frames[5]);  // the frame just fetched is let go
    for (std::size_t i = 16; i < 30; ++i) EXPECT_FALSE(frames[i]) << i;
}

TEST_F(AnimatedGIFTest, TheDoubleScaleMarkerIsFoundInAnyCase) {
    QFile file(bundlePath() + "/alert@2X.gif");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(samples::gif({10, 10}));
    file.close();
    const auto image = AnimatedGIFImage::imageNamed("alert@2X.gif");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->scale(), 2);
    EXPECT_EQ(image->size(), (ui::Size{2, 2}));
    EXPECT_EQ(AnimatedGIFImage::imageNamed("missing.gif"), nullptr);
}

TEST_F(AnimatedGIFTest, FramesAdvanceByTheGifsOwnDelays) {
    auto view = viewInWindow();
    const auto image = gif({10, 30, 10});
    view->setImage(image);
    EXPECT_TRUE(view->isAnimating());
    EXPECT_EQ(view->currentFrameIndex(), 0u);
    view->changeKeyframe(0.09);
    EXPECT_EQ(view->currentFrameIndex(), 0u);
    view->changeKeyframe(0.02);
    EXPECT_EQ(view->currentFrameIndex(), 1u);
    view->changeKeyframe(0.25);
    EXPECT_EQ(view->currentFrameIndex(), 1u);
    view->changeKeyframe(0.05);
    EXPECT_EQ(view->currentFrameIndex(), 2u);
    // A long stall counts as one second at the most: 1 s passes the 0.5 s loop twice.
    view->changeKeyframe(30);
    EXPECT_LT(view->currentFrameIndex(), 3u);
}

TEST_F(AnimatedGIFTest, ALoopCountOfOnePlaysOnceAndARestartPlaysAgain) {
    auto view = viewInWindow();
    view->setImage(gif({10, 10}, 1));
    play(0.3);
    EXPECT_FALSE(view->isAnimating());
    EXPECT_EQ(view->currentFrameIndex(), 2u);  // one past the last frame
    view->startAnimating();
    EXPECT_TRUE(view->isAnimating());
    EXPECT_EQ(view->currentFrameIndex(), 0u);
    play(0.15);
    EXPECT_EQ(view->currentFrameIndex(), 1u);
    play(0.2);
    EXPECT_FALSE(view->isAnimating());
}

TEST_F(AnimatedGIFTest, ALoopCountOfZeroNeverStops) {
    auto view = viewInWindow();
    view->setImage(gif({10, 10}, 0));
    play(10);
    EXPECT_TRUE(view->isAnimating());
}

TEST_F(AnimatedGIFTest, AGifItsOwnerStoppedStaysStillWhereverItGoesUntilStarted) {
    window = std::make_shared<ui::Window>(ui::Rect{0, 0, 320, 480});
    auto view = std::make_shared<AnimatedImageView>(ui::Rect{0, 0, 40, 40});
    view->setImage(gif({10, 10, 10}));
    view->stopAnimating();
    window->addSubview(view);
    play(0.5);
    EXPECT_FALSE(view->isAnimating()) << "put into a window";
    EXPECT_EQ(view->currentFrameIndex(), 0u);
    outOfTheWindowAndBack(view);
    play(0.5);
    EXPECT_FALSE(view->isAnimating()) << "out of the window and back";
    EXPECT_EQ(view->currentFrameIndex(), 0u);

    view->startAnimating();
    play(0.15);
    EXPECT_TRUE(view->isAnimating());
    EXPECT_EQ(view->currentFrameIndex(), 1u);
    // Started, it plays wherever it goes.
    outOfTheWindowAndBack(view);
    EXPECT_TRUE(view->isAnimating()) << "started, then out of the window and back";
    // A new picture plays wherever it goes, whatever was said of the one before.
    view->stopAnimating();
    view->setImage(gif({10, 10}));
    outOfTheWindowAndBack(view);
    EXPECT_TRUE(view->isAnimating());
}

TEST_F(AnimatedGIFTest, AGifThatPlayedItsPassesPlaysAgainInTheNextWindow) {
    auto view = viewInWindow();
    view->setImage(gif({10, 10}, 1));
    play(0.3);
    ASSERT_FALSE(view->isAnimating());
    outOfTheWindowAndBack(view);
    EXPECT_TRUE(view->isAnimating());
    play(0.15);
    EXPECT_EQ(view->currentFrameIndex(), 1u);
}

TEST_F(AnimatedGIFTest, SettingTheSameImageAgainDoesNotRestart) {
    auto view = viewInWindow();
    const auto image = gif({10, 10, 10});
    view->setImage(image);
    view->changeKeyframe(0.15);
    ASSERT_EQ(view->currentFrameIndex(), 1u);
    view->setImage(image);
    EXPECT_EQ(view->currentFrameIndex(), 1u);
    EXPECT_EQ(view->animatedImage(), image);
    // The view answers the animated image it plays, also asked as a plain image view.
    EXPECT_EQ(view->image(), image);
    EXPECT_EQ(static_cast<const ui::ImageView&>(*view).image(), image);
    // A still image stops the animation and shows without a link.
    const auto still = ui::Image::imageWithQImage(samples::solid(2, 2, Qt::red));
    view->setImage(still);
    EXPECT_FALSE(view->isAnimating());
    EXPECT_EQ(view->animatedImage(), nullptr);
    EXPECT_EQ(view->image(), still);
}

TEST_F(AnimatedGIFTest, LeavingTheWindowStopsOnTheNextTurnUnlessPutBack) {
    auto view = viewInWindow();
    view->setImage(gif({10, 10}));
    auto other = std::make_shared<ui::View>(ui::Rect{0, 0, 100, 100});
    window->addSubview(other);
    view->removeFromSuperview();
    other->addSubview(view);  // back in the window at once
    drainMainLoop();
    EXPECT_TRUE(view->isAnimating());
    view->removeFromSuperview();
    EXPECT_TRUE(view->isAnimating());
    drainMainLoop();
    EXPECT_FALSE(view->isAnimating());
    EXPECT_EQ(view->displayLink(), nullptr);  // no superview: the link has ended
}

}  // namespace
