#include "needs/QXFBAgentAddress.h"

#include "needs/NeedsHost.h"
#include "needs/QXAddressLabel.h"

#include "analytics/StatClick.h"
#include "location/CityOfLocationData.h"
#include "map/ImageRoadTileLoader.h"
#include "map/MapArtwork.h"
#include "map/QXMapViewController.h"
#include "net/EndpointTable.h"
#include "net/QXNetContext.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/AlertMessages.h"
#include "util/categories/Tolerant.h"

#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/animation.h"
#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/screen.h"

#include <cmath>

namespace {

const QString kAddressHead = QStringLiteral("在");
const QString kAddressTail = QStringLiteral("附近3km内找房");
// What getRealAddressWithAttributeStr drops after the street: "3km内找房".
constexpr qsizetype kRadiusWords = 6;
const ui::Color kStreetColour = ui::Color::rgb(83, 188, 44);
const ui::Color kDisabledTitle = ui::Color::rgb(116, 224, 76);

bool hasPosition(map::Coordinate at) {
    return at.latitude != 0 && at.longitude != 0;
}

}  // namespace

QXFBAgentAddress::QXFBAgentAddress() {
    setHidesBottomBarWhenPushed(true);
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
}

QXFBAgentAddress::~QXFBAgentAddress() {
    if (mapView_) mapView_->setDelegate({});
}

void QXFBAgentAddress::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    const auto weak = weakAs<QXFBAgentAddress>();
    setTitle(QStringLiteral("在地图上选择一个点"));
    view()->setBackgroundColor(ui::Color::rgb(235, 235, 235));
    isHaveAdress_ = true;

    mapView_ = std::make_shared<map::MapView>(view()->bounds());
    mapView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
    mapView_->setTileLoader(ImageRoadTileLoader::shared());
    mapView_->setTileURLTemplate(QXMapViewController::tileURLTemplate());
    mapView_->setRotateEnabled(false);
    mapView_->setRegion({kInitialCentre, {20, 20}}, false);
    mapView_->setShowsUserLocation(true);
    mapView_->setDelegate(weak);
    view()->addSubview(mapView_);
    isFristInResetMap_ = false;
    setMylocationEnable_ = true;

    const double screenHeight = ui::Screen::mainScreen().bounds().height();
    locateButton_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
    locateButton_->setFrame(ui::Rect(8, screenHeight - 150, 39, 39));
    locateButton_->setImage(MapArtwork::imageNamed(QStringLiteral("定位.png")),
                            ui::kControlStateNormal);
    locateButton_->setImage(MapArtwork::imageNamed(QStringLiteral("定位点击.png")),
                            ui::kControlStateHighlighted);
    locateButton_->addTarget(this, ui::kControlEventTouchUpInside, [weak](auto&&...) {
        if (auto self = weak.lock()) self->gotoMyLocation();
    });
    view()->addSubview(locateButton_);

    // The first pin is the one that jumps.
    for (const QString& name : {QStringLiteral("地图地标02"), QStringLiteral("地图地标01")}) {
        auto pin = std::make_shared<ui::ImageView>(ui::Image::imageNamed(name));
        pin->sizeToFit();
        pin->setUserInteractionEnabled(false);
        view()->addSubview(pin);
        (dancingPin_ ? pin_ : dancingPin_) = pin;
    }
    placePins();

    auto strip = std::make_shared<ui::View>(ui::Rect(0, 0, 320, 30));
    strip->setBackgroundColor(ui::Color::colorWithWhite(0, 0.7));
    addressLable_ = std::make_shared<QXAddressLabel>(ui::Rect(13, 2, 306, 25));
    addressLable_->setTextAlignment(ui::TextAlignment::Left);
    addressLable_->setFont(ui::Font::systemFontOfSize(14));
    addressLable_->setTextColor(ui::Color::whiteColor());
    addressLable_->setBackgroundColor(ui::Color::clearColor());
    addressLable_->setNumberOfLines(1);
    strip->addSubview(addressLable_);
    showAddressWithName(preAddress_);
    iLoadView_ = std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::White);
    iLoadView_->setFrame(ui::Rect(13, 7, 15, 15));
    iLoadView_->setHidesWhenStopped(true);
    strip->addSubview(iLoadView_);
    view()->addSubview(strip);

    UIViewControllerNavigation::setNavigationBackButton(*this, [weak] {
        if (auto self = weak.lock()) self->popback();
    });
    doneButton_ = UIViewControllerNavigation::setNavigationRightButton(
        *this,
        [weak] {
            if (auto self = weak.lock()) self->didChooseLocation();
        },
        QStringLiteral("完成"));
    doneItem_ = navigationItem().rightBarButtonItems().back();
    setDoneEnabled(false);
}

