#include "map/QXMapDetailViewController.h"

#include "map/BasicAnnotion.h"
#include "map/MapArtwork.h"
#include "map/MapNotices.h"
#include "map/QXMapDetailCell.h"
#include "map/QXMapDetailModel.h"
#include "map/ShopMapRequest.h"
#include "ui/widgets/PRRefreshFooterView.h"
#include "util/categories/Tolerant.h"

#include "platform/foundation/timer.h"
#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/application.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/pan_gesture_recognizer.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/string_drawing.h"
#include "ui/widgets/LoadingOverlay.h"

namespace {

const ui::Color kHighlight = ui::Color::rgb(230, 230, 230);
const ui::Color kTitle = ui::Color::rgb(64, 64, 64);
const ui::Color kGrey153 = ui::Color::rgb(153, 153, 153);
const ui::Color kDetailGreen = ui::Color::rgb(83, 188, 44);
constexpr double kWidth = 320;
constexpr double kListHeaderHeight = 39;

// The page the next broker-list request asks for: one for the whole process, as there is
// one panel at a time.
int& sharedPageNumber() {
    static int page = 1;
    return page;
}

double screenHeight() {
    return ui::Screen::mainScreen().bounds().size.height;
}

std::shared_ptr<ui::Label> makeLabel(const ui::Color& colour, double size) {
    auto label = std::make_shared<ui::Label>();
    label->setTextColor(colour);
    label->setFont(ui::Font::systemFontOfSize(size));
    label->setBackgroundColor(ui::Color::clearColor());
    return label;
}

std::shared_ptr<ui::View> rule(const ui::Rect& frame, const ui::Color& colour) {
    auto view = std::make_shared<ui::View>(frame);
    view->setBackgroundColor(colour);
    return view;
}

}  // namespace

std::shared_ptr<QXMapDetailViewController> QXMapDetailViewController::initIsSuperViewWith(
    std::shared_ptr<BasicAnnotion> annotation, ShopMapContext context) {
    auto panel = std::make_shared<QXMapDetailViewController>(std::move(context));
    panel->setAnnoBasic(std::move(annotation));
    panel->setUpLayout();
    panel->setupGesture();
    return panel;
}

QXMapDetailViewController::QXMapDetailViewController(ShopMapContext context)
    : context_(std::move(context)) {
    setHidesBottomBarWhenPushed(true);
}

QXMapDetailViewController::~QXMapDetailViewController() {
    ShopMapRequest::cancel();
    if (footView_) footView_->free();
}

void QXMapDetailViewController::setUpLayout() {
    ShopMapRequest::cancel();
    const double height = screenHeight();
    openFrame_ = {0, kOpenTop, kWidth, height - 64};
    openFinnallyFrame_ = {0, 0, kWidth, height};
    closeFrame_ = {0, height, kWidth, height};
    view()->setFrame(closeFrame_);
}

void QXMapDetailViewController::setupGesture() {
    auto pan = std::make_shared<ui::PanGestureRecognizer>(
        this, [weak = weakAs<QXMapDetailViewController>()](ui::GestureRecognizer& recognizer) {
            if (auto self = weak.lock()) {
                self->panGestureAction(static_cast<ui::PanGestureRecognizer&>(recognizer));
            }
        });
    pan->setMinimumNumberOfTouches(1);
    pan->setMaximumNumberOfTouches(1);
    headerView_->addGestureRecognizer(pan);
}

