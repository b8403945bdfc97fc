#include "UIKitTest.h"

#include "ReferenceImage.h"

#include "platform/uikit/bezier_path.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/renderer.h"
#include "platform/uikit/row_bands.h"
#include "platform/uikit/view.h"
#include "platform/uikit/window.h"

#include <QPainter>
#include <QPainterPath>

#include <numbers>
#include <optional>

namespace {

using ui::Color;
using ui::GraphicsContext;
using ui::Rect;

class DrawingTest : public UIKitTest {};

// Runs `draw` in a transparent image context of `size` points at scale 1.
QImage drawn(ui::Size size, const std::function<void(GraphicsContext&)>& draw, double scale = 1) {
    GraphicsContext::beginImageContextWithOptions(size, false, scale);
    draw(*GraphicsContext::current());
    auto image = GraphicsContext::imageFromCurrentImageContext();
    GraphicsContext::endImageContext();
    return image->pixels();
}

TEST_F(DrawingTest, ImageContextsNestAndProduceImagesOfTheirScale) {
    EXPECT_EQ(GraphicsContext::current(), nullptr);
    GraphicsContext::beginImageContextWithOptions({10, 5}, false, 0);
    GraphicsContext* outer = GraphicsContext::current();
    GraphicsContext::beginImageContext({3, 3});
    EXPECT_NE(GraphicsContext::current(), outer);
    GraphicsContext::endImageContext();
    EXPECT_EQ(GraphicsContext::current(), outer);
    outer->setFillColor(Color::blueColor());
    outer->fillRect({0, 0, 10, 5});
    auto image = GraphicsContext::imageFromCurrentImageContext();
    GraphicsContext::endImageContext();
    EXPECT_EQ(GraphicsContext::current(), nullptr);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->scale(), 2);  // scale 0: the screen's
    EXPECT_EQ(image->size(), (ui::Size{10, 5}));
    EXPECT_EQ(image->pixels().size(), QSize(20, 10));
    EXPECT_EQ(pixelAt(*image, 19, 9), QColor(Qt::blue));
    EXPECT_EQ(GraphicsContext::imageFromCurrentImageContext(), nullptr);
}

TEST_F(DrawingTest, FillsStrokesAndClipsLandOnThePixelsAsked) {
    const QImage image = drawn({20, 20}, [](GraphicsContext& c) {
        c.setShouldAntialias(false);
        c.setFillColor(Color::redColor());
        c.fillRect({0, 0, 10, 10});
        c.saveGState();
        c.clipToRect({10, 10, 5, 5});
        c.setFillColor(Color::greenColor());
        c.fillRect({0, 0, 20, 20});  // only the clipped square shows
        c.restoreGState();
        c.setStrokeColor(Color::blueColor());
        c.setLineWidth(2);
        c.moveToPoint(0, 18);
        c.addLineToPoint(20, 18);
        c.strokePath();
        EXPECT_TRUE(c.isPathEmpty());  // drawing consumes the path
    });
    EXPECT_EQ(pixelAt(image, 5, 5), QColor(Qt::red));
    EXPECT_EQ(pixelAt(image, 12, 12), QColor(Qt::green));
    EXPECT_EQ(pixelAt(image, 16, 12).alpha(), 0);
    EXPECT_EQ(pixelAt(image, 5, 17), QColor(Qt::blue));
    EXPECT_EQ(pixelAt(image, 5, 15).alpha(), 0);
}

TEST_F(DrawingTest, ArcsSweepTowardsYForClockwiseZero) {
    // A quarter arc from angle 0 to pi/2 with flag 0 passes below the centre
    // (y grows downwards); with flag 1 it goes the long way round, above.
    const auto arc = [](int clockwise) {
        return drawn({40, 40}, [clockwise](GraphicsContext& c) {
            c.setFillColor(Color::blackColor());
            c.moveToPoint(20, 20);
            c.addArc(20, 20, 15, 0, std::numbers::pi / 2, clockwise);
            c.closePath();
            c.fillPath();
        });
    };
    const QImage shortWay = arc(0);
    EXPECT_EQ(pixelAt(shortWay, 27, 27).alpha(), 255);
    EXPECT_EQ(pixelAt(shortWay, 20, 10).alpha(), 0);
    const QImage longWay = arc(1);
    EXPECT_EQ(pixelAt(longWay, 27, 27).alpha(), 0);
    EXPECT_EQ(pixelAt(longWay, 20, 10).alpha(), 255);
}

