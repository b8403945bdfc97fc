// The sections of the post detail, one below the other by the running position `y_`.
#include "houses/HousesNavigation.h"
#include "houses/detail/QXDetailFormate.h"
#include "houses/detail/QXPostDetailNew.h"
#include "houses/detail/QXPostDetailPriceView.h"
#include "houses/shared/QXLabel.h"
#include "map/QXMapView.h"
#include "net/QXDESCode.h"
#include "platform/foundation/property_list.h"
#include "platform/foundation/sandbox.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/pasteboard.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/text_layout.h"
#include "ui/widgets/AlertMessages.h"
#include "util/TextChecks.h"
#include "util/categories/TextCharacters.h"
#include "util/categories/Tolerant.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const ui::Color kLabelGrey = ui::Color::colorWithWhite(0.6);
const ui::Color kTextGrey = ui::Color::colorWithWhite(0.2);
const ui::Color kPriceOrange = ui::Color::colorWithRed(247.0 / 255, 0.498, 0);
constexpr double kStripHeight = 111;
constexpr double kStripAdvance = 114;
constexpr double kDetailTitleWidth = 300;
constexpr double kTitleLineWidth = 304;
constexpr int kFacilitiesPerRow = 4;
constexpr double kFacilityWidth = 75;
constexpr double kFacilityHeight = 30;

// Where a line of `text` that is `width` wide ends, its characters measured one by one in
// `font`: before the character that takes them past the width, or before an earlier one when
// a line may not end there (a closing mark goes down with the character before it); the
// text's end when all fit. Only the characters up to it are measured.
qsizetype firstLineEnd(const QString& text, const ui::Font& font, double width) {
    std::vector<qsizetype> starts;
    double measured = 0;
    qsizetype at = 0;
    bool overflows = false;
    TextCharacters::walk(text, [&](QStringView character) {
        measured += ui::StringDrawing::sizeWithFont(character.toString(), font).width;
        starts.push_back(at);
        if (measured > width) {
            overflows = true;
            return false;
        }
        at += character.size();
        return true;
    });
    if (!overflows) return text.size();
    for (auto end = starts.rbegin(); end != starts.rend() && *end > 0; ++end) {
        if (ui::TextLayout::mayBreakBefore(text, *end)) return *end;
    }
    return starts.back();
}

bool isPriceLabel(const QString& label) {
    static const QStringList labels{QStringLiteral("售价"), QStringLiteral("租金"),
                                    QStringLiteral("价格"), QStringLiteral("费用"),
                                    QStringLiteral("薪金待遇")};
    return labels.contains(label);
}

QString firstKey(const QVariant& row) {
    const QVariantMap map = row.toMap();
    return map.isEmpty() ? QString() : map.firstKey();
}

QString firstValue(const QVariant& row) {
    const QVariantMap map = row.toMap();
    return map.isEmpty() ? QString() : map.first().toString();
}

bool hasRows(const QVariantMap& content, const char* key) {
    return !content.value(QString::fromLatin1(key)).toList().isEmpty();
}

std::shared_ptr<ui::Image> stretchedFromMiddle(const QString& name) {
    auto image = ui::Image::imageNamed(name);
    if (!image) return nullptr;
    return image->stretchableImageWithLeftCapWidth(int(image->size().width / 2),
                                                   int(image->size().height / 2));
}

std::shared_ptr<ui::Label> textLabel(const ui::Rect& frame, const QString& text, double size,
                                     const ui::Color& colour) {
    auto label = std::make_shared<ui::Label>(frame);
    label->setText(text);
    label->setFont(ui::Font::systemFontOfSize(size));
    label->setTextColor(colour);
    label->setBackgroundColor(ui::Color::clearColor());
    return label;
}

// The facilities the grid names, in display order: {"key", "value"} entries of the
// resource "QXFangPeizhi".
const QVariantList& facilityList() {
    static const QVariantList list =
        ns::arrayWithContentsOfFile(
            ns::Bundle::pathForResource(QStringLiteral("QXFangPeizhi"), QStringLiteral("plist")))
            .value_or(QVariantList());
    return list;
}

