#include "app/QXAppNeedsHost.h"

#include "account/QXUserInfo.h"
#include "app/QXAppDelegate.h"
#include "app/QXUtil.h"
#include "app/categories/UIViewController+Loading.h"
#include "location/CityData.h"
#include "location/CityNode.h"
#include "location/LocationManager.h"
#include "location/SelectedCityState.h"

void QXAppNeedsHost::setLocationState(UserLocationState state) {
    const auto cities = cityState_.lock();
    if (const auto location = cities ? cities->userLocation() : nullptr) location->setState(state);
}

QString QXAppNeedsHost::strLocation() const {
    const auto cities = cityState_.lock();
    return cities ? cities->strLocation() : QString();
}

bool QXAppNeedsHost::locationDenied() const {
    return LocationManager::locationManager()->locationDenied();
}

void QXAppNeedsHost::startLocating() {
    LocationManager::locationManager()->startUpdates();
}

void QXAppNeedsHost::forgetLocation() {
    if (const auto cities = cityState_.lock()) cities->forgetLocation();
}

void QXAppNeedsHost::afterTenMinStartLocates() {
    QXUtil::afterTenMinStartLocates();
}

// The city the user works in: the name given the delegate when one was, else the selected
// city's own, so that the map point picker finds it without the device's position.
QString QXAppNeedsHost::selectCityName() const {
    const QString& given = QXAppDelegate::sharedAppDelegate().selectCityName();
    if (!given.isEmpty()) return given;
    const auto state = cityState_.lock();
    const auto city = state && state->cityData() ? state->cityData()->currentCity() : nullptr;
    return city ? city->name() : QString();
}

bool QXAppNeedsHost::logonSuccess() const {
    const auto user = QXAppDelegate::sharedAppDelegate().userInfo();
    return user && user->logonSuccess();
}

qint64 QXAppNeedsHost::userId() const {
    const auto user = QXAppDelegate::sharedAppDelegate().userInfo();
    return user ? user->userId() : NeedsHost::userId();
}

void QXAppNeedsHost::addLoadingWithMessage(ui::ViewController& screen, const QString& text) {
    UIViewControllerLoading::AddLoadingWithMessage(screen, text);
}

void QXAppNeedsHost::removeLoading(ui::ViewController& screen) {
    UIViewControllerLoading::RemoveLoading(screen);
}

std::shared_ptr<ui::View> QXAppNeedsHost::loadingView(const ui::Rect& frame,
                                                      const QString& tip) const {
    return QXUtil::qxLoadingViewWithRect(frame, tip);
}
