#include "platform/uikit/gif_blocks.h"

#include <utility>

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
    // The next sub-block's bytes; none at the empty one that ends a chain of them, or at the
    // end of the bytes.
    QByteArray subBlock() {
        const int size = byte();
        return size > 0 ? take(size) : QByteArray();
    }
    void skipSubBlocks() {
        for (int size = byte(); size > 0; size = byte()) skip(size);
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
    blocks.blocksAt = in.position();
    std::optional<int> pending;
    std::optional<int> transparent;
    bool transparentFlag = false;
    bool restores = false;
    while (!in.atEnd()) {
        const int introducer = in.byte();
        if (introducer == 0x21) {
            // An extension: its label, then sub-blocks up to an empty one, read as the decoder
            // reads them whatever their sizes. A graphic control block's first holds the next
            // frame's delay, what becomes of its rectangle after it and the transparent colour
            // from then on; the decoder takes the flags from a shorter one too, but then leaves
            // undrawn a colour the block does not say, which is taken as none. A looping
            // block's second holds its loop count. The decoder takes the first sub-block of a
            // graphic control or looping block for the block itself, an empty one too, and
            // then reads on to an empty one: such a block of an empty first sub-block does
            // not end there.
            const int label = in.byte();
            const QByteArray first = in.subBlock();
            if (first.isEmpty()) {
                if (label == 0xF9 || label == 0xFF) in.skipSubBlocks();
                continue;
            }
            if (label == 0xF9) {
                if (first.size() >= 3) pending = quint8(first[1]) | quint8(first[2]) << 8;
                restores = (quint8(first[0]) >> 2 & 7) >= 2;
                transparent.reset();
                transparentFlag = (first[0] & 1) != 0;
                if (first.size() >= 4 && transparentFlag) transparent = quint8(first[3]);
            }
            const QByteArray second = in.subBlock();
            if (label == 0xFF && second.size() >= 3 &&
                (first.startsWith("NETSCAPE2.0") || first.startsWith("ANIMEXTS1.0"))) {
                blocks.loopCount = quint8(second[1]) | quint8(second[2]) << 8;
            }
            if (!second.isEmpty()) in.skipSubBlocks();
        } else if (introducer == 0x2C) {
            const qsizetype at = in.position() - 1;
            const int left = in.word();
            const int top = in.word();
            const int frameWidth = in.word();
            const int frameHeight = in.word();
            const int flags = in.byte();
            // The bytes end within the descriptor: the decoder finds no frame there.
            if (flags < 0) break;
            GifBlocks::Frame frame{pending, QRect(left, top, frameWidth, frameHeight), at};
            frame.interlaced = (flags & 0x40) != 0;
            frame.transparentIndex = transparent;
            frame.transparentFlag = transparentFlag;
            frame.restoresItsRect = std::exchange(restores, false);
            frame.ownColourTable = (flags & 0x80) != 0;
            pending.reset();
            if (frame.ownColourTable) in.skip(3 * (1 << ((flags & 7) + 1)));
            frame.dataAt = in.position();
            blocks.frames.push_back(frame);
            in.byte();  // code size
            in.skipSubBlocks();
        } else {
            // The trailer, or bytes that are no GIF block, where the decoder stops too.
            break;
        }
    }
    return blocks;
}

}  // namespace ui