// The pins stand with their feet on the map's middle, the point that is looked up.
void QXFBAgentAddress::placePins() {
    myLocationInView_ = mapView_->center();
    for (const auto& pin : {dancingPin_, pin_})
        pin->setCenter({myLocationInView_.x, myLocationInView_.y - pin->bounds().height() / 2});
}

// The map takes its size under the navigation bar only when the screen is laid out: the pin,
// and the point looked up under it, follow its middle.
void QXFBAgentAddress::viewDidLayoutSubviews() {
    placePins();
}

void QXFBAgentAddress::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    placePins();
    checkUserLocationServiceNeedAlert(true);
    if (!QXNetContext::shared()->connectionReachabil()) showNoNetwork();
    movieMapcount_ = 0;
    mapView_->setDelegate(weakAs<QXFBAgentAddress>());
    const auto best = NeedsHost::shared()->bestEffortAtLocation();
    if (best && best->first != 0 && best->second != 0) {
        shopLocation_ = {best->first, best->second};
        centreOn(shopLocation_);
    } else {
        initMap();
    }
}

void QXFBAgentAddress::viewWillDisappear(bool animated) {
    ui::ViewController::viewWillDisappear(animated);
    mapView_->setDelegate({});
}

void QXFBAgentAddress::centreOn(map::Coordinate centre) {
    mapView_->setRegion({centre, {kSpan, kSpan}}, false);
}

// With the location service refused the map goes to the selected city, which the platform's
// geocoder finds by its name; while it looks, and when it finds nothing, the map stays.
void QXFBAgentAddress::initMap() {
    if (NeedsHost::shared()->locationDenied()) {
        isHaveAdress_ = false;
        if (!geocoder_) {
            geocoder_ = std::make_shared<loc::Geocoder>();
            geocoder_->setServiceURL(EndpointTable::serverRoot() + QStringLiteral("/placemarks"));
        }
        geocoder_->geocodeAddressString(
            NeedsHost::shared()->selectCityName(),
            [weak = weakAs<QXFBAgentAddress>()](const std::vector<loc::Placemark>& placemarks,
                                                std::optional<int> error) {
                auto self = weak.lock();
                if (!self || error || placemarks.empty()) return;
                const loc::Coordinate at = placemarks.front().location;
                self->centreOn({at.latitude, at.longitude});
            });
        return;
    }
    if (hasPosition(myLocation_)) centreOn(myLocation_);
}

void QXFBAgentAddress::didUpdateUserLocation(map::MapView&, const map::UserLocation& location) {
    const map::Coordinate at = location.coordinate();
    if (at.latitude > 0.01 || at.longitude > 0.01) myLocation_ = at;
    if (isFristInResetMap_) return;
    const auto best = NeedsHost::shared()->bestEffortAtLocation();
    if (!best || best->first == 0 || best->second == 0) initMap();
    isFristInResetMap_ = true;
}

void QXFBAgentAddress::gotoMyLocation() {
    StatClick::event(QStringLiteral("nearby_bn_position"));
    if (!setMylocationEnable_) return;
    if (!QXNetContext::shared()->connectionReachabil()) {
        showNoNetwork();
        return;
    }
    if (NeedsHost::shared()->locationDenied()) {
        AlertMessages::showAlertViewWithAlertTitle(
            QStringLiteral("定位不可用"),
            QStringLiteral("请在系统设置中打开\"定位服务\"来允许\"Ordavo\"确定您的位置。"));
        return;
    }
    const auto& user = mapView_->userLocation();
    if (user && user->hasFix()) myLocation_ = user->coordinate();
    if (hasPosition(myLocation_)) centreOn(myLocation_);
}

void QXFBAgentAddress::regionWillChangeAnimated(map::MapView&, bool) {
    setMylocationEnable_ = false;
    ++movieMapcount_;
    iLoadView_->startAnimating();
    setDoneEnabled(false);
    addressLable_->setPlainText(kQuerying);
}

void QXFBAgentAddress::regionDidChangeAnimated(map::MapView&, bool) {
    setMylocationEnable_ = true;
    movieMapcount_ = std::max(0, movieMapcount_ - 1);
    if (!QXNetContext::shared()->connectionReachabil()) {
        ++lookups_;
        showNoNetwork();
        iLoadView_->stopAnimating();
        setDoneEnabled(false);
        addressLable_->setPlainText(kCannotLocate);
        return;
    }
    const map::Coordinate at = mapView_->convertPointToCoordinate(myLocationInView_, view().get());
    if (std::abs(at.latitude - kInitialCentre.latitude) < 0.01 &&
        std::abs(at.longitude - kInitialCentre.longitude) < 0.01)
        return;
    if (!checkUserLocationServiceNeedAlert(false)) {
        ++lookups_;
        iLoadView_->stopAnimating();
        setDoneEnabled(false);
        addressLable_->setPlainText(kLookupFailed);
        return;
    }
    shopLocation_ = at;
    lookUp(at);
}

