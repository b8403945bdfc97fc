#include "needs/StreetSelect.h"

#include "needs/DistrictSelect.h"

#include "location/tovikCitylog.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "util/categories/Tolerant.h"

#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/table_view_cell.h"

namespace {

const QString kStreetCellId = QStringLiteral("Cell");

}  // namespace

StreetSelect::StreetSelect() : FilterSheetScreen(DistrictSelect::kShadowTag) {
    setHidesBottomBarWhenPushed(true);
}

void StreetSelect::viewDidLoad() {
    FilterSheetScreen::viewDidLoad();
    UIViewControllerNavigation::setNavigationBackButton(*this, [weak = weakAs<StreetSelect>()] {
        auto self = weak.lock();
        if (!self) return;
        if (auto* navigation = self->navigationController())
            navigation->popViewControllerAnimated(true);
    });
    table_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
}

int StreetSelect::numberOfRowsInSection(ui::TableView&, int) {
    return int(streetAry_.size());
}

double StreetSelect::heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) {
    return DistrictSelect::kRowHeight;
}

std::shared_ptr<ui::TableViewCell> StreetSelect::cellForRowAtIndexPath(ui::TableView& table,
                                                                       const ui::IndexPath& path) {
    auto cell = table.dequeueReusableCellWithIdentifier(kStreetCellId);
    if (!cell) {
        cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, kStreetCellId);
        cell->setBackgroundView(rowBackground(QStringLiteral("条中.png"), ui::Color::whiteColor()));
        cell->setSelectedBackgroundView(
            rowBackground(QStringLiteral("条中点击.png"), ui::Color::rgb(220, 220, 220)));
        cell->textLabel()->setFont(ui::Font::systemFontOfSize(14));
        cell->textLabel()->setTextColor(ui::Color::blackColor());
        cell->textLabel()->setTextAlignment(ui::TextAlignment::Left);
        cell->textLabel()->setBackgroundColor(ui::Color::clearColor());
    }
    cell->textLabel()->setText(Tolerant(streetAry_.value(path.row))[QStringLiteral("sn")].toString());
    return cell;
}

void StreetSelect::didSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& path) {
    if (path.row < 0 || path.row >= streetAry_.size()) return;
    const Tolerant street(streetAry_.at(path.row));
    tovikCitylog& choice = tovikCitylog::instance();
    choice.setDistrictName(title());
    choice.setStreetName(street[QStringLiteral("sn")].toString());
    choice.setDistrictId(districtId_);
    choice.setStreetId(street[QStringLiteral("ssi")].toString());
    choice.setIsSelectCityData(true);
    removeShadowStrip();
    closeSheet();
}
