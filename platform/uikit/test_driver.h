#pragma once

#include "platform/uikit/geometry.h"
#include "platform/uikit/key_input.h"
#include "platform/uikit/view.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace ui {

class Image;
class PointerGestures;
class Window;

// Drives a window as a user would, for tests and scripted demos: finds views by
// tag, class, shown text or accessibility label (visible ones only, in tree
// order), taps, drags and pinches, types into the first responder, reads what
// labels show and takes screenshots. Time goes by on the one clock: a manual
// clock is advanced, a real one waited for.
class TestDriver {
public:
    explicit TestDriver(std::shared_ptr<Window> window);
    ~TestDriver();
    TestDriver(TestDriver&&) noexcept;
    TestDriver& operator=(TestDriver&&) noexcept;

    [[nodiscard]] Window& window() const { return *window_; }

    // Finding; nullptr when nothing matches.
    [[nodiscard]] View* findByTag(int tag) const;
    [[nodiscard]] View* findByText(const QString& text) const;
    [[nodiscard]] View* findByAccessibilityLabel(const QString& label) const;
    [[nodiscard]] View* findByClassName(const QString& className) const;
    [[nodiscard]] std::vector<View*> findAll(const std::function<bool(View&)>& match) const;
    template <class T>
    [[nodiscard]] T* find(const std::function<bool(T&)>& match = {}) const {
        for (View* view : findAll([&](View& v) {
                 auto* typed = dynamic_cast<T*>(&v);
                 return typed && (!match || match(*typed));
             })) {
            return static_cast<T*>(view);
        }
        return nullptr;
    }

    // Acting. A tap lands on the view's centre; it fails (and taps nothing) when
    // something else covers that point.
    bool tap(const View* view);
    bool tapText(const QString& text);
    void tapAt(Point location);
    void doubleTapAt(Point location);
    // Holds the finger still for `seconds`.
    void longPressAt(Point location, double seconds = 1);
    // Drags in `steps` moves spread over `seconds`.
    void drag(Point from, Point to, double seconds = 0.3, int steps = 10);
    // Two fingers around `centre` going from one distance apart to another.
    void pinch(Point centre, double fromDistance, double toDistance, double seconds = 0.3,
               int steps = 10);
    // Turns the mouse wheel by `notches` (positive away from the user) with the pointer at
    // `location`, as the desktop window passes it on (PointerGestures): it zooms what takes
    // pinches, else scrolls the list there. False when nothing there does either.
    bool wheel(Point location, double notches);
    // Taps the on-screen keyboard's key that shows `label` ("a", "空格", "删除", "123",
    // "⇧", the return key's label); false when the keyboard is down or has no such key.
    bool tapKey(const QString& label);
    // Types into the first responder; false when it takes no text.
    bool type(const QString& text);
    // Composes `marked` with the input method, then commits `committed`.
    bool compose(const QStringList& marked, const QString& committed);
    bool pressReturn();
    bool pressBackspace();
    // An arrow key, Home or End.
    bool pressCaretKey(CaretMovement movement);

    // Reading: a label's shown lines (cut as drawn), any other view's text.
    [[nodiscard]] QString textOf(const View* view) const;
    [[nodiscard]] std::shared_ptr<Image> screenshot(double scale = 0) const;
    bool saveScreenshot(const QString& path, double scale = 0) const;

    // Lets time pass.
    void wait(double seconds);

private:
    std::shared_ptr<Window> window_;
    std::unique_ptr<PointerGestures> pointer_;
};

}  // namespace ui
