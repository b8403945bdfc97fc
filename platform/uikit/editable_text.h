#pragma once

#include "platform/uikit/geometry.h"

#include <QString>

#include <optional>

namespace ui {

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
    void setSelectedRange(Range range);
    [[nodiscard]] const std::optional<Range>& markedRange() const { return marked_; }
    // The text without the composition in progress.
    [[nodiscard]] QString committedText() const;

    // Typed or pasted text replaces the composition, else the selection.
    [[nodiscard]] Edit insert(const QString& text) const;
    // Removes the selection, else the character before the cursor (a
    // surrogate pair counts as one); none at the start of the text.
    [[nodiscard]] std::optional<Edit> deleteBackward() const;
    // The composition shows `text` with `selection` inside it; an empty text
    // removes the composition. None when there is nothing to change.
    [[nodiscard]] std::optional<Edit> setMarked(const QString& text, Range selection) const;
    void apply(const Edit& edit);
    // Ends the composition, keeping what it shows.
    void unmark() { marked_.reset(); }

private:
    QString text_;
    Range selection_;
    std::optional<Range> marked_;
};

}  // namespace ui
