#pragma once

#include "platform/uikit/view.h"

#include <functional>
#include <memory>
#include <vector>

namespace ui {

class DisplayLink;
class Layer;
class PanGestureRecognizer;
class PinchGestureRecognizer;
class ScrollView;
class Window;

// Hears a scroll view move. Every method is optional.
class ScrollViewDelegate {
public:
    virtual ~ScrollViewDelegate() = default;
    virtual void scrollViewDidScroll(ScrollView&) {}
    virtual void scrollViewWillBeginDragging(ScrollView&) {}
    // `velocity` in points per millisecond; the delegate may move the target.
    virtual void scrollViewWillEndDragging(ScrollView&, Point velocity,
                                           Point* targetContentOffset) {
        (void)velocity, (void)targetContentOffset;
    }
    virtual void scrollViewDidEndDragging(ScrollView&, bool willDecelerate) {
        (void)willDecelerate;
    }
    virtual void scrollViewWillBeginDecelerating(ScrollView&) {}
    virtual void scrollViewDidEndDecelerating(ScrollView&) {}
    virtual void scrollViewDidEndScrollingAnimation(ScrollView&) {}
    virtual bool scrollViewShouldScrollToTop(ScrollView&) { return true; }
    virtual void scrollViewDidScrollToTop(ScrollView&) {}
    // The view zooming scales; none: the scroll view does not zoom.
    virtual View* viewForZoomingInScrollView(ScrollView&) { return nullptr; }
    virtual void scrollViewWillBeginZooming(ScrollView&, View* view) { (void)view; }
    virtual void scrollViewDidZoom(ScrollView&) {}
    virtual void scrollViewDidEndZooming(ScrollView&, View* view, double scale) {
        (void)view, (void)scale;
    }
};

// A view whose bounds move over a larger content: the content offset is the
// bounds' origin. A finger drags it (rubber-banding past the edges when it
// bounces), and on lifting it decelerates, pages or springs back, frame by
// frame on the display link (the one clock). Animated offsets move the same
// way, so the delegate hears every step. Observers of the content offset and
// the content size hear each change with its old and new value.
class ScrollView : public View {
public:
    static constexpr double kDecelerationRateNormal = 0.998;  // velocity kept per millisecond
    static constexpr double kDecelerationRateFast = 0.99;
    static constexpr double kAnimationDuration = 0.3;  // animated offsets, paging, springing back

    ScrollView();
    explicit ScrollView(const Rect& frame);
    ~ScrollView() override;

    [[nodiscard]] Size contentSize() const { return contentSize_; }
    void setContentSize(Size size);
    [[nodiscard]] Point contentOffset() const { return bounds().origin; }
    void setContentOffset(Point offset, bool animated = false);
    [[nodiscard]] const EdgeInsets& contentInset() const { return contentInset_; }
    void setContentInset(const EdgeInsets& insets);
    [[nodiscard]] const EdgeInsets& scrollIndicatorInsets() const { return indicatorInsets_; }
    void setScrollIndicatorInsets(const EdgeInsets& insets);

    [[nodiscard]] bool isScrollEnabled() const { return scrollEnabled_; }
    void setScrollEnabled(bool enabled);
    [[nodiscard]] bool isPagingEnabled() const { return paging_; }
    void setPagingEnabled(bool paging) { paging_ = paging; }
    [[nodiscard]] bool bounces() const { return bounces_; }
    void setBounces(bool bounces) { bounces_ = bounces; }
    [[nodiscard]] bool alwaysBounceVertical() const { return alwaysBounceVertical_; }
    void setAlwaysBounceVertical(bool bounce) { alwaysBounceVertical_ = bounce; }
    [[nodiscard]] bool alwaysBounceHorizontal() const { return alwaysBounceHorizontal_; }
    void setAlwaysBounceHorizontal(bool bounce) { alwaysBounceHorizontal_ = bounce; }
    [[nodiscard]] bool showsVerticalScrollIndicator() const { return showsVertical_; }
    void setShowsVerticalScrollIndicator(bool shows);
    [[nodiscard]] bool showsHorizontalScrollIndicator() const { return showsHorizontal_; }
    void setShowsHorizontalScrollIndicator(bool shows);
    [[nodiscard]] bool scrollsToTop() const { return scrollsToTop_; }
    void setScrollsToTop(bool scrolls) { scrollsToTop_ = scrolls; }
    [[nodiscard]] double decelerationRate() const { return decelerationRate_; }
    void setDecelerationRate(double rate) { decelerationRate_ = rate; }
    [[nodiscard]] bool delaysContentTouches() const { return delaysContentTouches_; }
    void setDelaysContentTouches(bool delays) { delaysContentTouches_ = delays; }
    [[nodiscard]] bool canCancelContentTouches() const;
    void setCanCancelContentTouches(bool cancels);

    [[nodiscard]] bool isTracking() const { return tracking_; }
    [[nodiscard]] bool isDragging() const { return dragging_; }
    [[nodiscard]] bool isDecelerating() const { return decelerating_; }
    [[nodiscard]] bool isZooming() const { return zooming_; }
    [[nodiscard]] bool isZoomBouncing() const { return false; }