// The photo URLs of a comma-separated text, at most `limit`.
QStringList photosOf(const QString& text, int limit) {
    QStringList photos = text.split(u',', Qt::SkipEmptyParts);
    if (photos.size() > limit) photos = photos.mid(0, limit);
    return photos;
}

}  // namespace

void QXPostDetailNew::addSubview(const std::shared_ptr<ui::View>& view) {
    pageContent_->addSubview(view);
}

void QXPostDetailNew::resetMainScrollView() {
    if (mapView_) mapView_->removeFromSuperview();
    mapView_.reset();
    for (auto* pull : {&headerRefreshView_, &footerRefreshView_}) {
        if (*pull) (*pull)->removeFromSuperview();
        pull->reset();
    }
    mainScrollView_->setContentInset({});
    if (bottomView_) bottomView_->removeFromSuperview();
    bottomView_.reset();
    if (pageContent_) pageContent_->removeFromSuperview();
    pageContent_ = std::make_shared<ui::View>(ui::Rect(0, 0, kWidth, 0));
    pageContent_->setBackgroundColor(ui::Color::clearColor());
    mainScrollView_->addSubview(pageContent_);
    y_ = 0;
}

void QXPostDetailNew::CreateDefaultDetailInfo() {
    if (!mainScrollView_) return;
    resetMainScrollView();
    addTitleView();
    addTopPhotoStrip();
    addInfoKeyView();
    if (Tolerant(QVariant(contentDict_))["premier_status"].intValue() == 102) addFangXinFangView();
    if (hasRows(viewContentDict_, "info")) {
        y_ += 5;
        addLine();
    }
    if (addPeizhiView()) {
        y_ += 5;
        addLine();
    }
    const bool detailFirst = masterIndex_ == 7 && (majorIndex_ == 1 || majorIndex_ == 3 ||
                                                   majorIndex_ == 5 || majorIndex_ == 12);
    if (detailFirst) {
        addDetailInfoView(QStringLiteral("detail"));
        if (hasRows(viewContentDict_, "detail")) {
            y_ += 6;
            addLine();
        }
        if (addXiaoqu()) {
            y_ += 10;
            addLine();
        }
    }
    addAddressView();
    if (hasRows(viewContentDict_, "address")) y_ -= 5;
    addMapView();
    if (hasRows(viewContentDict_, "address") ||
        !viewContentDict_.value(QStringLiteral("map")).toString().isEmpty()) {
        y_ += 8;
        addLine();
    }
    if (!detailFirst) {
        addDetailInfoView(QStringLiteral("detail"));
        if (hasRows(viewContentDict_, "detail")) {
            y_ += 8;
            addLine();
        }
    }
    addTipView();
    y_ = std::max(y_, mainScrollView_->frame().size.height);
    pageContent_->setFrame({0, 0, kWidth, y_ + 47});
    mainScrollView_->setContentSize({kWidth, y_ + 47});
    if (list_.lock() && !headerRefreshView_) addRefreshViews();
    if (auto* table = dynamic_cast<ui::TableView*>(mainScrollView_.get())) {
        table->reloadData();
    } else if (isShowBar_) {
        addBottomBar();
    }
}

void QXPostDetailNew::addRefreshViews() {
    const double height = mainScrollView_->frame().size.height;
    const double width = view()->bounds().size.width;
    headerRefreshView_ = std::make_shared<GRefreshTableView>(ui::Rect(0, -height, width, height));
    headerRefreshView_->setStatusLabelTexts(
        {{GRefreshTableView::kNormalKey, QStringLiteral("下拉可显示上一条")},
         {GRefreshTableView::kPullingKey, QStringLiteral("松手显示上一条")},
         {GRefreshTableView::kLoadingKey, QStringLiteral("正在加载....")}});
    footerRefreshView_ = std::make_shared<GRefreshTableView>(
        ui::Rect(0, mainScrollView_->contentSize().height, width, height),
        GRefreshTableView::kFooter);
    footerRefreshView_->setStatusLabelTexts(
        {{GRefreshTableView::kNormalKey, QStringLiteral("上拉可显示下一条")},
         {GRefreshTableView::kPullingKey, QStringLiteral("松手显示下一条")},
         {GRefreshTableView::kLoadingKey, QStringLiteral("正在加载....")}});
    for (const auto& pull : {headerRefreshView_, footerRefreshView_}) {
        pull->setDelegate(weakAs<QXPostDetailNew>());
        mainScrollView_->addSubview(pull);
    }
    mainScrollView_->setContentSize({kWidth, y_ + 47});
    fillRefreshLabels();
}

