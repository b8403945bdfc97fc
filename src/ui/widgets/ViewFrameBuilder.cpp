#include "ui/widgets/ViewFrameBuilder.h"

#include "platform/uikit/view.h"

#include <cmath>
#include <limits>

ViewFrameBuilder::ViewFrameBuilder(const std::shared_ptr<ui::View>& view) : view_(view) {
    if (view) frame_ = view->frame();
}

ViewFrameBuilder ViewFrameBuilder::frameBuilderForView(const std::shared_ptr<ui::View>& view) {
    return ViewFrameBuilder(view);
}

ViewFrameBuilder vf_frameBuilder(ui::View& view) {
    return ViewFrameBuilder(view.sharedView());
}

ViewFrameBuilder& ViewFrameBuilder::setFrame(const ui::Rect& frame) {
    frame_ = frame;
    if (autoCommit_) commit();
    return *this;
}

void ViewFrameBuilder::commit() {
    if (auto view = view_.lock()) view->setFrame(frame_);
}

ViewFrameBuilder& ViewFrameBuilder::reset() {
    if (auto view = view_.lock()) setFrame(view->frame());
    return *this;
}

ViewFrameBuilder& ViewFrameBuilder::enableAutoCommit() {
    autoCommit_ = true;
    return *this;
}

ViewFrameBuilder& ViewFrameBuilder::disableAutoCommit() {
    autoCommit_ = false;
    return *this;
}

ViewFrameBuilder& ViewFrameBuilder::performChangesInGroupWithBlock(
    const std::function<void()>& changes) {
    const bool remembered = autoCommit_;
    autoCommit_ = false;
    if (changes) changes();
    autoCommit_ = remembered;
    if (autoCommit_) commit();
    return *this;
}

ViewFrameBuilder& ViewFrameBuilder::update(const std::function<void(ViewFrameBuilder&)>& changes) {
    autoCommit_ = false;
    if (changes) changes(*this);
    commit();
    return *this;
}

ViewFrameBuilder& ViewFrameBuilder::edit(const std::function<void(ui::Rect&)>& change) {
    ui::Rect frame = frame_;
    change(frame);
    return setFrame(frame);
}

ViewFrameBuilder& ViewFrameBuilder::setX(double x) {
    return edit([&](ui::Rect& frame) { frame.origin.x = x; });
}

ViewFrameBuilder& ViewFrameBuilder::setY(double y) {
    return edit([&](ui::Rect& frame) { frame.origin.y = y; });
}

ViewFrameBuilder& ViewFrameBuilder::setOriginWithX(double x, double y) {
    return performChangesInGroupWithBlock([&] { setX(x).setY(y); });
}

ViewFrameBuilder& ViewFrameBuilder::moveWithOffsetX(double dx) {
    return setX(frame_.origin.x + dx);
}

ViewFrameBuilder& ViewFrameBuilder::moveWithOffsetY(double dy) {
    return setY(frame_.origin.y + dy);
}

ViewFrameBuilder& ViewFrameBuilder::moveWithOffsetX(double dx, double dy) {
    return performChangesInGroupWithBlock([&] { moveWithOffsetX(dx).moveWithOffsetY(dy); });
}

ViewFrameBuilder& ViewFrameBuilder::setWidth(double width) {
    return edit([&](ui::Rect& frame) { frame.size.width = width; });
}

ViewFrameBuilder& ViewFrameBuilder::setHeight(double height) {
    return edit([&](ui::Rect& frame) { frame.size.height = height; });
}

ViewFrameBuilder& ViewFrameBuilder::setSize(ui::Size size) {
    return setFrame({{0, 0}, size});
}

ViewFrameBuilder& ViewFrameBuilder::setSizeWithWidth(double width, double height) {
    return performChangesInGroupWithBlock([&] { setWidth(width).setHeight(height); });
}

ViewFrameBuilder& ViewFrameBuilder::setSizeToFitWidth() {
    auto view = view_.lock();
    if (!view) return *this;
    const double largest = std::numeric_limits<float>::max();
    return setWidth(view->sizeThatFits({largest, frame_.size.height}).width);
}

ViewFrameBuilder& ViewFrameBuilder::setSizeToFitHeight() {
    auto view = view_.lock();
    if (!view) return *this;
    const double largest = std::numeric_limits<float>::max();
    return setHeight(view->sizeThatFits({frame_.size.width, largest}).height);
}

ui::Size ViewFrameBuilder::superviewSize() const {
    auto view = view_.lock();
    if (!view || !view->superview()) return {};
    return view->superview()->bounds().size;
}

ViewFrameBuilder& ViewFrameBuilder::centerHorizontallyInSuperview() {
    auto view = view_.lock();
    if (!view || !view->superview()) return *this;
    return setX(std::round((superviewSize().width - frame_.size.width) / 2));
}

ViewFrameBuilder& ViewFrameBuilder::centerVerticallyInSuperview() {
    auto view = view_.lock();
    if (!view || !view->superview()) return *this;
    return setY(std::round((superviewSize().height - frame_.size.height) / 2));
}

ViewFrameBuilder& ViewFrameBuilder::centerInSuperview() {
    return performChangesInGroupWithBlock(
        [&] { centerHorizontallyInSuperview().centerVerticallyInSuperview(); });
}

