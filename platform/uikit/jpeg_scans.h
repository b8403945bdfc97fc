#pragma once

#include <QByteArray>

#include <cstdint>

namespace ui {

// How a JPEG's scans bring its picture, read from its markers before the decoder reads any
// scan. A baseline JPEG whose first scan holds all its components brings each row of blocks
// whole, and its decoder holds a few rows at a time. One whose scans bring the blocks in turn
// (a progressive JPEG, its coefficients a few bits or a band of them a scan; or a sequential
// one with a scan a component) has its decoder hold every coefficient of the whole picture
// until the last scan, however small the picture it is scaled to, and work through every
// block of each scan's components, scan after scan, before it gives a row: what it costs is
// its scans' blocks, which a file may hold any number of in a few bytes each.
class JpegScans {
public:
    // Walks the markers of `data` as the decoder reads them, up to its end of picture or its
    // last byte: past each marker segment by its length, and past each scan's entropy-coded
    // data to the marker after it (stuffed zeros, restart markers and fill bytes stepped over),
    // in one pass over the bytes. Scans before the frame, and bytes that are no JPEG, count
    // nothing.
    [[nodiscard]] static JpegScans read(const QByteArray& data);

    // The bytes the decoder holds the whole picture's coefficients in: for each component, 64
    // of 2 bytes a block of 8 x 8 of its samples, its blocks across and down rounded up to
    // whole units of its sampling factors. 0 when its first scan brings each row of blocks
    // whole, and when its markers do not lead to a frame.
    [[nodiscard]] std::int64_t coefficientBytes() const { return coefficientBytes_; }
    // How many scans follow the frame, the headers of those that a cut file still holds.
    [[nodiscard]] std::int64_t count() const { return count_; }
    // How many times over the decoder works through the frame's blocks: each scan counts the
    // share of them its components hold (a scan of every component 1, one of a colour
    // component at half resolution both ways 1/6). A scan whose header names a component the
    // frame lacks, or more components than it holds, counts them all.
    [[nodiscard]] double passes() const;

private:
    std::int64_t coefficientBytes_ = 0;
    std::int64_t count_ = 0;
    // The blocks the scans hold, added up, and the frame's.
    std::int64_t scannedBlocks_ = 0;
    std::int64_t frameBlocks_ = 0;
};

}  // namespace ui
