#include "houses/list/QXPostList.h"

#include "analytics/StatClick.h"
#include "houses/HousesNavigation.h"
#include "houses/query/FilterCondition.h"
#include "houses/shared/FangXinFangBanner.h"
#include "houses/shared/HousesHost.h"
#include "houses/shared/MoreRowCell.h"
#include "houses/shared/QXPostListCell.h"
#include "location/CityNode.h"
#include "location/UserLocation.h"
#include "net/QXNetContext.h"
#include "platform/foundation/main_queue.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/tab_bar_controller.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/LoadingOverlay.h"
#include "util/categories/Tolerant.h"

namespace {

constexpr double kScreenWidth = 320;

int normalisedMajor(int majorId) {
    return majorId == 3 || majorId == 5 ? majorId : 1;
}

// A type's tab: its look, and the usage events of selecting it and of opening one of its
// posts (the post events pair with the types as the statistics have always counted them).
struct TabLook {
    int tag;
    const char* title;
    const char* image;
    const char* selectedImage;
    int cap;
    const char* tabEvent;
    const char* detailEvent;
};

const TabLook kTabs[] = {
    {1, "租房", "房源tab左", "房源tab左-点击态", 5, "tab_rent", "house_rentshare_detail"},
    {3, "合租房", "房源tab中", "房源tab中-点击态", 3, "tab_sharerent", "house_sold_detail"},
    {5, "二手房", "房源tab右", "房源tab右-点击态", 3, "tab_sold", "house_rent_detail"}};

const TabLook* tabOf(int type) {
    for (const TabLook& tab : kTabs) {
        if (tab.tag == type) return &tab;
    }
    return nullptr;
}

}  // namespace

QXPostList::QXPostList(int masterId, int majorId, const QString& title, bool nearby)
    : title_(title), nearby_(nearby) {
    paging_.masterId = masterId;
    paging_.majorId = normalisedMajor(majorId);
    setHidesBottomBarWhenPushed(true);
    // The screen lays out below the navigation bar.
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
}

QXPostList::~QXPostList() {
    PostListPaging::cancelRequest();
    HousesHost::shared()->resetCurrentStreet();
    if (timer_) timer_->invalidate();
}

void QXPostList::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    auto& center = ns::NotificationCenter::defaultCenter();
    for (const QString& name :
         {QStringLiteral("CityChanged"), QStringLiteral("kUserChangedNotification")}) {
        observations_.push_back(
            center.addObserver(name, [weak = weakAs<QXPostList>()](const ns::Notification&) {
                if (auto self = weak.lock()) self->CityChanged();
            }));
    }
    if (nearby_) {
        // A nearby list waiting for the device's position loads as soon as there is one.
        observations_.push_back(center.addObserver(
            UserLocation::kStateChangeNotification,
            [weak = weakAs<QXPostList>()](const ns::Notification&) {
                auto self = weak.lock();
                if (!self || !self->nearbyLocation_.isEmpty() || !self->isVisibleScreen()) return;
                const auto location = HousesHost::shared()->userLocation();
                if (location && !location->strLocation().isEmpty()) self->rebuild();
            }));
    }
    addTitleView();
    initData();
    view()->setBackgroundColor(ui::Color::rgb(250, 250, 250));
    addSearchOverlay();
}

void QXPostList::addTitleView() {
    if (!headerView_) {
        headerView_ = std::make_shared<ui::View>(ui::Rect(55, 5, 210, 34));
        double x = 0;
        for (const TabLook& tab : kTabs) {
            auto button = std::make_shared<ui::Button>(ui::Rect(x, 0, 70, 34));
            button->setTag(tab.tag);
            button->setTitle(QString::fromUtf8(tab.title), ui::kControlStateNormal);
            button->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
            button->titleLabel()->setFont(ui::Font::systemFontOfSize(14));
            auto normal = ui::Image::imageNamed(QString::fromUtf8(tab.image));
            auto selected = ui::Image::imageNamed(QString::fromUtf8(tab.selectedImage));
            if (normal)
                button->setBackgroundImage(normal->stretchableImageWithLeftCapWidth(tab.cap, 0),
                                           ui::kControlStateNormal);
            if (selected) {
                button->setBackgroundImage(selected->stretchableImageWithLeftCapWidth(tab.cap, 0),
                                           ui::kControlStateSelected);
            }
            button->setBackgroundColor(ui::Color::rgb(60, 130, 60));
            button->addTarget(
                this, ui::kControlEventTouchUpInside,
                [this, type = tab.tag](ui::Control&, const ui::Event*) { typeChanged(type); });
            headerView_->addSubview(button);
            x += 70;
        }
    }
    for (const auto& button : headerView_->subviews()) {
        if (auto* tab = dynamic_cast<ui::Button*>(button.get())) {
            tab->setSelected(tab->tag() == paging_.majorId);
            tab->setBackgroundColor(tab->isSelected() ? ui::Color::rgb(40, 100, 40)
                                                      : ui::Color::rgb(90, 160, 80));
        }
    }
    // While searching the keyword field keeps the title bar.
    if (isSearching()) return;
    navigationItem().setTitleView(headerView_);
    auto search = ui::Button::buttonWithType(ui::ButtonType::Custom);
    search->setFrame({0, 0, 48, 32});
    search->setImage(ui::Image::imageNamed(QStringLiteral("搜索.png")), ui::kControlStateNormal);
    search->setAccessibilityLabel(QStringLiteral("搜索"));
    search->addTarget(search.get(), ui::kControlEventTouchUpInside,
                      [weak = weakAs<QXPostList>()](ui::Control&, const ui::Event*) {
                          if (auto self = weak.lock()) self->searchText();
                      });
    navigationItem().setRightBarButtonItem(ui::BarButtonItem::itemWithCustomView(search));
    UIViewControllerNavigation::setNavigationBackButton(*this);
}

