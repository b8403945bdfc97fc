#include "houses/photos/ImageScrollPageController.h"

#include "analytics/StatClick.h"
#include "houses/photos/ImageOperController.h"
#include "houses/photos/QXFCHouseSourceInfoBottomView.h"
#include "houses/photos/QXFCHouseSourceInfoDetailView.h"
#include "houses/shared/HouseFavourites.h"
#include "houses/shared/HousesHost.h"
#include "net/EndpointTable.h"
#include "net/QXIMRequest.h"
#include "net/QXNetConnection.h"
#include "net/RequestHeaderSet.h"
#include "net/transport/NKImageRequestOperation.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/web_view.h"
#include "ui/image/ImageLoader.h"
#include "ui/widgets/AlertMessages.h"
#include "ui/widgets/LoadingOverlay.h"
#include "ui/widgets/PlatformVersion.h"
#include "ui/widgets/ViewFrameBuilder.h"
#include "util/categories/Tolerant.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kButtonSide = 40;
constexpr double kBarHeight = QXFCHouseSourceInfoBottomView::kHeight;
constexpr double kToggleDuration = 0.2;

// Items placed at fixed points sit 20 points higher before version 7, which had no status
// bar over the screen.
double fixedItemShift() {
    return PlatformVersion::isVersion7OrLater() ? 0 : 20;
}

QString counterText(int page, int pages) {
    return QStringLiteral("%1/%2").arg(page + 1).arg(pages);
}

// A dictionary value's "v" and "u" joined: "3500" and "元/月".
QString valueWithUnit(const Tolerant& field) {
    return field[QStringLiteral("v")].toString() + field[QStringLiteral("u")].toString();
}

}  // namespace

ImageScrollPageController::ImageScrollPageController(QStringList imageNames, int page)
    : imageNames_(std::move(imageNames)), page_(page), currentPage_(page) {}

ImageScrollPageController::~ImageScrollPageController() {
    stopWatching();
}

int ImageScrollPageController::numberOfSlots() const {
    return int(pages_.size()) + (hasInfoPage_ ? 1 : 0);
}

std::shared_ptr<ImageOperController> ImageScrollPageController::pageAt(int slot) const {
    return slot >= 0 && slot < int(pages_.size()) ? pages_[std::size_t(slot)] : nullptr;
}

bool ImageScrollPageController::isNeedReplyMode() const {
    return houseInfoFromFindHouseRequestDetailPage_.isValid();
}

QVariantMap ImageScrollPageController::shownPost() const {
    return isNeedReplyMode() ? dictContainAllData_ : houseInfoFromQXPostDetailNew_;
}

void ImageScrollPageController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    ui::View& screen = *view();
    screen.setFrame(myFrame_);
    currentPage_ = page_;
    screen.setBackgroundColor(ui::Color::blackColor());
    pages_.assign(std::size_t(imageNames_.size()), nullptr);

    const ui::Rect bounds = screen.bounds();
    scrollView_ = std::make_shared<ui::ScrollView>(bounds);
    scrollView_->setContentSize({bounds.size.width * numberOfSlots(), bounds.size.height});
    scrollView_->setShowsHorizontalScrollIndicator(false);
    scrollView_->setShowsVerticalScrollIndicator(false);
    scrollView_->setScrollsToTop(false);
    scrollView_->setPagingEnabled(true);
    scrollView_->setAutoresizesSubviews(true);
    scrollView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth |
                                     ui::kAutoresizingFlexibleHeight);
    scrollView_->setContentOffset({page_ * scrollView_->frame().size.width, 0}, false);
    scrollView_->setDelegate(weakAs<ImageScrollPageController>());
    screen.addSubview(scrollView_);

    addButtons();
    if (shouldShowHouseInfoView_) {
        addHouseInfoViews();
    } else {
        imageNumIndicatorLbl_ =
            std::make_shared<ui::Label>(ui::Rect(0, 37.5 - fixedItemShift(), 40, 15));
        imageNumIndicatorLbl_->setBackgroundColor(ui::Color::clearColor());
        imageNumIndicatorLbl_->setTextColor(ui::Color::whiteColor());
        imageNumIndicatorLbl_->setFont(ui::Font::systemFontOfSize(14));
        screen.addSubview(imageNumIndicatorLbl_);
        setImageNumIndicatorLblValue();
    }

    loadScrollViewWithPage(page_ - 1);
    loadScrollViewWithPage(page_);
    loadScrollViewWithPage(page_ + 1);
    if (shouldShowHouseInfoView_ && isNeedReplyMode()) {
        loadAllDataByPuid();
    } else {
        removeLoadingView();
    }
    refreshHouseSourceInfoBottomView();
    refreshHouseSourceInfoDetailView();
    getAgentDetailInfoFromServer();
}

