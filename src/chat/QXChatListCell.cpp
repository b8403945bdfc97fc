#include "chat/QXChatListCell.h"

#include "chat/ChatLabel.h"
#include "chat/QXBrokerItem.h"

#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"
#include "map/MapArtwork.h"
#include "map/PictureFileCache.h"
#include "map/URLPic.h"
#include "net/transport/Json.h"
#include "util/TextChecks.h"

#include "platform/foundation/clock.h"
#include "platform/foundation/file_manager.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/string_drawing.h"

#include <QLocale>

#include <cmath>

namespace {

constexpr double kMeasureWidth = 100;
constexpr int kPictureSize = 65;

const ui::Color& grey() {
    static const ui::Color colour = ui::Color::rgb(149, 149, 149);
    return colour;
}

// The label sized to its text within 100 points and its own height.
ui::Size measured(const ui::Label& label) {
    return ui::StringDrawing::sizeWithFont(label.text(), label.font(),
                                           {kMeasureWidth, label.frame().size.height},
                                           label.lineBreakMode());
}

}  // namespace

std::shared_ptr<QXChatListCell> QXChatListCell::make(int tag, const QString& identifier) {
    auto cell = std::make_shared<QXChatListCell>(tag, identifier);
    if (tag == kNetFailRowTag) {
        cell->retry_->addTarget(
            cell.get(), ui::kControlEventTouchUpInside,
            [weak = cell->weakAs<QXChatListCell>()](ui::Control&, const ui::Event*) {
                if (auto self = weak.lock()) self->reTryNetConnection();
            });
    }
    return cell;
}

QXChatListCell::QXChatListCell(int tag, const QString& identifier)
    : ui::TableViewCell(ui::TableViewCellStyle::Default, identifier) {
    setTag(tag);
    setSelectionStyle(ui::TableViewCellSelectionStyle::None);
    setBackgroundColor(ui::Color::clearColor());
    lineView_ = std::make_shared<ui::ImageView>(ui::Rect(5, 76.5, 310, 0.5));
    lineView_->setImage(ui::Image::imageNamed(QStringLiteral("列表分割线.png")));
    if (tag == kNetFailRowTag) {
        buildFailureRow();
    } else {
        buildTalkRow();
    }
    contentView()->addSubview(lineView_);
}

void QXChatListCell::buildTalkRow() {
    HeadImage_ = std::make_shared<URLPic>(ui::Rect(10, 11, 56, 56));
    HeadImage_->layer()->setCornerRadius(4);
    HeadImage_->setImageSizeType(1);
    const auto fallback = MapArtwork::imageNamed(QStringLiteral("默认头像.png"));
    HeadImage_->setDefaultImage(fallback);
    HeadImage_->setFailureImage(fallback);
    contentView()->addSubview(HeadImage_);
    name_ = makeChatLabel({76, 12, 100, 20}, ui::Font::boldSystemFontOfSize(15),
                          ui::Color::rgb(40, 40, 40));
    companyName_ = makeChatLabel({76, 35, 100, 16}, ui::Font::systemFontOfSize(12), grey());
    companyAddress_ = makeChatLabel({76, 35.7, 100, 16}, ui::Font::systemFontOfSize(12), grey());
    lastInfoLabel_ = makeChatLabel({76, 54, 234, 17}, ui::Font::systemFontOfSize(13), grey());
    time_ = makeChatLabel({230, 13, 80, 16}, ui::Font::systemFontOfSize(12), grey());
    time_->setTextAlignment(ui::TextAlignment::Right);
    iconImageView_ = std::make_shared<ui::ImageView>(ui::Rect(0, 0, 22, 22));
    if (auto badge = ui::Image::imageNamed(QStringLiteral("提示圈.png"))) {
        iconImageView_->setImage(badge->stretchableImageWithLeftCapWidth(
            int(badge->size().width / 2), int(badge->size().height / 2)));
    }
    iconImageView_->layer()->setCornerRadius(1);
    infoCount_ =
        makeChatLabel({0, 0, 22, 22}, ui::Font::systemFontOfSize(12), ui::Color::whiteColor());
    infoCount_->setTextAlignment(ui::TextAlignment::Center);
    anwer_ = std::make_shared<ui::ImageView>(ui::Rect(280, 50, 30, 16));
    anwer_->setHidden(true);
    for (const auto& view : std::initializer_list<std::shared_ptr<ui::View>>{
             name_, companyName_, companyAddress_, lastInfoLabel_, time_, iconImageView_,
             infoCount_, anwer_})
        contentView()->addSubview(view);
}

void QXChatListCell::buildFailureRow() {
    netFailBackImage_ = std::make_shared<ui::ImageView>(ui::Rect(0, 0, 320, kRowHeight));
    netFailBackImage_->setImage(ui::Image::imageWithColor(ui::Color::whiteColor(), {1, 1}));
    contentView()->addSubview(netFailBackImage_);
    auto notice = makeChatLabel({15, 18, 200, 20}, ui::Font::systemFontOfSize(15),
                                ui::Color::rgb(200, 60, 50));
    notice->setText(QStringLiteral("网络连接不可用"));
    contentView()->addSubview(notice);
    auto hint = makeChatLabel({15, 42, 200, 18}, ui::Font::systemFontOfSize(12), grey());
    hint->setText(QStringLiteral("请检查网络设置后重试"));
    contentView()->addSubview(hint);
    retry_ = std::make_shared<ui::Button>(ui::Rect(236, 23, 70, 32));
    retry_->setTitle(QStringLiteral("重试"), ui::kControlStateNormal);
    retry_->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
    retry_->setBackgroundColor(ui::Color::rgb(86, 186, 34));
    retry_->layer()->setCornerRadius(4);
    retry_->setFont(ui::Font::systemFontOfSize(14));
    contentView()->addSubview(retry_);
}

