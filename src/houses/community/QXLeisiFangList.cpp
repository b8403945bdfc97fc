#include "houses/community/QXLeisiFangList.h"

#include "houses/HousesNavigation.h"
#include "houses/community/XiaoquRequests.h"
#include "houses/query/PostListPaging.h"
#include "houses/shared/ErrorTipView.h"
#include "houses/shared/FangXinFangBanner.h"
#include "houses/shared/HousesHost.h"
#include "houses/shared/HousesScreen.h"
#include "houses/shared/QXPostListCell.h"
#include "net/BodyJson.h"
#include "net/EndpointTable.h"
#include "net/QXNetContext.h"
#include "platform/foundation/clock.h"
#include "platform/foundation/property_list.h"
#include "platform/foundation/sandbox.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/screen.h"
#include "ui/image/StretchedImage.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/LoadingOverlay.h"
#include "util/categories/Tolerant.h"

#include <algorithm>

namespace {

using HousesScreen::kBarsHeight;
using HousesScreen::kWidth;
using HousesScreen::screenHeight;
const QString kPriceRange = QStringLiteral("getUrlPriceRange");
const QString kLayout = QStringLiteral("HUXING_SHI_SEARCH");
const QString kArea = QStringLiteral("AREA_TYPE_IN_URL");
const QString kCommunityClass = QStringLiteral("XiaoquDetailPageModelForMobile");
const QString kRelatedClass = QStringLiteral("HousingRecommendForMobile");
const QString kRelatedMethod = QStringLiteral("getRelatedHouseList");

// The method that lists a kind of house and the key its price filter is sent under.
std::pair<QString, QString> methodAndPriceKey(int majorId) {
    switch (majorId) {
        case 3:
            return {QStringLiteral("getXiaoquShareHouse"), QStringLiteral("share_price")};
        case 5:
            return {QStringLiteral("getXiaoquSellHouse"), QStringLiteral("sell_price")};
        default:
            return {QStringLiteral("getXiaoquRentHouse"), QStringLiteral("rent_price")};
    }
}

QString kindOf(const QString& method) {
    if (method == QLatin1String("getXiaoquRentHouse")) return QStringLiteral("rent");
    if (method == QLatin1String("getXiaoquSellHouse")) return QStringLiteral("sell");
    if (method == QLatin1String("getXiaoquShareHouse")) return QStringLiteral("share");
    return QStringLiteral("nearby");
}

bool isNonEmptyText(const QVariant& value) {
    return value.typeId() == QMetaType::QString && !value.toString().isEmpty();
}

std::shared_ptr<ui::Image> stretchedBar(const QString& name) {
    return StretchedImage::withCaps(name, 0, 40);
}

}  // namespace

QXLeisiFangList::QXLeisiFangList(int masterId, int majorId, const QString& title,
                                 QVariantMap xiaoquInfo, bool hasFilter)
    : masterId_(masterId),
      majorId_(majorId),
      showTitle_(title),
      xiaoquInfo_(std::move(xiaoquInfo)),
      showFilter_(hasFilter),
      filterKeys_{kPriceRange, kLayout, kArea},
      filterDefaultTitles_{majorId == 5 ? QStringLiteral("售价不限") : QStringLiteral("租金不限"),
                           QStringLiteral("房型不限"), QStringLiteral("面积不限")} {
    setHidesBottomBarWhenPushed(true);
    // The list lays out below the navigation bar.
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
}

QXLeisiFangList::~QXLeisiFangList() {
    cancelRequests();
    if (timer_) timer_->invalidate();
}

void QXLeisiFangList::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    view()->setBackgroundColor(ui::Color::rgb(250, 250, 250));
    if (!showTitle_.isEmpty()) setTitle(showTitle_);
    UIViewControllerNavigation::setNavigationBackButton(*this, [weak = weakAs<QXLeisiFangList>()] {
        if (auto self = weak.lock()) self->goBack();
    });
    if (showFilter_) {
        getFilterDataFromNetwork();
    } else {
        addTableView();
        getLeisiFangDataFromNetWork(nullptr);
    }
    addLoadingView();
}