void QXPostList::initData() {
    HousesHost::shared()->resetCurrentStreet();
    paging_.nowPage = 0;
    paging_.filterConditionDic.clear();
    paging_.contentArray.clear();
    if (nearby_ && !takeNearbyPosition()) return;
    getFilterDataFromNetwork();
    addLoadingView();
}

bool QXPostList::takeNearbyPosition() {
    const auto location = HousesHost::shared()->userLocation();
    nearbyLocation_ = location ? location->strLocation() : QString();
    nearbyCity_ = location ? location->cityId() : -1;
    if (nearbyLocation_.isEmpty()) {
        // No fix yet: there is nothing to search around, and no request is sent.
        addErrorTipViewWithErrorMsg(kNotLocated, 0);
        return false;
    }
    paging_.filterConditionDic[QStringLiteral("latlng")] =
        FilterCondition::make(QStringLiteral("latlng"), nearbyLocation_ + u',' + kNearbyRadius);
    const QString place =
        location->state() == UserLocationCityKnown ? location->street() : nearbyLocation_;
    const double height = view()->bounds().size.height;
    locationBar_ = std::make_shared<ui::Label>(
        ui::Rect(0, height - kLocationBarHeight, kScreenWidth, kLocationBarHeight));
    locationBar_->setAutoresizingMask(ui::kAutoresizingFlexibleTopMargin);
    locationBar_->setBackgroundColor(ui::Color::rgb(70, 70, 70));
    locationBar_->setTextColor(ui::Color::whiteColor());
    locationBar_->setFont(ui::Font::systemFontOfSize(13));
    locationBar_->setText(QStringLiteral("当前位置：%1").arg(place));
    view()->addSubview(locationBar_);
    return true;
}

int QXPostList::requestCity() const {
    // A nearby list asks in the located city; before that city is known, in the selected one.
    if (nearby_ && nearbyCity_ >= 0) return nearbyCity_;
    return QXNetContext::shared()->currentCityScript_index();
}

double QXPostList::contentHeight() {
    return view()->bounds().size.height - contentTop() - (locationBar_ ? kLocationBarHeight : 0);
}

void QXPostList::getFilterDataFromNetwork() {
    filter_ = std::make_shared<tovikFilters2>();
    filter_->setHavMiiId(false);
    if (nearby_) {
        filter_->setLatlng(nearbyLocation_);
        filter_->setPageFrom(1);
        filter_->setLocatedCityScriptIndex(nearbyCity_);
    }
    filter_->setMasterMajorId(paging_.masterId, paging_.majorId);
    addLoadingView();
    // Success and failure alike build the bar on the next turn of the main loop.
    const auto next = [weak = weakAs<QXPostList>(), model = std::weak_ptr<tovikFilters2>(filter_)] {
        ns::MainQueue::post([weak, model] {
            auto self = weak.lock();
            if (self && self->filter_ == model.lock()) self->getQuickFilterArray();
        });
    };
    filter_->httpRequestWithSuccess(next, next);
}

void QXPostList::getQuickFilterArray() {
    loadFilterUnSuccess_ = false;
    if (filter_->getCount() == 0) {
        isQuickFiter_ = false;
        removeLoading();
        addErrorTipViewWithErrorMsg(kLoadFailed, 2);
        return;
    }
    quickFilterArray_.clear();
    for (int i = 0; i < std::min(3, filter_->getCount()); ++i) {
        quickFilterArray_ << filter_->getFilterWithIndex(i)->value(QStringLiteral("f")).toString();
    }
    if (filter_->getCount() >= 4) quickFilterArray_ << QStringLiteral("more");
    isQuickFiter_ = true;
    pickerSelectDic_.clear();
    for (int i = 0; i < int(quickFilterArray_.size()); ++i) pickerSelectDic_[i] = 0;

    if (tempView_) tempView_->removeFromSuperview();
    tempView_ = std::make_shared<QuickFilterView>(
        ui::Rect(0, 0, kScreenWidth, view()->bounds().size.height));
    tempView_->setDelegate(weakAs<QXPostList>());
    tempView_->initialize();
    view()->addSubview(tempView_);
    ns::Clock::shared().schedule(ns::seconds(0.1),
                                 [weak = std::weak_ptr<QuickFilterView>(tempView_)] {
                                     if (auto bar = weak.lock()) bar->setDefaultSelectRow();
                                 });
    addTbl();
    addLoadingView();
    getDataFromNetwork();
}

void QXPostList::addTbl() {
    if (listTbl_) listTbl_->removeFromSuperview();
    const double y = contentTop();
    listTbl_ = std::make_shared<ui::TableView>(ui::Rect(0, y, kScreenWidth, contentHeight()));
    listTbl_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    listTbl_->setBackgroundColor(ui::Color::rgb(250, 250, 250));
    listTbl_->setDataSource(weakAs<QXPostList>());
    listTbl_->setDelegate(weakAs<QXPostList>());
    view()->addSubview(listTbl_);
    refreshView_ = RefreshView::initWithOwner(listTbl_, weakAs<QXPostList>());
    if (tempView_) view()->bringSubviewToFront(tempView_.get());
    if (grayView_ && !grayView_->isHidden()) view()->bringSubviewToFront(grayView_.get());
}

