#include "chat/QXChatTextView.h"

#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/keyboard.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/text_view.h"
#include "util/categories/TextCharacters.h"

#include <cmath>

namespace {

constexpr double kTallScreenHeight = 568;
constexpr double kTallKeyboardBase = 505;
constexpr double kKeyboardBase = 417;
constexpr double kTallRestingBase = 455;
constexpr double kRestingBase = 367;
constexpr double kTalkButtonGrowth = 3;

std::shared_ptr<ui::Image> image(const QString& name) {
    return ui::Image::imageNamed(name);
}

std::shared_ptr<ui::Image> stretched(const QString& name, int left, int top) {
    const auto picture = image(name);
    return picture ? picture->stretchableImageWithLeftCapWidth(left, top) : nullptr;
}

}  // namespace

std::shared_ptr<QXChatTextView> QXChatTextView::initWithFrame(const ui::Rect& frame) {
    auto bar = std::make_shared<QXChatTextView>(frame);
    bar->attach();
    return bar;
}

QXChatTextView::QXChatTextView(const ui::Rect& frame) : ui::View(frame) {
    const double width = frame.size.width;
    const double height = frame.size.height;
    setBackgroundColor(ui::Color::clearColor());

    inputButton_ = std::make_shared<ui::Button>(ui::Rect(50, 8, 220, 33));
    inputButton_->setBackgroundImage(stretched(QStringLiteral("白色语音button.png"), 3, 0),
                                     ui::kControlStateNormal);
    inputButton_->setBackgroundImage(stretched(QStringLiteral("白色语音button点击.png"), 3, 0),
                                     ui::kControlStateHighlighted);
    inputButton_->setTitle(kHoldToTalk, ui::kControlStateNormal);
    inputButton_->setTitleColor(ui::Color::rgb(83, 188, 44), ui::kControlStateNormal);
    inputButton_->setTitleColor(ui::Color::whiteColor(), ui::kControlStateHighlighted);
    inputButton_->setFont(ui::Font::systemFontOfSize(16));
    inputButton_->setEnabled(false);
    inputButton_->setAutoresizingMask(ui::kAutoresizingFlexibleHeight);
    addSubview(inputButton_);

    background_ = std::make_shared<ui::ImageView>(ui::Rect(0, 0, width, height));
    background_->setImage(stretched(QStringLiteral("底部tabBG.png"), 2, 24));
    background_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth |
                                     ui::kAutoresizingFlexibleHeight);
    addSubview(background_);

    textViewBgView_ = std::make_shared<ui::ImageView>(ui::Rect(50, 8, 220, 33));
    textViewBgView_->setImage(stretched(QStringLiteral("输入框"), 5, 15));
    textViewBgView_->setBackgroundColor(ui::Color::clearColor());
    textViewBgView_->setAutoresizingMask(ui::kAutoresizingFlexibleHeight);
    addSubview(textViewBgView_);

    textView_ = QXFCExpandingTextView::initWithFrame(ui::Rect(50, 9, 220, 40));
    textView_->internalTextView()->setReturnKeyType(ui::ReturnKeyType::Send);
    textView_->internalTextView()->setEnablesReturnKeyAutomatically(true);
    textView_->setTextColor(ui::Color::blackColor());
    textView_->setFont(ui::Font::systemFontOfSize(14));
    textView_->setBackgroundColor(ui::Color::clearColor());
    addSubview(textView_);

    imageButton_ = std::make_shared<ui::Button>(ui::Rect(278, 7, 34, 34));
    imageButton_->setImage(image(QStringLiteral("更多-icon.png")), ui::kControlStateNormal);
    imageButton_->setImage(image(QStringLiteral("更多-icon点击.png")),
                           ui::kControlStateHighlighted);
    addSubview(imageButton_);

    voiceButton_ = std::make_shared<ui::Button>(ui::Rect(8, 7, 34, 34));
    voiceButton_->setImage(image(QStringLiteral("im语音.png")), ui::kControlStateNormal);
    voiceButton_->setImage(image(QStringLiteral("im语音点击态.png")), ui::kControlStateHighlighted);
    addSubview(voiceButton_);
}

