#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageIOHandler>
#include <QImageReader>
#include <QSize>

#include <cstdint>

namespace ui {

// Reads encoded pictures (JPEG, PNG, BMP, the frames of a GIF, ...) within what a picture
// may cost decoded, as the image libraries of phones do. A picture of more pixels than the
// limit is decoded scaled down to fit it, its shape kept; the JPEG and PNG decoders scale as
// they read, so its whole size is never held. What one read may take at once is bounded by
// kAllocationLimitMB: past it (a GIF or BMP canvas of tens of millions of pixels, a JPEG
// still too large at an eighth of its size) the picture does not decode, as bytes that are
// no picture do.
class ImageReader {
public:
    // 2048 x 2048 pixels, 16 MB decoded. The largest picture the app shows sharp is a photo
    // filling the pager's 320 x 568-point page at scale 2, zoomed twice: 1280 x 2272 pixels,
    // 2.9 million; a photo of any shape that fills it fits within this bound.
    static constexpr std::int64_t kMaxPixels = 2048 * 2048;
    // Megabytes one read may allocate; 32 million pixels.
    static constexpr int kAllocationLimitMB = 128;
    // Buffers of this many bytes or more, decoded pictures of a million pixels and more, are
    // given back to the system as soon as they go (set for the process on the first read).
    static constexpr int kOwnPagesFromBytes = 4 * 1024 * 1024;

    // Reads `data`, decoding at most `maxPixels` pixels a picture.
    explicit ImageReader(const QByteArray& data, std::int64_t maxPixels = kMaxPixels);
    ImageReader(const ImageReader&) = delete;
    ImageReader& operator=(const ImageReader&) = delete;

    [[nodiscard]] bool canRead() { return reader_.canRead(); }
    [[nodiscard]] QByteArray format() const { return reader_.format(); }
    // The picture's size in pixels as its header gives it; invalid when it does not say.
    [[nodiscard]] QSize size() const { return reader_.size(); }
    // How the pixels are to be turned to be shown upright, as the picture records it.
    [[nodiscard]] QImageIOHandler::Transformations transformation() const {
        return reader_.transformation();
    }
    // The next picture (the next frame of an animation) within the bound; null when there is
    // none or it does not decode.
    [[nodiscard]] QImage read();

    // The size a picture of `size` pixels decodes to: itself when it has at most `maxPixels`
    // pixels, else scaled down to fit them, its shape kept.
    [[nodiscard]] static QSize boundedSize(QSize size, std::int64_t maxPixels = kMaxPixels);

private:
    QBuffer buffer_;
    QImageReader reader_;
    std::int64_t maxPixels_;
    bool scaled_ = false;
};

}  // namespace ui
