#include "houses/photos/QXFCHouseSourceInfoDetailView.h"

#include "map/URLPic.h"
#include "net/EndpointTable.h"
#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/tap_gesture_recognizer.h"
#include "ui/widgets/BoxBlur.h"
#include "ui/widgets/LoadingOverlay.h"
#include "ui/widgets/SnapTools.h"
#include "ui/widgets/StarLevelView.h"
#include "ui/widgets/ViewFrameBuilder.h"
#include "util/TextChecks.h"
#include "util/categories/Tolerant.h"

#include <algorithm>

namespace {

constexpr double kCardInset = 13;
constexpr double kPosterCardTop = 74;
constexpr double kHouseCardGap = 22;
constexpr double kHouseCardHeight = 150;
constexpr double kAvatarSide = 44;
constexpr double kAddressMaxHeight = 100;
constexpr double kDotSide = 5;
constexpr double kLineHeight = 15;
constexpr double kButtonWidth = 248;
constexpr double kButtonHeight = 36;
constexpr double kBackdropQuality = 0.01;
constexpr double kBackdropBlur = 0.1;

ui::Size screenSize() {
    return ui::Screen::mainScreen().bounds().size;
}

std::shared_ptr<ui::Label> whiteDetailLabel(double width) {
    auto label = std::make_shared<ui::Label>(ui::Rect(0, 0, width, kLineHeight));
    label->setFont(ui::Font::systemFontOfSize(14));
    label->setTextColor(ui::Color::whiteColor());
    label->setBackgroundColor(ui::Color::clearColor());
    return label;
}

std::shared_ptr<ui::ImageView> dot() {
    auto view = std::make_shared<ui::ImageView>(ui::Rect(0, 0, kDotSide, kDotSide));
    view->setImage(ui::Image::imageNamed(QStringLiteral("点.png")));
    return view;
}

std::shared_ptr<ui::Image> stretchedWithCaps(const QString& name, int capWidth, int capHeight) {
    auto image = ui::Image::imageNamed(name);
    return image ? image->stretchableImageWithLeftCapWidth(capWidth, capHeight) : nullptr;
}

}  // namespace

QXFCHouseSourceInfoDetailView::QXFCHouseSourceInfoDetailView(const ui::Rect& frame)
    : ui::View(frame) {
    const ui::Size screen = screenSize();
    setBackgroundColor(ui::Color::blackColor());
    backgroundImageView_ = std::make_shared<ui::ImageView>(ui::Rect({0, 0}, screen));
    addSubview(backgroundImageView_);
    sendSubviewToBack(backgroundImageView_.get());
    auto shade = std::make_shared<ui::View>(ui::Rect({0, 0}, screen));
    shade->setBackgroundColor(ui::Color::blackColor());
    shade->setAlpha(0.5);
    insertSubviewAboveSubview(shade, backgroundImageView_.get());
    buildPosterCard();
    buildHouseCard();
    addLoadingCover();
}

std::shared_ptr<ui::Button> QXFCHouseSourceInfoDetailView::makeContactButton(
    int code, const QString& background, const QString& pressedBackground, const QString& icon,
    const QString& title, const ui::Color& titleColor) {
    auto button = ui::Button::buttonWithType(ui::ButtonType::Custom);
    button->setFrame({0, 0, kButtonWidth, kButtonHeight});
    button->setExclusiveTouch(true);
    button->setTag(code);
    button->setBackgroundImage(stretchedWithCaps(background, 6, 10), ui::kControlStateNormal);
    button->setBackgroundImage(stretchedWithCaps(pressedBackground, 6, 10),
                               ui::kControlStateHighlighted);
    auto iconView = std::make_shared<ui::ImageView>(ui::Rect(80, 0, 18, 18));
    iconView->setImage(ui::Image::imageNamed(icon));
    button->addSubview(iconView);
    vf_frameBuilder(*iconView).centerVerticallyInSuperview();
    auto label = std::make_shared<ui::Label>(ui::Rect(0, 0, 80, 13));
    label->setFont(ui::Font::systemFontOfSize(14));
    label->setBackgroundColor(ui::Color::clearColor());
    label->setTextColor(titleColor);
    label->setText(title);
    button->addSubview(label);
    vf_frameBuilder(*label).alignRightOfView(*iconView, 8).centerVerticallyInSuperview();
    button->addTarget(this, ui::kControlEventTouchUpInside,
                      [this](ui::Control& sender, const ui::Event*) { buttonClickedFunc(sender); });
    return button;
}

