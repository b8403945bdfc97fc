#pragma once

#include "platform/uikit/view.h"
#include "ui/widgets/ExpandingTextView.h"

#include <QString>

#include <memory>

namespace ui {
class Button;
class ImageView;
}  // namespace ui

class ChatInputToolbar;

// Hears the chat input bar; every method is optional.
class ChatInputToolbarDelegate {
public:
    virtual ~ChatInputToolbarDelegate() = default;
    virtual void inputButtonPressed(ChatInputToolbar&) {}
    virtual void plusButtonPressed(ChatInputToolbar&) {}
    virtual void inputToolbarWillChangeHeight(ChatInputToolbar&, double height) { (void)height; }
    virtual void inputToolbarDidChangeHeight(ChatInputToolbar&, double height) { (void)height; }
    virtual void inputToolbarViewDidChange(ChatInputToolbar&) {}
    virtual bool inputToolbarShouldBeginEditing(ChatInputToolbar&) { return true; }
    virtual bool inputToolbarShouldEndEditing(ChatInputToolbar&) { return true; }
    virtual void inputToolbarDidBeginEditing(ChatInputToolbar&) {}
    virtual void inputToolbarDidEndEditing(ChatInputToolbar&) {}
    virtual bool inputToolbarShouldChangeTextInRange(ChatInputToolbar&, ui::Range range,
                                                     const QString& text) {
        (void)range, (void)text;
        return true;
    }
    virtual void inputToolbarViewDidChangeSelection(ChatInputToolbar&) {}
};

// The older chat bar around the older growing input: an optional "+" button, the
// input, and a send button enabled only while there is text. When the input changes
// height the bar changes its own by as much, keeping its bottom edge in place.
class ChatInputToolbar : public ui::View, public ExpandingTextViewDelegate {
public:
    static constexpr double kButtonHeight = 26;
    static constexpr double kButtonBottomMargin = 7;
    static constexpr double kBarMargin = 12;

    [[nodiscard]] static std::shared_ptr<ChatInputToolbar> initWithFrame(
        const ui::Rect& frame, const QString& label = QStringLiteral("Send"));
    explicit ChatInputToolbar(const ui::Rect& frame, const QString& label);

    void setInputDelegate(std::weak_ptr<ChatInputToolbarDelegate> delegate) {
        inputDelegate_ = std::move(delegate);
    }
    [[nodiscard]] bool isPlusButtonVisible() const { return plusVisible_; }
    void setPlusButtonVisible(bool visible);
    [[nodiscard]] ExpandingTextView* textView() const { return textView_.get(); }
    [[nodiscard]] ui::Button* inputButton() const { return inputButton_.get(); }
    [[nodiscard]] ui::Button* plusButtonItem() const { return plusButton_.get(); }
    // The fixed space at each end of the bar.
    [[nodiscard]] double edgeItemWidth() const;
    void layoutSubviews() override;

    bool expandingTextViewShouldBeginEditing(ExpandingTextView&) override;
    bool expandingTextViewShouldEndEditing(ExpandingTextView&) override;
    void expandingTextViewDidBeginEditing(ExpandingTextView&) override;
    void expandingTextViewDidEndEditing(ExpandingTextView&) override;
    bool expandingTextViewShouldChangeTextInRange(ExpandingTextView&, ui::Range range,
                                                  const QString& text) override;
    void expandingTextViewDidChange(ExpandingTextView&) override;
    void expandingTextViewWillChangeHeight(ExpandingTextView&, double height) override;
    void expandingTextViewDidChangeHeight(ExpandingTextView&, double height) override;
    void expandingTextViewDidChangeSelection(ExpandingTextView&) override;

private:
    void styleButton(ui::Button& button, bool send);

    std::shared_ptr<ui::ImageView> background_;
    std::shared_ptr<ExpandingTextView> textView_;
    std::shared_ptr<ui::Button> inputButton_;
    std::shared_ptr<ui::Button> plusButton_;
    std::weak_ptr<ChatInputToolbarDelegate> inputDelegate_;
    bool plusVisible_ = false;
    bool preIOS7_ = false;
};
