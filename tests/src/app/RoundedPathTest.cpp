#include "app/categories/UIView+UIDrawRounded.h"

#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const ui::Rect kRect(10.7, 20.2, 100.5, 50.9);

// Fills the path a builder makes in a 130 x 90 picture at one pixel per point.
QImage filled(const std::function<void(ui::GraphicsContext&)>& build) {
    ui::GraphicsContext::beginImageContextWithOptions(ui::Size(130, 90), false, 1);
    ui::GraphicsContext& context = *ui::GraphicsContext::current();
    context.setShouldAntialias(false);
    context.setFillColor(ui::Color::blackColor());
    build(context);
    context.fillPath();
    auto image = ui::GraphicsContext::imageFromCurrentImageContext();
    ui::GraphicsContext::endImageContext();
    return image->pixels();
}

bool inked(const QImage& image, int x, int y) {
    return image.pixelColor(x, y).alpha() > 0;
}

TEST(RoundedPaths, EdgesAreCutToWholePointsAndOnlyTheAskedCornersAreRound) {
    const QImage all = filled([](auto& c) { UIDrawRounded::CGContextAddRoundedRect(c, kRect, 6); });
    // Edges at x 10 and 111, y 20 and 71.
    EXPECT_TRUE(inked(all, 10, 45));
    EXPECT_FALSE(inked(all, 9, 45));
    EXPECT_TRUE(inked(all, 110, 45));
    EXPECT_FALSE(inked(all, 111, 45));
    EXPECT_TRUE(inked(all, 60, 20));
    EXPECT_FALSE(inked(all, 60, 19));
    EXPECT_TRUE(inked(all, 60, 70));
    EXPECT_FALSE(inked(all, 60, 71));
    for (const auto& [x, y] : {std::pair{10, 20}, {110, 20}, {110, 70}, {10, 70}}) {
        EXPECT_FALSE(inked(all, x, y)) << x << "," << y;
    }

    const QImage top =
        filled([](auto& c) { UIDrawRounded::CGContextAddTopRoundedRect(c, kRect, 6); });
    EXPECT_FALSE(inked(top, 10, 20));
    EXPECT_TRUE(inked(top, 10, 70));
    const QImage bottom =
        filled([](auto& c) { UIDrawRounded::CGContextAddBottomRoundedRect(c, kRect, 6); });
    EXPECT_TRUE(inked(bottom, 10, 20));
    EXPECT_FALSE(inked(bottom, 110, 70));
    const QImage topRight =
        filled([](auto& c) { UIDrawRounded::CGContextAddTopRightRoundedRect(c, kRect, 6); });
    EXPECT_TRUE(inked(topRight, 10, 20));
    EXPECT_FALSE(inked(topRight, 110, 20));
    EXPECT_TRUE(inked(topRight, 110, 70));
}

}  // namespace