void QXFCHouseSourceInfoDetailView::buildPosterCard() {
    const ui::Size screen = screenSize();
    agentInfoView_ = std::make_shared<ui::ImageView>(
        ui::Rect(kCardInset, kPosterCardTop, screen.width - 2 * kCardInset, kPosterCardHeight));
    agentInfoView_->setUserInteractionEnabled(true);
    agentInfoView_->setImage(stretchedWithCaps(QStringLiteral("白色浮层bg.png"), 10, 10));
    addSubview(agentInfoView_);

    houseInfoPostByUserLbl_ = whiteDetailLabel(298);
    houseInfoPostByUserLbl_->setTextAlignment(ui::TextAlignment::Center);
    agentInfoView_->addSubview(houseInfoPostByUserLbl_);
    vf_frameBuilder(*houseInfoPostByUserLbl_)
        .alignToTopInSuperviewWithInset(16)
        .centerHorizontallyInSuperview();

    lineView_ = std::make_shared<ui::ImageView>(ui::Rect(0, 0, 215, 0.5));
    lineView_->setImage(stretchedWithCaps(QStringLiteral("透明分割线.png"), 2, 1));
    agentInfoView_->addSubview(lineView_);
    vf_frameBuilder(*lineView_).alignToTopInSuperviewWithInset(44).centerHorizontallyInSuperview();

    agentHeadImageView_ = std::make_shared<URLPic>(ui::Rect(0, 0, kAvatarSide, kAvatarSide));
    agentHeadImageView_->setImage(ui::Image::imageNamed(QStringLiteral("小默认头像.png")));
    agentHeadImageView_->layer()->setCornerRadius(4);
    agentHeadImageView_->setClipsToBounds(true);
    agentInfoView_->addSubview(agentHeadImageView_);
    vf_frameBuilder(*agentHeadImageView_)
        .alignToBottomOfView(*lineView_, 20)
        .alignLeftInSuperviewWithInset(23);

    agentNameLbl_ = whiteDetailLabel(80);
    agentInfoView_->addSubview(agentNameLbl_);
    vf_frameBuilder(*agentNameLbl_)
        .alignToBottomOfView(*lineView_, 22)
        .alignRightOfView(*agentHeadImageView_, 8);

    onlineStatusLbl_ = whiteDetailLabel(36);
    agentInfoView_->addSubview(onlineStatusLbl_);
    vf_frameBuilder(*onlineStatusLbl_)
        .alignToBottomOfView(*agentNameLbl_, 9)
        .alignRightOfView(*agentHeadImageView_, 8);

    contactsNumLbl_ = whiteDetailLabel(240);
    agentInfoView_->addSubview(contactsNumLbl_);
    vf_frameBuilder(*contactsNumLbl_)
        .alignToBottomOfView(*agentNameLbl_, 9)
        .alignRightOfView(*onlineStatusLbl_, 8);

    chatBtn_ = makeContactButton(kChatCode, QStringLiteral("白色button36px.png"),
                                 QStringLiteral("白色button36px-点击态.png"),
                                 QStringLiteral("在线聊天.png"), QStringLiteral("在线沟通"),
                                 ui::Color::rgb(64, 64, 64));
    agentInfoView_->addSubview(chatBtn_);
    vf_frameBuilder(*chatBtn_)
        .alignToBottomOfView(*agentHeadImageView_, 20)
        .centerHorizontallyInSuperview();

    phoneBtn_ = makeContactButton(
        kCallCode, QStringLiteral("button36px.png"), QStringLiteral("button36px-点击态.png"),
        QStringLiteral("立即拨打.png"), QStringLiteral("立即致电"), ui::Color::whiteColor());
    agentInfoView_->addSubview(phoneBtn_);
    vf_frameBuilder(*phoneBtn_).alignToBottomOfView(*chatBtn_, 10).centerHorizontallyInSuperview();

    // A tap on the broker's part of the card (not on its buttons, which keep their taps)
    // opens the broker's page; only a broker's card answers it.
    agentInfoView_->addGestureRecognizer(
        std::make_shared<ui::TapGestureRecognizer>(this, [this](ui::GestureRecognizer&) {
            if (!agentNameLbl_->isHidden() && !agentNameLbl_->text().isEmpty() && actionsBlock_) {
                actionsBlock_(kBrokerCode);
            }
        }));
}

