#include "platform/uikit/image_source.h"

#include "platform/uikit/decoding_budget.h"
#include "platform/uikit/gif_blocks.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_reader.h"

#include <utility>

namespace ui {

namespace {

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

ImageSource::~ImageSource() {
    if (keptReader_ != 0) (void)DecodingBudget::takeBack(keptReader_);
}

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
    const GifBlocks blocks = GifBlocks::read(data_);
    loopCount_ = blocks.loopCount;
    for (const GifBlocks::Frame& frame : blocks.frames) {
        FrameProperties properties;
        if (frame.delay) {
            const double seconds = *frame.delay / 100.0;
            properties.unclampedDelayTime = seconds;
            properties.delayTime = seconds < 0.011 ? 0.1 : seconds;
        }
        frames_.push_back(properties);
    }
    count_ = frames_.size();
}

ImageSource::FrameProperties ImageSource::gifPropertiesAtIndex(std::size_t index) const {
    return index < frames_.size() ? frames_[index] : FrameProperties{};
}

std::shared_ptr<Image> ImageSource::createImageAtIndex(std::size_t index, double scale) const {
    if (index >= count_) return nullptr;
    std::lock_guard lock(decoderMutex_);
    if (keptReader_ != 0) {
        reader_ = std::static_pointer_cast<ImageReader>(
            DecodingBudget::takeBack(std::exchange(keptReader_, 0)));
    }
    // Frames build on the ones before them: decode forwards, from the start if need be.
    if (!reader_ || index < nextFrame_) {
        reader_ = std::make_shared<ImageReader>(data_);
        nextFrame_ = 0;
    }
    // The frames before it are gone past, not made.
    for (; nextFrame_ < index; ++nextFrame_) {
        if (!reader_->skip()) {
            reader_.reset();
            return nullptr;
        }
    }
    QImage frame = reader_->read();
    ++nextFrame_;
    if (frame.isNull()) {
        reader_.reset();
        return nullptr;
    }
    // Past the last frame the decoder would only be started again from the first.
    if (reader_->holdsShare()) {
        if (nextFrame_ < count_) {
            keptReader_ = DecodingBudget::keep(std::move(reader_));
        } else {
            reader_.reset();
        }
    }
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
