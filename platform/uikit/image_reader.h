#pragma once

#include "platform/uikit/decoding_budget.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageIOHandler>
#include <QImageReader>
#include <QSize>

#include <cstdint>

namespace ui {

// Reads encoded pictures (JPEG, PNG, BMP, the frames of a GIF, ...) within what a picture
// may cost decoded, as the image libraries of phones do. Their format is told from their first
// bytes (PictureFormat): bytes of another format decode to nothing, as bytes that are no
// picture do. So does a picture whose header tells no size, or declares more than
// kMostDeclaredPixels (an icon's PNG as its own header declares it, not its directory), or a JPEG
// whose decoder would hold more than kMostCoefficientBytes of its coefficients, or whose scans
// are more than kMostJpegScans or go through its blocks more than kMostJpegPasses times, before
// any of its rows is read. A picture of more pixels than the bound (kMaxPixels, or the caller's) is
// decoded scaled down to fit it, its shape kept; the JPEG and PNG decoders scale as
// they read (a progressive JPEG read at an eighth is read from its blocks' averages alone,
// JpegEighth, rather than held whole as its decoder holds it), the PNGs that they decode whole are
// read in averaged blocks (SampledPng), a still WebP is scaled as libwebp decodes it (ScaledWebp),
// and a GIF whose frames lie in a part of its canvas is decoded on that part, so its whole size is
// never held. The other formats (a TIFF, an animated WebP) are decoded whole, then scaled. What one
// read may take at once is bounded by kAllocationLimitMB: past it (a GIF or BMP canvas of tens of
// millions of pixels, a JPEG still too large at an eighth of its size) the picture does not decode,
// as bytes that are no picture do. What all the reads of the process hold at once is bounded by the
// DecodingBudget: a read takes its share before it decodes and gives it back when the reader goes.
class ImageReader {
public:
    // 2048 x 2048 pixels, 16 MB decoded. The largest picture the app shows sharp is a photo
    // filling the pager's 320 x 568-point page at scale 2, zoomed twice: 1280 x 2272 pixels,
    // 2.9 million; a photo of any shape that fills it fits within this bound.
    static constexpr std::int64_t kMaxPixels = 2048 * 2048;
    // Megabytes one read may allocate; 32 million pixels.
    static constexpr int kAllocationLimitMB = 128;
    // The most pixels a picture may declare, 8,192 x 8,192: a phone camera's largest photos
    // are of 48 to 50 million pixels (8,064 x 6,048; 8,160 x 6,120), its panoramas of up to 63
    // million. A decoder works through every pixel a picture declares whatever it is scaled to
    // (a progressive JPEG holds their coefficients, a PNG inflates their rows), and a few bytes
    // may declare billions: a picture that declares more is not decoded at all, in any format,
    // as bytes that are no picture are not.
    static constexpr std::int64_t kMostDeclaredPixels = std::int64_t(8192) * 8192;
    // The most a JPEG's decoder may hold of the coefficients of its whole picture, where its
    // scans bring them in turn (JpegScans): those of a colour photo of kMostDeclaredPixels,
    // its colour at half the resolution across and down as cameras write it, 3 bytes a pixel
    // (192 MB), and its blocks' rounding. One whose colour is at full resolution holds twice as
    // much a pixel, and decodes up to 35 million pixels.
    static constexpr std::int64_t kMostCoefficientBytes = std::int64_t(200) * 1024 * 1024;
    // The most scans a JPEG may hold, and the most times over they may bring its blocks
    // (JpegScans::passes). Its decoder works through every block of each scan before it gives
    // a row, whatever size it is asked for, and a scan of a whole picture's blocks takes a few
    // bytes. The progressive scripts of the encoders write 6 scans for grey, 10 for colour,
    // 14 for RGB and 18 for CMYK, 4.67 to 6 times over the blocks (the library's all-purpose
    // script, 60 scans for the ten components it takes at most, 6 times over); a sequential
    // JPEG of a scan a component brings them once. A JPEG of more scans, or more than twice
    // over the blocks an encoder brings them, is not decoded: within these, one costs at most
    // about what an honest progressive JPEG of its size costs.
    static constexpr int kMostJpegScans = 64;
    static constexpr int kMostJpegPasses = 12;

    // Reads `data`, decoding at most `maxPixels` pixels a picture.
    explicit ImageReader(const QByteArray& data, std::int64_t maxPixels = kMaxPixels);
    // Reads `data` for a view of `covered` pixels (upright, as the picture is shown): a picture
    // larger than what covers them is decoded to the smallest size of its shape that does, so
    // that a list's thumbnail holds the pixels its view shows and no more. An empty `covered`
    // reads as the constructor above does.
    ImageReader(const QByteArray& data, QSize covered, std::int64_t maxPixels = kMaxPixels);
    ImageReader(const ImageReader&) = delete;
    ImageReader& operator=(const ImageReader&) = delete;

