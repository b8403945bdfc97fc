// The post list's keyword search: the search field in the title bar, the dimmed overlay
// with the history or the suggestions, and the searches it starts.
#include "houses/list/QXPostList.h"

#include "analytics/StatClick.h"
#include "houses/query/SearchHistory.h"
#include "houses/query/SearchKeyword.h"
#include "net/QXNetContext.h"
#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/window.h"
#include "ui/navigation/UIViewController+Navigation.h"

namespace {
const QString kHistoryTitle = QStringLiteral("确定删除历史记录吗?");
}

void QXPostList::addSearchOverlay() {
    const double height =
        ui::Screen::mainScreen().bounds().size.height - 64 - (hidesBottomBarWhenPushed() ? 0 : 49);
    grayView_ = std::make_shared<ui::View>(ui::Rect(0, 0, 320, height));
    grayView_->setBackgroundColor(ui::Color::colorWithWhite(0, 0.3));
    grayView_->setHidden(true);
    searchHistoryDelegate_ = std::make_shared<SearchListHistoryDelegate>();
    searchHistoryDelegate_->setDelegate(weakAs<QXPostList>());
    searchHistoryTable_ = std::make_shared<ui::TableView>(ui::Rect(0, 0, 320, height));
    searchHistoryTable_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    searchHistoryTable_->setBackgroundColor(ui::Color::clearColor());
    searchHistoryTable_->setExclusiveTouch(true);
    searchHistoryTable_->setDataSource(searchHistoryDelegate_);
    searchHistoryTable_->setDelegate(searchHistoryDelegate_);
    grayView_->addSubview(searchHistoryTable_);
    view()->addSubview(grayView_);
}

void QXPostList::showSearchOverlay() {
    grayView_->setHidden(false);
    view()->bringSubviewToFront(grayView_.get());
}

void QXPostList::showHistory() {
    // Suggestions of an earlier text must not come in over the history.
    suggestion_.cancel();
    searchHistoryDelegate_->refreshData();
    searchHistoryTable_->reloadData();
}

void QXPostList::searchText() {
    StatClick::event(QStringLiteral("house_bn_search"));
    showTitleSearchBar(true);
    showSearchOverlay();
}

void QXPostList::showTitleSearchBar(bool shown) {
    if (shown) {
        if (!vTitleSearchBar_) {
            vTitleSearchBar_ = std::make_unique<SearchTitleBar>(
                QStringLiteral("button34px.png"), [weak = weakAs<QXPostList>()] {
                    if (auto self = weak.lock()) self->textfieldSearchEvent();
                });
            vTitleSearchBar_->field()->setTag(kSearchFieldTag);
            vTitleSearchBar_->field()->setDelegate(weakAs<QXPostList>());
        }
        searching_ = true;
        vTitleSearchBar_->view()->setHidden(false);
        vTitleSearchBar_->field()->setText(paging_.keyword);
        navigationItem().setTitleView(vTitleSearchBar_->view());
        navigationItem().setRightBarButtonItem(nullptr);
        UIViewControllerNavigation::setNavigationBackButton(*this, [weak = weakAs<QXPostList>()] {
            if (auto self = weak.lock()) self->removeSearchView();
        });
        vTitleSearchBar_->focus(*this);
        return;
    }
    searching_ = false;
    if (vTitleSearchBar_) {
        vTitleSearchBar_->view()->setHidden(true);
        vTitleSearchBar_->field()->setText(QString());
    }
    paging_.keyword.clear();
    addTitleView();
    searchWithKeyword(QString());
    grayView_->setHidden(true);
}

void QXPostList::removeSearchView() {
    if (vTitleSearchBar_ && vTitleSearchBar_->field()->isFirstResponder())
        vTitleSearchBar_->field()->resignFirstResponder();
    suggestion_.cancel();
    showTitleSearchBar(false);
}

void QXPostList::searchWithKeyword(const QString& keyword) {
    paging_.keyword = keyword;
    paging_.startFreshPage();
    addLoadingView();
    getDataFromNetwork();
}

