#include "platform/uikit/color.h"
#include "platform/uikit/geometry.h"
#include "platform/uikit/transform3d.h"

#include <gtest/gtest.h>

#include <numbers>

namespace {

using ui::AffineTransform;
using ui::Point;
using ui::Rect;

TEST(GeometryTest, TextFormsRoundTripAndToleratePlatformSpacing) {
    EXPECT_EQ(ui::stringFromPoint({10, 20.5}), "{10, 20.5}");
    EXPECT_EQ(ui::stringFromSize({320, 480}), "{320, 480}");
    EXPECT_EQ(ui::stringFromRect({0, 64, 320, 416}), "{{0, 64}, {320, 416}}");
    EXPECT_EQ(ui::stringFromRange({3, 11}), "{3, 11}");

    EXPECT_EQ(ui::pointFromString("{10, 20.5}"), (Point{10, 20.5}));
    EXPECT_EQ(ui::pointFromString("{-3,4e1}"), (Point{-3, 40}));
    EXPECT_EQ(ui::rectFromString("{{1, 2}, {3, 4}}"), (Rect{1, 2, 3, 4}));
    EXPECT_EQ(ui::sizeFromString("{0.5,1}"), (ui::Size{0.5, 1}));
    EXPECT_EQ(ui::rangeFromString("{7, 2}"), (ui::Range{7, 2}));
    // Malformed texts read as zeros.
    EXPECT_EQ(ui::pointFromString("{1}"), (Point{}));
    EXPECT_EQ(ui::rectFromString("garbage"), (Rect{}));
}

TEST(GeometryTest, RectangleOperationsFollowThePlatformsEdgeRules) {
    const Rect r{10, 10, 20, 20};
    EXPECT_TRUE(r.contains(Point{10, 10}));
    EXPECT_FALSE(r.contains(Point{30, 30}));  // the far edges are outside
    EXPECT_TRUE(r.intersects(Rect{29, 29, 5, 5}));
    EXPECT_FALSE(r.intersects(Rect{30, 10, 5, 5}));  // touching is not intersecting
    EXPECT_TRUE(r.intersection(Rect{40, 40, 1, 1}).isNull());
    EXPECT_EQ(r.intersection(Rect{0, 0, 15, 15}), (Rect{10, 10, 5, 5}));
    EXPECT_EQ(r.united(Rect{0, 0, 5, 5}), (Rect{0, 0, 30, 30}));
    EXPECT_EQ((Rect{10, 10, -4, 6}).standardized(), (Rect{6, 10, 4, 6}));
    EXPECT_EQ((Rect{0.4, 0.6, 10.2, 1}).integral(), (Rect{0, 0, 11, 2}));
    EXPECT_TRUE((Rect{0, 0, 2, 2}).insetBy(2, 0).isNull());
    EXPECT_EQ((ui::EdgeInsets{1, 2, 3, 4}).insetRect(Rect{0, 0, 10, 10}), (Rect{2, 1, 4, 6}));
}

TEST(GeometryTest, AffineTransformsComposeInThePlatformsOrder) {
    const auto rotate = AffineTransform::makeRotation(std::numbers::pi / 2);
    const Point p = rotate.apply(Point{1, 0});
    // Positive angles turn clockwise on a y-down screen.
    EXPECT_NEAR(p.x, 0, 1e-12);
    EXPECT_NEAR(p.y, 1, 1e-12);

    // Scaling a translation scales first, then translates.
    const auto t = AffineTransform::makeTranslation(10, 0).scale(2, 2);
    EXPECT_EQ(t.apply(Point{1, 1}), (Point{12, 2}));
    EXPECT_EQ(t.inverted().apply(Point{12, 2}), (Point{1, 1}));
    EXPECT_EQ(AffineTransform::makeScale(2, 3).apply(Rect{1, 1, 2, 2}), (Rect{2, 3, 4, 6}));

    const auto z = ui::Transform3D::makeRotation(std::numbers::pi / 2, 0, 0, 1);
    EXPECT_TRUE(z.isAffine());
    EXPECT_NEAR(z.affine().b, rotate.b, 1e-12);
    EXPECT_NEAR(z.affine().c, rotate.c, 1e-12);
}

TEST(GeometryTest, ColoursTakeBothComponentFormsAndNilDiffersFromClear) {
    EXPECT_EQ(ui::Color::rgb(247, 127, 0), ui::Color::colorWithRed(247 / 255.0, 127 / 255.0, 0));
    EXPECT_FALSE(ui::Color().isValid());
    EXPECT_TRUE(ui::Color::clearColor().isValid());
    EXPECT_TRUE(ui::Color::clearColor().isInvisible());
    EXPECT_NE(ui::Color(), ui::Color::clearColor());
    EXPECT_DOUBLE_EQ(ui::Color::colorWithWhite(0.92).colorWithAlphaComponent(0.5).alpha(), 0.5);
    EXPECT_EQ(ui::Color::rgb(0, 0, 0, 1).interpolated(ui::Color::rgb(255, 255, 255), 0.5),
              ui::Color::colorWithWhite(0.5));
}

}  // namespace
