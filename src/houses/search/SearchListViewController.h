#pragma once

#include "houses/query/KeywordSuggestion.h"
#include "houses/query/QuickFilterView.h"
#include "houses/query/SearchTitleBar.h"
#include "houses/query/tovikFilters2.h"
#include "houses/search/SearchPage.h"
#include "houses/shared/QXPostDetailRefreshProtocol.h"
#include "platform/foundation/timer.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/text_field.h"
#include "platform/uikit/view_controller.h"
#include "ui/widgets/RefreshView.h"

#include <QStringList>
#include <QVariantList>

#include <functional>
#include <memory>
#include <vector>

namespace ui {
class Label;
}

// The housing posts whose titles hold a keyword. It first asks how many posts match in each
// category ("GetWebSearchCount"), takes the first category and its first major category,
// loads that category's filter definitions for the quick-filter bar and the first page of
// matching posts, then pages on by the "获取更多信息" row, by scrolling to the bottom, by
// pull-to-refresh and for the post detail. The bar's first column switches the category and
// major category (with their counts), the next columns are the category's first filters
// and "更多" opens the full filter screen. The title bar holds the keyword field: while it is
// edited suggestions cover the screen, and a confirmed keyword starts a new search. A 60 s
// time-out guards the whole first load. A new search leaves the replies of the earlier
// ones unread: counts, pages, filters and suggestions of an older keyword never show.
class SearchListViewController : public ui::ViewController,
                                 public ui::TableViewDataSource,
                                 public ui::TableViewDelegate,
                                 public ui::TextFieldDelegate,
                                 public QuickFilterViewDelegate,
                                 public RefreshViewDelegate,
                                 public QXPostDetailRefreshProtocol {
public:
    static constexpr int kSuggestionTableTag = 1102;
    static constexpr int kNoticeTag = 6579;
    static constexpr int kNoticeBlockTag = 6578;
    static constexpr int kNoticeLabelTag = 6580;
    static constexpr int kTimeOutTag = 6679;
    static constexpr int kTimeOutBlockTag = 6678;
    static constexpr int kTimeOutLabelTag = 6680;
    static constexpr int kLoadingTag = 121292;
    static constexpr int kLoadingSpinnerTag = 123;
    static constexpr double kTimeOut = 60;
    static inline const QString kNothingFound = QStringLiteral("没有相关筛选信息，请重新筛选吧");
    static inline const QString kNetworkTrouble = QStringLiteral("网络不稳定,稍后再试吧...");
    static inline const QString kTimedOut = QStringLiteral("您搜索超时,请重新搜索");
    static inline const QString kSearchAgain = QStringLiteral("重新搜索");
    static inline const QString kCategoryKey = QStringLiteral("categoryFilter");

    SearchListViewController();
    ~SearchListViewController() override;

    [[nodiscard]] const QString& keyword() const { return keyword_; }
    void setKeyword(const QString& keyword) { keyword_ = keyword; }
    [[nodiscard]] const SearchPage& page() const { return page_; }
    [[nodiscard]] const QVariantList& categoryFilterArray() const { return categoryFilterArray_; }
    [[nodiscard]] const QString& categoryTitle() const { return categoryTitle_; }
    [[nodiscard]] const QStringList& quickFilterKeyArray() const { return quickFilterKeyArray_; }
    [[nodiscard]] const QVariantList& searchArray() const { return searchArray_; }
    [[nodiscard]] int selectIndex() const { return selectIndex_; }
    void setSelectIndex(int index) { selectIndex_ = index; }
    [[nodiscard]] bool isLoading() const { return isLoading_; }
    [[nodiscard]] bool isHadLoadFilter() const { return isHadLoadFilter_; }
    [[nodiscard]] ui::TableView* mainTbl() const { return mainTbl_.get(); }
    [[nodiscard]] ui::TableView* suggestionTable() const { return suggestionTbl_.get(); }
    [[nodiscard]] QuickFilterView* quickFilterView() const { return tempView_.get(); }
    // The filter model of the chosen category.
    [[nodiscard]] std::shared_ptr<tovikFilters2> filter() const { return filter_; }
    [[nodiscard]] RefreshView* refreshView() const { return refreshView_.get(); }
    [[nodiscard]] MyTextField* mainTF() const {
        return titleBar_ ? titleBar_->field().get() : nullptr;
    }
    [[nodiscard]] ui::Button* searchButton() const {
        return titleBar_ ? titleBar_->button().get() : nullptr;
    }
    // The message the notice or the time-out view shows while shown; empty otherwise.
    [[nodiscard]] QString noticeText() const;
    [[nodiscard]] QString timeOutText() const;
    [[nodiscard]] bool loadingShown() const;

    // The first load of a keyword: counts, then the first page and the filters.
    void loadSearchCategoryWithKeyword(const QString& keyword);
    // One page of category `masterId` (a text or a number; else none) for the keyword.
    void loadSearchListWithMasterId(const QVariant& masterId, const QString& keyword,
                                    std::function<void(bool)> completion = nullptr);
    void loadDataWithKeyword(const QString& keyword);
    void loadFilterArrayWithMasterId(const QString& masterId);
    void moreData();
    void startLoading();
    void stopLoading();
    void textfieldSearchEvent();
    void timeOutForNetwork();
    void restartNetwork();
    // The back button: it first folds the suggestions away, then leaves the screen.
    void goBack();
    // The category chooser over the last counts; nothing when there are none.
    void showCategory();
    void resetAppStreet();

    // Field.
    bool textFieldShouldBeginEditing(ui::TextField& field) override;
    bool textFieldShouldEndEditing(ui::TextField&) override;
    bool shouldChangeCharactersInRange(ui::TextField& field, ui::Range range,
                                       const QString& replacement) override;
    bool textFieldShouldReturn(ui::TextField&) override;

    // Post table and suggestion table.
    int numberOfRowsInSection(ui::TableView& table, int) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    double heightForRowAtIndexPath(ui::TableView& table, const ui::IndexPath&) override;
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;
    void scrollViewWillBeginDragging(ui::ScrollView& scrollView) override;
    void scrollViewDidScroll(ui::ScrollView& scrollView) override;
    void scrollViewDidEndDragging(ui::ScrollView& scrollView, bool willDecelerate) override;
    void refreshViewDidCallBack() override { startLoading(); }

    // Quick-filter bar (SearchListQuickFilters.cpp).
    int numOfSelectSectionInQFView(QuickFilterView&) override {
        return int(quickFilterKeyArray_.size());
    }
    QStringList filterKeyForQfView(QuickFilterView&) override { return quickFilterKeyArray_; }
    QString qfViewTitleForIndex(QuickFilterView&, int index) override;
    int numOfSectionInQFView(QuickFilterView&, int index) override;
    std::optional<QuickFilterRows> qfViewDataForSection(QuickFilterView& bar, int index,
                                                        int section) override;
    void qfViewDidSelectRightSection(QuickFilterView& bar, int index, const ui::IndexPath& path,
                                     const QuickFilterRows& rows) override;
    void qfViewDidSelectSection(QuickFilterView& bar, int index, const ui::IndexPath& path,
                                const QuickFilterRows& rows) override;
    void moreBtnTouchForQFView(QuickFilterView&) override;
    [[nodiscard]] QString getQuickFilterTitleWithKey(const QString& key) const;
    [[nodiscard]] QString getTitleFromListArrayWithIndex(int index);
    void getDefaultSelectRowForFilterArray();
    void fromFilterInitbtn();
    void getQuickFilterArray();

    // The detail's side.
    [[nodiscard]] const QVariantList& postDetailNewContentArray() const override {
        return page_.listArray;
    }
    [[nodiscard]] bool postDetailNewHasMoreData() const override { return page_.isHaveMoreData; }
    void postDetailNewLoadMoreData(std::function<void(bool)> completion) override;
    void postDetailNewCurrentIndexWhenPopOrDismiss(unsigned index) override {
        scrollToIndexWhenAppear_ = index;
    }

protected:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    // A new keyword from the field or a suggestion: conditions and bar choices reset.
    void searchAgain(const QString& keyword);
    void hideSuggestions();
    void cancelRequests();
    void loadListSuccessWithResult(const QVariant& reply, int page);
    void pageFailed(int page);
    void nextPageFromList();
    void setMoreRow(const QString& text, bool spinning);
    void addLoadingView();
    void removeLoadingView();
    void addErrorTipViewWithErrorMsg(const QString& message);
    void hideNotice();
    void addErrorTipViewWithErrorMsg(const QString& message, const QString& buttonTitle);
    [[nodiscard]] bool isJobCategory() const;
    [[nodiscard]] QuickFilterRows rerurnFilterArrayWithIndex(int index) const;
    [[nodiscard]] FilterItem filterItem(const QString& key) const;
    void setChosenRows(int index, const QStringList& rows);

    QString keyword_;
    QVariantList searchArray_;
    int selectIndex_ = 0;
    SearchPage page_;
    QStringList quickFilterKeyArray_;
    std::optional<FilterList> filterArray_;
    std::shared_ptr<tovikFilters2> filter_;
    bool isLoading_ = false;
    QVariantList categoryFilterArray_;
    QString urlStr_;
    bool isHadLoadFilter_ = false;
    QString categoryTitle_;
    bool isTextFiledEndEdit_ = false;
    unsigned scrollToIndexWhenAppear_ = 0;
    // Whose replies count: a new first load makes the earlier ones' replies stale, and only
    // the latest page request speaks for the list.
    quint64 searchNumber_ = 0;
    quint64 pageNumber_ = 0;
    // The completions waiting for the page request under way.
    std::vector<std::function<void(bool)>> pageWaiters_;
    bool moreSpinning_ = false;
    ns::DelayedCall timeOut_;
    KeywordSuggestion suggestion_;

    std::unique_ptr<SearchTitleBar> titleBar_;
    std::shared_ptr<ui::TableView> mainTbl_;
    std::shared_ptr<ui::TableView> suggestionTbl_;
    std::shared_ptr<RefreshView> refreshView_;
    std::shared_ptr<QuickFilterView> tempView_;
    std::shared_ptr<ui::View> loadingView_;
    std::shared_ptr<ui::View> noticeView_;
    std::shared_ptr<ui::View> timeOutView_;
};
