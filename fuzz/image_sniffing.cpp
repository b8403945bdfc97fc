// Picture bytes from the image host, told apart by their first bytes and decoded: any
// bytes give a type or none and a picture or none, never a crash; a picture always has a
// size, and an animated one frames that all decode.
#include "src/ui/image/NSData+ImageContentType.h"
#include "src/ui/image/UIImage+MultiFormat.h"

#include "offscreen_gui.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    startOffscreenGui(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString type = ImageContentType::ik_contentTypeForImageData(bytes);
    if (bytes.isEmpty() && !type.isNull()) std::abort();
    const auto image = ImageMultiFormat::ik_imageWithData(bytes);
    if (!image) return 0;
    if (image->pixels().isNull()) std::abort();
    for (const auto& frame : image->images()) {
        if (!frame || frame->pixels().isNull()) std::abort();
    }
    return 0;
}
