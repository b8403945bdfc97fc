#pragma once

#include "map/ShopMapContext.h"
#include "ui/navigation/DragBackSwitch.h"

#include "platform/foundation/notification_center.h"
#include "platform/mapkit/map_view.h"
#include "platform/uikit/view_controller.h"

#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

class BasicAnnotion;
class QXMapDetailViewController;

namespace ui {
class Button;
}

// The broker-shop map ("中介门店"): a full-screen map centred on the user with one pin per
// broker shop around the map's centre. Every settled region change asks for the shops around
// the new centre and replaces the pins. Selecting a pin opens the shop panel over the lower
// part of the screen and shrinks the map above it to a close-up of that shop; from the
// panel's list the user opens a chat with a broker or the broker's page.
class QXMapViewController : public ui::ViewController, public map::MapViewDelegate {
public:
    static constexpr int kLoadingTag = 105;
    static constexpr int kIndicatorTag = 106;
    static constexpr unsigned kZoomLevel = 12;
    // A fix must move this far (degrees, either way) before the map follows the user.
    static constexpr double kFollowDistance = double(0.01f);
    static constexpr double kStripHeight = 120;
    // The tile address: $HOUSING_MAP_TILE_URL, else the tiles of the server root.
    [[nodiscard]] static QString tileURLTemplate();

    explicit QXMapViewController(ShopMapContext context);
    ~QXMapViewController() override;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    // The shop query around "lat,lng" (or, when empty, the located position).
    void didAnnotationInfos(const QString& coordinate);
    void addAnnotationItems(const QVariant& reply);
    void UserLocationStateChange();
    void showDetailView(map::AnnotationView& view);
    void setmapViewThumbNails(const BasicAnnotion& annotation);
    // Ends the close-up: back to `mapCentre` at zoom level 12.
    void setNomalMapViewWithCenterLocationCoordinate(map::Coordinate coordinate);
    void tapMap();
    void refreshMapView();
    void popFront();
    // The panel's broker action: a chat with the broker, or the broker's page.
    void brokerAction(bool chat, const QVariantMap& broker);
    // Pushes the chat with the broker of that id (a message page) or the broker's page.
    void pushNextViewController(const QString& agentId, bool isMessagePage);
    // A clear button over the top of the map whose tap closes the panel.
    void addButtonLayer();
    // The map takes the whole screen again and the panel closes; the button goes.
    void closeAnnoClickUpView();

    void regionDidChangeAnimated(map::MapView& mapView, bool animated) override;
    void didUpdateUserLocation(map::MapView& mapView, const map::UserLocation& location) override;
    std::shared_ptr<map::AnnotationView> viewForAnnotation(
        map::MapView& mapView, const std::shared_ptr<map::Annotation>& annotation) override;
    void didSelectAnnotationView(map::MapView& mapView, map::AnnotationView& view) override;
    void didDeselectAnnotationView(map::MapView& mapView, map::AnnotationView& view) override;

    [[nodiscard]] map::MapView* mapView() const { return mapView_.get(); }
    [[nodiscard]] QXMapDetailViewController* detailMapCtr() const { return detailMapCtr_.get(); }
    [[nodiscard]] ui::Button* mapSelectThumbnailsButton() const {
        return mapSelectThumbnailsButton_.get();
    }
    [[nodiscard]] ui::Button* refButon() const { return refButon_.get(); }
    [[nodiscard]] ui::Button* annoClickUpButton() const { return annoClickUpButton_.get(); }
    [[nodiscard]] const std::vector<std::shared_ptr<map::Annotation>>& annosArray() const {
        return annosArray_;
    }
    [[nodiscard]] map::Coordinate mapCentre() const { return mapCentre_; }
    [[nodiscard]] bool isTest() const { return isTest_; }

private:
    void removeLoadingView();
    void addLoadingView();
    void installOpenCallbacks();
    void installPanelCallbacks();
    void centre(map::Coordinate coordinate);
    [[nodiscard]] QString talkPostId(const QVariantMap& broker) const;

    ShopMapContext context_;
    std::shared_ptr<map::MapView> mapView_;
    std::shared_ptr<QXMapDetailViewController> detailMapCtr_;
    std::shared_ptr<ui::Button> mapSelectThumbnailsButton_;
    std::shared_ptr<ui::Button> refButon_;
    std::shared_ptr<ui::Button> annoClickUpButton_;
    std::vector<std::shared_ptr<map::Annotation>> annosArray_;
    std::shared_ptr<map::Annotation> selectAnnotion_;
    map::Coordinate mapCentre_;
    double userLocationLatitude_ = 0;
    double userLocationLongitude_ = 0;
    bool isTest_ = false;
    // The map takes horizontal drags: its own stack's drag-back is off while it shows. The
    // app-wide switch belongs to the shop panel, which turns it on again when it closes.
    DragBackPause dragBackPause_;
    std::shared_ptr<ns::NotificationCenter::Observation> locationStateObservation_;
};
