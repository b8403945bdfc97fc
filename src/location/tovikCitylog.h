#pragma once

#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

// The need form's chosen district and street of the selected city, and the reader of that
// city's district and street lists for its pickers, straight from the reply of the city
// installed last ("streetInfonew").
class tovikCitylog {
public:
    // The one holder, made on first use.
    static tovikCitylog& instance();

    // Reads the stored reply again and returns its districts ({"dsi", "dn", "ss"}), in reply
    // order, without an any-district row; nothing before any reply was stored.
    [[nodiscard]] std::optional<QVariantList> getCityDistrictArray();
    // The streets of the district at `position` of the reply last read; nothing when there
    // is no such district.
    [[nodiscard]] std::optional<QVariantList> getCitystreetArray(qsizetype position) const;

    [[nodiscard]] const QString& districtId() const { return districtId_; }
    void setDistrictId(const QString& value) { districtId_ = value; }
    [[nodiscard]] const QString& streetId() const { return streetId_; }
    void setStreetId(const QString& value) { streetId_ = value; }
    [[nodiscard]] const QString& districtName() const { return districtName_; }
    void setDistrictName(const QString& value) { districtName_ = value; }
    [[nodiscard]] const QString& streetName() const { return streetName_; }
    void setStreetName(const QString& value) { streetName_ = value; }
    // Whether the choice came from the lists (true) or from a point on the map.
    [[nodiscard]] bool isSelectCityData() const { return isSelectCityData_; }
    void setIsSelectCityData(bool value) { isSelectCityData_ = value; }
    [[nodiscard]] const std::optional<QVariantMap>& citydata() const { return citydata_; }

    // Forgets the chosen district and street (a city change); the list choice mark stays.
    void clearChoice();

private:
    tovikCitylog();

    QString districtId_;
    QString streetId_;
    QString districtName_;
    QString streetName_;
    bool isSelectCityData_ = false;
    std::optional<QVariantMap> citydata_;
};
