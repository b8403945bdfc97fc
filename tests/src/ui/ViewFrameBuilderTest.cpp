#include "WidgetTest.h"

#include "platform/uikit/label.h"
#include "platform/uikit/view.h"
#include "ui/widgets/ViewFrameBuilder.h"

namespace {

using ui::Rect;
using ui::View;

class ViewFrameBuilderTest : public WidgetTest {
protected:
    std::shared_ptr<View> superview = std::make_shared<View>(Rect(0, 0, 320, 480));
    std::shared_ptr<View> view = std::make_shared<View>(Rect(10, 20, 101, 40));

    void SetUp() override {
        WidgetTest::SetUp();
        superview->addSubview(view);
    }
};

// Counts the frames a view is given.
class CountingView : public View {
public:
    using View::View;
    void setFrame(const Rect& frame) override {
        ++frames;
        View::setFrame(frame);
    }
    int frames = 0;
};

TEST_F(ViewFrameBuilderTest, GroupsCommitOnceAtTheEndAndUpdateLeavesAutoCommitOff) {
    auto counted = std::make_shared<CountingView>(Rect(0, 0, 10, 10));
    auto builder = ViewFrameBuilder::frameBuilderForView(counted);
    builder.setWidth(50);
    EXPECT_EQ(counted->frame(), Rect(0, 0, 50, 10));
    EXPECT_EQ(counted->frames, 1);

    builder.performChangesInGroupWithBlock([&] {
        builder.setX(5).setHeight(30).moveWithOffsetY(7);
        EXPECT_EQ(counted->frame(), Rect(0, 0, 50, 10));
    });
    EXPECT_EQ(counted->frame(), Rect(5, 7, 50, 30));
    EXPECT_EQ(counted->frames, 2);
    EXPECT_TRUE(builder.automaticallyCommitChanges());

    builder.update([](ViewFrameBuilder& b) { b.setY(100); });
    EXPECT_EQ(counted->frame().origin.y, 100);
    EXPECT_FALSE(builder.automaticallyCommitChanges());
    builder.setX(99);
    EXPECT_EQ(counted->frame().origin.x, 5);
    builder.commit();
    EXPECT_EQ(counted->frame().origin.x, 99);

    // Pending edits are dropped by reset.
    builder.setWidth(1).reset();
    EXPECT_EQ(builder.frame(), counted->frame());
}

TEST_F(ViewFrameBuilderTest, SetSizeDropsTheOriginWhileTheTwoValueFormKeepsIt) {
    vf_frameBuilder(*view).setSizeWithWidth(30, 31);
    EXPECT_EQ(view->frame(), Rect(10, 20, 30, 31));
    vf_frameBuilder(*view).setSize({40, 41});
    EXPECT_EQ(view->frame(), Rect(0, 0, 40, 41));
}

TEST_F(ViewFrameBuilderTest, CentringRoundsHalvesAwayFromZeroAndNeedsASuperview) {
    vf_frameBuilder(*view).centerHorizontallyInSuperview();
    EXPECT_EQ(view->frame().origin.x, 110);  // 109.5
    vf_frameBuilder(*view).setHeight(41).centerVerticallyInSuperview();
    EXPECT_EQ(view->frame().origin.y, 220);  // 219.5

    auto loose = std::make_shared<View>(Rect(3, 4, 10, 10));
    vf_frameBuilder(*loose).centerInSuperview();
    EXPECT_EQ(loose->frame(), Rect(3, 4, 10, 10));
    // Without a superview the superview's size counts as zero.
    vf_frameBuilder(*loose).alignToBottomInSuperviewWithInset(5);
    EXPECT_EQ(loose->frame().origin.y, -15);
    vf_frameBuilder(*loose).alignRightInSuperviewWithInset(2);
    EXPECT_EQ(loose->frame().origin.x, -12);
}

TEST_F(ViewFrameBuilderTest, SuperviewInsetsPlaceAgainstEachSide) {
    vf_frameBuilder(*view).alignToBottomInSuperviewWithInsets({2, 3, 10, 1});
    EXPECT_EQ(view->frame().origin, ui::Point(12, 480 - 40 + 2 - 10));
    vf_frameBuilder(*view).alignRightInSuperviewWithInset(15);
    EXPECT_EQ(view->frame().origin.x, 320 - 101 - 15);
    vf_frameBuilder(*view).alignLeftInSuperviewWithInset(4).alignToTopInSuperviewWithInset(6);
    EXPECT_EQ(view->frame().origin, ui::Point(4, 6));
}

TEST_F(ViewFrameBuilderTest, AlignsToAViewInAnotherSuperviewThroughTheirCoordinates) {
    auto box = std::make_shared<View>(Rect(50, 100, 200, 200));
    superview->addSubview(box);
    auto inner = std::make_shared<View>(Rect(10, 10, 50, 20));
    box->addSubview(inner);
    // inner spans (60, 110)-(110, 130) in the shared superview.
    vf_frameBuilder(*view).alignToBottomOfView(*inner, 5);
    EXPECT_EQ(view->frame().origin.y, 135);
    vf_frameBuilder(*view).alignRightOfView(*inner, 2);
    EXPECT_EQ(view->frame().origin.x, 112);
    vf_frameBuilder(*view).alignToTopOfView(*inner, 0);
    EXPECT_EQ(view->frame().origin.y, 110 - 40);
    vf_frameBuilder(*view).alignLeftOfView(*inner, 1);
    EXPECT_EQ(view->frame().origin.x, 60 - 1 - 101);

    const Rect before = view->frame();
    vf_frameBuilder(*view).alignToView(*inner, 4, 10);
    vf_frameBuilder(*view).alignToView(*inner, -1, 10);
    EXPECT_EQ(view->frame(), before);

    // A view without a superview stands for the zero rectangle.
    auto orphan = std::make_shared<View>(Rect(70, 70, 10, 10));
    vf_frameBuilder(*view).alignToBottomOfView(*orphan, 3);
    EXPECT_EQ(view->frame().origin.y, 3);
}

TEST_F(ViewFrameBuilderTest, StacksViewsWithTheSpacingOfEachPair) {
    std::vector<std::shared_ptr<View>> views;
    for (int i = 0; i < 3; ++i) {
        views.push_back(std::make_shared<View>(Rect(7 + i, 10, 20, 10 + i)));
        superview->addSubview(views.back());
    }
    int pairs = 0;
    ViewFrameBuilder::alignViewsVertically(views, [&](View&, View& next) {
        ++pairs;
        return next.frame().size.height;
    });
    EXPECT_EQ(pairs, 2);
    EXPECT_EQ(views[0]->frame().origin, ui::Point(7, 10));  // the first stays
    EXPECT_EQ(views[1]->frame().origin, ui::Point(8, 10 + 10 + 11));
    EXPECT_EQ(views[2]->frame().origin, ui::Point(9, 31 + 11 + 12));

    ViewFrameBuilder::alignViewsHorizontally(views, 4);
    EXPECT_EQ(views[1]->frame().origin.x, 7 + 20 + 4);
    EXPECT_EQ(views[2]->frame().origin.x, 31 + 20 + 4);
    ViewFrameBuilder::alignViewsVertically(views, ViewFrameBuilder::SpacingBlock());
    EXPECT_EQ(views[1]->frame().origin.y, 20);
}

TEST_F(ViewFrameBuilderTest, FitsTheViewsOwnSizeOnOneAxis) {
    auto label = std::make_shared<ui::Label>(Rect(5, 5, 10, 30));
    label->setText(QStringLiteral("经纪人"));
    label->setFont(ui::Font::systemFontOfSize(14));
    vf_frameBuilder(*label).setSizeToFitWidth();
    EXPECT_EQ(label->frame(), Rect(5, 5, 42, 30));
}

TEST_F(ViewFrameBuilderTest, ABuilderNeverKeepsItsViewAlive) {
    auto builder = vf_frameBuilder(*view);
    builder.disableAutoCommit().setWidth(5);
    view->removeFromSuperview();
    std::weak_ptr<View> gone = view;
    view.reset();
    EXPECT_TRUE(gone.expired());
    builder.commit();
    builder.enableAutoCommit().setSizeToFitHeight().centerInSuperview().reset();
    EXPECT_EQ(builder.view(), nullptr);
}

}  // namespace
