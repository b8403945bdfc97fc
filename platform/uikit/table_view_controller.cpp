#include "platform/uikit/table_view_controller.h"

#include "platform/uikit/screen.h"

namespace ui {

TableViewController::TableViewController(TableViewStyle style) : style_(style) {}

TableViewController::~TableViewController() = default;

TableView* TableViewController::tableView() {
    view();
    return table_.get();
}

void TableViewController::setTableView(std::shared_ptr<TableView> tableView) {
    table_ = std::move(tableView);
    if (!table_) return;
    const auto self = sharedAs<TableViewController>();
    table_->setDataSource(std::weak_ptr<TableViewDataSource>(self));
    table_->setDelegate(std::weak_ptr<TableViewDelegate>(self));
    setView(table_);
}

void TableViewController::loadView() {
    auto table = std::make_shared<TableView>(Screen::mainScreen().bounds(), style_);
    table->setAutoresizingMask(kAutoresizingFlexibleWidth | kAutoresizingFlexibleHeight);
    setTableView(std::move(table));
}

void TableViewController::viewWillAppear(bool animated) {
    if (!clearsSelection_ || !table_) return;
    for (const IndexPath& selected : table_->indexPathsForSelectedRows())
        table_->deselectRowAtIndexPath(selected, animated);
}

int TableViewController::numberOfRowsInSection(TableView&, int) {
    return 0;
}

std::shared_ptr<TableViewCell> TableViewController::cellForRowAtIndexPath(TableView&,
                                                                          const IndexPath&) {
    return nullptr;
}

}  // namespace ui