void QXPostList::addLoadingView() {
    const auto overlayInFront = [this] {
        if (grayView_ && !grayView_->isHidden()) view()->bringSubviewToFront(grayView_.get());
    };
    if (ui::View* loading = view()->viewWithTag(LoadingOverlay::kTag)) {
        view()->bringSubviewToFront(loading);
        overlayInFront();
        return;
    }
    const double y = contentTop();
    auto loading = std::make_shared<ui::View>(ui::Rect(0, y, kScreenWidth, contentHeight()));
    loading->setTag(LoadingOverlay::kTag);
    loading->setBackgroundColor(ui::Color::rgb(250, 250, 250));
    auto spinner =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::Gray);
    spinner->setFrame({110, 150, 20, 20});
    spinner->startAnimating();
    loading->addSubview(spinner);
    auto tip = std::make_shared<ui::Label>(ui::Rect(135, 150, 100, 20));
    tip->setText(QStringLiteral("正在加载"));
    tip->setFont(ui::Font::systemFontOfSize(14));
    tip->setTextColor(ui::Color::rgb(153, 153, 153));
    tip->setBackgroundColor(ui::Color::clearColor());
    loading->addSubview(tip);
    view()->addSubview(loading);
    overlayInFront();
}

void QXPostList::removeLoading() {
    if (ui::View* loading = view()->viewWithTag(LoadingOverlay::kTag))
        loading->removeFromSuperview();
}

void QXPostList::addErrorTipViewWithErrorMsg(const QString& message, int reloadType) {
    ui::View* error = view()->viewWithTag(kErrorTag);
    if (!error) {
        const double y = contentTop();
        auto made = std::make_shared<ui::View>(ui::Rect(0, y, kScreenWidth, contentHeight()));
        made->setTag(kErrorTag);
        made->setBackgroundColor(ui::Color::whiteColor());
        auto block = std::make_shared<ui::View>(
            ui::Rect(0, (made->bounds().size.height - 125) / 2, kScreenWidth, 125));
        block->setTag(kErrorBlockTag);
        auto image = std::make_shared<ui::ImageView>(
            ui::Image::imageNamed(QStringLiteral("帖子加载失败.png")));
        const ui::Size size = image->image() ? image->image()->size() : ui::Size(80, 80);
        image->setFrame({(kScreenWidth - size.width) / 2, 0, size.width, size.height});
        block->addSubview(image);
        auto label = std::make_shared<ui::Label>(ui::Rect(0, size.height + 5, kScreenWidth, 35));
        label->setTag(kErrorLabelTag);
        label->setFont(ui::Font::systemFontOfSize(14));
        label->setTextAlignment(ui::TextAlignment::Center);
        label->setNumberOfLines(2);
        label->setTextColor(ui::Color::rgb(178, 178, 178));
        label->setBackgroundColor(ui::Color::clearColor());
        block->addSubview(label);
        made->addSubview(block);
        auto button = std::make_shared<ui::Button>(made->bounds());
        button->setTag(kErrorButtonTag);
        button->addTarget(this, ui::kControlEventTouchUpInside,
                          [this](ui::Control&, const ui::Event*) {
                              if (errorReload_) {
                                  const auto reload = errorReload_;
                                  reload();
                              }
                          });
        made->addSubview(button);
        view()->addSubview(made);
        error = made.get();
    }
    // Made before the bar existed (failed definitions), it moves below the bar now there is one.
    const ui::Rect area(0, contentTop(), kScreenWidth, contentHeight());
    if (error->frame() != area) {
        error->setFrame(area);
        if (ui::View* block = error->viewWithTag(kErrorBlockTag))
            block->setFrame({0, (area.size.height - 125) / 2, kScreenWidth, 125});
        if (ui::View* button = error->viewWithTag(kErrorButtonTag))
            button->setFrame(error->bounds());
    }
    switch (reloadType) {
        case 1:
            errorReload_ = [this] {
                removeErrorTipView();
                addLoadingView();
                getDataFromNetwork();
            };
            break;
        case 2:
            errorReload_ = [this] {
                removeErrorTipView();
                getFilterDataFromNetwork();
            };
            break;
        default:
            errorReload_ = nullptr;
    }
    if (auto* button = error->viewWithTag(kErrorButtonTag)) button->setHidden(reloadType == 0);
    if (auto* label = dynamic_cast<ui::Label*>(error->viewWithTag(kErrorLabelTag)))
        label->setText(message);
    error->setHidden(false);
    view()->bringSubviewToFront(error);
    if (tempView_) view()->bringSubviewToFront(tempView_.get());
}

void QXPostList::removeErrorTipView() {
    if (ui::View* error = view()->viewWithTag(kErrorTag)) error->setHidden(true);
}

void QXPostList::getDataFromNetwork() {
    getDataFromNetworkWithFilter(nullptr);
}

