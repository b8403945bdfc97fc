#include "UIKitTest.h"

#include "platform/uikit/screen.h"
#include "platform/uikit/view.h"
#include "platform/uikit/window.h"

#include <numbers>

namespace {

using ui::Point;
using ui::Rect;
using ui::View;

class ViewTreeTest : public UIKitTest {};

std::shared_ptr<View> makeView(const Rect& frame, int tag = 0) {
    auto view = std::make_shared<View>(frame);
    view->setTag(tag);
    return view;
}

std::vector<int> tagsOf(const View& view) {
    std::vector<int> tags;
    for (const auto& subview : view.subviews()) tags.push_back(subview->tag());
    return tags;
}

std::vector<const ui::Layer*> layersOf(const View& view) {
    std::vector<const ui::Layer*> layers;
    for (const auto& sublayer : view.layer()->sublayers()) layers.push_back(sublayer.get());
    return layers;
}

TEST_F(ViewTreeTest, SubviewOrderOperationsKeepLayersInTheSameOrder) {
    auto root = makeView({0, 0, 100, 100});
    auto a = makeView({}, 1), b = makeView({}, 2), c = makeView({}, 3), d = makeView({}, 4);
    root->addSubview(a);
    root->addSubview(b);
    root->insertSubviewAtIndex(c, 0);
    root->insertSubviewAboveSubview(d, c.get());
    EXPECT_EQ(tagsOf(*root), (std::vector<int>{3, 4, 1, 2}));
    root->bringSubviewToFront(c.get());
    root->sendSubviewToBack(b.get());
    EXPECT_EQ(tagsOf(*root), (std::vector<int>{2, 4, 1, 3}));
    root->insertSubviewBelowSubview(b, a.get());  // moving within the same superview
    EXPECT_EQ(tagsOf(*root), (std::vector<int>{4, 2, 1, 3}));
    root->exchangeSubviewAtIndex(0, 3);
    EXPECT_EQ(tagsOf(*root), (std::vector<int>{3, 2, 1, 4}));

    // A stand-alone sublayer sits among the subviews' layers; a view brought to
    // the front goes above it, as added views do.
    auto extra = ui::Layer::layer();
    root->layer()->addSublayer(extra);
    root->bringSubviewToFront(b.get());
    EXPECT_EQ(layersOf(*root), (std::vector<const ui::Layer*>{c->layer(), a->layer(), d->layer(),
                                                              extra.get(), b->layer()}));
    root->sendSubviewToBack(b.get());
    EXPECT_EQ(layersOf(*root).front(), b->layer());

    // Adding to another superview moves it.
    auto other = makeView({});
    other->addSubview(a);
    EXPECT_EQ(a->superview(), other.get());
    EXPECT_EQ(tagsOf(*root), (std::vector<int>{2, 3, 4}));
    a->removeFromSuperview();
    EXPECT_EQ(a->superview(), nullptr);
    EXPECT_EQ(a->layer()->superlayer(), nullptr);
}

TEST_F(ViewTreeTest, ViewWithTagSearchesDepthFirstStartingWithItself) {
    auto root = makeView({}, 7);
    auto child = makeView({}, 1);
    auto grandchild = makeView({}, 2);
    auto later = makeView({}, 2);
    root->addSubview(child);
    child->addSubview(grandchild);
    root->addSubview(later);
    EXPECT_EQ(root->viewWithTag(7), root.get());
    EXPECT_EQ(root->viewWithTag(2), grandchild.get());
    EXPECT_EQ(root->viewWithTag(99), nullptr);
}

TEST_F(ViewTreeTest, ChildrenOutlivingTheirSuperviewForgetIt) {
    auto child = makeView({}, 1);
    {
        auto parent = makeView({});
        parent->addSubview(child);
        EXPECT_EQ(child->superview(), parent.get());
    }
    EXPECT_EQ(child->superview(), nullptr);
    EXPECT_EQ(child->layer()->superlayer(), nullptr);
}

class TreeRecorder : public View {
public:
    using View::View;
    std::vector<std::string> events;
    int layouts = 0;
    void willMoveToWindow(ui::Window* window) override {
        events.push_back(window ? "willMoveToWindow" : "willLeaveWindow");
    }
    void didMoveToWindow() override {
        events.push_back(window() ? "didMoveToWindow" : "didLeaveWindow");
    }
    void didMoveToSuperview() override { events.push_back("didMoveToSuperview"); }
    void layoutSubviews() override { ++layouts; }
};

TEST_F(ViewTreeTest, WindowMovesAreAnnouncedToTheWholeSubtree) {
    auto window = std::make_shared<ui::Window>();
    auto container = std::make_shared<TreeRecorder>();
    auto leaf = std::make_shared<TreeRecorder>();
    container->addSubview(leaf);
    EXPECT_EQ(leaf->window(), nullptr);
    window->addSubview(container);
    EXPECT_EQ(leaf->window(), window.get());
    EXPECT_EQ(leaf->events, (std::vector<std::string>{"didMoveToSuperview", "willMoveToWindow",
                                                      "didMoveToWindow"}));
    container->removeFromSuperview();
    EXPECT_EQ(leaf->events.back(), "didLeaveWindow");
    EXPECT_EQ(container->events.back(), "didMoveToSuperview");
}

TEST_F(ViewTreeTest, FrameBoundsAndCenterDescribeTheSameGeometry) {
    auto view = makeView({10, 20, 100, 50});
    EXPECT_EQ(view->center(), (Point{60, 45}));
    EXPECT_EQ(view->bounds(), (Rect{0, 0, 100, 50}));
    view->setCenter({100, 100});
    EXPECT_EQ(view->frame(), (Rect{50, 75, 100, 50}));
    view->setBounds({0, 0, 40, 40});
    EXPECT_EQ(view->frame(), (Rect{80, 80, 40, 40}));

    // A transform changes the frame, not the bounds.
    view->setTransform(ui::AffineTransform::makeScale(2, 2));
    EXPECT_EQ(view->frame(), (Rect{60, 60, 80, 80}));
    EXPECT_EQ(view->bounds().size, (ui::Size{40, 40}));
    view->setFrame({0, 0, 80, 120});
    EXPECT_EQ(view->bounds().size, (ui::Size{40, 60}));
    EXPECT_EQ(view->frame(), (Rect{0, 0, 80, 120}));
}

TEST_F(ViewTreeTest, ConversionFollowsBoundsOriginsAndTransforms) {
    auto window = std::make_shared<ui::Window>();
    auto scroller = makeView({0, 64, 320, 200});
    auto row = makeView({10, 300, 100, 40});
    window->addSubview(scroller);
    scroller->addSubview(row);
    // Scrolling is moving the bounds origin.
    scroller->setBounds({0, 250, 320, 200});
    EXPECT_EQ(row->convertPointToView({0, 0}, nullptr), (Point{10, 114}));
    EXPECT_EQ(window->convertPointToView({10, 114}, row.get()), (Point{0, 0}));
    EXPECT_EQ(row->convertRectToView({0, 0, 100, 40}, scroller.get()), (Rect{10, 300, 100, 40}));

    auto sibling = makeView({200, 0, 100, 100});
    window->addSubview(sibling);
    sibling->setTransform(ui::AffineTransform::makeRotation(std::numbers::pi));
    // The top-left corner of a half-turned view is its bottom-right on screen.
    const Point corner = sibling->convertPointToView({0, 0}, window.get());
    EXPECT_NEAR(corner.x, 300, 1e-9);
    EXPECT_NEAR(corner.y, 100, 1e-9);
    const Point back = sibling->convertPointFromView(corner, nullptr);
    EXPECT_NEAR(back.x, 0, 1e-9);
    EXPECT_NEAR(back.y, 0, 1e-9);
}

class RoundButton : public View {
public:
    using View::View;
    bool pointInside(Point point, const ui::Event*) const override {
        const double dx = point.x - bounds().size.width / 2;
        const double dy = point.y - bounds().size.height / 2;
        return dx * dx + dy * dy <= 20 * 20;
    }
};

TEST_F(ViewTreeTest, HitTestingHonoursVisibilityInteractionClippingAndOverrides) {
    auto window = std::make_shared<ui::Window>();
    auto panel = makeView({0, 0, 200, 200}, 1);
    auto child = makeView({10, 10, 50, 50}, 2);
    auto overhang = makeView({150, 150, 100, 100}, 3);  // reaches past the panel
    auto round = std::make_shared<RoundButton>(Rect{100, 0, 40, 40});
    window->addSubview(panel);
    panel->addSubview(child);
    panel->addSubview(overhang);
    panel->addSubview(round);

    EXPECT_EQ(window->hitTest({20, 20}, nullptr), child.get());
    EXPECT_EQ(window->hitTest({100, 100}, nullptr), panel.get());

    child->setHidden(true);
    EXPECT_EQ(window->hitTest({20, 20}, nullptr), panel.get());
    child->setHidden(false);
    child->setAlpha(0.009);
    EXPECT_EQ(window->hitTest({20, 20}, nullptr), panel.get());
    child->setAlpha(0.01);
    EXPECT_EQ(window->hitTest({20, 20}, nullptr), child.get());
    child->setUserInteractionEnabled(false);
    EXPECT_EQ(window->hitTest({20, 20}, nullptr), panel.get());

    // Inside the panel the overhang is hit; outside it, not, clipped or not.
    EXPECT_EQ(window->hitTest({160, 160}, nullptr), overhang.get());
    EXPECT_EQ(window->hitTest({220, 220}, nullptr), window.get());
    panel->setClipsToBounds(true);
    EXPECT_EQ(window->hitTest({220, 220}, nullptr), window.get());
    EXPECT_EQ(window->hitTest({160, 160}, nullptr), overhang.get());

    // The overridden test makes the square's corners miss.
    EXPECT_EQ(window->hitTest({120, 20}, nullptr), round.get());
    EXPECT_EQ(window->hitTest({101, 1}, nullptr), panel.get());

    // Interaction off on a container hides its whole subtree.
    panel->setUserInteractionEnabled(false);
    EXPECT_EQ(window->hitTest({120, 20}, nullptr), window.get());
}

TEST_F(ViewTreeTest, AutoresizingSharesTheChangeAmongFlexibleParts) {
    auto parent = makeView({0, 0, 320, 480});
    auto bar = makeView({0, 428, 320, 52});
    bar->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleTopMargin);
    auto fill = makeView({10, 10, 300, 400});
    fill->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
    auto centred = makeView({110, 0, 100, 10});
    centred->setAutoresizingMask(ui::kAutoresizingFlexibleLeftMargin |
                                 ui::kAutoresizingFlexibleRightMargin);
    auto fixed = makeView({5, 5, 5, 5});
    parent->addSubview(bar);
    parent->addSubview(fill);
    parent->addSubview(centred);
    parent->addSubview(fixed);

