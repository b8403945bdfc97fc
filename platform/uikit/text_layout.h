#pragma once

#include "platform/uikit/font.h"
#include "platform/uikit/geometry.h"

#include <QString>
#include <QStringList>

#include <limits>
#include <memory>
#include <vector>

class QPainter;
class QColor;
class QTextLayout;
class QTextLine;

namespace ui {

// How text that does not fit is broken or cut, as the platform numbers them.
enum class LineBreakMode {
    WordWrap = 0,
    CharacterWrap = 1,
    Clip = 2,
    TruncateHead = 3,
    TruncateTail = 4,
    TruncateMiddle = 5,
};

enum class TextAlignment { Left = 0, Center = 1, Right = 2, Justified = 3, Natural = 4 };

// Lines of text laid out in one font: broken at a width, limited to a number of
// lines and a height, cut by a line-break mode. Each line is lineHeight() high;
// the first baseline lies ascender() below the top.
//
// A cell measures its text and then its label lays out the same text again to draw it, and a
// list shows the same texts again as it scrolls back: the layouts made last on this thread are
// kept (by text, font and options, all that decides them) and shared by equal layouts.
//
// A layout limited to some lines (by their number or a height) lays out only as much of the
// text as those lines show, and one line more to know whether more follows: a label of one
// or two lines costs the same for a text of forty characters and one of forty million.
// Truncation at the head or in the middle shows the text's end, and a single line that is
// neither cut nor wrapped reports its whole width: those lay out the whole text.
//
// Character wrapping breaks a line between any two characters, but keeps closing punctuation
// ("，", "。", "】") with the character before it and an opening bracket with the one after it,
// as word wrapping does.
class TextLayout {
public:
    static constexpr double kUnbounded = std::numeric_limits<double>::infinity();

    struct Options {
        double width = kUnbounded;
        double height = kUnbounded;
        int maximumLines = 0;  // 0: as many as the height allows
        LineBreakMode mode = LineBreakMode::WordWrap;
        // One line only, as the platform's single-line measuring and drawing do.
        bool singleLine = false;
    };

    TextLayout(const QString& text, const Font& font, const Options& options);

    // The text with each blank that stands before closing punctuation ("两室 】") made a
    // no-break space, which looks the same: the Unicode rules never break there, and Qt's
    // line breaking would. Of the same length as the text.
    [[nodiscard]] static QString bindClosingPunctuation(const QString& text);
    // Whether a line of `text` (one paragraph) may break before position `at`: not before
    // closing punctuation, also when blanks stand between, nor after an opening bracket.
    [[nodiscard]] static bool mayBreakBefore(const QString& text, qsizetype at);
    // Ends `line`, laid out by wrapping anywhere over the paragraph `text`, before the last
    // character it may break before, when it ended where it may not (one closing mark alone
    // at the next line's start); a line with no such place keeps its end.
    static void keepPunctuationOnItsLine(QTextLine& line, const QString& text);
    ~TextLayout();
    TextLayout(TextLayout&&) noexcept;
    TextLayout& operator=(TextLayout&&) noexcept;

    // Widest line by lines shown, each rounded up to whole points, as the
    // platform reports measured text.
    [[nodiscard]] Size size() const;
    [[nodiscard]] Size exactSize() const;
    [[nodiscard]] int lineCount() const { return int(built_->lines.size()); }
    // What each line shows, an ellipsis included where the text was cut.
    [[nodiscard]] QStringList lineTexts() const;
    // The part of the text each line lays out: where it starts and how long it is, with the
    // blanks a wrapped line ends with (a line cut short by an ellipsis: up to its paragraph's
    // end). The line breaks between paragraphs belong to no line.
    [[nodiscard]] std::vector<Range> lineRanges() const;
    [[nodiscard]] bool isTruncated() const { return built_->truncated; }
    [[nodiscard]] const Font& font() const { return font_; }

    // Draws the lines from the top of `rect`, each aligned within its width.
    void draw(QPainter& painter, const Rect& rect, TextAlignment alignment,
              const QColor& color) const;

private:
    struct Line {
        int paragraph = 0;
        int layoutLine = -1;  // a line of the paragraph's layout, or -1 for `shown`
        qsizetype start = 0;  // where it starts in its paragraph
        QString shown;
        double width = 0;
    };

    // What a layout found: it never changes once built, so that equal layouts share it.
    struct Built {
        std::vector<std::unique_ptr<QTextLayout>> paragraphs;
        std::vector<qsizetype> paragraphStarts;  // where each paragraph starts in the text
        std::vector<Line> lines;
        bool truncated = false;
    };

    [[nodiscard]] static std::shared_ptr<const Built> build(const QString& text, const Font& font,
                                                            const Options& options);
    // Lays out the whole of `text`; `cut` says it is the start of a longer text, which makes
    // `complete` say whether the lines shown are those the whole text shows.
    [[nodiscard]] static std::shared_ptr<Built> buildFrom(const QString& text, const Font& font,
                                                          const Options& options, bool cut,
                                                          bool* complete);
    static void cutLastLine(Built& built, const Font& font, const QString& rest,
                            const Options& options, bool moreFollows);

    Font font_;
    std::shared_ptr<const Built> built_;
};

}  // namespace ui
