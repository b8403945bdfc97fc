#pragma once

#include <QRectF>

#include <memory>

class QWindow;

namespace ui {

class DisplayLink;
class Window;

// Shows a window in a real desktop window, drawn at two pixels per point; a
// resized desktop window shows the whole screen scaled to fit, in the phone's
// shape. The mouse becomes one finger (press, drag, release; a double click is
// two taps); the wheel and a touchpad pinch become a pinch of two fingers on the
// view under the pointer (PointerGestures); keys and the input method become
// text input for the window's first responder. The picture is redrawn on the
// display link whenever anything changed or an animation runs; while nothing does, the link
// sleeps until the next change.
class InteractiveHost {
public:
    explicit InteractiveHost(std::shared_ptr<Window> window);
    ~InteractiveHost();
    InteractiveHost(const InteractiveHost&) = delete;
    InteractiveHost& operator=(const InteractiveHost&) = delete;

    void show();
    void close();
    [[nodiscard]] bool isVisible() const;
    [[nodiscard]] Window& window() const { return *window_; }
    // Desktop pixels per point of the host window (2 on an ordinary screen, until a resize
    // scales the whole screen to fit the window).
    [[nodiscard]] double zoom() const;
    // Where the screen shows in the desktop window, in desktop pixels: the phone's shape,
    // as large as the window allows, centred.
    [[nodiscard]] QRectF screenArea() const;
    // The desktop window, for sending it events in tests.
    [[nodiscard]] QWindow* nativeWindow() const;
    // How many frames were drawn so far.
    [[nodiscard]] int frameCount() const;
    // How many frames the display link asked the desktop for so far (each is drawn once the
    // desktop lets it): counted on the clock, so a test sees at once what a screen costs.
    [[nodiscard]] int framesAsked() const;
    // Draws a frame now if anything changed.
    void refresh();

private:
    class Surface;
    void sleepUntilChange();
    // A frame is being drawn (true), or was (false): a sleeping link sleeps on.
    void painting(bool begins);
    std::shared_ptr<Window> window_;
    std::unique_ptr<Surface> surface_;
    std::shared_ptr<DisplayLink> link_;
};

}  // namespace ui
