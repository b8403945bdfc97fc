#include "houses/list/FilterSelectList.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/table_view_cell.h"
#include "ui/navigation/UIViewController+Navigation.h"

FilterSelectList::FilterSelectList(FilterItem filter) : filter_(filter) {
    setHidesBottomBarWhenPushed(true);
}

void FilterSelectList::viewDidLoad() {
    FilterSheetScreen::viewDidLoad();
    const auto item = filter_.lock();
    setTitle(item ? item->value(QStringLiteral("n")).toString() : QString());
    UIViewControllerNavigation::setNavigationLeftButton(
        *this,
        [weak = weakAs<FilterSelectList>()] {
            if (auto self = weak.lock()) self->popFront();
        },
        QStringLiteral("取消"));
}

int FilterSelectList::numberOfRowsInSection(ui::TableView&, int) {
    const auto item = filter_.lock();
    return item ? int(item->value(QStringLiteral("vs")).toList().size()) : 0;
}

std::shared_ptr<ui::TableViewCell> FilterSelectList::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& path) {
    auto cell = std::make_shared<ui::TableViewCell>();
    const int rows = numberOfRowsInSection(table, 0);
    QString normal = QStringLiteral("条中.png"), selected = QStringLiteral("条中点击.png");
    if (path.row == 0) {
        normal = QStringLiteral("条顶.png");
        selected = QStringLiteral("条顶点击.png");
    } else if (path.row == rows - 1) {
        normal = QStringLiteral("条底.png");
        selected = QStringLiteral("条底点击.png");
    }
    for (const bool isSelected : {false, true}) {
        auto image = ui::Image::imageNamed(isSelected ? selected : normal);
        auto view = std::make_shared<ui::ImageView>(
            image ? image->stretchableImageWithLeftCapWidth(7, 25) : nullptr);
        view->setBackgroundColor(isSelected ? ui::Color::rgb(220, 220, 220)
                                            : ui::Color::whiteColor());
        isSelected ? cell->setSelectedBackgroundView(view) : cell->setBackgroundView(view);
    }
    const auto item = filter_.lock();
    cell->textLabel()->setFont(ui::Font::boldSystemFontOfSize(14));
    cell->textLabel()->setTextColor(ui::Color::blackColor());
    cell->textLabel()->setBackgroundColor(ui::Color::clearColor());
    cell->textLabel()->setText(item ? item->value(QStringLiteral("vs"))
                                          .toList()
                                          .value(path.row)
                                          .toMap()
                                          .value(QStringLiteral("n"))
                                          .toString()
                                    : QString());
    return cell;
}

void FilterSelectList::didSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& path) {
    if (const auto item = filter_.lock()) {
        // The very value stored in the choice, text or number.
        item->insert(QStringLiteral("v"), item->value(QStringLiteral("vs"))
                                              .toList()
                                              .value(path.row)
                                              .toMap()
                                              .value(QStringLiteral("v")));
        item->insert(QStringLiteral("firstSectionRow"), path.row);
    }
    closeSheet();
}
