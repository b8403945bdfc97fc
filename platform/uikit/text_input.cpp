#include "platform/uikit/text_input.h"

#include "platform/uikit/keyboard.h"
#include "platform/uikit/keyboard_view.h"
#include "platform/uikit/long_press_gesture_recognizer.h"
#include "platform/uikit/menu_controller.h"
#include "platform/uikit/pasteboard.h"
#include "platform/uikit/view.h"
#include "platform/uikit/window.h"

#include <algorithm>

namespace ui {

TextInput::TextInput(View& view, const Font& font) : view_(view), font_(font) {
    view_.addGestureRecognizer(
        std::make_shared<LongPressGestureRecognizer>(this, [this](GestureRecognizer& press) {
            if (press.state() == GestureRecognizerState::Began)
                showEditMenu(press.locationInView(&view_));
        }));
}

void TextInput::setSelectedRange(Range range) {
    storage_.setSelectedRange(range);
    textNeedsDisplay();
}

// --- First responder --------------------------------------------------------

bool TextInput::beginTextEditing(const std::function<bool()>& shouldBegin,
                                 const std::function<void()>& didBegin) {
    if (view_.isFirstResponder()) return true;
    Window* shownIn = view_.window();
    if (!shownIn || !view_.canBecomeFirstResponder()) return false;
    const auto keep = view_.sharedView();
    if (!shouldBegin()) return false;
    if (!Keyboard::shared().handOver([this] { return view_.Responder::becomeFirstResponder(); }))
        return false;
    editing_ = true;
    didBegin();
    if (view_.isFirstResponder()) Keyboard::shared().inputDidBegin(view_, *shownIn);
    return true;
}

bool TextInput::endTextEditing(const std::function<bool()>& shouldEnd,
                               const std::function<void()>& didEnd) {
    if (!view_.isFirstResponder() || !editing_) return view_.Responder::resignFirstResponder();
    const auto keep = view_.sharedView();
    if (!shouldEnd()) return false;
    storage_.unmark();
    view_.Responder::resignFirstResponder();
    editing_ = false;
    if (MenuController::sharedMenuController().isMenuVisible())
        MenuController::sharedMenuController().setMenuVisible(false);
    didEnd();
    Keyboard::shared().inputDidEnd(view_);
    return true;
}

// --- The edit menu ----------------------------------------------------------

void TextInput::showEditMenu(const Point& location) {
    // Where the finger is in the text as it showed: beginning to edit may scroll a field's text.
    const Caret pressed = caretAt(location);
    if (!view_.isFirstResponder() && !view_.becomeFirstResponder()) return;
    if (storage_.selectedRange().length == 0) placeCaret(pressed);
    showEditMenuAtSelection();
}

void TextInput::showEditMenuAtSelection() {
    // The menu offers what the first responder can do: for another responder it would be its.
    if (!view_.isFirstResponder()) return;
    MenuController& menu = MenuController::sharedMenuController();
    menu.setTargetRect(selectionRect(), &view_);
    menu.setMenuVisible(true, true);
}

bool TextInput::canPerformEditAction(const QString& action) const {
    const Range selection = storage_.selectedRange();
    const bool copies = selection.length > 0 && isSelectable() && !isSecureTextEntry();
    if (action == QLatin1String("copy")) return copies;
    if (action == QLatin1String("cut")) return isEditing() && copies;
    if (action == QLatin1String("paste"))
        return isEditing() && Pasteboard::generalPasteboard().hasStrings();
    if (action == QLatin1String("select") || action == QLatin1String("selectAll"))
        return isSelectable() && !storage_.text().isEmpty() && selection.length == 0;
    return false;
}

QString TextInput::pastedText(const QString& text) const {
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    for (const QChar lineBreak : {QChar(u'\n'), QChar(u'\r'), QChar(0x2028), QChar(0x2029)})
        line.replace(lineBreak, u' ');
    return line;
}

void TextInput::performEditAction(const QString& action) {
    const Range selection = storage_.selectedRange();
    Pasteboard& pasteboard = Pasteboard::generalPasteboard();
    if (action == QLatin1String("copy") || action == QLatin1String("cut")) {
        pasteboard.setString(storage_.text().mid(selection.location, selection.length));
        if (action == QLatin1String("cut")) applyEdit(storage_.insert(QString()));
    } else if (action == QLatin1String("paste")) {
        // A pad's input takes its characters out of the pasted text: a number copied with
        // spaces or dashes pastes as its digits.
        insertTypeable(pastedText(pasteboard.string()));
    } else if (action == QLatin1String("select") || action == QLatin1String("selectAll")) {
        // Selecting takes the whole text: Chinese text has no spaces for a word to stop at.
        storage_.setSelectedRange({0, storage_.text().size()});
        textNeedsDisplay();
        editMenuDidSelect();
        // As on the phone, the menu shows again over what is selected, to copy or cut it.
        showEditMenuAtSelection();
    }
}

// --- Keys ---------------------------------------------------------------

bool TextInput::applyEdit(const EditableText::Edit& edit) {
    const auto keep = view_.sharedView();
    if (!shouldChangeText(edit.range, edit.replacement)) return false;
    storage_.apply(edit);
    textDidChange();
    return true;
}

void TextInput::insertText(const QString& text) {
    if (!editing_) return;
    insertTypeable(text);
}

void TextInput::insertTypeable(const QString& text) {
    const QString typeable = KeyboardView::typeableOnPad(keyboardType(), text);
    if (typeable.isEmpty() && !text.isEmpty()) return;
    applyEdit(storage_.insert(typeable));
}

bool TextInput::hasReturnKey() const {
    return !KeyboardView::padCharacters(keyboardType());
}

void TextInput::deleteBackward() {
    if (!editing_) return;
    if (auto edit = storage_.deleteBackward()) applyEdit(*edit);
}

void TextInput::setMarkedText(const QString& text, Range selection) {
    if (!editing_) return;
    // A pad's input shows of a composition only what its keys type (mostly nothing), its
    // selection moved to where it falls in what is left.
    const auto typeable = [&](const QString& part) {
        return KeyboardView::typeableOnPad(keyboardType(), part);
    };
    const qsizetype from = std::clamp<qsizetype>(selection.location, 0, text.size());
    const qsizetype length = std::clamp<qsizetype>(selection.length, 0, text.size() - from);
    const Range kept{typeable(text.left(from)).size(), typeable(text.mid(from, length)).size()};
    if (auto edit = storage_.setMarked(typeable(text), kept)) applyEdit(*edit);
}

void TextInput::unmarkText() {
    storage_.unmark();
    textNeedsDisplay();
}

// --- The caret ------------------------------------------------------------

void TextInput::moveCaret(CaretMovement movement) {
    storage_.unmark();
    const Range selection = storage_.selectedRange();
    switch (movement) {
        case CaretMovement::Left:
            storage_.setSelectedRange({selection.length > 0
                                           ? selection.location
                                           : storage_.previousBoundary(selection.location),
                                       0});
            break;
        case CaretMovement::Right:
            storage_.setSelectedRange(
                {selection.length > 0 ? selection.end() : storage_.nextBoundary(selection.end()),
                 0});
            break;
        case CaretMovement::Up:
        case CaretMovement::LineStart:
            storage_.setCaret(caretFrom(storage_.selectionStart(), movement));
            break;
        case CaretMovement::Down:
        case CaretMovement::LineEnd:
            storage_.setCaret(caretFrom(storage_.selectionEnd(), movement));
            break;
    }
    caretDidMove();
}

Caret TextInput::caretFrom(Caret, CaretMovement movement) {
    const bool back = movement == CaretMovement::Up || movement == CaretMovement::LineStart;
    return {back ? 0 : storage_.text().size()};
}

void TextInput::placeCaret(Caret caret) {
    storage_.unmark();
    storage_.setCaret(caret);
    caretDidMove();
}

qsizetype TextInput::closestPosition(Range span, double x,
                                     const std::function<double(qsizetype)>& xOf) const {
    const std::vector<qsizetype> edges = storage_.boundariesWithin(span);
    // The first edge at or right of `x` (the x of edges grows along a line), or the one
    // before it when that is nearer.
    const auto right = std::partition_point(edges.begin(), edges.end(),
                                            [&](qsizetype edge) { return xOf(edge) < x; });
    if (right == edges.begin()) return edges.front();
    if (right == edges.end()) return edges.back();
    const auto left = right - 1;
    return x - xOf(*left) <= xOf(*right) - x ? *left : *right;
}

void TextInput::setFont(const Font& font) {
    font_ = font;
    fontDidChange();
}

void TextInput::setTextColor(const Color& color) {
    textColor_ = color;
    textNeedsDisplay();
}

void TextInput::setTextAlignment(TextAlignment alignment) {
    alignment_ = alignment;
    textNeedsDisplay();
}

double TextInput::alignedOffset(double room) const {
    if (alignment_ == TextAlignment::Center) return room / 2;
    if (alignment_ == TextAlignment::Right) return room;
    return 0;
}

}  // namespace ui
