#include "platform/uikit/image_reader.h"

#include "platform/uikit/sampled_png.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace ui {

namespace {

std::int64_t pixelsOf(QSize size) {
    return std::int64_t(size.width()) * size.height();
}

std::int64_t bytesOf(QSize size) {
    return pixelsOf(size) * 4;
}

// The size the JPEG decoder reads a picture at before scaling it down to `wanted`: it scales by
// eighths as it reads, to the smallest eighth that is not smaller than asked.
QSize jpegReadSize(QSize full, QSize wanted) {
    const double factor =
        std::min(double(full.width()) / wanted.width(), double(full.height()) / wanted.height());
    const int eighths = std::clamp(int(std::ceil(8 / factor)), 1, 8);
    return {(full.width() * eighths + 7) / 8, (full.height() * eighths + 7) / 8};
}

}  // namespace

ImageReader::ImageReader(const QByteArray& data, std::int64_t maxPixels)
    : maxPixels_(std::max<std::int64_t>(1, maxPixels)) {
    static std::once_flag limited;
    std::call_once(limited, [] { QImageReader::setAllocationLimit(kAllocationLimitMB); });
    buffer_.setData(data);
    buffer_.open(QIODevice::ReadOnly);
    reader_.setDevice(&buffer_);
    reader_.setAutoTransform(false);
}

QSize ImageReader::size() const {
    // The GIF decoder tells the size of the first frame, which may be a corner of the canvas.
    const QByteArray& data = buffer_.data();
    if (reader_.format() == "gif" && data.size() >= 10) {
        const auto word = [&](int at) {
            return int(quint8(data[at])) | int(quint8(data[at + 1])) << 8;
        };
        const QSize canvas(word(6), word(8));
        if (!canvas.isEmpty()) return canvas;
    }
    return reader_.size();
}

void ImageReader::takeShare() {
    // Planned once, before the first frame: every frame of an animation comes at that size.
    started_ = true;
    const QSize full = size();
    if (!full.isValid() || full.isEmpty()) return;
    boundedSize_ = boundedSize(full, maxPixels_);
    const bool scaled = boundedSize_ != full;
    const bool wholePng = SampledPng::isDecodedWhole(buffer_.data());
    const std::int64_t result = bytesOf(boundedSize_);
    if (scaled && wholePng && (step_ = SampledPng::stepFor(full, boundedSize_)) > 1) {
        road_ = Road::Sampled;
        decodingBytes_ = bytesOf(SampledPng::sampledSize(full, step_)) + result;
    } else if (scaled && !wholePng && reader_.supportsOption(QImageIOHandler::ScaledSize)) {
        road_ = Road::ScaledAsRead;
        reader_.setScaledSize(boundedSize_);
        decodingBytes_ =
            result + (reader_.format() == "jpeg" ? bytesOf(jpegReadSize(full, boundedSize_)) : 0);
    } else {
        // Decoded whole (a GIF's canvas, which its decoder keeps between frames), then made four
        // bytes a pixel and scaled.
        if (scaled) reader_.setScaledSize(boundedSize_);
        decodingBytes_ = bytesOf(full) + (scaled ? result : 0);
    }
    share_ = DecodingBudget::take(decodingBytes_);
}

QImage ImageReader::read() {
    if (!started_) takeShare();
    QImage image = road_ == Road::Sampled ? readSampled() : reader_.read();
    // A decoder whose header did not tell the size: the picture is brought within the bound
    // once it is read.
    if (!image.isNull() && pixelsOf(image.size()) > maxPixels_) {
        image = image.scaled(boundedSize(image.size(), maxPixels_), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    }
    return drawingPixels(std::move(image));
}

QImage ImageReader::readSampled() {
    // The picture is read once; a second read finds no step and gives nothing.
    QImage sampled = SampledPng::readSampled(buffer_.data(), std::exchange(step_, 0));
    if (sampled.isNull() || sampled.size() == boundedSize_) return sampled;
    return sampled.scaled(boundedSize_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QSize ImageReader::boundedSize(QSize size, std::int64_t maxPixels) {
    if (size.isEmpty() || pixelsOf(size) <= maxPixels) return size;
    const double factor = std::sqrt(double(maxPixels) / double(pixelsOf(size)));
    // The small epsilon keeps an exact fit (5,000 to 2,048) from rounding a pixel short.
    const auto height = std::clamp<std::int64_t>(
        std::int64_t(std::floor(size.height() * factor + 1e-6)), 1, maxPixels);
    const auto width = std::clamp<std::int64_t>(
        std::int64_t(std::floor(size.width() * factor + 1e-6)), 1, maxPixels / height);
    return {int(width), int(height)};
}

QImage ImageReader::drawingPixels(QImage pixels) {
    if (pixels.isNull()) return pixels;
    const auto format =
        pixels.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (pixels.format() != format) pixels.convertTo(format);
    pixels.setDevicePixelRatio(1);
    return pixels;
}

}  // namespace ui
