// The drawn rows of the community page (key/value rows) and its photo and price tile.
#include "houses/community/QXCommunityImageView.h"
#include "houses/photos/ImageScrollPageController.h"
#include "houses/shared/QXLabel.h"

#include "SandboxTest.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/window.h"
#include "ui/image/ImageView.h"

#include <cmath>

namespace {

class CommunityWidgetsTest : public SandboxTest {};

int height(const QString& key, const QString& value, int type = 0) {
    return QXLabel::calLblHeightwithKey(key, value, type, 320);
}

TEST_F(CommunityWidgetsTest, KeyValueRowsMeasureTheirLines) {
    EXPECT_EQ(height("开  发 商", "华城置业"), 25) << "one line beside its label";
    EXPECT_EQ(height("小区介绍", "华城置业", 1), 50) << "below its label";
    EXPECT_EQ(height("小区介绍", "a\n\nb", 2), 50) << "a blank line collapses";
    EXPECT_EQ(height("小区介绍", "a\n\n\n\nb", 2), 75);

    // A line feed just when the line is full moves down twice. Without a label the text
    // starts at 10 and wraps at 288.
    const double step = std::floor(
        ui::StringDrawing::sizeWithFont("中", ui::Font::systemFontOfSize(14), ui::Size(175, 1e6))
            .width);
    const int full = int(std::ceil((288 - 10) / step));
    const QString line = QString("中").repeated(full);
    EXPECT_EQ(height("", line.chopped(1) + "\nx", 2), 50);
    EXPECT_EQ(height("", line + "\nx", 2), 75);
    EXPECT_EQ(height("", line + "x", 2), 50) << "a full line wraps before its next character";

    // Two-character labels are spread, measured as shown.
    QXLabel spread("面积", ui::Color::blackColor(), "90㎡", ui::Color::blackColor(),
                   {12, 0, 300, 25});
    EXPECT_EQ(spread.key(), "面       积");
    EXPECT_EQ(spread.type(), 0);
    const QString wide = QString("中").repeated(17);
    EXPECT_EQ(height("面积", wide), height("面       积", wide));
    EXPECT_EQ(QXLabel("房源描述", {}, "", {}, {}).type(), 2);
    EXPECT_EQ(QXLabel("详情", {}, "", {}, {}).type(), 2);
}

TEST_F(CommunityWidgetsTest, TheTileDrawsTheChangeWithItsArrow) {
    QXCommunityImageView tile({0, 0, 320, 30}, 0, QString());
    for (const auto& [change, text, down] :
         {std::tuple{"-0.05", "5.0%", true}, std::tuple{"0.012", "1.2%", false},
          std::tuple{"0", "0.0%", false}, std::tuple{"", "0.0%", false},
          std::tuple{"rising", "0.0%", false}}) {
        tile.setAvgPriceChange(change);
        EXPECT_EQ(tile.changeText(), text) << change;
        EXPECT_EQ(tile.changeGoesDown(), down) << change;
    }
    EXPECT_EQ(tile.imageView(), nullptr) << "a tile without a picture has no picture view";
}

TEST_F(CommunityWidgetsTest, OnlyAPictureWithPhotosOpensThePhotosAtTheFirst) {
    auto window = std::make_shared<ui::Window>();
    auto page = std::make_shared<ui::ViewController>();
    window->makeKeyAndVisible();
    window->setRootViewController(page);
    ui::TestDriver driver(window);

    auto textOnly = std::make_shared<QXCommunityImageView>(ui::Rect(0, 300, 320, 30), 0, QString());
    page->view()->addSubview(textOnly);
    textOnly->setAllImageURL({"http://h/img/a.jpg"});
    textOnly->setTarget(page);
    driver.tapAt({60, 315});
    driver.wait(1);
    EXPECT_EQ(page->presentedViewController(), nullptr) << "nothing to tap without a picture";

    auto tile = std::make_shared<QXCommunityImageView>(ui::Rect(0, 0, 320, 111), 1, QString());
    page->view()->addSubview(tile);
    tile->setTarget(page);
    tile->setTarget(page);
    ASSERT_NE(tile->imageView(), nullptr);
    EXPECT_EQ(tile->imageView()->gestureRecognizers().size(), 1u) << "one target, one tap";
    driver.tap(tile->imageView());
    driver.wait(1);
    EXPECT_EQ(page->presentedViewController(), nullptr) << "no photos yet";

    tile->setImageURL("http://h/img/b.jpg");
    tile->setAllImageURL({"http://h/img/a.jpg", "http://h/img/b.jpg"});
    ASSERT_TRUE(driver.tap(tile->imageView()));
    driver.wait(1);
    auto stack =
        std::dynamic_pointer_cast<ui::NavigationController>(page->presentedViewController());
    ASSERT_NE(stack, nullptr);
    auto pager =
        std::dynamic_pointer_cast<ImageScrollPageController>(stack->viewControllers().front());
    ASSERT_NE(pager, nullptr);
    EXPECT_EQ(pager->imageNames(), tile->allImageURL());
    EXPECT_EQ(pager->page(), 0) << "the first photo, not the one shown";
    EXPECT_EQ(tile->imageView()->backgroundColor(), ui::Color::rgb(229, 229, 229));
    tile->removeDetailImage();
    driver.wait(1);
    EXPECT_EQ(page->presentedViewController(), nullptr);
    window->setRootViewController(nullptr);
}

}  // namespace
