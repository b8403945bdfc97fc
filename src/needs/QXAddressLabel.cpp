#include "needs/QXAddressLabel.h"

#include "platform/uikit/graphics_context.h"
#include "platform/uikit/string_drawing.h"

void QXAddressLabel::setText(const QString& text, qsizetype start, qsizetype length,
                             const ui::Color& colour) {
    start_ = start;
    length_ = length;
    colour_ = colour;
    ui::Label::setText(text);
    setNeedsDisplay();
}

void QXAddressLabel::setPlainText(const QString& text) {
    colour_.reset();
    ui::Label::setText(text);
    setNeedsDisplay();
}

void QXAddressLabel::drawTextInRect(const ui::Rect& rect) {
    ui::GraphicsContext* context = ui::GraphicsContext::current();
    if (!colour_ || !context) {
        ui::Label::drawTextInRect(rect);
        return;
    }
    const QString& whole = text();
    const QString parts[] = {whole.left(start_), whole.mid(start_, length_),
                             whole.mid(start_ + length_)};
    ui::Point at(rect.minX(), rect.minY() + (rect.height() - font().lineHeight()) / 2);
    for (int i = 0; i < 3; ++i) {
        context->setFillColor(i == 1 ? *colour_ : textColor());
        at.x += ui::StringDrawing::drawAtPoint(parts[i], at, font()).width;
    }
}
