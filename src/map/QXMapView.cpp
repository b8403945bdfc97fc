#include "map/QXMapView.h"

#include "map/MapArtwork.h"
#include "map/QXAnnotation.h"
#include "map/QXMapViewController.h"

#include "platform/uikit/button.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/tap_gesture_recognizer.h"
#include "platform/uikit/window.h"

namespace {

class AlongsideOthers : public ui::GestureRecognizerDelegate {
public:
    bool gestureRecognizerShouldRecognizeSimultaneously(ui::GestureRecognizer&,
                                                        ui::GestureRecognizer&) override {
        return true;
    }
};

}  // namespace

QXMapView::QXMapView(const ui::Rect& frame, const QString& location, const QString& title)
    : ui::View(frame),
      location_(location),
      title_(title),
      alongside_(std::make_shared<AlongsideOthers>()) {
    layer()->setBorderWidth(1);
    layer()->setBorderColor(ui::Color::colorWithWhite(0.855));
    setClipsToBounds(true);
    mapView_ = std::make_shared<map::MapView>(bounds());
    mapView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
    mapView_->setTileURLTemplate(QXMapViewController::tileURLTemplate());
    // A missing location is parsed too, and hides the view; only an empty one is skipped.
    if (location_.isNull() || !location_.isEmpty()) {
        const map::Coordinate coordinate = setCoord();
        mapView_->addAnnotation(std::make_shared<QXAnnotation>(coordinate, title_));
        mapView_->setRegion({coordinate, {kSpan, kSpan}}, true);
    }
    mapView_->setUserInteractionEnabled(true);
    addSubview(mapView_);
    tap_ = std::make_shared<ui::TapGestureRecognizer>(this, [this](ui::GestureRecognizer& tap) {
        if (tap.state() == ui::GestureRecognizerState::Ended) scale();
    });
    // The tap works beside the map's own gestures.
    tap_->setDelegate(alongside_);
    addGestureRecognizer(tap_);
}

std::shared_ptr<QXMapView> QXMapView::initWithMapFrame(const ui::Rect& frame,
                                                       const QString& location,
                                                       const QString& title) {
    auto view = std::make_shared<QXMapView>(frame, location, title);
    view->removeGestureRecognizer(view->tap_.get());
    view->tap_.reset();
    return view;
}

map::Coordinate QXMapView::setCoord() {
    const QStringList parts = location_.isNull() ? QStringList() : location_.split(',');
    if (parts.size() == 2) {
        setHidden(false);
        return {parts[0].toDouble(), parts[1].toDouble()};
    }
    setHidden(true);
    return {};
}

void QXMapView::scale() {
    ui::Window* window = this->window();
    if (!window) return;
    ui::Rect start = frame();
    start.origin.y += 64;
    for (ui::View* up = superview(); up; up = up->superview()) {
        if (auto* scroll = dynamic_cast<ui::ScrollView*>(up)) {
            start.origin.y -= scroll->contentOffset().y;
            break;
        }
    }
    currentFrame_ = start;
    const double height = ui::Screen::mainScreen().bounds().size.height;
    const ui::Rect full{0, 20, 320, height - 20};
    auto big = std::make_shared<QXMapView>(full, location_, title_);
    big->setFrame(currentFrame_);
    big->setMapUserEnable(true);
    big->setTag(kEnlargedTag);
    big->setCurrentFrame(currentFrame_);
    big->setRemoveBtn();
    window->addSubview(big);
    ui::View::animateWithDuration(kAnimationDuration, [&] { big->setFrame(full); });
}

void QXMapView::setMapUserEnable(bool enabled) {
    mapUserEnable_ = enabled;
    mapView_->setUserInteractionEnabled(enabled);
    if (tap_) removeGestureRecognizer(tap_.get());
    tap_.reset();
}

void QXMapView::setRemoveBtn() {
    auto button = std::make_shared<ui::Button>(ui::Rect(276, 12, 32, 32));
    button->setImage(MapArtwork::imageNamed("收起地图button.png"), ui::kControlStateNormal);
    button->setImage(MapArtwork::imageNamed("收起地图button-点击.png"),
                     ui::kControlStateHighlighted);
    button->addTarget(this, ui::kControlEventTouchUpInside,
                      [this](ui::Control&, const ui::Event*) { removeBigView(); });
    addSubview(button);
}

void QXMapView::removeBigView() {
    ui::Window* window = this->window();
    if (!window) return;
    ui::View* big = window->viewWithTag(kEnlargedTag);
    if (!big) return;
    auto held = big->sharedView();
    const ui::Rect back = currentFrame_;
    ui::View::animateWithDuration(
        kAnimationDuration, [&] { held->setFrame(back); },
        [held](bool) { held->removeFromSuperview(); });
}
