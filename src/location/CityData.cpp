#include "location/CityData.h"

#include "location/CityDatabase.h"
#include "location/CityNode.h"
#include "location/DocumentFolder.h"

#include "platform/foundation/file_manager.h"
#include "platform/foundation/user_defaults.h"

#include <utility>

namespace {

const char kProvinces[] =
    "select province_id,script_index,province_name,short_name,pinyin from province";
const char kCities[] =
    "select city_id,script_index,city_name,short_name,pinyin from city where province_id = %1";
const char kDistricts[] =
    "select district_id,script_index,district_name,short_name,pinyin,url "
    "from district where city_id = %1";
const char kStreets[] =
    "select street_id,script_index,street_name,pinyin,url from street where "
    "district_id = %1 and category_url = 'housing'";

// Columns: id, script index, name, then short name and pinyin (places and districts) or
// pinyin (streets), then url (districts and streets).
void readPlace(CityNode& node, const CityDatabase::Row& row) {
    node.setFields(row.integer(0), int(row.integer(1)), row.text(2), row.text(4));
    node.setSname(row.text(3));
}

// Opens the database for one operation unless it is open, and closes what it opened.
class DatabaseUse {
public:
    explicit DatabaseUse(CityDatabase& database)
        : database_(database), opened_(!database.isOpen() && database.open()) {}
    ~DatabaseUse() {
        if (opened_) database_.close();
    }
    DatabaseUse(const DatabaseUse&) = delete;
    DatabaseUse& operator=(const DatabaseUse&) = delete;
    [[nodiscard]] bool ready() const { return database_.isOpen(); }

private:
    CityDatabase& database_;
    bool opened_;
};

bool startsWith(const QString& text, const QString& prefix) {
    return text.startsWith(prefix, Qt::CaseSensitive);
}

}  // namespace

CityData::CityData() : country_(std::make_shared<Country>()) {
    country_->Provinces.reserve(35);
}

const QStringList& CityData::hotCityNames() {
    static const QStringList names{"上海", "北京", "深圳", "广州", "南京", "成都", "天津"};
    return names;
}

void CityData::LoadProvinceInfoWinthCurrent() {
    CityDatabase database;
    DatabaseUse use(database);
    if (!use.ready()) return;
    if (!country_) country_ = std::make_shared<Country>();
    country_->Provinces.clear();
    hotCityIndexes_.fill(std::nullopt);
    database.select(kProvinces, [&](const CityDatabase::Row& row) {
        auto province = std::make_shared<CProvince>();
        readPlace(*province, row);
        province->setParent(country_);
        country_->Provinces.push_back(std::move(province));
    });
    const QStringList& hotNames = hotCityNames();
    for (const auto& province : country_->Provinces) {
        province->Cities.reserve(20);
        database.select(QString::fromLatin1(kCities).arg(province->nodeId()),
                        [&](const CityDatabase::Row& row) {
                            auto city = std::make_shared<City>();
                            readPlace(*city, row);
                            city->setParent(province);
                            const qsizetype hot = hotNames.indexOf(city->sname());
                            if (hot >= 0 && !hotCityIndexes_[hot]) {
                                hotCityIndexes_[hot] = city->scriptIndex();
                            }
                            province->Cities.push_back(std::move(city));
                        });
    }
    currentCity_.reset();
    if (!country_->Provinces.empty() && !country_->Provinces.front()->Cities.empty()) {
        currentCity_ = country_->Provinces.front()->Cities.front();
    }
    // Writes of the district caches that a kill cut short leave their temporary files.
    ns::FileManager::removeAbandonedTemporaryFilesInFolder(DocumentFolder::path());
    // The stored city is the current one from the start, with the districts of its own
    // cached reply when it has one (else none until its update comes).
    update_ = std::make_shared<CityUpdateData>(weak_from_this());
    const int stored = int(ns::UserDefaults::standardUserDefaults().integerForKey("cityId")) - 1;
    if (stored >= 0) {
        update_->readDistrictInfoOfCity(stored);
        cityDataUpdateSuccess(*update_);
    }
}

void CityData::LoadCityData(const std::shared_ptr<City>& city) {
    CityDatabase database;
    DatabaseUse use(database);
    if (!use.ready()) return;
    database.select(QString::fromLatin1(kDistricts).arg(city->nodeId()),
                    [&](const CityDatabase::Row& row) {
                        auto district = std::make_shared<District>();
                        readPlace(*district, row);
                        district->setUrl(row.text(5));
                        district->setParent(city);
                        city->Districts.push_back(std::move(district));
                    });
}

void CityData::LoadDistrictData(const std::shared_ptr<District>& district) {
    CityDatabase database;
    DatabaseUse use(database);
    if (!use.ready()) return;
    database.select(
        QString::fromLatin1(kStreets).arg(district->nodeId()), [&](const CityDatabase::Row& row) {
            auto street = std::make_shared<Street>();
            street->setFields(row.integer(0), int(row.integer(1)), row.text(2), row.text(3));
            street->setUrl(row.text(4));
            street->setParent(district);
            district->Streets.push_back(std::move(street));
        });
}

std::vector<std::shared_ptr<City>> CityData::allCities() const {
    std::vector<std::shared_ptr<City>> cities;
    if (!country_) return cities;
    for (const auto& province : country_->Provinces) {
        cities.insert(cities.end(), province->Cities.begin(), province->Cities.end());
    }
    return cities;
}

