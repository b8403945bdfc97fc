#pragma once

#include "platform/mapkit/map_view.h"
#include "platform/uikit/view.h"

#include <QString>

#include <memory>

namespace ui {
class GestureRecognizerDelegate;
class TapGestureRecognizer;
}  // namespace ui

// A small map of a house's or a community's place with one titled pin. A tap opens the same
// map over the whole screen, where the user pans and zooms; its close button shrinks it back
// into the small frame.
class QXMapView : public ui::View {
public:
    static constexpr int kEnlargedTag = 1212345;
    static constexpr double kSpan = 0.008;
    static constexpr double kAnimationDuration = 0.3;

    // `location` is "lat,lng"; a null text is a missing location (the view hides), an empty
    // one shows the map without pin or region.
    QXMapView(const ui::Rect& frame, const QString& location, const QString& title);
    // The same without the tap that enlarges.
    [[nodiscard]] static std::shared_ptr<QXMapView> initWithMapFrame(const ui::Rect& frame,
                                                                     const QString& location,
                                                                     const QString& title);

    // Parses `location`: with exactly two parts the view shows and answers them; otherwise it
    // hides itself and answers (0, 0).
    map::Coordinate setCoord();
    // Opens the enlarged map in the window (the tap's action).
    void scale();
    void setMapUserEnable(bool enabled);
    [[nodiscard]] bool mapUserEnable() const { return mapUserEnable_; }
    void setRemoveBtn();
    // Shrinks the enlarged map back and removes it.
    void removeBigView();

    [[nodiscard]] const QString& location() const { return location_; }
    [[nodiscard]] const QString& title() const { return title_; }
    [[nodiscard]] map::MapView* mapView() const { return mapView_.get(); }
    [[nodiscard]] const ui::Rect& currentFrame() const { return currentFrame_; }
    void setCurrentFrame(const ui::Rect& frame) { currentFrame_ = frame; }

private:
    QString location_;
    QString title_;
    std::shared_ptr<map::MapView> mapView_;
    bool mapUserEnable_ = false;
    ui::Rect currentFrame_;
    std::shared_ptr<ui::TapGestureRecognizer> tap_;
    std::shared_ptr<ui::GestureRecognizerDelegate> alongside_;
};
