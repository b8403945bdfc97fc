#include "platform/uikit/editable_text.h"

#include <algorithm>

namespace ui {

void EditableText::setText(const QString& text) {
    text_ = text;
    marked_.reset();
    selection_ = {text_.size(), 0};
}

void EditableText::setSelectedRange(Range range) {
    const qsizetype location = std::clamp<qsizetype>(range.location, 0, text_.size());
    selection_ = {location, std::clamp<qsizetype>(range.length, 0, text_.size() - location)};
}

QString EditableText::committedText() const {
    if (!marked_) return text_;
    return QString(text_).remove(marked_->location, marked_->length);
}

EditableText::Edit EditableText::insert(const QString& text) const {
    const Range range = marked_ ? *marked_ : selection_;
    return {range, text, std::nullopt, {range.location + text.size(), 0}};
}

std::optional<EditableText::Edit> EditableText::deleteBackward() const {
    if (marked_) return setMarked(QString(), {});
    Range range = selection_;
    if (range.length == 0) {
        if (range.location == 0) return std::nullopt;
        const bool pair = range.location >= 2 && text_[range.location - 1].isLowSurrogate() &&
                          text_[range.location - 2].isHighSurrogate();
        const qsizetype width = pair ? 2 : 1;
        range = {range.location - width, width};
    }
    return Edit{range, QString(), std::nullopt, {range.location, 0}};
}

std::optional<EditableText::Edit> EditableText::setMarked(const QString& text,
                                                          Range selection) const {
    const Range range = marked_ ? *marked_ : selection_;
    if (text.isEmpty() && !marked_) return std::nullopt;
    Edit edit{range, text, std::nullopt, {range.location, 0}};
    if (!text.isEmpty()) {
        edit.marked = Range{range.location, text.size()};
        const qsizetype inside = std::clamp<qsizetype>(selection.location, 0, text.size());
        edit.selection = {range.location + inside,
                          std::clamp<qsizetype>(selection.length, 0, text.size() - inside)};
    }
    return edit;
}

void EditableText::apply(const Edit& edit) {
    const qsizetype location = std::clamp<qsizetype>(edit.range.location, 0, text_.size());
    const qsizetype length = std::clamp<qsizetype>(edit.range.length, 0, text_.size() - location);
    text_.replace(location, length, edit.replacement);
    marked_ = edit.marked;
    setSelectedRange(edit.selection);
}

}  // namespace ui
