#include "platform/uikit/sampled_png.h"

#include "platform/uikit/image_reader.h"
#include "platform/uikit/row_scaler.h"

#include <QImageReader>

#include <png.h>

#include <algorithm>
#include <array>
#include <bit>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace ui {

namespace {

constexpr int kSteps[] = {8, 4, 2};
constexpr int kPasses = 7;
// Bytes of the compressed rows libpng reads at a time: a download cut off loses at most these.
constexpr png_size_t kCompressedPieceBytes = 256;

// The inverses of the counts of pixels a block may have, 1 to 64.
constexpr auto kInverses = [] {
    std::array<double, 8 * 8 + 1> inverses{};
    for (std::size_t count = 1; count < inverses.size(); ++count) inverses[count] = 1.0 / count;
    return inverses;
}();

// The bytes libpng reads, from memory.
struct Input {
    const png_byte* bytes;
    std::size_t size;
    std::size_t at;
};

void readInput(png_structp png, png_bytep out, png_size_t length) {
    auto* input = static_cast<Input*>(png_get_io_ptr(png));
    if (input->size - input->at < length) png_error(png, "cut off");
    std::memcpy(out, input->bytes + input->at, length);
    input->at += length;
}

// Errors end the reading (back in the function that set the jump); warnings are not told.
[[noreturn]] void stopReading(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

struct Header {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    // Samples a pixel, 8 bits each: grey, grey and alpha, RGB or RGBA; or a palette index.
    int channels = 0;
    bool alpha = false;
    bool interlaced = false;
    png_size_t rowBytes = 0;
    // Whether the samples are palette indices, and each index's colour as a pixel of it adds
    // to the sums of its block (BlockRow).
    bool indexed = false;
    std::array<std::array<std::uint32_t, 4>, 256> palette{};
};

// The pixels block `block` of a side of `length` pixels averages, across or down, from the
// first: `step` of them from block * step on, or where the side ends sooner, those left there.
// Where those are an odd number short of the step and the block has a neighbour, it averages
// its neighbour's last pixel too, still lying over its own (RowScaler places it there): a
// pattern that changes from pixel to pixel (a one-pixel checkerboard, a dither) then averages
// to its grey at the edges as inside, where a block of one pixel, or three, would stand out. A
// step of 1 takes the pixels themselves, each alone.
png_uint_32 averagedFrom(png_uint_32 length, png_uint_32 step, png_uint_32 block) {
    const png_uint_32 start = block * step;
    const png_uint_32 count = std::min(length, start + step) - start;
    return count % 2 == 1 && count < step && start > 0 ? start - 1 : start;
}

png_uint_32 averagedTo(png_uint_32 length, png_uint_32 step, png_uint_32 block) {
    return std::min(length, (block + 1) * step);
}

// The sums of the pixels of a row of blocks, step x step pixels each (fewer at the picture's
// right and bottom edges, see averagedFrom), four a block: red, green and blue,
// premultiplied by alpha (255 times too large then, left so to keep every pixel's fraction),
// and alpha. Grey sums its level in the first.
class BlockRow {
public:
    BlockRow(const Header* header, int step)
        : header_(header),
          shift_(std::countr_zero(unsigned(step))),
          lastBlock_((header->width - 1) >> shift_),
          lastFrom_(averagedFrom(header->width, png_uint_32(step), lastBlock_)),
          sums_(std::size_t(lastBlock_ + 1) * 4) {}

    // Adds the `count` pixels of `pixels` that lie `spacing` apart from column `first` on.
    void add(png_const_bytep pixels, png_uint_32 count, png_uint_32 first, png_uint_32 spacing) {
        if (header_->indexed) return addPixels<0>(pixels, count, first, spacing);
        switch (header_->channels) {
            case 1:
                return addPixels<1>(pixels, count, first, spacing);
            case 2:
                return addPixels<2>(pixels, count, first, spacing);
            case 3:
                return addPixels<3>(pixels, count, first, spacing);
            default:
                return addPixels<4>(pixels, count, first, spacing);
        }
    }

    // The pixel the sums of block `block` make together with `weight` pixels of `before`, an
    // average of earlier pixels of the block (none when `weight` is 0), over `pixels` pixels in
    // all; premultiplied.
    [[nodiscard]] QRgb average(std::size_t block, QRgb before, std::uint32_t weight,
                               std::uint32_t pixels) const {
        const std::uint32_t* sums = sums_.data() + block * 4;
        const std::uint32_t unit = header_->alpha ? 255 : 1;
        // Multiplications by the count's inverse rather than divisions, which cost as much as
        // summing the block's pixels. Rounded to the nearest level (ties may go down).
        const double perPixel = kInverses[pixels];
        const double perColour = header_->alpha ? perPixel * (1.0 / 255) : perPixel;
        const auto mean = [&](std::uint32_t sum, int earlier, std::uint32_t of, double per) {
            return int(double(sum + std::uint32_t(earlier) * weight * of) * per + 0.5);
        };
        const bool grey = !header_->indexed && header_->channels <= 2;
        const int red = mean(sums[0], qRed(before), unit, perColour);
        const int green = grey ? red : mean(sums[1], qGreen(before), unit, perColour);
        const int blue = grey ? red : mean(sums[2], qBlue(before), unit, perColour);
        return qRgba(red, green, blue,
                     header_->alpha ? mean(sums[3], qAlpha(before), 1, perPixel) : 255);
    }

    void clear() { std::fill(sums_.begin(), sums_.end(), 0); }

private:
    // Pixels `spacing` apart from column `first` (less than `spacing`, as a pass's first
    // column is) fall a fixed number to a block: step / spacing each, or one in every
    // spacing / step blocks. Each block's pixels are summed apart before they are added to it.
    template <int Channels>
    void addPixels(png_const_bytep pixels, png_uint_32 count, png_uint_32 first,
                   png_uint_32 spacing) {
        const png_uint_32 step = 1u << shift_;
        const png_uint_32 perBlock = spacing >= step ? 1 : step / spacing;
        const std::size_t blocksApart = spacing >= step ? spacing / step : 1;
        std::uint32_t* block = sums_.data() + std::size_t(first >> shift_) * 4;
        for (png_uint_32 at = 0; at < count; at += perBlock, block += blocksApart * 4) {
            addSpan<Channels>(pixels, at, std::min(count, at + perBlock), block);
        }
        // The last block's pixels left of its own, which its neighbour has too.
        const png_uint_32 lastStart = lastBlock_ << shift_;
        if (lastFrom_ < lastStart) {
            const auto index = [&](png_uint_32 column) {
                return column <= first ? 0 : (column - first + spacing - 1) / spacing;
            };
            addSpan<Channels>(pixels, std::min(count, index(lastFrom_)),
                              std::min(count, index(lastStart)),
                              sums_.data() + std::size_t(lastBlock_) * 4);
        }
    }

    // Adds pixels [from, to) of `pixels` to the four sums at `block`.
    template <int Channels>
    void addSpan(png_const_bytep pixels, png_uint_32 from, png_uint_32 to, std::uint32_t* block) {
        constexpr int kBytes = Channels == 0 ? 1 : Channels;
        std::uint32_t red = 0, green = 0, blue = 0, alpha = 0;
        for (png_const_bytep pixel = pixels + std::size_t(from) * kBytes;
             pixel < pixels + std::size_t(to) * kBytes; pixel += kBytes) {
            if constexpr (Channels == 0) {
                const auto& colour = header_->palette[pixel[0]];
                red += colour[0];
                green += colour[1];
                blue += colour[2];
                alpha += colour[3];
            } else if constexpr (Channels == 1) {
                red += pixel[0];
            } else if constexpr (Channels == 2) {
                red += std::uint32_t(pixel[0]) * pixel[1];
                alpha += pixel[1];
            } else if constexpr (Channels == 3) {
                red += pixel[0];
                green += pixel[1];
                blue += pixel[2];
            } else {
                red += std::uint32_t(pixel[0]) * pixel[3];
                green += std::uint32_t(pixel[1]) * pixel[3];
                blue += std::uint32_t(pixel[2]) * pixel[3];
                alpha += pixel[3];
            }
        }
        block[0] += red;
        block[1] += green;
        block[2] += blue;
        block[3] += alpha;
    }

    const Header* header_;
    int shift_;
    png_uint_32 lastBlock_;
    // The first column the last block averages.
    png_uint_32 lastFrom_;
    std::vector<std::uint32_t> sums_;
};

// The functions that libpng may jump out of hold nothing that needs destroying.

// The palette's colours as their pixels add to a block's sums. An index past the palette is
// shown as the platform's decoder shows it in the whole picture: as the first entry, or, one
// bit a pixel, as opaque white. Entries past the alphas of a tRNS chunk are opaque. With alpha
// the colours are premultiplied, 255 times too large.
void readPalette(png_structp png, png_infop info, Header* header) {
    png_colorp colours = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &colours, &count);
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    png_get_tRNS(png, info, &alphas, &alphaCount, nullptr);
    header->alpha = alphas && alphaCount > 0;
    const bool pastIsWhite = png_get_bit_depth(png, info) == 1;
    for (int index = 0; index < 256; ++index) {
        const bool past = index >= count;
        const int entry = past ? 0 : index;
        const std::uint32_t alpha =
            !(past && pastIsWhite) && entry < alphaCount && alphas ? alphas[entry] : 255;
        const png_color colour = past && pastIsWhite        ? png_color{255, 255, 255}
                                 : entry < count && colours ? colours[entry]
                                                            : png_color{};
        const std::uint32_t unit = header->alpha ? alpha : 1;
        header->palette[std::size_t(index)] = {colour.red * unit, colour.green * unit,
                                               colour.blue * unit, alpha};
    }
}

// Reads the header and asks for rows of 8-bit samples: grey levels of fewer bits made 8, a
// transparent colour made alpha; a palette's indices a byte each, their colours looked up as
// the sums are made rather than written out by libpng. False when libpng gave up.
bool readHeader(png_structp png, png_infop info, Header* header) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    header->indexed = png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE;
    if (header->indexed) {
        png_set_packing(png);
        readPalette(png, info, header);
    } else {
        png_set_expand(png);
        png_set_strip_16(png);
    }
    png_read_update_info(png, info);
    header->width = png_get_image_width(png, info);
    header->height = png_get_image_height(png, info);
    header->channels = png_get_channels(png, info);
    header->alpha = header->alpha || (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) != 0;
    header->interlaced = png_get_interlace_type(png, info) == PNG_INTERLACE_ADAM7;
    header->rowBytes = png_get_rowbytes(png, info);
    return header->channels >= 1 && header->channels <= 4 &&
           header->rowBytes == png_size_t(header->width) * png_size_t(header->channels);
}

