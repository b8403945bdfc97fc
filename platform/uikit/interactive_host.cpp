#include "platform/uikit/interactive_host.h"

#include "platform/uikit/display_link.h"
#include "platform/uikit/key_input.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/pointer_gestures.h"
#include "platform/uikit/renderer.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/text_input_traits.h"
#include "platform/uikit/window.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QInputMethodQueryEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QRasterWindow>
#include <QResizeEvent>
#include <QWheelEvent>

#include <optional>

namespace ui {

namespace {

// The keys that move the caret.
std::optional<CaretMovement> caretMovement(int key) {
    switch (key) {
        case Qt::Key_Left:
            return CaretMovement::Left;
        case Qt::Key_Right:
            return CaretMovement::Right;
        case Qt::Key_Up:
            return CaretMovement::Up;
        case Qt::Key_Down:
            return CaretMovement::Down;
        case Qt::Key_Home:
            return CaretMovement::LineStart;
        case Qt::Key_End:
            return CaretMovement::LineEnd;
        default:
            return std::nullopt;
    }
}

// What a key's text types: each of its characters whole, an emoji's pair of surrogates and a
// letter's marks included. The control characters that Tab, Escape, Delete and keys held with
// Ctrl bring type nothing, nor does half a pair.
QString typedText(const QString& text) {
    QString typed;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text[i];
        if (unit.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            typed += text.mid(i, 2);
            ++i;
        } else if (!unit.isSurrogate() && unit.category() != QChar::Other_Control) {
            typed += unit;
        }
    }
    return typed;
}

}  // namespace

class InteractiveHost::Surface : public QRasterWindow {
public:
    Surface(ui::Window& window, InteractiveHost& host)
        : window_(window), host_(host), gestures_(window) {
        const Size size = window.bounds().size;
        const double natural = Screen::mainScreen().scale() / devicePixelRatio();
        resize(int(std::ceil(size.width * natural)), int(std::ceil(size.height * natural)));
        setTitle(QStringLiteral("Housing"));
    }

    // Desktop pixels per point: two device pixels per point, whatever the desktop's ratio,
    // until the window is resized; then as many as let the whole screen fit.
    [[nodiscard]] double zoom() const { return screenArea().width() / window_.bounds().size.width; }

    // Where the screen shows: the largest rectangle of the phone's shape that fits the
    // window, centred, so that a resize never cuts off a part of the screen.
    [[nodiscard]] QRectF screenArea() const {
        const Size size = window_.bounds().size;
        const double scale = std::min(width() / size.width, height() / size.height);
        const double shownWidth = size.width * scale;
        const double shownHeight = size.height * scale;
        return {(width() - shownWidth) / 2, (height() - shownHeight) / 2, shownWidth, shownHeight};
    }

    // Asks for a frame if anything changed since the last one or an animation runs; whether
    // it asked.
    bool refresh() {
        noticeKeyResponder();
        const quint64 changes = Layer::changeCount();
        if (changes == drawnAt_ && Layer::runningAnimationCount() == 0) return false;
        // The frame asked for shows these changes however late the desktop lets it draw.
        drawnAt_ = changes;
        update();
        ++asked;
        return true;
    }

    int frames = 0;
    int asked = 0;

protected:
    // A new size shows the whole screen at its new scale at once. Nothing in the screen
    // changed to ask for a frame, and the desktop repaints only what a resize uncovers
    // (nothing when the window shrinks), which left the frame before unscaled in its corner.
    void resizeEvent(QResizeEvent* event) override {
        QRasterWindow::resizeEvent(event);
        update();
    }

