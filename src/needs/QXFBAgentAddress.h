#pragma once

#include "platform/location/geocoder.h"
#include "platform/mapkit/map_view.h"
#include "platform/uikit/view_controller.h"

#include <QString>

#include <memory>

namespace ui {
class ActivityIndicatorView;
class BarButtonItem;
class Button;
class ImageView;
}  // namespace ui
class QXAddressLabel;

// Hears the place a user picked on the map.
class QXFBAgentAddressDelegate {
public:
    virtual ~QXFBAgentAddressDelegate() = default;
    // The city's script index, the street followed by "附近", and "lat,lng".
    virtual void didGetChooseCityId(int cityId, const QString& streetName,
                                    const QString& locationStr) = 0;
};

// "在地图上选择一个点": the user drags the map under a pin fixed in its middle; the screen
// looks up the street there and shows "在…附近3km内找房". "完成" hands the city, the street and
// the point to the delegate (the need form) and goes back.
class QXFBAgentAddress : public ui::ViewController, public map::MapViewDelegate {
public:
    static inline const QString kNoAddress = QStringLiteral("暂无地址,请拖动地图选择。");
    static inline const QString kLookupFailed = QStringLiteral("地址查询失败，请拖动地图重试");
    static inline const QString kQuerying = QStringLiteral("      正在查询地址...");
    static inline const QString kCannotLocate = QStringLiteral("无法定位位置");
    // Where the map rests before it knows any position; a rest there looks nothing up.
    static constexpr map::Coordinate kInitialCentre{35.773823, 103.183594};
    static constexpr double kSpan = 0.05;

    QXFBAgentAddress();
    ~QXFBAgentAddress() override;

    void setIDelegate(std::weak_ptr<QXFBAgentAddressDelegate> delegate) {
        iDelegate_ = std::move(delegate);
    }
    void setPreAddress(const QString& address) { preAddress_ = address; }
    [[nodiscard]] const QString& preAddress() const { return preAddress_; }

    // Actions.
    void gotoMyLocation();
    void popback();
    void didChooseLocation();

    // "在<street>附近3km内找房" with the street coloured, or the failure text.
    void showAddressWithName(const QString& street);
    // The street followed by "附近" of a label text made by showAddressWithName; a null text
    // for any other.
    [[nodiscard]] static QString getRealAddressWithAttributeStr(const QString& text);
    // Whether the location service may be used; with `show`, says so when it may not.
    bool checkUserLocationServiceNeedAlert(bool show);

    [[nodiscard]] map::MapView* mapView() const { return mapView_.get(); }
    [[nodiscard]] QXAddressLabel* addressLable() const { return addressLable_.get(); }
    [[nodiscard]] ui::Button* locateButton() const { return locateButton_.get(); }
    [[nodiscard]] bool isDoneEnabled() const;
    [[nodiscard]] int iCityId() const { return iCityId_; }
    [[nodiscard]] const QString& iStreet() const { return iStreet_; }
    [[nodiscard]] map::Coordinate shopLocation() const { return shopLocation_; }
    [[nodiscard]] int movieMapcount() const { return movieMapcount_; }
    // Whether the city's place is being looked up by its name.
    [[nodiscard]] bool isGeocoding() const { return geocoder_ && geocoder_->isGeocoding(); }

    // Map delegate.
    void regionWillChangeAnimated(map::MapView& map, bool animated) override;
    void regionDidChangeAnimated(map::MapView& map, bool animated) override;
    void didUpdateUserLocation(map::MapView& map, const map::UserLocation& location) override;

protected:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidLayoutSubviews() override;

private:
    void initMap();
    void placePins();
    void centreOn(map::Coordinate centre);
    void dance();
    void setDoneEnabled(bool enabled);
    void lookUp(map::Coordinate at);
    void lookedUp(unsigned lookup, const QVariant& reply);
    void lookupFailed(unsigned lookup);
    void showNoNetwork();

    std::weak_ptr<QXFBAgentAddressDelegate> iDelegate_;
    QString preAddress_;
    int iCityId_ = 0;
    QString iCity_;
    QString iStreet_;
    map::Coordinate myLocation_;
    map::Coordinate shopLocation_;
    std::shared_ptr<map::MapView> mapView_;
    std::shared_ptr<QXAddressLabel> addressLable_;
    std::shared_ptr<ui::ActivityIndicatorView> iLoadView_;
    std::shared_ptr<ui::ImageView> dancingPin_;
    std::shared_ptr<ui::ImageView> pin_;
    std::shared_ptr<ui::Button> locateButton_;
    std::shared_ptr<ui::Button> doneButton_;
    std::shared_ptr<ui::BarButtonItem> doneItem_;
    std::shared_ptr<loc::Geocoder> geocoder_;
    ui::Point myLocationInView_;
    bool isFristInResetMap_ = false;
    bool setMylocationEnable_ = true;
    bool isHaveAdress_ = true;
    int movieMapcount_ = 0;
    // Counts the lookups: only the answer to the latest one is shown.
    unsigned lookups_ = 0;
};
