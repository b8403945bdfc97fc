#include "houses/search/SearchListViewController.h"

#include "houses/HousesNavigation.h"
#include "houses/query/PostListPaging.h"
#include "houses/query/SearchHistory.h"
#include "houses/query/SearchKeyword.h"
#include "houses/query/SearchListHistoryDelegate.h"
#include "houses/query/SearchTitleBar.h"
#include "houses/search/SearchCategoryViewController.h"
#include "houses/search/SearchCount.h"
#include "houses/shared/HousesHost.h"
#include "houses/shared/MoreRowCell.h"
#include "houses/shared/QXPostListCell.h"
#include "houses/shared/QXPostListCellForZhaoPin.h"
#include "net/EndpointTable.h"
#include "net/QXIMRequest.h"
#include "net/QXNetContext.h"
#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/table_view_cell.h"
#include "ui/image/StretchedImage.h"
#include "ui/navigation/UIViewController+Navigation.h"

#include <cmath>

namespace {

constexpr double kWidth = 320;
constexpr double kSearchBarHeight = 40;
constexpr double kHousingRowHeight = 70;
constexpr double kJobRowHeight = 100;
const QString kHousingIdentifier = QStringLiteral("searchListCellIdentifier");
const QString kJobIdentifier = QStringLiteral("QXPostListForZhaoPin");

double screenHeight() {
    return ui::Screen::mainScreen().bounds().size.height;
}

// A category given as a text, or as a number written out; else none.
QString categoryText(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::QString:
            return value.toString();
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
            return QString::number(value.toLongLong());
        default:
            return SearchPage::kNone;
    }
}

}  // namespace

SearchListViewController::SearchListViewController() {
    setHidesBottomBarWhenPushed(true);
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
    resetAppStreet();
}

SearchListViewController::~SearchListViewController() {
    timeOut_.cancel();
}

void SearchListViewController::resetAppStreet() {
    HousesHost::shared()->resetCurrentStreet();
}

void SearchListViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    const auto weak = weakAs<SearchListViewController>();
    UIViewControllerNavigation::setNavigationBackButton(*this, [weak] {
        if (auto self = weak.lock()) self->goBack();
    });
    view()->setBackgroundColor(ui::Color::whiteColor());

    titleBar_ = std::make_unique<SearchTitleBar>(QStringLiteral("buttonB高34.png"), [weak] {
        if (auto self = weak.lock()) self->textfieldSearchEvent();
    });
    titleBar_->field()->setText(keyword_);
    titleBar_->field()->setClearButtonMode(ui::TextFieldViewMode::WhileEditing);
    titleBar_->field()->setDelegate(weak);
    navigationItem().setTitleView(titleBar_->view());

    const double height = screenHeight();
    mainTbl_ = std::make_shared<ui::TableView>(ui::Rect(0, kSearchBarHeight, kWidth, height - 104));
    mainTbl_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    mainTbl_->setDataSource(weak);
    mainTbl_->setDelegate(weak);
    view()->addSubview(mainTbl_);
    refreshView_ = RefreshView::initWithOwner(mainTbl_, weak);

    suggestionTbl_ = std::make_shared<ui::TableView>(ui::Rect(0, 0, kWidth, height - 64));
    suggestionTbl_->setTag(kSuggestionTableTag);
    suggestionTbl_->setHidden(true);
    suggestionTbl_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    suggestionTbl_->setDataSource(weak);
    suggestionTbl_->setDelegate(weak);
    view()->addSubview(suggestionTbl_);

    loadSearchCategoryWithKeyword(keyword_);
}

void SearchListViewController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    if (!mainTbl_) return;
    if (scrollToIndexWhenAppear_ != 0 && int(scrollToIndexWhenAppear_) < page_.listArray.size()) {
        mainTbl_->scrollToRowAtIndexPath(ui::IndexPath(0, int(scrollToIndexWhenAppear_)),
                                         ui::TableViewScrollPosition::Middle, true);
        scrollToIndexWhenAppear_ = 0;
    }
    mainTbl_->reloadData();
}

void SearchListViewController::viewWillDisappear(bool animated) {
    ui::ViewController::viewWillDisappear(animated);
    if (tempView_) tempView_->rebackAllQFTbl();
}

