#include "platform/uikit/image.h"

#include "platform/foundation/sandbox.h"
#include "platform/uikit/row_bands.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <map>

namespace ui {

namespace {

std::mutex gNamedMutex;
// Loaded pictures by the path they were read from, and by the bundle and name asked for, so
// that a name asked for again (a reused row sets its icons anew) touches no file.
std::map<QString, std::shared_ptr<Image>> gNamed;
std::map<QString, std::shared_ptr<Image>> gNamedAsked;

bool hasImageExtension(const QString& name) {
    static const QStringList extensions = {QStringLiteral("png"), QStringLiteral("jpg"),
                                           QStringLiteral("jpeg"), QStringLiteral("gif"),
                                           QStringLiteral("bmp")};
    return extensions.contains(QFileInfo(name).suffix().toLower());
}

double scaleFromFileName(const QString& path) {
    return QFileInfo(path).completeBaseName().endsWith(QLatin1String("@2x")) ? 2 : 1;
}

ImageOrientation orientationFrom(QImageIOHandler::Transformations transformation) {
    switch (transformation) {
        case QImageIOHandler::TransformationMirror:
            return ImageOrientation::UpMirrored;
        case QImageIOHandler::TransformationRotate180:
            return ImageOrientation::Down;
        case QImageIOHandler::TransformationFlip:
            return ImageOrientation::DownMirrored;
        case QImageIOHandler::TransformationFlipAndRotate90:
            return ImageOrientation::LeftMirrored;
        case QImageIOHandler::TransformationRotate90:
            return ImageOrientation::Right;
        case QImageIOHandler::TransformationMirrorAndRotate90:
            return ImageOrientation::RightMirrored;
        case QImageIOHandler::TransformationRotate270:
            return ImageOrientation::Left;
        default:
            return ImageOrientation::Up;
    }
}

// The picture `reader` reads, upright as it records, at `scale`; nothing when it does not
// decode.
std::shared_ptr<Image> imageFrom(ImageReader& reader, double scale) {
    const auto orientation = orientationFrom(reader.transformation());
    QImage pixels = reader.readLast();
    if (pixels.isNull()) return nullptr;
    return std::make_shared<Image>(std::move(pixels), scale, orientation);
}

bool isSideways(ImageOrientation orientation) {
    return orientation == ImageOrientation::Left || orientation == ImageOrientation::Right ||
           orientation == ImageOrientation::LeftMirrored ||
           orientation == ImageOrientation::RightMirrored;
}

// Divides sums of at most 256 boxes by the box with a multiply and a shift: exact for
// boxes below 4096 pixels, and several times cheaper than dividing every channel.
struct BoxDivider {
    explicit BoxDivider(int box)
        : half(quint64(box / 2)), factor((quint64(1) << 32) / quint64(box) + 1) {}
    [[nodiscard]] quint32 operator()(quint64 sum) const {
        return quint32(((sum + half) * factor) >> 32);
    }
    quint64 half;
    quint64 factor;
};

quint32 channel(quint32 pixel, int c) {
    return (pixel >> (8 * c)) & 0xff;
}

// One pass of a box filter of width 2r+1 along each row, edges extended: a running sum
// over the row, padded at both ends with its edge pixels.
void horizontalBoxPass(const QImage& source, QImage& target, int radius) {
    const int width = source.width();
    const BoxDivider divide(2 * radius + 1);
    std::vector<quint32> padded(std::size_t(width + 2 * radius + 1));
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const quint32*>(source.constScanLine(y));
        std::fill(padded.begin(), padded.begin() + radius, in[0]);
        std::copy(in, in + width, padded.begin() + radius);
        std::fill(padded.begin() + radius + width, padded.end(), in[width - 1]);
        quint64 sums[4] = {0, 0, 0, 0};
        for (int k = 0; k <= 2 * radius; ++k) {
            for (int c = 0; c < 4; ++c) sums[c] += channel(padded[std::size_t(k)], c);
        }
        auto* out = reinterpret_cast<quint32*>(target.scanLine(y));
        for (int x = 0; x < width; ++x) {
            quint32 value = 0;
            for (int c = 0; c < 4; ++c) value |= divide(sums[c]) << (8 * c);
            out[x] = value;
            const quint32 entering = padded[std::size_t(x + 2 * radius + 1)];
            const quint32 leaving = padded[std::size_t(x)];
            for (int c = 0; c < 4; ++c) {
                sums[c] += channel(entering, c);
                sums[c] -= channel(leaving, c);
            }
        }
    }
}

// The same along each column, walking down the rows with one running sum per column
// and channel, so that every row is read in order.
void verticalBoxPass(const QImage& source, QImage& target, int radius) {
    const int width = source.width();
    const int height = source.height();
    const BoxDivider divide(2 * radius + 1);
    auto row = [&](int y) {
        return reinterpret_cast<const quint32*>(source.constScanLine(std::clamp(y, 0, height - 1)));
    };
    std::vector<quint64> sums(std::size_t(width) * 4, 0);
    for (int k = -radius; k <= radius; ++k) {
        const quint32* in = row(k);
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 4; ++c) sums[std::size_t(x) * 4 + c] += channel(in[x], c);
        }
    }
    for (int y = 0; y < height; ++y) {
        auto* out = reinterpret_cast<quint32*>(target.scanLine(y));
        const quint32* entering = row(y + radius + 1);
        const quint32* leaving = row(y - radius);
        for (int x = 0; x < width; ++x) {
            quint64* sum = &sums[std::size_t(x) * 4];
            quint32 value = 0;
            for (int c = 0; c < 4; ++c) {
                value |= divide(sum[c]) << (8 * c);
                sum[c] += channel(entering[x], c);
                sum[c] -= channel(leaving[x], c);
            }
            out[x] = value;
        }
    }
}

}  // namespace

