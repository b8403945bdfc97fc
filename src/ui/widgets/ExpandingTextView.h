#pragma once

#include "platform/uikit/text_view.h"
#include "ui/widgets/ExpandingTextDelegate.h"

#include <memory>

namespace ui {
class ImageView;
class Label;
}  // namespace ui

class ExpandingTextView;
using ExpandingTextViewDelegate = ExpandingTextDelegateOf<ExpandingTextView>;

// The older, self-contained growing text input: a text view over a stretched
// background picture with a grey placeholder while it is empty. It grows between
// float heights measured for a number of lines, one point taller than its text.
class ExpandingTextView : public ui::View, public ui::TextViewDelegate {
public:
    [[nodiscard]] static std::shared_ptr<ExpandingTextView> initWithFrame(const ui::Rect& frame);
    explicit ExpandingTextView(const ui::Rect& frame);

    [[nodiscard]] bool isOnPreIOS7() const { return preIOS7_; }
    [[nodiscard]] double measureHeight() const;
    void setMinimumNumberOfLines(int lines);
    void setMaximumNumberOfLines(int lines);
    [[nodiscard]] double minimumHeight() const { return minimumHeight_; }
    void setMinimumHeight(double height) { minimumHeight_ = height; }
    [[nodiscard]] double maximumHeight() const { return maximumHeight_; }
    void setMaximumHeight(double height) { maximumHeight_ = height; }
    void setForceSizeUpdate(bool force) { forceSizeUpdate_ = force; }

    [[nodiscard]] const QString& text() const { return textView_->text(); }
    void setText(const QString& text);
    void clearText() { setText({}); }
    [[nodiscard]] bool hasText() const { return !textView_->text().isEmpty(); }
    [[nodiscard]] const QString& placeholder() const;
    void setPlaceholder(const QString& placeholder);
    void setFont(const ui::Font& font);
    void setDelegate(std::weak_ptr<ExpandingTextViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    bool becomeFirstResponder() override { return textView_->becomeFirstResponder(); }
    bool resignFirstResponder() override { return textView_->resignFirstResponder(); }

    [[nodiscard]] ui::TextView* internalTextView() const { return textView_.get(); }
    [[nodiscard]] ui::ImageView* textViewBackgroundImage() const { return backgroundImage_.get(); }
    [[nodiscard]] ui::Label* placeholderLabel() const { return placeholderLabel_.get(); }

    bool textViewShouldBeginEditing(ui::TextView&) override;
    bool textViewShouldEndEditing(ui::TextView&) override;
    void textViewDidBeginEditing(ui::TextView&) override;
    void textViewDidEndEditing(ui::TextView&) override;
    bool shouldChangeTextInRange(ui::TextView&, ui::Range range, const QString& text) override;
    void textViewDidChange(ui::TextView&) override { grow(); }
    void textViewDidChangeSelection(ui::TextView&) override;

private:
    void grow();
    [[nodiscard]] double heightOfSample(int repeats);

    std::shared_ptr<ui::ImageView> backgroundImage_;
    std::shared_ptr<ui::TextView> textView_;
    std::shared_ptr<ui::Label> placeholderLabel_;
    std::weak_ptr<ExpandingTextViewDelegate> delegate_;
    double minimumHeight_ = 0;
    double maximumHeight_ = 0;
    bool forceSizeUpdate_ = false;
    bool preIOS7_;
};
