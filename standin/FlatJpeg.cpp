#include "standin/FlatJpeg.h"

#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <utility>

namespace standin {

namespace {

// Bits written from the most significant on, as a JPEG's entropy-coded data holds them: a byte
// 0xff is followed by a zero, so that it is no marker; the last byte is filled with ones.
class JpegBits {
public:
    void put(std::uint32_t code, int length) {
        for (int bit = length - 1; bit >= 0; --bit) {
            pending_ = pending_ << 1 | (code >> bit & 1);
            if (++count_ == 8) flushByte();
        }
    }
    QByteArray finished() {
        while (count_ != 0) put(1, 1);
        return std::exchange(bytes_, {});
    }

private:
    void flushByte() {
        bytes_.append(char(pending_));
        if (pending_ == 0xff) bytes_.append('\0');
        pending_ = 0;
        count_ = 0;
    }
    QByteArray bytes_;
    std::uint32_t pending_ = 0;
    int count_ = 0;
};

QByteArray segment(quint8 marker, const QByteArray& data) {
    QByteArray bytes("\xff", 1);
    bytes.append(char(marker));
    QByteArray length(2, '\0');
    qToBigEndian(quint16(data.size() + 2), length.data());
    return bytes + length + data;
}

// A Huffman table (class 0: DC, 1: AC; number 0) whose codes are all `length` bits long, one
// for each symbol in order: symbol i's code is i.
QByteArray huffmanTable(int tableClass, const QByteArray& symbols, int length) {
    QByteArray counts(16, '\0');
    counts[length - 1] = char(symbols.size());
    return segment(0xc4, QByteArray(1, char(tableClass << 4)) + counts + symbols);
}

// Each component's sampling factors, across in the high four bits.
QByteArray samplingOf(FlatJpeg::Pixels pixels) {
    return pixels == FlatJpeg::Pixels::Grey ? QByteArray("\x11", 1) : QByteArray("\x22\x11\x11", 3);
}

// The start of a JPEG of `size` whose frame header is `frameMarker` (0xc0 baseline, 0xc2
// progressive): its quantization table (all ones, shared) and frame header.
QByteArray jpegStart(QSize size, const QByteArray& sampling, quint8 frameMarker) {
    QByteArray frame(6, '\0');
    frame[0] = 8;
    qToBigEndian(quint16(size.height()), frame.data() + 1);
    qToBigEndian(quint16(size.width()), frame.data() + 3);
    frame[5] = char(sampling.size());
    for (int component = 0; component < sampling.size(); ++component) {
        frame.append(char(component + 1)).append(sampling[component]).append('\0');
    }
    return QByteArray("\xff\xd8", 2) + segment(0xdb, QByteArray(1, '\0') + QByteArray(64, 1)) +
           segment(frameMarker, frame);
}

// A scan of the components numbered `components` (from 0), of coefficients `first` to `last`,
// refining them by a bit where `refining`; every component takes tables 0.
QByteArray scanHeader(const std::vector<int>& components, int first, int last, bool refining) {
    QByteArray scan(1, char(components.size()));
    for (const int component : components) scan.append(char(component + 1)).append('\0');
    scan.append(char(first)).append(char(last)).append(char(refining ? 0x10 : 0));
    return segment(0xda, scan);
}

// The blocks a scan brings: where it holds one component, that component's own, its samples
// in whole blocks; where it holds them all, the units of the largest sampling factors, each the
// blocks of every component's factors.
std::int64_t blocksOf(QSize size, const QByteArray& sampling, int component, bool interleaved) {
    int mostAcross = 1, mostDown = 1, perUnit = 0;
    for (const char factors : sampling) {
        mostAcross = std::max(mostAcross, quint8(factors) >> 4);
        mostDown = std::max(mostDown, quint8(factors) & 0x0f);
        perUnit += (quint8(factors) >> 4) * (quint8(factors) & 0x0f);
    }
    const auto sides = [](std::int64_t samples, std::int64_t divisor) {
        return (samples + divisor - 1) / divisor;
    };
    if (interleaved && sampling.size() > 1) {
        return sides(size.width(), 8 * mostAcross) * sides(size.height(), 8 * mostDown) * perUnit;
    }
    const int across = quint8(sampling[component]) >> 4;
    const int down = quint8(sampling[component]) & 0x0f;
    return sides(sides(std::int64_t(size.width()) * across, mostAcross), 8) *
           sides(sides(std::int64_t(size.height()) * down, mostDown), 8);
}

// Every component of a frame, by their numbers.
std::vector<int> allOf(const QByteArray& sampling) {
    std::vector<int> all(std::size_t(sampling.size()));
    for (int component = 0; component < sampling.size(); ++component) {
        all[std::size_t(component)] = component;
    }
    return all;
}

// `blocks` blocks of the code of `length` bits that is 0.
QByteArray zeroCodes(std::int64_t blocks, int length) {
    JpegBits bits;
    for (std::int64_t block = 0; block < blocks; ++block) bits.put(0, length);
    return bits.finished();
}

// Runs of `blocks` blocks without AC coefficients: end-of-band runs of up to 32,767 blocks,
// the lengths' bits after a 4-bit code.
QByteArray runsWithoutCoefficients(std::int64_t blocks) {
    JpegBits bits;
    for (std::int64_t left = blocks; left > 0;) {
        const auto run = std::uint32_t(std::min<std::int64_t>(left, 32767));
        const int length = 31 - std::countl_zero(run);
        bits.put(std::uint32_t(length), 4);
        bits.put(run - (1u << length), length);
        left -= run;
    }
    return bits.finished();
}

}  // namespace

QByteArray FlatJpeg::baseline(QSize size, Pixels pixels) {
    // Each block a difference of 0 from the last DC coefficient and the end of its band, a bit
    // each.
    const QByteArray sampling = samplingOf(pixels);
    return jpegStart(size, sampling, 0xc0) + huffmanTable(0, QByteArray(1, '\0'), 1) +
           huffmanTable(1, QByteArray(1, '\0'), 1) + scanHeader(allOf(sampling), 0, 63, false) +
           zeroCodes(blocksOf(size, sampling, 0, true), 2) + QByteArray("\xff\xd9", 2);
}

QByteArray FlatJpeg::progressive(QSize size, Pixels pixels, const std::vector<int>& acScans,
                                 bool refining) {
    const QByteArray sampling = samplingOf(pixels);
    // The DC scan: a difference of 0 a block, one bit; the AC scans' codes are the lengths of
    // the runs' bits.
    QByteArray runSymbols;
    for (int length = 0; length <= 14; ++length) runSymbols.append(char(length << 4));
    QByteArray bytes = jpegStart(size, sampling, 0xc2) + huffmanTable(0, QByteArray(1, '\0'), 1) +
                       huffmanTable(1, runSymbols, 4) + scanHeader(allOf(sampling), 0, 0, false) +
                       zeroCodes(blocksOf(size, sampling, 0, true), 1);
    for (const int component : acScans) {
        bytes += scanHeader({component}, 1, 63, refining) +
                 runsWithoutCoefficients(blocksOf(size, sampling, component, false));
    }
    return bytes + QByteArray("\xff\xd9", 2);
}

}  // namespace standin
