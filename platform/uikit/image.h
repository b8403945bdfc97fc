#pragma once

#include "platform/uikit/color.h"
#include "platform/uikit/geometry.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image_reader.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QPainter;

namespace ui {

// How the stored pixels are turned to be shown upright, as the platform numbers it.
enum class ImageOrientation {
    Up = 0,
    Down = 1,
    Left = 2,
    Right = 3,
    UpMirrored = 4,
    DownMirrored = 5,
    LeftMirrored = 6,
    RightMirrored = 7,
};

// How the parts between the caps of a resizable image fill a larger area.
enum class ImageResizingMode { Tile = 0, Stretch = 1 };

// An immutable bitmap with a scale (pixels per point) and an orientation. Its
// size is in points. A resizable image keeps its caps at their own size and fills
// the rest by stretching or tiling the middle (nine-slice drawing).
class Image : public std::enable_shared_from_this<Image> {
public:
    // An image of the bundle by name: "name" or "name.png" finds "name@2x.png"
    // (scale 2) before "name.png"; other extensions are taken as given. Chinese
    // names work as any other. A missing name gives no image. Images are kept
    // once loaded, as the platform's named-image cache keeps them.
    [[nodiscard]] static std::shared_ptr<Image> imageNamed(const QString& name);
    // A file by path; "@2x" in the file name means scale 2, and a "@2x" sibling
    // of the named file is preferred.
    [[nodiscard]] static std::shared_ptr<Image> imageWithContentsOfFile(const QString& path);
    // Decodes JPEG, PNG, GIF (its first frame) or BMP bytes; the orientation
    // recorded in a JPEG becomes the image's orientation. A picture of more than `maxPixels`
    // pixels is decoded scaled down to fit them, and one too large even for that gives
    // nothing (ImageReader).
    [[nodiscard]] static std::shared_ptr<Image> imageWithData(
        const QByteArray& data, double scale = 1, std::int64_t maxPixels = ImageReader::kMaxPixels);
    // Decodes as above a picture that is to cover `covered` pixels (a view's at the screen's
    // scale): one larger comes at the smallest size of its shape that covers them.
    [[nodiscard]] static std::shared_ptr<Image> imageWithData(const QByteArray& data, double scale,
                                                              QSize covered);
    [[nodiscard]] static std::shared_ptr<Image> imageWithQImage(
        QImage pixels, double scale = 1, ImageOrientation orientation = ImageOrientation::Up);
    // An image that plays `images` in turn over `duration` seconds and otherwise looks
    // like its first frame. Nothing for an empty list.
    [[nodiscard]] static std::shared_ptr<Image> animatedImageWithImages(
        std::vector<std::shared_ptr<Image>> images, double duration);
    // An image of `size` points filled with `color`.
    [[nodiscard]] static std::shared_ptr<Image> imageWithColor(const Color& color,
                                                               Size size = {1, 1});
    // Drops the named-image cache (tests that switch bundles call it).
    static void clearNamedCache();

    Image(QImage pixels, double scale, ImageOrientation orientation);
    virtual ~Image();

    [[nodiscard]] virtual Size size() const;
    [[nodiscard]] virtual double scale() const { return scale_; }
    [[nodiscard]] virtual ImageOrientation imageOrientation() const { return orientation_; }
    // The stored pixels, as decoded (not turned by the orientation).
    [[nodiscard]] virtual const QImage& pixels() const { return pixels_; }
    // Seconds an animated image plays; 0 for a still one.
    [[nodiscard]] virtual double duration() const { return 0; }
    // The frames of an animated image; empty for a still one.
    [[nodiscard]] virtual const std::vector<std::shared_ptr<Image>>& images() const;
    [[nodiscard]] bool isNull() const { return pixels().isNull(); }
    // What the picture costs in memory: the bytes of its pixels, of all its frames when it
    // is animated. Memory caches of pictures count their cost in it.
    [[nodiscard]] std::size_t decodedBytes() const;

