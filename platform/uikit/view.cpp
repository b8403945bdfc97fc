#include "platform/uikit/view.h"

#include "platform/uikit/gesture_recognizer.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/renderer.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/window.h"

#include <QPainter>

#include <cmath>
#include <optional>

namespace ui {

namespace {

ContentsGravity gravityFor(ContentMode mode) {
    switch (mode) {
        case ContentMode::ScaleToFill:
        case ContentMode::Redraw:
            return ContentsGravity::Resize;
        case ContentMode::ScaleAspectFit:
            return ContentsGravity::ResizeAspect;
        case ContentMode::ScaleAspectFill:
            return ContentsGravity::ResizeAspectFill;
        case ContentMode::Center:
            return ContentsGravity::Center;
        case ContentMode::Top:
            return ContentsGravity::Top;
        case ContentMode::Bottom:
            return ContentsGravity::Bottom;
        case ContentMode::Left:
            return ContentsGravity::Left;
        case ContentMode::Right:
            return ContentsGravity::Right;
        case ContentMode::TopLeft:
            return ContentsGravity::TopLeft;
        case ContentMode::TopRight:
            return ContentsGravity::TopRight;
        case ContentMode::BottomLeft:
            return ContentsGravity::BottomLeft;
        case ContentMode::BottomRight:
            return ContentsGravity::BottomRight;
    }
    return ContentsGravity::Resize;
}

// Shares `delta` among the flexible parts of one axis in proportion to their
// sizes (evenly when they are all zero), as the platform's autoresizing does.
void resizeAxis(double& origin, double& length, double oldParent, double newParent,
                bool flexibleStart, bool flexibleLength, bool flexibleEnd) {
    const double delta = newParent - oldParent;
    if (delta == 0 || !(flexibleStart || flexibleLength || flexibleEnd)) return;
    const double start = origin;
    const double end = oldParent - origin - length;
    double total = 0;
    int count = 0;
    if (flexibleStart) total += std::max(0.0, start), ++count;
    if (flexibleLength) total += std::max(0.0, length), ++count;
    if (flexibleEnd) total += std::max(0.0, end), ++count;
    auto share = [&](bool flexible, double part) {
        if (!flexible) return 0.0;
        return total > 0 ? delta * std::max(0.0, part) / total : delta / count;
    };
    origin += share(flexibleStart, start);
    length += share(flexibleLength, length);
}

}  // namespace

View::View() : layer_(std::make_shared<Layer>()) {
    layer_->attachView(this);
}

View::View(const Rect& frame) : View() {
    layer_->setFrame(frame);
}

View::~View() {
    for (auto& recognizer : recognizers_) recognizer->setView(nullptr);
    for (auto& subview : subviews_) {
        subview->superview_ = nullptr;
        subview->layer_->removeFromSuperlayer();
    }
    layer_->attachView(nullptr);
}

void View::setFrame(const Rect& frame) {
    const Size old = bounds().size;
    layer_->setFrame(frame);
    if (bounds().size != old) boundsSizeChanged(old);
}

void View::setBounds(const Rect& bounds) {
    const Size old = this->bounds().size;
    layer_->setBounds(bounds);
    if (this->bounds().size != old) boundsSizeChanged(old);
}

void View::boundsSizeChanged(Size oldSize) {
    const Size newSize = bounds().size;
    if (autoresizesSubviews_) {
        for (auto& subview : std::vector(subviews_)) autoresizeSubview(*subview, oldSize, newSize);
    }
    setNeedsLayout();
    if (contentMode_ == ContentMode::Redraw) setNeedsDisplay();
}

void View::autoresizeSubview(View& subview, Size oldSize, Size newSize) {
    const unsigned mask = subview.autoresizingMask_;
    if (mask == kAutoresizingNone) return;
    Rect frame = subview.frame();
    resizeAxis(frame.origin.x, frame.size.width, oldSize.width, newSize.width,
               mask & kAutoresizingFlexibleLeftMargin, mask & kAutoresizingFlexibleWidth,
               mask & kAutoresizingFlexibleRightMargin);
    resizeAxis(frame.origin.y, frame.size.height, oldSize.height, newSize.height,
               mask & kAutoresizingFlexibleTopMargin, mask & kAutoresizingFlexibleHeight,
               mask & kAutoresizingFlexibleBottomMargin);
    subview.setFrame(frame);
}

void View::setCenter(Point center) {
    layer_->setPosition(center);
}

void View::setTransform(const AffineTransform& transform) {
    layer_->setAffineTransform(transform);
}

void View::setAlpha(double alpha) {
    layer_->setOpacity(alpha);
}

void View::setHidden(bool hidden) {
    layer_->setHidden(hidden);
}

void View::setBackgroundColor(const Color& color) {
    layer_->setBackgroundColor(color);
}

void View::setContentMode(ContentMode mode) {
    contentMode_ = mode;
    layer_->setContentsGravity(gravityFor(mode));
}

View* View::viewWithTag(int tag) {
    if (tag_ == tag) return this;
    for (auto& subview : subviews_) {
        if (View* found = subview->viewWithTag(tag)) return found;
    }
    return nullptr;
}

Window* View::window() const {
    const View* top = this;
    while (top->superview_) top = top->superview_;
    return dynamic_cast<Window*>(const_cast<View*>(top));
}

std::shared_ptr<View> View::sharedView() {
    return std::static_pointer_cast<View>(weak_from_this().lock());
}

void View::addSubview(std::shared_ptr<View> view) {
    if (!view) return;
    insertSubview(std::move(view), subviews_.size());
}

void View::insertSubviewAtIndex(std::shared_ptr<View> view, std::size_t index) {
    if (!view) return;
    insertSubview(std::move(view), index);
}

void View::insertSubviewAboveSubview(std::shared_ptr<View> view, const View* sibling) {
    const auto at = std::find_if(subviews_.begin(), subviews_.end(),
                                 [&](const auto& v) { return v.get() == sibling; });
    insertSubviewAtIndex(std::move(view), at == subviews_.end()
                                              ? subviews_.size()
                                              : std::size_t(at - subviews_.begin()) + 1);
}

void View::insertSubviewBelowSubview(std::shared_ptr<View> view, const View* sibling) {
    const auto at = std::find_if(subviews_.begin(), subviews_.end(),
                                 [&](const auto& v) { return v.get() == sibling; });
    insertSubviewAtIndex(std::move(view),
                         at == subviews_.end() ? 0 : std::size_t(at - subviews_.begin()));
}

void View::insertSubview(std::shared_ptr<View> view, std::size_t index) {
    if (view.get() == this || isDescendantOfView(view.get())) return;
    if (view->superview_ == this) {
        // Re-inserting moves the view within this superview.
        const auto at = std::find(subviews_.begin(), subviews_.end(), view);
        const std::size_t old = std::size_t(at - subviews_.begin());
        subviews_.erase(at);
        if (old < index) --index;
        index = std::min(index, subviews_.size());
        subviews_.insert(subviews_.begin() + std::ptrdiff_t(index), view);
        placeLayerOf(view.get());
        return;
    }
    Window* oldWindow = view->window();
    Window* newWindow = window();
    view->willMoveToSuperview(this);
    if (oldWindow != newWindow) view->notifyWillMoveToWindow(newWindow);
    if (view->superview_) view->superview_->detachSubview(view.get());
    index = std::min(index, subviews_.size());
    subviews_.insert(subviews_.begin() + std::ptrdiff_t(index), view);
    view->superview_ = this;
    placeLayerOf(view.get());
    if (oldWindow != newWindow) view->notifyDidMoveToWindow();
    view->didMoveToSuperview();
    didAddSubview(view.get());
    view->setNeedsLayout();
    setNeedsLayout();
    if (view->needsDisplay_ || view->descendantNeedsDisplay_) {
        for (View* v = this; v && !v->descendantNeedsDisplay_; v = v->superview_) {
            v->descendantNeedsDisplay_ = true;
        }
    }
}

void View::placeLayerOf(View* view) {
    // The layer goes just below the layer of the next subview, or on top.
    const auto at = std::find_if(subviews_.begin(), subviews_.end(),
                                 [&](const auto& v) { return v.get() == view; });
    const auto next = at + 1;
    if (next != subviews_.end()) {
        layer_->insertSublayerBelow(view->layer_, (*next)->layer_.get());
    } else {
        layer_->addSublayer(view->layer_);
    }
}

void View::detachSubview(View* view) {
    willRemoveSubview(view);
    const auto at = std::find_if(subviews_.begin(), subviews_.end(),
                                 [&](const auto& v) { return v.get() == view; });
    if (at == subviews_.end()) return;
    const auto keep = *at;
    subviews_.erase(at);
    view->layer_->removeFromSuperlayer();
    view->superview_ = nullptr;
    setNeedsLayout();
}

void View::removeFromSuperview() {
    if (!superview_) return;
    const auto keep = sharedView();
    Window* oldWindow = window();
    willMoveToSuperview(nullptr);
    if (oldWindow) notifyWillMoveToWindow(nullptr);
    superview_->detachSubview(this);
    if (oldWindow) notifyDidMoveToWindow();
    didMoveToSuperview();
}

void View::bringSubviewToFront(const View* view) {
    const auto at = std::find_if(subviews_.begin(), subviews_.end(),
                                 [&](const auto& v) { return v.get() == view; });
    if (at == subviews_.end()) return;
    auto moved = *at;
    subviews_.erase(at);
    subviews_.push_back(moved);
    placeLayerOf(moved.get());
}

void View::sendSubviewToBack(const View* view) {
    const auto at = std::find_if(subviews_.begin(), subviews_.end(),
                                 [&](const auto& v) { return v.get() == view; });
    if (at == subviews_.end()) return;
    auto moved = *at;
    subviews_.erase(at);
    subviews_.insert(subviews_.begin(), moved);
    placeLayerOf(moved.get());
}

void View::exchangeSubviewAtIndex(std::size_t first, std::size_t second) {
    if (first >= subviews_.size() || second >= subviews_.size() || first == second) return;
    std::swap(subviews_[first], subviews_[second]);
    placeLayerOf(subviews_[first].get());
    placeLayerOf(subviews_[second].get());
}

bool View::isDescendantOfView(const View* view) const {
    for (const View* v = this; v; v = v->superview_) {
        if (v == view) return true;
    }
    return false;
}

void View::notifyWillMoveToWindow(Window* newWindow) {
    // A view leaving its window gives up being first responder.
    if (Window* old = window(); old && old != newWindow && isFirstResponder())
        resignFirstResponder();
    willMoveToWindow(newWindow);
    for (auto& subview : std::vector(subviews_)) subview->notifyWillMoveToWindow(newWindow);
}

void View::notifyDidMoveToWindow() {
    didMoveToWindow();
    for (auto& subview : std::vector(subviews_)) subview->notifyDidMoveToWindow();
}

void View::willMoveToSuperview(View*) {}
void View::didMoveToSuperview() {}
void View::willMoveToWindow(Window*) {}
void View::didMoveToWindow() {}
void View::didAddSubview(View*) {}
void View::willRemoveSubview(View*) {}

void View::setNeedsLayout() {
    needsLayout_ = true;
    for (View* v = superview_; v && !v->descendantNeedsLayout_; v = v->superview_) {
        v->descendantNeedsLayout_ = true;
    }
    Layer::noteChange();
}

void View::layoutIfNeeded() {
    if (needsLayout_) {
        needsLayout_ = false;
        layoutSubviews();
    }
    descendantNeedsLayout_ = false;
    for (auto& subview : std::vector(subviews_)) {
        if (subview->needsLayout_ || subview->descendantNeedsLayout_) subview->layoutIfNeeded();
    }
}

void View::layoutSubviews() {}

Size View::sizeThatFits(Size) const {
    return bounds().size;
}

void View::sizeToFit() {
    const Size size = sizeThatFits(bounds().size);
    setFrame(Rect(frame().origin, size));
}

void View::setNeedsDisplay() {
    needsDisplay_ = true;
    for (View* v = superview_; v && !v->descendantNeedsDisplay_; v = v->superview_) {
        v->descendantNeedsDisplay_ = true;
    }
    Layer::noteChange();
}

void View::setNeedsDisplayInRect(const Rect&) {
    setNeedsDisplay();
}

void View::drawRect(const Rect&) {}

void View::displayIfNeeded() {
    if (needsDisplay_) {
        needsDisplay_ = false;
        const Rect b = bounds();
        if (b.size.width <= 0 || b.size.height <= 0) {
            layer_->setBackingStore(nullptr);
        } else {
            const double scale = Screen::mainScreen().scale();
            // The backing store's pixels are made only when drawRect draws: most views draw
            // nothing, and a screen-sized canvas made and filled for each new one (a photo
            // pager's pages) cost more than all the drawing of its frame.
            QImage canvas;
            int operations = 0;
            {
                std::optional<QPainter> painter;
                GraphicsContext context([&]() -> QPainter& {
                    canvas = Renderer::makeCanvas(b.size.width, b.size.height, scale);
                    painter.emplace(&canvas);
                    painter->translate(-b.origin.x, -b.origin.y);
                    return *painter;
                });
                GraphicsContext::push(context);
                drawRect(b);
                GraphicsContext::pop();
                operations = context.drawingOperations();
            }
            layer_->setBackingStore(operations > 0 && !canvas.isNull()
                                        ? Image::imageWithQImage(std::move(canvas), scale)
                                        : nullptr);
        }
    }
    if (!descendantNeedsDisplay_) return;
    descendantNeedsDisplay_ = false;
    for (auto& subview : std::vector(subviews_)) {
        if (subview->needsDisplay_ || subview->descendantNeedsDisplay_) subview->displayIfNeeded();
    }
}

void View::drawViewHierarchyInRect(const Rect& rect) {
    auto* context = GraphicsContext::current();
    if (!context) return;
    Renderer::prepare(*this);
    QPainter& painter = context->painter();
    painter.save();
    painter.translate(rect.origin.x, rect.origin.y);
    const Size size = bounds().size;
    if (size.width > 0 && size.height > 0) {
        painter.scale(rect.size.width / size.width, rect.size.height / size.height);
    }
    Renderer::renderLayer(painter, *layer_, true);
    painter.restore();
}

std::shared_ptr<Image> View::snapshotImage(double scale) {
    if (scale <= 0) scale = Screen::mainScreen().scale();
    Renderer::prepare(*this);
    return Image::imageWithQImage(Renderer::snapshot(*layer_, scale, true), scale);
}

QTransform View::transformToRoot() const {
    return layer_->transformToRoot();
}

Point View::convertPointToView(Point point, const View* view) const {
    const QPointF inRoot = transformToRoot().map(point.toQt());
    if (!view) return Point::fromQt(inRoot);
    return Point::fromQt(view->transformToRoot().inverted().map(inRoot));
}

Point View::convertPointFromView(Point point, const View* view) const {
    const QPointF inRoot = view ? view->transformToRoot().map(point.toQt()) : point.toQt();
    return Point::fromQt(transformToRoot().inverted().map(inRoot));
}

Rect View::convertRectToView(const Rect& rect, const View* view) const {
    QTransform map = transformToRoot();
    if (view) map = map * view->transformToRoot().inverted();
    return Rect::fromQt(map.mapRect(rect.standardized().toQt()));
}

Rect View::convertRectFromView(const Rect& rect, const View* view) const {
    QTransform map = view ? view->transformToRoot() : QTransform();
    map = map * transformToRoot().inverted();
    return Rect::fromQt(map.mapRect(rect.standardized().toQt()));
}

View* View::hitTest(Point point, const Event* event) {
    if (isHidden() || !userInteraction_ || alpha() < 0.01 || layer_->blocksInteraction()) {
        return nullptr;
    }
    if (!pointInside(point, event)) return nullptr;
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
        View& subview = **it;
        const QPointF local = subview.layer_->model().toSuperlayer().inverted().map(point.toQt());
        if (View* hit = subview.hitTest(Point::fromQt(local), event)) return hit;
    }
    return this;
}

