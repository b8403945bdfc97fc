#include "WidgetTest.h"

#include "platform/foundation/notification_center.h"
#include "platform/uikit/application.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/navigation_bar.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/screen.h"
#include "ui/widgets/SheetModalViewController.h"
#include "ui/widgets/TovikModalViewController.h"

namespace {

using ui::Rect;

class Closings : public QXCustomViewControllerDelegate {
public:
    explicit Closings(QStringList& log) : log_(log) {}
    void customModalViewControllerDidDismiss(ModalSheetViewController&) override {
        log_ << "delegate";
    }

private:
    QStringList& log_;
};

class ModalSheetTest : public WidgetTest {
protected:
    std::shared_ptr<ui::ViewController> parent = std::make_shared<ui::ViewController>();
    std::shared_ptr<ui::ViewController> list = std::make_shared<ui::ViewController>();
    std::shared_ptr<ui::NavigationController> root =
        ui::NavigationController::withRootViewController(list);
    QStringList log;
    std::shared_ptr<Closings> closings = std::make_shared<Closings>(log);

    void SetUp() override {
        WidgetTest::SetUp();
        parent->view()->setBackgroundColor(ui::Color::rgb(240, 200, 120));
        list->setTitle(QStringLiteral("区域"));
        window().setRootViewController(parent);
    }

    template <class Sheet>
    std::shared_ptr<Sheet> open(int style) {
        auto sheet = std::make_shared<Sheet>(root, parent);
        sheet->setDelegate(closings);
        sheet->setCloseCompletionBlock([this] { log << "closed"; });
        sheet->presentRootViewControllerWithPresentationStyle(style, [this] { log << "opened"; });
        run(1);
        return sheet;
    }