// --- loading, notices and the time-out ---

void SearchListViewController::addLoadingView() {
    if (!loadingView_) {
        const double height = screenHeight() - 64;
        loadingView_ = std::make_shared<ui::View>(ui::Rect(0, 0, kWidth, height));
        loadingView_->setTag(kLoadingTag);
        loadingView_->setBackgroundColor(ui::Color::whiteColor());
        const double cx = kWidth / 2, cy = height / 2;
        auto spinner =
            std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::Gray);
        spinner->setFrame({cx - 65, cy - 15, 30, 30});
        spinner->setTag(kLoadingSpinnerTag);
        loadingView_->addSubview(spinner);
        auto label = std::make_shared<ui::Label>(ui::Rect(cx - 50, cy - 7, 100, 16));
        label->setText(QStringLiteral("努力加载中"));
        label->setTextAlignment(ui::TextAlignment::Center);
        label->setTextColor(ui::Color::colorWithWhite(77.0 / 255));
        label->setBackgroundColor(ui::Color::clearColor());
        label->setFont(ui::Font::systemFontOfSize(14));
        loadingView_->addSubview(label);
        view()->addSubview(loadingView_);
    }
    loadingView_->setHidden(false);
    if (auto* spinner =
            dynamic_cast<ui::ActivityIndicatorView*>(loadingView_->viewWithTag(kLoadingSpinnerTag)))
        spinner->startAnimating();
    view()->bringSubviewToFront(loadingView_.get());
}

void SearchListViewController::removeLoadingView() {
    timeOut_.cancel();
    if (!loadingView_) return;
    loadingView_->setHidden(true);
    if (auto* spinner =
            dynamic_cast<ui::ActivityIndicatorView*>(loadingView_->viewWithTag(kLoadingSpinnerTag)))
        spinner->stopAnimating();
    view()->sendSubviewToBack(loadingView_.get());
}

bool SearchListViewController::loadingShown() const {
    return loadingView_ && !loadingView_->isHidden();
}

void SearchListViewController::addErrorTipViewWithErrorMsg(const QString& message) {
    if (!noticeView_) {
        const double height = screenHeight();
        noticeView_ =
            std::make_shared<ui::View>(ui::Rect(0, kSearchBarHeight, kWidth, height - 104));
        noticeView_->setTag(kNoticeTag);
        noticeView_->setBackgroundColor(ui::Color::whiteColor());
        auto image = std::make_shared<ui::ImageView>(
            ui::Image::imageNamed(QStringLiteral("帖子加载失败.png")));
        const ui::Size size = image->image() ? image->image()->size() : ui::Size(80, 80);
        auto block = std::make_shared<ui::View>(
            ui::Rect(0, (height - 64 - size.height) * 0.5 - 40, kWidth, 125));
        block->setTag(kNoticeBlockTag);
        block->setBackgroundColor(ui::Color::clearColor());
        image->setFrame({(kWidth - size.width) / 2, 0, size.width, size.height});
        block->addSubview(image);
        auto label = std::make_shared<ui::Label>(ui::Rect(0, size.height + 5, kWidth, 20));
        label->setTag(kNoticeLabelTag);
        label->setFont(ui::Font::systemFontOfSize(14));
        label->setTextAlignment(ui::TextAlignment::Center);
        label->setTextColor(ui::Color::colorWithWhite(178.0 / 255));
        label->setBackgroundColor(ui::Color::clearColor());
        block->addSubview(label);
        noticeView_->addSubview(block);
        view()->insertSubviewAboveSubview(noticeView_, mainTbl_.get());
    }
    if (auto* label = dynamic_cast<ui::Label*>(noticeView_->viewWithTag(kNoticeLabelTag)))
        label->setText(message);
    noticeView_->setHidden(false);
}

void SearchListViewController::hideNotice() {
    if (noticeView_) noticeView_->setHidden(true);
}

QString SearchListViewController::noticeText() const {
    if (!noticeView_ || noticeView_->isHidden()) return QString();
    auto* label = dynamic_cast<ui::Label*>(noticeView_->viewWithTag(kNoticeLabelTag));
    return label ? label->text() : QString();
}

