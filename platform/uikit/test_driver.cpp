#include "platform/uikit/test_driver.h"

#include "platform/foundation/clock.h"
#include "platform/uikit/image.h"
#include "platform/uikit/keyboard.h"
#include "platform/uikit/keyboard_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/offscreen_host.h"
#include "platform/uikit/pointer_gestures.h"
#include "platform/uikit/window.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cmath>

namespace ui {

namespace {

void collect(View& view, const std::function<bool(View&)>& match, std::vector<View*>& found) {
    if (view.isHidden() || view.alpha() < 0.01) return;
    if (match(view)) found.push_back(&view);
    for (const auto& subview : std::vector(view.subviews())) collect(*subview, match, found);
}

}  // namespace

TestDriver::TestDriver(std::shared_ptr<Window> window)
    : window_(std::move(window)), pointer_(std::make_unique<PointerGestures>(*window_)) {}

TestDriver::~TestDriver() = default;
TestDriver::TestDriver(TestDriver&&) noexcept = default;
TestDriver& TestDriver::operator=(TestDriver&&) noexcept = default;

std::vector<View*> TestDriver::findAll(const std::function<bool(View&)>& match) const {
    std::vector<View*> found;
    window_->layoutIfNeeded();
    collect(*window_, match, found);
    return found;
}

View* TestDriver::findByTag(int tag) const {
    const auto found = findAll([tag](View& v) { return v.tag() == tag; });
    return found.empty() ? nullptr : found.front();
}

View* TestDriver::findByText(const QString& text) const {
    const auto found = findAll([&](View& v) { return v.shownText() == text; });
    return found.empty() ? nullptr : found.front();
}

View* TestDriver::findByAccessibilityLabel(const QString& label) const {
    const auto found = findAll([&](View& v) {
        return v.accessibilityLabel() == label ||
               (v.accessibilityLabel().isEmpty() && !label.isEmpty() && v.shownText() == label &&
                dynamic_cast<Label*>(&v));
    });
    return found.empty() ? nullptr : found.front();
}

View* TestDriver::findByClassName(const QString& className) const {
    const auto found = findAll([&](View& v) { return v.className() == className; });
    return found.empty() ? nullptr : found.front();
}

bool TestDriver::tap(const View* view) {
    // A finger lands on what the screen shows, which is laid out: a view that a pending
    // layout puts into the window (a bar's new item) is there by then.
    window_->layoutIfNeeded();
    if (!view || view->window() != window_.get()) return false;
    const Point centre = view->convertPointToView(view->bounds().center(), nullptr);
    View* hit = window_->hitTest(centre, nullptr);
    // The view itself, something inside it, or a container it passes touches on to.
    const bool reaches = hit && (hit->isDescendantOfView(view) || view->isDescendantOfView(hit));
    if (!reaches) return false;
    tapAt(centre);
    return true;
}

bool TestDriver::tapText(const QString& text) {
    return tap(findByText(text));
}

bool TestDriver::tapKey(const QString& label) {
    window_->layoutIfNeeded();
    KeyboardView* keys = Keyboard::shared().view();
    if (!keys || !Keyboard::shared().isVisible() || keys->window() != window_.get()) return false;
    const KeyboardView::Key* key = keys->keyLabelled(label);
    if (!key) return false;
    const Point centre = keys->convertPointToView(key->frame.center(), nullptr);
    if (window_->hitTest(centre, nullptr) != keys) return false;
    tapAt(centre);
    return true;
}

void TestDriver::tapAt(Point location) {
    window_->touchDown(location);
    window_->touchUp(location);
}

void TestDriver::doubleTapAt(Point location) {
    tapAt(location);
    wait(0.1);
    tapAt(location);
}

void TestDriver::longPressAt(Point location, double seconds) {
    window_->touchDown(location);
    wait(seconds);
    window_->touchUp(location);
}

void TestDriver::drag(Point from, Point to, double seconds, int steps) {
    steps = std::max(1, steps);
    window_->touchDown(from);
    for (int i = 1; i <= steps; ++i) {
        wait(seconds / steps);
        const double f = double(i) / steps;
        window_->touchMove(from + (to - from) * f);
    }
    window_->touchUp(to);
}

void TestDriver::pinch(Point centre, double fromDistance, double toDistance, double seconds,
                       int steps) {
    steps = std::max(1, steps);
    auto fingers = [&](double distance, TouchPhase phase) {
        const Point offset{distance / 2, 0};
        return std::vector<Window::TouchInput>{{0, phase, centre - offset},
                                               {1, phase, centre + offset}};
    };
    window_->sendTouches(fingers(fromDistance, TouchPhase::Began));
    for (int i = 1; i <= steps; ++i) {
        wait(seconds / steps);
        window_->sendTouches(
            fingers(fromDistance + (toDistance - fromDistance) * i / steps, TouchPhase::Moved));
    }
    window_->sendTouches(fingers(toDistance, TouchPhase::Ended));
}

bool TestDriver::wheel(Point location, double notches) {
    return pointer_->wheel(location, notches);
}

bool TestDriver::type(const QString& text) {
    return window_->insertText(text);
}

bool TestDriver::compose(const QStringList& marked, const QString& committed) {
    for (const QString& step : marked) {
        if (!window_->setMarkedText(step, Range{step.size(), 0})) return false;
    }
    window_->setMarkedText({}, {});
    return window_->insertText(committed);
}

bool TestDriver::pressReturn() {
    return window_->insertReturn();
}

bool TestDriver::pressBackspace() {
    return window_->deleteBackward();
}

bool TestDriver::pressCaretKey(CaretMovement movement) {
    return window_->moveCaret(movement);
}

QString TestDriver::textOf(const View* view) const {
    if (!view) return {};
    if (auto* label = dynamic_cast<const Label*>(view)) return label->displayedLines().join('\n');
    return view->shownText();
}

std::shared_ptr<Image> TestDriver::screenshot(double scale) const {
    return OffscreenHost(window_, scale).render();
}

bool TestDriver::saveScreenshot(const QString& path, double scale) const {
    return OffscreenHost(window_, scale).renderToFile(path);
}

void TestDriver::wait(double seconds) {
    auto clock = ns::Clock::sharedPtr();
    if (auto* manual = dynamic_cast<ns::ManualClock*>(clock.get())) {
        manual->advance(ns::seconds(seconds));
        return;
    }
    // Real time: keep the event loop (and with it the clock's timers) running.
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < qint64(seconds * 1000)) {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

}  // namespace ui