void ImageScrollPageController::addButtons() {
    ui::View& screen = *view();
    backButton_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
    backButton_->setFrame({13, 30 - fixedItemShift(), kButtonSide, kButtonSide});
    backButton_->setBackgroundImage(ui::Image::imageNamed(QStringLiteral("圆形返回.png")),
                                    ui::kControlStateNormal);
    backButton_->setBackgroundImage(ui::Image::imageNamed(QStringLiteral("圆形返回点击.png")),
                                    ui::kControlStateHighlighted);
    backButton_->addTarget(this, ui::kControlEventTouchUpInside,
                           [this](ui::Control&, const ui::Event*) { back(); });
    screen.addSubview(backButton_);
    if (!shouldShowPicSaveBtn_) return;
    saveButton_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
    saveButton_->setFrame({270, 30 - fixedItemShift(), kButtonSide, kButtonSide});
    saveButton_->setTitle(QStringLiteral("保存"), ui::kControlStateNormal);
    saveButton_->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
    saveButton_->setFont(ui::Font::systemFontOfSize(14));
    saveButton_->addTarget(
        this, ui::kControlEventTouchUpInside,
        [this](ui::Control&, const ui::Event*) { saveCurrentImageToAlbum(currentPage_); });
    screen.addSubview(saveButton_);
}

void ImageScrollPageController::addHouseInfoViews() {
    ui::View& screen = *view();
    scrollView_->addContentOffsetObserver(this, [this](ui::Point oldOffset, ui::Point newOffset) {
        watchOffset(oldOffset, newOffset);
    });
    imageDownloadObservation_ = ns::NotificationCenter::defaultCenter().addObserver(
        ImageLoader::kImageDownloadDoneNotification,
        [weak = weakAs<ImageScrollPageController>()](const ns::Notification& notification) {
            const auto self = weak.lock();
            if (!self || !self->houseSourceInfoDetailView_) return;
            // Only a picture of this pager's pages: one another pager asked for may arrive late.
            const QString url = notification.userInfo.value(ImageLoader::kURLKey).toString();
            if (std::none_of(self->pages_.begin(), self->pages_.end(),
                             [&](const auto& page) { return page && page->imageName() == url; })) {
                return;
            }
            self->houseSourceInfoDetailView_->setBackgroundImage(
                notification.userInfo.value(ImageLoader::kImageKey)
                    .value<std::shared_ptr<ui::Image>>());
        });
    const ui::Size size = ui::Screen::mainScreen().bounds().size;
    houseSourceInfoBottomView_ = std::make_shared<QXFCHouseSourceInfoBottomView>(
        ui::Rect(0, size.height - kBarHeight - fixedItemShift(), size.width, kBarHeight));
    houseSourceInfoBottomView_->setActionsBlock(
        [weak = weakAs<ImageScrollPageController>()](int code) {
            if (auto self = weak.lock()) self->barAction(code);
        });
    screen.addSubview(houseSourceInfoBottomView_);

    houseSourceInfoDetailView_ = std::make_shared<QXFCHouseSourceInfoDetailView>(screen.bounds());
    houseSourceInfoDetailView_->setAutoresizingMask(ui::kAutoresizingFlexibleHeight);
    houseSourceInfoDetailView_->setActionsBlock(
        [weak = weakAs<ImageScrollPageController>()](int code) {
            if (auto self = weak.lock()) self->panelAction(code);
        });
    hasInfoPage_ = true;
    scrollView_->setContentSize(
        {screen.bounds().size.width * numberOfSlots(), screen.bounds().size.height});
    setBarCounter();
}

