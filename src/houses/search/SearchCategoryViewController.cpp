#include "houses/search/SearchCategoryViewController.h"

#include "houses/query/SearchTitleBar.h"
#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/table_view_cell.h"
#include "ui/image/StretchedImage.h"
#include "ui/navigation/UIViewController+Navigation.h"

SearchCategoryViewController::SearchCategoryViewController() {
    setHidesBottomBarWhenPushed(true);
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
}

void SearchCategoryViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    setTitle(kTitle);
    view()->setBackgroundColor(ui::Color::whiteColor());
    const auto weak = weakAs<SearchCategoryViewController>();
    UIViewControllerNavigation::setNavigationBackButton(*this, [weak] {
        if (auto self = weak.lock()) self->goBack();
    });
    mainTbl_ = std::make_shared<ui::TableView>(
        ui::Rect(0, 0, 320, ui::Screen::mainScreen().bounds().size.height - 64));
    mainTbl_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    mainTbl_->setDataSource(weak);
    mainTbl_->setDelegate(weak);
    view()->addSubview(mainTbl_);
}

void SearchCategoryViewController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    mainTbl_->reloadData();
    if (nowSelectRow_ >= 0 && nowSelectRow_ < int(categoryArray_.size()))
        mainTbl_->selectRowAtIndexPath(ui::IndexPath(0, nowSelectRow_), false,
                                       ui::TableViewScrollPosition::None);
}

void SearchCategoryViewController::goBack() {
    if (ui::NavigationController* navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}

std::shared_ptr<ui::TableViewCell> SearchCategoryViewController::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& path) {
    auto cell = table.dequeueReusableCellWithIdentifier(kIdentifier);
    if (!cell) {
        cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Subtitle, kIdentifier);
        cell->setBackgroundView(std::make_shared<ui::ImageView>(
            ui::Image::imageNamed(QStringLiteral("选城城市bg.png"))));
        cell->setSelectedBackgroundView(std::make_shared<ui::ImageView>(
            StretchedImage::withCaps(QStringLiteral("快捷灰按钮.png"), 5, 21)));
        cell->textLabel()->setFont(ui::Font::systemFontOfSize(14));
        cell->textLabel()->setTextColor(ui::Color::colorWithWhite(76.0 / 255));
        cell->textLabel()->setBackgroundColor(ui::Color::clearColor());
        cell->detailTextLabel()->setFont(ui::Font::systemFontOfSize(14));
        cell->detailTextLabel()->setTextColor(ui::Color::colorWithWhite(0.6));
        cell->detailTextLabel()->setBackgroundColor(ui::Color::clearColor());
    }
    const QVariant record = categoryArray_.value(path.row);
    if (record.typeId() == QMetaType::QVariantMap) {
        const QVariantMap category = record.toMap();
        cell->textLabel()->setText(category.value(QStringLiteral("CateName")).toString());
        cell->detailTextLabel()->setText(category.value(QStringLiteral("Size")).toString() +
                                         QStringLiteral("条"));
    }
    return cell;
}

void SearchCategoryViewController::didSelectRowAtIndexPath(ui::TableView& table,
                                                           const ui::IndexPath& path) {
    table.deselectRowAtIndexPath(path, true);
    const QVariant id = categoryArray_.value(path.row).toMap().value(QStringLiteral("CategoryID"));
    if (selectRowBlock_) selectRowBlock_(id, path.row);
    goBack();
}