    void paintEvent(QPaintEvent*) override {
        // Laying out and filling backing stores note changes that this very frame shows: they
        // neither wake a sleeping link nor ask for another frame.
        host_.painting(true);
        const Size size = window_.bounds().size;
        // The frame is drawn in points at the screen's scale, then shown 1:1 in device pixels.
        QImage frame = Renderer::makeCanvas(size.width, size.height, Screen::mainScreen().scale());
        {
            QPainter painter(&frame);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            window_.render(painter);
        }
        window_.rememberFrame(frame);
        drawnAt_ = Layer::changeCount();
        host_.painting(false);
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.fillRect(QRect(QPoint(), this->size()), Qt::black);
        painter.drawImage(screenArea(), frame);
        ++frames;
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        // A press that may move the caret or the keys elsewhere ends the desktop input
        // method's composition as it stands, so that it goes on nowhere else.
        QGuiApplication::inputMethod()->commit();
        window_.touchDown(toPoints(event->position()));
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (!(event->buttons() & Qt::LeftButton)) return;
        window_.touchMove(toPoints(event->position()));
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        window_.touchUp(toPoints(event->position()));
    }

    // The wheel zooms what takes a pinch: one notch (120 eighths of a degree) away from the
    // user zooms in by one step.
    void wheelEvent(QWheelEvent* event) override {
        const double notches = event->angleDelta().y() / 120.0;
        if (notches == 0) return;
        if (gestures_.wheel(toPoints(event->position()), notches)) event->accept();
    }

    // A touchpad pinch: its fingers' spread follows the touchpad's.
    void nativeGesture(QNativeGestureEvent* event) {
        switch (event->gestureType()) {
            case Qt::BeginNativeGesture:
                gestures_.beginPinch(toPoints(event->position()));
                break;
            case Qt::ZoomNativeGesture:
                if (!gestures_.isPinching()) gestures_.beginPinch(toPoints(event->position()));
                gestures_.pinchBy(1 + event->value());
                break;
            case Qt::EndNativeGesture:
                gestures_.endPinch();
                break;
            default:
                break;
        }
    }

    void keyPressEvent(QKeyEvent* event) override {
        if (const auto movement = caretMovement(event->key())) {
            window_.moveCaret(*movement);
            return;
        }
        switch (event->key()) {
            case Qt::Key_Backspace:
                window_.deleteBackward();
                return;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                window_.insertReturn();
                return;
            default:
                break;
        }
        if (const QString typed = typedText(event->text()); !typed.isEmpty())
            window_.insertText(typed);
    }

    void inputMethod(QInputMethodEvent* event) {
        if (!event->commitString().isEmpty()) {
            window_.setMarkedText({}, {});
            window_.insertText(event->commitString());
        }
        if (!event->preeditString().isEmpty()) {
            qsizetype cursor = event->preeditString().size();
            for (const auto& attribute : event->attributes()) {
                if (attribute.type == QInputMethodEvent::Cursor) cursor = attribute.start;
            }
            window_.setMarkedText(event->preeditString(), Range{cursor, 0});
        } else if (event->commitString().isEmpty()) {
            window_.unmarkText();
        }
    }

    // The desktop's input method takes keys only while it knows that a text input has them:
    // it is told whenever another responder (or none) takes the keys, an alert that opens
    // above the field with them too.
    void noticeKeyResponder() {
        Responder* responder = window_.keyResponder();
        if (responder == shownResponder_.lock().get()) return;
        shownResponder_ = responder ? responder->weak_from_this() : std::weak_ptr<Responder>();
        QGuiApplication::inputMethod()->update(Qt::ImQueryAll);
    }

    // What the input method asks of the text input that has the keys.
    [[nodiscard]] QVariant inputMethodAnswer(Qt::InputMethodQuery query) const {
        Responder* responder = window_.keyResponder();
        const bool takesKeys = dynamic_cast<KeyInput*>(responder) != nullptr;
        switch (query) {
            case Qt::ImEnabled:
                return takesKeys;
            case Qt::ImHints:
                return int(inputMethodHints(dynamic_cast<const TextInputTraits*>(responder)));
            case Qt::ImCursorRectangle: {
                // Candidates show under the input, in desktop pixels.
                const auto* view = dynamic_cast<const View*>(responder);
                if (!view) return QRectF();
                const Rect shown = view->convertRectToView(view->bounds(), nullptr);
                const QRectF area = screenArea();
                const double scale = zoom();
                return QRectF(area.x() + shown.origin.x * scale, area.y() + shown.origin.y * scale,
                              shown.size.width * scale, shown.size.height * scale);
            }
            default:
                return {};
        }
    }

