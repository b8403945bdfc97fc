#pragma once

#include "platform/uikit/animation_block.h"
#include "platform/uikit/color.h"
#include "platform/uikit/geometry.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/responder.h"

#include <QString>

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ui {

class GestureRecognizer;
class Image;
class Window;

// How a view shows its drawing or its image when its size differs from it.
enum class ContentMode {
    ScaleToFill = 0,
    ScaleAspectFit = 1,
    ScaleAspectFill = 2,
    Redraw = 3,
    Center = 4,
    Top = 5,
    Bottom = 6,
    Left = 7,
    Right = 8,
    TopLeft = 9,
    TopRight = 10,
    BottomLeft = 11,
    BottomRight = 12,
};

// Which margins and sides of a view follow its superview's size changes.
enum AutoresizingMask : unsigned {
    kAutoresizingNone = 0,
    kAutoresizingFlexibleLeftMargin = 1u << 0,
    kAutoresizingFlexibleWidth = 1u << 1,
    kAutoresizingFlexibleRightMargin = 1u << 2,
    kAutoresizingFlexibleTopMargin = 1u << 3,
    kAutoresizingFlexibleHeight = 1u << 4,
    kAutoresizingFlexibleBottomMargin = 1u << 5,
};

// A rectangle of the screen in a tree of views. Views are held by shared
// pointers: a superview owns its subviews; the way up (superview, window) is a
// non-owning reference that is cleared when the superview goes away, so views
// may build their subviews in their constructors.
//
// Geometry lives in the view's layer: frame and center in the superview's
// coordinates, bounds in the view's own (its origin shifts the content, as in
// scrolling). Drawing happens lazily: setNeedsDisplay asks for drawRect before
// the next render, into a backing store kept until the next request.
class View : public Responder {
public:
    View();
    explicit View(const Rect& frame);
    ~View() override;

    // Geometry.
    [[nodiscard]] Rect frame() const { return layer_->frame(); }
    virtual void setFrame(const Rect& frame);
    [[nodiscard]] const Rect& bounds() const { return layer_->bounds(); }
    virtual void setBounds(const Rect& bounds);
    [[nodiscard]] Point center() const { return layer_->position(); }
    void setCenter(Point center);
    [[nodiscard]] AffineTransform transform() const { return layer_->affineTransform(); }
    void setTransform(const AffineTransform& transform);

    // Appearance.
    [[nodiscard]] double alpha() const { return layer_->opacity(); }
    void setAlpha(double alpha);
    [[nodiscard]] bool isHidden() const { return layer_->isHidden(); }
    virtual void setHidden(bool hidden);
    [[nodiscard]] const Color& backgroundColor() const { return layer_->backgroundColor(); }
    virtual void setBackgroundColor(const Color& color);
    [[nodiscard]] bool isOpaque() const { return layer_->isOpaque(); }
    void setOpaque(bool opaque) { layer_->setOpaque(opaque); }
    [[nodiscard]] bool clipsToBounds() const { return layer_->masksToBounds(); }
    void setClipsToBounds(bool clips) { layer_->setMasksToBounds(clips); }
    [[nodiscard]] bool clearsContextBeforeDrawing() const { return clearsContext_; }
    void setClearsContextBeforeDrawing(bool clears) { clearsContext_ = clears; }
    [[nodiscard]] ContentMode contentMode() const { return contentMode_; }
    virtual void setContentMode(ContentMode mode);
    [[nodiscard]] Layer* layer() const { return layer_.get(); }

    // Touches.
    [[nodiscard]] bool isUserInteractionEnabled() const { return userInteraction_; }
    void setUserInteractionEnabled(bool enabled) { userInteraction_ = enabled; }
    [[nodiscard]] bool isExclusiveTouch() const { return exclusiveTouch_; }
    void setExclusiveTouch(bool exclusive) { exclusiveTouch_ = exclusive; }
    [[nodiscard]] bool isMultipleTouchEnabled() const { return multipleTouch_; }
    void setMultipleTouchEnabled(bool enabled) { multipleTouch_ = enabled; }

    // Tags: viewWithTag searches this view and its subtree, depth first.
    [[nodiscard]] int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    [[nodiscard]] View* viewWithTag(int tag);

    // The tree.
    [[nodiscard]] View* superview() const { return superview_; }
    [[nodiscard]] Window* window() const;
    [[nodiscard]] const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
    void addSubview(std::shared_ptr<View> view);
    void insertSubviewAtIndex(std::shared_ptr<View> view, std::size_t index);
    void insertSubviewAboveSubview(std::shared_ptr<View> view, const View* sibling);
    void insertSubviewBelowSubview(std::shared_ptr<View> view, const View* sibling);
    void removeFromSuperview();
    void bringSubviewToFront(const View* view);
    void sendSubviewToBack(const View* view);
    void exchangeSubviewAtIndex(std::size_t first, std::size_t second);
    [[nodiscard]] bool isDescendantOfView(const View* view) const;
    // This view as a shared pointer (empty while it is being constructed).
    [[nodiscard]] std::shared_ptr<View> sharedView();

    // Tree notifications for subclasses.
    virtual void willMoveToSuperview(View* newSuperview);
    virtual void didMoveToSuperview();
    virtual void willMoveToWindow(Window* newWindow);
    virtual void didMoveToWindow();
    virtual void didAddSubview(View* subview);
    virtual void willRemoveSubview(View* subview);

    // Layout.
    [[nodiscard]] unsigned autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
    [[nodiscard]] bool autoresizesSubviews() const { return autoresizesSubviews_; }
    void setAutoresizesSubviews(bool autoresizes) { autoresizesSubviews_ = autoresizes; }
    void setNeedsLayout();
    [[nodiscard]] bool needsLayout() const { return needsLayout_; }
    // Runs layoutSubviews here and below wherever layout was asked for.
    void layoutIfNeeded();
    virtual void layoutSubviews();
    // The size the view would like within `size`; by default its current size.
    [[nodiscard]] virtual Size sizeThatFits(Size size) const;
    void sizeToFit();

    // Drawing.
    void setNeedsDisplay();
    void setNeedsDisplayInRect(const Rect& rect);
    [[nodiscard]] bool needsDisplay() const { return needsDisplay_; }
    // Draws the view's content into the current graphics context, in bounds
    // coordinates. The default draws nothing (and the view keeps no backing store).
    virtual void drawRect(const Rect& rect);
    // Redraws the backing store now if it was asked for, here and below.
    void displayIfNeeded();
    // Draws the view and its subviews as they show now into the current context.
    void drawViewHierarchyInRect(const Rect& rect);
    // The view and its subviews as an image of its bounds; scale 0 means the screen's.
    [[nodiscard]] std::shared_ptr<Image> snapshotImage(double scale = 0);

    // Coordinates: nullptr stands for the window (or the topmost view).
    [[nodiscard]] Point convertPointToView(Point point, const View* view) const;
    [[nodiscard]] Point convertPointFromView(Point point, const View* view) const;
    [[nodiscard]] Rect convertRectToView(const Rect& rect, const View* view) const;
    [[nodiscard]] Rect convertRectFromView(const Rect& rect, const View* view) const;

    // Hit-testing: the deepest visible, interactive view under `point` (in this
    // view's coordinates). Hidden views, views of alpha below 0.01, views with
    // interaction off and views animating without user interaction are skipped;
    // points outside a view miss its subviews too.
    [[nodiscard]] virtual View* hitTest(Point point, const Event* event);
    [[nodiscard]] virtual bool pointInside(Point point, const Event* event) const;

    // Gesture recognizers, tried before the view gets the touches.
    void addGestureRecognizer(std::shared_ptr<GestureRecognizer> recognizer);
    void removeGestureRecognizer(const GestureRecognizer* recognizer);
    [[nodiscard]] const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers()
        const {
        return recognizers_;
    }
    // Whether a recognizer attached to this view or above may begin.
    [[nodiscard]] virtual bool gestureRecognizerShouldBegin(GestureRecognizer& recognizer);
    // Controls answer true: a single tap on them is theirs, not an ancestor's tap recognizer.
    [[nodiscard]] virtual bool handlesTapsItself() const { return false; }

    // Accessibility and test lookup.
    [[nodiscard]] const QString& accessibilityLabel() const { return accessibilityLabel_; }
    void setAccessibilityLabel(const QString& label) { accessibilityLabel_ = label; }
    // The text the view shows, for finding it by text ("" when it shows none).
    [[nodiscard]] virtual QString shownText() const { return {}; }

    // Values that extensions attach to a view; an empty value removes the key.
    void setAssociatedValue(const std::string& key, std::any value);
    [[nodiscard]] const std::any* associatedValue(const std::string& key) const;
    template <class T>
    [[nodiscard]] T* associated(const std::string& key) {
        auto found = associated_.find(key);
        return found == associated_.end() ? nullptr : std::any_cast<T>(&found->second);
    }

    // Responder chain: the view controller whose view this is, else the superview.
    [[nodiscard]] Responder* nextResponder() const override;
    [[nodiscard]] Window* responderWindow() const override { return window(); }
    // Set by a view controller on its root view, so that it joins the chain.
    void setViewControllerResponder(std::weak_ptr<Responder> controller) {
        controller_ = std::move(controller);
    }
    [[nodiscard]] Responder* viewControllerResponder() const { return controller_.lock().get(); }

    // Block animations on the one clock.
    static void animateWithDuration(double duration, const std::function<void()>& animations,
                                    std::function<void(bool finished)> completion = {});
    static void animateWithDuration(double duration, double delay, unsigned options,
                                    const std::function<void()>& animations,
                                    std::function<void(bool finished)> completion = {});
    static void performWithoutAnimation(const std::function<void()>& actions);
    // The older begin / commit form.
    static void beginAnimations(const QString& animationID = {});
    static void commitAnimations();
    static void setAnimationDuration(double duration);
    static void setAnimationDelay(double delay);
    static void setAnimationCurve(ViewAnimationCurve curve);
    static void setAnimationRepeatCount(double count);
    static void setAnimationRepeatAutoreverses(bool autoreverses);
    static void setAnimationBeginsFromCurrentState(bool fromCurrentState);
    static void setAnimationWillStartHandler(
        std::function<void(const QString& animationID)> handler);
    static void setAnimationDidStopHandler(
        std::function<void(const QString& animationID, bool finished)> handler);
    static void setAnimationsEnabled(bool enabled);
    [[nodiscard]] static bool areAnimationsEnabled();

protected:
    // Called by the layout pass when the bounds size changed.
    virtual void boundsSizeChanged(Size oldSize);

private:
    friend class Window;
    void insertSubview(std::shared_ptr<View> view, std::size_t index);
    void detachSubview(View* view);
    void placeLayerOf(View* view);
    void notifyWillMoveToWindow(Window* window);
    void notifyDidMoveToWindow();
    void autoresizeSubview(View& subview, Size oldSize, Size newSize);
    [[nodiscard]] QTransform transformToRoot() const;

    std::shared_ptr<Layer> layer_;
    View* superview_ = nullptr;
    std::vector<std::shared_ptr<View>> subviews_;
    std::vector<std::shared_ptr<GestureRecognizer>> recognizers_;
    std::weak_ptr<Responder> controller_;
    std::map<std::string, std::any> associated_;
    QString accessibilityLabel_;
    ContentMode contentMode_ = ContentMode::ScaleToFill;
    unsigned autoresizingMask_ = kAutoresizingNone;
    int tag_ = 0;
    bool autoresizesSubviews_ = true;
    bool userInteraction_ = true;
    bool exclusiveTouch_ = false;
    bool multipleTouch_ = false;
    bool clearsContext_ = true;
    bool needsLayout_ = true;
    bool descendantNeedsLayout_ = false;
    bool needsDisplay_ = true;
    bool descendantNeedsDisplay_ = false;
};

}  // namespace ui
