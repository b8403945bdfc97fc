#include "map/QXMapViewController.h"

#include "map/BasicAnnotion.h"
#include "map/ImageRoadTileLoader.h"
#include "map/MapArtwork.h"
#include "map/MapNotices.h"
#include "map/MapView+ZoomLevel.h"
#include "map/QXMapAnnotationView.h"
#include "map/QXMapDetailViewController.h"
#include "map/ShopMapRequest.h"
#include "net/BodyJson.h"
#include "net/EndpointTable.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "util/categories/Tolerant.h"

#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/button.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/screen.h"

namespace {

const ui::Color kSelectedPinTitle = ui::Color::rgb(83, 188, 44);

// "lat,lng" split into two numbers.
std::optional<map::Coordinate> coordinatePair(const QString& text) {
    const QStringList parts = text.split(',');
    if (parts.size() < 2) return std::nullopt;
    return map::Coordinate{parts[0].toDouble(), parts[1].toDouble()};
}

// A 64-bit number from a reply value given as text or as number.
qint64 wholeNumber(const Tolerant& value) {
    return value.value().toLongLong();
}

}  // namespace

QString QXMapViewController::tileURLTemplate() {
    const QByteArray set = qgetenv("HOUSING_MAP_TILE_URL");
    if (!set.isEmpty()) return QString::fromUtf8(set);
    return EndpointTable::serverRoot() + "/tiles/{z}/{x}/{y}.png";
}

QXMapViewController::QXMapViewController(ShopMapContext context) : context_(std::move(context)) {
    setHidesBottomBarWhenPushed(true);
    setTitle(QStringLiteral("中介门店"));
    // The map and the panel lie below the navigation bar.
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
}

QXMapViewController::~QXMapViewController() {
    if (mapView_) {
        mapView_->removeAnnotations(mapView_->annotations());
        mapView_->setDelegate({});
    }
    ShopMapRequest::cancel();
}

void QXMapViewController::viewDidLoad() {
    const auto weak = weakAs<QXMapViewController>();
    const ui::Rect bounds = view()->bounds();
    const double screenHeight = ui::Screen::mainScreen().bounds().size.height;
    mapView_ = std::make_shared<map::MapView>(bounds);
    mapView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
    mapView_->setTileLoader(ImageRoadTileLoader::shared());
    mapView_->setTileURLTemplate(tileURLTemplate());
    mapView_->setDelegate(weak);
    view()->addSubview(mapView_);

    // 1. The strip over the map above the open panel.
    mapSelectThumbnailsButton_ =
        std::make_shared<ui::Button>(ui::Rect(0, 0, bounds.size.width, kStripHeight));
    mapSelectThumbnailsButton_->setExclusiveTouch(true);
    mapSelectThumbnailsButton_->setBackgroundColor(ui::Color::clearColor());
    mapSelectThumbnailsButton_->setAlpha(0.5);
    mapSelectThumbnailsButton_->addTarget(this, ui::kControlEventTouchUpInside,
                                          [weak](ui::Control&, const ui::Event*) {
                                              if (auto self = weak.lock()) self->tapMap();
                                          });
    isTest_ = false;
    // 2. The panel, closed and hidden.
    detailMapCtr_ = QXMapDetailViewController::initIsSuperViewWith(nullptr, context_);
    detailMapCtr_->view()->setFrame(detailMapCtr_->closeFrame());
    detailMapCtr_->view()->setHidden(true);
    annosArray_.clear();
    // 3. No rotation.
    mapView_->setRotateEnabled(false);
    // 4. The back button, which lets the map go with its observations and its query.
    UIViewControllerNavigation::setNavigationBackButton(*this, [weak] {
        if (auto self = weak.lock()) self->popFront();
    });
    // 5. The location state.
    locationStateObservation_ = ns::NotificationCenter::defaultCenter().addObserver(
        UserLocation::kStateChangeNotification, [weak](const ns::Notification&) {
            if (auto self = weak.lock()) self->UserLocationStateChange();
        });
    // 6. The locate button.
    refButon_ = std::make_shared<ui::Button>(ui::Rect(8, screenHeight - 150, 40, 40));
    refButon_->setBackgroundImage(MapArtwork::imageNamed("定位.png"), ui::kControlStateNormal);
    refButon_->setBackgroundImage(MapArtwork::imageNamed("定位点击.png"),
                                  ui::kControlStateHighlighted);
    refButon_->addTarget(this, ui::kControlEventTouchUpInside,
                         [weak](ui::Control&, const ui::Event*) {
                             if (auto self = weak.lock()) self->refreshMapView();
                         });
    mapView_->addSubview(refButon_);
    // 7. The panel over the map.
    view()->addSubview(detailMapCtr_->view());
    // 8. Where to start: the locator's last fix, else the located position.
    map::Coordinate start;
    if (const auto fix = context_.lastFix()) {
        start = {fix->latitude, fix->longitude};
    }
    if (start.latitude == 0 && start.longitude == 0) {
        const QStringList parts = context_.strLocation().split(',');
        if (parts.size() == 2) start = {parts[0].toDouble(), parts[1].toDouble()};
    }
    // 9. The user's place and the first centring.
    mapView_->userLocation()->setTitle(QStringLiteral("当前位置"));
    mapView_->setShowsUserLocation(true);
    centre(start);
    // 10. The first query, 11. the open callbacks, 12. the centres.
    didAnnotationInfos({});
    installOpenCallbacks();
    mapCentre_ = start;
    userLocationLatitude_ = userLocationLongitude_ = 0;
    // 13. Location not allowed.
    if (!context_.locationAuthorized()) {
        MapNotices::showAlert(
            QStringLiteral("请在系统设置中开启定位服务\n(设置>隐私>定位服务>TovikNevoru找房)"),
            QStringLiteral("定位服务未开启"));
    }
}

