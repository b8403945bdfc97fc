#include "platform/uikit/keyboard_view.h"

#include "platform/uikit/bezier_path.h"
#include "platform/uikit/font.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/touch.h"
#include "platform/uikit/window.h"

namespace ui {

namespace {

// The rows of keys: 12 points from the top, one every 54, keys 42 high.
constexpr double kFirstRow = 12;
constexpr double kRowPitch = 54;
constexpr double kKeyHeight = 42;
// A letter key: 26 points wide, one every 32.
constexpr double kLetterPitch = 32;
constexpr double kKeyGap = 6;
constexpr double kCornerRadius = 5;
// The wide keys of the bottom row and the keys at the ends of the third row.
constexpr double kBottomSideWidth = 74;
constexpr double kRowEndWidth = 38;
// The number pad: three columns of keys 53 points high, a point apart.
constexpr double kPadRowHeight = 54;

const QString kLetterRows[] = {QStringLiteral("qwertyuiop"), QStringLiteral("asdfghjkl"),
                               QStringLiteral("zxcvbnm")};
const QString kDigitRows[] = {QStringLiteral("1234567890"), QStringLiteral("-/:;()¥&@\"")};
const QString kSymbolRows[] = {QStringLiteral("[]{}#%^*+="), QStringLiteral("_\\|~<>$£€•")};
const QString kPunctuation = QStringLiteral(".,?!'");
const QString kPadLetters[] = {QString(),
                               QStringLiteral("ABC"),
                               QStringLiteral("DEF"),
                               QStringLiteral("GHI"),
                               QStringLiteral("JKL"),
                               QStringLiteral("MNO"),
                               QStringLiteral("PQRS"),
                               QStringLiteral("TUV"),
                               QStringLiteral("WXYZ")};

Color keyboardColor() {
    return Color::rgb(209, 213, 219);
}
Color functionKeyColor() {
    return Color::rgb(172, 179, 190);
}
Color keyShadowColor() {
    return Color::rgb(136, 138, 142);
}

bool isFunctionKey(const KeyboardView::Key& key) {
    return key.action != KeyboardView::Action::Type && key.action != KeyboardView::Action::Space;
}

KeyboardView::Key key(KeyboardView::Action action, QString label, Rect frame,
                      KeyboardView::Plane plane = KeyboardView::Plane::Letters) {
    KeyboardView::Key made;
    made.action = action;
    made.label = std::move(label);
    made.plane = plane;
    made.frame = frame;
    return made;
}

// An arrow pointing up, filled when shift is on.
void drawShiftSymbol(GraphicsContext& context, const Rect& box, bool on) {
    const double cx = box.origin.x + box.size.width / 2;
    const double top = box.origin.y + box.size.height / 2 - 9;
    context.beginPath();
    context.moveToPoint(cx, top);
    context.addLineToPoint(cx + 9, top + 9);
    context.addLineToPoint(cx + 4.5, top + 9);
    context.addLineToPoint(cx + 4.5, top + 17);
    context.addLineToPoint(cx - 4.5, top + 17);
    context.addLineToPoint(cx - 4.5, top + 9);
    context.addLineToPoint(cx - 9, top + 9);
    context.closePath();
    context.setStrokeColor(Color::blackColor());
    context.setFillColor(Color::blackColor());
    context.setLineWidth(1.2);
    context.setLineJoin(LineJoin::Round);
    context.drawPath(on ? PathDrawingMode::FillStroke : PathDrawingMode::Stroke);
}

// A tag pointing left with a cross in it.
void drawDeleteSymbol(GraphicsContext& context, const Rect& box) {
    const double cx = box.origin.x + box.size.width / 2;
    const double cy = box.origin.y + box.size.height / 2;
    context.setStrokeColor(Color::blackColor());
    context.setLineWidth(1.2);
    context.setLineJoin(LineJoin::Round);
    context.beginPath();
    context.moveToPoint(cx - 11, cy);
    context.addLineToPoint(cx - 5, cy - 7);
    context.addLineToPoint(cx + 10, cy - 7);
    context.addLineToPoint(cx + 10, cy + 7);
    context.addLineToPoint(cx - 5, cy + 7);
    context.closePath();
    context.strokePath();
    context.strokeLineSegments(
        {{cx - 1, cy - 3}, {cx + 5, cy + 3}, {cx + 5, cy - 3}, {cx - 1, cy + 3}});
}

// The key left of 0 on a number pad: none on the number pad itself.
QString padCornerKey(KeyboardType type) {
    if (type == KeyboardType::DecimalPad) return QStringLiteral(".");
    if (type == KeyboardType::PhonePad) return QStringLiteral("+");
    return {};
}

// The key a character of a desktop input method stands for: a full-width form is its
// ASCII character, the ideographic full stop (a Chinese input method's ".") a point.
QChar padKeyOf(QChar typed) {
    constexpr char16_t kFullWidthFirst = 0xFF01;
    constexpr char16_t kFullWidthLast = 0xFF5E;
    constexpr char16_t kFullWidthOffset = 0xFEE0;
    constexpr char16_t kIdeographicFullStop = 0x3002;
    if (typed.unicode() >= kFullWidthFirst && typed.unicode() <= kFullWidthLast)
        return QChar(char16_t(typed.unicode() - kFullWidthOffset));
    if (typed.unicode() == kIdeographicFullStop) return QLatin1Char('.');
    return typed;
}

}  // namespace

KeyboardView::KeyboardView() {
    setBackgroundColor(keyboardColor());
    setMultipleTouchEnabled(false);
}

QString KeyboardView::returnKeyLabel(ReturnKeyType type) {
    switch (type) {
        case ReturnKeyType::Go:
            return QStringLiteral("前往");
        case ReturnKeyType::Google:
        case ReturnKeyType::Search:
        case ReturnKeyType::Yahoo:
            return QStringLiteral("搜索");
        case ReturnKeyType::Join:
            return QStringLiteral("加入");
        case ReturnKeyType::Next:
            return QStringLiteral("下一项");
        case ReturnKeyType::Route:
            return QStringLiteral("路线");
        case ReturnKeyType::Send:
            return QStringLiteral("发送");
        case ReturnKeyType::Done:
            return QStringLiteral("完成");
        case ReturnKeyType::EmergencyCall:
            return QStringLiteral("紧急呼叫");
        case ReturnKeyType::Default:
            break;
    }
    return QStringLiteral("换行");
}

std::optional<QString> KeyboardView::padCharacters(KeyboardType type) {
    switch (type) {
        case KeyboardType::NumberPad:
        case KeyboardType::PhonePad:
        case KeyboardType::DecimalPad:
            return QStringLiteral("0123456789") + padCornerKey(type);
        default:
            return std::nullopt;
    }
}

QString KeyboardView::typeableOnPad(KeyboardType type, const QString& text) {
    const std::optional<QString> keys = padCharacters(type);
    if (!keys) return text;
    QString typeable;
    for (const QChar typed : text) {
        const QChar key = padKeyOf(typed);
        if (keys->contains(key)) typeable += key;
    }
    return typeable;
}

void KeyboardView::showKeysFor(KeyboardType type, ReturnKeyType returnKey) {
    type_ = type;
    returnKey_ = returnKey;
    shifted_ = false;
    if (padCharacters(type)) {
        plane_ = Plane::NumberPad;
    } else {
        plane_ = type == KeyboardType::NumbersAndPunctuation ? Plane::Digits : Plane::Letters;
    }
    layOutKeys();
}

void KeyboardView::setPlane(Plane plane) {
    if (plane == plane_) return;
    plane_ = plane;
    shifted_ = false;
    layOutKeys();
}

void KeyboardView::layoutSubviews() {
    View::layoutSubviews();
    if (bounds().size != laidOutFor_) layOutKeys();
}

void KeyboardView::layOutKeys() {
    keys_.clear();
    pressed_.reset();
    laidOutFor_ = bounds().size;
    const double width = bounds().size.width;
    const double top = std::max(0.0, bounds().size.height - kKeysHeight);
    const auto rowTop = [&](int row) { return top + kFirstRow + row * kRowPitch; };

    if (plane_ == Plane::NumberPad) {
        const double column = (width - 2) / 3;
        for (int row = 0; row < 4; ++row) {
            for (int col = 0; col < 3; ++col) {
                const Rect frame(col * (column + 1), top + row * kPadRowHeight, column,
                                 kPadRowHeight - 1);
                if (row < 3) {
                    const int digit = row * 3 + col + 1;
                    Key digitKey = key(Action::Type, QString::number(digit), frame);
                    digitKey.letters = kPadLetters[digit - 1];
                    keys_.push_back(std::move(digitKey));
                } else if (col == 1) {
                    keys_.push_back(key(Action::Type, QStringLiteral("0"), frame));
                } else if (col == 2) {
                    keys_.push_back(key(Action::Delete, QStringLiteral("删除"), frame));
                } else if (const QString corner = padCornerKey(type_); !corner.isEmpty()) {
                    keys_.push_back(key(Action::Type, corner, frame));
                }
            }
        }
        setNeedsDisplay();
        return;
    }

    const auto addRow = [&](const QString& characters, double left, double pitch, int row) {
        for (qsizetype i = 0; i < characters.size(); ++i) {
            keys_.push_back(key(Action::Type, characters.mid(i, 1),
                                Rect(left + pitch * double(i) + kKeyGap / 2, rowTop(row),
                                     pitch - kKeyGap, kKeyHeight)));
        }
    };
    const Rect leftEnd(kKeyGap / 2, rowTop(2), kRowEndWidth, kKeyHeight);
    const Rect rightEnd(width - kKeyGap / 2 - kRowEndWidth, rowTop(2), kRowEndWidth, kKeyHeight);
    if (plane_ == Plane::Letters) {
        addRow(kLetterRows[0], 0, kLetterPitch, 0);
        addRow(kLetterRows[1], kLetterPitch / 2, kLetterPitch, 1);
        keys_.push_back(key(Action::Shift, QStringLiteral("⇧"), leftEnd));
        addRow(kLetterRows[2], (width - 7 * kLetterPitch) / 2, kLetterPitch, 2);
    } else {
        const QString* rows = plane_ == Plane::Digits ? kDigitRows : kSymbolRows;
        addRow(rows[0], 0, kLetterPitch, 0);
        addRow(rows[1], 0, kLetterPitch, 1);
        keys_.push_back(plane_ == Plane::Digits
                            ? key(Action::ToPlane, QStringLiteral("#+="), leftEnd, Plane::Symbols)
                            : key(Action::ToPlane, QStringLiteral("123"), leftEnd, Plane::Digits));
        const double from = leftEnd.origin.x + leftEnd.size.width + kKeyGap;
        const double to = rightEnd.origin.x - kKeyGap;
        addRow(kPunctuation, from - kKeyGap / 2, (to - from + kKeyGap) / 5, 2);
    }
    keys_.push_back(key(Action::Delete, QStringLiteral("删除"), rightEnd));

    const double bottom = rowTop(3);
    const bool letters = plane_ == Plane::Letters;
    keys_.push_back(key(Action::ToPlane, letters ? QStringLiteral("123") : QStringLiteral("ABC"),
                        Rect(kKeyGap / 2, bottom, kBottomSideWidth, kKeyHeight),
                        letters ? Plane::Digits : Plane::Letters));
    const double spaceLeft = kKeyGap / 2 + kBottomSideWidth + kKeyGap;
    const double returnLeft = width - kKeyGap / 2 - kBottomSideWidth;
    keys_.push_back(key(Action::Space, QStringLiteral("空格"),
                        Rect(spaceLeft, bottom, returnLeft - kKeyGap - spaceLeft, kKeyHeight)));
    keys_.push_back(key(Action::Return, returnKeyLabel(returnKey_),
                        Rect(returnLeft, bottom, kBottomSideWidth, kKeyHeight)));
    setNeedsDisplay();
}

const KeyboardView::Key* KeyboardView::keyLabelled(const QString& label) const {
    for (const Key& candidate : keys_) {
        if (candidate.label == label) return &candidate;
    }
    return nullptr;
}

std::optional<std::size_t> KeyboardView::indexAt(Point point) const {
    // A finger between two keys counts for the nearer one of its row.
    std::optional<std::size_t> nearest;
    double best = kKeyGap;
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        const Rect& frame = keys_[i].frame;
        if (frame.contains(point)) return i;
        const double dx = std::max(
            {frame.origin.x - point.x, 0.0, point.x - (frame.origin.x + frame.size.width)});
        const double dy = std::max(
            {frame.origin.y - point.y, 0.0, point.y - (frame.origin.y + frame.size.height)});
        const double distance = std::max(dx, dy);
        if (distance < best) {
            best = distance;
            nearest = i;
        }
    }
    return nearest;
}

