#include "WidgetTest.h"

#include "platform/foundation/timer.h"
#include "platform/uikit/application.h"
#include "platform/uikit/label.h"
#include "platform/uikit/page_control.h"
#include "ui/widgets/QXCycleScrollView.h"

namespace {

using ui::Rect;

class Banners : public CycleScrollViewDatasource, public CycleScrollViewDelegate {
public:
    explicit Banners(int pages) : pages(pages) {}
    int numberOfPages() override { return pages; }
    std::shared_ptr<ui::View> pageAtIndex(int index) override {
        asked.push_back(index);
        auto page = std::make_shared<ui::Label>(Rect(0, 0, 320, 120));
        page->setTag(100 + index);
        page->setText(QStringLiteral("第%1页").arg(index));
        return page;
    }
    void didClickPage(QXCycleScrollView&, int index) override { clicked.push_back(index); }

    int pages;
    std::vector<int> asked;
    std::vector<int> clicked;
};

class QXCycleScrollViewTest : public WidgetTest {
protected:
    std::shared_ptr<QXCycleScrollView> carousel(int pages, double duration = 4.0) {
        banners = std::make_shared<Banners>(pages);
        auto view = QXCycleScrollView::initWithFrame(Rect(0, 64, 320, 120), duration);
        window().addSubview(view);
        view->setDelegate(banners);
        view->setDataource(banners);
        return view;
    }
    // The page in the middle slot.
    static int shown(QXCycleScrollView& view) { return view.currentViews()[1]->tag() - 100; }

