#include "chat/QXMessageAudioCell.h"

#include "chat/ChatMedia.h"
#include "chat/QXVoicePlayer.h"
#include "chat/URLAudio.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMUser.h"
#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"

#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/label.h"

#include <cmath>

namespace {

constexpr double kMaxSeconds = 60;
constexpr double kIconSize = 20;

std::vector<std::shared_ptr<ui::Image>> frames(const QString& side) {
    std::vector<std::shared_ptr<ui::Image>> images;
    for (int n = 1; n <= 3; ++n) {
        if (auto image = ui::Image::imageNamed(QStringLiteral("%1语音-%2.png").arg(side).arg(n)))
            images.push_back(image);
    }
    return images;
}

}  // namespace

QXMessageAudioCell::QXMessageAudioCell() : QXMessageCell(QStringLiteral("QXMessageAudioCell")) {
    autoLayoutBgView_ = false;
    chatBgView_->setFrame({kOtherLeftEdge, 0, kBubbleWidth, kBubbleHeight});
    audioView_ = std::make_shared<URLAudio>(ui::Rect(12, 10, kIconSize, kIconSize));
    audioView_->setAnimationDuration(1.0);
    chatBgView_->addSubview(audioView_);
    durationBg_ = std::make_shared<ui::View>(ui::Rect(0, 0, 36, 20));
    durationBg_->setBackgroundColor(ui::Color::clearColor());
    durationLabel_ = std::make_shared<ui::Label>(ui::Rect(0, 0, 36, 20));
    durationLabel_->setFont(ui::Font::systemFontOfSize(13));
    durationLabel_->setTextColor(ui::Color::rgb(140, 140, 140));
    durationLabel_->setBackgroundColor(ui::Color::clearColor());
    durationBg_->addSubview(durationLabel_);
    contentView()->addSubview(durationBg_);
    unreadIcon_ = std::make_shared<ui::ImageView>(ui::Rect(0, 0, 8, 8));
    unreadIcon_->setImage(ui::Image::imageNamed(QStringLiteral("红点.png")));
    unreadIcon_->setHidden(true);
    contentView()->addSubview(unreadIcon_);
    myHighlightImages_ = frames(QStringLiteral("右"));
    oHighlightImages_ = frames(QStringLiteral("左"));
}

QXMessageAudioCell::~QXMessageAudioCell() = default;

double QXMessageAudioCell::heightByInfo(const QVariant&, bool showTime) {
    return showTime ? 80 : 60;
}

QString QXMessageAudioCell::durationText(const QVariant& duration) {
    if (!duration.isValid() || duration.isNull()) return {};
    const double seconds = duration.toDouble();
    if (int(seconds) < 1) return {};
    return QStringLiteral("%1\"").arg(int(std::min(kMaxSeconds, std::ceil(seconds))));
}

void QXMessageAudioCell::setContents(const QVariant& contents) {
    contents_ = contents;
    const QVariantList item = contents.toList();
    if (item.isEmpty()) {
        durationBg_->setHidden(true);
        audioView_->setUrl({});
        return;
    }
    durationBg_->setHidden(false);
    const QString text = durationText(item.value(1).toMap().value(QStringLiteral("duration")));
    durationLabel_->setText(text);
    durationLabel_->setHidden(text.isEmpty());
    applySource();
    setNeedsLayout();
    layoutIfNeeded();
}

void QXMessageAudioCell::applySource() {
    const QString src =
        ChatMedia::mediaAddress(contents_.toList().value(1).toMap().value("src").toString());
    if (src.startsWith(ChatMedia::kFileScheme)) {
        // A voice of this device, not yet uploaded: only a plain name in the app's own folder,
        // and only on the user's own messages.
        const QString name = ChatMedia::localFileName(src);
        const bool own = !message_ || myself_;
        audioView_->setPath(name.isEmpty() || !own
                                ? QString()
                                : QXIMUtil::getWavCacheDirectory() + QLatin1Char('/') + name);
        return;
    }
    if (src.isEmpty()) {
        audioView_->setUrl({});
        return;
    }
    audioView_->setUrl(src);
    audioView_->startDownload([weak = weakAs<QXMessageAudioCell>()](const QString& name) {
        if (auto self = weak.lock(); self && name.isEmpty()) self->downloadFailed();
    });
}

