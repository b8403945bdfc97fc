#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <cstdint>

namespace ui {

// Reads a progressive JPEG at an eighth of its size across and down from the DC coefficients
// of its blocks alone: a block's DC coefficient is its average, the pixel a decoder scaling by
// an eighth makes of it. The platform's decoder holds every coefficient of a progressive
// JPEG's whole picture until its last scan, whatever size it is asked for (192 MB for a photo
// of 8,192 x 8,192 pixels, a thumbnail's read as much as the whole's); this holds 2 bytes a
// block, reads the scans of DC coefficients and steps over the others by their markers. A
// colour component at a lower resolution than the brightness gives each of its blocks'
// averages to every pixel the block covers.
class JpegEighth {
public:
    // Whether this reads `data`, from its markers up to its first scan: a progressive JPEG of
    // Huffman codes and samples of 8 bits whose frame is grey, or brightness and two colours
    // as the decoder tells them (not RGB: an Adobe segment that says so, or no segment and the
    // components named R, G and B), each component's sampling a whole division of the largest.
    // The others (CMYK, RGB, 12 bits, arithmetic codes, sequential) are the platform
    // decoder's.
    [[nodiscard]] static bool reads(const QByteArray& data);
    // Whether a picture of `size` (at most the eighth) is made from what this reads of `data`
    // as well as from the platform decoder's eighth: reads() holds, and where a colour
    // component is as much coarser than the brightness across as down (colour at half
    // resolution both ways, as cameras write it), the picture is smaller than the eighth by as
    // much. Into its eighth the platform's decoder brings such a component at the eighth's
    // resolution, from the first frequencies of its blocks (the averages of their quarters),
    // where this has each block's average alone; a picture whose pixels each cover a block of
    // it has the quarters averaged all the same.
    [[nodiscard]] static bool readsFor(const QByteArray& data, QSize size);
    // The picture at an eighth of its size, its sides rounded up: grey of 8 bits, or RGB32.
    // Null where reads() does not hold, or its tables, its scans' parameters or the
    // components they name are not what a decoder can read (as the platform's decoder gives no
    // picture for them). Codes that break off or run short leave the blocks they do not reach
    // as they were, and data cut short reads as zero bits.
    [[nodiscard]] static QImage read(const QByteArray& data);
    // The size read() makes of a picture of `full` pixels.
    [[nodiscard]] static QSize eighthOf(QSize full) {
        return {(full.width() + 7) / 8, (full.height() + 7) / 8};
    }
    // The bytes read() holds beside the picture it makes, for a JPEG whose decoder would hold
    // `coefficientBytes` of its coefficients (JpegScans): 2 bytes a block of the 128.
    [[nodiscard]] static std::int64_t heldBytes(std::int64_t coefficientBytes) {
        return coefficientBytes / 64;
    }
};

}  // namespace ui
