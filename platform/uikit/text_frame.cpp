#include "platform/uikit/text_frame.h"

#include "platform/uikit/graphics_context.h"

#include <QPainter>
#include <QTextLayout>

#include <algorithm>

namespace ui {

double TextLine::offsetForStringIndex(qsizetype index) const {
    const QTextLine line = layout_->lineAt(layoutLine_);
    const qsizetype local = std::clamp<qsizetype>(index - paragraphStart_, line.textStart(),
                                                  line.textStart() + line.textLength());
    return line.cursorToX(int(local));
}

qsizetype TextLine::stringIndexForPosition(double x) const {
    const QTextLine line = layout_->lineAt(layoutLine_);
    return paragraphStart_ + line.xToCursor(x, QTextLine::CursorBetweenCharacters);
}

qsizetype TextLine::characterIndexForPosition(double x) const {
    const QTextLine line = layout_->lineAt(layoutLine_);
    const qsizetype index = paragraphStart_ + line.xToCursor(x, QTextLine::CursorOnCharacter);
    return std::clamp<qsizetype>(index, range_.location,
                                 std::max(range_.location, range_.end() - 1));
}

TextFrame::TextFrame() = default;
TextFrame::~TextFrame() = default;

Range TextFrame::visibleStringRange() const {
    if (lines_.empty()) return {};
    return {lines_.front().range_.location,
            lines_.back().range_.end() - lines_.front().range_.location};
}

void TextFrame::draw(GraphicsContext& context) const {
    if (lines_.empty()) return;
    context.drawWithShadow([this](QPainter& painter) {
        painter.save();
        painter.setPen(Qt::black);
        for (const TextLine& line : lines_) {
            const QTextLine qtLine = line.layout_->lineAt(line.layoutLine_);
            qtLine.draw(&painter, QPointF(line.origin_.x - qtLine.x(),
                                          line.origin_.y - qtLine.y() - qtLine.ascent()));
        }
        painter.restore();
    });
}

}  // namespace ui
