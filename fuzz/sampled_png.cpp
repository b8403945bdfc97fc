// The PNGs that the platform's decoder decodes whole, read past a bound in averaged blocks
// (SampledPng, the road the image reader takes for them). The first byte chooses the step: 8,
// 4 or 2 (its low two bits 0, 1 or 2), or (3) the one the image reader takes for the bound, and
// then the reader reads the picture too; the next two bytes are the bound in pixels less one,
// big-endian; the rest is the PNG. A side of its header longer than 8,192 pixels, of a picture
// that may be read, is folded within them (kMostSide). Its checksums are mended before it is
// read, each chunk's CRC-32 and the Adler-32 that ends the compressed rows: libpng drops an
// ancillary chunk whose CRC is wrong and gives up on a critical one or on rows whose Adler-32 is
// wrong, so a change to a chunk's bytes would otherwise never reach the road.
//
// The picture is asked for at the largest size within the bound that keeps the shape of its
// blocks of the step. What comes is nothing or a picture of that size, premultiplied ARGB32 or
// opaque RGB32, and reading the same bytes again gives the same pixels. Where libpng decodes
// the picture whole, the road gives a picture too, each pixel an average of the pixels it
// covers, weighed by what of each it covers, the two of a pair (columns or rows 0 and 1, 2 and
// 3, ...) nearly alike: where the step divides the picture and the picture comes at the size
// of its blocks, each pixel is its block's average, within the rounding of an interlaced
// picture's passes; otherwise each pixel lies within the range of the pixels it covers and the
// one past each of its edges. The image reader's picture is the road's, of the size the bound
// allows and within it.
//
// The road reads the bytes as they come, bounded on its own; libpng's whole decode, the
// reference, reads the bytes the app decodes (PngChunks::wholeChunks: a chunk that claims more
// bytes than the file has left out), as it would otherwise allocate what such a chunk claims.
#include "platform/uikit/sampled_png.h"
#include "platform/uikit/image_reader.h"
#include "platform/uikit/png_chunks.h"

#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QSize>

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

