#include "platform/uikit/responder.h"

#include "platform/uikit/window.h"

namespace ui {

Responder::~Responder() = default;

bool Responder::becomeFirstResponder() {
    Window* window = responderWindow();
    if (!window || !canBecomeFirstResponder()) return false;
    return window->makeFirstResponder(this);
}

bool Responder::resignFirstResponder() {
    if (Window* window = responderWindow(); window && window->firstResponder() == this) {
        window->clearFirstResponder();
    }
    return true;
}

bool Responder::isFirstResponder() const {
    const Window* window = responderWindow();
    return window && window->firstResponder() == this;
}

void Responder::touchesBegan(const TouchSet& touches, const Event* event) {
    if (Responder* next = nextResponder()) next->touchesBegan(touches, event);
}

void Responder::touchesMoved(const TouchSet& touches, const Event* event) {
    if (Responder* next = nextResponder()) next->touchesMoved(touches, event);
}

void Responder::touchesEnded(const TouchSet& touches, const Event* event) {
    if (Responder* next = nextResponder()) next->touchesEnded(touches, event);
}

void Responder::touchesCancelled(const TouchSet& touches, const Event* event) {
    if (Responder* next = nextResponder()) next->touchesCancelled(touches, event);
}

bool Responder::canPerformAction(const QString&) const {
    return false;
}

void Responder::performAction(const QString&) {}

}  // namespace ui
