#pragma once

#include "platform/uikit/geometry.h"

#include <functional>
#include <memory>
#include <vector>

namespace ui {
class View;
}

// Edits one view's frame (in its superview's coordinates) through chained calls:
// every edit returns the builder, so layout reads as one expression. Edits go to a
// working copy of the frame and reach the view at once (automatic commit) or
// together when a group of edits ends. The view is held weakly: a builder never
// keeps it alive, and commits after it went do nothing.
class ViewFrameBuilder {
public:
    // The sides of another view that alignToView places this one against.
    enum Edge { kEdgeTop = 0, kEdgeBottom = 1, kEdgeLeft = 2, kEdgeRight = 3 };

    explicit ViewFrameBuilder(const std::shared_ptr<ui::View>& view);
    [[nodiscard]] static ViewFrameBuilder frameBuilderForView(
        const std::shared_ptr<ui::View>& view);

    [[nodiscard]] std::shared_ptr<ui::View> view() const { return view_.lock(); }
    [[nodiscard]] const ui::Rect& frame() const { return frame_; }
    [[nodiscard]] bool automaticallyCommitChanges() const { return autoCommit_; }

    // Commit control.
    ViewFrameBuilder& setFrame(const ui::Rect& frame);
    void commit();
    ViewFrameBuilder& reset();
    ViewFrameBuilder& enableAutoCommit();
    ViewFrameBuilder& disableAutoCommit();
    ViewFrameBuilder& performChangesInGroupWithBlock(const std::function<void()>& changes);
    // Leaves automatic commit off afterwards.
    ViewFrameBuilder& update(const std::function<void(ViewFrameBuilder&)>& changes);

    // Edits.
    ViewFrameBuilder& setX(double x);
    ViewFrameBuilder& setY(double y);
    ViewFrameBuilder& setOriginWithX(double x, double y);
    ViewFrameBuilder& moveWithOffsetX(double dx);
    ViewFrameBuilder& moveWithOffsetY(double dy);
    ViewFrameBuilder& moveWithOffsetX(double dx, double dy);
    ViewFrameBuilder& setWidth(double width);
    ViewFrameBuilder& setHeight(double height);
    // Puts the origin at (0, 0) as well.
    ViewFrameBuilder& setSize(ui::Size size);
    // Keeps the origin.
    ViewFrameBuilder& setSizeWithWidth(double width, double height);
    ViewFrameBuilder& setSizeToFitWidth();
    ViewFrameBuilder& setSizeToFitHeight();
    ViewFrameBuilder& centerHorizontallyInSuperview();
    ViewFrameBuilder& centerVerticallyInSuperview();
    ViewFrameBuilder& centerInSuperview();
    ViewFrameBuilder& alignToTopInSuperviewWithInsets(const ui::EdgeInsets& insets);
    ViewFrameBuilder& alignToBottomInSuperviewWithInsets(const ui::EdgeInsets& insets);
    ViewFrameBuilder& alignLeftInSuperviewWithInsets(const ui::EdgeInsets& insets);
    ViewFrameBuilder& alignRightInSuperviewWithInsets(const ui::EdgeInsets& insets);
    ViewFrameBuilder& alignToTopInSuperviewWithInset(double inset);
    ViewFrameBuilder& alignToBottomInSuperviewWithInset(double inset);
    ViewFrameBuilder& alignLeftInSuperviewWithInset(double inset);
    ViewFrameBuilder& alignRightInSuperviewWithInset(double inset);
    // Other edge values leave the frame as it is.
    ViewFrameBuilder& alignToView(const ui::View& other, int edge, double offset);
    ViewFrameBuilder& alignToTopOfView(const ui::View& other, double offset);
    ViewFrameBuilder& alignToBottomOfView(const ui::View& other, double offset);
    ViewFrameBuilder& alignLeftOfView(const ui::View& other, double offset);
    ViewFrameBuilder& alignRightOfView(const ui::View& other, double offset);

    // Several views at once: each view after the first goes below (or to the right
    // of) the one before it, with the spacing the block gives for the pair.
    using SpacingBlock = std::function<double(ui::View& previous, ui::View& view)>;
    static void alignViewsVertically(const std::vector<std::shared_ptr<ui::View>>& views,
                                     const SpacingBlock& spacing);
    static void alignViewsVertically(const std::vector<std::shared_ptr<ui::View>>& views,
                                     double spacing);
    static void alignViewsHorizontally(const std::vector<std::shared_ptr<ui::View>>& views,
                                       const SpacingBlock& spacing);
    static void alignViewsHorizontally(const std::vector<std::shared_ptr<ui::View>>& views,
                                       double spacing);
    static void sizeToFitViews(const std::vector<std::shared_ptr<ui::View>>& views);

private:
    // The superview's bounds size; zero without a superview (or a view).
    [[nodiscard]] ui::Size superviewSize() const;
    ViewFrameBuilder& edit(const std::function<void(ui::Rect&)>& change);
    ViewFrameBuilder& placeInSuperview(double x, double y);

    std::weak_ptr<ui::View> view_;
    ui::Rect frame_;
    bool autoCommit_ = true;
};

// Every view's builder: a new one on every call.
[[nodiscard]] ViewFrameBuilder vf_frameBuilder(ui::View& view);
