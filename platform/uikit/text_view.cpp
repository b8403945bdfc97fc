#include "platform/uikit/text_view.h"

#include "platform/foundation/notification_center.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/touch.h"

#include <algorithm>
#include <cmath>

namespace ui {

// Draws the lines, the composition's underline, the selection and the caret,
// in content coordinates (it scrolls with the text view's bounds).
class TextView::Container : public View {
public:
    explicit Container(TextView& owner) : owner_(owner) {
        setBackgroundColor(Color::clearColor());
        setUserInteractionEnabled(false);
        setContentMode(ContentMode::Redraw);
    }

    void drawRect(const Rect&) override {
        GraphicsContext* context = GraphicsContext::current();
        if (!context) return;
        const QString& text = owner_.storage_.text();
        const Font& font = owner_.font();
        const double lineHeight = font.lineHeight();
        context->setFillColor(owner_.textColor());
        for (const Line& line : owner_.lines_) {
            StringDrawing::drawAtPoint(text.mid(line.start, line.length),
                                       Point(owner_.xOfPosition(line, line.start), line.y), font);
        }
        auto span = [&](Range range, double top, double height) {
            for (const Line& line : owner_.lines_) {
                const qsizetype from = std::max(range.location, line.start);
                const qsizetype to = std::min(range.end(), line.start + line.length);
                if (from >= to) continue;
                const double x = owner_.xOfPosition(line, from);
                context->fillRect(Rect(x, line.y + top, owner_.xOfPosition(line, to) - x, height));
            }
        };
        if (const auto& marked = owner_.storage_.markedRange()) span(*marked, lineHeight - 1, 1);
        if (!owner_.isEditing()) return;
        const Range selection = owner_.storage_.selectedRange();
        context->setFillColor(caretColor());
        if (selection.length > 0) {
            context->setAlpha(0.3);
            span(selection, 0, lineHeight);
            return;
        }
        context->fillRect(owner_.caretRect());
    }

private:
    TextView& owner_;
};

TextView::TextView() : TextView(Rect()) {}

TextView::TextView(const Rect& frame)
    : ScrollView(frame), TextInput(static_cast<View&>(*this), Font::systemFontOfSize(12)) {
    setBackgroundColor(Color::whiteColor());
    setShowsHorizontalScrollIndicator(false);
    container_ = std::make_shared<Container>(*this);
    addSubview(container_);
    // There is always a line, if an empty one, for the caret to stand on.
    relayoutText();
}

TextView::~TextView() = default;

void TextView::setText(const QString& text) {
    storage_.setText(text);
    relayoutText();
}

void TextView::fontDidChange() {
    relayoutText();
}

void TextView::setEditable(bool editable) {
    editable_ = editable;
    if (!editable && isFirstResponder()) resignFirstResponder();
}

void TextView::setTextContainerInset(const EdgeInsets& insets) {
    containerInset_ = insets;
    relayoutText();
}

void TextView::setDelegate(std::weak_ptr<TextViewDelegate> delegate) {
    delegate_ = delegate;
    ScrollView::setDelegate(std::weak_ptr<ScrollViewDelegate>(delegate.lock()));
}

double TextView::textWidth(double viewWidth) const {
    return std::max(0.0,
                    viewWidth - containerInset_.left - containerInset_.right - 2 * kLinePadding);
}

std::vector<TextView::Line> TextView::linesFor(double width, double* height) const {
    std::vector<Line> lines;
    const QString& text = storage_.text();
    const double lineHeight = font().lineHeight();
    double y = containerInset_.top;
    TextLayout::Options options;
    options.width = std::max(1.0, width);
    options.mode = LineBreakMode::WordWrap;
    // Each line as the layout broke it, with the blanks where it wrapped: every character
    // stays on the line it is drawn on, and the caret after a line's last one stands there.
    for (const Range range : TextLayout(text, font(), options).lineRanges()) {
        const double shown =
            StringDrawing::sizeWithFont(text.mid(range.location, range.length), font()).width;
        lines.push_back(Line{range.location, range.length, y, shown});
        y += lineHeight;
    }
    if (height) *height = y + containerInset_.bottom;
    return lines;
}

void TextView::relayoutText() {
    double height = 0;
    lines_ = linesFor(textWidth(bounds().size.width), &height);
    const double width = bounds().size.width;
    container_->setFrame(Rect(0, 0, width, std::max(height, bounds().size.height)));
    container_->setNeedsDisplay();
    setContentSize(Size(width, height));
}

void TextView::layoutSubviews() {
    ScrollView::layoutSubviews();
    if (container_->frame().size.width != bounds().size.width) relayoutText();
}

void TextView::boundsSizeChanged(Size oldSize) {
    ScrollView::boundsSizeChanged(oldSize);
    // A new width alone lays the lines out again at the next layout.
    if (bounds().size.height == oldSize.height) return;
    if (container_->frame().size.width != bounds().size.width) relayoutText();
    // Scrolling to the caret also takes back an offset past the text's end.
    if (isEditing()) scrollSelectionToVisible();
}

Size TextView::sizeThatFits(Size size) const {
    const double width = size.width > 0 ? size.width : bounds().size.width;
    double height = 0;
    (void)linesFor(textWidth(width), &height);
    return {width, std::ceil(height)};
}

double TextView::xOfPosition(const Line& line, qsizetype position) const {
    const QString shown = storage_.text().mid(line.start, line.length);
    const double x = containerInset_.left + kLinePadding +
                     alignedOffset(textWidth(bounds().size.width) - line.width);
    return x + StringDrawing::sizeWithFont(shown.left(position - line.start), font()).width;
}

bool TextView::wrapsIntoNext(std::size_t index) const {
    return index + 1 < lines_.size() &&
           lines_[index].start + lines_[index].length == lines_[index + 1].start;
}

std::size_t TextView::lineIndexOf(Caret caret) const {
    // The last line that starts at or before the position.
    const auto after =
        std::upper_bound(lines_.begin(), lines_.end(), caret.position,
                         [](qsizetype at, const Line& line) { return at < line.start; });
    const std::size_t index = after == lines_.begin() ? 0 : std::size_t(after - lines_.begin() - 1);
    // Where a line wraps, a caret after the character before it ends the line before.
    const bool endsLineBefore = caret.afterPrevious && index > 0 &&
                                lines_[index].start == caret.position && wrapsIntoNext(index - 1);
    return endsLineBefore ? index - 1 : index;
}

Rect TextView::caretRectForPosition(qsizetype position) const {
    return rectOf(Caret{position});
}

Rect TextView::caretRect() const {
    return rectOf(storage_.selectionStart());
}

Rect TextView::rectOf(Caret caret) const {
    const double lineHeight = font().lineHeight();
    const double left = containerInset_.left + kLinePadding;
    const double width = textWidth(bounds().size.width);
    const Line& line = lines_[lineIndexOf(caret)];
    return Rect(std::min(xOfPosition(line, caret.position), left + width), line.y, kCaretWidth,
                lineHeight);
}

Caret TextView::endOf(std::size_t index) const {
    return {lines_[index].start + lines_[index].length, true};
}

Caret TextView::caretOnLine(std::size_t index, double x) const {
    const Line& line = lines_[index];
    const qsizetype position =
        closestPosition({line.start, line.length}, x,
                        [&](qsizetype position) { return xOfPosition(line, position); });
    // At the line's end the caret shows after its last character, also where the next line
    // starts at the same position.
    return position == line.start + line.length ? endOf(index) : Caret{position};
}

Caret TextView::caretNearest(Point point) const {
    // The line under the point; above the first or below the last, that line.
    const auto below = std::upper_bound(lines_.begin(), lines_.end(), point.y,
                                        [](double y, const Line& line) { return y < line.y; });
    return caretOnLine(below == lines_.begin() ? 0 : std::size_t(below - lines_.begin() - 1),
                       point.x);
}

qsizetype TextView::closestPositionToPoint(Point point) const {
    return caretNearest(point).position;
}

Caret TextView::caretFrom(Caret caret, CaretMovement movement) {
    const std::size_t index = lineIndexOf(caret);
    const Line& line = lines_[index];
    switch (movement) {
        case CaretMovement::LineStart:
            return {line.start};
        case CaretMovement::LineEnd:
            return endOf(index);
        case CaretMovement::Up:
            // Up from the first line: the text's start, as on one line.
            if (index == 0) break;
            return caretOnLine(index - 1, xOfPosition(line, caret.position));
        case CaretMovement::Down:
            if (index + 1 == lines_.size()) break;
            return caretOnLine(index + 1, xOfPosition(line, caret.position));
        default:
            break;
    }
    return TextInput::caretFrom(caret, movement);
}

void TextView::caretDidMove() {
    textNeedsDisplay();
    scrollSelectionToVisible();
    if (auto delegate = delegate_.lock()) delegate->textViewDidChangeSelection(*this);
}

void TextView::scrollRangeToVisible(Range range) {
    scrollToVisible(Caret{range.location}, Caret{range.end(), range.length > 0});
}

void TextView::scrollSelectionToVisible() {
    scrollToVisible(storage_.selectionStart(), storage_.selectionEnd());
}

void TextView::scrollToVisible(Caret from, Caret to) {
    Rect wanted = rectOf(from).united(rectOf(to));
    wanted.size.height += containerInset_.bottom;
    // The first line brings the inset above it along.
    if (wanted.origin.y <= containerInset_.top) {
        wanted.size.height += wanted.origin.y;
        wanted.origin.y = 0;
    }
    scrollRectToVisible(wanted, false);
}

// --- First responder --------------------------------------------------------

bool TextView::canBecomeFirstResponder() const {
    return editable_;
}

bool TextView::becomeFirstResponder() {
    const auto delegate = delegate_.lock();
    return beginTextEditing(
        [&] { return !delegate || delegate->textViewShouldBeginEditing(*this); },
        [&] {
            container_->setNeedsDisplay();
            if (delegate) delegate->textViewDidBeginEditing(*this);
            post(kTextViewTextDidBeginEditingNotification);
        });
}

bool TextView::resignFirstResponder() {
    const auto delegate = delegate_.lock();
    return endTextEditing([&] { return !delegate || delegate->textViewShouldEndEditing(*this); },
                          [&] {
                              container_->setNeedsDisplay();
                              if (delegate) delegate->textViewDidEndEditing(*this);
                              post(kTextViewTextDidEndEditingNotification);
                          });
}

void TextView::touchesEnded(const TouchSet& touches, const Event*) {
    if (isDragging() || isDecelerating() || !editable_ || touches.empty()) return;
    const Caret tapped = caretNearest((*touches.begin())->locationInView(this));
    if (!isFirstResponder() && !becomeFirstResponder()) return;
    placeCaret(tapped);
}

bool TextView::canPerformAction(const QString& action) const {
    return canPerformEditAction(action);
}

void TextView::performAction(const QString& action) {
    performEditAction(action);
}

Rect TextView::selectionRect() const {
    return rectOf(storage_.selectionStart()).united(rectOf(storage_.selectionEnd()));
}

void TextView::editMenuDidSelect() {
    if (auto delegate = delegate_.lock()) delegate->textViewDidChangeSelection(*this);
}

void TextView::post(const QString& name) {
    ns::NotificationCenter::defaultCenter().post(name, this);
}

// --- Keys ---------------------------------------------------------------

bool TextView::shouldChangeText(Range range, const QString& replacement) {
    const auto delegate = delegate_.lock();
    return !delegate || delegate->shouldChangeTextInRange(*this, range, replacement);
}

void TextView::textDidChange() {
    relayoutText();
    scrollSelectionToVisible();
    if (auto delegate = delegate_.lock()) delegate->textViewDidChange(*this);
    post(kTextViewTextDidChangeNotification);
}

void TextView::textNeedsDisplay() {
    container_->setNeedsDisplay();
}

void TextView::insertReturn() {
    // A number pad has no return key: the desktop's types no line break either.
    if (!isEditing() || !hasReturnKey()) return;
    storage_.unmark();
    applyEdit(storage_.insert(QStringLiteral("\n")));
}

}  // namespace ui