QXChatTextView::~QXChatTextView() = default;

void QXChatTextView::attach() {
    textView_->setDelegate(
        std::static_pointer_cast<QXFCExpandingTextViewDelegate>(sharedAs<QXChatTextView>()));
    const std::weak_ptr<QXChatTextView> weak = weakAs<QXChatTextView>();
    inputButton_->addTarget(
        this, ui::kControlEventTouchDown, [weak](ui::Control&, const ui::Event*) {
            if (auto self = weak.lock()) {
                self->talkHeld_ = true;
                self->inputButton_->setTitle(kReleaseToEnd, ui::kControlStateNormal);
            }
        });
    inputButton_->addTarget(this,
                            ui::kControlEventTouchUpInside | ui::kControlEventTouchUpOutside |
                                ui::kControlEventTouchCancel,
                            [weak](ui::Control&, const ui::Event*) {
                                if (auto self = weak.lock()) {
                                    self->talkHeld_ = false;
                                    self->inputButton_->setTitle(kHoldToTalk,
                                                                 ui::kControlStateNormal);
                                }
                            });
    voiceButton_->addTarget(this, ui::kControlEventTouchUpInside,
                            [weak](ui::Control&, const ui::Event*) {
                                if (auto self = weak.lock()) self->switchMode();
                            });
    imageButton_->addTarget(this, ui::kControlEventTouchUpInside,
                            [weak](ui::Control&, const ui::Event*) {
                                if (auto self = weak.lock()) self->moreAction();
                            });
    keyboardObservation_ = ns::NotificationCenter::defaultCenter().addObserver(
        ui::kKeyboardWillShowNotification, [weak](const ns::Notification& notification) {
            if (auto self = weak.lock()) self->keyboardWillShow(notification);
        });
}

bool QXChatTextView::tallScreen() const {
    return ui::Screen::mainScreen().bounds().height() == kTallScreenHeight;
}

int QXChatTextView::chatViewState() const {
    if (isInputText_) return kTyping;
    if (talkHeld_) return kTalking;
    if (imageButton_->isSelected()) return kChoosingPicture;
    return kIdle;
}

bool QXChatTextView::becomeFirstResponder() {
    View::becomeFirstResponder();
    return textView_->becomeFirstResponder();
}

bool QXChatTextView::resignFirstResponder() {
    View::resignFirstResponder();
    moveDown();
    return textView_->resignFirstResponder();
}

bool QXChatTextView::isChatFirstResponder() const {
    const int state = chatViewState();
    return textView_->isFirstResponder() || state == kTyping || state == kChoosingPicture;
}

bool QXChatTextView::activePop() {
    // The stand-in's input method shows its candidates by making the keyboard taller.
    const ui::Keyboard& keyboard = ui::Keyboard::shared();
    if (keyboard.isVisible() && keyboard.height() > ui::Keyboard::kHeight) selectChinese_ = true;
    return selectChinese_;
}

void QXChatTextView::switchMode() {
    if (talkHeld_) return;
    if (voiceMode_) {
        toText();
    } else {
        toVoice();
    }
    if (auto delegate = delegate_.lock()) delegate->chatTextViewWillSwitchVoiceChat(*this);
}

void QXChatTextView::toVoice() {
    voiceMode_ = true;
    voiceButton_->setImage(image(QStringLiteral("im键盘")), ui::kControlStateNormal);
    voiceButton_->setImage(image(QStringLiteral("im键盘点击态")), ui::kControlStateHighlighted);
    bringSubviewToFront(inputButton_.get());
    textView_->setUserInteractionEnabled(false);
    inputButton_->setEnabled(true);
    tempText_ = textView_->text();
    textView_->setText({});
    resignFirstResponder();
}

void QXChatTextView::toText() {
    voiceMode_ = false;
    voiceButton_->setImage(image(QStringLiteral("im语音.png")), ui::kControlStateNormal);
    voiceButton_->setImage(image(QStringLiteral("im语音点击态.png")), ui::kControlStateHighlighted);
    sendSubviewToBack(inputButton_.get());
    textView_->setUserInteractionEnabled(true);
    if (!tempText_.isEmpty()) {
        textView_->setText(tempText_);
        textView_->scrollRangeToVisible({tempText_.size(), 0});
        tempText_.clear();
    }
    inputButton_->setEnabled(false);
}

