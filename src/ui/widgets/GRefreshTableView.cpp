#include "ui/widgets/GRefreshTableView.h"

#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/image.h"
#include "platform/uikit/label.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/transaction.h"

#include <algorithm>
#include <numbers>

namespace {

const QString kNormalText = QStringLiteral("下拉刷新");
const QString kPullingText = QStringLiteral("松开刷新");
const QString kLoadingText = QStringLiteral("加载中...");

// Runs `changes` with the stand-alone arrow layer's implicit animation set.
void arrowTransaction(double duration, bool disableActions, const std::function<void()>& changes) {
    ui::Transaction::begin();
    ui::Transaction::setAnimationDuration(duration);
    ui::Transaction::setDisableActions(disableActions);
    changes();
    ui::Transaction::commit();
}

}  // namespace

GRefreshTableView::GRefreshTableView(const ui::Rect& frame, int type)
    : ui::View(frame), type_(type) {
    initView(frame);
}

void GRefreshTableView::initView(const ui::Rect& frame) {
    const double h = frame.size.height;
    const bool footer = type_ == kFooter;
    setAutoresizingMask(ui::kAutoresizingFlexibleWidth);
    setBackgroundColor(ui::Color::rgb(247, 247, 247));
    const ui::Color textColour = ui::Color::rgb(124, 124, 124);

    lastUpdatedLabel_ = std::make_shared<ui::Label>(ui::Rect(45, footer ? 28 : h - 30, 270, 20));
    lastUpdatedLabel_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth);
    lastUpdatedLabel_->setFont(ui::Font::systemFontOfSize(14));
    lastUpdatedLabel_->setTextColor(textColour);
    lastUpdatedLabel_->setBackgroundColor(ui::Color::clearColor());
    addSubview(lastUpdatedLabel_);

    statusLabel_ = std::make_shared<ui::Label>(ui::Rect(45, footer ? 10 : h - 48, 120, 20));
    statusLabel_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth);
    statusLabel_->setFont(ui::Font::boldSystemFontOfSize(12));
    statusLabel_->setTextColor(textColour);
    statusLabel_->setBackgroundColor(ui::Color::clearColor());
    addSubview(statusLabel_);

    arrowImage_ = ui::Layer::layer();
    auto arrow = ui::Image::imageNamed(QStringLiteral("信息详情-跳转B"));
    arrowImage_->setContents(arrow);
    const ui::Size arrowSize = arrow ? arrow->size() : ui::Size{};
    arrowImage_->setFrame({6, footer ? 16 : h - 42, arrowSize.width, arrowSize.height});
    arrowImage_->setContentsGravity(ui::ContentsGravity::ResizeAspect);
    arrowImage_->setContentsScale(ui::Screen::mainScreen().scale());
    layer()->addSublayer(arrowImage_);

    activityView_ =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::Gray);
    activityView_->setFrame({10, footer ? 16 : h - 42, 20, 20});
    addSubview(activityView_);

    defaultInset_ = {};
    setState(GPullRefreshNormal);
}

QString GRefreshTableView::textFor(const QString& key, const QString& fallback) const {
    const auto found = texts_.find(key);
    return found != texts_.end() ? found->toString() : fallback;
}

ui::Transform3D GRefreshTableView::normalArrow() const {
    return type_ == kFooter ? ui::Transform3D::makeRotation(std::numbers::pi, 1, 0, 0)
                            : ui::Transform3D::identity();
}

ui::Transform3D GRefreshTableView::pullingArrow() const {
    return type_ == kFooter ? ui::Transform3D::makeRotation(std::numbers::pi, 0, 1, 0)
                            : ui::Transform3D::makeRotation(std::numbers::pi, 0, 0, 1);
}

void GRefreshTableView::setStatusLabelTexts(const QVariantMap& texts) {
    texts_ = texts;
    setState(state_);
}

void GRefreshTableView::setState(GPullRefreshState state) {
    switch (state) {
        case GPullRefreshPulling:
            statusLabel_->setText(textFor(kPullingKey, kPullingText));
            arrowTransaction(kArrowDuration, false,
                             [&] { arrowImage_->setTransform(pullingArrow()); });
            break;
        case GPullRefreshNormal:
            showNormalLook(kArrowDuration);
            break;
        case GPullRefreshLoading:
            statusLabel_->setText(textFor(kLoadingKey, kLoadingText));
            activityView_->startAnimating();
            arrowTransaction(0, true, [&] { arrowImage_->setHidden(true); });
            break;
    }
    state_ = state;
}

void GRefreshTableView::resetState() {
    showNormalLook(0);
}

void GRefreshTableView::showNormalLook(double arrowDuration) {
    if (state_ == GPullRefreshPulling) {
        arrowTransaction(arrowDuration, arrowDuration == 0,
                         [&] { arrowImage_->setTransform(normalArrow()); });
    }
    statusLabel_->setText(textFor(kNormalKey, kNormalText));
    activityView_->stopAnimating();
    arrowTransaction(0, true, [&] {
        arrowImage_->setHidden(false);
        arrowImage_->setTransform(normalArrow());
    });
    refreshLastUpdatedDate();
}

