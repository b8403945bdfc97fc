#include "platform/uikit/scroll_view.h"

#include "platform/foundation/timer.h"
#include "platform/uikit/animation.h"
#include "platform/uikit/display_link.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/pan_gesture_recognizer.h"
#include "platform/uikit/pinch_gesture_recognizer.h"
#include "platform/uikit/transaction.h"
#include "platform/uikit/window.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace ui {

namespace {

constexpr double kStopSpeed = 5;           // points per second: slower counts as stopped
constexpr double kPagingFlickSpeed = 300;  // points per second that turn a page
constexpr double kSpringStiffness = 150;   // pull back past an edge, per second squared
constexpr double kMaximumMotion = 10;      // seconds a deceleration may last at most
constexpr double kIndicatorThickness = 2.5;
constexpr double kIndicatorMargin = 2;
constexpr double kIndicatorMinimumLength = 36;
constexpr double kIndicatorFadeDelay = 0.5;

// Past an edge a dragged offset moves half as far as the finger.
double rubberBand(double value, double minimum, double maximum, bool bounces) {
    if (value < minimum) return bounces ? minimum - (minimum - value) / 2 : minimum;
    if (value > maximum) return bounces ? maximum + (value - maximum) / 2 : maximum;
    return value;
}

}  // namespace

ScrollView::ScrollView() : ScrollView(Rect()) {}

ScrollView::ScrollView(const Rect& frame) : View(frame) {
    setClipsToBounds(true);
    pan_ = std::make_shared<PanGestureRecognizer>(this, [this](GestureRecognizer& recognizer) {
        handlePan(static_cast<PanGestureRecognizer&>(recognizer));
    });
    addGestureRecognizer(pan_);
}

ScrollView::~ScrollView() {
    if (link_) link_->invalidate();
}

void ScrollView::setContentSize(Size size) {
    if (size == contentSize_) return;
    const Size old = contentSize_;
    contentSize_ = size;
    setNeedsLayout();
    updateIndicators();
    for (const auto& entry : std::vector(sizeObservers_)) entry.observer(old, size);
}

void ScrollView::setContentOffset(Point offset, bool animated) {
    if (!animated) {
        if (motion_ == Motion::Animating) stopScrolling();
        setBounds(Rect(offset, bounds().size));
        return;
    }
    if (offset == contentOffset()) return;
    animateOffset(offset, kAnimationDuration, [this] {
        if (auto delegate = delegate_.lock()) delegate->scrollViewDidEndScrollingAnimation(*this);
    });
}

void ScrollView::setContentInset(const EdgeInsets& insets) {
    contentInset_ = insets;
    setNeedsLayout();
}

void ScrollView::setScrollIndicatorInsets(const EdgeInsets& insets) {
    indicatorInsets_ = insets;
    updateIndicators();
}

void ScrollView::setScrollEnabled(bool enabled) {
    scrollEnabled_ = enabled;
    pan_->setEnabled(enabled);
}

void ScrollView::setShowsVerticalScrollIndicator(bool shows) {
    showsVertical_ = shows;
    updateIndicators();
}

void ScrollView::setShowsHorizontalScrollIndicator(bool shows) {
    showsHorizontal_ = shows;
    updateIndicators();
}

bool ScrollView::canCancelContentTouches() const {
    return pan_->cancelsTouchesInView();
}

void ScrollView::setCanCancelContentTouches(bool cancels) {
    pan_->setCancelsTouchesInView(cancels);
}

void ScrollView::addContentOffsetObserver(const void* owner, OffsetObserver observer) {
    if (observer) offsetObservers_.push_back({owner, std::move(observer)});
}

void ScrollView::addContentSizeObserver(const void* owner, SizeObserver observer) {
    if (observer) sizeObservers_.push_back({owner, std::move(observer)});
}

void ScrollView::removeObserver(const void* owner) {
    std::erase_if(offsetObservers_, [&](const auto& entry) { return entry.owner == owner; });
    std::erase_if(sizeObservers_, [&](const auto& entry) { return entry.owner == owner; });
}

Point ScrollView::minimumContentOffset() const {
    return {-contentInset_.left, -contentInset_.top};
}

Point ScrollView::maximumContentOffset() const {
    const Point minimum = minimumContentOffset();
    const Size size = bounds().size;
    return {std::max(minimum.x, contentSize_.width + contentInset_.right - size.width),
            std::max(minimum.y, contentSize_.height + contentInset_.bottom - size.height)};
}

bool ScrollView::canScrollHorizontally() const {
    return contentSize_.width + contentInset_.left + contentInset_.right > bounds().size.width;
}