namespace {

using ui::ImageReader;
using ui::SampledPng;

constexpr int kSteps[] = {8, 4, 2};
constexpr int kReadersStep = 3;
constexpr qsizetype kPrefixBytes = 3;
// Pictures of more pixels are not decoded whole to be compared: a mutated header may claim
// millions, and the comparison is of the averaging, which small pictures reach whole.
constexpr std::int64_t kMostWholePixels = 256 * 256;
// The longest side of a picture read that a picture may declare: a side that is longer, of a
// picture of no more pixels than a picture may declare (ImageReader::kMostDeclaredPixels), is
// folded to its remainder by it. The road weighs every pixel of each side before it reads a
// row (AreaWeights), so that a header of a few bytes claiming a side of up to a million pixels
// cost a hundred times the rest of a run under the fuzzing build's instrumentation, and such
// headers, which a mutation reaches in a step, took most of the runs. Nothing of the road grows
// past this side but that cost: its spans split at AreaWeights::kMostUnits pixels, which a side
// of this length reaches at a bound of a pixel. A picture of more pixels is refused before any
// side is weighed, and keeps its sides.
constexpr std::uint32_t kMostSide = 8'192;
// How far a block's average may lie from the exact mean of its pixels, in levels: rounded once
// when its rows are read in order; a translucent interlaced picture's blocks of 2 x 2 are kept
// to whole levels from pass to pass, each pass's pixels folded into them, and stay within a
// level.
constexpr double kRowsTolerance = 0.5 + 1e-6;
constexpr double kPassesTolerance = 1.0 + 1e-6;

void fail(const char* what) {
    std::fprintf(stderr, "sampled_png: %s\n", what);
    std::abort();
}

void check(bool holds, const char* what) {
    if (!holds) fail(what);
}

std::uint32_t bigEndianAt(const QByteArray& bytes, qsizetype at) {
    return std::uint32_t(quint8(bytes[at])) << 24 | std::uint32_t(quint8(bytes[at + 1])) << 16 |
           std::uint32_t(quint8(bytes[at + 2])) << 8 | std::uint32_t(quint8(bytes[at + 3]));
}

// A chunk that the bytes hold whole: where its length is, and the length of its data.
struct Chunk {
    qsizetype at;
    std::uint32_t length;
    bool imageData;
};

std::vector<Chunk> wholeChunks(const QByteArray& png) {
    constexpr qsizetype kSignature = 8;
    std::vector<Chunk> chunks;
    for (qsizetype at = kSignature; png.size() - at >= 12;) {
        const std::uint32_t length = bigEndianAt(png, at);
        if (length > std::uint32_t(png.size() - at - 12)) break;
        chunks.push_back({at, length, png.mid(at + 4, 4) == "IDAT"});
        at += 12 + qsizetype(length);
    }
    return chunks;
}

// Writes the Adler-32 of what the IDAT chunks' compressed stream inflates to after the stream's
// end, over the one there; zlib checks it once the stream ends, which reading the last row of a
// small picture reaches. Nothing where the stream does not inflate to its end.
void mendStreamCheck(QByteArray* png, const std::vector<Chunk>& chunks) {
    // Where each byte of the stream lies in the file.
    std::vector<qsizetype> places;
    QByteArray stream;
    for (const Chunk& chunk : chunks) {
        if (!chunk.imageData) continue;
        for (qsizetype at = chunk.at + 8; at < chunk.at + 8 + qsizetype(chunk.length); ++at) {
            places.push_back(at);
        }
        stream.append(png->mid(chunk.at + 8, qsizetype(chunk.length)));
    }
    constexpr qsizetype kHeader = 2;
    if (stream.size() <= kHeader) return;
    z_stream inflating{};
    if (inflateInit2(&inflating, -MAX_WBITS) != Z_OK) return;
    inflating.next_in = reinterpret_cast<Bytef*>(stream.data() + kHeader);
    inflating.avail_in = uInt(stream.size() - kHeader);
    std::array<Bytef, 64 * 1024> out{};
    uLong adler = adler32(0, nullptr, 0);
    int status = Z_OK;
    while (status == Z_OK) {
        inflating.next_out = out.data();
        inflating.avail_out = uInt(out.size());
        status = inflate(&inflating, Z_NO_FLUSH);
        adler = adler32(adler, out.data(), uInt(out.size() - inflating.avail_out));
    }
    const qsizetype end = kHeader + qsizetype(inflating.total_in);
    inflateEnd(&inflating);
    if (status != Z_STREAM_END || stream.size() - end < 4) return;
    for (int byte = 0; byte < 4; ++byte) {
        (*png)[places[std::size_t(end + byte)]] = char(adler >> (24 - 8 * byte));
    }
}

// Folds the header's width and height within kMostSide where libpng reads them and they make a
// picture that may be read (before the checksums are mended).
void foldLongSides(QByteArray* png) {
    constexpr qsizetype kWidthAt = 16;
    constexpr qsizetype kHeightAt = 20;
    if (png->size() < kHeightAt + 4) return;
    const std::uint32_t width = bigEndianAt(*png, kWidthAt);
    const std::uint32_t height = bigEndianAt(*png, kHeightAt);
    if (width > PNG_USER_WIDTH_MAX || height > PNG_USER_HEIGHT_MAX ||
        std::int64_t(width) * height > ImageReader::kMostDeclaredPixels) {
        return;
    }
    for (const qsizetype at : {kWidthAt, kHeightAt}) {
        const std::uint32_t side = bigEndianAt(*png, at);
        if (side <= kMostSide) continue;
        const std::uint32_t folded = (side - 1) % kMostSide + 1;
        for (int byte = 0; byte < 4; ++byte) (*png)[at + byte] = char(folded >> (24 - 8 * byte));
    }
}

// Writes the CRC-32 of each chunk over the one it has.
void mendChecksums(QByteArray* png, const std::vector<Chunk>& chunks) {
    for (const Chunk& chunk : chunks) {
        const auto* typeAndData = reinterpret_cast<const Bytef*>(png->constData() + chunk.at + 4);
        const auto crc = std::uint32_t(crc32(0, typeAndData, uInt(4 + chunk.length)));
        const qsizetype crcAt = chunk.at + 8 + qsizetype(chunk.length);
        for (int byte = 0; byte < 4; ++byte) (*png)[crcAt + byte] = char(crc >> (24 - 8 * byte));
    }
}

// The picture's size as its header says, when libpng reads pictures of that size: it refuses
// those past its limits (a million pixels a side), which the image reader so never plans for.
std::optional<QSize> headerSize(const QByteArray& png) {
    if (png.size() < 24) return std::nullopt;
    const std::uint32_t width = bigEndianAt(png, 16);
    const std::uint32_t height = bigEndianAt(png, 20);
    if (width == 0 || height == 0 || width > PNG_USER_WIDTH_MAX || height > PNG_USER_HEIGHT_MAX) {
        return std::nullopt;
    }
    return QSize(int(width), int(height));
}

// The functions that libpng may jump out of hold nothing that needs destroying.

// A palette's colours as RGBA, one entry for each index a byte may hold. An index past the
// palette is shown as the road shows it, as the platform's decoder shows the whole picture: as
// the first entry, or, one bit a pixel, as opaque white. Entries past the alphas of a tRNS chunk
// are opaque.
using Palette = std::array<std::array<png_byte, 4>, 256>;

Palette paletteOf(png_structp png, png_infop info) {
    png_colorp colours = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &colours, &count);
    if (!colours) count = 0;
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    png_get_tRNS(png, info, &alphas, &alphaCount, nullptr);
    if (!alphas) alphaCount = 0;
    const bool pastIsWhite = png_get_bit_depth(png, info) == 1;
    Palette palette{};
    for (int index = 0; index < 256; ++index) {
        const bool past = index >= count;
        const int entry = past ? 0 : index;
        const bool white = past && pastIsWhite;
        const png_color colour = white           ? png_color{255, 255, 255}
                                 : entry < count ? colours[entry]
                                                 : png_color{};
        const png_byte alpha = !white && entry < alphaCount ? alphas[entry] : 255;
        palette[std::size_t(index)] = {colour.red, colour.green, colour.blue, alpha};
    }
    return palette;
}

