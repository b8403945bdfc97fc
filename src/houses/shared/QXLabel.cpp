#include "houses/shared/QXLabel.h"

#include "platform/uikit/font.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/text_layout.h"
#include "util/categories/TextCharacters.h"

#include <QHash>

#include <cmath>

namespace {

ui::Font rowFont() {
    return ui::Font::systemFontOfSize(QXLabel::kFontSize);
}

// Character widths in the row font, whole points; measured once each (main thread only).
double characterWidth(const QString& character) {
    static QHash<QString, double> widths;
    const auto found = widths.constFind(character);
    if (found != widths.constEnd()) return *found;
    const double width =
        std::floor(ui::StringDrawing::sizeWithFont(character, rowFont(), ui::Size(175, 40)).width);
    widths.insert(character, width);
    return width;
}

// How far right of its start a run's last visible character begins: trailing blanks and line
// feeds may go past the wrap limit.
double runReach(const QStringList& run) {
    qsizetype last = run.size() - 1;
    while (last > 0 && run[last].trimmed().isEmpty()) --last;
    double reach = 0;
    for (qsizetype i = 0; i < last; ++i) reach += characterWidth(run[i]);
    return reach;
}

QString labelText(const QString& key) {
    return key + u':';
}

QString cleaned(QString value) {
    value.replace(QStringLiteral("\n\n"), QStringLiteral("\n"));
    value.replace(QStringLiteral("\n\n\n"), QStringLiteral("\n"));
    return value;
}

}  // namespace

QXLabel::QXLabel(const QString& key, const ui::Color& keyColor, const QString& value,
                 const ui::Color& valueColor, const ui::Rect& frame, int type)
    : ui::View(frame),
      key_(spreadLabel(key)),
      value_(value),
      keyColor_(keyColor),
      valueColor_(valueColor),
      type_(type) {
    setBackgroundColor(ui::Color::clearColor());
}

QXLabel::QXLabel(const QString& key, const ui::Color& keyColor, const QString& value,
                 const ui::Color& valueColor, const ui::Rect& frame)
    : QXLabel(key, keyColor, value, valueColor, frame, typeForKey(key)) {}

int QXLabel::typeForKey(const QString& key) {
    return key == QStringLiteral("详情") || key.endsWith(QStringLiteral("描述")) ||
                   key == QStringLiteral("店铺介绍")
               ? kRunOn
               : kBeside;
}

QString QXLabel::spreadLabel(const QString& label) {
    const QStringList characters = TextCharacters::split(label);
    if (characters.size() != 2) return label;
    return characters[0] + QStringLiteral("       ") + characters[1];
}

std::vector<QXLabel::Placed> QXLabel::layout(const QString& key, const QString& value, int type,
                                             double wrapLimit, double* bottom) {
    const double indent =
        key.isEmpty()
            ? 10
            : std::floor(ui::StringDrawing::sizeWithFont(labelText(key), rowFont()).width + 10);
    double x = type == kBelow ? 0 : indent;
    double y = type == kBelow ? kLinePitch : 0;
    const double wrapStart = type == kBeside ? indent : 0;
    std::vector<Placed> placed;
    bool lineEmpty = true;
    const auto newLine = [&] {
        y += kLinePitch;
        x = wrapStart;
        lineEmpty = true;
    };
    for (const QStringList& run :
         TextCharacters::lineRuns(ui::TextLayout::bindClosingPunctuation(cleaned(value)))) {
        // A run that would cross the wrap limit starts the next line, so that no line starts
        // with closing punctuation or ends with an opening bracket; a run longer than a whole
        // line is still cut character by character below.
        if (!lineEmpty && x + runReach(run) >= wrapLimit) newLine();
        for (const QString& character : run) {
            if (x >= wrapLimit) newLine();
            if (character == QLatin1String("\n")) {
                newLine();
                continue;
            }
            placed.push_back({ui::Point(x, y), character});
            x += characterWidth(character);
            lineEmpty = false;
        }
    }
    if (bottom) *bottom = y;
    return placed;
}

int QXLabel::calLblHeightwithKey(const QString& key, const QString& value, int type, double width) {
    double bottom = 0;
    (void)layout(spreadLabel(key), value, type, width - 32, &bottom);
    return int(bottom + kLinePitch);
}

void QXLabel::drawRect(const ui::Rect&) {
    ui::GraphicsContext* context = ui::GraphicsContext::current();
    if (!context) return;
    const ui::Font font = rowFont();
    const QString label = labelText(key_);
    context->setFillColor(keyColor_);
    ui::StringDrawing::drawInRect(
        label,
        ui::Rect(0, 0, kFontSize * double(TextCharacters::count(label)), bounds().size.height),
        font, ui::LineBreakMode::WordWrap);
    context->setFillColor(valueColor_);
    for (const Placed& each : layout(key_, value_, type_, bounds().size.width - 12, nullptr)) {
        ui::StringDrawing::drawAtPoint(each.character, each.origin, font);
    }
}