void QXMapDetailViewController::viewDidLoad() {
    view()->setBackgroundColor(ui::Color::whiteColor());
    sharedPageNumber() = 1;
    headerView_ = std::make_shared<ui::View>(ui::Rect(0, 0, kWidth, kHeaderHeight));
    headerView_->setBackgroundColor(ui::Color::clearColor());
    headerView_->addSubview(rule({0, 0, kWidth, 0.5}, ui::Color::rgb(112, 112, 112)));
    headerView_->addSubview(rule({0, kHeaderHeight - 0.5, kWidth, 0.5}, kDetailGreen));

    leftInfoBt_ = std::make_shared<ui::Button>(ui::Rect(0, 0, 259, kHeaderHeight));
    leftInfoBt_->setBackgroundImage(ui::Image::imageWithColor(kHighlight),
                                    ui::kControlStateHighlighted);
    leftInfoBt_->addTarget(
        this, ui::kControlEventTouchUpInside,
        [weak = weakAs<QXMapDetailViewController>()](ui::Control&, const ui::Event*) {
            if (auto self = weak.lock()) self->showListView();
        });
    upOrDownImage_ = std::make_shared<ui::ImageView>(MapArtwork::imageNamed("向上_1.png"));
    upOrDownImage_->setFrame({149, 4.5, 22, 9});
    titleLab_ = makeLabel(kTitle, 14);
    subLab_ = makeLabel(kGrey153, 12);
    excellentImg_ = std::make_shared<ui::ImageView>(MapArtwork::imageNamed("金牌门店icon.png"));
    excellentImg_->setHidden(true);
    for (const auto& part : std::initializer_list<std::shared_ptr<ui::View>>{
             upOrDownImage_, titleLab_, subLab_, excellentImg_}) {
        part->setUserInteractionEnabled(false);
        leftInfoBt_->addSubview(part);
    }
    headerView_->addSubview(leftInfoBt_);

    button2_ = std::make_shared<ui::Button>(ui::Rect(260, 0, 60, kHeaderHeight));
    button2_->setBackgroundImage(ui::Image::imageWithColor(ui::Color::rgb(230, 230, 239)),
                                 ui::kControlStateHighlighted);
    button2_->addTarget(
        this, ui::kControlEventTouchUpInside,
        [weak = weakAs<QXMapDetailViewController>()](ui::Control&, const ui::Event*) {
            if (auto self = weak.lock()) self->telePhoneCompang();
        });
    auto icon = std::make_shared<ui::ImageView>(MapArtwork::imageNamed("拨打电话icon.png"));
    icon->setFrame({15, 15, 30, 30});
    icon->setUserInteractionEnabled(false);
    button2_->addSubview(icon);
    auto call = makeLabel(kDetailGreen, 14);
    call->setText("电话");
    call->setFrame({15, 45 - 6, 30, 30});
    call->setUserInteractionEnabled(false);
    button2_->addSubview(call);
    headerView_->addSubview(button2_);
    view()->addSubview(headerView_);
    setAnnoBasic(annoBasic_);
}

void QXMapDetailViewController::viewWillAppear(bool) {
    if (view()->frame() != closeFrame_) view()->setFrame({0, 0, kWidth, screenHeight()});
}

void QXMapDetailViewController::viewDidDisappear(bool) {
    context_.setDragBack(true);
}

void QXMapDetailViewController::setAnnoBasic(std::shared_ptr<BasicAnnotion> annotation) {
    annoBasic_ = std::move(annotation);
    if (!titleLab_) return;
    const QString name = annoBasic_ ? annoBasic_->companyName : QString();
    const QString address = annoBasic_ ? annoBasic_->postAddr : QString();
    titleLab_->setText(name);
    const double width =
        ui::StringDrawing::sizeWithFont(name, titleLab_->font(), ui::Size(1000, 20)).width;
    titleLab_->setFrame({12, 18, width, 20});
    subLab_->setText(address);
    subLab_->setFrame({12, 38, 247, 20});
    const ui::Size badge = excellentImg_->image() ? excellentImg_->image()->size() : ui::Size{};
    excellentImg_->setFrame({12 + width + 3, 18 + 2, badge.width, badge.height});
    excellentImg_->setHidden(
        !(annoBasic_ && Tolerant::intValueOfString(annoBasic_->isExcellentShop) == 1));
}

void QXMapDetailViewController::moveTo(const ui::Rect& frame, std::function<void()> animations,
                                       std::function<void()> completion) {
    ui::View::animateWithDuration(
        kMoveDuration, 0, ui::kViewAnimationOptionAllowUserInteraction,
        [&] {
            if (animations) animations();
            view()->setFrame(frame);
        },
        [weak = weakAs<QXMapDetailViewController>(), completion = std::move(completion)](bool) {
            if (weak.lock() && completion) completion();
        });
}

