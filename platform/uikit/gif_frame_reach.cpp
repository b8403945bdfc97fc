#include "platform/uikit/gif_frame_reach.h"

#include <algorithm>
#include <optional>
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
    CodeBits(const QByteArray& data, qsizetype at) : data_(data), at_(at) {}

    // The next code of `size` bits; -1 once the bits run out.
    int next(int size) {
        while (held_ < size) {
            if (at_ >= data_.size()) return -1;
            if (blockLeft_ == 0) {
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

private:
    const QByteArray& data_;
    qsizetype at_;
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

// The offset among the frame's pixels of the last that is not transparent, as the decoder's
// codes give them, looking no further than `landing` pixels: -1 where none is, none where the
// codes are of a size the decoder does not read as the others. The decoder's ways with codes
// not in its table are followed: the first code after a clear is drawn as it is, whatever it
// is; any code past the table gives the string before it and that string's first pixel again,
// as the one just past it should; a chain that loops, passes kLongestString pixels or reaches a
// code past the table ends the frame.
std::optional<qint64> lastDrawnPixel(const QByteArray& data, const GifBlocks::Frame& frame,
                                     qint64 landing) {
    if (frame.dataAt >= data.size()) return -1;
    const int codeSize = quint8(data[frame.dataAt]);
    if (codeSize >= kLongestCode) return std::nullopt;
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
    qint64 pixels = 0;
    qint64 last = -1;
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
    CodeBits bits(data, frame.dataAt + 1);
    for (int code = 0; pixels < landing && (code = bits.next(size)) >= 0;) {
        if (code == clear) {
            size = codeSize + 1;
            sizeLimit = 2 * clear;
            next = clear + 2;
            needFirst = true;
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
        if (run->lastDrawn >= 0) last = pixels + run->lastDrawn;
        pixels += run->length;
    }
    return last;
}

}  // namespace

QRect GifFrameReach::onCanvas(const QByteArray& data, const GifBlocks::Frame& frame, QSize canvas) {
    const QRect bounds(QPoint(0, 0), canvas);
    const QRect& rect = frame.rect;
    const QRect restored = frame.restoresItsRect ? rect & bounds : QRect();
    const int width = std::max(rect.width(), 1);
    const int rowsBelow = canvas.height() - rect.y();
    // Past these rows no pixel lands on the canvas: an interlaced frame's rows past its height
    // land at least as far down as they come.
    const qint64 landingRows = std::max(rect.height(), rowsBelow);
    const auto lastDrawn = lastDrawnPixel(data, frame, qint64(width) * landingRows);
    // Below its corner to the canvas's bottom, in its width: what is restored after it too.
    if (!lastDrawn) return QRect(rect.x(), rect.y(), width, rowsBelow) & bounds;
    if (*lastDrawn < 0) return restored;
    // An interlaced frame's row r lands within its height, or past it at most 2r + 2 rows down.
    const qint64 row = *lastDrawn / width;
    const qint64 rows = frame.interlaced ? std::max<qint64>(rect.height(), 2 * row + 3) : row + 1;
    const qint64 across = !frame.interlaced && row == 0 ? *lastDrawn + 1 : width;
    const QRect drawn(rect.x(), rect.y(), int(std::min<qint64>(across, width)),
                      int(std::min<qint64>(rows, rowsBelow)));
    return (drawn & bounds) | restored;
}

}  // namespace ui
