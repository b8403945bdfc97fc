#include "platform/uikit/row_scaler.h"

#include <algorithm>
#include <cstring>

namespace ui {

namespace {

// Adds `weight` times the channels of `pixel` to the four sums at `sums`.
void addWeighted(std::uint64_t* sums, QRgb pixel, std::uint64_t weight) {
    sums[0] += qAlpha(pixel) * weight;
    sums[1] += qRed(pixel) * weight;
    sums[2] += qGreen(pixel) * weight;
    sums[3] += qBlue(pixel) * weight;
}

}  // namespace

RowScaler::RowScaler(QSize full, int step, QSize to, bool alpha)
    : from_(step > 0 ? QSize((full.width() + step - 1) / step, (full.height() + step - 1) / step)
                     : QSize()),
      full_(full),
      step_(step),
      to_(to) {
    if (to.isEmpty() || from_.isEmpty() || to.width() > full.width() ||
        to.height() > full.height()) {
        row_ = -1;  // never done
        return;
    }
    result_ = QImage(to, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (result_.isNull()) {
        row_ = -1;
        return;
    }
    across_.assign(std::size_t(to.width()) * 4, 0);
    sums_.assign(across_.size(), 0);
    resultRowEnd_ = full.height();
}

void RowScaler::addRow(const QRgb* pixels, int repeats) {
    if (row_ < 0 || row_ >= from_.height() || repeats < 1) return;
    repeats = std::min(repeats, from_.height() - row_);
    // Across, a pixel of the picture is to.width() units wide and a result pixel full.width():
    // each source pixel (a block, `step` pixels wide or the ones left at the right edge) lies
    // in as many result pixels as it reaches, in part at its ends.
    std::fill(across_.begin(), across_.end(), 0);
    const std::int64_t width = std::int64_t(step_) * to_.width();
    const std::int64_t rowEnd = std::int64_t(full_.width()) * to_.width();
    std::int64_t start = 0;
    std::int64_t edge = full_.width();
    std::uint64_t* column = across_.data();
    for (int x = 0; x < from_.width(); ++x) {
        const std::int64_t end = std::min(start + width, rowEnd);
        while (start < end) {
            const std::int64_t upTo = std::min(end, edge);
            addWeighted(column, pixels[x], std::uint64_t(upTo - start));
            start = upTo;
            if (upTo == edge) {
                column += 4;
                edge += full_.width();
            }
        }
    }
    // Down, the same with rows: the rows alike span `repeats` source rows, which lie in as many
    // result rows as they reach, in part at their ends.
    const std::int64_t end =
        std::min(std::int64_t(row_ + repeats) * step_, std::int64_t(full_.height())) * to_.height();
    while (rowStart_ < end) {
        const std::int64_t upTo = std::min(end, resultRowEnd_);
        addToSums(std::uint64_t(upTo - rowStart_));
        rowStart_ = upTo;
        if (upTo == resultRowEnd_) finishRow();
    }
    row_ += repeats;
}

void RowScaler::addRows(const QImage& band, int lastRepeats) {
    if (band.width() != from_.width()) return;
    const QImage::Format format = band.format();
    if (format != QImage::Format_ARGB32_Premultiplied && format != QImage::Format_RGB32 &&
        format != QImage::Format_ARGB32) {
        addRows(band.convertToFormat(band.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                            : QImage::Format_RGB32),
                lastRepeats);
        return;
    }
    premultiplied_.resize(format == QImage::Format_ARGB32 ? std::size_t(band.width()) : 0);
    for (int y = 0; y < band.height(); ++y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(band.constScanLine(y));
        if (format == QImage::Format_ARGB32) {
            std::transform(pixels, pixels + band.width(), premultiplied_.begin(),
                           [](QRgb pixel) { return qPremultiply(pixel); });
            pixels = premultiplied_.data();
        }
        addRow(pixels, y == band.height() - 1 ? lastRepeats : 1);
    }
}

QImage RowScaler::scaled(const QImage& picture, QSize to) {
    RowScaler scaler(picture.size(), to, picture.hasAlphaChannel());
    // Rows of the same bytes are the same pixels, whatever the layout.
    const auto rowBytes = std::size_t((qsizetype(picture.width()) * picture.depth() + 7) / 8);
    const auto alike = [&](int y, int other) {
        return std::memcmp(picture.constScanLine(y), picture.constScanLine(other), rowBytes) == 0;
    };
    // Bands of the picture's own rows, converted a band at a time where they need it: a band
    // ends before a row alike the one above it, and its last row comes as many times as it
    // repeats.
    constexpr int kBandRows = 64;
    for (int y = 0; y < picture.height();) {
        int end = y + 1;
        while (end < picture.height() && end - y < kBandRows && !alike(end, end - 1)) ++end;
        int repeatsEnd = end;
        while (repeatsEnd < picture.height() && alike(repeatsEnd, end - 1)) ++repeatsEnd;
        QImage band(picture.constScanLine(y), picture.width(), end - y, picture.bytesPerLine(),
                    picture.format());
        band.setColorTable(picture.colorTable());
        scaler.addRows(band, repeatsEnd - end + 1);
        y = repeatsEnd;
    }
    return scaler.result();
}

void RowScaler::addToSums(std::uint64_t weight) {
    for (std::size_t i = 0; i < sums_.size(); ++i) sums_[i] += across_[i] * weight;
}

void RowScaler::finishRow() {
    // Every result pixel sums full.width() x full.height() units of weight.
    const double perUnit = 1.0 / (double(full_.width()) * double(full_.height()));
    const auto average = [&](std::uint64_t sum) { return int(double(sum) * perUnit + 0.5); };
    auto* out = reinterpret_cast<QRgb*>(result_.scanLine(resultRow_));
    const bool opaque = result_.format() == QImage::Format_RGB32;
    for (int x = 0; x < to_.width(); ++x) {
        const std::uint64_t* sums = sums_.data() + std::size_t(x) * 4;
        out[x] = qRgba(average(sums[1]), average(sums[2]), average(sums[3]),
                       opaque ? 255 : average(sums[0]));
    }
    std::fill(sums_.begin(), sums_.end(), 0);
    ++resultRow_;
    resultRowEnd_ += full_.height();
}

}  // namespace ui