const KeyboardView::Key* KeyboardView::keyAt(Point point) const {
    const auto index = indexAt(point);
    return index ? &keys_[*index] : nullptr;
}

void KeyboardView::press(const Key& pressedKey) {
    // The key is copied: a plane change lays the keys out anew.
    const Key key = pressedKey;
    Window* shownIn = window();
    switch (key.action) {
        case Action::Type:
            if (shownIn) shownIn->insertText(shifted_ ? key.label.toUpper() : key.label);
            if (shifted_) {
                shifted_ = false;
                setNeedsDisplay();
            }
            break;
        case Action::Space:
            if (shownIn) shownIn->insertText(QStringLiteral(" "));
            break;
        case Action::Shift:
            shifted_ = !shifted_;
            setNeedsDisplay();
            break;
        case Action::Delete:
            if (shownIn) shownIn->deleteBackward();
            break;
        case Action::Return:
            if (shownIn) shownIn->insertReturn();
            break;
        case Action::ToPlane:
            setPlane(key.plane);
            break;
    }
}

void KeyboardView::setPressed(std::optional<std::size_t> index) {
    if (index == pressed_) return;
    pressed_ = index;
    setNeedsDisplay();
}

void KeyboardView::touchesBegan(const TouchSet& touches, const Event*) {
    if (touches.empty()) return;
    setPressed(indexAt((*touches.begin())->locationInView(this)));
}

