#include "UIKitTest.h"

#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/page_control.h"
#include "platform/uikit/switch.h"
#include "platform/uikit/window.h"

namespace {

using ui::Button;
using ui::Control;
using ui::Point;
using ui::Rect;

class ControlsTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        window = std::make_shared<ui::Window>();
    }

    void tap(Point p) {
        window->touchDown(p);
        window->touchUp(p);
    }

    // Records every event a control sends, by name.
    void record(Control& control) {
        const std::pair<unsigned, const char*> names[] = {
            {ui::kControlEventTouchDown, "down"},
            {ui::kControlEventTouchDownRepeat, "repeat"},
            {ui::kControlEventTouchDragInside, "dragIn"},
            {ui::kControlEventTouchDragOutside, "dragOut"},
            {ui::kControlEventTouchDragEnter, "enter"},
            {ui::kControlEventTouchDragExit, "exit"},
            {ui::kControlEventTouchUpInside, "upIn"},
            {ui::kControlEventTouchUpOutside, "upOut"},
            {ui::kControlEventTouchCancel, "cancel"},
            {ui::kControlEventValueChanged, "changed"}};
        for (const auto& [bit, name] : names) {
            control.addTarget(this, bit, [this, name = name](Control&, const ui::Event*) {
                events.push_back(name);
            });
        }
    }

    std::shared_ptr<ui::Window> window;
    std::vector<std::string> events;
};

TEST_F(ControlsTest, TargetActionFollowsTheFingerInAndOut) {
    auto button = std::make_shared<Button>(Rect{100, 100, 80, 40});
    window->addSubview(button);
    record(*button);

    tap({120, 120});
    EXPECT_EQ(events, (std::vector<std::string>{"down", "upIn"}));

    events.clear();
    clock().advance(1s);
    window->touchDown({120, 120});
    EXPECT_TRUE(button->isHighlighted());
    window->touchMove({125, 125});
    window->touchMove({300, 300});  // beyond the 70-point margin
    EXPECT_FALSE(button->isHighlighted());
    window->touchMove({200, 150});  // outside the bounds, inside the margin
    EXPECT_TRUE(button->isHighlighted());
    window->touchMove({300, 300});
    window->touchUp({300, 300});
    EXPECT_EQ(events, (std::vector<std::string>{"down", "dragIn", "exit", "dragOut", "enter",
                                                "dragIn", "exit", "dragOut", "upOut"}));
    EXPECT_FALSE(button->isTouchInside());
    EXPECT_FALSE(button->isHighlighted());

    events.clear();
    clock().advance(1s);
    window->touchDown({120, 120});
    window->cancelAllTouches();
    EXPECT_EQ(events, (std::vector<std::string>{"down", "cancel"}));
}

TEST_F(ControlsTest, QuickSecondTapsRepeatAndOwnersRemoveTheirHandlers) {
    auto button = std::make_shared<Button>(Rect{0, 0, 80, 40});
    window->addSubview(button);
    record(*button);
    int other = 0;
    const int owner = 0;
    button->addTarget(&owner, ui::kControlEventTouchUpInside,
                      [&](Control&, const ui::Event*) { ++other; });
    tap({10, 10});
    clock().advance(100ms);
    tap({12, 10});
    EXPECT_EQ(events, (std::vector<std::string>{"down", "upIn", "down", "repeat", "upIn"}));
    EXPECT_EQ(other, 2);

    button->removeTarget(this);
    events.clear();
    clock().advance(1s);
    tap({10, 10});
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(other, 3);
    button->removeTarget(nullptr, ui::kControlEventAllEvents);
    EXPECT_EQ(button->targetCount(), 0u);
}

TEST_F(ControlsTest, DisabledControlsPassTouchesOnAndSendNothing) {
    struct Catcher : ui::View {
        using View::View;
        int began = 0;
        void touchesBegan(const ui::TouchSet&, const ui::Event*) override { ++began; }
    };
    auto catcher = std::make_shared<Catcher>(Rect{0, 0, 320, 480});
    auto button = std::make_shared<Button>(Rect{0, 0, 80, 40});
    window->addSubview(catcher);
    catcher->addSubview(button);
    record(*button);
    button->setEnabled(false);
    tap({10, 10});
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(catcher->began, 1);
    EXPECT_EQ(button->state(), ui::kControlStateDisabled);
}

