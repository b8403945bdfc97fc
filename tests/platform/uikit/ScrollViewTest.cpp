#include "UIKitTest.h"

#include "platform/uikit/pan_gesture_recognizer.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/window.h"

#include <QStringList>

namespace {

using ui::Point;
using ui::Rect;
using ui::ScrollView;
using ui::Size;

class ScrollRecorder : public ui::ScrollViewDelegate {
public:
    void scrollViewDidScroll(ScrollView&) override { ++scrolls; }
    void scrollViewWillBeginDragging(ScrollView&) override { log << "beginDrag"; }
    void scrollViewDidEndDragging(ScrollView&, bool decelerate) override {
        log << (decelerate ? "endDrag+decelerate" : "endDrag");
    }
    void scrollViewWillBeginDecelerating(ScrollView&) override { log << "beginDecelerating"; }
    void scrollViewDidEndDecelerating(ScrollView&) override { log << "endDecelerating"; }
    void scrollViewDidEndScrollingAnimation(ScrollView&) override { log << "endAnimation"; }
    void scrollViewDidScrollToTop(ScrollView&) override { log << "top"; }
    ui::View* viewForZoomingInScrollView(ScrollView&) override { return zooming; }

    std::string take() { return std::exchange(log, {}).join(' ').toStdString(); }
    QStringList log;
    int scrolls = 0;
    ui::View* zooming = nullptr;
};

class ScrollViewTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        window_ = std::make_shared<ui::Window>();
        window_->makeKeyAndVisible();
        scroll_ = std::make_shared<ScrollView>(Rect(0, 0, 320, 480));
        scroll_->setContentSize(Size(320, 2000));
        scroll_->setDelegate(recorder_);
        window_->addSubview(scroll_);
        driver_ = std::make_unique<ui::TestDriver>(window_);
    }

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<ScrollView> scroll_;
    std::shared_ptr<ScrollRecorder> recorder_ = std::make_shared<ScrollRecorder>();
    std::unique_ptr<ui::TestDriver> driver_;
};

TEST_F(ScrollViewTest, ObserversHearOldAndNewOffsetsAndSizes) {
    std::vector<std::pair<Point, Point>> offsets;
    std::vector<std::pair<Size, Size>> sizes;
    int token = 0;
    scroll_->addContentOffsetObserver(
        &token, [&](Point from, Point to) { offsets.emplace_back(from, to); });
    scroll_->addContentSizeObserver(&token,
                                    [&](Size from, Size to) { sizes.emplace_back(from, to); });
    scroll_->setContentOffset(Point(0, 100));
    scroll_->setContentOffset(Point(0, 100));  // no change: nothing heard
    scroll_->setContentSize(Size(320, 3000));
    ASSERT_EQ(offsets.size(), 1u);
    EXPECT_EQ(offsets[0], std::make_pair(Point(0, 0), Point(0, 100)));
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(sizes[0], std::make_pair(Size(320, 2000), Size(320, 3000)));
    EXPECT_EQ(scroll_->bounds().origin, Point(0, 100)) << "the offset is the bounds' origin";
    EXPECT_EQ(recorder_->scrolls, 1);
    scroll_->removeObserver(&token);
    scroll_->setContentOffset(Point(0, 0));
    EXPECT_EQ(offsets.size(), 1u);
}

TEST_F(ScrollViewTest, AnimatedOffsetMovesFrameByFrameOnTheClock) {
    scroll_->setContentOffset(Point(0, 300), true);
    EXPECT_EQ(scroll_->contentOffset(), Point(0, 0));
    clock().advance(150ms);
    const double halfway = scroll_->contentOffset().y;
    EXPECT_GT(halfway, 50);
    EXPECT_LT(halfway, 250);
    clock().advance(200ms);
    EXPECT_EQ(scroll_->contentOffset(), Point(0, 300));
    EXPECT_GT(recorder_->scrolls, 5) << "the delegate hears every step";
    EXPECT_EQ(recorder_->take(), "endAnimation");
}

TEST_F(ScrollViewTest, FlickDeceleratesAndStopsWithinTheContent) {
    driver_->drag(Point(160, 400), Point(160, 100), 0.1, 10);
    EXPECT_EQ(recorder_->take(), "beginDrag endDrag+decelerate beginDecelerating");
    EXPECT_TRUE(scroll_->isDecelerating());
    const double released = scroll_->contentOffset().y;
    EXPECT_NEAR(released, 290, 2) << "the first 10 points only start the drag";
    clock().advance(500ms);
    EXPECT_GT(scroll_->contentOffset().y, released + 100) << "it coasts on";
    clock().advance(10s);
    EXPECT_EQ(recorder_->take(), "endDecelerating");
    EXPECT_FALSE(scroll_->isDecelerating());
    EXPECT_LE(scroll_->contentOffset().y, scroll_->maximumContentOffset().y);
}