void QXFCHouseSourceInfoDetailView::buildHouseCard() {
    const ui::Size screen = screenSize();
    houseInfoView_ = std::make_shared<ui::ImageView>(
        ui::Rect(kCardInset, 0, screen.width - 2 * kCardInset, kHouseCardHeight));
    houseInfoView_->setBackgroundColor(ui::Color::clearColor());
    addSubview(houseInfoView_);
    vf_frameBuilder(*houseInfoView_).alignToBottomOfView(*agentInfoView_, kHouseCardGap);

    houseInfoTitleLbl_ = whiteDetailLabel(screen.width - 2 * kCardInset);
    houseInfoTitleLbl_->setText(QStringLiteral("房源信息"));
    houseInfoView_->addSubview(houseInfoTitleLbl_);

    const double lineWidth = screen.width - 36;
    pointViewBeforeAddr_ = dot();
    houseInfoView_->addSubview(pointViewBeforeAddr_);
    vf_frameBuilder(*pointViewBeforeAddr_)
        .alignToBottomOfView(*houseInfoTitleLbl_, 18)
        .alignLeftInSuperviewWithInset(0);
    addressLbl_ = whiteDetailLabel(lineWidth);
    addressLbl_->setNumberOfLines(4);
    houseInfoView_->addSubview(addressLbl_);
    vf_frameBuilder(*addressLbl_)
        .alignToBottomOfView(*houseInfoTitleLbl_, 13)
        .alignRightOfView(*pointViewBeforeAddr_, 5);

    pointViewBeforeAttri_ = dot();
    houseInfoView_->addSubview(pointViewBeforeAttri_);
    houseAttributeLbl_ = whiteDetailLabel(lineWidth);
    houseInfoView_->addSubview(houseAttributeLbl_);
    pointViewBeforePrice_ = dot();
    houseInfoView_->addSubview(pointViewBeforePrice_);
    priceLbl_ = whiteDetailLabel(lineWidth);
    houseInfoView_->addSubview(priceLbl_);
    placeLinesBelow(*addressLbl_);
}

void QXFCHouseSourceInfoDetailView::placeLinesBelow(const ui::View& above) {
    vf_frameBuilder(*pointViewBeforeAttri_)
        .alignToBottomOfView(above, 18)
        .alignLeftInSuperviewWithInset(0);
    vf_frameBuilder(*houseAttributeLbl_)
        .alignToBottomOfView(above, 13)
        .alignRightOfView(*pointViewBeforeAttri_, 5);
    vf_frameBuilder(*pointViewBeforePrice_)
        .alignToBottomOfView(*houseAttributeLbl_, 18)
        .alignLeftInSuperviewWithInset(0);
    vf_frameBuilder(*priceLbl_)
        .alignToBottomOfView(*houseAttributeLbl_, 13)
        .alignRightOfView(*pointViewBeforePrice_, 5);
}

void QXFCHouseSourceInfoDetailView::addLoadingCover() {
    const ui::Size screen = screenSize();
    auto cover = std::make_shared<ui::View>(ui::Rect({0, 0}, screen));
    cover->setTag(LoadingOverlay::kTag);
    cover->setBackgroundColor(ui::Color::blackColor());
    auto spinner =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::White);
    spinner->setFrame({screen.width / 2 - 10, screen.height / 2 - 10, 20, 20});
    spinner->startAnimating();
    cover->addSubview(spinner);
    addSubview(cover);
}

void QXFCHouseSourceInfoDetailView::setAddressLableText(const QString& text) {
    if (text.isEmpty()) {
        // Two lines: the address dot stays and marks the layout line in the address's place.
        addressLbl_->setHidden(true);
        pointViewBeforeAttri_->setHidden(true);
        placeLinesBelow(*houseInfoTitleLbl_);
        return;
    }
    // An address given after an empty one shows again, with its own dot.
    addressLbl_->setHidden(false);
    pointViewBeforeAttri_->setHidden(false);
    addressLbl_->setText(text);
    const double width = addressLbl_->frame().size.width;
    const ui::Size needed = ui::StringDrawing::sizeWithFont(
        text, addressLbl_->font(), ui::Size(width, kAddressMaxHeight), ui::LineBreakMode::WordWrap);
    vf_frameBuilder(*addressLbl_).setHeight(std::min(needed.height, kAddressMaxHeight));
    placeLinesBelow(*addressLbl_);
}

void QXFCHouseSourceInfoDetailView::setHouseAttributeLableText(const QString& text) {
    houseAttributeLbl_->setText(text);
}