// Reads the header and asks for the rows as the road asks for them, 8-bit samples with a
// transparent colour made alpha, and then each pixel made RGBA (a palette's indices a byte each,
// looked up in `palette` once read) and the passes of an interlaced picture put together. False
// when libpng gave up.
bool readWholeHeader(png_structp png, png_infop info, png_uint_32* width, png_uint_32* height,
                     std::optional<Palette>* palette) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    const bool indexed = png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE;
    if (indexed) {
        *palette = paletteOf(png, info);
        png_set_packing(png);
    } else {
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
    }
    (void)png_set_interlace_handling(png);
    png_read_update_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    const png_size_t channels = indexed ? 1 : 4;
    return png_get_channels(png, info) == channels &&
           png_get_rowbytes(png, info) == png_size_t(*width) * channels;
}

// Each index of a row read a byte a pixel into the start of `row` made its palette's RGBA, from
// the last pixel back so that none is written over before it is read.
void lookUp(png_bytep row, png_uint_32 width, const Palette& palette) {
    for (png_uint_32 x = width; x-- > 0;) {
        const auto& colour = palette[row[x]];
        std::copy(colour.begin(), colour.end(), row + std::size_t(x) * 4);
    }
}

bool readWholeRows(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    return true;
}

// The picture decoded whole by libpng, RGBA of 8 bits a sample; nothing when it does not decode
// or has more than kMostWholePixels pixels.
struct Whole {
    QSize size;
    std::vector<png_byte> rgba;
};

std::optional<Whole> decodedWhole(QByteArray data) {
    // Read through the C library's stream on the bytes, as libpng reads files: a read past
    // their end is an error, which jumps back as every error does; warnings are not told.
    FILE* file = fmemopen(data.data(), std::size_t(data.size()), "rb");
    if (!file) return std::nullopt;
    png_structp png = png_create_read_struct(
        PNG_LIBPNG_VER_STRING, nullptr,
        [](png_structp read, png_const_charp) { png_longjmp(read, 1); },
        [](png_structp, png_const_charp) {});
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (png) png_init_io(png, file);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    std::optional<Palette> palette;
    std::optional<Whole> whole;
    if (info && readWholeHeader(png, info, &width, &height, &palette) &&
        std::int64_t(width) * height <= kMostWholePixels) {
        whole = Whole{QSize(int(width), int(height)),
                      std::vector<png_byte>(std::size_t(width) * height * 4)};
        std::vector<png_bytep> rows(height);
        for (png_uint_32 y = 0; y < height; ++y) rows[y] = whole->rgba.data() + y * width * 4;
        if (!readWholeRows(png, rows.data())) {
            whole.reset();
        } else if (palette) {
            for (png_bytep row : rows) lookUp(row, width, *palette);
        }
    }
    png_destroy_read_struct(png ? &png : nullptr, info ? &info : nullptr, nullptr);
    std::fclose(file);
    return whole;
}

