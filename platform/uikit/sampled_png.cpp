#include "platform/uikit/sampled_png.h"

#include "platform/uikit/area_weights.h"
#include "platform/uikit/image_reader.h"
#include "platform/uikit/row_scaler.h"

#include <QImageReader>

#include <png.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>
#include <vector>

namespace ui {

namespace {

constexpr int kSteps[] = {8, 4, 2};
constexpr int kPasses = 7;
// Bytes of the compressed rows libpng reads at a time, its own default; fewer near the end of
// the bytes (readInput).
constexpr png_size_t kCompressedPieceBytes = 8 * 1024;

// Division by the counts of pixels a block held whole may have (blocks of 2 x 2 at most), times
// 1 or 255 (a colour premultiplied by alphas of 0-255), rounded to the nearest: by
// multiplication, which costs a fraction of a division. (1 << 40) / divisor rounded up gives
// the exact quotient of every numerator below (1 << 40) / divisor, past all that a block's
// sums reach.
struct Divisor {
    std::uint64_t times;
    std::uint32_t half;
};

constexpr int kDivisorShift = 40;

constexpr auto kDivisors = [] {
    std::array<std::array<Divisor, 2 * 2 + 1>, 2> divisors{};
    for (std::size_t count = 1; count < divisors[0].size(); ++count) {
        for (std::size_t premultiplied = 0; premultiplied < 2; ++premultiplied) {
            const std::uint64_t divisor = count * (premultiplied ? 255 : 1);
            divisors[premultiplied][count] = {
                ((std::uint64_t(1) << kDivisorShift) + divisor - 1) / divisor,
                std::uint32_t(divisor / 2)};
        }
    }
    return divisors;
}();

int divided(std::uint32_t numerator, const Divisor& divisor) {
    return int(std::uint64_t(numerator + divisor.half) * divisor.times >> kDivisorShift);
}

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
    // libpng gives up on a piece of the compressed rows that the bytes end in: where fewer
    // bytes are left than a piece, the next piece is those, so that a download cut off shows
    // the rows its every byte brings.
    const std::size_t left = input->size - input->at;
    if (left > 0 && left < kCompressedPieceBytes) png_set_compression_buffer_size(png, left);
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

// Adds pixels [from, to) of a row of `header`'s samples to the four sums at `sums`: red, green
// and blue, premultiplied by alpha (255 times too large then, left so to keep every pixel's
// fraction), and alpha; grey sums its level in the first, a palette index its colour.
template <int Channels, typename Sum>
void sumPixels(const Header& header, png_const_bytep pixels, png_uint_32 from, png_uint_32 to,
               Sum* sums) {
    constexpr int kBytes = Channels == 0 ? 1 : Channels;
    std::uint32_t red = 0, green = 0, blue = 0, alpha = 0;
    for (png_const_bytep pixel = pixels + std::size_t(from) * kBytes;
         pixel < pixels + std::size_t(to) * kBytes; pixel += kBytes) {
        if constexpr (Channels == 0) {
            const auto& colour = header.palette[pixel[0]];
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
    // Grey has no green nor blue, and grey or RGB no alpha, to add.
    sums[0] += Sum(red);
    if constexpr (Channels == 0 || Channels >= 3) {
        sums[1] += Sum(green);
        sums[2] += Sum(blue);
    }
    if constexpr (Channels % 2 == 0) sums[3] += Sum(alpha);
}

// The pixels of a row read summed together: [from, to) into the sums of slot `slot`.
struct Run {
    png_uint_32 from;
    png_uint_32 to;
    std::uint32_t slot;
};

// A pixel summed alone, into the sums of slot `slot`: one on a result pixel's edge, of weights
// of its own.
struct Single {
    png_uint_32 pixel;
    std::uint32_t slot;
};

// How a row's pixels are summed: runs, and pixels alone, which take no loop of their own.
struct Pieces {
    std::vector<Run> runs;
    std::vector<Single> singles;

    void add(png_uint_32 from, png_uint_32 to, std::uint32_t slot) {
        if (to - from == 1) {
            singles.push_back({from, slot});
        } else if (to > from) {
            runs.push_back({from, to, slot});
        }
    }
};

// Calls `read` with how many samples `header`'s pixels have (0: a palette index) as a
// constant, for the loops over pixels to be made for each.
template <typename Read>
void withChannels(const Header& header, Read&& read) {
    if (header.indexed) return read(std::integral_constant<int, 0>());
    switch (header.channels) {
        case 1:
            return read(std::integral_constant<int, 1>());
        case 2:
            return read(std::integral_constant<int, 2>());
        case 3:
            return read(std::integral_constant<int, 3>());
        default:
            return read(std::integral_constant<int, 4>());
    }
}

// Adds the pixels of a row read to the sums of their pieces' slots, four a slot (sumPixels).
void sumPieces(const Header& header, png_const_bytep pixels, const Pieces& pieces,
               std::int32_t* sums) {
    withChannels(header, [&](auto channels) {
        for (const Run& run : pieces.runs) {
            sumPixels<channels()>(header, pixels, run.from, run.to,
                                  sums + std::size_t(run.slot) * 4);
        }
        constexpr int kBytes = channels() == 0 ? 1 : channels();
        for (const Single& single : pieces.singles) {
            std::int32_t* slot = sums + std::size_t(single.slot) * 4;
            const png_const_bytep pixel = pixels + std::size_t(single.pixel) * kBytes;
            if constexpr (channels() == 0) {
                // The colour's four numbers added at once, where the machine has vector
                // registers.
                using Lanes = std::uint32_t __attribute__((vector_size(16)));
                Lanes colour;
                Lanes sum;
                std::memcpy(&colour, header.palette[pixel[0]].data(), sizeof colour);
                std::memcpy(&sum, slot, sizeof sum);
                sum += colour;
                std::memcpy(slot, &sum, sizeof sum);
            } else {
                sumPixels<channels()>(header, pixel, 0, 1, slot);
            }
        }
    });
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
        withChannels(*header_,
                     [&](auto channels) { addPixels<channels()>(pixels, count, first, spacing); });
    }

    // The pixel the sums of block `block` make together with `weight` pixels of `before`, an
    // average of earlier pixels of the block (none when `weight` is 0), over `pixels` pixels in
    // all; premultiplied.
    [[nodiscard]] QRgb average(std::size_t block, QRgb before, std::uint32_t weight,
                               std::uint32_t pixels) const {
        const std::uint32_t* sums = sums_.data() + block * 4;
        const std::uint32_t unit = header_->alpha ? 255 : 1;
        const Divisor& perPixel = kDivisors[0][pixels];
        const Divisor& perColour = kDivisors[header_->alpha ? 1 : 0][pixels];
        const auto mean = [&](std::uint32_t sum, int earlier, std::uint32_t of,
                              const Divisor& per) {
            return divided(sum + std::uint32_t(earlier) * weight * of, per);
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

    template <int Channels>
    void addSpan(png_const_bytep pixels, png_uint_32 from, png_uint_32 to, std::uint32_t* block) {
        sumPixels<Channels>(*header_, pixels, from, to, block);
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

// How much each pixel of a side of `length` weighs in each of `cells` result pixels, for a
// step: at 1, what of it each covers; else in pairs (AreaWeights::ofPairs), at a step of 2 the
// two alike, as an interlaced picture's blocks of 2 x 2 average them, at 4 or 8 within
// `uneven` of a pixel.
AreaWeights weightsOf(int length, int cells, int step, double uneven) {
    return step == 1 ? AreaWeights::ofBlocks(length, 1, cells)
                     : AreaWeights::ofPairs(length, cells, step == 2 ? 0.0 : uneven);
}

// The pieces of a row that are the spans of `weights` across, each into its span's sums.
Pieces piecesOf(const AreaWeights& weights) {
    Pieces pieces;
    for (const AreaWeights::Span& span : weights.spans()) {
        pieces.add(png_uint_32(span.from), png_uint_32(span.to),
                   std::uint32_t(&span - weights.spans().data()));
    }
    return pieces;
}

// Reads the rows of a picture that is not interlaced, each row's pixels summed by the pieces
// of equal weights across into the sums `scaler` weighs.
bool readRows(png_structp png, const Header* header, const Pieces* pieces, png_bytep row,
              RowScaler* scaler) {
    if (setjmp(png_jmpbuf(png))) return false;
    for (png_uint_32 y = 0; y < header->height; ++y) {
        png_read_row(png, row, nullptr);
        sumPieces(*header, row, *pieces, scaler->sumsFor(int(y)));
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

// An opaque interlaced picture's blocks of 2 x 2 pixels are summed as the passes bring their
// pixels, each block's red, green and blue (grey: its level, in the first) in ten bits of a
// word each: four pixels of 255 sum to 1,020 at most, so nothing is averaged until every pass
// has come.
constexpr int kLevelBits = 10;

// Adds the `count` pixels of a pass's row at `pixels`, `spacing` apart from column `first` on,
// to the sums of their blocks of 2 x 2 at `sums`; the pixel of column `borrowed` to the last
// block's too.
template <int Channels>
void addToPacked(const std::uint32_t* palette, png_const_bytep pixels, png_uint_32 count,
                 png_uint_32 first, png_uint_32 spacing, png_uint_32 borrowed,
                 std::uint32_t* sums) {
    constexpr int kBytes = Channels == 0 ? 1 : Channels;
    png_uint_32 column = first;
    for (png_const_bytep pixel = pixels; pixel < pixels + std::size_t(count) * kBytes;
         pixel += kBytes, column += spacing) {
        std::uint32_t levels;
        if constexpr (Channels == 0) {
            levels = palette[pixel[0]];
        } else if constexpr (Channels == 1) {
            levels = pixel[0];
        } else {
            levels = pixel[0] | std::uint32_t(pixel[1]) << kLevelBits |
                     std::uint32_t(pixel[2]) << 2 * kLevelBits;
        }
        sums[column / 2] += levels;
        if (column == borrowed) sums[column / 2 + 1] += levels;
    }
}

// Reads an opaque interlaced picture's passes, summing each block's pixels of 2 x 2 (and the
// column and row the last blocks borrow, where a side is odd) in `sums`, `wordsPerLine` a row
// of blocks. Counts in `passesRead` the passes read whole, and in `rowsRead` the rows read of
// the next.
bool readPassesPacked(png_structp png, const Header* header, const std::uint32_t* palette,
                      png_bytep row, std::uint32_t* sums, qsizetype wordsPerLine, int* passesRead,
                      png_uint_32* rowsRead) {
    if (setjmp(png_jmpbuf(png))) return false;
    const auto borrowedOf = [](png_uint_32 length) {
        return length % 2 == 1 && length > 1 ? length - 2 : ~png_uint_32(0);
    };
    const png_uint_32 borrowedColumn = borrowedOf(header->width);
    const png_uint_32 borrowedRow = borrowedOf(header->height);
    const auto add = header->indexed         ? addToPacked<0>
                     : header->channels == 1 ? addToPacked<1>
                                             : addToPacked<3>;
    for (int pass = 0; pass < kPasses; ++pass) {
        const png_uint_32 passColumns = PNG_PASS_COLS(header->width, pass);
        const png_uint_32 passRows = PNG_PASS_ROWS(header->height, pass);
        // libpng skips an empty pass.
        if (passColumns == 0 || passRows == 0) continue;
        for (png_uint_32 passRow = 0; passRow < passRows; ++passRow) {
            png_read_row(png, row, nullptr);
            const png_uint_32 y = PNG_ROW_FROM_PASS_ROW(passRow, pass);
            std::uint32_t* line = sums + qsizetype(y / 2) * wordsPerLine;
            add(palette, row, passColumns, PNG_PASS_START_COL(pass), PNG_PASS_COL_OFFSET(pass),
                borrowedColumn, line);
            if (y == borrowedRow) {
                add(palette, row, passColumns, PNG_PASS_START_COL(pass), PNG_PASS_COL_OFFSET(pass),
                    borrowedColumn, line + wordsPerLine);
            }
            *rowsRead = passRow + 1;
        }
        *passesRead = pass + 1;
        *rowsRead = 0;
    }
    return true;
}

// Makes the packed sums of `sampled`'s blocks their averages, in place, each over the pixels
// that came to it: every pass's where all came, else the first `passesRead` passes' and
// `rowsRead` rows of the next.
void averagePacked(const Header& header, const PassCounts& counts, bool whole, int passesRead,
                   png_uint_32 rowsRead, bool grey, QImage* sampled) {
    const QSize blocks = sampled->size();
    std::array<png_uint_32, kPasses> rows{};
    for (int y = 0; y < blocks.height(); ++y) {
        const png_uint_32 from = averagedFrom(header.height, 2, png_uint_32(y));
        const png_uint_32 to = averagedTo(header.height, 2, png_uint_32(y));
        for (int pass = 0; pass < kPasses && !whole; ++pass) {
            png_uint_32 end = pass < passesRead ? to : 0;
            if (pass == passesRead && rowsRead > 0) {
                end = std::clamp(PNG_ROW_FROM_PASS_ROW(rowsRead - 1, pass) + 1, from, to);
            }
            rows[std::size_t(pass)] = end > from ? passPixelsIn(pass, from, end, true) : 0;
        }
        auto* line = reinterpret_cast<QRgb*>(sampled->scanLine(y));
        for (int x = 0; x < blocks.width(); ++x) {
            std::uint32_t pixels =
                std::min<png_uint_32>(2, header.width) * std::min<png_uint_32>(2, header.height);
            if (!whole) {
                pixels = 0;
                for (int pass = 0; pass < kPasses; ++pass) {
                    pixels +=
                        counts.columns[std::size_t(pass)][std::size_t(x)] * rows[std::size_t(pass)];
                }
            }
            if (pixels == 0) continue;
            const Divisor& per = kDivisors[0][pixels];
            const std::uint32_t sums = line[x];
            const int red = divided(sums & ((1u << kLevelBits) - 1), per);
            const int green =
                grey ? red : divided(sums >> kLevelBits & ((1u << kLevelBits) - 1), per);
            const int blue = grey ? red : divided(sums >> 2 * kLevelBits, per);
            line[x] = qRgb(red, green, blue);
        }
    }
}

// What a pass of an interlaced picture brings the result: the pieces of its rows that are the
// spans of equal weights across, and how much its pixels weigh in each result pixel across
// and in each down (their product is what of a result pixel the pass's pixels cover).
struct PassShare {
    Pieces pieces;
    std::vector<float> across;
    std::vector<float> down;
};

using PassShares = std::array<PassShare, kPasses>;

PassShares passSharesOf(const AreaWeights& across, const AreaWeights& down) {
    PassShares shares;
    for (int pass = 0; pass < kPasses; ++pass) {
        PassShare& share = shares[std::size_t(pass)];
        share.across.assign(std::size_t(across.cells()), 0);
        share.down.assign(std::size_t(down.cells()), 0);
        for (const AreaWeights::Span& span : across.spans()) {
            const png_uint_32 from = PNG_PASS_COLS(png_uint_32(span.from), pass);
            const png_uint_32 to = PNG_PASS_COLS(png_uint_32(span.to), pass);
            const auto slot = std::uint32_t(&span - across.spans().data());
            share.pieces.add(from, to, slot);
            for (const AreaWeights::Share* cell = across.shares(span);
                 cell < across.sharesEnd(span); ++cell) {
                share.across[std::size_t(cell->cell)] += float(to - from) * cell->weight;
            }
        }
        for (const AreaWeights::Span& span : down.spans()) {
            const png_uint_32 rows = PNG_PASS_ROWS(png_uint_32(span.to), pass) -
                                     PNG_PASS_ROWS(png_uint_32(span.from), pass);
            for (const AreaWeights::Share* cell = down.shares(span); cell < down.sharesEnd(span);
                 ++cell) {
                share.down[std::size_t(cell->cell)] += float(rows) * cell->weight;
            }
        }
    }
    return shares;
}

// What an interlaced picture's passes bring each result pixel is summed in four numbers of 16
// bits, its levels (premultiplied) times the share of the result pixel the pixels that bring
// them cover, in 256ths: 255 levels over the whole result pixel sum to 65,280, and each pass's
// share is rounded to 1/256 of a level, which a result pixel that a share of 1/64 of its pixels
// has come to (a download cut off after the first pass) still shows within a level.
constexpr float kSumsPerLevel = 256;

void addToSums(const float* pixels, int width, std::uint16_t* sums) {
    for (int at = 0; at < width * 4; ++at) {
        sums[at] = std::uint16_t(sums[at] + std::uint16_t(pixels[at] * kSumsPerLevel + 0.5f));
    }
}

// A picture of `size`, in the memory of `sums`: each result pixel its sums over what of its
// pixels came, the passes' result rows up to `ended` of each; the memory freed with it.
QImage averagesOf(const PassShares& shares, const std::array<int, kPasses>& ended, bool alpha,
                  QSize size, std::uint16_t* sums) {
    // Each pixel of four bytes is written where the first half of its sums of eight lay, once
    // read: behind the sums still to read.
    auto* bytes = reinterpret_cast<uchar*>(sums);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const std::size_t at = std::size_t(y) * size.width() + x;
            float weight = 0;
            for (int pass = 0; pass < kPasses; ++pass) {
                const PassShare& share = shares[std::size_t(pass)];
                if (y < ended[std::size_t(pass)]) {
                    weight += share.across[std::size_t(x)] * share.down[std::size_t(y)];
                }
            }
            std::array<std::uint16_t, 4> pixel;
            std::memcpy(pixel.data(), bytes + at * 8, 8);
            const float perSum = weight > 0 ? 1.0f / (kSumsPerLevel * weight) : 0;
            const auto level = [&](int channel) {
                return std::min(255, int(float(pixel[std::size_t(channel)]) * perSum + 0.5f));
            };
            const int opacity = alpha ? level(3) : 255;
            const QRgb averaged = qRgba(std::min(opacity, level(0)), std::min(opacity, level(1)),
                                        std::min(opacity, level(2)), opacity);
            std::memcpy(bytes + at * 4, &averaged, 4);
        }
    }
    // Shrunk in place: the pixels fill the first half.
    void* pixels = std::realloc(sums, std::size_t(size.width()) * size.height() * 4);
    if (!pixels) pixels = sums;
    return QImage(static_cast<uchar*>(pixels), size.width(), size.height(), size.width() * 4,
                  alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32, std::free,
                  pixels);
}

// Whether the first `passes` passes bring a pixel to every result pixel.
bool everyResultPixelHasOne(const PassShares& shares, int passes) {
    // The passes that bring pixels to each column of result pixels and to each row, as bits:
    // a result pixel has one where its column's and its row's share a pass.
    const auto passesOf = [&](const std::vector<float> PassShare::*side) {
        std::vector<bool> seen(1 << kPasses);
        for (std::size_t cell = 0; cell < (shares[0].*side).size(); ++cell) {
            unsigned bits = 0;
            for (int pass = 0; pass < passes; ++pass) {
                if ((shares[std::size_t(pass)].*side)[cell] > 0) bits |= 1u << pass;
            }
            seen[bits] = true;
        }
        return seen;
    };
    const std::vector<bool> across = passesOf(&PassShare::across);
    const std::vector<bool> down = passesOf(&PassShare::down);
    for (unsigned columns = 0; columns < across.size(); ++columns) {
        for (unsigned rows = 0; rows < down.size(); ++rows) {
            if (across[columns] && down[rows] && (columns & rows) == 0) return false;
        }
    }
    return true;
}

// Reads an interlaced picture's passes, each pass's pixels summed by the pieces of equal
// weights across into the sums its own scaler weighs. Counts in `passesRead` the passes read
// whole.
bool readPassesWeighed(png_structp png, const Header* header, const PassShares* shares,
                       std::vector<RowScaler>* scalers, png_bytep row, int* passesRead) {
    if (setjmp(png_jmpbuf(png))) return false;
    for (int pass = 0; pass < kPasses; ++pass) {
        const png_uint_32 passRows = PNG_PASS_ROWS(header->height, pass);
        // libpng skips an empty pass.
        if (PNG_PASS_COLS(header->width, pass) != 0 && passRows != 0) {
            RowScaler& scaler = (*scalers)[std::size_t(pass)];
            const Pieces& pieces = (*shares)[std::size_t(pass)].pieces;
            for (png_uint_32 passRow = 0; passRow < passRows; ++passRow) {
                png_read_row(png, row, nullptr);
                sumPieces(*header, row, pieces,
                          scaler.sumsFor(int(PNG_ROW_FROM_PASS_ROW(passRow, pass))));
            }
            scaler.finish();
        }
        *passesRead = pass + 1;
    }
    return true;
}

// What a reading of the picture holds and gives.
struct Reading {
    const Header& header;
    int step;
    QSize full;
    QSize size;
    bool grey;
    // How far apart the two pixels of a pair may weigh (AreaWeights::ofPairs): a one-pixel
    // checkerboard within half a level of grey.
    double uneven;
    std::vector<png_byte> row;
};

// A picture that is not interlaced: each row's pixels summed by the spans of equal weights
// across, the sums weighed as the rows come.
QImage readWeighed(png_structp png, Reading* reading) {
    const Header& header = reading->header;
    AreaWeights across =
        weightsOf(reading->full.width(), reading->size.width(), reading->step, reading->uneven);
    const Pieces pieces = piecesOf(across);
    RowScaler scaler(
        std::move(across),
        weightsOf(reading->full.height(), reading->size.height(), reading->step, reading->uneven),
        header.alpha);
    scaler.sumsAre(header.alpha ? 255 : 1, reading->grey);
    if (!readRows(png, &header, &pieces, reading->row.data(), &scaler)) return {};
    scaler.finish();
    return scaler.result();
}

// An interlaced picture read at a step of 4 or 8: the passes bring their pixels out of the
// rows' order, and each is weighed into the result pixels' sums as its rows come.
QImage readPassesIntoSums(png_structp png, Reading* reading) {
    const Header& header = reading->header;
    const QSize size = reading->size;
    const AreaWeights across =
        weightsOf(reading->full.width(), size.width(), reading->step, reading->uneven);
    const AreaWeights down =
        weightsOf(reading->full.height(), size.height(), reading->step, reading->uneven);
    const PassShares shares = passSharesOf(across, down);
    // Eight bytes a result pixel, within the image reader's share for the blocks of the step
    // and the result; the result takes the first half of them (averagesOf).
    auto* sums = static_cast<std::uint16_t*>(
        std::calloc(std::size_t(size.width()) * size.height(), 4 * sizeof(std::uint16_t)));
    if (!sums) return {};
    std::array<int, kPasses> ended{};
    std::vector<RowScaler> scalers;
    for (int pass = 0; pass < kPasses; ++pass) {
        scalers.emplace_back(across, down, [&, pass](int y, const float* pixels) {
            addToSums(pixels, size.width(), sums + std::size_t(y) * size.width() * 4);
            ended[std::size_t(pass)] = y + 1;
        });
        scalers.back().sumsAre(header.alpha ? 255 : 1, reading->grey);
        // A pass's pixels lie in some spans across alone (the first pass's every 8th).
        const Pieces& pieces = shares[std::size_t(pass)].pieces;
        std::vector<std::uint32_t> spans;
        for (const Run& run : pieces.runs) spans.push_back(run.slot);
        for (const Single& single : pieces.singles) spans.push_back(single.slot);
        std::sort(spans.begin(), spans.end());
        scalers.back().sumsOnlyIn(spans);
    }
    int passesRead = 0;
    if (!readPassesWeighed(png, &header, &shares, &scalers, reading->row.data(), &passesRead) &&
        !everyResultPixelHasOne(shares, passesRead)) {
        std::free(sums);
        return {};
    }
    return averagesOf(shares, ended, header.alpha, size, sums);
}

// An interlaced picture read at a step of 1 or 2: its blocks are held whole, and scaled once
// all passes have come.
QImage readPassesIntoBlocks(png_structp png, Reading* reading) {
    const Header& header = reading->header;
    const int step = reading->step;
    QImage sampled(SampledPng::sampledSize(reading->full, step),
                   header.alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (sampled.isNull()) return {};
    PassCounts counts = passCountsOf(header, step);
    int passesRead = 0;
    bool read = false;
    if (step == 2 && !header.alpha) {
        std::array<std::uint32_t, 256> palette{};
        for (std::size_t index = 0; index < palette.size(); ++index) {
            const auto& colour = header.palette[index];
            palette[index] = colour[0] | colour[1] << kLevelBits | colour[2] << 2 * kLevelBits;
        }
        // Not fill(): it makes an opaque picture's pixels opaque.
        std::memset(sampled.bits(), 0, std::size_t(sampled.sizeInBytes()));
        png_uint_32 rowsRead = 0;
        read = readPassesPacked(png, &header, palette.data(), reading->row.data(),
                                reinterpret_cast<std::uint32_t*>(sampled.bits()),
                                sampled.bytesPerLine() / 4, &passesRead, &rowsRead);
        averagePacked(header, counts, read, passesRead, rowsRead, reading->grey, &sampled);
    } else {
        BlockRow blocks(&header, step);
        BlockRow shared(&header, step);
        read = readPasses(png, &header, step, &counts, reading->row.data(), &blocks, &shared,
                          sampled.bits(), sampled.bytesPerLine(), &passesRead);
    }
    // The first passes bring a pixel of every block: five of a step of 2, all seven of 1.
    // Bytes that end or break after them (a download cut off) leave the averages of the pixels
    // that came.
    if (!read && passesRead < (step == 2 ? 5 : kPasses)) return {};
    RowScaler scaler(reading->full, step, reading->size, header.alpha);
    scaler.addRows(sampled);
    return scaler.result();
}

// The picture's pixels averaged by what of each a result pixel of `size` covers, as the step
// has them weigh (weightsOf); null when the bytes end or break before every result pixel (a
// block, for an interlaced picture held in blocks) has a pixel, or the blocks of the step
// would take more than a read may allocate.
QImage readAveraged(png_structp png, const Header& header, int step, QSize size) {
    const QSize full(int(header.width), int(header.height));
    const QSize sampledSize = SampledPng::sampledSize(full, step);
    const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (limit > 0 && qint64(sampledSize.width()) * sampledSize.height() * 4 > limit) return {};
    if (size.isEmpty() || size.width() > full.width() || size.height() > full.height()) return {};
    Reading reading{header,
                    step,
                    full,
                    size,
                    !header.indexed && header.channels <= 2,
                    std::sqrt(double(full.width()) * full.height() /
                              (double(size.width()) * size.height() * 255)),
                    std::vector<png_byte>(header.rowBytes)};
    return !header.interlaced ? readWeighed(png, &reading)
           : step >= 4        ? readPassesIntoSums(png, &reading)
                              : readPassesIntoBlocks(png, &reading);
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