// Reads the rows of a picture that is not interlaced, averaging each step x step block of
// pixels as they come and giving each row of averages, once its blocks are whole, to `scaler`.
// The rows that the last row of blocks shares with the one above it are summed in `shared` too,
// which then takes over.
bool readRows(png_structp png, const Header* header, int step, png_bytep row, BlockRow* blocks,
              BlockRow* shared, QRgb* averages, RowScaler* scaler) {
    if (setjmp(png_jmpbuf(png))) return false;
    const auto stride = png_uint_32(step);
    const png_uint_32 lastBlock = (header->width - 1) / stride;
    const png_uint_32 lastRow = (header->height - 1) / stride;
    const png_uint_32 lastRowFrom = averagedFrom(header->height, stride, lastRow);
    for (png_uint_32 y = 0; y < header->height; ++y) {
        png_read_row(png, row, nullptr);
        const png_uint_32 blockRow = y / stride;
        blocks->add(row, header->width, 0, 1);
        if (y >= lastRowFrom && blockRow != lastRow) shared->add(row, header->width, 0, 1);
        if (y + 1 != averagedTo(header->height, stride, blockRow)) continue;
        const png_uint_32 rows = y + 1 - averagedFrom(header->height, stride, blockRow);
        for (png_uint_32 block = 0; block <= lastBlock; ++block) {
            const png_uint_32 columns = averagedTo(header->width, stride, block) -
                                        averagedFrom(header->width, stride, block);
            averages[block] = blocks->average(block, 0, 0, columns * rows);
        }
        scaler->addRow(averages);
        blocks->clear();
        if (blockRow + 1 == lastRow) std::swap(*blocks, *shared);
    }
    return true;
}