bool ScrollView::canScrollVertically() const {
    return contentSize_.height + contentInset_.top + contentInset_.bottom > bounds().size.height;
}

Point ScrollView::clamped(Point offset) const {
    const Point minimum = minimumContentOffset();
    const Point maximum = maximumContentOffset();
    return {std::clamp(offset.x, minimum.x, maximum.x), std::clamp(offset.y, minimum.y, maximum.y)};
}

bool ScrollView::isOutOfBounds(Point offset) const {
    return clamped(offset) != offset;
}

void ScrollView::setBounds(const Rect& bounds) {
    const Point old = this->bounds().origin;
    View::setBounds(bounds);
    if (bounds.origin == old) return;
    setNeedsLayout();
    updateIndicators();
    for (const auto& entry : std::vector(offsetObservers_)) entry.observer(old, bounds.origin);
    if (auto delegate = delegate_.lock()) delegate->scrollViewDidScroll(*this);
}

void ScrollView::setFrame(const Rect& frame) {
    View::setFrame(frame);
    updateIndicators();
}

void ScrollView::layoutSubviews() {
    View::layoutSubviews();
    updateIndicators();
}

bool ScrollView::gestureRecognizerShouldBegin(GestureRecognizer& recognizer) {
    if (&recognizer == pan_.get()) return panShouldBegin(pan_->translationInView(this));
    return View::gestureRecognizerShouldBegin(recognizer);
}

bool ScrollView::panShouldBegin(Point translation) {
    if (!scrollEnabled_) return false;
    // A drag along an axis the view cannot move on is left to views around it.
    const bool horizontal = std::abs(translation.x) > std::abs(translation.y);
    return horizontal ? canScrollHorizontally() || alwaysBounceHorizontal_
                      : canScrollVertically() || alwaysBounceVertical_;
}

void ScrollView::handlePan(PanGestureRecognizer& pan) {
    const auto keep = sharedView();
    auto delegate = delegate_.lock();
    switch (pan.state()) {
        case GestureRecognizerState::Began: {
            stopScrolling();
            tracking_ = true;
            dragging_ = true;
            dragStartOffset_ = contentOffset();
            // The content follows the finger from where the drag was recognised:
            // the first points of the move only started it.
            dragStartTranslation_ = pan.translationInView(this);
            if (const double length = std::hypot(dragStartTranslation_.x, dragStartTranslation_.y);
                length > PanGestureRecognizer::kHysteresis) {
                dragStartTranslation_ =
                    dragStartTranslation_ * (PanGestureRecognizer::kHysteresis / length);
            }
            ++indicatorGeneration_;
            updateIndicators();
            if (delegate) delegate->scrollViewWillBeginDragging(*this);
            break;
        }
        case GestureRecognizerState::Changed: {
            const Point moved = pan.translationInView(this) - dragStartTranslation_;
            Point offset = dragStartOffset_ - moved;
            const Point minimum = minimumContentOffset();
            const Point maximum = maximumContentOffset();
            if (!canScrollHorizontally() && !alwaysBounceHorizontal_) offset.x = dragStartOffset_.x;
            if (!canScrollVertically() && !alwaysBounceVertical_) offset.y = dragStartOffset_.y;
            offset.x = rubberBand(offset.x, minimum.x, maximum.x, bounces_);
            offset.y = rubberBand(offset.y, minimum.y, maximum.y, bounces_);
            setContentOffset(offset);
            break;
        }
        case GestureRecognizerState::Ended:
        case GestureRecognizerState::Cancelled: {
            tracking_ = false;
            dragging_ = false;
            Point velocity;
            if (pan.state() == GestureRecognizerState::Ended) {
                velocity = pan.velocityInView(this) * -1;
            }
            if (!canScrollHorizontally() && !alwaysBounceHorizontal_) velocity.x = 0;
            if (!canScrollVertically() && !alwaysBounceVertical_) velocity.y = 0;
            const Point offset = contentOffset();
            Point target;
            if (paging_) {
                auto page = [&](double position, double start, double speed, double size) {
                    if (size <= 0) return position;
                    double index = std::round(start / size);
                    if (speed > kPagingFlickSpeed) {
                        index += 1;
                    } else if (speed < -kPagingFlickSpeed) {
                        index -= 1;
                    } else {
                        index = std::round(position / size);
                    }
                    return index * size;
                };
                target =
                    clamped({page(offset.x, dragStartOffset_.x, velocity.x, bounds().size.width),
                             page(offset.y, dragStartOffset_.y, velocity.y, bounds().size.height)});
            } else {
                // How far the content coasts: the velocity times the sum of the
                // fractions kept each millisecond.
                const double coast = decelerationRate_ / (1 - decelerationRate_) / 1000;
                target = clamped(offset + velocity * coast);
            }
            const Point natural = target;
            if (delegate) delegate->scrollViewWillEndDragging(*this, velocity * 0.001, &target);
            const bool redirected = target != natural;
            bool willDecelerate = false;
            if (paging_ || redirected) {
                willDecelerate = target != offset;
            } else {
                willDecelerate = std::abs(velocity.x) > kStopSpeed ||
                                 std::abs(velocity.y) > kStopSpeed || isOutOfBounds(offset);
            }
            if (delegate) delegate->scrollViewDidEndDragging(*this, willDecelerate);
            if (!willDecelerate) {
                hideIndicatorsLater();
                break;
            }
            decelerating_ = true;
            if (delegate) delegate->scrollViewWillBeginDecelerating(*this);
            if (paging_ || redirected) {
                animateOffset(target, kAnimationDuration, [this] { endDeceleration(); });
            } else {
                startDeceleration(velocity);
            }
            break;
        }
        default:
            break;
    }
}

