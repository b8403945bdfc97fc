#include "platform/uikit/sampled_png.h"

#include "platform/uikit/row_scaler.h"

#include <QImageReader>

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

namespace ui {

namespace {

constexpr int kSteps[] = {8, 4, 2};

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
    bool alpha = false;
    bool interlaced = false;
    png_size_t rowBytes = 0;
};

void put(const Header* header, png_const_bytep pixel, QRgb* out) {
    const QRgb color = qRgba(pixel[0], pixel[1], pixel[2], pixel[3]);
    *out = header->alpha ? qPremultiply(color) : color;
}

// The functions that libpng may jump out of hold nothing that needs destroying.

// Reads the header and asks for rows of 8-bit RGBA, whatever the picture's own pixels are;
// false when libpng gave up.
bool readHeader(png_structp png, png_infop info, Header* header) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xff, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    header->width = png_get_image_width(png, info);
    header->height = png_get_image_height(png, info);
    header->alpha = (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) != 0;
    header->interlaced = png_get_interlace_type(png, info) == PNG_INTERLACE_ADAM7;
    header->rowBytes = png_get_rowbytes(png, info);
    return header->rowBytes == png_size_t(header->width) * 4;
}

// Reads the passes that hold every `step`-th pixel of every `step`-th row (the first one, three
// or five of the seven) into `sampled`, and no further.
bool readPasses(png_structp png, const Header* header, int step, png_bytep row, uchar* sampled,
                qsizetype bytesPerLine) {
    if (setjmp(png_jmpbuf(png))) return false;
    const int passes = step == 8 ? 1 : step == 4 ? 3 : 5;
    for (int pass = 0; pass < passes; ++pass) {
        const png_uint_32 columns = PNG_PASS_COLS(header->width, pass);
        const png_uint_32 rows = PNG_PASS_ROWS(header->height, pass);
        // libpng skips an empty pass.
        if (columns == 0 || rows == 0) continue;
        for (png_uint_32 passRow = 0; passRow < rows; ++passRow) {
            png_read_row(png, row, nullptr);
            const png_uint_32 y = PNG_ROW_FROM_PASS_ROW(passRow, pass) / png_uint_32(step);
            auto* out = reinterpret_cast<QRgb*>(sampled + qsizetype(y) * bytesPerLine);
            for (png_uint_32 column = 0; column < columns; ++column) {
                put(header, row + 4 * std::size_t(column),
                    out + PNG_COL_FROM_PASS_COL(column, pass) / png_uint_32(step));
            }
        }
    }
    return true;
}

// Reads the rows of a picture that is not interlaced up to its last step-th, giving every
// step-th pixel of every step-th row, put together in `sampled`, to `scaler` as it comes.
bool readRows(png_structp png, const Header* header, int step, png_bytep row, QRgb* sampled,
              RowScaler* scaler) {
    if (setjmp(png_jmpbuf(png))) return false;
    const auto stride = png_uint_32(step);
    const png_uint_32 rows = (header->height - 1) / stride * stride + 1;
    for (png_uint_32 y = 0; y < rows; ++y) {
        png_read_row(png, row, nullptr);
        if (y % stride != 0) continue;
        for (png_uint_32 x = 0; x < header->width; x += stride) {
            put(header, row + 4 * std::size_t(x), sampled + x / stride);
        }
        scaler->addRow(sampled);
    }
    return true;
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
    if (step != 8 && step != 4 && step != 2) return {};
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, stopReading, ignoreWarning);
    if (!png) return {};
    png_infop info = png_create_info_struct(png);
    Input input{reinterpret_cast<const png_byte*>(data.constData()), std::size_t(data.size()), 0};
    png_set_read_fn(png, &input, readInput);
    Header header;
    QImage scaled;
    if (info && readHeader(png, info, &header)) {
        const QSize sampledSize =
            SampledPng::sampledSize(QSize(int(header.width), int(header.height)), step);
        const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
        const bool withinLimit =
            limit <= 0 || qint64(sampledSize.width()) * sampledSize.height() * 4 <= limit;
        std::vector<png_byte> row(withinLimit ? header.rowBytes : 0);
        if (withinLimit && header.interlaced) {
            // The passes hold their pixels out of the rows' order: the sampled picture is
            // whole before it is scaled.
            QImage sampled(sampledSize, header.alpha ? QImage::Format_ARGB32_Premultiplied
                                                     : QImage::Format_RGB32);
            if (!sampled.isNull() && readPasses(png, &header, step, row.data(), sampled.bits(),
                                                sampled.bytesPerLine())) {
                scaled = sampled.size() == size ? sampled
                                                : sampled.scaled(size, Qt::IgnoreAspectRatio,
                                                                 Qt::SmoothTransformation);
            }
        } else if (withinLimit) {
            RowScaler scaler(sampledSize, size, header.alpha);
            std::vector<QRgb> sampled(std::size_t(sampledSize.width()));
            if (readRows(png, &header, step, row.data(), sampled.data(), &scaler)) {
                scaled = scaler.result();
            }
        }
    }
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return scaled;
}

}  // namespace ui
