#pragma once

#include "platform/uikit/font.h"
#include "platform/uikit/geometry.h"
#include "platform/uikit/text_layout.h"

#include <QString>

namespace ui {

// Measuring and drawing plain text in one font, as the platform's string
// drawing does. Drawing goes into the current graphics context, in its fill
// colour; sizes are rounded up to whole points.
class StringDrawing {
public:
    // One line (each paragraph's width; the widest counts), no wrapping.
    [[nodiscard]] static Size sizeWithFont(const QString& text, const Font& font);
    // Broken at `size`'s width by `mode`, with as many lines as fit its height
    // (at least one).
    [[nodiscard]] static Size sizeWithFont(const QString& text, const Font& font, Size size,
                                           LineBreakMode mode = LineBreakMode::WordWrap);
    // One line at most `width` wide, cut by `mode`.
    [[nodiscard]] static Size sizeWithFont(const QString& text, const Font& font, double width,
                                           LineBreakMode mode);

    // One line with its top-left at `point`; returns the size drawn.
    static Size drawAtPoint(const QString& text, Point point, const Font& font);
    static Size drawAtPoint(const QString& text, Point point, double width, const Font& font,
                            LineBreakMode mode);
    // Lines broken and cut to fit `rect`, from its top; returns the size drawn.
    static Size drawInRect(const QString& text, const Rect& rect, const Font& font,
                           LineBreakMode mode = LineBreakMode::WordWrap,
                           TextAlignment alignment = TextAlignment::Left);
    // Draws a finished layout into the current context.
    static void drawLayout(const TextLayout& layout, const Rect& rect, TextAlignment alignment);
};

}  // namespace ui