// How many pixels of pass `pass` lie in [from, to) across (rows when `down`).
png_uint_32 passPixelsIn(int pass, png_uint_32 from, png_uint_32 to, bool down) {
    return down ? PNG_PASS_ROWS(to, pass) - PNG_PASS_ROWS(from, pass)
                : PNG_PASS_COLS(to, pass) - PNG_PASS_COLS(from, pass);
}

// How many pixels of each pass each column of blocks holds, step pixels wide (at most 8), and
// room for how many the passes before one brought each block of a row.
struct PassCounts {
    std::array<std::vector<std::uint8_t>, kPasses> columns;
    std::vector<std::uint32_t> before;
};

PassCounts passCountsOf(const Header& header, int step) {
    const auto stride = png_uint_32(step);
    const png_uint_32 blocks = (header.width - 1) / stride + 1;
    PassCounts counts;
    counts.before.resize(blocks);
    for (int pass = 0; pass < kPasses; ++pass) {
        auto& ofPass = counts.columns[std::size_t(pass)];
        ofPass.resize(blocks);
        for (png_uint_32 block = 0; block < blocks; ++block) {
            ofPass[block] =
                std::uint8_t(passPixelsIn(pass, averagedFrom(header.width, stride, block),
                                          averagedTo(header.width, stride, block), false));
        }
    }
    return counts;
}

