#include "chat/QXMessageTextCell.h"

#include "util/categories/TextCharacters.h"

#include "platform/uikit/label.h"
#include "platform/uikit/pasteboard.h"
#include "platform/uikit/string_drawing.h"

#include <QFontMetricsF>
#include <QHash>

#include <algorithm>
#include <mutex>

namespace {

constexpr double kMaxOneLineWidth = 210;
constexpr double kNarrowest = 40;
constexpr double kPadding = 40;
constexpr double kWideBubble = 250;
constexpr double kNarrowBubble = 80;
constexpr double kRowHeight = 60;
// Enough for the bubbles of several screens and their heights; past it the kept sizes go.
constexpr qsizetype kMeasurementsKept = 1024;

// The sizes measured so far, by font and text.
struct Measurements {
    std::mutex mutex;
    QHash<QString, ui::Size> sizes;
};

Measurements& measurements() {
    static Measurements kept;
    return kept;
}

// A measurement kept under `key`, or made by `measure` and kept.
template <typename Measure>
ui::Size kept(const QString& key, Measure measure) {
    Measurements& all = measurements();
    {
        const std::lock_guard lock(all.mutex);
        if (const auto found = all.sizes.constFind(key); found != all.sizes.constEnd())
            return *found;
    }
    const ui::Size size = measure();
    const std::lock_guard lock(all.mutex);
    if (all.sizes.size() >= kMeasurementsKept) all.sizes.clear();
    all.sizes.insert(key, size);
    return size;
}

// What a measurement is kept under: its kind (a line's height or a text), the font and the
// text.
QString keyOf(char kind, const ui::Font& font, const QString& text = {}) {
    return QLatin1Char(kind) + font.fontName() + QLatin1Char('/') +
           QString::number(font.pointSize()) + QLatin1Char('/') + text;
}

}  // namespace

QXMessageTextCell::QXMessageTextCell() : QXMessageCell(QStringLiteral("QXMessageTextCell")) {
    messageLabel_ = std::make_shared<ui::Label>(ui::Rect(20, 10, 40, 20));
    messageLabel_->setFont(ui::Font::systemFontOfSize(kFontSize));
    messageLabel_->setNumberOfLines(0);
    messageLabel_->setLineBreakMode(ui::LineBreakMode::CharacterWrap);
    messageLabel_->setBackgroundColor(ui::Color::clearColor());
    messageLabel_->setTextColor(textColor());
    chatBgView_->addSubview(messageLabel_);
}

ui::Color QXMessageTextCell::textColor() {
    return ui::Color::rgb(64, 64, 64);
}

double QXMessageTextCell::lineHeight(const ui::Font& font) {
    return kept(keyOf('l', font), [&] {
               return ui::StringDrawing::sizeWithFont(QStringLiteral("房"), font);
           }).height;
}

ui::Size QXMessageTextCell::measuredText(const QString& text, const ui::Font& font) {
    return kept(keyOf('t', font, text), [&] {
        return ui::StringDrawing::sizeWithFont(text, font, {kMeasureWidth, 1e6},
                                               ui::LineBreakMode::CharacterWrap);
    });
}

QString QXMessageTextCell::shownText(const QString& text) {
    // No character is longer than a few units but for hostile ones, which may be cut alike.
    constexpr qsizetype kLongestCharacter = 16;
    if (text.size() <= kShownCharacters) return text;
    const QString shown =
        TextCharacters::left(text.left(kShownCharacters * kLongestCharacter), kShownCharacters);
    return shown.size() < text.size() ? shown + QStringLiteral("…") : text;
}

double QXMessageTextCell::heightByInfo(const QVariant& info, bool showTime) {
    static const ui::Font font = ui::Font::systemFontOfSize(kFontSize);
    const QString text = shownText(info.toString());
    // Most texts fit one line, which no glyph wider than the font's size can overflow: short
    // ones without a break need no layout at all, longer ones only their advance.
    static const QFontMetricsF metrics(font.toQt(), ui::Font::measuringDevice());
    const bool oneLine = !text.contains(QLatin1Char('\n')) &&
                         (text.size() * kFontSize <= kHeightMeasureWidth ||
                          metrics.horizontalAdvance(text) <= kHeightMeasureWidth);
    if (oneLine) return kRowHeight + (showTime ? kTimeLineHeight : 0);
    const ui::Size measured = ui::StringDrawing::sizeWithFont(
        text, font, {kHeightMeasureWidth, 1e6}, ui::LineBreakMode::CharacterWrap);
    const double extra = measured.height - lineHeight(font);
    return (extra > 0 ? extra + kRowHeight : kRowHeight) + (showTime ? kTimeLineHeight : 0);
}

ui::Size QXMessageTextCell::bubbleSize(ui::Size measured, double lineHeight, bool* oneLine) {
    const double extra = std::max(0.0, measured.height - lineHeight);
    *oneLine = extra < 1;
    double width = kWideBubble;
    if (*oneLine) {
        const double text = std::min(kMaxOneLineWidth, measured.width);
        width = text < kNarrowest ? kNarrowBubble : text + kPadding;
    }
    return {width, extra + kPadding};
}

ui::Rect QXMessageTextCell::textFrame(ui::Size size, bool myself, double inset) {
    // As wide as the text was measured (the bubble less its padding), the wider margin on the
    // tail's side; an inset inside the text view widens it to the left by as much.
    return {(myself ? kOwnTextX : kOtherTextX) - inset, 10, size.width - kTextMargins + inset,
            size.height - 20};
}

void QXMessageTextCell::setContents(const QVariant& contents) {
    messageLabel_->setText(shownText(contents.toString()));
    QXMessageCell::setContents(contents);
}

void QXMessageTextCell::setMyself(bool myself) {
    QXMessageCell::setMyself(myself);
    messageLabel_->setTextColor(textColor());
}

void QXMessageTextCell::copy() {
    ui::Pasteboard::generalPasteboard().setString(contents_.toString());
}

void QXMessageTextCell::handleTapGesture() {
    QXMessageCell::handleTapGesture();
    if (auto delegate = delegate_.lock())
        delegate->chatCellClickedText(*this, messageLabel_->text());
}

void QXMessageTextCell::layoutSubviews() {
    const ui::Size measured = measuredText(messageLabel_->text(), messageLabel_->font());
    bool oneLine = true;
    const ui::Size size = bubbleSize(measured, lineHeight(messageLabel_->font()), &oneLine);
    messageLabel_->setTextAlignment(oneLine ? ui::TextAlignment::Center : ui::TextAlignment::Left);
    ui::Rect bubble = chatBgView_->frame();
    bubble.size = size;
    chatBgView_->setFrame(bubble);
    messageLabel_->setFrame(textFrame(size, myself_));
    QXMessageCell::layoutSubviews();
}
