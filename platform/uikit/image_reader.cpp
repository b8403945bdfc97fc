#include "platform/uikit/image_reader.h"

#include "platform/uikit/gif_blocks.h"
#include "platform/uikit/gif_code_trim.h"
#include "platform/uikit/gif_frame_reach.h"
#include "platform/uikit/jpeg_eighth.h"
#include "platform/uikit/jpeg_scans.h"
#include "platform/uikit/picture_format.h"
#include "platform/uikit/png_chunks.h"
#include "platform/uikit/row_scaler.h"
#include "platform/uikit/sampled_png.h"
#include "platform/uikit/scaled_webp.h"

#include <QPainter>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>
#include <utility>

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

// The corner of a first frame at `first`, which does not cover `canvas`, and a pixel beside it
// that the frame leaves where the pixel around the part does not take one: right of a frame
// from the canvas's corner, or below it.
QRect besideFirstFrame(const QRect& first, const QRect& canvas) {
    const QRect corner(first.topLeft(), QSize(1, 1));
    if (first.x() > 0 || first.y() > 0) return corner;
    return corner | (first.right() < canvas.right() ? QRect(first.right() + 1, 0, 1, 1)
                                                    : QRect(0, first.bottom() + 1, 1, 1));
}

// The bytes of an icon file's first picture where it is a PNG, else nothing. The icon decoder
// reads the first entry of the directory, however many it lists, and only the bytes the entry
// says it has; a PNG it decodes at the size its own header declares, whatever the directory
// says (which cannot say more than 256 a side), while a BMP it decodes within the directory's
// size, and not at all past 256 a side. The directory's fields past its end read as zero.
QByteArray firstPngOfIcon(const QByteArray& icon) {
    const QByteArray entry = icon.mid(6, 16).leftJustified(16, '\0');
    const QByteArray bytes = icon.mid(qFromLittleEndian<quint32>(entry.constData() + 12),
                                      qFromLittleEndian<quint32>(entry.constData() + 8));
    return bytes.startsWith(QByteArrayView("\x89PNG\r\n\x1a\n", 8)) ? bytes : QByteArray();
}

// The size and the layout that the PNG decoder tells from the header of an icon file's first
// picture where it is a PNG; nothing for other formats, nor for an icon's BMP.
std::optional<std::pair<QSize, QImage::Format>> iconPngHeader(const QByteArray& format,
                                                              const QByteArray& data) {
    if (format != "ico" && format != "cur") return std::nullopt;
    QByteArray png = firstPngOfIcon(data);
    if (png.isEmpty()) return std::nullopt;
    QBuffer buffer(&png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setAutoDetectImageFormat(false);
    return std::pair(reader.size(), reader.imageFormat());
}

}  // namespace

ImageReader::ImageReader(const QByteArray& data, std::int64_t maxPixels)
    : ImageReader(data, QSize(), maxPixels) {}

ImageReader::ImageReader(const QByteArray& data, QSize covered, std::int64_t maxPixels)
    : data_(PngChunks::wholeChunks(data)),
      maxPixels_(std::max<std::int64_t>(1, maxPixels)),
      covered_(covered) {
    static std::once_flag limited;
    std::call_once(limited, [] { QImageReader::setAllocationLimit(kAllocationLimitMB); });
    // The format the bytes begin as chooses the decoder, and only it: bytes of another format
    // reach none, and read as bytes that are no picture.
    reader_.setAutoDetectImageFormat(false);
    reader_.setFormat(PictureFormat::of(data_));
    decodeFrom(data_);
    reader_.setAutoTransform(false);
}

void ImageReader::decodeFrom(const QByteArray& bytes) {
    if (reader_.format().isEmpty()) return;
    reader_.setDevice(nullptr);
    buffer_.close();
    buffer_.setData(bytes);
    buffer_.open(QIODevice::ReadOnly);
    reader_.setDevice(&buffer_);
}

QSize ImageReader::size() const {
    // The GIF decoder tells the size of the first frame, which may be a corner of the canvas.
    if (reader_.format() == "gif" && data_.size() >= 10) {
        const auto word = [&](int at) {
            return int(quint8(data_[at])) | int(quint8(data_[at + 1])) << 8;
        };
        const QSize canvas(word(6), word(8));
        if (!canvas.isEmpty()) return canvas;
    }
    if (const auto png = iconPngHeader(reader_.format(), data_)) return png->first;
    QSize size = reader_.size();
    // A BMP whose rows are stored from the top down tells a negative height: its decoder
    // decodes as many rows as one stored from the bottom up.
    if (reader_.format() == "bmp" && size.height() < 0) size.setHeight(-size.height());
    return size;
}

