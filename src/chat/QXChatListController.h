#pragma once

#include "platform/foundation/notification_center.h"
#include "platform/foundation/timer.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/view_controller.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <memory>
#include <vector>

namespace ui {
class ImageView;
}

// The chat tab's root: the user's talks, newest first (the service account's pinned on top),
// each row with the broker's picture, name, company, district and street, a preview of the last
// message, its age and an unread badge. A tap clears the talk's unread count and opens the chat;
// a swipe deletes the talk and its messages. The screen keeps the tab's badge up to date, shows
// a picture instead of the table when there are no talks and a network-failure row on top while
// the device is offline.
class QXChatListController : public ui::ViewController,
                             public ui::TableViewDataSource,
                             public ui::TableViewDelegate {
public:
    static constexpr double kNetCheckInterval = 5.0;
    static inline const QString kRefreshIconNotification = QStringLiteral("refreshIcon");
    static inline const QString kUserChangedNotification =
        QStringLiteral("kUserChangedNotification");
    static inline const QString kEnterBackgroundNotification =
        QStringLiteral("NOTIFICATION_ENTER_BACKGROUND");

    QXChatListController();
    ~QXChatListController() override;

    [[nodiscard]] const QVariantList& chatData() const { return chatData_; }
    [[nodiscard]] bool isNetConnect() const { return isNetConnect_; }
    [[nodiscard]] ui::TableView* chatTable() const { return chatTable_.get(); }
    [[nodiscard]] ui::ImageView* nonView() const { return nonView_.get(); }
    [[nodiscard]] bool needLoad() const { return needLoad_; }
    // Values an owner may keep with the list; the list itself reads none of them.
    [[nodiscard]] const QString& cityName() const { return cityName_; }
    void setCityName(const QString& name) { cityName_ = name; }
    [[nodiscard]] const QVariantMap& talkInfo() const { return talkInfo_; }
    void setTalkInfo(const QVariantMap& talk) { talkInfo_ = talk; }
    [[nodiscard]] const std::shared_ptr<ui::ImageView>& countImageView() const {
        return countImageView_;
    }
    void setCountImageView(std::shared_ptr<ui::ImageView> view) {
        countImageView_ = std::move(view);
    }

    void loadListData();
    // Reads the unread total in the background and shows it on the chat tab.
    void refreshIconCount();
    void imRecieveNotification();
    void delayReloadTableView();
    void checkNetConnect();
    void checkNetWork();
    void addNonView();
    void removeNonView();

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    int numberOfRowsInSection(ui::TableView& table, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(
        ui::TableView& table, const ui::IndexPath& indexPath) override;
    double heightForRowAtIndexPath(ui::TableView& table, const ui::IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& indexPath) override;
    bool canEditRowAtIndexPath(ui::TableView& table, const ui::IndexPath& indexPath) override;
    ui::TableViewCellEditingStyle editingStyleForRowAtIndexPath(
        ui::TableView& table, const ui::IndexPath& indexPath) override;
    QString titleForDeleteConfirmationButtonForRowAtIndexPath(
        ui::TableView& table, const ui::IndexPath& indexPath) override;
    void commitEditingStyle(ui::TableView& table, ui::TableViewCellEditingStyle style,
                            const ui::IndexPath& indexPath) override;

private:
    [[nodiscard]] bool isListVisible() const;
    [[nodiscard]] int talkIndexOfRow(int row) const;
    // The talks shown, by talk id, in their order.
    [[nodiscard]] QStringList talkIds() const;
    [[nodiscard]] QString ownUserId() const;
    void observe(const QString& name, std::function<void()> handler);

    std::shared_ptr<ui::TableView> chatTable_;
    std::shared_ptr<ui::ImageView> nonView_;
    QVariantList chatData_;
    std::shared_ptr<ns::Timer> timer_;
    std::vector<std::shared_ptr<ns::NotificationCenter::Observation>> observations_;
    std::shared_ptr<ns::NotificationCenter::Observation> foregroundObservation_;
    bool needLoad_ = false;
    bool gotoZhaofangzi_ = true;
    bool isNetConnect_ = true;
    QString cityName_;
    QVariantMap talkInfo_;
    std::shared_ptr<ui::ImageView> countImageView_;
};
