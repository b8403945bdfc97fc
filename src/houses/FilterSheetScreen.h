#pragma once

#include "platform/uikit/table_view.h"
#include "platform/uikit/view_controller.h"

// What the filter screen's pickers share: a list shown inside the filter screen's sheet
// (or pushed, outside one) that closes the whole sheet when it is done, and the shadow
// strip under the sheet's bar while it shows.
class FilterSheetScreen : public ui::ViewController,
                          public ui::TableViewDataSource,
                          public ui::TableViewDelegate {
public:
    static constexpr int kShadowTag = 6699;

    [[nodiscard]] ui::TableView* tableView() const { return table_.get(); }
    // Dismisses the sheet; in none, pops back to `backTo`, or pops this screen without one.
    void closeSheet(const std::shared_ptr<ui::ViewController>& backTo = nullptr);

protected:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void addShadowStrip();
    void removeShadowStrip();

    std::shared_ptr<ui::TableView> table_;
};
