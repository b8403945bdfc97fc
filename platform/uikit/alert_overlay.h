#pragma once

#include "platform/uikit/view.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace ui {

class Button;
class Window;

// What alerts and action sheets share: a list of button titles, a panel shown
// above everything in the key window over a dimmed backdrop, and the press of
// a button that dismisses it. Shown overlays form a stack: a newer one covers
// an older, which shows again when the newer goes.
//
// The order of calls on a press is the platform's: clicked, will dismiss, and
// (after the fade, 0.2 s on the clock when animated) did dismiss.
class AlertOverlay : public View {
public:
    static constexpr double kFadeDuration = 0.2;

    ~AlertOverlay() override;

    // Adds a button; returns its index.
    int addButtonWithTitle(const QString& title);
    [[nodiscard]] int numberOfButtons() const { return int(titles_.size()); }
    [[nodiscard]] QString buttonTitleAtIndex(int index) const;
    // -1 when there is none.
    [[nodiscard]] int cancelButtonIndex() const { return cancelIndex_; }
    void setCancelButtonIndex(int index);
    [[nodiscard]] bool isVisible() const { return visible_; }

    // Dismisses as if the button at `index` had been pressed, without telling
    // the delegate of a click.
    void dismissWithClickedButtonIndex(int index, bool animated);
    // What a tap on the button at `index` does; false when not shown.
    bool pressButtonAtIndex(int index);
    // The button shown for `index` (while visible), for the driver.
    [[nodiscard]] Button* buttonAtIndex(int index) const;

    // The overlays on screen, the topmost last.
    [[nodiscard]] static std::vector<AlertOverlay*> visibleOverlays();

protected:
    AlertOverlay();
    // Shows the overlay in `window` (the key window when null).
    void present(Window* window);
    // Builds the panel's content for the current titles into `panel` and
    // returns the panel's frame within `area` (the overlay's bounds).
    virtual Rect buildPanel(View& panel, const Rect& area) = 0;
    // Makes the button for a title, grey while pressed; subclasses style the rest.
    [[nodiscard]] std::shared_ptr<Button> makeButton(int index);
    // The hairline between buttons.
    [[nodiscard]] static std::shared_ptr<View> makeSeparator(const Rect& frame);
    // The delegate's calls; `index` is the button's.
    virtual void willPresent() {}
    virtual void didPresent() {}
    virtual void clickedButtonAtIndex(int index) { (void)index; }
    virtual void willDismissWithButtonIndex(int index) { (void)index; }
    virtual void didDismissWithButtonIndex(int index) { (void)index; }
    // Where the panel starts before it fades or slides in.
    virtual void prepareEntrance(View& panel) { (void)panel; }
    virtual void animateEntrance(View& panel) { (void)panel; }
    virtual void animateExit(View& panel) { (void)panel; }

    [[nodiscard]] View& panel() const { return *panel_; }
    [[nodiscard]] const QStringList& titles() const { return titles_; }

private:
    void rebuild();
    void finishDismiss(int index);

    QStringList titles_;
    std::shared_ptr<View> panel_;
    std::vector<std::shared_ptr<Button>> buttons_;
    int cancelIndex_ = -1;
    bool visible_ = false;
    bool dismissing_ = false;
};

// The button calls an overlay of class `Overlay` makes to its delegate; every one is optional.
template <class Overlay>
class OverlayButtonDelegate {
public:
    virtual ~OverlayButtonDelegate() = default;
    virtual void clickedButtonAtIndex(Overlay& overlay, int index) { (void)overlay, (void)index; }
    virtual void willDismissWithButtonIndex(Overlay& overlay, int index) {
        (void)overlay, (void)index;
    }
    virtual void didDismissWithButtonIndex(Overlay& overlay, int index) {
        (void)overlay, (void)index;
    }
};

// An overlay with a delegate of class `Delegate` (held weakly, as the platform's are) that
// hears of its buttons; `Self` is the overlay's own class, the one the delegate is given.
template <class Self, class Delegate>
class DelegatingOverlay : public AlertOverlay {
public:
    [[nodiscard]] std::shared_ptr<Delegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<Delegate> delegate) { delegate_ = std::move(delegate); }

protected:
    explicit DelegatingOverlay(std::weak_ptr<Delegate> delegate) : delegate_(std::move(delegate)) {}

    void clickedButtonAtIndex(int index) override {
        if (auto delegate = delegate_.lock()) delegate->clickedButtonAtIndex(self(), index);
    }
    void willDismissWithButtonIndex(int index) override {
        if (auto delegate = delegate_.lock()) delegate->willDismissWithButtonIndex(self(), index);
    }
    void didDismissWithButtonIndex(int index) override {
        if (auto delegate = delegate_.lock()) delegate->didDismissWithButtonIndex(self(), index);
    }

private:
    Self& self() { return static_cast<Self&>(*this); }

    std::weak_ptr<Delegate> delegate_;
};

}  // namespace ui
