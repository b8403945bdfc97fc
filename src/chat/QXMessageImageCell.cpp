#include "chat/QXMessageImageCell.h"

#include "chat/ChatMedia.h"

#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"
#include "map/PictureFileCache.h"
#include "map/URLPic.h"

#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"

namespace {

const QString kPlaceholder = QStringLiteral("找房占位80x60.png");

}  // namespace

QXMessageImageCell::QXMessageImageCell() : QXMessageCell(QStringLiteral("QXMessageImageCell")) {
    chatBgView_->setFrame({kOtherLeftEdge, 0, kBubbleWidth, kBubbleHeight});
    urlImageView_ = std::make_shared<URLPic>(ui::Rect(12, 5, 80, 60));
    urlImageView_->setBackgroundColor(ui::Color::clearColor());
    urlImageView_->setFailureImage(ui::Image::imageNamed(kPlaceholder));
    urlImageView_->setDefaultImage(ui::Image::imageNamed(kPlaceholder));
    urlImageView_->setUserInteractionEnabled(false);
    chatBgView_->addSubview(urlImageView_);
}

double QXMessageImageCell::heightByInfo(const QVariant&, bool showTime) {
    return showTime ? 110 : 90;
}

void QXMessageImageCell::setMessage(const QXIMMessage& message) {
    QXMessageCell::setMessage(message);
    followSendingState(message.sendingState);
    applySource();
}

void QXMessageImageCell::setMyself(bool myself) {
    QXMessageCell::setMyself(myself);
    ui::Rect frame = urlImageView_->frame();
    frame.origin.x = myself ? 8 : 12;
    urlImageView_->setFrame(frame);
}

void QXMessageImageCell::setContents(const QVariant& contents) {
    contents_ = contents;
    applySource();
    QXMessageCell::setContents(contents);
}

void QXMessageImageCell::applySource() {
    const QVariantList item = contents_.toList();
    if (item.isEmpty()) {
        urlImageView_->cancelRequest();
        urlImageView_->setImage(ui::Image::imageNamed(kPlaceholder));
        return;
    }
    const QString url =
        ChatMedia::mediaAddress(item.value(1).toMap().value(QStringLiteral("pic_url")).toString());
    if (url.startsWith(ChatMedia::kFileScheme)) {
        // A picture of this device being uploaded: only a plain name in the picture cache, and
        // only on the user's own messages.
        const QString name = ChatMedia::localFileName(url);
        const bool own = !message_ || myself_;
        // The view drops the address of whatever message it showed before: a tap on this
        // picture must open nothing.
        urlImageView_->cancelRequest();
        urlImageView_->setImage(name.isEmpty() || !own
                                    ? ui::Image::imageNamed(kPlaceholder)
                                    : PictureFileCache::pictureAt(QXIMUtil::getPicCacheDirectory() +
                                                                  QLatin1Char('/') + name));
        urlImageView_->imageAdjusted();
        return;
    }
    urlImageView_->requestURL(url, [weak = weakAs<QXMessageImageCell>()](const QString& failed,
                                                                         const QString&) {
        auto self = weak.lock();
        if (!self) return;
        const QString current = ChatMedia::mediaAddress(
            self->contents_.toList().value(1).toMap().value(QStringLiteral("pic_url")).toString());
        if (current != failed) return;
        self->sendingStateView_->stopAnimating();
        self->chatBgView_->setUserInteractionEnabled(true);
        self->resendOrDownButton_->setHidden(false);
    });
}

void QXMessageImageCell::handleTapGesture() {
    QXMessageCell::handleTapGesture();
    if (urlImageView_->URLString().isEmpty() ||
        urlImageView_->URLString().startsWith(ChatMedia::kFileScheme))
        return;
    if (auto delegate = delegate_.lock()) delegate->chatCellClickedImage(*this, *urlImageView_);
}