TEST_F(DrawingTest, DashesAndGradientsAndTangentArcs) {
    const QImage dashes = drawn({40, 4}, [](GraphicsContext& c) {
        c.setShouldAntialias(false);
        c.setStrokeColor(Color::blackColor());
        c.setLineWidth(2);
        c.setLineDash(0, {4, 4});
        c.strokeLineSegments({{0, 2}, {40, 2}});
    });
    EXPECT_EQ(pixelAt(dashes, 1, 2).alpha(), 255);
    EXPECT_EQ(pixelAt(dashes, 5, 2).alpha(), 0);
    EXPECT_EQ(pixelAt(dashes, 9, 2).alpha(), 255);

    const ui::Gradient gradient({Color::blackColor(), Color::whiteColor()});
    const QImage clipped = drawn({10, 30}, [&](GraphicsContext& c) {
        c.drawLinearGradient(gradient, {0, 10}, {0, 20}, 0);
    });
    EXPECT_EQ(pixelAt(clipped, 5, 2).alpha(), 0);  // not extended before the start
    EXPECT_LT(pixelAt(clipped, 5, 11).red(), 40);
    EXPECT_GT(pixelAt(clipped, 5, 19).red(), 215);
    const QImage extended = drawn({10, 30}, [&](GraphicsContext& c) {
        c.drawLinearGradient(
            gradient, {0, 10}, {0, 20},
            ui::kGradientDrawsBeforeStartLocation | ui::kGradientDrawsAfterEndLocation);
    });
    EXPECT_EQ(pixelAt(extended, 5, 2), QColor(Qt::black));
    EXPECT_EQ(pixelAt(extended, 5, 28), QColor(Qt::white));

    // A rounded corner from arc-to-point: the corner itself stays empty.
    const QImage corner = drawn({20, 20}, [](GraphicsContext& c) {
        c.setFillColor(Color::blackColor());
        c.moveToPoint(0, 20);
        c.addArcToPoint(0, 0, 20, 0, 10);
        c.addLineToPoint(20, 20);
        c.closePath();
        c.fillPath();
    });
    EXPECT_EQ(pixelAt(corner, 1, 1).alpha(), 0);
    EXPECT_EQ(pixelAt(corner, 10, 10).alpha(), 255);
}

TEST_F(DrawingTest, BezierPathsRoundOnlyTheCornersAsked) {
    const QImage image = drawn({40, 40}, [](GraphicsContext& c) {
        c.setFillColor(Color::blackColor());
        ui::BezierPath::bezierPathWithRoundedRect(
            {0, 0, 40, 40}, ui::kRectCornerBottomLeft | ui::kRectCornerBottomRight, {10, 10})
            .fill();
    });
    EXPECT_EQ(pixelAt(image, 0, 0).alpha(), 255);  // top corners square
    EXPECT_EQ(pixelAt(image, 39, 0).alpha(), 255);
    EXPECT_EQ(pixelAt(image, 0, 39).alpha(), 0);  // bottom corners rounded
    EXPECT_EQ(pixelAt(image, 39, 39).alpha(), 0);
}

TEST_F(DrawingTest, ShadowsFallUnderWhatIsDrawn) {
    const QImage image = drawn({30, 30}, [](GraphicsContext& c) {
        c.setShadow({5, 5}, 0, Color::blackColor());
        c.setFillColor(Color::whiteColor());
        c.fillRect({0, 0, 20, 20});
    });
    EXPECT_EQ(pixelAt(image, 10, 10), QColor(Qt::white));
    EXPECT_EQ(pixelAt(image, 23, 23), QColor(Qt::black));
    EXPECT_EQ(pixelAt(image, 27, 27).alpha(), 0);
}

class Square : public ui::View {
public:
    using View::View;
    int draws = 0;
    Color color = Color::redColor();
    void drawRect(const Rect&) override {
        ++draws;
        auto* c = GraphicsContext::current();
        c->setFillColor(color);
        c->fillRect({0, 0, 10, 10});
    }
};

// Sets colours, widths and transforms, and draws nothing.
class StateOnly : public ui::View {
public:
    using View::View;
    void drawRect(const Rect&) override {
        auto* c = GraphicsContext::current();
        c->setFillColor(Color::redColor());
        c->saveGState();
        c->translateCTM(2, 2);
        c->setLineWidth(3);
        c->restoreGState();
    }
};

