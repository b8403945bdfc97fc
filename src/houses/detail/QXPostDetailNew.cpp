#include "houses/detail/QXPostDetailNew.h"

#include "houses/detail/PostDetailRequest.h"
#include "houses/detail/QXDetailFormate.h"
#include "houses/query/PostListPaging.h"
#include "houses/shared/HouseFavourites.h"
#include "houses/shared/ReadMarks.h"
#include "platform/foundation/clock.h"
#include "platform/foundation/main_queue.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/table_view_cell.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/LoadingOverlay.h"
#include "util/categories/TextCharacters.h"
#include "util/categories/Tolerant.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPageTurnDuration = 1.0;

}  // namespace

QXPostDetailNew::QXPostDetailNew(PostRecord post, int masterId, int majorId)
    : contentDict_(std::move(post)), masterIndex_(masterId), majorIndex_(majorId) {
    puid_ = HouseFavourites::puidOf(contentDict_);
    setHidesBottomBarWhenPushed(true);
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
}

QXPostDetailNew::QXPostDetailNew(const QString& puid) : masterIndex_(7), puid_(puid) {
    setHidesBottomBarWhenPushed(true);
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
}

QXPostDetailNew::~QXPostDetailNew() {
    // A detail dropped with its whole stack still tells its list.
    reportIndex();
}

std::shared_ptr<QXPostDetailNew> QXPostDetailNew::initWithContent(const PostRecord& post,
                                                                  int masterId, int majorId) {
    return std::make_shared<QXPostDetailNew>(post, masterId, majorId);
}

std::shared_ptr<QXPostDetailNew> QXPostDetailNew::initWithPUID(const QString& puid) {
    return std::make_shared<QXPostDetailNew>(puid);
}

void QXPostDetailNew::reportIndex() {
    if (reportedIndex_) return;
    reportedIndex_ = true;
    if (auto list = list_.lock())
        list->postDetailNewCurrentIndexWhenPopOrDismiss(unsigned(currentIndex_));
}

void QXPostDetailNew::willMoveToParentViewController(ui::ViewController* parent) {
    ui::ViewController::willMoveToParentViewController(parent);
    // The stack takes the detail off before the list below appears again; the stack keeps
    // the detail alive through that appearance, so its destruction would come too late.
    if (!parent) {
        reportIndex();
        // Leaving, the screen lets its calls go; covered by a pushed screen it keeps them.
        cancelRequests();
    }
}

double QXPostDetailNew::pageHeight() const {
    return ui::Screen::mainScreen().bounds().height() - 64;
}

std::shared_ptr<ui::ScrollView> QXPostDetailNew::makePage(const ui::Rect& frame) {
    auto table = std::make_shared<ui::TableView>(frame);
    table->setDataSource(weakAs<QXPostDetailNew>());
    table->setDelegate(weakAs<QXPostDetailNew>());
    table->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    table->setShowsVerticalScrollIndicator(false);
    table->setBackgroundColor(ui::Color::rgb(250, 250, 250));
    return table;
}

void QXPostDetailNew::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    view()->setBackgroundColor(ui::Color::colorWithWhite(247.0 / 255));
    setTitle(QStringLiteral("信息详情"));
    isShowBar_ = true;
    const double height = pageHeight();
    if (list_.lock()) {
        scrollView1_ = std::static_pointer_cast<ui::TableView>(makePage({0, 0, kWidth, height}));
        scrollView2_ =
            std::static_pointer_cast<ui::TableView>(makePage({0, height, kWidth, height}));
        view()->addSubview(scrollView2_);
        mainScrollView_ = scrollView1_;
    } else {
        mainScrollView_ = std::make_shared<ui::ScrollView>(ui::Rect(0, 0, kWidth, height));
        mainScrollView_->setDelegate(weakAs<QXPostDetailNew>());
    }
    mainScrollView_->setFrame({0, 0, kWidth, height});
    mainScrollView_->setContentSize({kWidth, height - 42});
    mainScrollView_->setShowsVerticalScrollIndicator(false);
    mainScrollView_->setBackgroundColor(ui::Color::rgb(250, 250, 250));
    view()->addSubview(mainScrollView_);

    UIViewControllerNavigation::setNavigationBackButton(*this, [weak = weakAs<QXPostDetailNew>()] {
        if (auto self = weak.lock()) self->goBack();
    });
    refreshDataAndView();
}

void QXPostDetailNew::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    if (!puid_.isEmpty() && !contentDict_.isEmpty()) addNavButtons();
}