ViewFrameBuilder& ViewFrameBuilder::placeInSuperview(double x, double y) {
    return edit([&](ui::Rect& frame) { frame.origin = {x, y}; });
}

ViewFrameBuilder& ViewFrameBuilder::alignToTopInSuperviewWithInsets(const ui::EdgeInsets& insets) {
    return placeInSuperview(frame_.origin.x + insets.left - insets.right,
                            insets.top - insets.bottom);
}

ViewFrameBuilder& ViewFrameBuilder::alignToBottomInSuperviewWithInsets(
    const ui::EdgeInsets& insets) {
    return placeInSuperview(
        frame_.origin.x + insets.left - insets.right,
        superviewSize().height - frame_.size.height + insets.top - insets.bottom);
}

ViewFrameBuilder& ViewFrameBuilder::alignLeftInSuperviewWithInsets(const ui::EdgeInsets& insets) {
    return placeInSuperview(insets.left - insets.right,
                            frame_.origin.y + insets.top - insets.bottom);
}

ViewFrameBuilder& ViewFrameBuilder::alignRightInSuperviewWithInsets(const ui::EdgeInsets& insets) {
    return placeInSuperview(superviewSize().width - frame_.size.width + insets.left - insets.right,
                            frame_.origin.y + insets.top - insets.bottom);
}

ViewFrameBuilder& ViewFrameBuilder::alignToTopInSuperviewWithInset(double inset) {
    return alignToTopInSuperviewWithInsets({inset, 0, 0, 0});
}

ViewFrameBuilder& ViewFrameBuilder::alignToBottomInSuperviewWithInset(double inset) {
    return alignToBottomInSuperviewWithInsets({0, 0, inset, 0});
}

ViewFrameBuilder& ViewFrameBuilder::alignLeftInSuperviewWithInset(double inset) {
    return alignLeftInSuperviewWithInsets({0, inset, 0, 0});
}

ViewFrameBuilder& ViewFrameBuilder::alignRightInSuperviewWithInset(double inset) {
    return alignRightInSuperviewWithInsets({0, 0, 0, inset});
}

ViewFrameBuilder& ViewFrameBuilder::alignToView(const ui::View& other, int edge, double offset) {
    if (edge < kEdgeTop || edge > kEdgeRight) return *this;
    ui::Rect r;
    if (other.superview()) {
        auto view = view_.lock();
        // No superview of our own: the window's coordinates (nullptr).
        const ui::View* into = view ? view->superview() : nullptr;
        r = other.superview()->convertRectToView(other.frame(), into);
    }
    switch (edge) {
        case kEdgeTop:
            return setY(r.origin.y - offset - frame_.size.height);
        case kEdgeBottom:
            return setY(r.origin.y + r.size.height + offset);
        case kEdgeLeft:
            return setX(r.origin.x - offset - frame_.size.width);
        default:
            return setX(r.origin.x + r.size.width + offset);
    }
}

ViewFrameBuilder& ViewFrameBuilder::alignToTopOfView(const ui::View& other, double offset) {
    return alignToView(other, kEdgeTop, offset);
}

ViewFrameBuilder& ViewFrameBuilder::alignToBottomOfView(const ui::View& other, double offset) {
    return alignToView(other, kEdgeBottom, offset);
}

ViewFrameBuilder& ViewFrameBuilder::alignLeftOfView(const ui::View& other, double offset) {
    return alignToView(other, kEdgeLeft, offset);
}

ViewFrameBuilder& ViewFrameBuilder::alignRightOfView(const ui::View& other, double offset) {
    return alignToView(other, kEdgeRight, offset);
}

namespace {

void stack(const std::vector<std::shared_ptr<ui::View>>& views,
           const ViewFrameBuilder::SpacingBlock& spacing, int edge) {
    for (std::size_t i = 1; i < views.size(); ++i) {
        if (!views[i] || !views[i - 1]) continue;
        const double offset = spacing ? spacing(*views[i - 1], *views[i]) : 0;
        ViewFrameBuilder(views[i]).alignToView(*views[i - 1], edge, offset);
    }
}

}  // namespace

void ViewFrameBuilder::alignViewsVertically(const std::vector<std::shared_ptr<ui::View>>& views,
                                            const SpacingBlock& spacing) {
    stack(views, spacing, kEdgeBottom);
}

void ViewFrameBuilder::alignViewsVertically(const std::vector<std::shared_ptr<ui::View>>& views,
                                            double spacing) {
    stack(
        views, [spacing](ui::View&, ui::View&) { return spacing; }, kEdgeBottom);
}

void ViewFrameBuilder::alignViewsHorizontally(const std::vector<std::shared_ptr<ui::View>>& views,
                                              const SpacingBlock& spacing) {
    stack(views, spacing, kEdgeRight);
}

void ViewFrameBuilder::alignViewsHorizontally(const std::vector<std::shared_ptr<ui::View>>& views,
                                              double spacing) {
    stack(
        views, [spacing](ui::View&, ui::View&) { return spacing; }, kEdgeRight);
}

void ViewFrameBuilder::sizeToFitViews(const std::vector<std::shared_ptr<ui::View>>& views) {
    for (const auto& view : views) {
        if (view) view->sizeToFit();
    }
}
