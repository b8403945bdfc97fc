#include "ScrollingTest.h"

#include "platform/foundation/user_defaults.h"
#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/table_view_cell.h"
#include "ui/widgets/PRRefreshFooterView.h"
#include "ui/widgets/PRRefreshHeaderView.h"

#include <QTimeZone>

namespace {

using ui::Point;
using ui::Rect;

class Recorder : public PRRefreshBaseViewDelegate {
public:
    void refreshViewBeginRefreshing(PRRefreshBaseView&) override { events << "begin"; }
    void refreshViewEndRefreshing(PRRefreshBaseView&) override { events << "end"; }
    void refreshViewStateChange(PRRefreshBaseView&, PRRefreshState state) override {
        events << QStringLiteral("state %1").arg(state);
    }
    QStringList events;
};

class Rows : public ui::TableViewDataSource {
public:
    int numberOfRowsInSection(ui::TableView&, int) override { return rows; }
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override {
        auto cell = table.dequeueReusableCellWithIdentifier(QStringLiteral("row"));
        if (!cell) {
            cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default,
                                                       QStringLiteral("row"));
        }
        cell->textLabel()->setText(QString::number(path.row));
        return cell;
    }
    int rows = 20;
};

class PullToRefreshTest : public ScrollingTest {
protected:
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
};

TEST_F(PullToRefreshTest, HeaderPullsPastSixtyFourPointsAndRefreshesOnRelease) {
    auto header = PRRefreshHeaderView::header();
    header->setScrollView(scroll);
    header->setDelegate(recorder);
    QStringList blocks;
    header->setBeginRefreshingBlock([&](PRRefreshBaseView&) { blocks << "begin"; });
    header->setRefreshStateChangeBlock(
        [&](PRRefreshBaseView&, PRRefreshState state) { blocks << QString::number(state); });
    header->setEndStateChangeBlock([&](PRRefreshBaseView&) { blocks << "end"; });
    window().layoutIfNeeded();
    EXPECT_EQ(header->frame(), Rect(0, -64, 320, 64));

    startDrag();
    scroll->setContentOffset({0, -64});
    EXPECT_EQ(header->state(), PRRefreshStateIdle);
    scroll->setContentOffset({0, -64.5});
    EXPECT_EQ(header->state(), PRRefreshStatePulling);
    EXPECT_EQ(header->statusLabel()->text(), QStringLiteral("松开立即刷新"));
    scroll->setContentOffset({0, -30});
    EXPECT_EQ(header->state(), PRRefreshStateIdle);
    scroll->setContentOffset({0, -70});
    release();
    EXPECT_TRUE(header->isRefreshing());
    EXPECT_EQ(scroll->contentInset().top, 64);
    EXPECT_EQ(scroll->contentOffset().y, -64);
    EXPECT_EQ(recorder->events, (QStringList{"state 1", "state 2", "state 1", "begin", "state 3"}));
    EXPECT_EQ(blocks, (QStringList{"1", "2", "1", "begin", "3"}));

    // Scrolling while refreshing changes nothing.
    scroll->setContentOffset({0, -200});
    EXPECT_TRUE(header->isRefreshing());

    header->endRefreshing();
    EXPECT_TRUE(header->isRefreshing());
    run(0);
    EXPECT_EQ(header->state(), PRRefreshStateIdle);
    EXPECT_EQ(scroll->contentInset().top, 0);
    EXPECT_EQ(recorder->events.last(), "end");
    EXPECT_EQ(blocks.last(), "end");
    EXPECT_TRUE(
        header->lastUpdateTimeLabel()->text().startsWith(QStringLiteral("最后更新：今天 ")));
    EXPECT_EQ(ns::UserDefaults::standardUserDefaults()
                  .objectForKey(PRRefreshHeaderView::kLastUpdateTimeKey)
                  .toDateTime(),
              header->lastUpdateTime());
}

TEST_F(PullToRefreshTest, HeaderShowsTheStoredTimeByHowLongAgoItWas) {
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    auto header = PRRefreshHeaderView::header();
    header->setScrollView(scroll);
    EXPECT_EQ(header->lastUpdateTimeLabel()->text(), QString());

    const QDateTime now = clock().currentDateTime().toLocalTime();
    defaults.setObject(now.addYears(-1), PRRefreshHeaderView::kLastUpdateTimeKey);
    auto older = PRRefreshHeaderView::header();
    older->setScrollView(scroll);
    EXPECT_EQ(older->lastUpdateTimeLabel()->text(),
              QStringLiteral("最后更新：") + now.addYears(-1).toString("yyyy-MM-dd HH:mm"));

    const QDateTime sameYear = now.date().dayOfYear() > 1 ? now.addDays(-1) : now.addDays(1);
    older->setLastUpdateTime(sameYear);
    EXPECT_EQ(older->lastUpdateTimeLabel()->text(),
              QStringLiteral("最后更新：") + sameYear.toString("MM-dd HH:mm"));
}

TEST_F(PullToRefreshTest, HiddenFadedInertOrRefreshingViewsIgnoreTheScroll) {
    auto header = PRRefreshHeaderView::header();
    header->setScrollView(scroll);
    window().layoutIfNeeded();
    startDrag();
    header->setHidden(true);
    scroll->setContentOffset({0, -100});
    header->setHidden(false);
    header->setAlpha(0.01);
    scroll->setContentOffset({0, -101});
    header->setAlpha(1);
    header->setUserInteractionEnabled(false);
    scroll->setContentOffset({0, -102});
    EXPECT_EQ(header->state(), PRRefreshStateIdle);
    header->setUserInteractionEnabled(true);
    scroll->setContentOffset({0, -103});
    EXPECT_EQ(header->state(), PRRefreshStatePulling);
}