void QXFCHouseSourceInfoDetailView::setPriceLableText(const QString& text) {
    priceLbl_->setText(text);
}

void QXFCHouseSourceInfoDetailView::setAgentBaseInfo(const QVariant& reply) {
    const Tolerant info = Tolerant(reply)[QStringLiteral("baseInfo")];
    const QString company = info[QStringLiteral("companyName")].toString();
    const QString name = info[QStringLiteral("name")].toString();
    houseInfoPostByUserLbl_->setText(QStringLiteral("该套房源由%1%2发布").arg(company, name));
    const QString avatar = info[QStringLiteral("avatar")].toString();
    if (!avatar.isEmpty()) {
        const QString url = avatar.startsWith(QLatin1String("http"))
                                ? avatar
                                : EndpointTable::imageHost() + u'/' + avatar;
        agentHeadImageView_->setImageWithURL(
            QUrl(TextChecks::clipedImageURLString(url, int(kAvatarSide), int(kAvatarSide))),
            ui::Image::imageNamed(QStringLiteral("小默认头像.png")));
    }
    setAgentNameLabelText(name);
    if (starView_) starView_->removeFromSuperview();
    starView_ = StarLevelView::starViewByLevel(info[QStringLiteral("creditScore")].intValue(), 5);
    agentInfoView_->addSubview(starView_);
    vf_frameBuilder(*starView_)
        .alignToBottomOfView(*lineView_, 24)
        .alignRightOfView(*agentNameLbl_, 5);
    contactsNumLbl_->setText(
        QStringLiteral("%1个人联系过").arg(info[QStringLiteral("agentUserContactNum")].intValue()));
}

void QXFCHouseSourceInfoDetailView::refreshViewForCommenUserWithName(const QString& name,
                                                                     const QString& phoneNumber) {
    agentHeadImageView_->setHidden(true);
    agentNameLbl_->setHidden(true);
    if (starView_) starView_->setHidden(true);
    onlineStatusLbl_->setHidden(true);
    chatBtn_->setHidden(true);
    houseInfoPostByUserLbl_->setText(QStringLiteral("该套房源由%1发布").arg(name));
    contactsNumLbl_->setText(QStringLiteral("联系方式: %1").arg(phoneNumber));
    vf_frameBuilder(*contactsNumLbl_)
        .alignToBottomOfView(*lineView_, 22)
        .setSizeToFitWidth()
        .centerHorizontallyInSuperview();
    vf_frameBuilder(*phoneBtn_).alignToBottomOfView(*lineView_, 60);
    vf_frameBuilder(*agentInfoView_).setHeight(kOrdinaryPosterCardHeight);
    vf_frameBuilder(*houseInfoView_).alignToBottomOfView(*agentInfoView_, kHouseCardGap);
}

void QXFCHouseSourceInfoDetailView::setAgentNameLabelText(const QString& text) {
    agentNameLbl_->setText(text);
    vf_frameBuilder(*agentNameLbl_).setSizeToFitWidth();
}

void QXFCHouseSourceInfoDetailView::setContactNumLableTextWithOnlineStatus(bool online) {
    onlineStatusLbl_->setText(online ? QStringLiteral("[在线]") : QStringLiteral("[离线]"));
    // As wide as its text, the contact count still 8 points after it on a broker's card.
    vf_frameBuilder(*onlineStatusLbl_).setSizeToFitWidth();
    if (!onlineStatusLbl_->isHidden()) {
        vf_frameBuilder(*contactsNumLbl_).alignRightOfView(*onlineStatusLbl_, 8);
    }
}

void QXFCHouseSourceInfoDetailView::setBackgroundImage(const std::shared_ptr<ui::Image>& image) {
    if (!image || backgroundImageView_->image()) return;
    backgroundImageView_->setImage(image);
    // A dark, coarse copy: the screen-sized picture squeezed hard, then blurred.
    const auto shot = capture(*backgroundImageView_);
    const auto coarse =
        shot ? ui::Image::imageWithData(shot->JPEGRepresentation(kBackdropQuality), shot->scale())
             : nullptr;
    if (auto blurred = coarse ? blurredImage(*coarse, kBackdropBlur) : nullptr) {
        backgroundImageView_->setImage(std::move(blurred));
    }
}

void QXFCHouseSourceInfoDetailView::buttonClickedFunc(const ui::View& button) {
    if (actionsBlock_) actionsBlock_(button.tag());
}
