#include "ui/image/NSData+ImageContentType.h"

namespace ImageContentType {

QString ik_contentTypeForImageData(const QByteArray& data) {
    if (data.isEmpty()) return {};
    switch (static_cast<unsigned char>(data.front())) {
        case 0xFF:
            return QStringLiteral("image/jpeg");
        case 0x89:
            return QStringLiteral("image/png");
        case 0x47:
            return QStringLiteral("image/gif");
        case 0x49:
        case 0x4D:
            return QStringLiteral("image/tiff");
        case 0x52:
            // "RIFF", four bytes of size, "WEBP"; the size bytes may be anything.
            if (data.size() >= 12 && data.startsWith("RIFF") && data.mid(8, 4) == "WEBP") {
                return QStringLiteral("image/webp");
            }
            return {};
        default:
            return {};
    }
}

}  // namespace ImageContentType
