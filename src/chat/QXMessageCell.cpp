#include "chat/QXMessageCell.h"

#include "chat/QXMessageAudioCell.h"
#include "chat/QXMessageImageCell.h"
#include "chat/QXMessageSystemCell.h"
#include "chat/QXMessageTextAndMobileCell.h"
#include "chat/QXMessageTextCell.h"
#include "chat/QXMessageUnknownCell.h"
#include "chat/QXMessageVcardCell.h"

#include "IMChat/qximlib/QXIMUser.h"

#include "platform/foundation/main_queue.h"
#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/long_press_gesture_recognizer.h"
#include "platform/uikit/menu_controller.h"
#include "platform/uikit/tap_gesture_recognizer.h"

#include <map>

namespace {

constexpr double kFlashSeconds = 0.1;
constexpr double kResendSize = 24;

struct BubbleClass {
    std::function<std::shared_ptr<QXMessageCell>()> make;
    std::function<double(const QVariant&, bool)> height;
};

template <class Cell>
BubbleClass bubbleClass() {
    return {[] {
                auto cell = std::make_shared<Cell>();
                cell->attach();
                return std::static_pointer_cast<QXMessageCell>(cell);
            },
            [](const QVariant& info, bool showTime) { return Cell::heightByInfo(info, showTime); }};
}

const std::map<QString, BubbleClass>& bubbleClasses() {
    static const std::map<QString, BubbleClass> classes{
        {QStringLiteral("QXMessageTextCell"), bubbleClass<QXMessageTextCell>()},
        {QStringLiteral("QXMessageTextAndMobileCell"), bubbleClass<QXMessageTextAndMobileCell>()},
        {QStringLiteral("QXMessageImageCell"), bubbleClass<QXMessageImageCell>()},
        {QStringLiteral("QXMessageAudioCell"), bubbleClass<QXMessageAudioCell>()},
        {QStringLiteral("QXMessageVcardCell"), bubbleClass<QXMessageVcardCell>()},
        {QStringLiteral("QXMessageSystemCell"), bubbleClass<QXMessageSystemCell>()},
        {QStringLiteral("QXMessageUnknownCell"), bubbleClass<QXMessageUnknownCell>()},
    };
    return classes;
}

}  // namespace

std::shared_ptr<QXMessageCell> QXMessageCell::makeCell(const QString& className) {
    const auto found = bubbleClasses().find(className);
    return found == bubbleClasses().end() ? nullptr : found->second.make();
}

double QXMessageCell::heightForClass(const QString& className, const QVariant& info,
                                     bool showTime) {
    const auto found = bubbleClasses().find(className);
    return found == bubbleClasses().end() ? 0 : found->second.height(info, showTime);
}

const QStringList& QXMessageCell::classNames() {
    static const QStringList names = [] {
        QStringList all;
        for (const auto& entry : bubbleClasses()) all << entry.first;
        return all;
    }();
    return names;
}

QXMessageCell::QXMessageCell(const QString& reuseIdentifier)
    : ui::TableViewCell(ui::TableViewCellStyle::Default, reuseIdentifier) {
    setBackgroundColor(ui::Color::clearColor());
    setSelectionStyle(ui::TableViewCellSelectionStyle::None);
    setUserInteractionEnabled(true);

    timeBgView_ = std::make_shared<ui::ImageView>(ui::Rect(110, 4, 100, 18));
    if (auto background = ui::Image::imageNamed(QStringLiteral("im对话时间BG.png")))
        timeBgView_->setImage(background->stretchableImageWithLeftCapWidth(10, 0));
    timeLabel_ = std::make_shared<ui::Label>(ui::Rect(0, 0, 100, 18));
    timeLabel_->setFont(ui::Font::systemFontOfSize(11));
    timeLabel_->setTextColor(ui::Color::whiteColor());
    timeLabel_->setBackgroundColor(ui::Color::clearColor());
    timeLabel_->setTextAlignment(ui::TextAlignment::Center);
    timeBgView_->addSubview(timeLabel_);
    contentView()->addSubview(timeBgView_);

    chatBgView_ = std::make_shared<ui::View>(ui::Rect(kOtherLeftEdge, 0, 80, 40));
    chatBgView_->setBackgroundColor(ui::Color::clearColor());
    chatBgImage_ = std::make_shared<ui::ImageView>(ui::Rect(0, 0, 80, 40));
    chatBgImage_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth |
                                      ui::kAutoresizingFlexibleHeight);
    chatBgView_->addSubview(chatBgImage_);
    contentView()->addSubview(chatBgView_);

    sendingStateView_ =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::Gray);
    sendingStateView_->setHidesWhenStopped(true);
    contentView()->addSubview(sendingStateView_);

    resendOrDownButton_ = std::make_shared<ui::Button>(ui::Rect(0, 0, kResendSize, kResendSize));
    resendOrDownButton_->setImage(ui::Image::imageNamed(QStringLiteral("im重发.png")),
                                  ui::kControlStateNormal);
    resendOrDownButton_->setAccessibilityLabel(QStringLiteral("重发"));
    resendOrDownButton_->setHidden(true);
    contentView()->addSubview(resendOrDownButton_);
}