    parent->setFrame({0, 0, 320, 568});
    EXPECT_EQ(bar->frame(), (Rect{0, 516, 320, 52}));
    EXPECT_EQ(fill->frame(), (Rect{10, 10, 300, 488}));
    EXPECT_EQ(fixed->frame(), (Rect{5, 5, 5, 5}));
    parent->setFrame({0, 0, 420, 568});
    EXPECT_EQ(centred->frame(), (Rect{160, 0, 100, 10}));

    parent->setAutoresizesSubviews(false);
    parent->setFrame({0, 0, 100, 100});
    EXPECT_EQ(fill->frame(), (Rect{10, 10, 400, 488}));
}

TEST_F(ViewTreeTest, LayoutRunsOncePerRequestAndOnSizeChanges) {
    auto parent = std::make_shared<TreeRecorder>(Rect{0, 0, 100, 100});
    auto child = std::make_shared<TreeRecorder>(Rect{0, 0, 10, 10});
    parent->addSubview(child);
    parent->layoutIfNeeded();
    EXPECT_EQ(parent->layouts, 1);
    EXPECT_EQ(child->layouts, 1);
    parent->layoutIfNeeded();
    EXPECT_EQ(parent->layouts, 1);

    child->setNeedsLayout();
    parent->layoutIfNeeded();  // reaches the child below
    EXPECT_EQ(parent->layouts, 1);
    EXPECT_EQ(child->layouts, 2);

    child->setFrame({5, 5, 10, 10});  // moving keeps the size: no layout
    child->setFrame({5, 5, 20, 10});
    parent->layoutIfNeeded();
    EXPECT_EQ(child->layouts, 3);
}