void QXPostList::getDataFromNetworkWithFilter(std::function<void(bool)> completion) {
    const int page = paging_.nowPage;
    const bool nextPageRoad = page > 0 && !paging_.isShouldResetArray;
    auto waiters = std::make_shared<std::vector<std::function<void(bool)>>>();
    if (completion) waiters->push_back(std::move(completion));
    pageWaiters_ = waiters;
    // Every waiter hears the outcome once, after the request is no longer under way.
    const auto finish = [waiters](QXPostList& self, bool loaded) {
        if (self.pageWaiters_ == waiters) self.pageWaiters_.reset();
        const auto waiting = std::move(*waiters);
        waiters->clear();
        for (const auto& each : waiting) each(loaded);
    };
    // A reply that comes after a newer request went out (its cancel came too late to stop
    // it) is the replaced request's: the newer one speaks for the screen.
    paging_.request(
        requestCity(),
        [weak = weakAs<QXPostList>(), finish, waiters](const QVariant& reply) {
            auto self = weak.lock();
            if (!self) return;
            if (self->pageWaiters_ != waiters) {
                finish(*self, false);
                return;
            }
            self->fangXinFangActivity();
            self->postListRequestSuccess(reply);
            self->removeLoading();
            self->paging_.loadingNext = false;
            finish(*self, true);
        },
        [weak = weakAs<QXPostList>(), finish, waiters, page,
         nextPageRoad](const QVariantMap& failure) {
            auto self = weak.lock();
            if (!self) return;
            const bool replaced =
                self->pageWaiters_ != waiters || PostListPaging::isCancellation(failure);
            finish(*self, false);
            if (replaced) return;
            self->removeLoading();
            // A failed refresh lets go of the header too, so that it can be pulled again.
            if (self->refreshView_ && self->refreshView_->isLoading())
                self->refreshView_->stopLoading();
            self->paging_.pageFailed(page);
            self->setMoreRow(QStringLiteral("获取更多信息"), 18, false);
            self->addErrorTipViewWithErrorMsg(kLoadFailed, 1);
            if (nextPageRoad) {
                // The page that failed is asked for again, never skipped.
                self->errorReload_ = [raw = self.get()] {
                    raw->removeErrorTipView();
                    raw->nextPage(nullptr);
                };
            }
        });
}

void QXPostList::postListRequestSuccess(const QVariant& reply) {
    if (paging_.isShouldResetArray && !paging_.contentArray.isEmpty() && listTbl_ &&
        listTbl_->numberOfRowsInSection(0) > 0) {
        listTbl_->scrollToRowAtIndexPath(ui::IndexPath(0, 0), ui::TableViewScrollPosition::Top,
                                         false);
    }
    const PostListPaging::Intake intake = paging_.takeIn(reply);
    // No page is on its way any more, whatever the reply was.
    setMoreRow(QStringLiteral("获取更多信息"), 18, false);
    if (listTbl_) {
        listTbl_->reloadData();
        if (intake.tookPage && paging_.nowPage == 0 && paging_.nowListNum > 0) {
            listTbl_->scrollToRowAtIndexPath(ui::IndexPath(0, 0), ui::TableViewScrollPosition::Top,
                                             false);
        }
    }
    if (refreshView_ && refreshView_->isLoading()) refreshView_->stopLoading();
    if (!paging_.contentArray.isEmpty()) {
        removeErrorTipView();
    } else {
        addErrorTipViewWithErrorMsg(kNothingFound, 0);
    }
}

void QXPostList::setMoreRow(const QString& text, double fontSize, bool spinning) {
    moreRow_ = {text, fontSize, spinning};
    if (!listTbl_ || !paging_.isHaveMoreData) return;
    if (ui::TableViewCell* cell =
            listTbl_->cellForRowAtIndexPath(ui::IndexPath(0, paging_.nowListNum))) {
        applyMoreRow(*cell);
    }
}

void QXPostList::applyMoreRow(ui::TableViewCell& cell) const {
    if (auto* more = dynamic_cast<MoreRowCell*>(&cell))
        more->show(moreRow_.text, moreRow_.fontSize, moreRow_.spinning);
}

void QXPostList::nextPage(std::function<void(bool)> completion) {
    if (pageWaiters_) {
        // A page is on its way: asking for the one after it now would replace that request
        // and skip its page, so whoever asks waits for its outcome instead.
        if (completion) pageWaiters_->push_back(std::move(completion));
        return;
    }
    if (!paging_.startNextPage()) {
        if (completion) completion(false);
        return;
    }
    setMoreRow(QStringLiteral("正在加载..."), 14, true);
    StatClick::event(QStringLiteral("house_bn_next"));
    getDataFromNetworkWithFilter(std::move(completion));
}

void QXPostList::postDetailNewLoadMoreData(std::function<void(bool)> completion) {
    nextPage(std::move(completion));
}

std::shared_ptr<ui::TableViewCell> QXPostList::cellForRowAtIndexPath(ui::TableView& table,
                                                                     const ui::IndexPath& path) {
    if (paging_.isMoreRow(path.row)) {
        auto cell = table.dequeueReusableCellWithIdentifier(MoreRowCell::kIdentifier);
        if (!cell) {
            cell = std::make_shared<MoreRowCell>(kScreenWidth, kRowHeight);
            cell->setBackgroundColor(ui::Color::rgb(250, 250, 250));
            auto selected = std::make_shared<ui::View>();
            selected->setBackgroundColor(ui::Color::rgb(230, 230, 230));
            cell->setSelectedBackgroundView(selected);
        }
        applyMoreRow(*cell);
        return cell;
    }
    auto cell = std::dynamic_pointer_cast<QXPostListCell>(
        table.dequeueReusableCellWithIdentifier(QStringLiteral("QXPostList")));
    if (!cell)
        cell = std::make_shared<QXPostListCell>(ui::TableViewCellStyle::Value1,
                                                QStringLiteral("QXPostList"));
    cell->setContent(std::make_shared<const PostCellContent>(
        GetPostListCellFormate::shareFormate().returnDictionaryForCellWithContent(
            paging_.contentArray.value(path.row).toMap(), paging_.masterId, paging_.majorId)));
    cell->setIsShowWifiImage(QXPostListCell::listsShowThumbnails());
    return cell;
}

