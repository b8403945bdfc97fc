#pragma once

#include "platform/uikit/geometry.h"

#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <memory>

namespace ui {

class KeyboardView;
class Responder;
class Window;

// The keyboard's notifications and the keys of their user info: the frames
// (QRectF, screen coordinates) where the keyboard starts and ends, and the
// animation's duration (seconds) and curve.
inline const QString kKeyboardWillShowNotification =
    QStringLiteral("UIKeyboardWillShowNotification");
inline const QString kKeyboardDidShowNotification = QStringLiteral("UIKeyboardDidShowNotification");
inline const QString kKeyboardWillHideNotification =
    QStringLiteral("UIKeyboardWillHideNotification");
inline const QString kKeyboardDidHideNotification = QStringLiteral("UIKeyboardDidHideNotification");
inline const QString kKeyboardFrameBeginUserInfoKey =
    QStringLiteral("UIKeyboardFrameBeginUserInfoKey");
inline const QString kKeyboardFrameEndUserInfoKey = QStringLiteral("UIKeyboardFrameEndUserInfoKey");
inline const QString kKeyboardAnimationDurationUserInfoKey =
    QStringLiteral("UIKeyboardAnimationDurationUserInfoKey");
inline const QString kKeyboardAnimationCurveUserInfoKey =
    QStringLiteral("UIKeyboardAnimationCurveUserInfoKey");

// The on-screen keyboard: a 216-point area at the bottom of the window, shown
// while a text input is first responder. It slides in and out in 0.25 s on
// the clock, posting will-show and did-show (or will-hide and did-hide) with
// its frames. Moving from one text input to another keeps it up, with the keys
// the new input asks for (KeyboardView: letters, digits, a number pad). Its
// keys type; so do the host's keys and input method. The host sets its height:
// an input method with a row of candidates makes it taller, and a keyboard that
// is up then slides to its new frame, posting will-show and did-show again.
class Keyboard {
public:
    static constexpr double kHeight = 216;
    static constexpr double kAnimationDuration = 0.25;
    static constexpr int kAnimationCurve = 7;

    [[nodiscard]] static Keyboard& shared();

    [[nodiscard]] bool isVisible() const { return visible_; }
    [[nodiscard]] double height() const { return height_; }
    // Kept until set again (tests set kHeight back when they are done).
    void setHeight(double height);
    // In screen coordinates; below the screen while hidden.
    [[nodiscard]] Rect frame() const;
    // The keyboard's keys while it is up, for tests and the driver.
    [[nodiscard]] KeyboardView* view() const { return view_.get(); }

    // Text inputs report here. Becoming first responder goes through
    // handOver, so that the input giving way does not hide the keyboard.
    void inputDidBegin(Responder& input, Window& window);
    void inputDidEnd(Responder& input);
    bool handOver(const std::function<bool()>& become);

    // A frame of the notifications' user info.
    [[nodiscard]] static Rect frameFromUserInfo(const QVariantMap& userInfo, const QString& key);

private:
    Keyboard() = default;
    void show(Window& window);
    // Posts will-show, slides the keyboard's view from begin to end (screen
    // coordinates) and posts did-show unless another move came meanwhile.
    void slide(const Rect& begin, const Rect& end);
    void hide();
    [[nodiscard]] QVariantMap userInfo(const Rect& begin, const Rect& end) const;

    std::shared_ptr<KeyboardView> view_;
    std::weak_ptr<Responder> owner_;
    double screenHeight_ = 480;
    double height_ = kHeight;
    std::uint64_t generation_ = 0;
    bool visible_ = false;
    bool handingOver_ = false;
    bool endedDuringHandOver_ = false;
};

}  // namespace ui
