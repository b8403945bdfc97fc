#pragma once

#include "houses/query/tovikFilters2.h"
#include "houses/shared/FilterSheetScreen.h"

// The choices of one filter: a tap writes the choice's value and row into the filter and
// closes the sheet; "取消" closes it without writing.
class FilterSelectList : public FilterSheetScreen {
public:
    explicit FilterSelectList(FilterItem filter);

    void popFront() { closeSheet(); }

    int numberOfRowsInSection(ui::TableView&, int) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;

protected:
    void viewDidLoad() override;

private:
    std::weak_ptr<QVariantMap> filter_;  // the model owns its items
};
