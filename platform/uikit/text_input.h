#pragma once

#include "platform/uikit/color.h"
#include "platform/uikit/editable_text.h"
#include "platform/uikit/font.h"
#include "platform/uikit/geometry.h"
#include "platform/uikit/key_input.h"
#include "platform/uikit/text_input_traits.h"
#include "platform/uikit/text_layout.h"

#include <QString>

#include <functional>
#include <optional>

namespace ui {

class View;

// What text fields and text views have in common: the text with its selection and the input
// method's composition, editing (first responder with the delegate's consent, the keyboard
// following), keys and compositions turned into edits the delegate may refuse, and the edit
// menu over the general pasteboard, which a long press shows. The view it is part of answers
// for its delegate and its drawing through the hooks below.
class TextInput : public KeyInput, public TextInputTraits {
public:
    TextInput(const TextInput&) = delete;
    TextInput& operator=(const TextInput&) = delete;

    // The text shown, a composition in progress included.
    [[nodiscard]] const QString& text() const { return storage_.text(); }
    [[nodiscard]] Range selectedRange() const { return storage_.selectedRange(); }
    void setSelectedRange(Range range);
    [[nodiscard]] const std::optional<Range>& markedTextRange() const {
        return storage_.markedRange();
    }
    [[nodiscard]] bool isEditing() const { return editing_; }

    // How the text looks.
    [[nodiscard]] const Font& font() const { return font_; }
    void setFont(const Font& font);
    [[nodiscard]] const Color& textColor() const { return textColor_; }
    void setTextColor(const Color& color);
    [[nodiscard]] TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment alignment);

    // Keys from the host: typed text, deletions and compositions count only while editing.
    // An input whose keyboard is a number pad takes of typed, composed and pasted text only
    // what its pad's keys type (KeyboardView::typeableOnPad), as the phone's keys could.
    [[nodiscard]] bool hasText() const override { return !storage_.text().isEmpty(); }
    void insertText(const QString& text) override;
    void deleteBackward() override;
    void setMarkedText(const QString& text, Range selection) override;
    void unmarkText() override;
    // Left and right go by a character (to a selection's start or end), the others as the
    // view lays out its lines. A composition ends first, keeping what it shows.
    void moveCaret(CaretMovement movement) override;

protected:
    // The cursor's width, and the colour of the cursor and of the selection, in every input.
    static constexpr double kCaretWidth = 2;
    [[nodiscard]] static Color caretColor() { return Color::colorWithRed(0, 0.478, 1); }

    // `view` is the text input itself, as a view; a long press on it shows the edit menu.
    TextInput(View& view, const Font& font);

    // Becoming and resigning first responder. The view's own becomeFirstResponder and
    // resignFirstResponder call these with what its delegate answers and what it does once
    // editing began or ended; the callers hold their delegate through the whole change, so that
    // a delegate that agreed hears the end of it.
    bool beginTextEditing(const std::function<bool()>& shouldBegin,
                          const std::function<void()>& didBegin);
    bool endTextEditing(const std::function<bool()>& shouldEnd,
                        const std::function<void()>& didEnd);
    // Asks the delegate, then applies the edit and tells of the change; false when refused.
    bool applyEdit(const EditableText::Edit& edit);
    // Which of copy, cut, paste, select and select-all the edit menu offers now: copying
    // needs a selection of text that may be selected and shows (no secure entry), cutting and
    // pasting need editing too, selecting needs text and no selection.
    [[nodiscard]] bool canPerformEditAction(const QString& action) const;
    // Performs them over the general pasteboard. What is pasted goes through the delegate as
    // typed text does; selected text has the edit menu show over it again.
    void performEditAction(const QString& action);
    // Whether the user may select the text and copy from it.
    [[nodiscard]] virtual bool isSelectable() const { return true; }
    // How far in from the left a line starts that is `room` points narrower than its box, by
    // the text's alignment.
    [[nodiscard]] double alignedOffset(double room) const;
    // Whether the keyboard has a return key: a number pad has none.
    [[nodiscard]] bool hasReturnKey() const;
    // Puts the caret where a tap put it, ending a composition.
    void placeCaret(Caret caret);
    // The edge of a character within `span` nearest `x`, where `xOf` tells the x of each.
    [[nodiscard]] qsizetype closestPosition(Range span, double x,
                                            const std::function<double(qsizetype)>& xOf) const;
    // Where the up and down arrows, Home and End take the caret from `caret`; by default,
    // text of one line: its start or its end.
    [[nodiscard]] virtual Caret caretFrom(Caret caret, CaretMovement movement);

    EditableText storage_;

private:
    // Inserts what of `text` the keyboard could have typed; text of which nothing is left
    // changes nothing (a selection stays).
    void insertTypeable(const QString& text);
    // A long press began at `location` (the view's coordinates): editing begins, the caret goes
    // under the finger as a tap puts it (a selection stays, for the menu to copy or cut) and the
    // edit menu shows above the caret or the selection.
    void showEditMenu(const Point& location);
    // The edit menu over the caret or the selection, while the input is first responder.
    void showEditMenuAtSelection();
    // The caret nearest `location` (the view's coordinates) in the text as it shows now.
    [[nodiscard]] virtual Caret caretAt(const Point& location) const = 0;
    // Where the caret or the selection shows, in the view's coordinates: what the edit menu
    // points at.
    [[nodiscard]] virtual Rect selectionRect() const = 0;
    // What of pasted `text` the input takes; by default one line, each line break (a carriage
    // return and a line feed together are one) made a blank.
    [[nodiscard]] virtual QString pastedText(const QString& text) const;
    // Whether the delegate lets `replacement` take the place of `range`.
    virtual bool shouldChangeText(Range range, const QString& replacement) = 0;
    // After an edit was applied: lay out, draw and tell of it.
    virtual void textDidChange() = 0;
    // The selection or the composition changed.
    virtual void textNeedsDisplay() = 0;
    // The edit menu selected the text (drawn already).
    virtual void editMenuDidSelect() {}
    // The font changed; by default the text is drawn again.
    virtual void fontDidChange() { textNeedsDisplay(); }
    // The caret moved by a key or a tap.
    virtual void caretDidMove() { textNeedsDisplay(); }

    View& view_;
    Font font_;
    Color textColor_ = Color::blackColor();
    TextAlignment alignment_ = TextAlignment::Left;
    bool editing_ = false;
};

}  // namespace ui