void QXMapViewController::viewWillAppear(bool) {
    dragBackPause_.begin(*this);
}

void QXMapViewController::viewWillDisappear(bool) {
    dragBackPause_.end();
}

void QXMapViewController::centre(map::Coordinate coordinate) {
    MapViewZoomLevel::setCenterCoordinate(*mapView_, coordinate, kZoomLevel, true);
}

void QXMapViewController::removeLoadingView() {
    if (ui::View* loading = view()->viewWithTag(kLoadingTag)) loading->removeFromSuperview();
}

void QXMapViewController::addLoadingView() {
    if (view()->viewWithTag(kLoadingTag)) return;
    const ui::Rect screen = ui::Screen::mainScreen().bounds();
    const double height = screen.size.height - 64;
    auto loading = std::make_shared<ui::View>(ui::Rect(0, 0, screen.size.width, height));
    loading->setTag(kLoadingTag);
    loading->setBackgroundColor(ui::Color::clearColor());
    loading->setUserInteractionEnabled(false);
    auto spinner = std::make_shared<ui::ActivityIndicatorView>(
        ui::Rect((screen.size.width - 30) / 2, (height - 30) / 2, 30, 30));
    spinner->setActivityIndicatorViewStyle(ui::ActivityIndicatorViewStyle::Gray);
    spinner->setTag(kIndicatorTag);
    spinner->startAnimating();
    loading->addSubview(spinner);
    view()->addSubview(loading);
}

void QXMapViewController::didAnnotationInfos(const QString& coordinate) {
    if (!context_.reachable()) {
        MapNotices::showAutoHide("网络连接失败!");
        removeLoadingView();
        return;
    }
    const QString text = coordinate.isEmpty() ? context_.strLocation() : coordinate;
    if (text.isEmpty()) return;
    const QStringList parts = text.split(',');
    // Read in double precision: the point sent is the point shown.
    const double latitude = parts.value(0).toDouble();
    const double longitude = parts.value(1).toDouble();
    // A point near (0, 0) is no location.
    if ((latitude > -1 && latitude < 1) || (longitude > -1 && longitude < 1)) {
        removeLoadingView();
        return;
    }
    const auto weak = weakAs<QXMapViewController>();
    ShopMapRequest::send(
        context_, ShopMapRequest::shopsBody(context_.cityId(), latitude, longitude),
        [weak](const QVariant& reply) {
            auto self = weak.lock();
            if (!self) return;
            const Tolerant node =
                Tolerant(reply)["data"]["SearchHousingCustomer"]["getHousingCustomerByLatlng"];
            if (node["errCode"].intValue() == -100) {
                MapNotices::showAutoHide("当前城市不支持找门店功能。");
                self->removeLoadingView();
            } else if (node["data"].count() >= 1) {
                self->addAnnotationItems(reply);
            } else {
                self->context_.recordEvent("agentshop_noresult");
                self->removeLoadingView();
                MapNotices::showAutoHide("您所在的位置暂无房产中介门店");
            }
        },
        [weak](bool cancelled) {
            auto self = weak.lock();
            // A query replaced by a newer one ends silently.
            if (!self || cancelled) return;
            MapNotices::showAutoHide("网络连接失败!");
            self->removeLoadingView();
        });
}

