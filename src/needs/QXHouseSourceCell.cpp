#include "needs/QXHouseSourceCell.h"

#include "chat/ChatMedia.h"
#include "houses/photos/ImagePickerView.h"
#include "houses/shared/HouseFavourites.h"
#include "map/URLPic.h"
#include "util/TextChecks.h"
#include "util/categories/Tolerant.h"

#include "platform/uikit/button.h"
#include "platform/uikit/gesture_recognizer.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/tap_gesture_recognizer.h"

namespace {

constexpr double kAvatarSize = 40;
constexpr double kBrokerAvatarCut = 80;

std::shared_ptr<ui::Label> cellLabel(const ui::Rect& frame, double fontSize,
                                     const ui::Color& colour) {
    auto made = std::make_shared<ui::Label>(frame);
    made->setFont(ui::Font::systemFontOfSize(fontSize));
    made->setTextColor(colour);
    made->setBackgroundColor(ui::Color::clearColor());
    return made;
}

std::shared_ptr<ui::ImageView> cellHairline(const ui::Rect& frame) {
    auto line = std::make_shared<ui::ImageView>(frame);
    line->setBackgroundColor(ui::Color::rgb(227, 227, 227));
    return line;
}

std::shared_ptr<ui::Image> stretchedWithCaps(const QString& name, int capWidth, int capHeight) {
    const auto image = ui::Image::imageNamed(name);
    return image ? image->stretchableImageWithLeftCapWidth(capWidth, capHeight) : nullptr;
}

void setY(ui::View& view, double y) {
    ui::Rect frame = view.frame();
    frame.origin.y = y;
    view.setFrame(frame);
}

void setHeight(ui::View& view, double height) {
    ui::Rect frame = view.frame();
    frame.size.height = height;
    view.setFrame(frame);
}

}  // namespace

QXHouseSourceCell::QXHouseSourceCell(ui::TableViewCellStyle style, const QString& reuseIdentifier)
    : ui::TableViewCell(style, reuseIdentifier) {
    if (const auto pressed = ui::Image::imageNamed(QStringLiteral("点击bg"))) {
        setSelectedBackgroundView(std::make_shared<ui::ImageView>(
            pressed->resizableImageWithCapInsets(ui::EdgeInsets{5, 10, 5, 10})));
    }
    ui::View* content = contentView();

    brokerHeadView_ = std::make_shared<URLPic>(ui::Rect(10, 10, kAvatarSize, kAvatarSize));
    brokerHeadView_->setImageSizeType(1);
    brokerHeadView_->layer()->setCornerRadius(4);
    brokerHeadView_->setClipsToBounds(true);
    brokerHeadView_->setUserInteractionEnabled(true);
    auto avatarTap = std::make_shared<ui::TapGestureRecognizer>();
    avatarTap->addTarget(this, [this](ui::GestureRecognizer&) { report(kBrokerTapped); });
    brokerHeadView_->addGestureRecognizer(avatarTap);
    content->addSubview(brokerHeadView_);

    const double textX = brokerHeadView_->frame().maxX() + 5;
    brokerNameLbl_ = cellLabel(ui::Rect(textX, 10, 100, 15), 14, ui::Color::rgb(64, 64, 64));
    content->addSubview(brokerNameLbl_);
    brokerCompanyLbl_ = cellLabel(ui::Rect(textX, brokerNameLbl_->frame().maxY() + 1, 100, 15), 14,
                                  ui::Color::rgb(149, 149, 149));
    content->addSubview(brokerCompanyLbl_);

    houseSourceInfoView_ = std::make_shared<ui::View>(
        ui::Rect(textX, brokerCompanyLbl_->frame().maxY() + 5, kBoxWidth, kBoxHeightWithPhotos));
    houseSourceInfoView_->layer()->setCornerRadius(3);
    houseSourceInfoView_->setClipsToBounds(true);
    bubbleBackground_ = std::make_shared<ui::ImageView>(houseSourceInfoView_->bounds());
    bubbleBackground_->setImage(stretchedWithCaps(QStringLiteral("经纪人推送帖子"), 60, 10));
    bubbleBackground_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth |
                                           ui::kAutoresizingFlexibleHeight);
    houseSourceInfoView_->addSubview(bubbleBackground_);
    content->addSubview(houseSourceInfoView_);

    houseImagesView_ = std::make_shared<ui::View>(ui::Rect(0, 5, kBoxWidth, kPhotoHeight));
    houseImagesView_->setBackgroundColor(ui::Color::clearColor());
    houseImagePickerView_ =
        ImagePickerView::initWithFrame(ui::Rect(0, 0, kBoxWidth, kPhotoHeight), std::nullopt, 1);
    houseImagePickerView_->setFromWhereIn(ImagePickerView::kFromNeedReplies);
    houseImagePickerView_->scrollView()->setScrollEnabled(false);
    houseImagesView_->addSubview(houseImagePickerView_);
    houseSourceInfoView_->addSubview(houseImagesView_);

    houseDetailInfoView_ = std::make_shared<ui::View>(ui::Rect(0, 0, 250, 33));
    houseDetailInfoView_->setBackgroundColor(ui::Color::clearColor());
    auto detailTap = std::make_shared<ui::TapGestureRecognizer>();
    detailTap->addTarget(this, [this](ui::GestureRecognizer&) { report(kDetailTapped); });
    houseDetailInfoView_->addGestureRecognizer(detailTap);
    houseInfoTitleLbl_ = cellLabel(ui::Rect(5, 0, 250, 15), 14, ui::Color::rgb(64, 64, 64));
    houseDetailInfoView_->addSubview(houseInfoTitleLbl_);
    houseInfoSubTitleLbl_ = cellLabel(ui::Rect(5, houseInfoTitleLbl_->frame().maxY() + 3, 250, 12),
                                      12, ui::Color::rgb(149, 149, 149));
    houseDetailInfoView_->addSubview(houseInfoSubTitleLbl_);
    houseSourceInfoView_->addSubview(houseDetailInfoView_);

    lineView_ = cellHairline(ui::Rect(0, 0, kBoxWidth, 0.5));
    houseSourceInfoView_->addSubview(lineView_);
    priceLbl_ = cellLabel(ui::Rect(5, 0, 140, 15), 14, ui::Color::rgb(247, 127, 0));
    houseSourceInfoView_->addSubview(priceLbl_);
    chatBtn_ =
        makeButton(kChatButtonTag, QStringLiteral("小聊天"), QStringLiteral("沟通"), nullptr);
    houseSourceInfoView_->addSubview(chatBtn_);
    favouriteBtn_ = makeButton(kFavouriteButtonTag, QStringLiteral("收藏"), QStringLiteral("收藏"),
                               &favImgView_);
    houseSourceInfoView_->addSubview(favouriteBtn_);

    lineViewBottom_ = cellHairline(ui::Rect(10, 0, 300, 0.5));
    content->addSubview(lineViewBottom_);
    chainFrames();
}