    [[nodiscard]] bool canRead() { return reader_.canRead(); }
    [[nodiscard]] QByteArray format() const { return reader_.format(); }
    // The picture's size in pixels as its header gives it (a GIF's canvas, which each of its
    // frames is decoded onto whole; a BMP's rows, whichever way they are stored; an icon's
    // first picture, a PNG's as its own header declares it); invalid when it does not say.
    [[nodiscard]] QSize size() const;
    // How the pixels are to be turned to be shown upright, as the picture records it.
    [[nodiscard]] QImageIOHandler::Transformations transformation() const {
        return reader_.transformation();
    }
    // The next picture (the next frame of an animation) within the bound, in the layout it is
    // drawn from (drawingPixels); null when there is none or it does not decode. The first read
    // waits for the reader's share of the decoding budget.
    [[nodiscard]] QImage read();
    // Reads the next picture as read() does, as the last read of this reader: the decoder lets
    // go of what it decoded first, so that the pixels are laid out where they were decoded
    // rather than copied (a GIF canvas with a transparent colour, a whole canvas of 4 bytes a
    // pixel). Later reads give nothing.
    [[nodiscard]] QImage readLast();
    // Reads the next picture as read() does, only to go past it (a frame of an animation that a
    // later one builds on): it is not scaled nor placed. Whether it decoded.
    [[nodiscard]] bool skip();
    // The most the reads of this reader hold at once, in bytes, as the picture's header tells
    // (0 before the first read, and when the header does not tell the size): what they decode
    // to, in the layout the decoder makes (eight bytes a pixel for 16 bits a sample), and what
    // their decoder holds beside it (a JPEG's coefficients, a lossless WebP's whole picture);
    // the share of the decoding budget they take.
    [[nodiscard]] std::int64_t decodingBytes() const { return decodingBytes_; }
    [[nodiscard]] bool holdsShare() const { return share_.bytes() > 0; }

    // The size a picture of `size` pixels decodes to: itself when it has at most `maxPixels`
    // pixels, else scaled down to fit them, its shape kept.
    [[nodiscard]] static QSize boundedSize(QSize size, std::int64_t maxPixels = kMaxPixels);
    // The smallest size of the shape of `size` at least as wide and as high as `covered`;
    // `size` itself when it is no larger, or when `covered` is empty.
    [[nodiscard]] static QSize coveringSize(QSize size, QSize covered);
    // `pixels` in the layout the drawing code is fastest with (premultiplied ARGB32, or RGB32
    // without alpha) at a pixel ratio of 1.
    [[nodiscard]] static QImage drawingPixels(QImage pixels);

private:
    // How the picture is decoded: whole, or whole then scaled down, or scaled down as it is
    // read, or in averaged blocks (a PNG that the decoders decode whole; blocks of one pixel for
    // one the platform's decoder misreads) scaled down, or (a GIF whose frames lie in a part of
    // its canvas) that part alone, scaled down and placed on the canvas, or (a still WebP)
    // scaled down as libwebp decodes it, or (a progressive JPEG read at an eighth) from its
    // blocks' averages.
    enum class Road {
        Whole,
        WholeThenScaled,
        ScaledAsRead,
        Sampled,
        GifPart,
        ScaledWebp,
        JpegEighth
    };

    void decodeFrom(const QByteArray& bytes);
    void takeShare();
    // The layout the decoder tells it decodes the picture to (a PNG's in an icon file).
    [[nodiscard]] QImage::Format decodedFormat() const;
    // Has the decoder fill a GIF's canvas with its background colour where the first frame has a
    // colour table of its own.
    void fillGifCanvasWithItsBackground();
    // Plans the GIF part's road when it holds less than the canvas would.
    [[nodiscard]] bool readsGifPart(QSize full);
    // The next picture within the bound, in the layout its decoder gives.
    [[nodiscard]] QImage readBounded();
    // The decoder's next picture as it comes (the picture a road that reads the bytes itself
    // makes), null where it is not the part planned.
    [[nodiscard]] QImage readDecoded();
    [[nodiscard]] QImage readGifPart();

    // Declared first, so that it is given back once the decoder below has let go of its
    // buffers.
    DecodingBudget::Share share_;
    // The bytes read: as given, or a PNG's whole chunks and an end (PngChunks::wholeChunks), or
    // from the first read a GIF's frames cut after their last pixel that can land (GifCodeTrim).
    QByteArray data_;
    // The bytes the decoder reads: `data_`, or the GIF of the part of its canvas.
    QBuffer buffer_;
    QImageReader reader_;
    std::int64_t maxPixels_;
    // The upright pixels the picture is to cover; empty for no such bound.
    QSize covered_;
    bool started_ = false;
    Road road_ = Road::Whole;
    int step_ = 1;
    QSize boundedSize_;
    // The GIF's part of its canvas, and where it lies on the canvas scaled.
    QRect part_;
    QRect placed_;
    std::int64_t decodingBytes_ = 0;
};

}  // namespace ui