void QXPostDetailNew::addTitleView() {
    const QString title = contentDict_.value(QStringLiteral("title")).toString();
    const ui::Font font = ui::Font::systemFontOfSize(16);
    // Measured a character at a time, so the split never falls inside one.
    const qsizetype split = firstLineEnd(title, font, kDetailTitleWidth);
    const auto titleLine = [&](const ui::Rect& frame, const QString& text) {
        auto label = textLabel(frame, text, 16, kTextGrey);
        label->setLineBreakMode(ui::LineBreakMode::TruncateTail);
        addSubview(label);
    };
    if (split < title.size()) {
        // The second line's label lays out only as much of the rest as it shows.
        titleLine({8, y_ + 15, kTitleLineWidth, 20}, title.left(split));
        titleLine({8, y_ + 37, kTitleLineWidth, 20}, title.mid(split));
        y_ += 60;
    } else {
        titleLine({12, y_ + 14, 300, 20}, title);
        y_ += 40;
    }
    auto clock = std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("时间icon")));
    clock->setFrame({10, y_ + 4, 12, 12});
    addSubview(clock);
    addSubview(textLabel({24, y_, 200, 20},
                         timeToNow(contentDict_.value(QStringLiteral("postunixtime"))), 14,
                         kLabelGrey));
    auto views = textLabel({188, y_, 120, 20}, viewTimes_, 14, kLabelGrey);
    views->setTextAlignment(ui::TextAlignment::Right);
    views->setTag(kViewCountTag);
    addSubview(views);
    y_ += 25;
}

void QXPostDetailNew::addTitleShadow() {
    y_ += 5;
    addLine();
    y_ += 2;
}

void QXPostDetailNew::addTopPhotoStrip() {
    const QVariantMap& source = isGetDetailFinish_ ? companyContentDict_ : viewContentDict_;
    if (!source.value(QStringLiteral("IsShowTopImage")).toBool() ||
        !viewContentDict_.value(QStringLiteral("haveImage")).toBool()) {
        addTitleShadow();
        return;
    }
    // Opening the whole detail puts back the strip the screen shows already.
    if (!isClickAllDetailBtn_ || !imagePicker_) {
        imagePicker_ = makePhotoStrip(
            {0, y_, kWidth, kStripHeight},
            photosOf(source.value(QStringLiteral("image")).toString(), kMaxPhotos), 0);
    }
    imagePicker_->setFrame({0, y_, kWidth, kStripHeight});
    addSubview(imagePicker_);
    y_ += kStripAdvance;
}

std::shared_ptr<ui::View> QXPostDetailNew::makePhotoStrip(const ui::Rect& frame,
                                                          const QStringList& photoUrls, int style) {
    // A photo tapped opens the pager over this screen, with this screen's post.
    auto strip =
        HousesNavigation::makePhotoStrip(frame, photoUrls, style, weakAs<QXPostDetailNew>().lock());
    strip->setTag(kPhotoStripTag);
    return strip;
}

void QXPostDetailNew::addInfoKeyView() {
    QVariantList rows = viewContentDict_.value(QStringLiteral("info")).toList();
    bool priceOnly = false;
    if (!rows.isEmpty() && isPriceLabel(firstKey(rows.first()))) {
        addPriceView(rows.takeFirst().toMap());
        priceOnly = rows.isEmpty();
    }
    if (!rows.isEmpty()) {
        y_ += 8;
        addArrayInfo(rows);
    } else if (priceOnly) {
        y_ += 5;
    }
}

void QXPostDetailNew::addPriceView(const QVariantMap& row) {
    auto price = std::make_shared<QXPostDetailPriceView>(ui::Rect(12, y_, 300, 23));
    price->setBackgroundColor(ui::Color::clearColor());
    price->setPriceData(row);
    addSubview(price);
    y_ += 23;
}

