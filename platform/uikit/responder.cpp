#include "platform/uikit/responder.h"

#include "platform/uikit/window.h"

#include <cxxabi.h>

#include <cstdlib>
#include <typeinfo>

namespace ui {

QString Responder::className() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    QString name = QString::fromLatin1(status == 0 && demangled ? demangled : mangled);
    std::free(demangled);
    const qsizetype colons = name.lastIndexOf(QLatin1String("::"));
    return colons >= 0 ? name.mid(colons + 2) : name;
}

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
