#pragma once

#include "platform/uikit/geometry.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace ui {

class Image;
class ImageReader;

// Decodes the frames of encoded image bytes one at a time, with the GIF
// properties an animated image needs (frame delays and the loop count). Frames
// may be asked for from any thread. Frames come within the bound of ImageReader: a canvas
// of more pixels is decoded scaled down.
class ImageSource {
public:
    static inline const QString kTypeGIF = QStringLiteral("com.compuserve.gif");
    static inline const QString kTypePNG = QStringLiteral("public.png");
    static inline const QString kTypeJPEG = QStringLiteral("public.jpeg");
    static inline const QString kTypeBMP = QStringLiteral("com.microsoft.bmp");
    static inline const QString kTypeTIFF = QStringLiteral("public.tiff");
    static inline const QString kTypeWebP = QStringLiteral("org.webmproject.webp");

    struct FrameProperties {
        // Seconds; the clamped delay never goes below 0.1 for delays of 0.01 s or less.
        std::optional<double> delayTime;
        std::optional<double> unclampedDelayTime;
    };

    // Nothing for empty bytes or bytes of no known image type.
    [[nodiscard]] static std::shared_ptr<ImageSource> createWithData(const QByteArray& data);
    ~ImageSource();

    [[nodiscard]] const QString& type() const { return type_; }
    [[nodiscard]] std::size_t count() const { return count_; }
    // The picture's size in pixels as its header gives it, read without decoding;
    // (0, 0) when the header does not say.
    [[nodiscard]] Size pixelSize() const;
    // Frame `index` as a whole picture (earlier frames composed in), or nothing. The decoder
    // stays for the next frame, so that frames asked for in turn each cost one frame's decode;
    // one that holds a share of the decoding budget (ImageReader) is kept by the budget, which
    // lets go of it for a decode that waits for room: the next frame is then decoded from the
    // first again.
    [[nodiscard]] std::shared_ptr<Image> createImageAtIndex(std::size_t index,
                                                            double scale = 1) const;
    // The frames in order, from the first, with one decoder: each is handed to `take` with its
    // index until `take` answers false, a frame does not decode or the frames end.
    void readFrames(double scale,
                    const std::function<bool(std::size_t, std::shared_ptr<Image>)>& take) const;
    // The EXIF orientation (1 to 8) recorded with the first frame; 1 when none is.
    [[nodiscard]] int orientation() const { return orientation_; }
    // The GIF's loop count (0: for ever), absent without a looping extension.
    [[nodiscard]] std::optional<int> gifLoopCount() const { return loopCount_; }
    // The GIF frame's delays, absent when the frame has no graphic control block.
    [[nodiscard]] FrameProperties gifPropertiesAtIndex(std::size_t index) const;

private:
    explicit ImageSource(QByteArray data);
    void readGifBlocks();

    QByteArray data_;
    QString type_;
    std::size_t count_ = 0;
    std::optional<int> loopCount_;
    int orientation_ = 1;
    std::vector<FrameProperties> frames_;

    mutable std::mutex decoderMutex_;
    mutable std::shared_ptr<ImageReader> reader_;
    // The key of the decoder the decoding budget keeps for it between frames; 0 for none.
    mutable std::uint64_t keptReader_ = 0;
    mutable std::size_t nextFrame_ = 0;
};

}  // namespace ui
