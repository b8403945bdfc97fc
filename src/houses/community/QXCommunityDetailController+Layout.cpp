// The community page's layout: the sections stacked from the top of the scroll view by the
// running position y_, each from the kept data.
#include "analytics/StatClick.h"
#include "houses/community/QXChartView.h"
#include "houses/community/QXCommunityDetailController.h"
#include "houses/community/QXCommunityImageView.h"
#include "houses/community/QXLeisiFangList.h"
#include "houses/shared/HousesScreen.h"
#include "houses/shared/QXLabel.h"
#include "map/QXMapView.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/string_drawing.h"
#include "ui/image/StretchedImage.h"
#include "util/categories/Tolerant.h"

#include <cmath>

namespace {

using HousesScreen::clearLabel;
using HousesScreen::kWidth;
const ui::Color kKeyGrey = ui::Color::colorWithWhite(0.6);
const ui::Color kValueGrey = ui::Color::colorWithWhite(0.2);
const ui::Color kCommunityOrange = ui::Color::colorWithRed(247 / 255.0, 127 / 255.0, 0);
constexpr double kTitleWidthLimit = 300;
// Introductions longer than this are cut until the "more" button is tapped.
constexpr int kShortIntroduction = 50;
// Fewer price records than this are all charted; from it on, the last six.
constexpr int kChartedRecords = 6;

ui::Font pageFont() {
    return ui::Font::systemFontOfSize(14);
}

// A value that has text: a text of at least one character.
bool hasText(const QVariant& value) {
    return value.typeId() == QMetaType::QString && !value.toString().isEmpty();
}

// A value read as a number; nullopt when it is none (a text that is no number included).
std::optional<double> optionalNumberOf(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return std::nullopt;
    bool read = false;
    const double number = value.typeId() == QMetaType::QString ? value.toString().toDouble(&read)
                                                               : value.toDouble(&read);
    if (!read || !std::isfinite(number)) return std::nullopt;
    return number;
}

// A value as "%@" prints it: a text as it is, a number as its shortest decimal text.
QString printedValue(const QVariant& value) {
    if (value.typeId() == QMetaType::Double) return QString::number(value.toDouble(), 'g', 15);
    return value.toString();
}

// The facility categories in display order, with the facility ids each gathers.
struct FacilityCategory {
    const char16_t* key;
    std::initializer_list<int> ids;
};
const FacilityCategory kFacilityCategories[] = {
    {u"美\u3000\u3000食", {9}}, {u"商场超市", {7, 10}},      {u"医\u3000\u3000院", {8}},
    {u"银\u3000\u3000行", {4}}, {u"公\u3000\u3000交", {13}}, {u"地\u3000\u3000铁", {14}},
    {u"幼 儿 园", {2}},         {u"中 小 学", {1}},          {u"大\u3000\u3000学", {6}}};

}  // namespace

void QXCommunityDetailController::createDefaultDetailInfo() {
    resetMainScrollView();
    addTitleView();
    addAvePriceView();
    separatorStep();
    if (showOtherListEntrance_) {
        const Tolerant record{QVariant(detailData_)};
        const auto countRow = [&](const QString& key, const QString& countKey,
                                  std::function<void()> action) {
            const QVariant count = detailData_.value(countKey);
            if (!hasText(count)) return;
            addQXLabelByKey(key, QStringLiteral("%1套").arg(count.toString()), action);
            separatorStep();
        };
        const auto weak = weakAs<QXCommunityDetailController>();
        countRow(QStringLiteral("二  手 房"), QStringLiteral("sell_num"), [weak] {
            if (auto self = weak.lock()) self->gotoErshoufang();
        });
        countRow(QStringLiteral("出  租 房"), QStringLiteral("rent_num"), [weak] {
            if (auto self = weak.lock()) self->gotoChuzufang();
        });
        countRow(QStringLiteral("合  租 房"), QStringLiteral("share_num"), [weak] {
            if (auto self = weak.lock()) self->gotoHezufang();
        });
    }
    addInfoView();
    separatorStep();
    if (!nearbyInfoData_.isEmpty()) {
        addNearByInfoView();
        separatorStep();
    }
    if (addDetailInfoView()) separatorStep();
    const bool address = addAddressView();
    const bool map = addMapView();
    if (address || map) separatorStep();
    chartView_.reset();
    if (!priceInfoData_.isEmpty()) addChartLineView();
    y_ = std::max(y_, mainScrollView_->frame().size.height);
    mainScrollView_->setContentSize({kWidth, y_ + 50});
}