    [[nodiscard]] std::shared_ptr<ScrollViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ScrollViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    [[nodiscard]] PanGestureRecognizer* panGestureRecognizer() const { return pan_.get(); }
    [[nodiscard]] PinchGestureRecognizer* pinchGestureRecognizer() const { return pinch_.get(); }

    // Zooming scales the delegate's zooming view by a transform; the content
    // size follows its scaled frame.
    [[nodiscard]] double zoomScale() const { return zoomScale_; }
    void setZoomScale(double scale, bool animated = false);
    [[nodiscard]] double minimumZoomScale() const { return minimumZoom_; }
    void setMinimumZoomScale(double scale);
    [[nodiscard]] double maximumZoomScale() const { return maximumZoom_; }
    void setMaximumZoomScale(double scale);
    [[nodiscard]] bool bouncesZoom() const { return bouncesZoom_; }
    void setBouncesZoom(bool bounces) { bouncesZoom_ = bounces; }
    // Zooms so that `rect` (in the zooming view's coordinates) fills the bounds.
    void zoomToRect(const Rect& rect, bool animated);

    // Scrolls the least needed to show `rect` (content coordinates).
    void scrollRectToVisible(const Rect& rect, bool animated);
    void flashScrollIndicators();

    // Observers of the content offset and size, registered under an owner token.
    using OffsetObserver = std::function<void(Point oldOffset, Point newOffset)>;
    using SizeObserver = std::function<void(Size oldSize, Size newSize)>;
    void addContentOffsetObserver(const void* owner, OffsetObserver observer);
    void addContentSizeObserver(const void* owner, SizeObserver observer);
    void removeObserver(const void* owner);

    // The smallest and largest offsets the content allows (insets included).
    [[nodiscard]] Point minimumContentOffset() const;
    [[nodiscard]] Point maximumContentOffset() const;
    // Ends a deceleration or animated scroll where it stands.
    void stopScrolling();

    // What a tap on the status bar does: the one scroll view of the window
    // that scrolls to top (and whose delegate agrees) goes to the top; false
    // when there is none or more than one.
    static bool scrollToTopInWindow(Window& window);

    void setBounds(const Rect& bounds) override;
    void setFrame(const Rect& frame) override;
    void layoutSubviews() override;
    [[nodiscard]] bool gestureRecognizerShouldBegin(GestureRecognizer& recognizer) override;

protected:
    // The drag itself; subclasses may take some drags for themselves.
    virtual void handlePan(PanGestureRecognizer& pan);
    // Whether a drag starting with `translation` scrolls this view.
    [[nodiscard]] virtual bool panShouldBegin(Point translation);
    [[nodiscard]] bool canScrollHorizontally() const;
    [[nodiscard]] bool canScrollVertically() const;

private:
    enum class Motion { None, Decelerating, Animating };
    struct Animation {
        Point from;
        Point to;
        double start = 0;
        double duration = 0;
        std::function<void()> done;
    };
    void handlePinch(PinchGestureRecognizer& pinch);
    void startDeceleration(Point velocity);
    void animateOffset(Point to, double duration, std::function<void()> done);
    void startLink();
    void tick();
    void endDeceleration();
    void updateIndicators();
    void hideIndicatorsLater();
    void applyZoom(double scale, Point anchorInBounds);
    [[nodiscard]] Point clamped(Point offset) const;
    [[nodiscard]] bool isOutOfBounds(Point offset) const;

    Size contentSize_;
    EdgeInsets contentInset_;
    EdgeInsets indicatorInsets_;
    std::weak_ptr<ScrollViewDelegate> delegate_;
    std::shared_ptr<PanGestureRecognizer> pan_;
    std::shared_ptr<PinchGestureRecognizer> pinch_;
    std::shared_ptr<DisplayLink> link_;
    std::shared_ptr<Layer> verticalIndicator_;
    std::shared_ptr<Layer> horizontalIndicator_;
    std::uint64_t indicatorGeneration_ = 0;
    Motion motion_ = Motion::None;
    Animation animation_;
    Point velocity_;
    double lastTick_ = 0;
    Point dragStartOffset_;
    Point dragStartTranslation_;
    double zoomScale_ = 1;
    double minimumZoom_ = 1;
    double maximumZoom_ = 1;
    double pinchStartScale_ = 1;
    double decelerationRate_ = kDecelerationRateNormal;
    struct OffsetEntry {
        const void* owner;
        OffsetObserver observer;
    };
    struct SizeEntry {
        const void* owner;
        SizeObserver observer;
    };
    std::vector<OffsetEntry> offsetObservers_;
    std::vector<SizeEntry> sizeObservers_;
    bool scrollEnabled_ = true;
    bool paging_ = false;
    bool bounces_ = true;
    bool bouncesZoom_ = true;
    bool alwaysBounceVertical_ = false;
    bool alwaysBounceHorizontal_ = false;
    bool showsVertical_ = true;
    bool showsHorizontal_ = true;
    bool scrollsToTop_ = true;
    bool delaysContentTouches_ = true;
    bool tracking_ = false;
    bool dragging_ = false;
    bool decelerating_ = false;
    bool zooming_ = false;
    bool scrollingToTop_ = false;
};

}  // namespace ui