void QXPostDetailNew::addFangXinFangView() {
    addSubview(textLabel({12, y_, 80, 14}, QStringLiteral("放 心 房:"), 14, kLabelGrey));
    auto badge = std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("放心房")));
    badge->setFrame({85, y_, 15, 15});
    addSubview(badge);
    addSubview(textLabel({103, y_, 230, 14}, QStringLiteral("价格真实,如实描述,真实待租"), 14,
                         ui::Color::blackColor()));
    y_ += 23;
}

int QXPostDetailNew::calLblHeightwithKey(const QString& key, const QString& value) {
    return QXLabel::calLblHeightwithKey(key, value, QXLabel::typeForKey(key), kWidth);
}

void QXPostDetailNew::addArrayInfo(const QVariantList& rows) {
    for (const QVariant& entry : rows) {
        const QString label = firstKey(entry);
        QString value = firstValue(entry);
        if (value.isEmpty()) continue;
        if (label == QXDetailFormate::kImageRow && value == QXDetailFormate::kImageRow) {
            const QString photos =
                companyContentDict_.value(QStringLiteral("ThumbImageUrls")).toString();
            // The strip's place among the rows ends the list only where the strip is drawn.
            if (viewContentDict_.value(QStringLiteral("IsShowTopImage")).toBool() ||
                photos.isEmpty())
                continue;
            addSubview(
                makePhotoStrip({0, y_, kWidth, kStripHeight}, photosOf(photos, kMaxPhotos), 1));
            y_ += kStripAdvance;
            return;
        }
        const ui::Color valueColour = isPriceLabel(label) ? kPriceOrange : kTextGrey;
        if (value.endsWith(u'元') && !value.endsWith(QStringLiteral("万元"))) {
            bool ok = false;
            const double number = value.chopped(1).toDouble(&ok);
            if (ok && number > 10000) value = QString::asprintf("%.1f万元", number / 10000);
        }
        if (label == QStringLiteral("联系电话") && !TextChecks::isPureNumandCharacters(value))
            value = QXDESCode::decryptStr(value);
        const int height = calLblHeightwithKey(label, value);
        auto row = std::make_shared<QXLabel>(label, kLabelGrey, value, valueColour,
                                             ui::Rect(12, y_, 300, height + 1));
        row->setUserInteractionEnabled(false);
        addSubview(row);
        if (label == QLatin1String("QQ")) {
            auto copy = std::make_shared<ui::Button>(ui::Rect(250, y_ - 12, 46, 34));
            copy->setBackgroundImage(stretchedFromMiddle(QStringLiteral("button灰色")),
                                     ui::kControlStateNormal);
            copy->setBackgroundImage(stretchedFromMiddle(QStringLiteral("button灰色点击态")),
                                     ui::kControlStateHighlighted);
            copy->setTitle(QStringLiteral("复制"), ui::kControlStateNormal);
            copy->setTitleColor(valueColour, ui::kControlStateNormal);
            copy->setFont(ui::Font::systemFontOfSize(12));
            copy->addTarget(this, ui::kControlEventTouchUpInside,
                            [this](ui::Control&, const ui::Event*) { copyQQ(); });
            QQString_ = value;
            addSubview(copy);
        }
        y_ += height;
    }
}

void QXPostDetailNew::copyQQ() {
    if (QQString_.isEmpty()) return;
    ui::Pasteboard::generalPasteboard().setString(QQString_);
    AlertMessages::showAlertViewWithAlertString(QStringLiteral("您已成功复制此QQ至剪贴板"));
}

