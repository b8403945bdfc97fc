// Progressive JPEGs read at an eighth from their blocks' averages (JpegEighth, the road the
// image reader takes for a progressive JPEG's thumbnail): any bytes give nothing or a picture,
// never a crash; bytes that it does not read give nothing; a picture is grey of 8 bits or
// opaque RGB32 of the frame's eighth, and reading the same bytes again gives the same pixels.
// As the image reader does before it reads, JPEGs of more scans or passes than it allows are
// left out (JpegScans); a frame's sides longer than 1,024 pixels are folded within them first,
// so that a run costs what a thumbnail's read costs rather than the most a frame may declare,
// which the image reader refuses.
#include "platform/uikit/jpeg_eighth.h"
#include "platform/uikit/image_reader.h"
#include "platform/uikit/jpeg_markers.h"
#include "platform/uikit/jpeg_scans.h"

#include <QByteArray>
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int kMostSide = 1024;

// `bytes` with its first frame's sides folded within kMostSide; the frame's size.
QSize foldFrame(QByteArray& bytes) {
    QSize size;
    ui::JpegMarkers::walk(bytes, [&](int marker, qsizetype segment, int length) {
        if (!ui::JpegMarkers::isFrame(marker)) return marker != 0xda;
        if (length < 8) return false;
        for (const qsizetype at : {segment + 1, segment + 3}) {
            int side = ui::JpegMarkers::wordAt(bytes, at);
            if (side > kMostSide) side = 1 + (side - 1) % kMostSide;
            bytes[at] = char(side >> 8);
            bytes[at + 1] = char(side & 0xff);
        }
        size = {ui::JpegMarkers::wordAt(bytes, segment + 3),
                ui::JpegMarkers::wordAt(bytes, segment + 1)};
        return false;
    });
    return size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QSize frame = foldFrame(bytes);
    const ui::JpegScans scans = ui::JpegScans::read(bytes);
    if (scans.count() > ui::ImageReader::kMostJpegScans ||
        scans.passes() > ui::ImageReader::kMostJpegPasses) {
        return 0;
    }
    const QImage eighth = ui::JpegEighth::read(bytes);
    if (eighth.isNull()) return 0;
    if (!ui::JpegEighth::reads(bytes) || eighth.size() != ui::JpegEighth::eighthOf(frame)) {
        std::abort();
    }
    if (eighth.format() != QImage::Format_Grayscale8 && eighth.format() != QImage::Format_RGB32) {
        std::abort();
    }
    if (ui::JpegEighth::read(bytes) != eighth) std::abort();
    return 0;
}