TEST_F(DrawingTest, ViewsDrawIntoABackingStoreOnlyWhenAsked) {
    auto window = std::make_shared<ui::Window>(Rect{0, 0, 40, 40});
    window->setBackgroundColor(Color::whiteColor());
    auto square = std::make_shared<Square>(Rect{10, 10, 20, 20});
    auto plain = std::make_shared<ui::View>(Rect{0, 0, 5, 5});
    window->addSubview(square);
    window->addSubview(plain);
    auto first = window->renderImage(1);
    EXPECT_EQ(square->draws, 1);
    EXPECT_EQ(pixelAt(*first, 15, 15), QColor(Qt::red));
    EXPECT_EQ(pixelAt(*first, 25, 25), QColor(Qt::white));  // drawn only the top-left 10 x 10
    EXPECT_EQ(plain->layer()->backingStore(), nullptr);     // drew nothing, keeps nothing

    // The store's top-left is the bounds' origin, wherever it lies; a view that only sets
    // state keeps no store.
    auto shifted = std::make_shared<Square>(Rect{0, 0, 20, 20});
    shifted->setBounds({5, 5, 20, 20});
    auto stateOnly = std::make_shared<StateOnly>(Rect{0, 0, 20, 20});
    window->addSubview(shifted);
    window->addSubview(stateOnly);
    (void)window->renderImage(1);
    const auto& store = shifted->layer()->backingStore();
    ASSERT_TRUE(store);
    const int scale = int(store->scale());
    EXPECT_EQ(pixelAt(store->pixels(), 4 * scale, 4 * scale), QColor(Qt::red));  // at (9, 9)
    EXPECT_EQ(store->pixels().pixelColor(6 * scale, 6 * scale).alpha(), 0);      // at (11, 11)
    EXPECT_EQ(stateOnly->layer()->backingStore(), nullptr);
    shifted->removeFromSuperview();
    stateOnly->removeFromSuperview();

    (void)window->renderImage(1);
    EXPECT_EQ(square->draws, 1);
    square->color = Color::blueColor();
    square->setNeedsDisplay();
    auto second = window->renderImage(1);
    EXPECT_EQ(square->draws, 2);
    EXPECT_EQ(pixelAt(*second, 15, 15), QColor(Qt::blue));
}

TEST_F(DrawingTest, AContextMakesItsPainterOnlyWhenSomethingIsDrawnThroughIt) {
    QImage canvas(4, 4, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    std::optional<QPainter> painter;
    int opened = 0;
    {
        GraphicsContext context([&]() -> QPainter& {
            ++opened;
            painter.emplace(&canvas);
            return *painter;
        });
        // State alone is no drawing: a view that only sets colours makes no pixels.
        context.setFillColor(Color::redColor());
        context.setLineWidth(2);
        context.beginPath();
        context.addRect({0, 0, 2, 2});
        EXPECT_EQ(opened, 0);
        context.fillPath();
        context.fillRect({2, 2, 2, 2});
        EXPECT_EQ(opened, 1);
        EXPECT_EQ(context.drawingOperations(), 2);
    }
    painter.reset();
    EXPECT_EQ(pixelAt(canvas, 1, 1), QColor(Qt::red));
    EXPECT_EQ(pixelAt(canvas, 3, 3), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(3, 0).alpha(), 0);
}

TEST_F(DrawingTest, LayersDrawBackgroundRoundedCornersBordersAndClipping) {
    auto window = std::make_shared<ui::Window>(Rect{0, 0, 60, 60});
    auto card = std::make_shared<ui::View>(Rect{10, 10, 40, 40});
    card->setBackgroundColor(Color::greenColor());
    card->layer()->setCornerRadius(10);
    card->layer()->setBorderWidth(2);
    card->layer()->setBorderColor(Color::blueColor());
    auto spill = std::make_shared<ui::View>(Rect{20, 20, 40, 40});
    spill->setBackgroundColor(Color::redColor());
    window->addSubview(card);
    card->addSubview(spill);

    auto open = window->renderImage(1);
    EXPECT_EQ(pixelAt(*open, 10, 10).alpha(), 0);         // rounded corner
    EXPECT_EQ(pixelAt(*open, 30, 11), QColor(Qt::blue));  // border on top
    EXPECT_EQ(pixelAt(*open, 25, 25), QColor(Qt::green));
    EXPECT_EQ(pixelAt(*open, 55, 55), QColor(Qt::red));  // not clipped

    card->setClipsToBounds(true);
    auto clipped = window->renderImage(1);
    EXPECT_EQ(pixelAt(*clipped, 55, 55).alpha(), 0);
    EXPECT_EQ(pixelAt(*clipped, 40, 40), QColor(Qt::red));
    EXPECT_EQ(pixelAt(*clipped, 48, 48).alpha(), 0);  // the rounded clip cuts the corner

    card->setAlpha(0.5);
    auto faded = window->renderImage(1);
    EXPECT_NEAR(pixelAt(*faded, 25, 25).alpha(), 128, 2);
}

TEST_F(DrawingTest, SnapshotsOfASubtreeStartAtItsBounds) {
    auto panel = std::make_shared<ui::View>(Rect{100, 100, 20, 10});
    panel->setBackgroundColor(Color::blackColor());
    auto dot = std::make_shared<ui::View>(Rect{15, 5, 5, 5});
    dot->setBackgroundColor(Color::whiteColor());
    panel->addSubview(dot);
    auto image = panel->snapshotImage();
    EXPECT_EQ(image->size(), (ui::Size{20, 10}));
    EXPECT_EQ(pixelAt(*image, 2, 2), QColor(Qt::black));
    EXPECT_EQ(pixelAt(*image, 39, 19), QColor(Qt::white));

    // Rendering a layer into the current context (the platform's snapshot form).
    GraphicsContext::beginImageContextWithOptions(panel->bounds().size, true, 1);
    panel->layer()->renderInContext(*GraphicsContext::current());
    auto captured = GraphicsContext::imageFromCurrentImageContext();
    GraphicsContext::endImageContext();
    EXPECT_EQ(pixelAt(*captured, 17, 7), QColor(Qt::white));
}

}  // namespace