void QXMapDetailViewController::openDetailView() {
    context_.setDragBack(false);
    removeLoadingView();
    if (listTable_) listTable_->setHidden(true);
    mapControlState_ = Open;
    if (detailViewWillOpenBlock) detailViewWillOpenBlock();
    listDataArray_.clear();
    moveTo(
        openFrame_,
        [this] {
            upOrDownImage_->setImage(MapArtwork::imageNamed("向上_1.png"));
            sharedPageNumber() = 1;
            oldY_ = float(openFrame_.origin.y);
            newY_ = 0;
            button2_->setHidden(!annoBasic_ || annoBasic_->officePhone.isEmpty());
        },
        [this] {
            // Closed again meanwhile: nothing more.
            if (mapControlState_ != Open) return;
            if (detailViewDidOpenBlock) detailViewDidOpenBlock();
            loadTableViewData();
        });
}

void QXMapDetailViewController::openListView() {
    context_.setDragBack(false);
    context_.recordEvent("agentshop_agentshopdetail");
    mapControlState_ = FullScreen;
    if (detailViewWillOpenFinnallyBlock) detailViewWillOpenFinnallyBlock();
    oldY_ = newY_ = 0;
    moveTo(
        openFinnallyFrame_,
        [this] { upOrDownImage_->setImage(MapArtwork::imageNamed("向下_1.png")); },
        [this] {
            if (detailViewDidOpenFinnallyBlock) detailViewDidOpenFinnallyBlock();
        });
}

void QXMapDetailViewController::closeDetailView() {
    context_.setDragBack(true);
    removeLoadingView();
    mapControlState_ = Closed;
    if (detailViewWillCloseBlock) detailViewWillCloseBlock();
    moveTo(closeFrame_, {}, [this] {
        if (detailViewDidCloseBlock) detailViewDidCloseBlock();
    });
}

void QXMapDetailViewController::showListView() {
    if (view()->frame().origin.y != 0) {
        openListView();
    } else {
        closeDetailView();
    }
}

void QXMapDetailViewController::panGestureAction(ui::PanGestureRecognizer& recognizer) {
    switch (recognizer.state()) {
        case ui::GestureRecognizerState::Began:
        case ui::GestureRecognizerState::Changed: {
            ui::View* superview = view()->superview();
            const ui::Point moved = recognizer.translationInView(superview);
            const ui::Rect frame = view()->frame();
            const double y = frame.origin.y + moved.y;
            view()->setFrame(
                {frame.origin.x, std::max(y, 0.0), frame.size.width, frame.size.height});
            recognizer.setTranslation({}, superview);
            // Unclamped: a drag above the top still counts as upwards.
            newY_ = float(y);
            break;
        }
        case ui::GestureRecognizerState::Ended:
        case ui::GestureRecognizerState::Cancelled:
            if (newY_ - oldY_ < 0) {
                openListView();
            } else {
                closeDetailView();
            }
            break;
        default:
            break;
    }
}

void QXMapDetailViewController::telePhoneCompang() {
    context_.recordEvent("agentshop_call");
    if (!annoBasic_ || annoBasic_->officePhone.isEmpty()) return;
    ui::Application::sharedApplication().openURL(QUrl("tel://" + annoBasic_->officePhone));
}

int QXMapDetailViewController::pageNumber() {
    return sharedPageNumber();
}

void QXMapDetailViewController::removeLoadingView() {
    if (ui::View* loading = view()->viewWithTag(LoadingOverlay::kTag))
        loading->removeFromSuperview();
}

void QXMapDetailViewController::showCustomLoadingView() {
    removeLoadingView();
    const ui::Rect screen = ui::Screen::mainScreen().bounds();
    auto loading =
        std::make_shared<ui::View>(ui::Rect(0, -60, screen.size.width, screen.size.height));
    loading->setTag(LoadingOverlay::kTag);
    loading->setBackgroundColor(ui::Color::clearColor());
    auto spinner =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::Gray);
    spinner->setCenter({screen.size.width / 2, screen.size.height / 2 - 12});
    spinner->startAnimating();
    loading->addSubview(spinner);
    auto tip = makeLabel(kGrey153, 14);
    tip->setText("正在加载");
    tip->setTextAlignment(ui::TextAlignment::Center);
    tip->setFrame({0, screen.size.height / 2 + 4, screen.size.width, 20});
    loading->addSubview(tip);
    view()->addSubview(loading);
}

