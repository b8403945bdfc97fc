#include "platform/uikit/row_scaler.h"

#include <algorithm>
#include <cstring>

namespace ui {

namespace {

// A pixel's four numbers (red, green, blue and alpha), worked on at once where the machine
// has vector registers.
using Channels = float __attribute__((vector_size(16)));
using Sums = std::int32_t __attribute__((vector_size(16)));

Channels channelsAt(const float* at) {
    Channels channels;
    std::memcpy(&channels, at, sizeof channels);
    return channels;
}

void putChannels(float* at, Channels channels) {
    std::memcpy(at, &channels, sizeof channels);
}

Channels sumsAt(const std::int32_t* at) {
    Sums sums;
    std::memcpy(&sums, at, sizeof sums);
    return __builtin_convertvector(sums, Channels);
}

// Whether a picture of `from` pixels scales down to `to`.
bool scalesTo(QSize from, QSize to) {
    return !to.isEmpty() && to.width() <= from.width() && to.height() <= from.height();
}

// Weights of a side that nothing is scaled to.
AreaWeights noWeights() {
    return AreaWeights::ofBlocks(0, 1, 0);
}

// Adds the channels of the `count` pixels at `pixels` to the four sums at `sums`.
void addPixels(const QRgb* pixels, int count, std::int32_t* sums) {
    std::int32_t red = 0, green = 0, blue = 0, alpha = 0;
    for (const QRgb* pixel = pixels; pixel < pixels + count; ++pixel) {
        red += qRed(*pixel);
        green += qGreen(*pixel);
        blue += qBlue(*pixel);
        alpha += qAlpha(*pixel);
    }
    sums[0] += red;
    sums[1] += green;
    sums[2] += blue;
    sums[3] += alpha;
}

// A level of 0-255 from an average, rounded.
int levelOf(float average) {
    return std::clamp(int(average + 0.5f), 0, 255);
}

}  // namespace

RowScaler::RowScaler(QSize from, QSize to, bool alpha)
    : RowScaler(
          scalesTo(from, to) ? AreaWeights::ofBlocks(from.width(), 1, to.width()) : noWeights(),
          scalesTo(from, to) ? AreaWeights::ofBlocks(from.height(), 1, to.height()) : noWeights(),
          alpha) {}

RowScaler::RowScaler(QSize full, int step, QSize to, bool alpha)
    : RowScaler(
          step > 0 && scalesTo(full, to) ? AreaWeights::ofBlocks(full.width(), step, to.width())
                                         : noWeights(),
          step > 0 && scalesTo(full, to) ? AreaWeights::ofBlocks(full.height(), step, to.height())
                                         : noWeights(),
          alpha) {}

RowScaler::RowScaler(AreaWeights across, AreaWeights down, bool alpha)
    : across_(std::move(across)), down_(std::move(down)) {
    if (across_.spans().empty() || down_.spans().empty()) return;
    result_ = QImage(across_.cells(), down_.cells(),
                     alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (!result_.isNull()) start();
}

RowScaler::RowScaler(AreaWeights across, AreaWeights down, RowSink sink)
    : across_(std::move(across)), down_(std::move(down)), sink_(std::move(sink)) {
    if (!across_.spans().empty() && !down_.spans().empty()) start();
}

void RowScaler::start() {
    valid_ = true;
    unitRows_ = down_.spans().back().to;
    sums_.assign(across_.spans().size() * 4, 0);
    for (const AreaWeights::Span& span : across_.spans()) {
        for (const AreaWeights::Share* share = across_.shares(span);
             share < across_.sharesEnd(span); ++share) {
            weighings_.push_back({std::size_t(&span - across_.spans().data()) * 4,
                                  std::size_t(share->cell) * 4, share->weight});
        }
    }
    weighed_.assign(std::size_t(across_.cells()) * 4, 0);
    // A span down reaches its first result row and a few after it.
    for (const AreaWeights::Span& span : down_.spans()) {
        live_ = std::max(live_, (down_.sharesEnd(span) - 1)->cell - down_.shares(span)->cell + 1);
    }
    rows_.assign(std::size_t(live_) * weighed_.size(), 0);
}

void RowScaler::addRow(const QRgb* pixels, int repeats) {
    if (!valid_ || finished_ || row_ >= unitRows_ || repeats < 1) return;
    repeats = std::min(repeats, unitRows_ - row_);
    const std::vector<AreaWeights::Span>& spans = across_.spans();
    if (repeats == 1) {
        std::int32_t* sums = sumsFor(row_);
        for (const AreaWeights::Span& span : spans) {
            addPixels(pixels + span.from, span.to - span.from, sums);
            sums += 4;
        }
        ++row_;
    } else {
        // The row summed once, then added for as many of its repeats as each span down has.
        rowSums_.assign(sums_.size(), 0);
        for (std::size_t at = 0; at < spans.size(); ++at) {
            addPixels(pixels + spans[at].from, spans[at].to - spans[at].from,
                      rowSums_.data() + at * 4);
        }
        while (repeats > 0) {
            std::int32_t* sums = sumsFor(row_);
            const int alike = std::min(repeats, down_.spans()[std::size_t(span_)].to - row_);
            for (std::size_t at = 0; at < rowSums_.size(); ++at) sums[at] += alike * rowSums_[at];
            row_ += alike;
            repeats -= alike;
        }
    }
    if (row_ == unitRows_) finish();
}

void RowScaler::addRows(const QImage& band, int lastRepeats) {
    if (!valid_ || band.width() != across_.spans().back().to) return;
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

std::int32_t* RowScaler::sumsFor(int row) {
    const std::vector<AreaWeights::Span>& spans = down_.spans();
    if (!valid_) return sums_.data();
    if (row >= spans[std::size_t(span_)].to) {
        if (summed_) weighSpan(span_);
        summed_ = false;
        while (span_ + 1 < int(spans.size()) && row >= spans[std::size_t(span_)].to) ++span_;
    }
    summed_ = true;
    return sums_.data();
}

void RowScaler::sumsAre(int colourUnit, bool grey) {
    colourUnit_ = std::max(1, colourUnit);
    grey_ = grey;
}

void RowScaler::sumsOnlyIn(const std::vector<std::uint32_t>& spans) {
    std::vector<Weighing> weighings;
    auto weighing = weighings_.begin();
    for (const std::uint32_t span : spans) {
        const std::size_t sums = std::size_t(span) * 4;
        while (weighing != weighings_.end() && weighing->sums < sums) ++weighing;
        for (; weighing != weighings_.end() && weighing->sums == sums; ++weighing) {
            weighings.push_back(*weighing);
        }
    }
    weighings_ = std::move(weighings);
}

void RowScaler::finish() {
    if (!valid_ || finished_) return;
    if (summed_) weighSpan(span_);
    summed_ = false;
    endRowsBefore(down_.cells());
    finished_ = true;
}

void RowScaler::weighSpan(int down) {
    const AreaWeights::Span& span = down_.spans()[std::size_t(down)];
    endRowsBefore(down_.shares(span)->cell);
    std::fill(weighed_.begin(), weighed_.end(), 0.0f);
    for (const Weighing& weighing : weighings_) {
        float* pixel = weighed_.data() + weighing.cell;
        putChannels(pixel,
                    channelsAt(pixel) + weighing.weight * sumsAt(sums_.data() + weighing.sums));
    }
    std::fill(sums_.begin(), sums_.end(), 0);
    for (const AreaWeights::Share* share = down_.shares(span); share < down_.sharesEnd(span);
         ++share) {
        float* row = rowOf(share->cell);
        const float weight = share->weight;
        for (std::size_t at = 0; at < weighed_.size(); ++at) row[at] += weight * weighed_[at];
    }
}

void RowScaler::endRowsBefore(int row) {
    const bool opaque = result_.format() == QImage::Format_RGB32;
    const float perUnit = 1.0f / float(colourUnit_);
    for (; firstLive_ < row; ++firstLive_) {
        float* pixels = rowOf(firstLive_);
        for (float* pixel = pixels; pixel < pixels + weighed_.size(); pixel += 4) {
            pixel[0] *= perUnit;
            pixel[1] = grey_ ? pixel[0] : pixel[1] * perUnit;
            pixel[2] = grey_ ? pixel[0] : pixel[2] * perUnit;
        }
        if (sink_) {
            sink_(firstLive_, pixels);
        } else {
            auto* out = reinterpret_cast<QRgb*>(result_.scanLine(firstLive_));
            for (int x = 0; x < across_.cells(); ++x) {
                const float* pixel = pixels + std::size_t(x) * 4;
                // Rounded apart, a colour may come a level past its alpha.
                const int alpha = opaque ? 255 : levelOf(pixel[3]);
                out[x] =
                    qRgba(std::min(alpha, levelOf(pixel[0])), std::min(alpha, levelOf(pixel[1])),
                          std::min(alpha, levelOf(pixel[2])), alpha);
            }
        }
        std::fill(pixels, pixels + weighed_.size(), 0.0f);
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

}  // namespace ui