struct Image::Slices {
    // Rows top, middle, bottom; columns left, middle, right; upright pixels.
    QImage cells[3][3];
};

Image::Image(QImage pixels, double scale, ImageOrientation orientation)
    : pixels_(ImageReader::drawingPixels(std::move(pixels))),
      scale_(scale > 0 ? scale : 1),
      orientation_(orientation) {}

Image::Image() = default;

Image::~Image() = default;

std::shared_ptr<Image> Image::imageNamed(const QString& name) {
    if (name.isEmpty()) return nullptr;
    const QString asked = ns::Bundle::resourcePath() + QLatin1Char('/') + name;
    {
        std::lock_guard lock(gNamedMutex);
        if (auto found = gNamedAsked.find(asked); found != gNamedAsked.end()) return found->second;
    }
    QStringList candidates;
    if (hasImageExtension(name)) {
        const QFileInfo info(name);
        const QString dir = info.path() == QLatin1String(".") ? QString() : info.path() + '/';
        const QString base = dir + info.completeBaseName();
        if (!base.endsWith(QLatin1String("@2x"))) candidates << base + "@2x." + info.suffix();
        candidates << name;
    } else {
        candidates << name + QStringLiteral("@2x.png") << name + QStringLiteral(".png");
    }
    for (const QString& candidate : candidates) {
        const QString path = ns::Bundle::pathForResource(candidate);
        if (path.isEmpty()) continue;
        {
            std::lock_guard lock(gNamedMutex);
            if (auto found = gNamed.find(path); found != gNamed.end()) {
                gNamedAsked.emplace(asked, found->second);
                return found->second;
            }
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) continue;
        auto image = imageWithData(file.readAll(), scaleFromFileName(path));
        if (!image) continue;
        std::lock_guard lock(gNamedMutex);
        gNamed.emplace(path, image);
        gNamedAsked.emplace(asked, image);
        return image;
    }
    return nullptr;
}

void Image::clearNamedCache() {
    std::lock_guard lock(gNamedMutex);
    gNamed.clear();
    gNamedAsked.clear();
}

std::shared_ptr<Image> Image::imageWithContentsOfFile(const QString& path) {
    const QFileInfo info(path);
    QString chosen = path;
    if (!info.completeBaseName().endsWith(QLatin1String("@2x"))) {
        const QString retina =
            info.path() + '/' + info.completeBaseName() + QStringLiteral("@2x.") + info.suffix();
        if (QFileInfo(retina).isFile()) chosen = retina;
    }
    QFile file(chosen);
    if (!file.open(QIODevice::ReadOnly)) return nullptr;
    return imageWithData(file.readAll(), scaleFromFileName(chosen));
}