QImage::Format ImageReader::decodedFormat() const {
    if (const auto png = iconPngHeader(reader_.format(), data_)) return png->second;
    return reader_.imageFormat();
}

void ImageReader::takeShare() {
    // Planned once, before the first frame: every frame of an animation comes at that size.
    started_ = true;
    // The GIF decoder reads each frame's codes to their end, drawn or not, and a code may stand
    // for thousands of pixels: every road reads the frames cut after their last pixel that can
    // land, which draw as they did. Cut here, on the first read, so that the readers made only
    // to tell a picture's size or format do not walk its codes.
    if (reader_.format() == "gif") {
        const QByteArray cut = GifCodeTrim::trimmed(data_);
        if (!cut.isSharedWith(data_)) decodeFrom(data_ = cut);
    }
    const QSize full = size();
    const JpegScans scans = reader_.format() == "jpeg" ? JpegScans::read(data_) : JpegScans();
    std::int64_t coefficients = scans.coefficientBytes();
    // Decided from the header and a JPEG's markers, before the decoder reads a row or a scan:
    // past the limits, or where the header tells no size to weigh against them, the decoder
    // has nothing to read.
    if (!full.isValid() || full.isEmpty() || pixelsOf(full) > kMostDeclaredPixels ||
        coefficients > kMostCoefficientBytes || scans.count() > kMostJpegScans ||
        scans.passes() > kMostJpegPasses) {
        reader_.setDevice(nullptr);
        return;
    }
    boundedSize_ = boundedSize(full, maxPixels_);
    if (!covered_.isEmpty()) {
        // The view's pixels are upright: a picture stored on its side covers them turned.
        QSize covered = covered_;
        if (reader_.transformation() & QImageIOHandler::TransformationRotate90) covered.transpose();
        const QSize covering = coveringSize(full, covered);
        if (pixelsOf(covering) < pixelsOf(boundedSize_)) boundedSize_ = covering;
    }
    const bool scaled = boundedSize_ != full;
    const bool wholePng = SampledPng::isDecodedWhole(data_);
    // The platform's decoder misreads these at any size: they are read by our own, pixel by
    // pixel where no step reaches the bound.
    const bool misread = PngChunks::isWideRgbWithTransparentColour(data_);
    const std::int64_t result = bytesOf(boundedSize_);
    const bool webp = reader_.format() == "webp";
    if (scaled && wholePng) step_ = SampledPng::stepFor(full, boundedSize_);
    if (wholePng && (step_ > 1 || misread)) {
        road_ = Road::Sampled;
        decodingBytes_ = result + SampledPng::heldBytes(data_, step_);
    } else if (scaled && webp && ScaledWebp::isStill(data_)) {
        road_ = Road::ScaledWebp;
        decodingBytes_ = result;
    } else if (scaled && reader_.format() == "jpeg" && JpegEighth::readsFor(data_, boundedSize_)) {
        // Read at an eighth, a progressive JPEG needs only its blocks' averages.
        road_ = Road::JpegEighth;
        decodingBytes_ = result + bytesOf(JpegEighth::eighthOf(full));
        coefficients = JpegEighth::heldBytes(coefficients);
    } else if (scaled && !wholePng && reader_.supportsOption(QImageIOHandler::ScaledSize)) {
        road_ = Road::ScaledAsRead;
        reader_.setScaledSize(boundedSize_);
        decodingBytes_ =
            result + (reader_.format() == "jpeg" ? bytesOf(jpegReadSize(full, boundedSize_)) : 0);
    } else if (scaled && reader_.format() == "gif" && readsGifPart(full)) {
        road_ = Road::GifPart;
    } else {
        // Decoded whole (a GIF's canvas, which its decoder keeps between frames), then scaled.
        // The decoder holds the picture in the layout it tells: four bytes a pixel or fewer,
        // made four as it is scaled or shown, or more (eight for 16 bits a sample, a TIFF's
        // or a PNG's).
        if (scaled) road_ = Road::WholeThenScaled;
        const int decodedBits = QImage::toPixelFormat(decodedFormat()).bitsPerPixel();
        decodingBytes_ = pixelsOf(full) * std::max(4, decodedBits / 8) + (scaled ? result : 0);
    }
    // What the decoder holds beside the rows it makes, however small the picture it makes:
    // a thumbnail of a progressive photo takes a share of the budget for it, and a lossless
    // WebP's does for the whole picture that libwebp keeps.
    decodingBytes_ += coefficients + (webp ? ScaledWebp::bytesHeldBeside(data_) : 0);
    share_ = DecodingBudget::take(decodingBytes_);
    if (reader_.format() == "gif") fillGifCanvasWithItsBackground();
}