void GRefreshTableView::refreshLastUpdatedDate() {
    auto delegate = delegate_.lock();
    if (!delegate) return;
    if (auto text = delegate->pullRefreshTableDataSourceLastUpdatedText(*this)) {
        lastUpdatedLabel_->setText(*text);
    }
}

bool GRefreshTableView::delegateIsLoading() {
    auto delegate = delegate_.lock();
    return delegate && delegate->pullRefreshTableDataSourceIsLoading(*this);
}

void GRefreshTableView::setRefreshLoadingState(ui::ScrollView& scrollView) {
    setState(GPullRefreshLoading);
    ui::EdgeInsets inset = defaultInset_;
    if (type_ == kHeader) {
        inset.top = kLoadingInset;
    } else {
        inset.bottom = kLoadingInset;
    }
    View::animateWithDuration(kLoadingInsetDuration, [&] { scrollView.setContentInset(inset); });
}

void GRefreshTableView::pullRefreshScrollViewDidScroll(ui::ScrollView& scrollView) {
    const double y = scrollView.contentOffset().y;
    if (delegateIsLoading() || state_ == GPullRefreshLoading) {
        if (state_ != GPullRefreshLoading) {
            setRefreshLoadingState(scrollView);
            return;
        }
        ui::EdgeInsets inset = defaultInset_;
        if (type_ == kHeader) {
            inset.top = std::min(std::max(-y, 0.0), kLoadingInset);
        } else {
            inset.bottom = kLoadingInset;
        }
        scrollView.setContentInset(inset);
        return;
    }
    if (!scrollView.isDragging()) return;
    if (type_ == kHeader) {
        if (state_ == GPullRefreshPulling && y > -kPullThreshold && y < 0) {
            setState(GPullRefreshNormal);
        } else if (state_ == GPullRefreshNormal && y < -kPullThreshold) {
            setState(GPullRefreshPulling);
        }
        if (scrollView.contentInset().top != defaultInset_.top) {
            scrollView.setContentInset(defaultInset_);
        }
        return;
    }
    const double end = scrollView.contentSize().height - scrollView.frame().size.height;
    if (state_ == GPullRefreshPulling && y > end && y < end + kPullThreshold) {
        setState(GPullRefreshNormal);
    } else if (state_ == GPullRefreshNormal && y > end + kPullThreshold) {
        setState(GPullRefreshPulling);
    }
}

void GRefreshTableView::pullRefreshScrollViewDidEndDragging(ui::ScrollView& scrollView) {
    const double y = scrollView.contentOffset().y;
    const double end = scrollView.contentSize().height - scrollView.frame().size.height;
    const bool pulled = type_ == kHeader ? y <= -kPullThreshold : y >= end + kPullThreshold;
    if (!pulled && !autoRefresh_) return;
    if (delegateIsLoading()) return;
    if (auto delegate = delegate_.lock()) delegate->pullRefreshTableDidTriggerRefresh(*this);
    setRefreshLoadingState(scrollView);
}

void GRefreshTableView::pullRefreshScrollViewDataSourceDidFinishedLoading(
    ui::ScrollView& scrollView) {
    autoRefresh_ = false;
    delegate_.reset();
    resetState();
    scrollView.setContentInset(defaultInset_);
}

void GRefreshTableView::pullRefreshScrollViewDataSourceDidFinishedLoading(
    ui::ScrollView& scrollView, ui::Point finishedOffset) {
    autoRefresh_ = false;
    resetState();
    delegate_.reset();
    auto scroll = std::static_pointer_cast<ui::ScrollView>(scrollView.sharedView());
    View::animateWithDuration(
        kFinishDuration,
        [&] {
            scrollView.setContentInset(defaultInset_);
            scrollView.setContentOffset(finishedOffset);
        },
        [weak = std::weak_ptr<ui::ScrollView>(scroll), finishedOffset](bool) {
            if (auto scrollView = weak.lock()) scrollView->setContentOffset(finishedOffset);
        });
}

void GRefreshTableView::autoRefreshOnScroll(ui::ScrollView& scrollView) {
    if (autoRefresh_ || delegateIsLoading()) return;
    autoRefresh_ = true;
    setState(GPullRefreshLoading);
    auto scroll = std::static_pointer_cast<ui::ScrollView>(scrollView.sharedView());
    View::animateWithDuration(
        kLoadingInsetDuration,
        [&] {
            scrollView.setContentOffset({0, kAutoRefreshOffset});
        },
        [weakSelf = weakAs<GRefreshTableView>(),
         weak = std::weak_ptr<ui::ScrollView>(scroll)](bool) {
            auto self = weakSelf.lock();
            auto scrollView = weak.lock();
            if (self && scrollView && self->autoRefresh_) {
                self->pullRefreshScrollViewDidEndDragging(*scrollView);
            }
        });
}

std::shared_ptr<ui::BasicAnimation> GRefreshTableView::getOpacityAnimation(double from, double to) {
    auto animation = ui::BasicAnimation::animationWithKeyPath(QStringLiteral("opacity"));
    animation->setDuration(kFinishDuration);
    animation->setFromValue(from);
    animation->setToValue(to);
    animation->setAutoreverses(true);
    animation->setRepeatCount(2147483648.0);
    animation->setFillMode(ui::FillMode::Forwards);
    animation->setRemovedOnCompletion(false);
    return animation;
}
