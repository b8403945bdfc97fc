#include "houses/community/QXCommunityDetailController.h"

#include "houses/community/QXCommunityImageView.h"
#include "houses/community/XiaoquRequests.h"
#include "houses/query/PostListPaging.h"
#include "houses/shared/ErrorTipView.h"
#include "houses/shared/HousesScreen.h"
#include "net/EndpointTable.h"
#include "platform/foundation/clock.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/scroll_view.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/LoadingOverlay.h"
#include "util/categories/Tolerant.h"

namespace {

using HousesScreen::kBarsHeight;
using HousesScreen::kWidth;
using HousesScreen::screenHeight;

}  // namespace

QXCommunityDetailController::QXCommunityDetailController() {
    setHidesBottomBarWhenPushed(true);
    // The page lays out below the navigation bar.
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
}

QXCommunityDetailController::~QXCommunityDetailController() {
    cancelRequests();
}

std::shared_ptr<QXCommunityDetailController> QXCommunityDetailController::forPost(
    const PostRecord& post, bool showOtherListEntrance) {
    auto page = std::make_shared<QXCommunityDetailController>();
    page->setCityKey(post.value(QStringLiteral("domain")).toString());
    page->setCommunityPinyin(post.value(QStringLiteral("pinyin")).toString());
    const QString district = post.value(QStringLiteral("district_name")).toString();
    const QString street = post.value(QStringLiteral("street_name")).toString();
    if (!district.isEmpty() && !street.isEmpty()) {
        page->setCommunityInArea(district + QStringLiteral(" - ") + street);
    } else if (!district.isEmpty() || !street.isEmpty()) {
        page->setCommunityInArea(district.isEmpty() ? street : district);
    }
    page->setShowOtherListEntrance(showOtherListEntrance);
    return page;
}

QString QXCommunityDetailController::imageURL(const QString& text) {
    return EndpointTable::imageURL(text);
}

void QXCommunityDetailController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    view()->setBackgroundColor(ui::Color::rgb(247, 247, 247));
    setTitle(kTitle);
    UIViewControllerNavigation::setNavigationBackButton(
        *this, [weak = weakAs<QXCommunityDetailController>()] {
            if (auto self = weak.lock()) self->goBack();
        });
    mainScrollView_ =
        std::make_shared<ui::ScrollView>(ui::Rect(0, 0, kWidth, screenHeight() - kBarsHeight));
    mainScrollView_->setContentSize({kWidth, screenHeight() - 106});
    mainScrollView_->setShowsVerticalScrollIndicator(false);
    view()->addSubview(mainScrollView_);
    getPostByXiaoquPinyin();
}

void QXCommunityDetailController::willMoveToParentViewController(ui::ViewController* parent) {
    ui::ViewController::willMoveToParentViewController(parent);
    // However the page is left (its back button or a drag back), its calls end with it.
    if (!parent) cancelRequests();
}

void QXCommunityDetailController::cancelRequests() {
    QXIMRequest::shared().cancelToVikRequestByInterface(XiaoquRequests::kXiaoquInterface,
                                                        EndpointTable::dataShareEndpoint(), owner_);
}

