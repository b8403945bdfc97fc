#include "platform/uikit/area_weights.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

// Positions are measured in units where a pixel is `cells` wide and a result pixel `length`:
// how much of pixels [from, to) result pixel `cell` covers.
std::int64_t overlap(std::int64_t from, std::int64_t to, int cell, int length, int cells) {
    const std::int64_t start = std::max(from * cells, std::int64_t(cell) * length);
    const std::int64_t end = std::min(to * cells, std::int64_t(cell + 1) * length);
    return std::max<std::int64_t>(0, end - start);
}

// The first and the last result pixel that pixels [from, to) reach.
int firstCell(std::int64_t from, int length, int cells) {
    return int(from * cells / length);
}

int lastCell(std::int64_t to, int length, int cells) {
    return std::min(cells - 1, int((to * cells - 1) / length));
}

}  // namespace

AreaWeights AreaWeights::ofBlocks(int length, int step, int cells) {
    AreaWeights weights;
    weights.length_ = length;
    weights.cells_ = cells;
    std::vector<Whole> shares;
    for (int block = 0; block * step < length; ++block) {
        const int from = block * step;
        const int to = std::min(length, from + step);
        shares.clear();
        for (int cell = firstCell(from, length, cells); cell <= lastCell(to, length, cells);
             ++cell) {
            shares.push_back({cell, 2 * overlap(from, to, cell, length, cells)});
        }
        weights.add(block, shares);
    }
    return weights;
}

AreaWeights AreaWeights::ofPairs(int length, int cells, double uneven) {
    return ofPairsSplit(length, cells, uneven, false);
}

AreaWeights AreaWeights::ofSaddles(int length, int cells) {
    return ofPairsSplit(length, cells, 0, true);
}

AreaWeights AreaWeights::ofPairsSplit(int length, int cells, double uneven, bool saddles) {
    AreaWeights weights;
    weights.length_ = length;
    weights.cells_ = cells;
    // How far apart the two of a pair may weigh, in the units of `overlap`.
    const auto apart = std::int64_t(std::floor(std::min(1.0, std::max(0.0, uneven)) * cells));
    // Pixels [0, paired) are in pairs; a last one alone shares its neighbour's.
    const int paired = length - length % 2;
    // A pixel's shares, by result pixel: those of its pair, then those of the last pixel's
    // place, which begin where its pair's end.
    std::vector<Whole> shares;
    const auto share = [&](int cell, std::int64_t weight) {
        if (weight <= 0) return;
        if (!shares.empty() && shares.back().cell == cell) {
            shares.back().weight += weight;
        } else {
            shares.push_back({cell, weight});
        }
    };
    // Adds `saddle` to the share of `cell`, which the pair's weight has: where the two of a
    // pair weigh apart, one of them weighs something.
    const auto addSaddle = [&](int cell, std::int64_t saddle) {
        for (Whole& whole : shares) {
            if (whole.cell == cell) whole.saddle += saddle;
        }
    };
    for (int pixel = 0; pixel < length; ++pixel) {
        shares.clear();
        if (pixel < paired) {
            const int first = pixel - pixel % 2;
            const int from = firstCell(first, length, cells);
            const int to = lastCell(first + 2, length, cells);
            for (int cell = from; cell <= to; ++cell) {
                const std::int64_t ofFirst = overlap(first, first + 1, cell, length, cells);
                const std::int64_t ofSecond = overlap(first + 1, first + 2, cell, length, cells);
                const std::int64_t apartHere =
                    to - from >= 2 ? 0 : std::clamp(ofFirst - ofSecond, -apart, apart);
                share(cell, ofFirst + ofSecond + (pixel == first ? apartHere : -apartHere));
                if (saddles) addSaddle(cell, (pixel == first ? 1 : -1) * (ofFirst - ofSecond));
            }
        }
        if (length == 1) {
            share(0, 2 * overlap(0, 1, 0, length, cells));
        } else if (length % 2 == 1 && pixel >= length - 2) {
            // The last pixel's place, half to it and half to its neighbour.
            for (int cell = firstCell(length - 1, length, cells);
                 cell <= lastCell(length, length, cells); ++cell) {
                share(cell, overlap(length - 1, length, cell, length, cells));
                if (saddles) {
                    addSaddle(cell, (pixel == length - 1 ? 1 : -1) *
                                        overlap(length - 1, length, cell, length, cells));
                }
            }
        }
        weights.add(pixel, shares);
    }
    return weights;
}

void AreaWeights::add(int unit, const std::vector<Whole>& shares) {
    if (!spans_.empty() && spans_.back().to == unit && shares == last_) {
        Span& span = spans_.back();
        if (span.to - span.from < kMostUnits) {
            ++span.to;
        } else {
            spans_.push_back({unit, unit + 1, span.firstShare, span.endShare});
        }
        return;
    }
    const int first = int(shares_.size());
    for (const Whole& whole : shares) {
        shares_.push_back({whole.cell, float(double(whole.weight) / (2.0 * length_)),
                           float(double(whole.saddle) / (2.0 * length_))});
        saddled_ = saddled_ || whole.saddle != 0;
    }
    spans_.push_back({unit, unit + 1, first, int(shares_.size())});
    last_ = shares;
}

}  // namespace ui
