#pragma once

#include "platform/location/location.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace loc {

// A place a geocoder found: where it lies and what it is called.
struct Placemark {
    Coordinate location;
    QString name;
    QString locality;
    QString administrativeArea;
};

// The platform's geocoder: finds the places an address names. It asks a geocoding service
// (GET <service URL>?address=<address>, answered {"placemarks": [{"name", "locality",
// "administrativeArea", "latitude", "longitude"}]}); the app says where that service is, as
// it says where the map's tiles come from. One lookup at a time: a new one cancels the one
// under way, whose completion then hears kErrorGeocodeCanceled. Completions run on the main
// thread, never after the geocoder is gone.
class Geocoder : public std::enable_shared_from_this<Geocoder> {
public:
    // The places found (none on an error), or the error of the domain kErrorDomain.
    using CompletionHandler =
        std::function<void(const std::vector<Placemark>& placemarks, std::optional<int> error)>;

    Geocoder();
    ~Geocoder();

    [[nodiscard]] const QString& serviceURL() const { return serviceURL_; }
    void setServiceURL(const QString& url) { serviceURL_ = url; }

    // Looks the address up; kErrorGeocodeFoundNoResult when nothing is found or the address
    // is empty, kErrorNetwork when the service cannot be reached or answers otherwise.
    void geocodeAddressString(const QString& address, CompletionHandler completion);
    void cancelGeocode();
    [[nodiscard]] bool isGeocoding() const { return lookup_ != nullptr; }

private:
    class Lookup;
    void finish(const Lookup* lookup, std::vector<Placemark> placemarks, std::optional<int> error);

    QString serviceURL_;
    std::shared_ptr<Lookup> lookup_;
};

}  // namespace loc
