#include "platform/uikit/png_chunks.h"

#include <QByteArrayView>
#include <QtEndian>

namespace ui {

namespace {

constexpr QByteArrayView kSignature("\x89PNG\r\n\x1a\n", 8);
// An end chunk: no data, its type and its check.
constexpr QByteArrayView kEnd("\0\0\0\0IEND\xae\x42\x60\x82", 12);

// Calls `visit(type, length, whole)` for each chunk of `data` from the first until it returns
// false, a chunk is not whole (its data and its check do not fit in the bytes after its header) or
// the bytes end. Where the walk stopped: the header of the last chunk visited when it stopped
// there, else the end of the last whole chunk; -1 when `data` is no PNG.
template <typename Visit>
qsizetype forEachChunk(const QByteArray& data, Visit visit) {
    if (!data.startsWith(kSignature)) return -1;
    qsizetype at = kSignature.size();
    while (data.size() - at >= 8) {
        const quint32 length = qFromBigEndian<quint32>(data.constData() + at);
        const QByteArrayView type(data.constData() + at + 4, 4);
        const bool whole = qint64(length) + 4 <= qint64(data.size() - at - 8);
        if (!visit(type, length, whole) || !whole) return at;
        at += 12 + qsizetype(length);
    }
    return at;
}

}  // namespace

QByteArray PngChunks::wholeChunks(const QByteArray& data) {
    bool asTheyCome = false;
    const qsizetype end = forEachChunk(data, [&](QByteArrayView type, quint32 length, bool whole) {
        // The decoders stop at the end chunk, whole or not, and read the picture data as it
        // comes. A picture data chunk that holds none (which encoders may write last) has none
        // cut off: where the bytes end in it, it goes as any other cut chunk does.
        asTheyCome = type == "IEND" || (!whole && type == "IDAT" && length > 0);
        return !asTheyCome;
    });
    if (end < 0 || asTheyCome) return data;
    return data.left(end).append(kEnd);
}

bool PngChunks::isWideRgbWithTransparentColour(const QByteArray& data) {
    // The header chunk comes first: its bit depth at byte 24, its colour type at 25.
    constexpr int kRgb = 2;
    if (data.size() <= 25 || data.mid(12, 4) != "IHDR" || quint8(data[24]) != 16 ||
        quint8(data[25]) != kRgb) {
        return false;
    }
    bool transparent = false;
    forEachChunk(data, [&](QByteArrayView type, quint32, bool) {
        transparent = type == "tRNS";
        return !transparent && type != "IDAT";
    });
    return transparent;
}

}  // namespace ui
