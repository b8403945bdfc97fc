#pragma once

#include "platform/uikit/attributed_string.h"
#include "platform/uikit/bezier_path.h"
#include "platform/uikit/geometry.h"
#include "platform/uikit/text_frame.h"

#include <QFont>
#include <QList>
#include <QPainterPath>
#include <QTextLayout>

#include <memory>
#include <optional>
#include <vector>

namespace ui {

// Lays out one attributed string in areas: a rectangle or any closed path, each line
// as wide as the area is at its height. Fonts, colours and underlines come from the
// string's attributes; line heights, indents, spacing, tab stops, alignment and line
// breaking from each paragraph's style. Frames made for the same area are kept, so
// drawing and hit tests over an unchanged string lay it out once.
class Framesetter {
public:
    explicit Framesetter(AttributedString string);
    ~Framesetter();
    Framesetter(const Framesetter&) = delete;
    Framesetter& operator=(const Framesetter&) = delete;

    // The font of text without one, as the platform's layout service defaults it.
    [[nodiscard]] static Font defaultFont();

    [[nodiscard]] const AttributedString& attributedString() const { return string_; }

    [[nodiscard]] std::shared_ptr<const TextFrame> createFrame(const Rect& rect) const;
    [[nodiscard]] std::shared_ptr<const TextFrame> createFrame(const BezierPath& path) const;

    // The size the text needs within `constraints`: the widest line (with its
    // indent) and the bottom of the last line that fits.
    [[nodiscard]] Size suggestFrameSize(Size constraints) const;

private:
    struct Paragraph {
        qsizetype start = 0;
        qsizetype length = 0;  // without the line break
        qsizetype breakLength = 0;
        ParagraphStyle style;
        QFont font;
        QList<QTextLayout::FormatRange> formats;
    };

    void splitParagraphs();
    [[nodiscard]] std::shared_ptr<const TextFrame> layOut(const Rect& bounds,
                                                          const QPainterPath* shape) const;
    // The largest line spacing over the characters of `range`.
    [[nodiscard]] double lineSpacingOver(Range range, double fallback) const;
    void addGlyphRuns(TextLine& line) const;

    AttributedString string_;
    std::vector<Paragraph> paragraphs_;

    struct CachedFrame {
        Rect rect;
        std::optional<QPainterPath> shape;
        std::shared_ptr<const TextFrame> frame;
    };
    mutable std::optional<CachedFrame> cached_;
};

}  // namespace ui
