#pragma once

#include <QString>

#include <memory>

namespace ui {
class Image;
}

// The shop map's pictures by their names: the bundle's picture when it has one, else one drawn
// here. The bundle holds none of the map's own pictures (the bubbles, the badge, the arrows,
// the locate, close, call and chat icons), so those are always drawn; the default photo is
// drawn only for a bundle without it. Any other name gives nothing.
class MapArtwork {
public:
    [[nodiscard]] static std::shared_ptr<ui::Image> imageNamed(const QString& name);
};