bool QXPostDetailNew::addPeizhiView() {
    const QVariant peizhi = viewContentDict_.value(QStringLiteral("peizhi"));
    const QVariant keysText = peizhi.toMap().value(QStringLiteral("v"));
    if (peizhi.typeId() != QMetaType::QVariantMap || keysText.typeId() != QMetaType::QString)
        return false;
    const QStringList keys = keysText.toString().split(u',', Qt::SkipEmptyParts);
    if (keys.isEmpty()) return false;
    y_ += 8;
    addSubview(textLabel({12, y_, 80, 14}, QStringLiteral("房屋配置:"), 14, kLabelGrey));
    y_ += 14;
    const QVariantList& facilities = facilityList();
    auto checked = ui::Image::imageNamed(QStringLiteral("房源选择"));
    auto unchecked = ui::Image::imageNamed(QStringLiteral("房源未选择"));
    for (int i = 0; i < int(facilities.size()); ++i) {
        const QVariantMap entry = facilities[i].toMap();
        const ui::Rect cell(10 + (i % kFacilitiesPerRow) * kFacilityWidth, y_, kFacilityWidth,
                            kFacilityHeight);
        auto icon = std::make_shared<ui::ImageView>(
            keys.contains(entry.value(QStringLiteral("key")).toString()) ? checked : unchecked);
        const ui::Size size = icon->image() ? icon->image()->size() : ui::Size(14, 14);
        icon->setFrame({cell.origin.x, cell.origin.y + (kFacilityHeight - size.height) / 2,
                        size.width, size.height});
        addSubview(icon);
        addSubview(textLabel({cell.origin.x + size.width + 4, cell.origin.y,
                              kFacilityWidth - size.width - 4, kFacilityHeight},
                             entry.value(QStringLiteral("value")).toString(), 13, kTextGrey));
        if (i % kFacilitiesPerRow == kFacilitiesPerRow - 1) y_ += kFacilityHeight;
    }
    // An incomplete last row takes its height too, so the line below never crosses it.
    if (facilities.size() % kFacilitiesPerRow != 0) y_ += kFacilityHeight;
    return true;
}

bool QXPostDetailNew::showsWholeDetailButton() const {
    if (isClickAllDetailBtn_) return false;
    if (contentDict_.value(QStringLiteral("description"))
            .toString()
            .contains(QStringLiteral("...")))
        return true;
    return Tolerant(QVariant(contentDict_))["image_count"].intValue() >= 1 &&
           viewContentDict_.value(QStringLiteral("haveImage")).toBool() &&
           !viewContentDict_.value(QStringLiteral("IsShowTopImage")).toBool();
}

void QXPostDetailNew::addDetailInfoView(const QString& key) {
    const QVariantList rows =
        (isGetDetailFinish_ && isClickAllDetailBtn_ ? companyContentDict_ : viewContentDict_)
            .value(key)
            .toList();
    if (!rows.isEmpty()) {
        if (!viewContentDict_.value(key).toList().isEmpty()) y_ += 8;
        addArrayInfo(rows);
    }
    if (!showsWholeDetailButton()) return;
    const double width = ui::Screen::mainScreen().bounds().width() - 24;
    auto button = std::make_shared<ui::Button>(ui::Rect(12, y_, width, 47));
    button->setTag(kWholeDetailButtonTag);
    button->setBackgroundImage(stretchedFromMiddle(QStringLiteral("单条点击")),
                               ui::kControlStateNormal);
    auto arrow =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("详情页下箭头")));
    const ui::Size size = arrow->image() ? arrow->image()->size() : ui::Size(16, 9);
    arrow->setFrame({(width - size.width) / 2, 18, size.width, size.height});
    arrow->setUserInteractionEnabled(false);
    button->addSubview(arrow);
    button->addTarget(this, ui::kControlEventTouchUpInside,
                      [this](ui::Control&, const ui::Event*) { detailOpenBtnEvent(); });
    addSubview(button);
    y_ += 47;
}

void QXPostDetailNew::detailOpenBtnEvent() {
    if (!isGetDetailFinish_) return;
    isClickAllDetailBtn_ = true;
    CreateDefaultDetailInfo();
}

bool QXPostDetailNew::addXiaoqu() {
    const QVariant community = viewContentDict_.value(QStringLiteral("xiaoqu"));
    if (!community.isValid()) return false;
    y_ += 10;
    addActionView(kCommunityRowTag, [this] { goToXiaoquInfo(); });
    auto row =
        std::make_shared<QXLabel>(QStringLiteral("小区名称"), kLabelGrey, community.toString(),
                                  kTextGrey, ui::Rect(12, y_, 290, 20));
    row->setUserInteractionEnabled(false);
    addSubview(row);
    y_ += 20;
    return true;
}

