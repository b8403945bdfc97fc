#include "map/QXMapDetailCell.h"

#include "map/MapArtwork.h"
#include "map/QXMapDetailModel.h"
#include "map/URLPic.h"
#include "net/EndpointTable.h"
#include "util/categories/Tolerant.h"

#include "platform/uikit/button.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"

#include <cmath>
#include <numbers>

namespace {

const ui::Color kCellGrey153 = ui::Color::rgb(153, 153, 153);
const ui::Color kCellGreen = ui::Color::rgb(83, 188, 44);
const ui::Color kLine = ui::Color::rgb(230, 230, 230);

std::shared_ptr<ui::Label> label(const ui::Rect& frame, const ui::Color& colour, double size) {
    auto made = std::make_shared<ui::Label>(frame);
    made->setTextColor(colour);
    made->setFont(ui::Font::systemFontOfSize(size));
    made->setBackgroundColor(ui::Color::clearColor());
    return made;
}

std::shared_ptr<ui::View> line(const ui::Rect& frame, const ui::Color& colour) {
    auto made = std::make_shared<ui::View>(frame);
    made->setBackgroundColor(colour);
    return made;
}

}  // namespace

QXMapDetailCell::QXMapDetailCell()
    : ui::TableViewCell(ui::TableViewCellStyle::Value1, kReuseIdentifier) {
    ui::View* content = contentView();
    HeadImage_ = std::make_shared<URLPic>(ui::Rect(6, 6, 50, 60));
    // A broker's round photo shows whole in its taller place, never cut on one side.
    HeadImage_->setContentMode(ui::ContentMode::ScaleAspectFit);
    content->addSubview(HeadImage_);
    nameLabel_ = label({62, 8, 140, 20}, ui::Color::rgb(69, 69, 69), 16);
    content->addSubview(nameLabel_);
    content->addSubview(label({62, 28, 60, 20}, kCellGrey153, 12));
    static_cast<ui::Label*>(content->subviews().back().get())->setText("信誉度");
    onlineLabel_ = label({62, 48, 34, 20}, kCellGrey153, 12);
    onlineLabel_->setText("[离线]");
    content->addSubview(onlineLabel_);
    numContectLabel_ = label({98, 48, 120, 20}, kCellGrey153, 12);
    content->addSubview(numContectLabel_);

    connectBt_ = std::make_shared<ui::Button>(ui::Rect(260, 0, 60, 72));
    connectBt_->setExclusiveTouch(true);
    connectBt_->setBackgroundImage(ui::Image::imageWithColor(kLine), ui::kControlStateHighlighted);
    auto icon = std::make_shared<ui::ImageView>(MapArtwork::imageNamed("聊天icon.png"));
    icon->setFrame({15, 10, 30, 30});
    connectBt_->addSubview(icon);
    auto talk = label({10, 44, 40, 20}, kCellGreen, 14);
    talk->setText("沟通");
    talk->setTextAlignment(ui::TextAlignment::Center);
    connectBt_->addSubview(talk);
    connectBt_->addTarget(this, ui::kControlEventTouchUpInside,
                          [this](ui::Control&, const ui::Event*) {
                              if (block) block(*this);
                          });
    content->addSubview(connectBt_);
    content->addSubview(line({259.5, 16, 0.5, 45}, kLine));
    content->addSubview(line({6, QXMapDetailCell::kRowHeight - 0.5, 308, 0.5}, kLine));
}

void QXMapDetailCell::setConnectModel(std::shared_ptr<QXMapDetailModel> model) {
    connectModel_ = std::move(model);
    fillFromModel();
}

void QXMapDetailCell::fillFromModel() {
    if (!connectModel_) return;
    const QXMapDetailModel& model = *connectModel_;
    nameLabel_->setText(model.name);
    const auto placeholder = MapArtwork::imageNamed("默认头像.png");
    if (model.image.startsWith("http://")) {
        HeadImage_->setImageWithURL(QUrl(model.image), placeholder);
    } else {
        HeadImage_->setImageWithURL(QUrl(EndpointTable::imageHost() + "/" + model.image),
                                    placeholder);
        HeadImage_->setUserInteractionEnabled(true);
    }
    // One star view, replaced on every fill.
    if (evaluateNumView_) evaluateNumView_->removeFromSuperview();
    evaluateNumView_ =
        std::make_shared<CreditStarView>(Tolerant::intValueOfString(model.creditScore), 5);
    const ui::Rect photo = HeadImage_->frame();
    const ui::Rect name = nameLabel_->frame();
    const ui::Size stars = evaluateNumView_->frame().size;
    evaluateNumView_->setFrame({photo.origin.x + photo.size.width + 48,
                                name.origin.y + name.size.height + 5, stars.width, stars.height});
    contentView()->addSubview(evaluateNumView_);
    const bool online = Tolerant::intValueOfString(model.online) != 0;
    onlineLabel_->setText(online ? "[在线]" : "[离线]");
    onlineLabel_->setTextColor(online ? kCellGreen : kCellGrey153);
    numContectLabel_->setText(model.linkNum + "个人联系过");
}

CreditStarView::CreditStarView(int level, int total)
    : ui::View(ui::Rect(0, 0, kStarSide * std::max(total, 0), kStarSide)),
      level_(std::clamp(level, 0, std::max(total, 0))),
      total_(std::max(total, 0)) {
    setBackgroundColor(ui::Color::clearColor());
    setUserInteractionEnabled(false);
}

void CreditStarView::drawRect(const ui::Rect&) {
    auto* context = ui::GraphicsContext::current();
    for (int star = 0; star < total_; ++star) {
        context->setFillColor(star < level_ ? ui::Color::rgb(255, 170, 0)
                                            : ui::Color::rgb(220, 220, 220));
        const double cx = kStarSide * star + kStarSide / 2, cy = kStarSide / 2;
        context->beginPath();
        for (int point = 0; point < 10; ++point) {
            const double radius = point % 2 == 0 ? kStarSide / 2 : kStarSide / 4.5;
            const double angle = -std::numbers::pi / 2 + point * std::numbers::pi / 5;
            const double x = cx + radius * std::cos(angle), y = cy + radius * std::sin(angle);
            if (point == 0) {
                context->moveToPoint(x, y);
            } else {
                context->addLineToPoint(x, y);
            }
        }
        context->closePath();
        context->fillPath();
    }
}
