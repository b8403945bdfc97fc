#include "UIKitTest.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/window.h"

namespace {

using ui::Label;
using ui::Rect;

class LabelTest : public UIKitTest {};

const QString kTwentyCharacters = QStringLiteral("该信息是放心房，经纪人承诺房源真实有效！");

// Rows of `image` (pixels) with any ink darker than the background.
std::pair<int, int> inkRows(const QImage& image) {
    int first = -1, last = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 100) {
                if (first < 0) first = y;
                last = y;
                break;
            }
        }
    }
    return {first, last};
}

TEST_F(LabelTest, CharacterWrapBreaksChineseTextAtTheWidthGiven) {
    auto label = std::make_shared<Label>(Rect{0, 0, 200, 60});
    label->setFont(ui::Font::systemFontOfSize(14));
    label->setLineBreakMode(ui::LineBreakMode::CharacterWrap);
    label->setNumberOfLines(0);
    label->setText(kTwentyCharacters);
    // 200 points hold fourteen 14-point characters.
    EXPECT_EQ(label->displayedLines(), (QStringList{QStringLiteral("该信息是放心房，经纪人承诺房"),
                                                    QStringLiteral("源真实有效！")}));
    // Seven fill 100 points, but the comma after them takes "房" down with it.
    label->setFrame({0, 0, 100, 60});
    EXPECT_EQ(label->displayedLines(),
              (QStringList{QStringLiteral("该信息是放心"), QStringLiteral("房，经纪人承诺"),
                           QStringLiteral("房源真实有效！")}));
    EXPECT_EQ(label->sizeThatFits({100, 0}), (ui::Size{98, 50}));
}

TEST_F(LabelTest, TwoLinesTruncateTheTail) {
    auto label = std::make_shared<Label>(Rect{0, 0, 100, 100});
    label->setFont(ui::Font::systemFontOfSize(14));
    label->setNumberOfLines(2);
    label->setText(kTwentyCharacters);
    const QStringList lines = label->displayedLines();
    ASSERT_EQ(lines.size(), 2);
    // Word wrapping keeps the comma from starting a line, so "房" moves down with it.
    EXPECT_EQ(lines.first(), QStringLiteral("该信息是放心"));
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral("…"))) << lines.last().toStdString();
    EXPECT_EQ(label->sizeThatFits({100, 0}).height, 33);

    // One line (the default) cuts the tail of the first line.
    label->setNumberOfLines(1);
    ASSERT_EQ(label->displayedLines().size(), 1);
    EXPECT_TRUE(label->displayedLines().first().endsWith(QStringLiteral("…")));
    EXPECT_EQ(label->sizeThatFits({100, 0}), (ui::Size{280, 17}));  // one line wants its full width
}

TEST_F(LabelTest, TextIsDrawnVerticallyCentredInTheTextColour) {
    auto window = std::make_shared<ui::Window>(Rect{0, 0, 100, 60});
    auto label = std::make_shared<Label>(Rect{0, 0, 100, 60});
    label->setText(QStringLiteral("租房"));
    label->setTextColor(ui::Color::redColor());
    label->setFont(ui::Font::systemFontOfSize(14));
    window->addSubview(label);
    const QImage pixels = window->renderImage(1)->pixels().convertToFormat(QImage::Format_ARGB32);
    const auto [top, bottom] = inkRows(pixels);
    ASSERT_GE(top, 0);
    // A 16.4-point line centred in 60 points starts near y 21.8.
    EXPECT_GE(top, 21);
    EXPECT_LE(bottom, 39);
    EXPECT_EQ(label->layer()->backingStore()->scale(), 2);

    label->setHighlightedTextColor(ui::Color::blueColor());
    label->setHighlighted(true);
    const QImage blue = window->renderImage(1)->pixels().convertToFormat(QImage::Format_ARGB32);
    bool sawBlue = false;
    for (int y = top; y <= bottom; ++y) {
        for (int x = 0; x < 100; ++x) {
            const QColor c = QColor::fromRgba(blue.pixel(x, y));
            if (c.alpha() > 200 && c.blue() > 200 && c.red() < 50) sawBlue = true;
        }
    }
    EXPECT_TRUE(sawBlue);
    EXPECT_FALSE(label->isUserInteractionEnabled());
}

