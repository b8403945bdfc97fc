#include "houses/broker/PromotionListViewController.h"

#include "houses/HousesNavigation.h"

#include "analytics/StatClick.h"
#include "houses/broker/BrokerRequests.h"
#include "houses/broker/PromotionCell.h"
#include "houses/query/PostListPaging.h"
#include "houses/shared/ErrorTipView.h"
#include "houses/shared/HousesScreen.h"
#include "houses/shared/MoreRowCell.h"
#include "net/EndpointTable.h"
#include "net/FormBody.h"
#include "net/QXIMRequest.h"
#include "net/QXNetContext.h"
#include "platform/foundation/clock.h"
#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/screen.h"
#include "ui/image/StretchedImage.h"

#include <QUrl>
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/AlertMessages.h"
#include "ui/widgets/LoadingOverlay.h"
#include "util/categories/Tolerant.h"

namespace {

using HousesScreen::kBarsHeight;
using HousesScreen::kWidth;
using HousesScreen::screenHeight;

std::shared_ptr<ui::ImageView> stretchedView(const QString& name) {
    return std::make_shared<ui::ImageView>(StretchedImage::withCaps(name, 0, 36));
}

// Whether a broker call's reply says it succeeded: an "errCode" of 0.
bool succeeded(const Tolerant& reply) {
    return !reply["errCode"].isNil() && reply["errCode"].intValue() == 0;
}

}  // namespace

PromotionListViewController::PromotionListViewController(int majorType, const QString& title,
                                                         QVariantMap agentInfo,
                                                         const QString& agentId)
    : majorType_(majorType), nTitle_(title), agentInfo_(std::move(agentInfo)), agentId_(agentId) {
    setHidesBottomBarWhenPushed(true);
    // The list lays out below the navigation bar.
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
}

PromotionListViewController::~PromotionListViewController() {
    cancelRequests();
}

void PromotionListViewController::cancelRequests() {
    auto& request = QXIMRequest::shared();
    const QString url = EndpointTable::dataShareEndpoint();
    for (const QString& interface :
         {BrokerRequests::kPrivilegeInterface, BrokerRequests::kPostListInterface,
          BrokerRequests::kBiotopeInterface}) {
        request.cancelToVikRequestByInterface(interface, url, owner_);
    }
}

void PromotionListViewController::willMoveToParentViewController(ui::ViewController* parent) {
    ui::ViewController::willMoveToParentViewController(parent);
    if (!parent) cancelRequests();
}

void PromotionListViewController::returnPromotionRoot() {
    cancelRequests();
    if (ui::NavigationController* navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}

void PromotionListViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    setTitle(nTitle_);
    UIViewControllerNavigation::setNavigationBackButton(
        *this, [weak = weakAs<PromotionListViewController>()] {
            if (auto self = weak.lock()) self->returnPromotionRoot();
        });
    view()->setBackgroundColor(ui::Color::rgb(235, 235, 235));
    if (auto tip = ui::Image::imageNamed(QStringLiteral("底部提示.png"))) {
        auto bottom = std::make_shared<ui::ImageView>(tip->stretchableImageWithLeftCapWidth(6, 16));
        bottom->setFrame({0, screenHeight() - kBarsHeight, kWidth, 25});
        view()->addSubview(bottom);
    }
    tableView_ = std::make_shared<ui::TableView>(
        ui::Rect(0, kBarHeight, kWidth, screenHeight() - kBarsHeight - kBarHeight),
        ui::TableViewStyle::Plain);
    tableView_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    tableView_->setBackgroundColor(ui::Color::rgb(235, 235, 235));
    tableView_->setDataSource(weakAs<PromotionListViewController>());
    tableView_->setDelegate(weakAs<PromotionListViewController>());
    view()->addSubview(tableView_);
    refreshView_ = RefreshView::initWithOwner(tableView_, weakAs<PromotionListViewController>());
    getRelatedBiotope();
    filterView_ =
        std::make_shared<QuickFilterView>(ui::Rect(0, 0, kWidth, view()->bounds().size.height));
    filterView_->setDelegate(weakAs<PromotionListViewController>());
    filterView_->initialize();
    view()->addSubview(filterView_);
    getPostList();
    showLoading();
}