bool QXPostList::isVisibleScreen() {
    ui::NavigationController* navigation = navigationController();
    return !navigation || navigation->topViewController().get() == this;
}

void QXPostList::didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) {
    if (!isVisibleScreen()) return;
    table.deselectRowAtIndexPath(path, false);
    if (paging_.isMoreRow(path.row)) {
        // A second tap while a page loads would skip the page on its way.
        if (pageWaiters_) return;
        paging_.isShouldResetArray = false;
        ++paging_.nowPage;
        setMoreRow(QStringLiteral("正在加载..."), 18, true);
        getDataFromNetworkWithFilter(nullptr);
        return;
    }
    if (path.row >= paging_.nowListNum) return;
    if (const TabLook* tab = tabOf(paging_.majorId))
        StatClick::event(QString::fromUtf8(tab->detailEvent));
    HousesNavigation::pushPostDetail(*this, HousesNavigation::PostOpener::PostList,
                                     {.post = paging_.contentArray.value(path.row).toMap(),
                                      .master = paging_.masterId,
                                      .major = paging_.majorId,
                                      .title = title_,
                                      .list = weakAs<QXPostList>(),
                                      .index = path.row});
}

void QXPostList::scrollViewWillBeginDragging(ui::ScrollView& scrollView) {
    if (refreshView_) refreshView_->scrollViewWillBeginDragging(scrollView);
}

void QXPostList::scrollViewDidScroll(ui::ScrollView& scrollView) {
    if (refreshView_) refreshView_->scrollViewDidScroll(scrollView);
    if (!paging_.loadingNext && paging_.nowListNum > 0 &&
        scrollView.contentOffset().y >
            scrollView.contentSize().height - scrollView.frame().size.height) {
        nextPage(nullptr);
    }
}

void QXPostList::scrollViewDidEndDragging(ui::ScrollView& scrollView, bool willDecelerate) {
    if (refreshView_) refreshView_->scrollViewDidEndDragging(scrollView, willDecelerate);
}

void QXPostList::refreshViewDidCallBack() {
    // A pull while the header is already loading asks for nothing more.
    if (!refreshView_ || refreshView_->isLoading()) return;
    refreshView_->startLoading();
    paging_.startFreshPage();
    getDataFromNetwork();
}

void QXPostList::fangXinFangActivity() {
    if (auto timer = FangXinFangBanner::showOnce(*view(), paging_.masterId, paging_.majorId))
        timer_ = std::move(timer);
}

void QXPostList::typeChanged(int type) {
    if (type == paging_.majorId && !needRefresh_) return;
    paging_.majorId = type;
    if (const TabLook* tab = tabOf(type)) StatClick::event(QString::fromUtf8(tab->tabEvent));
    rebuild();
}

void QXPostList::rebuild() {
    const int type = paging_.majorId;
    if (listTbl_) listTbl_->removeFromSuperview();
    listTbl_.reset();
    refreshView_.reset();
    if (tempView_) tempView_->removeFromSuperview();
    tempView_.reset();
    isQuickFiter_ = false;
    locationBar_.reset();
    // The keyword stays: a search goes on over the rebuilt list.
    paging_ =
        PostListPaging{.keyword = paging_.keyword, .masterId = paging_.masterId, .majorId = type};
    moreRow_ = {};
    while (!view()->subviews().empty()) view()->subviews().back()->removeFromSuperview();
    if (grayView_) view()->addSubview(grayView_);
    // The cancelled request still tells its waiters; the new type's pages wait for nothing.
    PostListPaging::cancelRequest();
    pageWaiters_.reset();
    addTitleView();
    initData();
}

void QXPostList::selectedType(int type) {
    if (!headerView_) {
        // viewDidLoad builds the list of the stored type.
        paging_.majorId = normalisedMajor(type);
        return;
    }
    if (tabOf(type)) typeChanged(type);
}

void QXPostList::getFilterDataFromNetworkWithSelection(int majorId) {
    paging_.majorId = normalisedMajor(majorId);
    if (isViewLoaded()) rebuild();
}

void QXPostList::addFilterCommentView(const QStringList& names) {
    if (!listTbl_) return;
    constexpr double kStripHeight = 28;
    // A strip of an earlier build of the screen went with its table.
    if (!filterCommentView_ || filterCommentView_->superview() != view().get()) {
        ui::Rect frame = listTbl_->frame();
        filterCommentView_ =
            std::make_shared<ui::View>(ui::Rect(0, frame.origin.y, kScreenWidth, kStripHeight));
        filterCommentView_->setBackgroundColor(ui::Color::rgb(240, 240, 240));
        filterCommentLabel_ =
            std::make_shared<ui::Label>(ui::Rect(10, 0, kScreenWidth - 20, kStripHeight));
        filterCommentLabel_->setFont(ui::Font::systemFontOfSize(12));
        filterCommentLabel_->setTextColor(ui::Color::rgb(102, 102, 102));
        filterCommentLabel_->setBackgroundColor(ui::Color::clearColor());
        filterCommentView_->addSubview(filterCommentLabel_);
        view()->addSubview(filterCommentView_);
        frame.origin.y += kStripHeight;
        frame.size.height -= kStripHeight;
        listTbl_->setFrame(frame);
    }
    filterCommentLabel_->setText(names.join(QLatin1Char('|')));
}

