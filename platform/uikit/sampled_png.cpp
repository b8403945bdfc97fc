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
#include <memory>
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
    // to the sums of its span (sumPixels).
    bool indexed = false;
    std::array<std::array<std::uint32_t, 4>, 256> palette{};
};

// Adds pixels [from, to) of a row of `header`'s samples to the four sums at `sums`: red, green
// and blue, premultiplied by alpha (255 times too large then, left so to keep every pixel's
// fraction), and alpha; grey sums its level in the first, a palette index its colour.
template <int Channels, typename Sum>
void sumPixels(const Header& header, png_const_bytep pixels, png_uint_32 from, png_uint_32 to,
               Sum* sums) {
    constexpr int kBytes = Channels == 0 ? 1 : Channels;
    if constexpr (Channels == 0) {
        // A palette index's colour, its four numbers added at once where the machine has
        // vector registers.
        using Lanes = std::uint32_t __attribute__((vector_size(16)));
        Lanes sum{};
        for (png_const_bytep pixel = pixels + from; pixel < pixels + to; ++pixel) {
            Lanes colour;
            std::memcpy(&colour, header.palette[*pixel].data(), sizeof colour);
            sum += colour;
        }
        for (int lane = 0; lane < 4; ++lane) sums[lane] += Sum(sum[lane]);
        return;
    }
    std::uint32_t red = 0, green = 0, blue = 0, alpha = 0;
    for (png_const_bytep pixel = pixels + std::size_t(from) * kBytes;
         pixel < pixels + std::size_t(to) * kBytes; pixel += kBytes) {
        if constexpr (Channels == 1) {
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
    if constexpr (Channels >= 3) {
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

// The functions that libpng may jump out of hold nothing that needs destroying.

// The palette's colours as their pixels add to a span's sums. An index past the palette is
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
// step: at 1, what of it each covers; at 2 exactly that too, split into what the two of each
// pair weigh alike and their saddles (AreaWeights::ofSaddles: the scaler takes the median of
// the averages they make); at 4 or 8 in pairs (AreaWeights::ofPairs), the two within `uneven`
// of a pixel.
AreaWeights weightsOf(int length, int cells, int step, double uneven) {
    return step == 1   ? AreaWeights::ofBlocks(length, 1, cells)
           : step == 2 ? AreaWeights::ofSaddles(length, cells)
                       : AreaWeights::ofPairs(length, cells, uneven);
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

// The passes of an interlaced picture that bring its even rows: the first five their even
// columns, the sixth their odd ones; the seventh brings the odd rows whole, in order.
constexpr int kEvenRowPasses = 6;

// Copies the `count` pixels of a pass's row, `bytes` bytes each, `spacing` apart from column
// `first` on, to where they lie in `line`.
template <std::size_t Bytes>
void placePixels(png_const_bytep pixels, png_uint_32 count, png_uint_32 first, png_uint_32 spacing,
                 png_bytep line) {
    png_bytep to = line + std::size_t(first) * Bytes;
    for (png_const_bytep pixel = pixels; pixel < pixels + std::size_t(count) * Bytes;
         pixel += Bytes, to += std::size_t(spacing) * Bytes) {
        std::memcpy(to, pixel, Bytes);
    }
}

// Reads an interlaced picture's passes: those of its even rows into `even`, a row of
// `header->rowBytes` each, every pixel where it lies; then each odd row as the last pass brings
// it, summed by the pieces of equal weights across into the sums `scaler` weighs after the
// even row above it, as a picture that is not interlaced is read. Counts in `passesRead` the
// passes read whole, in `rowsRead` the rows read of the next, and in `rowsWeighed` the rows
// summed.
bool readPassesIntoRows(png_structp png, const Header* header, const Pieces* pieces, png_bytep even,
                        png_bytep row, RowScaler* scaler, int* passesRead, png_uint_32* rowsRead,
                        png_uint_32* rowsWeighed) {
    if (setjmp(png_jmpbuf(png))) return false;
    const std::size_t bytes = header->rowBytes / header->width;
    const auto place = bytes == 1   ? placePixels<1>
                       : bytes == 2 ? placePixels<2>
                       : bytes == 3 ? placePixels<3>
                                    : placePixels<4>;
    for (int pass = 0; pass < kPasses; ++pass) {
        const png_uint_32 passColumns = PNG_PASS_COLS(header->width, pass);
        const png_uint_32 passRows = PNG_PASS_ROWS(header->height, pass);
        // libpng skips an empty pass.
        if (passColumns != 0 && passRows != 0) {
            for (png_uint_32 passRow = 0; passRow < passRows; ++passRow) {
                png_read_row(png, row, nullptr);
                const png_uint_32 y = PNG_ROW_FROM_PASS_ROW(passRow, pass);
                png_bytep above = even + std::size_t(y / 2) * header->rowBytes;
                if (pass < kEvenRowPasses) {
                    place(row, passColumns, PNG_PASS_START_COL(pass), PNG_PASS_COL_OFFSET(pass),
                          above);
                } else {
                    sumPieces(*header, above, *pieces, scaler->sumsFor(int(y - 1)));
                    sumPieces(*header, row, *pieces, scaler->sumsFor(int(y)));
                    *rowsWeighed = y + 1;
                }
                *rowsRead = passRow + 1;
            }
        }
        *passesRead = pass + 1;
        *rowsRead = 0;
    }
    return true;
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
    // checkerboard within three quarters of a level of its grey, so that each pixel of it
    // rounds to one of the grey's two nearest levels, and a grating as near its exact average
    // as that leaves (at a step of 4, within two levels of it on average; half a level of grey
    // left a period of 12 pixels 2.1 off).
    double uneven;
    std::vector<png_byte> row;
};

// The scaler of a picture whose rows are weighed in order, and in `pieces` the spans of equal
// weights across that each row's pixels are summed by.
RowScaler rowScalerOf(const Reading& reading, Pieces* pieces) {
    AreaWeights across =
        weightsOf(reading.full.width(), reading.size.width(), reading.step, reading.uneven);
    *pieces = piecesOf(across);
    RowScaler scaler(
        std::move(across),
        weightsOf(reading.full.height(), reading.size.height(), reading.step, reading.uneven),
        reading.header.alpha);
    scaler.sumsAre(reading.header.alpha ? 255 : 1, reading.grey);
    return scaler;
}

// A picture that is not interlaced: each row's pixels summed by the spans of equal weights
// across, the sums weighed as the rows come.
QImage readWeighed(png_structp png, Reading* reading) {
    const Header& header = reading->header;
    Pieces pieces;
    RowScaler scaler = rowScalerOf(*reading, &pieces);
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

// An interlaced picture read at a step of 1 or 2: its even rows are held whole (half its
// pixels, as many bytes each as its samples) until the last pass brings the odd rows between
// them, then each row is weighed in order as a picture that is not interlaced is. Bytes that
// end or break after the first five passes (a download cut off; at a step of 1, after all
// seven) leave the pixels that came: a pixel of an even row that the sixth pass did not bring
// is taken as the one left of it, and an odd row that the last did not as the row above it.
QImage readPassesIntoRows(png_structp png, Reading* reading) {
    const Header& header = reading->header;
    Pieces pieces;
    RowScaler scaler = rowScalerOf(*reading, &pieces);
    const std::size_t rowBytes = header.rowBytes;
    const png_uint_32 evenRows = (header.height + 1) / 2;
    const std::unique_ptr<png_byte, decltype(&std::free)> even(
        static_cast<png_bytep>(std::malloc(std::size_t(evenRows) * rowBytes)), std::free);
    if (!even) return {};
    int passesRead = 0;
    png_uint_32 rowsRead = 0;
    png_uint_32 rowsWeighed = 0;
    if (!readPassesIntoRows(png, &header, &pieces, even.get(), reading->row.data(), &scaler,
                            &passesRead, &rowsRead, &rowsWeighed) &&
        passesRead < (reading->step == 2 ? kEvenRowPasses - 1 : kPasses)) {
        return {};
    }
    // Cut off in the sixth pass: the even rows it did not reach take each odd column's pixel
    // from the column left of it.
    if (passesRead < kEvenRowPasses) {
        const std::size_t bytes = rowBytes / header.width;
        for (png_uint_32 y = rowsRead; y < evenRows; ++y) {
            png_bytep line = even.get() + std::size_t(y) * rowBytes;
            for (std::size_t at = bytes; at < rowBytes; at += 2 * bytes) {
                std::memcpy(line + at, line + at - bytes, bytes);
            }
        }
    }
    // The even rows left, the last of an odd height, and those of a picture cut off before
    // the odd rows below them came, each once more in their place.
    for (png_uint_32 y = rowsWeighed; y < header.height; y += 2) {
        const png_bytep line = even.get() + std::size_t(y / 2) * rowBytes;
        sumPieces(header, line, pieces, scaler.sumsFor(int(y)));
        if (y + 1 < header.height) sumPieces(header, line, pieces, scaler.sumsFor(int(y + 1)));
    }
    scaler.finish();
    return scaler.result();
}

// The picture's pixels averaged by what of each a result pixel of `size` covers, as the step
// has them weigh (weightsOf); null when the bytes end or break before every result pixel has
// a pixel (an interlaced picture read at a step of 2, before its first five passes have come),
// or the blocks of the step, or the even rows an interlaced picture holds, would take more
// than a read may allocate.
QImage readAveraged(png_structp png, const Header& header, int step, QSize size) {
    const QSize full(int(header.width), int(header.height));
    const QSize sampledSize = SampledPng::sampledSize(full, step);
    const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (limit > 0 && qint64(sampledSize.width()) * sampledSize.height() * 4 > limit) return {};
    // An interlaced picture's even rows, at a step of 1 or 2 (readPassesIntoRows).
    if (limit > 0 && header.interlaced && step <= 2 &&
        qint64(header.height + 1) / 2 * qint64(header.rowBytes) > limit) {
        return {};
    }
    if (size.isEmpty() || size.width() > full.width() || size.height() > full.height()) return {};
    Reading reading{header,
                    step,
                    full,
                    size,
                    !header.indexed && header.channels <= 2,
                    std::sqrt(1.5 * double(full.width()) * full.height() /
                              (double(size.width()) * size.height() * 255)),
                    std::vector<png_byte>(header.rowBytes)};
    return !header.interlaced ? readWeighed(png, &reading)
           : step >= 4        ? readPassesIntoSums(png, &reading)
                              : readPassesIntoRows(png, &reading);
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

std::int64_t SampledPng::heldBytes(const QByteArray& data, int step) {
    if (!isInterlaced(data) || step < 1) return 0;
    const auto word = [&](qsizetype at) {
        return std::int64_t(quint8(data[at])) << 24 | quint8(data[at + 1]) << 16 |
               quint8(data[at + 2]) << 8 | quint8(data[at + 3]);
    };
    const std::int64_t width = word(16);
    const std::int64_t height = word(20);
    if (step >= 4) return (width + step - 1) / step * ((height + step - 1) / step) * 4;
    // The bytes of a pixel libpng gives: a palette's index; grey or colour, with alpha where
    // it has it or a tRNS chunk before the picture data names a transparent level or colour.
    constexpr int kPalette = 3;
    constexpr int kAlpha = 4;
    const int colorType = quint8(data[25]);
    bool transparent = false;
    for (qsizetype at = 8; at + 8 <= data.size();) {
        const QByteArray type = data.mid(at + 4, 4);
        if (type == "IDAT") break;
        transparent = transparent || type == "tRNS";
        at += 12 + word(at);
    }
    const std::int64_t samples = (colorType & 2) != 0 ? 3 : 1;
    const std::int64_t bytes = colorType == kPalette                      ? 1
                               : (colorType & kAlpha) != 0 || transparent ? samples + 1
                                                                          : samples;
    return (height + 1) / 2 * width * bytes;
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