void SearchListViewController::addErrorTipViewWithErrorMsg(const QString& message,
                                                           const QString& buttonTitle) {
    if (!timeOutView_) {
        const double height = screenHeight();
        timeOutView_ =
            std::make_shared<ui::View>(ui::Rect(0, kSearchBarHeight, kWidth, height - 104));
        timeOutView_->setTag(kTimeOutTag);
        timeOutView_->setBackgroundColor(ui::Color::whiteColor());
        auto block =
            std::make_shared<ui::View>(ui::Rect(0, (height - 64 - 175) * 0.5 - 40, kWidth, 175));
        block->setTag(kTimeOutBlockTag);
        block->setBackgroundColor(ui::Color::clearColor());
        auto image = std::make_shared<ui::ImageView>(
            ui::Image::imageNamed(QStringLiteral("帖子加载失败.png")));
        image->setFrame({115, 0, 90, 101});
        block->addSubview(image);
        auto label = std::make_shared<ui::Label>(ui::Rect(0, 105, kWidth, 20));
        label->setTag(kTimeOutLabelTag);
        label->setFont(ui::Font::systemFontOfSize(14));
        label->setTextAlignment(ui::TextAlignment::Center);
        label->setTextColor(ui::Color::colorWithWhite(178.0 / 255));
        label->setBackgroundColor(ui::Color::clearColor());
        block->addSubview(label);
        auto button = ui::Button::buttonWithType(ui::ButtonType::Custom);
        button->setFrame({80, 135, 170, 40});
        button->setBackgroundImage(StretchedImage::withCaps(QStringLiteral("单条.png"), 7, 26),
                                   ui::kControlStateNormal);
        button->setBackgroundImage(StretchedImage::withCaps(QStringLiteral("单条点击.png"), 7, 26),
                                   ui::kControlStateHighlighted);
        button->setTitleColor(ui::Color::blackColor(), ui::kControlStateNormal);
        button->titleLabel()->setFont(ui::Font::systemFontOfSize(14));
        button->addTarget(
            button.get(), ui::kControlEventTouchUpInside,
            [weak = weakAs<SearchListViewController>()](ui::Control&, const ui::Event*) {
                if (auto self = weak.lock()) self->restartNetwork();
            });
        block->addSubview(button);
        timeOutView_->addSubview(block);
        view()->insertSubviewAboveSubview(timeOutView_, mainTbl_.get());
    }
    if (auto* label = dynamic_cast<ui::Label*>(timeOutView_->viewWithTag(kTimeOutLabelTag)))
        label->setText(message);
    for (const auto& child : timeOutView_->viewWithTag(kTimeOutBlockTag)->subviews()) {
        if (auto* button = dynamic_cast<ui::Button*>(child.get()))
            button->setTitle(buttonTitle, ui::kControlStateNormal);
    }
    timeOutView_->setHidden(false);
    view()->bringSubviewToFront(timeOutView_.get());
}

QString SearchListViewController::timeOutText() const {
    if (!timeOutView_ || timeOutView_->isHidden()) return QString();
    auto* label = dynamic_cast<ui::Label*>(timeOutView_->viewWithTag(kTimeOutLabelTag));
    return label ? label->text() : QString();
}

void SearchListViewController::cancelRequests() {
    QXIMRequest& shared = QXIMRequest::shared();
    if (!urlStr_.isEmpty()) shared.cancelToVikRequestByInterface(SearchCount::kInterface, urlStr_);
    if (filter_) filter_->cancelRequest();
    PostListPaging::cancelRequest();
    suggestion_.cancel();
}

void SearchListViewController::timeOutForNetwork() {
    removeLoadingView();
    // Whatever answers now belongs to the search that timed out.
    ++searchNumber_;
    ++pageNumber_;
    isLoading_ = false;
    cancelRequests();
    for (const auto& waiter : std::exchange(pageWaiters_, {})) waiter(false);
    addErrorTipViewWithErrorMsg(kTimedOut, kSearchAgain);
}

