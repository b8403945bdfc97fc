#pragma once

#include "platform/foundation/error.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace ui {

class Image;

// The phone's saved-photos album: a "Pictures" folder of the sandbox, where
// saved images become numbered JPEG files ("IMG_0001.JPG", ...). The image
// picker's library lists the same folder.
class PhotoAlbum {
public:
    using Completion =
        std::function<void(const std::shared_ptr<Image>& image, const std::optional<ns::Error>&)>;

    [[nodiscard]] static QString path();
    // The album's image files, oldest first.
    [[nodiscard]] static QStringList imageFiles();
    // Saves `image`; the completion comes later on the main queue, with an
    // error when the image is empty or the file cannot be written.
    static void writeImageToSavedPhotosAlbum(std::shared_ptr<Image> image, Completion completion);
};

}  // namespace ui