TEST_F(ScrollViewTest, DragPastTheTopRubberBandsAndSpringsBack) {
    driver_->drag(Point(160, 100), Point(160, 300), 2, 20);
    // Half of the way past the edge (the first 10 points start the drag).
    EXPECT_NEAR(scroll_->contentOffset().y, -95, 3);
    clock().advance(3s);
    EXPECT_EQ(scroll_->contentOffset().y, 0);

    scroll_->setBounces(false);
    driver_->drag(Point(160, 100), Point(160, 300), 2, 20);
    EXPECT_EQ(scroll_->contentOffset().y, 0);
}

TEST_F(ScrollViewTest, PagingSettlesOnWholePages) {
    scroll_->setContentSize(Size(960, 480));
    scroll_->setPagingEnabled(true);
    recorder_->take();
    driver_->drag(Point(300, 200), Point(200, 200), 2, 20);  // slow and short: back
    clock().advance(1s);
    EXPECT_EQ(scroll_->contentOffset(), Point(0, 0));
    driver_->drag(Point(300, 200), Point(200, 200), 0.1, 5);  // a flick: next page
    clock().advance(1s);
    EXPECT_EQ(scroll_->contentOffset(), Point(320, 0));
    driver_->drag(Point(300, 200), Point(100, 200), 2, 20);  // past the middle: next page
    clock().advance(1s);
    EXPECT_EQ(scroll_->contentOffset(), Point(640, 0));
    driver_->drag(Point(100, 200), Point(300, 200), 0.1, 5);
    clock().advance(1s);
    EXPECT_EQ(scroll_->contentOffset(), Point(320, 0));
}

TEST_F(ScrollViewTest, InnerScrollViewLeavesDragsAlongItsFixedAxisToTheOuter) {
    auto pager = std::make_shared<ScrollView>(Rect(0, 0, 320, 480));
    pager->setContentSize(Size(640, 480));
    pager->setPagingEnabled(true);
    window_->addSubview(pager);
    auto inner = std::make_shared<ScrollView>(Rect(0, 0, 320, 480));
    inner->setContentSize(Size(320, 2000));
    pager->addSubview(inner);
    driver_->drag(Point(300, 200), Point(100, 210), 0.2, 10);
    clock().advance(1s);
    EXPECT_EQ(pager->contentOffset(), Point(320, 0));
    EXPECT_EQ(inner->contentOffset(), Point(0, 0));
    pager->setContentOffset(Point(0, 0));
    driver_->drag(Point(160, 400), Point(170, 200), 0.5, 10);
    EXPECT_EQ(pager->contentOffset(), Point(0, 0));
    EXPECT_GT(inner->contentOffset().y, 150);
}

TEST_F(ScrollViewTest, ZoomScalesTheDelegatesViewAndTheContent) {
    auto photo = std::make_shared<ui::View>(Rect(0, 0, 320, 480));
    scroll_->addSubview(photo);
    scroll_->setContentSize(Size(320, 480));
    recorder_->zooming = photo.get();
    scroll_->setMinimumZoomScale(1);
    scroll_->setMaximumZoomScale(2);
    ASSERT_NE(scroll_->pinchGestureRecognizer(), nullptr);
    scroll_->setZoomScale(3);
    EXPECT_EQ(scroll_->zoomScale(), 2) << "limited to the maximum";
    EXPECT_EQ(scroll_->contentSize(), Size(640, 960));
    EXPECT_EQ(photo->frame(), Rect(0, 0, 640, 960));
    EXPECT_EQ(scroll_->contentOffset(), Point(160, 240)) << "zoomed about the centre";
    scroll_->zoomToRect(Rect(0, 0, 320, 480), false);
    EXPECT_EQ(scroll_->zoomScale(), 1);
    EXPECT_EQ(scroll_->contentOffset(), Point(0, 0));
    driver_->pinch(Point(160, 240), 50, 100);
    EXPECT_NEAR(scroll_->zoomScale(), 2, 0.05);
}