void QXPostDetailNew::cancelRequests() {
    PostDetailRequest::cancelAll();
}

void QXPostDetailNew::markRead() {
    ReadMarks::markRead(puid_);
}

void QXPostDetailNew::refreshDataAndView() {
    onlineIm_ = false;
    isClickAllDetailBtn_ = false;
    imagePicker_.reset();
    xiaoquAvgPrice_.reset();
    // The previous post's reply speaks of another poster: nothing of it stays for this one.
    agentInfo_.clear();
    companyContentDict_.clear();
    isGetDetailFinish_ = false;
    if (contentDict_.isEmpty()) {
        loadAllDataByPuid();
        return;
    }
    puid_ = HouseFavourites::puidOf(contentDict_);
    if (loadByPuidNow_) loadAllDataByPuid();
    PostDetailRequest::cancel(QStringLiteral("GetPostByPuid"));
    PostDetailRequest::cancel(QStringLiteral("GetUserPrivilegeByUserId"));
    if (const auto list = list_.lock()) {
        if (const auto domain = list->domainValueFromList())
            contentDict_[QStringLiteral("domain")] = *domain;
    }
    viewContentDict_ = QXDetailFormate::shareFormat().getDetailInfoFormPlistWithMasterId(
        masterIndex_, majorIndex_, contentDict_);
    getValidPhone();
    if (!puid_.isEmpty()) {
        markRead();
        addNavButtons();
    } else {
        removeNavButtons();
    }
    viewTimes_.clear();
    CreateDefaultDetailInfo();
    if (isShowBar_) addBottomBar();
    GetPostByPuid();
    increaseBrowseTime();
    getUserStatuses(Tolerant(QVariant(contentDict_))[QStringLiteral("user_id")].toString());
}

void QXPostDetailNew::loadAllDataByPuid() {
    if (puid_.isEmpty()) addErrorTipViewWithErrorMsg(kLoadError);
    if (!needLoadByPuid_) addLoadingViewDefault();
    const QString asked = puid_;
    PostDetailRequest::getPost(
        puid_,
        [weak = weakAs<QXPostDetailNew>(), asked](const QVariant& reply) {
            auto self = weak.lock();
            // A reply for a post the screen has paged away from changes nothing.
            if (!self || self->puid_ != asked) return;
            self->removeLoadingView();
            const QVariant first = Tolerant(reply)["posts"][0].value();
            // An empty post is no post: shown, it would send the screen back to ask again.
            if (first.typeId() != QMetaType::QVariantMap || first.toMap().isEmpty()) {
                self->addErrorTipViewWithErrorMsg(kLoadError);
                return;
            }
            PostRecord post = first.toMap();
            if (post.contains(QStringLiteral("description"))) {
                post[QStringLiteral("description")] =
                    cutDescription(post.value(QStringLiteral("description")).toString());
            }
            self->majorIndex_ = Tolerant(first)["major_category"].intValue();
            self->loadByPuidNow_ = false;
            self->contentDict_ = post;
            if (auto* error = self->view()->viewWithTag(kErrorTag)) error->removeFromSuperview();
            self->refreshDataAndView();
        },
        [weak = weakAs<QXPostDetailNew>(), asked](const QVariantMap& failure) {
            auto self = weak.lock();
            if (!self || self->puid_ != asked || PostListPaging::isCancellation(failure)) return;
            self->removeLoadingView();
            self->addErrorTipViewWithErrorMsg(kNetworkError);
        });
}

void QXPostDetailNew::GetPostByPuid() {
    PostDetailRequest::getPostByPuid(
        contentDict_,
        [weak = weakAs<QXPostDetailNew>(), asked = puid_](const QVariant& reply) {
            if (auto self = weak.lock()) self->responseGetPostByPuid(reply, asked);
        },
        nullptr);
}

QString QXPostDetailNew::cutDescription(const QString& description) {
    if (TextCharacters::count(description) <= kDescriptionLimit) return description;
    return TextCharacters::left(description, kDescriptionLimit - 1) + QStringLiteral("...");
}