    [[nodiscard]] static Qt::InputMethodHints inputMethodHints(const TextInputTraits* traits) {
        if (!traits) return Qt::ImhNone;
        Qt::InputMethodHints hints = Qt::ImhNone;
        switch (traits->keyboardType()) {
            case KeyboardType::NumberPad:
                hints |= Qt::ImhDigitsOnly;
                break;
            case KeyboardType::DecimalPad:
                hints |= Qt::ImhFormattedNumbersOnly;
                break;
            case KeyboardType::PhonePad:
                hints |= Qt::ImhDialableCharactersOnly;
                break;
            case KeyboardType::EmailAddress:
                hints |= Qt::ImhEmailCharactersOnly;
                break;
            case KeyboardType::URL:
                hints |= Qt::ImhUrlCharactersOnly;
                break;
            default:
                break;
        }
        if (traits->isSecureTextEntry()) {
            hints |= Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText;
        }
        return hints;
    }

    bool event(QEvent* event) override {
        if (event->type() == QEvent::InputMethod) {
            inputMethod(static_cast<QInputMethodEvent*>(event));
            return true;
        }
        if (event->type() == QEvent::NativeGesture) {
            nativeGesture(static_cast<QNativeGestureEvent*>(event));
            return true;
        }
        if (event->type() == QEvent::InputMethodQuery) {
            auto* query = static_cast<QInputMethodQueryEvent*>(event);
            for (const Qt::InputMethodQuery asked :
                 {Qt::ImEnabled, Qt::ImHints, Qt::ImCursorRectangle}) {
                if (query->queries() & asked) query->setValue(asked, inputMethodAnswer(asked));
            }
            query->accept();
            return true;
        }
        return QRasterWindow::event(event);
    }

private:
    [[nodiscard]] Point toPoints(const QPointF& position) const {
        const QRectF area = screenArea();
        const double scale = zoom();
        return {(position.x() - area.x()) / scale, (position.y() - area.y()) / scale};
    }

    ui::Window& window_;
    InteractiveHost& host_;
    PointerGestures gestures_;
    std::weak_ptr<Responder> shownResponder_;
    quint64 drawnAt_ = ~quint64(0);
};

InteractiveHost::InteractiveHost(std::shared_ptr<Window> window)
    : window_(std::move(window)), surface_(std::make_unique<Surface>(*window_, *this)) {}

InteractiveHost::~InteractiveHost() {
    Layer::stopWaitingForChange(this);
    if (link_) link_->invalidate();
}

void InteractiveHost::show() {
    window_->makeKeyAndVisible();
    surface_->show();
    if (!link_) {
        Surface* surface = surface_.get();
        link_ = DisplayLink::displayLinkWithTarget([this, surface](DisplayLink&) {
            if (!surface->refresh()) sleepUntilChange();
        });
        link_->addToRunLoop();
    }
}

void InteractiveHost::sleepUntilChange() {
    // Nothing moves: the link stops until the next change, so that a screen at rest costs
    // no frame and no tick.
    link_->setPaused(true);
    Layer::waitForChange(this, [link = std::weak_ptr<DisplayLink>(link_)] {
        if (auto shared = link.lock()) shared->setPaused(false);
    });
}

void InteractiveHost::painting(bool begins) {
    if (!link_ || !link_->isPaused()) return;
    if (begins) {
        Layer::stopWaitingForChange(this);
    } else {
        sleepUntilChange();
    }
}

void InteractiveHost::close() {
    Layer::stopWaitingForChange(this);
    if (link_) link_->invalidate();
    link_.reset();
    surface_->close();
}

bool InteractiveHost::isVisible() const {
    return surface_->isVisible();
}
double InteractiveHost::zoom() const {
    return surface_->zoom();
}
QRectF InteractiveHost::screenArea() const {
    return surface_->screenArea();
}
QWindow* InteractiveHost::nativeWindow() const {
    return surface_.get();
}
int InteractiveHost::frameCount() const {
    return surface_->frames;
}
int InteractiveHost::framesAsked() const {
    return surface_->asked;
}
void InteractiveHost::refresh() {
    surface_->refresh();
}

}  // namespace ui