void QXCommunityDetailController::resetMainScrollView() {
    mainScrollView_->setContentInset({});
    while (!mainScrollView_->subviews().empty())
        mainScrollView_->subviews().back()->removeFromSuperview();
    y_ = 0;
}

void QXCommunityDetailController::separatorStep() {
    y_ += 5;
    addLine();
}

void QXCommunityDetailController::addLine() {
    auto line =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("分割线.png")));
    line->setFrame({8, y_, 304, 2});
    mainScrollView_->addSubview(line);
    y_ += 2;
}

bool QXCommunityDetailController::addTitleView() {
    const double top = y_;
    const QString name = detailData_.value(QStringLiteral("name")).toString();
    const ui::Font font = ui::Font::boldSystemFontOfSize(16);
    // The first character that no longer fits 300 points starts a second line.
    qsizetype split = -1;
    double total = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const double width =
            ui::StringDrawing::sizeWithFont(name.mid(i, 1), font, ui::Size(175, 20)).width;
        total = std::floor(total) + width;
        if (total > kTitleWidthLimit) {
            split = i;
            break;
        }
    }
    const auto titleLabel = [&](const ui::Rect& frame, const QString& text) {
        auto label = clearLabel(frame, font, kValueGrey);
        label->setNumberOfLines(1);
        label->setMinimumFontSize(16);
        label->setText(text);
        mainScrollView_->addSubview(label);
    };
    if (split < 0) {
        titleLabel({12, top + 14, 300, 20}, name);
        y_ = top + 40;
    } else {
        titleLabel({12, top + 15, 300, 20}, name.left(split));
        titleLabel({12, top + 37, 300, 20}, name.mid(split));
        y_ = top + 62;
    }
    const QVariant finishedAt = detailData_.value(QStringLiteral("finish_at"));
    auto completion = clearLabel({12, y_ + 5.5, 200, 14}, pageFont(), kKeyGrey);
    completion->setText(QStringLiteral("竣工时间: %1")
                            .arg(hasText(finishedAt) ? finishedAt.toString() : kNoInformation));
    mainScrollView_->addSubview(completion);
    auto propertyType = clearLabel({185, y_ + 5.5, 120, 14}, pageFont(), kKeyGrey);
    propertyType->setTextAlignment(ui::TextAlignment::Right);
    propertyType->setTag(kPropTypeTag);
    propertyType->setText(printedValue(detailData_.value(QStringLiteral("prop_type"))));
    mainScrollView_->addSubview(propertyType);
    y_ += 25;
    return true;
}

bool QXCommunityDetailController::addAvePriceView() {
    const QVariant thumb = detailData_.value(QStringLiteral("thumb_image"));
    const bool picture = hasText(thumb);
    const double height = picture ? 111 : 30;
    y_ += 5;
    if (!imagePicker_) {
        imagePicker_ = std::make_shared<QXCommunityImageView>(
            ui::Rect(0, y_, kWidth, height), picture ? 1 : 0,
            picture ? imageURL(thumb.toString()) : QString());
    } else {
        imagePicker_->setFrame({0, y_, kWidth, height});
    }
    mainScrollView_->addSubview(imagePicker_);
    const Tolerant record{QVariant(detailData_)};
    if (detailData_.contains(QStringLiteral("avg_price")) && record["avg_price"].intValue() >= 1) {
        imagePicker_->setAvgPrice(QStringLiteral("%1元/㎡").arg(
            printedValue(detailData_.value(QStringLiteral("avg_price")))));
    }
    if (detailData_.contains(QStringLiteral("avg_price_change"))) {
        imagePicker_->setAvgPriceChange(
            printedValue(detailData_.value(QStringLiteral("avg_price_change"))));
    }
    imagePicker_->setTarget(sharedAs<QXCommunityDetailController>());
    if (imagePicker_->type() == 1) imagePicker_->setAllImageURL(photoInfoData_);
    y_ += imagePicker_->frame().size.height;
    return true;
}

