#include "platform/uikit/string_drawing.h"

#include "platform/uikit/graphics_context.h"

namespace ui {

Size StringDrawing::sizeWithFont(const QString& text, const Font& font) {
    TextLayout::Options options;
    options.mode = LineBreakMode::Clip;
    const TextLayout layout(text, font, options);
    return {layout.size().width, std::ceil(font.lineHeight() - 1e-9)};
}

Size StringDrawing::sizeWithFont(const QString& text, const Font& font, Size size,
                                 LineBreakMode mode) {
    TextLayout::Options options;
    options.width = size.width;
    options.height = size.height;
    options.mode = mode;
    return TextLayout(text, font, options).size();
}

Size StringDrawing::sizeWithFont(const QString& text, const Font& font, double width,
                                 LineBreakMode mode) {
    TextLayout::Options options;
    options.width = width;
    options.mode = mode;
    options.singleLine = true;
    Size size = TextLayout(text, font, options).size();
    size.width = std::min(size.width, std::ceil(width));
    return size;
}

void StringDrawing::drawLayout(const TextLayout& layout, const Rect& rect,
                               TextAlignment alignment) {
    auto* context = GraphicsContext::current();
    if (!context || layout.lineCount() == 0) return;
    const QColor color = context->fillColor().toQt();
    const bool clips = layout.isTruncated();
    context->drawWithShadow([&](QPainter& painter) {
        if (clips) {
            painter.save();
            painter.setClipRect(rect.toQt(), Qt::IntersectClip);
        }
        layout.draw(painter, rect, alignment, color);
        if (clips) painter.restore();
    });
}

Size StringDrawing::drawAtPoint(const QString& text, Point point, const Font& font) {
    TextLayout::Options options;
    options.mode = LineBreakMode::Clip;
    options.singleLine = true;
    const TextLayout layout(text, font, options);
    const Size size = layout.size();
    drawLayout(layout, Rect(point, size), TextAlignment::Left);
    return size;
}

Size StringDrawing::drawAtPoint(const QString& text, Point point, double width, const Font& font,
                                LineBreakMode mode) {
    TextLayout::Options options;
    options.width = width;
    options.mode = mode;
    options.singleLine = true;
    const TextLayout layout(text, font, options);
    Size size = layout.size();
    size.width = std::min(size.width, width);
    drawLayout(layout, Rect(point, Size(width, size.height)), TextAlignment::Left);
    return size;
}

Size StringDrawing::drawInRect(const QString& text, const Rect& rect, const Font& font,
                               LineBreakMode mode, TextAlignment alignment) {
    TextLayout::Options options;
    options.width = rect.size.width;
    options.height = rect.size.height;
    options.mode = mode;
    const TextLayout layout(text, font, options);
    drawLayout(layout, rect, alignment);
    return layout.size();
}

}  // namespace ui
