#pragma once

#include <QString>

#include <memory>

namespace ui {
class Image;
}

namespace UIImagePrivateImage {
// The named image of the application's resources, stretchable with these caps; nothing
// when there is no such resource.
[[nodiscard]] std::shared_ptr<ui::Image> imageNamed(const QString& name, int capWidth,
                                                    int capHeight);
}  // namespace UIImagePrivateImage
