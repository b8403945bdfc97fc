#include "needs/QXTempTableViewController.h"

#include "analytics/StatClick.h"
#include "net/QXNetContext.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/ModalSheetViewController.h"
#include "util/categories/Tolerant.h"

#include "platform/foundation/user_defaults.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/table_view_cell.h"

namespace {

const QString kEconomicCellId = QStringLiteral("ShowEconomicInfoCell");

}  // namespace

QXTempTableViewController::QXTempTableViewController() {
    setHidesBottomBarWhenPushed(true);
}

void QXTempTableViewController::setListArray(const QVariantList& rows) {
    listArray_ = rows;
    if (table_) table_->reloadData();
}

void QXTempTableViewController::viewDidLoad() {
    FilterSheetScreen::viewDidLoad();
    UIViewControllerNavigation::setNavigationLeftButton(
        *this,
        [weak = weakAs<QXTempTableViewController>()] {
            if (auto self = weak.lock()) self->dismissSheet();
        },
        QStringLiteral("取消"));
    table_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
}

void QXTempTableViewController::viewWillAppear(bool animated) {
    FilterSheetScreen::viewWillAppear(animated);
    setTitle(QStringLiteral("价格选择"));
    table_->reloadData();
}

void QXTempTableViewController::dismissSheet() {
    if (auto sheet = customModalViewController(*this))
        sheet->dismissRootViewControllerWithcompletion([] {});
}

int QXTempTableViewController::numberOfRowsInSection(ui::TableView&, int) {
    return int(listArray_.size());
}

std::shared_ptr<ui::TableViewCell> QXTempTableViewController::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& path) {
    auto cell = table.dequeueReusableCellWithIdentifier(kEconomicCellId);
    if (!cell) {
        cell =
            std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Subtitle, kEconomicCellId);
        cell->setBackgroundView(
            rowBackground(QStringLiteral("列表信息条.png"), ui::Color::whiteColor()));
        cell->setSelectedBackgroundView(
            rowBackground(QStringLiteral("列表信息条点击.png"), ui::Color::rgb(220, 220, 220)));
        cell->textLabel()->setFont(ui::Font::systemFontOfSize(14));
        cell->textLabel()->setTextColor(ui::Color::rgb(51, 51, 51));
        cell->textLabel()->setBackgroundColor(ui::Color::clearColor());
    }
    cell->textLabel()->setText(Tolerant(listArray_.value(path.row))[QStringLiteral("n")].toString());
    return cell;
}

void QXTempTableViewController::didSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& path) {
    if (path.row < 0 || path.row >= listArray_.size()) return;
    const Tolerant row(listArray_.at(path.row));
    priceString_ = row[QStringLiteral("v")].toString();
    priceName_ = row[QStringLiteral("n")].toString();
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    defaults.setObject(priceString_, kSelectPriceIdKey);
    defaults.setObject(priceName_, kSelectPriceNameKey);
    dismissSheet();
    StatClick::event(QStringLiteral("findhouses_choose_price0"),
                     QVariantMap{{QStringLiteral("cityid"),
                                  QString::number(QXNetContext::shared()->currentCityScript_index())},
                                 {QStringLiteral("price"), priceName_}});
}