void QXPostDetailNew::responseGetPostByPuid(const QVariant& reply, const QString& puid) {
    if (puid != puid_) return;
    const Tolerant data = Tolerant(reply)["data"];
    if (data.value().typeId() != QMetaType::QVariantMap) return;
    viewTimes_ = QStringLiteral("浏览:%1次").arg(data["view_times"].toString());
    if (contentDict_.value(QStringLiteral("description")).toString().isEmpty()) {
        const QString text = cutDescription(data["description"].toString());
        QVariantList rows = viewContentDict_.value(QStringLiteral("detail")).toList();
        if (!text.isEmpty()) rows << QVariantMap{{QStringLiteral("详情"), text}};
        viewContentDict_[QStringLiteral("detail")] = rows;
        contentDict_[QStringLiteral("description")] = text;
    }
    isGetDetailFinish_ = true;
    companyContentDict_ = QXDetailFormate::shareFormat().getDetailInfoFormPlistWithMasterId(
        masterIndex_, majorIndex_, data.toMap());
    agentInfo_ = data["commentOwnerInfo"].toMap();
    if (Tolerant::intValueOfString(data["avg_price"].toString()) >= 1)
        xiaoquAvgPrice_ = QStringLiteral("%1元/㎡").arg(data["avg_price"].toString());
    CreateDefaultDetailInfo();
}

void QXPostDetailNew::increaseBrowseTime() {
    PostDetailRequest::postPvStat(contentDict_, masterIndex_, majorIndex_);
}

void QXPostDetailNew::getUserStatuses(const QString& userId) {
    PostDetailRequest::getUserStatuss(
        userId,
        [weak = weakAs<QXPostDetailNew>(), userId](const QVariant& reply) {
            if (auto self = weak.lock()) self->responseGetUserStatuss(reply, userId);
        },
        nullptr);
}

void QXPostDetailNew::responseGetUserStatuss(const QVariant& reply, const QString& userId) {
    // The poster of the post shown now; a late answer about the previous one is dropped.
    if (userId != Tolerant(QVariant(contentDict_))[QStringLiteral("user_id")].toString()) return;
    const Tolerant params = Tolerant(reply)["params"];
    if (params["errorno"].isNil() || params["errorno"].intValue() != 0 ||
        params["data"].value().typeId() != QMetaType::QVariantMap) {
        return;
    }
    onlineIm_ = params["data"][userId]["status"].value().toBool();
    if (!onlineIm_ || !isShowBar_) return;
    addBottomBar();
    if (auto* table = dynamic_cast<ui::TableView*>(mainScrollView_.get())) table->reloadData();
}

QString QXPostDetailNew::timeToNow(const QVariant& postunixtime) {
    const double read = postunixtime.toDouble();
    const qint64 then = std::isfinite(read) ? qint64(std::clamp(read, -1e13, 1e13)) : 0;
    const qint64 d = qint64(ns::Clock::shared().timeIntervalSince1970()) - then;
    if (d < 1) return QStringLiteral("1分钟前");
    if (d <= 3600) return QStringLiteral("%1分钟前").arg(d / 60 + 1);
    if (d <= 86400) return QStringLiteral("%1小时前").arg(d / 3600 + 1);
    if (d < 259201) return QStringLiteral("%1天前").arg(d / 86400 + 1);
    return QDateTime::fromSecsSinceEpoch(then).toLocalTime().toString(
        QStringLiteral("MM-dd HH:mm"));
}

void QXPostDetailNew::addErrorTipViewWithErrorMsg(const QString& message) {
    if (auto* label = dynamic_cast<ui::Label*>(view()->viewWithTag(kErrorLabelTag))) {
        label->setText(message);
        if (ui::View* notice = view()->viewWithTag(kErrorTag)) {
            notice->setHidden(false);
            view()->bringSubviewToFront(notice);
        }
        return;
    }
    const double height = pageHeight();
    auto notice = std::make_shared<ui::View>(ui::Rect(0, 0, kWidth, height));
    notice->setTag(kErrorTag);
    notice->setBackgroundColor(ui::Color::whiteColor());
    auto box = std::make_shared<ui::View>(ui::Rect(0, (height - 125) / 2, kWidth, 125));
    box->setTag(kErrorBoxTag);
    auto picture =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("帖子加载失败.png")));
    const ui::Size size = picture->image() ? picture->image()->size() : ui::Size(80, 80);
    picture->setFrame({(kWidth - size.width) / 2, 0, size.width, size.height});
    box->addSubview(picture);
    auto label = std::make_shared<ui::Label>(ui::Rect(0, size.height + 5, kWidth, 20));
    label->setTag(kErrorLabelTag);
    label->setFont(ui::Font::systemFontOfSize(14));
    label->setTextAlignment(ui::TextAlignment::Center);
    label->setTextColor(ui::Color::colorWithWhite(178.0 / 255));
    label->setBackgroundColor(ui::Color::clearColor());
    label->setText(message);
    box->addSubview(label);
    notice->addSubview(box);
    view()->addSubview(notice);
}