void SearchListViewController::restartNetwork() {
    removeLoadingView();
    if (timeOutView_) timeOutView_->setHidden(true);
    loadSearchCategoryWithKeyword(keyword_);
}

// --- the first load and the pages ---

void SearchListViewController::loadSearchCategoryWithKeyword(const QString& keyword) {
    const quint64 search = ++searchNumber_;
    addLoadingView();
    timeOut_.cancel();
    timeOut_ = ns::DelayedCall::schedule(ns::seconds(kTimeOut),
                                         [weak = weakAs<SearchListViewController>()] {
                                             if (auto self = weak.lock()) self->timeOutForNetwork();
                                         });
    QXIMRequest& shared = QXIMRequest::shared();
    // The counts of an earlier keyword have another address; they are not waited for.
    if (!urlStr_.isEmpty()) shared.cancelToVikRequestByInterface(SearchCount::kInterface, urlStr_);
    urlStr_ = SearchCount::url(keyword);
    shared.addValuesFormDic(SearchCount::headers());
    const auto weak = weakAs<SearchListViewController>();
    shared.requestWithUrlSuccessData(
        urlStr_, SearchCount::kInterface, QString(),
        [weak, search, keyword](const QVariant& reply) {
            auto self = weak.lock();
            if (!self || search != self->searchNumber_) return;
            const auto choice = SearchCount::usableCategory(reply, self->selectIndex_);
            if (!choice) {
                self->removeLoadingView();
                self->addErrorTipViewWithErrorMsg(kNothingFound);
                return;
            }
            self->categoryFilterArray_ = reply.toList();
            self->page_.startFreshPage();
            self->page_.nowMajorIndex =
                categoryText(choice->major.value(QStringLiteral("MajorCategoryScriptIndex")));
            self->categoryTitle_ =
                choice->major.value(QStringLiteral("MajorCategoryName")).toString();
            self->loadSearchListWithMasterId(choice->category.value(QStringLiteral("CategoryID")),
                                             keyword);
            self->loadFilterArrayWithMasterId(self->page_.nowMasterIndex);
        },
        [weak, search](const QVariantMap& failure) {
            auto self = weak.lock();
            if (!self || search != self->searchNumber_) return;
            if (PostListPaging::isCancellation(failure)) return;
            self->removeLoadingView();
            self->addErrorTipViewWithErrorMsg(kNetworkTrouble);
        });
}

void SearchListViewController::loadSearchListWithMasterId(const QVariant& masterId,
                                                          const QString& keyword,
                                                          std::function<void(bool)> completion) {
    isLoading_ = true;
    page_.nowMasterIndex = categoryText(masterId);
    const quint64 number = ++pageNumber_;
    const quint64 search = searchNumber_;
    // The request this one replaces will not answer: whoever waited for it hears so now.
    for (const auto& waiter : std::exchange(pageWaiters_, {})) waiter(false);
    if (completion) pageWaiters_.push_back(std::move(completion));
    const int page = page_.nowPage;
    const auto weak = weakAs<SearchListViewController>();
    const auto finish = [](SearchListViewController& self, bool loaded) {
        for (const auto& waiter : std::exchange(self.pageWaiters_, {})) waiter(loaded);
    };
    page_.request(
        QXNetContext::shared()->currentCityScript_index(), keyword,
        [weak, number, search, page, finish](const QVariant& reply) {
            auto self = weak.lock();
            if (!self || number != self->pageNumber_ || search != self->searchNumber_) return;
            self->isLoading_ = false;
            const bool fresh = self->page_.isNeedRestListArray;
            if (!fresh && reply.typeId() != QMetaType::QVariantMap) {
                // A next page that is no page keeps what was loaded.
                self->pageFailed(page);
                finish(*self, false);
                return;
            }
            self->loadListSuccessWithResult(reply, page);
            if (self->isHadLoadFilter_) {
                const bool noFilters = !self->filterArray_ || self->filterArray_->empty();
                if (noFilters && self->page_.listArray.isEmpty())
                    self->addErrorTipViewWithErrorMsg(kNetworkTrouble);
                self->removeLoadingView();
            }
            finish(*self, true);
        },
        [weak, number, search, page, finish](const QVariantMap& failure) {
            auto self = weak.lock();
            if (!self || number != self->pageNumber_ || search != self->searchNumber_) return;
            self->isLoading_ = false;
            if (self->refreshView_ && self->refreshView_->isLoading()) self->stopLoading();
            if (PostListPaging::isCancellation(failure)) {
                finish(*self, false);
                return;
            }
            if (self->page_.isNeedRestListArray) {
                self->page_.listArray.clear();
                self->page_.isHaveMoreData = false;
                self->addErrorTipViewWithErrorMsg(kNothingFound);
                self->mainTbl_->reloadData();
                if (self->tempView_) self->removeLoadingView();
            } else {
                self->pageFailed(page);
            }
            finish(*self, false);
        });
}

