#pragma once

#include "houses/query/QuickFilterView.h"
#include "net/QXIMRequest.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/view_controller.h"
#include "ui/widgets/RefreshView.h"

#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class Tolerant;

// The posts of one broker of one kind (5 sale, 1 whole rent, 3 shared rent), ten at a time,
// under a quick-filter bar that narrows them to one of the broker's communities, with
// pull-down refresh and a load-more row. A post opens its detail.
//
// The list also promotes a post of the broker's, or withdraws its promotion, on the user
// server (`curPostInfo`; a list of type 2 promotes, any other withdraws): the broker's quota
// comes with the privilege call, the alert tagged kPromotionAlertTag starts the change with its
// button 1, and a change the server made takes the post off the list.
class PromotionListViewController : public ui::ViewController,
                                    public ui::TableViewDataSource,
                                    public ui::TableViewDelegate,
                                    public QuickFilterViewDelegate,
                                    public RefreshViewDelegate,
                                    public ui::AlertViewDelegate {
public:
    static constexpr int kLoadingTag = 9528;
    static constexpr int kPromotionAlertTag = 10000;
    static constexpr double kRowHeight = 72;
    static constexpr double kBarHeight = 40;
    static inline const QString kNoPosts = QStringLiteral("暂时没有数据!");
    static inline const QString kNetworkTrouble = QStringLiteral("网络异常，请稍后再试");
    static inline const QString kFilterTitle = QStringLiteral("小区名称");
    static inline const QString kPromoted = QStringLiteral("推广成功");
    static inline const QString kWithdrawn = QStringLiteral("取消推广成功");

    PromotionListViewController(int majorType, const QString& title, QVariantMap agentInfo,
                                const QString& agentId);
    ~PromotionListViewController() override;

    [[nodiscard]] int majorType() const { return majorType_; }
    [[nodiscard]] unsigned listType() const { return listType_; }
    [[nodiscard]] unsigned nowPage() const { return nowPage_; }
    [[nodiscard]] qint64 postCount() const { return postCount_; }
    [[nodiscard]] const QVariantList& postList() const { return postList_; }
    [[nodiscard]] int nowPostListCount() const { return int(postList_.size()); }
    [[nodiscard]] const QVariantList& biotopeList() const { return biotopeList_; }
    [[nodiscard]] qint64 biotopeId() const { return biotopeId_; }
    [[nodiscard]] const QString& agentId() const { return agentId_; }
    [[nodiscard]] const QVariantMap& agentInfo() const { return agentInfo_; }
    [[nodiscard]] ui::TableView* tableView() const { return tableView_.get(); }
    [[nodiscard]] QuickFilterView* filterView() const { return filterView_.get(); }
    [[nodiscard]] RefreshView* refreshView() const { return refreshView_.get(); }
    // Whether a page request is on its way.
    [[nodiscard]] bool isLoadingPage() const { return loadingPage_; }
    // 1: the list withdraws promotions; 2: it promotes.
    void setListType(unsigned listType) { listType_ = listType; }
    [[nodiscard]] const QVariantMap& curPostInfo() const { return curPostInfo_; }
    void setCurPostInfo(const QVariantMap& post) { curPostInfo_ = post; }
    [[nodiscard]] unsigned maxLiveCount() const { return maxLiveCount_; }
    // The quota as the list last told it: "今日推广N套，还有M个推广位可用".
    [[nodiscard]] const QString& promotionQuotaText() const { return quotaText_; }

    // The promotion road: the broker's privilege, then `operation` with the reply (on the
    // main thread); a failed call runs nothing.
    void checkAndHandle(std::function<void(const QVariant& reply)> operation);
    // Takes the quota from a privilege reply.
    void showTip(const QVariant& reply);
    void handlerPromo();
    // Asks the user server to promote `post` or to withdraw its promotion.
    void promotePost(const QVariantMap& post, bool isPromotion);
    // The server changed the post at `index` of the list: the user hears so, the row goes
    // and the quota follows `currentInfo`.
    void updateUI(int index, const QVariant& currentInfo);
    void clickedButtonAtIndex(ui::AlertView& alert, int index) override;

    // Asks for the broker's communities, then for the page after the last one loaded.
    void getRelatedBiotope();
    void getPostList();
    void updatePostList(const QVariantMap& page);
    void refresh();
    void returnPromotionRoot();

    // Table.
    int numberOfRowsInSection(ui::TableView&, int) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    double heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override {
        return kRowHeight;
    }
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;
    void scrollViewWillBeginDragging(ui::ScrollView& scrollView) override;
    void scrollViewDidScroll(ui::ScrollView& scrollView) override;
    void scrollViewDidEndDragging(ui::ScrollView& scrollView, bool willDecelerate) override;
    void refreshViewDidCallBack() override { refresh(); }

    // Quick-filter bar: one button, the broker's communities.
    int numOfSelectSectionInQFView(QuickFilterView&) override { return 1; }
    QString qfViewTitleForIndex(QuickFilterView&, int) override { return kFilterTitle; }
    std::optional<QuickFilterRows> qfViewDataForSection(QuickFilterView& bar, int index,
                                                        int section) override;
    int numOfSectionInQFView(QuickFilterView&, int) override { return 1; }
    QStringList filterKeyForQfView(QuickFilterView&) override {
        return {QStringLiteral("biotopeId")};
    }
    void qfViewDidSelectSection(QuickFilterView& bar, int index, const ui::IndexPath& path,
                                const QuickFilterRows& rows) override;

    void willMoveToParentViewController(ui::ViewController* parent) override;

protected:
    void viewDidLoad() override;

private:
    void showLoading();
    void removeLoading();
    void showNotice(const QString& message);
    void hideNotice();
    // A page that did not come: the overlay and the pull-down header let go.
    void pageFailed();
    [[nodiscard]] bool hasMoreRow() const;
    void cancelRequests();
    void setQuota(const Tolerant& premier);
    void removePromotionLoading();

    int majorType_;
    QString nTitle_;
    QVariantMap agentInfo_;
    QString agentId_;
    unsigned listType_ = 1;
    qint64 postCount_ = 0;
    unsigned nowPage_ = 0;
    QVariantList postList_;
    QVariantList biotopeList_;
    qint64 biotopeId_ = 0;
    QVariantMap curPostInfo_;
    unsigned maxLiveCount_ = 0;
    QString quotaText_;
    bool loadingPage_ = false;
    quint64 pageRequestSerial_ = 0;
    std::shared_ptr<ui::TableView> tableView_;
    std::shared_ptr<QuickFilterView> filterView_;
    std::shared_ptr<RefreshView> refreshView_;
    // The list's own calls: leaving it cancels these and no other screen's.
    const QXIMRequest::Owner owner_ = QXIMRequest::newOwner();
};
