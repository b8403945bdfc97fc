#include "ui/image/AnimatedGIFImage.h"

#include "platform/foundation/concurrent_queue.h"
#include "platform/foundation/sandbox.h"
#include "platform/uikit/image_source.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace {

// 0.02 s less the single-precision epsilon: delays below it play as 0.1 s.
constexpr double kShortestDelay = 0.02 - double(std::numeric_limits<float>::epsilon());
constexpr double kDefaultDelay = 0.1;

// One serial queue reads the frames of every animation: it lives as long as the process,
// so no image ever waits for its own queue to wind down when it goes.
ns::SerialQueue& frameReadQueue() {
    static ns::SerialQueue queue(QStringLiteral("com.housing.AnimatedGIFImage.frames"));
    return queue;
}

}  // namespace

std::shared_ptr<ui::Image> AnimatedGIFImage::imageNamed(const QString& name) {
    const QString path = ns::Bundle::pathForResource(name);
    if (path.isEmpty()) return nullptr;
    return imageWithContentsOfFile(path);
}

std::shared_ptr<ui::Image> AnimatedGIFImage::imageWithContentsOfFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return nullptr;
    const bool retina =
        QFileInfo(path).fileName().contains(QLatin1String("@2x"), Qt::CaseInsensitive);
    return imageWithData(file.readAll(), retina ? 2.0 : 1.0);
}

std::shared_ptr<ui::Image> AnimatedGIFImage::imageWithData(const QByteArray& data, double scale) {
    if (data.isEmpty()) return nullptr;
    auto source = ui::ImageSource::createWithData(data);
    if (source && source->type() == ui::ImageSource::kTypeGIF && source->count() >= 2) {
        auto image = std::shared_ptr<AnimatedGIFImage>(new AnimatedGIFImage(source, scale));
        if (image->firstFrame_) return image;
    }
    return ui::Image::imageWithData(data, scale);
}

double AnimatedGIFImage::frameDurationAtIndex(const ui::ImageSource& source, std::size_t index) {
    const auto properties = source.gifPropertiesAtIndex(index);
    double duration = 0;
    if (properties.unclampedDelayTime) {
        duration = *properties.unclampedDelayTime;
        if (duration <= 0 && properties.delayTime) duration = *properties.delayTime;
    }
    return duration < kShortestDelay ? kDefaultDelay : duration;
}

AnimatedGIFImage::AnimatedGIFImage(std::shared_ptr<ui::ImageSource> source, double scale)
    : source_(std::move(source)), scale_(scale > 0 ? scale : 1) {
    const std::size_t count = source_->count();
    loopCount_ = unsigned(std::max(0, source_->gifLoopCount().value_or(0)));
    frameDurations_.reserve(count);
    for (std::size_t index = 0; index < count; ++index) {
        frameDurations_.push_back(frameDurationAtIndex(*source_, index));
        totalDuration_ += frameDurations_.back();
    }
    auto& images = slots_->images;
    images.resize(count);
    const std::size_t first = std::min(count, kFramesAhead);
    source_->readFrames(scale_, [&](std::size_t index, std::shared_ptr<ui::Image> frame) {
        images[index] = std::move(frame);
        return index + 1 < first;
    });
    firstFrame_ = images.front();
}

AnimatedGIFImage::~AnimatedGIFImage() = default;

std::shared_ptr<ui::Image> AnimatedGIFImage::getFrameWithIndex(std::size_t index) {
    std::lock_guard lock(slots_->mutex);
    auto& images = slots_->images;
    const std::size_t count = images.size();
    if (index >= count) return nullptr;
    auto frame = images[index];
    if (count <= kFramesAhead) return frame;
    if (index != 0) images[index] = nullptr;
    const std::weak_ptr<Slots> weakSlots = slots_;
    for (std::size_t ahead = index + 1; ahead <= index + kFramesAhead; ++ahead) {
        const std::size_t wanted = ahead % count;
        if (images[wanted]) continue;
        frameReadQueue().async([weakSlots, source = source_, scale = scale_, wanted] {
            if (weakSlots.expired()) return;
            auto decoded = source->createImageAtIndex(wanted, scale);
            const auto store = weakSlots.lock();
            if (!store) return;
            std::lock_guard lock(store->mutex);
            store->images[wanted] = std::move(decoded);
        });
    }
    return frame;
}

std::vector<std::shared_ptr<ui::Image>> AnimatedGIFImage::frameSlots() const {
    std::lock_guard lock(slots_->mutex);
    return slots_->images;
}

double AnimatedGIFImage::scale() const {
    return firstFrame_->scale();
}

ui::ImageOrientation AnimatedGIFImage::imageOrientation() const {
    return firstFrame_->imageOrientation();
}

const QImage& AnimatedGIFImage::pixels() const {
    return firstFrame_->pixels();
}