    void expectParentAsBefore() {
        EXPECT_EQ(parent->view()->window(), &window());
        EXPECT_FALSE(parent->view()->isHidden());
        EXPECT_TRUE(parent->view()->layer()->transform().isIdentity());
        EXPECT_EQ(parent->view()->layer()->zPosition(), 0);
        EXPECT_EQ(parent->view()->frame(), Rect(0, 0, 320, 480));
    }
};

TEST_F(ModalSheetTest, FromVersionSevenTheInitializerGivesTheCustomPresentationSheet) {
    auto sheet = TovikModalViewController::initWithRootViewController(root, parent);
    EXPECT_NE(std::dynamic_pointer_cast<SheetModalViewController>(sheet), nullptr);
    EXPECT_EQ(sheet->parentViewYPath(), 0);
    (void)sheet->view();
    EXPECT_EQ(customModalViewController(*list), sheet);
    EXPECT_EQ(customModalViewController(*root), sheet);
    EXPECT_EQ(customModalViewController(*parent), nullptr);

    OlderSystem older6;
    auto older = std::dynamic_pointer_cast<TovikModalViewController>(
        TovikModalViewController::initWithRootViewController(
            std::make_shared<ui::NavigationController>(), parent));
    ASSERT_NE(older, nullptr);
    (void)older->view();
    EXPECT_EQ(customModalViewController(*older->rootViewController()), older);
    EXPECT_EQ(older->parentViewYPath(), 44);
    EXPECT_EQ(older->rootViewController()->view()->frame().size.height, 320);
}

TEST_F(ModalSheetTest, TheTallScreenMovesTheOlderSheetsParentFurther) {
    ui::Screen::mainScreen().setHeight(ui::Screen::kTallHeight);
    auto older = std::make_shared<TovikModalViewController>(root, parent);
    ui::Screen::mainScreen().setHeight(ui::Screen::kHeight);
    EXPECT_EQ(older->parentViewYPath(), 54);
}

TEST_F(ModalSheetTest, SheetShowsItsRootAtTheBottomOverASnapshotAndGivesTheParentBack) {
    for (int round = 0; round < 2; ++round) {
        auto sheet = open<SheetModalViewController>(ModalSheetViewController::kSheetInContext);
        EXPECT_EQ(log.takeFirst(), "opened");
        EXPECT_EQ(sheet->view()->frame().origin.y, 480 - 300);
        EXPECT_TRUE(parent->view()->isHidden());
        ASSERT_NE(sheet->backgroundView(), nullptr);
        EXPECT_NE(sheet->backgroundView()->image(), nullptr);
        EXPECT_LT(sheet->backgroundView()->frame().size.width, 320);
        EXPECT_EQ(sheet->overlayView()->alpha(), ModalSheetViewController::kOverlayAlpha);

        driver().tapAt({160, 40});
        run(1);
        EXPECT_EQ(log, (QStringList{"delegate", "closed"}));
        log.clear();
        EXPECT_EQ(sheet->overlayView()->superview(), nullptr);
        EXPECT_EQ(parent->presentedViewController(), nullptr);
        // Opened and closed again and again, the parent keeps its size.
        expectParentAsBefore();
    }
}

TEST_F(ModalSheetTest, TheStandardStyleSlidesTheSheetToTheTop) {
    auto sheet = open<SheetModalViewController>(ModalSheetViewController::kStandard);
    EXPECT_EQ(sheet->view()->frame().origin.y, 0);
    bool done = false;
    sheet->dismissRootViewControllerWithcompletion([&] { done = true; });
    run(1);
    EXPECT_TRUE(done);
    expectParentAsBefore();
}

TEST_F(ModalSheetTest, AnInterruptedCloseNeverLeavesTheOverlayBehind) {
    auto sheet = open<SheetModalViewController>(ModalSheetViewController::kSheetInContext);
    ui::View* overlay = sheet->overlayView();
    sheet->dismissRootViewControllerWithcompletion({});
    run(0.3);  // the fade of the last step is under way
    ui::View::animateWithDuration(2, [&] { overlay->setAlpha(0.6); });
    run(0.2);
    EXPECT_EQ(overlay->superview(), nullptr);
    EXPECT_TRUE(log.contains("closed"));
    expectParentAsBefore();
}

TEST_F(ModalSheetTest, DraggingDownPastHalfTheHeightClosesAndLessSpringsBack) {
    auto sheet = open<SheetModalViewController>(ModalSheetViewController::kSheetInContext);
    ui::NavigationBar* bar = sheet->contentNavBar();
    ASSERT_NE(bar, nullptr);
    const auto rootView = root->view();
    const ui::Point grip = bar->convertPointToView(bar->bounds().center(), nullptr);

    // Upward drags go nowhere.
    driver().drag(grip, grip + ui::Point(0, -100));
    run(0.3);
    EXPECT_EQ(rootView->frame().origin.y, 0);

    // Exactly half springs back.
    window().touchDown(grip);
    window().touchMove(grip + ui::Point(0, 20));
    window().touchMove(grip + ui::Point(0, 150));
    EXPECT_EQ(rootView->frame().origin.y, 150);
    EXPECT_EQ(rootView->alpha(), 0.8);
    window().touchUp(grip + ui::Point(0, 150));
    run(0.3);
    EXPECT_EQ(rootView->frame().origin.y, 0);
    EXPECT_EQ(rootView->alpha(), 1);
    EXPECT_TRUE(log.isEmpty() || log == QStringList{"opened"});

    driver().drag(grip, grip + ui::Point(0, 200));
    run(1);
    EXPECT_TRUE(log.contains("closed"));
    expectParentAsBefore();
}

TEST_F(ModalSheetTest, UpwardDragsMoveTheSheetWhenAllowed) {
    auto sheet = open<SheetModalViewController>(ModalSheetViewController::kSheetInContext);
    sheet->setAllowDragFromBottomToTop(true);
    ui::NavigationBar* bar = sheet->contentNavBar();
    const ui::Point grip = bar->convertPointToView(bar->bounds().center(), nullptr);
    window().touchDown(grip);
    window().touchMove(grip + ui::Point(0, -20));
    window().touchMove(grip + ui::Point(0, -60));
    EXPECT_EQ(root->view()->frame().origin.y, -60);
    window().touchUp(grip + ui::Point(0, -60));
}

TEST_F(ModalSheetTest, TapsOnTheOverlayDoNothingOnceTapToCloseIsOff) {
    auto sheet = open<SheetModalViewController>(ModalSheetViewController::kSheetInContext);
    sheet->setTapParentViewToClose(false);
    driver().tapAt({160, 40});
    run(1);
    EXPECT_EQ(parent->presentedViewController(), sheet);
}

TEST_F(ModalSheetTest, OlderSheetRisesOverItsParentInContextAndClosesInTheBackground) {
    auto sheet = open<TovikModalViewController>(ModalSheetViewController::kSheetInContext);
    EXPECT_EQ(log.takeFirst(), "opened");
    EXPECT_TRUE(sheet->isShown());
    EXPECT_EQ(sheet->view()->frame().origin.y, 480 - 300);
    EXPECT_EQ(parent->view()->window(), &window());
    EXPECT_EQ(parent->view()->center().y, 240 - 44);
    EXPECT_EQ(parent->modalPresentationStyle(), ui::ModalPresentationStyle::CurrentContext);

    ns::NotificationCenter::defaultCenter().post(ui::kApplicationDidEnterBackgroundNotification);
    run(1);
    EXPECT_FALSE(sheet->isShown());
    EXPECT_EQ(log, (QStringList{"delegate", "closed"}));
    EXPECT_EQ(sheet->overlayView()->superview(), nullptr);
    EXPECT_EQ(parent->modalPresentationStyle(), ui::ModalPresentationStyle::FullScreen);
    expectParentAsBefore();
}

TEST_F(ModalSheetTest, OlderSheetInTheStandardStyleComesBackToItsSize) {
    auto sheet = open<TovikModalViewController>(ModalSheetViewController::kStandard);
    EXPECT_EQ(parent->presentedViewController(), sheet);
    // The sheet covers the whole screen here: it closes from inside.
    customModalViewController(*list)->dismissRootViewControllerWithcompletion({});
    run(1);
    EXPECT_EQ(log, (QStringList{"opened", "delegate", "closed"}));
    expectParentAsBefore();
}

}  // namespace
