#include "platform/uikit/geometry.h"

#include <QLocale>
#include <QRegularExpression>

#include <vector>

namespace ui {

namespace {

QString printedNumber(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// The numbers of a text form in order; the braces and commas around them only
// separate them, as the platform's readers treat them.
std::vector<double> numbersIn(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral(R"([-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?)"));
    std::vector<double> numbers;
    auto matches = pattern.globalMatch(text);
    while (matches.hasNext()) numbers.push_back(matches.next().captured().toDouble());
    return numbers;
}

}  // namespace

bool Rect::isNull() const {
    return std::isinf(origin.x) || std::isinf(origin.y);
}

bool Rect::isEmpty() const {
    return isNull() || size.width == 0 || size.height == 0;
}

Rect Rect::standardized() const {
    return {minX(), minY(), width(), height()};
}

bool Rect::contains(const Point& point) const {
    if (isEmpty()) return false;
    return point.x >= minX() && point.x < maxX() && point.y >= minY() && point.y < maxY();
}

bool Rect::contains(const Rect& other) const {
    if (isNull() || other.isNull()) return false;
    return other.minX() >= minX() && other.maxX() <= maxX() && other.minY() >= minY() &&
           other.maxY() <= maxY();
}

bool Rect::intersects(const Rect& other) const {
    return !intersection(other).isNull();
}

Rect Rect::intersection(const Rect& other) const {
    if (isNull() || other.isNull()) return null();
    const double left = std::max(minX(), other.minX());
    const double right = std::min(maxX(), other.maxX());
    const double top = std::max(minY(), other.minY());
    const double bottom = std::min(maxY(), other.maxY());
    if (left > right || top > bottom) return null();
    // Rectangles that only touch along an edge do not intersect either.
    if ((left == right && width() > 0 && other.width() > 0) ||
        (top == bottom && height() > 0 && other.height() > 0)) {
        return null();
    }
    return {left, top, right - left, bottom - top};
}

Rect Rect::united(const Rect& other) const {
    if (isNull()) return other.standardized();
    if (other.isNull()) return standardized();
    const double left = std::min(minX(), other.minX());
    const double top = std::min(minY(), other.minY());
    return {left, top, std::max(maxX(), other.maxX()) - left, std::max(maxY(), other.maxY()) - top};
}

Rect Rect::offsetBy(double dx, double dy) const {
    return {origin.x + dx, origin.y + dy, size.width, size.height};
}

Rect Rect::insetBy(double dx, double dy) const {
    const Rect r = standardized();
    const Rect inset{r.origin.x + dx, r.origin.y + dy, r.size.width - 2 * dx,
                     r.size.height - 2 * dy};
    if (inset.size.width < 0 || inset.size.height < 0) return null();
    return inset;
}

Rect Rect::integral() const {
    if (isNull()) return *this;
    const double left = std::floor(minX());
    const double top = std::floor(minY());
    return {left, top, std::ceil(maxX()) - left, std::ceil(maxY()) - top};
}

Rect Rect::null() {
    const double inf = std::numeric_limits<double>::infinity();
    return {inf, inf, 0, 0};
}

AffineTransform AffineTransform::makeScale(double sx, double sy) {
    return {sx, 0, 0, sy, 0, 0};
}

AffineTransform AffineTransform::makeRotation(double angle) {
    const double cosine = std::cos(angle);
    const double sine = std::sin(angle);
    return {cosine, sine, -sine, cosine, 0, 0};
}

AffineTransform AffineTransform::makeTranslation(double tx, double ty) {
    return {1, 0, 0, 1, tx, ty};
}

AffineTransform AffineTransform::concat(const AffineTransform& o) const {
    return {a * o.a + b * o.c, a * o.b + b * o.d,          c * o.a + d * o.c,
            c * o.b + d * o.d, tx * o.a + ty * o.c + o.tx, tx * o.b + ty * o.d + o.ty};
}

AffineTransform AffineTransform::scale(double sx, double sy) const {
    return makeScale(sx, sy).concat(*this);
}

AffineTransform AffineTransform::rotate(double angle) const {
    return makeRotation(angle).concat(*this);
}

AffineTransform AffineTransform::translate(double dx, double dy) const {
    return makeTranslation(dx, dy).concat(*this);
}

AffineTransform AffineTransform::inverted() const {
    const double determinant = a * d - b * c;
    if (std::abs(determinant) < 1e-12) return *this;
    const double ia = d / determinant;
    const double ib = -b / determinant;
    const double ic = -c / determinant;
    const double id = a / determinant;
    return {ia, ib, ic, id, -(tx * ia + ty * ic), -(tx * ib + ty * id)};
}

Point AffineTransform::apply(const Point& p) const {
    return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty};
}

Size AffineTransform::apply(const Size& s) const {
    return {a * s.width + c * s.height, b * s.width + d * s.height};
}

Rect AffineTransform::apply(const Rect& rect) const {
    if (rect.isNull()) return rect;
    const Rect r = rect.standardized();
    const Point corners[] = {apply(Point{r.minX(), r.minY()}), apply(Point{r.maxX(), r.minY()}),
                             apply(Point{r.minX(), r.maxY()}), apply(Point{r.maxX(), r.maxY()})};
    double left = corners[0].x, right = corners[0].x, top = corners[0].y, bottom = corners[0].y;
    for (const Point& corner : corners) {
        left = std::min(left, corner.x);
        right = std::max(right, corner.x);
        top = std::min(top, corner.y);
        bottom = std::max(bottom, corner.y);
    }
    return {left, top, right - left, bottom - top};
}

QString stringFromPoint(const Point& p) {
    return QStringLiteral("{%1, %2}").arg(printedNumber(p.x), printedNumber(p.y));
}

QString stringFromSize(const Size& s) {
    return QStringLiteral("{%1, %2}").arg(printedNumber(s.width), printedNumber(s.height));
}

QString stringFromRect(const Rect& r) {
    return QStringLiteral("{%1, %2}").arg(stringFromPoint(r.origin), stringFromSize(r.size));
}

QString stringFromRange(const Range& r) {
    return QStringLiteral("{%1, %2}").arg(r.location).arg(r.length);
}

QString stringFromEdgeInsets(const EdgeInsets& i) {
    return QStringLiteral("{%1, %2, %3, %4}")
        .arg(printedNumber(i.top), printedNumber(i.left), printedNumber(i.bottom),
             printedNumber(i.right));
}

Point pointFromString(const QString& text) {
    const auto n = numbersIn(text);
    return n.size() >= 2 ? Point{n[0], n[1]} : Point{};
}

Size sizeFromString(const QString& text) {
    const auto n = numbersIn(text);
    return n.size() >= 2 ? Size{n[0], n[1]} : Size{};
}

Rect rectFromString(const QString& text) {
    const auto n = numbersIn(text);
    return n.size() >= 4 ? Rect{n[0], n[1], n[2], n[3]} : Rect{};
}

Range rangeFromString(const QString& text) {
    // Reads the first two whole numbers, whatever surrounds them.
    static const QRegularExpression pattern(QStringLiteral(R"(\d+)"));
    Range range;
    auto matches = pattern.globalMatch(text);
    if (matches.hasNext()) range.location = matches.next().captured().toLongLong();
    if (matches.hasNext()) range.length = matches.next().captured().toLongLong();
    return range;
}

}  // namespace ui
