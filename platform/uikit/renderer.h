#pragma once

#include <QImage>

class QPainter;

namespace ui {

class Layer;
class View;

// Paints layer trees with QPainter: backgrounds, contents and backing stores,
// borders, rounded corners, clipping, shadows, transforms, opacity and running
// transitions. Coordinates are points; the painter maps them to pixels.
class Renderer {
public:
    // Lays out and redraws what asked for it under `root`, so that a render
    // shows the current state.
    static void prepare(View& root);

    // Draws `layer` itself (not its position or transform) with its bounds at
    // the painter's origin; `presentation` chooses animated over model values.
    static void renderLayer(QPainter& painter, Layer& layer, bool presentation);
    // Draws `layer` placed in its superlayer's space (position, transform).
    static void renderSublayer(QPainter& painter, Layer& layer, bool presentation);

    // The layer drawn into an image of its bounds' size at `scale` pixels per point.
    [[nodiscard]] static QImage snapshot(Layer& layer, double scale, bool presentation);
    // A transparent image of `width` x `height` points set up for drawing in points.
    [[nodiscard]] static QImage makeCanvas(double width, double height, double scale);
};

}  // namespace ui
