#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <utility>

class City;
class Street;
class UserLocation;
namespace ui {
class NavigationController;
class ViewController;
}  // namespace ui

// What the housing screens ask of the application: the current city and its tree, the
// street chosen for the lists, the network kind, the device position, the application-wide
// drag-back switch and the navigation stacks it presents screens in. The application
// delegate installs its implementation at launch; until then a host without a city answers.
class HousesHost {
public:
    virtual ~HousesHost();

    [[nodiscard]] static std::shared_ptr<HousesHost> shared();
    // nullptr brings back the host without a city.
    static void install(std::shared_ptr<HousesHost> host);

    [[nodiscard]] virtual std::shared_ptr<City> currentCity() const { return nullptr; }
    // The script index of the city with that name or short name; nothing when no city has it.
    [[nodiscard]] virtual std::optional<int> cityIndexWithName(const QString& name) const {
        (void)name;
        return std::nullopt;
    }
    [[nodiscard]] virtual std::shared_ptr<Street> currentStreet() const { return street_; }
    virtual void setCurrentStreet(std::shared_ptr<Street> street) { street_ = std::move(street); }
    // Whether the device is on Wi-Fi (thumbnails are shown then).
    [[nodiscard]] virtual bool useWifi() const { return false; }
    // The device's location state (located city, address, last fix as text); nullptr
    // when the application keeps none.
    [[nodiscard]] virtual std::shared_ptr<const UserLocation> userLocation() const {
        return nullptr;
    }
    // The device's best position (latitude, longitude), when it has one: the last fix of
    // the location state.
    [[nodiscard]] virtual std::optional<std::pair<double, double>> bestEffortAtLocation() const;
    // Switches the drag-back gesture of every navigation stack off or on (off while a pop-up
    // covers the screen); the host only keeps the flag by default.
    virtual void setDragBackGesture(bool enabled) { dragBack_ = enabled; }
    [[nodiscard]] virtual bool dragBackGesture() const { return dragBack_; }
    // A new navigation stack holding `root`, to be presented: the application's drag-back
    // stack with its own bar; a plain stack by default.
    [[nodiscard]] virtual std::shared_ptr<ui::NavigationController> makeNavigationController(
        std::shared_ptr<ui::ViewController> root) const;

    // Sets the current street to the first street of the first district of the current
    // city (the any-street of the any-district), when the city has districts.
    void resetCurrentStreet();

private:
    std::shared_ptr<Street> street_;
    bool dragBack_ = true;
};
