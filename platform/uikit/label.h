#pragma once

#include "platform/uikit/font.h"
#include "platform/uikit/text_layout.h"
#include "platform/uikit/view.h"

#include <QString>
#include <QStringList>

namespace ui {

// A view that shows read-only text: one line by default, cut at the tail,
// vertically centred in its bounds, redrawn whenever its size changes. It takes
// no touches unless told to.
class Label : public View {
public:
    Label();
    explicit Label(const Rect& frame);

    [[nodiscard]] const QString& text() const { return text_; }
    void setText(const QString& text);
    [[nodiscard]] const Font& font() const { return font_; }
    void setFont(const Font& font);
    [[nodiscard]] const Color& textColor() const { return textColor_; }
    void setTextColor(const Color& color);
    [[nodiscard]] const Color& highlightedTextColor() const { return highlightedTextColor_; }
    void setHighlightedTextColor(const Color& color);
    [[nodiscard]] bool isHighlighted() const { return highlighted_; }
    virtual void setHighlighted(bool highlighted);
    [[nodiscard]] bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    [[nodiscard]] TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment alignment);
    [[nodiscard]] LineBreakMode lineBreakMode() const { return lineBreakMode_; }
    void setLineBreakMode(LineBreakMode mode);
    // 0: as many lines as the height allows.
    [[nodiscard]] int numberOfLines() const { return numberOfLines_; }
    void setNumberOfLines(int lines);
    // One-line labels shrink the font, down to the minimum, before cutting the text.
    [[nodiscard]] bool adjustsFontSizeToFitWidth() const { return adjustsFontSize_; }
    void setAdjustsFontSizeToFitWidth(bool adjusts);
    [[nodiscard]] double minimumFontSize() const { return minimumFontSize_; }
    void setMinimumFontSize(double size);
    [[nodiscard]] double minimumScaleFactor() const { return minimumScaleFactor_; }
    void setMinimumScaleFactor(double factor);
    [[nodiscard]] const Color& shadowColor() const { return shadowColor_; }
    void setShadowColor(const Color& color);
    [[nodiscard]] Size shadowOffset() const { return shadowOffset_; }
    void setShadowOffset(Size offset);

    // Where the text goes within `bounds` with at most `numberOfLines` lines;
    // subclasses move it.
    [[nodiscard]] virtual Rect textRectForBounds(const Rect& bounds, int numberOfLines) const;
    // Draws the text vertically centred in `rect`; subclasses change the rect.
    virtual void drawTextInRect(const Rect& rect);
    void drawRect(const Rect& rect) override;
    [[nodiscard]] Size sizeThatFits(Size size) const override;

    [[nodiscard]] QString shownText() const override { return text_; }
    // The lines the label shows in its current bounds, cut as they are drawn.
    [[nodiscard]] QStringList displayedLines() const;
    // The font the text is drawn in (smaller than font() when shrunk to fit).
    [[nodiscard]] Font fontForWidth(double width) const;

private:
    [[nodiscard]] TextLayout layoutIn(const Rect& bounds, int numberOfLines) const;

    QString text_;
    Font font_;
    Color textColor_ = Color::blackColor();
    Color highlightedTextColor_;
    Color shadowColor_;
    Size shadowOffset_{0, -1};
    TextAlignment alignment_ = TextAlignment::Left;
    LineBreakMode lineBreakMode_ = LineBreakMode::TruncateTail;
    int numberOfLines_ = 1;
    double minimumFontSize_ = 0;
    double minimumScaleFactor_ = 0;
    bool adjustsFontSize_ = false;
    bool highlighted_ = false;
    bool enabled_ = true;
};

}  // namespace ui
