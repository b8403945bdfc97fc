#include "standin/FlatPicture.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QtEndian>

#include <zlib.h>

#include <array>
#include <map>
#include <mutex>
#include <span>
#include <tuple>

namespace standin {

namespace {

constexpr quint8 kRed = 120, kGreen = 170, kBlue = 210;

// The grey the picture's colour is drawn in, in grey PNGs.
constexpr quint8 kGrey = (kRed * 11 + kGreen * 16 + kBlue * 5) / 32;

QByteArray bigEndian(quint32 value) {
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray pngChunk(const char* type, const QByteArray& data) {
    const QByteArray typed = QByteArray(type, 4) + data;
    const auto crc =
        crc32(0, reinterpret_cast<const Bytef*>(typed.constData()), uInt(typed.size()));
    return bigEndian(quint32(data.size())) + typed + bigEndian(quint32(crc));
}

QByteArray littleEndian(quint32 value, int bytes = 4) {
    QByteArray field(4, '\0');
    qToLittleEndian(value, field.data());
    return field.left(bytes);
}

// The picture's colour, as the bytes of an RGB pixel.
QByteArray colour() {
    const char rgb[] = {char(kRed), char(kGreen), char(kBlue)};
    return {rgb, 3};
}

// A pixel of the picture's colour, opaque, as the bytes of a PNG's pixel of `pixels`.
QByteArray pixelOf(FlatPicture::Pixels pixels) {
    switch (pixels) {
        case FlatPicture::Pixels::Colour:
            return colour();
        case FlatPicture::Pixels::Grey:
            return QByteArray(1, char(kGrey));
        case FlatPicture::Pixels::Palette:
            return QByteArray(1, '\0');
        case FlatPicture::Pixels::ColourAndAlpha:
            return colour() + '\xff';
        case FlatPicture::Pixels::DeepColourAndAlpha: {
            // Each sample of 16 bits its 8 twice: the same colour.
            QByteArray samples;
            for (const char sample : colour() + '\xff') samples.append(2, sample);
            return samples;
        }
    }
    return {};
}

// A PNG of `size` pixels of the kind `pixels` whose rows, filtered and deflated, are
// `deflatedRows`.
QByteArray pngOf(QSize size, FlatPicture::Pixels pixels, bool interlaced,
                 const QByteArray& deflatedRows) {
    // Width, height, bits a sample, the colour type, deflate, adaptive filtering, and
    // interlaced (Adam7) or not.
    constexpr char kColourTypes[] = {2, 0, 3, 6, 6};
    QByteArray header = bigEndian(quint32(size.width())) + bigEndian(quint32(size.height()));
    header.append(pixels == FlatPicture::Pixels::DeepColourAndAlpha ? '\x10' : '\x08');
    header.append(kColourTypes[int(pixels)]).append(2, '\0');
    header.append(char(interlaced ? 1 : 0));
    QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header);
    if (pixels == FlatPicture::Pixels::Palette) {
        png += pngChunk("PLTE", colour());
    }
    return png + pngChunk("IDAT", deflatedRows) + pngChunk("IEND", {});
}

// The rows of a picture of one colour, in the seven passes of the interlaced order or from
// top to bottom, deflated as they are made: the whole picture's rows are never held.
QByteArray flatPng(QSize size, FlatPicture::Pixels pixels, bool interlaced) {
    struct Pass {
        int x, y, dx, dy;
    };
    constexpr std::array<Pass, 7> kAdam7 = {{{0, 0, 8, 8},
                                             {4, 0, 8, 8},
                                             {0, 4, 4, 8},
                                             {2, 0, 4, 4},
                                             {0, 2, 2, 4},
                                             {1, 0, 2, 2},
                                             {0, 1, 1, 2}}};
    constexpr std::array<Pass, 1> kWhole = {{{0, 0, 1, 1}}};
    const auto passes = interlaced ? std::span<const Pass>(kAdam7) : std::span<const Pass>(kWhole);
    z_stream stream{};
    deflateInit(&stream, Z_BEST_COMPRESSION);
    QByteArray deflated;
    std::array<Bytef, 64 * 1024> out{};
    const auto deflateSome = [&](QByteArray input, int flush) {
        stream.next_in = reinterpret_cast<Bytef*>(input.data());
        stream.avail_in = uInt(input.size());
        do {
            stream.next_out = out.data();
            stream.avail_out = uInt(out.size());
            deflate(&stream, flush);
            deflated.append(reinterpret_cast<const char*>(out.data()),
                            qsizetype(out.size() - stream.avail_out));
        } while (stream.avail_out == 0);
    };
    const QByteArray pixel = pixelOf(pixels);
    for (const Pass& pass : passes) {
        const int columns =
            size.width() > pass.x ? (size.width() - pass.x + pass.dx - 1) / pass.dx : 0;
        const int rows =
            size.height() > pass.y ? (size.height() - pass.y + pass.dy - 1) / pass.dy : 0;
        if (columns == 0 || rows == 0) continue;
        // Filter type 0, then the pixels.
        const QByteArray row = QByteArray(1, '\0') + pixel.repeated(columns);
        for (int y = 0; y < rows; ++y) deflateSome(row, Z_NO_FLUSH);
    }
    deflateSome({}, Z_FINISH);
    deflateEnd(&stream);
    return pngOf(size, pixels, interlaced, deflated);
}

// An RGB picture's rows as the platform's PNG writer filters and deflates them.
QByteArray plainPng(QSize size) {
    QImage image(size, QImage::Format_RGB888);
    image.fill(QColor(kRed, kGreen, kBlue));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 0);
    return bytes;
}

// A small JPEG of soft stripes (a few KB at this quality), whose frame header is then made to
// declare `size`: its scan covers the first blocks only.
QByteArray jpegDeclaring(QSize size) {
    QImage image(96, 96, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, QColor(kRed, (kGreen + 7 * x) % 256, (kBlue + 5 * y) % 256));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 60);
    // The baseline frame header: FF C0, its length, the precision, then height and width.
    const qsizetype frame = bytes.indexOf(QByteArray("\xff\xc0", 2));
    if (frame < 0 || frame + 9 > bytes.size()) return {};
    qToBigEndian(quint16(size.height()), bytes.data() + frame + 5);
    qToBigEndian(quint16(size.width()), bytes.data() + frame + 7);
    return bytes;
}

