#include "platform/uikit/framesetter.h"

#include "platform/uikit/text_layout.h"

#include "platform/uikit/graphics_context.h"

#include <QFontMetricsF>
#include <QTextCharFormat>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

constexpr double kUnboundedWidth = 1e7;
constexpr double kDefaultFontSize = 12;
// The layout engine reads tab positions at 96 dots per inch; text is measured at 72.
constexpr double kTabScale = 96.0 / 72.0;

// Lines end at these; "\r\n" counts as one break.
bool isLineBreak(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar(0x2028) || c == QChar(0x2029);
}

QTextCharFormat formatFor(const StringAttributes& attributes) {
    QTextCharFormat format;
    format.setFont(attributes.font ? attributes.font->toQt() : Framesetter::defaultFont().toQt());
    const Color color =
        attributes.foregroundColor ? *attributes.foregroundColor : Color::blackColor();
    format.setForeground(color.toQt());
    if (attributes.underline) format.setFontUnderline(true);
    return format;
}

QTextOption::WrapMode wrapModeFor(LineBreakMode mode) {
    switch (mode) {
        case LineBreakMode::WordWrap:
            return QTextOption::WrapAtWordBoundaryOrAnywhere;
        case LineBreakMode::CharacterWrap:
            return QTextOption::WrapAnywhere;
        default:
            return QTextOption::NoWrap;
    }
}

// The horizontal extent of `shape` along the horizontal line at `y`.
std::pair<double, double> spanAt(const QPainterPath& shape, const QRectF& bounds, double y) {
    QPainterPath band;
    band.addRect(QRectF(bounds.left() - 1, y, bounds.width() + 2, 0.01));
    const QRectF hit = shape.intersected(band).boundingRect();
    if (hit.width() <= 0) return {0, 0};
    return {hit.left(), hit.right()};
}

}  // namespace

Framesetter::Framesetter(AttributedString string) : string_(std::move(string)) {
    splitParagraphs();
}

Framesetter::~Framesetter() = default;

Font Framesetter::defaultFont() {
    return Font::systemFontOfSize(kDefaultFontSize);
}

void Framesetter::splitParagraphs() {
    const QString& text = string_.string();
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && !isLineBreak(text[end])) ++end;
        Paragraph paragraph;
        paragraph.start = start;
        paragraph.length = end - start;
        if (end < text.size()) {
            paragraph.breakLength =
                (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ? 2 : 1;
        }
        const StringAttributes& first = string_.runAtIndex(start).attributes;
        if (first.paragraphStyle) paragraph.style = *first.paragraphStyle;
        paragraph.font = first.font ? first.font->toQt() : defaultFont().toQt();
        for (const AttributedString::Run& run : string_.runsInRange({start, end - start})) {
            const qsizetype from = std::max(run.range.location, start);
            const qsizetype to = std::min(run.range.end(), end);
            if (from >= to) continue;
            paragraph.formats.append(
                {int(from - start), int(to - from), formatFor(run.attributes)});
        }
        paragraphs_.push_back(std::move(paragraph));
        start = end + paragraphs_.back().breakLength;
    }
}

double Framesetter::lineSpacingOver(Range range, double fallback) const {
    double spacing = fallback;
    for (const AttributedString::Run& run : string_.runsInRange(range)) {
        if (run.attributes.paragraphStyle) {
            spacing = std::max(spacing, run.attributes.paragraphStyle->lineSpacing);
        }
    }
    return spacing;
}

void Framesetter::addGlyphRuns(TextLine& line) const {
    for (const AttributedString::Run& run : string_.runsInRange(line.range_)) {
        const qsizetype from = std::max(run.range.location, line.range_.location);
        const qsizetype to = std::min(run.range.end(), line.range_.end());
        if (from >= to) continue;
        GlyphRun glyphs;
        glyphs.stringRange = {from, to - from};
        glyphs.attributes = run.attributes;
        glyphs.offset = line.offsetForStringIndex(from);
        glyphs.width = line.offsetForStringIndex(to) - glyphs.offset;
        const Font font = run.attributes.font ? *run.attributes.font : defaultFont();
        glyphs.ascent = font.ascender();
        glyphs.descent = -font.descender();
        line.runs_.push_back(std::move(glyphs));
    }
}

std::shared_ptr<const TextFrame> Framesetter::createFrame(const Rect& rect) const {
    if (cached_ && !cached_->shape && cached_->rect == rect) return cached_->frame;
    auto frame = layOut(rect.standardized(), nullptr);
    cached_ = CachedFrame{rect, std::nullopt, frame};
    return frame;
}

std::shared_ptr<const TextFrame> Framesetter::createFrame(const BezierPath& path) const {
    const QPainterPath& shape = path.toQt();
    if (cached_ && cached_->shape && *cached_->shape == shape) return cached_->frame;
    auto frame = layOut(path.bounds(), &shape);
    cached_ = CachedFrame{Rect(), shape, frame};
    return frame;
}

Size Framesetter::suggestFrameSize(Size constraints) const {
    const Rect area(0, 0, constraints.width, constraints.height);
    const auto frame = layOut(area, nullptr);
    double width = 0;
    for (const TextLine& line : frame->lines()) {
        const Paragraph& paragraph = *std::find_if(
            paragraphs_.begin(), paragraphs_.end(),
            [&](const Paragraph& p) { return p.start + p.length >= line.stringRange().location; });
        const bool first = paragraph.start == line.stringRange().location;
        const double indent =
            first ? paragraph.style.firstLineHeadIndent : paragraph.style.headIndent;
        width = std::max(width, indent + line.width());
    }
    return {std::min(width, constraints.width), frame->textBottom()};
}

