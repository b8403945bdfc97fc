#pragma once

#include "platform/uikit/table_view.h"
#include "platform/uikit/view_controller.h"

#include <memory>

namespace ui {

// A screen that is one table: the table is its view, and the screen is the
// table's data source and delegate. Before it appears it deselects the
// selected row (animated), unless told not to.
class TableViewController : public ViewController,
                            public TableViewDataSource,
                            public TableViewDelegate {
public:
    explicit TableViewController(TableViewStyle style = TableViewStyle::Plain);
    ~TableViewController() override;

    [[nodiscard]] TableView* tableView();
    void setTableView(std::shared_ptr<TableView> tableView);
    [[nodiscard]] bool clearsSelectionOnViewWillAppear() const { return clearsSelection_; }
    void setClearsSelectionOnViewWillAppear(bool clears) { clearsSelection_ = clears; }

    void loadView() override;
    // Subclasses that override it call it, as on the platform.
    void viewWillAppear(bool animated) override;

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&,
                                                         const IndexPath& indexPath) override;

private:
    TableViewStyle style_;
    std::shared_ptr<TableView> table_;
    bool clearsSelection_ = true;
};

}  // namespace ui