// A lossless WebP of 16 x 16 pixels of the colour (written lossless at a quality of 100),
// whose header is then made to declare `size`.
QByteArray webpDeclaring(QSize size) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor(kRed, kGreen, kBlue));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "WEBP", 100);
    // After the file's and the chunk's headers, the signature byte, then 14 bits of the width
    // less one and 14 of the height less one, from the low bit of a little-endian word.
    constexpr int kSizeAt = 12 + 8 + 1;
    if (bytes.mid(12, 4) != "VP8L" || bytes.size() < kSizeAt + 4) return {};
    auto bits = qFromLittleEndian<quint32>(bytes.constData() + kSizeAt);
    bits = (bits & ~((quint32(1) << 28) - 1)) | quint32(size.width() - 1) |
           quint32(size.height() - 1) << 14;
    qToLittleEndian(bits, bytes.data() + kSizeAt);
    return bytes;
}

void appendGifWord(QByteArray& bytes, int value) {
    bytes.append(char(value & 0xff));
    bytes.append(char((value >> 8) & 0xff));
}

// `pixels` pixels of the colour table's first colour in LZW with codes of three bits: the
// table is cleared every two pixels, before its codes would need a fourth bit. The data's
// sub-blocks and their end.
QByteArray gifPixels(int pixels) {
    constexpr int kClear = 4, kEnd = 5;
    QByteArray packed;
    int bits = 0, pending = 0;
    const auto code = [&](int value) {
        pending |= value << bits;
        bits += 3;
        while (bits >= 8) {
            packed.append(char(pending & 0xff));
            pending >>= 8;
            bits -= 8;
        }
    };
    for (int pixel = 0; pixel < pixels; ++pixel) {
        if (pixel % 2 == 0) code(kClear);
        code(0);
    }
    code(kEnd);
    if (bits > 0) packed.append(char(pending & 0xff));
    QByteArray blocks;
    for (qsizetype at = 0; at < packed.size(); at += 255) {
        const QByteArray block = packed.mid(at, 255);
        blocks.append(char(block.size())).append(block);
    }
    return blocks.append('\0');
}

}  // namespace

QByteArray FlatPicture::png(QSize size, bool interlaced, Pixels pixels) {
    if (size.isEmpty()) return {};
    static std::mutex mutex;
    static std::map<std::tuple<int, int, bool, Pixels>, QByteArray> drawn;
    const std::lock_guard lock(mutex);
    QByteArray& bytes = drawn[{size.width(), size.height(), interlaced, pixels}];
    if (bytes.isEmpty()) {
        bytes = interlaced || pixels != Pixels::Colour ? flatPng(size, pixels, interlaced)
                                                       : plainPng(size);
    }
    return bytes;
}

