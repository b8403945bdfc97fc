#include "ui/widgets/VerticallyAlignedLabel.h"

VerticallyAlignedLabel::VerticallyAlignedLabel(const ui::Rect& frame) : ui::Label(frame) {}

void VerticallyAlignedLabel::setVerticalAlignment(int alignment) {
    verticalAlignment_ = alignment;
    setNeedsDisplay();
}

ui::Rect VerticallyAlignedLabel::textRectForBounds(const ui::Rect& bounds,
                                                   int numberOfLines) const {
    ui::Rect text = ui::Label::textRectForBounds(bounds, numberOfLines);
    switch (verticalAlignment_) {
        case kMiddle:
            text.origin.y = bounds.origin.y + (bounds.size.height - text.size.height) / 2;
            break;
        case kBottom:
            text.origin.y = bounds.origin.y + bounds.size.height - text.size.height;
            break;
        default:
            text.origin.y = bounds.origin.y;
            break;
    }
    return text;
}

void VerticallyAlignedLabel::drawTextInRect(const ui::Rect& rect) {
    ui::Rect text = textRectForBounds(rect, numberOfLines());
    // The text keeps the label's width; only its height and place change.
    text.size.width = rect.size.width;
    ui::Label::drawTextInRect(text);
}

void VerticallyAlignedLabel::setHighlighted(bool highlighted) {
    ui::Label::setHighlighted(highlighted);
    setShadowOffset(highlighted ? ui::Size(0, 0) : ui::Size(0, 1));
}