// Reads an interlaced picture's passes, averaging each step x step block of pixels into a
// pixel of `sampled` as the passes bring them: a pass's pixels of a row of blocks are summed as
// its rows come, then folded into the average of the earlier passes' pixels of each block,
// every pixel weighing one. The rows that the last row of blocks shares with the one above it
// are summed in `shared` too, which takes over for that row. Counts in `passesRead` the passes
// read whole.
bool readPasses(png_structp png, const Header* header, int step, PassCounts* counts, png_bytep row,
                BlockRow* blocks, BlockRow* shared, uchar* sampled, qsizetype bytesPerLine,
                int* passesRead) {
    if (setjmp(png_jmpbuf(png))) return false;
    const auto stride = png_uint_32(step);
    const png_uint_32 lastRow = (header->height - 1) / stride;
    const png_uint_32 lastRowFrom = averagedFrom(header->height, stride, lastRow);
    const auto fold = [&](int pass, png_uint_32 blockRow) {
        std::array<png_uint_32, kPasses> rows{};
        for (int earlier = 0; earlier <= pass; ++earlier) {
            rows[std::size_t(earlier)] =
                passPixelsIn(earlier, averagedFrom(header->height, stride, blockRow),
                             averagedTo(header->height, stride, blockRow), true);
        }
        // How many pixels the earlier passes brought each block of the row.
        std::vector<std::uint32_t>& before = counts->before;
        std::fill(before.begin(), before.end(), 0);
        for (int earlier = 0; earlier < pass; ++earlier) {
            const auto& columns = counts->columns[std::size_t(earlier)];
            const png_uint_32 rowsOf = rows[std::size_t(earlier)];
            for (std::size_t block = 0; block < before.size(); ++block) {
                before[block] += columns[block] * rowsOf;
            }
        }
        auto* out = reinterpret_cast<QRgb*>(sampled + qsizetype(blockRow) * bytesPerLine);
        const auto& columns = counts->columns[std::size_t(pass)];
        for (std::size_t block = 0; block < before.size(); ++block) {
            const png_uint_32 added = columns[block] * rows[std::size_t(pass)];
            if (added == 0) continue;
            const std::uint32_t weight = before[block];
            out[block] =
                blocks->average(block, weight > 0 ? out[block] : 0, weight, weight + added);
        }
        blocks->clear();
    };
    for (int pass = 0; pass < kPasses; ++pass) {
        const png_uint_32 passColumns = PNG_PASS_COLS(header->width, pass);
        const png_uint_32 passRows = PNG_PASS_ROWS(header->height, pass);
        // libpng skips an empty pass.
        if (passColumns == 0 || passRows == 0) continue;
        const png_uint_32 firstColumn = PNG_PASS_START_COL(pass);
        const png_uint_32 spacing = PNG_PASS_COL_OFFSET(pass);
        png_uint_32 blockRow = 0;
        for (png_uint_32 passRow = 0; passRow < passRows; ++passRow) {
            png_read_row(png, row, nullptr);
            const png_uint_32 y = PNG_ROW_FROM_PASS_ROW(passRow, pass);
            const png_uint_32 rowBlock = y / stride;
            if (rowBlock != blockRow) {
                fold(pass, std::exchange(blockRow, rowBlock));
                if (rowBlock == lastRow) std::swap(*blocks, *shared);
            }
            blocks->add(row, passColumns, firstColumn, spacing);
            if (y >= lastRowFrom && rowBlock != lastRow) {
                shared->add(row, passColumns, firstColumn, spacing);
            }
        }
        fold(pass, blockRow);
        // A pass whose rows of the last row of blocks are all shared with the row above it.
        if (blockRow != lastRow && passPixelsIn(pass, lastRowFrom, header->height, true) > 0) {
            std::swap(*blocks, *shared);
            fold(pass, lastRow);
        }
        *passesRead = pass + 1;
    }
    return true;
}

