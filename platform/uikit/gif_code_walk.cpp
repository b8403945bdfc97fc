#include "platform/uikit/gif_code_walk.h"

#include <algorithm>
#include <vector>

namespace ui {

namespace {

constexpr int kLongestCode = 12;
constexpr int kTableSize = 1 << kLongestCode;
// The decoder gives up on a code whose string passes this many pixels.
constexpr int kLongestString = 2 * kTableSize;

// The bits of a frame's codes across its sub-blocks, lowest first, up to the empty sub-block
// that ends them or the end of the bytes.
class CodeBits {
public:
    CodeBits(const QByteArray& data, qsizetype at) : data_(data), at_(at), blockAt_(at) {}

    // The next code of `size` bits; -1 once the bits run out.
    int next(int size) {
        while (held_ < size) {
            if (at_ >= data_.size()) return -1;
            if (blockLeft_ == 0) {
                blockAt_ = at_;
                blockLeft_ = quint8(data_[at_++]);
                if (blockLeft_ == 0) {
                    at_ = data_.size();
                    return -1;
                }
                continue;
            }
            bits_ |= quint32(quint8(data_[at_++])) << held_;
            held_ += 8;
            --blockLeft_;
        }
        const int code = int(bits_ & ((1u << size) - 1));
        bits_ >>= size;
        held_ -= size;
        return code;
    }

    // Where the codes read end: fewer than 8 bits are ever held, so the last byte read holds the
    // last code's last bit.
    [[nodiscard]] GifCodeWalk::Stop stop() const { return {at_, blockAt_, blockLeft_}; }

private:
    const QByteArray& data_;
    qsizetype at_;
    qsizetype blockAt_;
    int blockLeft_ = 0;
    quint32 bits_ = 0;
    int held_ = 0;
};

// What a string of pixels holds, as far as where it reaches goes.
struct Run {
    int length = 0;
    // The offset of its last pixel that is not transparent; -1 where all are.
    int lastDrawn = -1;
    int first = 0;
};

// An entry of the code table: its string is its prefix's string and its suffix. Its run is
// known ahead (a length above 0) where every prefix down its chain was in the table when it was
// made; else the decoder's walk down the chain is followed when it is used, as the entries it
// passes may be made in the meantime.
struct Entry {
    int prefix = 0;
    int suffix = 0;
    Run run;
};

}  // namespace

// The decoder's ways with codes not in its table are followed: the first code after a clear is
// drawn as it is, whatever it is; any code past the table gives the string before it and that
// string's first pixel again, as the one just past it should; a chain that loops, passes
// kLongestString pixels or reaches a code past the table ends the frame.
GifCodeWalk GifCodeWalk::of(const QByteArray& data, const GifBlocks::Frame& frame, qint64 landing) {
    GifCodeWalk walk;
    walk.lastDrawn = -1;
    if (frame.dataAt >= data.size()) return walk;
    const int codeSize = quint8(data[frame.dataAt]);
    if (codeSize >= kLongestCode) {
        walk.lastDrawn.reset();
        return walk;
    }
    const int clear = 1 << codeSize;
    const auto drawn = [&](int value) { return value != frame.transparentIndex; };

    std::vector<Entry> table(kTableSize);
    for (int value = 0; value < clear + 2; ++value) {
        // The clear and end codes never end a chain; were they to, as drawn pixels.
        table[value] = {0, value, {1, value >= clear || drawn(value) ? 0 : -1, value}};
    }
    int size = codeSize + 1;
    int sizeLimit = 2 * clear;
    int next = clear + 2;
    bool needFirst = true;
    int first = 0;
    int old = 0;
    qint64& pixels = walk.pixels;
    std::vector<int> walked;
    // The run of `code`'s string, the decoder's stack holding `stacked` pixels before it; none
    // where the decoder gives up on it.
    const auto runOf = [&](int code, int stacked) -> std::optional<Run> {
        if (code < next && table[code].run.length > 0) return table[code].run;
        walked.clear();
        while (code >= clear + 2) {
            if (code >= next) return std::nullopt;
            walked.push_back(table[code].suffix);
            if (code == table[code].prefix) return std::nullopt;
            if (int(walked.size()) + stacked >= kLongestString) return std::nullopt;
            code = table[code].prefix;
        }
        const int root = table[code].suffix;
        Run run{int(walked.size()) + 1, -1, root};
        // The chain is walked from the string's last pixel back to its first.
        const auto lastOne = std::find_if(walked.begin(), walked.end(), drawn);
        if (lastOne != walked.end()) {
            run.lastDrawn = run.length - 1 - int(lastOne - walked.begin());
        } else if (code >= clear || drawn(root)) {
            run.lastDrawn = 0;
        }
        return run;
    };
    const auto restart = [&] {
        size = codeSize + 1;
        sizeLimit = 2 * clear;
        next = clear + 2;
        needFirst = true;
    };
    CodeBits bits(data, frame.dataAt + 1);
    for (int code = 0; pixels < landing && (code = bits.next(size)) >= 0;) {
        if (code == clear) {
            restart();
            continue;
        }
        if (code == clear + 1) break;
        std::optional<Run> run;
        if (needFirst) {
            // The first code after a clear is drawn as it is, whatever it is.
            first = old = code;
            needFirst = false;
            run = Run{1, drawn(code) ? 0 : -1, code};
        } else {
            if (code >= next) {
                const auto before = runOf(old, 1);
                if (!before) break;
                run = Run{before->length + 1, drawn(first) ? before->length : before->lastDrawn,
                          before->first};
            } else if (!(run = runOf(code, 0))) {
                break;
            }
            first = run->first;
            if (next < kTableSize) {
                Entry& entry = table[next];
                entry = {old, first, {}};
                if (old < next && table[old].run.length > 0) {
                    const Run& prefix = table[old].run;
                    entry.run = {prefix.length + 1, drawn(first) ? prefix.length : prefix.lastDrawn,
                                 prefix.first};
                }
                if (++next >= sizeLimit && sizeLimit < kTableSize) {
                    sizeLimit *= 2;
                    ++size;
                }
            }
            old = code;
        }
        if (run->lastDrawn >= 0) walk.lastDrawn = pixels + run->lastDrawn;
        pixels += run->length;
    }
    if (pixels < landing) return walk;
    // The walk stopped at `landing` pixels: whether the decoder would read a code that gives
    // more, past clears, before the end code or the end of the codes.
    const Stop stop = bits.stop();
    for (int code = bits.next(size); code >= 0 && code != clear + 1; code = bits.next(size)) {
        if (code != clear) {
            walk.stopBeforeMore = stop;
            break;
        }
        restart();
    }
    return walk;
}

}  // namespace ui