void QXMapDetailViewController::loadTableViewData() {
    if (!context_.reachable()) {
        MapNotices::showAutoHide("网络连接失败!");
        return;
    }
    if (sharedPageNumber() == 1) {
        if (noInfoLbl_) noInfoLbl_->setHidden(true);
        showCustomLoadingView();
    }
    const int store = annoBasic_ ? Tolerant::intValueOfString(annoBasic_->idString) : 0;
    const auto weak = weakAs<QXMapDetailViewController>();
    ShopMapRequest::send(
        context_, ShopMapRequest::brokerListBody(store, sharedPageNumber()),
        [weak](const QVariant& reply) {
            auto self = weak.lock();
            if (!self) return;
            self->removeLoadingView();
            self->brokerPageArrived(reply);
        },
        [weak](bool cancelled) {
            auto self = weak.lock();
            if (!self) return;
            self->removeLoadingView();
            self->endFooterRefreshing();
            // A page cancelled by a newer call is no network failure.
            if (!cancelled) MapNotices::showAutoHide("网络连接失败!");
        });
}

void QXMapDetailViewController::brokerPageArrived(const QVariant& reply) {
    const Tolerant node = Tolerant(reply)["data"]["SearchHousingCustomer"]["getCustomerBrokerList"];
    const Tolerant total = node["total"];
    if (total.intValue() == 0) {
        numListData_ = total.value();
        addNoDataView();
        noInfoLbl_->setHidden(false);
        noInfoLbl_->setText("该门店没有经纪人信息");
        return;
    }
    ++sharedPageNumber();
    if (listDataArray_.isEmpty()) {
        if (listTable_) listTable_->setHidden(false);
        if (noInfoLbl_) noInfoLbl_->setHidden(true);
        listDataArray_ = node["list"].toList();
        numListData_ = total.value();
        initListView();
    } else {
        if (noInfoLbl_) noInfoLbl_->setHidden(true);
        pullUpArray_ = node["list"].toList();
        if (!pullUpArray_.isEmpty()) {
            listDataArray_.append(pullUpArray_);
            listTable_->setHidden(false);
            listTable_->reloadData();
        } else {
            MapNotices::showAutoHide("没有更多经纪人");
            // The footer says so too, and a pull asks for no page beyond the last.
            if (footView_) footView_->endRefreshingWithNoMoreData();
            return;
        }
    }
    endFooterRefreshing();
}

void QXMapDetailViewController::endFooterRefreshing() {
    if (footView_ && footView_->isRefreshing()) footView_->endRefreshing();
}

void QXMapDetailViewController::initListView() {
    pullUpArray_.clear();
    // The brokers of another shop: its further pages are still to come.
    if (footView_) footView_->resetNoMoreData();
    const int count = Tolerant(numListData_).intValue();
    if (listTable_ && listTable_->superview() == view().get()) {
        listTable_->reloadData();
        hasInfoNumLabel_->setText(QStringLiteral("共%1人").arg(count));
        return;
    }
    listTable_ = std::make_shared<ui::TableView>(
        ui::Rect(0, kHeaderHeight, kWidth, screenHeight() - 134), ui::TableViewStyle::Plain);
    listTable_->setExclusiveTouch(true);
    listTable_->setTableHeaderView(layOutHeaderView());
    listTable_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    listTable_->setDelegate(weakAs<QXMapDetailViewController>());
    listTable_->setDataSource(weakAs<QXMapDetailViewController>());
    footView_ = PRRefreshBaseView::initWithScrollView<PRRefreshFooterView>(listTable_);
    footView_->setBackgroundColor(ui::Color::clearColor());
    footView_->setDelegate(weakAs<QXMapDetailViewController>());
    footView_->setBeginRefreshingBlock(
        [weak = weakAs<QXMapDetailViewController>()](PRRefreshBaseView&) {
            ns::DelayedCall::schedule(ns::seconds(kPullUpDelay), [weak] {
                if (auto self = weak.lock()) self->loadTableViewData();
            });
        });
    view()->addSubview(listTable_);
}

