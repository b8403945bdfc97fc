#include "ui/widgets/QXCycleScrollView.h"

#include "platform/foundation/notification_center.h"
#include "platform/foundation/timer.h"
#include "platform/uikit/application.h"
#include "platform/uikit/page_control.h"
#include "platform/uikit/tap_gesture_recognizer.h"
#include "platform/uikit/window.h"
#include "ui/widgets/TimerAddition.h"

#include <cmath>

std::shared_ptr<QXCycleScrollView> QXCycleScrollView::initWithFrame(const ui::Rect& frame,
                                                                    double animationDuration) {
    auto carousel = std::make_shared<QXCycleScrollView>(frame);
    carousel->scrollView_->setDelegate(carousel);
    if (animationDuration > 0) {
        carousel->animationDuration_ = animationDuration;
        carousel->timer_ = ns::Timer::scheduledTimer(
            ns::seconds(animationDuration), true,
            [weak = std::weak_ptr<QXCycleScrollView>(carousel)](ns::Timer& timer) {
                if (auto self = weak.lock()) {
                    self->animationTimerDidFired();
                } else {
                    timer.invalidate();
                }
            });
        // It pages once it has pages to show, in a window of an app in the foreground.
        pauseTimer(*carousel->timer_);
        auto& center = ns::NotificationCenter::defaultCenter();
        for (const QString& name : {ui::kApplicationDidEnterBackgroundNotification,
                                    ui::kApplicationWillEnterForegroundNotification}) {
            carousel->appStates_.push_back(center.addObserver(
                name, [weak = std::weak_ptr<QXCycleScrollView>(carousel)](const ns::Notification&) {
                    if (auto self = weak.lock()) self->updateTimer();
                }));
        }
    }
    return carousel;
}

QXCycleScrollView::QXCycleScrollView(const ui::Rect& frame) : ui::View(frame) {
    const ui::Rect bounds = this->bounds();
    const double w = bounds.size.width;
    const double h = bounds.size.height;
    scrollView_ = std::make_shared<ui::ScrollView>(bounds);
    scrollView_->setContentSize({3 * w, h});
    scrollView_->setShowsHorizontalScrollIndicator(false);
    scrollView_->setContentOffset({w, 0});
    scrollView_->setPagingEnabled(true);
    addSubview(scrollView_);
    pageControl_ = std::make_shared<ui::PageControl>(ui::Rect(bounds.origin.x, h - 25, w, 30));
    pageControl_->setUserInteractionEnabled(false);
    pageControl_->setHidesForSinglePage(true);
    addSubview(pageControl_);
}

QXCycleScrollView::~QXCycleScrollView() {
    if (timer_) timer_->invalidate();
}

void QXCycleScrollView::setDataource(std::weak_ptr<CycleScrollViewDatasource> datasource) {
    datasource_ = std::move(datasource);
    reloadData();
}

void QXCycleScrollView::reloadData() {
    auto datasource = datasource_.lock();
    totalPages_ = datasource ? datasource->numberOfPages() : 0;
    if (totalPages_ <= 0) {
        totalPages_ = 0;
        currentViews_.clear();
        for (const auto& page : std::vector(scrollView_->subviews())) page->removeFromSuperview();
        pageControl_->setNumberOfPages(0);
        stop();
        return;
    }
    currentPage_ = 0;
    scrollView_->setScrollEnabled(totalPages_ >= 2);
    if (totalPages_ >= 2) {
        start();
    } else {
        stop();
    }
    pageControl_->setNumberOfPages(totalPages_);
    loadData();
}

int QXCycleScrollView::validPageValue(int value) const {
    if (value == -1) return totalPages_ - 1;
    if (value == totalPages_) return 0;
    return value;
}

void QXCycleScrollView::getDisplayImagesWithCurpage(int page) {
    currentViews_.clear();
    auto datasource = datasource_.lock();
    if (!datasource) return;
    const int previous = validPageValue(currentPage_ - 1);
    const int next = validPageValue(currentPage_ + 1);
    for (int index : {previous, page, next})
        currentViews_.push_back(datasource->pageAtIndex(index));
}

void QXCycleScrollView::loadData() {
    if (totalPages_ == 0) return;
    pageControl_->setCurrentPage(currentPage_);
    for (const auto& page : std::vector(scrollView_->subviews())) page->removeFromSuperview();
    getDisplayImagesWithCurpage(currentPage_);
    layOutPages();
}

void QXCycleScrollView::layOutPages() {
    for (std::size_t slot = 0; slot < currentViews_.size(); ++slot) {
        const auto& page = currentViews_[slot];
        if (!page) continue;
        page->setUserInteractionEnabled(true);
        page->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>(
            this, [weak = weakAs<QXCycleScrollView>()](ui::GestureRecognizer&) {
                if (auto self = weak.lock()) self->handleTap();
            }));
        ui::Rect frame = page->frame();
        frame.origin.x += static_cast<double>(slot) * frame.size.width;
        page->setFrame(frame);
        scrollView_->addSubview(page);
    }
    scrollView_->setContentOffset({scrollView_->bounds().size.width, 0});
}

void QXCycleScrollView::setViewContent(const std::shared_ptr<ui::View>& view, int index) {
    if (index != currentPage_ || currentViews_.size() != 3) return;
    currentViews_[1] = view;
    layOutPages();
}

void QXCycleScrollView::start() {
    paging_ = true;
    updateTimer();
}

void QXCycleScrollView::stop() {
    paging_ = false;
    updateTimer();
}

void QXCycleScrollView::updateTimer() {
    if (!timer_ || !timer_->isValid()) return;
    // Out of sight (out of the window, the app in the background) nothing pages; back in
    // sight the next page comes a whole interval later.
    const bool seen = window() && ui::Application::sharedApplication().applicationState() !=
                                      ui::ApplicationState::Background;
    const bool runs = paging_ && !dragging_ && totalPages_ >= 2 && seen;
    const bool running = timer_->fireDate() != ns::Timer::distantFuture();
    if (runs && !running) {
        resumeTimerAfterTimeInterval(*timer_, animationDuration_);
    } else if (!runs && running) {
        pauseTimer(*timer_);
    }
}

void QXCycleScrollView::animationTimerDidFired() {
    const ui::Point offset = scrollView_->contentOffset();
    scrollView_->setContentOffset({offset.x + scrollView_->bounds().size.width, offset.y}, true);
}

void QXCycleScrollView::handleTap() {
    if (auto delegate = delegate_.lock()) delegate->didClickPage(*this, currentPage_);
}

void QXCycleScrollView::scrollViewDidScroll(ui::ScrollView& scrollView) {
    const double x = std::trunc(scrollView.contentOffset().x);
    const double width = bounds().size.width;
    if (x >= 2 * width) {
        currentPage_ = validPageValue(currentPage_ + 1);
        loadData();
    }
    if (x <= 0) {
        currentPage_ = validPageValue(currentPage_ - 1);
        loadData();
    }
}

void QXCycleScrollView::scrollViewWillBeginDragging(ui::ScrollView&) {
    dragging_ = true;
    updateTimer();
}

void QXCycleScrollView::scrollViewDidEndDragging(ui::ScrollView&, bool) {
    dragging_ = false;
    updateTimer();
}

void QXCycleScrollView::scrollViewDidEndDecelerating(ui::ScrollView& scrollView) {
    scrollView.setContentOffset({scrollView.bounds().size.width, 0}, true);
}

void QXCycleScrollView::didMoveToWindow() {
    View::didMoveToWindow();
    updateTimer();
}
