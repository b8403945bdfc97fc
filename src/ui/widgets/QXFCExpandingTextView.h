#pragma once

#include "platform/uikit/text_view.h"
#include "ui/widgets/ExpandingTextDelegate.h"
#include "ui/widgets/ExpandingTextViewInternal.h"

#include <memory>

class QXFCExpandingTextView;

using QXFCExpandingTextViewDelegate = ExpandingTextDelegateOf<QXFCExpandingTextView>;

// A text input that grows with its text from a minimum to a maximum number of lines
// and scrolls inside beyond that, telling its delegate of every height change.
class QXFCExpandingTextView : public ui::View, public ui::TextViewDelegate {
public:
    static constexpr double kGrowDuration = 0.1;

    [[nodiscard]] static std::shared_ptr<QXFCExpandingTextView> initWithFrame(
        const ui::Rect& frame);
    explicit QXFCExpandingTextView(const ui::Rect& frame);

    void setMaxNumberOfLines(int lines);
    void setMinNumberOfLines(int lines);
    [[nodiscard]] int maxNumberOfLines() const { return maxNumberOfLines_; }
    [[nodiscard]] int minNumberOfLines() const { return minNumberOfLines_; }
    [[nodiscard]] int minHeight() const { return minHeight_; }
    [[nodiscard]] int maxHeight() const { return maxHeight_; }
    [[nodiscard]] int getTextViewContentHeight() const;
    // The growth rule, after an edit of `textView` (none: after setText).
    void textViewDidChange(ui::TextView* textView);
    void sizeToFit();
    void setFrame(const ui::Rect& frame) override;
    [[nodiscard]] const ui::EdgeInsets& contentInset() const { return contentInset_; }
    void setContentInset(const ui::EdgeInsets& insets);
    [[nodiscard]] bool animateHeightChange() const { return animateHeightChange_; }
    void setAnimateHeightChange(bool animate) { animateHeightChange_ = animate; }
    void setDelegate(std::weak_ptr<QXFCExpandingTextViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    [[nodiscard]] const QString& text() const { return internalTextView_->text(); }
    void setText(const QString& text);
    [[nodiscard]] const ui::Font& font() const { return internalTextView_->font(); }
    void setFont(const ui::Font& font);
    void setTextColor(const ui::Color& color) { internalTextView_->setTextColor(color); }
    [[nodiscard]] bool hasText() const { return internalTextView_->hasText(); }
    void scrollRangeToVisible(ui::Range range) { internalTextView_->scrollRangeToVisible(range); }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    [[nodiscard]] bool isFirstResponder() const;
    void touchesEnded(const ui::TouchSet& touches, const ui::Event* event) override;
    void growDidStop();
    [[nodiscard]] ExpandingTextViewInternal* internalTextView() const {
        return internalTextView_.get();
    }

    // The inner view's delegate calls, passed on.
    bool textViewShouldBeginEditing(ui::TextView&) override;
    bool textViewShouldEndEditing(ui::TextView&) override;
    void textViewDidBeginEditing(ui::TextView&) override;
    void textViewDidEndEditing(ui::TextView&) override;
    bool shouldChangeTextInRange(ui::TextView&, ui::Range range, const QString& text) override;
    void textViewDidChange(ui::TextView& textView) override { textViewDidChange(&textView); }
    void textViewDidChangeSelection(ui::TextView&) override;

private:
    // The content height of a sample of `lines` lines.
    [[nodiscard]] int heightOfLines(int lines);
    void attachInnerDelegate();

    std::shared_ptr<ExpandingTextViewInternal> internalTextView_;
    std::weak_ptr<QXFCExpandingTextViewDelegate> delegate_;
    ui::EdgeInsets contentInset_;
    int minHeight_ = 0;
    int maxHeight_ = 0;
    int maxNumberOfLines_ = 3;
    int minNumberOfLines_ = 1;
    bool animateHeightChange_ = true;
};
