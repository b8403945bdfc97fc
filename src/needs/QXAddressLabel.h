#pragma once

#include "platform/uikit/label.h"

#include <optional>

// A one-line label that draws one part of its text in a colour of its own (the street of the
// map point picker's "在…附近3km内找房"), the rest in the label's colour.
class QXAddressLabel : public ui::Label {
public:
    using ui::Label::Label;

    // The text with the characters [start, start + length) in `colour`.
    void setText(const QString& text, qsizetype start, qsizetype length, const ui::Color& colour);
    // Plain text in the label's colour.
    void setPlainText(const QString& text);
    [[nodiscard]] std::optional<ui::Color> highlightColour() const { return colour_; }

protected:
    void drawTextInRect(const ui::Rect& rect) override;

private:
    qsizetype start_ = 0;
    qsizetype length_ = 0;
    std::optional<ui::Color> colour_;
};
