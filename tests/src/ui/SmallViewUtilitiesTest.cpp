#include "WidgetTest.h"

#include "platform/uikit/image.h"
#include "platform/uikit/window.h"
#include "ui/widgets/BoxBlur.h"
#include "ui/widgets/FloatView.h"
#include "ui/widgets/GradientView.h"
#include "ui/widgets/ProgressOverlayView.h"
#include "ui/widgets/SnapTools.h"
#include "ui/widgets/VerticallyAlignedLabel.h"

#include <QPainter>

namespace {

using ui::Rect;

class SmallViewUtilitiesTest : public WidgetTest {};

TEST_F(SmallViewUtilitiesTest, BlurStrengthChoosesAnOddBox) {
    EXPECT_EQ(BoxBlur::boxSizeForStrength(1.0), 161);
    EXPECT_EQ(BoxBlur::boxSizeForStrength(0.1), 17);
    EXPECT_EQ(BoxBlur::boxSizeForStrength(0), 1);
    EXPECT_EQ(BoxBlur::boxSizeForStrength(-0.01), 81);
    EXPECT_EQ(BoxBlur::boxSizeForStrength(1.01), 81);
}

TEST_F(SmallViewUtilitiesTest, BlurSpreadsAnEdgeAndGivesAnOpaqueImageOfScaleOne) {
    QImage halves(200, 20, QImage::Format_ARGB32);
    halves.fill(Qt::transparent);
    QPainter(&halves).fillRect(0, 0, 100, 20, Qt::white);
    auto source = ui::Image::imageWithQImage(halves, 2);

    auto same = blurredImage(*source, 0);
    ASSERT_NE(same, nullptr);
    EXPECT_EQ(same->scale(), 1);
    EXPECT_EQ(pixelAt(*same, 99, 10), QColor(Qt::white));
    EXPECT_EQ(pixelAt(*same, 100, 10), QColor(Qt::black));

    auto blurred = blurredImage(*source, 0.1);
    ASSERT_NE(blurred, nullptr);
    const int nearEdge = pixelAt(*blurred, 99, 10).red();
    EXPECT_GT(nearEdge, 60);
    EXPECT_LT(nearEdge, 200);
    // The edge pixels are extended: the far left stays white.
    EXPECT_EQ(pixelAt(*blurred, 0, 10).red(), 255);

    EXPECT_EQ(blurredImage(ui::Image(QImage(), 1, ui::ImageOrientation::Up), 0.5), nullptr);
}

TEST_F(SmallViewUtilitiesTest, CaptureDrawsTheViewAndItsSubviewsAtScreenScale) {
    auto view = std::make_shared<ui::View>(Rect(30, 40, 20, 10));
    view->setBackgroundColor(ui::Color::redColor());
    auto child = std::make_shared<ui::View>(Rect(10, 0, 10, 10));
    child->setBackgroundColor(ui::Color::blueColor());
    view->addSubview(child);
    auto image = capture(*view);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->size(), ui::Size(20, 10));
    EXPECT_EQ(image->pixels().width(), 40);
    EXPECT_EQ(pixelAt(*image, 5, 5), QColor(Qt::red));
    EXPECT_EQ(pixelAt(*image, 30, 5), QColor(Qt::blue));
}

TEST_F(SmallViewUtilitiesTest, FloatViewGoesThreeSecondsAfterItWasMadeShownOrNot) {
    writeBundleImage(QStringLiteral("tip-bg.png"), 20, 20, Qt::black);
    auto shown = FloatView::withMessage(Rect(60, 200, 200, 40), QStringLiteral("已收藏"));
    window().addSubview(shown);
    auto hidden = FloatView::withMessage(Rect(0, 0, 100, 40), QStringLiteral("未显示"));
    ASSERT_NE(shown->image(), nullptr);
    EXPECT_EQ(shown->image()->leftCapWidth(), 10);
    EXPECT_NE(driver().findByText(QStringLiteral("已收藏")), nullptr);
    run(2.9);
    EXPECT_EQ(shown->superview(), &window());
    run(0.1);
    EXPECT_EQ(shown->superview(), nullptr);
    EXPECT_EQ(driver().findByText(QStringLiteral("已收藏")), nullptr);

    // One dropped before its time is simply gone.
    auto early = FloatView::withMessage(Rect(0, 0, 100, 40), QStringLiteral("提前"));
    early.reset();
    run(3);
}

TEST_F(SmallViewUtilitiesTest, GradientViewPaintsBlueWithTheShadowStripUntilColoursAreSet) {
    writeBundleImage(QStringLiteral("title bar－阴影.png"), 4, 3, QColor(255, 0, 0));
    auto gradient = std::make_shared<GradientView>(Rect(0, 0, 100, 50));
    window().addSubview(gradient);
    auto shot = gradient->snapshotImage(1);
    EXPECT_EQ(pixelAt(*shot, 1, 1), QColor(255, 0, 0));  // the strip at the top left
    const QColor top = pixelAt(*shot, 50, 5);
    const QColor bottom = pixelAt(*shot, 50, 48);
    EXPECT_LT(top.blue() - 197, 10);
    EXPECT_GT(bottom.blue(), top.blue());
    EXPECT_GT(bottom.red(), top.red());

    gradient->setColors({1, 1, 1, 1, 0, 0, 0, 1}, 32);
    EXPECT_FALSE(gradient->selected());
    shot = gradient->snapshotImage(1);
    EXPECT_GT(pixelAt(*shot, 1, 1).green(), 240);
    EXPECT_LT(pixelAt(*shot, 50, 49).green(), 15);
}

