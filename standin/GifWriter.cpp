#include "standin/GifWriter.h"

#include <QColor>

namespace standin {

namespace {

constexpr int kLevels = 6;
constexpr int kMinimumCodeSize = 8;
constexpr int kClearCode = 1 << kMinimumCodeSize;
constexpr int kEndCode = kClearCode + 1;
// With 9-bit codes and no table growth beyond 511, a clear code is due this often.
constexpr int kPixelsPerClear = 250;

void appendWord(QByteArray& out, int value) {
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

int paletteIndex(QRgb pixel) {
    auto level = [](int channel) { return (channel * (kLevels - 1) + 127) / 255; };
    return level(qRed(pixel)) * kLevels * kLevels + level(qGreen(pixel)) * kLevels +
           level(qBlue(pixel));
}

// Packs 9-bit codes least significant bit first, as GIF's LZW stream wants.
class CodeWriter {
public:
    void put(int code) {
        buffer_ |= quint32(code) << bits_;
        bits_ += kMinimumCodeSize + 1;
        while (bits_ >= 8) {
            bytes_.append(char(buffer_ & 0xff));
            buffer_ >>= 8;
            bits_ -= 8;
        }
    }
    QByteArray finish() {
        if (bits_ > 0) bytes_.append(char(buffer_ & 0xff));
        return bytes_;
    }

private:
    QByteArray bytes_;
    quint32 buffer_ = 0;
    int bits_ = 0;
};

// Every pixel its own code, with a clear code often enough that the code size never
// grows: a valid stream that needs no dictionary.
QByteArray imageData(const QImage& image) {
    CodeWriter codes;
    int sinceClear = kPixelsPerClear;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (sinceClear == kPixelsPerClear) {
                codes.put(kClearCode);
                sinceClear = 0;
            }
            codes.put(paletteIndex(image.pixel(x, y)));
            ++sinceClear;
        }
    }
    codes.put(kEndCode);
    const QByteArray stream = codes.finish();
    QByteArray out;
    out.append(char(kMinimumCodeSize));
    for (qsizetype offset = 0; offset < stream.size(); offset += 255) {
        const QByteArray block = stream.mid(offset, 255);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append('\0');
    return out;
}

}  // namespace

QByteArray GifWriter::encode(const std::vector<Frame>& frames, int loopCount) {
    if (frames.empty() || frames.front().image.isNull()) return {};
    const int width = frames.front().image.width();
    const int height = frames.front().image.height();
    QByteArray out("GIF89a");
    appendWord(out, width);
    appendWord(out, height);
    out.append(char(0xF7));  // a global table of 256 colours
    out.append('\0');        // background colour index
    out.append('\0');        // no aspect ratio
    for (int index = 0; index < 256; ++index) {
        const int r = index / (kLevels * kLevels);
        const int g = (index / kLevels) % kLevels;
        const int b = index % kLevels;
        const bool used = index < kLevels * kLevels * kLevels;
        out.append(char(used ? r * 255 / (kLevels - 1) : 0));
        out.append(char(used ? g * 255 / (kLevels - 1) : 0));
        out.append(char(used ? b * 255 / (kLevels - 1) : 0));
    }
    if (loopCount >= 0) {
        out.append("\x21\xff\x0bNETSCAPE2.0\x03\x01", 16);
        appendWord(out, loopCount);
        out.append('\0');
    }
    for (const Frame& frame : frames) {
        if (frame.delay >= 0) {
            out.append("\x21\xf9\x04", 3);
            out.append(char(0x04));  // each frame stays in place under the next
            appendWord(out, frame.delay);
            out.append("\x00\x00", 2);
        }
        out.append(char(0x2C));
        appendWord(out, 0);
        appendWord(out, 0);
        appendWord(out, width);
        appendWord(out, height);
        out.append('\0');
        const QImage image =
            frame.image.scaled(width, height).convertToFormat(QImage::Format_RGB32);
        out.append(imageData(image));
    }
    out.append(char(0x3B));
    return out;
}

}  // namespace standin
