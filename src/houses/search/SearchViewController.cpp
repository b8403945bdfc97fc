#include "houses/search/SearchViewController.h"

#include "houses/query/SearchHistory.h"
#include "houses/query/SearchKeyword.h"
#include "houses/query/SearchListHistoryDelegate.h"
#include "houses/search/SearchListViewController.h"
#include "net/QXNetContext.h"
#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/table_view_cell.h"
#include "ui/navigation/UIViewController+Navigation.h"

SearchViewController::SearchViewController() {
    setHidesBottomBarWhenPushed(true);
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
}

SearchViewController::SearchViewController(int, int) : SearchViewController() {}

SearchViewController::~SearchViewController() = default;

void SearchViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    view()->setBackgroundColor(ui::Color::whiteColor());
    const auto weak = weakAs<SearchViewController>();
    titleBar_ = std::make_unique<SearchTitleBar>(QStringLiteral("buttonB高34.png"), [weak] {
        if (auto self = weak.lock()) self->textfieldSearchEvent();
    });
    titleBar_->field()->setClearButtonMode(ui::TextFieldViewMode::WhileEditing);
    titleBar_->field()->setDelegate(weak);
    navigationItem().setTitleView(titleBar_->view());
    UIViewControllerNavigation::setNavigationBackButton(*this, [weak] {
        if (auto self = weak.lock()) self->removeSearchView();
    });

    const double height = ui::Screen::mainScreen().bounds().size.height - 64;
    mainTbl_ = std::make_shared<ui::TableView>(ui::Rect(0, 0, 320, height));
    mainTbl_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    mainTbl_->setHidden(true);
    mainTbl_->setDataSource(weak);
    mainTbl_->setDelegate(weak);
    view()->addSubview(mainTbl_);

    historyArray_ = SearchHistory::keywords();
    if (!historyArray_.isEmpty()) {
        isShowHistory_ = true;
        mainTbl_->setHidden(false);
    }
}

void SearchViewController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    // Back from the results, the history holds what was searched there too.
    if (!focused_) return;
    historyArray_ = SearchHistory::keywords();
    if (!mainTbl_->isHidden()) mainTbl_->reloadData();
}

void SearchViewController::viewDidAppear(bool animated) {
    ui::ViewController::viewDidAppear(animated);
    // The field takes the keyboard as soon as the screen shows (it needs a window for it).
    if (focused_) return;
    focused_ = true;
    titleBar_->focus(*this);
}

void SearchViewController::removeSearchView() {
    suggestion_.cancel();
    if (ui::NavigationController* navigation = navigationController())
        navigation->popViewControllerAnimated(false);
}

void SearchViewController::textfieldSearchEvent() {
    const QString keyword = SearchKeyword::cleaned(titleBar_->field()->text());
    if (keyword.isEmpty()) {
        SearchKeyword::alertEmptyKeyword();
        return;
    }
    titleBar_->field()->resignFirstResponder();
    SearchHistory::record(keyword);
    openResults(keyword);
}

bool SearchViewController::textFieldShouldReturn(ui::TextField&) {
    textfieldSearchEvent();
    return true;
}

bool SearchViewController::textFieldShouldBeginEditing(ui::TextField&) {
    isTextFiledEndEdit_ = false;
    return true;
}

bool SearchViewController::textFieldShouldEndEditing(ui::TextField&) {
    isTextFiledEndEdit_ = true;
    return true;
}

bool SearchViewController::shouldChangeCharactersInRange(ui::TextField& field, ui::Range range,
                                                         const QString& replacement) {
    if (isTextFiledEndEdit_) return true;
    const QString keyword =
        SearchKeyword::cleaned(SearchKeyword::afterEdit(field.text(), range, replacement));
    if (!keyword.isEmpty()) {
        isShowHistory_ = false;
        loadDataWithKeyword(keyword);
        return true;
    }
    // Back to the history: suggestions of an earlier text must not come in over it.
    suggestion_.cancel();
    isShowHistory_ = true;
    resultArray_.clear();
    showTable();
    return true;
}

void SearchViewController::loadDataWithKeyword(const QString& keyword) {
    suggestion_.request(
        KeywordSuggestion::body(QXNetContext::shared()->currentCityScript_index(), keyword),
        [weak = weakAs<SearchViewController>()](const QVariantList& rows) {
            auto self = weak.lock();
            if (!self) return;
            self->isShowHistory_ = false;
            // An empty reply keeps the rows shown until the next reload.
            if (rows.isEmpty()) return;
            self->resultArray_ = rows;
            self->showTable();
        });
}

void SearchViewController::showTable() {
    mainTbl_->setHidden(false);
    mainTbl_->reloadData();
}

void SearchViewController::openResults(const QString& keyword) {
    suggestion_.cancel();
    auto results = std::make_shared<SearchListViewController>();
    results->setKeyword(keyword);
    if (ui::NavigationController* navigation = navigationController())
        navigation->pushViewController(results, true);
}

int SearchViewController::numberOfRowsInSection(ui::TableView&, int) {
    if (!isShowHistory_) return int(resultArray_.size());
    return historyArray_.isEmpty() ? 0 : int(historyArray_.size()) + 1;
}

std::shared_ptr<ui::TableViewCell> SearchViewController::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& path) {
    // The rows follow what the screen holds: suggestions while it holds some.
    if (!showsSuggestions() && path.row == int(historyArray_.size()))
        return SearchListHistoryDelegate::clearRow();
    auto cell = SearchListHistoryDelegate::keywordRow(table);
    if (showsSuggestions()) {
        SearchListHistoryDelegate::showSuggestion(*cell, resultArray_.value(path.row));
    } else {
        SearchListHistoryDelegate::showHistory(*cell, historyArray_.value(path.row));
    }
    return cell;
}

void SearchViewController::didSelectRowAtIndexPath(ui::TableView& table,
                                                   const ui::IndexPath& path) {
    table.deselectRowAtIndexPath(path, true);
    if (!showsSuggestions() && path.row == int(historyArray_.size())) {
        auto sheet =
            std::make_shared<ui::ActionSheet>(kClearQuestion, weakAs<SearchViewController>(),
                                              QStringLiteral("取消"), QStringLiteral("确定"));
        sheet->showInView(view().get());
        return;
    }
    QString keyword;
    if (showsSuggestions()) {
        keyword = SearchListHistoryDelegate::suggestionText(resultArray_.value(path.row));
        SearchHistory::record(keyword);
    } else {
        keyword = historyArray_.value(path.row);
    }
    // A row without a text has nothing to search for.
    if (!keyword.isEmpty()) openResults(keyword);
}

void SearchViewController::scrollViewDidScroll(ui::ScrollView& scrollView) {
    if (!scrollView.isDragging() || scrollView.isDecelerating()) return;
    if (titleBar_->field()->isFirstResponder()) titleBar_->field()->resignFirstResponder();
}

void SearchViewController::clickedButtonAtIndex(ui::ActionSheet&, int index) {
    if (index != 0) return;
    SearchHistory::clear();
    historyArray_.clear();
    mainTbl_->reloadData();
    mainTbl_->setHidden(true);
}
