#include "platform/uikit/jpeg_eighth.h"

#include "platform/uikit/jpeg_markers.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace ui {

namespace {

constexpr int kProgressiveFrame = 0xc2;
constexpr int kHuffmanTables = 0xc4;
constexpr int kQuantizationTables = 0xdb;
constexpr int kRestartInterval = 0xdd;
constexpr int kScanMarker = 0xda;
constexpr int kAdobeMarker = 0xee;
constexpr int kJfifMarker = 0xe0;
constexpr int kTableSlots = 4;
// The most blocks a unit of an interleaved scan may hold, as the decoder bounds them.
constexpr int kMostBlocksInUnit = 10;

struct DcTable {
    bool defined = false;
    // The canonical codes of each length: the largest (-1 where there are none), and what to
    // add to a code of that length to find its value.
    std::array<int, 17> largestCode{};
    std::array<int, 17> valueOffset{};
    std::array<quint8, 256> values{};
};

struct DcComponent {
    int id = 0;
    int across = 1;
    int down = 1;
    int table = 0;
    // Its blocks across and down, in whole units of the frame, and those its own samples
    // cover, which a scan of it alone brings.
    int unitBlocksAcross = 0;
    int unitBlocksDown = 0;
    int ownBlocksAcross = 0;
    int ownBlocksDown = 0;
    // The DC step of its quantization table, taken when its first scan starts.
    std::optional<int> dcStep;
    std::vector<std::int16_t> dc;
};

struct DcFrame {
    int width = 0;
    int height = 0;
    int mostAcross = 1;
    int mostDown = 1;
    int unitsAcross = 0;
    int unitsDown = 0;
    std::vector<DcComponent> components;
};

// What the markers before the first scan tell: the frame, and whether the decoder takes its
// three components for RGB.
struct DcHeader {
    std::optional<DcFrame> frame;
    bool rgb = false;
};

int roundedUpDivision(int value, int by) {
    return (value + by - 1) / by;
}

// The frame a progressive header of 8-bit samples declares, of one component or three, each
// sampled a whole division of the largest; nothing for any other.
std::optional<DcFrame> progressiveFrameAt(const QByteArray& data, qsizetype segment, int length) {
    if (length < 8 || quint8(data[segment]) != 8) return std::nullopt;
    DcFrame frame;
    frame.height = JpegMarkers::wordAt(data, segment + 1);
    frame.width = JpegMarkers::wordAt(data, segment + 3);
    const int count = quint8(data[segment + 5]);
    if (frame.width == 0 || frame.height == 0 || (count != 1 && count != 3) ||
        length < 8 + 3 * count) {
        return std::nullopt;
    }
    for (int index = 0; index < count; ++index) {
        const qsizetype at = segment + 6 + 3 * index;
        const int factors = quint8(data[at + 1]);
        DcComponent component{quint8(data[at]), factors >> 4, factors & 0x0f, quint8(data[at + 2])};
        if (component.across < 1 || component.across > 4 || component.down < 1 ||
            component.down > 4 || component.table >= kTableSlots) {
            return std::nullopt;
        }
        frame.mostAcross = std::max(frame.mostAcross, component.across);
        frame.mostDown = std::max(frame.mostDown, component.down);
        frame.components.push_back(component);
    }
    frame.unitsAcross = roundedUpDivision(frame.width, 8 * frame.mostAcross);
    frame.unitsDown = roundedUpDivision(frame.height, 8 * frame.mostDown);
    for (DcComponent& component : frame.components) {
        if (frame.mostAcross % component.across != 0 || frame.mostDown % component.down != 0) {
            return std::nullopt;
        }
        component.unitBlocksAcross = frame.unitsAcross * component.across;
        component.unitBlocksDown = frame.unitsDown * component.down;
        component.ownBlocksAcross = roundedUpDivision(
            roundedUpDivision(frame.width * component.across, frame.mostAcross), 8);
        component.ownBlocksDown =
            roundedUpDivision(roundedUpDivision(frame.height * component.down, frame.mostDown), 8);
    }
    return frame;
}

// Reads the markers up to the first scan.
DcHeader dcHeaderOf(const QByteArray& data) {
    DcHeader header;
    bool jfif = false;
    std::optional<int> adobeTransform;
    bool frameSeen = false;
    // The segments that tell the colours count wherever they are before the first scan.
    JpegMarkers::walk(data, [&](int marker, qsizetype segment, int length) {
        if (marker == kJfifMarker && length >= 16 &&
            data.mid(segment, 5) == QByteArray("JFIF\0", 5)) {
            jfif = true;
        } else if (marker == kAdobeMarker && length >= 14 && data.mid(segment, 5) == "Adobe") {
            adobeTransform = quint8(data[segment + 11]);
        } else if (JpegMarkers::isFrame(marker) && !frameSeen) {
            // The first frame is the picture's: any other process is the platform's.
            frameSeen = true;
            if (marker == kProgressiveFrame) {
                header.frame = progressiveFrameAt(data, segment, length);
            }
        }
        return marker != kScanMarker;
    });
    if (!header.frame) return {};
    const std::vector<DcComponent>& components = header.frame->components;
    if (components.size() == 3 && !jfif) {
        header.rgb = adobeTransform ? *adobeTransform == 0
                                    : components[0].id == 'R' && components[1].id == 'G' &&
                                          components[2].id == 'B';
    }
    return header;
}

// Reads the bits of a scan's entropy-coded data: a stuffed zero after a byte of 0xff is
// dropped, and at a marker (or the end of the bytes) the data reads as zero bits from there on,
// as the decoder reads it.
class ScanBits {
public:
    ScanBits(const QByteArray& data, qsizetype at)
        : next_(reinterpret_cast<const quint8*>(data.constData()) + at),
          end_(reinterpret_cast<const quint8*>(data.constData()) + data.size()) {}

