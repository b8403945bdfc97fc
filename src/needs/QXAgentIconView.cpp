#include "needs/QXAgentIconView.h"

#include "needs/QXAgentIconItem.h"

#include "map/URLPic.h"

#include "platform/uikit/label.h"

namespace {

std::shared_ptr<ui::Label> lineLabel(const ui::Rect& frame, const ui::Color& colour) {
    auto label = std::make_shared<ui::Label>(frame);
    label->setBackgroundColor(ui::Color::clearColor());
    label->setFont(ui::Font::systemFontOfSize(12));
    label->setTextColor(colour);
    label->setTextAlignment(ui::TextAlignment::Center);
    return label;
}

}  // namespace

QXAgentIconView::QXAgentIconView(const ui::Rect& frame) : ui::View(frame) {
    agentImage_ = std::make_shared<URLPic>(ui::Rect(0, 5, kPictureSize, kPictureSize));
    agentImage_->layer()->setCornerRadius(5);
    agentImage_->setClipsToBounds(true);
    agentImage_->setImageSizeType(1);
    addSubview(agentImage_);
    const ui::Rect picture = agentImage_->frame();
    agentNameLabel_ =
        lineLabel(ui::Rect(picture.origin.x, picture.maxY() + 2, picture.width(), kLineHeight),
                  ui::Color::rgb(64, 64, 64));
    addSubview(agentNameLabel_);
    agentCompanyName_ = lineLabel(
        ui::Rect(picture.origin.x, agentNameLabel_->frame().maxY(), picture.width(), kLineHeight),
        ui::Color::rgb(191, 191, 191));
    addSubview(agentCompanyName_);
}

void QXAgentIconView::setAgentsIconWithItem(const QXAgentIconItem& item) {
    if (!item.agentNameString.isEmpty()) agentNameLabel_->setText(item.agentNameString);
}