    // Resizable forms. The stretchable form keeps `leftCapWidth` points on the
    // left and stretches the one point after them (likewise `topCapHeight`).
    [[nodiscard]] std::shared_ptr<Image> stretchableImageWithLeftCapWidth(int leftCapWidth,
                                                                          int topCapHeight) const;
    [[nodiscard]] std::shared_ptr<Image> resizableImageWithCapInsets(
        const EdgeInsets& insets, ImageResizingMode mode = ImageResizingMode::Tile) const;
    [[nodiscard]] int leftCapWidth() const { return leftCapWidth_; }
    [[nodiscard]] int topCapHeight() const { return topCapHeight_; }
    [[nodiscard]] const EdgeInsets& capInsets() const { return capInsets_; }
    [[nodiscard]] ImageResizingMode resizingMode() const { return resizingMode_; }
    [[nodiscard]] bool isResizable() const { return !capInsets_.isZero(); }

    // Drawing into the current graphics context.
    void drawAtPoint(Point point) const;
    void drawAtPoint(Point point, BlendMode mode, double alpha) const;
    void drawInRect(const Rect& rect) const;
    void drawInRect(const Rect& rect, BlendMode mode, double alpha) const;
    // Repeats the image from the context's origin over `rect`.
    void drawAsPatternInRect(const Rect& rect) const;
    // Draws into `rect` (points) on any painter: upright, nine-sliced when resizable.
    void paint(QPainter& painter, const Rect& rect) const;
    void paintTiled(QPainter& painter, const Rect& rect, Point phase = {}) const;
    // Draws `pixels` into `target` (points) as a plain copy when the painter puts them one to
    // one on whole device pixels; false (nothing drawn) otherwise.
    static bool copyOneToOne(QPainter& painter, const QRectF& target, const QImage& pixels);

    // Encoding; no bytes when the image has no pixels.
    [[nodiscard]] QByteArray JPEGRepresentation(double compressionQuality) const;
    [[nodiscard]] QByteArray PNGRepresentation() const;

    // The pixels turned upright.
    [[nodiscard]] QImage uprightPixels() const;
    // A box blur of `boxSize` x `boxSize` pixels (made odd), `passes` times over,
    // with the edge pixels extended; the result has scale 1.
    [[nodiscard]] std::shared_ptr<Image> boxConvolved(int boxSize, int passes) const;

protected:
    // For subclasses that keep their pixels elsewhere.
    Image();

private:
    struct Slices;
    // A size the image was drawn at (device pixels, the painter's scale and smoothing) and,
    // from its second drawing on, its pixels as drawn.
    struct Kept {
        QSize pixels;
        double scaleX = 0;
        double scaleY = 0;
        bool smooth = false;
        QImage drawn;
    };
    [[nodiscard]] std::shared_ptr<Image> copyWithCaps(const EdgeInsets& insets,
                                                      ImageResizingMode mode) const;
    const Slices& slices() const;
    // Draws the nine parts of a resizable image into `rect`.
    void paintSlices(QPainter& painter, const Rect& rect) const;
    // Draws the image into `rect` from its kept pixels of that size when the painter puts
    // `rect` on whole device pixels and the size was drawn before; false (nothing drawn)
    // otherwise.
    bool paintKept(QPainter& painter, const Rect& rect) const;

    QImage pixels_;
    double scale_ = 1;
    ImageOrientation orientation_ = ImageOrientation::Up;
    EdgeInsets capInsets_;
    ImageResizingMode resizingMode_ = ImageResizingMode::Tile;
    int leftCapWidth_ = 0;
    int topCapHeight_ = 0;

    mutable std::mutex cacheMutex_;
    mutable std::optional<QImage> upright_;
    mutable std::unique_ptr<Slices> slices_;
    // The latest sizes drawn at, most recent first.
    mutable std::list<Kept> kept_;
};

}  // namespace ui