void QXPostDetailNew::addLoadingViewDefault() {
    if (view()->viewWithTag(LoadingOverlay::kTag)) return;
    view()->addSubview(
        LoadingOverlay::make({0, 0, kWidth, pageHeight()}, QStringLiteral("正在加载")));
}

void QXPostDetailNew::removeLoadingView() {
    if (ui::View* loading = view()->viewWithTag(LoadingOverlay::kTag))
        loading->removeFromSuperview();
}

void QXPostDetailNew::goBack() {
    reportIndex();
    if (ui::NavigationController* navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}

// --- Paging

int QXPostDetailNew::numberOfRowsInSection(ui::TableView& table, int) {
    return &table == mainScrollView_.get() ? 1 : 0;
}

std::shared_ptr<ui::TableViewCell> QXPostDetailNew::cellForRowAtIndexPath(ui::TableView& table,
                                                                          const ui::IndexPath&) {
    auto cell = table.dequeueReusableCellWithIdentifier(QStringLiteral("cell"));
    if (!cell) {
        cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default,
                                                   QStringLiteral("cell"));
        cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
        cell->setBackgroundColor(ui::Color::clearColor());
        // The sections lie in the table itself under the row: touches go through to them.
        cell->setUserInteractionEnabled(false);
    }
    return cell;
}

double QXPostDetailNew::heightForRowAtIndexPath(ui::TableView& table, const ui::IndexPath&) {
    if (footerRefreshView_ && &table == mainScrollView_.get())
        return footerRefreshView_->frame().origin.y - heightForFooterInSection(table, 0);
    return table.contentSize().height;
}

double QXPostDetailNew::heightForFooterInSection(ui::TableView&, int) {
    return isShowBar_ ? kBarHeight : 0;
}

std::shared_ptr<ui::View> QXPostDetailNew::viewForFooterInSection(ui::TableView& table, int) {
    if (!isShowBar_ || &table != mainScrollView_.get()) return nullptr;
    if (!bottomView_) addBottomBar();
    return std::static_pointer_cast<ui::View>(bottomView_);
}

void QXPostDetailNew::fillRefreshLabels() {
    const auto list = list_.lock();
    if (!list || !headerRefreshView_ || !footerRefreshView_) return;
    const QVariantList& posts = list->postDetailNewContentArray();
    const auto titleOf = [&posts](int index) {
        const QVariant title = Tolerant(posts.value(index))["title"].value();
        return title.typeId() == QMetaType::QString ? title.toString() : QString();
    };
    headerRefreshView_->lastUpdatedLabel()->setText(
        currentIndex_ == 0 ? kFirstPost : titleOf(currentIndex_ - 1));
    footerRefreshView_->lastUpdatedLabel()->setText(
        currentIndex_ >= int(posts.size()) - 1 ? kLastPost : titleOf(currentIndex_ + 1));
}

void QXPostDetailNew::scrollViewDidScroll(ui::ScrollView& scrollView) {
    if (&scrollView != mainScrollView_.get()) return;
    if (headerRefreshView_) headerRefreshView_->pullRefreshScrollViewDidScroll(scrollView);
    if (footerRefreshView_) footerRefreshView_->pullRefreshScrollViewDidScroll(scrollView);
}

void QXPostDetailNew::scrollViewDidEndDragging(ui::ScrollView& scrollView, bool) {
    const auto list = list_.lock();
    if (&scrollView != mainScrollView_.get() || !list) return;
    const int count = int(list->postDetailNewContentArray().size());
    const bool atEnd = currentIndex_ >= count - 1 && !list->postDetailNewHasMoreData();
    if (!atEnd && footerRefreshView_)
        footerRefreshView_->pullRefreshScrollViewDidEndDragging(scrollView);
    if (currentIndex_ > 0 && headerRefreshView_)
        headerRefreshView_->pullRefreshScrollViewDidEndDragging(scrollView);
}

void QXPostDetailNew::pullRefreshTableDidTriggerRefresh(GRefreshTableView& view) {
    if (&view == headerRefreshView_.get()) {
        if (currentIndex_ == 0) {
            view.pullRefreshScrollViewDataSourceDidFinishedLoading(*mainScrollView_);
            return;
        }
        // The pull lets go first, so the page turns once the strip has let go of its inset.
        ns::MainQueue::post([weak = weakAs<QXPostDetailNew>()] {
            if (auto self = weak.lock()) self->loadPreviousData();
        });
        return;
    }
    ns::MainQueue::post([weak = weakAs<QXPostDetailNew>()] {
        if (auto self = weak.lock()) self->loadNextData();
    });
}

