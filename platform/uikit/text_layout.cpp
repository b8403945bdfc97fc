#include "platform/uikit/text_layout.h"

#include "platform/foundation/cache.h"

#include <QColor>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <QThread>

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

const QString kEllipsis = QStringLiteral("\u2026");

// The text's paragraphs, each with where it starts in the text: a line feed, a carriage
// return, both together, and the line and paragraph separators end one.
struct Paragraphs {
    QStringList texts;
    std::vector<qsizetype> starts;
};

Paragraphs paragraphsOf(const QString& text) {
    const QString bound = TextLayout::bindClosingPunctuation(text);
    Paragraphs found;
    qsizetype start = 0;
    for (qsizetype at = 0; at <= bound.size(); ++at) {
        const bool last = at == bound.size();
        if (!last && bound[at] != u'\n' && bound[at] != u'\r' && bound[at] != QChar(0x2028) &&
            bound[at] != QChar(0x2029)) {
            continue;
        }
        found.texts << bound.mid(start, at - start);
        found.starts.push_back(start);
        if (!last && bound[at] == u'\r' && at + 1 < bound.size() && bound[at + 1] == u'\n') ++at;
        start = at + 1;
    }
    return found;
}

constexpr std::size_t kKeptLayouts = 256;
// Longer texts are laid out afresh each time: a key holds its whole text, and a few huge texts
// kept would hold their size many times over. The texts labels and bubbles show are shorter.
constexpr qsizetype kLongestKeptText = 8192;
// A layout of few lines first tries the start of a long text that would fill them with
// characters a quarter of the font's size wide (and at least a few hundred), then four times
// as much each time that was not enough.
constexpr double kNarrowestCharacter = 0.25;
constexpr qsizetype kFewestFirstCharacters = 256;
constexpr qsizetype kGrowth = 4;

bool isBlank(QChar c) {
    return c == u' ' || c == QChar(0x00A0);
}

bool closes(QChar c) {
    static const QString kClosing = QStringLiteral("，。、：；！？,.:;!?");
    return c.category() == QChar::Punctuation_Close ||
           c.category() == QChar::Punctuation_FinalQuote || kClosing.contains(c);
}

bool opens(QChar c) {
    return c.category() == QChar::Punctuation_Open ||
           c.category() == QChar::Punctuation_InitialQuote;
}

// The first `wanted` units of `text`, or a few more so that no character is cut in two.
QString firstPart(const QString& text, qsizetype wanted) {
    qsizetype end = std::min(wanted, text.size());
    if (end < text.size() && text[end].isLowSurrogate()) ++end;
    constexpr qsizetype kLongestMarks = 32;
    for (qsizetype marks = 0; end < text.size() && marks < kLongestMarks; ++marks) {
        const QChar c = text[end];
        const bool joins = c.isMark() || c == QChar(0x200D) || c.isLowSurrogate() ||
                           (c.isHighSurrogate() && end + 1 < text.size() &&
                            QChar::isMark(QChar::surrogateToUcs4(c, text[end + 1])));
        if (!joins) break;
        end += c.isHighSurrogate() ? 2 : 1;
    }
    return text.left(std::min(end, text.size()));
}

// Everything a layout depends on, as one key.
QString keyOf(const QString& text, const QFont& font, const TextLayout::Options& options) {
    const QChar separator(u'\x1f');
    return font.key() + separator + QString::number(options.width, 'g', 17) + separator +
           QString::number(options.height, 'g', 17) + separator +
           QString::number(options.maximumLines) + separator + QString::number(int(options.mode)) +
           separator + QString::number(int(options.singleLine)) + separator + text;
}

}  // namespace