std::shared_ptr<QXLabel> QXCommunityDetailController::addQXLabelByKey(const QString& key,
                                                                      const QString& value,
                                                                      const ui::Rect& frame,
                                                                      int type) {
    const double measured = QXLabel::calLblHeightwithKey(key, value, type, kWidth) + 1;
    auto label =
        std::make_shared<QXLabel>(key, kKeyGrey, value, kValueGrey,
                                  ui::Rect(frame.origin.x, frame.origin.y, frame.size.width,
                                           std::max(measured, frame.size.height)),
                                  type);
    mainScrollView_->addSubview(label);
    return label;
}

bool QXCommunityDetailController::addQXLabelByKey(const QString& key, const QString& value,
                                                  const std::function<void()>& clickedAction) {
    y_ += 10;
    const double height = QXLabel::calLblHeightwithKey(key, value, 0, kWidth);
    mainScrollView_->addSubview(std::make_shared<QXLabel>(key, kKeyGrey, value, kValueGrey,
                                                          ui::Rect(12, y_, 300, height + 1), 0));
    addActionView(clickedAction);
    y_ += height;
    return true;
}

void QXCommunityDetailController::addActionView(const std::function<void()>& action) {
    auto button = std::make_shared<ui::Button>(ui::Rect(0, y_ - 11, kWidth, 41));
    button->setExclusiveTouch(true);
    button->setBackgroundColor(ui::Color::clearColor());
    button->setBackgroundImage(ui::Image::imageNamed(QStringLiteral("点击灰色.png")),
                               ui::kControlStateHighlighted);
    button->addTarget(this, ui::kControlEventTouchUpInside,
                      [action](ui::Control&, const ui::Event*) { action(); });
    auto arrow = std::make_shared<ui::ImageView>(ui::Rect(0, 0, 8, 14));
    arrow->setImage(ui::Image::imageNamed(QStringLiteral("箭头.png")));
    arrow->setCenter({button->frame().size.width - 15, button->frame().size.height / 2});
    button->addSubview(arrow);
    mainScrollView_->addSubview(button);
}

void QXCommunityDetailController::openHouseList(const QString& event, int majorId,
                                                const QString& title) {
    StatClick::event(event);
    auto list = std::make_shared<QXLeisiFangList>(7, majorId, title, pushData(), true);
    list->setDomainValue(detailData_.value(QStringLiteral("city")).toString());
    if (ui::NavigationController* navigation = navigationController())
        navigation->pushViewController(list, true);
}

void QXCommunityDetailController::gotoErshoufang() {
    openHouseList(QStringLiteral("xiaoqu_bn_sold"), 5, QStringLiteral("二手房"));
}

void QXCommunityDetailController::gotoChuzufang() {
    openHouseList(QStringLiteral("xiaoqu_bn_rent"), 1, QStringLiteral("出租房"));
}

void QXCommunityDetailController::gotoHezufang() {
    openHouseList(QStringLiteral("xiaoqu_bn_rentshare"), 3, QStringLiteral("合租房"));
}

