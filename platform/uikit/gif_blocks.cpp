#include "platform/uikit/gif_blocks.h"

namespace ui {

namespace {

// Reads little-endian GIF blocks, stopping quietly at the end of the bytes.
class GifReader {
public:
    explicit GifReader(const QByteArray& data) : data_(data) {}
    [[nodiscard]] bool atEnd() const { return position_ >= data_.size(); }
    [[nodiscard]] qsizetype position() const { return position_; }
    int byte() { return atEnd() ? -1 : quint8(data_[position_++]); }
    int word() {
        const int low = byte();
        const int high = byte();
        return low < 0 || high < 0 ? -1 : low | (high << 8);
    }
    void skip(qsizetype count) { position_ += count; }
    QByteArray take(qsizetype count) {
        const QByteArray bytes = data_.mid(position_, count);
        position_ += count;
        return bytes;
    }
    // Whether the sub-blocks ended with their terminator, before the bytes did.
    bool skipSubBlocks() {
        int size = byte();
        for (; size > 0; size = byte()) skip(size);
        return size == 0;
    }

private:
    const QByteArray& data_;
    qsizetype position_ = 0;
};

}  // namespace

GifBlocks GifBlocks::read(const QByteArray& data) {
    GifBlocks blocks;
    GifReader in(data);
    in.skip(6);  // "GIF89a"
    const int width = in.word();
    const int height = in.word();
    if (width >= 0 && height >= 0) blocks.canvas = QSize(width, height);
    const int packed = in.byte();
    in.skip(2);
    if (packed >= 0 && (packed & 0x80)) in.skip(3 * (1 << ((packed & 7) + 1)));
    std::optional<int> pending;
    bool whole = true;
    while (!in.atEnd()) {
        const int introducer = in.byte();
        if (introducer == 0x21) {
            const int label = in.byte();
            if (label == 0xF9) {
                const int size = in.byte();
                in.byte();  // disposal and transparency flags
                const int delay = in.word();
                in.skip(size - 3);
                whole = in.skipSubBlocks() && whole;
                if (delay >= 0) pending = delay;
            } else if (label == 0xFF) {
                const int size = in.byte();
                const QByteArray application = in.take(size);
                if (application.startsWith("NETSCAPE2.0") ||
                    application.startsWith("ANIMEXTS1.0")) {
                    const int blockSize = in.byte();
                    if (blockSize >= 3) {
                        in.byte();  // sub-block id
                        blocks.loopCount = in.word();
                        in.skip(blockSize - 3);
                    } else if (blockSize > 0) {
                        in.skip(blockSize);
                    }
                }
                whole = in.skipSubBlocks() && whole;
            } else {
                whole = in.skipSubBlocks() && whole;
            }
        } else if (introducer == 0x2C) {
            Frame frame{pending, {}, in.position() - 1};
            const int left = in.word();
            const int top = in.word();
            const int frameWidth = in.word();
            const int frameHeight = in.word();
            if (left >= 0 && top >= 0 && frameWidth >= 0 && frameHeight >= 0) {
                frame.rect = QRect(left, top, frameWidth, frameHeight);
            }
            const int flags = in.byte();
            if (flags >= 0 && (flags & 0x80)) in.skip(3 * (1 << ((flags & 7) + 1)));
            in.byte();  // code size
            whole = in.skipSubBlocks() && whole;
            blocks.frames.push_back(frame);
            pending.reset();
        } else {
            // The trailer, or bytes that are no GIF block.
            blocks.complete = whole && introducer == 0x3B;
            break;
        }
    }
    return blocks;
}

}  // namespace ui
