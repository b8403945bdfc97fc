#include "platform/uikit/image_source.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_reader.h"

namespace ui {

namespace {

// Reads little-endian GIF blocks, stopping quietly at the end of the bytes.
class GifReader {
public:
    explicit GifReader(const QByteArray& data) : data_(data) {}
    [[nodiscard]] bool atEnd() const { return position_ >= data_.size(); }
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
    void skipSubBlocks() {
        for (int size = byte(); size > 0; size = byte()) skip(size);
    }

private:
    const QByteArray& data_;
    qsizetype position_ = 0;
};

QString typeFor(const QByteArray& format) {
    if (format == "gif") return ImageSource::kTypeGIF;
    if (format == "png") return ImageSource::kTypePNG;
    if (format == "jpeg" || format == "jpg") return ImageSource::kTypeJPEG;
    if (format == "bmp") return ImageSource::kTypeBMP;
    if (format == "tif" || format == "tiff") return ImageSource::kTypeTIFF;
    if (format == "webp") return ImageSource::kTypeWebP;
    return QStringLiteral("public.") + QString::fromLatin1(format);
}

// The EXIF number of the turn the reader says the pixels need.
int exifOrientation(QImageIOHandler::Transformations transformation) {
    switch (transformation) {
        case QImageIOHandler::TransformationMirror:
            return 2;
        case QImageIOHandler::TransformationRotate180:
            return 3;
        case QImageIOHandler::TransformationFlip:
            return 4;
        case QImageIOHandler::TransformationFlipAndRotate90:
            return 5;
        case QImageIOHandler::TransformationRotate90:
            return 6;
        case QImageIOHandler::TransformationMirrorAndRotate90:
            return 7;
        case QImageIOHandler::TransformationRotate270:
            return 8;
        default:
            return 1;
    }
}

}  // namespace

ImageSource::ImageSource(QByteArray data) : data_(std::move(data)) {}

ImageSource::~ImageSource() = default;

std::shared_ptr<ImageSource> ImageSource::createWithData(const QByteArray& data) {
    if (data.isEmpty()) return nullptr;
    auto source = std::shared_ptr<ImageSource>(new ImageSource(data));
    ImageReader probe(source->data_);
    if (!probe.canRead()) return nullptr;
    source->type_ = typeFor(probe.format());
    if (source->type_ == kTypeGIF) {
        source->readGifBlocks();
    } else {
        source->count_ = 1;
        source->orientation_ = exifOrientation(probe.transformation());
    }
    return source;
}

Size ImageSource::pixelSize() const {
    const QSize size = ImageReader(data_).size();
    if (!size.isValid()) return {};
    return {double(size.width()), double(size.height())};
}

void ImageSource::readGifBlocks() {
    GifReader in(data_);
    in.skip(6);  // "GIF89a"
    in.skip(4);  // logical screen size
    const int packed = in.byte();
    in.skip(2);
    if (packed >= 0 && (packed & 0x80)) in.skip(3 * (1 << ((packed & 7) + 1)));
    FrameProperties pending;
    while (!in.atEnd()) {
        const int introducer = in.byte();
        if (introducer == 0x21) {
            const int label = in.byte();
            if (label == 0xF9) {
                const int size = in.byte();
                in.byte();  // disposal and transparency flags
                const int delay = in.word();
                in.skip(size - 3);
                in.skipSubBlocks();
                if (delay >= 0) {
                    const double seconds = delay / 100.0;
                    pending.unclampedDelayTime = seconds;
                    pending.delayTime = seconds < 0.011 ? 0.1 : seconds;
                }
            } else if (label == 0xFF) {
                const int size = in.byte();
                const QByteArray application = in.take(size);
                if (application.startsWith("NETSCAPE2.0") ||
                    application.startsWith("ANIMEXTS1.0")) {
                    const int blockSize = in.byte();
                    if (blockSize >= 3) {
                        in.byte();  // sub-block id
                        loopCount_ = in.word();
                        in.skip(blockSize - 3);
                    } else if (blockSize > 0) {
                        in.skip(blockSize);
                    }
                }
                in.skipSubBlocks();
            } else {
                in.skipSubBlocks();
            }
        } else if (introducer == 0x2C) {
            in.skip(8);  // frame position and size
            const int flags = in.byte();
            if (flags >= 0 && (flags & 0x80)) in.skip(3 * (1 << ((flags & 7) + 1)));
            in.byte();  // code size
            in.skipSubBlocks();
            frames_.push_back(pending);
            pending = {};
        } else {
            break;  // the trailer, or bytes that are no GIF block
        }
    }
    count_ = frames_.size();
}

ImageSource::FrameProperties ImageSource::gifPropertiesAtIndex(std::size_t index) const {
    return index < frames_.size() ? frames_[index] : FrameProperties{};
}

std::shared_ptr<Image> ImageSource::createImageAtIndex(std::size_t index, double scale) const {
    if (index >= count_) return nullptr;
    std::lock_guard lock(decoderMutex_);
    // Frames build on the ones before them: decode forwards, from the start if need be.
    if (!reader_ || index < nextFrame_) {
        reader_ = std::make_unique<ImageReader>(data_);
        nextFrame_ = 0;
    }
    QImage frame;
    while (nextFrame_ <= index) {
        frame = reader_->read();
        ++nextFrame_;
        if (frame.isNull()) {
            reader_.reset();
            return nullptr;
        }
    }
    if (reader_->holdsShare()) reader_.reset();
    return Image::imageWithQImage(std::move(frame), scale);
}

void ImageSource::readFrames(
    double scale, const std::function<bool(std::size_t, std::shared_ptr<Image>)>& take) const {
    ImageReader reader(data_);
    for (std::size_t index = 0; index < count_; ++index) {
        auto frame = Image::imageWithQImage(reader.read(), scale);
        if (!frame || !take(index, std::move(frame))) return;
    }
}

}  // namespace ui
