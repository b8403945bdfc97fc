#pragma once

#include <QByteArray>

#include <cstdint>

namespace ui {

// How a JPEG's scans bring its picture, read from its markers up to its first scan, before the
// decoder reads any. A baseline JPEG whose first scan holds all its components brings each row
// of blocks whole, and its decoder holds a few rows at a time. One whose scans bring the blocks
// in turn (a progressive JPEG, its coefficients a few bits or a band of them a scan; or a
// sequential one with a scan a component) has its decoder hold every coefficient of the whole
// picture until the last scan, however small the picture it is scaled to.
class JpegScans {
public:
    // The bytes the decoder of `data` holds the whole picture's coefficients in: for each
    // component, 64 of 2 bytes a block of 8 x 8 of its samples, its blocks across and down
    // rounded up to whole units of its sampling factors. 0 when its scans bring each row of
    // blocks whole, and when its markers do not lead to a scan.
    [[nodiscard]] static std::int64_t coefficientBytes(const QByteArray& data);
};

}  // namespace ui