void PromotionListViewController::showLoading() {
    if (view()->viewWithTag(kLoadingTag)) return;
    auto loading = LoadingOverlay::make(ui::Rect(0, 0, kWidth, screenHeight() - kBarsHeight),
                                        QStringLiteral("正在加载"));
    loading->setTag(kLoadingTag);
    view()->addSubview(loading);
}

void PromotionListViewController::removeLoading() {
    if (ui::View* loading = view()->viewWithTag(kLoadingTag)) loading->removeFromSuperview();
}

void PromotionListViewController::showNotice(const QString& message) {
    ErrorTipView::show(*view(),
                       ui::Rect(0, kBarHeight, kWidth, screenHeight() - kBarsHeight - kBarHeight),
                       message);
    // The bar stays usable over the notice.
    if (filterView_) view()->bringSubviewToFront(filterView_.get());
}

void PromotionListViewController::hideNotice() {
    ErrorTipView::hide(*view());
}

void PromotionListViewController::getRelatedBiotope() {
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(BrokerRequests::headers(BrokerRequests::kBiotopeInterface));
    request.requestWithUrl(
        EndpointTable::dataShareEndpoint(), BrokerRequests::kBiotopeInterface,
        BrokerRequests::biotopeBody(QXNetContext::shared()->currentCityScript_index(), agentId_,
                                    int(listType_), majorType_),
        owner_,
        [weak = weakAs<PromotionListViewController>()](const QVariant& reply) {
            auto self = weak.lock();
            const Tolerant read(reply);
            if (!self || !succeeded(read)) return;
            self->biotopeList_ = {QVariantMap{{QStringLiteral("id"), 0},
                                              {QStringLiteral("name"), QStringLiteral("不限")}}};
            self->biotopeList_.append(read["biotopes"].toList());
            self->filterView_->reloadAtIndex(0);
            ns::Clock::shared().schedule(ns::seconds(0.1),
                                         [bar = std::weak_ptr<QuickFilterView>(self->filterView_)] {
                                             if (auto shown = bar.lock())
                                                 shown->setDefaultSelectRow();
                                         });
        },
        // Without the communities the list works unfiltered.
        [](const QVariantMap&) {});
}

void PromotionListViewController::getPostList() {
    loadingPage_ = true;
    // A newer request replaces this one: an answer to an older one is not taken in.
    const quint64 serial = ++pageRequestSerial_;
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(BrokerRequests::headers(BrokerRequests::kPostListInterface));
    request.requestWithUrl(
        EndpointTable::dataShareEndpoint(), BrokerRequests::kPostListInterface,
        BrokerRequests::postListBody(QXNetContext::shared()->currentCityScript_index(), agentId_,
                                     majorType_, biotopeId_, int(listType_), int(nowPage_ + 1)),
        owner_,
        [weak = weakAs<PromotionListViewController>(), serial](const QVariant& reply) {
            auto self = weak.lock();
            if (!self || self->pageRequestSerial_ != serial) return;
            self->loadingPage_ = false;
            const Tolerant read(reply);
            if (!succeeded(read)) {
                self->pageFailed();
                return;
            }
            self->updatePostList(read["page"].toMap());
        },
        [weak = weakAs<PromotionListViewController>(), serial](const QVariantMap& failure) {
            auto self = weak.lock();
            if (!self || self->pageRequestSerial_ != serial ||
                PostListPaging::isCancellation(failure))
                return;
            self->loadingPage_ = false;
            self->pageFailed();
        });
}

void PromotionListViewController::updatePostList(const QVariantMap& page) {
    const Tolerant read{QVariant(page)};
    if (nowPage_ == 0) {
        postList_.clear();
        postCount_ = read["count"].value().toLongLong();
    }
    ++nowPage_;
    const QVariantList posts = read["posts"].toList();
    postList_.append(posts);
    // A page without posts is the end, whatever the count said.
    if (posts.isEmpty()) postCount_ = postList_.size();
    if (refreshView_->isLoading()) refreshView_->stopLoading();
    if (postList_.isEmpty()) {
        showNotice(kNoPosts);
    } else {
        hideNotice();
    }
    tableView_->reloadData();
    removeLoading();
}

void PromotionListViewController::pageFailed() {
    removeLoading();
    if (refreshView_->isLoading()) refreshView_->stopLoading();
    if (postList_.isEmpty() || nowPage_ == 0) {
        showNotice(kNetworkTrouble);
        return;
    }
    // The posts loaded stay in view; the last row says what happened and asks again the
    // next time it shows.
    if (ui::TableViewCell* more =
            tableView_->cellForRowAtIndexPath(ui::IndexPath(0, int(postList_.size()))))
        if (auto* row = dynamic_cast<MoreRowCell*>(more)) row->show(kNetworkTrouble, 18, false);
}