void QXLeisiFangList::willMoveToParentViewController(ui::ViewController* parent) {
    ui::ViewController::willMoveToParentViewController(parent);
    // However the list is left, its calls and its banner's timer end with it.
    if (!parent) {
        cancelRequests();
        if (timer_) timer_->invalidate();
    }
}

void QXLeisiFangList::cancelRequests() {
    auto& request = QXIMRequest::shared();
    const QString url = EndpointTable::dataShareEndpoint();
    request.cancelToVikRequestByInterface(XiaoquRequests::kListPageInterface, url, owner_);
    request.cancelToVikRequestByInterface(XiaoquRequests::kXiaoquInterface, url, owner_);
}

void QXLeisiFangList::goBack() {
    cancelRequests();
    if (timer_) timer_->invalidate();
    if (ui::NavigationController* navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}

double QXLeisiFangList::contentHeight() const {
    return screenHeight() - kBarsHeight - contentTop();
}

void QXLeisiFangList::addLoadingView() {
    if (ui::View* loading = view()->viewWithTag(LoadingOverlay::kTag))
        loading->removeFromSuperview();
    view()->addSubview(LoadingOverlay::make(ui::Rect(0, contentTop(), kWidth, contentHeight()),
                                            QStringLiteral("正在加载")));
}

void QXLeisiFangList::addLoadingViewDefault() {
    if (ui::View* shown = view()->viewWithTag(kDefaultLoadingTag)) {
        view()->bringSubviewToFront(shown);
        return;
    }
    const double height = screenHeight();
    auto cover = std::make_shared<ui::View>(ui::Rect(0, 0, kWidth, height - 60));
    cover->setBackgroundColor(ui::Color::rgb(235, 235, 235));
    cover->setTag(kDefaultLoadingTag);
    auto loading = std::make_shared<ui::Label>(ui::Rect(0, 8, kWidth, 20));
    loading->setText(QStringLiteral("加载中..."));
    loading->setTextAlignment(ui::TextAlignment::Center);
    loading->setBackgroundColor(ui::Color::clearColor());
    cover->addSubview(loading);
    auto spinner =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::Gray);
    spinner->setFrame({90, 8, 20, 20});
    spinner->setTag(kDefaultSpinnerTag);
    spinner->startAnimating();
    cover->addSubview(spinner);
    auto line =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("分割线.png")));
    line->setFrame({0, 35, kWidth, 2});
    cover->addSubview(line);
    const QVariantMap texts = ns::dictionaryWithContentsOfFile(
                                  ns::Bundle::pathForResource(QStringLiteral("PostListDefaultInfo"),
                                                              QStringLiteral("plist")))
                                  .value_or(QVariantMap());
    auto info = std::make_shared<ui::Label>(ui::Rect(0, (height - 84) / 2, kWidth, 80));
    info->setText(Tolerant(QVariant(texts))[QString::number(masterId_)]["default"].toString());
    info->setFont(ui::Font::boldSystemFontOfSize(14));
    info->setTextAlignment(ui::TextAlignment::Center);
    info->setNumberOfLines(0);
    info->setLineBreakMode(ui::LineBreakMode::CharacterWrap);
    info->setBackgroundColor(ui::Color::clearColor());
    cover->addSubview(info);
    view()->addSubview(cover);
}

void QXLeisiFangList::removeLoading() {
    if (ui::View* loading = view()->viewWithTag(LoadingOverlay::kTag))
        loading->removeFromSuperview();
}

void QXLeisiFangList::addErrorTipViewWithErrorMsg(const QString& message) {
    ErrorTipView::show(*view(), ui::Rect(0, contentTop(), kWidth, contentHeight()), message);
    // The bar's drop-downs open over the notice.
    if (filterView_) view()->bringSubviewToFront(filterView_.get());
}

void QXLeisiFangList::removeErrorTipView() {
    ErrorTipView::hide(*view());
}

// --- filters ---

