#pragma once

#include "platform/uikit/geometry.h"

#include <QString>

#include <optional>
#include <vector>

namespace ui {

// A place of the caret: a position in the text, and on which side of it the caret shows
// where the text shows that position twice (where a line wraps, its end and the next line's
// start are one position).
struct Caret {
    qsizetype position = 0;
    // After the character before it, at the end of the line before; else before the
    // character after it, at the next line's start.
    bool afterPrevious = false;
};

// The text of an editable field with its selection and the input method's
// composition (the marked range). Each edit is first worked out as a proposal
// (the range replaced and the replacement, as delegates are asked about it),
// then applied; so a field can ask its delegate between the two.
class EditableText {
public:
    struct Edit {
        Range range;
        QString replacement;
        // The composition after the edit (none: it ended).
        std::optional<Range> marked;
        Range selection;
    };

    [[nodiscard]] const QString& text() const { return text_; }
    // Replaces everything; the cursor goes to the end, a composition ends.
    void setText(const QString& text);
    [[nodiscard]] Range selectedRange() const { return selection_; }
    // A selection's start shows before its first character and its end after its last.
    void setSelectedRange(Range range);
    // The caret's side at the selection's start or end. An empty selection keeps to the side
    // it was put on, by setCaret or by an edit, which leaves the caret after the text it typed
    // or next to the character before what it deleted; a new selection range puts it before
    // the character after it.
    [[nodiscard]] Caret selectionStart() const;
    [[nodiscard]] Caret selectionEnd() const;
    // Collapses the selection to `caret`.
    void setCaret(Caret caret);
    [[nodiscard]] const std::optional<Range>& markedRange() const { return marked_; }
    // The text without the composition in progress.
    [[nodiscard]] QString committedText() const;

    // Typed or pasted text replaces the composition, else the selection.
    [[nodiscard]] Edit insert(const QString& text) const;
    // Removes the selection, else the character before the cursor (as the
    // reader sees it: see previousBoundary); none at the start of the text.
    [[nodiscard]] std::optional<Edit> deleteBackward() const;
    // The composition shows `text` with `selection` inside it; an empty text
    // removes the composition. None when there is nothing to change.
    [[nodiscard]] std::optional<Edit> setMarked(const QString& text, Range selection) const;
    void apply(const Edit& edit);
    // Ends the composition, keeping what it shows.
    void unmark() { marked_.reset(); }

    // The edges of the characters as the reader sees them (a surrogate pair, a letter with
    // its marks, a flag are one), where the cursor may stand: the one before `position`
    // (the start at most) and the one after it (the end at most).
    [[nodiscard]] qsizetype previousBoundary(qsizetype position) const;
    [[nodiscard]] qsizetype nextBoundary(qsizetype position) const;
    // Those edges within `span`, its start and end included, in order.
    [[nodiscard]] std::vector<qsizetype> boundariesWithin(Range span) const;

private:
    QString text_;
    Range selection_;
    bool caretAfterPrevious_ = false;  // of an empty selection
    std::optional<Range> marked_;
};

}  // namespace ui
