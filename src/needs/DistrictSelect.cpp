#include "needs/DistrictSelect.h"

#include "needs/SizableImageCellc.h"
#include "needs/StreetSelect.h"

#include "location/tovikCitylog.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "util/categories/Tolerant.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"

namespace {

const QString kCellId = QStringLiteral("Cell");

}  // namespace

DistrictSelect::DistrictSelect() : FilterSheetScreen(kShadowTag) {
    setHidesBottomBarWhenPushed(true);
}

void DistrictSelect::viewDidLoad() {
    FilterSheetScreen::viewDidLoad();
    setTitle(QStringLiteral("选择区域"));
    UIViewControllerNavigation::setNavigationLeftButton(
        *this,
        [weak = weakAs<DistrictSelect>()] {
            if (auto self = weak.lock()) self->close();
        },
        QStringLiteral("取消"));
    table_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    districtAry_ = tovikCitylog::instance().getCityDistrictArray().value_or(QVariantList());
}

void DistrictSelect::close() {
    removeShadowStrip();
    closeSheet();
}

int DistrictSelect::numberOfRowsInSection(ui::TableView&, int) {
    return int(districtAry_.size());
}

std::shared_ptr<ui::TableViewCell> DistrictSelect::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& path) {
    auto cell = table.dequeueReusableCellWithIdentifier(kCellId);
    if (!cell) {
        cell = std::make_shared<SizableImageCellc>(ui::TableViewCellStyle::Default, kCellId);
        cell->setBackgroundView(
            rowBackground(QStringLiteral("列表信息条.png"), ui::Color::whiteColor()));
        cell->setSelectedBackgroundView(
            rowBackground(QStringLiteral("列表信息条点击.png"), ui::Color::rgb(220, 220, 220)));
        cell->textLabel()->setFont(ui::Font::systemFontOfSize(14));
        cell->textLabel()->setTextColor(ui::Color::blackColor());
        cell->textLabel()->setBackgroundColor(ui::Color::clearColor());
        auto arrow = ui::Image::imageNamed(QStringLiteral("icon右箭头.png"));
        cell->setAccessoryView(std::make_shared<ui::ImageView>(arrow, arrow));
    }
    cell->textLabel()->setText(Tolerant(districtAry_.value(path.row))[QStringLiteral("dn")].toString());
    return cell;
}

void DistrictSelect::didSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& path) {
    if (path.row < 0 || path.row >= districtAry_.size()) return;
    const Tolerant district(districtAry_.at(path.row));
    tovikCitylog& choice = tovikCitylog::instance();
    choice.setDistrictName({});
    choice.setStreetName({});
    const QVariantList streets = district[QStringLiteral("ss")].toList();
    if (!streets.isEmpty()) {
        auto list = std::make_shared<StreetSelect>();
        list->setDistrictIndex(path.row);
        list->setTitle(district[QStringLiteral("dn")].toString());
        list->setStreetAry(streets);
        list->setDistrictId(district[QStringLiteral("dsi")].toString());
        if (ui::NavigationController* navigation = navigationController())
            navigation->pushViewController(list, true);
        return;
    }
    choice.setDistrictName(district[QStringLiteral("dn")].toString());
    choice.setDistrictId(district[QStringLiteral("dsi")].toString());
    choice.setStreetId(QStringLiteral("-1"));
    choice.setIsSelectCityData(true);
    close();
}