void QXPostList::logonSuccess() {
    ui::NavigationController* navigation = navigationController();
    if (navigation && navigation->topViewController().get() == this)
        navigation->popViewControllerAnimated(true);
}

void QXPostList::registerSuccess() {
    ui::NavigationController* navigation = navigationController();
    // Only this list goes, never the screen under it.
    if (!navigation || navigation->topViewController().get() != this) return;
    navigation->popViewControllerAnimated(false);
}

void QXPostList::CityChanged() {
    ui::NavigationController* navigation = navigationController();
    ui::TabBarController* tabs = tabBarController();
    const bool visible = navigation && navigation->topViewController().get() == this &&
                         (!tabs || tabs->selectedViewController().get() == navigation);
    if (visible) {
        needRefresh_ = true;
        typeChanged(paging_.majorId);
        needRefresh_ = false;
    } else {
        needRefresh_ = true;
    }
}

void QXPostList::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    if (needRefresh_) {
        typeChanged(paging_.majorId);
        needRefresh_ = false;
        return;
    }
    if (nearby_ && nearbyLocation_.isEmpty()) {
        const auto location = HousesHost::shared()->userLocation();
        if (location && !location->strLocation().isEmpty()) {
            rebuild();
            return;
        }
    }
    if (loadFilterUnSuccess_) getFilterDataFromNetwork();
    if (listTbl_) {
        listTbl_->reloadData();
        if (scrollToIndexWhenAppear_ != 0 && int(scrollToIndexWhenAppear_) < paging_.nowListNum) {
            listTbl_->scrollToRowAtIndexPath(ui::IndexPath(0, int(scrollToIndexWhenAppear_)),
                                             ui::TableViewScrollPosition::Middle, true);
            scrollToIndexWhenAppear_ = 0;
        }
    }
}

void QXPostList::viewDidDisappear(bool animated) {
    ui::ViewController::viewDidDisappear(animated);
    if (tempView_) tempView_->rebackAllQFTbl();
}

// --- quick filters ---

QString QXPostList::getQuickFilterTitle(const QString& key) const {
    if (key == QLatin1String("more")) return QStringLiteral("更多");
    const FilterItem item = filter_ ? filter_->getFilterWithKey(key) : nullptr;
    if (!item) return {};
    const int value = Tolerant(item->value(QStringLiteral("v"))).intValue();
    if (value != -1) {
        for (const QVariant& choice : item->value(QStringLiteral("vs")).toList()) {
            if (Tolerant(choice.toMap().value(QStringLiteral("v"))).intValue() == value) {
                return choice.toMap().value(QStringLiteral("n")).toString();
            }
        }
        return item->value(QStringLiteral("n")).toString();
    }
    return item->value(QStringLiteral("n")).toString() + QStringLiteral("不限");
}

QString QXPostList::qfViewTitleForIndex(QuickFilterView&, int index) {
    return getQuickFilterTitle(quickFilterArray_.value(index));
}

int QXPostList::numOfSectionInQFView(QuickFilterView&, int index) {
    const QString key = quickFilterArray_.value(index);
    return key == QLatin1String("district_id") || key == QLatin1String("base_tag") ? 2 : 1;
}

QuickFilterRows QXPostList::rerurnFilterArrayWithIndex(int index) {
    const QString key = quickFilterArray_.value(index);
    pickerDic_ = filter_ ? filter_->getFilterWithKey(key) : nullptr;
    QuickFilterRows rows;
    if (key == QLatin1String("district_id")) {
        const auto street = HousesHost::shared()->currentStreet();
        const auto district = street ? street->parent() : nullptr;
        const auto city = district ? district->parent() : nullptr;
        if (city) {
            for (const auto& each : city->Districts)
                rows.push_back(QuickFilterRow::ofDistrict(each));
        }
        return rows;
    }
    // The base-tag names are not filled by anything in the housing lists.
    if (key == QLatin1String("base_tag") || key == QLatin1String("more") ||
        key == QLatin1String("majorScriptIndex") || !pickerDic_) {
        return rows;
    }
    for (const QVariant& choice : pickerDic_->value(QStringLiteral("vs")).toList()) {
        rows.push_back(QuickFilterRow::ofDictionary(choice.toMap()));
    }
    return rows;
}

std::optional<QuickFilterRows> QXPostList::qfViewDataForSection(QuickFilterView& bar, int index,
                                                                int section) {
    if (section == 0) {
        QuickFilterRows rows = rerurnFilterArrayWithIndex(index);
        if (rows.empty()) return std::nullopt;
        return rows;
    }
    const auto stored = bar.defaultSelectRowDic().find(index);
    if (stored == bar.defaultSelectRowDic().end() || stored->second.isEmpty()) return std::nullopt;
    const QuickFilterRows districts = rerurnFilterArrayWithIndex(index);
    const int row = stored->second.first().toInt();
    if (row < 0 || row >= int(districts.size()) || !districts[std::size_t(row)].district)
        return std::nullopt;
    QuickFilterRows streets;
    for (const auto& street : districts[std::size_t(row)].district->Streets) {
        streets.push_back(QuickFilterRow::ofStreet(street));
    }
    return streets;
}