TEST_F(ControlsTest, ButtonsFallBackOnTheNormalStateAndDarkenPressedImages) {
    auto button = Button::buttonWithType(ui::ButtonType::Custom);
    auto plain = ui::Image::imageWithColor(ui::Color::whiteColor(), {20, 20});
    auto chosen = ui::Image::imageWithColor(ui::Color::redColor(), {20, 20});
    button->setTitle(QStringLiteral("首页"), ui::kControlStateNormal);
    button->setImage(plain, ui::kControlStateNormal);
    button->setImage(plain, ui::kControlStateHighlighted);
    button->setImage(chosen, ui::kControlStateSelected);
    EXPECT_EQ(button->currentTitle(), QStringLiteral("首页"));
    EXPECT_EQ(button->currentTitleColor(), ui::Color::whiteColor());
    button->setSelected(true);
    EXPECT_EQ(button->currentImage(), chosen);
    EXPECT_EQ(button->imageView()->image(), chosen);
    button->setHighlighted(true);  // selected and highlighted has no image of its own
    EXPECT_EQ(button->currentImage(), plain);
    EXPECT_EQ(button->currentTitle(), QStringLiteral("首页"));
    EXPECT_EQ(button->shownText(), QStringLiteral("首页"));

    // A pressed state without an image of its own shows the normal one darkened.
    auto other = std::make_shared<Button>();
    other->setImage(plain, ui::kControlStateNormal);
    other->setHighlighted(true);
    ASSERT_TRUE(other->imageView()->image());
    EXPECT_NE(other->imageView()->image(), plain);
    EXPECT_LT(pixelAt(*other->imageView()->image(), 5, 5).red(), 255);
    other->setAdjustsImageWhenHighlighted(false);
    EXPECT_EQ(other->imageView()->image(), plain);
}

TEST_F(ControlsTest, ButtonContentIsAlignedAndMovedByItsInsets) {
    auto button = std::make_shared<Button>(Rect{0, 0, 200, 40});
    button->setImage(ui::Image::imageWithColor(ui::Color::redColor(), {20, 20}),
                     ui::kControlStateNormal);
    button->setTitle(QStringLiteral("租房"), ui::kControlStateNormal);
    button->setFont(ui::Font::systemFontOfSize(14));
    button->layoutIfNeeded();
    // Image and title side by side, centred together: 20 + 28 in 200.
    EXPECT_EQ(button->imageView()->frame(), (Rect{76, 10, 20, 20}));
    EXPECT_EQ(button->titleLabel()->frame().origin.x, 96);
    EXPECT_EQ(button->titleLabel()->frame().size.width, 28);

    button->setContentHorizontalAlignment(ui::ControlContentHorizontalAlignment::Left);
    button->setContentEdgeInsets({0, 10, 0, 0});
    button->setTitleEdgeInsets({0, 5, 0, 0});
    button->layoutIfNeeded();
    EXPECT_EQ(button->imageView()->frame().origin.x, 10);
    EXPECT_EQ(button->titleLabel()->frame().origin.x, 35);

    // An image inset far to the right (a row's arrow) lands at the right.
    auto entry = std::make_shared<Button>(Rect{0, 0, 320, 44});
    entry->setImage(ui::Image::imageWithColor(ui::Color::blackColor(), {8, 13}),
                    ui::kControlStateNormal);
    entry->setImageEdgeInsets({0, 280, 0, 8});
    entry->layoutIfNeeded();
    EXPECT_EQ(entry->imageView()->frame(), (Rect{292, 15.5, 8, 13}));
    EXPECT_EQ(entry->sizeThatFits({}), (ui::Size{8, 13}));
}