bool View::pointInside(Point point, const Event*) const {
    return bounds().contains(point);
}

void View::addGestureRecognizer(std::shared_ptr<GestureRecognizer> recognizer) {
    if (!recognizer) return;
    if (View* old = recognizer->view(); old && old != this)
        old->removeGestureRecognizer(recognizer.get());
    if (std::find(recognizers_.begin(), recognizers_.end(), recognizer) != recognizers_.end())
        return;
    recognizer->setView(this);
    recognizers_.push_back(std::move(recognizer));
}

void View::removeGestureRecognizer(const GestureRecognizer* recognizer) {
    const auto at = std::find_if(recognizers_.begin(), recognizers_.end(),
                                 [&](const auto& r) { return r.get() == recognizer; });
    if (at == recognizers_.end()) return;
    const auto keep = *at;
    recognizers_.erase(at);
    keep->setView(nullptr);
}

bool View::gestureRecognizerShouldBegin(GestureRecognizer&) {
    return true;
}

void View::setAssociatedValue(const std::string& key, std::any value) {
    if (!value.has_value()) {
        associated_.erase(key);
    } else {
        associated_[key] = std::move(value);
    }
}

const std::any* View::associatedValue(const std::string& key) const {
    const auto found = associated_.find(key);
    return found == associated_.end() ? nullptr : &found->second;
}

