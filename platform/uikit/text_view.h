#pragma once

#include "platform/uikit/font.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/text_input.h"
#include "platform/uikit/text_layout.h"

#include <QString>

#include <memory>
#include <vector>

namespace ui {

class TextView;

inline const QString kTextViewTextDidBeginEditingNotification =
    QStringLiteral("UITextViewTextDidBeginEditingNotification");
inline const QString kTextViewTextDidChangeNotification =
    QStringLiteral("UITextViewTextDidChangeNotification");
inline const QString kTextViewTextDidEndEditingNotification =
    QStringLiteral("UITextViewTextDidEndEditingNotification");

// Hears a text view and may refuse its changes. Every method is optional.
class TextViewDelegate : public ScrollViewDelegate {
public:
    virtual bool textViewShouldBeginEditing(TextView&) { return true; }
    virtual void textViewDidBeginEditing(TextView&) {}
    virtual bool textViewShouldEndEditing(TextView&) { return true; }
    virtual void textViewDidEndEditing(TextView&) {}
    // Asked before every edit, the return key's line break included.
    virtual bool shouldChangeTextInRange(TextView&, Range range, const QString& replacement) {
        (void)range, (void)replacement;
        return true;
    }
    virtual void textViewDidChange(TextView&) {}
    virtual void textViewDidChangeSelection(TextView&) {}
};

// Editable text of many lines that scrolls: the lines wrap at the view's
// width inside its text container inset, and the content size follows the
// text. Keys reach it as they reach a text field (both are TextInputs); the
// return key types a line break (asking the delegate like any other change).
// A tap puts the caret where it lands; the up and down arrows move it from
// line to line, Home and End to the ends of its line. Where a line wraps, the caret after its
// last character (End there, or a tap right of it) shows at its end, and typing there goes
// on from that character; Home, or the right arrow onto that position, shows it at the start
// of the next line. A long press puts the caret there too, unless text is selected, and shows
// the edit menu above the caret or the selection, as a text field shows it.
class TextView : public ScrollView, public TextInput {
public:
    static constexpr double kLinePadding = 5;  // inside the container inset, on each side

    TextView();
    explicit TextView(const Rect& frame);
    ~TextView() override;

    virtual void setText(const QString& text);
    [[nodiscard]] bool isEditable() const { return editable_; }
    void setEditable(bool editable);
    [[nodiscard]] bool isSelectable() const override { return selectable_; }
    void setSelectable(bool selectable) { selectable_ = selectable; }
    [[nodiscard]] const EdgeInsets& textContainerInset() const { return containerInset_; }
    void setTextContainerInset(const EdgeInsets& insets);

    [[nodiscard]] std::shared_ptr<TextViewDelegate> textViewDelegate() const {
        return delegate_.lock();
    }
    // Also the scroll view's delegate.
    void setDelegate(std::weak_ptr<TextViewDelegate> delegate);

    // Where the cursor stands before the character at `position` (content coordinates).
    [[nodiscard]] Rect caretRectForPosition(qsizetype position) const;
    // Where the caret shows now, at the selection's start, on its line (content coordinates).
    [[nodiscard]] Rect caretRect() const;
    // The caret position nearest `point` (content coordinates).
    [[nodiscard]] qsizetype closestPositionToPoint(Point point) const;
    void scrollRangeToVisible(Range range);

    [[nodiscard]] bool canBecomeFirstResponder() const override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    [[nodiscard]] bool canPerformAction(const QString& action) const override;
    void performAction(const QString& action) override;

    void insertReturn() override;

    void touchesEnded(const TouchSet& touches, const Event* event) override;
    void layoutSubviews() override;
    [[nodiscard]] Size sizeThatFits(Size size) const override;
    [[nodiscard]] QString shownText() const override { return storage_.text(); }

protected:
    // While editing, a view that grows or shrinks in height (as it does with its text) shows the
    // caret's line, and no blank below the text's end.
    void boundsSizeChanged(Size oldSize) override;

private:
    class Container;
    struct Line {
        qsizetype start = 0;
        qsizetype length = 0;
        double y = 0;
        double width = 0;
    };
    bool shouldChangeText(Range range, const QString& replacement) override;
    void textDidChange() override;
    void textNeedsDisplay() override;
    void editMenuDidSelect() override;
    [[nodiscard]] Caret caretAt(const Point& location) const override {
        return caretNearest(location);
    }
    // The caret's line, or the lines from the selection's start to its end.
    [[nodiscard]] Rect selectionRect() const override;
    // Lines and all: a text view takes what is pasted as it is.
    [[nodiscard]] QString pastedText(const QString& text) const override { return text; }
    void fontDidChange() override;
    Caret caretFrom(Caret caret, CaretMovement movement) override;
    void caretDidMove() override;
    void post(const QString& name);
    void relayoutText();
    // Whether the line at `index` wraps: the next line starts where it ends, with no line
    // break between.
    [[nodiscard]] bool wrapsIntoNext(std::size_t index) const;
    // The line that shows `caret`.
    [[nodiscard]] std::size_t lineIndexOf(Caret caret) const;
    [[nodiscard]] Rect rectOf(Caret caret) const;
    // The caret after the last character of the line at `index`.
    [[nodiscard]] Caret endOf(std::size_t index) const;
    // The caret on the line at `index` nearest `x` (content coordinates).
    [[nodiscard]] Caret caretOnLine(std::size_t index, double x) const;
    // The caret nearest `point` (content coordinates).
    [[nodiscard]] Caret caretNearest(Point point) const;
    void scrollSelectionToVisible();
    void scrollToVisible(Caret from, Caret to);
    [[nodiscard]] std::vector<Line> linesFor(double width, double* height) const;
    [[nodiscard]] double textWidth(double viewWidth) const;
    // Where, in content coordinates, the character at `position` of `line` starts.
    [[nodiscard]] double xOfPosition(const Line& line, qsizetype position) const;

    EdgeInsets containerInset_{8, 0, 8, 0};
    std::weak_ptr<TextViewDelegate> delegate_;
    std::shared_ptr<Container> container_;
    std::vector<Line> lines_;
    bool editable_ = true;
    bool selectable_ = true;
};

}  // namespace ui