TEST_F(SmallViewUtilitiesTest, GradientCellTypesRoundOnlyTheirCorners) {
    auto bottomRounded = std::make_shared<GradientView>(Rect(0, 0, 100, 50));
    bottomRounded->setSelected(false);
    bottomRounded->setCellType(GradientView::kBottomRounded);
    auto shot = bottomRounded->snapshotImage(1);
    EXPECT_EQ(pixelAt(*shot, 0, 0).alpha(), 255);
    EXPECT_EQ(pixelAt(*shot, 99, 0).alpha(), 255);
    EXPECT_EQ(pixelAt(*shot, 0, 49).alpha(), 0);
    EXPECT_EQ(pixelAt(*shot, 99, 49).alpha(), 0);

    bottomRounded->setCellType(GradientView::kAllRounded);
    shot = bottomRounded->snapshotImage(1);
    EXPECT_EQ(pixelAt(*shot, 0, 0).alpha(), 0);
    EXPECT_EQ(pixelAt(*shot, 50, 25).alpha(), 255);

    // Unknown types paint nothing.
    bottomRounded->setType(7);
    shot = bottomRounded->snapshotImage(1);
    EXPECT_EQ(pixelAt(*shot, 50, 25).alpha(), 0);
}

TEST_F(SmallViewUtilitiesTest, VerticallyAlignedLabelPutsItsLineAtTheChosenEdge) {
    VerticallyAlignedLabel label(Rect(0, 0, 200, 100));
    label.setFont(ui::Font::systemFontOfSize(14));
    label.setText(QStringLiteral("北京"));
    const Rect bounds(0, 0, 200, 100);
    const Rect top = label.textRectForBounds(bounds, 1);
    EXPECT_EQ(top.origin.y, 0);
    label.setVerticalAlignment(VerticallyAlignedLabel::kBottom);
    const Rect bottom = label.textRectForBounds(bounds, 1);
    EXPECT_EQ(bottom.origin.y + bottom.size.height, 100);
    label.setVerticalAlignment(VerticallyAlignedLabel::kMiddle);
    EXPECT_EQ(label.textRectForBounds(bounds, 1).origin.y, (100 - top.size.height) / 2);

    label.setHighlighted(true);
    EXPECT_EQ(label.shadowOffset(), ui::Size(0, 0));
    label.setHighlighted(false);
    EXPECT_EQ(label.shadowOffset(), ui::Size(0, 1));
}

TEST_F(SmallViewUtilitiesTest, VerticallyAlignedLabelDrawsAtTheBottom) {
    auto label = std::make_shared<VerticallyAlignedLabel>(Rect(0, 0, 100, 100));
    label->setText(QStringLiteral("底"));
    label->setVerticalAlignment(VerticallyAlignedLabel::kBottom);
    auto shot = label->snapshotImage(1);
    int firstInk = -1;
    for (int y = 0; y < 100 && firstInk < 0; ++y) {
        for (int x = 0; x < 100; ++x) {
            if (pixelAt(*shot, x, y).alpha() > 100) {
                firstInk = y;
                break;
            }
        }
    }
    EXPECT_GT(firstInk, 75);
}

TEST_F(SmallViewUtilitiesTest, ProgressOverlayFinishesOnceAndClampsItsValues) {
    auto overlay = std::make_shared<ProgressOverlayView>(Rect(0, 0, 100, 60));
    EXPECT_EQ(overlay->innerRadius(), 0);  // appearing, not yet animated
    overlay->setProgress(0.5);
    EXPECT_EQ(overlay->state(), ProgressOverlayView::kInProgress);
    EXPECT_DOUBLE_EQ(overlay->innerRadius(), 0.6 * 30);
    EXPECT_DOUBLE_EQ(overlay->outerRadius(), 0.7 * 30);

    overlay->setProgress(1.0);
    EXPECT_EQ(overlay->state(), ProgressOverlayView::kFinishing);
    run(0.08);
    const double step = overlay->animationProggress();
    EXPECT_NEAR(step, 0.32, 1e-9);
    overlay->setProgress(1.0);
    EXPECT_EQ(overlay->animationProggress(), step);
    run(1);
    EXPECT_EQ(overlay->animationProggress(), 1);
    EXPECT_FALSE(overlay->isAnimating());
    EXPECT_NEAR(overlay->outerRadius(), 100 / 1.4142135, 1e-6);

    overlay->setInnerRadiusRatio(3);
    overlay->setOuterRadiusRatio(-1);
    EXPECT_EQ(overlay->innerRadiusRatio(), 1);
    EXPECT_EQ(overlay->outerRadiusRatio(), 0);
    overlay->setProgress(7);
    EXPECT_EQ(overlay->progress(), 1);
}

TEST_F(SmallViewUtilitiesTest, ProgressOverlayCoversAllButTheDonePartAndSurvivesItsTimer) {
    auto overlay = std::make_shared<ProgressOverlayView>(Rect(0, 0, 100, 100));
    overlay->setProgress(0.25);
    auto shot = overlay->snapshotImage(1);
    EXPECT_EQ(pixelAt(*shot, 2, 2).alpha(), 128);    // the cover
    EXPECT_EQ(pixelAt(*shot, 60, 40).alpha(), 0);    // done: the first quarter after the top
    EXPECT_EQ(pixelAt(*shot, 40, 40).alpha(), 128);  // still to do
    EXPECT_EQ(pixelAt(*shot, 60, 60).alpha(), 128);

    overlay->displayOperationWillTriggerAnimation();
    overlay.reset();
    run(1);
}

}  // namespace