// A block's mean, premultiplied: red, green, blue and alpha in levels, not rounded.
using Mean = std::array<double, 4>;

// The first pixel, across or down, that block `block` of a side of `length` pixels averages:
// its own first, or where it holds an odd number short of the step, its neighbour's last.
int averagedFrom(int length, int step, int block) {
    const int start = block * step;
    const int count = std::min(length, start + step) - start;
    return count % 2 == 1 && count < step && start > 0 ? start - 1 : start;
}

// The exact means of the whole picture's blocks of step x step pixels (fewer at its right and
// bottom edges), row by row.
std::vector<Mean> blockMeans(const Whole& whole, int step) {
    const QSize blocks = SampledPng::sampledSize(whole.size, step);
    std::vector<Mean> means(std::size_t(blocks.width()) * blocks.height());
    for (int blockY = 0; blockY < blocks.height(); ++blockY) {
        for (int blockX = 0; blockX < blocks.width(); ++blockX) {
            std::array<std::uint64_t, 4> sums{};
            std::uint64_t count = 0;
            for (int y = averagedFrom(whole.size.height(), step, blockY);
                 y < std::min(whole.size.height(), (blockY + 1) * step); ++y) {
                for (int x = averagedFrom(whole.size.width(), step, blockX);
                     x < std::min(whole.size.width(), (blockX + 1) * step); ++x) {
                    const png_byte* pixel =
                        whole.rgba.data() + (std::size_t(y) * whole.size.width() + x) * 4;
                    for (int channel = 0; channel < 3; ++channel) {
                        sums[std::size_t(channel)] += std::uint64_t(pixel[channel]) * pixel[3];
                    }
                    sums[3] += pixel[3];
                    ++count;
                }
            }
            Mean& mean = means[std::size_t(blockY) * blocks.width() + blockX];
            for (std::size_t channel = 0; channel < 3; ++channel) {
                mean[channel] = double(sums[channel]) / (255.0 * double(count));
            }
            mean[3] = double(sums[3]) / double(count);
        }
    }
    return means;
}

std::array<int, 4> channelsOf(QRgb pixel) {
    return {qRed(pixel), qGreen(pixel), qBlue(pixel), qAlpha(pixel)};
}

// A picture the road gives: premultiplied ARGB32, or RGB32 with every pixel opaque.
void checkLayout(const QImage& picture) {
    const bool alpha = picture.format() == QImage::Format_ARGB32_Premultiplied;
    check(alpha || picture.format() == QImage::Format_RGB32, "a layout other than the drawing's");
    for (int y = 0; y < picture.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const auto [red, green, blue, opacity] = channelsOf(line[x]);
            if (!alpha) check(opacity == 255, "an RGB32 pixel that is not opaque");
            check(red <= opacity && green <= opacity && blue <= opacity,
                  "a colour past its alpha in a premultiplied pixel");
        }
    }
}

// The averages at their own size: each pixel within `tolerance` of its block's mean.
void checkAverages(const QImage& averages, const std::vector<Mean>& means, double tolerance) {
    for (int y = 0; y < averages.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(averages.constScanLine(y));
        for (int x = 0; x < averages.width(); ++x) {
            const Mean& mean = means[std::size_t(y) * averages.width() + x];
            const std::array<int, 4> channels = channelsOf(line[x]);
            for (std::size_t channel = 0; channel < 4; ++channel) {
                check(std::abs(channels[channel] - mean[channel]) <= tolerance,
                      "a block's average away from the mean of its pixels");
            }
        }
    }
}

// The first and the last pixel, across or down, that pixel `pixel` of `pixels` over a side of
// `length` picture pixels weighs: those it covers, and the one past each of its edges, which
// a pair its edge cuts takes with it.
std::pair<int, int> pixelsUnder(int pixel, int pixels, int length) {
    const double scale = double(length) / pixels;
    return {std::max(0, int(std::floor(pixel * scale)) - 1),
            std::min(length - 1, int(std::ceil((pixel + 1) * scale)))};
}

