#pragma once

#include <QByteArray>
#include <QSize>

namespace standin {

// Pictures of one colour: few bytes for many pixels (5,000 x 5,000 pixels in about 73 KB), the
// kind of picture that costs a client far more decoded than it cost to send.
class FlatPicture {
public:
    // What a PNG's pixels are: RGB, grey, or indices into a palette (of one colour); 8 bits a
    // sample.
    enum class Pixels { Colour, Grey, Palette };

    // The PNG of `size` pixels, drawn once a size and kind and kept; nothing for an empty size.
    // An interlaced one has its rows in the seven passes of the interlaced order.
    [[nodiscard]] static QByteArray png(QSize size, bool interlaced = false,
                                        Pixels pixels = Pixels::Colour);
    // A GIF of `frames` frames of `frameSize` pixels on a canvas of `size`, a tenth of a second
    // each: a few hundred bytes, and a whole canvas a frame to decode; nothing when a frame is
    // larger than the canvas. Without `trailer` it stops after its last frame, as a download
    // cut off there.
    [[nodiscard]] static QByteArray gif(QSize size, int frames, QSize frameSize = {2, 2},
                                        bool trailer = true);
    // A baseline JPEG of about 2 KB whose header declares `size` (at most 65,535 a side): the
    // scan of a small picture, the rest missing, which a decoder fills in grey. A decoder still
    // works through the whole declared size.
    [[nodiscard]] static QByteArray jpeg(QSize size);
    // A lossless WebP of 38 bytes whose header declares `size` (at most 16,384 a side): one
    // colour costs no bit a pixel, so that a picture of 16 x 16 decodes at any size its header
    // is made to declare, and a decoder works through all of them.
    [[nodiscard]] static QByteArray webp(QSize size);
};

}  // namespace standin
