#include "WidgetTest.h"

#include "platform/uikit/label.h"
#include "ui/widgets/UnderlinedTextButton.h"

namespace {

using ui::Rect;

class UnderlinedTextButtonTest : public WidgetTest {
protected:
    std::shared_ptr<QXLabelGreenBtn> link =
        std::make_shared<QXLabelGreenBtn>(Rect(200, 55, 112, 28), QStringLiteral("看不清，换一张"));
    std::shared_ptr<int> owner = std::make_shared<int>(0);
    int sent = 0;

    void SetUp() override {
        WidgetTest::SetUp();
        window().addSubview(link);
        (void)driver().screenshot(1);  // the first display builds the parts
    }

    [[nodiscard]] ui::Label* title() const {
        return static_cast<ui::Label*>(link->viewWithTag(UnderlinedTextButton::kTitleTag));
    }
    [[nodiscard]] ui::Color underline() const {
        return link->viewWithTag(UnderlinedTextButton::kUnderlineTag)->backgroundColor();
    }
};

TEST_F(UnderlinedTextButtonTest, DraggingOutAndBackChangesTheLookAndReleasingActsOnce) {
    link->addTarget(owner, [this] { ++sent; });
    ASSERT_NE(title(), nullptr);
    EXPECT_EQ(link->viewWithTag(UnderlinedTextButton::kUnderlineTag)->frame(),
              Rect(0, 28 - 9, 112 - 8, 1));
    const ui::Point centre{256, 69};
    window().touchDown(centre);
    EXPECT_TRUE(title()->isHighlighted());
    EXPECT_EQ(underline(), ui::Color::rgb(244, 88, 0));
    window().touchMove({256, 300});
    EXPECT_FALSE(link->isPressed());
    EXPECT_EQ(underline(), ui::Color::rgb(92, 187, 57));
    window().touchMove(centre);
    EXPECT_TRUE(link->isPressed());
    window().touchUp(centre);
    EXPECT_EQ(sent, 1);
    EXPECT_FALSE(title()->isHighlighted());
    EXPECT_EQ(underline(), ui::Color::rgb(92, 187, 57));

    window().touchDown(centre);
    window().touchMove({256, 300});
    window().touchUp({256, 300});
    EXPECT_EQ(sent, 1);
}

TEST_F(UnderlinedTextButtonTest, WithoutALiveTargetATapOnlyChangesTheLook) {
    EXPECT_TRUE(driver().tap(link.get()));
    link->addTarget(owner, [this] { ++sent; });
    owner.reset();
    EXPECT_TRUE(driver().tap(link.get()));
    EXPECT_EQ(sent, 0);
    EXPECT_FALSE(link->isPressed());
}

TEST_F(UnderlinedTextButtonTest, AFontReachesTheTitleOnlyOnceThePartsExist) {
    auto later = std::make_shared<QXLabelBtn>(Rect(0, 0, 100, 28), QStringLiteral("换一张"));
    later->setFont(ui::Font::systemFontOfSize(20));
    window().addSubview(later);
    (void)driver().screenshot(1);
    auto* label = static_cast<ui::Label*>(later->viewWithTag(UnderlinedTextButton::kTitleTag));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->font(), ui::Font::boldSystemFontOfSize(14));
    EXPECT_EQ(label->textColor(), ui::Color::rgb(51, 51, 51));
    later->setFont(ui::Font::systemFontOfSize(20));
    EXPECT_EQ(label->font(), ui::Font::systemFontOfSize(20));
    // Drawn again, it keeps one set of parts.
    later->setFrame({0, 0, 120, 28});
    (void)driver().screenshot(1);
    EXPECT_EQ(later->subviews().size(), 3u);
}

}  // namespace
