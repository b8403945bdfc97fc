#pragma once

#include "standin/GifWriter.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QImageWriter>

#include <vector>

// Picture bytes made on the spot for the image tests.
namespace samples {

inline QImage solid(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

// `image` encoded as `format` ("png", "jpeg", "bmp", "tiff", "webp"), with an orientation
// recorded where the format keeps one.
inline QByteArray encoded(const QImage& image, const char* format,
                          QImageIOHandler::Transformations transformation = {}) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setTransformation(transformation);
    writer.write(image);
    return bytes;
}

// JPEG bytes with an EXIF block recording `orientation` (1 to 8) inserted after the start
// marker, as a phone camera writes it.
inline QByteArray withExifOrientation(const QByteArray& jpeg, int orientation) {
    QByteArray tiff("MM\x00\x2a\x00\x00\x00\x08", 8);    // big-endian, first IFD at 8
    tiff.append("\x00\x01", 2);                          // one entry:
    tiff.append("\x01\x12\x00\x03\x00\x00\x00\x01", 8);  // orientation, one SHORT
    tiff.append(char(0));
    tiff.append(char(orientation));
    tiff.append("\x00\x00\x00\x00\x00\x00", 6);  // value padding, no next IFD
    const QByteArray payload = QByteArray("Exif\x00\x00", 6) + tiff;
    QByteArray segment("\xff\xe1", 2);
    const int length = int(payload.size()) + 2;
    segment.append(char(length >> 8));
    segment.append(char(length & 0xff));
    segment.append(payload);
    return jpeg.left(2) + segment + jpeg.mid(2);
}

// A GIF of 4 x 4 frames alternating red and blue, one per delay (hundredths of a second).
inline QByteArray gif(const std::vector<int>& delays, int loopCount = 0) {
    std::vector<standin::GifWriter::Frame> frames;
    for (std::size_t i = 0; i < delays.size(); ++i) {
        frames.push_back({solid(4, 4, i % 2 ? Qt::blue : Qt::red), delays[i]});
    }
    return standin::GifWriter::encode(frames, loopCount);
}

}  // namespace samples
