#include "WidgetTest.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/view_controller.h"
#include "ui/widgets/IconMenuItemButton.h"
#include "ui/widgets/IconMenuView.h"

namespace {

using ui::Rect;

class IconMenuViewTest : public WidgetTest {
protected:
    std::shared_ptr<ui::ViewController> home = std::make_shared<ui::ViewController>();
    QStringList log;

    void SetUp() override {
        WidgetTest::SetUp();
        home->view()->setBackgroundColor(ui::Color::rgb(86, 186, 34));
        window().setRootViewController(home);
    }

    std::shared_ptr<IconMenuView> menu(int entries) {
        auto menu = std::make_shared<IconMenuView>();
        static const QStringList titles{"买房", "租房", "合租", "新房", "卖房"};
        for (int i = 0; i < entries; ++i) {
            const QString title = titles[i];
            menu->addMenuItemWithTitle(title,
                                       ui::Image::imageWithColor(ui::Color::redColor(), {66, 66}),
                                       [this, title] { log << title; });
        }
        menu->setFiniallyShowBlock([this] { log << "finally"; });
        return menu;
    }
};

TEST_F(IconMenuViewTest, EntriesStandThreeToARowAroundTheMiddle) {
    auto three = menu(3);
    three->setFrame({0, 0, 320, 480});
    EXPECT_EQ(three->frameForButtonAtIndex(0), Rect(30, (480 - 86) / 2.0 + 82, 66, 86));
    EXPECT_EQ(three->frameForButtonAtIndex(1).origin.x, 127);
    EXPECT_EQ(three->frameForButtonAtIndex(2).origin.x, 224);

    auto four = menu(4);
    four->setFrame({0, 0, 320, 480});
    const Rect first = four->frameForButtonAtIndex(0);
    EXPECT_EQ(first.origin.y, (480 - 202) / 2.0 + 82);
    EXPECT_EQ(four->frameForButtonAtIndex(3), first.offsetBy(0, 96));
}

TEST_F(IconMenuViewTest, IconsRiseIntoPlaceOverABlurredCopyOfTheScreen) {
    auto open = menu(3);
    open->show();
    EXPECT_EQ(open->superview(), home->view().get());
    EXPECT_EQ(open->frame(), Rect(0, 0, 320, 480));
    ASSERT_NE(open->backgroundImgView()->image(), nullptr);
    EXPECT_NE(open->backgroundImgView()->viewWithTag(IconMenuView::kCloseButtonTag), nullptr);
    // The left icon waits for the middle one.
    EXPECT_EQ(open->buttons()[0]->layer()->opacity(), 0);
    run(0.01);
    EXPECT_EQ(open->buttons()[1]->layer()->opacity(), 1);
    EXPECT_EQ(open->buttons()[0]->layer()->opacity(), 0);
    run(1);
    for (const auto& entry : open->buttons()) {
        EXPECT_EQ(entry->layer()->opacity(), 1);
        EXPECT_EQ(entry->layer()->presentation().position, entry->center());
    }
    EXPECT_EQ(open->buttons()[0]->center(), ui::Point(30 + 33, (480 - 86) / 2.0 + 82 + 43));
}

TEST_F(IconMenuViewTest, ChoosingAnEntryRunsTheFinishingBlockOnceThenTheEntry) {
    auto open = menu(3);
    open->show();
    run(1);
    EXPECT_TRUE(driver().tapText("租房"));
    driver().tapText("合租");
    run(2);
    EXPECT_EQ(log, (QStringList{"finally", "租房"}));
    EXPECT_EQ(open->superview(), nullptr);
}

TEST_F(IconMenuViewTest, ATapAwayFromTheEntriesClosesWithoutAChoice) {
    auto open = menu(3);
    open->show();
    run(1);
    driver().tapAt({160, 100});
    run(0.2);
    EXPECT_TRUE(log.isEmpty());
    run(0.3);
    EXPECT_EQ(log, QStringList{"finally"});
    run(0.5);
    EXPECT_EQ(open->superview(), nullptr);
    EXPECT_EQ(log, QStringList{"finally"});
}

TEST_F(IconMenuViewTest, TheCloseButtonIsPartOfTheBackground) {
    auto open = menu(3);
    open->show();
    run(1);
    driver().tapAt({160, 480 - 70 + 19});
    run(2);
    EXPECT_EQ(log, QStringList{"finally"});
}

TEST_F(IconMenuViewTest, ADropReplacesARiseStillRunning) {
    auto open = menu(5);
    open->show();
    open->dismiss();
    const auto& entries = open->buttons();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        auto animation = std::dynamic_pointer_cast<ui::BasicAnimation>(
            entries[i]->layer()->animationForKey(IconMenuView::kRiseAnimationKey));
        ASSERT_NE(animation, nullptr);
        // Two rows: the first drops 800 points, the second 600.
        const double drop = i < 3 ? 800 : 600;
        EXPECT_EQ(std::get<ui::Point>(animation->toValue()).y, entries[i]->center().y + drop);
    }
    run(3);
    EXPECT_EQ(log, QStringList{"finally"});
}

}  // namespace