void ImageReader::fillGifCanvasWithItsBackground() {
    // The decoder fills the canvas before a first frame that does not cover it with the
    // background colour, which it looks up in that frame's own colour table before it has read
    // the table: memory not yet written, a colour that changes from decode to decode. Put
    // before the first frame, a frame on the same rectangle without a table of its own that
    // draws nothing has the canvas filled with the logical screen's background colour, as the
    // decoder fills it before a first frame without a table; it is read off here. Where a
    // transparent colour is in force the decoder fills the canvas transparent, whatever the
    // table holds, and gives it an alpha channel that such a frame would not.
    const QByteArray bytes = buffer_.data();
    const GifBlocks blocks = GifBlocks::read(bytes);
    if (blocks.frames.empty()) return;
    const GifBlocks::Frame& first = blocks.frames.front();
    if (!first.ownColourTable || first.transparentFlag) return;
    QByteArray drawingNothing("\x2c", 1);
    for (const int value :
         {first.rect.x(), first.rect.y(), first.rect.width(), first.rect.height()}) {
        drawingNothing.append(char(value & 0xff)).append(char(value >> 8 & 0xff));
    }
    // No flags; codes of three bits: a clear and the end.
    drawingNothing.append("\x00\x02\x01\x2c\x00", 5);
    decodeFrom(QByteArray(bytes).insert(blocks.blocksAt, drawingNothing));
    (void)reader_.read();
}

bool ImageReader::readsGifPart(QSize full) {
    // A canvas past what a read may allocate does not decode, whatever part of it is drawn on.
    if (bytesOf(full) > std::int64_t(kAllocationLimitMB) * 1024 * 1024) return false;
    // The frames the decoder finds are among those the blocks tell, though the bytes stop
    // before the trailer (a download cut off).
    const GifBlocks blocks = GifBlocks::read(data_);
    if (blocks.frames.empty() || blocks.canvas != full) return false;
    const QRect canvas(QPoint(0, 0), full);
    // What the part holds, with a pixel of the canvas around what the frames change where it
    // goes on, which shows what the decoder fills the rest of the canvas with; frames wholly off
    // the canvas change nothing, and leave the part the canvas's first pixel. Where it lies on
    // the canvas scaled: rounded to whole pixels, and no larger than it is.
    QRect part;
    QRect placed;
    const double across = double(boundedSize_.width()) / full.width();
    const double down = double(boundedSize_.height()) / full.height();
    const auto scaledSpan = [](int start, int length, double factor, int bound) {
        const int from = std::clamp(int(std::lround(start * factor)), 0, bound - 1);
        const int to = int(std::lround((start + length) * factor));
        return std::pair(from, std::clamp(to - from, 1, std::min(length, bound - from)));
    };
    const auto holdsLess = [&](const QRect& changed) {
        part = changed.adjusted(-1, -1, 1, 1) & canvas;
        const auto [x, width] = scaledSpan(part.x(), part.width(), across, boundedSize_.width());
        const auto [y, height] = scaledSpan(part.y(), part.height(), down, boundedSize_.height());
        placed = QRect(x, y, width, height);
        return bytesOf(part.size()) + bytesOf(placed.size()) < bytesOf(full);
    };
    QRect changed;
    for (const GifBlocks::Frame& frame : blocks.frames) {
        // What a frame changes is where its codes take its pixels (GifFrameReach): a frame of
        // no width or height costs the pixels it draws, not the canvas. The part only grows:
        // once it holds as much as the canvas, the rest of the frames need not be read.
        changed |= GifFrameReach::onCanvas(data_, frame, full);
        if (!holdsLess(changed)) return false;
    }
    // The decoder fills the canvas before the first frame unless that frame covers it: where it
    // would cover the part and not the canvas, the part takes its corner, so that it is not
    // moved, and a pixel that it leaves.
    const QRect& first = blocks.frames.front().rect;
    const QRect moved(std::max(0, first.x() - part.x()), std::max(0, first.y() - part.y()),
                      first.width(), first.height());
    if (!first.contains(canvas) && moved.contains(QRect(QPoint(0, 0), part.size())) &&
        !holdsLess(changed | besideFirstFrame(first, canvas))) {
        return false;
    }

    const std::int64_t bytes =
        bytesOf(part.size()) + bytesOf(placed.size()) + bytesOf(boundedSize_);

    // The same GIF on a canvas of the part, its frames moved by the part's corner. A frame
    // that changes the canvas has its corner in the part. One wholly off the canvas starts at or
    // past its right or bottom edge, and so at or past the part's once moved, wherever it lies
    // along that edge; one that changes nothing may start left of the part or above it, and is
    // moved to its left or top edge, where it still changes nothing.
    QByteArray ofPart = data_;
    const auto setWord = [&](qsizetype at, int value) {
        ofPart[at] = char(value & 0xff);
        ofPart[at + 1] = char((value >> 8) & 0xff);
    };
    setWord(6, part.width());
    setWord(8, part.height());
    for (const GifBlocks::Frame& frame : blocks.frames) {
        setWord(frame.descriptorAt + 1, std::max(0, frame.rect.x() - part.x()));
        setWord(frame.descriptorAt + 3, std::max(0, frame.rect.y() - part.y()));
    }
    decodeFrom(ofPart);
    part_ = part;
    placed_ = placed;
    decodingBytes_ = bytes;
    return true;
}

