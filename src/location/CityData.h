#pragma once

#include "location/CityUpdateData.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Country;
class City;
class District;

// Hears the end of a city switch that it started.
class CityUpdateTarget {
public:
    virtual ~CityUpdateTarget() = default;
    virtual void updateCitySuccessWithIndex(int scriptIndex) { (void)scriptIndex; }
    virtual void updateCityFailed() {}
};

// The tree of every province and city, read from the city database at launch, with the
// districts and streets of the selected city hung under it by the district update. Names
// every city by its script index, resolves names and searches prefixes, and runs a city
// switch through the update.
class CityData final : public CityUpdateResponder, public std::enable_shared_from_this<CityData> {
public:
    static constexpr int kHotCityCount = 7;

    CityData();

    // The hot cities' short names, in the order the chooser lists them.
    [[nodiscard]] static const QStringList& hotCityNames();
    // The hot cities' script indexes, found while the tree loads; nothing for a name no
    // city's short name equals.
    [[nodiscard]] const std::array<std::optional<int>, kHotCityCount>& hotCityIndexes() const {
        return hotCityIndexes_;
    }

    // Loads every province and city and installs the stored city's cached districts.
    // Leaves the tree as it was when the database cannot be opened.
    void LoadProvinceInfoWinthCurrent();
    // Fills a city's districts, and a district's streets, from the database.
    void LoadCityData(const std::shared_ptr<City>& city);
    void LoadDistrictData(const std::shared_ptr<District>& district);

    [[nodiscard]] std::shared_ptr<Country> country() const { return country_; }
    void setCountry(std::shared_ptr<Country> country) { country_ = std::move(country); }
    [[nodiscard]] std::shared_ptr<City> currentCity() const { return currentCity_; }

    // The first city in tree order whose name, or else short name, equals `name`.
    [[nodiscard]] std::optional<int> getCityIndexWithName(const QString& name) const;
    [[nodiscard]] std::shared_ptr<City> cityWithScriptIndex(int scriptIndex) const;
    // Every city whose name, short name or pinyin starts with `prefix` (case-sensitive),
    // once each, in tree order; an empty prefix finds nothing.
    void getResultWithString(const QString& prefix, std::vector<std::shared_ptr<City>>& into) const;
    // Every city in tree order.
    [[nodiscard]] std::vector<std::shared_ptr<City>> allCities() const;
    // The database id of the city with that script index; 0 when no city has it.
    [[nodiscard]] qint64 getCityIdWithScriptIndex(int scriptIndex) const;
    // The database ids of a district and street of the current city, given by their
    // indexes: the first district with that index that has streets, and its street with
    // that index. Nothing is written when either is not found.
    void getDistrictAndStreetIdFromIndex(int districtIndex, int streetIndex, qint64& districtId,
                                         qint64& streetId) const;
    // Makes the city with that script index the current one without asking the server: the
    // previous city lets go of its districts and the new one gets only the any-district,
    // without streets. An index that names no city changes nothing (false).
    bool LoadStreetInfo(int scriptIndex);

    // Starts the switch to a city; it ends in one call of the target (and of the
    // application's target first). Starting another switch first ends this one as failed.
    void updateStreetInfo(int scriptIndex, std::weak_ptr<CityUpdateTarget> target);
    // The same for a user's choice: the request carries a fresh sequence id.
    void updateStreetInfoWithUserAction(int scriptIndex, std::weak_ptr<CityUpdateTarget> target);
    void removeTargetAction() { target_.reset(); }
    // Hears every successful switch, whoever started it (the application's state).
    void setApplicationTarget(std::weak_ptr<CityUpdateTarget> target) {
        applicationTarget_ = std::move(target);
    }
    // Where the update asks whether to alert the user and whether the network is up.
    void setAlertPolicy(std::function<bool()> showsAlerts, std::function<bool()> reachable) {
        showsAlerts_ = std::move(showsAlerts);
        reachable_ = std::move(reachable);
    }

    [[nodiscard]] std::shared_ptr<CityUpdateData> updateData() const { return update_; }

    void newNetWorkForCityUpdateData(CityUpdateData& update) override;
    void newNetWorkForCityUpdateDataError(CityUpdateData& update) override;
    void cityUpdateRetried(CityUpdateData& update) override;
    [[nodiscard]] bool showsUpdateAlerts() const override;
    [[nodiscard]] bool networkReachable() const override;

private:
    void startUpdate(int scriptIndex, bool userAction, std::weak_ptr<CityUpdateTarget> target);
    // Hangs the update's districts under its city and makes that city current; false when
    // no city has the update's script index.
    bool cityDataUpdateSuccess(const CityUpdateData& update);
    // Tells the application's state and the target (once when they are one) of a failure.
    void tellFailure(const std::shared_ptr<CityUpdateTarget>& target);

    std::shared_ptr<Country> country_;
    std::shared_ptr<City> currentCity_;
    std::array<std::optional<int>, kHotCityCount> hotCityIndexes_;
    std::shared_ptr<CityUpdateData> update_;
    std::weak_ptr<CityUpdateTarget> target_;
    bool updating_ = false;
    std::weak_ptr<CityUpdateTarget> applicationTarget_;
    std::function<bool()> showsAlerts_;
    std::function<bool()> reachable_;
};
