#pragma once

#include "platform/foundation/notification_center.h"
#include "platform/uikit/geometry.h"
#include "platform/uikit/view.h"
#include "ui/widgets/QXFCExpandingTextView.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace ui {
class Button;
class ImageView;
}  // namespace ui

class QXChatTextView;

// Hears the chat input bar; every call is optional.
class QXChatTextViewDelegate {
public:
    virtual ~QXChatTextViewDelegate() = default;
    // Every edit of the text field within the length limit; nothing: no opinion.
    virtual std::optional<bool> chatTextViewShouldChangeTextInRange(QXChatTextView& bar,
                                                                    ui::Range range,
                                                                    const QString& text) {
        (void)bar, (void)range, (void)text;
        return std::nullopt;
    }
    // The return key was pressed with this text (the bar keeps it; the owner clears it).
    virtual void chatTextViewFinishedInput(QXChatTextView& bar, const QString& text) {
        (void)bar, (void)text;
    }
    // After each switch between text and voice by the voice button.
    virtual void chatTextViewWillSwitchVoiceChat(QXChatTextView& bar) { (void)bar; }
    // After the more button was tapped.
    virtual void chatTextViewWillSendImage(QXChatTextView& bar) { (void)bar; }
    // The bar moved up with the keyboard (`isResign` false) or down as it resigned (true).
    virtual void chatTextViewChangedCenter(QXChatTextView& bar, ui::Point center, bool isResign) {
        (void)bar, (void)center, (void)isResign;
    }
};

// The bar at the bottom of the chat: a growing text field whose return key sends, a voice
// button on the left that swaps the field for a wide hold-to-talk button, and a more button
// on the right that asks for the picture chooser. It follows the keyboard up and down and tells
// its delegate of its moves, the text to send and the mode switches. Recording is not done
// here: the owner adds its own targets to the talk button (inputButton()).
class QXChatTextView : public ui::View, public QXFCExpandingTextViewDelegate {
public:
    // The characters the text holds at most, as the reader counts them (an emoji is one).
    static constexpr int kMaxLength = 200;
    static constexpr double kAnimation = 0.25;
    static inline const QString kHoldToTalk = QStringLiteral("按住 说话");
    static inline const QString kReleaseToEnd = QStringLiteral("松开 结束");

    // What chatViewState() reports.
    enum State { kIdle = 0, kTyping = 1, kTalking = 2, kChoosingPicture = 3 };

    [[nodiscard]] static std::shared_ptr<QXChatTextView> initWithFrame(const ui::Rect& frame);
    explicit QXChatTextView(const ui::Rect& frame);
    ~QXChatTextView() override;

    void setDelegate(std::weak_ptr<QXChatTextViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    [[nodiscard]] QXFCExpandingTextView* textView() const { return textView_.get(); }
    [[nodiscard]] ui::Button* inputButton() const { return inputButton_.get(); }
    [[nodiscard]] ui::Button* voiceButton() const { return voiceButton_.get(); }
    [[nodiscard]] ui::Button* imageButton() const { return imageButton_.get(); }
    [[nodiscard]] ui::ImageView* textViewBgView() const { return textViewBgView_.get(); }
    [[nodiscard]] bool isVoiceMode() const { return voiceMode_; }
    [[nodiscard]] const QString& tempText() const { return tempText_; }

    [[nodiscard]] bool showKeyboard() const { return showKeyboard_; }
    void setShowKeyboard(bool show) { showKeyboard_ = show; }
    [[nodiscard]] bool resetChatWhenResign() const { return resetChatWhenResign_; }
    void setResetChatWhenResign(bool reset) { resetChatWhenResign_ = reset; }
    [[nodiscard]] bool executeOnce() const { return executeOnce_; }
    void setExecuteOnce(bool once) { executeOnce_ = once; }

    [[nodiscard]] int chatViewState() const;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    [[nodiscard]] bool isChatFirstResponder() const;
    void resetViewFrame() { resignFirstResponder(); }
    // Whether an input method shows a row of candidates (the keyboard stands taller then).
    [[nodiscard]] bool activePop();

    // What the voice and more buttons do.
    void switchMode();
    void moreAction();

    // The text field's calls.
    bool expandingTextViewShouldChangeTextInRange(QXFCExpandingTextView& view, ui::Range range,
                                                  const QString& text) override;
    bool expandingTextViewShouldReturn(QXFCExpandingTextView& view) override;
    void expandingTextViewWillChangeHeight(QXFCExpandingTextView& view, double height) override;

private:
    void attach();
    void keyboardWillShow(const ns::Notification& notification);
    void toVoice();
    void toText();
    void moveDown();
    [[nodiscard]] bool tallScreen() const;

    std::shared_ptr<ui::ImageView> background_;
    std::shared_ptr<ui::ImageView> textViewBgView_;
    std::shared_ptr<QXFCExpandingTextView> textView_;
    std::shared_ptr<ui::Button> inputButton_;
    std::shared_ptr<ui::Button> voiceButton_;
    std::shared_ptr<ui::Button> imageButton_;
    std::shared_ptr<ns::NotificationCenter::Observation> keyboardObservation_;
    std::weak_ptr<QXChatTextViewDelegate> delegate_;
    QString tempText_;
    bool voiceMode_ = false;
    bool talkHeld_ = false;
    bool selectChinese_ = false;
    bool isInputText_ = false;
    bool executeOnce_ = true;
    bool showKeyboard_ = false;
    bool resetChatWhenResign_ = false;
};