QImage ImageReader::readDecoded() {
    // The roads that read the bytes themselves read the picture once; a second read finds no
    // step and gives nothing.
    if (road_ == Road::Sampled) {
        return SampledPng::readScaled(data_, std::exchange(step_, 0), boundedSize_);
    }
    if (road_ == Road::ScaledWebp) {
        return std::exchange(step_, 0) == 0 ? QImage()
                                            : ScaledWebp::readScaled(data_, boundedSize_);
    }
    if (road_ == Road::JpegEighth) {
        if (std::exchange(step_, 0) == 0) return {};
        QImage eighth = JpegEighth::read(data_);
        if (eighth.isNull() || eighth.size() == boundedSize_) return eighth;
        return eighth.scaled(boundedSize_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QImage image = reader_.read();
    // A GIF's part is read on a canvas of the part: a picture of another size is none of it.
    if (road_ == Road::GifPart && image.size() != part_.size()) return {};
    return image;
}

QImage ImageReader::readGifPart() {
    const QImage part = readDecoded();
    if (part.isNull()) return {};
    QImage canvas(boundedSize_, part.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                       : QImage::Format_RGB32);
    if (canvas.isNull()) return {};
    // The rest of the canvas as the decoder fills it: the pixel around the frames, in the
    // part's first column or row, or else in its last.
    const bool marginFirst = part_.left() > 0 || part_.top() > 0;
    canvas.fill(
        part.pixelColor(marginFirst ? QPoint(0, 0) : QPoint(part.width() - 1, part.height() - 1)));
    QPainter painter(&canvas);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(placed_.topLeft(), RowScaler::scaled(part, placed_.size()));
    return canvas;
}

QImage ImageReader::read() {
    return drawingPixels(readBounded());
}

QImage ImageReader::readLast() {
    QImage image = readBounded();
    // The decoder goes, and with it its own reference to what it decoded (a GIF's canvas, which
    // it keeps for the next frame), so that the pixels are laid out where they were decoded.
    reader_.setDevice(nullptr);
    return drawingPixels(std::move(image));
}

QImage ImageReader::readBounded() {
    if (!started_) takeShare();
    QImage image = road_ == Road::GifPart ? readGifPart() : readDecoded();
    if (road_ == Road::WholeThenScaled && !image.isNull() && image.size() != boundedSize_) {
        // The platform scales pixels in the drawing layout as they are; others (a GIF canvas
        // with transparency) it would copy whole into it first, so they are scaled a band of
        // rows at a time, made four bytes a pixel as they go.
        const bool drawingLayout = image.format() == QImage::Format_RGB32 ||
                                   image.format() == QImage::Format_ARGB32_Premultiplied;
        image = drawingLayout
                    ? image.scaled(boundedSize_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    : RowScaler::scaled(image, boundedSize_);
    }
    // A decoder that makes more pixels than its header told: the picture is brought within the
    // bound once it is read.
    if (!image.isNull() && pixelsOf(image.size()) > maxPixels_) {
        image = image.scaled(boundedSize(image.size(), maxPixels_), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    }
    return image;
}

bool ImageReader::skip() {
    if (!started_) takeShare();
    return !readDecoded().isNull();
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

QSize ImageReader::coveringSize(QSize size, QSize covered) {
    if (size.isEmpty() || covered.isEmpty()) return size;
    const double factor =
        std::max(double(covered.width()) / size.width(), double(covered.height()) / size.height());
    if (factor >= 1) return size;
    // The small epsilon keeps the side that sets the factor from rounding a pixel over what it
    // covers (640 x 480 covering 124 x 92 is 124 x 93, not 125 x 93).
    const auto side = [factor](int length) {
        return std::clamp(int(std::ceil(length * factor - 1e-6)), 1, length);
    };
    return {side(size.width()), side(size.height())};
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
