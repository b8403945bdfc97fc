#pragma once

#include "platform/uikit/text_layout.h"

#include <cstdint>
#include <vector>

namespace ui {

// Paragraph alignment as the platform's text-layout service numbers it (which differs
// from the numbering of views' TextAlignment).
enum class ParagraphAlignment : std::uint8_t {
    Left = 0,
    Right = 1,
    Center = 2,
    Justified = 3,
    Natural = 4,
};

// How the paragraphs of an attributed string are laid out; sizes in points. A
// paragraph takes the style found at its first character.
struct ParagraphStyle {
    ParagraphAlignment alignment = ParagraphAlignment::Natural;
    // Line heights are clamped to these; 0 means no limit.
    double maximumLineHeight = 0;
    double minimumLineHeight = 0;
    double paragraphSpacingBefore = 0;
    // Space after the paragraph's last line.
    double paragraphSpacing = 0;
    double firstLineHeadIndent = 0;
    double headIndent = 0;
    // Positive: the lines' trailing edge measured from the leading margin; zero or
    // negative: measured back from the trailing margin.
    double tailIndent = 0;
    // Space added below every line of the paragraph.
    double lineSpacing = 0;
    // Left-aligned tab stops, measured from the leading margin; without them a tab
    // advances to the next multiple of the default interval.
    std::vector<double> tabStops;
    // Word and character wrapping break lines; the other modes keep each paragraph
    // on one line, clipped at the frame's edge.
    LineBreakMode lineBreakMode = LineBreakMode::WordWrap;

    friend bool operator==(const ParagraphStyle&, const ParagraphStyle&) = default;
};

}  // namespace ui