bool QXPostList::textFieldShouldBeginEditing(ui::TextField& field) {
    isTextFiledEndEdit_ = false;
    showSearchOverlay();
    if (field.text().isEmpty()) showHistory();
    return true;
}

bool QXPostList::textFieldShouldEndEditing(ui::TextField&) {
    isTextFiledEndEdit_ = true;
    return true;
}

bool QXPostList::shouldChangeCharactersInRange(ui::TextField& field, ui::Range range,
                                               const QString& replacement) {
    if (isTextFiledEndEdit_) return true;
    const QString keyword =
        SearchKeyword::cleaned(SearchKeyword::afterEdit(field.text(), range, replacement));
    if (keyword.isEmpty()) {
        showHistory();
    } else {
        loadDataWithKeyword(keyword);
    }
    return true;
}

void QXPostList::loadDataWithKeyword(const QString& keyword) {
    // A list of major category 2 names none.
    const std::optional<int> major =
        paging_.majorId == 2 ? std::nullopt : std::optional<int>(paging_.majorId);
    suggestion_.request(
        KeywordSuggestion::body(QXNetContext::shared()->currentCityScript_index(), keyword,
                                paging_.masterId, major),
        [weak = weakAs<QXPostList>()](const QVariantList& rows) {
            auto self = weak.lock();
            if (!self || rows.isEmpty()) return;
            self->searchHistoryDelegate_->setSearchResultArray(rows);
            self->searchHistoryDelegate_->setIsShowHistory(false);
            self->searchHistoryTable_->reloadData();
        },
        [weak = weakAs<QXPostList>()](const QVariantMap&) {
            auto self = weak.lock();
            if (!self) return;
            self->removeLoading();
            // The notice covers the list: never the posts that loaded.
            if (self->paging_.contentArray.isEmpty())
                self->addErrorTipViewWithErrorMsg(kUnsteadyNetwork, 0);
        });
}

void QXPostList::textfieldSearchEvent() {
    MyTextField* field = vTitleSearchBar_->field().get();
    if (QString(field->text()).remove(u' ').isEmpty()) {
        SearchKeyword::alertEmptyKeyword();
        return;
    }
    field->resignFirstResponder();
    const QString keyword = field->text().trimmed();
    grayView_->setHidden(true);
    if (keyword.isEmpty()) {
        removeSearchView();
        return;
    }
    searchWithKeyword(keyword);
    saveKeyStringToLocation();
}

bool QXPostList::textFieldShouldReturn(ui::TextField& field) {
    field.resignFirstResponder();
    const QString keyword = field.text().trimmed();
    grayView_->setHidden(true);
    if (keyword.isEmpty()) {
        removeSearchView();
        return true;
    }
    searchWithKeyword(keyword);
    saveKeyStringToLocation();
    return true;
}

void QXPostList::searchFromHistory(const QString& keyword) {
    grayView_->setHidden(true);
    searchWithKeyword(keyword);
    if (vTitleSearchBar_) {
        vTitleSearchBar_->field()->setText(keyword);
        vTitleSearchBar_->field()->resignFirstResponder();
    }
    saveKeyStringToLocation();
}

void QXPostList::saveKeyStringToLocation() {
    SearchHistory::record(paging_.keyword);
}

void QXPostList::clearHistory() {
    auto sheet = std::make_shared<ui::ActionSheet>(kHistoryTitle, weakAs<QXPostList>(),
                                                   QStringLiteral("取消"), QStringLiteral("确定"));
    sheet->setTag(kClearSheetTag);
    sheet->showInView(view()->window());
}

void QXPostList::clickedButtonAtIndex(ui::ActionSheet& sheet, int index) {
    if (sheet.tag() != kClearSheetTag || index != 0) return;
    SearchHistory::clear();
    searchHistoryDelegate_->refreshData();
    searchHistoryTable_->reloadData();
}

void QXPostList::resignTextFieldFirstRespond() {
    if (vTitleSearchBar_ && vTitleSearchBar_->field()->isFirstResponder())
        vTitleSearchBar_->field()->resignFirstResponder();
}
