// The EXIF block of a photograph read for its orientation: any block inside an otherwise
// sound JPEG gives one of the eight orientations and never a crash, and the photograph
// still decodes with it.
#include "src/ui/image/UIImage+MultiFormat.h"

#include "offscreen_gui.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QByteArray& photograph() {
    static QByteArray jpeg = [] {
        QImage image(8, 6, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter(&buffer, "jpeg").write(image);
        return bytes;
    }();
    return jpeg;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    startOffscreenGui(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An APP1 segment holds at most 65533 bytes after its length.
    const qsizetype length = std::min<qsizetype>(static_cast<qsizetype>(size), 65527);
    const QByteArray payload =
        QByteArray("Exif\0\0", 6) + QByteArray(reinterpret_cast<const char*>(data), length);
    QByteArray jpeg = photograph().left(2);
    jpeg.append("\xff\xe1", 2);
    const qsizetype segment = payload.size() + 2;
    jpeg.append(char(segment >> 8));
    jpeg.append(char(segment & 0xff));
    jpeg.append(payload);
    jpeg.append(photograph().mid(2));
    const auto orientation = ImageMultiFormat::ik_imageOrientationFromImageData(jpeg);
    if (int(orientation) < 0 || int(orientation) > 7) std::abort();
    (void)ImageMultiFormat::ik_imageWithData(jpeg);
    return 0;
}
