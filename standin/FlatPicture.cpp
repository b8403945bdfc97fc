#include "standin/FlatPicture.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QtEndian>

#include <zlib.h>

#include <array>
#include <map>
#include <mutex>
#include <tuple>

namespace standin {

namespace {

constexpr quint8 kRed = 120, kGreen = 170, kBlue = 210;

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

// The rows of an Adam7-interlaced RGB picture of one colour, pass by pass, deflated as they
// are made: the whole picture's rows are never held.
QByteArray interlacedPng(QSize size) {
    struct Pass {
        int x, y, dx, dy;
    };
    constexpr std::array<Pass, 7> kPasses = {{{0, 0, 8, 8},
                                              {4, 0, 8, 8},
                                              {0, 4, 4, 8},
                                              {2, 0, 4, 4},
                                              {0, 2, 2, 4},
                                              {1, 0, 2, 2},
                                              {0, 1, 1, 2}}};
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
    for (const Pass& pass : kPasses) {
        const int columns =
            size.width() > pass.x ? (size.width() - pass.x + pass.dx - 1) / pass.dx : 0;
        const int rows =
            size.height() > pass.y ? (size.height() - pass.y + pass.dy - 1) / pass.dy : 0;
        if (columns == 0 || rows == 0) continue;
        QByteArray row(1 + 3 * qsizetype(columns), '\0');  // filter type 0, then the pixels
        for (int x = 0; x < columns; ++x) {
            row[1 + 3 * x] = char(kRed);
            row[2 + 3 * x] = char(kGreen);
            row[3 + 3 * x] = char(kBlue);
        }
        for (int y = 0; y < rows; ++y) deflateSome(row, Z_NO_FLUSH);
    }
    deflateSome({}, Z_FINISH);
    deflateEnd(&stream);
    // Width, height, 8 bits a sample, RGB, deflate, adaptive filtering, Adam7.
    const QByteArray header = bigEndian(quint32(size.width())) + bigEndian(quint32(size.height())) +
                              QByteArray("\x08\x02\x00\x00\x01", 5);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) +
           pngChunk("IDAT", deflated) + pngChunk("IEND", {});
}

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

void appendGifWord(QByteArray& bytes, int value) {
    bytes.append(char(value & 0xff));
    bytes.append(char((value >> 8) & 0xff));
}

}  // namespace

QByteArray FlatPicture::png(QSize size, bool interlaced) {
    if (size.isEmpty()) return {};
    static std::mutex mutex;
    static std::map<std::tuple<int, int, bool>, QByteArray> drawn;
    const std::lock_guard lock(mutex);
    QByteArray& bytes = drawn[{size.width(), size.height(), interlaced}];
    if (bytes.isEmpty()) bytes = interlaced ? interlacedPng(size) : plainPng(size);
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

QByteArray FlatPicture::gif(QSize size, int frames) {
    if (size.width() < 2 || size.height() < 2 || frames <= 0) return {};
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
        appendGifWord(bytes, frame * 97 % (size.width() - 1));
        appendGifWord(bytes, frame * 89 % (size.height() - 1));
        appendGifWord(bytes, 2);
        appendGifWord(bytes, 2);
        // No local colour table; the four pixels in LZW with codes of three bits.
        bytes.append("\x00\x02\x02\x44\x01\x00", 6);
    }
    bytes.append('\x3b');
    return bytes;
}

}  // namespace standin