std::shared_ptr<Image> Image::imageWithData(const QByteArray& data, double scale,
                                            std::int64_t maxPixels) {
    if (data.isEmpty()) return nullptr;
    ImageReader reader(data, maxPixels);
    return imageFrom(reader, scale);
}

std::shared_ptr<Image> Image::imageWithData(const QByteArray& data, double scale, QSize covered) {
    if (data.isEmpty()) return nullptr;
    ImageReader reader(data, covered);
    return imageFrom(reader, scale);
}

std::shared_ptr<Image> Image::imageWithQImage(QImage pixels, double scale,
                                              ImageOrientation orientation) {
    if (pixels.isNull()) return nullptr;
    return std::make_shared<Image>(std::move(pixels), scale, orientation);
}

namespace {

// Frames played in turn; it shows and draws as its first frame.
class AnimatedImage final : public Image {
public:
    AnimatedImage(std::vector<std::shared_ptr<Image>> frames, double duration)
        : frames_(std::move(frames)), duration_(duration) {}
    [[nodiscard]] double scale() const override { return frames_.front()->scale(); }
    [[nodiscard]] ImageOrientation imageOrientation() const override {
        return frames_.front()->imageOrientation();
    }
    [[nodiscard]] const QImage& pixels() const override { return frames_.front()->pixels(); }
    [[nodiscard]] double duration() const override { return duration_; }
    [[nodiscard]] const std::vector<std::shared_ptr<Image>>& images() const override {
        return frames_;
    }

private:
    std::vector<std::shared_ptr<Image>> frames_;
    double duration_;
};

}  // namespace

std::shared_ptr<Image> Image::animatedImageWithImages(std::vector<std::shared_ptr<Image>> images,
                                                      double duration) {
    std::erase(images, nullptr);
    if (images.empty()) return nullptr;
    return std::make_shared<AnimatedImage>(std::move(images), duration);
}

std::size_t Image::decodedBytes() const {
    const auto& frames = images();
    if (frames.empty()) return std::size_t(pixels().sizeInBytes());
    std::size_t bytes = 0;
    for (const auto& frame : frames) bytes += frame->decodedBytes();
    return bytes;
}

const std::vector<std::shared_ptr<Image>>& Image::images() const {
    static const std::vector<std::shared_ptr<Image>> none;
    return none;
}