// Tall fills and copies are painted a band of rows at a time: they must look as the engine's
// own fill or copy does, whatever the edges, the scale, the brush, the clip and the opacity.
TEST_F(DrawingTest, TallFillsAndCopiesLookTheSameInBands) {
    QImage tile(6, 6, QImage::Format_ARGB32_Premultiplied);
    tile.fill(QColor(0, 90, 200, 160));
    tile.setPixelColor(2, 3, QColor(250, 10, 10));
    struct Case {
        QRectF rect;
        double scale;
        QBrush brush;
        bool clipped;
        double turn;
    };
    const Case cases[] = {
        {{0, 0, 160, 240}, 2, QColor(240, 240, 235), false, 0},
        {{3.3, 10.7, 90.2, 141.45}, 2, QColor(20, 120, 40, 245), false, 0},
        {{1.5, 0.25, 70, 100.6}, 3, QColor(200, 30, 30, 128), true, 0},
        {{4, 7, 80, 150}, 2, QBrush(tile), true, 0},
        {{10, 10, 60, 90}, 2, QColor(0, 0, 0, 100), false, 20},  // turned: one fill
    };
    for (const Case& c : cases) {
        const auto draw = [&](bool inBands) {
            QImage canvas = ui::Renderer::makeCanvas(170, 260, c.scale);
            QPainter painter(&canvas);
            painter.setRenderHint(QPainter::Antialiasing);
            if (c.clipped) {
                QPainterPath round;
                round.addEllipse(QRectF(0, 20, 150, 200));
                painter.setClipPath(round);
            }
            painter.rotate(c.turn);
            if (inBands) {
                ui::RowBands::fillRect(painter, c.rect, c.brush);
            } else {
                painter.fillRect(c.rect, c.brush);
            }
            painter.end();
            return canvas;
        };
        EXPECT_TRUE(picturesMatch(draw(true), draw(false), PictureTolerance{}))
            << c.rect.x() << "," << c.rect.y() << " " << c.rect.width() << "x" << c.rect.height()
            << " at " << c.scale;
    }

    QImage bubble(150, 333, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < bubble.height(); ++y) {
        for (int x = 0; x < bubble.width(); ++x)
            bubble.setPixelColor(x, y, QColor(x % 256, (y * 3) % 256, 90, (x + y) % 200 + 55));
    }
    for (const bool clipped : {false, true}) {
        const auto copy = [&](bool inBands) {
            QImage canvas = ui::Renderer::makeCanvas(100, 200, 2);
            canvas.fill(QColor(247, 247, 242));
            QPainter painter(&canvas);
            painter.resetTransform();
            painter.setOpacity(clipped ? 0.7 : 1);
            if (clipped) painter.setClipRect(QRect(10, 70, 120, 201));
            if (inBands) {
                ui::RowBands::drawImage(painter, {23, 41}, bubble);
            } else {
                painter.drawImage(QPoint(23, 41), bubble);
            }
            painter.end();
            return canvas;
        };
        EXPECT_TRUE(picturesMatch(copy(true), copy(false), PictureTolerance{}))
            << (clipped ? "clipped, at 0.7" : "whole");
    }
}
