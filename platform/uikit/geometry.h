#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <limits>

namespace ui {

// Points, sizes and rectangles in points (the window is 320 x 480 of them; the
// screen draws two pixels per point). The y axis points down, as on the phone.
struct Point {
    double x = 0;
    double y = 0;

    constexpr Point() = default;
    constexpr Point(double x, double y) : x(x), y(y) {}

    friend constexpr bool operator==(const Point&, const Point&) = default;
    constexpr Point operator+(const Point& other) const { return {x + other.x, y + other.y}; }
    constexpr Point operator-(const Point& other) const { return {x - other.x, y - other.y}; }
    constexpr Point operator*(double factor) const { return {x * factor, y * factor}; }
    [[nodiscard]] double distanceTo(const Point& other) const {
        return std::hypot(x - other.x, y - other.y);
    }

    [[nodiscard]] QPointF toQt() const { return {x, y}; }
    [[nodiscard]] static Point fromQt(const QPointF& p) { return {p.x(), p.y()}; }
};

struct Size {
    double width = 0;
    double height = 0;

    constexpr Size() = default;
    constexpr Size(double width, double height) : width(width), height(height) {}

    friend constexpr bool operator==(const Size&, const Size&) = default;
    [[nodiscard]] QSizeF toQt() const { return {width, height}; }
};

struct Rect {
    Point origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(Point origin, Size size) : origin(origin), size(size) {}
    constexpr Rect(double x, double y, double width, double height)
        : origin(x, y), size(width, height) {}

    friend constexpr bool operator==(const Rect&, const Rect&) = default;

    // The extremes of the standardised rectangle (a negative size counts backwards).
    [[nodiscard]] double minX() const { return std::min(origin.x, origin.x + size.width); }
    [[nodiscard]] double maxX() const { return std::max(origin.x, origin.x + size.width); }
    [[nodiscard]] double minY() const { return std::min(origin.y, origin.y + size.height); }
    [[nodiscard]] double maxY() const { return std::max(origin.y, origin.y + size.height); }
    [[nodiscard]] double midX() const { return origin.x + size.width / 2; }
    [[nodiscard]] double midY() const { return origin.y + size.height / 2; }
    [[nodiscard]] double width() const { return std::abs(size.width); }
    [[nodiscard]] double height() const { return std::abs(size.height); }
    [[nodiscard]] Point center() const { return {midX(), midY()}; }

    [[nodiscard]] bool isNull() const;
    [[nodiscard]] bool isEmpty() const;
    [[nodiscard]] Rect standardized() const;
    // Points on the top and left edges are inside; the bottom and right edges are not.
    [[nodiscard]] bool contains(const Point& point) const;
    [[nodiscard]] bool contains(const Rect& other) const;
    [[nodiscard]] bool intersects(const Rect& other) const;
    // The null rectangle when the two do not meet.
    [[nodiscard]] Rect intersection(const Rect& other) const;
    [[nodiscard]] Rect united(const Rect& other) const;
    [[nodiscard]] Rect offsetBy(double dx, double dy) const;
    [[nodiscard]] Rect insetBy(double dx, double dy) const;
    // The smallest rectangle with whole-number coordinates that holds this one.
    [[nodiscard]] Rect integral() const;

    [[nodiscard]] static Rect null();
    [[nodiscard]] QRectF toQt() const { return {origin.x, origin.y, size.width, size.height}; }
    [[nodiscard]] static Rect fromQt(const QRectF& r) {
        return {r.x(), r.y(), r.width(), r.height()};
    }
};

struct EdgeInsets {
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;

    friend constexpr bool operator==(const EdgeInsets&, const EdgeInsets&) = default;
    [[nodiscard]] bool isZero() const { return *this == EdgeInsets{}; }
    [[nodiscard]] Rect insetRect(const Rect& rect) const {
        return {rect.origin.x + left, rect.origin.y + top, rect.size.width - left - right,
                rect.size.height - top - bottom};
    }
};

// A run of UTF-16 units in a text: where it starts and how long it is.
struct Range {
    qsizetype location = 0;
    qsizetype length = 0;

    friend constexpr bool operator==(const Range&, const Range&) = default;
    [[nodiscard]] qsizetype end() const { return location + length; }
    // The platform's "not found" location.
    static constexpr qsizetype kNotFound = std::numeric_limits<qsizetype>::max();
};

// A 2-D affine transform (a, b, c, d, tx, ty) mapping (x, y) to
// (a x + c y + tx, b x + d y + ty).
struct AffineTransform {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    friend constexpr bool operator==(const AffineTransform&, const AffineTransform&) = default;

    [[nodiscard]] static AffineTransform identity() { return {}; }
    [[nodiscard]] static AffineTransform makeScale(double sx, double sy);
    // Positive angles (radians) turn clockwise on screen, as on the phone.
    [[nodiscard]] static AffineTransform makeRotation(double angle);
    [[nodiscard]] static AffineTransform makeTranslation(double tx, double ty);

    [[nodiscard]] bool isIdentity() const { return *this == AffineTransform{}; }
    // this followed by other.
    [[nodiscard]] AffineTransform concat(const AffineTransform& other) const;
    // The transform that scales, rotates or translates before this one.
    [[nodiscard]] AffineTransform scale(double sx, double sy) const;
    [[nodiscard]] AffineTransform rotate(double angle) const;
    [[nodiscard]] AffineTransform translate(double tx, double ty) const;
    // The identity transform stands in for a transform that cannot be inverted.
    [[nodiscard]] AffineTransform inverted() const;

    [[nodiscard]] Point apply(const Point& point) const;
    [[nodiscard]] Size apply(const Size& size) const;
    // The bounding box of the transformed rectangle.
    [[nodiscard]] Rect apply(const Rect& rect) const;

    [[nodiscard]] QTransform toQt() const { return {a, b, c, d, tx, ty}; }
    [[nodiscard]] static AffineTransform fromQt(const QTransform& t) {
        return {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()};
    }
};

// The text forms the platform writes and reads: "{x, y}", "{w, h}", "{{x, y}, {w, h}}"
// and "{loc, len}". Reading a malformed text gives zeros.
[[nodiscard]] QString stringFromPoint(const Point& point);
[[nodiscard]] QString stringFromSize(const Size& size);
[[nodiscard]] QString stringFromRect(const Rect& rect);
[[nodiscard]] QString stringFromRange(const Range& range);
[[nodiscard]] QString stringFromEdgeInsets(const EdgeInsets& insets);
[[nodiscard]] Point pointFromString(const QString& text);
[[nodiscard]] Size sizeFromString(const QString& text);
[[nodiscard]] Rect rectFromString(const QString& text);
[[nodiscard]] Range rangeFromString(const QString& text);

}  // namespace ui