void QXMessageAudioCell::downloadFailed() {
    sendingStateView_->stopAnimating();
    chatBgView_->setUserInteractionEnabled(true);
    resendOrDownButton_->setHidden(false);
}

void QXMessageAudioCell::setMessage(const QXIMMessage& message) {
    const bool same = message_ && message_->m_sid == message.m_sid &&
                      message_->messageReadCount == message.messageReadCount &&
                      message_->sendingState == message.sendingState;
    const bool wasMine = myself_;
    myself_ = message.fromId.toLongLong() == QXIMUser::shared().userId();
    if (!same) {
        message_ = message;
        unreadIcon_->setHidden(message.messageReadCount >= 1 || myself_);
        followSendingState(message.sendingState);
    }
    setMyself(myself_);
    // A local voice on a received message is refused once the sender is known.
    if (!myself_ || !wasMine) applySource();
}

void QXMessageAudioCell::setMyself(bool myself) {
    QXMessageCell::setMyself(myself);
    ui::Point centre = audioView_->center();
    centre.x = myself ? 78 : 22;
    audioView_->setCenter(centre);
    const auto& animation = myself ? myHighlightImages_ : oHighlightImages_;
    audioView_->setImage(animation.empty() ? nullptr : animation.back());
    audioView_->setAnimationImages(animation);
    durationLabel_->setTextAlignment(myself ? ui::TextAlignment::Right : ui::TextAlignment::Left);
    const QXVoicePlayer& player = QXVoicePlayer::shared();
    if (player.isPlaying()) {
        const bool playing =
            !audioView_->name().isEmpty() && player.playingName() == audioView_->name();
        audioView_->setHighlighted(playing);
        if (playing) {
            audioView_->startAnimating();
        } else {
            audioView_->stopAnimating();
        }
    } else {
        stopAnimation();
    }
}

void QXMessageAudioCell::stopAnimation() {
    audioView_->stopAnimating();
    audioView_->setHighlighted(false);
}

void QXMessageAudioCell::handleTapGesture() {
    QXMessageCell::handleTapGesture();
    if (audioView_->isLoading()) {
        audioView_->setHighlighted(false);
        return;
    }
    QXVoicePlayer& player = QXVoicePlayer::shared();
    if (audioView_->isHighlighted()) {
        audioView_->setHighlighted(false);
        player.stop();
        return;
    }
    const QString name = audioView_->name();
    if (auto delegate = delegate_.lock()) {
        if (!delegate->chatCellWillStartPlaySoundFile(*this, name)) return;
    }
    audioView_->setHighlighted(true);
    if (player.isPlaying()) player.stop();
    if (message_) {
        QXIMDatabase::shared().updateMessageIncreaseReadCount(message_->m_sid, 1);
        ++message_->messageReadCount;
    }
    player.addObject(std::static_pointer_cast<VoicePlayerObserver>(sharedAs<QXMessageAudioCell>()));
    player.playByAmrName(name);
    if (audioView_->isHighlighted()) audioView_->startAnimating();
    unreadIcon_->setHidden(true);
}

void QXMessageAudioCell::playbackQueueStopped(VoicePlayer& player,
                                              const std::variant<bool, ns::Error>&) {
    stopAnimation();
    player.removeObject(this);
}

void QXMessageAudioCell::layoutSubviews() {
    ui::TableViewCell::layoutSubviews();
    placeBubble();
    const ui::Rect bubble = chatBgView_->frame();
    const ui::Rect duration = durationBg_->frame();
    const double x = myself_ ? bubble.origin.x - duration.size.width - 2
                             : bubble.origin.x + bubble.size.width + 2;
    durationBg_->setFrame({x, bubble.origin.y + (bubble.size.height - duration.size.height) / 2,
                           duration.size.width, duration.size.height});
    unreadIcon_->setCenter({myself_ ? bubble.origin.x - 4 : bubble.origin.x + bubble.size.width + 4,
                            bubble.origin.y + 4});
    const double gap =
        durationLabel_->text().chopped(durationLabel_->text().isEmpty() ? 0 : 1).toInt() > 9 ? 13
                                                                                             : 9;
    centreResendButton(gap);
}