std::shared_ptr<Image> Image::imageWithColor(const Color& color, Size size) {
    const int width = std::max(1, int(std::ceil(size.width)));
    const int height = std::max(1, int(std::ceil(size.height)));
    QImage pixels(width, height, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(color.toQt());
    return std::make_shared<Image>(std::move(pixels), 1, ImageOrientation::Up);
}

Size Image::size() const {
    const QImage& stored = pixels();
    const Size size{stored.width() / scale(), stored.height() / scale()};
    return isSideways(imageOrientation()) ? Size{size.height, size.width} : size;
}

std::shared_ptr<Image> Image::copyWithCaps(const EdgeInsets& insets, ImageResizingMode mode) const {
    auto copy = std::make_shared<Image>(uprightPixels(), scale(), ImageOrientation::Up);
    copy->capInsets_ = insets;
    copy->resizingMode_ = mode;
    return copy;
}

std::shared_ptr<Image> Image::stretchableImageWithLeftCapWidth(int leftCapWidth,
                                                               int topCapHeight) const {
    const Size s = size();
    // The one point after each cap is the part that stretches.
    EdgeInsets insets;
    if (leftCapWidth > 0) {
        insets.left = leftCapWidth;
        insets.right = std::max(0.0, s.width - leftCapWidth - 1);
    }
    if (topCapHeight > 0) {
        insets.top = topCapHeight;
        insets.bottom = std::max(0.0, s.height - topCapHeight - 1);
    }
    auto copy = copyWithCaps(insets, ImageResizingMode::Stretch);
    copy->leftCapWidth_ = leftCapWidth;
    copy->topCapHeight_ = topCapHeight;
    return copy;
}

std::shared_ptr<Image> Image::resizableImageWithCapInsets(const EdgeInsets& insets,
                                                          ImageResizingMode mode) const {
    return copyWithCaps(insets, mode);
}

QImage Image::uprightPixels() const {
    const QImage& stored = pixels();
    if (imageOrientation() == ImageOrientation::Up) return stored;
    std::lock_guard lock(cacheMutex_);
    if (!upright_) {
        const auto orientation = imageOrientation();
        const bool mirror = orientation == ImageOrientation::UpMirrored ||
                            orientation == ImageOrientation::DownMirrored ||
                            orientation == ImageOrientation::LeftMirrored ||
                            orientation == ImageOrientation::RightMirrored;
        QTransform turn;
        if (orientation == ImageOrientation::Down ||
            orientation == ImageOrientation::DownMirrored) {
            turn.rotate(180);
        } else if (orientation == ImageOrientation::Left ||
                   orientation == ImageOrientation::LeftMirrored) {
            turn.rotate(270);
        } else if (orientation == ImageOrientation::Right ||
                   orientation == ImageOrientation::RightMirrored) {
            turn.rotate(90);
        }
        const QImage source = mirror ? stored.mirrored(true, false) : stored;
        upright_ = source.transformed(turn);
    }
    return *upright_;
}

bool Image::copyOneToOne(QPainter& painter, const QRectF& target, const QImage& pixels) {
    // Drawing pixels into a rectangle in points always resamples them, even where the painter's
    // scale puts each pixel exactly on a device pixel (a backing store drawn at the scale it was
    // made at): that is the slow path of the raster engine, and it hands the rows to worker
    // threads. Such a picture is copied instead, a band of rows at a time: the same pixels, for a
    // fraction of the time.
    constexpr double kTolerance = 1e-6;
    if (pixels.devicePixelRatio() != 1) return false;
    const QTransform device = painter.combinedTransform();
    if (device.type() > QTransform::TxScale || device.m11() <= 0 || device.m22() <= 0) return false;
    const QRectF placed = device.mapRect(target);
    const auto whole = [&](double value) {
        return std::abs(value - std::round(value)) < kTolerance;
    };
    if (std::abs(placed.width() - pixels.width()) > kTolerance ||
        std::abs(placed.height() - pixels.height()) > kTolerance || !whole(placed.x()) ||
        !whole(placed.y())) {
        return false;
    }
    // The painter's own device scale (a canvas's pixel ratio) stays under the world transform:
    // undo the whole of it, so that the copy lands in device pixels.
    const QTransform toDevice = painter.worldTransform().inverted() * device;
    if (!toDevice.isInvertible()) return false;
    painter.save();
    painter.setWorldTransform(toDevice.inverted());
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    RowBands::drawImage(painter, QPoint(int(std::lround(placed.x())), int(std::lround(placed.y()))),
                        pixels);
    painter.restore();
    return true;
}

const Image::Slices& Image::slices() const {
    std::lock_guard lock(cacheMutex_);
    if (!slices_) {
        auto slices = std::make_unique<Slices>();
        // Resizable images are made upright when their caps are set.
        const QImage& upright = pixels();
        const double s = scale();
        const int w = upright.width();
        const int h = upright.height();
        const int xs[4] = {0, std::clamp(int(std::lround(capInsets_.left * s)), 0, w),
                           std::clamp(w - int(std::lround(capInsets_.right * s)), 0, w), w};
        const int ys[4] = {0, std::clamp(int(std::lround(capInsets_.top * s)), 0, h),
                           std::clamp(h - int(std::lround(capInsets_.bottom * s)), 0, h), h};
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 3; ++column) {
                const int cellWidth = xs[column + 1] - xs[column];
                const int cellHeight = ys[row + 1] - ys[row];
                if (cellWidth <= 0 || cellHeight <= 0) continue;
                // Each part is cut out on its own so that smoothing a stretched
                // part never reads the pixels of its neighbours.
                slices->cells[row][column] =
                    upright.copy(xs[column], ys[row], cellWidth, cellHeight);
            }
        }
        slices_ = std::move(slices);
    }
    return *slices_;
}