void QXLeisiFangList::getFilterDataFromNetwork() {
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(XiaoquRequests::headers(XiaoquRequests::kListPageInterface, true));
    request.requestWithUrl(
        EndpointTable::dataShareEndpoint(), XiaoquRequests::kListPageInterface,
        XiaoquRequests::housingVarsBody(xiaoquInfo_.value(QStringLiteral("domain")).toString(),
                                        majorId_),
        owner_,
        [weak = weakAs<QXLeisiFangList>()](const QVariant& reply) {
            auto self = weak.lock();
            if (!self) return;
            const QVariant vars = Tolerant(reply)["data"]["HousingVars"].value();
            if (vars.typeId() != QMetaType::QVariantMap) {
                // Without the filters' choices there is no list to show either.
                self->removeLoading();
                self->addErrorTipViewWithErrorMsg(kNetworkTrouble);
                return;
            }
            self->isQuickFiter_ = true;
            self->prepareFilterData(vars.toMap());
            self->addTableView();
            self->initFilterView();
            self->addLoadingView();
            self->getLeisiFangDataFromNetWork(nullptr);
        },
        [weak = weakAs<QXLeisiFangList>()](const QVariantMap& failure) {
            auto self = weak.lock();
            if (!self || PostListPaging::isCancellation(failure)) return;
            self->isQuickFiter_ = false;
            self->removeLoading();
            self->addErrorTipViewWithErrorMsg(kNetworkTrouble);
        });
}

void QXLeisiFangList::prepareFilterData(const QVariantMap& vars) {
    for (auto entry = vars.begin(); entry != vars.end(); ++entry) {
        const QVariantMap choices = entry.value().toMap();
        if (choices.isEmpty()) {
            const qsizetype index = filterKeys_.indexOf(entry.key());
            if (index >= 0) {
                filterKeys_.removeAt(index);
                filterDefaultTitles_.removeAt(index);
            }
            continue;
        }
        QStringList codes = choices.keys();
        std::stable_sort(codes.begin(), codes.end(), [](const QString& a, const QString& b) {
            return Tolerant::intValueOfString(a) < Tolerant::intValueOfString(b);
        });
        QuickFilterRows rows{
            QuickFilterRow::ofDictionary({{QStringLiteral("0"), QStringLiteral("不限")}})};
        for (const QString& code : codes)
            rows.push_back(QuickFilterRow::ofDictionary({{code, choices.value(code)}}));
        filterData_[entry.key()] = rows;
    }
}

void QXLeisiFangList::initFilterView() {
    if (filterView_) return;
    filterView_ =
        std::make_shared<QuickFilterView>(ui::Rect(0, 0, kWidth, view()->bounds().size.height));
    filterView_->setDelegate(weakAs<QXLeisiFangList>());
    filterView_->initialize();
    view()->addSubview(filterView_);
    ns::Clock::shared().schedule(ns::seconds(0.1),
                                 [weak = std::weak_ptr<QuickFilterView>(filterView_)] {
                                     if (auto bar = weak.lock()) bar->setDefaultSelectRow();
                                 });
}

std::optional<QuickFilterRows> QXLeisiFangList::qfViewDataForSection(QuickFilterView&, int index,
                                                                     int) {
    const auto found = filterData_.find(filterKeys_.value(index));
    if (found == filterData_.end()) return std::nullopt;
    // The drop-down shows each choice's label.
    QuickFilterRows labels;
    for (const QuickFilterRow& row : found->second)
        labels.push_back(QuickFilterRow::ofText(row.dictionary.first().toString()));
    return labels;
}

void QXLeisiFangList::qfViewDidSelectSection(QuickFilterView& bar, int index,
                                             const ui::IndexPath& path, const QuickFilterRows&) {
    const QString key = filterKeys_.value(index);
    const auto found = filterData_.find(key);
    if (found == filterData_.end() || path.row < 0 || path.row >= int(found->second.size())) return;
    QString title;
    if (path.row == 0) {
        title = filterDefaultTitles_.value(index);
        filterSelectedData_.remove(key);
    } else {
        const QVariantMap& choice = found->second[std::size_t(path.row)].dictionary;
        title = choice.first().toString();
        filterSelectedData_[key] = choice.firstKey();
    }
    bar.resetTitleForIndex(index, title);
    refreshing_ = true;
    addLoadingView();
    getLeisiFangDataFromNetWork(nullptr);
}