void QXMapViewController::addAnnotationItems(const QVariant& reply) {
    mapView_->removeAnnotations(mapView_->annotations());
    const QVariantList shops =
        Tolerant(reply)["data"]["SearchHousingCustomer"]["getHousingCustomerByLatlng"]["data"]
            .toList();
    for (const QVariant& shop : shops) {
        if (auto annotation = BasicAnnotion::fromShop(shop.toMap())) {
            mapView_->addAnnotation(annotation);
        }
    }
    removeLoadingView();
}

void QXMapViewController::regionDidChangeAnimated(map::MapView& mapView, bool) {
    if (!mapView.isScrollEnabled() ||
        detailMapCtr_->mapControlState() == QXMapDetailViewController::Open) {
        return;
    }
    addLoadingView();
    const ui::Rect box = mapView.bounds();
    const map::Coordinate centre = mapView.convertPointToCoordinate(
        {box.origin.x + box.size.width / 2, box.origin.y + box.size.height / 2}, &mapView);
    didAnnotationInfos(QString::asprintf("%f,%f", centre.latitude, centre.longitude));
    mapCentre_ = centre;
}

void QXMapViewController::didUpdateUserLocation(map::MapView&, const map::UserLocation& location) {
    const map::Coordinate fix = location.coordinate();
    // Moves in every direction count, south and west as much as north and east.
    if (std::abs(fix.latitude - userLocationLatitude_) <= kFollowDistance &&
        std::abs(fix.longitude - userLocationLongitude_) <= kFollowDistance) {
        return;
    }
    userLocationLatitude_ = fix.latitude;
    userLocationLongitude_ = fix.longitude;
    centre(fix);
}

void QXMapViewController::UserLocationStateChange() {
    if (context_.locationState() != UserLocationCityKnown) {
        MapNotices::showAlert(QStringLiteral("定位失败"));
        return;
    }
    const map::Coordinate located =
        coordinatePair(context_.strLocation()).value_or(map::Coordinate{});
    const auto& own = mapView_->userLocation();
    const bool hasOwn =
        own->hasFix() && own->coordinate().latitude > 0 && own->coordinate().longitude > 0;
    centre(hasOwn ? own->coordinate() : located);
    mapCentre_ = located;
    const ui::Point middle = mapView_->center();
    mapView_->setCenter({view()->bounds().size.width / 2, middle.y});
}

void QXMapViewController::refreshMapView() {
    context_.recordEvent("agentshop_positioning");
    context_.startLocating();
    mapView_->setScrollEnabled(true);
}

std::shared_ptr<map::AnnotationView> QXMapViewController::viewForAnnotation(
    map::MapView& mapView, const std::shared_ptr<map::Annotation>& annotation) {
    const auto* shop = dynamic_cast<const BasicAnnotion*>(annotation.get());
    if (!shop) return nullptr;
    auto view = std::dynamic_pointer_cast<QXMapAnnotationView>(
        mapView.dequeueReusableAnnotationViewWithIdentifier(QXMapAnnotationView::kReuseIdentifier));
    if (view) {
        view->setAnnotation(annotation);
    } else {
        view = std::make_shared<QXMapAnnotationView>(annotation,
                                                     QXMapAnnotationView::kReuseIdentifier);
    }
    view->setAnnotationView();
    if (detailMapCtr_->mapControlState() == QXMapDetailViewController::Open) {
        view->titleLable()->setTextColor(kSelectedPinTitle);
        view->setImage(QXMapAnnotationView::selectedImage(view->isExcellentShop()));
    }
    return view;
}

void QXMapViewController::didSelectAnnotationView(map::MapView& mapView,
                                                  map::AnnotationView& view) {
    if (view.annotation() == mapView.userLocation()) return;
    if (!isTest_) {
        if (auto* pin = dynamic_cast<QXMapAnnotationView*>(&view)) {
            pin->setImage(QXMapAnnotationView::selectedImage(pin->isExcellentShop()));
        }
        showDetailView(view);
    }
    isTest_ = true;
}