TextLayout::TextLayout(const QString& text, const Font& font, const Options& options)
    : font_(font) {
    // Only the application's thread keeps layouts, and drops them with the application, while
    // the fonts they hold are still there; other threads lay out afresh.
    static ns::Cache<std::shared_ptr<const Built>>* kept = nullptr;
    const auto* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() != application->thread()) {
        built_ = build(text, font_, options);
        return;
    }
    if (!kept) {
        kept = new ns::Cache<std::shared_ptr<const Built>>(QStringLiteral("TextLayout"));
        kept->setCountLimit(kKeptLayouts);
        qAddPostRoutine([] {
            delete kept;
            kept = nullptr;
        });
    }
    if (text.size() > kLongestKeptText) {
        built_ = build(text, font_, options);
        return;
    }
    const QString key = keyOf(text, font_.toQt(), options);
    built_ = kept->objectForKey(key);
    if (built_) return;
    built_ = build(text, font_, options);
    kept->setObject(key, built_);
}

QString TextLayout::bindClosingPunctuation(const QString& text) {
    QString bound = text;
    for (qsizetype i = 0; i + 1 < bound.size(); ++i) {
        if (bound[i] == u' ' && closes(bound[i + 1])) bound[i] = QChar(0x00A0);
    }
    return bound;
}

bool TextLayout::mayBreakBefore(const QString& text, qsizetype at) {
    if (at <= 0 || at >= text.size()) return true;
    if (opens(text[at - 1])) return false;
    qsizetype next = at;
    while (next < text.size() && isBlank(text[next])) ++next;
    return next == text.size() || !closes(text[next]);
}

void TextLayout::keepPunctuationOnItsLine(QTextLine& line, const QString& text) {
    // Each try ends the line at an earlier allowed place; a zero-width character there may
    // carry it on, so it looks again, a few times at most.
    constexpr int kTries = 3;
    const int start = line.textStart();
    for (int tries = 0; tries < kTries; ++tries) {
        const int end = start + line.textLength();
        if (end >= text.size() || mayBreakBefore(text, end)) return;
        int cut = end - 1;
        while (cut > start && !mayBreakBefore(text, cut)) --cut;
        if (cut <= start) return;
        line.setLineWidth(line.cursorToX(cut) - line.cursorToX(start));
    }
}

TextLayout::~TextLayout() = default;
TextLayout::TextLayout(TextLayout&&) noexcept = default;
TextLayout& TextLayout::operator=(TextLayout&&) noexcept = default;

std::shared_ptr<const TextLayout::Built> TextLayout::build(const QString& text, const Font& font,
                                                           const Options& options) {
    const bool limited =
        options.singleLine || options.maximumLines > 0 || std::isfinite(options.height);
    const bool showsItsStart =
        options.singleLine
            ? options.mode == LineBreakMode::TruncateTail && std::isfinite(options.width)
            : std::isfinite(options.width) && options.mode != LineBreakMode::TruncateHead &&
                  options.mode != LineBreakMode::TruncateMiddle;
    if (!limited || !showsItsStart) return buildFrom(text, font, options, false, nullptr);
    // As many lines as may show, at most (in doubles: a height beyond any count of lines must
    // not wrap an int), each as many characters as fit if they were the narrowest.
    double lines = options.singleLine ? 1 : std::numeric_limits<double>::infinity();
    if (options.maximumLines > 0) lines = std::min(lines, double(options.maximumLines));
    if (std::isfinite(options.height))
        lines = std::min(lines, std::max(1.0, std::floor(options.height / font.lineHeight())));
    const double perLine =
        std::ceil(std::max(1.0, options.width) / (font.pointSize() * kNarrowestCharacter)) + 1;
    const double estimate = (lines + 1) * perLine;
    qsizetype wanted = estimate >= double(text.size())
                           ? text.size()
                           : std::max(kFewestFirstCharacters, qsizetype(estimate));
    for (;;) {
        if (wanted >= text.size()) return buildFrom(text, font, options, false, nullptr);
        bool complete = false;
        auto made = buildFrom(firstPart(text, wanted), font, options, true, &complete);
        if (complete) return made;
        wanted = wanted > text.size() / kGrowth ? text.size() : wanted * kGrowth;
    }
}