Responder* View::nextResponder() const {
    if (auto controller = controller_.lock()) return controller.get();
    return superview_;
}

void View::animateWithDuration(double duration, const std::function<void()>& animations,
                               std::function<void(bool)> completion) {
    animateWithDuration(duration, 0, 0, animations, std::move(completion));
}

void View::animateWithDuration(double duration, double delay, unsigned options,
                               const std::function<void()>& animations,
                               std::function<void(bool)> completion) {
    AnimationBlock::Parameters parameters;
    parameters.duration = std::max(0.0, duration);
    parameters.delay = std::max(0.0, delay);
    parameters.curve = ViewAnimationCurve((options >> 16) & 0x3);
    parameters.allowsUserInteraction = options & kViewAnimationOptionAllowUserInteraction;
    parameters.autoreverses = options & kViewAnimationOptionAutoreverse;
    if (options & kViewAnimationOptionRepeat) parameters.repeatCount = Animation::kForever;
    parameters.completion = std::move(completion);
    AnimationBlock::open(std::move(parameters));
    if (animations) animations();
    AnimationBlock::commit();
}

void View::performWithoutAnimation(const std::function<void()>& actions) {
    const bool enabled = AnimationBlock::areAnimationsEnabled();
    AnimationBlock::setAnimationsEnabled(false);
    if (actions) actions();
    AnimationBlock::setAnimationsEnabled(enabled);
}

