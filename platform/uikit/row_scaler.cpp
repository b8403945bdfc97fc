#include "platform/uikit/row_scaler.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// A pixel from the averages of its four numbers, each rounded to a level of 0-255; red, green
// and blue no more than alpha, which they may pass by a level rounded apart; alpha 255 where
// `opaque`.
QRgb pixelOf(Channels averages, bool opaque) {
    const Sums none = {0, 0, 0, 0};
    const Sums full = {255, 255, 255, 255};
    Sums levels = __builtin_convertvector(averages + 0.5f, Sums);
    levels = levels < none ? none : levels;
    if (opaque) levels[3] = 255;
    levels = levels > full ? full : levels;
    const Sums alpha = __builtin_shufflevector(levels, levels, 3, 3, 3, 3);
    levels = levels > alpha ? alpha : levels;
    // Each where qRgba puts it.
    const Sums placed = levels << Sums{16, 8, 0, 24};
    return QRgb(placed[0] | placed[1] | placed[2] | placed[3]);
}

// Writes the `count` pixels of a result row from their sums at `pixels`, times `scale`
// (grey: red's level for all three colours), and sets the sums to 0 for the rows to come.
void endRow(float* pixels, std::size_t count, QRgb* out, Channels scale, bool grey, bool opaque) {
    const float* end = pixels + count * 4;
#if defined(__SSE2__)
    // Four pixels at a time: their levels rounded, brought within 0-255 as they are packed to
    // bytes, red and blue swapped to the order of a pixel's bytes, then each colour held to
    // its alpha (the alpha of each pixel's bytes spread to all four).
    const __m128 times = _mm_loadu_ps(reinterpret_cast<const float*>(&scale));
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128i alphaAlways = _mm_set1_epi32(opaque ? int(0xff000000u) : 0);
    const auto levelsAt = [&](const float* pixel) {
        __m128 averages = _mm_mul_ps(_mm_loadu_ps(pixel), times);
        if (grey) averages = _mm_shuffle_ps(averages, averages, _MM_SHUFFLE(3, 0, 0, 0));
        return _mm_cvttps_epi32(_mm_add_ps(averages, half));
    };
    const auto bytesInOrder = [](__m128i levels) {
        return _mm_shufflehi_epi16(_mm_shufflelo_epi16(levels, _MM_SHUFFLE(3, 0, 1, 2)),
                                   _MM_SHUFFLE(3, 0, 1, 2));
    };
    for (; end - pixels >= 16; pixels += 16, out += 4) {
        const __m128i first = bytesInOrder(_mm_packs_epi32(levelsAt(pixels), levelsAt(pixels + 4)));
        const __m128i second =
            bytesInOrder(_mm_packs_epi32(levelsAt(pixels + 8), levelsAt(pixels + 12)));
        const __m128i bytes = _mm_or_si128(_mm_packus_epi16(first, second), alphaAlways);
        __m128i alphas = _mm_srli_epi32(bytes, 24);
        alphas = _mm_or_si128(alphas, _mm_slli_epi32(alphas, 8));
        alphas = _mm_or_si128(alphas, _mm_slli_epi32(alphas, 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_min_epu8(bytes, alphas));
        for (int at = 0; at < 16; at += 4) putChannels(pixels + at, Channels{});
    }
#endif
    for (; pixels < end; pixels += 4) {
        Channels channels = channelsAt(pixels) * scale;
        if (grey) channels = Channels{channels[0], channels[0], channels[0], channels[3]};
        *out++ = pixelOf(channels, opaque);
        putChannels(pixels, Channels{});
    }
}

// Makes the three sums of each of `count` pixels at `sums` (P, then E less P `count` * 4
// numbers on, then X less E) the median of P, E and X in the first, and the other two 0: E
// held between P and X.
void takeMedians(float* sums, std::size_t count) {
    float* detail = sums + count * 4;
    float* saddles = detail + count * 4;
    const Channels none{};
    for (std::size_t at = 0; at < count * 4; at += 4) {
        const Channels toE = channelsAt(detail + at);
        const Channels toX = toE + channelsAt(saddles + at);
        const Channels low = toX < none ? toX : none;
        const Channels high = toX > none ? toX : none;
        const Channels held = toE < low ? low : toE > high ? high : toE;
        putChannels(sums + at, channelsAt(sums + at) + held);
        putChannels(detail + at, none);
        putChannels(saddles + at, none);
    }
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
    saddled_ = across_.hasSaddles() || down_.hasSaddles();
    unitRows_ = down_.spans().back().to;
    const std::vector<AreaWeights::Span>& spans = across_.spans();
    sums_.assign(spans.size() * 4, 0);
    // The two pixels of a pair that a result pixel's edge cuts are spans of their own, alike
    // but for their saddles' signs: their sums are made the pair's sum and difference before
    // they are weighed (weighSpan), the sum weighing by the weights alone and the difference
    // by the saddles alone.
    const auto cutPair = [&](std::size_t at) {
        const AreaWeights::Span& first = spans[at];
        const AreaWeights::Span& second = spans[at + 1];
        if (first.to - first.from != 1 || second.to - second.from != 1 || first.from % 2 != 0 ||
            first.endShare - first.firstShare != second.endShare - second.firstShare) {
            return false;
        }
        for (int share = 0; share < first.endShare - first.firstShare; ++share) {
            const AreaWeights::Share& one = across_.shares(first)[share];
            const AreaWeights::Share& other = across_.shares(second)[share];
            if (one.cell != other.cell || one.weight != other.weight ||
                one.saddle != -other.saddle) {
                return false;
            }
        }
        return true;
    };
    for (std::size_t at = 0; at < spans.size(); ++at) {
        const bool paired = across_.hasSaddles() && at + 1 < spans.size() && cutPair(at);
        if (paired) pairedSums_.push_back(at * 4);
        for (const AreaWeights::Share* share = across_.shares(spans[at]);
             share < across_.sharesEnd(spans[at]); ++share) {
            const std::size_t cell = std::size_t(share->cell) * 4;
            if (share->weight != 0) weighings_.push_back({at * 4, cell, share->weight});
            if (!paired && share->saddle != 0) {
                saddleWeighings_.push_back({at * 4, cell, share->saddle});
            }
        }
        if (!paired) continue;
        ++at;
        for (const AreaWeights::Share* share = across_.shares(spans[at]);
             share < across_.sharesEnd(spans[at]); ++share) {
            saddleWeighings_.push_back({at * 4, std::size_t(share->cell) * 4, -share->saddle});
        }
    }
    // By result pixel, so that each is summed in registers and written once.
    const auto byCell = [](const Weighing& a, const Weighing& b) { return a.cell < b.cell; };
    std::stable_sort(weighings_.begin(), weighings_.end(), byCell);
    std::stable_sort(saddleWeighings_.begin(), saddleWeighings_.end(), byCell);
    weighed_.assign(std::size_t(across_.cells()) * 4, 0);
    if (saddled_) saddleWeighed_.assign(weighed_.size(), 0);
    repeated_.assign(weighed_.size(), 0);
    // A span down reaches its first result row and a few after it.
    for (const AreaWeights::Span& span : down_.spans()) {
        live_ = std::max(live_, (down_.sharesEnd(span) - 1)->cell - down_.shares(span)->cell + 1);
    }
    rows_.assign(std::size_t(live_) * weighed_.size() * (saddled_ ? 3 : 1), 0);
    timesRepeated_.assign(std::size_t(live_), 0);
}

void RowScaler::addRow(const QRgb* pixels, int repeats) {
    if (!valid_ || finished_ || row_ >= unitRows_ || repeats < 1) return;
    repeats = std::min(repeats, unitRows_ - row_);
    const std::vector<AreaWeights::Span>& spans = across_.spans();
    // Rows alike weigh by their weights down alone: with saddles, each is summed as it comes.
    if (saddled_ && repeats > 1) {
        while (repeats-- > 0 && !finished_) addRow(pixels);
        return;
    }
    if (repeats == 1) {
        std::int32_t* sums = sumsFor(row_);
        for (const AreaWeights::Span& span : spans) {
            addPixels(pixels + span.from, span.to - span.from, sums);
            sums += 4;
        }
        ++row_;
    } else {
        // The row summed once. The spans down it covers whole are added to the result rows
        // weighed, the row weighed across once for them all; it is added to the sums of those it
        // covers in part (at most its first and its last).
        rowSums_.assign(sums_.size(), 0);
        for (std::size_t at = 0; at < spans.size(); ++at) {
            addPixels(pixels + spans[at].from, spans[at].to - spans[at].from,
                      rowSums_.data() + at * 4);
        }
        bool weighed = false;
        while (repeats > 0) {
            std::int32_t* sums = sumsFor(row_);
            const AreaWeights::Span& down = down_.spans()[std::size_t(span_)];
            const int alike = std::min(repeats, down.to - row_);
            if (row_ == down.from && alike == down.to - down.from) {
                if (!std::exchange(weighed, true)) weighAcross(rowSums_.data(), repeated_.data());
                // Nothing else is summed for this span. What it weighs in each result row is
                // added up, and the row weighed across added once a result row.
                summed_ = false;
                endRowsBefore(down_.shares(down)->cell);
                for (const AreaWeights::Share* share = down_.shares(down);
                     share < down_.sharesEnd(down); ++share) {
                    if (repeatedFrom_ == repeatedTo_) repeatedFrom_ = share->cell;
                    repeatedTo_ = std::max(repeatedTo_, share->cell + 1);
                    timesRepeated_[std::size_t(share->cell % live_)] +=
                        float(alike) * share->weight;
                }
            } else {
                for (std::size_t at = 0; at < rowSums_.size(); ++at) {
                    sums[at] += alike * rowSums_[at];
                }
            }
            row_ += alike;
            repeats -= alike;
        }
        addRepeated(repeatedTo_);
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
    std::vector<bool> kept(across_.spans().size());
    for (const std::uint32_t span : spans) {
        if (span < kept.size()) kept[span] = true;
    }
    const auto dropped = [&](const Weighing& weighing) { return !kept[weighing.sums / 4]; };
    std::erase_if(weighings_, dropped);
    std::erase_if(saddleWeighings_, dropped);
    // The result pixels the weighings no longer reach are nothing from now on (weighAcross).
    std::fill(weighed_.begin(), weighed_.end(), 0.0f);
    std::fill(saddleWeighed_.begin(), saddleWeighed_.end(), 0.0f);
    std::fill(repeated_.begin(), repeated_.end(), 0.0f);
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
    if (saddled_) {
        for (const std::size_t at : pairedSums_) {
            std::int32_t* first = sums_.data() + at;
            std::int32_t* second = first + 4;
            for (int channel = 0; channel < 4; ++channel) {
                const std::int32_t one = first[channel];
                first[channel] = one + second[channel];
                second[channel] = one - second[channel];
            }
        }
        weighAcross(sums_.data(), weighed_.data(), saddleWeighed_.data());
        addDownSaddled(span, weighed_.data(), saddleWeighed_.data());
    } else {
        weighAcross(sums_.data(), weighed_.data());
        addDown(span, 1.0f, weighed_.data());
    }
    std::fill(sums_.begin(), sums_.end(), 0);
}

void RowScaler::weighAcross(const std::int32_t* sums, float* weighed, float* saddled) const {
    // Each result pixel's weighings follow one another: summed in registers, written once.
    // Those none reaches (a reader adding to some spans alone, sumsOnlyIn; a result pixel no
    // cut pair reaches, of the saddles) are never written, and stay nothing.
    const auto weigh = [&](const std::vector<Weighing>& weighings, float* into) {
        if (weighings.empty()) return;
        Channels sum{};
        std::size_t cell = weighings.front().cell;
        for (const Weighing& weighing : weighings) {
            if (weighing.cell != cell) {
                putChannels(into + cell, sum);
                sum = Channels{};
                cell = weighing.cell;
            }
            sum += weighing.weight * sumsAt(sums + weighing.sums);
        }
        putChannels(into + cell, sum);
    };
    weigh(weighings_, weighed);
    if (saddled) weigh(saddleWeighings_, saddled);
}

void RowScaler::addDownSaddled(const AreaWeights::Span& span, const float* weighed,
                               const float* saddled) {
    endRowsBefore(down_.shares(span)->cell);
    const std::size_t count = std::size_t(across_.cells()) * 4;
    // Each result row's three sums in one pass over it, for each of its kinds: rows with
    // saddles down or without, weighed with saddles across or without.
    const auto add = [&](float* alike, float weight, float saddle, auto saddledDown,
                         auto saddledAcross) {
        float* detail = alike + count;
        float* saddles = detail + count;
        for (std::size_t at = 0; at < count; at += 4) {
            const Channels across = channelsAt(weighed + at);
            putChannels(alike + at, channelsAt(alike + at) + weight * across);
            Channels change{};
            if constexpr (saddledDown()) change = saddle * across;
            if constexpr (saddledAcross()) {
                const Channels apart = channelsAt(saddled + at);
                change += weight * apart;
                if constexpr (saddledDown()) {
                    putChannels(saddles + at, channelsAt(saddles + at) + saddle * apart);
                }
            }
            if constexpr (saddledDown() || saddledAcross()) {
                putChannels(detail + at, channelsAt(detail + at) + change);
            }
        }
    };
    const bool saddledAcross = across_.hasSaddles();
    for (const AreaWeights::Share* share = down_.shares(span); share < down_.sharesEnd(span);
         ++share) {
        float* row = rowOf(share->cell);
        const float weight = share->weight;
        const float saddle = share->saddle;
        if (saddle != 0 && saddledAcross) {
            add(row, weight, saddle, std::true_type(), std::true_type());
        } else if (saddle != 0) {
            add(row, weight, saddle, std::true_type(), std::false_type());
        } else if (saddledAcross) {
            add(row, weight, saddle, std::false_type(), std::true_type());
        } else {
            add(row, weight, saddle, std::false_type(), std::false_type());
        }
    }
}

void RowScaler::addDown(const AreaWeights::Span& span, float times, const float* weighed) {
    endRowsBefore(down_.shares(span)->cell);
    const std::size_t count = std::size_t(across_.cells()) * 4;
    for (const AreaWeights::Share* share = down_.shares(span); share < down_.sharesEnd(span);
         ++share) {
        float* row = rowOf(share->cell);
        const float weight = times * share->weight;
        for (std::size_t at = 0; at < count; at += 4) {
            putChannels(row + at, channelsAt(row + at) + weight * channelsAt(weighed + at));
        }
    }
}

void RowScaler::addRepeated(int before) {
    const std::size_t count = std::size_t(across_.cells()) * 4;
    for (; repeatedFrom_ < std::min(before, repeatedTo_); ++repeatedFrom_) {
        float* row = rowOf(repeatedFrom_);
        float& times = timesRepeated_[std::size_t(repeatedFrom_ % live_)];
        for (std::size_t at = 0; at < count; at += 4) {
            putChannels(row + at, channelsAt(row + at) + times * channelsAt(repeated_.data() + at));
        }
        times = 0;
    }
}

void RowScaler::endRowsBefore(int row) {
    addRepeated(row);
    const bool opaque = result_.format() == QImage::Format_RGB32;
    const float perUnit = 1.0f / float(colourUnit_);
    const Channels scale = {perUnit, perUnit, perUnit, 1.0f};
    const std::size_t count = std::size_t(across_.cells()) * 4;
    for (; firstLive_ < row; ++firstLive_) {
        float* pixels = rowOf(firstLive_);
        if (saddled_) takeMedians(pixels, std::size_t(across_.cells()));
        if (sink_) {
            for (float* pixel = pixels; pixel < pixels + count; pixel += 4) {
                Channels channels = channelsAt(pixel);
                if (grey_) channels = Channels{channels[0], channels[0], channels[0], channels[3]};
                putChannels(pixel, channels * scale);
            }
            sink_(firstLive_, pixels);
            std::fill(pixels, pixels + count, 0.0f);
            continue;
        }
        endRow(pixels, std::size_t(across_.cells()),
               reinterpret_cast<QRgb*>(result_.scanLine(firstLive_)), scale, grey_, opaque);
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
