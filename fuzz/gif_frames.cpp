// GIF bytes from the image host or the bundle read frame by frame: the block reader, the
// frame properties and both animated images take any bytes without a crash; durations are
// never below the floor, and every frame a source counts can be asked for. The frames cut after
// their last pixel that can land draw as the whole codes do.
#include "platform/uikit/gif_blocks.h"
#include "platform/uikit/gif_code_trim.h"
#include "platform/uikit/image_reader.h"
#include "platform/uikit/image_source.h"
#include "src/ui/image/AnimatedGIFImage.h"
#include "src/ui/image/UIImage+GIF.h"

#include "offscreen_gui.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {
constexpr std::size_t kFramesDecodedDirectly = 4;

// The first frames Qt's reader draws of `gif`, as many as it draws up to that count.
std::vector<QImage> framesDrawn(const QByteArray& gif) {
    QBuffer buffer;
    buffer.setData(gif);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    std::vector<QImage> frames;
    for (QImage frame;
         frames.size() < kFramesDecodedDirectly && !(frame = reader.read()).isNull();) {
        frames.push_back(frame);
    }
    return frames;
}

// Every frame Qt's reader draws of `gif` it draws alike once cut, and the frames after them
// that it gave up on with a code it cannot read past the last pixel that can land. Not where the
// first frame has a colour table of its own, around which it fills the canvas with memory not
// written.
void checkCutFramesDrawnAlike(const QByteArray& gif) {
    const QByteArray cut = ui::GifCodeTrim::trimmed(gif);
    if (cut.isSharedWith(gif)) return;
    const ui::GifBlocks blocks = ui::GifBlocks::read(gif);
    if (blocks.frames.empty() || blocks.frames.front().ownColourTable) return;
    const std::vector<QImage> before = framesDrawn(gif);
    const std::vector<QImage> after = framesDrawn(cut);
    if (after.size() < before.size()) std::abort();
    for (std::size_t index = 0; index < before.size(); ++index) {
        if (after[index] != before[index]) std::abort();
    }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    startOffscreenGui(argc, argv);
    // A canvas with an empty side is sized by Qt from its frames, which the cap below does not
    // bound: Qt may allocate 4 MB a picture here rather than the app's 128 MB, set once the
    // reader has set its own, so that a mutation of such a GIF does not spend its time filling
    // a huge canvas (a budget guards those in the app).
    { const ui::ImageReader first(QByteArray("GIF89a")); }
    QImageReader::setAllocationLimit(4);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Every input is read as a GIF: the signature is given, the rest is the fuzzer's.
    QByteArray bytes("GIF89a");
    bytes.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // A canvas of at most 64 x 64 pixels: the block reader and the frame logic are what is
    // tried here, not how long Qt takes to fill huge canvases (a budget guards those).
    for (qsizetype high : {7, 9}) {
        if (bytes.size() > high) bytes[high] = 0;
        if (bytes.size() > high - 1) bytes[high - 1] = char(quint8(bytes[high - 1]) & 0x3f);
    }
    checkCutFramesDrawnAlike(bytes);
    if (const auto source = ui::ImageSource::createWithData(bytes)) {
        (void)source->gifLoopCount();
        for (std::size_t index = 0; index < source->count(); ++index) {
            if (ImageGIF::ik_frameDurationAtIndex(index, *source) < 0.011) std::abort();
            if (AnimatedGIFImage::frameDurationAtIndex(*source, index) < 0.0199) std::abort();
            // Frames are decoded by the app through the two images below, within their
            // budgets; decoding every frame here too would only time Qt's canvas copies.
            if (index < kFramesDecodedDirectly) (void)source->createImageAtIndex(index);
        }
    }
    (void)ImageGIF::ik_animatedGIFWithData(bytes);
    const auto animated =
        std::dynamic_pointer_cast<AnimatedGIFImage>(AnimatedGIFImage::imageWithData(bytes));
    if (animated) {
        for (std::size_t index = 0; index <= animated->frameCount(); ++index) {
            (void)animated->getFrameWithIndex(index);
        }
    }
    return 0;
}
