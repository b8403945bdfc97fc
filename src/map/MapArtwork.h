#pragma once

#include <QString>

#include <memory>

namespace ui {
class Image;
}

// The shop map's pictures by their names. The application ships no artwork yet, so a name
// the bundle lacks is drawn here instead: the bubbles, the badge, the arrows, the locate,
// close, call and chat icons and the default photo; any other name gives nothing.
class MapArtwork {
public:
    [[nodiscard]] static std::shared_ptr<ui::Image> imageNamed(const QString& name);
};