void PromotionListViewController::refresh() {
    if (refreshView_->isLoading()) return;
    refreshView_->startLoading();
    nowPage_ = 0;
    getPostList();
}

bool PromotionListViewController::hasMoreRow() const {
    return !postList_.isEmpty() && postList_.size() != postCount_;
}

int PromotionListViewController::numberOfRowsInSection(ui::TableView&, int) {
    if (postList_.isEmpty()) return 0;
    return int(postList_.size()) + (hasMoreRow() ? 1 : 0);
}

std::shared_ptr<ui::TableViewCell> PromotionListViewController::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& path) {
    if (path.row >= int(postList_.size())) {
        auto cell = std::dynamic_pointer_cast<MoreRowCell>(
            table.dequeueReusableCellWithIdentifier(MoreRowCell::kIdentifier));
        if (!cell) {
            cell = std::make_shared<MoreRowCell>(kWidth, kRowHeight);
            cell->setBackgroundView(stretchedView(QStringLiteral("列表信息条.png")));
            cell->setSelectedBackgroundView(stretchedView(QStringLiteral("列表信息条点击.png")));
            auto separator = std::make_shared<ui::ImageView>(
                ui::Image::imageNamed(QStringLiteral("列表分割线.png")));
            separator->setFrame({0, 71.5, kWidth, 0.5});
            cell->contentView()->addSubview(separator);
        }
        cell->show(MoreRowCell::kLoadingText, 18, true);
        // The row shows: the next page is asked for, unless a page is on its way already.
        if (!loadingPage_) getPostList();
        return cell;
    }
    auto cell = std::dynamic_pointer_cast<PromotionCell>(
        table.dequeueReusableCellWithIdentifier(QStringLiteral("PromotionCell")));
    if (!cell) cell = std::make_shared<PromotionCell>(QStringLiteral("PromotionCell"));
    cell->configure(postList_.value(path.row).toMap(), majorType_);
    return cell;
}

void PromotionListViewController::didSelectRowAtIndexPath(ui::TableView& table,
                                                          const ui::IndexPath& path) {
    table.deselectRowAtIndexPath(path, true);
    if (path.row >= int(postList_.size())) return;
    const PostRecord post = postList_.value(path.row).toMap();
    const QVariant puid = post.value(QStringLiteral("puid"));
    if (!puid.isValid() || puid.isNull() || puid.toString().isEmpty()) return;
    StatClick::event(QStringLiteral("agentdetail_bn_houses"));
    HousesNavigation::pushPostDetail(*this, HousesNavigation::PuidOpener::BrokerPosts,
                                     puid.toString());
}

void PromotionListViewController::scrollViewWillBeginDragging(ui::ScrollView& scrollView) {
    refreshView_->scrollViewWillBeginDragging(scrollView);
}

void PromotionListViewController::scrollViewDidScroll(ui::ScrollView& scrollView) {
    refreshView_->scrollViewDidScroll(scrollView);
}

void PromotionListViewController::scrollViewDidEndDragging(ui::ScrollView& scrollView,
                                                           bool willDecelerate) {
    refreshView_->scrollViewDidEndDragging(scrollView, willDecelerate);
}

std::optional<QuickFilterRows> PromotionListViewController::qfViewDataForSection(QuickFilterView&,
                                                                                 int, int) {
    if (biotopeList_.isEmpty()) return std::nullopt;
    QuickFilterRows rows;
    for (const QVariant& community : biotopeList_)
        rows.push_back(
            QuickFilterRow::ofText(community.toMap().value(QStringLiteral("name")).toString()));
    return rows;
}

void PromotionListViewController::qfViewDidSelectSection(QuickFilterView& bar, int index,
                                                         const ui::IndexPath& path,
                                                         const QuickFilterRows&) {
    if (path.row < 0 || path.row >= biotopeList_.size()) return;
    const QVariantMap community = biotopeList_.at(path.row).toMap();
    bar.resetTitleForIndex(index, community.value(QStringLiteral("name")).toString());
    biotopeId_ = community.value(QStringLiteral("id")).toLongLong();
    nowPage_ = 0;
    showLoading();
    getPostList();
}

