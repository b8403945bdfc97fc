#pragma once

#include <cstdint>
#include <vector>

namespace ui {

// How much each pixel of one side of a picture (its columns, or its rows) weighs in each pixel
// of that side scaled down, for a result pixel that averages what it covers. The pixels come in
// spans of equal weights, so that a reader sums a span's pixels before it weighs them: inside
// a result pixel all weigh alike, and only those on its edges, which it shares with its
// neighbour, weigh apart.
class AreaWeights {
public:
    // What the pixels of a span each weigh in one result pixel, as a fraction of what it
    // covers: `weight`, and of weights that split each pixel's in two (ofSaddles), the part
    // that the two of its pair take with opposite signs, `saddle`.
    struct Share {
        int cell;
        float weight;
        float saddle = 0;
    };
    // The units [from, to) (pixels, or blocks of them) weighing alike: shares [firstShare,
    // endShare) of shares(). A span holds kMostUnits units at most (those past them start the
    // next), so that the sums of a span's units over as many rows fit in 31 bits: 128 x 128
    // pixels of 255 x 255.
    struct Span {
        int from;
        int to;
        int firstShare;
        int endShare;
    };
    static constexpr int kMostUnits = 128;

    // A side of `length` pixels that comes as blocks of `step` (the last one those left), each
    // its pixels' average, to be scaled to `cells`: each block weighs what of its place the
    // result pixel covers. Blocks of 1 are the pixels themselves, each weighing what of it the
    // result pixel covers. `cells` is at most `length`.
    static AreaWeights ofBlocks(int length, int step, int cells);
    // A side of `length` pixels scaled to `cells`, its pixels taken in pairs (0 and 1, 2 and 3,
    // ...): each weighs what of it the result pixel covers, but the two of a pair weigh the same
    // there within `uneven` of a pixel (a fraction of one; 1 or more: exactly what each
    // covers). A pattern that alternates from pixel to pixel (a one-pixel checkerboard, a
    // dither) so stays the grey it looks where a result pixel's edge cuts it: at most uneven²
    // of its contrast over the result pixel's area from it, where weighing each pixel by what
    // of it is covered leaves a result pixel of three by three pixels a ninth from it. A last
    // pixel without a pair averages its neighbour with it where it lies, as the pairs
    // themselves do with 0 (see ofBlocks: blocks of 2). A pair that three result pixels cut
    // weighs alike.
    static AreaWeights ofPairs(int length, int cells, double uneven);
    // Each pixel weighing exactly what of it the result pixel covers (ofBlocks(length, 1,
    // cells)), split in two: `weight`, what the two of its pair weigh alike (ofPairs(length,
    // cells, 0)), and `saddle`, half the difference of what they weigh, plus for the first and
    // minus for the second (a last pixel without a pair: half its weight where it lies, its
    // neighbour minus that). Weight and saddle sum to the exact weight; the saddles of a pair
    // sum to nothing. Only pixels of pairs that a result pixel's edge cuts have saddles, so
    // the spans of equal weights are those of the exact weights.
    static AreaWeights ofSaddles(int length, int cells);

    [[nodiscard]] int cells() const { return cells_; }
    // Whether any share has a saddle.
    [[nodiscard]] bool hasSaddles() const { return saddled_; }
    [[nodiscard]] const std::vector<Span>& spans() const { return spans_; }
    [[nodiscard]] const Share* shares(const Span& span) const {
        return shares_.data() + span.firstShare;
    }
    [[nodiscard]] const Share* sharesEnd(const Span& span) const {
        return shares_.data() + span.endShare;
    }

private:
    // A unit's shares as they are worked out: weights in units of 1 / (2 * cells) of a pixel,
    // so that they are whole for halves of pairs.
    struct Whole {
        int cell;
        std::int64_t weight;
        std::int64_t saddle = 0;
        bool operator==(const Whole&) const = default;
    };

    AreaWeights() = default;
    // ofPairs, with the saddles of ofSaddles where `saddles`.
    static AreaWeights ofPairsSplit(int length, int cells, double uneven, bool saddles);
    // Appends unit `unit`'s shares, extending the last span where they are its own.
    void add(int unit, const std::vector<Whole>& shares);

    int length_ = 0;
    int cells_ = 0;
    bool saddled_ = false;
    std::vector<Span> spans_;
    std::vector<Share> shares_;
    // The last span's shares, whole.
    std::vector<Whole> last_;
};

}  // namespace ui
