#include "platform/uikit/gif_code_trim.h"

#include "platform/uikit/gif_blocks.h"
#include "platform/uikit/gif_code_walk.h"
#include "platform/uikit/gif_frame_reach.h"

#include <algorithm>

namespace ui {

QByteArray GifCodeTrim::trimmed(const QByteArray& data) {
    if (!data.startsWith("GIF8")) return data;
    const GifBlocks blocks = GifBlocks::read(data);
    if (blocks.frames.empty()) return data;
    // The decoder takes a side the header leaves empty from the first frame's far edge.
    const QRect& first = blocks.frames.front().rect;
    const QSize canvas(blocks.canvas.width() > 0 ? blocks.canvas.width() : first.right() + 1,
                       blocks.canvas.height() > 0 ? blocks.canvas.height() : first.bottom() + 1);
    QByteArray cut;
    // The bytes of `data` that `cut` holds, as they are or shortened: those before this offset.
    qsizetype copied = 0;
    for (const GifBlocks::Frame& frame : blocks.frames) {
        const auto stop = GifCodeWalk::of(data, frame, GifFrameReach::landingPixels(frame, canvas))
                              .stopBeforeMore;
        if (!stop) continue;
        cut.append(data.constData() + copied, stop->at - copied);
        // The sub-block ends with the last byte read, which holds the last code's last bit.
        if (stop->leftInBlock > 0) {
            const qsizetype blockAt = cut.size() - (stop->at - stop->blockAt);
            cut[blockAt] = char(quint8(cut[blockAt]) - stop->leftInBlock);
        }
        cut.append('\0');
        // The rest of the frame's sub-blocks are passed over by their lengths, to the empty one
        // that ends them or the end of the bytes.
        qsizetype at = stop->at + stop->leftInBlock;
        while (at < data.size()) {
            const int size = quint8(data[at++]);
            if (size == 0) break;
            at += size;
        }
        copied = std::min(at, data.size());
    }
    if (copied == 0) return data;
    return cut.append(data.constData() + copied, data.size() - copied);
}

}  // namespace ui