void KeyboardView::touchesMoved(const TouchSet& touches, const Event*) {
    if (touches.empty()) return;
    setPressed(indexAt((*touches.begin())->locationInView(this)));
}

void KeyboardView::touchesEnded(const TouchSet& touches, const Event*) {
    if (touches.empty()) return;
    const auto index = indexAt((*touches.begin())->locationInView(this));
    setPressed(std::nullopt);
    if (index) press(keys_[*index]);
}

void KeyboardView::touchesCancelled(const TouchSet&, const Event*) {
    setPressed(std::nullopt);
}

void KeyboardView::drawKey(const Key& drawn, bool pressed) const {
    GraphicsContext* context = GraphicsContext::current();
    const bool function = isFunctionKey(drawn);
    const bool pad = plane_ == Plane::NumberPad;
    // A pressed key takes the other kind's face: typing keys grey, function keys white.
    const bool white = function ? pressed : !pressed;
    Color face = white ? Color::whiteColor() : functionKeyColor();
    if (pad && function) face = pressed ? Color::whiteColor() : keyboardColor();
    const Rect& frame = drawn.frame;
    if (pad) {
        context->setFillColor(face);
        context->fillRect(frame);
    } else {
        const double radius = kCornerRadius;
        context->setFillColor(keyShadowColor());
        BezierPath::bezierPathWithRoundedRect(
            Rect(frame.origin.x, frame.origin.y + 1, frame.size.width, frame.size.height), radius)
            .fill();
        context->setFillColor(face);
        BezierPath::bezierPathWithRoundedRect(frame, radius).fill();
    }

    if (drawn.action == Action::Shift) {
        drawShiftSymbol(*context, frame, shifted_);
        return;
    }
    if (drawn.action == Action::Delete) {
        drawDeleteSymbol(*context, frame);
        return;
    }
    QString label = drawn.label;
    Font font = Font::systemFontOfSize(15);
    if (drawn.action == Action::Type) {
        if (shifted_) label = label.toUpper();
        font = Font::systemFontOfSize(pad ? 26 : 22);
    }
    context->setFillColor(Color::blackColor());
    const Size size = StringDrawing::sizeWithFont(label, font);
    double textTop = frame.origin.y + (frame.size.height - size.height) / 2;
    if (!drawn.letters.isEmpty()) {
        const Font small = Font::systemFontOfSize(10);
        const Size under = StringDrawing::sizeWithFont(drawn.letters, small);
        textTop -= under.height / 2;
        StringDrawing::drawInRect(
            drawn.letters,
            Rect(frame.origin.x, textTop + size.height - 2, frame.size.width, under.height), small,
            LineBreakMode::Clip, TextAlignment::Center);
    }
    StringDrawing::drawInRect(label, Rect(frame.origin.x, textTop, frame.size.width, size.height),
                              font, LineBreakMode::Clip, TextAlignment::Center);
}

void KeyboardView::drawRect(const Rect&) {
    if (!GraphicsContext::current()) return;
    for (std::size_t i = 0; i < keys_.size(); ++i) drawKey(keys_[i], pressed_ == i);
}

}  // namespace ui
