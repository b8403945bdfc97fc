#include "houses/list/DistrictSelect1.h"

#include "houses/list/FilterMainViewControl.h"
#include "location/CityNode.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/table_view_cell.h"
#include "ui/navigation/UIViewController+Navigation.h"

namespace {

// The filter screen that a choice writes back to, if the top controller is one.
std::shared_ptr<FilterMainViewControl> filterScreenOf(
    const std::weak_ptr<ui::ViewController>& top) {
    return std::dynamic_pointer_cast<FilterMainViewControl>(top.lock());
}

}  // namespace

DistrictSelect1::DistrictSelect1(FilterItem filter) : filter_(filter) {
    setHidesBottomBarWhenPushed(true);
}

bool DistrictSelect1::offersStreets(const District& district) {
    return district.index() != -1 && district.Streets.size() != 1;
}

std::vector<std::shared_ptr<District>> DistrictSelect1::districts() const {
    const auto street = currentStreet();
    const auto district = street ? street->parent() : nullptr;
    const auto city = district ? district->parent() : nullptr;
    return city ? city->Districts : std::vector<std::shared_ptr<District>>();
}

void DistrictSelect1::viewDidLoad() {
    FilterSheetScreen::viewDidLoad();
    setTitle(QStringLiteral("选择区域"));
    table_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    auto close = [weak = weakAs<DistrictSelect1>()] {
        if (auto self = weak.lock()) self->popFront();
    };
    if (isCancel_)
        UIViewControllerNavigation::setNavigationLeftButton(*this, close, QStringLiteral("取消"));
    else
        UIViewControllerNavigation::setNavigationBackButton(*this, close);
}

void DistrictSelect1::popFront() {
    removeShadowStrip();
    closeSheet();
}

int DistrictSelect1::numberOfRowsInSection(ui::TableView&, int) {
    return int(districts().size());
}

std::shared_ptr<ui::TableViewCell> DistrictSelect1::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& path) {
    auto cell = table.dequeueReusableCellWithIdentifier(QStringLiteral("SizableImageCellc1"));
    if (!cell) {
        cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default,
                                                   QStringLiteral("SizableImageCellc1"));
        cell->setBackgroundView(
            rowBackground(QStringLiteral("列表信息条.png"), ui::Color::whiteColor()));
        cell->setSelectedBackgroundView(
            rowBackground(QStringLiteral("列表信息条点击.png"), ui::Color::rgb(220, 220, 220)));
        cell->textLabel()->setFont(ui::Font::boldSystemFontOfSize(16));
        cell->textLabel()->setTextColor(ui::Color::blackColor());
        cell->textLabel()->setHighlightedTextColor(ui::Color::rgb(51, 51, 51));
        cell->textLabel()->setBackgroundColor(ui::Color::clearColor());
    }
    const auto all = districts();
    const auto& district = all.at(std::size_t(path.row));
    cell->textLabel()->setText(district->name());
    if (offersStreets(*district)) {
        auto arrow = ui::Image::imageNamed(QStringLiteral("icon右箭头.png"));
        auto accessory = std::make_shared<ui::ImageView>(arrow, arrow);
        accessory->setFrame({291, 18, 9, 13});
        cell->setAccessoryView(accessory);
        cell->setAccessoryType(ui::TableViewCellAccessoryType::DisclosureIndicator);
    } else {
        cell->setAccessoryView(nullptr);
        cell->setAccessoryType(ui::TableViewCellAccessoryType::None);
    }
    return cell;
}

void DistrictSelect1::didSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& path) {
    const auto all = districts();
    if (path.row < 0 || path.row >= int(all.size())) return;
    const auto& district = all[std::size_t(path.row)];
    const auto item = filter_.lock();
    if (item) item->insert(QStringLiteral("firstSectionRow"), path.row);
    if (offersStreets(*district)) {
        auto streets = std::make_shared<StreetSelect1>(item);
        streets->setTopController(topController_);
        if (!district->Streets.empty()) streets->setCurrentStreet(district->Streets.front());
        if (ui::NavigationController* navigation = navigationController()) {
            navigation->pushViewController(streets, true);
        }
        return;
    }
    if (item) item->insert(QStringLiteral("secondSectionRow"), 0);
    const auto top = filterScreenOf(topController_);
    if (!top) return;
    closeSheet();
    top->setCurrentStreet(district->Streets.empty() ? nullptr : district->Streets.front());
    if (top->tableView()) top->tableView()->reloadData();
}

StreetSelect1::StreetSelect1(FilterItem filter) : filter_(filter) {
    setHidesBottomBarWhenPushed(true);
}

void StreetSelect1::viewDidLoad() {
    FilterSheetScreen::viewDidLoad();
    const auto street = currentStreet();
    district_ = street ? street->parent() : nullptr;
    setTitle(district_ ? district_->name() : QString());
    table_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    UIViewControllerNavigation::setNavigationBackButton(*this, [weak = weakAs<StreetSelect1>()] {
        if (auto self = weak.lock()) self->popFront();
    });
}

void StreetSelect1::popFront() {
    if (ui::NavigationController* navigation = navigationController()) {
        navigation->popViewControllerAnimated(true);
    }
}

int StreetSelect1::numberOfRowsInSection(ui::TableView&, int) {
    return district_ ? int(district_->Streets.size()) : 0;
}

std::shared_ptr<ui::TableViewCell> StreetSelect1::cellForRowAtIndexPath(ui::TableView& table,
                                                                        const ui::IndexPath& path) {
    auto cell = table.dequeueReusableCellWithIdentifier(QStringLiteral("StreetSelect1"));
    if (!cell) {
        cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default,
                                                   QStringLiteral("StreetSelect1"));
        cell->setBackgroundView(rowBackground(QStringLiteral("条中.png"), ui::Color::whiteColor()));
        cell->setSelectedBackgroundView(
            rowBackground(QStringLiteral("条中点击.png"), ui::Color::rgb(220, 220, 220)));
        cell->textLabel()->setFont(ui::Font::boldSystemFontOfSize(14));
        cell->textLabel()->setTextAlignment(ui::TextAlignment::Center);
        cell->textLabel()->setBackgroundColor(ui::Color::clearColor());
    }
    cell->textLabel()->setText(district_->Streets.at(std::size_t(path.row))->name());
    return cell;
}

void StreetSelect1::didSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& path) {
    if (!district_ || path.row < 0 || path.row >= int(district_->Streets.size())) return;
    const auto street = district_->Streets[std::size_t(path.row)];
    currentStreet_ = street;
    if (const auto item = filter_.lock())
        item->insert(QStringLiteral("secondSectionRow"), path.row);
    const auto top = filterScreenOf(topController_);
    if (!top) return;
    top->setCurrentStreet(street);
    // Outside a sheet the district list goes too: back to the filter screen.
    closeSheet(top);
    if (top->tableView()) top->tableView()->reloadData();
}