// Each pixel of `scaled` lies within the range of the pixels it weighs of `whole`,
// premultiplied.
void checkScaled(const QImage& scaled, const Whole& whole, double tolerance) {
    // A scaled pixel is rounded once more.
    const double slack = tolerance + 1;
    for (int y = 0; y < scaled.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(scaled.constScanLine(y));
        const auto [top, bottom] = pixelsUnder(y, scaled.height(), whole.size.height());
        for (int x = 0; x < scaled.width(); ++x) {
            const auto [left, right] = pixelsUnder(x, scaled.width(), whole.size.width());
            Mean least{255, 255, 255, 255};
            Mean most{};
            for (int row = top; row <= bottom; ++row) {
                for (int column = left; column <= right; ++column) {
                    const png_byte* pixel =
                        whole.rgba.data() + (std::size_t(row) * whole.size.width() + column) * 4;
                    for (std::size_t channel = 0; channel < 4; ++channel) {
                        const double level =
                            channel == 3 ? pixel[3] : pixel[channel] * (pixel[3] / 255.0);
                        least[channel] = std::min(least[channel], level);
                        most[channel] = std::max(most[channel], level);
                    }
                }
            }
            const std::array<int, 4> channels = channelsOf(line[x]);
            for (std::size_t channel = 0; channel < 4; ++channel) {
                check(channels[channel] >= least[channel] - slack &&
                          channels[channel] <= most[channel] + slack,
                      "a pixel outside the range of the pixels it covers");
            }
        }
    }
}

// The image reader within `bound` takes the road for this picture at the step and size read:
// its picture comes where the road's (`sampled`) came, of its size and within the bound.
void checkReader(const QByteArray& png, std::int64_t bound, QSize full, const QImage& sampled) {
    ImageReader reader(png, bound);
    // The reader plans its road from the size Qt's header reader tells.
    if (reader.size() != full) return;
    const QImage picture = reader.read();
    check(picture.isNull() == sampled.isNull(), "the reader's picture is not the road's");
    if (picture.isNull()) return;
    check(picture.size() == sampled.size(), "the reader's picture is not of the road's size");
    check(std::int64_t(picture.width()) * picture.height() <= bound,
          "the reader's picture past its bound");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // What one read may allocate, which the road reads too, is set by the first reader; here it
    // is 4 MB rather than the app's 128, so that a header claiming millions of pixels reaches
    // the limit without the run filling a hundred megabytes first.
    { const ImageReader first(QByteArray("\x89PNG")); }
    QImageReader::setAllocationLimit(4);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < std::size_t(kPrefixBytes)) return 0;
    const int choice = data[0] & 3;
    const std::int64_t bound = (std::int64_t(data[1]) << 8 | data[2]) + 1;
    QByteArray png(reinterpret_cast<const char*>(data + kPrefixBytes),
                   qsizetype(size) - kPrefixBytes);
    foldLongSides(&png);
    const std::vector<Chunk> chunks = wholeChunks(png);
    mendStreamCheck(&png, chunks);
    mendChecksums(&png, chunks);

    const std::optional<QSize> full = headerSize(png);
    int step = 0;
    QSize asked(1, 1);
    if (full && choice == kReadersStep) {
        asked = ImageReader::boundedSize(*full, bound);
        step = SampledPng::stepFor(*full, asked);
        // The reader reads the picture whole, or has Qt scale it: not this road.
        if (step == 1 || asked == *full) return 0;
    } else {
        step = kSteps[choice % 3];
        if (full) asked = ImageReader::boundedSize(SampledPng::sampledSize(*full, step), bound);
    }

    const QImage sampled = SampledPng::readScaled(png, step, asked);
    check(SampledPng::readScaled(png, step, asked) == sampled,
          "the same bytes read again give other pixels");
    if (!sampled.isNull()) {
        check(sampled.size() == asked, "a picture of another size than asked");
        checkLayout(sampled);
    }
    if (!full) return 0;
    const QSize blocks = SampledPng::sampledSize(*full, step);
    check(asked.width() <= blocks.width() && asked.height() <= blocks.height(),
          "a size asked past the blocks of the step");
    if (choice == kReadersStep && SampledPng::isDecodedWhole(png)) {
        checkReader(png, bound, *full, sampled);
    }

    const std::optional<Whole> whole = decodedWhole(ui::PngChunks::wholeChunks(png));
    if (!whole) return 0;
    check(!sampled.isNull(), "nothing from a picture that libpng decodes whole");
    // The header's interlace method, which libpng read.
    const double tolerance = png[28] == 1 ? kPassesTolerance : kRowsTolerance;
    checkScaled(sampled, *whole, tolerance);
    if (full->width() % step == 0 && full->height() % step == 0) {
        checkAverages(asked == blocks ? sampled : SampledPng::readScaled(png, step, blocks),
                      blockMeans(*whole, step), tolerance);
    }
    return 0;
}
