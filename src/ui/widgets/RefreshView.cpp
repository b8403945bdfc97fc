#include "ui/widgets/RefreshView.h"

#include "platform/uikit/animation.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/scroll_view.h"

#include <numbers>

namespace {

const QString kRestText = QStringLiteral("下拉可刷新...");
const QString kReleaseText = QStringLiteral("松开即刷新...");
const QString kRefreshLoadingText = QStringLiteral("加载中...");

std::shared_ptr<ui::ImageView> centredImage(const QString& name, const ui::Rect& container) {
    auto view = std::make_shared<ui::ImageView>();
    auto image = ui::Image::imageNamed(name);
    view->setImage(image);
    const ui::Size size = image ? image->size() : ui::Size{};
    view->setFrame({(container.size.width - size.width) / 2,
                    (container.size.height - size.height) / 2, container.size.width,
                    container.size.height});
    return view;
}

}  // namespace

std::shared_ptr<RefreshView> RefreshView::initWithOwner(
    const std::shared_ptr<ui::ScrollView>& owner, std::weak_ptr<RefreshViewDelegate> delegate) {
    const double h = owner ? owner->frame().size.height : 0;
    const double w = owner ? owner->bounds().size.width : 0;
    auto view = std::make_shared<RefreshView>(ui::Rect(0, -h, w, h));
    view->owner_ = owner;
    view->delegate_ = std::move(delegate);
    if (owner) owner->insertSubviewAtIndex(view, 0);
    return view;
}

RefreshView::RefreshView(const ui::Rect& frame) : ui::View(frame) {
    const double h = frame.size.height;
    setAutoresizingMask(ui::kAutoresizingFlexibleWidth);
    setBackgroundColor(ui::Color::rgb(245, 245, 245));
    refreshStatusLabel_ = std::make_shared<ui::Label>(ui::Rect(0, h - 37, frame.size.width, 20));
    refreshStatusLabel_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth);
    refreshStatusLabel_->setFont(ui::Font::boldSystemFontOfSize(13));
    refreshStatusLabel_->setTextColor(ui::Color::rgb(149, 149, 149));
    refreshStatusLabel_->setShadowColor(ui::Color::colorWithWhite(0.9, 1.0));
    refreshStatusLabel_->setShadowOffset({0, 1});
    refreshStatusLabel_->setBackgroundColor(ui::Color::clearColor());
    refreshStatusLabel_->setTextAlignment(ui::TextAlignment::Center);
    refreshStatusLabel_->setText(kRestText);
    addSubview(refreshStatusLabel_);
    grayImageView_ = std::make_shared<ui::ImageView>(ui::Rect(75, h - 40, 30, 30));
    grayImageView_->setImage(ui::Image::imageNamed(QStringLiteral("灰色图")));
    addSubview(grayImageView_);
    loadingIconView_ = loadingIconView({71, h - 44, 30, 30});
    loadingIconView_->setHidden(true);
    addSubview(loadingIconView_);
    if (auto* ring = ringLayer()) pauseLayer(*ring);
}

std::shared_ptr<ui::View> RefreshView::loadingIconView(const ui::Rect& frame) {
    auto container = std::make_shared<ui::View>(frame);
    container->setBackgroundColor(ui::Color::clearColor());
    auto ring = centredImage(QStringLiteral("圆环"), frame);
    ring->setTag(kRingTag);
    auto rotation =
        ui::BasicAnimation::animationWithKeyPath(QStringLiteral("transform.rotation.z"));
    rotation->setFromValue(0.0);
    rotation->setToValue(2 * std::numbers::pi);
    rotation->setDuration(1.0);
    rotation->setCumulative(true);
    rotation->setRepeatCount(100000);
    ring->layer()->addAnimation(rotation, QStringLiteral("rotationAnimation"));
    container->addSubview(ring);
    container->addSubview(centredImage(QStringLiteral("logo"), frame));
    return container;
}

ui::Layer* RefreshView::ringLayer() const {
    ui::View* ring = loadingIconView_ ? loadingIconView_->viewWithTag(kRingTag) : nullptr;
    return ring ? ring->layer() : nullptr;
}

void RefreshView::pauseLayer(ui::Layer& layer) {
    const double paused = layer.convertTime(ui::mediaTime(), nullptr);
    layer.setSpeed(0);
    layer.setTimeOffset(paused);
}

void RefreshView::resumeLayer(ui::Layer& layer) {
    layer.setSpeed(1.0);
    layer.setTimeOffset(0);
}

void RefreshView::startLoading() {
    isLoading_ = true;
    auto owner = owner_.lock();
    View::animateWithDuration(kAnimationDuration, [&] {
        if (owner) {
            owner->setContentOffset({0, -kTriggerDistance});
            owner->setContentInset({kTriggerDistance, 0, 0, 0});
        }
        refreshStatusLabel_->setText(kRefreshLoadingText);
        if (auto* ring = ringLayer()) resumeLayer(*ring);
    });
}

void RefreshView::stopLoading() {
    isLoading_ = false;
    if (auto owner = owner_.lock()) owner->setContentOffset({0, 0}, true);
    refreshStatusLabel_->setText(kRestText);
    grayImageView_->setHidden(false);
    loadingIconView_->setHidden(true);
    if (auto* ring = ringLayer()) pauseLayer(*ring);
}

void RefreshView::scrollViewWillBeginDragging(ui::ScrollView&) {
    if (!isLoading_) isDragging_ = true;
}

void RefreshView::scrollViewDidScroll(ui::ScrollView& scrollView) {
    const double y = scrollView.contentOffset().y;
    if (isLoading_) {
        if (y > 0) {
            scrollView.setContentInset({});
        } else if (y >= -kTriggerDistance) {
            scrollView.setContentInset({-y, 0, 0, 0});
        }
        return;
    }
    if (isDragging_) {
        if (y >= 0) return;
        View::animateWithDuration(kAnimationDuration, [&] {
            if (y < -kTriggerDistance) {
                refreshStatusLabel_->setText(kReleaseText);
                grayImageView_->setHidden(true);
                loadingIconView_->setHidden(false);
                if (auto* ring = ringLayer()) pauseLayer(*ring);
            } else {
                refreshStatusLabel_->setText(kRestText);
            }
        });
        return;
    }
    scrollView.setContentInset({});
}

void RefreshView::scrollViewDidEndDragging(ui::ScrollView& scrollView, bool) {
    if (isLoading_) return;
    isDragging_ = false;
    if (scrollView.contentOffset().y <= -kTriggerDistance) {
        if (auto delegate = delegate_.lock()) delegate->refreshViewDidCallBack();
    }
}