void ImageScrollPageController::stopWatching() {
    if (scrollView_) scrollView_->removeObserver(this);
    imageDownloadObservation_.reset();
}

void ImageScrollPageController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    if (ui::NavigationController* navigation = navigationController()) {
        navigation->setNavigationBarHidden(true, false);
    }
    HousesHost::shared()->setDragBackGesture(false);
}

void ImageScrollPageController::viewDidDisappear(bool animated) {
    ui::ViewController::viewDidDisappear(animated);
    HousesHost::shared()->setDragBackGesture(true);
}

void ImageScrollPageController::setImageNumIndicatorLblValue() {
    if (!imageNumIndicatorLbl_) return;
    imageNumIndicatorLbl_->setText(counterText(page_, numberOfSlots()));
    vf_frameBuilder(*imageNumIndicatorLbl_).setSizeToFitWidth().centerHorizontallyInSuperview();
}

void ImageScrollPageController::setBarCounter() {
    if (houseSourceInfoBottomView_) {
        houseSourceInfoBottomView_->setImageNumIndicatorLblText(
            counterText(page_, numberOfSlots()));
    }
}

void ImageScrollPageController::loadScrollViewWithPage(int page) {
    if (page < 0 || page >= numberOfSlots()) return;
    const double width = scrollView_->frame().size.width;
    if (hasInfoPage_ && page == lastSlot()) {
        if (!houseSourceInfoDetailView_->superview()) {
            ui::Rect frame = view()->bounds();
            frame.origin.x += page * width;
            houseSourceInfoDetailView_->setFrame(frame);
            scrollView_->addSubview(houseSourceInfoDetailView_);
        }
        return;
    }
    auto& slot = pages_[std::size_t(page)];
    if (!slot) {
        ui::Rect frame = scrollView_->frame();
        frame.origin = {page * width, 0};
        slot = std::make_shared<ImageOperController>(imageNames_[page], frame);
        slot->setOffsetAlignToBottomInSuperView(0);
    }
    if (!slot->view()->superview()) scrollView_->addSubview(slot->view());
    slot->setInitialStatus();
}

void ImageScrollPageController::scrollViewDidEndDecelerating(ui::ScrollView&) {
    pageSettled();
}

void ImageScrollPageController::scrollViewDidEndDragging(ui::ScrollView&, bool willDecelerate) {
    // A drag let go exactly on a page does not decelerate, yet it may have turned the page.
    if (!willDecelerate) pageSettled();
}

void ImageScrollPageController::pageSettled() {
    const double width = scrollView_->frame().size.width;
    if (width <= 0) return;
    const int page = int(std::floor((scrollView_->contentOffset().x - width / 2) / width)) + 1;
    page_ = page;
    currentPage_ = page;
    if (shouldShowHouseInfoView_) {
        if (hasInfoPage_ && page == lastSlot()) {
            StatClick::event(QStringLiteral("pviewer_lastpage_show"));
            houseSourceInfoBottomView_->setHidden(true);
            // The back button comes back, so that the info page can be left.
            if (houseSourceInfoBottomViewHidden_) showOrHideHouseSourceInfoBottomView();
        } else {
            houseSourceInfoBottomView_->setHidden(false);
        }
    }
    loadScrollViewWithPage(page - 1);
    loadScrollViewWithPage(page);
    loadScrollViewWithPage(page + 1);
    if (shouldShowHouseInfoView_) {
        setBarCounter();
    } else {
        setImageNumIndicatorLblValue();
    }
}

void ImageScrollPageController::watchOffset(ui::Point oldOffset, ui::Point newOffset) {
    if (!hasInfoPage_ || !houseSourceInfoBottomView_) return;
    const double width = scrollView_->frame().size.width;
    if (width <= 0) return;
    // The bar goes once an eighth of the info page is in view, and comes back below that.
    const int page = int(std::floor((newOffset.x - width / 8) / width)) + 1;
    if (newOffset.x > oldOffset.x && page == lastSlot()) {
        houseSourceInfoBottomView_->setUserInteractionEnabled(false);
        houseSourceInfoBottomView_->setHidden(true);
    } else if (newOffset.x < oldOffset.x && page < lastSlot()) {
        houseSourceInfoBottomView_->setUserInteractionEnabled(true);
        houseSourceInfoBottomView_->setHidden(false);
    }
}

