#include "platform/uikit/text_layout.h"

#include <QColor>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

const QString kEllipsis = QStringLiteral("\u2026");

QStringList paragraphsOf(const QString& text) {
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalised.replace(QChar(u'\r'), QChar(u'\n'));
    normalised.replace(QChar(0x2028), QChar(u'\n'));
    normalised.replace(QChar(0x2029), QChar(u'\n'));
    return normalised.split(QChar(u'\n'));
}

}  // namespace

TextLayout::TextLayout(const QString& text, const Font& font, const Options& options)
    : font_(font) {
    build(text, options);
}

TextLayout::~TextLayout() = default;
TextLayout::TextLayout(TextLayout&&) noexcept = default;
TextLayout& TextLayout::operator=(TextLayout&&) noexcept = default;

void TextLayout::build(const QString& text, const Options& options) {
    const QStringList paragraphs = paragraphsOf(text);
    const double lineHeight = font_.lineHeight();
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

    QTextOption textOption;
    textOption.setWrapMode(options.mode == LineBreakMode::CharacterWrap
                               ? QTextOption::WrapAnywhere
                               : QTextOption::WrapAtWordBoundaryOrAnywhere);

    for (int p = 0; p < paragraphs.size(); ++p) {
        auto layout =
            std::make_unique<QTextLayout>(paragraphs[p], font_.toQt(), Font::measuringDevice());
        layout->setTextOption(textOption);
        layout->setCacheEnabled(true);
        layout->beginLayout();
        double y = 0;
        for (;;) {
            QTextLine line = layout->createLine();
            if (!line.isValid()) break;
            line.setLineWidth(wraps ? std::max(0.0, width) : 1e7);
            line.setPosition(QPointF(0, y));
            y += lineHeight;
        }
        layout->endLayout();

        const int count = std::max(1, layout->lineCount());
        for (int l = 0; l < count; ++l) {
            if (int(lines_.size()) == limit) {
                truncated_ = true;
                break;
            }
            Line line;
            line.paragraph = p;
            line.layoutLine = layout->lineCount() > 0 ? l : -1;
            line.width = layout->lineCount() > 0 ? layout->lineAt(l).naturalTextWidth() : 0;
            lines_.push_back(line);
        }
        paragraphs_.push_back(std::move(layout));
        if (truncated_) break;
    }

    if (lines_.empty()) return;
    Line& last = lines_.back();
    const QTextLayout& lastLayout = *paragraphs_[last.paragraph];
    const bool lastLineOverflows =
        std::isfinite(options.width) && last.width > options.width + 1e-6;
    // The single-line form shows the first paragraph only.
    const bool moreFollows = truncated_ || (options.singleLine && paragraphs.size() > 1) ||
                             (last.layoutLine >= 0 && last.layoutLine < lastLayout.lineCount() - 1);
    if (truncating && (moreFollows || lastLineOverflows)) {
        const int start = last.layoutLine >= 0 ? lastLayout.lineAt(last.layoutLine).textStart() : 0;
        cutLastLine(lastLayout.text().mid(start), options, moreFollows);
        truncated_ = true;
    } else if (lastLineOverflows && options.mode == LineBreakMode::Clip) {
        truncated_ = true;
    }
}

void TextLayout::cutLastLine(const QString& rest, const Options& options, bool moreFollows) {
    const QFontMetricsF metrics(font_.toQt(), Font::measuringDevice());
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
    Line& last = lines_.back();
    last.layoutLine = -1;
    last.shown = shown;
    last.width = metrics.horizontalAdvance(shown);
}

Size TextLayout::exactSize() const {
    double width = 0;
    for (const Line& line : lines_) width = std::max(width, line.width);
    return {width, lines_.size() * font_.lineHeight()};
}

Size TextLayout::size() const {
    const Size exact = exactSize();
    return {std::ceil(exact.width - 1e-9), std::ceil(exact.height - 1e-9)};
}

QStringList TextLayout::lineTexts() const {
    QStringList texts;
    for (const Line& line : lines_) {
        if (line.layoutLine < 0) {
            texts << line.shown;
        } else {
            const QTextLayout& layout = *paragraphs_[line.paragraph];
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
    for (const Line& line : lines_) {
        double x = rect.origin.x;
        if (alignment == TextAlignment::Center) {
            x += (rect.size.width - line.width) / 2;
        } else if (alignment == TextAlignment::Right) {
            x += rect.size.width - line.width;
        }
        if (line.layoutLine < 0) {
            painter.drawText(QPointF(x, top + font_.ascender()), line.shown);
        } else {
            const QTextLayout& layout = *paragraphs_[line.paragraph];
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
