// Progressive JPEGs read at an eighth from their blocks' averages (JpegEighth, the road the
// image reader takes for a progressive JPEG's thumbnail): any bytes give nothing or a picture,
// never a crash; bytes that it does not read give nothing; a picture is grey of 8 bits or
// opaque RGB32, and reading the same bytes again gives the same pixels.
#include "platform/uikit/jpeg_eighth.h"

#include <QByteArray>
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QImage eighth = ui::JpegEighth::read(bytes);
    if (eighth.isNull()) return 0;
    if (!ui::JpegEighth::reads(bytes)) std::abort();
    if (eighth.format() != QImage::Format_Grayscale8 && eighth.format() != QImage::Format_RGB32) {
        std::abort();
    }
    if (ui::JpegEighth::read(bytes) != eighth) std::abort();
    return 0;
}