// --- Promotions

void PromotionListViewController::checkAndHandle(
    std::function<void(const QVariant& reply)> operation) {
    BrokerRequests::getPrivilege(
        agentId_, owner_,
        [weak = weakAs<PromotionListViewController>(),
         operation = std::move(operation)](const QVariant& reply) {
            if (weak.lock() && operation) operation(reply);
        },
        [](const QVariantMap&) {});
}

void PromotionListViewController::setQuota(const Tolerant& premier) {
    const qint64 live = premier["liveCount"].value().toLongLong();
    quotaText_ = QStringLiteral("今日推广%1套，还有%2个推广位可用")
                     .arg(premier["premieredCount"].intValue())
                     .arg(qint64(maxLiveCount_) - live);
}

void PromotionListViewController::showTip(const QVariant& reply) {
    const Tolerant premier = Tolerant(reply)["premierPrivilege"]["stat"]["premier"];
    maxLiveCount_ = unsigned(premier["maxLiveCount"].intValue());
    setQuota(premier);
}

void PromotionListViewController::clickedButtonAtIndex(ui::AlertView& alert, int index) {
    if (alert.tag() != kPromotionAlertTag || index != 1) return;
    if (!view()->viewWithTag(LoadingOverlay::kTag))
        view()->addSubview(LoadingOverlay::make(view()->bounds(), QStringLiteral("正在加载")));
    handlerPromo();
}

void PromotionListViewController::handlerPromo() {
    promotePost(curPostInfo_, listType_ == 2);
}

void PromotionListViewController::removePromotionLoading() {
    if (ui::View* loading = view()->viewWithTag(LoadingOverlay::kTag))
        loading->removeFromSuperview();
}

void PromotionListViewController::promotePost(const QVariantMap& post, bool isPromotion) {
    const Tolerant read{QVariant(post)};
    const auto context = QXNetContext::shared();
    const QString url =
        EndpointTable::usersEndpoint() +
        QStringLiteral("%1/posts/%2/7/%3/update?post_session_id=%4&&major_category_script_index=%5")
            .arg(BrokerRequests::userIdText(agentId_))
            .arg(context->currentCityScript_index())
            .arg(QString::fromLatin1(QUrl::toPercentEncoding(read["house_id"].toString())),
                 QString::fromLatin1(QUrl::toPercentEncoding(context->logonState().sessionID)),
                 QString::fromLatin1(QUrl::toPercentEncoding(read["type"].toString())));
    const QString body = FormBody()
                             .add(QStringLiteral("feeType"), 1)
                             .add(QStringLiteral("pg"), 2)
                             .add(QStringLiteral("pi"), 1)
                             .add(QStringLiteral("operationType"), isPromotion ? 1 : 2)
                             .text();
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(BrokerRequests::headers(QString()));
    request.requestWithUrl(
        url, QString(), body, owner_,
        [weak = weakAs<PromotionListViewController>(), post](const QVariant& reply) {
            auto self = weak.lock();
            if (!self) return;
            self->removePromotionLoading();
            const Tolerant answer(reply);
            if (!succeeded(answer)) {
                AlertMessages::showAlertViewWithAlertString(kNetworkTrouble);
                return;
            }
            self->updateUI(int(self->postList_.indexOf(post)), answer["currentInfo"].value());
        },
        [weak = weakAs<PromotionListViewController>()](const QVariantMap& failure) {
            auto self = weak.lock();
            if (!self || PostListPaging::isCancellation(failure)) return;
            self->removePromotionLoading();
            // The broker hears that nothing changed, as for a refusal.
            AlertMessages::showAlertViewWithAlertString(kNetworkTrouble);
        });
}

void PromotionListViewController::updateUI(int index, const QVariant& currentInfo) {
    AlertMessages::showAlertViewWithAlertString(listType_ == 2 ? kPromoted : kWithdrawn);
    if (index >= 0 && index < postList_.size()) {
        postList_.removeAt(index);
        --postCount_;
        if (postList_.isEmpty()) {
            tableView_->reloadData();
            showNotice(kNoPosts);
        } else {
            tableView_->deleteRowsAtIndexPaths({ui::IndexPath(0, index)},
                                               ui::TableViewRowAnimation::Middle);
        }
    }
    setQuota(Tolerant(currentInfo));
}