bool QXCommunityDetailController::addInfoView() {
    y_ += 7;
    const auto fact = [this](const QString& key) {
        const QVariant value = detailData_.value(key);
        return hasText(value) ? value.toString() : kNoInformation;
    };
    for (const auto& [key, field] :
         {std::pair{QStringLiteral("开  发 商"), QStringLiteral("developer")},
          std::pair{QStringLiteral("物业公司"), QStringLiteral("prop_company")},
          std::pair{QStringLiteral("停  车 位"), QStringLiteral("parking")}}) {
        y_ += addQXLabelByKey(key, fact(field), ui::Rect(12, y_, 300, 30))->frame().size.height;
    }
    const auto ratio = [this](const QString& field) -> std::optional<double> {
        const auto number = optionalNumberOf(detailData_.value(field));
        if (!number || *number <= 0.00001) return std::nullopt;
        return number;
    };
    const auto plot = ratio(QStringLiteral("plot_ratio"));
    const auto green = ratio(QStringLiteral("green_ratio"));
    if (plot) {
        addQXLabelByKey(QStringLiteral("容  积 率"),
                        printedValue(detailData_.value(QStringLiteral("plot_ratio"))),
                        ui::Rect(12, y_, 150, 30));
    }
    if (green) {
        addQXLabelByKey(QStringLiteral("绿  化 率"), QString::asprintf("%.0f%%", *green * 100),
                        ui::Rect(plot ? 162 : 12, y_, 150, 30));
    }
    if (plot || green) y_ += 30;
    const double feeHeight =
        addQXLabelByKey(QStringLiteral("物  业 费"), fact(QStringLiteral("prop_fee")),
                        ui::Rect(12, y_, 300, 30))
            ->frame()
            .size.height;
    y_ += feeHeight - 5;
    return true;
}

void QXCommunityDetailController::nearbyTitleLabel(const QString& title) {
    auto label = clearLabel({12, y_, 200, 30}, pageFont(), kCommunityOrange);
    label->setText(title);
    mainScrollView_->addSubview(label);
}

void QXCommunityDetailController::moreButtonByAction(const std::function<void()>& action) {
    const double screenWidth = ui::Screen::mainScreen().bounds().size.width;
    auto button = std::make_shared<ui::Button>(ui::Rect(12, y_, screenWidth - 24, 47));
    button->setBackgroundImage(StretchedImage::fromCentre(QStringLiteral("单条点击.png")),
                               ui::kControlStateHighlighted);
    button->addTarget(this, ui::kControlEventTouchUpInside,
                      [action](ui::Control&, const ui::Event*) { action(); });
    auto arrow =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("详情页下箭头.png")));
    const ui::Size size = arrow->image() ? arrow->image()->size() : ui::Size();
    arrow->setFrame({(screenWidth - size.width - 20) / 2, 18, size.width, size.height});
    button->addSubview(arrow);
    mainScrollView_->addSubview(button);
    y_ += 47;
}

bool QXCommunityDetailController::addNearByInfoView() {
    if (nearbyInfoData_.isEmpty()) return false;
    nearbyTitleLabel(QStringLiteral("周边配套"));
    y_ += 30;
    QStringList texts(int(std::size(kFacilityCategories)));
    for (const QVariant& entry : nearbyInfoData_) {
        const QVariantMap facility = entry.toMap();
        if (!optionalNumberOf(facility.value(QStringLiteral("equip_id")))) continue;
        const int id = Tolerant(facility.value(QStringLiteral("equip_id"))).intValue();
        const QString content = printedValue(facility.value(QStringLiteral("content")));
        for (std::size_t category = 0; category < std::size(kFacilityCategories); ++category) {
            const auto& ids = kFacilityCategories[category].ids;
            if (std::find(ids.begin(), ids.end(), id) == ids.end()) continue;
            QString& text = texts[qsizetype(category)];
            if (!text.isEmpty() && !content.isEmpty()) text += u',';
            text += content;
        }
    }
    int shown = 0;
    int withText = 0;
    for (std::size_t category = 0; category < std::size(kFacilityCategories); ++category) {
        const QString& text = texts[qsizetype(category)];
        if (text.isEmpty()) continue;
        ++withText;
        if (!isClickedAllNearbyInfoBtn_ && shown >= 3) continue;
        ++shown;
        y_ += addQXLabelByKey(QString::fromUtf16(kFacilityCategories[category].key), text,
                              ui::Rect(12, y_, 300, 30), 2)
                  ->frame()
                  .size.height;
    }
    y_ -= 5;
    if (withText >= 4 && !isClickedAllNearbyInfoBtn_) {
        moreButtonByAction([weak = weakAs<QXCommunityDetailController>()] {
            if (auto self = weak.lock()) self->nearbyInfoOpenBtnEvent();
        });
    }
    return true;
}

