#include "ui/widgets/ModalSheetViewController.h"

#include "platform/foundation/timer.h"
#include "platform/uikit/navigation_bar.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/pan_gesture_recognizer.h"
#include "platform/uikit/tap_gesture_recognizer.h"

namespace {

constexpr double kOpeningTilt = 0.0349066;   // 2 degrees back
constexpr double kClosingTilt = -0.0523599;  // 3 degrees forward
constexpr double kPerspective = 1.0 / 300;

}  // namespace

ModalSheetViewController::ModalSheetViewController(
    std::shared_ptr<ui::ViewController> root, const std::shared_ptr<ui::ViewController>& parent)
    : rootViewController_(std::move(root)),
      fromViewController_(parent),
      panGesture_(std::make_shared<ui::PanGestureRecognizer>()),
      panFullView_(std::make_shared<ui::PanGestureRecognizer>()) {
    setAllowDragRootViewNavigationBar(true);
    setAllowDragRootView(false);
}

ModalSheetViewController::~ModalSheetViewController() {
    if (overlayView_) overlayView_->removeFromSuperview();
}

void ModalSheetViewController::setTapParentViewToClose(bool close) {
    tapParentViewToClose_ = close;
    if (tapGesture_) tapGesture_->setEnabled(close);
}

void ModalSheetViewController::setAllowDragRootViewNavigationBar(bool allow) {
    allowDragBar_ = allow;
    panGesture_->setEnabled(allow);
}

void ModalSheetViewController::setAllowDragRootView(bool allow) {
    allowDragRootView_ = allow;
    panFullView_->setEnabled(allow);
}

void ModalSheetViewController::viewDidLoad() {
    auto weak = weakAs<ModalSheetViewController>();
    for (const auto& pan : {panGesture_, panFullView_}) {
        pan->addTarget(this, [weak](ui::GestureRecognizer& recognizer) {
            if (auto self = weak.lock()) {
                self->onPanGesture(static_cast<ui::PanGestureRecognizer&>(recognizer));
            }
        });
    }
    if (!rootViewController_) return;
    addChildViewController(rootViewController_);
    const auto& rootView = rootViewController_->view();
    const ui::Rect frame = rootView->frame();
    rootView->setFrame({frame.origin.x, 0, frame.size.width, rootHeight_ + rootViewExtraHeight()});
    view()->addSubview(rootView);
    rootViewController_->didMoveToParentViewController(this);
    rootView->addGestureRecognizer(panFullView_);
    rootView->setUserInteractionEnabled(true);
    for (const auto& subview : rootView->subviews()) {
        if (auto* bar = dynamic_cast<ui::NavigationBar*>(subview.get())) {
            contentNavBar_ = bar;
            bar->addGestureRecognizer(panGesture_);
            bar->setUserInteractionEnabled(true);
        }
    }
}

std::shared_ptr<ui::View> ModalSheetViewController::parentView() const {
    auto parent = fromViewController_.lock();
    return parent ? parent->view() : nullptr;
}

std::shared_ptr<ui::View> ModalSheetViewController::makeOverlay(const ui::Rect& frame) {
    if (overlayView_) overlayView_->removeFromSuperview();
    overlayView_ = std::make_shared<ui::View>(frame);
    overlayView_->setBackgroundColor(ui::Color::blackColor());
    overlayView_->setAlpha(0);
    overlayView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth |
                                      ui::kAutoresizingFlexibleHeight);
    if (tapParentViewToClose_) {
        tapGesture_ = std::make_shared<ui::TapGestureRecognizer>(
            this, [weak = weakAs<ModalSheetViewController>()](ui::GestureRecognizer&) {
                if (auto self = weak.lock()) self->onTapGesture();
            });
        overlayView_->addGestureRecognizer(tapGesture_);
        overlayView_->setUserInteractionEnabled(true);
    }
    return overlayView_;
}