std::shared_ptr<const TextFrame> Framesetter::layOut(const Rect& bounds,
                                                     const QPainterPath* shape) const {
    auto frame = std::shared_ptr<TextFrame>(new TextFrame());
    const QRectF area = bounds.toQt();
    double top = area.top();
    bool full = false;
    for (std::size_t p = 0; p < paragraphs_.size() && !full; ++p) {
        const Paragraph& paragraph = paragraphs_[p];
        const ParagraphStyle& style = paragraph.style;
        if (!frame->lines_.empty()) top += style.paragraphSpacingBefore;

        const QString text = TextLayout::bindClosingPunctuation(
            string_.string().mid(paragraph.start, paragraph.length));
        auto layout = std::make_unique<QTextLayout>(text, paragraph.font, Font::measuringDevice());
        QTextOption option;
        option.setWrapMode(wrapModeFor(style.lineBreakMode));
        option.setAlignment(style.alignment == ParagraphAlignment::Justified ? Qt::AlignJustify
                                                                             : Qt::AlignLeft);
        QList<QTextOption::Tab> tabs;
        for (double stop : style.tabStops) {
            tabs.append(QTextOption::Tab(stop * kTabScale, QTextOption::LeftTab));
        }
        option.setTabs(tabs);
        layout->setTextOption(option);
        layout->setFormats(paragraph.formats);
        layout->setCacheEnabled(true);

        bool firstLine = true;
        bool addedLine = false;
        layout->beginLayout();
        for (;;) {
            QTextLine qtLine = layout->createLine();
            if (!qtLine.isValid()) break;
            const double indent = firstLine ? style.firstLineHeadIndent : style.headIndent;
            double left = area.left();
            double right = area.right();
            double height = 0;
            // A line goes where the area is wide enough for it; in a path, the area's
            // width changes with the height.
            for (;;) {
                if (shape) {
                    const double estimate =
                        QFontMetricsF(paragraph.font, Font::measuringDevice()).height();
                    const auto atTop = spanAt(*shape, area, top + 0.01);
                    const auto atBottom = spanAt(*shape, area, top + estimate - 0.01);
                    left = std::max(atTop.first, atBottom.first);
                    right = std::min(atTop.second, atBottom.second);
                }
                const double leading = left + indent;
                const double trailing =
                    style.tailIndent > 0 ? left + style.tailIndent : right + style.tailIndent;
                const double width = std::max(0.0, trailing - leading);
                qtLine.setLineWidth(option.wrapMode() == QTextOption::NoWrap ? kUnboundedWidth
                                                                             : width);
                if (option.wrapMode() == QTextOption::WrapAnywhere)
                    TextLayout::keepPunctuationOnItsLine(qtLine, text);
                height = qtLine.ascent() + qtLine.descent() + qtLine.leading();
                if (style.minimumLineHeight > 0) height = std::max(height, style.minimumLineHeight);
                if (style.maximumLineHeight > 0) height = std::min(height, style.maximumLineHeight);
                if (top + height > area.bottom() + 1e-6) {
                    full = true;
                    break;
                }
                if (!shape || width > 0) break;
                // No room at this height: try one line lower.
                top += std::max(height, 1.0);
            }
            if (full) break;

            TextLine line;
            line.layout_ = layout.get();
            line.layoutLine_ = qtLine.lineNumber();
            line.paragraphStart_ = paragraph.start;
            const qsizetype lineStart = paragraph.start + qtLine.textStart();
            qsizetype lineLength = qtLine.textLength();
            const bool lastOfParagraph = qtLine.textStart() + qtLine.textLength() >= text.size();
            if (lastOfParagraph) lineLength += paragraph.breakLength;
            line.range_ = {lineStart, lineLength};
            line.ascent_ = qtLine.ascent();
            line.descent_ = qtLine.descent();
            line.leading_ = qtLine.leading();
            line.width_ = qtLine.naturalTextWidth();
            const double leading = left + indent;
            const double trailing =
                style.tailIndent > 0 ? left + style.tailIndent : right + style.tailIndent;
            const double room = std::max(0.0, trailing - leading) - line.width_;
            double shift = 0;
            if (style.alignment == ParagraphAlignment::Right) shift = room;
            if (style.alignment == ParagraphAlignment::Center) shift = room / 2;
            if (option.wrapMode() == QTextOption::NoWrap) shift = std::max(0.0, shift);
            line.origin_ = {leading + shift, top + height - line.descent_ - line.leading_};
            qtLine.setPosition(QPointF(0, top));
            addGlyphRuns(line);
            frame->lines_.push_back(std::move(line));
            frame->bottom_ = top + height - area.top();
            top += height + lineSpacingOver(frame->lines_.back().range_, style.lineSpacing);
            firstLine = false;
            addedLine = true;
        }
        layout->endLayout();
        frame->layouts_.push_back(std::move(layout));
        if (addedLine) top += style.paragraphSpacing;
    }
    return frame;
}

}  // namespace ui