void QXPostList::qfViewDidSelectRightSection(QuickFilterView& bar, int index,
                                             const ui::IndexPath& path,
                                             const QuickFilterRows& rows) {
    selectRow_ = path.row;
    if (FilterItem item =
            filter_ ? filter_->getFilterWithKey(quickFilterArray_.value(index)) : nullptr) {
        item->insert(QStringLiteral("firstSectionRow"), path.row);
    }
    QStringList& stored = bar.defaultSelectRowDic()[index];
    if (stored.isEmpty()) stored << QString();
    stored[0] = QString::number(path.row);
    pickerArray_ = rows;
    bar.reloadQFTblAtIndex(index);
}

void QXPostList::qfViewDidSelectSection(QuickFilterView& bar, int index, const ui::IndexPath& path,
                                        const QuickFilterRows& rows) {
    const int r = path.row;
    const QString key = quickFilterArray_.value(index);
    FilterItem item = filter_ ? filter_->getFilterWithKey(key) : nullptr;
    const QuickFilterRow chosen = r < int(rows.size()) ? rows[std::size_t(r)] : QuickFilterRow();
    QString title;
    if (chosen.isDictionary) {
        districtSelectRow_ = r;
        pickerArray_ = rows;
        pickerSelectDic_[index] = r;
        saveFilterDefaultInfo();
        title = r == 0 ? getQuickFilterTitle(key)
                       : chosen.dictionary.value(QStringLiteral("n")).toString();
        // Around the device the radius reads as its number of metres.
        if (nearby_ && key == QLatin1String("latlng"))
            title =
                QString::number(Tolerant(chosen.dictionary.value(QStringLiteral("v"))).intValue());
        if (item) item->insert(QStringLiteral("firstSectionRow"), r);
    } else if (chosen.street) {
        const QStringList stored = bar.defaultSelectRowDic()[index];
        selectRow_ = stored.isEmpty() ? 0 : stored.first().toInt();
        districtSelectRow_ = r;
        if (item) item->insert(QStringLiteral("secondSectionRow"), r);
        const auto district = chosen.street->parent();
        pickerArray_.clear();
        if (const auto city = district ? district->parent() : nullptr) {
            for (const auto& each : city->Districts)
                pickerArray_.push_back(QuickFilterRow::ofDistrict(each));
        }
        if (r != 0) {
            title = chosen.street->name();
        } else {
            const QString name = district ? district->name() : QString();
            title = name == QStringLiteral("不限") ? QStringLiteral("区域不限") : name;
        }
    } else {
        districtSelectRow_ = r;
        pickerSelectDic_[index] = r;
        saveFilterDefaultInfo();
        title = chosen.text;
        if (item) item->insert(QStringLiteral("firstSectionRow"), r);
    }
    bar.resetTitleForIndex(index, title);
    donePickWithIndex(index);
}

void QXPostList::saveFilterDefaultInfo() {
    if (!filter_ || !filter_->GetData()) return;
    for (int i = 0; i < int(quickFilterArray_.size()); ++i) {
        const QString key = quickFilterArray_[i];
        const int c = pickerSelectDic_[i];
        if (key == QLatin1String("district_id") || key == QLatin1String("base_tag")) continue;
        for (const FilterItem& item : *filter_->GetData()) {
            if (item->value(QStringLiteral("f")).toString() != key) continue;
            if (key == QLatin1String("sub_category") || key == QLatin1String("majorScriptIndex")) {
                item->insert(QStringLiteral("v"), QString::number(c));
                continue;
            }
            const QVariant value = item->value(QStringLiteral("vs"))
                                       .toList()
                                       .value(c)
                                       .toMap()
                                       .value(QStringLiteral("v"));
            if (value.typeId() == QMetaType::QString && !value.toString().isEmpty()) {
                item->insert(QStringLiteral("v"), value);
            }
        }
    }
}

void QXPostList::saveFilterCommentWithIndex(int index) {
    const QString key = quickFilterArray_.value(index);
    auto& conditions = paging_.filterConditionDic;
    if (key == QLatin1String("district_id")) {
        if (selectRow_ < 0 || selectRow_ >= int(pickerArray_.size())) return;
        const auto district = pickerArray_[std::size_t(selectRow_)].district;
        if (!district || districtSelectRow_ < 0 ||
            districtSelectRow_ >= int(district->Streets.size()))
            return;
        const auto street = district->Streets[std::size_t(districtSelectRow_)];
        HousesHost::shared()->setCurrentStreet(street);
        if (district->index() == -1) {
            conditions.remove(QStringLiteral("district_id"));
            conditions.remove(QStringLiteral("street_id"));
            return;
        }
        conditions[QStringLiteral("district_id")] = FilterCondition::make(
            QStringLiteral("district_id"), QString::number(district->index()));
        if (street->index() == -1) {
            conditions.remove(QStringLiteral("street_id"));
        } else {
            conditions[QStringLiteral("street_id")] = FilterCondition::make(
                QStringLiteral("street_id"), QString::number(street->index()));
        }
        return;
    }
    const QVariantMap chosen =
        districtSelectRow_ >= 0 && districtSelectRow_ < int(pickerArray_.size())
            ? pickerArray_[std::size_t(districtSelectRow_)].dictionary
            : QVariantMap();
    if (key == QLatin1String("latlng")) {
        const QStringList radii = NearbyRadiusTable::radii();
        conditions[key] = FilterCondition::make(
            key, filter_->latlng() + u',' +
                     radii.value(districtSelectRow_, radii.at(NearbyRadiusTable::kDefaultIndex)));
        return;
    }
    if (key == QLatin1String("base_tag")) return;
    if (key == QLatin1String("baseTag")) {
        conditions[QStringLiteral("base_tag")] = FilterCondition::make(
            QStringLiteral("base_tag"), chosen.value(QStringLiteral("v")).toString());
        return;
    }
    if (key == QLatin1String("sub_category") || key == QLatin1String("majorScriptIndex")) {
        paging_.majorId =
            Tolerant(chosen.value(QStringLiteral("MajorCategoryScriptIndex"))).intValue();
        return;
    }
    const QVariant value = chosen.value(QStringLiteral("v"));
    if (Tolerant(value).intValue() == -1) {
        conditions.remove(key);
        return;
    }
    const FilterItem item = filter_->getFilterWithKey(key);
    const QString kind = item ? item->value(QStringLiteral("t")).toString() : QString();
    if (kind == QLatin1String("range") || kind == QLatin1String("normal")) {
        conditions[key] = FilterCondition::make(key, value.toString());
    }
}