void SearchListViewController::pageFailed(int page) {
    page_.pageFailed(page);
    setMoreRow(MoreRowCell::kMoreText, false);
}

void SearchListViewController::loadListSuccessWithResult(const QVariant& reply, int) {
    if (refreshView_ && refreshView_->isLoading()) stopLoading();
    if (page_.isNeedRestListArray && !page_.listArray.isEmpty() &&
        mainTbl_->numberOfRowsInSection(0) > 0) {
        mainTbl_->scrollToRowAtIndexPath(ui::IndexPath(0, 0), ui::TableViewScrollPosition::Top,
                                         false);
    }
    page_.takeIn(reply);
    setMoreRow(MoreRowCell::kMoreText, false);
    if (!page_.listArray.isEmpty()) {
        hideNotice();
        mainTbl_->reloadData();
        return;
    }
    addErrorTipViewWithErrorMsg(kNothingFound);
    mainTbl_->reloadData();
}

void SearchListViewController::moreData() {
    if (!page_.startNextPage()) return;
    loadSearchListWithMasterId(page_.nowMasterIndex, keyword_);
}

void SearchListViewController::nextPageFromList() {
    if (isLoading_ || !page_.isHaveMoreData) return;
    setMoreRow(MoreRowCell::kLoadingText, true);
    moreData();
}

void SearchListViewController::postDetailNewLoadMoreData(std::function<void(bool)> completion) {
    if (!page_.isHaveMoreData) {
        if (completion) completion(false);
        return;
    }
    if (isLoading_) {
        // The page on its way is the one the detail needs; asking again would skip it.
        if (completion) pageWaiters_.push_back(std::move(completion));
        return;
    }
    page_.startNextPage();
    loadSearchListWithMasterId(page_.nowMasterIndex, keyword_, std::move(completion));
}

void SearchListViewController::startLoading() {
    if (!refreshView_ || refreshView_->isLoading()) return;
    refreshView_->startLoading();
    page_.startFreshPage();
    loadSearchListWithMasterId(page_.nowMasterIndex, keyword_);
}

void SearchListViewController::stopLoading() {
    if (refreshView_) refreshView_->stopLoading();
}

void SearchListViewController::setMoreRow(const QString& text, bool spinning) {
    moreSpinning_ = spinning;
    if (!mainTbl_ || !page_.isHaveMoreData) return;
    if (auto* cell = dynamic_cast<MoreRowCell*>(
            mainTbl_->cellForRowAtIndexPath(ui::IndexPath(0, int(page_.listArray.size())))))
        cell->show(text, 18, spinning);
}

// --- the field and the suggestions ---

bool SearchListViewController::textFieldShouldBeginEditing(ui::TextField& field) {
    isTextFiledEndEdit_ = false;
    suggestionTbl_->setHidden(false);
    view()->bringSubviewToFront(suggestionTbl_.get());
    loadDataWithKeyword(field.text());
    return true;
}

bool SearchListViewController::textFieldShouldEndEditing(ui::TextField&) {
    isTextFiledEndEdit_ = true;
    return true;
}

bool SearchListViewController::shouldChangeCharactersInRange(ui::TextField& field, ui::Range range,
                                                             const QString& replacement) {
    if (isTextFiledEndEdit_) return true;
    loadDataWithKeyword(
        SearchKeyword::cleaned(SearchKeyword::afterEdit(field.text(), range, replacement)));
    return true;
}

