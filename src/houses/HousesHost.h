#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <utility>

class City;
class Street;
class UserLocation;

// What the housing screens ask of the application: the current city and its tree, the
// street chosen for the lists, the network kind and the device position. The application
// delegate installs its implementation at launch; until then a host without a city answers.
class HousesHost {
public:
    virtual ~HousesHost();

    [[nodiscard]] static std::shared_ptr<HousesHost> shared();
    // nullptr brings back the host without a city.
    static void install(std::shared_ptr<HousesHost> host);

    [[nodiscard]] virtual std::shared_ptr<City> currentCity() const { return nullptr; }
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
    // The script index of the city with this name or short name, in the tree of the current
    // city; nothing when no city has it or there is no city.
    [[nodiscard]] virtual std::optional<int> cityIndexWithName(const QString& name) const;

    // Sets the current street to the first street of the first district of the current
    // city (the any-street of the any-district), when the city has districts.
    void resetCurrentStreet();

private:
    std::shared_ptr<Street> street_;
};
