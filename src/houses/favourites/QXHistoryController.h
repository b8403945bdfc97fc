#pragma once

#include "houses/favourites/QXHistoryCell.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/view_controller.h"

#include <QString>
#include <QVariantList>

#include <memory>
#include <vector>

namespace ui {
class Button;
}

// The favourites tab "看房记": the posts the user saved, newest first, at most 50, each as a
// list row with its remark. A tap opens the saved copy of the post; "编辑" lets rows be
// deleted; an empty list shows a picture. The list reloads when a post is saved or removed,
// a remark changes or another user logs on: at once when it is on screen, else when it
// next appears. A saved row whose copy can no longer be read stays, shown as unreadable, so
// the user decides what becomes of it.
class QXHistoryController : public ui::ViewController,
                            public ui::TableViewDataSource,
                            public ui::TableViewDelegate,
                            public QXHistoryCellDelegate {
public:
    static constexpr int kNoInfoTag = 9999;
    static inline const QString kEmptyEditMessage = QStringLiteral("收藏房源后才能进行编辑哦");
    static inline const QString kUnreadableTitle = QStringLiteral("该房源信息已无法读取");
    static inline const QString kUnreadableHint = QStringLiteral("可点击右上角“编辑”将其删除");
    static inline const QString kDeleteFailed = QStringLiteral("删除失败，请稍后再试");

    QXHistoryController();

    // Reads the user's rows again and shows them.
    void refreshDataAndView();
    // Toggles the edit mode; from the button an empty list only says how to fill it.
    void editHistory(bool fromButton);
    // A favourite or a remark changed, or another user logged on.
    void signChanged();
    void showNoInfoView();
    void hiddenNoInfoView();

    // The rows as read: column name to value, "content" the parsed post (absent for a row
    // that no longer reads).
    [[nodiscard]] const QVariantList& listData() const { return rows_; }
    [[nodiscard]] ui::TableView* listTable() const { return table_.get(); }
    [[nodiscard]] ui::Button* rightButton() const { return rightButton_.get(); }

    int numberOfRowsInSection(ui::TableView&, int) override { return int(rows_.size()); }
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    bool canEditRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override { return true; }
    void commitEditingStyle(ui::TableView& table, ui::TableViewCellEditingStyle style,
                            const ui::IndexPath& path) override;
    double heightForRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;
    ui::TableViewCellEditingStyle editingStyleForRowAtIndexPath(ui::TableView&,
                                                                const ui::IndexPath&) override {
        return ui::TableViewCellEditingStyle::Delete;
    }
    QString titleForDeleteConfirmationButtonForRowAtIndexPath(ui::TableView&,
                                                              const ui::IndexPath&) override {
        return QStringLiteral("删除");
    }
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;
    // A cell's mark was set or cleared: the store keeps it, and the list shows what it kept.
    void historyCellCheckboxSelected(QXHistoryCell& cell, bool selected) override;

protected:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

private:
    void formatDBArray(const QList<QVariantMap>& rows);
    [[nodiscard]] bool isVisibleScreen();

    QVariantList rows_;
    bool needRefresh_ = false;
    std::shared_ptr<ui::TableView> table_;
    std::shared_ptr<ui::Button> rightButton_;
    std::vector<std::shared_ptr<ns::NotificationCenter::Observation>> observations_;
};