bool QXCommunityDetailController::addDetailInfoView() {
    const QVariant description = detailData_.value(QStringLiteral("description"));
    QString text = description.typeId() == QMetaType::QString ? description.toString() : QString();
    bool cut = false;
    if (!isClickedAllDetailBtn_ && text.size() > kShortIntroduction) {
        text = text.left(kShortIntroduction) + QStringLiteral("...");
        cut = true;
    }
    if (text.isEmpty()) return false;
    y_ += 10;
    y_ += addQXLabelByKey(QStringLiteral("小区介绍"), text, ui::Rect(12, y_, 300, 40), 2)
              ->frame()
              .size.height;
    if (cut) {
        moreButtonByAction([weak = weakAs<QXCommunityDetailController>()] {
            if (auto self = weak.lock()) self->detailOpenBtnEvent();
        });
    }
    return true;
}

void QXCommunityDetailController::nearbyInfoOpenBtnEvent() {
    isClickedAllNearbyInfoBtn_ = true;
    createDefaultDetailInfo();
}

void QXCommunityDetailController::detailOpenBtnEvent() {
    isClickedAllDetailBtn_ = true;
    createDefaultDetailInfo();
}

bool QXCommunityDetailController::addAddressView() {
    y_ += 7;
    bool drew = false;
    if (!communityInArea_.isEmpty()) {
        y_ +=
            addQXLabelByKey(QStringLiteral("所在区域"), communityInArea_, ui::Rect(12, y_, 300, 30))
                ->frame()
                .size.height;
        drew = true;
    }
    const QVariant address = detailData_.value(QStringLiteral("address"));
    if (hasText(address)) {
        y_ += addQXLabelByKey(QStringLiteral("小区地址"), address.toString(),
                              ui::Rect(12, y_, 300, 30))
                  ->frame()
                  .size.height;
        return true;
    }
    if (!drew) y_ -= 7;
    return drew;
}

bool QXCommunityDetailController::addMapView() {
    QString location = detailData_.value(QStringLiteral("latlng")).toString();
    if (location.isEmpty()) return false;
    if (location.startsWith(u'b') || location.startsWith(u'B')) location.remove(0, 1);
    const QStringList parts = location.split(u',');
    if (parts.size() != 2) return false;
    y_ += 10;
    mainScrollView_->setUserInteractionEnabled(true);
    mainScrollView_->addSubview(
        std::make_shared<QXMapView>(ui::Rect(15, y_, 290, 90), parts[1] + u',' + parts[0],
                                    detailData_.value(QStringLiteral("name")).toString()));
    y_ += 90;
    return true;
}

void QXCommunityDetailController::addChartLineView() {
    auto title = clearLabel({12, y_ + 5, 304, 20}, pageFont(), kCommunityOrange);
    title->setText(
        QStringLiteral("%1房价走势").arg(detailData_.value(QStringLiteral("name")).toString()));
    mainScrollView_->addSubview(title);
    y_ += 30;
    chartView_ = std::make_shared<QXChartView>(ui::Rect(8, y_, 304, 120));
    chartView_->setBackgroundColor(ui::Color::clearColor());
    chartView_->setVerticalKey(QStringLiteral("avg_price"));
    chartView_->setHorizontalKey(QStringLiteral("record_time"));
    const QVariantList charted = priceInfoData_.size() <= kChartedRecords
                                     ? priceInfoData_
                                     : priceInfoData_.mid(priceInfoData_.size() - kChartedRecords);
    chartView_->setGroupsData({QVariant(charted)});
    mainScrollView_->addSubview(chartView_);
    y_ += 120;
}