std::shared_ptr<TextLayout::Built> TextLayout::buildFrom(const QString& text, const Font& font,
                                                         const Options& options, bool cut,
                                                         bool* complete) {
    auto made = std::make_shared<Built>();
    auto& layouts = made->paragraphs;
    auto& lines = made->lines;
    bool& truncated = made->truncated;
    const Paragraphs found = paragraphsOf(text);
    const QStringList& paragraphs = found.texts;
    made->paragraphStarts = found.starts;
    const double lineHeight = font.lineHeight();
    const bool truncating = options.mode == LineBreakMode::TruncateHead ||
                            options.mode == LineBreakMode::TruncateTail ||
                            options.mode == LineBreakMode::TruncateMiddle;

    int limit = options.singleLine ? 1 : std::numeric_limits<int>::max();
    if (options.maximumLines > 0) limit = std::min(limit, options.maximumLines);
    if (std::isfinite(options.height)) {
        // Lines that fit whole in the height; always at least one.
        // Counted in doubles: a height beyond any count of lines must not wrap an int.
        const double fitting = std::floor(options.height / lineHeight + 1e-6);
        limit = std::min(limit, int(std::clamp(fitting, 1.0, double(limit))));
    }
    const double width = options.singleLine ? kUnbounded : options.width;
    // A single line cut by truncation is laid out unbroken and elided afterwards.
    const bool wraps = std::isfinite(width);

    const bool characterWrap = options.mode == LineBreakMode::CharacterWrap;
    QTextOption textOption;
    textOption.setWrapMode(characterWrap ? QTextOption::WrapAnywhere
                                         : QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Whether the lines shown ran up to the limit with another line after them.
    bool reachedLimit = false;

    for (int p = 0; p < paragraphs.size(); ++p) {
        auto layout =
            std::make_unique<QTextLayout>(paragraphs[p], font.toQt(), Font::measuringDevice());
        layout->setTextOption(textOption);
        layout->setCacheEnabled(true);
        layout->beginLayout();
        double y = 0;
        // The lines still to show, and one to tell whether more follow.
        const qint64 wanted = qint64(limit) - qint64(lines.size()) + 1;
        for (qint64 made = 0; made < wanted; ++made) {
            QTextLine line = layout->createLine();
            if (!line.isValid()) break;
            line.setLineWidth(wraps ? std::max(0.0, width) : 1e7);
            if (wraps && characterWrap) keepPunctuationOnItsLine(line, paragraphs[p]);
            line.setPosition(QPointF(0, y));
            y += lineHeight;
        }
        layout->endLayout();

        const int count = std::max(1, layout->lineCount());
        for (int l = 0; l < count; ++l) {
            if (int(lines.size()) == limit) {
                truncated = true;
                reachedLimit = true;
                break;
            }
            Line line;
            line.paragraph = p;
            line.layoutLine = layout->lineCount() > 0 ? l : -1;
            line.start = layout->lineCount() > 0 ? layout->lineAt(l).textStart() : 0;
            line.width = layout->lineCount() > 0 ? layout->lineAt(l).naturalTextWidth() : 0;
            lines.push_back(line);
        }
        layouts.push_back(std::move(layout));
        if (truncated) break;
    }

    if (lines.empty()) return made;
    Line& last = lines.back();
    const QTextLayout& lastLayout = *layouts[last.paragraph];
    const bool lastLineOverflows =
        std::isfinite(options.width) && last.width > options.width + 1e-6;
    if (complete) {
        // The start of a longer text shows what the whole does once its lines run past those
        // shown, or its one line past the width it is cut at.
        *complete =
            reachedLimit || (options.singleLine && (lastLineOverflows || paragraphs.size() > 1));
    }
    if (cut && complete && !*complete) return made;
    // The single-line form shows the first paragraph only.
    const bool moreFollows = truncated || (options.singleLine && paragraphs.size() > 1) ||
                             (last.layoutLine >= 0 && last.layoutLine < lastLayout.lineCount() - 1);
    if (truncating && (moreFollows || lastLineOverflows)) {
        cutLastLine(*made, font, lastLayout.text().mid(last.start), options, moreFollows);
        truncated = true;
    } else if (lastLineOverflows && options.mode == LineBreakMode::Clip) {
        truncated = true;
    }
    return made;
}

void TextLayout::cutLastLine(Built& built, const Font& font, const QString& rest,
                             const Options& options, bool moreFollows) {
    const QFontMetricsF metrics(font.toQt(), Font::measuringDevice());
    const double width = std::isfinite(options.width) ? std::max(0.0, options.width) : 1e7;
    const Qt::TextElideMode elide = options.mode == LineBreakMode::TruncateHead ? Qt::ElideLeft
                                    : options.mode == LineBreakMode::TruncateMiddle
                                        ? Qt::ElideMiddle
                                        : Qt::ElideRight;
    QString shown = metrics.elidedText(rest, elide, width);
    if (shown == rest && moreFollows) {
        // The line fits but text follows it: the ellipsis still says so.
        QString candidate = rest;
        while (!candidate.isEmpty() &&
               metrics.horizontalAdvance(candidate.trimmed() + kEllipsis) > width) {
            candidate.chop(1);
        }
        shown = candidate.trimmed() + kEllipsis;
    }
    Line& last = built.lines.back();
    last.layoutLine = -1;
    last.shown = shown;
    last.width = metrics.horizontalAdvance(shown);
}

Size TextLayout::exactSize() const {
    double width = 0;
    for (const Line& line : built_->lines) width = std::max(width, line.width);
    return {width, built_->lines.size() * font_.lineHeight()};
}

Size TextLayout::size() const {
    const Size exact = exactSize();
    return {std::ceil(exact.width - 1e-9), std::ceil(exact.height - 1e-9)};
}

std::vector<Range> TextLayout::lineRanges() const {
    std::vector<Range> ranges;
    for (const Line& line : built_->lines) {
        const qsizetype start = built_->paragraphStarts[std::size_t(line.paragraph)] + line.start;
        if (line.layoutLine < 0) {
            ranges.push_back(
                {start, built_->paragraphs[line.paragraph]->text().size() - line.start});
        } else {
            const QTextLine qtLine = built_->paragraphs[line.paragraph]->lineAt(line.layoutLine);
            ranges.push_back({start, qtLine.textLength()});
        }
    }
    return ranges;
}

QStringList TextLayout::lineTexts() const {
    QStringList texts;
    for (const Line& line : built_->lines) {
        if (line.layoutLine < 0) {
            texts << line.shown;
        } else {
            const QTextLayout& layout = *built_->paragraphs[line.paragraph];
            const QTextLine qtLine = layout.lineAt(line.layoutLine);
            texts << layout.text().mid(qtLine.textStart(), qtLine.textLength()).trimmed();
        }
    }
    return texts;
}

void TextLayout::draw(QPainter& painter, const Rect& rect, TextAlignment alignment,
                      const QColor& color) const {
    painter.save();
    painter.setPen(color);
    painter.setFont(font_.toQt());
    const double lineHeight = font_.lineHeight();
    double top = rect.origin.y;
    for (const Line& line : built_->lines) {
        double x = rect.origin.x;
        if (alignment == TextAlignment::Center) {
            x += (rect.size.width - line.width) / 2;
        } else if (alignment == TextAlignment::Right) {
            x += rect.size.width - line.width;
        }
        if (line.layoutLine < 0) {
            painter.drawText(QPointF(x, top + font_.ascender()), line.shown);
        } else {
            const QTextLayout& layout = *built_->paragraphs[line.paragraph];
            const QTextLine qtLine = layout.lineAt(line.layoutLine);
            // Each line sits at its own slot whatever its layout position, so that
            // the line pitch is the font's line height exactly; the baseline
            // lies the font's ascender below the slot's top.
            qtLine.draw(&painter, QPointF(x - qtLine.x(),
                                          top - qtLine.y() + font_.ascender() - qtLine.ascent()));
        }
        top += lineHeight;
    }
    painter.restore();
}

}  // namespace ui