// An answer to a lookup that a later move made stale is dropped, so the label only ever
// names the place the map rests on now.
void QXFBAgentAddress::lookUp(map::Coordinate at) {
    const unsigned lookup = ++lookups_;
    loc::Location location;
    location.coordinate = {at.latitude, at.longitude};
    const auto weak = weakAs<QXFBAgentAddress>();
    CityOfLocationData::queryForCityInfoWithLocation(
        location,
        [weak, lookup](const QVariant& reply) {
            if (auto self = weak.lock()) self->lookedUp(lookup, reply);
        },
        [weak, lookup](const QVariantMap&) {
            if (auto self = weak.lock()) self->lookupFailed(lookup);
        });
}

void QXFBAgentAddress::lookedUp(unsigned lookup, const QVariant& reply) {
    if (lookup != lookups_ || movieMapcount_ > 0) return;
    iLoadView_->stopAnimating();
    const Tolerant answer(reply);
    iCityId_ = answer[QStringLiteral("cityScriptIndex")].intValue();
    iCity_ = answer[QStringLiteral("cityName")].toString();
    iStreet_ = answer[QStringLiteral("currentLocation")].toString();
    if (iStreet_.isEmpty()) {
        setDoneEnabled(false);
        addressLable_->setPlainText(kLookupFailed);
        return;
    }
    dance();
    showAddressWithName(iStreet_);
    setDoneEnabled(true);
}

void QXFBAgentAddress::lookupFailed(unsigned lookup) {
    if (lookup != lookups_ || movieMapcount_ > 0) return;
    iLoadView_->stopAnimating();
    setDoneEnabled(false);
    addressLable_->setPlainText(kLookupFailed);
}

void QXFBAgentAddress::showAddressWithName(const QString& street) {
    if (street.isEmpty() || street == kNoAddress || NeedsHost::shared()->locationDenied()) {
        addressLable_->setPlainText(kLookupFailed);
        return;
    }
    addressLable_->setText(kAddressHead + street + kAddressTail, kAddressHead.size(), street.size(),
                           kStreetColour);
}

QString QXFBAgentAddress::getRealAddressWithAttributeStr(const QString& text) {
    if (!text.startsWith(kAddressHead) || !text.endsWith(kAddressTail)) return {};
    return text.mid(kAddressHead.size(), text.size() - kAddressHead.size() - kRadiusWords);
}

void QXFBAgentAddress::didChooseLocation() {
    const auto delegate = iDelegate_.lock();
    const QString street = getRealAddressWithAttributeStr(addressLable_->text());
    if (delegate && !street.isNull()) {
        delegate->didGetChooseCityId(
            iCityId_, street,
            QString::asprintf("%f,%f", shopLocation_.latitude, shopLocation_.longitude));
    }
    StatClick::event(QStringLiteral("findhouses_onmap_done"));
    if (ui::NavigationController* navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}

void QXFBAgentAddress::popback() {
    StatClick::event(QStringLiteral("findhouses_onmap_cancel"));
    if (ui::NavigationController* navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}

void QXFBAgentAddress::dance() {
    auto jump = ui::BasicAnimation::animationWithKeyPath(QStringLiteral("position"));
    const ui::Point from = dancingPin_->layer()->position();
    jump->setFromValue(from);
    jump->setToValue(ui::Point(from.x, from.y - 8));
    jump->setDuration(0.1);
    jump->setAutoreverses(true);
    jump->setRepeatCount(3);
    jump->setRemovedOnCompletion(true);
    dancingPin_->layer()->addAnimation(jump, QStringLiteral("dance"));
}

bool QXFBAgentAddress::isDoneEnabled() const {
    return doneItem_ && doneItem_->isEnabled();
}

void QXFBAgentAddress::setDoneEnabled(bool enabled) {
    doneItem_->setEnabled(enabled);
    doneButton_->setEnabled(enabled);
    doneButton_->setTitleColor(enabled ? ui::Color::whiteColor() : kDisabledTitle,
                               ui::kControlStateNormal);
    doneButton_->setTitleColor(enabled ? ui::Color::whiteColor() : kDisabledTitle,
                               ui::kControlStateDisabled);
}

bool QXFBAgentAddress::checkUserLocationServiceNeedAlert(bool show) {
    if (!NeedsHost::shared()->locationDenied()) return true;
    if (show) {
        AlertMessages::showAlertViewWithAlertTitle(
            QStringLiteral("定位不可用"),
            QStringLiteral("请在系统设置中打开\"定位服务\"来允许\"Nevoru找房\"确定您的位置。"));
    }
    return false;
}

void QXFBAgentAddress::showNoNetwork() {
    AlertMessages::showAlertViewWithAlertTitle(QStringLiteral("网络不可用"),
                                               QStringLiteral("请连接到移动数据网络或wifi网络"));
}
