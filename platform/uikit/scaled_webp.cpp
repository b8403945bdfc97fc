#include "platform/uikit/scaled_webp.h"

#include <webp/decode.h>

#include <optional>

namespace ui {

namespace {

const std::uint8_t* webpBytes(const QByteArray& data) {
    return reinterpret_cast<const std::uint8_t*>(data.constData());
}

// The header of a still WebP as libwebp reads it; nothing for an animation or bytes it cannot
// read.
std::optional<WebPBitstreamFeatures> stillFeatures(const QByteArray& data) {
    WebPBitstreamFeatures features{};
    if (WebPGetFeatures(webpBytes(data), std::size_t(data.size()), &features) != VP8_STATUS_OK ||
        features.has_animation) {
        return std::nullopt;
    }
    return features;
}

}  // namespace

bool ScaledWebp::isStill(const QByteArray& data) {
    return stillFeatures(data).has_value();
}

std::int64_t ScaledWebp::bytesHeldBeside(const QByteArray& data) {
    const auto features = stillFeatures(data);
    if (!features) return 0;
    const std::int64_t pixels = std::int64_t(features->width) * features->height;
    // The lossless decoder keeps every pixel it decoded for the references that copy from
    // them; the lossy one keeps the alpha plane whole, beside rows of its macroblocks.
    constexpr int kLossless = 2;
    if (features->format == kLossless) return pixels * 4;
    return features->has_alpha ? pixels : 0;
}

QImage ScaledWebp::readScaled(const QByteArray& data, QSize size) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return {};
    const auto features = stillFeatures(data);
    if (!features || size.isEmpty() || size.width() > features->width ||
        size.height() > features->height) {
        return {};
    }
    config.input = *features;
    QImage picture(size, features->has_alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (picture.isNull()) return {};
    // The decoder writes straight into the picture's rows, blue first in memory as ARGB32 lays
    // a pixel out where the low byte comes first; without alpha it writes 255 there, as RGB32
    // asks.
    config.output.colorspace = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? MODE_BGRA : MODE_ARGB;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = picture.bits();
    config.output.u.RGBA.stride = int(picture.bytesPerLine());
    config.output.u.RGBA.size = std::size_t(picture.sizeInBytes());
    if (size != QSize(features->width, features->height)) {
        config.options.use_scaling = 1;
        config.options.scaled_width = size.width();
        config.options.scaled_height = size.height();
    }
    const VP8StatusCode status = WebPDecode(webpBytes(data), std::size_t(data.size()), &config);
    WebPFreeDecBuffer(&config.output);
    return status == VP8_STATUS_OK ? picture : QImage();
}

}  // namespace ui
