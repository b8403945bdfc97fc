#pragma once

#include <QByteArray>

namespace ui {

// The marker segments of a JPEG as its decoder finds them.
class JpegMarkers {
public:
    // Calls `segment(marker, at, length)` for each marker segment of `data` after its start of
    // picture, in order, `at` the first byte after the segment's two bytes of length and `length`
    // the length as it says (with those two bytes), up to its end of picture, its last byte, a
    // segment longer than what is left, or a call that returns false. The decoder looks for the
    // next marker past any other bytes, a scan's entropy-coded data among them: a 0xff, fill
    // bytes of 0xff, then its code, which is none where it is 0 (a byte of 0xff in the data, the
    // zero stuffed after it); the markers without a length (TEM, the restarts) are stepped over,
    // and so is a length too short for itself, the decoder reading on after it. Bytes that do
    // not start as a JPEG have none.
    template <typename Segment>
    static void walk(const QByteArray& data, Segment&& segment) {
        if (!data.startsWith("\xff\xd8")) return;
        for (qsizetype at = 2; at < data.size();) {
            at = data.indexOf('\xff', at);
            if (at < 0) return;
            while (at < data.size() && quint8(data[at]) == 0xff) ++at;
            if (at >= data.size()) return;
            const int marker = quint8(data[at++]);
            if (marker == 0x00 || marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7)) continue;
            if (marker == 0xd9 || at + 2 > data.size()) return;
            const int length = wordAt(data, at);
            if (length < 2) {
                at += 2;
                continue;
            }
            if (at + length > data.size()) return;
            if (!segment(marker, at + 2, length)) return;
            at += length;
        }
    }

    // Whether `marker` (its second byte) starts a frame, of any process: C0 to CF but C4
    // (Huffman tables), C8 (reserved) and CC (arithmetic conditioning). Progressive are C2, C6,
    // CA and CE.
    [[nodiscard]] static bool isFrame(int marker) {
        return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 &&
               marker != 0xcc;
    }

    // The big-endian word at `at`.
    [[nodiscard]] static int wordAt(const QByteArray& data, qsizetype at) {
        return int(quint8(data[at])) << 8 | int(quint8(data[at + 1]));
    }
};

}  // namespace ui