void QXMapViewController::didDeselectAnnotationView(map::MapView& mapView,
                                                    map::AnnotationView& view) {
    if (view.annotation() == mapView.userLocation()) return;
    if (detailMapCtr_->mapControlState() != QXMapDetailViewController::Open) {
        if (auto* pin = dynamic_cast<QXMapAnnotationView*>(&view)) {
            pin->setImage(QXMapAnnotationView::normalImage(pin->isExcellentShop()));
        }
    } else {
        view.setHighlighted(true);
    }
}

void QXMapViewController::showDetailView(map::AnnotationView& view) {
    context_.recordEvent("agentshop_pin");
    mapView_->addSubview(mapSelectThumbnailsButton_);
    detailMapCtr_->setAnnoBasic(std::dynamic_pointer_cast<BasicAnnotion>(view.annotation()));
    detailMapCtr_->view()->setHidden(false);
    detailMapCtr_->openDetailView();
    installPanelCallbacks();
}

void QXMapViewController::installOpenCallbacks() {
    const auto weak = weakAs<QXMapViewController>();
    detailMapCtr_->detailViewWillOpenBlock = [weak] {
        auto self = weak.lock();
        if (!self) return;
        self->annosArray_ = self->mapView_->annotations();
        const auto selected = self->mapView_->selectedAnnotations();
        self->selectAnnotion_ = selected.empty() ? nullptr : selected.front();
        self->mapView_->removeAnnotations(self->mapView_->annotations());
        if (const auto* shop = dynamic_cast<const BasicAnnotion*>(self->selectAnnotion_.get())) {
            self->setmapViewThumbNails(*shop);
        }
        if (self->selectAnnotion_) self->mapView_->addAnnotation(self->selectAnnotion_);
        self->removeLoadingView();
    };
    detailMapCtr_->detailViewDidOpenBlock = [weak] {
        auto self = weak.lock();
        if (!self) return;
        self->mapSelectThumbnailsButton_->setHidden(false);
        self->mapView_->setScrollEnabled(false);
        self->mapView_->bringSubviewToFront(self->mapSelectThumbnailsButton_.get());
    };
}

void QXMapViewController::installPanelCallbacks() {
    const auto weak = weakAs<QXMapViewController>();
    detailMapCtr_->detailViewWillCloseBlock = [weak] {
        auto self = weak.lock();
        if (!self) return;
        self->mapSelectThumbnailsButton_->setHidden(true);
        if (self->selectAnnotion_) self->mapView_->removeAnnotation(self->selectAnnotion_.get());
        self->setNomalMapViewWithCenterLocationCoordinate(self->mapCentre_);
    };
    detailMapCtr_->detailViewDidCloseBlock = [weak] {
        auto self = weak.lock();
        if (!self) return;
        self->mapView_->addAnnotations(self->annosArray_);
        self->mapView_->setScrollEnabled(true);
    };
    detailMapCtr_->detailViewWillOpenFinnallyBlock = [weak] {
        if (auto self = weak.lock())
            self->view()->bringSubviewToFront(self->detailMapCtr_->view().get());
    };
    detailMapCtr_->detailViewDidOpenFinnallyBlock = [] {};
    detailMapCtr_->block = [weak](bool chat, const QVariantMap& broker) {
        if (auto self = weak.lock()) self->brokerAction(chat, broker);
    };
}

void QXMapViewController::setmapViewThumbNails(const BasicAnnotion& annotation) {
    // The shop sits above the centre, clear of the panel below.
    const map::Region region =
        map::regionMakeWithDistance({annotation.lat - 0.007, annotation.longti}, 2000, 1000);
    mapView_->setRegion(region, true);
}

void QXMapViewController::setNomalMapViewWithCenterLocationCoordinate(map::Coordinate) {
    isTest_ = false;
    centre(mapCentre_);
}

void QXMapViewController::tapMap() {
    detailMapCtr_->closeDetailView();
    setNomalMapViewWithCenterLocationCoordinate(mapCentre_);
}

void QXMapViewController::popFront() {
    locationStateObservation_.reset();
    ShopMapRequest::cancel();
    if (auto* navigation = navigationController()) navigation->popViewControllerAnimated(true);
}