    int bit() { return bits(1); }

    // The next `count` bits (1 to 16) as a number, the first the highest.
    int bits(int count) {
        if (held_ < count) fill();
        held_ -= count;
        return int(buffer_ >> held_) & ((1 << count) - 1);
    }

    // The restart after a scan's interval: the bits left of the byte (its padding) are dropped,
    // and the next restart marker is stepped over, past any bytes before it.
    void restart() {
        held_ = 0;
        buffer_ = 0;
        while (next_ < end_) {
            if (*next_ != 0xff) {
                ++next_;
                continue;
            }
            const quint8* code = next_ + 1;
            while (code < end_ && *code == 0xff) ++code;
            if (code == end_) break;
            if (*code == 0x00) {
                next_ = code + 1;
                continue;
            }
            // A restart marker is stepped over; another marker ends the scan's data, which
            // reads as zero bits from there.
            next_ = *code >= 0xd0 && *code <= 0xd7 ? code + 1 : code - 1;
            break;
        }
        atMarker_ = false;
    }

private:
    void fill() {
        while (held_ <= 56) {
            quint8 byte = 0;
            if (!atMarker_ && next_ < end_) {
                if (*next_ != 0xff) {
                    byte = *next_++;
                } else if (next_ + 1 < end_ && next_[1] == 0x00) {
                    byte = 0xff;
                    next_ += 2;
                } else {
                    atMarker_ = true;
                }
            }
            buffer_ = buffer_ << 8 | byte;
            held_ += 8;
        }
    }

    const quint8* next_;
    const quint8* end_;
    std::uint64_t buffer_ = 0;
    int held_ = 0;
    bool atMarker_ = false;
};

// The DC tables of a segment of Huffman tables into `tables`, past its AC tables; false where
// one is malformed.
bool readDcTables(const QByteArray& data, qsizetype at, qsizetype end,
                  std::array<DcTable, kTableSlots>& tables) {
    while (at < end) {
        if (at + 17 > end) return false;
        const int kindAndSlot = quint8(data[at]);
        if ((kindAndSlot & 0x0f) >= kTableSlots || (kindAndSlot >> 4) > 1) return false;
        DcTable table;
        table.defined = true;
        int count = 0;
        int code = 0;
        for (int length = 1; length <= 16; ++length) {
            const int ofLength = quint8(data[at + length]);
            table.valueOffset[length] = count - code;
            code += ofLength;
            count += ofLength;
            table.largestCode[length] = ofLength > 0 ? code - 1 : -1;
            // More codes than the length holds are no prefix code.
            if (code > (1 << length) || count > 256) return false;
            code <<= 1;
        }
        if (at + 17 + count > end) return false;
        for (int index = 0; index < count; ++index) {
            table.values[index] = quint8(data[at + 17 + index]);
        }
        // Each kind has its own four slots.
        if ((kindAndSlot >> 4) == 0) tables[kindAndSlot & 0x0f] = table;
        at += 17 + count;
    }
    return true;
}

// The DC steps of a segment of quantization tables into `steps`; false where one is cut.
bool readDcSteps(const QByteArray& data, qsizetype at, qsizetype end,
                 std::array<std::optional<int>, kTableSlots>& steps) {
    while (at < end) {
        const int precisionAndSlot = quint8(data[at]);
        // Any precision but 0 is of 16 bits, as the decoder reads it.
        const bool wide = (precisionAndSlot >> 4) != 0;
        if ((precisionAndSlot & 0x0f) >= kTableSlots) return false;
        const qsizetype size = 1 + 64 * (wide ? 2 : 1);
        if (at + size > end) return false;
        steps[precisionAndSlot & 0x0f] =
            wide ? JpegMarkers::wordAt(data, at + 1) : int(quint8(data[at + 1]));
        at += size;
    }
    return true;
}

// The value of the next code of `table`; 0 for bits that are no code, as the decoder reads
// them.
int decodeDc(ScanBits& bits, const DcTable& table) {
    int code = 0;
    for (int length = 1; length <= 16; ++length) {
        code = code << 1 | bits.bit();
        if (code <= table.largestCode[length]) {
            return table.values[code + table.valueOffset[length]];
        }
    }
    return 0;
}

// The difference of `size` bits that follows a DC code of that size.
int dcDifference(ScanBits& bits, int size) {
    if (size == 0) return 0;
    const int value = bits.bits(size);
    return value < (1 << (size - 1)) ? value - (1 << size) + 1 : value;
}

class EighthDecoder {
public:
    explicit EighthDecoder(const QByteArray& data) : data_(data) {}

