#include "houses/QXLabel.h"

#include "platform/uikit/graphics_context.h"
#include "platform/uikit/string_drawing.h"

#include <cmath>
#include <functional>

namespace {

// The text as it is laid out: blank lines collapsed.
QString cleaned(QString text) {
    text.replace(QStringLiteral("\n\n"), QStringLiteral("\n"));
    text.replace(QStringLiteral("\n\n\n"), QStringLiteral("\n"));
    return text;
}

ui::Font rowFont() {
    return ui::Font::systemFontOfSize(QXLabel::kFontSize);
}

// Walks the text's characters as the row places them: `place` hears each drawn character
// with its place and size. Answers the y of the last line.
double layOut(const QString& key, const QString& value, int type, double wrapLimit,
              double measureHeight,
              const std::function<void(const QString&, const ui::Rect&)>& place) {
    const ui::Font font = rowFont();
    const QString keyText = key + u':';
    const double indent =
        key.isEmpty() ? 10 : std::floor(ui::StringDrawing::sizeWithFont(keyText, font).width + 10);
    const double wrapStart = type == 0 ? indent : 0;
    double x = type == 1 ? 0 : indent;
    double y = type == 1 ? QXLabel::kLinePitch : 0;
    const QString text = cleaned(value);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (x >= wrapLimit) {
            y += QXLabel::kLinePitch;
            x = wrapStart;
        }
        const QString character = text.mid(i, 1);
        if (character == QStringLiteral("\n")) {
            y += QXLabel::kLinePitch;
            x = wrapStart;
            continue;
        }
        const ui::Size size =
            ui::StringDrawing::sizeWithFont(character, font, ui::Size(175, measureHeight));
        if (place) place(character, ui::Rect(x, y, size.width, size.height));
        x += std::floor(size.width);
    }
    return y;
}

}  // namespace

QXLabel::QXLabel(const QString& key, const ui::Color& keyColor, const QString& value,
                 const ui::Color& valueColor, const ui::Rect& frame, int type)
    : ui::View(frame),
      key_(spreadKey(key)),
      value_(value),
      keyColor_(keyColor),
      valueColor_(valueColor),
      type_(type) {
    setBackgroundColor(ui::Color::clearColor());
}

QXLabel::QXLabel(const QString& key, const ui::Color& keyColor, const QString& value,
                 const ui::Color& valueColor, const ui::Rect& frame)
    : QXLabel(key, keyColor, value, valueColor, frame,
              key == QStringLiteral("详情") || key.endsWith(QStringLiteral("描述")) ||
                      key == QStringLiteral("店铺介绍")
                  ? 2
                  : 0) {}

QString QXLabel::spreadKey(const QString& key) {
    if (key.size() != 2) return key;
    return key.left(1) + QStringLiteral("       ") + key.right(1);
}

int QXLabel::calLblHeightwithKey(const QString& key, const QString& value, int type, double width) {
    const double lastLine =
        layOut(spreadKey(key), value, type, width - 32, ui::TextLayout::kUnbounded, nullptr);
    return int(lastLine + kLinePitch);
}

void QXLabel::drawRect(const ui::Rect&) {
    auto* context = ui::GraphicsContext::current();
    if (!context) return;
    const ui::Font font = rowFont();
    const QString keyText = key_ + u':';
    context->setFillColor(keyColor_);
    ui::StringDrawing::drawInRect(keyText, ui::Rect(0, 0, 14.0 * keyText.size(), kLinePitch * 4),
                                  font, ui::LineBreakMode::WordWrap);
    context->setFillColor(valueColor_);
    layOut(key_, value_, type_, bounds().size.width - 12, 40,
           [&font](const QString& character, const ui::Rect& box) {
               ui::StringDrawing::drawInRect(character, box, font);
           });
}
