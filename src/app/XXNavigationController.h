#pragma once

#include "platform/uikit/gesture_recognizer.h"
#include "platform/uikit/navigation_controller.h"
#include "ui/navigation/DragBackSwitch.h"

#include <functional>
#include <memory>
#include <vector>

namespace ui {
class Image;
class ImageView;
class PanGestureRecognizer;
}  // namespace ui

// The navigation stack of every tab: besides push and pop, the user may drag the top screen
// to the right with a finger; a picture of the screen below slides in with parallax, and
// the stack pops when the drag ends more than 100 points from where it began. The pictures
// are taken at push time, one for each screen below the top (none for screens pushed from a
// search screen, which a drag-back passes over); each belongs to the screen pushed over it
// and goes when that screen leaves the stack, however it leaves.
class XXNavigationController : public ui::NavigationController,
                               public ui::GestureRecognizerDelegate,
                               public DragBackSwitch {
public:
    static constexpr double kPopDistance = 100;  // a drag must go strictly further to pop
    static constexpr double kAnimationTime = 0.3;
    static constexpr double kParallax = 0.65;
    static constexpr double kMaxDrag = 320;

    [[nodiscard]] static std::shared_ptr<XXNavigationController> create(BarFactory barFactory = {});
    explicit XXNavigationController(BarFactory barFactory = {});
    ~XXNavigationController() override;

    void viewDidLoad() override;

    void pushViewController(std::shared_ptr<ui::ViewController> controller, bool animated) override;
    std::shared_ptr<ui::ViewController> popViewControllerAnimated(bool animated) override;
    std::vector<std::shared_ptr<ui::ViewController>> popToViewController(
        const std::shared_ptr<ui::ViewController>& controller, bool animated) override;
    std::vector<std::shared_ptr<ui::ViewController>> popToRootViewControllerAnimated(
        bool animated) override;
    void setViewControllers(std::vector<std::shared_ptr<ui::ViewController>> controllers,
                            bool animated = false) override;

    [[nodiscard]] bool canDragBack() const override { return canDragBack_; }
    void setCanDragBack(bool canDragBack) override { canDragBack_ = canDragBack; }
    [[nodiscard]] bool isMoving() const { return isMoving_; }
    [[nodiscard]] const std::vector<std::shared_ptr<ui::Image>>& screenShotList() const {
        return screenShotList_;
    }
    // Run before a drag-back pop completes.
    void setDeallocBlock(std::function<void()> block) { deallocBlock_ = std::move(block); }

    // Whether `view` or one of its ancestors is of the named class.
    [[nodiscard]] static bool superViewIsClass(const QString& className, const ui::View* view);
    // Whether the top screen is a search screen.
    [[nodiscard]] bool shouldPopTwice() const;

    // The touch filter of the drag: never on the app's own buttons or on cells with their own
    // horizontal swipe; otherwise as the application-wide switch says.
    bool gestureRecognizerShouldReceiveTouch(ui::GestureRecognizer& recognizer,
                                             ui::Touch& touch) override;
    // Moves the top screen to `x` (clamped to 0 ... 320) and the picture below with parallax.
    void moveViewWithX(double x);
    // Pops as a finished drag does: the top screen slides off over the picture below.
    void popAnimation();

private:
    void paningGestureReceive(ui::PanGestureRecognizer& recognizer);
    // Completes a drag-back: takes out a search screen below the top, then pops.
    void gestureAnimation(bool animated);
    void springBack();
    // Puts the picture of the screen below behind the stack; false when there is none.
    bool showBackdrop();
    void slideOffAndPop();
    // Drops the pictures whose screens are no longer above another screen of the stack.
    void keepScreenShotsOfStack();

    bool canDragBack_ = true;
    bool isMoving_ = false;
    ui::Point startPoint_;
    std::vector<std::shared_ptr<ui::Image>> screenShotList_;
    // For each picture, the screen pushed over the screen it shows.
    std::vector<std::weak_ptr<ui::ViewController>> screenShotOwners_;
    std::shared_ptr<ui::ImageView> lastScreenShotView_;
    std::shared_ptr<ui::View> backGroundView_;
    std::shared_ptr<ui::PanGestureRecognizer> pan_;
    std::function<void()> deallocBlock_;
};
