#include "houses/photos/QXFCHouseSourceInfoBottomView.h"

#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/screen.h"
#include "ui/widgets/LineImageView.h"
#include "ui/widgets/ViewFrameBuilder.h"

namespace {

constexpr double kBottomButtonSide = 40;
constexpr double kButtonGap = 15;

std::shared_ptr<ui::Label> whiteLabel(const ui::Rect& frame, double fontSize) {
    auto label = std::make_shared<ui::Label>(frame);
    label->setFont(ui::Font::systemFontOfSize(fontSize));
    label->setTextColor(ui::Color::whiteColor());
    label->setBackgroundColor(ui::Color::clearColor());
    return label;
}

}  // namespace

QXFCHouseSourceInfoBottomView::QXFCHouseSourceInfoBottomView(const ui::Rect& frame)
    : ui::View(frame) {
    setBackgroundColor(ui::Color::clearColor());
    auto backdrop = std::make_shared<ui::ImageView>(bounds());
    backdrop->setBackgroundColor(ui::Color::blackColor());
    backdrop->setAlpha(0.6);
    addSubview(backdrop);

    titleLbl_ = whiteLabel({0, 0, 260, 15}, 14);
    addSubview(titleLbl_);
    vf_frameBuilder(*titleLbl_)
        .alignLeftInSuperviewWithInset(10)
        .alignToTopInSuperviewWithInset(13);

    imageNumIndicatorLbl_ = whiteLabel({0, 0, 40, 15}, 14);
    imageNumIndicatorLbl_->setTextAlignment(ui::TextAlignment::Right);
    addSubview(imageNumIndicatorLbl_);
    vf_frameBuilder(*imageNumIndicatorLbl_)
        .alignRightOfView(*titleLbl_, 0)
        .alignToTopInSuperviewWithInset(13);

    subTitleLbl_ = whiteLabel({0, 0, 240, 15}, 12);
    addSubview(subTitleLbl_);
    vf_frameBuilder(*subTitleLbl_)
        .alignLeftInSuperviewWithInset(10)
        .alignToBottomOfView(*titleLbl_, 10);

    priceLbl_ = whiteLabel({0, 0, 80, 15}, 14);
    priceLbl_->setTextColor(ui::Color::redColor());
    priceLbl_->setTextAlignment(ui::TextAlignment::Right);
    addSubview(priceLbl_);
    vf_frameBuilder(*priceLbl_)
        .alignRightInSuperviewWithInset(10)
        .alignToBottomOfView(*titleLbl_, 10);

    auto separator =
        lineImageViewWithFrame({0, 0, ui::Screen::mainScreen().bounds().size.width, 0.5});
    separator->setBackgroundColor(ui::Color::colorWithWhite(0.2));
    addSubview(separator);
    vf_frameBuilder(*separator).alignToBottomOfView(*subTitleLbl_, 16);

    auto call =
        addButton(kCallCode, QStringLiteral("电话聊天.png"), QStringLiteral("电话聊天点击.png"));
    vf_frameBuilder(*call).alignRightInSuperviewWithInset(13).alignToBottomOfView(*separator, 10);
    auto chat =
        addButton(kChatCode, QStringLiteral("沟通聊天.png"), QStringLiteral("沟通聊天点击.png"));
    vf_frameBuilder(*chat).alignLeftOfView(*call, kButtonGap).alignToBottomOfView(*separator, 10);
    favBtn_ = addButton(kFavouriteCode, kFavouriteImage, QStringLiteral("收藏图片点击.png"));
    vf_frameBuilder(*favBtn_)
        .alignLeftOfView(*chat, kButtonGap)
        .alignToBottomOfView(*separator, 10);
    auto save =
        addButton(kSaveCode, QStringLiteral("下载图片.png"), QStringLiteral("下载图片点击.png"));
    vf_frameBuilder(*save)
        .alignLeftOfView(*favBtn_, kButtonGap)
        .alignToBottomOfView(*separator, 10);
}

std::shared_ptr<ui::Button> QXFCHouseSourceInfoBottomView::addButton(
    int code, const QString& image, const QString& highlightedImage) {
    auto button = ui::Button::buttonWithType(ui::ButtonType::Custom);
    button->setFrame({0, 0, kBottomButtonSide, kBottomButtonSide});
    button->setTag(code);
    button->setExclusiveTouch(true);
    button->setBackgroundImage(ui::Image::imageNamed(image), ui::kControlStateNormal);
    button->setBackgroundImage(ui::Image::imageNamed(highlightedImage),
                               ui::kControlStateHighlighted);
    button->addTarget(this, ui::kControlEventTouchUpInside,
                      [this](ui::Control& sender, const ui::Event*) {
                          buttonClickedFunc(static_cast<ui::Button&>(sender));
                      });
    addSubview(button);
    return button;
}

void QXFCHouseSourceInfoBottomView::setTitleLblText(const QString& text) {
    titleLbl_->setText(text);
}

void QXFCHouseSourceInfoBottomView::setImageNumIndicatorLblText(const QString& text) {
    imageNumIndicatorLbl_->setText(text);
}

void QXFCHouseSourceInfoBottomView::setSubTitleLblText(const QString& text) {
    subTitleLbl_->setText(text);
}

void QXFCHouseSourceInfoBottomView::setPriceLblText(const QString& text) {
    priceLbl_->setText(text);
}

void QXFCHouseSourceInfoBottomView::buttonClickedFunc(const ui::Button& button) {
    if (actionsBlock_) actionsBlock_(button.tag());
}