TEST_F(LabelTest, OneLineLabelsShrinkTheirFontToFit) {
    auto label = std::make_shared<Label>(Rect{0, 0, 140, 20});
    label->setFont(ui::Font::systemFontOfSize(20));
    label->setText(QStringLiteral("一二三四五六七八九十"));  // 200 points at 20
    EXPECT_EQ(label->fontForWidth(140).pointSize(), 20);
    label->setAdjustsFontSizeToFitWidth(true);
    label->setMinimumFontSize(10);
    EXPECT_EQ(label->fontForWidth(140).pointSize(), 14);
    EXPECT_FALSE(label->displayedLines().first().endsWith(QStringLiteral("…")));
    label->setMinimumFontSize(16);  // cannot shrink enough: cut instead
    EXPECT_EQ(label->fontForWidth(140).pointSize(), 16);
    EXPECT_TRUE(label->displayedLines().first().endsWith(QStringLiteral("…")));
}

TEST_F(LabelTest, ImageViewsShowImagesHighlightsAndTimedFrames) {
    auto red = ui::Image::imageWithColor(ui::Color::redColor(), {10, 10});
    auto blue = ui::Image::imageWithColor(ui::Color::blueColor(), {10, 10});
    auto green = ui::Image::imageWithColor(ui::Color::greenColor(), {10, 10});
    auto view = std::make_shared<ui::ImageView>(red, blue);
    EXPECT_EQ(view->frame(), (Rect{0, 0, 10, 10}));
    EXPECT_FALSE(view->isUserInteractionEnabled());
    EXPECT_EQ(view->shownImage(), red);
    view->setHighlighted(true);
    EXPECT_EQ(view->shownImage(), blue);
    view->setHighlighted(false);

    view->setAnimationImages({red, blue, green});
    view->setAnimationDuration(0.3);
    view->setAnimationRepeatCount(2);
    view->startAnimating();
    EXPECT_TRUE(view->isAnimating());
    EXPECT_EQ(view->shownImage(), red);
    clock().advance(110ms);
    EXPECT_EQ(view->shownImage(), blue);
    clock().advance(100ms);
    EXPECT_EQ(view->shownImage(), green);
    clock().advance(100ms);
    EXPECT_EQ(view->shownImage(), red);  // the second pass
    clock().advance(300ms);
    EXPECT_FALSE(view->isAnimating());
    EXPECT_EQ(view->shownImage(), red);  // back to the still image

    view->startAnimating();
    view->stopAnimating();
    EXPECT_FALSE(view->isAnimating());
}

TEST_F(LabelTest, ImageViewsPlaceImagesByContentMode) {
    auto window = std::make_shared<ui::Window>(Rect{0, 0, 40, 20});
    auto view = std::make_shared<ui::ImageView>(Rect{0, 0, 40, 20});
    view->setImage(ui::Image::imageWithColor(ui::Color::redColor(), {10, 10}));
    window->addSubview(view);
    view->setContentMode(ui::ContentMode::ScaleAspectFit);
    auto fit = window->renderImage(1);
    EXPECT_EQ(pixelAt(*fit, 20, 10), QColor(Qt::red));
    EXPECT_EQ(pixelAt(*fit, 5, 10).alpha(), 0);
    view->setContentMode(ui::ContentMode::TopLeft);
    auto corner = window->renderImage(1);
    EXPECT_EQ(pixelAt(*corner, 5, 5), QColor(Qt::red));
    EXPECT_EQ(pixelAt(*corner, 20, 10).alpha(), 0);
    view->setContentMode(ui::ContentMode::ScaleToFill);
    auto filled = window->renderImage(1);
    EXPECT_EQ(pixelAt(*filled, 39, 19), QColor(Qt::red));
}

}  // namespace
