#include "platform/uikit/editable_text.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace ui {

void EditableText::setText(const QString& text) {
    text_ = text;
    marked_.reset();
    setSelectedRange({text_.size(), 0});
}

void EditableText::setSelectedRange(Range range) {
    const qsizetype location = std::clamp<qsizetype>(range.location, 0, text_.size());
    selection_ = {location, std::clamp<qsizetype>(range.length, 0, text_.size() - location)};
    caretAfterPrevious_ = false;
}

Caret EditableText::selectionStart() const {
    return {selection_.location, selection_.length == 0 && caretAfterPrevious_};
}

Caret EditableText::selectionEnd() const {
    return {selection_.end(), selection_.length > 0 || caretAfterPrevious_};
}

void EditableText::setCaret(Caret caret) {
    setSelectedRange({caret.position, 0});
    caretAfterPrevious_ = caret.afterPrevious;
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
        const qsizetype start = previousBoundary(range.location);
        range = {start, range.location - start};
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

qsizetype EditableText::previousBoundary(qsizetype position) const {
    position = std::clamp<qsizetype>(position, 0, text_.size());
    if (position == 0) return 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text_);
    finder.setPosition(position);
    return std::max<qsizetype>(0, finder.toPreviousBoundary());
}

qsizetype EditableText::nextBoundary(qsizetype position) const {
    position = std::clamp<qsizetype>(position, 0, text_.size());
    if (position == text_.size()) return position;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text_);
    finder.setPosition(position);
    const qsizetype next = finder.toNextBoundary();
    return next < 0 ? text_.size() : next;
}

std::vector<qsizetype> EditableText::boundariesWithin(Range span) const {
    const qsizetype start = std::clamp<qsizetype>(span.location, 0, text_.size());
    const qsizetype end = std::clamp<qsizetype>(span.end(), start, text_.size());
    std::vector<qsizetype> found{start};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text_);
    finder.setPosition(start);
    for (qsizetype next = finder.toNextBoundary(); next > start && next < end;
         next = finder.toNextBoundary()) {
        found.push_back(next);
    }
    if (end > start) found.push_back(end);
    return found;
}

void EditableText::apply(const Edit& edit) {
    const qsizetype location = std::clamp<qsizetype>(edit.range.location, 0, text_.size());
    const qsizetype length = std::clamp<qsizetype>(edit.range.length, 0, text_.size() - location);
    text_.replace(location, length, edit.replacement);
    marked_ = edit.marked;
    setSelectedRange(edit.selection);
    caretAfterPrevious_ = true;
}

}  // namespace ui
