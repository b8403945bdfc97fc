#include "chat/QXMessageUnknownCell.h"

#include "platform/uikit/label.h"

QXMessageUnknownCell::QXMessageUnknownCell()
    : QXMessageCell(QStringLiteral("QXMessageUnknownCell")) {
    chatBgView_->setFrame({kOtherLeftEdge, 0, 250, 40});
    messageLabel_ = std::make_shared<ui::Label>(ui::Rect(18, 10, 222, 20));
    messageLabel_->setFont(ui::Font::systemFontOfSize(13));
    messageLabel_->setTextColor(ui::Color::rgb(120, 120, 120));
    messageLabel_->setBackgroundColor(ui::Color::clearColor());
    messageLabel_->setTextAlignment(ui::TextAlignment::Center);
    messageLabel_->setText(kText);
    chatBgView_->addSubview(messageLabel_);
}

double QXMessageUnknownCell::heightByInfo(const QVariant&, bool showTime) {
    return showTime ? 80 : 60;
}

void QXMessageUnknownCell::setMyself(bool myself) {
    QXMessageCell::setMyself(myself);
    ui::Rect frame = messageLabel_->frame();
    frame.origin.x = myself ? 10 : 18;
    messageLabel_->setFrame(frame);
}
