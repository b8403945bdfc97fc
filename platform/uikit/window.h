#pragma once

#include "platform/uikit/key_input.h"
#include "platform/uikit/touch.h"
#include "platform/uikit/view.h"

#include <QImage>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QPainter;

namespace ui {

class Event;
class Image;
class ViewController;

// The root of a view tree on the screen (320 x 480 points unless told
// otherwise). It turns raw finger input from a host or the test driver into
// touches delivered by hit-testing, keeps the first responder, and renders its
// tree for the hosts.
class Window : public View {
public:
    static constexpr double kMultiTapInterval = 0.35;  // seconds between taps that count together
    static constexpr double kMultiTapDistance = 20;    // points

    // The main screen's bounds.
    Window();
    explicit Window(const Rect& frame);
    ~Window() override;

    [[nodiscard]] static Window* keyWindow();
    void makeKeyWindow();
    void makeKeyAndVisible();
    [[nodiscard]] bool isKeyWindow() const { return keyWindow() == this; }
    [[nodiscard]] double windowLevel() const { return level_; }
    void setWindowLevel(double level) { level_ = level; }

    // The controller whose view fills the window below every other view
    // (defined with the view controllers).
    [[nodiscard]] const std::shared_ptr<ViewController>& rootViewController() const {
        return rootViewController_;
    }
    void setRootViewController(std::shared_ptr<ViewController> controller);

    [[nodiscard]] Responder* firstResponder() const { return firstResponder_.lock().get(); }
    // The responder that keys reach: the first responder, unless an alert or a sheet is up
    // above it. While one is, keys go to a responder inside it (an alert's own field) or
    // nowhere, never to a field beneath it.
    [[nodiscard]] Responder* keyResponder() const;
    // Makes `responder` first responder after the current one resigned; false if it refused.
    bool makeFirstResponder(Responder* responder);
    void clearFirstResponder() { firstResponder_.reset(); }

    // Finger input in window coordinates; fingers are told apart by number.
    struct TouchInput {
        int finger = 0;
        TouchPhase phase = TouchPhase::Began;
        Point location;
    };
    void sendTouches(const std::vector<TouchInput>& inputs);
    void touchDown(Point location, int finger = 0);
    void touchMove(Point location, int finger = 0);
    void touchUp(Point location, int finger = 0);
    // Cancels every touch in progress (the system took them).
    void cancelAllTouches();
    [[nodiscard]] std::size_t activeTouchCount() const { return fingers_.size(); }
    // Delivers changed touches: recognizers first, then the views they began in.
    virtual void sendEvent(const Event& event, const std::vector<std::shared_ptr<Touch>>& changed);

    // Typed text for the key responder, when it takes text (see KeyInput); false when no
    // responder took it.
    bool insertText(const QString& text);
    bool deleteBackward();
    bool setMarkedText(const QString& text, Range selection);
    bool unmarkText();
    bool insertReturn();
    bool moveCaret(CaretMovement movement);

    // Lays out, redraws what asked for it, and draws the window as it shows now.
    void render(QPainter& painter);
    [[nodiscard]] std::shared_ptr<Image> renderImage(double scale = 0);
    // The last frame shown, kept so that a transition added now starts from what
    // the screen showed before this turn's changes. Hosts hand every frame here.
    void rememberFrame(const QImage& frame);
    // The remembered frame while it still shows the screen before the present
    // turn: nothing changed since, or only in the last moment.
    [[nodiscard]] const QImage* frameBeforeThisTurn() const;

private:
    bool withKeyInput(const std::function<void(KeyInput&)>& action);

    std::shared_ptr<ViewController> rootViewController_;
    QImage lastFrame_;
    std::weak_ptr<Responder> firstResponder_;
    std::map<int, std::shared_ptr<Touch>> fingers_;
    std::vector<int> ignoredFingers_;
    double level_ = 0;
    double lastTapTime_ = -1;
    Point lastTapLocation_;
    int lastTapCount_ = 0;
};

}  // namespace ui