QByteArray FlatPicture::jpeg(QSize size) {
    if (size.isEmpty() || size.width() > 65535 || size.height() > 65535) return {};
    static std::mutex mutex;
    static std::map<std::pair<int, int>, QByteArray> drawn;
    const std::lock_guard lock(mutex);
    QByteArray& bytes = drawn[{size.width(), size.height()}];
    if (bytes.isEmpty()) bytes = jpegDeclaring(size);
    return bytes;
}

QByteArray FlatPicture::webp(QSize size) {
    constexpr int kMostSide = 1 << 14;
    if (size.isEmpty() || size.width() > kMostSide || size.height() > kMostSide) return {};
    return webpDeclaring(size);
}

QByteArray FlatPicture::bmp(QSize size, int bitsAPixel, bool topDown) {
    if (size.isEmpty() || (bitsAPixel != 1 && bitsAPixel != 8)) return {};
    // Rows of whole 32-bit words; a palette of two colours, the first the picture's, each
    // blue, green, red and a zero.
    const qsizetype rowBytes = (qsizetype(size.width()) * bitsAPixel + 31) / 32 * 4;
    const QByteArray palette =
        QByteArray(1, char(kBlue)) + char(kGreen) + char(kRed) + '\0' + QByteArray(4, '\0');
    constexpr quint32 kPixelsAt = 14 + 40 + 8;
    const qsizetype pixelBytes = rowBytes * size.height();
    // The file header, then the info header: its size, width, height, one plane, the bits a
    // pixel, no compression, the pixels' bytes, 72 dots an inch, and the palette's colours.
    QByteArray bytes("BM");
    bytes +=
        littleEndian(quint32(kPixelsAt + pixelBytes)) + littleEndian(0) + littleEndian(kPixelsAt);
    bytes += littleEndian(40) + littleEndian(quint32(size.width())) +
             littleEndian(quint32(topDown ? -size.height() : size.height())) + littleEndian(1, 2) +
             littleEndian(quint32(bitsAPixel), 2) + littleEndian(0) +
             littleEndian(quint32(pixelBytes)) + littleEndian(2835) + littleEndian(2835) +
             littleEndian(2) + littleEndian(0);
    return bytes + palette + QByteArray(pixelBytes, '\0');
}

QByteArray FlatPicture::icon(const QByteArrayList& pictures, bool cursor) {
    // Reserved, the type (1 an icon, 2 a cursor), the count; then an entry a picture: width and
    // height (0 for 256), colours, reserved, planes (a cursor's hot spot across) and bits a
    // pixel (down), the picture's bytes and where they start.
    QByteArray bytes = littleEndian(0, 2) + littleEndian(cursor ? 2 : 1, 2) +
                       littleEndian(quint32(pictures.size()), 2);
    auto at = quint32(6 + 16 * pictures.size());
    for (const QByteArray& picture : pictures) {
        bytes += QByteArray(4, '\0') + littleEndian(cursor ? 0 : 1, 2) +
                 littleEndian(cursor ? 0 : 32, 2) + littleEndian(quint32(picture.size())) +
                 littleEndian(at);
        at += quint32(picture.size());
    }
    return bytes + pictures.join();
}

QByteArray FlatPicture::gif(QSize size, int frames, QSize frameSize, bool trailer) {
    if (frameSize.isEmpty() || frameSize.width() > size.width() ||
        frameSize.height() > size.height() || frames <= 0) {
        return {};
    }
    // A two-colour table (the picture's colour, black), looping for ever.
    QByteArray bytes("GIF89a");
    appendGifWord(bytes, size.width());
    appendGifWord(bytes, size.height());
    bytes.append("\x80\x00\x00", 3);
    bytes.append(char(kRed)).append(char(kGreen)).append(char(kBlue)).append(3, '\0');
    bytes.append("\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (int frame = 0; frame < frames; ++frame) {
        bytes.append("\x21\xf9\x04\x00\x0a\x00\x00\x00", 8);  // 10 hundredths of a second
        bytes.append('\x2c');
        appendGifWord(bytes, frame * 97 % (size.width() - frameSize.width() + 1));
        appendGifWord(bytes, frame * 89 % (size.height() - frameSize.height() + 1));
        appendGifWord(bytes, frameSize.width());
        appendGifWord(bytes, frameSize.height());
        // No local colour table; codes of at least three bits.
        bytes.append("\x00\x02", 2);
        bytes.append(gifPixels(frameSize.width() * frameSize.height()));
    }
    if (trailer) bytes.append('\x3b');
    return bytes;
}

}  // namespace standin