std::shared_ptr<ui::Button> QXHouseSourceCell::makeButton(
    int tag, const QString& icon, const QString& title, std::shared_ptr<ui::ImageView>* iconView) {
    auto button = ui::Button::buttonWithType(ui::ButtonType::Custom);
    button->setFrame(ui::Rect(0, 0, 49, 33));
    button->setTag(tag);
    button->setBackgroundImage(stretchedWithCaps(QStringLiteral("点击bg"), 5, 10),
                               ui::kControlStateHighlighted);
    auto iconImage = std::make_shared<ui::ImageView>(ui::Rect(4, 8, 17, 17));
    iconImage->setImage(ui::Image::imageNamed(icon));
    button->addSubview(iconImage);
    if (iconView) *iconView = iconImage;
    auto text = cellLabel(ui::Rect(23, 8, 24, 17), 12, ui::Color::rgb(64, 64, 64));
    text->setText(title);
    button->addSubview(text);
    button->addTarget(this, ui::kControlEventTouchUpInside,
                      [this, tag](ui::Control&, const ui::Event*) { buttonTapped(tag); });
    return button;
}

void QXHouseSourceCell::buttonTapped(int tag) {
    if (tag == kChatButtonTag) report(kChatTapped);
    if (tag == kFavouriteButtonTag) report(kFavouriteTapped);
}

void QXHouseSourceCell::report(int action) {
    if (cellActionsBlock_) cellActionsBlock_(action, tag());
}

void QXHouseSourceCell::chainFrames() {
    setY(*houseDetailInfoView_, houseImagesView_->frame().maxY() + 12);
    setY(*lineView_, houseDetailInfoView_->frame().maxY() + 5);
    setY(*priceLbl_, lineView_->frame().maxY() + 11);
    ui::Rect chat = chatBtn_->frame();
    chat.origin.x = priceLbl_->frame().maxX();
    chat.origin.y = lineView_->frame().maxY() + 3;
    chatBtn_->setFrame(chat);
    ui::Rect favourite = favouriteBtn_->frame();
    favourite.origin.x = chat.maxX() + 5;
    favourite.origin.y = chat.origin.y;
    favouriteBtn_->setFrame(favourite);
    setY(*lineViewBottom_, houseSourceInfoView_->frame().maxY() + 9);
}

void QXHouseSourceCell::setHouseSourceInfo(const QVariantMap& house, bool isBottomCell) {
    const Tolerant record{QVariant(house)};
    const QString photo = ChatMedia::mediaAddress(record[QStringLiteral("photo")].toString());
    if (!photo.isEmpty()) {
        const auto avatar = ui::Image::imageNamed(QStringLiteral("小默认头像"));
        brokerHeadView_->setDefaultImage(avatar);
        brokerHeadView_->setFailureImage(avatar);
        brokerHeadView_->requestURL(
            TextChecks::clipedImageURLString(photo, int(kBrokerAvatarCut), int(kBrokerAvatarCut)));
    }
    brokerNameLbl_->setText(record[QStringLiteral("person")].toString());
    brokerCompanyLbl_->setText(record[QStringLiteral("companyName")].toString());
    houseInfoTitleLbl_->setText(record[QStringLiteral("title")].toString());
    houseInfoSubTitleLbl_->setText(record[QStringLiteral("houseAttribute")].toString());
    priceLbl_->setText(record[QStringLiteral("price")].toString());

    QStringList photos;
    for (const QVariant& entry : record[QStringLiteral("houseImages")].toList())
        photos << ChatMedia::mediaAddress(entry.toString());
    const bool withPhotos = !photos.isEmpty();
    if (withPhotos) {
        houseImagePickerView_->addImageViewsWithImageURLArray(photos);
        houseImagePickerView_->setHouseInfoFromFindHouseRequestDetailPage(QVariant(house));
    }
    setHeight(*houseSourceInfoView_, withPhotos ? kBoxHeightWithPhotos : kBoxHeightWithoutPhotos);
    setHeight(*houseImagesView_, withPhotos ? kPhotoHeight : 0);
    houseImagesView_->setHidden(!withPhotos);
    chainFrames();

    favImgView_->setImage(ui::Image::imageNamed(
        HouseFavourites::isSaved(house) ? QStringLiteral("已收藏") : QStringLiteral("收藏")));
    lineViewBottom_->setHidden(isBottomCell);
}
