#pragma once

#include "platform/uikit/color.h"
#include "platform/uikit/geometry.h"

#include <QPainter>
#include <QPainterPath>

#include <functional>
#include <memory>
#include <vector>

namespace ui {

class BezierPath;
class Image;

enum class LineCap { Butt, Round, Square };
enum class LineJoin { Miter, Round, Bevel };
enum class PathDrawingMode { Fill, EOFill, Stroke, FillStroke, EOFillStroke };
enum class BlendMode {
    Normal,
    Multiply,
    Screen,
    Overlay,
    Darken,
    Lighten,
    Clear,
    Copy,
    SourceIn,
    SourceOut,
    SourceAtop,
    DestinationOver,
    DestinationIn,
    DestinationOut,
    XOR,
    PlusLighter
};

// Colours at locations from 0 to 1 along a gradient.
class Gradient {
public:
    // Without locations the colours are spread evenly from 0 to 1.
    Gradient(std::vector<Color> colors, std::vector<double> locations = {});
    // Four components (red, green, blue, alpha from 0 to 1) per colour.
    [[nodiscard]] static Gradient withColorComponents(const std::vector<double>& components,
                                                      std::vector<double> locations = {});

    [[nodiscard]] const std::vector<Color>& colors() const { return colors_; }
    [[nodiscard]] const std::vector<double>& locations() const { return locations_; }
    [[nodiscard]] QGradientStops toQtStops() const;

private:
    std::vector<Color> colors_;
    std::vector<double> locations_;
};

// Whether a gradient's end colours extend beyond its start and its end.
enum GradientDrawingOptions : unsigned {
    kGradientDrawsBeforeStartLocation = 1,
    kGradientDrawsAfterEndLocation = 2,
};

// The one drawing context: the platform's graphics-context calls over a QPainter.
// Coordinates are points with the y axis down; the context maps them to pixels.
//
// A view's drawRect runs with the context of its backing store as the current
// context; image contexts (beginImageContext ... endImageContext) push their own.
class GraphicsContext {
public:
    // Makes the painter a context draws through, its current transform mapping points to
    // pixels.
    using PainterOpener = std::function<QPainter&()>;

    // Draws through `painter`.
    explicit GraphicsContext(QPainter& painter);
    // Draws through the painter that `open` makes when the first call needs one, so that a
    // context nothing is drawn through never makes one (a view that draws nothing needs no
    // pixels); the painter must outlive the context.
    explicit GraphicsContext(PainterOpener open);
    ~GraphicsContext();
    GraphicsContext(const GraphicsContext&) = delete;
    GraphicsContext& operator=(const GraphicsContext&) = delete;

    // The innermost current context, or nullptr outside drawing.
    [[nodiscard]] static GraphicsContext* current();
    static void push(GraphicsContext& context);
    static void pop();

    // Image contexts. Scale 0 means the screen's scale; an opaque context starts
    // black, a transparent one clear.
    static void beginImageContext(Size size);
    static void beginImageContextWithOptions(Size size, bool opaque, double scale);
    [[nodiscard]] static std::shared_ptr<Image> imageFromCurrentImageContext();
    static void endImageContext();

    // The painter itself, for the stand-in's own drawing; using it counts as drawing.
    [[nodiscard]] QPainter& painter();
    // How many drawing calls were made; views that draw nothing keep no backing store.
    [[nodiscard]] int drawingOperations() const { return operations_; }

    // Graphics state.
    void saveGState();
    void restoreGState();
    void translateCTM(double tx, double ty);
    void scaleCTM(double sx, double sy);
    void rotateCTM(double angle);
    void concatCTM(const AffineTransform& transform);
    [[nodiscard]] AffineTransform getCTM() const;
    void setFillColor(const Color& color);
    void setStrokeColor(const Color& color);
    [[nodiscard]] const Color& fillColor() const { return state_.fill; }
    [[nodiscard]] const Color& strokeColor() const { return state_.stroke; }
    void setLineWidth(double width);
    void setLineCap(LineCap cap);
    void setLineJoin(LineJoin join);
    void setMiterLimit(double limit);
    // Dash and gap lengths in points, starting `phase` points into the pattern;
    // no lengths: solid lines.
    void setLineDash(double phase, std::vector<double> lengths);
    void setShouldAntialias(bool antialias);
    void setAlpha(double alpha);
    void setBlendMode(BlendMode mode);
    // Later drawing casts a shadow; an invisible colour turns shadows off.
    void setShadow(Size offset, double blur, const Color& color);
    void setShadow(Size offset, double blur);

