#pragma once

#include "platform/uikit/table_view_controller.h"
#include "ui/navigation/DragBackSwitch.h"

#include <QVariantList>

// The housing news list in its least form: the titles of the first page of news
// ("CommonConsultList"), each row showing its title and source. Drag-back is off on its
// stack while it shows.
class QXHouseNewsViewController : public ui::TableViewController {
public:
    QXHouseNewsViewController();

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    int numberOfRowsInSection(ui::TableView& table, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(
        ui::TableView& table, const ui::IndexPath& indexPath) override;
    [[nodiscard]] const QVariantList& news() const { return news_; }
    // Opened from a push notification.
    [[nodiscard]] bool isFromPush() const { return isFromPush_; }
    void setIsFromPush(bool fromPush) { isFromPush_ = fromPush; }

private:
    void requestNews();
    QVariantList news_;
    DragBackPause dragBackPause_;
    bool isFromPush_ = false;
};