void Image::paint(QPainter& painter, const Rect& rect) const {
    if (isNull() || rect.isEmpty()) return;
    if (!isResizable()) {
        const QImage& shown =
            imageOrientation() == ImageOrientation::Up ? pixels() : uprightPixels();
        if (copyOneToOne(painter, rect.toQt(), shown) || paintKept(painter, rect)) return;
        painter.drawImage(rect.toQt(), shown);
        return;
    }
    if (!paintKept(painter, rect)) paintSlices(painter, rect);
}

bool Image::paintKept(QPainter& painter, const Rect& rect) const {
    // Drawing at another size than the pixels' resamples them on every draw (stretching the
    // middle of a resizable image, scaling a picture), the slow path of the raster engine;
    // yet a bubble, a bar or a thumbnail is drawn at the same few sizes frame after frame.
    // A size drawn a second time is kept at its device pixels and copied from then on; one
    // drawn once (a frame of a zoom) is not worth the keeping.
    constexpr std::size_t kKept = 8;
    // Bars, bubbles and thumbnails; not whole-screen photos, which the picture stores count.
    constexpr qint64 kLargestKept = 256 * 1024;
    constexpr double kTolerance = 1e-6;
    if (rect.size.width <= 0 || rect.size.height <= 0) return false;
    const QTransform device = painter.combinedTransform();
    if (device.type() > QTransform::TxScale || device.m11() <= 0 || device.m22() <= 0) return false;
    const QRectF placed = device.mapRect(rect.toQt());
    const auto whole = [&](double value) {
        return std::abs(value - std::round(value)) < kTolerance;
    };
    if (!whole(placed.x()) || !whole(placed.y()) || !whole(placed.width()) ||
        !whole(placed.height()))
        return false;
    const QSize size(int(std::lround(placed.width())), int(std::lround(placed.height())));
    if (size.isEmpty() || qint64(size.width()) * size.height() > kLargestKept) return false;
    const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
    const auto isThisDrawing = [&](const Kept& kept) {
        return kept.pixels == size && kept.scaleX == device.m11() && kept.scaleY == device.m22() &&
               kept.smooth == smooth;
    };
    QImage drawn;
    {
        std::lock_guard lock(cacheMutex_);
        const auto found = std::find_if(kept_.begin(), kept_.end(), isThisDrawing);
        if (found == kept_.end()) {
            kept_.push_front({size, device.m11(), device.m22(), smooth, {}});
            if (kept_.size() > kKept) kept_.pop_back();
            return false;
        }
        kept_.splice(kept_.begin(), kept_, found);
        drawn = found->drawn;
    }
    if (drawn.isNull()) {
        drawn = QImage(size, QImage::Format_ARGB32_Premultiplied);
        drawn.fill(Qt::transparent);
        {
            QPainter canvas(&drawn);
            canvas.setRenderHints(painter.renderHints());
            canvas.scale(device.m11(), device.m22());
            const Rect at(0, 0, rect.size.width, rect.size.height);
            if (isResizable()) {
                paintSlices(canvas, at);
            } else {
                canvas.drawImage(at.toQt(), imageOrientation() == ImageOrientation::Up
                                                ? pixels()
                                                : uprightPixels());
            }
        }
        std::lock_guard lock(cacheMutex_);
        for (Kept& kept : kept_) {
            if (isThisDrawing(kept)) kept.drawn = drawn;
        }
    }
    return copyOneToOne(painter, rect.toQt(), drawn);
}