class Sized : public View {
public:
    using View::View;
    [[nodiscard]] ui::Size sizeThatFits(ui::Size) const override { return {30, 12}; }
};

TEST_F(ViewTreeTest, SizeToFitKeepsTheOriginAndTakesTheFittingSize) {
    auto view = std::make_shared<Sized>(Rect{7, 9, 100, 100});
    view->sizeToFit();
    EXPECT_EQ(view->frame(), (Rect{7, 9, 30, 12}));
    auto plain = makeView({1, 2, 3, 4});
    plain->sizeToFit();
    EXPECT_EQ(plain->frame(), (Rect{1, 2, 3, 4}));
}

TEST_F(ViewTreeTest, AssociatedValuesClassNamesAndLayerProperties) {
    auto view = std::make_shared<Sized>();
    view->setAssociatedValue("imageURL", QString("http://host/a.png"));
    ASSERT_NE(view->associated<QString>("imageURL"), nullptr);
    EXPECT_EQ(*view->associated<QString>("imageURL"), "http://host/a.png");
    EXPECT_EQ(view->associated<int>("imageURL"), nullptr);  // wrong type reads as absent
    view->setAssociatedValue("imageURL", {});
    EXPECT_EQ(view->associatedValue("imageURL"), nullptr);

    EXPECT_EQ(view->className(), "Sized");
    EXPECT_EQ(std::make_shared<ui::Window>()->className(), "Window");

    ui::Layer* layer = view->layer();
    layer->setCornerRadius(12);
    layer->setBorderWidth(1);
    layer->setBorderColor(ui::Color::redColor());
    layer->setShadowOpacity(0.5);
    layer->setMasksToBounds(true);
    layer->setZPosition(-4000);
    EXPECT_TRUE(view->clipsToBounds());
    EXPECT_EQ(layer->cornerRadius(), 12);
    EXPECT_EQ(layer->zPosition(), -4000);
    EXPECT_EQ(layer->shadowOffset(), (ui::Size{0, -3}));
}