void QXPostDetailNew::addActionView(int tag, std::function<void()> action) {
    auto button = std::make_shared<ui::Button>(ui::Rect(0, y_ - 11, kWidth, 41));
    button->setTag(tag);
    button->setBackgroundImage(ui::Image::imageNamed(QStringLiteral("点击灰色")),
                               ui::kControlStateHighlighted);
    auto arrow = std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("箭头")));
    arrow->setFrame({kWidth - 15 - 4, (41 - 14) / 2.0, 8, 14});
    arrow->setUserInteractionEnabled(false);
    button->addSubview(arrow);
    button->addTarget(this, ui::kControlEventTouchUpInside,
                      [action = std::move(action)](ui::Control&, const ui::Event*) { action(); });
    addSubview(button);
}

void QXPostDetailNew::addAddressView() {
    const QVariantList rows = viewContentDict_.value(QStringLiteral("address")).toList();
    if (masterIndex_ == 7 && majorIndex_ == 5) {
        y_ += 8;
        auto average = std::make_shared<QXLabel>(QStringLiteral("小区均价"), kLabelGrey,
                                                 xiaoquAvgPrice_.value_or(QStringLiteral("  -  ")),
                                                 xiaoquAvgPrice_ ? kPriceOrange : kTextGrey,
                                                 ui::Rect(12, y_, 300, 20));
        average->setUserInteractionEnabled(false);
        addSubview(average);
        y_ += 27;
        addArrayInfo(rows);
        return;
    }
    if (!viewContentDict_.contains(QStringLiteral("address"))) return;
    y_ += 8;
    addArrayInfo(rows);
}

void QXPostDetailNew::addMapView() {
    const QString location = viewContentDict_.value(QStringLiteral("map")).toString();
    if (location.isEmpty()) return;
    y_ += 8;
    mainScrollView_->setUserInteractionEnabled(true);
    mapView_ = std::make_shared<QXMapView>(ui::Rect(8, y_, 304, 67), location,
                                           contentDict_.value(QStringLiteral("title")).toString());
    if (mapView_->mapView()) mapView_->mapView()->setScrollEnabled(false);
    addSubview(mapView_);
    y_ += 67;
}

void QXPostDetailNew::addTipView() {
    y_ += 5;
    if (!viewContentDict_.value(QStringLiteral("tip")).toBool()) return;
    auto box = std::make_shared<ui::ImageView>(ui::Rect(8, y_, 304, 140));
    box->setImage(stretchedFromMiddle(QStringLiteral("小提示BG.png")));
    box->setUserInteractionEnabled(true);
    box->addSubview(
        textLabel({75, 38, 100, 25}, kTipHeading, 14, ui::Color::colorWithRed(1, 1.0 / 3, 0)));
    auto text = textLabel({8, 80, 286, 40}, kTipText, 14, kTextGrey);
    text->setNumberOfLines(2);
    box->addSubview(text);
    auto report = std::make_shared<ui::Button>(ui::Rect(220, 35, 75, 30));
    report->setTag(kReportButtonTag);
    report->setImage(ui::Image::imageNamed(QStringLiteral("举报icon.png")),
                     ui::kControlStateNormal);
    report->setTitle(QStringLiteral(" 举报"), ui::kControlStateNormal);
    report->setTitleColor(kTextGrey, ui::kControlStateNormal);
    report->setFont(ui::Font::systemFontOfSize(14));
    report->setBackgroundImage(stretchedFromMiddle(QStringLiteral("举报.png")),
                               ui::kControlStateNormal);
    report->setBackgroundImage(stretchedFromMiddle(QStringLiteral("举报-点击态.png")),
                               ui::kControlStateHighlighted);
    report->addTarget(this, ui::kControlEventTouchUpInside,
                      [this](ui::Control&, const ui::Event*) { gotoReport(); });
    box->addSubview(report);
    addSubview(box);
    y_ += 160;
}

void QXPostDetailNew::addLine() {
    auto line = std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("分割线")));
    line->setFrame({8, y_, 304, 2});
    addSubview(line);
    y_ += 2;
}
