#pragma once

#include "platform/uikit/geometry.h"

#include <QString>

namespace ui {

// What the arrow keys, Home and End ask of the caret.
enum class CaretMovement { Left, Right, Up, Down, LineStart, LineEnd };

// What a responder that takes typed text offers the window hosts: typed text,
// deleting backwards, the input method's composition (marked text, shown
// but not yet committed) and the caret's moves. Text inputs implement it; keys reach the window's
// first responder through it.
class KeyInput {
public:
    virtual ~KeyInput() = default;

    [[nodiscard]] virtual bool hasText() const = 0;
    virtual void insertText(const QString& text) = 0;
    virtual void deleteBackward() = 0;
    // The composition in progress; `selection` is within it. An empty text ends it.
    virtual void setMarkedText(const QString& text, Range selection) {
        (void)text;
        (void)selection;
    }
    // Ends the composition, keeping what it shows.
    virtual void unmarkText() {}
    // The return key; the text input decides whether it means a line break.
    virtual void insertReturn() { insertText(QStringLiteral("\n")); }
    // An arrow key, Home or End.
    virtual void moveCaret(CaretMovement movement) { (void)movement; }
};

}  // namespace ui