    QImage read() {
        const DcHeader header = dcHeaderOf(data_);
        if (!header.frame || header.rgb) return {};
        frame_ = *header.frame;
        for (DcComponent& component : frame_.components) {
            component.dc.assign(std::size_t(component.unitBlocksAcross) * component.unitBlocksDown,
                                0);
        }
        bool frameFound = false;
        bool readable = true;
        JpegMarkers::walk(data_, [&](int marker, qsizetype segment, int length) {
            const qsizetype end = segment + length - 2;
            // A second frame is one the decoder refuses.
            if (JpegMarkers::isFrame(marker)) {
                readable = !std::exchange(frameFound, true);
                return readable;
            }
            if (marker == kHuffmanTables) {
                readable = readDcTables(data_, segment, end, dcTables_);
            } else if (marker == kQuantizationTables) {
                readable = readDcSteps(data_, segment, end, steps_);
            } else if (marker == kRestartInterval && length >= 4) {
                restartInterval_ = JpegMarkers::wordAt(data_, segment);
            } else if (marker == kScanMarker) {
                readable = readScan(segment, length);
            }
            return readable;
        });
        return readable ? picture() : QImage();
    }

private:
    // Reads a scan of DC coefficients from its header at `segment`, and steps over any other;
    // false where its parameters, or the components or tables it names, are not readable.
    bool readScan(qsizetype segment, int length) {
        const int count = length >= 3 ? quint8(data_[segment]) : 0;
        if (count < 1 || count > 4 || length != 6 + 2 * count) return false;
        const qsizetype parameters = segment + 1 + 2 * count;
        const int start = quint8(data_[parameters]);
        const int last = quint8(data_[parameters + 1]);
        const int high = quint8(data_[parameters + 2]) >> 4;
        const int low = quint8(data_[parameters + 2]) & 0x0f;
        if (start > last || last > 63 || low > 13 || (start == 0 && last != 0) ||
            (start > 0 && count != 1) || (high != 0 && high != low + 1)) {
            return false;
        }
        std::vector<DcComponent*> scanned;
        std::vector<const DcTable*> tables;
        int unitBlocks = 0;
        for (int index = 0; index < count; ++index) {
            const int id = quint8(data_[segment + 1 + 2 * index]);
            const auto found =
                std::find_if(frame_.components.begin(), frame_.components.end(),
                             [id](const DcComponent& component) { return component.id == id; });
            if (found == frame_.components.end()) return false;
            DcComponent& component = *found;
            if (!component.dcStep) {
                if (!steps_[component.table]) return false;
                component.dcStep = steps_[component.table];
            }
            const int slot = quint8(data_[segment + 2 + 2 * index]) >> 4;
            const DcTable& table = dcTables_[slot % kTableSlots];
            if (start == 0 && high == 0) {
                if (slot >= kTableSlots || !table.defined ||
                    std::any_of(table.values.begin(), table.values.end(),
                                [](quint8 value) { return value > 15; })) {
                    return false;
                }
            }
            scanned.push_back(&component);
            tables.push_back(&table);
            unitBlocks += component.across * component.down;
        }
        if (count > 1 && unitBlocks > kMostBlocksInUnit) return false;
        if (start != 0) return true;

        ScanBits bits(data_, segment + length - 2);
        std::array<std::int64_t, 4> predictions{};
        int unitsToRestart = restartInterval_;
        const auto nextUnit = [&] {
            if (restartInterval_ == 0) return;
            if (unitsToRestart == 0) {
                bits.restart();
                predictions.fill(0);
                unitsToRestart = restartInterval_;
            }
            --unitsToRestart;
        };
        const auto readBlock = [&](int index, DcComponent& component, int across, int down) {
            std::int16_t& dc =
                component.dc[std::size_t(down) * component.unitBlocksAcross + across];
            if (high == 0) {
                predictions[index] += dcDifference(bits, decodeDc(bits, *tables[index]));
                dc = std::int16_t(std::uint32_t(predictions[index]) << low);
            } else if (bits.bit() != 0) {
                dc = std::int16_t(dc | 1 << low);
            }
        };
        if (count == 1) {
            DcComponent& component = *scanned.front();
            for (int down = 0; down < component.ownBlocksDown; ++down) {
                for (int across = 0; across < component.ownBlocksAcross; ++across) {
                    nextUnit();
                    readBlock(0, component, across, down);
                }
            }
            return true;
        }
        for (int unitDown = 0; unitDown < frame_.unitsDown; ++unitDown) {
            for (int unitAcross = 0; unitAcross < frame_.unitsAcross; ++unitAcross) {
                nextUnit();
                for (int index = 0; index < count; ++index) {
                    DcComponent& component = *scanned[index];
                    for (int down = 0; down < component.down; ++down) {
                        for (int across = 0; across < component.across; ++across) {
                            readBlock(index, component, unitAcross * component.across + across,
                                      unitDown * component.down + down);
                        }
                    }
                }
            }
        }
        return true;
    }

