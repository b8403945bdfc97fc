#include "ui/widgets/TovikModalViewController.h"

#include "platform/foundation/notification_center.h"
#include "platform/uikit/animation_block.h"
#include "platform/uikit/application.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/tab_bar_controller.h"
#include "platform/uikit/window.h"
#include "ui/widgets/PlatformVersion.h"
#include "ui/widgets/SheetModalViewController.h"

std::shared_ptr<ModalSheetViewController> TovikModalViewController::initWithRootViewController(
    std::shared_ptr<ui::ViewController> root, const std::shared_ptr<ui::ViewController>& parent) {
    if (PlatformVersion::isVersion7OrLater()) {
        return std::make_shared<SheetModalViewController>(std::move(root), parent);
    }
    return std::make_shared<TovikModalViewController>(std::move(root), parent);
}

TovikModalViewController::TovikModalViewController(
    std::shared_ptr<ui::ViewController> root, const std::shared_ptr<ui::ViewController>& parent)
    : ModalSheetViewController(std::move(root), parent) {
    // The tall screen (640 x 1136 pixels) moves the parent further up.
    parentViewYPath_ =
        ui::Screen::mainScreen().bounds().size.height == ui::Screen::kTallHeight ? 54.0 : 44.0;
}

void TovikModalViewController::viewDidLoad() {
    backgroundObservation_ = ns::NotificationCenter::defaultCenter().addObserver(
        ui::kApplicationDidEnterBackgroundNotification,
        [weak = weakAs<TovikModalViewController>()](const ns::Notification&) {
            if (auto self = weak.lock()) self->applicationWillResignActive();
        });
    ModalSheetViewController::viewDidLoad();
}

void TovikModalViewController::applicationWillResignActive() {
    if (show_) onTapGesture();
}

void TovikModalViewController::onTapGesture() {
    setHidesBottomBarWhenPushed(true);
    if (auto* tabs = tabBarController()) tabs->setHidesBottomBarWhenPushed(true);
    dismissRootViewControllerWithcompletion([] {});
}

void TovikModalViewController::presentRootViewControllerWithPresentationStyle(
    int style, std::function<void()> completion) {
    auto parent = fromViewController_.lock();
    auto parentView = this->parentView();
    if (!parent || !parentView || !parentView->window()) return;
    currentPresentationStyle_ = style;
    ui::Window* window = parentView->window();
    window->setBackgroundColor(ui::Color::blackColor());
    show_ = true;
    saveParent(*parentView);
    auto overlay =
        makeOverlay({0, 0, parentView->frame().size.width, parentView->frame().size.height});
    window->addSubview(overlay);
    auto self = sharedAs<TovikModalViewController>();
    ui::View::animateWithDuration(
        animationSpeed_,
        [&] {
            overlay->setAlpha(kOverlayAlpha);
            tiltParent(*parentView, true);
        },
        [self, parent, parentView, style, completion = std::move(completion)](bool) mutable {
            ui::View::animateWithDuration(self->animationSpeed_, 0,
                                          ui::kViewAnimationOptionCurveEaseIn,
                                          [&] { self->shrinkParent(*parentView); });
            after(kOpeningStepDelay, [self, parent, style, completion = std::move(completion)] {
                if (style == kSheetInContext) {
                    parent->setModalPresentationStyle(ui::ModalPresentationStyle::CurrentContext);
                    parent->presentViewController(self, false);
                    const auto& sheet = self->view();
                    ui::Rect frame = sheet->frame();
                    frame.origin.y = frame.size.height + 30;
                    sheet->setFrame(frame);
                    ui::View::animateWithDuration(
                        self->animationSpeed_,
                        [&] {
                            ui::Rect shown = sheet->frame();
                            shown.origin.y = shown.size.height - self->rootHeight_;
                            sheet->setFrame(shown);
                        },
                        [completion](bool) {
                            if (completion) completion();
                        });
                } else if (style == kStandard) {
                    parent->presentViewController(self, true, completion);
                }
            });
        });
}

void TovikModalViewController::dismissRootViewControllerWithcompletion(
    std::function<void()> completion) {
    auto parent = fromViewController_.lock();
    auto parentView = this->parentView();
    show_ = false;
    setHidesBottomBarWhenPushed(true);
    if (auto* tabs = tabBarController()) tabs->setHidesBottomBarWhenPushed(true);
    if (!parent || !parentView) return;
    parent->dismissViewControllerAnimated(true);
    if (currentPresentationStyle_ == kStandard) {
        parentView->setTransform(
            parentView->transform().scale(parentViewScaling_, parentViewScaling_));
    }
    auto self = sharedAs<TovikModalViewController>();
    after(kClosingStepDelay, [self, parent, parentView, completion = std::move(completion)] {
        ui::View::animateWithDuration(
            self->animationSpeed_, kClosingTiltDelay, ui::kViewAnimationOptionCurveEaseIn,
            [&] { self->tiltParent(*parentView, false); },
            [self, parent, parentView, completion](bool) {
                ui::View::animateWithDuration(
                    self->animationSpeed_,
                    [&] {
                        if (self->overlayView_) self->overlayView_->setAlpha(0);
                        self->restoreParent(*parentView);
                    },
                    [self, parent, completion](bool) {
                        // Even when the fade was cut short, nothing stays over the parent.
                        if (self->overlayView_) self->overlayView_->removeFromSuperview();
                        parent->setModalPresentationStyle(ui::ModalPresentationStyle::FullScreen);
                        self->reportClosed(completion);
                    });
            });
    });
}