void ImageScrollPageController::showOrHideHouseSourceInfoBottomView() {
    houseSourceInfoBottomViewHidden_ = !houseSourceInfoBottomViewHidden_;
    const double distance = PlatformVersion::isVersion7OrLater() ? 30 : 10;
    const double sign = houseSourceInfoBottomViewHidden_ ? 1 : -1;
    ui::View::animateWithDuration(kToggleDuration, [&] {
        for (ui::Button* button : {backButton_.get(), saveButton_.get()}) {
            if (!button) continue;
            vf_frameBuilder(*button).moveWithOffsetY(-sign *
                                                     (distance + button->frame().size.height));
        }
        if (houseSourceInfoBottomView_) {
            vf_frameBuilder(*houseSourceInfoBottomView_).moveWithOffsetY(sign * kBarHeight);
        }
    });
}

QString ImageScrollPageController::getPriceFromHouseInfoFromQXPostDetailNew() const {
    return valueWithUnit(
        Tolerant(QVariant(houseInfoFromQXPostDetailNew_))[QStringLiteral("price")]);
}

QString ImageScrollPageController::getAttributeFromHouseInfoFromQXPostDetailNew() const {
    const Tolerant post{QVariant(houseInfoFromQXPostDetailNew_)};
    QString layout;
    const Tolerant rooms = post[QStringLiteral("huxing_shi")];
    if (rooms[QStringLiteral("v")].intValue() != 0) layout += u' ' + valueWithUnit(rooms);
    for (const char* key : {"huxing_ting", "huxing_wei"}) {
        const Tolerant part = post[QString::fromLatin1(key)];
        if (part[QStringLiteral("v")].intValue() != 0) layout += valueWithUnit(part);
    }
    const Tolerant type = post[QStringLiteral("house_type")][QStringLiteral("t")];
    if (layout.isEmpty() && !type.isNil()) layout += u' ' + type.toString();
    const QString area = valueWithUnit(post[QStringLiteral("area")]);
    const QString facing = post[QStringLiteral("chaoxiang")][QStringLiteral("t")].toString();
    return QStringLiteral("%1%2 %3 %4")
        .arg(post[QStringLiteral("xiaoqu")].toString(), layout, area, facing);
}

void ImageScrollPageController::refreshHouseSourceInfoBottomView() {
    if (!houseSourceInfoBottomView_) return;
    QVariantMap post;
    if (isNeedReplyMode()) {
        const Tolerant house{houseInfoFromFindHouseRequestDetailPage_};
        houseSourceInfoBottomView_->setTitleLblText(house[QStringLiteral("title")].toString());
        houseSourceInfoBottomView_->setPriceLblText(house[QStringLiteral("price")].toString());
        houseSourceInfoBottomView_->setSubTitleLblText(
            house[QStringLiteral("houseAttribute")].toString());
        post = house.toMap();
    } else {
        const Tolerant shown{QVariant(houseInfoFromQXPostDetailNew_)};
        houseSourceInfoBottomView_->setTitleLblText(shown[QStringLiteral("title")].toString());
        houseSourceInfoBottomView_->setPriceLblText(getPriceFromHouseInfoFromQXPostDetailNew());
        houseSourceInfoBottomView_->setSubTitleLblText(
            getAttributeFromHouseInfoFromQXPostDetailNew());
        post = houseInfoFromQXPostDetailNew_;
    }
    if (HouseFavourites::isSaved(post)) {
        houseSourceInfoBottomView_->favBtn()->setBackgroundImage(
            ui::Image::imageNamed(QXFCHouseSourceInfoBottomView::kSavedFavouriteImage),
            ui::kControlStateNormal);
    }
}

