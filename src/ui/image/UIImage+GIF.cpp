#include "ui/image/UIImage+GIF.h"

#include "platform/foundation/sandbox.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image_source.h"
#include "platform/uikit/screen.h"

#include <QFile>

#include <algorithm>
#include <vector>

namespace ImageGIF {

namespace {

constexpr double kDefaultFrameDuration = 0.1;
constexpr double kShortestFrameDuration = 0.011;
// Decoded frames of one animation may take this much memory; the frames after that are
// dropped. A GIF of tiny frames on a huge canvas costs little to send and a whole canvas
// per frame to decode.
constexpr qsizetype kLargestAnimationBytes = 64 * 1024 * 1024;

std::shared_ptr<ui::Image> gifFromBundle(const QString& resource) {
    const QString path = ns::Bundle::pathForResource(resource, QStringLiteral("gif"));
    if (path.isEmpty()) return nullptr;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return nullptr;
    return ik_animatedGIFWithData(file.readAll());
}

}  // namespace

std::shared_ptr<ui::Image> ik_animatedGIFWithData(const QByteArray& data) {
    if (data.isEmpty()) return nullptr;
    const auto source = ui::ImageSource::createWithData(data);
    if (!source || source->count() <= 1) return ui::Image::imageWithData(data);
    const double scale = ui::Screen::mainScreen().scale();
    std::vector<std::shared_ptr<ui::Image>> frames;
    frames.reserve(source->count());
    double total = 0;
    qsizetype decodedBytes = 0;
    // A frame that does not decode ends the animation where the bytes stop making sense (a
    // cut-off download), keeping the frames before it.
    source->readFrames(scale, [&](std::size_t index, std::shared_ptr<ui::Image> frame) {
        decodedBytes += frame->pixels().sizeInBytes();
        if (!frames.empty() && decodedBytes > kLargestAnimationBytes) return false;
        total += ik_frameDurationAtIndex(index, *source);
        frames.push_back(std::move(frame));
        return true;
    });
    if (frames.empty()) return nullptr;
    if (frames.size() == 1) return frames.front();
    if (total == 0) total = double(frames.size()) * kDefaultFrameDuration;
    return ui::Image::animatedImageWithImages(std::move(frames), total);
}

double ik_frameDurationAtIndex(std::size_t index, const ui::ImageSource& source) {
    const auto properties = source.gifPropertiesAtIndex(index);
    double duration = kDefaultFrameDuration;
    if (properties.unclampedDelayTime) {
        duration = *properties.unclampedDelayTime;
    } else if (properties.delayTime) {
        duration = *properties.delayTime;
    }
    return duration < kShortestFrameDuration ? kDefaultFrameDuration : duration;
}

std::shared_ptr<ui::Image> ik_animatedGIFNamed(const QString& name) {
    if (ui::Screen::mainScreen().scale() > 1) {
        if (auto retina = gifFromBundle(name + QStringLiteral("@2x"))) return retina;
    }
    if (auto plain = gifFromBundle(name)) return plain;
    return ui::Image::imageNamed(name);
}

std::shared_ptr<ui::Image> ik_animatedImageByScalingAndCroppingToSize(
    const std::shared_ptr<ui::Image>& image, ui::Size size) {
    if (!image) return nullptr;
    const ui::Size own = image->size();
    if ((size.width == own.width && size.height == own.height) ||
        (size.width == 0 && size.height == 0) || own.width == 0 || own.height == 0) {
        return image;
    }
    const double widthFactor = size.width / own.width;
    const double heightFactor = size.height / own.height;
    const double factor = std::max(widthFactor, heightFactor);
    const ui::Size scaled{own.width * factor, own.height * factor};
    ui::Rect target{{0, 0}, scaled};
    if (widthFactor > heightFactor) {
        target.origin.y = (size.height - scaled.height) / 2;
    } else if (heightFactor > widthFactor) {
        target.origin.x = (size.width - scaled.width) / 2;
    }
    const std::vector<std::shared_ptr<ui::Image>> frames =
        image->images().empty() ? std::vector<std::shared_ptr<ui::Image>>{image} : image->images();
    std::vector<std::shared_ptr<ui::Image>> snapshots;
    snapshots.reserve(frames.size());
    ui::GraphicsContext::beginImageContextWithOptions(size, false, 0);
    for (const auto& frame : frames) {
        // Each frame on a cleared canvas: a frame with transparent parts must not show
        // the one before it through them.
        ui::GraphicsContext::current()->clearRect({{0, 0}, size});
        frame->drawInRect(target);
        snapshots.push_back(ui::GraphicsContext::imageFromCurrentImageContext());
    }
    ui::GraphicsContext::endImageContext();
    return ui::Image::animatedImageWithImages(std::move(snapshots), image->duration());
}

}  // namespace ImageGIF
