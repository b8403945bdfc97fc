#pragma once

#include "platform/foundation/notification_center.h"
#include "platform/foundation/timer.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/view_controller.h"

#include <QVariantList>

#include <memory>

// The needs the signed-in user has published, newest first, one card each: when it was
// sent, the place, price and house types, how many brokers answered, whether its daily push
// has new houses and whether it was switched off. A card opens the need's replies screen; a
// swipe deletes the need, cancelling its subscription on the server first when it has one.
class QXNeedHistoryListController : public ui::ViewController,
                                    public ui::TableViewDataSource,
                                    public ui::TableViewDelegate {
public:
    static inline const QString kTitle = QStringLiteral("找房意向");
    static inline const QString kEmptyText =
        QStringLiteral("暂无找房意向历史，\r\n发送找房意向后将会出现在这里!");
    static constexpr qint64 kAllNeeds = 4999999999;
    static constexpr double kStatusDelay = 0.2;

    QXNeedHistoryListController();

    [[nodiscard]] bool isFromPush() const { return isFromPush_; }
    void setIsFromPush(bool fromPush) { isFromPush_ = fromPush; }

    void reloadTableView();
    void getSubscribeRefreshStatusFromServer();
    // New houses of the subscription with this id, from the last status reply; 0 for none.
    [[nodiscard]] int getRefreshStatusWithSubscribeId(qint64 subscribeId) const;
    void addNonView();
    void removeNonView();
    void popFromController();

    [[nodiscard]] const QVariantList& needHistoryArray() const { return needHistoryArray_; }
    [[nodiscard]] const QVariantList& subscribeRefreshStatusArray() const {
        return subscribeRefreshStatusArray_;
    }
    [[nodiscard]] ui::TableView* listTable() const { return listTable_.get(); }
    // Whether a read of the stored needs is on its way; the table shows the last one answered.
    [[nodiscard]] bool isReading() const { return readsAnswered_ != readsAsked_; }
    [[nodiscard]] ui::View* noHistoryView() const { return noHistoryView_.get(); }

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    int numberOfSectionsInTableView(ui::TableView& table) override;
    int numberOfRowsInSection(ui::TableView& table, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(
        ui::TableView& table, const ui::IndexPath& indexPath) override;
    double heightForRowAtIndexPath(ui::TableView& table, const ui::IndexPath& indexPath) override;
    double heightForFooterInSection(ui::TableView& table, int section) override;
    std::shared_ptr<ui::View> viewForFooterInSection(ui::TableView& table, int section) override;
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& indexPath) override;
    bool canEditRowAtIndexPath(ui::TableView& table, const ui::IndexPath& indexPath) override;
    void commitEditingStyle(ui::TableView& table, ui::TableViewCellEditingStyle style,
                            const ui::IndexPath& indexPath) override;
    QString titleForDeleteConfirmationButtonForRowAtIndexPath(
        ui::TableView& table, const ui::IndexPath& indexPath) override;

private:
    void imRecieveNotification();
    // Removes the need from the store and the list, found by its id: the list may have been
    // read again while a cancellation was on its way.
    void deleteNeed(const QString& userId, const QString& needId);
    [[nodiscard]] bool isVisibleInStack() const;

    QVariantList needHistoryArray_;
    QVariantList subscribeRefreshStatusArray_;
    std::shared_ptr<ui::TableView> listTable_;
    std::shared_ptr<ui::View> noHistoryView_;
    std::shared_ptr<ui::View> tableViewHeaderOrFooterView_;
    std::shared_ptr<ns::NotificationCenter::Observation> observation_;
    ns::DelayedCall statusCall_;
    // The latest read of the store asked for, and the latest one that came back: a read
    // begun before a deletion would list the deleted need again, so only the latest counts.
    int readsAsked_ = 0;
    int readsAnswered_ = 0;
    bool isFromPush_ = false;
};
