#pragma once

#include "houses/query/QuickFilterView.h"
#include "houses/shared/MoreRowCell.h"
#include "houses/shared/QXPostDetailRefreshProtocol.h"
#include "net/QXIMRequest.h"
#include "platform/foundation/timer.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/view_controller.h"
#include "ui/widgets/RefreshView.h"

#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <map>
#include <memory>
#include <vector>

// The houses of one residential community of one kind (rent, share or sale), twenty a
// page, under a quick-filter bar of price, layout and area whose choices come from the
// server first. A house opens its detail, which pages on through this list. (A second mode
// lists the ten houses related to one post, without a bar.)
class QXLeisiFangList : public ui::ViewController,
                        public ui::TableViewDataSource,
                        public ui::TableViewDelegate,
                        public QuickFilterViewDelegate,
                        public RefreshViewDelegate,
                        public QXPostDetailRefreshProtocol {
public:
    static constexpr int kBannerTag = 10102;
    static constexpr int kDefaultLoadingTag = 1121;
    static constexpr int kDefaultSpinnerTag = 1122;
    static constexpr int kPageSize = 20;
    static constexpr int kRelatedCount = 10;
    static constexpr double kBarHeight = 40;
    static inline const QString kNetworkTrouble = QStringLiteral("网络不稳定,稍后再试吧...");
    static inline const QString kNoCommunity = QStringLiteral("暂无该小区信息");
    static inline const QString kNothingFound = QStringLiteral("没有相关筛选信息，请重新筛选吧");

    // Master 7 and major 1, 3 or 5; `xiaoquInfo` is the community ("domain", "pinyin") with
    // the bar, or the post ("is_premier", "city_index", "house_id", "puid") without it.
    QXLeisiFangList(int masterId, int majorId, const QString& title, QVariantMap xiaoquInfo,
                    bool hasFilter);
    ~QXLeisiFangList() override;

    [[nodiscard]] const QString& showTitle() const { return showTitle_; }
    void setShowTitle(const QString& title) { showTitle_ = title; }
    [[nodiscard]] const QVariantMap& xiaoquInfo() const { return xiaoquInfo_; }
    void setXiaoquInfo(const QVariantMap& info) { xiaoquInfo_ = info; }
    [[nodiscard]] const QString& domainValue() const { return domainValue_; }
    void setDomainValue(const QString& domain) { domainValue_ = domain; }
    [[nodiscard]] ui::TableView* tableView() const { return tableView_.get(); }

    [[nodiscard]] int masterId() const { return masterId_; }
    [[nodiscard]] int majorId() const { return majorId_; }
    [[nodiscard]] int nowPage() const { return nowPage_; }
    [[nodiscard]] int nowListNum() const { return nowListNum_; }
    [[nodiscard]] bool hasMore() const { return hasMore_; }
    [[nodiscard]] bool isQuickFiter() const { return isQuickFiter_; }
    [[nodiscard]] const QStringList& filterKeys() const { return filterKeys_; }
    [[nodiscard]] const QStringList& filterDefaultTitles() const { return filterDefaultTitles_; }
    [[nodiscard]] const QMap<QString, QString>& filterSelectedData() const {
        return filterSelectedData_;
    }
    [[nodiscard]] QuickFilterView* filterView() const { return filterView_.get(); }
    [[nodiscard]] RefreshView* refreshView() const { return refreshView_.get(); }
    // Whether a page request is on its way.
    [[nodiscard]] bool isLoadingPage() const { return pageWaiters_ != nullptr; }

    // The filter text of the chosen filters: each part preceded by ",".
    [[nodiscard]] QString filterText() const;
    // The choices of the bar from a "HousingVars" dictionary.
    void prepareFilterData(const QVariantMap& vars);
    void getFilterDataFromNetwork();
    // Asks for page nowPage with the chosen filters; `finished` hears whether it came.
    void getLeisiFangDataFromNetWork(std::function<void(bool)> finished);
    void postListRequestSuccess(const QVariant& reply, const QString& mainClassName,
                                const QString& secondClassName);
    // Asks for the next page; one asked for while a page is on its way waits for it.
    void nextPage(std::function<void(bool)> finished);
    void addErrorTipViewWithErrorMsg(const QString& message);
    void removeErrorTipView();
    void goBack();

    // Table.
    int numberOfRowsInSection(ui::TableView&, int) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    double heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override;
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;
    void scrollViewWillBeginDragging(ui::ScrollView& scrollView) override;
    void scrollViewDidScroll(ui::ScrollView& scrollView) override;
    void scrollViewDidEndDragging(ui::ScrollView& scrollView, bool willDecelerate) override;
    void refreshViewDidCallBack() override;

    // Quick-filter bar.
    int numOfSelectSectionInQFView(QuickFilterView&) override { return int(filterKeys_.size()); }
    QString qfViewTitleForIndex(QuickFilterView&, int index) override {
        return filterDefaultTitles_.value(index);
    }
    std::optional<QuickFilterRows> qfViewDataForSection(QuickFilterView& bar, int index,
                                                        int section) override;
    int numOfSectionInQFView(QuickFilterView&, int) override { return 1; }
    QStringList filterKeyForQfView(QuickFilterView&) override { return filterKeys_; }
    void qfViewDidSelectSection(QuickFilterView& bar, int index, const ui::IndexPath& path,
                                const QuickFilterRows& rows) override;

    // The detail's side.
    [[nodiscard]] const QVariantList& postDetailNewContentArray() const override {
        return contentArr_;
    }
    [[nodiscard]] bool postDetailNewHasMoreData() const override { return hasMore_; }
    void postDetailNewLoadMoreData(std::function<void(bool)> completion) override;
    // The community's city key, which the posts of the list do not carry themselves.
    [[nodiscard]] std::optional<QVariant> domainValueFromList() const override {
        if (domainValue_.isEmpty()) return std::nullopt;
        return QVariant(domainValue_);
    }
    void postDetailNewCurrentIndexWhenPopOrDismiss(unsigned index) override {
        scrollToIndexWhenAppaer_ = int(index);
    }

    void willMoveToParentViewController(ui::ViewController* parent) override;

    // The fuller loading view: "加载中..." with a spinner over the list's default text for its
    // category (the resource "PostListDefaultInfo", under the master category, "default"),
    // tagged kDefaultLoadingTag; a second call brings the one shown to the front.
    void addLoadingViewDefault();
    // The fuller loading view stays until the screen goes.
    void removeLoadingDefault() {}

protected:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

private:
    void initFilterView();
    void addTableView();
    void addLoadingView();
    void removeLoading();
    void fangXinFangActivity();
    void stopFangXinFangShowInfo();
    void sendPageRequest(std::function<void(bool)> finished);
    void setMoreRow(const QString& text, bool spinning);
    void applyMoreRow(ui::TableViewCell& cell) const;
    [[nodiscard]] bool isMoreRow(int row) const { return hasMore_ && row == nowListNum_; }
    [[nodiscard]] double contentTop() const { return isQuickFiter_ ? kBarHeight : 0; }
    [[nodiscard]] double contentHeight() const;
    [[nodiscard]] bool isVisibleScreen();
    [[nodiscard]] bool showsThumbnails() const;
    void cancelRequests();

    int masterId_;
    int majorId_;
    QString showTitle_;
    QVariantMap xiaoquInfo_;
    QString domainValue_;
    bool showFilter_;
    QStringList filterKeys_;
    QStringList filterDefaultTitles_;
    std::map<QString, QuickFilterRows> filterData_;
    QMap<QString, QString> filterSelectedData_;
    std::shared_ptr<QuickFilterView> filterView_;
    bool isQuickFiter_ = false;
    QVariantList contentArr_;
    int nowListNum_ = 0;
    bool hasMore_ = false;
    int nowPage_ = 1;
    bool refreshing_ = false;
    bool loadingNext_ = false;
    // What the last row shows; kept so that a reload of the table keeps it.
    QString moreText_ = MoreRowCell::kMoreText;
    bool moreSpinning_ = false;
    std::shared_ptr<RefreshView> refreshView_;
    std::shared_ptr<ns::Timer> timer_;
    int scrollToIndexWhenAppaer_ = 0;
    std::shared_ptr<ui::TableView> tableView_;
    // Whoever waits for the page request on its way; null while none is.
    std::shared_ptr<std::vector<std::function<void(bool)>>> pageWaiters_;
    // The list's own calls: leaving it cancels these and no other screen's.
    const QXIMRequest::Owner owner_ = QXIMRequest::newOwner();
};
