#pragma once

#include "platform/foundation/notification_center.h"
#include "platform/uikit/scroll_view.h"

#include <memory>
#include <vector>

namespace ns {
class Timer;
}
namespace ui {
class PageControl;
}

class QXCycleScrollView;

// Gives the carousel its pages: a new view for every request, the carousel's size.
class CycleScrollViewDatasource {
public:
    virtual ~CycleScrollViewDatasource() = default;
    virtual int numberOfPages() = 0;
    virtual std::shared_ptr<ui::View> pageAtIndex(int index) = 0;
};

// Hears taps on the page shown.
class CycleScrollViewDelegate {
public:
    virtual ~CycleScrollViewDelegate() = default;
    virtual void didClickPage(QXCycleScrollView&, int index) { (void)index; }
};

// An endless, horizontally paging carousel. It keeps only the previous, current and
// next page in a scroll view three pages wide and re-centres after every page
// change, so paging never reaches an end; a timer pages forward on its own between
// start() (or a reload of two pages or more) and stop(), paused while the user drags.
// The data source and the delegate are held weakly; the timer is held back while the
// carousel is out of its window or the app in the background (resuming when it comes
// back) and ends with the carousel.
class QXCycleScrollView : public ui::View, public ui::ScrollViewDelegate {
public:
    [[nodiscard]] static std::shared_ptr<QXCycleScrollView> initWithFrame(
        const ui::Rect& frame, double animationDuration = 0);
    explicit QXCycleScrollView(const ui::Rect& frame);
    ~QXCycleScrollView() override;

    void setDataource(std::weak_ptr<CycleScrollViewDatasource> datasource);
    void setDelegate(std::weak_ptr<CycleScrollViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    void reloadData();
    void loadData();
    void getDisplayImagesWithCurpage(int page);
    [[nodiscard]] int validPageValue(int value) const;
    void start();
    void stop();
    void setViewContent(const std::shared_ptr<ui::View>& view, int index);

    [[nodiscard]] ui::ScrollView* scrollView() const { return scrollView_.get(); }
    [[nodiscard]] ui::PageControl* pageControl() const { return pageControl_.get(); }
    [[nodiscard]] int totalPages() const { return totalPages_; }
    [[nodiscard]] int currentPageIndex() const { return currentPage_; }
    [[nodiscard]] const std::vector<std::shared_ptr<ui::View>>& currentViews() const {
        return currentViews_;
    }
    [[nodiscard]] double animationDuration() const { return animationDuration_; }
    [[nodiscard]] const std::shared_ptr<ns::Timer>& animationTimer() const { return timer_; }

    void scrollViewDidScroll(ui::ScrollView& scrollView) override;
    void scrollViewWillBeginDragging(ui::ScrollView& scrollView) override;
    void scrollViewDidEndDragging(ui::ScrollView& scrollView, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(ui::ScrollView& scrollView) override;
    void didMoveToWindow() override;

private:
    void animationTimerDidFired();
    // Runs the timer or holds it back, as start/stop, a drag, the window and the app ask.
    void updateTimer();
    void handleTap();
    void layOutPages();

    int totalPages_ = 0;
    int currentPage_ = 0;
    std::vector<std::shared_ptr<ui::View>> currentViews_;
    std::shared_ptr<ui::ScrollView> scrollView_;
    std::shared_ptr<ui::PageControl> pageControl_;
    std::weak_ptr<CycleScrollViewDatasource> datasource_;
    std::weak_ptr<CycleScrollViewDelegate> delegate_;
    std::shared_ptr<ns::Timer> timer_;
    double animationDuration_ = 0;
    bool paging_ = false;
    bool dragging_ = false;
    std::vector<std::shared_ptr<ns::NotificationCenter::Observation>> appStates_;
};