bool SearchListViewController::textFieldShouldReturn(ui::TextField&) {
    textfieldSearchEvent();
    return true;
}

void SearchListViewController::loadDataWithKeyword(const QString& keyword) {
    suggestion_.request(
        KeywordSuggestion::body(QXNetContext::shared()->currentCityScript_index(), keyword),
        [weak = weakAs<SearchListViewController>()](const QVariantList& rows) {
            auto self = weak.lock();
            if (!self || rows.isEmpty()) return;
            self->searchArray_ = rows;
            self->suggestionTbl_->reloadData();
        });
}

void SearchListViewController::hideSuggestions() {
    suggestion_.cancel();
    suggestionTbl_->setHidden(true);
    view()->sendSubviewToBack(suggestionTbl_.get());
}

void SearchListViewController::textfieldSearchEvent() {
    const QString text = titleBar_->field()->text();
    if (text.isEmpty()) {
        SearchKeyword::alertEmptyKeyword();
        return;
    }
    titleBar_->field()->resignFirstResponder();
    hideSuggestions();
    SearchHistory::record(text);
    searchAgain(text);
}

void SearchListViewController::searchAgain(const QString& keyword) {
    keyword_ = keyword;
    page_.nowMajorIndex = SearchPage::kNone;
    page_.startFreshPage();
    page_.filterConditionDic.clear();
    if (tempView_) tempView_->resetDefaultDic();
    if (timeOutView_) timeOutView_->setHidden(true);
    loadSearchCategoryWithKeyword(keyword);
}

void SearchListViewController::goBack() {
    resetAppStreet();
    if (!suggestionTbl_->isHidden()) {
        titleBar_->field()->resignFirstResponder();
        hideSuggestions();
        return;
    }
    timeOut_.cancel();
    cancelRequests();
    if (ui::NavigationController* navigation = navigationController())
        navigation->popViewControllerAnimated(false);
}

void SearchListViewController::showCategory() {
    if (categoryFilterArray_.isEmpty()) return;
    auto chooser = std::make_shared<SearchCategoryViewController>();
    chooser->setCategoryArray(categoryFilterArray_);
    chooser->setNowSelectRow(selectIndex_);
    chooser->setSelectRowBlock(
        [weak = weakAs<SearchListViewController>()](const QVariant& categoryId, int row) {
            auto self = weak.lock();
            if (!self) return;
            self->selectIndex_ = row;
            self->page_.startFreshPage();
            self->page_.nowMajorIndex = SearchPage::kNone;
            self->loadSearchListWithMasterId(categoryId, self->keyword_);
            self->page_.filterConditionDic.clear();
            self->loadFilterArrayWithMasterId(self->page_.nowMasterIndex);
        });
    if (ui::NavigationController* navigation = navigationController())
        navigation->pushViewController(chooser, true);
}

// --- tables ---

bool SearchListViewController::isJobCategory() const {
    return page_.nowMasterIndex == QLatin1String("2") || page_.nowMasterIndex == QLatin1String("3");
}

int SearchListViewController::numberOfRowsInSection(ui::TableView& table, int) {
    if (&table == suggestionTbl_.get()) return int(searchArray_.size());
    return int(page_.listArray.size()) + (page_.isHaveMoreData ? 1 : 0);
}

double SearchListViewController::heightForRowAtIndexPath(ui::TableView& table,
                                                         const ui::IndexPath&) {
    if (&table == suggestionTbl_.get()) return SearchListHistoryDelegate::kRowHeight;
    return isJobCategory() ? kJobRowHeight : kHousingRowHeight;
}

