#include "chat/QXMessageSystemCell.h"

#include "chat/QXMessageTextCell.h"

#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"

#include <algorithm>

namespace {

constexpr double kFontSize = 14;

}  // namespace

QXMessageSystemCell::QXMessageSystemCell() : QXMessageCell(QStringLiteral("QXMessageSystemCell")) {
    autoLayoutBgView_ = false;
    canDeleteDate_ = false;
    messageLabel_ = std::make_shared<ui::Label>(ui::Rect(10, 10, 60, 20));
    messageLabel_->setFont(ui::Font::systemFontOfSize(kFontSize));
    messageLabel_->setTextColor(ui::Color::whiteColor());
    messageLabel_->setBackgroundColor(ui::Color::clearColor());
    messageLabel_->setNumberOfLines(0);
    messageLabel_->setLineBreakMode(ui::LineBreakMode::CharacterWrap);
    messageLabel_->setTextAlignment(ui::TextAlignment::Center);
    chatBgView_->addSubview(messageLabel_);
}

QString QXMessageSystemCell::noticeText(const QVariant& contents) {
    const QVariantList item = contents.toList();
    if (item.isEmpty()) return {};
    const QVariantMap data = item.value(1).toMap();
    const QString type = data.value(QStringLiteral("type")).toString();
    if (type == QStringLiteral("block") || type == QStringLiteral("normal"))
        return data.value(QStringLiteral("text")).toString();
    return item.value(2).toString();
}

double QXMessageSystemCell::heightByInfo(const QVariant& info, bool) {
    const ui::Font font = ui::Font::systemFontOfSize(kFontSize);
    const ui::Size measured = QXMessageTextCell::measuredText(noticeText(info), font);
    const double extra = measured.height - QXMessageTextCell::lineHeight(font);
    return extra > 0 ? 60 + extra : 60;
}

void QXMessageSystemCell::setMyself(bool myself) {
    myself_ = myself;
    setBubbleImages(QStringLiteral("im对话时间BG.png"), QStringLiteral("im对话时间BG.png"));
    setNeedsLayout();
    layoutIfNeeded();
}

void QXMessageSystemCell::setContents(const QVariant& contents) {
    messageLabel_->setText(noticeText(contents));
    QXMessageCell::setContents(contents);
}

void QXMessageSystemCell::layoutSubviews() {
    ui::TableViewCell::layoutSubviews();
    const ui::Size measured =
        QXMessageTextCell::measuredText(messageLabel_->text(), messageLabel_->font());
    const double extra =
        std::max(0.0, measured.height - QXMessageTextCell::lineHeight(messageLabel_->font()));
    const double width = extra < 1 ? measured.width + 20 : 250;
    const double height = extra + 40;
    const ui::Rect row = bounds();
    chatBgView_->setFrame({std::floor((row.size.width - width) / 2),
                           std::floor(row.size.height - height - kBottomGap), width, height});
    messageLabel_->setFrame({10, 10, width - 20, height - 20});
}
