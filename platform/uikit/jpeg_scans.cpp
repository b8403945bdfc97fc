#include "platform/uikit/jpeg_scans.h"

#include "platform/uikit/jpeg_markers.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace ui {

namespace {

struct Component {
    int id = 0;
    int across = 0;
    int down = 0;
    // Its blocks of 8 x 8 samples, across and down rounded up to whole units of its sampling.
    std::int64_t blocks = 0;
};

struct Frame {
    bool progressive = false;
    std::vector<Component> components;
    std::int64_t blocks = 0;
};

constexpr int kBlockSide = 8;
constexpr std::int64_t kBlockBytes = 64 * 2;
// Where the blocks of the scans stop being added up: far past any limit on them, and a scan's
// blocks (at most 255 components of 8,192 x 8,192 blocks) added to it stays within 64 bits.
constexpr std::int64_t kMostBlocksCounted = std::numeric_limits<std::int64_t>::max() / 2;

// The frame whose header `segment` holds (after its length): precision, height, width, the
// number of components, then each component's identifier, sampling factors (across in the high
// four bits) and table. No components where the header is too short for them.
Frame frameAt(const QByteArray& data, qsizetype segment, int length, int marker) {
    const int count = length >= 8 ? quint8(data[segment + 5]) : 0;
    if (count == 0 || length < 8 + 3 * count) return {};
    Frame frame;
    frame.progressive = (marker & 0x03) == 0x02;
    for (int component = 0; component < count; ++component) {
        const qsizetype at = segment + 6 + 3 * component;
        const int factors = quint8(data[at + 1]);
        frame.components.push_back(
            {quint8(data[at]), std::max(1, factors >> 4), std::max(1, factors & 0x0f)});
    }
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
    const int height = JpegMarkers::wordAt(data, segment + 1);
    const int width = JpegMarkers::wordAt(data, segment + 3);
    for (Component& component : frame.components) {
        component.blocks =
            blocks(width, component.across, mostAcross) * blocks(height, component.down, mostDown);
        frame.blocks += component.blocks;
    }
    return frame;
}

// The blocks of the frame that the scan whose header `segment` holds brings: those of each
// component it names, the first of the frame's of that identifier. One that names a component
// the frame lacks, or whose header is too short for what it names, counts the frame's.
std::int64_t scannedBlocks(const QByteArray& data, qsizetype segment, int length,
                           const Frame& frame) {
    const int count = length >= 3 ? quint8(data[segment]) : 0;
    if (count == 0 || length < 6 + 2 * count) return frame.blocks;
    std::int64_t blocks = 0;
    for (int named = 0; named < count; ++named) {
        const int id = quint8(data[segment + 1 + 2 * named]);
        const auto component =
            std::find_if(frame.components.begin(), frame.components.end(),
                         [id](const Component& candidate) { return candidate.id == id; });
        if (component == frame.components.end()) return frame.blocks;
        blocks += component->blocks;
    }
    return blocks;
}

}  // namespace

JpegScans JpegScans::read(const QByteArray& data) {
    JpegScans scans;
    Frame frame;
    bool firstScanWhole = false;
    JpegMarkers::walk(data, [&](int marker, qsizetype segment, int length) {
        if (JpegMarkers::isFrame(marker) && frame.components.empty()) {
            frame = frameAt(data, segment, length, marker);
            // A frame too short for its components has the decoder stop.
            return !frame.components.empty();
        }
        if (marker == 0xda && !frame.components.empty()) {
            // The first scan brings each row of blocks whole where it holds every component of
            // a sequential frame: the number of components is its first byte.
            if (scans.count_ == 0) {
                firstScanWhole = !frame.progressive && length >= 3 &&
                                 quint8(data[segment]) >= frame.components.size();
            }
            ++scans.count_;
            scans.scannedBlocks_ =
                std::min(kMostBlocksCounted,
                         scans.scannedBlocks_ + scannedBlocks(data, segment, length, frame));
        }
        return true;
    });
    scans.frameBlocks_ = frame.blocks;
    // Markers that end or break before the first scan: the decoder, which may read them
    // otherwise, may yet hold the coefficients of the frame they declared.
    scans.coefficientBytes_ = firstScanWhole ? 0 : frame.blocks * kBlockBytes;
    return scans;
}

double JpegScans::passes() const {
    return frameBlocks_ > 0 ? double(scannedBlocks_) / double(frameBlocks_) : 0;
}

}  // namespace ui