TEST_F(ControlsTest, ExclusiveTouchControlsTakeNoSecondFinger) {
    auto first = std::make_shared<Button>(Rect{0, 0, 80, 49});
    auto second = std::make_shared<Button>(Rect{80, 0, 80, 49});
    first->setExclusiveTouch(true);
    second->setExclusiveTouch(true);
    window->addSubview(first);
    window->addSubview(second);
    int firstUps = 0, secondDowns = 0;
    first->addTarget(this, ui::kControlEventTouchUpInside,
                     [&](Control&, const ui::Event*) { ++firstUps; });
    second->addTarget(this, ui::kControlEventTouchDown,
                      [&](Control&, const ui::Event*) { ++secondDowns; });
    window->touchDown({10, 10}, 0);
    window->touchDown({100, 10}, 1);
    window->touchUp({100, 10}, 1);
    window->touchUp({10, 10}, 0);
    EXPECT_EQ(firstUps, 1);
    EXPECT_EQ(secondDowns, 0);
    tap({100, 10});
    EXPECT_EQ(secondDowns, 1);
}

// A check box: a control that flips its selection on each tap.
class CheckBox : public Control {
public:
    using Control::Control;
    void endTrackingWithTouch(ui::Touch*, const ui::Event*) override {
        if (!isTouchInside()) return;
        setSelected(!isSelected());
        sendActionsForControlEvents(ui::kControlEventValueChanged);
    }
};

TEST_F(ControlsTest, SwitchesPageControlsAndCustomControlsReportValueChanges) {
    auto toggle = std::make_shared<ui::Switch>(Rect{10, 10, 100, 100});
    EXPECT_EQ(toggle->frame().size, (ui::Size{51, 31}));
    window->addSubview(toggle);
    record(*toggle);
    tap({20, 20});
    EXPECT_TRUE(toggle->isOn());
    EXPECT_EQ(events, (std::vector<std::string>{"down", "changed", "upIn"}));
    toggle->setOn(false);

    auto pages = std::make_shared<ui::PageControl>(Rect{0, 200, 320, 37});
    pages->setNumberOfPages(3);
    window->addSubview(pages);
    int changes = 0;
    pages->addTarget(this, ui::kControlEventValueChanged,
                     [&](Control&, const ui::Event*) { ++changes; });
    tap({300, 210});
    tap({300, 210});
    clock().advance(1s);
    tap({300, 210});  // already on the last page
    EXPECT_EQ(pages->currentPage(), 2);
    EXPECT_EQ(changes, 2);
    clock().advance(1s);
    tap({10, 210});
    EXPECT_EQ(pages->currentPage(), 1);
    EXPECT_EQ(pages->sizeForNumberOfPages(3), (ui::Size{39, 37}));
    pages->setNumberOfPages(1);
    EXPECT_EQ(pages->currentPage(), 0);

    auto box = std::make_shared<CheckBox>(Rect{0, 300, 30, 30});
    window->addSubview(box);
    clock().advance(1s);
    tap({10, 310});
    EXPECT_TRUE(box->isSelected());
    clock().advance(1s);
    tap({10, 310});
    EXPECT_FALSE(box->isSelected());
}

TEST_F(ControlsTest, ActivityIndicatorsHideWhileStopped) {
    ui::ActivityIndicatorView large(ui::ActivityIndicatorViewStyle::WhiteLarge);
    EXPECT_EQ(large.frame().size, (ui::Size{37, 37}));
    auto spinner =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::Gray);
    EXPECT_EQ(spinner->frame().size, (ui::Size{20, 20}));
    EXPECT_TRUE(spinner->isHidden());
    spinner->startAnimating();
    EXPECT_TRUE(spinner->isAnimating());
    EXPECT_FALSE(spinner->isHidden());
    EXPECT_TRUE(spinner->layer()->hasAnimations());
    clock().advance(10s);  // spins without timers: nothing is scheduled per frame
    EXPECT_EQ(clock().scheduledCount(), 0u);
    spinner->stopAnimating();
    EXPECT_TRUE(spinner->isHidden());
    EXPECT_FALSE(spinner->layer()->hasAnimations());
    spinner->setHidesWhenStopped(false);
    EXPECT_FALSE(spinner->isHidden());
}

}  // namespace