std::shared_ptr<ui::TableViewCell> SearchListViewController::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& path) {
    if (&table == suggestionTbl_.get()) {
        auto cell = SearchListHistoryDelegate::keywordRow(table);
        SearchListHistoryDelegate::showSuggestion(*cell, searchArray_.value(path.row));
        return cell;
    }
    if (path.row >= page_.listArray.size()) {
        auto cell = table.dequeueReusableCellWithIdentifier(MoreRowCell::kIdentifier);
        if (!cell) {
            cell = std::make_shared<MoreRowCell>(kWidth, 80);
            cell->setBackgroundView(std::make_shared<ui::ImageView>(
                StretchedImage::withCaps(QStringLiteral("列表信息条.png"), 0, 40)));
            cell->setSelectedBackgroundView(std::make_shared<ui::ImageView>(
                StretchedImage::withCaps(QStringLiteral("列表信息条点击.png"), 0, 40)));
        }
        static_cast<MoreRowCell&>(*cell).show(
            moreSpinning_ ? MoreRowCell::kLoadingText : MoreRowCell::kMoreText, 18, moreSpinning_);
        return cell;
    }
    const PostRecord post = page_.listArray.value(path.row).toMap();
    const int master = page_.nowMasterIndex.toInt();
    const int major = page_.nowMajorIndex.toInt();
    if (isJobCategory()) {
        auto cell = std::dynamic_pointer_cast<QXPostListCellForZhaoPin>(
            table.dequeueReusableCellWithIdentifier(kJobIdentifier));
        if (!cell)
            cell = std::make_shared<QXPostListCellForZhaoPin>(ui::TableViewCellStyle::Value1,
                                                              kJobIdentifier);
        cell->setContent(std::make_shared<const PostCellContent>(
            GetPostListCellFormate::shareFormate().returnDictionaryForCellWithContentForZhaoPin(
                post, master, major)));
        return cell;
    }
    auto cell = std::dynamic_pointer_cast<QXPostListCell>(
        table.dequeueReusableCellWithIdentifier(kHousingIdentifier));
    if (!cell)
        cell = std::make_shared<QXPostListCell>(ui::TableViewCellStyle::Value1, kHousingIdentifier);
    cell->setContent(std::make_shared<const PostCellContent>(
        GetPostListCellFormate::shareFormate().returnDictionaryForCellWithContent(post, master,
                                                                                  major)));
    cell->setIsShowWifiImage(QXPostListCell::listsShowThumbnails());
    return cell;
}

void SearchListViewController::didSelectRowAtIndexPath(ui::TableView& table,
                                                       const ui::IndexPath& path) {
    table.deselectRowAtIndexPath(path, true);
    if (&table == suggestionTbl_.get()) {
        const QString keyword =
            SearchListHistoryDelegate::suggestionText(searchArray_.value(path.row));
        if (keyword.isEmpty()) return;
        searchAgain(keyword);
        SearchHistory::record(keyword);
        hideSuggestions();
        titleBar_->field()->setText(keyword);
        titleBar_->field()->resignFirstResponder();
        return;
    }
    if (path.row >= page_.listArray.size()) {
        nextPageFromList();
        return;
    }
    const PostRecord post = page_.listArray.value(path.row).toMap();
    HousesNavigation::pushPostDetail(*this, HousesNavigation::PostOpener::SearchResults,
                                     {.post = post,
                                      .master = post.value(QStringLiteral("CategoryId")).toInt(),
                                      .major = post.value(QStringLiteral("major_category")).toInt(),
                                      .title = QStringLiteral("搜索"),
                                      .list = weakAs<SearchListViewController>(),
                                      .index = path.row});
}

void SearchListViewController::scrollViewWillBeginDragging(ui::ScrollView& scrollView) {
    if (&scrollView == mainTbl_.get() && refreshView_)
        refreshView_->scrollViewWillBeginDragging(scrollView);
}

void SearchListViewController::scrollViewDidScroll(ui::ScrollView& scrollView) {
    if (&scrollView == suggestionTbl_.get()) {
        if (titleBar_->field()->isFirstResponder()) titleBar_->field()->resignFirstResponder();
        return;
    }
    if (refreshView_) refreshView_->scrollViewDidScroll(scrollView);
    if (page_.listArray.isEmpty()) return;
    const double reach = std::floor(scrollView.contentOffset().y);
    const double end = std::floor(scrollView.contentSize().height - scrollView.frame().size.height);
    if (reach >= end && end > 0) nextPageFromList();
}

void SearchListViewController::scrollViewDidEndDragging(ui::ScrollView& scrollView,
                                                        bool willDecelerate) {
    if (&scrollView == mainTbl_.get() && refreshView_)
        refreshView_->scrollViewDidEndDragging(scrollView, willDecelerate);
}
