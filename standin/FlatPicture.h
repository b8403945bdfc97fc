#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QSize>

namespace standin {

// Pictures of one colour: few bytes for many pixels (5,000 x 5,000 pixels in about 73 KB), the
// kind of picture that costs a client far more decoded than it cost to send.
class FlatPicture {
public:
    // What a PNG's pixels are: RGB, grey, indices into a palette (of one colour), or RGBA
    // (opaque); 8 bits a sample, 16 for DeepColourAndAlpha.
    enum class Pixels { Colour, Grey, Palette, ColourAndAlpha, DeepColourAndAlpha };

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
    // A BMP of `size` pixels of indices of `bitsAPixel` bits (1 or 8) into a palette, all of
    // them the colour's: 4.2 MB for 5,790 x 5,790 pixels of 1 bit. Its rows are stored from the
    // bottom up or, `topDown`, from the top down, its header then telling a negative height.
    // Nothing for an empty size or another depth.
    [[nodiscard]] static QByteArray bmp(QSize size, int bitsAPixel = 1, bool topDown = false);
    // An icon file (a cursor's, `cursor`) of `pictures` (PNGs, or BMPs as an icon holds them:
    // an info header and its rows, without the file header), its directory listing each at
    // 256 x 256 pixels, the most it can say, whatever the picture's own header declares.
    [[nodiscard]] static QByteArray icon(const QByteArrayList& pictures, bool cursor = false);
};

}  // namespace standin