std::shared_ptr<ui::View> QXMapDetailViewController::layOutHeaderView() {
    auto header = std::make_shared<ui::View>(ui::Rect(0, 0, kWidth, kListHeaderHeight));
    header->setBackgroundColor(ui::Color::rgb(240, 240, 240));
    auto team = makeLabel(kTitle, 14);
    team->setText("经纪人队伍");
    team->setFrame({9, 9, 75, 20});
    header->addSubview(team);
    hasInfoNumLabel_ = makeLabel(ui::Color::rgb(149, 149, 149), 12);
    hasInfoNumLabel_->setText(QStringLiteral("共%1人").arg(Tolerant(numListData_).intValue()));
    hasInfoNumLabel_->setFrame({9 + 75, 10, 60, 20});
    header->addSubview(hasInfoNumLabel_);
    return header;
}

void QXMapDetailViewController::removeNoView() {
    if (noInfoLbl_) noInfoLbl_->removeFromSuperview();
}

void QXMapDetailViewController::addNoDataView() {
    if (listTable_) {
        listTable_->setHidden(true);
        listTable_->removeFromSuperview();
        listTable_.reset();
    }
    if (footView_) {
        footView_->free();
        footView_->removeFromSuperview();
        footView_.reset();
    }
    if (!noInfoLbl_) {
        noInfoLbl_ = makeLabel(kGrey153, 14);
        noInfoLbl_->setFrame({0, 190, kWidth, 20});
        noInfoLbl_->setTextAlignment(ui::TextAlignment::Center);
    }
    view()->addSubview(noInfoLbl_);
    // The header of the last empty state gives way to this one.
    if (hasInfoNumLabel_ && hasInfoNumLabel_->superview() &&
        hasInfoNumLabel_->superview()->superview() == view().get()) {
        hasInfoNumLabel_->superview()->removeFromSuperview();
    }
    auto header = layOutHeaderView();
    header->setFrame({0, kHeaderHeight, kWidth, kListHeaderHeight});
    view()->addSubview(header);
}

int QXMapDetailViewController::numberOfRowsInSection(ui::TableView&, int) {
    return int(listDataArray_.size());
}

std::shared_ptr<ui::TableViewCell> QXMapDetailViewController::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& path) {
    const QVariantMap broker = listDataArray_.value(path.row).toMap();
    auto cell = std::dynamic_pointer_cast<QXMapDetailCell>(
        table.dequeueReusableCellWithIdentifier(QXMapDetailCell::kReuseIdentifier));
    if (!cell) {
        cell = std::make_shared<QXMapDetailCell>();
        auto selected = std::make_shared<ui::View>();
        selected->setBackgroundColor(kHighlight);
        cell->setSelectedBackgroundView(selected);
    }
    cell->setConnectModel(QXMapDetailModel::detailModelWithFormat(broker));
    cell->block = [weak = weakAs<QXMapDetailViewController>(), broker](QXMapDetailCell&) {
        auto self = weak.lock();
        if (self && self->block) self->block(true, broker);
    };
    return cell;
}

double QXMapDetailViewController::heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) {
    return QXMapDetailCell::kRowHeight;
}

void QXMapDetailViewController::didSelectRowAtIndexPath(ui::TableView& table,
                                                        const ui::IndexPath& path) {
    context_.recordEvent("agentshop_agentshopdetail_agentdetail");
    if (!context_.reachable()) {
        MapNotices::showAutoHide("网络连接失败!");
        return;
    }
    if (path.row >= listDataArray_.size()) return;
    table.deselectRowAtIndexPath(path, true);
    if (block) block(false, listDataArray_.at(path.row).toMap());
}

void QXMapDetailViewController::scrollViewDidScroll(ui::ScrollView& scrollView) {
    if (&scrollView != listTable_.get()) return;
    scrollView.setBouncesZoom(false);
    if (scrollView.contentOffset().y < 0) {
        scrollView.setBounces(false);
        scrollView.setContentOffset({0, 0});
        return;
    }
    scrollView.setBounces(true);
    if (scrollView.contentOffset().y > 2 && view()->frame().origin.y == kOpenTop) openListView();
}
