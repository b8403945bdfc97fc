#include "houses/detail/QXPostDetailPriceView.h"

#include "houses/shared/QXLabel.h"
#include "platform/uikit/font.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/string_drawing.h"

namespace {

const ui::Color kPriceViewGrey = ui::Color::colorWithWhite(0.6);
const ui::Color kPriceViewOrange = ui::Color::rgb(247, 127, 0);
const ui::Color kDarkGrey = ui::Color::colorWithWhite(0.2);

double widthOf(const QString& text, const ui::Font& font) {
    return ui::StringDrawing::sizeWithFont(text, font, ui::Size(320, 20),
                                           ui::LineBreakMode::CharacterWrap)
        .width;
}

}  // namespace

QXPostDetailPriceView::QXPostDetailPriceView(const ui::Rect& frame) : ui::View(frame) {}

void QXPostDetailPriceView::setPriceData(const QVariantMap& row) {
    priceData_ = row;
    setNeedsDisplay();
}

QString QXPostDetailPriceView::shownText() const {
    const Parts parts = partsOf(priceData_);
    return parts.label + parts.number + parts.unit + parts.note;
}

QXPostDetailPriceView::Parts QXPostDetailPriceView::partsOf(const QVariantMap& row) {
    Parts parts;
    if (row.isEmpty() || row.lastKey().isEmpty()) return parts;
    parts.label = QXLabel::spreadLabel(row.lastKey()) + QStringLiteral(":  ");
    const QVariant value = row.last();
    if (value.typeId() != QMetaType::QString) return parts;
    const QString text = value.toString();
    qsizetype at = text.indexOf(QStringLiteral("万元"));
    if (at < 0) at = text.indexOf(u'元');
    if (at < 0) {
        parts.unit = text;
        return parts;
    }
    parts.number = text.left(at);
    const QString rest = text.mid(at);
    const qsizetype open = rest.indexOf(u'(');
    if (open < 0) {
        parts.unit = rest;
        return parts;
    }
    parts.unit = rest.left(open);
    if (!parts.unit.isEmpty()) parts.unit += QStringLiteral("   ");
    parts.note = rest.mid(open);
    return parts;
}

void QXPostDetailPriceView::drawRect(const ui::Rect&) {
    ui::GraphicsContext* context = ui::GraphicsContext::current();
    const Parts parts = partsOf(priceData_);
    if (!context || parts.label.isEmpty()) return;
    const ui::Font font = ui::Font::systemFontOfSize(14);
    context->setFillColor(kPriceViewGrey);
    ui::StringDrawing::drawAtPoint(parts.label, {0, 5}, font);
    double x = widthOf(parts.label, font);
    if (!parts.number.isEmpty()) {
        const ui::Font large = ui::Font::boldSystemFontOfSize(18);
        context->setFillColor(kPriceViewOrange);
        ui::StringDrawing::drawAtPoint(parts.number, {x, 2}, large);
        x += widthOf(parts.number, large);
    }
    context->setFillColor(kPriceViewOrange);
    ui::StringDrawing::drawAtPoint(parts.unit, {x, 5}, font);
    if (parts.note.isEmpty()) return;
    context->setFillColor(kDarkGrey);
    ui::StringDrawing::drawAtPoint(parts.note, {x + widthOf(parts.unit, font), 5}, font);
}
