#include "app/XXNavigationController.h"

#include "app/QXAppDelegate.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/pan_gesture_recognizer.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/tab_bar_controller.h"
#include "platform/uikit/touch.h"

#include <algorithm>

namespace {
const QString kSearchScreen = QStringLiteral("SearchViewController");

double screenWidth() {
    return ui::Screen::mainScreen().bounds().width();
}
double screenHeight() {
    return ui::Screen::mainScreen().bounds().height();
}
}  // namespace

std::shared_ptr<XXNavigationController> XXNavigationController::create(BarFactory barFactory) {
    return std::make_shared<XXNavigationController>(std::move(barFactory));
}

XXNavigationController::XXNavigationController(BarFactory barFactory)
    : ui::NavigationController(std::move(barFactory)) {}

XXNavigationController::~XXNavigationController() = default;

void XXNavigationController::viewDidLoad() {
    ui::NavigationController::viewDidLoad();
    pan_ = std::make_shared<ui::PanGestureRecognizer>();
    pan_->addTarget(this, [this](ui::GestureRecognizer& recognizer) {
        paningGestureReceive(static_cast<ui::PanGestureRecognizer&>(recognizer));
    });
    pan_->setDelegate(std::static_pointer_cast<XXNavigationController>(shared_from_this()));
    view()->addGestureRecognizer(pan_);
}

void XXNavigationController::pushViewController(std::shared_ptr<ui::ViewController> controller,
                                                bool animated) {
    // A push the stack refuses (no screen, or one already on it) takes no picture either.
    const auto& stack = viewControllers();
    const bool refused = !controller || controller.get() == this ||
                         std::find(stack.begin(), stack.end(), controller) != stack.end();
    if (!refused && !shouldPopTwice()) {
        // The second screen of a tab shows the whole shell behind it, custom tab bar included.
        ui::TabBarController* tabs = tabBarController();
        std::shared_ptr<ui::Image> picture;
        if (stack.size() < 2 && tabs) {
            picture = tabs->view()->snapshotImage();
        } else {
            picture = view()->snapshotImage();
        }
        if (picture) {
            screenShotList_.push_back(std::move(picture));
            screenShotOwners_.push_back(controller);
        }
    }
    ui::NavigationController::pushViewController(std::move(controller), animated);
}

void XXNavigationController::keepScreenShotsOfStack() {
    const auto& stack = viewControllers();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < screenShotList_.size(); ++i) {
        const auto owner = screenShotOwners_[i].lock();
        // A screen that is the root (or gone) has no screen below it to show.
        const auto found = std::find(stack.begin(), stack.end(), owner);
        if (!owner || found == stack.end() || found == stack.begin()) continue;
        if (kept != i) {
            screenShotList_[kept] = std::move(screenShotList_[i]);
            screenShotOwners_[kept] = std::move(screenShotOwners_[i]);
        }
        ++kept;
    }
    screenShotList_.resize(kept);
    screenShotOwners_.resize(kept);
}

std::shared_ptr<ui::ViewController> XXNavigationController::popViewControllerAnimated(
    bool animated) {
    auto popped = ui::NavigationController::popViewControllerAnimated(animated);
    keepScreenShotsOfStack();
    return popped;
}

std::vector<std::shared_ptr<ui::ViewController>> XXNavigationController::popToViewController(
    const std::shared_ptr<ui::ViewController>& controller, bool animated) {
    auto popped = ui::NavigationController::popToViewController(controller, animated);
    keepScreenShotsOfStack();
    return popped;
}

std::vector<std::shared_ptr<ui::ViewController>>
XXNavigationController::popToRootViewControllerAnimated(bool animated) {
    auto popped = ui::NavigationController::popToRootViewControllerAnimated(animated);
    keepScreenShotsOfStack();
    return popped;
}

void XXNavigationController::setViewControllers(
    std::vector<std::shared_ptr<ui::ViewController>> controllers, bool animated) {
    ui::NavigationController::setViewControllers(std::move(controllers), animated);
    keepScreenShotsOfStack();
}

bool XXNavigationController::superViewIsClass(const QString& className, const ui::View* view) {
    for (const ui::View* current = view; current; current = current->superview()) {
        if (current->className() == className) return true;
    }
    return false;
}

bool XXNavigationController::shouldPopTwice() const {
    const auto top = topViewController();
    return top && top->className() == kSearchScreen;
}

bool XXNavigationController::gestureRecognizerShouldReceiveTouch(ui::GestureRecognizer&,
                                                                 ui::Touch& touch) {
    const ui::View* touched = touch.view();
    if (touched && touched->className() == QStringLiteral("QXButton")) return false;
    for (const char* cell : {"QXHistoryCell", "QXChatListCell", "QXNeedHistroyCell"}) {
        if (superViewIsClass(QString::fromLatin1(cell), touched)) return false;
    }
    return QXAppDelegate::sharedAppDelegate().isShouldDragBackGesture();
}

