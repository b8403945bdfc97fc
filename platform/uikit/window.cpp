#include "platform/uikit/window.h"

#include "platform/uikit/event.h"
#include "platform/uikit/gesture_recognizer.h"
#include "platform/uikit/image.h"
#include "platform/uikit/key_input.h"
#include "platform/uikit/renderer.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/window_overlays.h"

#include <QPainter>

#include <cmath>

namespace ui {

namespace {
Window* gKeyWindow = nullptr;
}  // namespace

Window::Window() : Window(Screen::mainScreen().bounds()) {}

Window::Window(const Rect& frame) : View(frame) {}

Window::~Window() {
    if (gKeyWindow == this) gKeyWindow = nullptr;
}

Window* Window::keyWindow() {
    return gKeyWindow;
}

void Window::makeKeyWindow() {
    gKeyWindow = this;
}

void Window::makeKeyAndVisible() {
    makeKeyWindow();
    setHidden(false);
}

bool Window::makeFirstResponder(Responder* responder) {
    Responder* current = firstResponder();
    if (current == responder) return true;
    if (current && (!current->canResignFirstResponder() || !current->resignFirstResponder())) {
        return false;
    }
    firstResponder_ = responder ? responder->weak_from_this() : std::weak_ptr<Responder>();
    return true;
}

void Window::touchDown(Point location, int finger) {
    sendTouches({TouchInput{finger, TouchPhase::Began, location}});
}

void Window::touchMove(Point location, int finger) {
    sendTouches({TouchInput{finger, TouchPhase::Moved, location}});
}

void Window::touchUp(Point location, int finger) {
    sendTouches({TouchInput{finger, TouchPhase::Ended, location}});
}

void Window::cancelAllTouches() {
    std::vector<TouchInput> inputs;
    for (const auto& [finger, touch] : fingers_) {
        inputs.push_back({finger, TouchPhase::Cancelled, touch->locationInView(nullptr)});
    }
    if (!inputs.empty()) sendTouches(inputs);
}

void Window::sendTouches(const std::vector<TouchInput>& inputs) {
    const auto keep = sharedView();
    const double now = mediaTime();
    std::vector<std::shared_ptr<Touch>> changed;
    for (const TouchInput& input : inputs) {
        const bool ignored = std::find(ignoredFingers_.begin(), ignoredFingers_.end(),
                                       input.finger) != ignoredFingers_.end();
        if (input.phase == TouchPhase::Began) {
            if (fingers_.contains(input.finger) || ignored) continue;
            auto touch = std::make_shared<Touch>(this, input.location, now);
            const double sinceTap = now - lastTapTime_;
            const double distance = std::hypot(input.location.x - lastTapLocation_.x,
                                               input.location.y - lastTapLocation_.y);
            touch->tapCount_ =
                lastTapTime_ >= 0 && sinceTap <= kMultiTapInterval && distance <= kMultiTapDistance
                    ? lastTapCount_ + 1
                    : 1;
            View* hit = hitTest(input.location, nullptr);
            // An exclusive-touch view takes no touch beside others, and lets none begin beside it.
            bool blocked = false;
            for (const auto& [finger, other] : fingers_) {
                if ((other->view() && other->view()->isExclusiveTouch()) ||
                    (hit && hit->isExclusiveTouch())) {
                    blocked = true;
                }
            }
            if (blocked) {
                ignoredFingers_.push_back(input.finger);
                continue;
            }
            if (hit) {
                touch->view_ = hit->sharedView();
                for (const auto& [finger, other] : fingers_) {
                    if (other->view() == hit && !hit->isMultipleTouchEnabled()) {
                        touch->deliversToView_ = false;
                    }
                }
            }
            for (View* v = hit; v; v = v->superview()) {
                for (const auto& recognizer : v->gestureRecognizers()) {
                    if (recognizer->wantsTouch(*touch)) touch->recognizers_.push_back(recognizer);
                }
            }
            fingers_[input.finger] = touch;
            changed.push_back(std::move(touch));
            continue;
        }
        if (ignored) {
            if (input.phase == TouchPhase::Ended || input.phase == TouchPhase::Cancelled) {
                std::erase(ignoredFingers_, input.finger);
            }
            continue;
        }
        const auto found = fingers_.find(input.finger);
        if (found == fingers_.end()) continue;
        const auto& touch = found->second;
        touch->previous_ = touch->location_;
        touch->location_ = input.location;
        touch->timestamp_ = now;
        touch->phase_ = input.phase;
        changed.push_back(touch);
    }
    if (changed.empty()) return;

    TouchSet all;
    for (const auto& [finger, touch] : fingers_) all.insert(touch);
    const Event event(now, all);
    sendEvent(event, changed);

    for (const auto& touch : changed) {
        if (touch->phase() != TouchPhase::Ended && touch->phase() != TouchPhase::Cancelled)
            continue;
        if (touch->phase() == TouchPhase::Ended) {
            lastTapTime_ = now;
            lastTapLocation_ = touch->location_;
            lastTapCount_ = touch->tapCount_;
        }
        std::erase_if(fingers_, [&](const auto& entry) { return entry.second == touch; });
    }
}

void Window::sendEvent(const Event& event, const std::vector<std::shared_ptr<Touch>>& changed) {
    GestureRecognizer::deliverTouches(changed, event);

    // Views hear each phase in the order the platform sends them.
    for (TouchPhase phase : {TouchPhase::Began, TouchPhase::Moved, TouchPhase::Stationary,
                             TouchPhase::Ended, TouchPhase::Cancelled}) {
        std::map<View*, TouchSet> byView;
        std::vector<View*> order;
        for (const auto& touch : changed) {
            if (touch->phase() != phase || !touch->view() || !touch->deliversToView_) continue;
            if (phase != TouchPhase::Began && !touch->viewBegan_) continue;
            if (!byView.contains(touch->view())) order.push_back(touch->view());
            byView[touch->view()].insert(touch);
        }
        for (View* view : order) {
            const TouchSet& touches = byView[view];
            auto keep = view->sharedView();
            switch (phase) {
                case TouchPhase::Began:
                    for (const auto& touch : touches) touch->viewBegan_ = true;
                    view->touchesBegan(touches, &event);
                    break;
                case TouchPhase::Moved:
                case TouchPhase::Stationary:
                    view->touchesMoved(touches, &event);
                    break;
                case TouchPhase::Ended:
                    view->touchesEnded(touches, &event);
                    break;
                case TouchPhase::Cancelled:
                    view->touchesCancelled(touches, &event);
                    break;
            }
        }
    }
    GestureRecognizer::touchesFinished(changed);
}

bool Window::insertText(const QString& text) {
    return withKeyInput([&](KeyInput& input) { input.insertText(text); });
}

bool Window::deleteBackward() {
    return withKeyInput([](KeyInput& input) { input.deleteBackward(); });
}

bool Window::setMarkedText(const QString& text, Range selection) {
    return withKeyInput([&](KeyInput& input) { input.setMarkedText(text, selection); });
}

bool Window::unmarkText() {
    return withKeyInput([](KeyInput& input) { input.unmarkText(); });
}

bool Window::insertReturn() {
    return withKeyInput([](KeyInput& input) { input.insertReturn(); });
}

bool Window::moveCaret(CaretMovement movement) {
    return withKeyInput([movement](KeyInput& input) { input.moveCaret(movement); });
}

Responder* Window::keyResponder() const {
    Responder* responder = firstResponder();
    const View* cover = responder ? WindowOverlays::modalCover(*this) : nullptr;
    if (!cover) return responder;
    const auto* view = dynamic_cast<const View*>(responder);
    return view && view->isDescendantOfView(cover) ? responder : nullptr;
}

bool Window::withKeyInput(const std::function<void(KeyInput&)>& action) {
    auto* input = dynamic_cast<KeyInput*>(keyResponder());
    if (!input) return false;
    // The input may resign (and drop the last reference to itself) while it acts.
    const auto keep = firstResponder_.lock();
    action(*input);
    return true;
}

void Window::render(QPainter& painter) {
    Renderer::prepare(*this);
    painter.save();
    Renderer::renderLayer(painter, *layer(), true);
    painter.restore();
}

std::shared_ptr<Image> Window::renderImage(double scale) {
    if (scale <= 0) scale = Screen::mainScreen().scale();
    Renderer::prepare(*this);
    QImage frame = Renderer::snapshot(*layer(), scale, true);
    rememberFrame(frame);
    return Image::imageWithQImage(std::move(frame), scale);
}

void Window::rememberFrame(const QImage& frame) {
    lastFrame_ = frame;
    Layer::noteFrameShown();
}

const QImage* Window::frameBeforeThisTurn() const {
    if (lastFrame_.isNull() || !Layer::changesSinceFrameAreRecent()) return nullptr;
    return &lastFrame_;
}

}  // namespace ui
