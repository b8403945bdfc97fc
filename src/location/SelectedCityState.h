#pragma once

#include "location/CityData.h"
#include "location/UserLocation.h"

#include "platform/foundation/clock.h"
#include "platform/uikit/alert_view.h"

#include <QString>

#include <memory>
#include <optional>

class Street;

// What the application delegate tells the selected-city state and does for it.
class SelectedCityHost {
public:
    virtual ~SelectedCityHost() = default;
    // Whether the application has a user id of its own (not the fallback one).
    [[nodiscard]] virtual bool hasUserId() const = 0;
    [[nodiscard]] virtual bool connectionReachabil() const = 0;
    // The network type (1 Wi-Fi), for the location accuracy rule.
    [[nodiscard]] virtual int netType() const { return 0; }
    // The tab shell's selected tab and the number of screens on its navigation stack.
    [[nodiscard]] virtual int selectedTabIndex() const = 0;
    [[nodiscard]] virtual int screensOnSelectedTab() const = 0;
    // The selected city changed (for the request headers' "cityScriptIndex").
    virtual void currentCityScriptIndexChanged(int scriptIndex) { (void)scriptIndex; }
    // Fetches the need form's filter definitions of a major category for the city.
    virtual void downLoadSendNeedInfo(int major, int cityScriptIndex) {
        (void)major, (void)cityScriptIndex;
    }
    // Presents the city chooser at first run, without a way back.
    virtual void presentCitySelection(bool animated) { (void)animated; }
};

// The selected city and the device's location state, held by the application delegate:
// restores the city at launch, completes and announces ("CityChanged") every city change,
// starts locating and keeps the location state, and offers once per process to switch to
// the city the device is in. The delegate creates it at launch with itself as host, then
// calls loadCitiesData(), observe() and startConfirmLocation(), and again
// startConfirmLocation() each time the application becomes active.
class SelectedCityState final : public CityUpdateTarget,
                                public ui::AlertViewDelegate,
                                public std::enable_shared_from_this<SelectedCityState> {
public:
    static constexpr int kSwitchAlertTag = 7239;
    // A fix younger than this is not located again.
    static constexpr auto kRelocateAfter = std::chrono::seconds(300);
    static inline const QString kCityChangedNotification = QStringLiteral("CityChanged");
    static inline const QString kLocationGetNotification =
        QStringLiteral("LocationGetNotification");

    explicit SelectedCityState(std::weak_ptr<SelectedCityHost> host);
    ~SelectedCityState() override;

    void loadCitiesData();
    // Observes the end of each location attempt and the first location state change.
    void observe();

    // Switches to a city through the server update. The index becomes current only when
    // the update succeeds; the same index again, or one already under way, does nothing.
    void updateCityWithIndex(int scriptIndex);
    // The same for the city chooser, whose screen hears the end too; the request carries a
    // fresh sequence id.
    void updateCityByUser(int scriptIndex, std::weak_ptr<CityUpdateTarget> screen);
    void updateCitySuccessWithIndex(int scriptIndex) override;
    void updateCityFailed() override;
    // A direct switch without the server update: the city becomes current with only its
    // any-district (no streets), is stored and announced ("CityChanged"). The selected city
    // again, or an index that names no city, changes nothing.
    void changeCityWithIndex(int scriptIndex);
    // The same for a city of the tree, by its province's and its own index.
    void changeCity(const City& city);
    // Switches to the located city when it differs from the selected one.
    void change2Location();
    void setCityLogisNull();
    // Forgets the last fix and its text (the need form locates afresh).
    void forgetLocation();
    void startConfirmLocation();
    void onLocationUpdated();
    void UserLocationStateChange();
    // Presents the city chooser when no city of the tree was ever chosen; true when it did.
    bool checkCityWithAnimation(bool animated);

    // -1 until a city is loaded.
    [[nodiscard]] int currentCityScript_index() const { return currentCityScriptIndex_; }
    // The city whose switch is under way, if any.
    [[nodiscard]] std::optional<int> updatingCityIndex() const { return pendingIndex_; }
    [[nodiscard]] std::shared_ptr<Street> currentStreet() const { return currentStreet_.lock(); }
    [[nodiscard]] std::shared_ptr<CityData> cityData() const { return cityData_; }
    [[nodiscard]] std::shared_ptr<UserLocation> userLocation() const { return userLocation_; }
    [[nodiscard]] std::optional<ns::TimePoint> lastLocationTime() const {
        return lastLocationTime_;
    }
    [[nodiscard]] const QString& strLocation() const { return strLocation_; }
    [[nodiscard]] const QString& locationStatuString() const { return locationStatuString_; }
    [[nodiscard]] bool showedGPSSwitch() const { return showedGPSSwitch_; }
    // Whether the city chooser is up (the district update then alerts its failures).
    [[nodiscard]] bool inCitySelect() const { return inCitySelect_; }
    void setInCitySelect(bool shown) { inCitySelect_ = shown; }
    // The selected city's stored choice: script index + 1, 0 when none was ever chosen.
    [[nodiscard]] static int storedCityId();
    [[nodiscard]] std::shared_ptr<SelectedCityHost> host() const { return host_.lock(); }

    void clickedButtonAtIndex(ui::AlertView& alert, int index) override;

private:
    void refreshCurrentStreet();
    void ensureUserLocation();

    std::weak_ptr<SelectedCityHost> host_;
    int currentCityScriptIndex_ = -1;
    std::optional<int> pendingIndex_;
    std::weak_ptr<Street> currentStreet_;
    std::shared_ptr<CityData> cityData_;
    std::shared_ptr<UserLocation> userLocation_;
    std::optional<ns::TimePoint> lastLocationTime_;
    QString strLocation_;
    QString locationStatuString_;
    bool showedGPSSwitch_ = false;
    bool inCitySelect_ = false;
};
