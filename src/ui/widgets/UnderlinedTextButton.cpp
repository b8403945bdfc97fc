#include "ui/widgets/UnderlinedTextButton.h"

#include "platform/uikit/button.h"
#include "platform/uikit/label.h"

namespace {

const ui::Color kPressed = ui::Color::rgb(244, 88, 0);

}  // namespace

UnderlinedTextButton::UnderlinedTextButton(const ui::Rect& frame, const QString& title,
                                           const ui::Color& resting)
    : ui::View(frame), title_(title), resting_(resting) {
    setBackgroundColor(ui::Color::clearColor());
}

QXLabelGreenBtn::QXLabelGreenBtn(const ui::Rect& frame, const QString& title)
    : UnderlinedTextButton(frame, title, ui::Color::rgb(92, 187, 57)) {}

QXLabelBtn::QXLabelBtn(const ui::Rect& frame, const QString& title)
    : UnderlinedTextButton(frame, title, ui::Color::rgb(51, 51, 51)) {}

void UnderlinedTextButton::addTarget(std::weak_ptr<const void> target,
                                     std::function<void()> action) {
    target_ = std::move(target);
    action_ = std::move(action);
}

void UnderlinedTextButton::setFont(const ui::Font& font) {
    font_ = font;
    if (auto* label = dynamic_cast<ui::Label*>(viewWithTag(kTitleTag))) label->setFont(font);
}

void UnderlinedTextButton::drawRect(const ui::Rect&) {
    buildParts();
}

void UnderlinedTextButton::buildParts() {
    // Drawing may come again (a resize); the parts are made once.
    if (built_) return;
    built_ = true;
    const ui::Size size = bounds().size;
    auto label = std::make_shared<ui::Label>(ui::Rect(0, 0, size.width, size.height - 3));
    label->setTag(kTitleTag);
    label->setFont(ui::Font::boldSystemFontOfSize(14));
    label->setTextColor(resting_);
    label->setHighlightedTextColor(kPressed);
    label->setText(title_);
    label->setBackgroundColor(ui::Color::clearColor());
    addSubview(label);

    auto underline = std::make_shared<ui::View>(ui::Rect(0, size.height - 9, size.width - 8, 1));
    underline->setTag(kUnderlineTag);
    underline->setBackgroundColor(resting_);
    addSubview(underline);

    auto button = std::make_shared<ui::Button>(ui::Rect(0, 0, size.width, size.height));
    button->addTarget(this, ui::kControlEventTouchDown,
                      [this](ui::Control&, const ui::Event*) { buttonSel2(); });
    button->addTarget(this, ui::kControlEventTouchDragEnter,
                      [this](ui::Control&, const ui::Event*) { buttonSel3(); });
    button->addTarget(this, ui::kControlEventTouchDragExit,
                      [this](ui::Control&, const ui::Event*) { buttonSel1(); });
    button->addTarget(this, ui::kControlEventTouchUpInside,
                      [this](ui::Control&, const ui::Event*) { buttonSel(); });
    addSubview(button);
}

void UnderlinedTextButton::showPressed(bool pressed) {
    pressed_ = pressed;
    if (auto* label = dynamic_cast<ui::Label*>(viewWithTag(kTitleTag))) {
        label->setHighlighted(pressed);
    }
    if (ui::View* underline = viewWithTag(kUnderlineTag)) {
        underline->setBackgroundColor(pressed ? kPressed : resting_);
    }
}

void UnderlinedTextButton::buttonSel() {
    showPressed(false);
    if (target_.lock() && action_) action_();
}

void UnderlinedTextButton::buttonSel1() {
    showPressed(false);
}

void UnderlinedTextButton::buttonSel2() {
    showPressed(true);
}

void UnderlinedTextButton::buttonSel3() {
    showPressed(true);
}
