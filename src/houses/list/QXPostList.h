#pragma once

#include "houses/query/KeywordSuggestion.h"
#include "houses/query/PostListPaging.h"
#include "houses/query/QuickFilterView.h"
#include "houses/query/SearchListHistoryDelegate.h"
#include "houses/query/SearchTitleBar.h"
#include "houses/query/tovikFilters2.h"
#include "houses/shared/QXPostDetailRefreshProtocol.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/timer.h"
#include "platform/uikit/action_sheet.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/text_field.h"
#include "platform/uikit/view_controller.h"
#include "ui/widgets/RefreshView.h"

#include <QStringList>

#include <functional>
#include <map>
#include <memory>

namespace ui {
class Button;
class Label;
}  // namespace ui

// The housing posts of the selected city, one type at a time (rent, shared rent, sale):
// type tabs and a search button in the title bar, the quick-filter bar over a table of posts
// with pull-to-refresh and a "more" row, the error view, and the one-time trusted-house
// banner. A post opens its detail, which pages on through this list. The search button puts
// a keyword field in the title bar over a dimmed list showing the search history, or the
// keyword suggestions while the user types; a keyword narrows the list to posts whose
// titles hold it until the search is left (QXPostList+Search.cpp).
class QXPostList : public ui::ViewController,
                   public ui::TableViewDataSource,
                   public ui::TableViewDelegate,
                   public QuickFilterViewDelegate,
                   public RefreshViewDelegate,
                   public QXPostDetailRefreshProtocol,
                   public ui::TextFieldDelegate,
                   public SearchListHistoryOwner,
                   public ui::ActionSheetDelegate {
public:
    static constexpr int kErrorTag = 6579;
    static constexpr int kErrorBlockTag = 6578;
    static constexpr int kErrorLabelTag = 6580;
    static constexpr int kErrorButtonTag = 6581;
    static constexpr int kBannerTag = 10102;
    static constexpr int kMoreLabelTag = 200;  // of the "more" row (MoreRowCell)
    static constexpr int kMoreSpinnerTag = 201;
    static constexpr double kRowHeight = 70;
    static constexpr double kBarHeight = 40;
    static inline const QString kLoadFailed = QStringLiteral("加载失败\n点击屏幕重新加载");
    static inline const QString kNothingFound = QStringLiteral("没有相关筛选信息，请重新筛选吧");
    static inline const QString kNotLocated = QStringLiteral("无法定位当前位置");
    static inline const QString kUnsteadyNetwork = QStringLiteral("您的网络不稳定，请稍后再试");
    static constexpr int kSearchFieldTag = 7101;
    static constexpr int kClearSheetTag = 3502;
    static constexpr double kLocationBarHeight = 26;
    // The radius around the device that a nearby list starts with (metres).
    static inline const QString kNearbyRadius = QStringLiteral("3000");

    // Master id 7 (housing); major 1 rent, 3 shared rent, 5 sale (others become 1). A
    // nearby list shows the posts of the located city around the device's position.
    QXPostList(int masterId, int majorId, const QString& title, bool nearby = false);
    ~QXPostList() override;

    [[nodiscard]] PostListPaging& paging() { return paging_; }
    [[nodiscard]] int majorId() const { return paging_.majorId; }
    [[nodiscard]] std::shared_ptr<tovikFilters2> filter() const { return filter_; }
    [[nodiscard]] const QStringList& quickFilterArray() const { return quickFilterArray_; }
    [[nodiscard]] bool isQuickFiter() const { return isQuickFiter_; }
    [[nodiscard]] ui::TableView* listTbl() const { return listTbl_.get(); }
    [[nodiscard]] QuickFilterView* quickFilterView() const { return tempView_.get(); }
    [[nodiscard]] RefreshView* refreshView() const { return refreshView_.get(); }
    [[nodiscard]] bool loadFilterUnSuccess() const { return loadFilterUnSuccess_; }
    [[nodiscard]] bool isNearby() const { return nearby_; }
    // The bar of a nearby list that tells where the device is; nullptr otherwise.
    [[nodiscard]] ui::Label* locationBar() const { return locationBar_.get(); }

    void getDataFromNetwork();
    void getDataFromNetworkWithFilter(std::function<void(bool)> completion);
    void postListRequestSuccess(const QVariant& reply);
    void getFilterDataFromNetwork();
    void getQuickFilterArray();
    [[nodiscard]] QString getQuickFilterTitle(const QString& key) const;
    // Switches to the tab of that type (1, 3 or 5) and rebuilds the screen.
    void typeChanged(int type);
    void CityChanged();
    // Shows the list of that type: before the view is loaded the type is only stored.
    void selectedType(int type);
    // Loads the filter definitions of another type, then the bar and its first page.
    void getFilterDataFromNetworkWithSelection(int majorId);
    // A 28 pt strip over the table naming the chosen filters, joined by "|"; the table
    // moves down under it. Called again, the strip's text is replaced.
    void addFilterCommentView(const QStringList& names);
    [[nodiscard]] ui::Label* filterCommentLabel() const { return filterCommentLabel_.get(); }
    // Subscribing from the list is not offered: nothing happens.
    void speedSubscribe() {}
    // After a logon or a registration from this list, the list goes.
    void logonSuccess();
    void registerSuccess();
    // Opens the full filter screen.
    void filterScreen();
    // Takes the filter screen's conditions and asks for a fresh first page.
    void filterResult(const QMap<QString, QString>& conditions, const QString& keyword);

    void addErrorTipViewWithErrorMsg(const QString& message, int reloadType);
    void removeErrorTipView();

    // Keyword search.
    [[nodiscard]] const QString& keyword() const { return paging_.keyword; }
    [[nodiscard]] bool isSearching() const { return vTitleSearchBar_ && searching_; }
    [[nodiscard]] SearchTitleBar* vTitleSearchBar() const { return vTitleSearchBar_.get(); }
    [[nodiscard]] ui::View* grayView() const { return grayView_.get(); }
    [[nodiscard]] ui::TableView* searchHistoryTable() const { return searchHistoryTable_.get(); }
    [[nodiscard]] SearchListHistoryDelegate* searchHistoryDelegate() const {
        return searchHistoryDelegate_.get();
    }
    // The title bar's search button.
    void searchText();
    void showTitleSearchBar(bool shown);
    // Leaves the search: the tabs come back and the list loads afresh without keyword.
    void removeSearchView();
    void textfieldSearchEvent();
    void loadDataWithKeyword(const QString& keyword);
    void saveKeyStringToLocation();
    bool textFieldShouldBeginEditing(ui::TextField& field) override;
    bool textFieldShouldEndEditing(ui::TextField&) override;
    bool shouldChangeCharactersInRange(ui::TextField& field, ui::Range range,
                                       const QString& replacement) override;
    bool textFieldShouldReturn(ui::TextField& field) override;
    void clearHistory() override;
    void searchFromHistory(const QString& keyword) override;
    void resignTextFieldFirstRespond() override;
    void clickedButtonAtIndex(ui::ActionSheet& sheet, int index) override;

    // Table.
    int numberOfRowsInSection(ui::TableView&, int) override { return paging_.rowCount(); }
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    double heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override {
        return kRowHeight;
    }
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;
    void scrollViewWillBeginDragging(ui::ScrollView& scrollView) override;
    void scrollViewDidScroll(ui::ScrollView& scrollView) override;
    void scrollViewDidEndDragging(ui::ScrollView& scrollView, bool willDecelerate) override;
    void refreshViewDidCallBack() override;

    // Quick-filter bar.
    int numOfSelectSectionInQFView(QuickFilterView&) override {
        return int(quickFilterArray_.size());
    }
    QString qfViewTitleForIndex(QuickFilterView&, int index) override;
    std::optional<QuickFilterRows> qfViewDataForSection(QuickFilterView& bar, int index,
                                                        int section) override;
    int numOfSectionInQFView(QuickFilterView&, int index) override;
    QStringList filterKeyForQfView(QuickFilterView&) override { return quickFilterArray_; }
    void qfViewDidSelectSection(QuickFilterView& bar, int index, const ui::IndexPath& path,
                                const QuickFilterRows& rows) override;
    void qfViewDidSelectRightSection(QuickFilterView& bar, int index, const ui::IndexPath& path,
                                     const QuickFilterRows& rows) override;
    void moreBtnTouchForQFView(QuickFilterView&) override { filterScreen(); }

    // The detail's side.
    [[nodiscard]] const QVariantList& postDetailNewContentArray() const override {
        return paging_.contentArray;
    }
    [[nodiscard]] bool postDetailNewHasMoreData() const override { return paging_.isHaveMoreData; }
    void postDetailNewLoadMoreData(std::function<void(bool)> completion) override;
    void postDetailNewCurrentIndexWhenPopOrDismiss(unsigned index) override {
        scrollToIndexWhenAppear_ = index;
    }

protected:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;

private:
    void addTitleView();
    void addSearchOverlay();
    void showSearchOverlay();
    void showHistory();
    // A search for the keyword from page 0.
    void searchWithKeyword(const QString& keyword);
    void initData();
    // Drops the table, the bar and the conditions and loads the current type again.
    void rebuild();
    // Takes the device's position for a nearby list; NO (and the reason shown) when
    // there is none yet.
    bool takeNearbyPosition();
    [[nodiscard]] int requestCity() const;
    void addTbl();
    void addLoadingView();
    void removeLoading();
    void nextPage(std::function<void(bool)> completion);
    void fangXinFangActivity();
    void setMoreRow(const QString& text, double fontSize, bool spinning);
    [[nodiscard]] double contentTop() const { return isQuickFiter_ ? kBarHeight : 0; }
    // The height under the quick-filter bar that the table, loading and error views fill.
    [[nodiscard]] double contentHeight();
    [[nodiscard]] bool isVisibleScreen();
    [[nodiscard]] QuickFilterRows rerurnFilterArrayWithIndex(int index);
    void saveFilterDefaultInfo();
    void saveFilterCommentWithIndex(int index);
    void donePickWithIndex(int index);
    void fromFilterInitbtn();
    [[nodiscard]] QString getBtnDefaultStr(int index);
    void getDefaultSelectRowForFilterArray();

    PostListPaging paging_;
    QString title_;
    std::shared_ptr<tovikFilters2> filter_;
    QStringList quickFilterArray_;
    bool isQuickFiter_ = false;
    std::map<int, int> pickerSelectDic_;
    QuickFilterRows pickerArray_;
    FilterItem pickerDic_;
    int selectRow_ = 0;
    int districtSelectRow_ = 0;
    bool loadFilterUnSuccess_ = false;
    QStringList filterSelectIndexArray_;
    bool needRefresh_ = false;
    unsigned scrollToIndexWhenAppear_ = 0;
    std::function<void()> errorReload_;
    // What the "more" row shows; kept here so that a table reload while a page loads keeps it.
    struct MoreRowLook {
        QString text = QStringLiteral("获取更多信息");
        double fontSize = 18;
        bool spinning = false;
    } moreRow_;
    void applyMoreRow(ui::TableViewCell& cell) const;
    // The completions waiting for the page request under way; null when none is under way.
    // A next page asked for meanwhile waits for that request instead of advancing past it.
    std::shared_ptr<std::vector<std::function<void(bool)>>> pageWaiters_;
    bool nearby_ = false;
    // The device position (latitude,longitude) and located city the nearby list asks with.
    QString nearbyLocation_;
    int nearbyCity_ = -1;

    std::shared_ptr<ui::View> headerView_;
    std::shared_ptr<ui::TableView> listTbl_;
    std::shared_ptr<RefreshView> refreshView_;
    std::shared_ptr<QuickFilterView> tempView_;
    std::shared_ptr<ns::Timer> timer_;
    std::shared_ptr<ui::Label> locationBar_;
    std::vector<std::shared_ptr<ns::NotificationCenter::Observation>> observations_;

    std::unique_ptr<SearchTitleBar> vTitleSearchBar_;
    bool searching_ = false;
    bool isTextFiledEndEdit_ = false;
    std::shared_ptr<ui::View> grayView_;
    std::shared_ptr<ui::View> filterCommentView_;
    std::shared_ptr<ui::Label> filterCommentLabel_;
    std::shared_ptr<ui::TableView> searchHistoryTable_;
    std::shared_ptr<SearchListHistoryDelegate> searchHistoryDelegate_;
    KeywordSuggestion suggestion_;
};