QString QXLeisiFangList::filterText() const {
    QString text;
    if (filterSelectedData_.contains(kPriceRange)) {
        text += u',' + BodyJson::string(methodAndPriceKey(majorId_).second) + u':' +
                BodyJson::number(Tolerant::intValueOfString(filterSelectedData_[kPriceRange]));
    }
    if (filterSelectedData_.contains(kLayout)) {
        text += u',' + BodyJson::string(QStringLiteral("huxing_shi")) + u':' +
                BodyJson::string(filterSelectedData_[kLayout]);
    }
    if (filterSelectedData_.contains(kArea)) {
        text += u',' + BodyJson::string(QStringLiteral("area")) + u':' +
                BodyJson::number(Tolerant::intValueOfString(filterSelectedData_[kArea]));
    }
    return text;
}

// --- pages ---

void QXLeisiFangList::getLeisiFangDataFromNetWork(std::function<void(bool)> finished) {
    if (refreshing_) {
        if (tableView_) tableView_->setContentOffset({0, 0});
        nowListNum_ = 0;
        nowPage_ = 1;
    }
    sendPageRequest(std::move(finished));
}

void QXLeisiFangList::sendPageRequest(std::function<void(bool)> finished) {
    // Whoever waits for this request hears its outcome once; a newer request replaces it.
    auto waiters = std::make_shared<std::vector<std::function<void(bool)>>>();
    if (finished) waiters->push_back(std::move(finished));
    pageWaiters_ = waiters;
    const auto finish = [waiters](QXLeisiFangList& self, bool loaded) {
        if (self.pageWaiters_ == waiters) self.pageWaiters_.reset();
        const auto waiting = std::move(*waiters);
        waiters->clear();
        for (const auto& each : waiting) each(loaded);
    };
    const int page = nowPage_;
    const bool nextPageRoad = page > 1 && !refreshing_;
    QString interface;
    QString body;
    QString mainClass;
    QString method;
    if (showFilter_) {
        const QVariant domain = xiaoquInfo_.value(QStringLiteral("domain"));
        const QVariant pinyin = xiaoquInfo_.value(QStringLiteral("pinyin"));
        if (!isNonEmptyText(domain) || !isNonEmptyText(pinyin)) {
            finish(*this, false);
            removeLoading();
            addErrorTipViewWithErrorMsg(kNoCommunity);
            loadingNext_ = false;
            return;
        }
        interface = XiaoquRequests::kXiaoquInterface;
        mainClass = kCommunityClass;
        method = methodAndPriceKey(majorId_).first;
        body = XiaoquRequests::housePageBody(method, page, kPageSize, domain.toString(),
                                             pinyin.toString(), filterText());
    } else {
        const Tolerant post{QVariant(xiaoquInfo_)};
        const int agent = post["is_premier"].intValue() > 0 ? 1 : 0;
        const QString postKey = post[agent ? "house_id" : "puid"].toString();
        const int cityCode =
            post["city_index"].intValue() * 100 + QXNetContext::shared()->currentCityScript_index();
        interface = XiaoquRequests::kListPageInterface;
        mainClass = kRelatedClass;
        method = kRelatedMethod;
        body = XiaoquRequests::relatedBody(cityCode, majorId_, postKey, agent, kRelatedCount);
    }
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(XiaoquRequests::headers(interface, false));
    request.requestWithUrl(
        EndpointTable::dataShareEndpoint(), interface, body, owner_,
        [weak = weakAs<QXLeisiFangList>(), finish, mainClass, method](const QVariant& reply) {
            auto self = weak.lock();
            if (!self) return;
            self->removeLoading();
            self->fangXinFangActivity();
            self->postListRequestSuccess(reply, mainClass, method);
            self->loadingNext_ = false;
            finish(*self, true);
        },
        [weak = weakAs<QXLeisiFangList>(), finish, nextPageRoad](const QVariantMap& failure) {
            auto self = weak.lock();
            if (!self) return;
            finish(*self, false);
            // A request the list replaced itself: the newer one speaks for the list.
            if (PostListPaging::isCancellation(failure)) return;
            self->removeLoading();
            self->loadingNext_ = false;
            if (self->refreshView_ && self->refreshView_->isLoading())
                self->refreshView_->stopLoading();
            self->setMoreRow(MoreRowCell::kMoreText, false);
            if (nextPageRoad) {
                // The failed page is asked for again next time, and the houses loaded stay
                // in view: the last row offers the page again.
                --self->nowPage_;
                return;
            }
            self->addErrorTipViewWithErrorMsg(kNetworkTrouble);
        });
}