// The desktop's wheel zooms a page that zooms, inside a pager, about the pointer, and scrolls
// a list that does not zoom, to its ends and no further.
TEST_F(ScrollViewTest, TheWheelZoomsWhatZoomsAboutThePointerAndScrollsAList) {
    EXPECT_TRUE(driver_->wheel(Point(160, 240), -3)) << "towards the user: down the list";
    EXPECT_EQ(scroll_->contentOffset(), Point(0, 120));
    EXPECT_GT(recorder_->scrolls, 0);
    EXPECT_TRUE(driver_->wheel(Point(160, 240), 1));
    EXPECT_EQ(scroll_->contentOffset(), Point(0, 80));
    EXPECT_TRUE(driver_->wheel(Point(160, 240), 10));
    EXPECT_EQ(scroll_->contentOffset(), Point(0, 0));
    EXPECT_TRUE(driver_->wheel(Point(160, 240), -100));
    EXPECT_EQ(scroll_->contentOffset(), Point(0, 1520));
    EXPECT_EQ(window_->activeTouchCount(), 0u) << "a list takes no fingers";
    scroll_->setScrollEnabled(false);
    EXPECT_FALSE(driver_->wheel(Point(160, 240), 1)) << "a list held still";
    EXPECT_EQ(scroll_->contentOffset(), Point(0, 1520));
    scroll_->setScrollEnabled(true);

    // A pager over it: a page that zooms, then a list.
    auto pager = std::make_shared<ScrollView>(Rect(0, 0, 320, 480));
    pager->setContentSize(Size(640, 480));
    pager->setPagingEnabled(true);
    window_->addSubview(pager);
    auto page = std::make_shared<ScrollView>(Rect(0, 0, 320, 480));
    page->setContentSize(Size(320, 480));
    page->setDelegate(recorder_);
    auto photo = std::make_shared<ui::View>(Rect(0, 0, 320, 480));
    page->addSubview(photo);
    recorder_->zooming = photo.get();
    page->setMaximumZoomScale(2);
    pager->addSubview(page);
    auto list = std::make_shared<ScrollView>(Rect(320, 0, 320, 480));
    list->setContentSize(Size(320, 1000));
    pager->addSubview(list);

    EXPECT_TRUE(driver_->wheel(Point(100, 150), 2));
    EXPECT_NEAR(page->zoomScale(), 2, 1e-9);
    EXPECT_EQ(page->contentOffset(), Point(100, 150)) << "what was under the pointer stays";
    EXPECT_EQ(pager->contentOffset(), Point(0, 0));
    clock().advance(1s);
    EXPECT_EQ(window_->activeTouchCount(), 0u);
    // Near a side edge the fingers lie one above the other: the pinch's centre is the pointer.
    EXPECT_TRUE(driver_->wheel(Point(310, 150), -2));
    EXPECT_NEAR(page->zoomScale(), 1, 1e-9);
    clock().advance(1s);
    EXPECT_TRUE(driver_->wheel(Point(310, 150), 2));
    EXPECT_EQ(page->contentOffset(), Point(310, 150));
    clock().advance(1s);
    page->setZoomScale(1);

    pager->setContentOffset(Point(320, 0));
    EXPECT_TRUE(driver_->wheel(Point(160, 240), -1));
    EXPECT_EQ(list->contentOffset(), Point(0, 40));
    EXPECT_EQ(pager->contentOffset(), Point(320, 0)) << "the pager does not move up and down";
    // A page that no longer zooms and does not scroll up and down takes no wheel.
    pager->setContentOffset(Point(0, 0));
    page->setMaximumZoomScale(1);
    EXPECT_FALSE(driver_->wheel(Point(160, 240), 1));
    EXPECT_EQ(scroll_->contentOffset(), Point(0, 1520)) << "nor does the list beneath";
}

TEST_F(ScrollViewTest, StatusBarTapScrollsTheOnlyScrollsToTopViewToTheTop) {
    scroll_->setContentOffset(Point(0, 600));
    EXPECT_TRUE(ScrollView::scrollToTopInWindow(*window_));
    clock().advance(1s);
    EXPECT_EQ(scroll_->contentOffset(), Point(0, 0));
    EXPECT_EQ(recorder_->take(), "top");
    auto second = std::make_shared<ScrollView>(Rect(0, 0, 100, 100));
    window_->addSubview(second);
    EXPECT_FALSE(ScrollView::scrollToTopInWindow(*window_)) << "two candidates: none scrolls";
}

}  // namespace
