#include "ScrollingTest.h"

#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/scroll_view.h"
#include "ui/widgets/GRefreshTableView.h"
#include "ui/widgets/RefreshView.h"

namespace {

using ui::Rect;

class Caller : public RefreshViewDelegate {
public:
    void refreshViewDidCallBack() override { ++calls; }
    int calls = 0;
};

class Loader : public GRefreshTableDelegate {
public:
    void pullRefreshTableDidTriggerRefresh(GRefreshTableView&) override { ++triggers; }
    bool pullRefreshTableDataSourceIsLoading(GRefreshTableView&) override { return loading; }
    std::optional<QString> pullRefreshTableDataSourceLastUpdatedText(GRefreshTableView&) override {
        ++asked;
        return QStringLiteral("刚刚");
    }
    int triggers = 0;
    int asked = 0;
    bool loading = false;
};

class RefreshHeadersTest : public ScrollingTest {};

TEST_F(RefreshHeadersTest, RefreshViewCallsBackOnReleaseAtEightyPointsNotBefore) {
    auto caller = std::make_shared<Caller>();
    auto header = RefreshView::initWithOwner(scroll, caller);
    EXPECT_EQ(scroll->subviews().front().get(), header.get());
    EXPECT_EQ(header->frame(), Rect(0, -480, 320, 480));

    header->scrollViewWillBeginDragging(*scroll);
    scroll->setContentOffset({0, -79.9});
    header->scrollViewDidEndDragging(*scroll, true);
    EXPECT_EQ(caller->calls, 0);
    header->scrollViewWillBeginDragging(*scroll);
    scroll->setContentOffset({0, -80});
    header->scrollViewDidEndDragging(*scroll, true);
    EXPECT_EQ(caller->calls, 1);
    EXPECT_FALSE(header->isLoading());  // the delegate decides

    // A delegate that does not answer hears nothing and nothing breaks.
    auto silent = RefreshView::initWithOwner(scroll, std::make_shared<RefreshViewDelegate>());
    silent->scrollViewWillBeginDragging(*scroll);
    silent->scrollViewDidEndDragging(*scroll, false);
    EXPECT_FALSE(silent->isLoading());
}

TEST_F(RefreshHeadersTest, RefreshViewShowsAStillRingOncePulledFarEnough) {
    auto header = RefreshView::initWithOwner(scroll, std::weak_ptr<RefreshViewDelegate>());
    header->scrollViewWillBeginDragging(*scroll);
    scroll->setContentOffset({0, -40});
    header->scrollViewDidScroll(*scroll);
    EXPECT_EQ(header->refreshStatusLabel()->text(), QStringLiteral("下拉可刷新..."));
    scroll->setContentOffset({0, -90});
    header->scrollViewDidScroll(*scroll);
    EXPECT_EQ(header->refreshStatusLabel()->text(), QStringLiteral("松开即刷新..."));
    EXPECT_TRUE(header->grayImageView()->isHidden());
    EXPECT_FALSE(header->loadingIcon()->isHidden());
    // Back above the line: only the text changes.
    scroll->setContentOffset({0, -50});
    header->scrollViewDidScroll(*scroll);
    EXPECT_EQ(header->refreshStatusLabel()->text(), QStringLiteral("下拉可刷新..."));
    EXPECT_TRUE(header->grayImageView()->isHidden());
    ui::Layer* ring = header->loadingIcon()->viewWithTag(RefreshView::kRingTag)->layer();
    EXPECT_EQ(ring->speed(), 0);
    EXPECT_TRUE(ring->animationForKey(QStringLiteral("rotationAnimation")) != nullptr);
}

TEST_F(RefreshHeadersTest, RefreshViewLoadingFollowsThePullAndLetsGoWhenScrolledIn) {
    auto header = RefreshView::initWithOwner(scroll, std::weak_ptr<RefreshViewDelegate>());
    header->startLoading();
    EXPECT_TRUE(header->isLoading());
    EXPECT_EQ(scroll->contentOffset().y, -80);
    EXPECT_EQ(scroll->contentInset().top, 80);
    EXPECT_EQ(header->refreshStatusLabel()->text(), QStringLiteral("加载中..."));
    ui::Layer* ring = header->loadingIcon()->viewWithTag(RefreshView::kRingTag)->layer();
    EXPECT_EQ(ring->speed(), 1);

    scroll->setContentOffset({0, -30});
    header->scrollViewDidScroll(*scroll);
    EXPECT_EQ(scroll->contentInset().top, 30);
    scroll->setContentOffset({0, -120});
    header->scrollViewDidScroll(*scroll);
    EXPECT_EQ(scroll->contentInset().top, 30);
    scroll->setContentOffset({0, 10});
    header->scrollViewDidScroll(*scroll);
    EXPECT_EQ(scroll->contentInset().top, 0);

    // Dragging while loading is not a pull.
    header->scrollViewWillBeginDragging(*scroll);
    EXPECT_FALSE(header->isDragging());

    header->stopLoading();
    run(0.5);
    EXPECT_FALSE(header->isLoading());
    EXPECT_EQ(scroll->contentOffset().y, 0);
    EXPECT_EQ(ring->speed(), 0);
    EXPECT_FALSE(header->grayImageView()->isHidden());
    EXPECT_TRUE(header->loadingIcon()->isHidden());
}

TEST_F(RefreshHeadersTest, StripTriggersAtSixtyFivePointsAndServesOneLoad) {
    auto loader = std::make_shared<Loader>();
    auto strip = std::make_shared<GRefreshTableView>(Rect(0, -480, 320, 480));
    strip->setDelegate(loader);
    scroll->addSubview(strip);
    startDrag();
    scroll->setContentOffset({0, -65});
    strip->pullRefreshScrollViewDidScroll(*scroll);
    EXPECT_EQ(strip->state(), GPullRefreshNormal);
    scroll->setContentOffset({0, -65.5});
    strip->pullRefreshScrollViewDidScroll(*scroll);
    EXPECT_EQ(strip->state(), GPullRefreshPulling);
    EXPECT_EQ(strip->statusLabel()->text(), QStringLiteral("松开刷新"));
    scroll->setContentOffset({0, -65});
    strip->pullRefreshScrollViewDidEndDragging(*scroll);
    EXPECT_EQ(loader->triggers, 1);
    EXPECT_EQ(strip->state(), GPullRefreshLoading);
    EXPECT_EQ(scroll->contentInset().top, 60);

    strip->pullRefreshScrollViewDataSourceDidFinishedLoading(*scroll);
    EXPECT_EQ(scroll->contentInset().top, 0);
    EXPECT_EQ(strip->statusLabel()->text(), QStringLiteral("下拉刷新"));
    EXPECT_EQ(strip->delegate(), nullptr);
    const int asked = loader->asked;
    scroll->setContentOffset({0, -100});
    strip->pullRefreshScrollViewDidEndDragging(*scroll);
    EXPECT_EQ(loader->triggers, 1);
    EXPECT_EQ(loader->asked, asked);
}

TEST_F(RefreshHeadersTest, StripLoadsWhileTheDelegateLoadsWithAnInsetOfAtMostSixty) {
    auto loader = std::make_shared<Loader>();
    loader->loading = true;
    auto strip = std::make_shared<GRefreshTableView>(Rect(0, -480, 320, 480));
    strip->setDelegate(loader);
    scroll->setContentOffset({0, -10});
    strip->pullRefreshScrollViewDidScroll(*scroll);
    EXPECT_EQ(strip->state(), GPullRefreshLoading);
    EXPECT_EQ(scroll->contentInset().top, 60);
    strip->pullRefreshScrollViewDidScroll(*scroll);
    EXPECT_EQ(scroll->contentInset().top, 10);
    scroll->setContentOffset({0, -90});
    strip->pullRefreshScrollViewDidScroll(*scroll);
    EXPECT_EQ(scroll->contentInset().top, 60);
    scroll->setContentOffset({0, 40});
    strip->pullRefreshScrollViewDidScroll(*scroll);
    EXPECT_EQ(scroll->contentInset().top, 0);
    // A running load is not triggered again.
    scroll->setContentOffset({0, -90});
    strip->pullRefreshScrollViewDidEndDragging(*scroll);
    EXPECT_EQ(loader->triggers, 0);

    strip->setStatusLabelTexts({{GRefreshTableView::kLoadingKey, QStringLiteral("上一套")}});
    EXPECT_EQ(strip->statusLabel()->text(), QStringLiteral("上一套"));
}

TEST_F(RefreshHeadersTest, FooterStripCountsFromTheEndOfTheContent) {
    auto loader = std::make_shared<Loader>();
    auto strip =
        std::make_shared<GRefreshTableView>(Rect(0, 1000, 320, 60), GRefreshTableView::kFooter);
    strip->setDelegate(loader);
    startDrag();
    const double end = 1000 - 480;
    scroll->setContentOffset({0, end + 65});
    strip->pullRefreshScrollViewDidScroll(*scroll);
    EXPECT_EQ(strip->state(), GPullRefreshNormal);
    scroll->setContentOffset({0, end + 66});
    strip->pullRefreshScrollViewDidScroll(*scroll);
    EXPECT_EQ(strip->state(), GPullRefreshPulling);
    strip->pullRefreshScrollViewDidEndDragging(*scroll);
    EXPECT_EQ(loader->triggers, 1);
    EXPECT_EQ(scroll->contentInset().bottom, 60);

    strip->pullRefreshScrollViewDataSourceDidFinishedLoading(*scroll, {0, end});
    run(0.3);
    EXPECT_EQ(scroll->contentOffset().y, end);
    EXPECT_EQ(scroll->contentInset().bottom, 0);
}

TEST_F(RefreshHeadersTest, AutomaticRefreshCountsAsAPullOnceItsScrollEnds) {
    auto loader = std::make_shared<Loader>();
    auto strip = std::make_shared<GRefreshTableView>(Rect(0, -480, 320, 480));
    strip->setDelegate(loader);
    strip->autoRefreshOnScroll(*scroll);
    EXPECT_TRUE(strip->autoRefresh());
    EXPECT_EQ(strip->state(), GPullRefreshLoading);
    strip->autoRefreshOnScroll(*scroll);
    run(0.2);
    EXPECT_EQ(loader->triggers, 1);
    EXPECT_EQ(scroll->contentOffset().y, -70);
}

}  // namespace
