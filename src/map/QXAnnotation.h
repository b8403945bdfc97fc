#pragma once

#include "platform/mapkit/annotation.h"

// The one titled pin of the small location map.
class QXAnnotation : public map::Annotation {
public:
    QXAnnotation(map::Coordinate coord, QString title) : coord(coord), title_(std::move(title)) {}
    [[nodiscard]] map::Coordinate coordinate() const override { return coord; }
    // "" when no title was given.
    [[nodiscard]] QString title() const override { return title_.isNull() ? QString("") : title_; }
    [[nodiscard]] QString subtitle() const override { return subtitle_; }
    void setSubtitle(const QString& subtitle) { subtitle_ = subtitle; }

    map::Coordinate coord;

private:
    QString title_;
    QString subtitle_;
};
