#pragma once

#include "location/UserLocation.h"

#include <QString>

#include <memory>
#include <optional>
#include <utility>

namespace ui {
class NavigationController;
struct Rect;
class View;
class ViewController;
}  // namespace ui

// What the need screens ask of the application: the device's location state and locating,
// the selected city's name, the logon, the controller sheets are presented over, the
// navigation stacks with the app's bar and the app's loading overlay. The application
// installs its implementation at launch; until then (and in the need screens' own tests)
// this one answers: the location state and stacks of the housing screens' host, logged off,
// no sheet parent and a plain loading cover.
class NeedsHost {
public:
    virtual ~NeedsHost();

    [[nodiscard]] static std::shared_ptr<NeedsHost> shared();
    // nullptr brings back the host of the defaults.
    static void install(std::shared_ptr<NeedsHost> host);

    // The device's location state and what it found.
    [[nodiscard]] virtual UserLocationState locationState() const;
    virtual void setLocationState(UserLocationState state) { (void)state; }
    [[nodiscard]] virtual QString locationStreet() const;
    // The script index of the located city; -1 when none is known.
    [[nodiscard]] virtual int locatedCityId() const;
    // The last fix as "%.5f,%.5f" (latitude, longitude); empty when there is none.
    [[nodiscard]] virtual QString strLocation() const;
    // The best position so far (latitude, longitude), when there is one.
    [[nodiscard]] virtual std::optional<std::pair<double, double>> bestEffortAtLocation() const;
    // Whether the user refused the location service.
    [[nodiscard]] virtual bool locationDenied() const { return false; }
    // Starts a location attempt.
    virtual void startLocating() {}
    // Forgets the location text and the last fix (before locating afresh).
    virtual void forgetLocation() {}
    // Locates again when 600 seconds passed since the last start.
    virtual void afterTenMinStartLocates() {}
    [[nodiscard]] virtual QString selectCityName() const { return {}; }

    // Whether a user is logged on, and the user the needs are published and stored for: the
    // login id while logged on, otherwise the messaging user's id.
    [[nodiscard]] virtual bool logonSuccess() const { return false; }
    [[nodiscard]] virtual qint64 userId() const;

    // The controller that sheets are presented over (the tab shell); nullptr presents them
    // over the screen itself.
    [[nodiscard]] virtual std::shared_ptr<ui::ViewController> sheetParent() const {
        return nullptr;
    }
    // A new navigation stack holding `root` with the app's bar.
    [[nodiscard]] virtual std::shared_ptr<ui::NavigationController> makeNavigationController(
        std::shared_ptr<ui::ViewController> root) const;

    // The loading overlay of a screen (tag LoadingOverlay::kTag); a second one is not added while
    // one shows.
    virtual void addLoadingWithMessage(ui::ViewController& screen, const QString& text);
    virtual void removeLoading(ui::ViewController& screen);
    // A loading view with a tip, tagged LoadingOverlay::kTag, for a screen to place itself.
    [[nodiscard]] virtual std::shared_ptr<ui::View> loadingView(const ui::Rect& frame,
                                                                const QString& tip) const;
};