void QXLeisiFangList::postListRequestSuccess(const QVariant& reply, const QString& mainClassName,
                                             const QString& secondClassName) {
    if (refreshing_) contentArr_.clear();
    const QString kind = kindOf(secondClassName);
    const Tolerant result = XiaoquRequests::result(reply, mainClassName, secondClassName);
    const QVariantList page = result.value().typeId() == QMetaType::QVariantList
                                  ? result.toList()
                                  : result[kind].toList();
    setMoreRow(MoreRowCell::kMoreText, false);
    if (!page.isEmpty()) {
        contentArr_.append(page);
        nowListNum_ = int(contentArr_.size());
        hasMore_ = kind != QLatin1String("nearby") && nowListNum_ < result["count"].intValue();
    } else {
        nowListNum_ = int(contentArr_.size());
        // A page without houses is the end of the list.
        hasMore_ = false;
    }
    if (tableView_) {
        tableView_->reloadData();
        if (!page.isEmpty() && nowPage_ == 1 && nowListNum_ > 0) {
            tableView_->scrollToRowAtIndexPath(ui::IndexPath(0, 0),
                                               ui::TableViewScrollPosition::Top, false);
        }
    }
    if (refreshView_ && refreshView_->isLoading()) refreshView_->stopLoading();
    if (contentArr_.isEmpty()) {
        addErrorTipViewWithErrorMsg(kNothingFound);
    } else {
        removeErrorTipView();
    }
}

void QXLeisiFangList::nextPage(std::function<void(bool)> finished) {
    if (pageWaiters_) {
        // Asking for the page after the one on its way would replace that request and skip
        // its page: whoever asks waits for it instead.
        if (finished) pageWaiters_->push_back(std::move(finished));
        return;
    }
    if (!hasMore_) {
        if (finished) finished(false);
        return;
    }
    refreshing_ = false;
    ++nowPage_;
    setMoreRow(MoreRowCell::kLoadingText, true);
    sendPageRequest(std::move(finished));
}

void QXLeisiFangList::postDetailNewLoadMoreData(std::function<void(bool)> completion) {
    nextPage(std::move(completion));
}

void QXLeisiFangList::fangXinFangActivity() {
    if (auto timer = FangXinFangBanner::showOnce(*view(), masterId_, majorId_))
        timer_ = std::move(timer);
}

// --- table ---

void QXLeisiFangList::addTableView() {
    if (tableView_) return;
    tableView_ = std::make_shared<ui::TableView>(ui::Rect(0, contentTop(), kWidth, contentHeight()),
                                                 ui::TableViewStyle::Plain);
    tableView_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    tableView_->setBackgroundColor(ui::Color::rgb(250, 250, 250));
    tableView_->setDataSource(weakAs<QXLeisiFangList>());
    tableView_->setDelegate(weakAs<QXLeisiFangList>());
    view()->addSubview(tableView_);
    refreshView_ = RefreshView::initWithOwner(tableView_, weakAs<QXLeisiFangList>());
}

int QXLeisiFangList::numberOfRowsInSection(ui::TableView&, int) {
    if (nowListNum_ == 0) return 0;
    return nowListNum_ + (hasMore_ ? 1 : 0);
}

double QXLeisiFangList::heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) {
    return masterId_ == 2 || masterId_ == 3 ? 100 : 70;
}

bool QXLeisiFangList::showsThumbnails() const {
    if (HousesHost::shared()->useWifi()) return true;
    const QVariant stored =
        ns::UserDefaults::standardUserDefaults().objectForKey(QStringLiteral("IsShowWifiImage"));
    return stored.isValid() && !stored.toBool();
}

void QXLeisiFangList::setMoreRow(const QString& text, bool spinning) {
    moreText_ = text;
    moreSpinning_ = spinning;
    if (!tableView_ || !hasMore_) return;
    if (ui::TableViewCell* cell = tableView_->cellForRowAtIndexPath(ui::IndexPath(0, nowListNum_)))
        applyMoreRow(*cell);
}