void Image::paintSlices(QPainter& painter, const Rect& rect) const {
    const Slices& cells = slices();
    const Rect r = rect.standardized();
    // Caps keep their size; when the area is narrower than both caps, they share it.
    double left = capInsets_.left, right = capInsets_.right;
    if (left + right > r.size.width && left + right > 0) {
        const double f = r.size.width / (left + right);
        left *= f;
        right *= f;
    }
    double top = capInsets_.top, bottom = capInsets_.bottom;
    if (top + bottom > r.size.height && top + bottom > 0) {
        const double f = r.size.height / (top + bottom);
        top *= f;
        bottom *= f;
    }
    // The parts meet on whole device pixels: parts that met inside a pixel would each cover it
    // in part and let the background show through as a seam.
    const QTransform device = painter.combinedTransform();
    const bool upright =
        device.m12() == 0 && device.m21() == 0 && device.m11() != 0 && device.m22() != 0;
    const auto onPixelX = [&](double x) {
        return upright ? (std::round(x * device.m11() + device.dx()) - device.dx()) / device.m11()
                       : x;
    };
    const auto onPixelY = [&](double y) {
        return upright ? (std::round(y * device.m22() + device.dy()) - device.dy()) / device.m22()
                       : y;
    };
    const double x1 = std::clamp(onPixelX(r.minX() + left), r.minX(), r.maxX());
    const double y1 = std::clamp(onPixelY(r.minY() + top), r.minY(), r.maxY());
    const double xs[4] = {r.minX(), x1, std::clamp(onPixelX(r.maxX() - right), x1, r.maxX()),
                          r.maxX()};
    const double ys[4] = {r.minY(), y1, std::clamp(onPixelY(r.maxY() - bottom), y1, r.maxY()),
                          r.maxY()};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QImage& cell = cells.cells[row][column];
            const QRectF target(xs[column], ys[row], xs[column + 1] - xs[column],
                                ys[row + 1] - ys[row]);
            if (cell.isNull() || target.width() <= 0 || target.height() <= 0) continue;
            const bool stretchesHere = row == 1 || column == 1;
            if (stretchesHere && resizingMode_ == ImageResizingMode::Tile) {
                QBrush brush(cell);
                QTransform transform;
                transform.translate(target.x(), target.y());
                transform.scale(1 / scale(), 1 / scale());
                brush.setTransform(transform);
                painter.fillRect(target, brush);
            } else if (stretchesHere || !copyOneToOne(painter, target, cell)) {
                painter.drawImage(target, cell);
            }
        }
    }
}

void Image::paintTiled(QPainter& painter, const Rect& rect, Point phase) const {
    if (isNull() || rect.isEmpty()) return;
    QBrush brush(imageOrientation() == ImageOrientation::Up ? pixels() : uprightPixels());
    QTransform transform;
    transform.translate(phase.x, phase.y);
    transform.scale(1 / scale(), 1 / scale());
    brush.setTransform(transform);
    painter.fillRect(rect.toQt(), brush);
}

void Image::drawAtPoint(Point point) const {
    drawInRect(Rect(point, size()));
}

void Image::drawAtPoint(Point point, BlendMode mode, double alpha) const {
    drawInRect(Rect(point, size()), mode, alpha);
}

void Image::drawInRect(const Rect& rect) const {
    if (auto* context = GraphicsContext::current()) context->drawImage(rect, *this);
}

void Image::drawInRect(const Rect& rect, BlendMode mode, double alpha) const {
    auto* context = GraphicsContext::current();
    if (!context) return;
    context->saveGState();
    context->setBlendMode(mode);
    context->setAlpha(alpha);
    context->drawImage(rect, *this);
    context->restoreGState();
}

void Image::drawAsPatternInRect(const Rect& rect) const {
    if (auto* context = GraphicsContext::current()) {
        context->drawWithShadow([&](QPainter& painter) { paintTiled(painter, rect); });
    }
}

QByteArray Image::JPEGRepresentation(double compressionQuality) const {
    if (isNull()) return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(std::clamp(int(std::lround(compressionQuality * 100)), 0, 100));
    // JPEG has no alpha: what is transparent comes out black, as on the phone.
    if (!writer.write(uprightPixels().convertToFormat(QImage::Format_RGB32))) return {};
    return bytes;
}

QByteArray Image::PNGRepresentation() const {
    if (isNull()) return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!uprightPixels().save(&buffer, "PNG")) return {};
    return bytes;
}

std::shared_ptr<Image> Image::boxConvolved(int boxSize, int passes) const {
    if (isNull()) return nullptr;
    const int radius = std::max(0, (boxSize | 1) / 2);
    QImage source = uprightPixels().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (radius > 0) {
        QImage scratch(source.size(), source.format());
        for (int pass = 0; pass < passes; ++pass) {
            horizontalBoxPass(source, scratch, radius);
            verticalBoxPass(scratch, source, radius);
        }
    }
    return std::make_shared<Image>(std::move(source), 1, ImageOrientation::Up);
}

}  // namespace ui