void ModalSheetViewController::tiltParent(ui::View& parent, bool opening) const {
    ui::Transform3D tilt;
    tilt.m34 = opening ? -kPerspective : kPerspective;
    tilt = tilt.rotate(opening ? kOpeningTilt : kClosingTilt, 1, 0, 0);
    parent.layer()->setZPosition(kParentZPosition);
    parent.layer()->setTransform(tilt);
}

void ModalSheetViewController::shrinkParent(ui::View& parent) {
    parent.setTransform(parent.transform().scale(parentViewScaling_, parentViewScaling_));
    const ui::Point centre = parent.center();
    parent.setCenter({centre.x, centre.y - parentViewYPath_});
}

void ModalSheetViewController::restoreParent(ui::View& parent) {
    if (!parentSaved_) return;
    parent.layer()->setTransform(parentTransformBeforeOpening_);
    parent.layer()->setZPosition(parentZBeforeOpening_);
    parent.setCenter(parentCentreBeforeOpening_);
    parentSaved_ = false;
}

void ModalSheetViewController::saveParent(ui::View& parent) {
    // Kept from the first opening on: a sheet opened again while it is still closing
    // must not take its parent's shrunken look for the original one.
    if (parentSaved_) return;
    parentTransformBeforeOpening_ = parent.layer()->transform();
    parentZBeforeOpening_ = parent.layer()->zPosition();
    parentCentreBeforeOpening_ = parent.center();
    parentSaved_ = true;
}

void ModalSheetViewController::reportClosed(const std::function<void()>& completion) {
    if (auto delegate = delegate_.lock()) delegate->customModalViewControllerDidDismiss(*this);
    if (completion) completion();
    if (closeCompletionBlock_) closeCompletionBlock_();
}

void ModalSheetViewController::after(double seconds, std::function<void()> action) {
    ns::DelayedCall::schedule(ns::seconds(seconds), std::move(action));
}

void ModalSheetViewController::onTapGesture() {
    dismissRootViewControllerWithcompletion([] {});
}

void ModalSheetViewController::onPanGesture(ui::PanGestureRecognizer& pan) {
    if (!rootViewController_) return;
    const auto root = rootViewController_->view();
    switch (pan.state()) {
        case ui::GestureRecognizerState::Began:
            initialPoint_ = root->layer()->position();
            ui::View::animateWithDuration(kDragAnimationDuration,
                                          [&] { root->setAlpha(draggedAlpha_); });
            break;
        case ui::GestureRecognizerState::Changed: {
            const ui::View* surface = root->superview();
            double y = root->center().y + pan.translationInView(surface).y;
            if (y < initialPoint_.y && !allowDragUp_) y = root->center().y;
            root->setCenter({root->center().x, y});
            pan.setTranslation({0, 0}, surface);
            break;
        }
        case ui::GestureRecognizerState::Ended:
        case ui::GestureRecognizerState::Cancelled:
            if (root->frame().origin.y > rootHeight_ * 0.5) {
                dismissRootViewControllerWithcompletion(
                    [root = std::weak_ptr<ui::View>(root), start = initialPoint_] {
                        if (auto view = root.lock()) {
                            view->layer()->setPosition(start);
                            view->setAlpha(1.0);
                        }
                    });
            } else {
                ui::View::animateWithDuration(kDragAnimationDuration, [&] {
                    root->layer()->setPosition(initialPoint_);
                    root->setAlpha(1.0);
                });
            }
            break;
        default:
            break;
    }
}

std::shared_ptr<ModalSheetViewController> customModalViewController(
    ui::ViewController& controller) {
    auto parent = controller.parentViewController();
    if (auto sheet = std::dynamic_pointer_cast<ModalSheetViewController>(parent)) return sheet;
    if (auto* navigation = controller.navigationController()) {
        return std::dynamic_pointer_cast<ModalSheetViewController>(
            navigation->parentViewController());
    }
    return nullptr;
}