// The picture's blocks of step x step pixels averaged, scaled down to `size`; null when the
// bytes end or break before every block has a pixel, or the averages would take more than a
// read may allocate.
QImage readAveraged(png_structp png, const Header& header, int step, QSize size) {
    const QSize full(int(header.width), int(header.height));
    const QSize sampledSize = SampledPng::sampledSize(full, step);
    const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (limit > 0 && qint64(sampledSize.width()) * sampledSize.height() * 4 > limit) return {};
    std::vector<png_byte> row(header.rowBytes);
    BlockRow blocks(&header, step);
    BlockRow shared(&header, step);
    if (!header.interlaced) {
        RowScaler scaler(full, step, size, header.alpha);
        std::vector<QRgb> averages(std::size_t(sampledSize.width()));
        if (!readRows(png, &header, step, row.data(), &blocks, &shared, averages.data(), &scaler)) {
            return {};
        }
        return scaler.result();
    }
    // The passes bring their pixels out of the rows' order: the averages are held whole before
    // they are scaled.
    QImage sampled(sampledSize,
                   header.alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (sampled.isNull()) return {};
    PassCounts counts = passCountsOf(header, step);
    int passesRead = 0;
    const bool read = readPasses(png, &header, step, &counts, row.data(), &blocks, &shared,
                                 sampled.bits(), sampled.bytesPerLine(), &passesRead);
    // The first passes bring a pixel of every block: the first one of a step of 8, three of 4,
    // five of 2, all seven of 1. Bytes that end or break after them (a download cut off) leave
    // the averages of the pixels that came.
    if (!read && passesRead < (step == 8 ? 1 : step == 4 ? 3 : step == 2 ? 5 : kPasses)) return {};
    RowScaler scaler(full, step, size, header.alpha);
    scaler.addRows(sampled);
    return scaler.result();
}

}  // namespace

bool SampledPng::isDecodedWhole(const QByteArray& data) {
    // The signature, then the header chunk: its length and type, width, height, bit depth
    // (byte 24), colour type (25), compression, filter and interlace method (28).
    if (data.size() <= 28 || !data.startsWith("\x89PNG\r\n\x1a\n") || data.mid(12, 4) != "IHDR") {
        return false;
    }
    const int depth = quint8(data[24]);
    const int colorType = quint8(data[25]);
    constexpr int kGrey = 0, kPalette = 3;
    return data[28] == 1 || depth == 16 || colorType == kGrey || colorType == kPalette;
}

int SampledPng::stepFor(QSize full, QSize wanted) {
    for (const int step : kSteps) {
        const QSize sampled = sampledSize(full, step);
        if (sampled.width() >= wanted.width() && sampled.height() >= wanted.height()) return step;
    }
    return 1;
}

QSize SampledPng::sampledSize(QSize full, int step) {
    return {(full.width() + step - 1) / step, (full.height() + step - 1) / step};
}

bool SampledPng::isInterlaced(const QByteArray& data) {
    return isDecodedWhole(data) && data[28] == 1;
}

QImage SampledPng::readScaled(const QByteArray& data, int step, QSize size) {
    if (step != 8 && step != 4 && step != 2 && step != 1) return {};
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, stopReading, ignoreWarning);
    if (!png) return {};
    png_infop info = png_create_info_struct(png);
    Input input{reinterpret_cast<const png_byte*>(data.constData()), std::size_t(data.size()), 0};
    png_set_read_fn(png, &input, readInput);
    // libpng reads the compressed rows a piece at a time, 8 KB by default, and a piece that the
    // bytes end in is not read at all: a picture cut off in its last piece (a small one in its
    // only one) would show nothing of the passes before the cut.
    png_set_compression_buffer_size(png, kCompressedPieceBytes);
    // The chunks the blocks need are the picture's header, palette, transparency and data:
    // libpng goes past the others without holding them, so that one that claims more bytes than
    // there are (a text chunk of 1.3 GB in a file of a few hundred) costs nothing.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    Header header;
    QImage scaled;
    // Past the pixels a picture may declare, no row is read.
    if (info && readHeader(png, info, &header) &&
        std::int64_t(header.width) * header.height <= ImageReader::kMostDeclaredPixels) {
        scaled = readAveraged(png, header, step, size);
    }
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return scaled;
}

}  // namespace ui
