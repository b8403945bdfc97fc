#include "houses/broker/PromotionCell.h"

#include "houses/shared/HousesScreen.h"
#include "net/EndpointTable.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "ui/image/StretchedImage.h"
#include "util/categories/Tolerant.h"

#include <cmath>

namespace {

using HousesScreen::kWidth;
const ui::Color kDark = ui::Color::colorWithWhite(0.2);
const ui::Color kGrey = ui::Color::colorWithWhite(0.45);
const ui::Color kLightGrey = ui::Color::colorWithWhite(0.6);
const ui::Color kOrange = ui::Color::rgb(247, 127, 0);

std::shared_ptr<ui::ImageView> stretchedCellView(const QString& name) {
    return std::make_shared<ui::ImageView>(StretchedImage::withCaps(name, 0, 36));
}

// A value as "%@" prints it: a text as it is, a number as its shortest decimal text.
QString printed(const QVariant& value) {
    if (value.typeId() == QMetaType::Double) return QString::number(value.toDouble(), 'g', 15);
    return value.toString();
}

// A value read as a number with its fraction; 0 when it is none.
double numberOf(const QVariant& value) {
    bool read = false;
    const double number = value.typeId() == QMetaType::QString ? value.toString().toDouble(&read)
                                                               : value.toDouble(&read);
    return read && std::isfinite(number) ? number : 0;
}

// How many 元 one of a price unit is: 万 and 亿 count ten thousands and hundred millions.
double yuanPerUnit(const QString& unit) {
    if (unit.startsWith(u'亿')) return 1e8;
    if (unit.startsWith(u'万')) return 1e4;
    return 1;
}

// A grey block one point around the picture.
std::shared_ptr<ui::View> thumbnailBack() {
    auto back = std::make_shared<ui::View>(ui::Rect(9, 7, 77, 58));
    back->setTag(PromotionCell::kThumbnailBackTag);
    back->setBackgroundColor(ui::Color::rgb(229, 229, 229));
    return back;
}

std::shared_ptr<ui::ImageView> thumbnailPicture() {
    auto picture = std::make_shared<ui::ImageView>(ui::Rect(10, 8, 75, 56));
    picture->setContentMode(ui::ContentMode::ScaleAspectFill);
    picture->setClipsToBounds(true);
    return picture;
}

}  // namespace

PromotionCell::PromotionCell(const QString& reuseIdentifier)
    : ui::TableViewCell(ui::TableViewCellStyle::Default, reuseIdentifier),
      thumbnail_(thumbnailBack(), thumbnailPicture()) {
    auto* content = contentView();
    thumbnail_.addTo(*content);
    titleLabel_ = HousesScreen::clearLabel({95, 8, 215, 18}, ui::Font::systemFontOfSize(15), kDark);
    subTitleLabel1_ =
        HousesScreen::clearLabel({95, 29, 215, 16}, ui::Font::systemFontOfSize(13), kGrey);
    subTitleLabel2_ =
        HousesScreen::clearLabel({95, 49, 140, 15}, ui::Font::systemFontOfSize(12), kLightGrey);
    priceLabel_ =
        HousesScreen::clearLabel({210, 46, 100, 20}, ui::Font::boldSystemFontOfSize(15), kOrange);
    priceLabel_->setTextAlignment(ui::TextAlignment::Right);
    unitPriceLabel_ =
        HousesScreen::clearLabel({210, 29, 100, 15}, ui::Font::systemFontOfSize(12), kLightGrey);
    unitPriceLabel_->setTextAlignment(ui::TextAlignment::Right);
    for (const auto& label :
         {titleLabel_, subTitleLabel1_, subTitleLabel2_, priceLabel_, unitPriceLabel_}) {
        content->addSubview(label);
    }
    setBackgroundView(stretchedCellView(QStringLiteral("列表信息条.png")));
    setSelectedBackgroundView(stretchedCellView(QStringLiteral("列表信息条点击.png")));
    auto separator =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("列表分割线.png")));
    separator->setFrame({0, kRowHeight - 0.5, kWidth, 0.5});
    content->addSubview(separator);
}

QString PromotionCell::layoutText(const PostRecord& post) {
    const Tolerant read{QVariant(post)};
    QString layout;
    bool fromValue = false;
    if (read["type"].intValue() == 3) {
        const QVariant shared = read["house_type_format"]["t"].value();
        fromValue = shared.isValid() && !shared.isNull();
        if (fromValue) layout = printed(shared);
    } else if (post.contains(QStringLiteral("huxing_shi"))) {
        fromValue = true;
        layout = printed(post.value(QStringLiteral("huxing_shi"))) + QStringLiteral("室");
        if (post.contains(QStringLiteral("huxing_ting")))
            layout += printed(post.value(QStringLiteral("huxing_ting"))) + QStringLiteral("厅");
    }
    if (fromValue && post.contains(QStringLiteral("area"))) {
        layout += QStringLiteral(" %1%2").arg(printed(read["area"]["v"].value()),
                                              read["area"]["u"].toString());
    }
    return layout;
}

QString PromotionCell::titleText(const PostRecord& post) {
    const QString place =
        QStringLiteral("%1 %2").arg(post.value(QStringLiteral("district_name")).toString(),
                                    post.value(QStringLiteral("street_name")).toString());
    return QStringLiteral("%1 %2").arg(place, layoutText(post));
}

QString PromotionCell::priceText(const PostRecord& post) {
    if (!post.contains(QStringLiteral("price"))) return {};
    return printed(post.value(QStringLiteral("price"))).remove(u' ');
}

QString PromotionCell::thumbnailURL(const PostRecord& post) {
    const QVariant thumb = post.value(QStringLiteral("thumb_img"));
    if (thumb.typeId() != QMetaType::QString || thumb.toString().isEmpty()) return {};
    return EndpointTable::imageURL(thumb.toString());
}

QString PromotionCell::unitPriceText(const PostRecord& post) {
    const Tolerant read{QVariant(post)};
    // With the fractions of both, in 元: 150万 over 90㎡ is 16667元 a ㎡.
    const double price = numberOf(read["price_format"]["v"].value());
    const double area = numberOf(read["area"]["v"].value());
    if (price <= 0 || area <= 0) return {};
    const double perArea = price * yuanPerUnit(read["price_format"]["u"].toString()) / area;
    if (!std::isfinite(perArea) || perArea >= 9e18) return {};
    return QStringLiteral("(%1元/%2)")
        .arg(qint64(std::llround(perArea)))
        .arg(read["area"]["u"].toString());
}

void PromotionCell::configure(const PostRecord& post, int majorType) {
    titleLabel_->setText(titleText(post));
    subTitleLabel1_->setText(post.value(QStringLiteral("title")).toString());
    priceLabel_->setText(priceText(post));
    setImageUrl(thumbnailURL(post));
    const QString age =
        GetPostListCellFormate::timeToNow(printed(post.value(QStringLiteral("post_at"))));
    if (majorType != 5) {
        subTitleLabel2_->setText(age);
        unitPriceLabel_->setText(QString());
    } else {
        subTitleLabel2_->setText(QStringLiteral("%1 %2").arg(age, unitPriceText(post)));
    }
}

void PromotionCell::setImageUrl(const QString& url) {
    thumbnail_.show(url);
}