bool QXPostDetailNew::pullRefreshTableDataSourceIsLoading(GRefreshTableView& view) {
    return &view == headerRefreshView_.get() ? refreshViewLoading_ == 1 : refreshViewLoading_ == 2;
}

void QXPostDetailNew::loadPreviousData() {
    const auto list = list_.lock();
    if (!list) return;
    refreshViewLoading_ = 1;
    if (headerRefreshView_)
        headerRefreshView_->pullRefreshScrollViewDataSourceDidFinishedLoading(*mainScrollView_);
    const QVariantList& posts = list->postDetailNewContentArray();
    if (currentIndex_ > 0 && currentIndex_ <= int(posts.size())) {
        --currentIndex_;
        contentDict_ = posts.value(currentIndex_).toMap();
    }
    refreshDataAndViewUpOrDown(0);
    refreshViewLoading_ = 0;
}

void QXPostDetailNew::loadNextData() {
    const auto list = list_.lock();
    if (!list) return;
    refreshViewLoading_ = 2;
    const QVariantList& posts = list->postDetailNewContentArray();
    const int count = int(posts.size());
    if (currentIndex_ < count - 1) {
        ++currentIndex_;
        finishedLoadData(posts.value(currentIndex_).toMap());
    } else if (count == 0) {
        finishedLoadData(contentDict_);
    } else {
        list->postDetailNewLoadMoreData([weak = weakAs<QXPostDetailNew>(), count](bool loaded) {
            ns::MainQueue::post([weak, count, loaded] {
                auto self = weak.lock();
                const auto list = self ? self->list_.lock() : nullptr;
                if (!self || !list || self->refreshViewLoading_ == 0) return;
                if (loaded) {
                    const QVariantList& grown = list->postDetailNewContentArray();
                    self->currentIndex_ = int(grown.size()) > count ? count : int(grown.size()) - 1;
                    self->finishedLoadData(grown.value(self->currentIndex_).toMap());
                } else {
                    self->finishedLoadData(self->contentDict_);
                }
                self->refreshViewLoading_ = 0;
            });
        });
        return;
    }
    refreshViewLoading_ = 0;
}

void QXPostDetailNew::finishedLoadData(const PostRecord& post) {
    if (footerRefreshView_)
        footerRefreshView_->pullRefreshScrollViewDataSourceDidFinishedLoading(*mainScrollView_);
    contentDict_ = post;
    refreshDataAndViewUpOrDown(1);
}

void QXPostDetailNew::refreshDataAndViewUpOrDown(int direction) {
    if (!scrollView1_ || !scrollView2_) return;
    const std::shared_ptr<ui::ScrollView> old = mainScrollView_;
    const std::shared_ptr<ui::ScrollView> next =
        old == scrollView1_ ? std::static_pointer_cast<ui::ScrollView>(scrollView2_)
                            : std::static_pointer_cast<ui::ScrollView>(scrollView1_);
    const double height = pageHeight();
    const double towards = direction == 1 ? height : -height;
    // The new page starts clean: no pull views, nothing left of an earlier turn.
    headerRefreshView_.reset();
    footerRefreshView_.reset();
    next->setFrame({0, towards, kWidth, height});
    next->setContentInset({});
    next->setContentOffset({0, 0});
    view()->addSubview(next);
    mainScrollView_ = next;
    loadByPuidNow_ = needLoadByPuid_;
    if (auto* previousBar = bottomView_.get()) previousBar->removeFromSuperview();
    bottomView_.reset();
    refreshDataAndView();
    mainScrollView_->setContentOffset({0, 0});
    ui::View::animateWithDuration(
        kPageTurnDuration,
        [&] {
            old->setFrame({0, -towards, kWidth, height});
            next->setFrame({0, 0, kWidth, height});
        },
        [weak = weakAs<QXPostDetailNew>(), oldPage = std::weak_ptr<ui::ScrollView>(old)](bool) {
            auto self = weak.lock();
            auto page = oldPage.lock();
            if (!self || !page || page == self->mainScrollView_) return;
            const auto subviews = page->subviews();
            for (const auto& subview : subviews) {
                if (!dynamic_cast<ui::TableViewCell*>(subview.get()))
                    subview->removeFromSuperview();
            }
            if (auto* table = dynamic_cast<ui::TableView*>(page.get())) table->reloadData();
            page->setContentInset({});
            page->setContentOffset({0, 0});
        });
}
