#include "needs/NeedsHost.h"

#include "houses/shared/HousesHost.h"
#include "net/QXNetContext.h"

#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/view_controller.h"
#include "ui/widgets/LoadingOverlay.h"

namespace {

std::shared_ptr<NeedsHost>& installed() {
    static std::shared_ptr<NeedsHost> host = std::make_shared<NeedsHost>();
    return host;
}

std::shared_ptr<const UserLocation> housesLocation() {
    return HousesHost::shared()->userLocation();
}

}  // namespace

NeedsHost::~NeedsHost() = default;

std::shared_ptr<NeedsHost> NeedsHost::shared() {
    return installed();
}

void NeedsHost::install(std::shared_ptr<NeedsHost> host) {
    installed() = host ? std::move(host) : std::make_shared<NeedsHost>();
}

UserLocationState NeedsHost::locationState() const {
    const auto location = housesLocation();
    return location ? location->state() : UserLocationFailed;
}

QString NeedsHost::locationStreet() const {
    const auto location = housesLocation();
    return location ? location->street() : QString();
}

int NeedsHost::locatedCityId() const {
    const auto location = housesLocation();
    return location ? location->cityId() : -1;
}

QString NeedsHost::strLocation() const {
    const auto location = housesLocation();
    return location ? location->strLocation() : QString();
}

std::optional<std::pair<double, double>> NeedsHost::bestEffortAtLocation() const {
    return HousesHost::shared()->bestEffortAtLocation();
}

qint64 NeedsHost::userId() const {
    return QXNetContext::shared()->logonState().userId;
}

std::shared_ptr<ui::NavigationController> NeedsHost::makeNavigationController(
    std::shared_ptr<ui::ViewController> root) const {
    return HousesHost::shared()->makeNavigationController(std::move(root));
}

void NeedsHost::addLoadingWithMessage(ui::ViewController& screen, const QString& text) {
    if (screen.view()->viewWithTag(LoadingOverlay::kTag)) return;
    screen.view()->addSubview(loadingView(screen.view()->bounds(), text));
}

void NeedsHost::removeLoading(ui::ViewController& screen) {
    if (ui::View* loading = screen.view()->viewWithTag(LoadingOverlay::kTag))
        loading->removeFromSuperview();
}

std::shared_ptr<ui::View> NeedsHost::loadingView(const ui::Rect& frame, const QString& tip) const {
    auto cover = std::make_shared<ui::View>(frame);
    cover->setTag(LoadingOverlay::kTag);
    cover->setBackgroundColor(ui::Color::colorWithWhite(0, 0.35));
    auto spinner =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::WhiteLarge);
    spinner->setCenter({frame.width() / 2, frame.height() / 2 - 15});
    spinner->startAnimating();
    cover->addSubview(spinner);
    auto label =
        std::make_shared<ui::Label>(ui::Rect(0, frame.height() / 2 + 15, frame.width(), 20));
    label->setText(tip);
    label->setTextColor(ui::Color::whiteColor());
    label->setTextAlignment(ui::TextAlignment::Center);
    label->setBackgroundColor(ui::Color::clearColor());
    cover->addSubview(label);
    return cover;
}