std::optional<int> CityData::getCityIndexWithName(const QString& name) const {
    if (!country_) return std::nullopt;
    for (const auto& province : country_->Provinces) {
        for (const auto& city : province->Cities) {
            if (city->name() == name || city->sname() == name) return city->scriptIndex();
        }
    }
    return std::nullopt;
}

std::shared_ptr<City> CityData::cityWithScriptIndex(int scriptIndex) const {
    if (!country_ || scriptIndex < 0) return nullptr;
    for (const auto& province : country_->Provinces) {
        if (province->index() != scriptIndex / 100) continue;
        for (const auto& city : province->Cities) {
            if (city->scriptIndex() == scriptIndex) return city;
        }
    }
    return nullptr;
}

qint64 CityData::getCityIdWithScriptIndex(int scriptIndex) const {
    const auto city = cityWithScriptIndex(scriptIndex);
    return city ? city->nodeId() : 0;
}

void CityData::getDistrictAndStreetIdFromIndex(int districtIndex, int streetIndex,
                                               qint64& districtId, qint64& streetId) const {
    if (!currentCity_) return;
    for (const auto& district : currentCity_->Districts) {
        if (district->index() != districtIndex || district->Streets.empty()) continue;
        for (const auto& street : district->Streets) {
            if (street->index() != streetIndex) continue;
            districtId = district->nodeId();
            streetId = street->nodeId();
            return;
        }
        return;
    }
}

bool CityData::LoadStreetInfo(int scriptIndex) {
    const auto found = cityWithScriptIndex(scriptIndex);
    if (!found) return false;
    if (currentCity_) {
        for (const auto& district : currentCity_->Districts) district->Streets.clear();
        currentCity_->Districts.clear();
    }
    auto any = std::make_shared<District>();
    any->setFields(-1, -1, QStringLiteral("不限"), QStringLiteral("buxian"));
    any->setSname(QStringLiteral("不限"));
    any->setParent(found);
    found->Districts.push_back(std::move(any));
    currentCity_ = found;
    return true;
}

void CityData::getResultWithString(const QString& prefix,
                                   std::vector<std::shared_ptr<City>>& into) const {
    if (prefix.isEmpty() || !country_) return;
    for (const auto& province : country_->Provinces) {
        for (const auto& city : province->Cities) {
            if (startsWith(city->name(), prefix) || startsWith(city->sname(), prefix) ||
                startsWith(city->pinyin(), prefix)) {
                into.push_back(city);
            }
        }
    }
}

void CityData::updateStreetInfo(int scriptIndex, std::weak_ptr<CityUpdateTarget> target) {
    startUpdate(scriptIndex, false, std::move(target));
}

void CityData::updateStreetInfoWithUserAction(int scriptIndex,
                                              std::weak_ptr<CityUpdateTarget> target) {
    startUpdate(scriptIndex, true, std::move(target));
}

void CityData::startUpdate(int scriptIndex, bool userAction,
                           std::weak_ptr<CityUpdateTarget> target) {
    // The update under way is let go unheard: its target hears now that it failed, so that
    // no caller waits for it.
    const auto replaced =
        std::exchange(update_, std::make_shared<CityUpdateData>(weak_from_this()));
    const auto replacedTarget = std::exchange(target_, std::move(target));
    if (replaced && updating_) {
        updating_ = false;
        tellFailure(replacedTarget.lock());
    }
    if (userAction) update_->setUserClicked();
    updating_ = true;
    // Keep the update alive through its own callbacks, even if a newer one replaces it.
    const auto update = update_;
    update->updateCityData(scriptIndex);
}

bool CityData::cityDataUpdateSuccess(const CityUpdateData& update) {
    const auto found = cityWithScriptIndex(update.scriptIndex());
    if (!found) return false;
    if (currentCity_) {
        for (const auto& district : currentCity_->Districts) district->Streets.clear();
        currentCity_->Districts.clear();
        currentCity_.reset();
    }
    found->Districts = update.districtArray();
    for (const auto& district : found->Districts) district->setParent(found);
    found->supportLatlong = update.citySupportLatlong();
    currentCity_ = found;
    return true;
}

void CityData::newNetWorkForCityUpdateData(CityUpdateData& update) {
    if (&update != update_.get() || !updating_) return;
    updating_ = false;
    if (!cityDataUpdateSuccess(update)) {
        tellFailure(target_.lock());
        return;
    }
    const int index = update.scriptIndex();
    // The application's state hears every switch; a target that is the same object hears it
    // once.
    const auto application = applicationTarget_.lock();
    if (application) application->updateCitySuccessWithIndex(index);
    const auto target = target_.lock();
    if (target && target != application) target->updateCitySuccessWithIndex(index);
}

void CityData::newNetWorkForCityUpdateDataError(CityUpdateData& update) {
    if (&update != update_.get() || !updating_) return;
    updating_ = false;
    tellFailure(target_.lock());
}

void CityData::cityUpdateRetried(CityUpdateData& update) {
    // Only the update in force may come back to life; its target hears its new end.
    if (&update == update_.get()) updating_ = true;
}

void CityData::tellFailure(const std::shared_ptr<CityUpdateTarget>& target) {
    const auto application = applicationTarget_.lock();
    if (application) application->updateCityFailed();
    if (target && target != application) target->updateCityFailed();
}

bool CityData::showsUpdateAlerts() const {
    return showsAlerts_ && showsAlerts_();
}

bool CityData::networkReachable() const {
    return !reachable_ || reachable_();
}