void QXChatTextView::moreAction() {
    if (talkHeld_) return;
    if (voiceMode_) toText();
    textView_->internalTextView()->resignFirstResponder();
    if (auto delegate = delegate_.lock()) delegate->chatTextViewWillSendImage(*this);
}

bool QXChatTextView::expandingTextViewShouldChangeTextInRange(QXFCExpandingTextView& view,
                                                              ui::Range range,
                                                              const QString& text) {
    // Counted in characters as the reader sees them, in the text after the edit: an emoji is
    // one, a skin tone or an accent typed after a character belongs to it, and none is cut in
    // two.
    const QString current = view.text();
    const QString fitting =
        TextCharacters::fittingReplacement(current, range.location, range.length, text, kMaxLength);
    auto delegate = delegate_.lock();
    if (fitting.size() == text.size()) {
        const std::optional<bool> answer =
            delegate ? delegate->chatTextViewShouldChangeTextInRange(*this, range, text)
                     : std::nullopt;
        return answer.value_or(true);
    }
    const qsizetype outside =
        TextCharacters::countAfterEdit(current, range.location, range.length, QString());
    if (outside >= 1 && outside <= kMaxLength) {
        view.setText(current.left(range.location) + fitting + current.mid(range.end()));
        // The caret goes after what went in, and the text scrolls to show it there.
        const ui::Range caret{range.location + fitting.size(), 0};
        view.internalTextView()->setSelectedRange(caret);
        view.scrollRangeToVisible(caret);
    } else {
        view.setText(TextCharacters::left(current, kMaxLength));
    }
    const std::optional<bool> answer =
        delegate ? delegate->chatTextViewShouldChangeTextInRange(*this, range, text) : std::nullopt;
    return answer.value_or(false);
}

bool QXChatTextView::expandingTextViewShouldReturn(QXFCExpandingTextView& view) {
    if (auto delegate = delegate_.lock()) delegate->chatTextViewFinishedInput(*this, view.text());
    // The line break is not typed: the return key sends.
    return true;
}

void QXChatTextView::expandingTextViewWillChangeHeight(QXFCExpandingTextView& view, double height) {
    double change = view.frame().size.height - height;
    if (change < 0 && executeOnce_) {
        executeOnce_ = false;
        change -= kTalkButtonGrowth;
        ui::Rect talk = inputButton_->frame();
        talk.size.height += kTalkButtonGrowth;
        inputButton_->setFrame(talk);
    }
    ui::Rect frame = this->frame();
    frame.origin.y += change;
    frame.size.height -= change;
    setFrame(frame);
}

void QXChatTextView::keyboardWillShow(const ns::Notification& notification) {
    if (!textView_->isFirstResponder()) return;
    selectChinese_ = false;
    const ui::Rect keyboard =
        ui::Keyboard::frameFromUserInfo(notification.userInfo, ui::kKeyboardFrameEndUserInfoKey);
    const double base = tallScreen() ? kTallKeyboardBase : kKeyboardBase;
    const double height = frame().size.height;
    const ui::Rect up(0, std::floor(base - height - keyboard.size.height), 320, height);
    animateWithDuration(kAnimation, [&] { setFrame(up); });
    imageButton_->setSelected(false);
    isInputText_ = true;
    if (auto delegate = delegate_.lock())
        delegate->chatTextViewChangedCenter(*this, center(), false);
}

void QXChatTextView::moveDown() {
    isInputText_ = false;
    imageButton_->setSelected(false);
    const double base = tallScreen() ? kTallRestingBase : kRestingBase;
    const double height = frame().size.height;
    const ui::Rect down(0, base + 50 - height, 320, height);
    animateWithDuration(kAnimation, [&] { setFrame(down); });
    if (auto delegate = delegate_.lock())
        delegate->chatTextViewChangedCenter(*this, center(), true);
}