QXMessageCell::~QXMessageCell() {
    unhighlight_.cancel();
}

void QXMessageCell::attachGestures() {
    if (tapGesture_) return;
    const std::weak_ptr<QXMessageCell> weak = weakAs<QXMessageCell>();
    longTouch_ = std::make_shared<ui::LongPressGestureRecognizer>();
    longTouch_->setCancelsTouchesInView(false);
    longTouch_->addTarget(this, [weak](ui::GestureRecognizer& recognizer) {
        auto self = weak.lock();
        if (!self) return;
        if (recognizer.state() == ui::GestureRecognizerState::Began) self->handleLongTap(true);
        if (recognizer.state() == ui::GestureRecognizerState::Ended) self->handleLongTap(false);
    });
    chatBgView_->addGestureRecognizer(longTouch_);
    tapGesture_ = std::make_shared<ui::TapGestureRecognizer>();
    tapGesture_->setCancelsTouchesInView(false);
    tapGesture_->addTarget(this, [weak](ui::GestureRecognizer&) {
        if (auto self = weak.lock()) self->handleTapGesture();
    });
    chatBgView_->addGestureRecognizer(tapGesture_);
    otherTap_ = std::make_shared<ui::TapGestureRecognizer>();
    otherTap_->setCancelsTouchesInView(false);
    otherTap_->addTarget(this, [weak](ui::GestureRecognizer& recognizer) {
        auto self = weak.lock();
        if (!self) return;
        // Taps on the bubble are the bubble's.
        const ui::Point at = recognizer.locationInView(self->chatBgView_.get());
        if (self->chatBgView_->pointInside(at, nullptr)) return;
        self->resetTapGesture();
    });
    contentView()->addGestureRecognizer(otherTap_);
    resendOrDownButton_->addTarget(this, ui::kControlEventTouchUpInside,
                                   [weak](ui::Control&, const ui::Event*) {
                                       if (auto self = weak.lock()) self->resendMessage();
                                   });
    menuObservation_ = ns::NotificationCenter::defaultCenter().addObserver(
        ui::kMenuControllerWillHideMenuNotification, [weak](const ns::Notification&) {
            if (auto self = weak.lock()) self->willHideEditMenu();
        });
}

void QXMessageCell::setTimeText(const QString& text) {
    timeBgView_->setHidden(text.isEmpty());
    timeLabel_->setText(text);
    const double width = std::max(60.0, timeLabel_->sizeThatFits({300, 18}).width + 16);
    timeBgView_->setFrame(ui::Rect(std::floor((320 - width) / 2), 4, width, 18));
    timeLabel_->setFrame(ui::Rect(0, 0, width, 18));
}

void QXMessageCell::setContents(const QVariant& contents) {
    contents_ = contents;
    setNeedsLayout();
    layoutIfNeeded();
}

void QXMessageCell::setMessage(const QXIMMessage& message) {
    message_ = message;
    setMyself(message.fromId.toLongLong() == QXIMUser::shared().userId());
}

void QXMessageCell::setBubbleImages(const QString& normal, const QString& highlighted) {
    // Stretched once for every bubble: cutting the caps is the costly part.
    const auto stretch = [](const QString& name) -> std::shared_ptr<ui::Image> {
        static std::map<QString, std::shared_ptr<ui::Image>> stretched;
        if (const auto found = stretched.find(name); found != stretched.end()) return found->second;
        const auto picture = ui::Image::imageNamed(name);
        return stretched[name] =
                   picture ? picture->stretchableImageWithLeftCapWidth(
                                 int(picture->size().width / 2), int(picture->size().height * 0.7))
                           : nullptr;
    };
    const auto shown = stretch(normal);
    if (chatBgImage_->image() == shown) return;
    chatBgImage_->setImage(shown);
    chatBgImage_->setHighlightedImage(stretch(highlighted));
}

void QXMessageCell::setMyself(bool myself) {
    myself_ = myself;
    if (myself) {
        setBubbleImages(QStringLiteral("对话气泡-右.png"), QStringLiteral("对话气泡-右点击态.png"));
    } else {
        setBubbleImages(QStringLiteral("对话气泡左.png"), QStringLiteral("对话气泡左-点击态.png"));
    }
    setNeedsLayout();
    layoutIfNeeded();
}

