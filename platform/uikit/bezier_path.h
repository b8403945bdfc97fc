#pragma once

#include "platform/uikit/geometry.h"

#include <QPainterPath>

#include <vector>

namespace ui {

// Which corners of a rectangle a rounded path rounds.
enum RectCorner : unsigned {
    kRectCornerTopLeft = 1,
    kRectCornerTopRight = 2,
    kRectCornerBottomLeft = 4,
    kRectCornerBottomRight = 8,
    kRectCornerAllCorners = 15,
};

// A path with its own line settings, drawn into the current graphics context.
class BezierPath {
public:
    BezierPath() = default;

    [[nodiscard]] static BezierPath bezierPathWithRect(const Rect& rect);
    [[nodiscard]] static BezierPath bezierPathWithOvalInRect(const Rect& rect);
    [[nodiscard]] static BezierPath bezierPathWithRoundedRect(const Rect& rect,
                                                              double cornerRadius);
    [[nodiscard]] static BezierPath bezierPathWithRoundedRect(const Rect& rect, unsigned corners,
                                                              Size cornerRadii);
    // Angles in radians growing towards the y axis; `clockwise` as seen on screen.
    [[nodiscard]] static BezierPath bezierPathWithArcCenter(Point center, double radius,
                                                            double startAngle, double endAngle,
                                                            bool clockwise);

    void moveToPoint(Point point);
    void addLineToPoint(Point point);
    void addCurveToPoint(Point end, Point control1, Point control2);
    void addQuadCurveToPoint(Point end, Point control);
    void addArcWithCenter(Point center, double radius, double startAngle, double endAngle,
                          bool clockwise);
    void closePath();
    void appendPath(const BezierPath& other);
    void removeAllPoints();
    void applyTransform(const AffineTransform& transform);

    [[nodiscard]] bool isEmpty() const { return path_.isEmpty(); }
    [[nodiscard]] Rect bounds() const;
    [[nodiscard]] Point currentPoint() const { return Point::fromQt(path_.currentPosition()); }
    [[nodiscard]] bool containsPoint(Point point) const;

    [[nodiscard]] double lineWidth() const { return lineWidth_; }
    void setLineWidth(double width) { lineWidth_ = width; }
    [[nodiscard]] bool usesEvenOddFillRule() const { return evenOdd_; }
    void setUsesEvenOddFillRule(bool evenOdd) { evenOdd_ = evenOdd; }
    void setLineDash(std::vector<double> lengths, double phase);

    // Into the current graphics context, with its fill or stroke colour.
    void fill() const;
    void stroke() const;
    // Narrows the current context's clip to the path.
    void addClip() const;

    [[nodiscard]] const QPainterPath& toQt() const { return path_; }

private:
    QPainterPath path_;
    double lineWidth_ = 1;
    bool evenOdd_ = false;
    std::vector<double> dashes_;
    double dashPhase_ = 0;
};

}  // namespace ui