    std::shared_ptr<Banners> banners;
};

TEST_F(QXCycleScrollViewTest, FivePagesWrapAtBothEnds) {
    auto view = carousel(5);
    EXPECT_EQ(banners->asked, (std::vector<int>{4, 0, 1}));
    EXPECT_EQ(view->validPageValue(5), 0);
    EXPECT_EQ(view->validPageValue(-1), 4);
    EXPECT_EQ(view->validPageValue(3), 3);
    EXPECT_EQ(view->scrollView()->contentOffset().x, 320);
    EXPECT_EQ(view->currentViews()[2]->frame().origin.x, 640);

    // Back from page 0 to page 4, whose next is 0 again.
    view->scrollView()->setContentOffset({0, 0});
    EXPECT_EQ(view->currentPageIndex(), 4);
    EXPECT_EQ(view->currentViews()[2]->tag(), 100);
    EXPECT_EQ(view->scrollView()->contentOffset().x, 320);
    EXPECT_EQ(view->pageControl()->currentPage(), 4);
}

TEST_F(QXCycleScrollViewTest, TheTimerPagesForwardOnTheClock) {
    auto view = carousel(5);
    run(3.9);
    EXPECT_EQ(view->currentPageIndex(), 0);
    run(0.1 + ui::ScrollView::kAnimationDuration + 0.05);
    EXPECT_EQ(view->currentPageIndex(), 1);
    EXPECT_EQ(shown(*view), 1);
    run(4 * 4);
    EXPECT_EQ(view->currentPageIndex(), 0);

    view->stop();
    run(20);
    EXPECT_EQ(view->currentPageIndex(), 0);
    view->start();
    run(4.4);
    EXPECT_EQ(view->currentPageIndex(), 1);
}

TEST_F(QXCycleScrollViewTest, OnePageShowsItThriceWithoutScrollingDotsOrPaging) {
    auto view = carousel(1);
    EXPECT_EQ(banners->asked, (std::vector<int>{0, 0, 0}));
    EXPECT_FALSE(view->scrollView()->isScrollEnabled());
    EXPECT_TRUE(view->pageControl()->isHidden() || view->pageControl()->hidesForSinglePage());
    view->start();
    run(30);
    EXPECT_EQ(banners->asked.size(), 3u);
}

TEST_F(QXCycleScrollViewTest, TwoPagesGiveTheSamePageBothSidesAsSeparateViews) {
    auto view = carousel(2);
    EXPECT_EQ(banners->asked, (std::vector<int>{1, 0, 1}));
    EXPECT_NE(view->currentViews()[0], view->currentViews()[2]);
}

TEST_F(QXCycleScrollViewTest, NoPagesAsksForNothingAndNeverPages) {
    auto view = carousel(0);
    EXPECT_TRUE(banners->asked.empty());
    run(30);
    EXPECT_TRUE(banners->asked.empty());
    EXPECT_TRUE(view->scrollView()->subviews().empty());

    // One still waiting for its data source, and for a window, runs no timer meanwhile.
    auto waiting = QXCycleScrollView::initWithFrame(Rect(0, 200, 320, 120), 4.0);
    EXPECT_EQ(waiting->animationTimer()->fireDate(), ns::Timer::distantFuture());
}

TEST_F(QXCycleScrollViewTest, AHalfDragSettlesBackOnTheSamePage) {
    auto view = carousel(5, 0);
    driver().drag({200, 120}, {80, 120}, 0.5, 10);
    run(1);
    EXPECT_EQ(view->currentPageIndex(), 0);
    EXPECT_EQ(view->scrollView()->contentOffset().x, 320);
    driver().drag({300, 120}, {20, 120}, 0.1, 4);
    run(1);
    EXPECT_EQ(view->currentPageIndex(), 1);
    EXPECT_EQ(view->scrollView()->contentOffset().x, 320);
}

TEST_F(QXCycleScrollViewTest, AFingerHoldingTheCarouselHoldsItsTimer) {
    auto view = carousel(5);
    window().touchDown({200, 120});
    for (double x = 190; x >= 160; x -= 10) {
        window().touchMove({x, 120});
        run(0.05);
    }
    run(10);
    EXPECT_EQ(view->currentPageIndex(), 0);
    window().touchUp({160, 120});
    run(1);
    EXPECT_EQ(view->currentPageIndex(), 0) << "settled back, the interval starts afresh";
    run(3.9);
    EXPECT_EQ(view->currentPageIndex(), 1);
}

TEST_F(QXCycleScrollViewTest, ATapReportsThePageShown) {
    auto view = carousel(3);
    view->scrollView()->setContentOffset({640, 0});
    driver().tapAt({160, 120});
    run(0.5);
    EXPECT_EQ(banners->clicked, std::vector<int>{1});
}

TEST_F(QXCycleScrollViewTest, TheTimerStopsOutOfTheWindowAndEndsWithTheCarousel) {
    auto view = carousel(5);
    view->removeFromSuperview();
    run(20);
    EXPECT_EQ(view->currentPageIndex(), 0);
    window().addSubview(view);
    run(4.4);
    EXPECT_EQ(view->currentPageIndex(), 1);

    std::weak_ptr<ns::Timer> timer = view->animationTimer();
    view->removeFromSuperview();
    view.reset();
    // Invalidated, the clock lets it go too.
    EXPECT_TRUE(timer.expired());
    run(10);
}

TEST_F(QXCycleScrollViewTest, TheTimerStopsWhileTheAppIsInTheBackgroundOrStopped) {
    struct Launched {
        Launched() { ui::Application::sharedApplication().launch(); }
        ~Launched() { ui::Application::reset(); }
    } launched;
    auto& application = ui::Application::sharedApplication();
    auto view = carousel(5);
    application.moveToBackground();
    run(20);
    EXPECT_EQ(view->currentPageIndex(), 0);
    application.returnToForeground();
    run(4.4);
    EXPECT_EQ(view->currentPageIndex(), 1);

    // Stopped, neither the window nor the foreground starts it again.
    view->stop();
    view->removeFromSuperview();
    window().addSubview(view);
    application.moveToBackground();
    application.returnToForeground();
    run(20);
    EXPECT_EQ(view->currentPageIndex(), 1);
}

TEST_F(QXCycleScrollViewTest, TheDataSourceIsHeldWeakly) {
    auto view = carousel(3);
    std::weak_ptr<Banners> gone = banners;
    banners.reset();
    EXPECT_TRUE(gone.expired());
    run(10);
    view->reloadData();
    EXPECT_EQ(view->totalPages(), 0);
}

}  // namespace
