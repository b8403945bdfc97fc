#include "ui/widgets/PRRefreshFooterView.h"

#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/scroll_view.h"

#include <algorithm>
#include <numbers>

std::shared_ptr<PRRefreshFooterView> PRRefreshFooterView::footer() {
    return std::make_shared<PRRefreshFooterView>();
}

PRRefreshFooterView::PRRefreshFooterView() {
    dropLastUpdateTimeLabel();
    statusLabel()->setText(kIdleText);
}

void PRRefreshFooterView::setFrame(const ui::Rect& frame) {
    PRRefreshBaseView::setFrame(frame);
    const ui::Point centre{frame.size.width * 0.5, kViewHeight * 0.5};
    if (statusLabel()->center().y != centre.y) statusLabel()->setCenter(centre);
}

void PRRefreshFooterView::setScrollView(const std::shared_ptr<ui::ScrollView>& scrollView) {
    PRRefreshBaseView::setScrollView(scrollView);
    if (!scrollView) return;
    scrollView->addContentSizeObserver(this,
                                       [weak = weakAs<PRRefreshFooterView>()](ui::Size, ui::Size) {
                                           if (auto self = weak.lock()) self->contentSizeChanged();
                                       });
    adjustFrame();
}

void PRRefreshFooterView::contentSizeChanged() {
    if (!isUserInteractionEnabled() || alpha() <= 0.01 || isHidden()) return;
    adjustFrame();
}

void PRRefreshFooterView::contentOffsetChanged() {
    // At the end of the list a pull has nothing to load.
    if (noMoreData_) return;
    PRRefreshBaseView::contentOffsetChanged();
}

void PRRefreshFooterView::endRefreshingWithNoMoreData() {
    noMoreData_ = true;
    if (isRefreshing()) {
        endRefreshing();
    } else if (state() != PRRefreshStateIdle) {
        setState(PRRefreshStateIdle);
    } else {
        showIdle();
    }
}

void PRRefreshFooterView::resetNoMoreData() {
    if (!noMoreData_) return;
    noMoreData_ = false;
    if (state() == PRRefreshStateIdle) showIdle();
}

void PRRefreshFooterView::showIdle() {
    statusLabel()->setText(noMoreData_ ? kNoMoreDataText : kIdleText);
    arrowImage()->setHidden(noMoreData_);
}

double PRRefreshFooterView::contentBreakView() const {
    auto scrollView = this->scrollView();
    if (!scrollView) return 0;
    const double visible =
        scrollView->frame().size.height - scrollViewInitInset_.bottom - scrollViewInitInset_.top;
    return scrollView->contentSize().height - visible;
}

double PRRefreshFooterView::validY() const {
    const double breakView = contentBreakView();
    return (breakView > 0 ? breakView : 0) - scrollViewInitInset_.top;
}

void PRRefreshFooterView::adjustFrame() {
    auto scrollView = this->scrollView();
    if (!scrollView) return;
    const double visible =
        scrollView->frame().size.height - scrollViewInitInset_.bottom - scrollViewInitInset_.top;
    setFrame({0, std::max(scrollView->contentSize().height, visible),
              scrollView->frame().size.width, kViewHeight});
}

void PRRefreshFooterView::setState(PRRefreshState state) {
    const PRRefreshState old = this->state();
    if (state == old) return;
    PRRefreshBaseView::setState(state);
    auto scrollView = this->scrollView();
    const ui::AffineTransform turned = ui::AffineTransform::makeRotation(std::numbers::pi);
    ui::EdgeInsets inset = scrollView ? scrollView->contentInset() : ui::EdgeInsets{};
    inset.bottom = scrollViewInitInset_.bottom;
    switch (state) {
        case PRRefreshStateRefreshing: {
            lastRefreshCount_ = totalDataCountInScrollView();
            statusLabel()->setText(QStringLiteral("加载数据..."));
            arrowImage()->setTransform(turned);
            const double breakView = contentBreakView();
            inset.bottom += kViewHeight + (breakView < 0 ? -breakView : 0);
            animateArrowAndInset(kStateAnimationDuration, turned, inset);
            break;
        }
        case PRRefreshStatePulling:
            statusLabel()->setText(QStringLiteral("松开立即加载更多数据"));
            animateArrowAndInset(kStateAnimationDuration, ui::AffineTransform::identity(), inset);
            break;
        case PRRefreshStateIdle: {
            showIdle();
            // New rows below a full screen: the visible rows stay where they are.
            const bool keepOffset = old == PRRefreshStateRefreshing && contentBreakView() > 0 &&
                                    totalDataCountInScrollView() != lastRefreshCount_;
            const ui::Point offset = scrollView ? scrollView->contentOffset() : ui::Point{};
            animateArrowAndInset(keepOffset ? 0 : kStateAnimationDuration, turned, inset);
            if (keepOffset && scrollView) scrollView->setContentOffset(offset);
            break;
        }
        default:
            break;
    }
}
