#pragma once

#include <QByteArray>
#include <QSize>

#include <vector>

namespace standin {

// JPEGs of one level, written marker by marker: every block's DC coefficient the same, and no
// other coefficient, a bit or two a block or a few bytes for runs of thousands of blocks. A
// decoder works through every block of every scan all the same, so that a file of many scans
// costs a client far more than its bytes.
class FlatJpeg {
public:
    // Grey, one component; or colour, brightness and two colour components at half resolution
    // across and down, as cameras write it.
    enum class Pixels { Grey, Colour };

    // A baseline JPEG of `size` pixels (at most 65,535 a side), one scan of all its blocks.
    [[nodiscard]] static QByteArray baseline(QSize size, Pixels pixels = Pixels::Grey);
    // A progressive JPEG of `size` pixels: a first scan of every component's DC coefficients,
    // then a scan of the AC coefficients of each component `acScans` names in turn (0 the grey
    // or brightness, 1 and 2 the colour), which brings none of them: runs of up to 32,767
    // blocks, a few bytes a scan. Where `refining`, the AC scans refine the coefficients by a
    // bit, as the last scans of a progressive file do, and the decoder goes through each
    // block's coefficients in each.
    [[nodiscard]] static QByteArray progressive(QSize size, Pixels pixels,
                                                const std::vector<int>& acScans,
                                                bool refining = false);
};

}  // namespace standin
