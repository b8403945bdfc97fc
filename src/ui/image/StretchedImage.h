#pragma once

#include <QString>

#include <memory>

namespace ui {
class Image;
}

// Pictures of the bundle made stretchable as screens draw their backgrounds and buttons;
// nullptr when the bundle lacks the picture, so that the caller's plain look stays.
class StretchedImage {
public:
    // Stretched from its centre: caps of half its width and half its height.
    [[nodiscard]] static std::shared_ptr<ui::Image> fromCentre(const QString& name);
    // Stretched along its middle column only: a left cap of half its width, no top cap.
    [[nodiscard]] static std::shared_ptr<ui::Image> fromCentreColumn(const QString& name);
    // Stretched with the given left and top caps.
    [[nodiscard]] static std::shared_ptr<ui::Image> withCaps(const QString& name, int leftCap,
                                                             int topCap);
};
