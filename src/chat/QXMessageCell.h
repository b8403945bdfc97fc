#pragma once

#include "IMChat/qximlib/QXIMMessage.h"

#include "platform/foundation/notification_center.h"
#include "platform/foundation/timer.h"
#include "platform/uikit/table_view_cell.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace ui {
class ActivityIndicatorView;
class Button;
class Image;
class ImageView;
class Label;
class LongPressGestureRecognizer;
class TapGestureRecognizer;
}  // namespace ui

class QXMessageCell;
class URLPic;

// What a bubble asks of the chat screen; every call is optional.
class QXMessageCellDelegate {
public:
    virtual ~QXMessageCellDelegate() = default;
    // A tap in the cell outside the bubble, or a long press on the bubble beginning.
    virtual void chatCellOtherSpaceClicked(QXMessageCell& cell) { (void)cell; }
    // The resend (or download) button of a message that is not being sent.
    virtual void chatCellResendMessage(QXMessageCell& cell, const QXIMMessage& message) {
        (void)cell, (void)message;
    }
    // Delete in the edit menu.
    virtual void chatCellWillDeleteIndex(QXMessageCell& cell, int index) {
        (void)cell, (void)index;
    }
    // A plain text bubble was tapped.
    virtual void chatCellClickedText(QXMessageCell& cell, const QString& text) {
        (void)cell, (void)text;
    }
    // Before a voice plays: whether it may.
    virtual bool chatCellWillStartPlaySoundFile(QXMessageCell& cell, const QString& name) {
        (void)cell, (void)name;
        return true;
    }
    // An uploaded picture was tapped.
    virtual void chatCellClickedImage(QXMessageCell& cell, URLPic& picture) {
        (void)cell, (void)picture;
    }
    // A post card was tapped.
    virtual void chatCellReferralMessage(QXMessageCell& cell, const QVariant& contents) {
        (void)cell, (void)contents;
    }
    // A web link in a text was tapped.
    virtual void chatCellOpenWebLink(QXMessageCell& cell, const QString& address) {
        (void)cell, (void)address;
    }
};

// One row of the chat: a message drawn as a stretchable speech bubble on the right (the user's
// own) or on the left, with an optional time line above it. The base places the bubble at the
// bottom of the row, flashes it on a tap, offers Delete (and Copy where a bubble allows it) in
// the edit menu on a long press, and shows the resend button beside it for a failed message.
// Each kind of message has its subclass; the chat screen makes them by class name and asks
// each class for its row height.
class QXMessageCell : public ui::TableViewCell {
public:
    static constexpr double kOwnRightEdge = 312;
    static constexpr double kOtherLeftEdge = 8;
    static constexpr double kBottomGap = 10;
    static constexpr double kTimeLineHeight = 25;

    // The bubble classes by name, and their row heights for a contents element.
    [[nodiscard]] static std::shared_ptr<QXMessageCell> makeCell(const QString& className);
    [[nodiscard]] static double heightForClass(const QString& className, const QVariant& info,
                                               bool showTime);
    [[nodiscard]] static const QStringList& classNames();

    explicit QXMessageCell(const QString& reuseIdentifier);
    ~QXMessageCell() override;
    // Wires the recognisers and observers once the cell is held (makeCell does it).
    virtual void attach() { attachGestures(); }

    void setDelegate(std::weak_ptr<QXMessageCellDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    [[nodiscard]] std::shared_ptr<QXMessageCellDelegate> delegate() const {
        return delegate_.lock();
    }
    [[nodiscard]] int index() const { return index_; }
    void setIndex(int index) { index_ = index; }
    // The time line: shown with a text, hidden for none.
    void setTimeText(const QString& text);
    [[nodiscard]] const QVariant& contents() const { return contents_; }
    virtual void setContents(const QVariant& contents);
    [[nodiscard]] const std::optional<QXIMMessage>& message() const { return message_; }
    virtual void setMessage(const QXIMMessage& message);
    [[nodiscard]] bool isMyself() const { return myself_; }
    virtual void setMyself(bool myself);
    [[nodiscard]] bool isEditing() const { return editing_; }
    void setEditingFlag(bool editing) { editing_ = editing; }
    [[nodiscard]] bool canDeleteDate() const { return canDeleteDate_; }
    void setCanDeleteDate(bool can) { canDeleteDate_ = can; }

    [[nodiscard]] ui::Label* timeLabel() const { return timeLabel_.get(); }
    [[nodiscard]] ui::ImageView* timeBgView() const { return timeBgView_.get(); }
    [[nodiscard]] ui::Button* resendOrDownButton() const { return resendOrDownButton_.get(); }
    [[nodiscard]] ui::View* chatBgView() const { return chatBgView_.get(); }
    [[nodiscard]] ui::ImageView* chatBgImage() const { return chatBgImage_.get(); }
    [[nodiscard]] ui::ActivityIndicatorView* sendingStateView() const {
        return sendingStateView_.get();
    }

    // The resend button's action.
    void resendMessage();
    // A tap on the bubble: the flash (subclasses add what the tap does).
    virtual void handleTapGesture();
    // A long press beginning or ending on the bubble.
    void handleLongTap(bool began);
    // A tap elsewhere in the cell.
    void resetTapGesture();
    // Whether the edit menu offers Copy.
    [[nodiscard]] virtual bool showCopyMenu() const { return false; }
    virtual void copy() {}
    virtual void willHideEditMenu();

    [[nodiscard]] bool canBecomeFirstResponder() const override { return true; }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    [[nodiscard]] bool canPerformAction(const QString& action) const override;
    void performAction(const QString& action) override;
    void layoutSubviews() override;
    void prepareForReuse() override;

protected:
    // Sets the bubble's pictures; the other side's and the own side's.
    void setBubbleImages(const QString& normal, const QString& highlighted);
    // Places the bubble at the bottom of the row on its side, and the resend button beside it.
    void placeBubble();
    void centreResendButton(double gap);
    // Makes the recognisers on the bubble, once.
    void attachGestures();
    // The spinner follows the sending state: shown and spinning while sending.
    void followSendingState(int state);

    std::weak_ptr<QXMessageCellDelegate> delegate_;
    std::shared_ptr<ui::ImageView> chatBgImage_;
    std::shared_ptr<ui::View> chatBgView_;
    std::shared_ptr<ui::ActivityIndicatorView> sendingStateView_;
    std::shared_ptr<ui::Label> timeLabel_;
    std::shared_ptr<ui::ImageView> timeBgView_;
    std::shared_ptr<ui::Button> resendOrDownButton_;
    std::optional<QXIMMessage> message_;
    QVariant contents_;
    bool autoLayoutBgView_ = true;
    bool myself_ = false;
    bool editing_ = false;
    bool canDeleteDate_ = true;
    int index_ = 0;

private:
    std::shared_ptr<ui::LongPressGestureRecognizer> longTouch_;
    std::shared_ptr<ui::TapGestureRecognizer> tapGesture_;
    std::shared_ptr<ui::TapGestureRecognizer> otherTap_;
    std::shared_ptr<ns::NotificationCenter::Observation> menuObservation_;
    ns::DelayedCall unhighlight_;
};