void ImageScrollPageController::refreshHouseSourceInfoDetailView() {
    if (!houseSourceInfoDetailView_) return;
    QXFCHouseSourceInfoDetailView& panel = *houseSourceInfoDetailView_;
    if (!isNeedReplyMode()) {
        const Tolerant post{QVariant(houseInfoFromQXPostDetailNew_)};
        panel.setAddressLableText(post[QStringLiteral("xiaoqu_address")].toString());
        panel.setHouseAttributeLableText(getAttributeFromHouseInfoFromQXPostDetailNew());
        panel.setPriceLableText(getPriceFromHouseInfoFromQXPostDetailNew());
        return;
    }
    const ui::Rect bounds = view()->bounds();
    setBarCounter();
    scrollView_->setContentSize(
        {bounds.size.width * numberOfSlots(), bounds.size.height - kBarHeight});
    ui::Rect frame = bounds;
    frame.origin.x += scrollView_->frame().size.width * (numberOfSlots() - 1);
    panel.setFrame(frame);
    const Tolerant house{houseInfoFromFindHouseRequestDetailPage_};
    panel.setAddressLableText(house[QStringLiteral("xiaoqu_address")].toString());
    panel.setHouseAttributeLableText(house[QStringLiteral("houseAttribute")].toString());
    panel.setPriceLableText(house[QStringLiteral("price")].toString());
}

QString ImageScrollPageController::posterId() const {
    return isNeedReplyMode()
               ? Tolerant(houseInfoFromFindHouseRequestDetailPage_)[QStringLiteral("userId")]
                     .toString()
               : Tolerant(QVariant(houseInfoFromQXPostDetailNew_))[QStringLiteral("user_id")]
                     .toString();
}

void ImageScrollPageController::getAgentDetailInfoFromServer() {
    if (!shouldShowHouseInfoView_) return;
    const QString userId = posterId();
    if (userId.isEmpty()) return;
    QXNetConnection& connection = QXNetConnection::sharedInstance();
    const auto weak = weakAs<ImageScrollPageController>();
    connection.requestAgentInfoWithAgentId(userId,
                                           [weak](const QVariant& reply) {
                                               if (auto self = weak.lock())
                                                   self->agentInfoArrived(reply);
                                           },
                                           {});
    connection.requestUserStatusWithuserIds(userId,
                                            [weak, userId](const QVariant& reply) {
                                                if (auto self = weak.lock())
                                                    self->userStatusArrived(userId, reply);
                                            },
                                            {});
}

void ImageScrollPageController::agentInfoArrived(const QVariant& reply) {
    agentDataInfo_ = reply;
    QXFCHouseSourceInfoDetailView& panel = *houseSourceInfoDetailView_;
    const bool broker = Tolerant(reply)[QStringLiteral("isZuzeridUser")].intValue() != 0;
    if (isNeedReplyMode() && broker) {
        panel.setAgentBaseInfo(reply);
        return;
    }
    const Tolerant post{QVariant(houseInfoFromQXPostDetailNew_)};
    if (post[QStringLiteral("agent")].isEqualToString(QStringLiteral("经纪人"))) {
        panel.setAgentBaseInfo(reply);
    } else if (!agentInfoFromQXPostDetailNew_.isEmpty()) {
        panel.refreshViewForCommenUserWithName(post[QStringLiteral("person")].toString(),
                                               getValidPhone());
    }
}

void ImageScrollPageController::userStatusArrived(const QString& userId, const QVariant& reply) {
    const Tolerant params = Tolerant(reply)[QStringLiteral("params")];
    const Tolerant data = params[QStringLiteral("data")];
    if (reply.typeId() != QMetaType::QVariantMap ||
        params[QStringLiteral("errorno")].intValue() != 0 ||
        data.value().typeId() != QMetaType::QVariantMap) {
        return;
    }
    const QVariant status = data[userId][QStringLiteral("status")].value();
    houseSourceInfoDetailView_->setContactNumLableTextWithOnlineStatus(status.toBool());
}

