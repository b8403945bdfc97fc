#pragma once

#include "platform/uikit/attributed_string.h"
#include "platform/uikit/geometry.h"

#include <memory>
#include <vector>

class QTextLayout;

namespace ui {

class GraphicsContext;

// A stretch of one line drawn with one set of attributes.
struct GlyphRun {
    Range stringRange;
    StringAttributes attributes;
    // From the line's origin to the run's first character.
    double offset = 0;
    double width = 0;
    double ascent = 0;
    double descent = 0;
};

// One laid-out line of a text frame; valid while its frame lives.
class TextLine {
public:
    // The characters the line holds, its paragraph's line break included.
    [[nodiscard]] Range stringRange() const { return range_; }
    // Where the line's baseline starts, in the frame's coordinates (y down).
    [[nodiscard]] Point origin() const { return origin_; }
    [[nodiscard]] double ascent() const { return ascent_; }
    [[nodiscard]] double descent() const { return descent_; }
    [[nodiscard]] double leading() const { return leading_; }
    // The width of the line's glyphs.
    [[nodiscard]] double width() const { return width_; }
    [[nodiscard]] const std::vector<GlyphRun>& glyphRuns() const { return runs_; }

    // The distance from the origin to the caret before `index` (indexes outside the
    // line give its nearer end).
    [[nodiscard]] double offsetForStringIndex(qsizetype index) const;
    // The caret index nearest to `x`, measured from the origin, as text selection uses.
    [[nodiscard]] qsizetype stringIndexForPosition(double x) const;
    // The index of the character under `x`, measured from the origin; positions
    // beyond either end give the line's first or last character.
    [[nodiscard]] qsizetype characterIndexForPosition(double x) const;

private:
    friend class Framesetter;
    friend class TextFrame;

    const QTextLayout* layout_ = nullptr;
    int layoutLine_ = 0;
    qsizetype paragraphStart_ = 0;
    Range range_;
    Point origin_;
    double ascent_ = 0;
    double descent_ = 0;
    double leading_ = 0;
    double width_ = 0;
    std::vector<GlyphRun> runs_;
};

// Lines of an attributed string laid out in an area, from its top, as many as fit
// whole. Frames never change once made.
class TextFrame {
public:
    TextFrame();
    ~TextFrame();
    TextFrame(const TextFrame&) = delete;
    TextFrame& operator=(const TextFrame&) = delete;

    [[nodiscard]] const std::vector<TextLine>& lines() const { return lines_; }
    // The characters of the lines shown.
    [[nodiscard]] Range visibleStringRange() const;
    // The bottom of the last line (its line spacing left out).
    [[nodiscard]] double textBottom() const { return bottom_; }

    // Draws every line at its origin into `context`, casting the shadow in force.
    void draw(GraphicsContext& context) const;

private:
    friend class Framesetter;

    std::vector<std::unique_ptr<QTextLayout>> layouts_;
    std::vector<TextLine> lines_;
    double bottom_ = 0;
};

}  // namespace ui