void QXChatListCell::reTryNetConnection() {
    ns::NotificationCenter::defaultCenter().post(kCheckNetWorkNotification);
}

std::optional<QString> QXChatListCell::previewOf(const QString& contents, bool* typed) {
    *typed = false;
    if (contents.isEmpty()) return std::nullopt;
    const QVariant first = json_JSON(QVariant(contents)).toList().value(0);
    if (first.typeId() == QMetaType::QString) return first.toString();
    if (first.typeId() != QMetaType::QVariantList) return std::nullopt;
    *typed = true;
    const QString kind = first.toList().value(0).toString();
    if (kind == QStringLiteral("url")) return QStringLiteral("[房源]");
    if (kind == QStringLiteral("sound")) return QStringLiteral("[语音]");
    if (kind == QStringLiteral("pic")) return QStringLiteral("[图片]");
    if (kind == QStringLiteral("notice")) return QStringLiteral("[系统通知]");
    return QStringLiteral("");
}

void QXChatListCell::setChatListCellWithDic(const QXBrokerItem& item) {
    anwer_->setHidden(!isPubToView);
    name_->setText(item.BrokerNameString);
    companyAddress_->setText(item.BrokerCompanyAddress);
    companyName_->setText(item.BrokerCompanyName);
    for (ui::Label* sized : {name_.get(), companyAddress_.get()}) {
        ui::Rect frame = sized->frame();
        frame.size = measured(*sized);
        sized->setFrame(frame);
    }
    ui::Rect company = companyName_->frame();
    company.size.width = measured(*companyName_).width;
    companyName_->setFrame(company);
    ui::Rect address = companyAddress_->frame();
    address.origin.x =
        company.origin.x + company.size.width + (item.BrokerCompanyName.isEmpty() ? 0 : 8);
    companyAddress_->setFrame(address);

    bool typed = false;
    if (const auto preview = previewOf(item.BrokerContent, &typed)) {
        lastInfoLabel_->setText(*preview);
        lastInfoLabel_->setTextColor(typed ? ui::Color::rgb(86, 186, 34) : grey());
    }

    const int unread = item.BrokerTipCount.toInt();
    const ui::Rect nameFrame = name_->frame();
    const double x = nameFrame.origin.x + nameFrame.size.width + 12;
    const double width = unread < 10 ? 22 : 30.5;
    iconImageView_->setFrame({x, nameFrame.origin.y - 3, width, 22});
    infoCount_->setFrame({x, nameFrame.origin.y - 4, width, 22});
    infoCount_->setText(unread > 99 ? QStringLiteral("99+") : QString::number(unread));
    iconImageView_->setHidden(unread == 0);
    infoCount_->setHidden(unread == 0);

    time_->setText(timeToNow(item.BrokerTime));

    const auto fallback = MapArtwork::imageNamed(QStringLiteral("默认头像.png"));
    if (item.BrokerImageUrl.isEmpty()) {
        HeadImage_->cancelRequest();
        HeadImage_->setImage(fallback);
        return;
    }
    const QString address2 = item.BrokerImageUrl.startsWith(QStringLiteral("file://"))
                                 ? item.BrokerImageUrl.mid(7)
                                 : item.BrokerImageUrl;
    const QString clipped = TextChecks::clipedImageURLString(address2, kPictureSize, kPictureSize);
    if (item.BrokerImageUrl.startsWith(QStringLiteral("file://"))) {
        // Only a plain name in the picture cache, else a picture of the app's own.
        const QString name = clipped.section(QLatin1Char('/'), -1);
        const QString cached = QXIMUtil::getPicCacheDirectory() + QLatin1Char('/') + name;
        HeadImage_->cancelRequest();
        const auto local = ns::FileManager::fileExistsAtPath(cached)
                               ? PictureFileCache::pictureAt(cached)
                               : ui::Image::imageNamed(name);
        HeadImage_->setImage(local ? local : fallback);
        return;
    }
    HeadImage_->requestURL(clipped);
}

QString QXChatListCell::timeToNow(const QString& time) {
    const qint64 then = time.toLongLong();
    const qint64 now = qint64(std::floor(ns::Clock::shared().timeIntervalSince1970()));
    const qint64 d = now - then;
    const QDateTime date = QDateTime::fromSecsSinceEpoch(then).toLocalTime();
    if (d < 0) return QStringLiteral("刚刚");
    if (d <= 3600) return date.toString(QStringLiteral("HH:mm"));
    if (d <= 86400) return QStringLiteral("%1小时前").arg(d / 3600 + 1);
    if (d < 259201) return QStringLiteral("%1天前").arg(d / 86400 + 1);
    return date.toString(QStringLiteral("MM-dd"));
}

QDateTime QXChatListCell::dateFromString(const QString& text) {
    return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString QXChatListCell::stringFromDate(const QDateTime& date) {
    return QLocale().toString(date, QStringLiteral("yyyy-MM-dd HH:mm:ss t"));
}
