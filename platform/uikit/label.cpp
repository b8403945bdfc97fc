#include "platform/uikit/label.h"

#include "platform/uikit/graphics_context.h"
#include "platform/uikit/string_drawing.h"

#include <cmath>

namespace ui {

Label::Label() : Label(Rect{}) {}

Label::Label(const Rect& frame) : View(frame) {
    setUserInteractionEnabled(false);
    setContentMode(ContentMode::Redraw);
}

void Label::setText(const QString& text) {
    if (text == text_ && text.isNull() == text_.isNull()) return;
    text_ = text;
    setNeedsDisplay();
}

void Label::setFont(const Font& font) {
    font_ = font;
    setNeedsDisplay();
}

void Label::setTextColor(const Color& color) {
    textColor_ = color;
    setNeedsDisplay();
}

void Label::setHighlightedTextColor(const Color& color) {
    highlightedTextColor_ = color;
    setNeedsDisplay();
}

void Label::setHighlighted(bool highlighted) {
    if (highlighted == highlighted_) return;
    highlighted_ = highlighted;
    setNeedsDisplay();
}

void Label::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    setNeedsDisplay();
}

void Label::setTextAlignment(TextAlignment alignment) {
    alignment_ = alignment;
    setNeedsDisplay();
}

void Label::setLineBreakMode(LineBreakMode mode) {
    lineBreakMode_ = mode;
    setNeedsDisplay();
}

void Label::setNumberOfLines(int lines) {
    numberOfLines_ = std::max(0, lines);
    setNeedsDisplay();
}

void Label::setAdjustsFontSizeToFitWidth(bool adjusts) {
    adjustsFontSize_ = adjusts;
    setNeedsDisplay();
}

void Label::setMinimumFontSize(double size) {
    minimumFontSize_ = size;
    setNeedsDisplay();
}

void Label::setMinimumScaleFactor(double factor) {
    minimumScaleFactor_ = factor;
    setNeedsDisplay();
}

void Label::setShadowColor(const Color& color) {
    shadowColor_ = color;
    setNeedsDisplay();
}

void Label::setShadowOffset(Size offset) {
    shadowOffset_ = offset;
    setNeedsDisplay();
}

Font Label::fontForWidth(double width) const {
    if (!adjustsFontSize_ || numberOfLines_ != 1 || text_.isEmpty()) return font_;
    const double natural = StringDrawing::sizeWithFont(text_, font_).width;
    if (natural <= width || natural <= 0) return font_;
    double minimum = minimumFontSize_ > 0 ? minimumFontSize_ : 0;
    if (minimumScaleFactor_ > 0)
        minimum = std::max(minimum, font_.pointSize() * minimumScaleFactor_);
    // Half-point steps down to the first size whose text fits.
    double size = std::floor(font_.pointSize() * width / natural * 2) / 2;
    size = std::max(size, minimum);
    while (size > minimum &&
           StringDrawing::sizeWithFont(text_, font_.fontWithSize(size)).width > width) {
        size -= 0.5;
    }
    return font_.fontWithSize(std::max(size, std::max(minimum, 1.0)));
}

TextLayout Label::layoutIn(const Rect& bounds, int numberOfLines) const {
    TextLayout::Options options;
    options.width = bounds.size.width;
    options.height = bounds.size.height;
    options.maximumLines = numberOfLines;
    options.mode = lineBreakMode_;
    options.singleLine = numberOfLines == 1;
    return TextLayout(text_, fontForWidth(bounds.size.width), options);
}

Rect Label::textRectForBounds(const Rect& bounds, int numberOfLines) const {
    const Size size = layoutIn(bounds, numberOfLines).size();
    return {bounds.origin, {std::min(size.width, bounds.size.width), size.height}};
}

void Label::drawRect(const Rect&) {
    drawTextInRect(bounds());
}

void Label::drawTextInRect(const Rect& rect) {
    auto* context = GraphicsContext::current();
    if (!context || text_.isEmpty()) return;
    const TextLayout layout = layoutIn(rect, numberOfLines_);
    const double height = layout.exactSize().height;
    const Rect lines{rect.origin.x, rect.origin.y + (rect.size.height - height) / 2,
                     rect.size.width, height};
    Color color =
        highlighted_ && highlightedTextColor_.isValid() ? highlightedTextColor_ : textColor_;
    if (!enabled_) color = color.colorWithAlphaComponent(color.alpha() * 0.44);
    QPainter& painter = context->painter();
    const bool clips = layout.isTruncated();
    painter.save();
    if (clips) painter.setClipRect(rect.toQt(), Qt::IntersectClip);
    if (!shadowColor_.isInvisible()) {
        // A negative height puts the shadow above the text (the default, a top shadow).
        layout.draw(painter, lines.offsetBy(shadowOffset_.width, shadowOffset_.height), alignment_,
                    shadowColor_.toQt());
    }
    layout.draw(painter, lines, alignment_, color.toQt());
    painter.restore();
}

Size Label::sizeThatFits(Size size) const {
    if (text_.isEmpty()) return {0, 0};
    if (numberOfLines_ == 1) return StringDrawing::sizeWithFont(text_, font_);
    TextLayout::Options options;
    options.width = size.width > 0 ? size.width : TextLayout::kUnbounded;
    options.maximumLines = numberOfLines_;
    options.mode = lineBreakMode_;
    return TextLayout(text_, font_, options).size();
}

QStringList Label::displayedLines() const {
    if (text_.isEmpty()) return {};
    return layoutIn(bounds(), numberOfLines_).lineTexts();
}

}  // namespace ui
