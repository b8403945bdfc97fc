#include "needs/QXNeedHistroyCell.h"

#include "needs/QXNeedHistoryItem.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"

namespace {

std::shared_ptr<ui::Label> cardLabel(ui::View& into, const ui::Rect& frame, double size,
                                     const ui::Color& colour, bool bold = false) {
    auto label = std::make_shared<ui::Label>(frame);
    label->setFont(bold ? ui::Font::boldSystemFontOfSize(size) : ui::Font::systemFontOfSize(size));
    label->setTextColor(colour);
    label->setBackgroundColor(ui::Color::clearColor());
    into.addSubview(label);
    return label;
}

std::shared_ptr<ui::ImageView> pictureView(ui::View& into, const ui::Rect& frame) {
    auto view = std::make_shared<ui::ImageView>(frame);
    into.addSubview(view);
    return view;
}

}  // namespace

QXNeedHistroyCell::QXNeedHistroyCell()
    : ui::TableViewCell(ui::TableViewCellStyle::Default, kReuseIdentifier) {
    ui::View& content = *contentView();
    const ui::Color dark = ui::Color::rgb(64, 64, 64);
    const ui::Color grey = ui::Color::rgb(149, 149, 149);
    cellBg_ = pictureView(content, ui::Rect(0, 0, 320, kHeight));
    topLineView_ = pictureView(content, ui::Rect(0, 0, 320, 0.5));
    cellLeftTypeNameLabel_ = cardLabel(content, ui::Rect(10, 10, 40, 20), 15, dark, true);
    needString_ = cardLabel(content, ui::Rect(50, 10, 190, 20), 15, dark, true);
    timeString_ = cardLabel(content, ui::Rect(230, 12, 80, 16), 12, grey);
    timeString_->setTextAlignment(ui::TextAlignment::Right);
    priceLabel_ = cardLabel(content, ui::Rect(10, 36, 120, 18), 13, ui::Color::rgb(247, 127, 0));
    houseDoorLabel_ = cardLabel(content, ui::Rect(10, 36, 200, 18), 13, grey);
    subscribeRefreshImgView_ = pictureView(content, ui::Rect(300, 38, 8, 8));
    subscribeRefreshImgView_->setImage(ui::Image::imageNamed(QStringLiteral("红点")));
    pushFlagLbl_ = cardLabel(content, ui::Rect(232, 36, 78, 18), 12, grey);
    pushFlagLbl_->setTextAlignment(ui::TextAlignment::Right);
    pushFlagLbl_->setText(QStringLiteral("已取消推送"));
    bottomLineView_ = pictureView(content, ui::Rect(10, 62, 300, 0.5));
    bottomIconView_ = pictureView(content, ui::Rect(10, 70, 16, 16));
    bottomBgLabel_ = cardLabel(content, ui::Rect(32, 70, 200, 16), 12, grey);
    // The number stands over the gap of "已经有    名经纪人响应".
    agentNumLabel_ =
        cardLabel(content, ui::Rect(64, 68, 22, 18), 14, ui::Color::rgb(83, 188, 44), true);
    agentNumLabel_->setTextAlignment(ui::TextAlignment::Center);
    houseNumLabel_ = cardLabel(content, ui::Rect(230, 70, 80, 16), 12, grey);
    houseNumLabel_->setHidden(true);
}

void QXNeedHistroyCell::setAddRequestListCellWithItem(const QXNeedHistoryItem& item) {
    timeString_->setText(item.needHistoryTimeString);
    needString_->setText(item.needAddressString);
    houseDoorLabel_->setText(
        QStringLiteral("%1的%2").arg(item.needPriceString, item.needHouseDoorString));
    ui::Rect frame = houseDoorLabel_->frame();
    frame.size.width = 245;
    houseDoorLabel_->setFrame(frame);
    priceLabel_->setHidden(true);
    cellBg_->setBackgroundColor(ui::Color::whiteColor());
    bottomLineView_->setBackgroundColor(ui::Color::rgb(232, 232, 232));
    topLineView_->setBackgroundColor(ui::Color::rgb(232, 232, 232));
    const int type = item.needType.toInt();
    if (type == 1) cellLeftTypeNameLabel_->setText(QStringLiteral("租房,"));
    if (type == 3) cellLeftTypeNameLabel_->setText(QStringLiteral("合租,"));
    if (type == 5) cellLeftTypeNameLabel_->setText(QStringLiteral("买房,"));
}