void QXPostList::donePickWithIndex(int index) {
    saveFilterCommentWithIndex(index);
    addLoadingView();
    paging_.startFreshPage();
    getDataFromNetwork();
}

void QXPostList::filterScreen() {
    if (!filter_ || filter_->getCount() == 0) loadFilterUnSuccess_ = true;
    if (!filter_) return;
    HousesNavigation::pushFilterScreen(
        *this, {.filter = filter_,
                .chosen =
                    [weak = weakAs<QXPostList>()](const QMap<QString, QString>& conditions,
                                                  const QString& keyword, bool) {
                        if (auto self = weak.lock()) self->filterResult(conditions, keyword);
                    },
                .chosenRows =
                    [weak = weakAs<QXPostList>()](const QStringList& rows) {
                        if (auto self = weak.lock()) self->filterSelectIndexArray_ = rows;
                    }});
}

void QXPostList::filterResult(const QMap<QString, QString>& conditions, const QString& keyword) {
    paging_.filterConditionDic = conditions;
    if (!keyword.isNull()) paging_.keyword = keyword;
    paging_.isShouldResetArray = true;
    fromFilterInitbtn();
    addLoadingView();
    paging_.nowPage = 0;
    getDataFromNetwork();
}

QString QXPostList::getBtnDefaultStr(int index) {
    if (int(pickerSelectDic_.size()) > index && filter_) {
        if (const FilterItem item = filter_->getFilterWithIndex(index)) {
            const QVariantList choices = item->value(QStringLiteral("vs")).toList();
            for (int row = 0; row < int(choices.size()); ++row) {
                if (choices[row].toMap().value(QStringLiteral("v")).toString() ==
                    item->value(QStringLiteral("v")).toString()) {
                    pickerSelectDic_[index] = row;
                    break;
                }
            }
        }
    }
    const QString key = quickFilterArray_.value(index);
    if (key == QLatin1String("district_id")) {
        const auto street = HousesHost::shared()->currentStreet();
        const auto district = street ? street->parent() : nullptr;
        if (!street || !district || district->index() == -1) return QStringLiteral("不限");
        return street->index() == -1 ? district->name() : street->name();
    }
    if (key == QLatin1String("base_tag") || key == QLatin1String("baseTag"))
        return QStringLiteral("不限");
    if (key == QLatin1String("more")) return QStringLiteral("更多");
    const FilterItem item = filter_ ? filter_->getFilterWithKey(key) : nullptr;
    if (!item) return {};
    for (const QVariant& choice : item->value(QStringLiteral("vs")).toList()) {
        if (choice.toMap().value(QStringLiteral("v")).toString() ==
            item->value(QStringLiteral("v")).toString()) {
            return choice.toMap().value(QStringLiteral("n")).toString();
        }
    }
    return {};
}

void QXPostList::fromFilterInitbtn() {
    if (!tempView_) return;
    for (int i = 0; i < int(quickFilterArray_.size()); ++i) {
        const QString title = getBtnDefaultStr(i);
        tempView_->resetTitleForIndex(
            i, title == QStringLiteral("不限") ? getQuickFilterTitle(quickFilterArray_[i]) : title);
    }
    // The tag rows the filter screen chose, when the second button is the tag button.
    if (quickFilterArray_.value(1) == QLatin1String("base_tag") &&
        !filterSelectIndexArray_.isEmpty()) {
        QList<int> rows;
        for (const QString& row : filterSelectIndexArray_) rows << row.toInt();
        tempView_->setErshouSelectRow(rows);
    }
    getDefaultSelectRowForFilterArray();
    tempView_->setDefaultSelectRow();
}

void QXPostList::getDefaultSelectRowForFilterArray() {
    if (!tempView_ || !filter_) return;
    for (int i = 0; i < int(quickFilterArray_.size()); ++i) {
        const FilterItem item = filter_->getFilterWithKey(quickFilterArray_[i]);
        if (!item) continue;
        QStringList rows{
            QString::number(Tolerant(item->value(QStringLiteral("firstSectionRow"))).intValue())};
        if (item->contains(QStringLiteral("secondSectionRow"))) {
            rows << QString::number(
                Tolerant(item->value(QStringLiteral("secondSectionRow"))).intValue());
        }
        tempView_->defaultSelectRowDic()[i] = rows;
    }
}
