#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <cstdint>

namespace ui {

// Reads a still WebP scaled down as libwebp decodes it, which the platform's decoder cannot:
// it decodes the whole picture into one image of four bytes a pixel before anything scales it,
// so that a picture past what one read may allocate (33.5 million pixels) gives nothing. libwebp
// averages each pixel of the result over the pixels it covers, weighed by their alpha, and makes
// the rows of a lossy picture from a few rows at a time; what else it holds as it decodes is the
// picture's whole for a lossless one (four bytes a pixel, which its back references reach into)
// and a lossy one's alpha plane (a byte a pixel), on its road and on the platform's alike.
class ScaledWebp {
public:
    // Whether `data` is a WebP of one picture, not an animation, whose header libwebp reads.
    [[nodiscard]] static bool isStill(const QByteArray& data);
    // The bytes libwebp holds beside the picture it makes while it decodes the still WebP
    // `data`, whatever size it makes it at; 0 for bytes that are no still WebP.
    [[nodiscard]] static std::int64_t bytesHeldBeside(const QByteArray& data);
    // The still WebP `data` decoded at `size` (no larger than it, its shape as the caller
    // wants), ARGB32 where it has alpha, else RGB32, as the platform's decoder lays it out; null
    // when the bytes are no still WebP or do not decode whole.
    [[nodiscard]] static QImage readScaled(const QByteArray& data, QSize size);
};

}  // namespace ui
