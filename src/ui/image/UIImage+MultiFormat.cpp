#include "ui/image/UIImage+MultiFormat.h"

#include "platform/uikit/image_source.h"
#include "ui/image/NSData+ImageContentType.h"
#include "ui/image/UIImage+GIF.h"

namespace ImageMultiFormat {

std::shared_ptr<ui::Image> ik_imageWithData(const QByteArray& data) {
    if (ImageContentType::ik_contentTypeForImageData(data) == QLatin1String("image/gif")) {
        return ImageGIF::ik_animatedGIFWithData(data);
    }
    // The platform's decoding reads the recorded orientation in the same pass and gives
    // the image over the decoded bitmap with it, so the bytes are parsed once.
    return ui::Image::imageWithData(data);
}

ui::ImageOrientation ik_imageOrientationFromImageData(const QByteArray& data) {
    const auto source = ui::ImageSource::createWithData(data);
    if (!source) return ui::ImageOrientation::Up;
    return ik_exifOrientationToiOSOrientation(source->orientation());
}

ui::ImageOrientation ik_exifOrientationToiOSOrientation(int exifOrientation) {
    using ui::ImageOrientation;
    switch (exifOrientation) {
        case 2:
            return ImageOrientation::UpMirrored;
        case 3:
            return ImageOrientation::Down;
        case 4:
            return ImageOrientation::DownMirrored;
        case 5:
            return ImageOrientation::LeftMirrored;
        case 6:
            return ImageOrientation::Right;
        case 7:
            return ImageOrientation::RightMirrored;
        case 8:
            return ImageOrientation::Left;
        default:
            return ImageOrientation::Up;
    }
}

}  // namespace ImageMultiFormat
