#pragma once

#include <QByteArray>

namespace ui {

// The formats of the pictures the app decodes, told from their first bytes before any decoder
// reads them: JPEG, PNG and GIF, the app's own pictures, and the few more a phone's picture
// class opens (WebP, TIFF, BMP, ICO and CUR, XBM). The platform has decoders for more (MNG, XPM,
// the PBM family, WBMP, TGA, icons of another system), which no picture of the app needs and
// which would each be outside bytes' way into code that nothing else runs.
class PictureFormat {
public:
    // The platform decoder's name for the format `data` begins as ("jpeg", "png", "gif", "webp",
    // "tiff", "bmp", "ico", "cur", "xbm"); empty for bytes of any other format, or of none.
    [[nodiscard]] static QByteArray of(const QByteArray& data);
};

}  // namespace ui