void ScrollView::stopScrolling() {
    motion_ = Motion::None;
    decelerating_ = false;
    if (link_) link_->invalidate();
    link_.reset();
}

void ScrollView::startDeceleration(Point velocity) {
    velocity_ = velocity;
    motion_ = Motion::Decelerating;
    animation_ = {};
    animation_.start = mediaTime();
    lastTick_ = animation_.start;
    startLink();
}

void ScrollView::animateOffset(Point to, double duration, std::function<void()> done) {
    stopScrolling();
    if (duration <= 0) {
        setBounds(Rect(to, bounds().size));
        if (done) done();
        return;
    }
    motion_ = Motion::Animating;
    animation_ = {contentOffset(), to, mediaTime(), duration, std::move(done)};
    lastTick_ = animation_.start;
    ++indicatorGeneration_;
    updateIndicators();
    startLink();
}

void ScrollView::startLink() {
    if (link_) return;
    std::weak_ptr<View> weak = sharedView();
    link_ = DisplayLink::displayLinkWithTarget([weak](DisplayLink&) {
        if (auto self = weak.lock()) static_cast<ScrollView&>(*self).tick();
    });
    link_->addToRunLoop();
}

void ScrollView::tick() {
    const auto keep = sharedView();
    const double now = mediaTime();
    const double dt = now - lastTick_;
    lastTick_ = now;
    if (motion_ == Motion::Animating) {
        const double fraction = std::min(1.0, (now - animation_.start) / animation_.duration);
        const double eased = MediaTimingFunction::easeInEaseOut().evaluate(fraction);
        const Point position = animation_.from + (animation_.to - animation_.from) * eased;
        setBounds(Rect(position, bounds().size));
        if (fraction >= 1 && motion_ == Motion::Animating) {
            auto done = std::move(animation_.done);
            animation_.done = nullptr;
            stopScrolling();
            hideIndicatorsLater();
            if (scrollingToTop_) {
                scrollingToTop_ = false;
                if (auto delegate = delegate_.lock()) delegate->scrollViewDidScrollToTop(*this);
            } else if (done) {
                done();
            }
        }
        return;
    }
    if (motion_ != Motion::Decelerating || dt <= 0) return;

    const Point minimum = minimumContentOffset();
    const Point maximum = maximumContentOffset();
    const double keepFactor = std::pow(decelerationRate_, dt * 1000);
    auto step = [&](double& position, double& speed, double low, double high) {
        const double edge = position < low ? low : position > high ? high : position;
        if (edge != position) {
            if (!bounces_) {
                position = edge;
                speed = 0;
                return;
            }
            // Past an edge a damped spring pulls the content back.
            const double damping = 2 * std::sqrt(kSpringStiffness);
            speed += (-kSpringStiffness * (position - edge) - damping * speed) * dt;
            position += speed * dt;
            if (std::abs(position - edge) < 0.5 && std::abs(speed) < kStopSpeed * 4) {
                position = edge;
                speed = 0;
            }
            return;
        }
        speed *= keepFactor;
        position += speed * dt;
        if (!bounces_) {
            const double limited = std::clamp(position, low, high);
            if (limited != position) speed = 0;
            position = limited;
        }
    };
    Point position = contentOffset();
    step(position.x, velocity_.x, minimum.x, maximum.x);
    step(position.y, velocity_.y, minimum.y, maximum.y);
    setBounds(Rect(position, bounds().size));
    const bool slow = std::abs(velocity_.x) < kStopSpeed && std::abs(velocity_.y) < kStopSpeed;
    if ((slow && !isOutOfBounds(position)) || now - animation_.start > kMaximumMotion) {
        if (isOutOfBounds(position)) setBounds(Rect(clamped(position), bounds().size));
        endDeceleration();
    }
}