void XXNavigationController::moveViewWithX(double x) {
    x = std::clamp(x, 0.0, kMaxDrag);
    ui::Rect frame = view()->frame();
    frame.origin.x = x;
    view()->setFrame(frame);
    if (lastScreenShotView_) {
        ui::Rect picture = lastScreenShotView_->frame();
        picture.origin.x = kParallax * x - kParallax * screenWidth();
        lastScreenShotView_->setFrame(picture);
    }
}

void XXNavigationController::paningGestureReceive(ui::PanGestureRecognizer& recognizer) {
    const ui::GestureRecognizerState state = recognizer.state();
    if (viewControllers().size() < 2 || !canDragBack_) {
        // The stack lost the screen below (a push notification took it to its root) or
        // drag-back was switched off while a drag was under way: the lifted finger lets the
        // screen settle back instead of leaving it part-way off the screen.
        const bool lifted = state == ui::GestureRecognizerState::Ended ||
                            state == ui::GestureRecognizerState::Cancelled;
        if (lifted && isMoving_) springBack();
        return;
    }
    const ui::Point p = recognizer.locationInView(nullptr);
    switch (state) {
        case ui::GestureRecognizerState::Began: {
            if (!showBackdrop()) return;
            isMoving_ = true;
            startPoint_ = p;
            moveViewWithX(p.x - startPoint_.x);
            break;
        }
        case ui::GestureRecognizerState::Changed:
            if (isMoving_) moveViewWithX(p.x - startPoint_.x);
            break;
        case ui::GestureRecognizerState::Ended:
            if (!isMoving_) return;
            if (p.x - startPoint_.x > kPopDistance) {
                slideOffAndPop();
            } else {
                springBack();
            }
            break;
        case ui::GestureRecognizerState::Cancelled:
            if (isMoving_) springBack();
            break;
        default:
            break;
    }
}

bool XXNavigationController::showBackdrop() {
    if (screenShotList_.empty()) return false;
    ui::View* container = view()->superview();
    if (!backGroundView_) {
        backGroundView_ = std::make_shared<ui::View>(
            ui::Rect(0, 0, view()->frame().size.width, view()->frame().size.height));
        backGroundView_->setBackgroundColor(ui::Color::blackColor());
    }
    if (container) container->insertSubviewBelowSubview(backGroundView_, view().get());
    backGroundView_->setHidden(false);
    if (lastScreenShotView_) lastScreenShotView_->removeFromSuperview();
    lastScreenShotView_ = std::make_shared<ui::ImageView>(
        ui::Rect(-kParallax * screenWidth(), 0, 320, screenHeight()));
    lastScreenShotView_->setImage(screenShotList_.back());
    backGroundView_->addSubview(lastScreenShotView_);
    return true;
}

void XXNavigationController::slideOffAndPop() {
    auto weak = std::weak_ptr<ui::Responder>(shared_from_this());
    ui::View::animateWithDuration(
        kAnimationTime, [this] { moveViewWithX(screenWidth()); },
        [this, weak](bool) {
            if (!weak.lock()) return;
            if (deallocBlock_) deallocBlock_();
            gestureAnimation(false);
            moveViewWithX(0);
            isMoving_ = false;
            if (backGroundView_) backGroundView_->setHidden(true);
        });
}

void XXNavigationController::popAnimation() {
    if (viewControllers().size() < 2 || isMoving_ || !showBackdrop()) return;
    isMoving_ = true;
    moveViewWithX(0);
    slideOffAndPop();
}

void XXNavigationController::springBack() {
    auto weak = std::weak_ptr<ui::Responder>(shared_from_this());
    ui::View::animateWithDuration(
        kAnimationTime, [this] { moveViewWithX(0); },
        [this, weak](bool) {
            if (!weak.lock()) return;
            isMoving_ = false;
            if (backGroundView_) backGroundView_->setHidden(true);
        });
}

void XXNavigationController::gestureAnimation(bool animated) {
    std::vector<std::shared_ptr<ui::ViewController>> stack = viewControllers();
    // Only a search screen below the top is passed over: a drag from the search screen
    // itself returns to the screen it shows underneath, one level down.
    const auto top = stack.empty() ? stack.end() : stack.end() - 1;
    const auto search = std::find_if(stack.begin(), top, [](const auto& controller) {
        return controller->className() == kSearchScreen;
    });
    if (search != top) {
        // The picture kept for the search screen shows the screen below it, which is what
        // now lies below the screen that was pushed from it.
        for (auto& owner : screenShotOwners_) {
            if (owner.lock() == *search) owner = *(search + 1);
        }
        stack.erase(search);
        setViewControllers(std::move(stack), false);
    }
    popViewControllerAnimated(animated);
}