void ImageScrollPageController::loadAllDataByPuid() {
    if (houseInfoFromFindHouseRequestDetailPage_.typeId() != QMetaType::QVariantMap) {
        AlertMessages::showAlertViewWithAlertString(kLoadFailed);
        // Without a house there is nothing to wait for: the cover goes, and the info page.
        removeLoadingView();
        loadAllDataFailedRefreshView();
        return;
    }
    const QString puid = HouseFavourites::puidOf(houseInfoFromFindHouseRequestDetailPage_.toMap());
    const QString interface = QStringLiteral("GetPost");
    QXIMRequest& request = QXIMRequest::shared();
    request.addValuesFormDic(RequestHeaderSet::clientIdentity()
                                 .set(QStringLiteral("interface"), interface)
                                 .set(QStringLiteral("puid"), puid));
    const auto weak = weakAs<ImageScrollPageController>();
    request.requestWithUrlSuccessData(
        EndpointTable::dataShareEndpoint(), interface, QString(),
        [weak](const QVariant& reply) {
            if (auto self = weak.lock()) self->postArrived(reply);
        },
        [weak](const QVariantMap&) {
            if (const auto self = weak.lock()) {
                self->removeLoadingView();
                self->loadAllDataFailedRefreshView();
            }
        });
}

void ImageScrollPageController::postArrived(const QVariant& reply) {
    removeLoadingView();
    const QVariant first = Tolerant(reply)[QStringLiteral("posts")][0].value();
    dictContainAllData_ = first.toMap();
    const QString thumbs = Tolerant(first)[QStringLiteral("ThumbImageUrls")].toString();
    if (first.typeId() != QMetaType::QVariantMap || thumbs.isEmpty()) {
        loadAllDataFailedRefreshView();
        return;
    }
    const QStringList all = thumbs.split(QLatin1Char(','));
    QStringList candidates = all;
    for (const QString& shown : std::as_const(imageNames_)) {
        const QString stem = shown.section(QLatin1Char('_'), 0, 0);
        for (const QString& candidate : std::as_const(candidates)) {
            if (QString(candidate).replace(QLatin1Char('+'), QLatin1Char(',')).startsWith(stem)) {
                candidates.removeAll(QString(candidate));
                break;
            }
        }
    }
    const qsizetype shownCount = imageNames_.size();
    if (shownCount + candidates.size() > all.size()) {
        candidates = candidates.mid(0, std::max<qsizetype>(0, all.size() - shownCount));
    }
    candidates = candidates.mid(0, std::max<qsizetype>(0, kMaximumPhotos - shownCount));
    for (const QString& added : std::as_const(candidates)) {
        imageNames_ << added;
        pages_.push_back(nullptr);
    }
    refreshHouseSourceInfoDetailView();
}

void ImageScrollPageController::loadAllDataFailedRefreshView() {
    if (hasInfoPage_) {
        houseSourceInfoDetailView_->removeFromSuperview();
        hasInfoPage_ = false;
    }
    setBarCounter();
    const ui::Rect bounds = view()->bounds();
    scrollView_->setContentSize(
        {bounds.size.width * numberOfSlots(), bounds.size.height - kBarHeight});
    houseSourceInfoBottomView_->setUserInteractionEnabled(true);
    houseSourceInfoBottomView_->setHidden(false);
}

void ImageScrollPageController::removeLoadingView() {
    if (!houseSourceInfoDetailView_) return;
    if (ui::View* cover = houseSourceInfoDetailView_->viewWithTag(LoadingOverlay::kTag)) {
        cover->removeFromSuperview();
    }
}

void ImageScrollPageController::back() {
    if (shouldShowHouseInfoView_) {
        stopWatching();
        QXIMRequest& request = QXIMRequest::shared();
        request.cancelToVikRequestByInterface(QStringLiteral("GetUserPrivilegeByUserId"),
                                              EndpointTable::dataShareEndpoint());
        request.cancelToVikRequestByInterface(QStringLiteral("GetUserStatuss"),
                                              EndpointTable::backend());
        request.cancelToVikRequestByInterface(QStringLiteral("GetPost"),
                                              EndpointTable::dataShareEndpoint());
    }
    dismissViewControllerAnimated(true);
}
