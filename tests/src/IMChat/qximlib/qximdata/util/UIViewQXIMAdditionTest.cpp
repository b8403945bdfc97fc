#include "IMChat/qximlib/qximdata/util/UIView+QXIMAddition.h"

#include "platform/uikit/view.h"

#include <gtest/gtest.h>

namespace {

using namespace UIViewQXIMAddition;

TEST(UIViewQXIMAdditionTest, DistancesToTheSuperviewsFarEdgesReadAndWrite) {
    auto parent = std::make_shared<ui::View>(ui::Rect(0, 0, 320, 480));
    auto view = std::make_shared<ui::View>(ui::Rect(10, 20, 20, 30));
    parent->addSubview(view);
    EXPECT_EQ(rightToSuper(view.get()), 290);
    EXPECT_EQ(bottomToSuper(view.get()), 430);
    setRightToSuper(view.get(), 100);
    setBottomToSuper(view.get(), 50);
    EXPECT_EQ(view->frame(), ui::Rect(200, 400, 20, 30));
    // Without a superview the far edges are at zero.
    auto alone = std::make_shared<ui::View>(ui::Rect(10, 20, 20, 30));
    EXPECT_EQ(rightToSuper(alone.get()), -30);
    setBottomToSuper(alone.get(), 0);
    EXPECT_EQ(top(alone.get()), -30);
}

TEST(UIViewQXIMAdditionTest, EachSetterChangesOnlyWhatItNames) {
    auto view = std::make_shared<ui::View>(ui::Rect(10, 20, 40, 60));
    setRight(view.get(), 100);  // moves, keeps the width
    EXPECT_EQ(view->frame(), ui::Rect(60, 20, 40, 60));
    setBottom(view.get(), 100);
    EXPECT_EQ(view->frame(), ui::Rect(60, 40, 40, 60));
    setWidth(view.get(), 10);  // keeps the origin, not the centre
    EXPECT_EQ(view->frame(), ui::Rect(60, 40, 10, 60));
    setCenterX(view.get(), 0);
    EXPECT_EQ(view->frame(), ui::Rect(-5, 40, 10, 60));
    setCenterY(view.get(), 0);
    EXPECT_EQ(view->frame(), ui::Rect(-5, -30, 10, 60));
    setSize(view.get(), {4, 6});
    EXPECT_EQ(view->frame(), ui::Rect(-5, -30, 4, 6));
    setOrigin(view.get(), {1, 2});
    EXPECT_EQ(view->frame(), ui::Rect(1, 2, 4, 6));
    EXPECT_EQ(centerX(view.get()), 3);
    EXPECT_EQ(bottom(view.get()), 8);
}

TEST(UIViewQXIMAdditionTest, AMissingViewReadsZeroAndIgnoresWrites) {
    EXPECT_EQ(right(nullptr), 0);
    EXPECT_EQ(centerY(nullptr), 0);
    EXPECT_EQ(rightToSuper(nullptr), 0);
    EXPECT_EQ(size(nullptr), ui::Size());
    setLeft(nullptr, 5);
    setRightToSuper(nullptr, 5);
    setCenterX(nullptr, 5);
}

TEST(UIViewQXIMAdditionTest, RectanglesReplaceOneComponent) {
    const ui::Rect rect(1, 2, 3, 4);
    EXPECT_EQ(rectWithSize({5, 6}), ui::Rect(0, 0, 5, 6));
    EXPECT_EQ(rectWithWidth(rect, 9), ui::Rect(1, 2, 9, 4));
    EXPECT_EQ(rectWithHeight(rect, 9), ui::Rect(1, 2, 3, 9));
    EXPECT_EQ(rectWithOrigin(rect, {7, 8}), ui::Rect(7, 8, 3, 4));
    EXPECT_EQ(rectWithX(rect, -1), ui::Rect(-1, 2, 3, 4));
    EXPECT_EQ(rectWithY(rect, -1), ui::Rect(1, -1, 3, 4));
}

}  // namespace
