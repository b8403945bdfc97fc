#include "chat/QXMessageVcardCell.h"

#include "chat/ChatLabel.h"
#include "chat/ChatMedia.h"
#include "map/URLPic.h"

#include "platform/uikit/image.h"
#include "platform/uikit/label.h"

namespace {

// "%@" of a value: numbers and texts alike; empty when missing.
QString shown(const QVariantMap& data, const QString& key) {
    const QVariant value = data.value(key);
    return value.isNull() ? QString() : value.toString();
}

}  // namespace

QXMessageVcardCell::QXMessageVcardCell() : QXMessageCell(QStringLiteral("QXMessageVcardCell")) {
    chatBgView_->setFrame({kOtherLeftEdge, 0, kBubbleWidth, kBubbleHeight});
    urlImageView_ = std::make_shared<URLPic>(ui::Rect(14, 8, 72, 54));
    urlImageView_->setUserInteractionEnabled(false);
    chatBgView_->addSubview(urlImageView_);
    titleLabel_ = makeChatLabel({92, 8, 124, 20}, ui::Font::boldSystemFontOfSize(13),
                                ui::Color::rgb(50, 50, 50));
    positionLabel_ = makeChatLabel({92, 28, 124, 16}, ui::Font::systemFontOfSize(12),
                                   ui::Color::rgb(140, 140, 140));
    priceLabel_ = makeChatLabel({92, 45, 124, 18}, ui::Font::boldSystemFontOfSize(13),
                                ui::Color::rgb(247, 127, 0));
    for (const auto& made : {titleLabel_, positionLabel_, priceLabel_})
        chatBgView_->addSubview(made);
}

double QXMessageVcardCell::heightByInfo(const QVariant&, bool showTime) {
    return showTime ? 110 : 90;
}

void QXMessageVcardCell::setMyself(bool myself) {
    QXMessageCell::setMyself(myself);
    const double shift = myself ? -6 : 0;
    urlImageView_->setFrame({14 + shift, 8, 72, 54});
    titleLabel_->setFrame({92 + shift, 8, 124, 20});
    positionLabel_->setFrame({92 + shift, 28, 124, 16});
    priceLabel_->setFrame({92 + shift, 45, 124, 18});
}

void QXMessageVcardCell::setContents(const QVariant& contents) {
    const QVariantList item = contents.toList();
    if (!item.isEmpty()) {
        const QVariantMap data = item.value(1).toMap();
        const QString picture = shown(data, QStringLiteral("img"));
        if (!picture.isEmpty()) {
            urlImageView_->requestURL(ChatMedia::mediaAddress(picture));
        } else {
            // A reused card forgets the picture of the card before it.
            urlImageView_->cancelRequest();
            urlImageView_->setImage(ui::Image::imageNamed(QStringLiteral("找房占位80x60.png")));
        }
        priceLabel_->setText(shown(data, QStringLiteral("price")));
        const QString title = shown(data, QStringLiteral("title"));
        titleLabel_->setText(data.contains(QStringLiteral("title")) ? title : kDefaultTitle);
        positionLabel_->setText(shown(data, QStringLiteral("area")));
    }
    QXMessageCell::setContents(contents);
}

void QXMessageVcardCell::handleTapGesture() {
    QXMessageCell::handleTapGesture();
    if (auto delegate = delegate_.lock()) delegate->chatCellReferralMessage(*this, contents_);
}