void QXCommunityDetailController::goBack() {
    cancelRequests();
    if (ui::NavigationController* navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}

void QXCommunityDetailController::addLoadingViewDefault() {
    view()->addSubview(LoadingOverlay::make(ui::Rect(0, 0, kWidth, screenHeight() - kBarsHeight),
                                            QStringLiteral("正在加载")));
}

void QXCommunityDetailController::removeLoadingView() {
    if (ui::View* loading = view()->viewWithTag(LoadingOverlay::kTag))
        loading->removeFromSuperview();
}

void QXCommunityDetailController::addErrorTipViewWithErrorMsg(const QString& message) {
    ErrorTipView::show(*view(), ui::Rect(0, 0, kWidth, screenHeight()), message);
}

void QXCommunityDetailController::getPostByXiaoquPinyin() {
    addLoadingViewDefault();
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(XiaoquRequests::headers(XiaoquRequests::kXiaoquInterface, false));
    request.requestWithUrl(
        EndpointTable::dataShareEndpoint(), XiaoquRequests::kXiaoquInterface,
        XiaoquRequests::baseBody(cityKey_, communityPinyin_,
                                 ns::Clock::shared().timeIntervalSince1970()),
        owner_,
        [weak = weakAs<QXCommunityDetailController>()](const QVariant& reply) {
            auto self = weak.lock();
            if (!self) return;
            self->removeLoadingView();
            const Tolerant base =
                XiaoquRequests::result(reply, "XiaoquModel", "getXiaoquBaseInfoByCityPinyin");
            if (!XiaoquRequests::succeeded(reply) ||
                base.value().typeId() != QMetaType::QVariantMap) {
                self->addErrorTipViewWithErrorMsg(kNoCommunity);
                return;
            }
            self->detailData_ = base.toMap();
            self->nearbyInfoData_.clear();
            self->priceInfoData_.clear();
            self->photoInfoData_.clear();
            const Tolerant facilities =
                XiaoquRequests::result(reply, "XiaoquDetailPageModel", "getXiaoquPeitao");
            if (facilities.value().typeId() == QMetaType::QVariantList)
                self->nearbyInfoData_ = facilities.toList();
            const Tolerant prices =
                XiaoquRequests::result(reply, "XiaoquPriceModel", "getXiaoquPrice");
            if (prices.value().typeId() == QMetaType::QVariantList)
                self->priceInfoData_ = prices.toList();
            self->getPostByXiaoquId();
            self->createDefaultDetailInfo();
        },
        [weak = weakAs<QXCommunityDetailController>()](const QVariantMap& failure) {
            auto self = weak.lock();
            // A call the page gave up itself has nothing to tell.
            if (!self || PostListPaging::isCancellation(failure)) return;
            self->removeLoadingView();
            self->addErrorTipViewWithErrorMsg(kNetworkTrouble);
        });
}

void QXCommunityDetailController::getPostByXiaoquId() {
    const Tolerant record{QVariant(detailData_)};
    if (!detailData_.contains(QStringLiteral("id")) ||
        !detailData_.contains(QStringLiteral("photo_num")) || record["photo_num"].intValue() < 1)
        return;
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(XiaoquRequests::headers(XiaoquRequests::kXiaoquInterface, false));
    request.requestWithUrl(
        EndpointTable::dataShareEndpoint(), XiaoquRequests::kXiaoquInterface,
        XiaoquRequests::photoBody(cityKey_, communityPinyin_, record["id"].toString()), owner_,
        [weak = weakAs<QXCommunityDetailController>()](const QVariant& reply) {
            auto self = weak.lock();
            const Tolerant photos =
                XiaoquRequests::result(reply, "XiaoquPhotoModel", "getXiaoquPhotoInfoByXiaoquId");
            if (!self || !XiaoquRequests::succeeded(reply) ||
                photos.value().typeId() != QMetaType::QVariantList)
                return;
            self->photoInfoData_.clear();
            for (qsizetype i = 0; i < photos.count(); ++i) {
                const QVariant thumb = photos[i]["thumb_image"].value();
                if (thumb.typeId() == QMetaType::QString && !thumb.toString().isEmpty())
                    self->photoInfoData_ << imageURL(thumb.toString());
            }
            if (!self->photoInfoData_.isEmpty()) self->reloadImagePicker();
        },
        // Without photos the tile keeps what it has.
        [](const QVariantMap&) {});
}

void QXCommunityDetailController::reloadImagePicker() {
    if (!imagePicker_) return;
    if (imagePicker_->imageURL().isEmpty() && !photoInfoData_.isEmpty())
        imagePicker_->setImageURL(photoInfoData_.first());
    imagePicker_->setAllImageURL(photoInfoData_);
}

QVariantMap QXCommunityDetailController::pushData() const {
    QVariantMap community;
    if (detailData_.contains(QStringLiteral("city")))
        community.insert(QStringLiteral("domain"), detailData_.value(QStringLiteral("city")));
    if (detailData_.contains(QStringLiteral("pinyin")))
        community.insert(QStringLiteral("pinyin"), detailData_.value(QStringLiteral("pinyin")));
    return community;
}