void View::beginAnimations(const QString& animationID) {
    AnimationBlock::Parameters parameters;
    parameters.identifier = animationID;
    AnimationBlock::open(std::move(parameters));
}

void View::commitAnimations() {
    AnimationBlock::commit();
}

void View::setAnimationDuration(double duration) {
    if (auto* p = AnimationBlock::current()) p->duration = std::max(0.0, duration);
}

void View::setAnimationDelay(double delay) {
    if (auto* p = AnimationBlock::current()) p->delay = std::max(0.0, delay);
}

void View::setAnimationCurve(ViewAnimationCurve curve) {
    if (auto* p = AnimationBlock::current()) p->curve = curve;
}

void View::setAnimationRepeatCount(double count) {
    if (auto* p = AnimationBlock::current()) p->repeatCount = count;
}

void View::setAnimationRepeatAutoreverses(bool autoreverses) {
    if (auto* p = AnimationBlock::current()) p->autoreverses = autoreverses;
}

void View::setAnimationBeginsFromCurrentState(bool) {
    // Animations always start from what is shown at the moment, the current state.
}

void View::setAnimationWillStartHandler(std::function<void(const QString&)> handler) {
    if (auto* p = AnimationBlock::current()) p->willStart = std::move(handler);
}

void View::setAnimationDidStopHandler(std::function<void(const QString&, bool)> handler) {
    if (auto* p = AnimationBlock::current()) p->didStop = std::move(handler);
}

void View::setAnimationsEnabled(bool enabled) {
    AnimationBlock::setAnimationsEnabled(enabled);
}

bool View::areAnimationsEnabled() {
    return AnimationBlock::areAnimationsEnabled();
}

}  // namespace ui