    // A block's sample from its DC coefficient: the coefficient times its step over 8, rounded,
    // about the middle level.
    static int sampleOf(const DcComponent& component, int across, int down) {
        const int coefficient =
            component.dc[std::size_t(down) * component.unitBlocksAcross + across];
        return std::clamp(((coefficient * component.dcStep.value_or(0) + 4) >> 3) + 128, 0, 255);
    }

    QImage picture() const {
        const QSize size = JpegEighth::eighthOf({frame_.width, frame_.height});
        const bool grey = frame_.components.size() == 1;
        QImage image(size, grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
        if (image.isNull()) return {};
        for (int y = 0; y < size.height(); ++y) {
            if (grey) {
                uchar* line = image.scanLine(y);
                for (int x = 0; x < size.width(); ++x) {
                    line[x] = uchar(sampleOf(frame_.components[0], x, y));
                }
                continue;
            }
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < size.width(); ++x) {
                std::array<int, 3> samples{};
                for (std::size_t index = 0; index < 3; ++index) {
                    // A component coarser than the picture gives its blocks' averages to the
                    // pixels they cover.
                    const DcComponent& component = frame_.components[index];
                    samples[index] = sampleOf(component, x * component.across / frame_.mostAcross,
                                              y * component.down / frame_.mostDown);
                }
                line[x] = rgbOf(samples[0], samples[1], samples[2]);
            }
        }
        return image;
    }

    // Brightness and colour to red, green and blue, in the decoder's fixed point of 16 bits.
    static QRgb rgbOf(int brightness, int blue, int red) {
        constexpr auto fixed = [](double factor) { return int(factor * 65536 + 0.5); };
        constexpr int half = 1 << 15;
        const int b = blue - 128;
        const int r = red - 128;
        const auto level = [](int value) { return std::clamp(value, 0, 255); };
        return qRgb(level(brightness + ((fixed(1.40200) * r + half) >> 16)),
                    level(brightness + ((-fixed(0.34414) * b - fixed(0.71414) * r + half) >> 16)),
                    level(brightness + ((fixed(1.77200) * b + half) >> 16)));
    }

    const QByteArray& data_;
    DcFrame frame_;
    std::array<DcTable, kTableSlots> dcTables_{};
    std::array<std::optional<int>, kTableSlots> steps_{};
    int restartInterval_ = 0;
};

}  // namespace

bool JpegEighth::reads(const QByteArray& data) {
    const DcHeader header = dcHeaderOf(data);
    return header.frame && !header.rgb;
}

bool JpegEighth::readsFor(const QByteArray& data, QSize size) {
    const DcHeader header = dcHeaderOf(data);
    if (!header.frame || header.rgb) return false;
    const DcFrame& frame = *header.frame;
    int coarsest = 1;
    for (const DcComponent& component : frame.components) {
        const int ratio = frame.mostAcross / component.across;
        if (ratio == frame.mostDown / component.down) coarsest = std::max(coarsest, ratio);
    }
    const QSize eighth = eighthOf({frame.width, frame.height});
    return size.width() * coarsest <= eighth.width() && size.height() * coarsest <= eighth.height();
}

QImage JpegEighth::read(const QByteArray& data) {
    return EighthDecoder(data).read();
}

}  // namespace ui
