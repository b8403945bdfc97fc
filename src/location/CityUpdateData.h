#pragma once

#include "platform/uikit/alert_view.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <vector>

class CityUpdateData;
class District;

// Hears how a district and street update ended. Exactly one of the two is called for every
// update that is sent.
class CityUpdateResponder {
public:
    virtual ~CityUpdateResponder() = default;
    virtual void newNetWorkForCityUpdateData(CityUpdateData& update) = 0;
    virtual void newNetWorkForCityUpdateDataError(CityUpdateData& update) = 0;
    // The user asked to send a failed update again; its end is told as a new one's.
    virtual void cityUpdateRetried(CityUpdateData& update) { (void)update; }
    // Whether a failure is told to the user (the city chooser is up), and whether the
    // network is reachable for that alert's wording.
    [[nodiscard]] virtual bool showsUpdateAlerts() const { return false; }
    [[nodiscard]] virtual bool networkReachable() const { return true; }
};

// The districts and streets of one city from the "GetLastGeography" call. Each city's last
// reply is kept in a cache file of its own with its own version, so switching cities sends
// the new city's version and never installs one city's lists under another; the seven hot
// cities fall back to the lists shipped in the bundle. The reply of the city installed last
// is also kept as "streetInfonew", which the need form reads.
class CityUpdateData : public ui::AlertViewDelegate,
                       public std::enable_shared_from_this<CityUpdateData> {
public:
    static constexpr int kRetryAlertTag = 2993;
    // The cities whose lists ship in the bundle as "<script index>city".
    static constexpr int kShippedCities[] = {0, 100, 200, 400, 401, 500, 900};

    explicit CityUpdateData(std::weak_ptr<CityUpdateResponder> responseVc);

    // Sends the update of the city; ends in one callback to the responder.
    void updateCityData(int scriptIndex);
    // First run: installs the shipped list of a hot city as its cache when it has none.
    void hotCityWay(int scriptIndex);
    // Builds the district list from a reply, the any-district first; nil changes nothing.
    void parserLocalInfo(const QVariant& reply);
    // Reads the cache of the city installed last and parses it.
    void readDistrictInfoFromFile();
    // Takes up a city and parses its cache; no districts when it has none.
    void readDistrictInfoOfCity(int scriptIndex);
    void setUserClicked() { userClicked_ = true; }

    [[nodiscard]] const std::vector<std::shared_ptr<District>>& districtArray() const {
        return districtArray_;
    }
    [[nodiscard]] bool citySupportLatlong() const { return citySupportLatlong_; }
    [[nodiscard]] bool tryAgain() const { return tryAgain_; }
    void setTryAgain(bool tryAgain) { tryAgain_ = tryAgain; }
    [[nodiscard]] int scriptIndex() const { return scriptIndex_; }

    // The cache files: the reply of the city installed last, and each city's own.
    [[nodiscard]] static QString currentCacheFile();
    [[nodiscard]] static QString cacheFileOfCity(int scriptIndex);
    // The version to send for a city: its own cached version while the stored replies are
    // of this client version and were not reset, else "0".
    [[nodiscard]] static QString versionToSend(int scriptIndex);

    void clickedButtonAtIndex(ui::AlertView& alert, int index) override;

private:
    void succeeded(const QVariant& reply);
    void failed();
    void store(const QVariantMap& reply, int scriptIndex);
    // Installs the city's own cached reply as the current one; false when it has none.
    bool installOwnCache();
    [[nodiscard]] bool isShippedCity(int scriptIndex) const;
    [[nodiscard]] static QVariantMap shippedList(int scriptIndex);

    std::weak_ptr<CityUpdateResponder> responseVc_;
    std::vector<std::shared_ptr<District>> districtArray_;
    bool citySupportLatlong_ = false;
    bool tryAgain_ = false;
    bool userClicked_ = false;
    int scriptIndex_ = -1;
};
