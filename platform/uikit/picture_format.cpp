#include "platform/uikit/picture_format.h"

#include <QByteArrayView>

#include <array>

namespace ui {

namespace {

struct Signature {
    QByteArrayView bytes;
    const char* format;
};

// The bytes each format's files begin with. XBM is C text, its first line defining the
// picture's width.
constexpr std::array<Signature, 8> kSignatures = {{
    {QByteArrayView("\xff\xd8\xff", 3), "jpeg"},
    {QByteArrayView("\x89PNG\r\n\x1a\n", 8), "png"},
    {QByteArrayView("GIF87a", 6), "gif"},
    {QByteArrayView("GIF89a", 6), "gif"},
    {QByteArrayView("II*\0", 4), "tiff"},
    {QByteArrayView("MM\0*", 4), "tiff"},
    {QByteArrayView("BM", 2), "bmp"},
    {QByteArrayView("#define", 7), "xbm"},
}};

}  // namespace

QByteArray PictureFormat::of(const QByteArray& data) {
    // "RIFF", the length of what follows (any four bytes), then "WEBP".
    if (data.startsWith("RIFF") && data.size() >= 12 && data.mid(8, 4) == "WEBP") return "webp";
    // An icon file: a zero, its type (1 icons, 2 cursors), then how many pictures it holds,
    // which a file of none (the first bytes of a TGA, say) is not.
    if (data.size() >= 6 && data.startsWith(QByteArrayView("\0\0", 2)) && data[3] == 0 &&
        (data[4] != 0 || data[5] != 0)) {
        if (data[2] == 1) return "ico";
        if (data[2] == 2) return "cur";
    }
    for (const Signature& signature : kSignatures) {
        if (data.startsWith(signature.bytes)) return signature.format;
    }
    return {};
}

}  // namespace ui
