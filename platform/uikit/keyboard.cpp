#include "platform/uikit/keyboard.h"

#include "platform/foundation/notification_center.h"
#include "platform/uikit/keyboard_view.h"
#include "platform/uikit/responder.h"
#include "platform/uikit/text_input_traits.h"
#include "platform/uikit/window.h"
#include "platform/uikit/window_overlays.h"

#include <QRectF>

namespace ui {

Keyboard& Keyboard::shared() {
    static Keyboard keyboard;
    return keyboard;
}

Rect Keyboard::frame() const {
    const double width = 320;
    return visible_ ? Rect(0, screenHeight_ - height_, width, height_)
                    : Rect(0, screenHeight_, width, height_);
}

QVariantMap Keyboard::userInfo(const Rect& begin, const Rect& end) const {
    return {{kKeyboardFrameBeginUserInfoKey, begin.toQt()},
            {kKeyboardFrameEndUserInfoKey, end.toQt()},
            {kKeyboardAnimationDurationUserInfoKey, kAnimationDuration},
            {kKeyboardAnimationCurveUserInfoKey, kAnimationCurve}};
}

Rect Keyboard::frameFromUserInfo(const QVariantMap& userInfo, const QString& key) {
    return Rect::fromQt(userInfo.value(key).toRectF());
}

void Keyboard::inputDidBegin(Responder& input, Window& window) {
    owner_ = input.weak_from_this();
    // The keys the input asks for, also when the keyboard stays up for another input.
    if (!view_) view_ = std::make_shared<KeyboardView>();
    if (const auto* traits = dynamic_cast<const TextInputTraits*>(&input)) {
        view_->showKeysFor(traits->keyboardType(), traits->returnKeyType());
    } else {
        view_->showKeysFor(KeyboardType::Default, ReturnKeyType::Default);
    }
    // Up in another window (or in one that is gone) counts as down.
    if (visible_ && view_ && view_->window() == &window) return;
    visible_ = false;
    show(window);
}

void Keyboard::inputDidEnd(Responder& input) {
    if (owner_.lock().get() != &input) return;
    if (handingOver_) {
        endedDuringHandOver_ = true;
        return;
    }
    owner_.reset();
    hide();
}

bool Keyboard::handOver(const std::function<bool()>& become) {
    const bool outer = !handingOver_;
    handingOver_ = true;
    const bool became = become();
    if (!outer) return became;
    handingOver_ = false;
    if (endedDuringHandOver_) {
        endedDuringHandOver_ = false;
        // The input that gave way is not followed by another: the keyboard goes.
        auto owner = owner_.lock();
        if (!became && (!owner || !owner->isFirstResponder())) {
            owner_.reset();
            hide();
        }
    }
    return became;
}

void Keyboard::show(Window& window) {
    screenHeight_ = window.bounds().size.height;
    const Rect begin = frame();
    visible_ = true;
    const Rect end = frame();
    WindowOverlays::add(window, view_, WindowOverlays::kKeyboardLevel);
    view_->setFrame(window.convertRectFromView(begin, nullptr));
    slide(begin, end);
}

void Keyboard::setHeight(double height) {
    if (height == height_) return;
    const Rect begin = frame();
    height_ = height;
    if (visible_ && view_ && view_->superview()) slide(begin, frame());
}

void Keyboard::slide(const Rect& begin, const Rect& end) {
    const auto generation = ++generation_;
    ns::NotificationCenter::defaultCenter().post(kKeyboardWillShowNotification, this,
                                                 userInfo(begin, end));
    const Rect target = view_->superview()->convertRectFromView(end, nullptr);
    View::animateWithDuration(
        kAnimationDuration, 0, kViewAnimationOptionAllowUserInteraction,
        [&] { view_->setFrame(target); },
        [this, generation, begin, end](bool) {
            if (generation != generation_) return;
            ns::NotificationCenter::defaultCenter().post(kKeyboardDidShowNotification, this,
                                                         userInfo(begin, end));
        });
}

void Keyboard::hide() {
    if (!visible_) return;
    const Rect begin = frame();
    visible_ = false;
    const Rect end = frame();
    const auto generation = ++generation_;
    ns::NotificationCenter::defaultCenter().post(kKeyboardWillHideNotification, this,
                                                 userInfo(begin, end));
    auto view = view_;
    auto finish = [this, generation, begin, end, view](bool) {
        if (generation != generation_) return;
        if (view) view->removeFromSuperview();
        ns::NotificationCenter::defaultCenter().post(kKeyboardDidHideNotification, this,
                                                     userInfo(begin, end));
    };
    if (!view || !view->superview()) {
        finish(true);
        return;
    }
    const Rect target = view->superview()->convertRectFromView(end, nullptr);
    View::animateWithDuration(
        kAnimationDuration, [&] { view->setFrame(target); }, finish);
}

}  // namespace ui
