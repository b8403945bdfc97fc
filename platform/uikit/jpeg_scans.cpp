#include "platform/uikit/jpeg_scans.h"

#include <algorithm>
#include <vector>

namespace ui {

namespace {

struct Component {
    int across = 0;
    int down = 0;
};

struct Frame {
    int width = 0;
    int height = 0;
    bool progressive = false;
    std::vector<Component> components;
};

constexpr int kBlockSide = 8;
constexpr std::int64_t kBlockBytes = 64 * 2;

int wordAt(const QByteArray& data, qsizetype at) {
    return int(quint8(data[at])) << 8 | int(quint8(data[at + 1]));
}

// The frames of the sequential and progressive processes, by their markers' second byte: C0 to
// CF but C4 (Huffman tables), C8 (reserved) and CC (arithmetic conditioning). Progressive are
// C2, C6, CA and CE.
bool isFrame(int marker) {
    return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
}

std::int64_t bytesOf(const Frame& frame) {
    int mostAcross = 1;
    int mostDown = 1;
    for (const Component& component : frame.components) {
        mostAcross = std::max(mostAcross, component.across);
        mostDown = std::max(mostDown, component.down);
    }
    const auto blocks = [](std::int64_t samples, int factor, int most) {
        // The component's samples over the picture's, in whole blocks, then whole units.
        const std::int64_t perSide =
            (samples * factor + most * kBlockSide - 1) / (most * kBlockSide);
        return (perSide + factor - 1) / factor * factor;
    };
    std::int64_t bytes = 0;
    for (const Component& component : frame.components) {
        bytes += blocks(frame.width, component.across, mostAcross) *
                 blocks(frame.height, component.down, mostDown) * kBlockBytes;
    }
    return bytes;
}

}  // namespace

std::int64_t JpegScans::coefficientBytes(const QByteArray& data) {
    if (!data.startsWith("\xff\xd8")) return 0;
    Frame frame;
    for (qsizetype at = 2; at < data.size();) {
        // The decoder looks for the next marker past any other bytes: a 0xff, fill bytes of
        // 0xff, then its code, which is none where it is 0.
        while (at < data.size() && quint8(data[at]) != 0xff) ++at;
        while (at < data.size() && quint8(data[at]) == 0xff) ++at;
        if (at >= data.size()) break;
        const int marker = quint8(data[at++]);
        // A zero after 0xff, and the markers without a length (TEM, the restarts).
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7)) continue;
        if (marker == 0xd9 || at + 2 > data.size()) break;
        const int length = wordAt(data, at);
        const qsizetype segment = at + 2;
        if (length < 2 || at + length > data.size()) break;
        if (isFrame(marker) && frame.components.empty()) {
            // Precision, height, width, the number of components, then each component's
            // identifier, sampling factors (across in the high four bits) and table.
            const int count = length >= 8 ? quint8(data[segment + 5]) : 0;
            if (count == 0 || length < 8 + 3 * count) break;
            frame.height = wordAt(data, segment + 1);
            frame.width = wordAt(data, segment + 3);
            frame.progressive = (marker & 0x03) == 0x02;
            for (int component = 0; component < count; ++component) {
                const int factors = quint8(data[segment + 6 + 3 * component + 1]);
                frame.components.push_back(
                    {std::max(1, factors >> 4), std::max(1, factors & 0x0f)});
            }
        } else if (marker == 0xda && !frame.components.empty()) {
            // The first scan: how many components it holds, its first byte.
            const bool whole = !frame.progressive && length >= 3 &&
                               quint8(data[segment]) >= frame.components.size();
            return whole ? 0 : bytesOf(frame);
        }
        at += length;
    }
    // Markers that end or break before the first scan: the decoder, which may read them
    // otherwise, may yet hold the coefficients of the frame they declared.
    return frame.components.empty() ? 0 : bytesOf(frame);
}

}  // namespace ui
