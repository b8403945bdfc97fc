#pragma once

#include "platform/mapkit/geometry.h"

#include <QString>

namespace map {

// Something placed on a map. The map holds its annotations strongly and shows each one
// by an annotation view.
class Annotation {
public:
    virtual ~Annotation() = default;
    [[nodiscard]] virtual Coordinate coordinate() const = 0;
    // An annotation with a title shows it in the callout of its default view.
    [[nodiscard]] virtual QString title() const { return {}; }
    [[nodiscard]] virtual QString subtitle() const { return {}; }
};

// The device's own place, kept by the map while it shows the user's location.
class UserLocation : public Annotation {
public:
    [[nodiscard]] Coordinate coordinate() const override { return coordinate_; }
    [[nodiscard]] QString title() const override { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    [[nodiscard]] bool hasFix() const { return hasFix_; }
    // Horizontal accuracy in metres of the last fix.
    [[nodiscard]] double accuracy() const { return accuracy_; }

    void setFix(Coordinate coordinate, double accuracy) {
        coordinate_ = coordinate;
        accuracy_ = accuracy;
        hasFix_ = true;
    }

private:
    Coordinate coordinate_;
    QString title_;
    double accuracy_ = 0;
    bool hasFix_ = false;
};

}  // namespace map
