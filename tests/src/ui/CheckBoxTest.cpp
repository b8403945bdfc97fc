// The check box: taps, unique mode and its rebuilt looks.
#include "WidgetTest.h"

#include "ui/widgets/CheckBox.h"

#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"

class CheckBoxTest : public WidgetTest {};

TEST(CheckBoxTaps, AUniqueBoxOnlyTurnsOnAndSetCheckedTellsNoOne) {
    CheckBox box(ui::Rect(0, 0, 120, 30), "下次自动登录");
    int told = 0;
    box.setTarget([&](CheckBox&) { ++told; });
    box.setChecked(true);
    box.setChecked(false);
    EXPECT_EQ(told, 0);
    box.touchUpInside();
    box.touchUpInside();
    EXPECT_FALSE(box.checked());
    EXPECT_EQ(told, 2);
    box.setUnique(true);
    box.touchUpInside();
    box.touchUpInside();
    EXPECT_TRUE(box.checked());
    EXPECT_TRUE(box.checkedView()->isHighlighted());
    EXPECT_EQ(told, 3);
    box.changeTheImage("a", "b");
    EXPECT_EQ(box.label()->shownText(), "下次自动登录");
    EXPECT_TRUE(box.checkedView()->isHighlighted());
}

TEST_F(CheckBoxTest, ATappedCheckBoxChangesOnceAlsoAfterItIsRebuilt) {
    auto box = std::make_shared<CheckBox>(ui::Rect(20, 100, 200, 40), "个人");
    window().addSubview(box);
    int told = 0;
    box->setTarget([&](CheckBox&) { ++told; });
    ASSERT_TRUE(driver().tap(box.get()));
    EXPECT_TRUE(box->checked());
    // The rebuilt box answers a tap once, not once for each build.
    box->SetTheImageWith(2);
    EXPECT_EQ(box->checkedView()->frame().size, ui::Size(100, 42));
    ASSERT_TRUE(driver().tap(box.get()));
    EXPECT_FALSE(box->checked());
    EXPECT_EQ(told, 2);
    // A width of no parts leaves the box as it was.
    box->SetTheImageWith(0);
    EXPECT_EQ(box->checkedView()->frame().size, ui::Size(100, 42));
    box->removeFromSuperview();
}
