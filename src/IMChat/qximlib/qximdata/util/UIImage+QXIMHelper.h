#pragma once

#include "platform/uikit/color.h"

#include <QString>

#include <memory>

namespace ui {
class Image;
}

// Images of the messaging library: its own resource bundle and tinted copies.
namespace UIImageQXIMHelper {

// The app's image of that name; else "<name>@2x.png" of the resource bundle's
// "resource.bundle" folder; else nothing.
[[nodiscard]] std::shared_ptr<ui::Image> imageQXIMName(const QString& name);
// The same image darkened: black laid over it at a level of 0.1.
[[nodiscard]] std::shared_ptr<ui::Image> imageQXIMNameWith10(const QString& name);
// A copy of `image` with `color` laid over its opaque parts at alpha `level` (transparent
// parts stay transparent); same size, scale and orientation.
[[nodiscard]] std::shared_ptr<ui::Image> imageWithColor(const ui::Image& image,
                                                        const ui::Color& color, double level);

}  // namespace UIImageQXIMHelper
