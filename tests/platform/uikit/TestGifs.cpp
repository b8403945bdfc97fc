#include "TestGifs.h"

#include "ReferenceImage.h"

#include "platform/uikit/gif_blocks.h"
#include "platform/uikit/row_scaler.h"

#include <QBuffer>
#include <QImageReader>

#include <utility>

namespace testgifs {

void appendWord(QByteArray& bytes, int value) {
    bytes.append(char(value & 0xff)).append(char(value >> 8 & 0xff));
}

QByteArray gifCodeData(int codeSize, const std::vector<int>& codes) {
    QByteArray packed;
    int width = codeSize + 1, next = (1 << codeSize) + 2, bits = 0;
    std::uint32_t pending = 0;
    bool first = true;
    for (const int code : codes) {
        const int value = code == kClearCode ? 1 << codeSize
                          : code == kEndCode ? (1 << codeSize) + 1
                                             : code;
        pending |= std::uint32_t(value) << bits;
        for (bits += width; bits >= 8; bits -= 8, pending >>= 8) packed.append(char(pending));
        if (code == kClearCode) {
            width = codeSize + 1;
            next = (1 << codeSize) + 2;
            first = true;
        } else if (code != kEndCode && !std::exchange(first, false) && next < 4096 &&
                   ++next == 1 << width && width < 12) {
            ++width;
        }
    }
    if (bits > 0) packed.append(char(pending));
    QByteArray blocks;
    for (qsizetype at = 0; at < packed.size(); at += 255) {
        const QByteArray block = packed.mid(at, 255);
        blocks.append(char(block.size())).append(block);
    }
    return blocks.append('\0');
}

QByteArray gifCodes(const std::vector<int>& pixels, int blockSize) {
    QByteArray codes;
    int bits = 0, pending = 0;
    const auto code = [&](int value) {
        pending |= value << bits;
        for (bits += 3; bits >= 8; bits -= 8, pending >>= 8) codes.append(char(pending));
    };
    for (std::size_t pixel = 0; pixel < pixels.size(); ++pixel) {
        if (pixel % 2 == 0) code(4);
        code(pixels[pixel]);
    }
    code(5);
    if (bits > 0) codes.append(char(pending));
    QByteArray blocks;
    for (qsizetype at = 0; at < codes.size(); at += blockSize) {
        const QByteArray block = codes.mid(at, blockSize);
        blocks.append(char(block.size())).append(block);
    }
    return blocks.append('\0');
}

QByteArray gifOfFrames(QSize canvas, const std::vector<GifFrame>& frames,
                       const QByteArray& colourTable, int background) {
    QByteArray gif("GIF89a");
    appendWord(gif, canvas.width());
    appendWord(gif, canvas.height());
    // A table of two colours, red and blue, or the one given.
    const QByteArray table =
        colourTable.isEmpty() ? QByteArray("\xff\x00\x00\x00\x00\xff", 6) : colourTable;
    int sizeBits = 0;
    while (3 << (sizeBits + 1) < table.size()) ++sizeBits;
    gif.append(char(0x80 | sizeBits)).append(char(background)).append('\0').append(table);
    for (const GifFrame& frame : frames) {
        gif.append(frame.before).append('\x2c');
        for (const int value :
             {frame.rect.x(), frame.rect.y(), frame.rect.width(), frame.rect.height()}) {
            appendWord(gif, value);
        }
        gif.append(frame.flags).append(frame.colourTable).append(frame.codeSize);
        gif.append(!frame.data.isEmpty()
                       ? frame.data
                       : gifCodes(frame.pixels.value_or(std::vector<int>(
                             std::size_t(frame.rect.width()) * frame.rect.height(), 0))));
    }
    return gif.append('\x3b');
}

QByteArray gifOf(QSize canvas, const std::vector<QRect>& frames, bool transparent) {
    std::vector<GifFrame> redFrames;
    for (const QRect& frame : frames) {
        redFrames.push_back({frame, std::nullopt, transparent ? kBlueTransparent : QByteArray()});
    }
    return gifOfFrames(canvas, redFrames);
}

std::vector<QImage> decodedWhole(const QByteArray& gif) {
    QByteArray read = gif;
    const ui::GifBlocks blocks = ui::GifBlocks::read(gif);
    const bool fillAsWithoutATable = !blocks.frames.empty() &&
                                     blocks.frames.front().ownColourTable &&
                                     !blocks.frames.front().transparentFlag;
    if (fillAsWithoutATable) {
        const QRect first = blocks.frames.front().rect;
        QByteArray drawingNothing("\x2c", 1);
        for (const int value : {first.x(), first.y(), first.width(), first.height()}) {
            appendWord(drawingNothing, value);
        }
        read.insert(blocks.blocksAt, drawingNothing.append("\x00\x02\x01\x2c\x00", 5));
    }
    QBuffer buffer;
    buffer.setData(read);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    std::vector<QImage> frames;
    if (fillAsWithoutATable) (void)reader.read();
    for (QImage frame = reader.read(); !frame.isNull(); frame = reader.read()) {
        frames.push_back(frame.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
    return frames;
}

std::vector<int> redAndBlue(int count) {
    std::vector<int> pixels;
    for (int pixel = 0; pixel < count; ++pixel) pixels.push_back(pixel % 2);
    return pixels;
}

::testing::AssertionResult looksAsDecodedWhole(const QByteArray& gif, std::int64_t bound,
                                               ui::ImageReader& reader) {
    const std::vector<QImage> whole = decodedWhole(gif);
    if (whole.empty()) return ::testing::AssertionFailure() << "the decoder reads no frame";
    const QSize bounded = ui::ImageReader::boundedSize(whole.front().size(), bound);
    for (std::size_t index = 0; index < whole.size(); ++index) {
        const QImage read = reader.read();
        if (read.size() != bounded) {
            return ::testing::AssertionFailure() << "frame " << index << " is not read";
        }
        auto alike = picturesMatch(read, ui::RowScaler::scaled(whole[index], bounded),
                                   PictureTolerance{.levels = 2});
        if (!alike) return alike << " (frame " << index << ")";
    }
    if (!reader.read().isNull()) return ::testing::AssertionFailure() << "a frame too many";
    return ::testing::AssertionSuccess();
}

}  // namespace testgifs
