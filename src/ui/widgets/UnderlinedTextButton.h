#pragma once

#include "platform/uikit/font.h"
#include "platform/uikit/view.h"

#include <QString>

#include <functional>
#include <memory>

// A link-like button: a bold 14-point title with a thin line under it, which turns
// orange while the finger is on it and calls one action when released inside. The
// parts are built when the view is first drawn.
class UnderlinedTextButton : public ui::View {
public:
    static constexpr int kTitleTag = 100;
    static constexpr int kUnderlineTag = 101;

    UnderlinedTextButton(const ui::Rect& frame, const QString& title, const ui::Color& resting);

    // The action runs only while its target is alive; an earlier pair is replaced.
    void addTarget(std::weak_ptr<const void> target, std::function<void()> action);
    [[nodiscard]] const ui::Font& font() const { return font_; }
    // Reaches the title once the parts exist.
    void setFont(const ui::Font& font);
    [[nodiscard]] const QString& title() const { return title_; }
    [[nodiscard]] bool isPressed() const { return pressed_; }

    void drawRect(const ui::Rect& rect) override;
    // Released inside: the resting look, then the action.
    void buttonSel();
    // Dragged out: the resting look.
    void buttonSel1();
    // Touched down: the pressed look.
    void buttonSel2();
    // Dragged back in: the pressed look.
    void buttonSel3();

private:
    void buildParts();
    void showPressed(bool pressed);

    std::weak_ptr<const void> target_;
    std::function<void()> action_;
    QString title_;
    ui::Font font_;
    ui::Color resting_;
    bool built_ = false;
    bool pressed_ = false;
};

// The green variant, the captcha's "看不清，换一张" link.
class QXLabelGreenBtn : public UnderlinedTextButton {
public:
    QXLabelGreenBtn(const ui::Rect& frame, const QString& title);
};

// The dark grey variant.
class QXLabelBtn : public UnderlinedTextButton {
public:
    QXLabelBtn(const ui::Rect& frame, const QString& title);
};
