#include "ui/widgets/PRRefreshBaseView.h"

#include "platform/foundation/timer.h"
#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/table_view.h"

namespace {

std::shared_ptr<ui::Label> labelWithFontSize(double size) {
    auto label = std::make_shared<ui::Label>();
    label->setFont(ui::Font::boldSystemFontOfSize(size));
    label->setAutoresizingMask(ui::kAutoresizingFlexibleWidth);
    label->setTextColor(ui::Color::rgb(150, 150, 150));
    label->setBackgroundColor(ui::Color::clearColor());
    label->setTextAlignment(ui::TextAlignment::Center);
    return label;
}

}  // namespace

PRRefreshBaseView::PRRefreshBaseView() {
    setAutoresizingMask(ui::kAutoresizingFlexibleWidth);
    setBackgroundColor(ui::Color::clearColor());
    lastUpdateTimeLabel_ = labelWithFontSize(12);
    addSubview(lastUpdateTimeLabel_);
    statusLabel_ = labelWithFontSize(13);
    addSubview(statusLabel_);
    arrowImage_ = std::make_shared<ui::ImageView>(
        ui::Image::imageNamed(QStringLiteral("PRRefresh.bundle/arrow.png")));
    arrowImage_->setAutoresizingMask(ui::kAutoresizingFlexibleLeftMargin |
                                     ui::kAutoresizingFlexibleRightMargin);
    addSubview(arrowImage_);
    activityView_ =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::Gray);
    activityView_->setBounds(arrowImage_->bounds());
    activityView_->setAutoresizingMask(arrowImage_->autoresizingMask());
    addSubview(activityView_);
    View::setFrame({0, 0, 0, kViewHeight});
    setState(PRRefreshStateIdle);
}

PRRefreshBaseView::~PRRefreshBaseView() {
    free();
}

void PRRefreshBaseView::dropLastUpdateTimeLabel() {
    if (lastUpdateTimeLabel_) lastUpdateTimeLabel_->removeFromSuperview();
    lastUpdateTimeLabel_.reset();
}

void PRRefreshBaseView::setFrame(const ui::Rect& frame) {
    ui::Rect forced = frame;
    forced.size.height = kViewHeight;
    View::setFrame(forced);
    const double width = forced.size.width;
    if (width == 0 || arrowImage_->center().y == 32.0) return;
    statusLabel_->setFrame({0, 5, width, 20});
    if (lastUpdateTimeLabel_) lastUpdateTimeLabel_->setFrame({0, 30, width, 20});
    arrowImage_->setCenter({width * 0.5 - 100, 32.0});
    activityView_->setCenter(arrowImage_->center());
}

void PRRefreshBaseView::setBounds(const ui::Rect& bounds) {
    ui::Rect forced = bounds;
    forced.size.height = kViewHeight;
    View::setBounds(forced);
}

void PRRefreshBaseView::setScrollView(const std::shared_ptr<ui::ScrollView>& scrollView) {
    if (auto previous = scrollView_.lock()) previous->removeObserver(this);
    scrollView_ = scrollView;
    if (!scrollView) return;
    // The observer holds this view weakly: it ends with the view even without free().
    scrollView->addContentOffsetObserver(
        this, [weak = weakAs<PRRefreshBaseView>()](ui::Point, ui::Point) {
            if (auto self = weak.lock()) self->contentOffsetChanged();
        });
    scrollView->addSubview(sharedView());
}

void PRRefreshBaseView::free() {
    if (auto scrollView = scrollView_.lock()) scrollView->removeObserver(this);
}

void PRRefreshBaseView::willMoveToSuperview(ui::View* newSuperview) {
    View::willMoveToSuperview(newSuperview);
    if (newSuperview) return;
    free();
    scrollView_.reset();
}

void PRRefreshBaseView::layoutSubviews() {
    View::layoutSubviews();
    if (hasInitInset_) return;
    if (auto scrollView = scrollView_.lock()) scrollViewInitInset_ = scrollView->contentInset();
    contentSizeChanged();
    hasInitInset_ = true;
    if (state_ == PRRefreshStatePending) setState(PRRefreshStateRefreshing);
}

void PRRefreshBaseView::beginRefreshing() {
    if (!window()) {
        state_ = PRRefreshStatePending;
        return;
    }
    setState(PRRefreshStateRefreshing);
}

void PRRefreshBaseView::endRefreshing() {
    ns::DelayedCall::schedule(ns::seconds(endRefreshingDelay()),
                              [weak = weakAs<PRRefreshBaseView>()] {
                                  if (auto self = weak.lock()) self->setState(PRRefreshStateIdle);
                              });
}

void PRRefreshBaseView::contentOffsetChanged() {
    if (!isUserInteractionEnabled() || alpha() <= 0.01 || isHidden()) return;
    if (state_ == PRRefreshStateRefreshing) return;
    auto scrollView = scrollView_.lock();
    if (!scrollView) return;
    const double y = scrollView->contentOffset().y * viewType();
    const double valid = validY();
    if (y <= valid) return;
    if (scrollView->isDragging()) {
        const double threshold = valid + kViewHeight;
        if (state_ == PRRefreshStatePulling && y <= threshold) {
            setState(PRRefreshStateIdle);
            reportStateChange();
        } else if (state_ == PRRefreshStateIdle && y > threshold) {
            setState(PRRefreshStatePulling);
            reportStateChange();
        }
    } else if (state_ == PRRefreshStatePulling) {
        setState(PRRefreshStateRefreshing);
        reportStateChange();
    }
}

void PRRefreshBaseView::reportStateChange() {
    if (auto delegate = delegate_.lock()) delegate->refreshViewStateChange(*this, state_);
    if (refreshStateChangeBlock_) refreshStateChangeBlock_(*this, state_);
}

void PRRefreshBaseView::setState(PRRefreshState state) {
    auto scrollView = scrollView_.lock();
    if (state_ != PRRefreshStateRefreshing && scrollView) {
        scrollViewInitInset_ = scrollView->contentInset();
    }
    if (state == state_) return;
    const PRRefreshState old = state_;
    if (state == PRRefreshStateRefreshing) {
        activityView_->startAnimating();
        arrowImage_->setHidden(true);
        arrowImage_->setTransform(ui::AffineTransform::identity());
        state_ = state;
        if (auto delegate = delegate_.lock()) delegate->refreshViewBeginRefreshing(*this);
        if (beginRefreshingBlock_) beginRefreshingBlock_(*this);
    } else if (state == PRRefreshStateIdle) {
        arrowImage_->setHidden(false);
        activityView_->stopAnimating();
        state_ = state;
        if (old == PRRefreshStateRefreshing) {
            if (auto delegate = delegate_.lock()) delegate->refreshViewEndRefreshing(*this);
            if (endStateChangeBlock_) endStateChangeBlock_(*this);
        }
    } else {
        state_ = state;
    }
}

void PRRefreshBaseView::animateArrowAndInset(double duration, const ui::AffineTransform& arrow,
                                             const ui::EdgeInsets& inset) {
    auto scrollView = scrollView_.lock();
    View::animateWithDuration(duration, [&] {
        arrowImage_->setTransform(arrow);
        if (scrollView) scrollView->setContentInset(inset);
    });
}

int PRRefreshBaseView::totalDataCountInScrollView() const {
    auto* table = dynamic_cast<ui::TableView*>(scrollView_.lock().get());
    if (!table) return 0;
    int total = 0;
    for (int section = 0; section < table->numberOfSections(); ++section) {
        total += table->numberOfRowsInSection(section);
    }
    return total;
}
