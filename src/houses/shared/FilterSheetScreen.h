#pragma once

#include "platform/uikit/table_view.h"
#include "platform/uikit/view_controller.h"

namespace ui {
class ImageView;
}

// What the pickers of the filter screen and of the need form share: a list shown inside a
// sheet (or pushed, outside one) that closes the whole sheet when it is done, and the shadow
// strip under the sheet's bar while it shows, found again by its tag.
class FilterSheetScreen : public ui::ViewController,
                          public ui::TableViewDataSource,
                          public ui::TableViewDelegate {
public:
    static constexpr int kShadowTag = 6699;

    explicit FilterSheetScreen(int shadowTag = kShadowTag) : shadowTag_(shadowTag) {}

    [[nodiscard]] ui::TableView* tableView() const { return table_.get(); }
    // Dismisses the sheet; in none, pops back to `backTo`, or pops this screen without one.
    void closeSheet(const std::shared_ptr<ui::ViewController>& backTo = nullptr);

protected:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void addShadowStrip();
    void removeShadowStrip();
    // A row's background: the picture stretched with caps 7 and 25, over `fallback`.
    [[nodiscard]] static std::shared_ptr<ui::ImageView> rowBackground(const QString& name,
                                                                      const ui::Color& fallback);

    std::shared_ptr<ui::TableView> table_;

private:
    int shadowTag_;
};