    // The current path, in the coordinates in force when it is drawn.
    void beginPath();
    void moveToPoint(double x, double y);
    void addLineToPoint(double x, double y);
    void addLines(const std::vector<Point>& points);
    void addCurveToPoint(double cp1x, double cp1y, double cp2x, double cp2y, double x, double y);
    void addQuadCurveToPoint(double cpx, double cpy, double x, double y);
    void addRect(const Rect& rect);
    void addEllipseInRect(const Rect& rect);
    // An arc around (x, y); angles in radians from the x axis, growing towards y.
    // `clockwise` 0 sweeps with growing angles, 1 with shrinking ones, as the
    // platform's flag does in view coordinates. A line joins it to the current point.
    void addArc(double x, double y, double radius, double startAngle, double endAngle,
                int clockwise);
    // An arc of `radius` tangent to the lines current point -> (x1, y1) -> (x2, y2).
    void addArcToPoint(double x1, double y1, double x2, double y2, double radius);
    void addPath(const BezierPath& path);
    void closePath();
    [[nodiscard]] bool isPathEmpty() const;
    [[nodiscard]] Point pathCurrentPoint() const;
    [[nodiscard]] Rect pathBoundingBox() const;

    // Drawing; each clears the current path as the platform does.
    void fillPath();
    void eoFillPath();
    void strokePath();
    void drawPath(PathDrawingMode mode);
    void fillRect(const Rect& rect);
    void strokeRect(const Rect& rect);
    void strokeRectWithWidth(const Rect& rect, double width);
    void clearRect(const Rect& rect);
    void fillEllipseInRect(const Rect& rect);
    void strokeEllipseInRect(const Rect& rect);
    // Pairs of points, each pair one segment.
    void strokeLineSegments(const std::vector<Point>& points);

    // Clipping narrows with each call; restoreGState widens it again.
    void clip();
    void eoClip();
    void clipToRect(const Rect& rect);
    [[nodiscard]] Rect clipBoundingBox() const;

    void drawLinearGradient(const Gradient& gradient, Point start, Point end, unsigned options);
    void drawRadialGradient(const Gradient& gradient, Point startCenter, double startRadius,
                            Point endCenter, double endRadius, unsigned options);
    // Draws the image upright in `rect`, as the image's own drawInRect does.
    void drawImage(const Rect& rect, const Image& image);

    // Fills `path` (in points) with the fill colour or the stroke pen, casting the
    // shadow in force; the building block of the calls above.
    void fillQtPath(const QPainterPath& path, Qt::FillRule rule);
    void strokeQtPath(const QPainterPath& path);
    // Runs `draw`, casting the shadow in force under what it draws.
    void drawWithShadow(const std::function<void(QPainter&)>& draw);

private:
    struct State {
        Color fill = Color::blackColor();
        Color stroke = Color::blackColor();
        double lineWidth = 1;
        LineCap cap = LineCap::Butt;
        LineJoin join = LineJoin::Miter;
        double miterLimit = 10;
        double dashPhase = 0;
        std::vector<double> dashes;
        Size shadowOffset;
        double shadowBlur = 0;
        Color shadowColor;
    };

    [[nodiscard]] QPen pen() const;
    [[nodiscard]] QBrush brush(const Color& color) const;
    void ensureCurrentPoint(double x, double y);
    static void prepare(QPainter& painter);
    // The painter, made now when it has not been yet.
    [[nodiscard]] QPainter& target() const;

    mutable QPainter* painter_ = nullptr;
    PainterOpener open_;
    State state_;
    std::vector<State> saved_;
    QPainterPath path_;
    bool hasCurrentPoint_ = false;
    int operations_ = 0;
};

}  // namespace ui
