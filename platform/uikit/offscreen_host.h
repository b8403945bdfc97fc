#pragma once

#include <QString>

#include <memory>

namespace ui {

class Image;
class Window;

// Shows a window nowhere: renders it, as it shows at this moment, into an image
// or a PNG file. Works without a display.
class OffscreenHost {
public:
    // Scale 0 means the screen's (two pixels per point).
    explicit OffscreenHost(std::shared_ptr<Window> window, double scale = 0);

    [[nodiscard]] Window& window() const { return *window_; }
    [[nodiscard]] std::shared_ptr<Image> render() const;
    // Writes the rendering as PNG; false when the file cannot be written.
    bool renderToFile(const QString& path) const;

private:
    std::shared_ptr<Window> window_;
    double scale_;
};

}  // namespace ui