QString QXMapViewController::talkPostId(const QVariantMap& broker) const {
    const Tolerant entry{QVariant(broker)};
    const int cityIndex = context_.cityIndexWithName(entry["city"].toString()).value_or(-1);
    return QStringLiteral("%1_%2_1009_%3")
        .arg(wholeNumber(entry["postId"]))
        .arg(entry["major_category"].intValue())
        .arg(cityIndex);
}

void QXMapViewController::pushNextViewController(const QString& agentId, bool isMessagePage) {
    auto* navigation = navigationController();
    if (!navigation) return;
    if (!isMessagePage) {
        navigation->pushViewController(context_.makeBrokerPage(agentId, QString()), true);
        return;
    }
    const QString own = QString::number(context_.ownUserId());
    const QVariantMap talkInfo{{"u_id", own}, {"t_id", agentId + "-" + own}};
    navigation->pushViewController(context_.makeChat(talkInfo, QString()), true);
}

void QXMapViewController::addButtonLayer() {
    if (annoClickUpButton_) annoClickUpButton_->removeFromSuperview();
    annoClickUpButton_ = std::make_shared<ui::Button>(ui::Rect(0, 0, 320, kStripHeight));
    annoClickUpButton_->setBackgroundColor(ui::Color::clearColor());
    annoClickUpButton_->addTarget(
        this, ui::kControlEventTouchUpInside,
        [weak = weakAs<QXMapViewController>()](ui::Control&, const ui::Event*) {
            if (auto self = weak.lock()) self->closeAnnoClickUpView();
        });
    view()->addSubview(annoClickUpButton_);
}

void QXMapViewController::closeAnnoClickUpView() {
    mapView_->setFrame(view()->bounds());
    detailMapCtr_->closeDetailView();
    // Left over the map, the clear button would take every later touch on its top.
    if (annoClickUpButton_) annoClickUpButton_->removeFromSuperview();
    annoClickUpButton_.reset();
}

void QXMapViewController::brokerAction(bool chat, const QVariantMap& broker) {
    const Tolerant entry{QVariant(broker)};
    const qint64 brokerId = wholeNumber(entry["userId"]);
    auto* navigation = navigationController();
    if (!chat) {
        // A second tap while the broker page is being pushed does nothing.
        if (!navigation || navigation->visibleViewController().get() != this) return;
        navigation->pushViewController(
            context_.makeBrokerPage(QString::number(brokerId), talkPostId(broker)), true);
        return;
    }
    context_.recordEvent("agentshop_agentshopdetail_chat");
    const qint64 own = context_.ownUserId();
    if (brokerId == own) {
        MapNotices::showAlert(QStringLiteral("不能和自己对话!"));
        return;
    }
    if (brokerId == 0) {
        MapNotices::showAlert(QStringLiteral("对方暂时不能接受你的消息哦，试试短信或者打电话吧~"));
        return;
    }
    QVariantMap talkInfo;
    const QString ownText = QString::number(own);
    const QString talkId = QString::number(brokerId) + "-" + ownText;
    talkInfo["u_id"] = ownText;
    talkInfo["t_id"] = talkId;
    const QString postReference =
        context_.storedPostReference(talkId, ownText).value_or(talkPostId(broker));
    const int creditScore = broker.contains("creditScore") ? entry["creditScore"].intValue() : -1;
    // Written by the JSON layer, so that any text in a broker's data stays valid JSON.
    talkInfo["o_user"] = BodyJson::object({
        {"id", BodyJson::string(QString::number(brokerId))},
        {"name", BodyJson::string(entry["name"].toString())},
        {"phone", BodyJson::string(entry["phone"].toString())},
        {"creditScore", BodyJson::string(QString::number(creditScore))},
        {"picUrl", BodyJson::string(entry["image"].toString())},
        {"streetName", BodyJson::string(QString())},
        {"companyName", BodyJson::string(entry["CompanyName"].toString())},
        {"districtName", BodyJson::string(entry["district_name"].toString())},
    });
    talkInfo["p_post"] = BodyJson::object(
        {{"id", BodyJson::string(postReference)}, {"title", BodyJson::string(" ")}});
    talkInfo["r_id"] = postReference;
    context_.clearUnread(talkId);
    ns::NotificationCenter::defaultCenter().post(QStringLiteral("refreshIcon"));
    if (navigation) {
        navigation->pushViewController(context_.makeChat(talkInfo, entry["name"].toString()), true);
    }
}