TEST_F(PullToRefreshTest, RefreshAskedBeforeTheWindowStartsAtTheFirstLayout) {
    auto loose = std::make_shared<ui::ScrollView>(Rect(0, 0, 320, 480));
    auto header = PRRefreshHeaderView::header();
    header->setScrollView(loose);
    header->setDelegate(recorder);
    header->beginRefreshing();
    EXPECT_EQ(header->state(), PRRefreshStatePending);
    EXPECT_TRUE(recorder->events.isEmpty());
    window().addSubview(loose);
    window().layoutIfNeeded();
    EXPECT_TRUE(header->isRefreshing());
    EXPECT_EQ(recorder->events, QStringList{"begin"});
}

TEST_F(PullToRefreshTest, FooterOnShortContentSitsAtTheBottomAndItsInsetCoversTheGap) {
    scroll->setContentSize({320, 300});
    auto footer = PRRefreshBaseView::initWithScrollView<PRRefreshFooterView>(scroll);
    window().layoutIfNeeded();
    EXPECT_EQ(footer->frame(), Rect(0, 480, 320, 64));
    EXPECT_EQ(footer->contentBreakView(), -180);
    footer->beginRefreshing();
    EXPECT_EQ(scroll->contentInset().bottom, 64 + 180);
    EXPECT_EQ(footer->statusLabel()->text(), QStringLiteral("加载数据..."));

    // The footer follows the end of the content as it grows.
    scroll->setContentSize({320, 900});
    EXPECT_EQ(footer->frame().origin.y, 900);
}

TEST_F(PullToRefreshTest, FooterKeepsTheRowsInPlaceWhenNewRowsArrived) {
    auto rows = std::make_shared<Rows>();
    auto table = std::make_shared<ui::TableView>(Rect(0, 0, 320, 480));
    table->setDataSource(rows);
    window().addSubview(table);
    table->reloadData();
    auto footer = PRRefreshFooterView::footer();
    footer->setScrollView(table);
    window().layoutIfNeeded();
    const double end = table->contentSize().height - 480;
    ASSERT_GT(end, 0);

    footer->beginRefreshing();
    EXPECT_EQ(footer->lastRefreshCount(), 20);
    table->setContentOffset({0, end + 64});
    rows->rows = 30;
    table->reloadData();
    footer->endRefreshing();
    run(0.29);
    EXPECT_TRUE(footer->isRefreshing());
    run(0.01);
    EXPECT_EQ(footer->state(), PRRefreshStateIdle);
    EXPECT_EQ(table->contentOffset().y, end + 64);
    EXPECT_EQ(table->contentInset().bottom, 0);
}

TEST_F(PullToRefreshTest, FooterSaysWhenNothingMoreComesAndPullsNoMore) {
    auto footer = PRRefreshBaseView::initWithScrollView<PRRefreshFooterView>(scroll);
    footer->setDelegate(recorder);
    window().layoutIfNeeded();
    const auto expectEnd = [&] {
        EXPECT_EQ(footer->state(), PRRefreshStateIdle);
        EXPECT_EQ(footer->statusLabel()->text(), QStringLiteral("没有更多数据"));
        EXPECT_FALSE(footer->activityView()->isAnimating());
        EXPECT_TRUE(footer->arrowImage()->isHidden());
        EXPECT_EQ(scroll->contentInset().bottom, 0);
    };

    // Ending a refresh: the spinner turns for the footer's delay, then the end shows.
    footer->beginRefreshing();
    footer->endRefreshingWithNoMoreData();
    run(0.29);
    EXPECT_TRUE(footer->activityView()->isAnimating());
    run(0.01);
    expectEnd();
    startDrag();
    scroll->setContentOffset({0, 1000 - 480 + 65});
    release();
    expectEnd();
    EXPECT_EQ(recorder->events, (QStringList{"begin", "end"})) << "a pull loads nothing";

    // Loaded afresh, the footer offers more; ended while idle or pulled, it shows the end at
    // once.
    footer->resetNoMoreData();
    EXPECT_EQ(footer->statusLabel()->text(), QStringLiteral("上拉可以加载更多数据"));
    EXPECT_FALSE(footer->arrowImage()->isHidden());
    footer->endRefreshingWithNoMoreData();
    expectEnd();
    footer->resetNoMoreData();
    startDrag();
    scroll->setContentOffset({0, 1000 - 480 + 65});
    ASSERT_EQ(footer->state(), PRRefreshStatePulling);
    footer->endRefreshingWithNoMoreData();
    expectEnd();
    release();
    expectEnd();
}

TEST_F(PullToRefreshTest, ObserversEndWithWhicheverGoesFirstWithoutFree) {
    auto footer = PRRefreshFooterView::footer();
    footer->setScrollView(scroll);
    footer->setDelegate(recorder);
    std::weak_ptr<PRRefreshFooterView> watch = footer;

    // The footer moves elsewhere and goes away without free: the scroll view scrolls on.
    auto elsewhere = std::make_shared<ui::View>();
    elsewhere->addSubview(footer);
    footer.reset();
    elsewhere.reset();
    EXPECT_TRUE(watch.expired());
    startDrag();
    scroll->setContentOffset({0, 700});
    scroll->setContentSize({320, 2000});
    release();
    EXPECT_TRUE(recorder->events.isEmpty());

    // The scroll view goes first: the header kept by its owner is still usable.
    auto header = PRRefreshHeaderView::header();
    header->setScrollView(scroll);
    scroll->removeFromSuperview();
    scroll.reset();
    EXPECT_EQ(header->scrollView(), nullptr);
    header->beginRefreshing();
    header->endRefreshing();
    header->free();
    run(0.5);
}

}  // namespace