void ScrollView::endDeceleration() {
    stopScrolling();
    hideIndicatorsLater();
    if (auto delegate = delegate_.lock()) delegate->scrollViewDidEndDecelerating(*this);
}

void ScrollView::scrollRectToVisible(const Rect& rect, bool animated) {
    const Rect visible = bounds();
    Point target = visible.origin;
    auto fit = [](double& origin, double visibleLength, double low, double high) {
        if (low < origin) {
            origin = low;
        } else if (high > origin + visibleLength) {
            origin = std::max(low, high - visibleLength);
        }
    };
    fit(target.x, visible.size.width, rect.minX(), rect.maxX());
    fit(target.y, visible.size.height, rect.minY(), rect.maxY());
    setContentOffset(clamped(target), animated);
}

void ScrollView::flashScrollIndicators() {
    ++indicatorGeneration_;
    updateIndicators();
    hideIndicatorsLater();
}

void ScrollView::updateIndicators() {
    const bool moving = dragging_ || motion_ != Motion::None;
    const Rect b = bounds();
    auto place = [&](std::shared_ptr<Layer>& indicator, bool shows, bool scrollable,
                     const Rect& frame) {
        if (!indicator) {
            if (!shows || !scrollable || !moving) return;
            indicator = Layer::layer();
            indicator->setBackgroundColor(Color::colorWithWhite(0, 0.35));
            indicator->setCornerRadius(kIndicatorThickness / 2);
            layer()->addSublayer(indicator);
        }
        Transaction::begin();
        Transaction::setDisableActions(true);
        indicator->setFrame(frame);
        indicator->setHidden(!shows || !scrollable);
        if (moving) indicator->setOpacity(1);
        Transaction::commit();
    };
    // An indicator's place along its axis, from the start of its track, and its length: it is
    // to the track as the visible part is to the content, and never shorter than the minimum.
    auto span = [](double visible, double room, double content, double offset, double minimum,
                   double maximum) {
        const double track = room - 2 * kIndicatorMargin;
        const double length =
            std::max(kIndicatorMinimumLength, content > 0 ? track * visible / content : track);
        const double range = maximum - minimum;
        const double fraction = range > 0 ? std::clamp((offset - minimum) / range, 0.0, 1.0) : 0;
        return std::pair{fraction * std::max(0.0, track - length), std::min(length, track)};
    };
    const Point minimum = minimumContentOffset();
    const Point maximum = maximumContentOffset();
    const auto [top, height] =
        span(b.size.height, b.size.height - indicatorInsets_.top - indicatorInsets_.bottom,
             contentSize_.height + contentInset_.top + contentInset_.bottom, b.origin.y, minimum.y,
             maximum.y);
    place(verticalIndicator_, showsVertical_, canScrollVertically(),
          Rect(b.origin.x + b.size.width - kIndicatorThickness - kIndicatorMargin -
                   indicatorInsets_.right,
               b.origin.y + indicatorInsets_.top + kIndicatorMargin + top, kIndicatorThickness,
               height));
    const auto [left, width] =
        span(b.size.width, b.size.width - indicatorInsets_.left - indicatorInsets_.right,
             contentSize_.width + contentInset_.left + contentInset_.right, b.origin.x, minimum.x,
             maximum.x);
    place(horizontalIndicator_, showsHorizontal_, canScrollHorizontally(),
          Rect(b.origin.x + indicatorInsets_.left + kIndicatorMargin + left,
               b.origin.y + b.size.height - kIndicatorThickness - kIndicatorMargin -
                   indicatorInsets_.bottom,
               width, kIndicatorThickness));
}

void ScrollView::hideIndicatorsLater() {
    const auto generation = ++indicatorGeneration_;
    std::weak_ptr<View> weak = sharedView();
    ns::DelayedCall::schedule(ns::seconds(kIndicatorFadeDelay), [weak, generation] {
        auto self = std::static_pointer_cast<ScrollView>(weak.lock());
        if (!self || self->indicatorGeneration_ != generation) return;
        for (auto* indicator : {self->verticalIndicator_.get(), self->horizontalIndicator_.get()}) {
            if (indicator) indicator->setOpacity(0);
        }
    });
}