void QXLeisiFangList::applyMoreRow(ui::TableViewCell& cell) const {
    if (auto* more = dynamic_cast<MoreRowCell*>(&cell)) more->show(moreText_, 18, moreSpinning_);
}

std::shared_ptr<ui::TableViewCell> QXLeisiFangList::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& path) {
    if (isMoreRow(path.row)) {
        auto cell = table.dequeueReusableCellWithIdentifier(MoreRowCell::kIdentifier);
        if (!cell) {
            cell = std::make_shared<MoreRowCell>(HousesScreen::kWidth, 80);
            cell->setBackgroundView(
                std::make_shared<ui::ImageView>(stretchedBar(QStringLiteral("列表信息条.png"))));
            cell->setSelectedBackgroundView(std::make_shared<ui::ImageView>(
                stretchedBar(QStringLiteral("列表信息条点击.png"))));
        }
        applyMoreRow(*cell);
        return cell;
    }
    auto cell = std::dynamic_pointer_cast<QXPostListCell>(
        table.dequeueReusableCellWithIdentifier(QStringLiteral("QXPostList")));
    if (!cell) {
        cell = std::make_shared<QXPostListCell>(ui::TableViewCellStyle::Value1,
                                                QStringLiteral("QXPostList"));
    }
    cell->setContent(std::make_shared<const PostCellContent>(
        GetPostListCellFormate::shareFormate().returnDictionaryForCellWithContent(
            contentArr_.value(path.row).toMap(), masterId_, majorId_)));
    cell->setIsShowWifiImage(showsThumbnails());
    return cell;
}

bool QXLeisiFangList::isVisibleScreen() {
    ui::NavigationController* navigation = navigationController();
    return !navigation || navigation->topViewController().get() == this;
}

void QXLeisiFangList::didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) {
    if (!isVisibleScreen()) return;
    table.deselectRowAtIndexPath(path, true);
    if (isMoreRow(path.row)) {
        nextPage(nullptr);
        return;
    }
    if (path.row >= nowListNum_) return;
    PostRecord house = contentArr_.value(path.row).toMap();
    if (!domainValue_.isEmpty()) house.insert(QStringLiteral("domain"), domainValue_);
    house.insert(QStringLiteral("CategoryId"), masterId_);
    HousesNavigation::pushPostDetail(*this, HousesNavigation::PostOpener::CommunityHouses,
                                     {.post = house,
                                      .master = masterId_,
                                      .major = majorId_,
                                      .title = title(),
                                      .list = weakAs<QXLeisiFangList>(),
                                      .index = path.row});
}

void QXLeisiFangList::scrollViewWillBeginDragging(ui::ScrollView& scrollView) {
    if (refreshView_) refreshView_->scrollViewWillBeginDragging(scrollView);
}

void QXLeisiFangList::scrollViewDidScroll(ui::ScrollView& scrollView) {
    if (refreshView_) refreshView_->scrollViewDidScroll(scrollView);
    if (!loadingNext_ && hasMore_ &&
        scrollView.contentOffset().y >
            scrollView.contentSize().height - scrollView.frame().size.height) {
        loadingNext_ = true;
        nextPage(nullptr);
    }
}

void QXLeisiFangList::scrollViewDidEndDragging(ui::ScrollView& scrollView, bool willDecelerate) {
    if (refreshView_) refreshView_->scrollViewDidEndDragging(scrollView, willDecelerate);
}

void QXLeisiFangList::refreshViewDidCallBack() {
    if (!refreshView_ || refreshView_->isLoading()) return;
    refreshView_->startLoading();
    refreshing_ = true;
    nowPage_ = 1;
    sendPageRequest(nullptr);
}

void QXLeisiFangList::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    if (!tableView_) return;
    tableView_->reloadData();
    if (scrollToIndexWhenAppaer_ > 0 && scrollToIndexWhenAppaer_ < nowListNum_) {
        tableView_->scrollToRowAtIndexPath(ui::IndexPath(0, scrollToIndexWhenAppaer_),
                                           ui::TableViewScrollPosition::Middle, true);
        scrollToIndexWhenAppaer_ = 0;
    }
}