void QXMessageCell::followSendingState(int state) {
    if (state == QXIMMessage::kSending) {
        sendingStateView_->setHidden(false);
        sendingStateView_->startAnimating();
        chatBgView_->setUserInteractionEnabled(false);
    } else {
        sendingStateView_->stopAnimating();
        chatBgView_->setUserInteractionEnabled(true);
    }
}

void QXMessageCell::resendMessage() {
    if (!message_ || message_->sendingState == QXIMMessage::kSending) return;
    if (auto delegate = delegate_.lock()) delegate->chatCellResendMessage(*this, *message_);
}

void QXMessageCell::handleTapGesture() {
    chatBgImage_->setHighlighted(true);
    unhighlight_.cancel();
    unhighlight_ =
        ns::DelayedCall::schedule(ns::seconds(kFlashSeconds), [weak = weakAs<QXMessageCell>()] {
            if (auto self = weak.lock()) self->chatBgImage_->setHighlighted(false);
        });
}

void QXMessageCell::resetTapGesture() {
    if (auto delegate = delegate_.lock()) delegate->chatCellOtherSpaceClicked(*this);
}

void QXMessageCell::handleLongTap(bool began) {
    if (began) {
        resetTapGesture();
        if (isFirstResponder()) return;
        if (!becomeFirstResponder()) return;
        auto& menu = ui::MenuController::sharedMenuController();
        menu.setTargetRect(chatBgView_->frame(), contentView());
        menu.setMenuVisible(true, true);
    } else if (!isFirstResponder()) {
        resignFirstResponder();
    }
}

bool QXMessageCell::becomeFirstResponder() {
    const bool became = ui::TableViewCell::becomeFirstResponder();
    if (became) chatBgImage_->setHighlighted(true);
    return became;
}

bool QXMessageCell::resignFirstResponder() {
    chatBgImage_->setHighlighted(false);
    const bool offered = isFirstResponder();
    const bool resigned = ui::TableViewCell::resignFirstResponder();
    // The menu offers what this bubble does: a bubble that gives that up (its row gone from the
    // list, or its cell taken for another message) takes the menu along rather than leave it
    // following the cell to another message.
    auto& menu = ui::MenuController::sharedMenuController();
    if (offered && menu.isMenuVisible()) menu.setMenuVisible(false);
    return resigned;
}

bool QXMessageCell::canPerformAction(const QString& action) const {
    if (action == QStringLiteral("delete")) return canDeleteDate_;
    if (action == QStringLiteral("copy")) return showCopyMenu();
    return false;
}

void QXMessageCell::performAction(const QString& action) {
    if (action == QStringLiteral("delete")) {
        if (auto delegate = delegate_.lock()) delegate->chatCellWillDeleteIndex(*this, index_);
    } else if (action == QStringLiteral("copy")) {
        copy();
    }
}

void QXMessageCell::willHideEditMenu() {
    // Later, not now: the menu hides before it performs the chosen item on this cell.
    ns::MainQueue::post([weak = weakAs<QXMessageCell>()] {
        if (auto self = weak.lock(); self && self->isFirstResponder()) self->resignFirstResponder();
    });
}

void QXMessageCell::placeBubble() {
    ui::Rect bubble = chatBgView_->frame();
    bubble.origin.x = myself_ ? kOwnRightEdge - bubble.size.width : kOtherLeftEdge;
    bubble.origin.y = bounds().size.height - bubble.size.height - kBottomGap;
    chatBgView_->setFrame(bubble);
    centreResendButton(0);
}

void QXMessageCell::centreResendButton(double gap) {
    const ui::Rect bubble = chatBgView_->frame();
    const double half = resendOrDownButton_->frame().size.width / 2;
    const double x =
        myself_ ? bubble.origin.x - half - gap : bubble.origin.x + bubble.size.width + half + gap;
    const ui::Point centre(x, bubble.origin.y + bubble.size.height / 2);
    resendOrDownButton_->setCenter(centre);
    // The spinner waits where the button would be.
    sendingStateView_->setCenter(
        {myself_ ? bubble.origin.x - 14 : bubble.origin.x + bubble.size.width + 14, centre.y});
}

void QXMessageCell::layoutSubviews() {
    ui::TableViewCell::layoutSubviews();
    if (autoLayoutBgView_) placeBubble();
}

void QXMessageCell::prepareForReuse() {
    ui::TableViewCell::prepareForReuse();
    unhighlight_.cancel();
    chatBgImage_->setHighlighted(false);
}