void ScrollView::setMinimumZoomScale(double scale) {
    minimumZoom_ = scale;
    setMaximumZoomScale(maximumZoom_);
}

void ScrollView::setMaximumZoomScale(double scale) {
    maximumZoom_ = scale;
    const bool zooms = maximumZoom_ > minimumZoom_;
    if (zooms && !pinch_) {
        pinch_ =
            std::make_shared<PinchGestureRecognizer>(this, [this](GestureRecognizer& recognizer) {
                handlePinch(static_cast<PinchGestureRecognizer&>(recognizer));
            });
        addGestureRecognizer(pinch_);
    } else if (!zooms && pinch_) {
        removeGestureRecognizer(pinch_.get());
        pinch_.reset();
    }
}

void ScrollView::applyZoom(double scale, Point anchorInBounds) {
    auto delegate = delegate_.lock();
    View* view = delegate ? delegate->viewForZoomingInScrollView(*this) : nullptr;
    if (!view) return;
    scale = std::clamp(scale, minimumZoom_, std::max(minimumZoom_, maximumZoom_));
    const Point anchorInContent = contentOffset() + anchorInBounds;
    const Point unscaled = anchorInContent * (1 / zoomScale_);
    zoomScale_ = scale;
    view->setTransform(AffineTransform::makeScale(scale, scale));
    const Size size(view->bounds().size.width * scale, view->bounds().size.height * scale);
    view->setCenter({size.width / 2, size.height / 2});
    setContentSize(size);
    setBounds(Rect(clamped(unscaled * scale - anchorInBounds), bounds().size));
    delegate->scrollViewDidZoom(*this);
}

void ScrollView::setZoomScale(double scale, bool animated) {
    const Point centre(bounds().size.width / 2, bounds().size.height / 2);
    if (!animated) {
        applyZoom(scale, centre);
        return;
    }
    View::animateWithDuration(kAnimationDuration, [&] { applyZoom(scale, centre); });
}

void ScrollView::zoomToRect(const Rect& rect, bool animated) {
    if (rect.width() <= 0 || rect.height() <= 0) return;
    const Size size = bounds().size;
    const double scale =
        std::clamp(std::min(size.width / rect.width(), size.height / rect.height()), minimumZoom_,
                   std::max(minimumZoom_, maximumZoom_));
    auto apply = [&] {
        applyZoom(scale, Point(0, 0));
        const Point centre = rect.center() * scale;
        setBounds(Rect(clamped(centre - Point(size.width / 2, size.height / 2)), size));
    };
    if (animated) {
        View::animateWithDuration(kAnimationDuration, apply);
    } else {
        apply();
    }
}

void ScrollView::handlePinch(PinchGestureRecognizer& pinch) {
    auto delegate = delegate_.lock();
    View* view = delegate ? delegate->viewForZoomingInScrollView(*this) : nullptr;
    if (!view) return;
    const auto keep = sharedView();
    switch (pinch.state()) {
        case GestureRecognizerState::Began:
            stopScrolling();
            zooming_ = true;
            pinchStartScale_ = zoomScale_;
            delegate->scrollViewWillBeginZooming(*this, view);
            [[fallthrough]];
        case GestureRecognizerState::Changed:
            applyZoom(pinchStartScale_ * pinch.scale(),
                      pinch.locationInView(this) - contentOffset());
            break;
        case GestureRecognizerState::Ended:
        case GestureRecognizerState::Cancelled:
            zooming_ = false;
            delegate->scrollViewDidEndZooming(*this, view, zoomScale_);
            break;
        default:
            break;
    }
}

bool ScrollView::scrollToTopInWindow(Window& window) {
    std::vector<ScrollView*> found;
    std::function<void(View&)> walk = [&](View& view) {
        if (view.isHidden()) return;
        if (auto* scroll = dynamic_cast<ScrollView*>(&view); scroll && scroll->scrollsToTop_)
            found.push_back(scroll);
        for (const auto& subview : view.subviews()) walk(*subview);
    };
    walk(window);
    if (found.size() != 1) return false;
    ScrollView& scroll = *found.front();
    if (auto delegate = scroll.delegate_.lock();
        delegate && !delegate->scrollViewShouldScrollToTop(scroll))
        return false;
    const Point top(scroll.contentOffset().x, scroll.minimumContentOffset().y);
    if (top == scroll.contentOffset()) return true;
    scroll.animateOffset(top, kAnimationDuration, {});
    scroll.scrollingToTop_ = true;
    return true;
}

}  // namespace ui