class Focusable : public View {
public:
    bool canBecomeFirstResponder() const override { return true; }
};

class Stubborn : public Focusable {
public:
    bool canResignFirstResponder() const override { return false; }
};

TEST_F(ViewTreeTest, FirstResponderNeedsAWindowAndTheConsentOfTheCurrentOne) {
    auto window = std::make_shared<ui::Window>();
    auto first = std::make_shared<Focusable>();
    auto stubborn = std::make_shared<Stubborn>();
    auto plain = makeView({});
    EXPECT_FALSE(first->becomeFirstResponder());  // no window yet
    window->addSubview(first);
    window->addSubview(stubborn);
    window->addSubview(plain);
    EXPECT_FALSE(plain->becomeFirstResponder());
    EXPECT_TRUE(first->becomeFirstResponder());
    EXPECT_TRUE(first->isFirstResponder());
    EXPECT_TRUE(stubborn->becomeFirstResponder());
    EXPECT_FALSE(first->becomeFirstResponder());  // the stubborn one keeps it
    EXPECT_EQ(window->firstResponder(), stubborn.get());

    // Leaving the window gives it up.
    auto other = std::make_shared<Focusable>();
    window->addSubview(other);
    window->clearFirstResponder();
    EXPECT_TRUE(other->becomeFirstResponder());
    other->removeFromSuperview();
    EXPECT_EQ(window->firstResponder(), nullptr);

    // The chain goes up through the superviews, or a controller that claims the view.
    EXPECT_EQ(plain->nextResponder(), window.get());
    auto controller = std::make_shared<Focusable>();
    plain->setViewControllerResponder(controller);
    EXPECT_EQ(plain->nextResponder(), controller.get());
}

TEST_F(ViewTreeTest, WindowsFillTheScreenOfEitherHeight) {
    EXPECT_EQ(std::make_shared<ui::Window>()->frame(), (Rect{0, 0, 320, 480}));
    ui::Screen::mainScreen().setHeight(ui::Screen::kTallHeight);
    EXPECT_EQ(std::make_shared<ui::Window>()->frame(), (Rect{0, 0, 320, 568}));
    EXPECT_EQ(ui::Screen::mainScreen().applicationFrame(), (Rect{0, 20, 320, 548}));
    ui::Screen::mainScreen().setHeight(ui::Screen::kHeight);
    EXPECT_EQ(ui::Screen::mainScreen().scale(), 2);
}

}  // namespace
