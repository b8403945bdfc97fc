#include "platform/uikit/attributed_string.h"

#include <algorithm>

namespace ui {

void StringAttributes::add(const StringAttributes& other) {
    if (other.font) font = other.font;
    if (other.foregroundColor) foregroundColor = other.foregroundColor;
    if (other.underline) underline = true;
    if (other.paragraphStyle) paragraphStyle = other.paragraphStyle;
    for (auto it = other.custom.begin(); it != other.custom.end(); ++it) {
        custom.insert(it.key(), it.value());
    }
}

AttributedString::AttributedString(QString text, const StringAttributes& attributes)
    : text_(std::move(text)) {
    if (!text_.isEmpty()) runs_.push_back({{0, text_.size()}, attributes});
}

const AttributedString::Run& AttributedString::runAtIndex(qsizetype index) const {
    const auto after = std::upper_bound(
        runs_.begin(), runs_.end(), index,
        [](qsizetype value, const Run& run) { return value < run.range.location; });
    return *(after - 1);
}

std::span<const AttributedString::Run> AttributedString::runsInRange(Range range) const {
    const auto byStart = [](qsizetype value, const Run& run) { return value < run.range.location; };
    auto first = std::upper_bound(runs_.begin(), runs_.end(), range.location, byStart);
    if (first != runs_.begin()) --first;
    const auto last = std::lower_bound(
        first, runs_.end(), range.end(),
        [](const Run& run, qsizetype value) { return run.range.location < value; });
    return {first, last};
}

std::size_t AttributedString::splitAt(qsizetype index) {
    const auto after = std::upper_bound(
        runs_.begin(), runs_.end(), index,
        [](qsizetype value, const Run& run) { return value < run.range.location; });
    const auto run = after - 1;
    const auto position = std::size_t(run - runs_.begin());
    if (run->range.location == index) return position;
    Run tail{{index, run->range.end() - index}, run->attributes};
    run->range.length = index - run->range.location;
    runs_.insert(after, std::move(tail));
    return position + 1;
}

template <class Change>
void AttributedString::change(Range range, Change change) {
    if (range.length <= 0 || range.location < 0 || range.location >= text_.size()) return;
    const qsizetype start = range.location;
    // Lengths reaching past the end (even the largest ones) stop at the end.
    const qsizetype end = start + std::min(range.length, text_.size() - start);
    const std::size_t first = splitAt(start);
    const std::size_t last = end < text_.size() ? splitAt(end) : runs_.size();
    for (std::size_t i = first; i < last; ++i) change(runs_[i].attributes);
}

void AttributedString::addAttributes(const StringAttributes& attributes, Range range) {
    change(range, [&](StringAttributes& run) { run.add(attributes); });
}

void AttributedString::removeParagraphStyle(Range range) {
    change(range, [](StringAttributes& run) { run.paragraphStyle.reset(); });
}

void AttributedString::addCustomAttribute(const QString& name, const QVariant& value, Range range) {
    change(range, [&](StringAttributes& run) { run.custom.insert(name, value); });
}

}  // namespace ui
