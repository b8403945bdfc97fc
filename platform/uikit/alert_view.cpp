#include "platform/uikit/alert_view.h"

#include "platform/uikit/button.h"
#include "platform/uikit/keyboard.h"
#include "platform/uikit/label.h"
#include "platform/uikit/text_field.h"

#include <cmath>

namespace ui {

namespace {

constexpr double kMargin = 16;
constexpr double kTopPadding = 20;
constexpr double kAlertSeparator = 0.5;
constexpr double kFieldHeight = 30;
constexpr double kFieldGap = 6;

Color buttonBlue() {
    return Color::colorWithRed(0, 0.478, 1);
}

std::shared_ptr<Label> makeLabel(const QString& text, const Font& font, double width) {
    auto label = std::make_shared<Label>();
    label->setText(text);
    label->setFont(font);
    label->setNumberOfLines(0);
    label->setLineBreakMode(LineBreakMode::WordWrap);
    label->setTextAlignment(TextAlignment::Center);
    label->setBackgroundColor(Color::clearColor());
    const Size size = label->sizeThatFits(Size(width, 10000));
    label->setFrame(Rect(0, 0, width, std::ceil(size.height)));
    return label;
}

}  // namespace

AlertView::AlertView(const QString& title, const QString& message,
                     std::weak_ptr<AlertViewDelegate> delegate, const QString& cancelButtonTitle,
                     const QStringList& otherButtonTitles)
    : DelegatingOverlay(std::move(delegate)), title_(title), message_(message) {
    if (!cancelButtonTitle.isNull()) setCancelButtonIndex(addButtonWithTitle(cancelButtonTitle));
    for (const QString& other : otherButtonTitles) addButtonWithTitle(other);
}

AlertView::~AlertView() {
    for (const auto& field : fields_) field->removeTarget(this);
}

void AlertView::setAlertViewStyle(AlertViewStyle style) {
    style_ = style;
    for (const auto& field : fields_) {
        field->removeTarget(this);
        field->removeFromSuperview();
    }
    fields_.clear();
    const int count = style == AlertViewStyle::Default                 ? 0
                      : style == AlertViewStyle::LoginAndPasswordInput ? 2
                                                                       : 1;
    for (int i = 0; i < count; ++i) {
        auto field = std::make_shared<TextField>();
        field->setBorderStyle(TextBorderStyle::Line);
        field->setBackgroundColor(Color::whiteColor());
        field->setFont(Font::systemFontOfSize(13));
        field->setSecureTextEntry(style == AlertViewStyle::SecureTextInput || i == 1);
        field->addTarget(this, kControlEventEditingChanged,
                         [this](Control&, const Event*) { updateFirstOtherButton(); });
        fields_.push_back(std::move(field));
    }
}

TextField* AlertView::textFieldAtIndex(int index) const {
    return index >= 0 && std::size_t(index) < fields_.size() ? fields_[std::size_t(index)].get()
                                                             : nullptr;
}

void AlertView::updateFirstOtherButton() {
    auto listener = delegate();
    Button* button = buttonAtIndex(firstOtherButtonIndex());
    if (listener && button)
        button->setEnabled(listener->alertViewShouldEnableFirstOtherButton(*this));
}

int AlertView::firstOtherButtonIndex() const {
    for (int i = 0; i < numberOfButtons(); ++i) {
        if (i != cancelButtonIndex()) return i;
    }
    return -1;
}

void AlertView::show() {
    present(nullptr);
    updateFirstOtherButton();
    if (!fields_.empty() && isVisible()) fields_.front()->becomeFirstResponder();
}

Rect AlertView::buildPanel(View& panel, const Rect& area) {
    panel.setBackgroundColor(Color::colorWithWhite(0.97));
    panel.layer()->setCornerRadius(7);
    panel.setClipsToBounds(true);
    const double textWidth = kWidth - 2 * kMargin;
    double y = kTopPadding;
    if (!title_.isEmpty()) {
        auto label = makeLabel(title_, Font::boldSystemFontOfSize(17), textWidth);
        label->setFrame(Rect(kMargin, y, textWidth, label->frame().size.height));
        panel.addSubview(label);
        y += label->frame().size.height + 4;
    }
    if (!message_.isEmpty()) {
        auto label = makeLabel(message_, Font::systemFontOfSize(14), textWidth);
        label->setFrame(Rect(kMargin, y, textWidth, label->frame().size.height));
        panel.addSubview(label);
        y += label->frame().size.height;
    }
    for (const auto& field : fields_) {
        y += kFieldGap;
        field->setFrame(Rect(kMargin, y, textWidth, kFieldHeight));
        panel.addSubview(field);
        y += kFieldHeight;
    }
    y += kTopPadding;

    // Two buttons side by side (the cancel one on the left), else stacked
    // with the cancel one at the bottom.
    std::vector<int> order;
    for (int i = 0; i < numberOfButtons(); ++i) {
        if (i != cancelButtonIndex()) order.push_back(i);
    }
    const bool sideBySide = numberOfButtons() == 2;
    if (cancelButtonIndex() >= 0) {
        if (sideBySide) {
            order.insert(order.begin(), cancelButtonIndex());
        } else {
            order.push_back(cancelButtonIndex());
        }
    }
    for (std::size_t slot = 0; slot < order.size(); ++slot) {
        const int index = order[slot];
        auto button = makeButton(index);
        const bool bold = index == cancelButtonIndex();
        button->setFont(bold ? Font::boldSystemFontOfSize(17) : Font::systemFontOfSize(17));
        button->setTitleColor(buttonBlue(), kControlStateNormal);
        Rect frame;
        if (sideBySide) {
            frame = Rect(double(slot) * kWidth / 2, y, kWidth / 2, kButtonHeight);
            if (slot == 1)
                panel.addSubview(
                    makeSeparator(Rect(kWidth / 2, y, kAlertSeparator, kButtonHeight)));
        } else {
            frame = Rect(0, y + double(slot) * kButtonHeight, kWidth, kButtonHeight);
        }
        panel.addSubview(button);
        button->setFrame(frame);
        if (!sideBySide || slot == 0)
            panel.addSubview(makeSeparator(Rect(0, frame.origin.y, kWidth, kAlertSeparator)));
    }
    if (!order.empty()) y += sideBySide ? kButtonHeight : double(order.size()) * kButtonHeight;
    // With fields the keyboard comes up: the alert sits in the room above it.
    const double room = fields_.empty() ? area.size.height : area.size.height - Keyboard::kHeight;
    return Rect(std::round((area.size.width - kWidth) / 2),
                std::max(20.0, std::round((room - y) / 2)), kWidth, y);
}

void AlertView::willPresent() {
    if (auto listener = delegate()) listener->willPresentAlertView(*this);
}

void AlertView::didPresent() {
    if (auto listener = delegate()) listener->didPresentAlertView(*this);
}

void AlertView::willDismissWithButtonIndex(int index) {
    for (const auto& field : fields_) {
        if (field->isFirstResponder()) field->resignFirstResponder();
    }
    DelegatingOverlay::willDismissWithButtonIndex(index);
}

}  // namespace ui
